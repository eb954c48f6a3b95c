// The codecs' share of the processor cores: the share rule, which codecs take
// it, and real runs whose codecs open with it and still write whole files.
#include "engine/CodecThreads.h"
#include "ConverterTestSupport.h"
#include "DecodedOutput.h"
#include "media/FFmpegLogger.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

namespace {

TEST(CodecThreadShare, CoresAreDividedAmongTheTasksRunningAtOnce) {
    struct Case {
        int Cores, AtOnce, Expected;
    };
    const Case cases[] = {
        {2, 1, 2},
        {2, 2, 1},
        {2, 4, 1}, // more tasks than cores: one thread each
        {8, 3, 2},
        {8, 1, 8},
        {1, 1, 1},
        {4, 0, 4},
        {64, 1, MaxCodecThreads}, // a big machine: no more than a picture can use
        {0, 1, 1},
        {-3, 2, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CodecThreadShare(c.Cores, c.AtOnce), c.Expected) << c.Cores << " cores, " << c.AtOnce;
}

TEST(CodecThreadCount, VideoTakesTheShareAndTheThreadsOptionWins) {
    struct Case {
        const char* Codec;
        bool Encoder;
        int Share, Requested, Expected;
    };
    const Case cases[] = {
        {"h264", false, 4, -1, 4},
        {"mpeg4", true, 2, -1, 2},
        {"mpeg4", true, 0, -1, 1},
        {"libx264", true, 2, -1, 3}, // threads of its own: half a share more
        {"libx264", true, 1, -1, 1},
        {"libx264", true, 12, -1, MaxCodecThreads},
        {"aac", false, 4, -1, 1},
        {"libmp3lame", true, 4, -1, 1},
        {"mpeg4", true, 4, 3, 3},
        {"aac", false, 1, 2, 2},
        {"h264", false, 4, 0, 0}, // the library chooses
        {"h264", false, 1, 100, MaxCodecThreads},
    };
    for (const Case& c : cases) {
        const AVCodec* codec =
            c.Encoder ? avcodec_find_encoder_by_name(c.Codec) : avcodec_find_decoder_by_name(c.Codec);
        ASSERT_NE(codec, nullptr) << c.Codec;
        AVCodecContext ctx{};
        ctx.codec_type = codec->type;
        EXPECT_EQ(CodecThreadCount(ctx, codec, c.Share, c.Requested), c.Expected)
            << c.Codec << " share " << c.Share << " requested " << c.Requested;
    }
}

// The verbose lines of opened video codecs: "decoder h264" or "encoder mpeg4" -> thread counts.
class CodecThreadRunTest : public ConverterTest {
protected:
    void SetUp() override {
        TFFLogger& logger = GetLogger();
        savedLevel_ = logger.LogLevel();
        logger.SetLogLevel(llVerbose);
        logger.OnLog = [this](const TFFBaseComponent*, uint32_t, TLogLevel, const std::string& line) {
            static const std::regex pattern(R"(video (decoder|encoder) (\w+), (\d+) thread)");
            std::smatch m;
            if (std::regex_search(line, m, pattern))
                threads_[m[1].str() + " " + m[2].str()].push_back(std::stoi(m[3].str()));
        };
    }
    void TearDown() override {
        GetLogger().OnLog = nullptr;
        GetLogger().SetLogLevel(savedLevel_);
        ProcessPendingMessages();
    }

    static TOutputOptions Mpeg4Output(const std::string& lines = "") {
        TOutputOptions options;
        InitOutputOptions(options);
        options.VideoCodec = "mpeg4";
        options.ExtOptions = lines;
        return options;
    }
    // A 640x480 H.264 source of 2 s: enough rows for every slice thread.
    std::string Source() {
        ClipSpec spec = VideoOnlyClip(2.0);
        spec.Video[0].Width = 640;
        spec.Video[0].Height = 480;
        return Clip("source.mp4", spec);
    }
    std::vector<int> Sorted(const std::string& codec) {
        std::vector<int> counts = threads_[codec];
        std::sort(counts.begin(), counts.end());
        return counts;
    }

    std::map<std::string, std::vector<int>> threads_; // main thread
    TLogLevel savedLevel_ = llInfo;
};

TEST_F(CodecThreadRunTest, EachTaskGetsItsShareWhenItStarts) {
    struct Case {
        const char* Name;
        int Cores;
        int Tasks;
        int ThreadCount; // StartTask's
        const char* Lines;
        std::vector<int> Expected; // video threads of each task, sorted
    };
    const Case cases[] = {
        {"off: the engine's own default", 0, 1, 1, "", {1}},
        {"one task takes every core", 4, 1, 2, "", {4}},
        {"two at once share them", 4, 2, 2, "", {2, 2}},
        {"the next task gets a share again", 4, 3, 2, "", {2, 2, 2}},
        {"a synchronous run has one task at a time", 4, 2, 0, "", {4, 4}},
        {"the threads option wins", 4, 1, 1, "threads=3", {3}},
    };
    const std::string source = Source();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        threads_.clear();
        {
            std::lock_guard lock(eventsMutex);
            events.clear();
        }
        conv.ClearTasks();
        conv.SetCodecCores(c.Cores);
        for (int i = 0; i < c.Tasks; ++i)
            AddConversion(source, Mpeg4Output(c.Lines));
        conv.StartTask(c.ThreadCount);
        ASSERT_TRUE(WaitForAllDone(60s));
        ProcessPendingMessages();
        EXPECT_EQ(Sorted("encoder mpeg4"), c.Expected);
        EXPECT_EQ(Sorted("decoder h264"), c.Expected);
        // Frame-threaded decoding holds pictures back; all of them must still come out.
        for (int i = 0; i < c.Tasks; ++i) {
            const TDecodedFile out = DecodeWholeFile(OutputPath(i));
            ASSERT_TRUE(out.Opened);
            EXPECT_EQ(out.Errors, 0);
            EXPECT_EQ(out.Frames.at(0), 50) << "task " << i;
        }
    }
}

} // namespace
