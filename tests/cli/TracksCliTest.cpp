// The track picks on the command line: "convert --audio-track N" and
// "--subtitles none|keep|burn [--subtitle-track N]", their usage errors, and
// a file whose tracks cannot meet the pick failing with the reason.
#include "CliTest.h"
#include "fixtures/FixtureMaker.h"
#include "media/FFmpegLoader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

constexpr const char* MkvProfile = "509";
constexpr const char* Mp4Profile = "500";

// The language of each stream of `kind` in a written file.
std::vector<std::string> Languages(const std::string& path, AVMediaType kind,
                                   std::vector<std::string>* codecs = nullptr) {
    std::vector<std::string> languages;
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0)
        return languages;
    avformat_find_stream_info(ctx, nullptr);
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream* st = ctx->streams[i];
        if (st->codecpar->codec_type != kind)
            continue;
        const AVDictionaryEntry* language = av_dict_get(st->metadata, "language", nullptr, 0);
        languages.push_back(language ? language->value : "");
        if (codecs)
            codecs->push_back(avcodec_get_name(st->codecpar->codec_id));
    }
    avformat_close_input(&ctx);
    return languages;
}

class TracksCliTest : public CliTest {
protected:
    static void SetUpTestSuite() {
        CliTest::SetUpTestSuite();
        ClipSpec spec = VideoAndAudioClip(0.6);
        AudioTrackSpec chinese;
        chinese.Metadata = {{"language", "chi"}};
        AudioTrackSpec english;
        english.ToneHz = 1000.0;
        english.Metadata = {{"language", "eng"}};
        spec.Audio = {chinese, english};
        SubtitleTrackSpec subtitles;
        subtitles.Codec = "subrip";
        subtitles.CuesUs = {{0, 500000}};
        subtitles.Metadata = {{"language", "chi"}};
        spec.Subtitles = {subtitles};
        MakeClip(Clip("film.mkv"), spec);
    }
    CliResult Convert(const char* profile, const Args& picks) const {
        Args args{"convert", "--profile", profile, "--output-dir", Out(""), "--overwrite"};
        args.insert(args.end(), picks.begin(), picks.end());
        args.push_back(Clip("film.mkv"));
        return RunCliPrivately(args, dir.Path());
    }
};

TEST_F(TracksCliTest, RefusesTrackArgumentsItCannotRead) {
    const Args cases[] = {
        {"--audio-track", "0"}, {"--audio-track", "two"},  {"--subtitle-track", "-1", "--subtitles", "keep"},
        {"--subtitles", "all"}, {"--subtitle-track", "1"}, {"--subtitles", "none", "--subtitle-track", "1"},
    };
    for (const Args& picks : cases) {
        SCOPED_TRACE(picks.front() + " " + picks[1]);
        const CliResult result = Convert(MkvProfile, picks);
        EXPECT_EQ(result.status, 2) << result.err;
        EXPECT_FALSE(fs::exists(Out("film.mkv")));
    }
}

TEST_F(TracksCliTest, ConvertsThePickedAudioTrackAndKeepsSubtitlesWhereAsked) {
    CliResult result = Convert(MkvProfile, {"--audio-track", "2", "--subtitles", "keep"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Languages(Out("film.mkv"), AVMEDIA_TYPE_AUDIO), std::vector<std::string>{"eng"});
    std::vector<std::string> codecs;
    EXPECT_EQ(Languages(Out("film.mkv"), AVMEDIA_TYPE_SUBTITLE, &codecs), std::vector<std::string>{"chi"});
    EXPECT_EQ(codecs, std::vector<std::string>{"subrip"});

    result = Convert(Mp4Profile, {"--subtitles", "keep", "--subtitle-track", "1"});
    ASSERT_EQ(result.status, 0) << result.err;
    codecs.clear();
    EXPECT_EQ(Languages(Out("film.mp4"), AVMEDIA_TYPE_AUDIO), std::vector<std::string>{"chi"});
    EXPECT_EQ(Languages(Out("film.mp4"), AVMEDIA_TYPE_SUBTITLE, &codecs), std::vector<std::string>{"chi"});
    EXPECT_EQ(codecs, std::vector<std::string>{"mov_text"});

    // By default subtitles stay out, even where the container would take them.
    result = Convert(MkvProfile, {});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(Languages(Out("film.mkv"), AVMEDIA_TYPE_SUBTITLE).empty());
}

TEST_F(TracksCliTest, AFileWithoutThePickedTrackFailsWithTheReason) {
    struct Case {
        Args Picks;
        const char* Reason;
    };
    for (const Case& c : {Case{{"--audio-track", "3"}, "no audio track 3"},
                          Case{{"--subtitles", "burn", "--subtitle-track", "2"}, "no subtitle track 2"}}) {
        SCOPED_TRACE(c.Reason);
        const CliResult result = Convert(MkvProfile, c.Picks);
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find(c.Reason), std::string::npos) << result.err;
    }
}

} // namespace
