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
#include <libavcodec/codec_par.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
}

namespace {

struct ErrorCase {
    int Code;
    const char* Text;
};

TEST(LibraryErrorText, NamesEachKnownMeaningAndNumbersTheRest) {
    // Current libraries report several meanings with codes of their own; those
    // must read the same as the errno-based codes.
    const ErrorCase cases[] = {
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
        {-1234, "Error number -1234 occurred"},
        {0, "Error number 0 occurred"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LibraryErrorText("clip.avi", c.Code), std::string("clip.avi: ") + c.Text) << c.Code;
    EXPECT_EQ(AVERROR_PATCHWELCOME, -1163346256);
}

TEST(FormatDurationText, SplitsMicrosecondsIntoClockFields) {
    const std::pair<int64_t, const char*> cases[] = {
        {AV_NOPTS_VALUE, "N/A"},
        {0, "00:00:00.000"},
        {83456000, "00:01:23.456"},
        {83456999, "00:01:23.456"}, // truncated, not rounded
        {3599999999, "00:59:59.999"},
        {100LL * 3600 * 1000000, "100:00:00.000"}, // hours are not limited to two digits
        {-1500000, "-00:00:01.500"},
        {AV_NOPTS_VALUE + 1, "-2562047788:00:54.775"},
    };
    for (const auto& [t, text] : cases)
        EXPECT_EQ(FormatDurationText(t), text) << t;
}

// Restores the numeric locale a test switched.
class NumericLocale {
public:
    NumericLocale() : saved_(std::setlocale(LC_NUMERIC, nullptr)) {}
    ~NumericLocale() { std::setlocale(LC_NUMERIC, saved_.c_str()); }
    NumericLocale(const NumericLocale&) = delete;
    NumericLocale& operator=(const NumericLocale&) = delete;

private:
    std::string saved_;
};

TEST(FormatSizeText, PicksTheUnitByStrictThresholds) {
    const std::pair<int64_t, const char*> cases[] = {
        {-1, "-1 Byte"},         {0, "0 Byte"},
        {1024, "1024 Byte"},     {1025, "1.00 KB"},
        {1536, "1.50 KB"},       {1048576, "1024.00 KB"},
        {1048577, "1.00 MB"},    {1073741824, "1024.00 MB"},
        {1073741825, "1.00 GB"}, {5LL * 1073741824 + 1073741824 / 4, "5.25 GB"},
    };
    NumericLocale restore;
    std::setlocale(LC_NUMERIC, "C");
    for (const auto& [n, text] : cases)
        EXPECT_EQ(FormatSizeText(n), text) << n;
}

TEST(FormatSizeText, UsesTheUsersDecimalSeparator) {
    NumericLocale restore;
    const char* commaLocales[] = {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE.utf8", "ru_RU.UTF-8"};
    bool switched = false;
    for (const char* name : commaLocales)
        switched = switched || std::setlocale(LC_NUMERIC, name) != nullptr;
    if (!switched)
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    EXPECT_EQ(FormatSizeText(1536), "1,50 KB");
    EXPECT_EQ(FormatSizeText(1000), "1000 Byte");
}

// Sets TZ for one test and restores it.
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
    TimeZone(const TimeZone&) = delete;
    TimeZone& operator=(const TimeZone&) = delete;

private:
    std::optional<std::string> saved_;
};

TEST(UnixTimeToLocalDateTime, AddsTheStandardOffsetButNoDaylightSaving) {
    struct Case {
        const char* Tz;
        int64_t Seconds;
        double Days;
    };
    const Case cases[] = {
        {"UTC0", 0, 25569.0},
        {"UTC0", 86400 + 43200, 25570.5},
        {"JST-9", 0, 25569.0 + 9.0 / 24},
        {"EST5", 0, 25569.0 - 5.0 / 24},
        // Central Europe, in summer: still one hour, not two.
        {"CET-1CEST,M3.5.0,M10.5.0/3", 1719792000 /* 2024-07-01 */,
         1719792000 / 86400.0 + 25569.0 + 1.0 / 24},
    };
    for (const auto& c : cases) {
        TimeZone zone(c.Tz);
        EXPECT_NEAR(UnixTimeToLocalDateTime(c.Seconds), c.Days, 1e-9) << c.Tz;
    }
}

TEST(CodecDisplayName, RegisteredCodecShowsShortAndLongName) {
    const AVCodec* decoder = avcodec_find_decoder(AV_CODEC_ID_MPEG4);
    ASSERT_NE(decoder, nullptr);
    EXPECT_EQ(CodecDisplayName(AV_CODEC_ID_MPEG4, 0, "", false),
              std::string(decoder->name) + "(" + decoder->long_name + ")");
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    ASSERT_NE(encoder, nullptr);
    EXPECT_EQ(CodecDisplayName(AV_CODEC_ID_MPEG4, 0, "", true),
              std::string(encoder->name) + "(" + encoder->long_name + ")");
}

TEST(CodecDisplayName, UnregisteredCodecFallsBackInOrder) {
    struct Case {
        AVCodecID Id;
        uint32_t Tag;
        std::string Name;
        const char* Text;
    };
    const Case cases[] = {
        {AV_CODEC_ID_MPEG2TS, MKTAG('a', 'b', 'c', 'd'), "named", "mpeg2ts"},
        {AV_CODEC_ID_NONE, MKTAG('a', 'b', 'c', 'd'), "  mycodec  ", "mycodec"},
        // Only the first 32 characters of a name count.
        {AV_CODEC_ID_NONE, 0, std::string(32, ' ') + "hidden", "0x0000"},
        {AV_CODEC_ID_NONE, MKTAG('D', 'I', 'V', 'X'), "", "DIVX / 0x58564944"},
        {AV_CODEC_ID_NONE, MKTAG('d', 'x', ' ', '~'), " ", "dx ~ / 0x7E207864"},
        {AV_CODEC_ID_NONE, MKTAG('D', 'I', 'V', 0), "", "0x564944"},
        {AV_CODEC_ID_NONE, 0x1f, "", "0x001f"},
        {AV_CODEC_ID_NONE, MKTAG('a', 'b', 'c', 0x7f), "", "0x7f636261"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CodecDisplayName(c.Id, c.Tag, c.Name, false), c.Text) << c.Text;
        EXPECT_EQ(CodecDisplayName(c.Id, c.Tag, c.Name, true), c.Text) << c.Text;
    }
}

TEST(CodecDisplayName, ParametersUseTheLibrarysNameForAnIdWithoutCodec) {
    struct ParFree {
        void operator()(AVCodecParameters* p) const { avcodec_parameters_free(&p); }
    };
    std::unique_ptr<AVCodecParameters, ParFree> par(avcodec_parameters_alloc());
    ASSERT_NE(par, nullptr);

    par->codec_id = AV_CODEC_ID_VP6F; // decoder only
    ASSERT_EQ(avcodec_find_encoder(AV_CODEC_ID_VP6F), nullptr);
    EXPECT_EQ(CodecDisplayName(par.get(), true), "vp6f");

    par->codec_id = AV_CODEC_ID_NONE;
    par->codec_tag = MKTAG('X', 'V', 'I', 'D');
    EXPECT_EQ(CodecDisplayName(par.get(), false), "XVID / 0x44495658");
}

TEST(StreamTypeName, NamesTheFiveMediaTypes) {
    const std::pair<int, const char*> cases[] = {
        {AVMEDIA_TYPE_VIDEO, "Video"},
        {AVMEDIA_TYPE_AUDIO, "Audio"},
        {AVMEDIA_TYPE_DATA, "Data"},
        {AVMEDIA_TYPE_SUBTITLE, "Subtitle"},
        {AVMEDIA_TYPE_ATTACHMENT, "Attachment"},
        {AVMEDIA_TYPE_UNKNOWN, "Unknown"},
        {5, "Unknown"},
        {1000, "Unknown"},
    };
    for (const auto& [type, text] : cases)
        EXPECT_EQ(StreamTypeName(type), text) << type;
}

TEST(MetadataValue, ReturnsTheFirstEntryOrTheFallback) {
    AVDictionary* dict = nullptr;
    av_dict_set(&dict, "title", "Clip", 0);
    av_dict_set(&dict, "artist", "A", 0);
    av_dict_set(&dict, "artist", "B", AV_DICT_APPEND);
    EXPECT_EQ(MetadataValue(dict, "title", "-"), "Clip");
    EXPECT_EQ(MetadataValue(dict, "TITLE", "-"), "Clip"); // keys match regardless of case
    EXPECT_EQ(MetadataValue(dict, "album", "none"), "none");
    EXPECT_EQ(MetadataValue(nullptr, "title", "none"), "none");
    av_dict_free(&dict);
}

} // namespace
