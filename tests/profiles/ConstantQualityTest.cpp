// Constant quality: the three items after the bit rates where the encoder
// takes them, the settings they map to in the chosen encoder's scale, and
// conversions that really run x264 with a rate factor and the quantiser
// encoders with a fixed quantiser.

#include "profiles/ConstantQuality.h"
#include "FakeDialogs.h"
#include "ItemValues.h"
#include "ProfileWindows.h"
#include "engine/RAzidiZUV.h"
#include "fixtures/FixtureMaker.h"
#include "fixtures/SourceFactsOfFile.h"
#include "media/LibraryPointers.h"
#include "profiles/BuildOptions.h"
#include "profiles/ChoiceLists.h"
#include "profiles/OptionsWindow.h"
#include "profiles/OutputProfile.h"
#include "profiles/SettingsMapping.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/video_enc_params.h>
}

namespace {

using enum TChoiceRole;

const std::vector<TChoiceItem> QualityItems(ConstantQualityItems.begin(), ConstantQualityItems.end());

TEST(ConstantQuality, ItemsFollowTheProfilesOwnBitRatesWhereTheEncoderTakesThem) {
    struct Case {
        int32_t Profile;
        bool Offered;
    };
    for (const Case& c : {Case{503, true},   // x264
                          Case{511, true},   // MPEG-4 with the XviD tag
                          Case{1, true},     // DivX, the list that encoder picks refill
                          Case{15, true},    // RealVideo
                          Case{508, true},   // WMV
                          Case{24, true},    // MJPEG
                          Case{513, false},  // the container's own encoder
                          Case{504, false},  // likewise (QuickTime)
                          Case{515, false},  // DVD: the disc's norm sets the rate
                          Case{200, false}}) // audio only
    {
        SCOPED_TRACE(c.Profile);
        const auto choices = ChoicesFor(c.Profile);
        ASSERT_TRUE(choices);
        const TListChoice& rates = (*choices)[RoleIndex(crVideoBitRate)];
        const std::vector<TChoiceItem> own = rates.Key.empty() ? std::vector<TChoiceItem>{rates.Preselected}
                                                               : FindSharedList(rates.Key)->Items;
        ASSERT_GE(rates.Items.size(), own.size());
        EXPECT_EQ(std::vector(rates.Items.begin(), rates.Items.begin() + static_cast<long>(own.size())), own);
        EXPECT_EQ(std::vector(rates.Items.begin() + static_cast<long>(own.size()), rates.Items.end()),
                  c.Offered ? QualityItems : std::vector<TChoiceItem>{});
        EXPECT_FALSE(QualityLevel(rates.Preselected.Value)) << "the profile's own default stays";
    }
}

// The options window leaves the bit-rate list alone on an encoder pick that
// refills nothing; that is right only while every encoder list takes the
// quality items with all of its encoders or with none.
TEST(ConstantQuality, EveryEncoderListTakesThemWhollyOrNotAtAll) {
    for (const TOutputProfile& profile : AllProfiles()) {
        const auto choices = ChoicesFor(profile.Id);
        ASSERT_TRUE(choices);
        std::set<bool> takes;
        for (const TChoiceItem& encoder : (*choices)[RoleIndex(crVideoEncoder)].Items)
            takes.insert(EncoderTakesQuality(encoder.Value));
        EXPECT_EQ(takes.size(), 1u) << profile.Id;
    }
}

TEST(ConstantQuality, MappingTakesTheChosenEncodersScale) {
    struct Case {
        std::string_view Encoder;
        std::string_view Rate;
        std::string Quality;
        int32_t BitRate;
    };
    constexpr int32_t NotSet = TConversionSettings::NotSetBitRate;
    for (const Case& c : {
             Case{"H264/AVC高清视频压缩器", "恒定质量 (高)", "crf=20", NotSet},
             Case{"H264/AVC高清视频压缩器", "恒定质量 (中)", "crf=23", NotSet},
             Case{"XviD 视频压缩器1", "恒定质量 (中)", "qscale=4", NotSet},
             Case{"Divx 视频压缩器", "恒定质量 (低)", "qscale=6", NotSet},
             Case{"Mjpeg 视频压缩器", "恒定质量 (高)", "qscale=3", NotSet},
             Case{"RM视频压缩器1", "恒定质量 (中)", "qscale=4", NotSet},
             // A bit rate again takes the place of an earlier quality.
             Case{"H264/AVC高清视频压缩器", "1500 kbps (很高质量)", "", 1500000},
             // Encoders without a scale never hold a quality, whatever the items say.
             Case{"FLASH格式视频压缩器", "恒定质量 (中)", "", NotSet},
             Case{"PAL_DVD视频压缩器", "恒定质量 (中)", "", NotSet},
         }) {
        SCOPED_TRACE(std::string(c.Encoder) + " " + std::string(c.Rate));
        TChosenItems chosen;
        chosen.Values[RoleIndex(crVideoEncoder)] = ItemValueOf(crVideoEncoder, c.Encoder);
        chosen.Values[RoleIndex(crVideoBitRate)] = ItemValueOf(crVideoBitRate, c.Rate);
        TConversionSettings settings;
        settings.VideoQuality = "crf=26";
        MapChoicesToSettings(chosen, {"/out", "", MediaKindVideo}, settings);
        EXPECT_EQ(settings.VideoQuality, c.Quality);
        EXPECT_EQ(settings.VideoBitRate, c.BitRate);
    }
}

TEST(ConstantQuality, TheRecordCarriesTheQualityAsTheEncodersOptionLine) {
    TConversionSettings settings;
    settings.VideoCodec = "libx264";
    settings.VideoBitRate = TConversionSettings::NotSetBitRate;
    settings.VideoQuality = "crf=23";
    TOutputOptions output;
    BuildOutputOptions(settings, "/out/a.avi", output);
    EXPECT_EQ(output.ExtOptions, "crf=23");
    EXPECT_LE(output.VideoBitrate, 0) << "no bit rate beside the quality";

    settings.AudioOnly = true;
    BuildOutputOptions(settings, "/out/a.mp3", output);
    EXPECT_EQ(output.ExtOptions, "");
}

// What the encoder of a written file was told: x264 writes its settings into
// the stream; the quantiser encoders' pictures carry their quantisers, which
// the decoder hands out.
struct TWrittenVideo {
    std::string Codec;
    std::string X264Settings; // the text x264 leaves in the stream; empty for others
    std::set<int> Quantisers; // every macroblock's, of the MPEG-style decoders, in MPEG-2 units
};

TWrittenVideo ReadWrittenVideo(const std::string& path) {
    TWrittenVideo written;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)
        return written;
    InputClosePtr input(raw);
    avformat_find_stream_info(raw, nullptr);
    const AVCodec* decoder = nullptr;
    const int stream = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (stream < 0)
        return written;
    const AVCodecParameters* par = raw->streams[stream]->codecpar;
    written.Codec = avcodec_get_name(par->codec_id);
    PlainCodecContextPtr context(avcodec_alloc_context3(decoder));
    avcodec_parameters_to_context(context.get(), par);
    context->export_side_data |= AV_CODEC_EXPORT_DATA_VIDEO_ENC_PARAMS;
    if (avcodec_open2(context.get(), decoder, nullptr) < 0)
        return written;
    const auto collectText = [&](const uint8_t* data, int size) {
        const std::string bytes(reinterpret_cast<const char*>(data), static_cast<size_t>(size));
        const size_t at = bytes.find("x264 - core");
        if (at != std::string::npos && written.X264Settings.empty())
            written.X264Settings = bytes.substr(at, bytes.find('\0', at) - at);
    };
    if (par->extradata)
        collectText(par->extradata, par->extradata_size);
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    const auto drain = [&] {
        while (avcodec_receive_frame(context.get(), frame.get()) == 0) {
            if (const AVFrameSideData* side =
                    av_frame_get_side_data(frame.get(), AV_FRAME_DATA_VIDEO_ENC_PARAMS)) {
                auto* params = reinterpret_cast<AVVideoEncParams*>(side->data);
                for (unsigned i = 0; i < params->nb_blocks; ++i)
                    written.Quantisers.insert(params->qp + av_video_enc_params_block(params, i)->delta_qp);
            }
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(raw, packet.get()) >= 0) {
        if (packet->stream_index == stream) {
            collectText(packet->data, packet->size);
            avcodec_send_packet(context.get(), packet.get());
            drain();
        }
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(context.get(), nullptr);
    drain();
    return written;
}

struct ConversionCase {
    int32_t Profile;
    std::vector<std::pair<TChoiceRole, std::string_view>> Picks;
    const char* Codec;
    const char* X264Setting; // for x264: what its settings text must hold
    int Quantiser;           // for the others: every macroblock's
};

class ConstantQualityConversion : public testing::TestWithParam<ConversionCase> {};

// The options window with the picks, the records as the main window builds
// them, a conversion by the component, and the file read back.
TEST_P(ConstantQualityConversion, TheEncoderHoldsTheQuality) {
    const ConversionCase& c = GetParam();
    TRAzidiZUV converter;
    ASSERT_TRUE(converter.LoadLibraries()) << converter.LastError();
    TempDir dir;
    const std::string source = dir.File("source.mkv");
    MakeClip(source, VideoAndAudioClip(1.0));
    const std::string outputFolder = dir.File("out");
    std::filesystem::create_directory(outputFolder);

    TConversionSettings settings;
    FakeDialogs dialogs;
    TOptionsWindow window(settings, dialogs);
    window.SetOutputFolder(outputFolder);
    settings.ProfileId = c.Profile;
    settings.SourceFile = source;
    window.Show(SourceFactsOfFile(source));
    for (const auto& [role, item] : c.Picks)
        ASSERT_TRUE(window.PickText(role, item)) << item;
    ASSERT_TRUE(window.Confirm());
    ConvertWithSettings(converter, settings, source);
    if (testing::Test::HasFatalFailure())
        return;

    const TWrittenVideo written = ReadWrittenVideo(settings.OutputFile);
    EXPECT_EQ(written.Codec, c.Codec);
    if (*c.X264Setting) {
        EXPECT_NE(written.X264Settings.find("rc=crf"), std::string::npos) << written.X264Settings;
        EXPECT_NE(written.X264Settings.find(c.X264Setting), std::string::npos) << written.X264Settings;
    } else {
        // The decoders tell the quantiser on MPEG-2's scale, twice the MPEG-1/MPEG-4 one.
        EXPECT_EQ(written.Quantisers, std::set<int>{2 * c.Quantiser});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConstantQualityConversion,
    testing::Values(
        ConversionCase{503, {{crVideoBitRate, "恒定质量 (中)"}}, "h264", "crf=23.0", 0},
        ConversionCase{511, {{crVideoBitRate, "恒定质量 (中)"}}, "mpeg4", "", 4},
        ConversionCase{
            1, {{crVideoEncoder, "Divx 视频压缩器"}, {crVideoBitRate, "恒定质量 (低)"}}, "msmpeg4v3", "", 6},
        ConversionCase{505, {{crVideoBitRate, "恒定质量 (高)"}}, "mpeg1video", "", 3},
        ConversionCase{508, {{crVideoBitRate, "恒定质量 (中)"}}, "wmv2", "", 4},
        ConversionCase{15, {{crVideoBitRate, "恒定质量 (低)"}}, "rv10", "", 6},
        ConversionCase{119, {{crVideoBitRate, "恒定质量 (中)"}}, "mpeg4", "", 4}),
    [](const testing::TestParamInfo<ConversionCase>& info) {
        return std::to_string(info.index) + "_" + std::to_string(info.param.Profile);
    });

} // namespace
