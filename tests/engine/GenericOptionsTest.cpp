#include "media/GenericOptions.h"
#include "media/LegacyOptions.h"
#include "media/LibraryPointers.h"

#include "OptionTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {

using CodecContextPtr = PlainCodecContextPtr;

int64_t IntOf(void* object, const char* name) {
    int64_t value = -12345;
    av_opt_get_int(object, name, 0, &value);
    return value;
}

std::string TextOf(void* object, const char* name) {
    uint8_t* text = nullptr;
    if (av_opt_get(object, name, 0, &text) < 0) {
        return "<missing>";
    }
    std::string result(reinterpret_cast<char*>(text));
    av_free(text);
    return result;
}

const TStoredOption* Stored(const OptionContextSet& set, const std::string& name) {
    for (const TStoredOption& option : set.Options()) {
        if (option.Name == name) {
            return &option;
        }
    }
    return nullptr;
}

struct SetCase {
    const char* Name;
    const char* Value;
    bool Accepted;
    std::function<void(const OptionContextSet&)> Check;
};

const SetCase SetCases[] = {
    {"g", "12", true,
     [](const OptionContextSet& s) {
         EXPECT_EQ(IntOf(s.CodecContext(AVMEDIA_TYPE_VIDEO), "g"), 12);
         ASSERT_NE(Stored(s, "g"), nullptr);
         EXPECT_EQ(Stored(s, "g")->Scope, osCodec);
     }},
    {"  g ", " 13\t", true,
     [](const OptionContextSet& s) { EXPECT_EQ(IntOf(s.CodecContext(AVMEDIA_TYPE_VIDEO), "g"), 13); }},
    {"", "1", false, nullptr},
    {"g", "", false, nullptr},
    {"g", "   ", false, nullptr},
    {"nosuchoption", "1", false, nullptr},
    {"g", "abc", false, nullptr},
    {"ar", "22050", true,
     [](const OptionContextSet& s) { EXPECT_EQ(s.CodecContext(AVMEDIA_TYPE_AUDIO)->sample_rate, 22050); }},
    // a leading "v" is tried off the name on the video context; the option's own name is kept
    {"vb", "900000", true,
     [](const OptionContextSet& s) {
         EXPECT_EQ(s.CodecContext(AVMEDIA_TYPE_VIDEO)->bit_rate, 900000);
         EXPECT_NE(Stored(s, "b"), nullptr);
     }},
    {"packetsize", "2324", true,
     [](const OptionContextSet& s) {
         EXPECT_EQ(s.FormatContext()->packet_size, 2324u);
         EXPECT_EQ(Stored(s, "packetsize")->Scope, osFormat);
     }},
    {"sws_flags", "lanczos", true,
     [](const OptionContextSet& s) { EXPECT_EQ(s.ScalerFlags(), SWS_LANCZOS); }},
    // options that live in an encoder's or muxer's private table today
    {"crf", "23", true,
     [](const OptionContextSet& s) {
         ASSERT_NE(Stored(s, "crf"), nullptr);
         EXPECT_EQ(Stored(s, "crf")->Scope, osPrivate);
         EXPECT_EQ(Stored(s, "crf")->Value, "23");
     }},
    {"crf", "lots", false, nullptr},
    {"muxrate", "1411200", true,
     [](const OptionContextSet& s) { EXPECT_EQ(Stored(s, "muxrate")->Scope, osPrivate); }},
    // names and values of the older libraries
    {"flags2", "+dct8x8-mbtree", true,
     [](const OptionContextSet& s) {
         EXPECT_EQ(Stored(s, "8x8dct")->Value, "1");
         EXPECT_EQ(Stored(s, "mbtree")->Value, "0");
         EXPECT_EQ(Stored(s, "flags2"), nullptr);
     }},
    {"flags", "+loop+scan_offset", true,
     [](const OptionContextSet& s) {
         EXPECT_NE(s.CodecContext(AVMEDIA_TYPE_VIDEO)->flags & AV_CODEC_FLAG_LOOP_FILTER, 0);
         EXPECT_EQ(Stored(s, "scan_offset")->Value, "1");
     }},
    {"flags2", "+fast", true,
     [](const OptionContextSet& s) {
         EXPECT_NE(s.CodecContext(AVMEDIA_TYPE_VIDEO)->flags2 & AV_CODEC_FLAG2_FAST, 0);
     }},
    {"directpred", "3", true,
     [](const OptionContextSet& s) { EXPECT_EQ(Stored(s, "direct-pred")->Value, "3"); }},
    {"cqp", "0", true, [](const OptionContextSet& s) { EXPECT_EQ(Stored(s, "qp")->Value, "0"); }},
    {"partitions", "-parti8x8+parti4x4+partp8x8", true,
     [](const OptionContextSet& s) { EXPECT_EQ(Stored(s, "partitions")->Value, "i4x4,p8x8"); }},
    {"partitions", "-parti8x8-parti4x4", true,
     [](const OptionContextSet& s) { EXPECT_EQ(Stored(s, "partitions")->Value, "none"); }},
    {"partitions", "i8x8,b8x8", true,
     [](const OptionContextSet& s) { EXPECT_EQ(Stored(s, "partitions")->Value, "i8x8,b8x8"); }},
    // no current equivalent: warned about, and not a failure
    {"flags2", "+sgop", true, [](const OptionContextSet& s) { EXPECT_TRUE(s.Options().empty()); }},
    {"antialias", "1", true, [](const OptionContextSet& s) { EXPECT_TRUE(s.Options().empty()); }},
};

class SetGenericOptionTest : public ::testing::TestWithParam<SetCase> {};

TEST_P(SetGenericOptionTest, AcceptsOrRefuses) {
    const SetCase& c = GetParam();
    OptionContextSet set;
    LogCapture log;
    EXPECT_EQ(SetGenericOption(set, c.Name, c.Value), c.Accepted);
    if (c.Check) {
        c.Check(set);
    }
    if (c.Accepted) {
        EXPECT_FALSE(log.HasAny("Invalid value"));
    } else {
        EXPECT_TRUE(set.Options().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Table, SetGenericOptionTest, ::testing::ValuesIn(SetCases));

TEST(SetGenericOption, ReportsOnlyInvalidValues) {
    OptionContextSet set;
    LogCapture log;
    EXPECT_FALSE(SetGenericOption(set, "nosuchoption", "1"));
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_FALSE(SetGenericOption(set, "g", "abc"));
    EXPECT_TRUE(log.Has(llError, "Invalid value \"abc\" for option \"g\""));
    EXPECT_FALSE(SetGenericOption(set, "mbtree", "maybe")); // a private option refuses too
    EXPECT_TRUE(log.Has(llError, "Invalid value \"maybe\" for option \"mbtree\""));
    log.Clear();
    EXPECT_TRUE(SetGenericOption(set, "flags2", "+sgop+fast"));
    EXPECT_TRUE(log.Has(llWarning, "flags2=+sgop"));
}

TEST(SetGenericOption, RelativePartitionsAddToEarlierOnes) {
    OptionContextSet set;
    ASSERT_TRUE(SetGenericOption(set, "partitions", "+parti8x8"));
    ASSERT_TRUE(SetGenericOption(set, "partitions", "+partb8x8"));
    EXPECT_EQ(set.Options().back().Value, "i8x8,b8x8");
    ASSERT_TRUE(SetGenericOption(set, "partitions", "partp8x8")); // a bare value replaces
    EXPECT_EQ(set.Options().back().Value, "p8x8");
}

TEST(SetGenericOption, DebugRaisesTheLogLevel) {
    OptionContextSet set;
    LogCapture log; // restores the level afterwards
    GetLogger().SetLogLevel(llInfo);
    ASSERT_TRUE(SetGenericOption(set, "g", "10"));
    EXPECT_EQ(GetLogger().LogLevel(), llInfo);
    ASSERT_TRUE(SetGenericOption(set, "debug", "mb_type"));
    EXPECT_EQ(GetLogger().LogLevel(), llDebug);
}

TEST(OptionContexts, FreeAndInitStartOver) {
    OptionContextSet set(SWS_BICUBIC);
    EXPECT_EQ(set.ScalerFlags(), SWS_BICUBIC);
    ASSERT_TRUE(SetGenericOption(set, "g", "10"));
    FreeOptionContexts(set);
    EXPECT_EQ(set.CodecContext(AVMEDIA_TYPE_VIDEO), nullptr);
    EXPECT_TRUE(set.Options().empty());
    EXPECT_FALSE(SetGenericOption(set, "g", "10"));
    InitOptionContexts(set, SWS_BILINEAR);
    EXPECT_EQ(set.ScalerFlags(), SWS_BILINEAR);
    for (AVMediaType type : {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_DATA, AVMEDIA_TYPE_SUBTITLE,
                             AVMEDIA_TYPE_ATTACHMENT}) {
        ASSERT_NE(set.CodecContext(type), nullptr);
        EXPECT_EQ(set.CodecContext(type)->codec_type, type);
    }
    EXPECT_EQ(IntOf(set.CodecContext(AVMEDIA_TYPE_VIDEO), "g"), 12); // the library's default again
}

class ApplyStoredOptionsTest : public ::testing::Test {
protected:
    void Set(const char* name, const char* value) {
        ASSERT_TRUE(SetGenericOption(set_, name, value)) << name;
    }
    OptionContextSet set_;
    LogCapture log_;
};

// "ab" before "b": a profile gives both, and the video rate must not reach an audio encoder.
TEST_F(ApplyStoredOptionsTest, CodecOptionsNeedTheRequiredFlags) {
    Set("g", "33");
    Set("ab", "96000");
    Set("ar", "22050");
    Set("b", "700000");
    const AVCodec* mpeg4 = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    const AVCodec* mp2 = avcodec_find_encoder(AV_CODEC_ID_MP2);
    CodecContextPtr video(avcodec_alloc_context3(mpeg4));
    CodecContextPtr audio(avcodec_alloc_context3(mp2));
    ApplyStoredOptions(set_, video.get(), AVMEDIA_TYPE_VIDEO, mpeg4, 17, nullptr);
    ApplyStoredOptions(set_, audio.get(), AVMEDIA_TYPE_AUDIO, mp2, 9, nullptr);
    EXPECT_EQ(video->gop_size, 33);
    EXPECT_EQ(video->bit_rate, 700000);
    EXPECT_EQ(audio->bit_rate, 96000);
    EXPECT_EQ(audio->sample_rate, 22050);
    EXPECT_NE(audio->gop_size, 33); // a video option is not copied to audio
    // "b" is the video rate, as it always was, though today's library also lets it set audio.
    EXPECT_EQ(set_.CodecContext(AVMEDIA_TYPE_AUDIO)->bit_rate, 96000);
    // Decoding needs the decoding flag: "g" is an encoding option only.
    CodecContextPtr decoder(avcodec_alloc_context3(nullptr));
    ApplyStoredOptions(set_, decoder.get(), AVMEDIA_TYPE_VIDEO, nullptr, 18, nullptr);
    EXPECT_NE(decoder->gop_size, 33);
}

TEST_F(ApplyStoredOptionsTest, PrivateOptionsReachOnlyTheEncoderThatHasThem) {
    Set("crf", "30");
    Set("me_method", "umh");
    Set("flags", "+scan_offset"); // mpeg2video's, not x264's
    Set("flags", "+naq");
    Set("flags", "+mv0");
    const AVCodec* x264 = avcodec_find_encoder_by_name("libx264");
    ASSERT_NE(x264, nullptr);

    // Without private data of its own the options go to the dictionary for the open call.
    CodecContextPtr later(avcodec_alloc_context3(nullptr));
    DictionaryHolder options;
    ApplyStoredOptions(set_, later.get(), AVMEDIA_TYPE_VIDEO, x264, 17, options.Address());
    ASSERT_EQ(av_dict_count(options.Get()), 2);
    EXPECT_STREQ(av_dict_get(options.Get(), "crf", nullptr, 0)->value, "30");
    EXPECT_STREQ(av_dict_get(options.Get(), "me_method", nullptr, 0)->value, "umh");

    // With its private data the options are set at once.
    CodecContextPtr now(avcodec_alloc_context3(x264));
    ApplyStoredOptions(set_, now.get(), AVMEDIA_TYPE_VIDEO, nullptr, 17, nullptr);
    EXPECT_EQ(TextOf(now->priv_data, "crf"), "30.000000");
    EXPECT_EQ(IntOf(now->priv_data, "motion-est"), 2);

    // Relative flag values add up in the dictionary as they would on the object.
    const AVCodec* mpeg2 = avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO);
    CodecContextPtr context(avcodec_alloc_context3(nullptr));
    DictionaryHolder relative;
    ApplyStoredOptions(set_, context.get(), AVMEDIA_TYPE_VIDEO, mpeg2, 17, relative.Address());
    ASSERT_NE(av_dict_get(relative.Get(), "mpv_flags", nullptr, 0), nullptr);
    EXPECT_STREQ(av_dict_get(relative.Get(), "mpv_flags", nullptr, 0)->value, "+naq+mv0");
    EXPECT_STREQ(av_dict_get(relative.Get(), "scan_offset", nullptr, 0)->value, "1");
    EXPECT_EQ(av_dict_get(relative.Get(), "crf", nullptr, 0), nullptr);
}

TEST_F(ApplyStoredOptionsTest, ContainerAndScalerOptions) {
    Set("packetsize", "2048");
    Set("movflags", "+faststart");
    Set("sws_flags", "area");
    AVFormatContext* raw = nullptr;
    ASSERT_GE(avformat_alloc_output_context2(&raw, nullptr, "mp4", nullptr), 0);
    FormatContextPtr mp4(raw);
    ApplyStoredOptions(set_, mp4.get(), AV_OPT_FLAG_ENCODING_PARAM, nullptr);
    EXPECT_EQ(mp4->packet_size, 2048u);
    EXPECT_NE(IntOf(mp4->priv_data, "movflags") & 128 /* faststart */, 0);

    SwsPtr scaler(sws_alloc_context());
    ApplyStoredOptions(set_, scaler.get(), 0);
    EXPECT_EQ(IntOf(scaler.get(), "sws_flags"), SWS_AREA);
}

TEST(LegacyOptions, EveryTranslationIsTakenByTodaysLibraries) {
    LogCapture log;
    for (const TLegacyFlag& flag : LegacyFlags()) {
        SCOPED_TRACE(std::string(flag.Option) + " " + std::string(flag.Token));
        // the old token is unknown to today's flags, else it needs no translation
        OptionContextSet set;
        const AVOption* old =
            av_opt_find(set.CodecContext(AVMEDIA_TYPE_VIDEO), std::string(flag.Token).c_str(),
                        std::string(flag.Option).c_str(), 0, 0);
        EXPECT_EQ(old, nullptr);
        log.Clear();
        EXPECT_TRUE(SetGenericOption(set, std::string(flag.Option), "+" + std::string(flag.Token)));
        EXPECT_TRUE(SetGenericOption(set, std::string(flag.Option), "-" + std::string(flag.Token)));
        EXPECT_FALSE(log.HasAny("Invalid value"));
        EXPECT_EQ(log.HasAny("no equivalent"), flag.NewName.empty());
    }
    for (const TLegacyRename& rename : LegacyRenames()) {
        OptionContextSet set;
        EXPECT_FALSE(SetGenericOption(set, std::string(rename.OldName) + "_x", "1"));
        EXPECT_TRUE(SetGenericOption(set, std::string(rename.OldName), "1")) << rename.OldName;
        EXPECT_EQ(set.Options().back().Name, rename.NewName);
    }
    for (const TLegacyPartition& partition : LegacyPartitions()) {
        OptionContextSet set;
        EXPECT_TRUE(SetGenericOption(set, "partitions", "+" + std::string(partition.Token)));
        EXPECT_EQ(set.Options().back().Value, partition.X264Name);
    }
    for (std::string_view dropped : LegacyDroppedOptions()) {
        // still nowhere today, so the warning is right
        const AVClass* codecClass = avcodec_get_class();
        EXPECT_EQ(av_opt_find2(&codecClass, std::string(dropped).c_str(), nullptr, 0,
                               AV_OPT_SEARCH_CHILDREN | AV_OPT_SEARCH_FAKE_OBJ, nullptr),
                  nullptr)
            << dropped;
    }
}

} // namespace
