// The player's surface drawn with SDL: inside a host window given by its native
// handle (an X11 window id), or in a window of its own. Every call, from Start
// to Stop, is made on the player's event-loop thread.
#pragma once

#include "player/Display.h"

#include <SDL_rect.h>
#include <cstdint>
#include <string>
#include <vector>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

class TSdlDisplay : public TPlayerDisplay {
public:
    TSdlDisplay() = default;
    ~TSdlDisplay() override;
    TSdlDisplay(const TSdlDisplay&) = delete;
    TSdlDisplay& operator=(const TSdlDisplay&) = delete;

    // Starts SDL's video part; with a host window, binds to it. False with the
    // reason in Error().
    bool Start(uintptr_t hostWindow);
    // Frees the surface and stops SDL's video part.
    void Stop();

    // The host window's client size (0 × 0 without a host).
    void HostSize(int& width, int& height) const;
    bool HasHost() const { return host_ != 0; }
    uint32_t WindowId() const;

    bool SetMode(int width, int height) override;
    bool HasSurface() const override { return renderer_ != nullptr; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void ShowPicture(const YuvOverlay& picture, const TDisplayRect& rect) override;
    void ShowShapes(const std::vector<TDisplayRect>& white) override;
    std::string Error() const override { return error_; }

private:
    void watchHostWindow();
    void freeSurface();

    uintptr_t host_ = 0;
    bool started_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int textureWidth_ = 0;
    int textureHeight_ = 0;
    int width_ = 0;
    int height_ = 0;
    std::vector<SDL_Rect> rects_; // reused for every waveform
    std::string error_;
};
