#include "media/TextHelpers.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
}

namespace {

TEST(LibraryErrorText, NamesKnownMeaningsAndSystemErrorsAndNumbersTheRest) {
    const struct {
        int code;
        const char* text;
    } cases[] = {
        {AVERROR_PATCHWELCOME, "Not yet implemented in FFmpeg"},
        {AVERROR(EPROTONOSUPPORT), "Unsupported network protocol"},
        {AVERROR_PROTOCOL_NOT_FOUND, "Unsupported network protocol"},
        {AVERROR(EILSEQ), "Unknown format"},
        {AVERROR_DEMUXER_NOT_FOUND, "Unknown format"},
        {AVERROR(EDOM), "Number syntax expected in filename"},
        {AVERROR(EPIPE), "End of file"},
        {AVERROR_EOF, "End of file"},
        {AVERROR(EINVAL), "Invalid data found when processing input"},
        {AVERROR_INVALIDDATA, "Invalid data found when processing input"},
        {AVERROR(ENOMEM), "Not enough memory"},
        {AVERROR(EIO), "I/O error"},
        {AVERROR(ENOENT), "No such file or directory"},
        // System error numbers the table does not name read as the system words them.
        {AVERROR(ENOSPC), "No space left on device"},
        {AVERROR(EACCES), "Permission denied"},
        {AVERROR(EISDIR), "Is a directory"},
        // Numbers that are no system error, and the libraries' own unnamed codes, stay numbers.
        {-12345, "Error number -12345 occurred"},
        {AVERROR_BUG, "Error number -558323010 occurred"},
        {0, "Error number 0 occurred"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LibraryErrorText("clip.avi", c.code), std::string("clip.avi: ") + c.text) << c.code;
}

TEST(FormatDurationText, HoursMinutesSecondsMilliseconds) {
    const struct {
        int64_t us;
        const char* text;
    } cases[] = {
        {83456000, "00:01:23.456"},   {AV_NOPTS_VALUE, "N/A"},     {100LL * 3600 * 1000000, "100:00:00.000"},
        {0, "00:00:00.000"},          {1999, "00:00:00.001"},      // milliseconds are truncated, not rounded
        {3599999999, "00:59:59.999"}, {-1500000, "-00:00:01.500"}, // one sign, not one per field
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDurationText(c.us), c.text) << c.us;
}

TEST(FormatSizeText, UnitsAtTheThresholds) {
    const struct {
        int64_t bytes;
        const char* text;
    } cases[] = {
        {1024, "1024 Byte"},  {1025, "1.00 KB"},       {1048576, "1024.00 KB"},
        {1048577, "1.00 MB"}, {1073741825, "1.00 GB"}, {1536, "1.50 KB"},
        {-1, "-1 Byte"},      {0, "0 Byte"},           {5LL * 1073741824 * 1024, "5120.00 GB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatSizeText(c.bytes), c.text) << c.bytes;
}

TEST(FormatSizeText, UsesTheLocalesDecimalSeparator) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "de_DE"))
        GTEST_SKIP() << "no German locale installed";
    const std::string text = FormatSizeText(1536);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(text, "1,50 KB");
}

class TimeZone {
public:
    explicit TimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ"))
            saved_ = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~TimeZone() {
        if (saved_)
            setenv("TZ", saved_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> saved_;
};

TEST(UnixTimeToLocalDateTime, AddsTheStandardOffsetButNotDaylightSaving) {
    {
        TimeZone utc("UTC0");
        EXPECT_DOUBLE_EQ(UnixTimeToLocalDateTime(0), 25569.0);
        EXPECT_DOUBLE_EQ(UnixTimeToLocalDateTime(86400 + 43200), 25570.5);
    }
    TimeZone cet("CET-1CEST,M3.5.0,M10.5.0/3");
    const int64_t midsummer = 1718971200; // 2024-06-21 12:00 UTC, daylight saving in force
    EXPECT_DOUBLE_EQ(UnixTimeToLocalDateTime(midsummer), (midsummer + 3600) / 86400.0 + 25569.0);
}

TEST(CodecDisplayName, RegisteredNamesThenFallbacks) {
    const uint32_t divx = MKTAG('D', 'I', 'V', 'X');
    const struct {
        AVCodecID id;
        uint32_t tag;
        const char* codecName;
        bool encoder;
        const char* text;
    } cases[] = {
        {AV_CODEC_ID_PCM_S16LE, 0, "", false, "pcm_s16le(PCM signed 16-bit little-endian)"},
        {AV_CODEC_ID_PCM_S16LE, 0, "", true, "pcm_s16le(PCM signed 16-bit little-endian)"},
        {AV_CODEC_ID_VP6, divx, "", false, "vp6(On2 VP6)"},
        {AV_CODEC_ID_VP6, divx, "", true, "DIVX / 0x58564944"}, // decoder only
        {AV_CODEC_ID_MPEG2TS, divx, "named", false, "mpeg2ts"},
        {AV_CODEC_ID_NONE, divx, "  mycodec  ", false, "mycodec"},
        {AV_CODEC_ID_NONE, divx, "   ", false, "DIVX / 0x58564944"},
        {AV_CODEC_ID_NONE, MKTAG('D', 'I', 'V', 0x7f), "", false, "0x7f564944"},
        {AV_CODEC_ID_NONE, 0x1234, "", false, "0x1234"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CodecDisplayName(c.id, c.tag, c.codecName, c.encoder), c.text) << c.text;
}

TEST(CodecDisplayName, FromStreamParameters) {
    AVCodecParameters* par = avcodec_parameters_alloc();
    ASSERT_NE(par, nullptr);
    par->codec_id = AV_CODEC_ID_NONE;
    par->codec_tag = MKTAG('x', 'v', 'i', 'd');
    EXPECT_EQ(CodecDisplayName(par, false), "xvid / 0x64697678");
    par->codec_id = AV_CODEC_ID_PCM_S16LE;
    EXPECT_EQ(CodecDisplayName(par, false), "pcm_s16le(PCM signed 16-bit little-endian)");
    avcodec_parameters_free(&par);
}

TEST(StreamTypeName, EveryMediaTypeAndTheRest) {
    const struct {
        int type;
        const char* text;
    } cases[] = {{AVMEDIA_TYPE_VIDEO, "Video"},
                 {AVMEDIA_TYPE_AUDIO, "Audio"},
                 {AVMEDIA_TYPE_DATA, "Data"},
                 {AVMEDIA_TYPE_SUBTITLE, "Subtitle"},
                 {AVMEDIA_TYPE_ATTACHMENT, "Attachment"},
                 {AVMEDIA_TYPE_UNKNOWN, "Unknown"},
                 {AVMEDIA_TYPE_NB, "Unknown"}};
    for (const auto& c : cases)
        EXPECT_EQ(StreamTypeName(c.type), c.text) << c.type;
}

TEST(MetadataValue, FirstMatchIgnoringCaseElseTheDefault) {
    AVDictionary* dict = nullptr;
    av_dict_set(&dict, "title", "Clip", 0);
    av_dict_set(&dict, "Title", "Second", AV_DICT_MULTIKEY);
    EXPECT_EQ(MetadataValue(dict, "TITLE", "none"), "Clip");
    EXPECT_EQ(MetadataValue(dict, "artist", "none"), "none");
    EXPECT_EQ(MetadataValue(nullptr, "title", "none"), "none");
    av_dict_free(&dict);
}

} // namespace
