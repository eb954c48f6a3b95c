// A stream copy of H.264 with B-frames keeps its start: the first key frame is
// decoded before time 0 (its decoding time is negative) but shown at it, so it
// and everything after it reach the output, in every container.
#include "BoundedRun.h"
#include "DecodedOutput.h"
#include "SetupTestSupport.h"

#include <ostream>
#include <string>

namespace {

using namespace std::chrono_literals;
constexpr auto RunLimit = 30s;

constexpr double ClipSeconds = 1.0;
constexpr double SourceFps = 25.0;
constexpr int SourceFrames = 25;
constexpr int KeyInterval = 12; // key frames at 0, 0.48 s and 0.96 s

ClipSpec BFrameClip() {
    ClipSpec spec = VideoOnlyClip(ClipSeconds);
    spec.Video[0].Codec = "libx264";
    spec.Video[0].GopSize = KeyInterval;
    spec.Video[0].Options = {{"bf", "2"}};
    return spec;
}

struct CopiedFile {
    int Packets = 0;
    bool StartsWithKey = false;
    bool NegativeDecodeTime = false; // of the first packet, as read back
};

CopiedFile ReadPackets(const std::string& path) {
    CopiedFile result;
    ReadBackPtr ctx = ReadBack(path);
    if (!ctx)
        return result;
    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(ctx.get(), pkt) >= 0) {
        if (result.Packets++ == 0) {
            result.StartsWithKey = (pkt->flags & AV_PKT_FLAG_KEY) != 0;
            result.NegativeDecodeTime = pkt->dts != AV_NOPTS_VALUE && pkt->dts < 0;
        }
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    return result;
}

struct CopyCase {
    const char* Source; // file name; the muxer follows its extension
    const char* Output;
    double ClipStart; // "ss" before the input, seconds; 0: none
    int Packets;      // copied
    int Shown;        // pictures a player shows: MP4 hides those before the start by its edit list
};

void PrintTo(const CopyCase& c, std::ostream* os) {
    *os << c.Source << " -> " << c.Output << " from " << c.ClipStart;
}

class StreamCopyStart : public SetupTest, public testing::WithParamInterface<CopyCase> {};

TEST_P(StreamCopyStart, KeepsEveryPacketFromTheKeyFrame) {
    const CopyCase& c = GetParam();
    const std::string source = Clip(c.Source, BFrameClip());
    const CopiedFile in = ReadPackets(source);
    ASSERT_EQ(in.Packets, SourceFrames);
    if (std::string(c.Source) == "in.mp4") {
        ASSERT_TRUE(in.NegativeDecodeTime) << "the clip should start decoding before time 0";
    }

    TOptionList inputOptions;
    if (c.ClipStart > 0)
        inputOptions.emplace_back("ss", std::to_string(c.ClipStart));
    OpenInput(source, inputOptions);
    const std::string path = dir.File(c.Output);
    OpenOutput(path, {{"vcodec", "copy"}});
    StopFlag control;
    const TBoundedRun run = RunWithin(task, control, RunLimit);
    ASSERT_TRUE(run.InTime);
    ASSERT_EQ(run.Error, "");

    const CopiedFile out = ReadPackets(path);
    EXPECT_EQ(out.Packets, c.Packets);
    EXPECT_TRUE(out.StartsWithKey);
    // Every copied packet decodes: the key frame that the others refer to is there.
    const TDecodedFile decoded = DecodeWholeFile(path);
    ASSERT_TRUE(decoded.Opened);
    EXPECT_EQ(decoded.Errors, 0);
    ASSERT_EQ(decoded.Frames.size(), 1u);
    EXPECT_EQ(decoded.Frames[0], c.Shown);
    EXPECT_NEAR(decoded.DurationSeconds, c.Shown / SourceFps, 1.5 / SourceFps);
}

// Without a start all 25 packets; from 0.6 s the copy begins at the key frame
// of 0.48 s, the last one at or before the start.
const CopyCase CopyCases[] = {
    {"in.mp4", "out.mp4", 0, SourceFrames, SourceFrames},
    {"in.mp4", "out.mkv", 0, SourceFrames, SourceFrames},
    {"in.mp4", "out.avi", 0, SourceFrames, SourceFrames},
    {"in.mp4", "out.ts", 0, SourceFrames, SourceFrames},
    {"in.mkv", "out.mp4", 0, SourceFrames, SourceFrames},
    {"in.mkv", "out.mkv", 0, SourceFrames, SourceFrames},
    {"in.mkv", "out.ts", 0, SourceFrames, SourceFrames},
    // 0.6 s to 0.96 s: ten pictures.
    {"in.mp4", "out.mp4", 0.6, SourceFrames - KeyInterval, 10},
    {"in.mp4", "out.mkv", 0.6, SourceFrames - KeyInterval, SourceFrames - KeyInterval},
    {"in.mkv", "out.ts", 0.6, SourceFrames - KeyInterval, SourceFrames - KeyInterval},
};

INSTANTIATE_TEST_SUITE_P(Containers, StreamCopyStart, testing::ValuesIn(CopyCases),
                         [](const testing::TestParamInfo<CopyCase>& info) {
                             std::string name = std::string(info.param.Source) + "_" + info.param.Output +
                                                (info.param.ClipStart > 0 ? "_fromStart" : "");
                             for (char& ch : name)
                                 if (ch == '.')
                                     ch = '_';
                             return name;
                         });

} // namespace
