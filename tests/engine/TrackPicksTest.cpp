// The track picks of a task: which audio track is converted, which subtitle
// track is kept in which codec, which one is drawn into the pictures, and the
// clear failures when a pick cannot be met; languages and titles carried over.
#include "DecodedOutput.h"
#include "SetupTestSupport.h"

#include <cmath>
#include <cstdlib>

extern "C" {
#include <libavutil/dict.h>
}

namespace {

constexpr double LowTone = 440.0;
constexpr double HighTone = 1500.0;

// Two tones in two languages; `secondDefault` marks the second as the one to play.
ClipSpec TwoLanguageClip(bool secondDefault) {
    ClipSpec spec = VideoAndAudioClip(1.0);
    AudioTrackSpec chinese;
    chinese.ToneHz = LowTone;
    chinese.Metadata = {{"language", "chi"}, {"title", "国语"}};
    AudioTrackSpec english;
    english.ToneHz = HighTone;
    english.Metadata = {{"language", "eng"}, {"title", "English"}};
    if (secondDefault)
        english.Disposition = AV_DISPOSITION_DEFAULT;
    spec.Audio = {chinese, english};
    return spec;
}

// A clip with one subtitle track of `codec` shown over its whole second.
ClipSpec SubtitledClip(const std::string& codec) {
    ClipSpec spec = VideoAndAudioClip(1.0);
    VideoTrackSpec& video = spec.Video.front();
    video.FlatLuma = 60;
    // Room for the text renderer's letters.
    video.Width = 320;
    video.Height = 240;
    SubtitleTrackSpec subtitles;
    subtitles.Codec = codec;
    subtitles.CuesUs = {{0, 1000000}};
    subtitles.Metadata = {{"language", "eng"}};
    spec.Subtitles = {subtitles};
    return spec;
}

// The tone's pitch from the zero crossings of the first channel.
double ToneOf(const std::vector<int16_t>& interleaved, int channels, int sampleRate) {
    int crossings = 0;
    size_t frames = interleaved.size() / static_cast<size_t>(channels);
    for (size_t i = 1; i < frames; ++i)
        if ((interleaved[(i - 1) * channels] < 0) != (interleaved[i * channels] < 0))
            ++crossings;
    return frames ? crossings / 2.0 * sampleRate / static_cast<double>(frames) : 0.0;
}

std::string MetadataOf(const AVStream* st, const char* key) {
    const AVDictionaryEntry* entry = av_dict_get(st->metadata, key, nullptr, 0);
    return entry ? entry->value : "";
}

const AVStream* FirstStreamOf(const AVFormatContext* ctx, AVMediaType type) {
    for (unsigned i = 0; i < ctx->nb_streams; ++i)
        if (ctx->streams[i]->codecpar->codec_type == type)
            return ctx->streams[i];
    return nullptr;
}

using TrackPicksTest = SetupTest;

struct AudioPickCase {
    const char* Name;
    bool SecondDefault;
    const char* Track; // "atrack" value; empty: none
    double Tone;
};

TEST_F(TrackPicksTest, ConvertsThePickedAudioTrackOrTheSourcesDefault) {
    const AudioPickCase cases[] = {
        {"no pick, first is default", false, "", LowTone},
        {"no pick, second is default", true, "", HighTone},
        {"second picked", false, "2", HighTone},
        {"first picked over the default second", true, "1", LowTone},
    };
    for (const AudioPickCase& c : cases) {
        SCOPED_TRACE(c.Name);
        task.ResetEngineState();
        OpenInput(Clip(c.SecondDefault ? "default2.mkv" : "default1.mkv", TwoLanguageClip(c.SecondDefault)));
        const std::string path =
            dir.File(std::string("audio-") + c.Track + (c.SecondDefault ? "d2" : "d1") + ".mkv");
        TOptionList options{{"vcodec", "mpeg4"}, {"acodec", "pcm_s16le"}, {"ac", "1"}, {"ar", "44100"}};
        if (*c.Track)
            options.emplace_back("atrack", c.Track);
        OpenOutput(path, options);
        RunToEnd();
        const double tone = ToneOf(SamplesOf(path), 1, 44100);
        EXPECT_NEAR(tone, c.Tone, c.Tone * 0.05);
        ReadBackPtr out = ReadBack(path);
        ASSERT_TRUE(out);
        const AVStream* audio = FirstStreamOf(out.get(), AVMEDIA_TYPE_AUDIO);
        ASSERT_NE(audio, nullptr);
        EXPECT_EQ(MetadataOf(audio, "language"), c.Tone == LowTone ? "chi" : "eng");
    }
}

struct FailingPickCase {
    const char* Name;
    const char* Source; // fixture: "two" two audio tracks, "dvd" a picture subtitle, "srt" a text one
    const char* Output;
    TOptionList Options;
    const char* Message;
};

TEST_F(TrackPicksTest, APickThatCannotBeMetFailsTheOutputWithItsReason) {
    const FailingPickCase cases[] = {
        {"audio track beyond the source's", "two", "a.mkv", {{"atrack", "3"}}, "no audio track 3 (it has 2)"},
        {"subtitle track beyond the source's",
         "srt",
         "b.mkv",
         {{"keepsub", "2"}},
         "no subtitle track 2 (it has 1)"},
        {"keep without subtitles", "two", "c.mkv", {{"keepsub", "0"}}, "no subtitle track"},
        {"pictures into MP4",
         "dvd",
         "d.mp4",
         {{"keepsub", "0"}},
         "mp4 container cannot hold picture subtitles"},
        {"text into AVI", "srt", "e.avi", {{"keepsub", "1"}}, "avi container cannot hold text subtitles"},
        {"text into a program stream", "srt", "f.mpg", {{"keepsub", "1"}}, "cannot hold text subtitles"},
        {"burn into sound only", "dvd", "g.wav", {{"burnsub", "1"}}, "without pictures"},
    };
    for (const FailingPickCase& c : cases) {
        SCOPED_TRACE(c.Name);
        task.ResetEngineState();
        const std::string source = c.Source;
        const std::string input = source == "two"   ? Clip("two.mkv", TwoLanguageClip(false))
                                  : source == "dvd" ? Clip("dvd.mkv", SubtitledClip("dvdsub"))
                                                    : Clip("srt.mkv", SubtitledClip("subrip"));
        OpenInput(input);
        Apply(c.Options);
        EXPECT_LT(task.OpenOutputFile(dir.File(c.Output)), 0);
        EXPECT_NE(task.ErrorText().find(c.Message), std::string::npos) << task.ErrorText();
        task.ReleaseEngineState();
    }
}

struct KeepCase {
    const char* Name;
    const char* SourceCodec;
    const char* Output;
    const char* KeptCodec; // as read back
};

TEST_F(TrackPicksTest, KeepsTheSubtitleTrackInTheContainersCodecWithItsLanguage) {
    const KeepCase cases[] = {
        {"text into MKV", "subrip", "t.mkv", "subrip"},
        {"styled text into MKV", "ass", "s.mkv", "ass"},
        {"text into MP4", "subrip", "t.mp4", "mov_text"},
        {"text into MOV", "ass", "t.mov", "mov_text"},
        {"pictures into MKV", "dvdsub", "p.mkv", "dvd_subtitle"},
        {"pictures into a program stream", "dvdsub", "p.mpg", "dvd_subtitle"},
        {"pictures into VOB", "dvdsub", "p.vob", "dvd_subtitle"},
    };
    for (const KeepCase& c : cases) {
        SCOPED_TRACE(c.Name);
        task.ResetEngineState();
        OpenInput(Clip(std::string("keep-") + c.SourceCodec + ".mkv", SubtitledClip(c.SourceCodec)));
        const std::string path = dir.File(c.Output);
        const std::string output = c.Output;
        TOptionList options{{"keepsub", "0"}};
        if (output.ends_with(".mpg") || output.ends_with(".vob"))
            options.insert(options.end(), {{"vcodec", "mpeg2video"}, {"acodec", "mp2"}});
        else
            options.insert(options.end(), {{"vcodec", "mpeg4"}, {"acodec", "aac"}});
        OpenOutput(path, options);
        RunToEnd();
        ReadBackPtr out = ReadBack(path);
        ASSERT_TRUE(out);
        const AVStream* subtitle = FirstStreamOf(out.get(), AVMEDIA_TYPE_SUBTITLE);
        ASSERT_NE(subtitle, nullptr);
        EXPECT_STREQ(avcodec_get_name(subtitle->codecpar->codec_id), c.KeptCodec);
        if (output.ends_with(".mkv") || output.ends_with(".mp4") || output.ends_with(".mov")) {
            // a program stream has no place for languages
            EXPECT_EQ(MetadataOf(subtitle, "language"), "eng");
        }
    }
}

TEST_F(TrackPicksTest, WithoutAPickNoSubtitleStreamIsWrittenWhenDisabled) {
    OpenInput(Clip("keep-subrip.mkv", SubtitledClip("subrip")));
    const std::string path = dir.File("none.mkv");
    OpenOutput(path, {{"vcodec", "mpeg4"}, {"acodec", "aac"}, {"sn", "1"}});
    RunToEnd();
    ReadBackPtr out = ReadBack(path);
    ASSERT_TRUE(out);
    EXPECT_EQ(FirstStreamOf(out.get(), AVMEDIA_TYPE_SUBTITLE), nullptr);
}

// The largest luma difference of two pictures over rows `from` to `to`.
int LargestDifference(const TLumaPlane& a, const TLumaPlane& b, int from, int to) {
    int largest = 0;
    for (int y = from; y < to; ++y)
        for (int x = 0; x < a.Width; ++x)
            largest = std::max(largest, std::abs(a.At(x, y) - b.At(x, y)));
    return largest;
}

// Picture `number` of the file's video, counted from 0.
TLumaPlane PictureOf(const std::string& path, int number) {
    TLumaPlane picture;
    int seen = 0;
    DecodeWholeFile(path, [&](int, const AVFrame& frame) {
        if (frame.width > 0 && seen++ == number)
            picture = LumaOf(frame);
    });
    return picture;
}

TEST_F(TrackPicksTest, BurningDrawsTheSubtitleWhereItShowsAndNowhereElse) {
    for (const char* codec : {"dvdsub", "subrip"}) {
        SCOPED_TRACE(codec);
        const std::string input = Clip(std::string("burn-") + codec + ".mkv", SubtitledClip(codec));
        TLumaPlane plain, burned;
        for (bool burn : {false, true}) {
            task.ResetEngineState();
            OpenInput(input);
            const std::string path = dir.File(std::string("burn-") + codec + (burn ? "-on.mkv" : "-off.mkv"));
            TOptionList options{{"vcodec", "mpeg4"}, {"qscale", "2"}, {"acodec", "aac"}, {"sn", "1"}};
            if (burn)
                options.emplace_back("burnsub", "1");
            OpenOutput(path, options);
            RunToEnd();
            // Halfway: the subtitle is on screen whichever packet came first.
            (burn ? burned : plain) = PictureOf(path, 12);
        }
        ASSERT_FALSE(plain.Pixels.empty());
        ASSERT_EQ(plain.Width, burned.Width);
        // The fixture's subtitles sit in the lower third; the sky stays as it was.
        EXPECT_GT(LargestDifference(plain, burned, plain.Height * 2 / 3, plain.Height), 40);
        EXPECT_LE(LargestDifference(plain, burned, 0, plain.Height / 3), 2);
    }
}

struct LanguageCase {
    const char* Output;
    TOptionList Options;
    bool Language;        // the container can carry a track's language
    const char* TitleKey; // where its title comes back; nullptr: nowhere
};

TEST_F(TrackPicksTest, LanguagesAndTitlesReachContainersThatHoldThem) {
    const LanguageCase cases[] = {
        {"l.mkv", {{"vcodec", "mpeg4"}, {"acodec", "mp2"}}, true, "title"},
        {"l.mp4", {{"vcodec", "mpeg4"}, {"acodec", "aac"}}, true, "handler_name"},
        {"l.mov", {{"vcodec", "mpeg4"}, {"acodec", "aac"}}, true, "handler_name"},
        {"l.avi", {{"vcodec", "mpeg4"}, {"acodec", "mp2"}}, false, "title"},
        {"l.flv", {{"vcodec", "flv"}, {"acodec", "libmp3lame"}, {"ar", "44100"}}, false, nullptr},
    };
    const std::string input = Clip("lang.mkv", TwoLanguageClip(true));
    for (const LanguageCase& c : cases) {
        SCOPED_TRACE(c.Output);
        task.ResetEngineState();
        OpenInput(input);
        const std::string path = dir.File(c.Output);
        OpenOutput(path, c.Options);
        RunToEnd();
        ReadBackPtr out = ReadBack(path);
        ASSERT_TRUE(out);
        const AVStream* audio = FirstStreamOf(out.get(), AVMEDIA_TYPE_AUDIO);
        ASSERT_NE(audio, nullptr);
        if (c.Language) {
            EXPECT_EQ(MetadataOf(audio, "language"), "eng");
        }
        if (c.TitleKey) {
            EXPECT_EQ(MetadataOf(audio, c.TitleKey), "English");
        }
    }
}

} // namespace
