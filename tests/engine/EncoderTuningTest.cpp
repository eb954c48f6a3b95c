// The MPEG-4 family's quality settings: what the encoder gets when the task
// says nothing, that the task's own options win, that other encoders keep the
// library's defaults, and that a conversion with them decodes whole at its bit
// rate.
#include "setup/EncoderTuning.h"
#include "DecodedOutput.h"
#include "SetupTestSupport.h"

#include <cmath>
#include <string_view>

extern "C" {
#include <libavutil/opt.h>
}

namespace {

std::string OptionText(const AVCodecContext* ctx, std::string_view name) {
    uint8_t* raw = nullptr;
    if (av_opt_get(const_cast<AVCodecContext*>(ctx), std::string(name).c_str(), AV_OPT_SEARCH_CHILDREN,
                   &raw) < 0)
        return "(none)";
    std::string text(reinterpret_cast<const char*>(raw));
    av_free(raw);
    return text;
}

// How the library spells `value` of `name` for `encoder` (or its default when `value` is empty).
std::string Spelled(const AVCodec* encoder, std::string_view name, std::string_view value = {}) {
    PlainCodecContextPtr fresh(avcodec_alloc_context3(encoder));
    if (!value.empty())
        av_opt_set(fresh.get(), std::string(name).c_str(), std::string(value).c_str(),
                   AV_OPT_SEARCH_CHILDREN);
    return OptionText(fresh.get(), name);
}

class EncoderTuningTest : public SetupTest {
protected:
    const AVCodecContext* OpenVideo(const std::string& file, const TOptionList& options) {
        OpenInput(Clip("in.avi", VideoAndAudioClip(0.5)));
        OpenOutput(dir.File(file), options);
        return OutputCodec(0, 0);
    }
};

struct EncoderCase {
    const char* Label;
    const char* File;
    const char* Codec; // "" lets the container choose
    bool Tuned;
    bool FourVectors;
};

class EncoderTuningByEncoder : public EncoderTuningTest, public testing::WithParamInterface<EncoderCase> {};

TEST_P(EncoderTuningByEncoder, FamilyIsTunedOthersKeepTheLibrarysDefaults) {
    const EncoderCase& c = GetParam();
    TOptionList options{{"r", "25"}, {"b", "800000"}};
    if (*c.Codec)
        options.emplace_back("vcodec", c.Codec);
    const AVCodecContext* ctx = OpenVideo(c.File, options);
    ASSERT_TRUE(ctx->codec);
    const AVCodec* encoder = ctx->codec;
    EXPECT_EQ(!EncoderTuning(encoder).empty(), c.Tuned);
    // Whatever the family's list holds, checked against this encoder.
    for (const TEncoderTuning& t : EncoderTuning(avcodec_find_encoder(AV_CODEC_ID_MPEG4))) {
        if (t.Name == "flags")
            continue;
        const std::string expected = c.Tuned ? Spelled(encoder, t.Name, t.Value) : Spelled(encoder, t.Name);
        EXPECT_EQ(OptionText(ctx, t.Name), expected) << t.Name;
    }
    EXPECT_EQ((ctx->flags & AV_CODEC_FLAG_4MV) != 0, c.FourVectors);
    PlainCodecContextPtr fresh(avcodec_alloc_context3(encoder));
    // Ten seconds at 25 pictures a second.
    EXPECT_EQ(ctx->gop_size, c.Tuned ? 250 : fresh->gop_size);
}

INSTANTIATE_TEST_SUITE_P(Cases, EncoderTuningByEncoder,
                         testing::Values(EncoderCase{"mpeg4_avi", "out.avi", "mpeg4", true, true},
                                         EncoderCase{"mpeg4_by_container", "out.avi", "", true, true},
                                         EncoderCase{"msmpeg4", "out.avi", "msmpeg4", true, false},
                                         EncoderCase{"msmpeg4v2", "out.avi", "msmpeg4v2", true, false},
                                         EncoderCase{"libx264", "out.mkv", "libx264", false, false},
                                         EncoderCase{"mpeg1video", "out.mpg", "mpeg1video", false, false}),
                         [](const testing::TestParamInfo<EncoderCase>& info) {
                             return std::string(info.param.Label);
                         });

struct OwnOptionCase {
    const char* Label;
    TOptionList Options; // given by the task, before the output opens
    const char* Name;    // the option that must keep the task's value
    const char* Value;   // that value as the library spells it; "" for the checks below
    bool FourVectors = true;
};

class TaskOptionsWin : public EncoderTuningTest, public testing::WithParamInterface<OwnOptionCase> {};

TEST_P(TaskOptionsWin, TaskValueStaysAndTheRestIsTuned) {
    const OwnOptionCase& c = GetParam();
    TOptionList options{{"vcodec", "mpeg4"}, {"r", "25"}};
    options.insert(options.end(), c.Options.begin(), c.Options.end());
    const AVCodecContext* ctx = OpenVideo("out.avi", options);
    const AVCodec* encoder = ctx->codec;
    const std::string_view name = c.Name;
    if (name == "g") {
        EXPECT_EQ(ctx->gop_size, std::atoi(c.Value));
    } else if (name == "intra") {
        EXPECT_EQ(ctx->gop_size, 0);
    } else if (*c.Value) {
        EXPECT_EQ(OptionText(ctx, name), Spelled(encoder, name, c.Value));
    }
    EXPECT_EQ((ctx->flags & AV_CODEC_FLAG_4MV) != 0, c.FourVectors);
    // Everything the task did not name is still tuned.
    for (const TEncoderTuning& t : EncoderTuning(encoder)) {
        if (t.Name == name || t.Name == "flags")
            continue;
        EXPECT_EQ(OptionText(ctx, t.Name), Spelled(encoder, t.Name, t.Value)) << t.Name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TaskOptionsWin,
    testing::Values(OwnOptionCase{"mbd", {{"mbd", "simple"}}, "mbd", "simple"},
                    OwnOptionCase{"subcmp", {{"subcmp", "sad"}}, "subcmp", "sad"},
                    OwnOptionCase{"last_pred", {{"last_pred", "0"}}, "last_pred", "0"},
                    OwnOptionCase{"gop", {{"g", "12"}}, "g", "12"},
                    OwnOptionCase{"intra_only", {{"intra", ""}}, "intra", ""},
                    OwnOptionCase{"flags", {{"flags", "+psnr"}}, "flags", "", false},
                    // A preset's lines count as the task's too (ten seconds would be 500 pictures).
                    OwnOptionCase{
                        "preset_line", {{"r", "50"}, {"vpre", "libx264-default"}}, "g", "250", false}),
    [](const testing::TestParamInfo<OwnOptionCase>& info) { return std::string(info.param.Label); });

TEST_F(EncoderTuningTest, TunedConversionDecodesWholeAtItsBitRate) {
    ClipSpec spec = VideoOnlyClip(3.0);
    spec.Video[0].Width = 320;
    spec.Video[0].Height = 240;
    spec.Video[0].CameraScene = 2;
    OpenInput(Clip("camera.mkv", spec));
    const std::string path = dir.File("out.avi");
    constexpr int BitRate = 400000;
    OpenOutput(path, {{"vcodec", "mpeg4"}, {"vtag", "XVID"}, {"b", std::to_string(BitRate)}, {"r", "25"}});
    RunToEnd();

    const TDecodedFile decoded = DecodeWholeFile(path);
    ASSERT_TRUE(decoded.Opened);
    EXPECT_EQ(decoded.Errors, 0);
    ASSERT_EQ(decoded.Frames.size(), 1u);
    EXPECT_EQ(decoded.Frames[0], 75);
    ReadBackPtr out = ReadBack(path);
    ASSERT_TRUE(out);
    int64_t bytes = 0;
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(out.get(), packet) >= 0) {
        bytes += packet->size;
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    // The one-pass rate control starts low and catches up over the first seconds.
    EXPECT_NEAR(static_cast<double>(bytes) * 8 / 3.0, BitRate, BitRate * 0.15);
}

} // namespace
