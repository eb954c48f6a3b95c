// Plays short WAV files (the camera sound) through SDL's audio output without
// waiting: Play queues the samples and returns; the device pauses itself once
// they have played. Main thread.
#pragma once

#include <SDL_audio.h>
#include <SDL_timer.h>
#include <cstdint>
#include <string>
#include <vector>

class TSoundPlayer {
public:
    TSoundPlayer() = default;
    ~TSoundPlayer();
    TSoundPlayer(const TSoundPlayer&) = delete;
    TSoundPlayer& operator=(const TSoundPlayer&) = delete;

    // Starts `wavFile` from its beginning, cutting off a sound still playing.
    // False (with the reason in Error) when it cannot be loaded or played.
    bool Play(const std::string& wavFile);
    const std::string& Error() const { return error_; }

private:
    bool load(const std::string& wavFile);
    static Uint32 pauseWhenDone(Uint32 interval, void* device);

    bool started_ = false;
    SDL_AudioDeviceID device_ = 0;
    SDL_AudioSpec spec_{};
    std::string loadedFile_;
    std::vector<uint8_t> samples_; // the loaded file's samples, kept for the next Play
    int lengthMs_ = 0;
    SDL_TimerID timer_ = 0;
    std::string error_;
};
