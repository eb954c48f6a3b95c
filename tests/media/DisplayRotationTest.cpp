// The turn that shows a stream's pictures upright, from its display matrix,
// and where the probe and its report name it.
#include "media/DisplayRotation.h"

#include "fixtures/ClipCopy.h"
#include "media/AVProbe.h"
#include "media/FFmpegLoader.h"
#include "media/TextHelpers.h"

#include <gtest/gtest.h>

#include <memory>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/display.h>
}

namespace {

struct ContextFree {
    void operator()(AVFormatContext* c) const { avformat_free_context(c); }
};

TEST(DisplayRotation, QuarterTurnsClockwiseFromTheMatrix) {
    EXPECT_EQ(DisplayRotationDegrees(nullptr), 0);
    std::unique_ptr<AVFormatContext, ContextFree> ctx(avformat_alloc_context());
    ASSERT_TRUE(ctx);
    AVStream* plain = avformat_new_stream(ctx.get(), nullptr);
    ASSERT_TRUE(plain);
    EXPECT_EQ(DisplayRotationDegrees(plain), 0);

    struct Case {
        double Set;    // the clockwise turn the matrix is made with
        int Clockwise; // what shows the picture upright
    };
    // A phone's "rotate=90" is the matrix of a quarter turn clockwise.
    const Case cases[] = {{0, 0},     {90, 90},  {-90, 270}, {180, 180}, {-180, 180},
                          {270, 270}, {100, 90}, {40, 0},    {50, 90}};
    for (const Case& c : cases) {
        AVStream* st = avformat_new_stream(ctx.get(), nullptr);
        ASSERT_TRUE(st);
        auto* matrix = reinterpret_cast<int32_t*>(
            av_stream_new_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t)));
        ASSERT_TRUE(matrix);
        av_display_rotation_set(matrix, c.Set);
        EXPECT_EQ(DisplayRotationDegrees(st), c.Clockwise) << "matrix of " << c.Set << " degrees";
    }

    // A matrix cut short names no angle.
    AVStream* shortMatrix = avformat_new_stream(ctx.get(), nullptr);
    ASSERT_TRUE(shortMatrix);
    ASSERT_TRUE(av_stream_new_side_data(shortMatrix, AV_PKT_DATA_DISPLAYMATRIX, 4));
    EXPECT_EQ(DisplayRotationDegrees(shortMatrix), 0);
}

TEST(DisplayRotation, ProbeAndReportNameTheTurnOfARealFile) {
    ASSERT_TRUE(FFmpegLoader().BindSet(ConverterLibrarySet));
    TempDir dir;
    for (const int degrees : {90, 180, 270}) {
        SCOPED_TRACE(degrees);
        const std::string name = dir.File("upright" + std::to_string(degrees) + ".mp4");
        MakeRotatedClip(name, VideoAndAudioClip(0.2), degrees);
        TAVProbe probe;
        ASSERT_TRUE(probe.Open(name)) << probe.LastError();
        TVideoStreamInfo video;
        probe.GetVideoStreamInfo(-1, video);
        EXPECT_EQ(video.Rotation, degrees);
        // The stored size stays what it is.
        EXPECT_EQ(video.Width, 64);
        EXPECT_EQ(video.Height, 48);
        std::string report;
        probe.GetFormatReport(report);
        EXPECT_NE(report.find("\r\n  Rotation: " + std::to_string(degrees) + " degrees clockwise"),
                  std::string::npos)
            << report;
    }

    const std::string plain = dir.File("plain.mp4");
    MakeClip(plain, VideoAndAudioClip(0.2));
    TAVProbe probe;
    ASSERT_TRUE(probe.Open(plain));
    TVideoStreamInfo video;
    probe.GetVideoStreamInfo(-1, video);
    EXPECT_EQ(video.Rotation, 0);
    std::string report;
    probe.GetFormatReport(report);
    EXPECT_EQ(report.find("Rotation"), std::string::npos);
}

} // namespace
