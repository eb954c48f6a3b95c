#include "app/CameraSound.h"
#include "app/SoundPlayer.h"
#include "fixtures/FixtureMaker.h"

#include <SDL.h>
#include <chrono>
#include <gtest/gtest.h>

TEST(CameraSound, IsAShortWavThatPlaysWithoutWaiting) {
    TempDir dir;
    const std::string file = dir.File("cam.wav");
    ASSERT_TRUE(WriteCameraSound(file));

    SDL_AudioSpec spec{};
    Uint8* samples = nullptr;
    Uint32 length = 0;
    ASSERT_NE(SDL_LoadWAV(file.c_str(), &spec, &samples, &length), nullptr) << SDL_GetError();
    EXPECT_EQ(spec.freq, CameraSoundRate);
    EXPECT_EQ(spec.channels, 1);
    EXPECT_EQ(spec.format, AUDIO_S16LSB);
    const double seconds = static_cast<double>(length) / 2 / spec.freq;
    EXPECT_GT(seconds, 0.05);
    EXPECT_LT(seconds, 0.5);
    int loudest = 0;
    for (Uint32 i = 0; i + 1 < length; i += 2)
        loudest = std::max(loudest, std::abs(static_cast<int16_t>(samples[i] | samples[i + 1] << 8)));
    SDL_FreeWAV(samples);
    EXPECT_GT(loudest, 8000) << "audible";

    TSoundPlayer player;
    for (int i = 0; i < 2; ++i) { // a second play restarts the same sound
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(player.Play(file)) << player.Error();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100))
            << "does not wait";
    }
    EXPECT_FALSE(player.Play(dir.File("missing.wav")));
    EXPECT_FALSE(player.Error().empty());
}
