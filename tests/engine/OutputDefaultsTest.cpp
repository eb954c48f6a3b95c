// The default list of an output and the extra streams built from it, and the
// record fields applied as options.
#include "options/OutputDefaults.h"
#include "ConverterTestSupport.h"
#include "SetupTestSupport.h"
#include "options/RecordOptions.h"

#include <ctime>

namespace {

TEST(OutputDefaultsTest, FieldsWinAndTheFirstNonEmptyLineFillsTheRest) {
    TOutputOptions options;
    InitOutputOptions(options);
    options.VideoCodec = "mpeg4";
    options.FrameSize = "48x32";
    options.ExtOptions = "VCODEC=libx264\r\nacodec=\nacodec=mp2<CRLF>acodec=pcm_s16le\n"
                         "vfilters=hflip\nab=64000\ns=32x24\nnewaudio=";
    TOutputDefaults defaults(options);

    struct Expected {
        const char* name;
        const char* value;
    };
    const Expected cases[] = {{"vcodec", "mpeg4"}, {"acodec", "mp2"}, {"scodec", ""}, {"s", "48x32"},
                              {"vf", "hflip"},     {"apre", ""},      {"vpre", ""}};
    for (const Expected& c : cases)
        EXPECT_EQ(defaults.Default(c.name), c.value) << c.name;

    // Every matching non-empty line is kept in order, "vfilters" as "vf".
    const std::vector<TOptionLine> kept{
        {"vcodec", "libx264"}, {"acodec", "mp2"}, {"acodec", "pcm_s16le"}, {"vf", "hflip"}, {"s", "32x24"}};
    EXPECT_EQ(defaults.Entries(), kept);

    // Extra streams take the remaining lines one by one, then the defaults.
    EXPECT_EQ(defaults.Take("acodec"), "mp2");
    EXPECT_EQ(defaults.Take("acodec"), "pcm_s16le");
    EXPECT_EQ(defaults.Take("acodec"), "mp2");
    EXPECT_EQ(defaults.Take("vcodec"), "libx264");
    EXPECT_EQ(defaults.Take("vcodec"), "mpeg4");
    EXPECT_EQ(defaults.Take("spre"), "");
}

TEST(RecordOptionsTest, DurationTextAndDateConversion) {
    const std::pair<int64_t, const char*> durations[] = {
        {0, "0.000000"}, {1500000, "1.500000"}, {-1, "-0.000001"}, {3600000000LL, "3600.000000"}};
    for (const auto& [us, text] : durations)
        EXPECT_EQ(DurationOptionText(us), text);

    tzset();
    // 1970-01-01 00:00 local standard time is `timezone` seconds after the epoch.
    EXPECT_EQ(DateTimeToUnixSeconds(25569.0), static_cast<int64_t>(timezone));
    EXPECT_EQ(DateTimeToUnixSeconds(25570.5) - DateTimeToUnixSeconds(25569.0), 86400 + 43200);
}

TEST_F(ConverterTest, ExtraStreamsTakeTheirOwnLinesAndTheMainStreamsTheDefaults) {
    const int index = conv.AddTask(Clip("in.avi", VideoAndAudioClip(0.2)));
    ASSERT_EQ(index, 0) << conv.LastError();
    TOutputOptions options;
    InitOutputOptions(options);
    options.VideoCodec = "mpeg4";
    options.AudioCodec = "mp2";
    options.FrameSize = "48x32";
    options.ExtOptions = "s=32x24\nacodec=pcm_s16le\nnewvideo=\nnewaudio=\nnewvideo=";
    ASSERT_TRUE(conv.SetOutputFile(index, dir.File("out.mkv"), options)) << conv.LastError();

    const TOutputFile& output = conv.Tasks().Items(index).Output(0);
    struct Stream {
        AVMediaType type;
        const char* codec;
        int width;
    };
    // Main video and audio, then the extra streams in line order. The second
    // extra video finds no "s" line left and takes the default size.
    const Stream expected[] = {{AVMEDIA_TYPE_VIDEO, "mpeg4", 48},
                               {AVMEDIA_TYPE_AUDIO, "mp2", 0},
                               {AVMEDIA_TYPE_VIDEO, "mpeg4", 32},
                               {AVMEDIA_TYPE_AUDIO, "pcm_s16le", 0},
                               {AVMEDIA_TYPE_VIDEO, "mpeg4", 48}};
    ASSERT_EQ(output.Streams.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        const AVCodecContext* codec = output.Streams[i].Codec.get();
        ASSERT_NE(codec, nullptr);
        EXPECT_EQ(codec->codec_type, expected[i].type);
        ASSERT_NE(output.Streams[i].Encoder, nullptr);
        EXPECT_STREQ(output.Streams[i].Encoder->name, expected[i].codec);
        if (expected[i].type == AVMEDIA_TYPE_VIDEO) {
            EXPECT_EQ(codec->width, expected[i].width);
        }
    }
}

TEST_F(ConverterTest, OutputFieldsReachTheTask) {
    const int index = conv.AddTask(Clip("in.avi", VideoAndAudioClip(0.2)));
    TOutputOptions options;
    InitOutputOptions(options);
    options.VideoCodec = "mpeg4";
    options.AudioCodec = "mp2";
    options.AudioSampleRate = 22050;
    options.AudioChannels = 1;
    options.VideoBitrate = 300000;
    options.Duration = 100000;
    options.Info.Title = "Vantoro";
    ASSERT_TRUE(conv.SetOutputFile(index, dir.File("out.avi"), options)) << conv.LastError();
    const TOutputFile& output = conv.Tasks().Items(index).Output(0);
    ASSERT_EQ(output.Streams.size(), 2u);
    EXPECT_EQ(output.Streams[0].Codec->bit_rate, 300000);
    EXPECT_EQ(output.Streams[1].Codec->sample_rate, 22050);
    EXPECT_EQ(output.Streams[1].Codec->ch_layout.nb_channels, 1);
    conv.StartTask(0);
    ReadBackPtr out = ReadBack(dir.File("out.avi"));
    ASSERT_TRUE(out);
    EXPECT_NEAR(out->duration / 1e6, 0.1, 0.06);
    const AVDictionaryEntry* title = av_dict_get(out->metadata, "title", nullptr, 0);
    ASSERT_NE(title, nullptr);
    EXPECT_STREQ(title->value, "Vantoro");
}

} // namespace
