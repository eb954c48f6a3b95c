// Measures audio/video sync end to end on a clip whose pictures turn white and
// whose sound clicks at the same marks: the wall time at which each white
// picture was put on the screen against the wall time at which the device
// played each click. Installed on a player through its diagnostic taps.
#pragma once

#include "player/Player.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <vector>

class MarkSyncProbe {
public:
    // Luma above this is a mark; the clips are dark otherwise.
    static constexpr int WhiteLuma = 200;
    // A click is full scale; the tone under it stays below this.
    static constexpr int ClickLevel = 20000;
    // Marks and clicks closer together than this belong to one event.
    static constexpr double Debounce = 0.3;

    void Install(TCustomPlayer& player) {
        player.OnAudioDelivered = [this](const int16_t* samples, int count, int channels, int rate,
                                         double callbackTime) {
            onAudio(samples, count, channels, rate, callbackTime);
        };
        player.OnPictureShown = [this](const uint8_t* luma, int pitch, int width, int height, double pts,
                                       double shownAt, double audioClock) {
            onPicture(luma, pitch, width, height, shownAt, pts - audioClock);
        };
    }

    struct Result {
        int Pairs = 0;
        double MeanSeconds = 0;   // signed: positive when the picture came before its click
        double MaxAbsSeconds = 0; // largest difference either way
        // Largest difference between the above and the player's own measure of the
        // same picture (its pts against its audio clock when it was shown).
        double MaxClockErrorSeconds = 0;
    };

    // Pairs every mark with the nearest click.
    Result Measure() const {
        std::lock_guard lock(mutex_);
        Result r;
        double sum = 0;
        for (const Mark& mark : marks_) {
            const double* nearest = nullptr;
            for (const double& click : clicks_)
                if (!nearest || std::fabs(click - mark.ShownAt) < std::fabs(*nearest - mark.ShownAt))
                    nearest = &click;
            if (!nearest || std::fabs(*nearest - mark.ShownAt) > Debounce)
                continue;
            const double d = *nearest - mark.ShownAt;
            r.MaxClockErrorSeconds = std::max(r.MaxClockErrorSeconds, std::fabs(d - mark.PlayerDiff));
            ++r.Pairs;
            sum += d;
            r.MaxAbsSeconds = std::max(r.MaxAbsSeconds, std::fabs(d));
        }
        r.MeanSeconds = r.Pairs ? sum / r.Pairs : 0;
        return r;
    }

private:
    void onAudio(const int16_t* samples, int count, int channels, int rate, double callbackTime) {
        // The loudest sample of a click is its time: the encoder smears the onset.
        for (int i = 0; i < count; ++i) {
            const int level = std::abs(static_cast<int>(samples[i]));
            if (level < ClickLevel)
                continue;
            const double at = callbackTime + static_cast<double>(i / channels) / rate;
            std::lock_guard lock(mutex_);
            if (!clicks_.empty() && at - clickStart_ < Debounce) {
                if (level > clickPeak_) {
                    clickPeak_ = level;
                    clicks_.back() = at;
                }
            } else {
                clicks_.push_back(at);
                clickStart_ = at;
                clickPeak_ = level;
            }
        }
    }

    void onPicture(const uint8_t* luma, int pitch, int width, int height, double shownAt, double playerDiff) {
        const bool white = luma[static_cast<size_t>(height / 2) * pitch + width / 2] > WhiteLuma;
        std::lock_guard lock(mutex_);
        if (white && (marks_.empty() || shownAt - marks_.back().ShownAt > Debounce))
            marks_.push_back({shownAt, playerDiff});
    }

    struct Mark {
        double ShownAt;
        double PlayerDiff;
    };

    mutable std::mutex mutex_;
    std::vector<double> clicks_; // guarded by mutex_
    std::vector<Mark> marks_;    // guarded by mutex_
    double clickStart_ = 0;      // guarded by mutex_
    int clickPeak_ = 0;          // guarded by mutex_
};
