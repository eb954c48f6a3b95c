#include "player/PlaybackDisplay.h"

#include "player/Clocks.h"
#include "player/Display.h"
#include "player/DisplayLayout.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

int64_t nowMicroseconds() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// Copies `count` ring samples from `from` (wrapping) into the reused window.
const std::vector<int16_t>& copyRing(AudioState& a, int from, int count) {
    a.RingWindow.resize(static_cast<size_t>(count));
    std::lock_guard lock(a.RingMutex);
    for (int i = 0, index = from; i < count;) {
        const int n = std::min(count - i, SampleRingSize - index);
        std::copy_n(a.Ring.data() + index, n, a.RingWindow.data() + i);
        i += n;
        index = 0;
    }
    return a.RingWindow;
}

int wrapRing(int index) {
    return (index % SampleRingSize + SampleRingSize) % SampleRingSize;
}

void drawWaveform(PlaybackState& st, TPlayerDisplay& display) {
    auto& a = st.Audio;
    const int channels = a.Channels;
    const int width = st.WindowWidth;
    if (channels <= 0 || a.Ring.empty() || width <= 0)
        return;
    if (!st.Paused) {
        const int data = width;
        int delay = (a.BufferSize.load() - a.BufferIndex.load()) / (2 * channels);
        const int64_t elapsed = nowMicroseconds() - a.CallbackTimeUs.load();
        delay -= static_cast<int>(elapsed * a.SampleRate / 1000000);
        delay += 2 * data;
        if (delay < data)
            delay = data;
        const int start = wrapRing(a.RingWriteIndex.load(std::memory_order_relaxed) - delay * channels);
        // The search looks back from the start and compares samples a little ahead.
        const int before = WaveformSearchSamples + channels;
        const int span = before + 10 * channels;
        const auto& window = copyRing(a, wrapRing(start - before), span);
        const int found = FindWaveformStart(window.data(), span, before, channels);
        a.LastStart = wrapRing(start - before + found);
    }
    const int span = width * channels + channels;
    const auto& window = copyRing(a, a.LastStart, span);
    auto& shapes = a.WaveformRects;
    WaveformShapes(window.data(), span, 0, channels, width, st.WindowHeight, shapes);
    display.ShowShapes(shapes);

    int64_t ink = 0;
    for (const auto& r : shapes)
        ink += static_cast<int64_t>(r.W) * r.H;
    std::lock_guard lock(st.Signals.StatsMutex);
    auto& stats = st.Signals.Stats;
    ++stats.Waveforms;
    stats.WaveformInk = ink - static_cast<int64_t>(channels - 1) * width;
    stats.WaveformBands = channels;
}

void drawPicture(PlaybackState& st, TPlayerDisplay& display, bool redraw) {
    auto& q = st.Video.Pictures;
    YuvOverlay* overlay = nullptr;
    double pts = 0;
    AVRational pixelAspect{0, 1};
    {
        std::lock_guard lock(q.Mutex);
        overlay = q.Shown.get();
        pts = q.ShownPts;
        pixelAspect = q.ShownPixelAspect;
    }
    if (!overlay)
        return;
    const double aspect = DisplayAspect(st.Player.AspectRatio(), st.WindowWidth, st.WindowHeight,
                                        overlay->Width, overlay->Height, pixelAspect);
    const TDisplayRect rect = FitPicture(aspect, st.WindowWidth, st.WindowHeight);

    std::lock_guard overlayLock(overlay->Lock);
    if (st.HasSubtitles()) {
        auto& s = st.Subtitles;
        std::lock_guard lock(s.Mutex);
        if (s.Size > 0) {
            const auto& sp = s.Slots[s.ReadIndex];
            if (sp.Pts + sp.Sub.start_display_time / 1000.0 <= pts) {
                for (unsigned i = 0; i < sp.Sub.num_rects; ++i)
                    BlendSubtitleRect(*overlay, *sp.Sub.rects[i]);
            }
        }
    }
    display.ShowPicture(*overlay, rect);
    if (!redraw && st.Settings.PictureTap)
        st.Settings.PictureTap(overlay->Planes[0], overlay->Pitches[0], overlay->Width, overlay->Height, pts,
                               WallTime(), st.HasAudio() ? AudioClock(st) : NAN);

    std::lock_guard lock(st.Signals.StatsMutex);
    auto& stats = st.Signals.Stats;
    ++(redraw ? stats.Redraws : stats.Pictures);
    stats.LastX = rect.X;
    stats.LastY = rect.Y;
    stats.LastWidth = rect.W;
    stats.LastHeight = rect.H;
    stats.LastPicturePts = pts;
}

} // namespace

int OpenVideoMode(PlaybackState& st, bool force) {
    TPlayerDisplay* display = st.Player.Display();
    if (!display)
        return -1;
    int width = st.Player.ScreenWidth();
    int height = st.Player.ScreenHeight();
    if (width <= 0 || height <= 0) {
        width = 0;
        height = 0;
        if (st.HasVideo()) {
            std::lock_guard lock(st.Video.Pictures.Mutex);
            for (const auto& slot : st.Video.Pictures.Slots) {
                if (slot.Width > 0 && slot.Height > 0) {
                    width = slot.Width;
                    height = slot.Height;
                    break;
                }
            }
        }
        if (width <= 0 || height <= 0) {
            width = DefaultWindowWidth;
            height = DefaultWindowHeight;
        }
    }
    if (!force && display->HasSurface() && display->Width() == width && display->Height() == height &&
        st.WindowWidth == width && st.WindowHeight == height)
        return 0;
    if (!display->SetMode(width, height)) {
        st.Player.ReportError("SDL: could not set video mode.", false);
        return -1;
    }
    st.WindowWidth = display->Width();
    st.WindowHeight = display->Height();
    return 0;
}

void DisplayPlayback(PlaybackState& st, bool redraw) {
    TPlayerDisplay* display = st.Player.Display();
    if (!display)
        return;
    if (!display->HasSurface() && OpenVideoMode(st, false) < 0)
        return;
    if (st.HasAudio() && st.DisplayMode != 0)
        drawWaveform(st, *display);
    else if (st.HasVideo())
        drawPicture(st, *display, redraw);
}
