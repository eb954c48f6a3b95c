// A player with recorded events, on the test's (main) thread, with offscreen video
// and dummy audio.
#pragma once

#include "fixtures/FixtureMaker.h"
#include "media/FFmpegLogger.h"
#include "media/MainThreadDispatcher.h"
#include "player/Player.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <vector>

class PlayerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        MarkMainThread();
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        // The player's error reports, for diagnosing a failure.
        GetLogger().OnLog = [](const TFFBaseComponent*, uint32_t, TLogLevel level, const std::string& msg) {
            if (level <= llError)
                std::fprintf(stderr, "player log: %s\n", msg.c_str());
        };
        player = std::make_unique<TDOVidera>();
        if (!player->LibrariesLoaded()) {
            ASSERT_TRUE(player->LoadLibraries("")) << player->LastError();
        }
        player->OnFileOpen = [this](TCustomPlayer*, int64_t duration, int w, int h, int&, int&) {
            openDuration = duration;
            frameWidth = w;
            frameHeight = h;
        };
        player->OnState = [this](TCustomPlayer*, TPlayState s) { states.push_back(s); };
        player->OnPosition = [this](TCustomPlayer*, int64_t p) { positions.push_back(p); };
    }
    void TearDown() override {
        if (player)
            player->Close(true);
        ProcessPendingMessages();
        player.reset();
    }

    std::string MakeFile(const std::string& name, const ClipSpec& spec) {
        const std::string file = dir.File(name);
        MakeClip(file, spec);
        return file;
    }
    bool Saw(TPlayState s) const { return std::find(states.begin(), states.end(), s) != states.end(); }
    bool WaitFor(TPlayState s, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        return ServeUntil([&] { return Saw(s); }, timeout);
    }
    // For conditions that change without any main-thread call to wake us (pictures,
    // snapshots): checks again every few milliseconds while serving calls.
    bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        // `done` may take the player's lock, so it is not handed to the dispatcher,
        // which would look at it while holding its own.
        while (!done()) {
            if (std::chrono::steady_clock::now() >= end)
                return false;
            ServeUntil([] { return false; }, std::chrono::milliseconds(5));
        }
        return true;
    }
    void Serve(std::chrono::milliseconds time) {
        ServeUntil([] { return false; }, time);
    }

    TempDir dir;
    std::unique_ptr<TDOVidera> player;
    std::vector<TPlayState> states;
    std::vector<int64_t> positions;
    int64_t openDuration = -2;
    int frameWidth = -2;
    int frameHeight = -2;
};
