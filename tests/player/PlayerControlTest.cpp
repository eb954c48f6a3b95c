// The live controls as they reach the audio device, and closing a playback whose
// event loop does not take its quit requests.
#include "PlayerFixture.h"

#include <atomic>
#include <cmath>
#include <ctime>
#include <thread>

using namespace std::chrono_literals;

namespace {

ClipSpec toneClip(double seconds) {
    ClipSpec spec = AudioOnlyClip(seconds);
    spec.Format = "mp4";
    spec.Audio.front().Amplitude = 0.5;
    return spec;
}

// The loudest sample handed to the device since the last Reset.
struct PeakMeter {
    std::atomic<int> Peak{0};
    std::atomic<int> Blocks{0};

    void Install(TCustomPlayer& player) {
        player.OnAudioDelivered = [this](const int16_t* samples, int count, int, int, double) {
            int peak = 0;
            for (int i = 0; i < count; ++i)
                peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
            Peak = std::max(Peak.load(), peak);
            ++Blocks;
        };
    }
    void Reset() {
        Peak = 0;
        Blocks = 0;
    }
};

// Loses every quit request while its playback is open, like an event loop that
// never sees them; counts them.
class DeafPlayer : public TDOVidera {
public:
    std::atomic<int> QuitRequests{0};

protected:
    void PostEvent(TPlayerEventCode code, int data) override {
        if (code == QuitEvent && IsOpen()) {
            ++QuitRequests;
            return;
        }
        TDOVidera::PostEvent(code, data);
    }
};

} // namespace

TEST_F(PlayerFixture, MuteAndVolumeScaleWhatTheDeviceGets) {
    const auto file = MakeFile("tone.mp4", toneClip(3.0));
    PeakMeter meter;
    meter.Install(*player);
    ASSERT_TRUE(player->Open(file, 0, false)) << player->LastError();
    constexpr int FullPeak = 16384; // the clip's amplitude of 0.5

    struct Case {
        bool Mute;
        int Volume;
        double Share; // of the full peak
    };
    // The settings change while playing and apply from the next device buffer on.
    for (const Case c : {Case{false, 128, 1.0}, Case{false, 64, 0.5}, Case{true, 128, 0.0},
                         Case{false, 0, 0.0}, Case{false, 500, 1.0}}) {
        player->SetMute(c.Mute);
        player->SetAudioVolume(c.Volume);
        Serve(60ms); // let the buffer filled with the old settings go by
        meter.Reset();
        ASSERT_TRUE(PollUntil([&] { return meter.Blocks >= 5; }, 2s));
        EXPECT_NEAR(meter.Peak.load(), c.Share * FullPeak, 0.1 * FullPeak)
            << "mute " << c.Mute << " volume " << c.Volume;
    }
    EXPECT_EQ(player->AudioVolume(), 128) << "beyond the scale is the full volume";
}

TEST(PlayerClose, ForcesTheCloseAfterTheBoundedQuitRequests) {
    MarkMainThread();
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    TempDir dir;
    struct Case {
        const char* Name;
        ClipSpec Spec;
        int Requests; // the first one and the repeats before the caller closes it itself
    };
    ClipSpec video = VideoAndAudioClip(5.0);
    video.Format = "mp4";
    for (const Case& c : {Case{"video", video, 20}, Case{"waveform", toneClip(5.0), 10}}) {
        const std::string file = dir.File(std::string(c.Name) + ".mp4");
        MakeClip(file, c.Spec);
        DeafPlayer player;
        std::vector<TPlayState> states;
        player.OnState = [&](TCustomPlayer*, TPlayState s) { states.push_back(s); };
        if (!player.LibrariesLoaded()) {
            ASSERT_TRUE(player.LoadLibraries("")) << player.LastError();
        }
        ASSERT_TRUE(player.Open(file, 0, false)) << player.LastError();
        ServeUntil([] { return false; }, 200ms);

        const auto start = std::chrono::steady_clock::now();
        player.Close(true);
        const auto took = std::chrono::steady_clock::now() - start;
        ProcessPendingMessages();
        EXPECT_EQ(player.QuitRequests.load(), c.Requests) << c.Name;
        EXPECT_LT(took, 5s) << c.Name;
        EXPECT_FALSE(player.IsOpen()) << c.Name;
        ASSERT_FALSE(states.empty()) << c.Name;
        EXPECT_EQ(states.back(), psStop) << c.Name;
    }
}

TEST_F(PlayerFixture, ASlowEventLoopIsWaitedForNotPolled) {
    ClipSpec spec = VideoOnlyClip(3.0);
    spec.Format = "mp4";
    const auto file = MakeFile("slow.mp4", spec);
    // Each picture takes the event loop longer than a refresh interval.
    player->OnPictureShown = [](const uint8_t*, int, int, int, double, double, double) {
        std::this_thread::sleep_for(30ms);
    };
    ASSERT_TRUE(player->Open(file, 0, false)) << player->LastError();
    Serve(200ms);
    auto cpuSeconds = [] {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
    };
    const double before = cpuSeconds();
    Serve(1s);
    EXPECT_LT(cpuSeconds() - before, 0.15) << "the refresh thread must sleep while a refresh is in hand";
}
