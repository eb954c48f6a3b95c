#include "options/Presets.h"
#include "engine/FFmpegException.h"
#include "media/LegacyOptions.h"
#include "media/LibraryPointers.h"
#include "options/OptionTable.h"

#include "OptionTestSupport.h"
#include "fixtures/FixtureMaker.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

namespace {

using CodecContextPtr = PlainCodecContextPtr;

std::vector<std::pair<std::string, std::string>> PresetLines(const TOptionsPreset& preset) {
    std::vector<std::pair<std::string, std::string>> lines;
    std::istringstream text{std::string(preset.Lines)};
    std::string line;
    while (std::getline(text, line)) {
        const size_t equals = line.find('=');
        lines.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
    return lines;
}

TEST(BuiltInPresets, ThirtySixUniqueNamesOfWellFormedLines) {
    ASSERT_EQ(BuiltInPresets().size(), 36u);
    std::set<std::string_view> names;
    for (const TOptionsPreset& preset : BuiltInPresets()) {
        EXPECT_TRUE(names.insert(preset.Name).second) << preset.Name;
        EXPECT_TRUE(preset.Name.starts_with("libx264-")) << preset.Name;
        for (const auto& [key, value] : PresetLines(preset)) {
            EXPECT_FALSE(key.empty() || value.empty()) << preset.Name;
        }
    }
    const TOptionsPreset* standard = FindBuiltInPreset("libx264-default");
    ASSERT_NE(standard, nullptr);
    const auto lines = PresetLines(*standard);
    ASSERT_EQ(lines.size(), 22u);
    EXPECT_EQ(lines.front(), std::make_pair(std::string("coder"), std::string("1")));
    EXPECT_EQ(lines.back(), std::make_pair(std::string("wpredp"), std::string("2")));
}

TEST(BuiltInPresets, LookupIgnoresLetterCase) {
    EXPECT_EQ(FindBuiltInPreset("LIBX264-Hq"), FindBuiltInPreset("libx264-hq"));
    EXPECT_NE(FindBuiltInPreset("libx264-hq"), nullptr);
    EXPECT_EQ(FindBuiltInPreset("libx264-h"), nullptr);
    EXPECT_EQ(FindBuiltInPreset("hq"), nullptr);
}

// What a preset key should look like on an opened libx264 encoder.
struct Readback {
    bool Private;     // on the encoder's private options, else the codec context
    const char* Name; // option name to read
};

// Keys whose value reads back unchanged (numbers compared as numbers).
const std::map<std::string, Readback> DirectKeys{
    {"coder", {true, "coder"}},
    {"me_range", {false, "me_range"}},
    {"g", {false, "g"}},
    {"keyint_min", {false, "keyint_min"}},
    {"sc_threshold", {true, "sc_threshold"}},
    {"i_qfactor", {false, "i_qfactor"}},
    {"b_strategy", {true, "b_strategy"}},
    {"qcomp", {false, "qcomp"}},
    {"qmin", {false, "qmin"}},
    {"qmax", {false, "qmax"}},
    {"qdiff", {false, "qdiff"}},
    {"bf", {false, "bf"}},
    {"refs", {false, "refs"}},
    {"directpred", {true, "direct-pred"}},
    {"trellis", {false, "trellis"}},
    {"wpredp", {true, "wpredp"}},
    {"cqp", {true, "qp"}},
    {"subq", {false, "subq"}},
    {"level", {false, "level"}},
    {"maxrate", {false, "maxrate"}},
    {"bufsize", {false, "bufsize"}},
};

const char* const MotionMethods[] = {"dia", "hex", "umh", "esa", "tesa"};

std::string Read(AVCodecContext* context, const Readback& where) {
    void* object = where.Private ? context->priv_data : static_cast<void*>(context);
    uint8_t* text = nullptr;
    if (av_opt_get(object, where.Name, 0, &text) < 0) {
        return "<missing>";
    }
    std::string result(reinterpret_cast<char*>(text));
    av_free(text);
    return result;
}

void ExpectSameNumber(const std::string& actual, const std::string& expected, const std::string& key) {
    EXPECT_DOUBLE_EQ(std::strtod(actual.c_str(), nullptr), std::strtod(expected.c_str(), nullptr))
        << key << ": encoder has " << actual << ", preset says " << expected;
}

// Checks every line of the preset against what the opened encoder reports.
void ExpectEncoderFollows(AVCodecContext* context, const TOptionsPreset& preset) {
    for (const auto& [key, value] : PresetLines(preset)) {
        SCOPED_TRACE(key + "=" + value);
        if (auto it = DirectKeys.find(key); it != DirectKeys.end()) {
            ExpectSameNumber(Read(context, it->second), value, key);
        } else if (key == "me_method") {
            const std::string method = Read(context, {true, "motion-est"});
            EXPECT_EQ(MotionMethods[std::atoi(method.c_str())], value);
        } else if (key == "flags") {
            EXPECT_EQ((context->flags & AV_CODEC_FLAG_LOOP_FILTER) != 0, value == "+loop");
        } else if (key == "cmp") {
            EXPECT_NE(context->me_cmp & FF_CMP_CHROMA, 0);
        } else if (key == "partitions") {
            // "+partX" on, "-partX" off; x264 lists the ones on, or "none"
            const std::string partitions = Read(context, {true, "partitions"});
            for (const TLegacyPartition& p : LegacyPartitions()) {
                const bool on = value.find("+" + std::string(p.Token)) != std::string::npos;
                EXPECT_EQ(partitions.find(p.X264Name) != std::string::npos, on)
                    << p.Token << " in " << partitions;
            }
        } else if (key == "flags2") {
            for (const TLegacyFlag& flag : LegacyFlags()) {
                if (flag.Option != "flags2") {
                    continue;
                }
                const bool on = value.find("+" + std::string(flag.Token)) != std::string::npos;
                const bool off = value.find("-" + std::string(flag.Token)) != std::string::npos;
                if (!on && !off) {
                    continue;
                }
                const std::string actual = Read(context, {true, std::string(flag.NewName).c_str()});
                if (flag.NewName == "b-pyramid") {
                    EXPECT_EQ(actual, on ? "2" : "0") << flag.Token; // normal, none
                } else {
                    EXPECT_EQ(actual, on ? "true" : "false") << flag.Token;
                }
            }
        } else {
            ADD_FAILURE() << "no read-back known for " << key;
        }
    }
}

class PresetOnX264 : public ::testing::TestWithParam<TOptionsPreset> {};

// Encodes one grey frame and drains the encoder; true when a packet came out.
bool EncodesAFrame(AVCodecContext* context) {
    FramePtr frame(av_frame_alloc());
    frame->format = context->pix_fmt;
    frame->width = context->width;
    frame->height = context->height;
    frame->pts = 0;
    if (av_frame_get_buffer(frame.get(), 0) < 0) {
        return false;
    }
    for (int plane = 0; plane < 3; ++plane) {
        const int rows = plane == 0 ? frame->height : frame->height / 2;
        std::memset(frame->data[plane], 128, static_cast<size_t>(frame->linesize[plane]) * rows);
    }
    if (avcodec_send_frame(context, frame.get()) < 0 || avcodec_send_frame(context, nullptr) < 0) {
        return false;
    }
    PacketPtr packet(av_packet_alloc());
    bool got = false;
    while (avcodec_receive_packet(context, packet.get()) == 0) {
        got = true;
        av_packet_unref(packet.get());
    }
    return got;
}

TEST_P(PresetOnX264, OpensTheEncoderWithEverySettingInPlace) {
    const AVCodec* x264 = avcodec_find_encoder_by_name("libx264");
    ASSERT_NE(x264, nullptr) << "libavcodec-extra provides libx264";
    FakeOptionTarget target;
    LogCapture log;
    DispatchOption(target, "vcodec", "libx264");
    DispatchOption(target, "vpre", std::string(GetParam().Name.substr(std::string("libx264-").size())));
    EXPECT_FALSE(log.HasAny("Invalid value"));
    EXPECT_FALSE(log.HasAny("no equivalent"));

    CodecContextPtr context(avcodec_alloc_context3(x264));
    ASSERT_TRUE(context);
    context->width = 64;
    context->height = 48;
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->time_base = {1, 25};
    context->thread_count = 1;
    DictionaryHolder leftover;
    ApplyStoredOptions(target.contexts, context.get(), AVMEDIA_TYPE_VIDEO, x264, 17, leftover.Address());
    EXPECT_EQ(leftover.Get(), nullptr); // private options went straight to the encoder's private data
    const int opened = avcodec_open2(context.get(), x264, leftover.Address());
    ASSERT_EQ(opened, 0);
    ExpectEncoderFollows(context.get(), GetParam());
    EXPECT_TRUE(EncodesAFrame(context.get()));
}

INSTANTIATE_TEST_SUITE_P(All, PresetOnX264,
                         ::testing::ValuesIn(BuiltInPresets().begin(), BuiltInPresets().end()),
                         [](const auto& info) {
                             std::string name(info.param.Name.substr(8));
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) {
                                     c = '_';
                                 }
                             }
                             return name;
                         });

class PresetFiles : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = dir_.File(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    TempDir dir_;
    FakeOptionTarget target_;
    LogCapture log_;
};

TEST_F(PresetFiles, ABareNameIsTriedWithTheCodecOfItsKind) {
    DispatchOption(target_, "vcodec", "libx264");
    DispatchOption(target_, "vpre", "default");
    int64_t gop = 0;
    av_opt_get_int(target_.contexts.CodecContext(AVMEDIA_TYPE_VIDEO), "g", 0, &gop);
    EXPECT_EQ(gop, 250);
    // "apre" with no audio codec falls to the subtitle codec, then the bare name
    EXPECT_FFMPEG_ERROR(DispatchOption(target_, "apre", "default"), "Preset \"default\" not found");
    EXPECT_FFMPEG_ERROR(DispatchOption(target_, "vpre", "nonexistent"), "Preset \"nonexistent\" not found");
}

TEST_F(PresetFiles, AFileIsReadWithAnyLineBreaksAndSelectsCodecs) {
    const std::string path = Write("my.ffpreset", "\r\n  g=48\r\n\r\nVCodec=mpeg4\rACODEC=mp2\n  bf = 2 \n");
    DispatchOption(target_, "fpre", path);
    EXPECT_EQ(target_.settings.VideoCodecName, "mpeg4");
    EXPECT_EQ(target_.settings.AudioCodecName, "mp2");
    int64_t gop = 0;
    int64_t bframes = 0;
    av_opt_get_int(target_.contexts.CodecContext(AVMEDIA_TYPE_VIDEO), "g", 0, &gop);
    av_opt_get_int(target_.contexts.CodecContext(AVMEDIA_TYPE_VIDEO), "bf", 0, &bframes);
    EXPECT_EQ(gop, 48);
    EXPECT_EQ(bframes, 2);
    // A built-in name never reaches the file system for "fpre".
    EXPECT_FFMPEG_ERROR(DispatchOption(target_, "fpre", "libx264-hq"), "Preset \"libx264-hq\" not found");
    // Other kinds fall back to a file when the name is not built in.
    DispatchOption(target_, "vpre", path);
}

TEST_F(PresetFiles, BadLinesRaiseWithThePresetName) {
    const std::string noValue = Write("a.ffpreset", "g=12\nbf=\n");
    EXPECT_FFMPEG_ERROR(DispatchOption(target_, "fpre", noValue), noValue + ": Invalid syntax: \"bf=\"");
    const std::string noKey = Write("b.ffpreset", "=3");
    EXPECT_FFMPEG_ERROR(DispatchOption(target_, "fpre", noKey), noKey + ": Invalid syntax: \"=3\"");
    const std::string noEquals = Write("c.ffpreset", "bframes");
    EXPECT_FFMPEG_ERROR(DispatchOption(target_, "fpre", noEquals),
                        noEquals + ": Invalid syntax: \"bframes\"");
    const std::string unknown = Write("d.ffpreset", "nosuchkey=1");
    EXPECT_FFMPEG_ERROR(DispatchOption(target_, "fpre", unknown),
                        unknown +
                            ": Invalid option or argument: \"nosuchkey=1\", parsed as \"nosuchkey\" = \"1\"");
    const std::string badValue = Write("e.ffpreset", "g = many");
    EXPECT_FFMPEG_ERROR(DispatchOption(target_, "fpre", badValue),
                        badValue +
                            ": Invalid option or argument: \"g = many\", parsed as \"g \" = \" many\"");
    EXPECT_FFMPEG_ERROR(DispatchOption(target_, "fpre", dir_.Path().string()),
                        "Preset \"" + dir_.Path().string() + "\" not found");
}

} // namespace
