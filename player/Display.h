// Where the player draws: a surface that shows YUV pictures and simple shapes.
// The SDL implementation draws into a host window or its own; other
// implementations (a toolkit's widget) can take its place.
#pragma once

#include <string>
#include <vector>

struct YuvOverlay;

struct TDisplayRect {
    int X = 0;
    int Y = 0;
    int W = 0;
    int H = 0;
    bool operator==(const TDisplayRect&) const = default;
};

// Used only on the player's event-loop thread.
class TPlayerDisplay {
public:
    virtual ~TPlayerDisplay() = default;

    // Creates the surface or gives it a new size. False with the reason in Error().
    virtual bool SetMode(int width, int height) = 0;
    virtual bool HasSurface() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Paints the background black, shows the picture scaled into `rect` and presents.
    virtual void ShowPicture(const YuvOverlay& picture, const TDisplayRect& rect) = 0;
    // Paints the background black, fills the rectangles white and presents.
    virtual void ShowShapes(const std::vector<TDisplayRect>& white) = 0;
    virtual std::string Error() const = 0;
    // The playback that drew here has ended; the next one sets its mode again.
    // The SDL display frees its surface when its play thread stops instead.
    virtual void PlaybackEnded() {}
};
