// A task with a scratch folder for the set-up tests: clips made on demand,
// options applied by name, and the written output read back.
#pragma once

#include "engine/FFmpegException.h"
#include "fixtures/FixtureMaker.h"
#include "options/OptionTable.h"
#include "task/FFmpegTask.h"
#include "task/TaskBody.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

using TOptionList = std::vector<std::pair<std::string, std::string>>;

// A run that is never paused or stopped.
class NeverStop : public TRunControl {
public:
    bool StopRequested() const override { return false; }
    void PausePoint() override {}
};

class SetupTest : public testing::Test {
protected:
    SetupTest() { task.ResetEngineState(); }

    // Writes a clip into the scratch folder once; returns its path.
    std::string Clip(const std::string& name, const ClipSpec& spec) {
        std::string path = dir.File(name);
        if (!std::filesystem::exists(path))
            MakeClip(path, spec);
        return path;
    }
    void Apply(const TOptionList& options) {
        for (const auto& [name, value] : options)
            DispatchOption(task, name, value);
    }
    void OpenInput(const std::string& path, const TOptionList& options = {}) {
        Apply(options);
        ASSERT_TRUE(task.OpenInputFile(path)) << task.ErrorText();
    }
    void OpenOutput(const std::string& path, const TOptionList& options = {}) {
        Apply(options);
        ASSERT_GT(task.OpenOutputFile(path), 0) << task.ErrorText();
    }
    // Converts to the end, then closes the codecs and lets the files go.
    void RunToEnd() {
        NeverStop control;
        task.TranscodeLoop(control);
        task.CloseOpenedCodecs();
        task.ReleaseEngineState();
    }
    const AVCodecContext* OutputCodec(int file, int stream) const {
        return task.Output(file).Streams.at(stream).Codec.get();
    }

    TempDir dir;
    TCustomFFmpeg task;
};

// The written file as the libraries read it back.
struct InputContextCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
using ReadBackPtr = std::unique_ptr<AVFormatContext, InputContextCloser>;

inline ReadBackPtr ReadBack(const std::string& path) {
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0)
        return nullptr;
    avformat_find_stream_info(ctx, nullptr);
    return ReadBackPtr(ctx);
}
