#include "media/ProbeFormatReport.h"

#include "fixtures/FixtureMaker.h"
#include "media/AVProbe.h"
#include "media/FFmpegLoader.h"
#include "media/LibraryPointers.h"
#include "media/TextHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <regex>
#include <sstream>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace {

DictionaryHolder MakeDictionary(std::initializer_list<std::pair<const char*, const char*>> entries) {
    DictionaryHolder d;
    for (const auto& [key, value] : entries)
        av_dict_set(d.Address(), key, value, 0);
    return d;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return lines;
        start = end + 2;
    }
}

} // namespace

TEST(FormatReportText, RateRule) {
    struct Case {
        double value;
        const char* unit;
        const char* expected;
    };
    const Case cases[] = {
        {25, "fps", ", 25 fps"},
        {30000.0 / 1001, "fps", ", 29.97 fps"},
        {24000.0 / 1001, "tbr", ", 23.98 tbr"},
        {12.5, "fps", ", 12.50 fps"},
        {90000, "tbn", ", 90k tbn"},
        {1000, "tbn", ", 1k tbn"},
        {1200, "tbn", ", 1200 tbn"},
        {50, "tbc", ", 50 tbc"},
        {0.5, "fps", ", 0.50 fps"},
        {44100, "tbn", ", 44100 tbn"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RateText(c.value, c.unit), c.expected) << c.value;
}

TEST(FormatReportText, Id3v2FrameIdsAreShownByTheirCommonNames) {
    struct Case {
        const char* stored;
        const char* shown;
    };
    const Case cases[] = {
        {"TPE1", "artist"},     {"TP1", "artist"}, {"TALB", "album"}, {"TAL", "album"},
        {"TCON", "genre"},      {"TCO", "genre"},  {"TYER", "year"},  {"TLAN", "language"},
        {"TSOP", "authorsort"}, {"TDRL", "date"},  {"TRK", "track"},  {"title", "title"},
        {"tpe1", "tpe1"},       {"TPE2", "TPE2"},  {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShownMetadataKey(c.stored), c.shown) << c.stored;
}

TEST(FormatReportText, MetadataBlock) {
    EXPECT_TRUE(MetadataBlockLines(nullptr, "").empty());
    EXPECT_TRUE(MetadataBlockLines(MakeDictionary({{"language", "chi"}}).Get(), "").empty());

    auto tags = MakeDictionary({{"TPE1", "艺术家"}, {"language", "eng"}, {"a_rather_long_key_name", "v"}});
    const std::vector<std::string> top = {"Metadata:", "  artist          : 艺术家",
                                          "  a_rather_long_key_name: v"};
    EXPECT_EQ(MetadataBlockLines(tags.Get(), ""), top);
    const std::vector<std::string> indented = {"  Metadata:", "    artist          : 艺术家",
                                               "    a_rather_long_key_name: v"};
    EXPECT_EQ(MetadataBlockLines(tags.Get(), "  "), indented);
}

TEST(FormatReportText, SecondsAndDates) {
    EXPECT_EQ(SecondsText(0), "0.000000");
    EXPECT_EQ(SecondsText(1500000), "1.500000");
    EXPECT_EQ(SecondsText(83456789), "83.456789");
    EXPECT_EQ(SecondsText(-21333), "-0.021333");
    EXPECT_EQ(SecondsText(-1000001), "-1.000001");

    EXPECT_EQ(DateTimeText(25569.0), "1970-01-01 00:00:00");
    EXPECT_EQ(DateTimeText(25569.5), "1970-01-01 12:00:00");
    EXPECT_EQ(DateTimeText(43832 + (3 * 3600 + 4 * 60 + 5) / 86400.0), "2020-01-02 03:04:05");
    EXPECT_EQ(DateTimeText(0.0), "1899-12-30 00:00:00");
}

// Reports of real files, compared line by line.
class FormatReportTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(FFmpegLoader().BindSet(ConverterLibrarySet)); }

    std::vector<std::string> ReportOf(const std::string& name) {
        EXPECT_TRUE(probe.Open(name)) << probe.LastError();
        std::string report;
        probe.GetFormatReport(report);
        EXPECT_EQ(report.find("\n\r"), std::string::npos);
        EXPECT_NE(report.substr(report.size() - 2), "\r\n");
        return SplitLines(report);
    }

    // Each expected line is a pattern; most are plain text.
    static void ExpectLines(const std::vector<std::string>& lines, const std::vector<std::string>& expected) {
        for (size_t i = 0; i < std::min(lines.size(), expected.size()); ++i)
            EXPECT_TRUE(lines[i] == expected[i] || std::regex_match(lines[i], std::regex(expected[i])))
                << "line " << i << ": " << lines[i] << "\n expected: " << expected[i];
        EXPECT_EQ(lines.size(), expected.size());
    }

    std::string SizeLine(const std::string& name) const {
        return "File Size: " + FormatSizeText(static_cast<int64_t>(std::filesystem::file_size(name)));
    }

    TempDir dir;
    TAVProbe probe;
};

TEST_F(FormatReportTest, MatroskaWithTagsAndLanguages) {
    const std::string name = dir.File("报告 测试.mkv");
    ClipSpec spec = VideoAndAudioClip(1.0);
    spec.Metadata = {{"title", "中文标题"}, {"comment", "two words"}};
    spec.Video.front().Metadata = {{"language", "chi"}};
    spec.Audio.front().Metadata = {{"language", "eng"}, {"title", "Commentary"}};
    MakeClip(name, spec);
    const auto lines = ReportOf(name);

    // Matroska keeps durations as tags, not as stream values; the muxer names itself.
    const std::vector<std::string> expected = {
        "File Name: " + name,
        "Format Name: matroska,webm",
        "Format Long Name: Matroska / WebM",
        SizeLine(name),
        R"(Duration: 00:00:01\.0\d\d)",
        "StartTime: 0.000000",
        R"(Bit Rate: \d+ kb/s)",
        "Metadata:",
        "  title           : 中文标题",
        "  encoder         : Lavf",
        "  COMMENT         : two words",
        R"(Stream #0\(chi\), 1/1000: Video: h264 \(High\), yuv420p\(progressive\), 64x48 \[SAR 1:1 DAR 4:3\], )"
        R"(25 fps, 25 tbr, 1k tbn, 50 tbc, StartTime: 0\.\d{6}, Duration: N/A)",
        "  Metadata:",
        R"(    DURATION        : 00:00:01\.0\d+)",
        R"(Stream #1\(eng\), 1/1000: Audio: vorbis, 44100 Hz, stereo, fltp, StartTime: 0\.000000, Duration: N/A)",
        "  Metadata:",
        "    title           : Commentary",
        R"(    DURATION        : 00:00:01\.0\d+)",
    };
    ExpectLines(lines, expected);
}

TEST_F(FormatReportTest, TransportStreamListsItsProgramFirst) {
    const std::string name = dir.File("节目.ts");
    ClipSpec spec = VideoAndAudioClip(1.0);
    spec.Metadata = {{"service_name", "频道一"}, {"service_provider", "Vantoro"}};
    spec.Audio.front().Metadata = {{"language", "eng"}};
    MakeClip(name, spec);
    const auto lines = ReportOf(name);

    // The format shows stream ids; 90 kHz time bases read "90k".
    const std::vector<std::string> expected = {
        "File Name: " + name,
        "Format Name: mpegts",
        "Format Long Name: MPEG-TS (MPEG-2 Transport Stream)",
        SizeLine(name),
        R"(Duration: 00:00:01\.\d{3})",
        R"(StartTime: 0\.\d{6})",
        R"(Bit Rate: \d+ kb/s)",
        "Program 1 Vantoro@频道一",
        "  Metadata:",
        "    service_name    : 频道一",
        "    service_provider: Vantoro",
        R"(Stream #0\[0x100\], 1/90000: Video: mpeg2video .*, 64x48 .*, 25 fps, 25 tbr, 90k tbn, 50 tbc, )"
        R"(StartTime: 0\.\d{6}, Duration: 00:00:0\d\.\d{3})",
        R"(Stream #1\[0x101\]\(eng\), 1/90000: Audio: mp2 .*, 44100 Hz, stereo, .*, StartTime: 0\.\d{6}, )"
        R"(Duration: 00:00:01\.\d{3})",
    };
    ExpectLines(lines, expected);
}

TEST_F(FormatReportTest, RawStreamHasNoDurationNorBitRate) {
    const std::string name = dir.File("raw.h264");
    MakeClip(name, VideoOnlyClip(0.5));
    const auto lines = ReportOf(name);
    const std::vector<std::string> expected = {
        "File Name: " + name,
        "Format Name: h264",
        "Format Long Name: raw H.264 video",
        SizeLine(name),
        "Duration: N/A",
        "Bit Rate: N/A",
        R"(Stream #0, 1/1200000: Video: h264 .*, 25 fps, 25 tbr, 1200k tbn, 50 tbc, Duration: N/A)",
    };
    ExpectLines(lines, expected);
}

TEST_F(FormatReportTest, AudioOnlyFilesAndSeveralStreamsOfOneKind) {
    const std::string name = dir.File("two tracks.mp4");
    ClipSpec spec = AudioOnlyClip(1.0);
    AudioTrackSpec second = spec.Audio.front();
    second.Channels = 1;
    second.SampleRate = 22050;
    second.Metadata = {{"language", "chi"}};
    spec.Audio.push_back(second);
    MakeClip(name, spec);
    const auto lines = ReportOf(name);
    ASSERT_GE(lines.size(), 6u);
    int streamLines = 0;
    for (const auto& line : lines) {
        if (line.rfind("Stream #", 0) == 0) {
            ++streamLines;
            EXPECT_EQ(line.find(" fps"), std::string::npos) << "rates are for video only: " << line;
        }
    }
    EXPECT_EQ(streamLines, 2);
    EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                           [](const std::string& l) {
                               return std::regex_match(
                                   l,
                                   std::regex(
                                       R"(Stream #1\[0x2\]\(chi\), 1/22050: Audio: aac .*22050 Hz, mono.*)"));
                           }),
              lines.end());
}

TEST_F(FormatReportTest, FractionalFrameRatesShowTwoDecimals) {
    const std::string name = dir.File("ntsc.mp4");
    ClipSpec spec = VideoOnlyClip(0.5);
    spec.Video.front().FrameRateNum = 30000;
    spec.Video.front().FrameRateDen = 1001;
    MakeClip(name, spec);
    const auto lines = ReportOf(name);
    const auto stream = std::find_if(lines.begin(), lines.end(),
                                     [](const std::string& l) { return l.rfind("Stream #0", 0) == 0; });
    ASSERT_NE(stream, lines.end());
    EXPECT_TRUE(std::regex_match(*stream, std::regex(R"(Stream #0.*, 29\.97 fps, 29\.97 tbr, 30k tbn, .*)")))
        << *stream;
}

TEST_F(FormatReportTest, Id3v2TagsOfAnMp3ShowCommonNames) {
    const std::string name = dir.File("歌曲.mp3");
    ClipSpec spec = AudioOnlyClip(0.5);
    spec.Metadata = {{"artist", "歌手"}, {"album", "专辑"}, {"TCOM", "作曲"}};
    MakeClip(name, spec);
    const auto lines = ReportOf(name);
    const auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("Metadata:"));
    EXPECT_TRUE(has("  artist          : 歌手"));
    EXPECT_TRUE(has("  album           : 专辑"));
    EXPECT_TRUE(has("  composer        : 作曲"));
}

TEST_F(FormatReportTest, CreationTimeShowsAsTimeStamp) {
    const std::string name = dir.File("dated.mkv");
    ClipSpec spec = AudioOnlyClip(0.3);
    spec.Metadata = {{"creation_time", "2020-01-02T03:04:05.000000Z"}};
    MakeClip(name, spec);
    const auto lines = ReportOf(name);
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[7], "Time Stamp: " + DateTimeText(UnixTimeToLocalDateTime(1577934245)));
}
