// The JSON line writer: strings of any bytes stay valid JSON, numbers ignore
// the locale and drop what they do not need, nested objects close properly.
#include "cli/JsonLine.h"
#include "JsonReader.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

TEST(JsonLineTest, StringsAreEscapedAndInvalidUtf8IsReplaced) {
    using namespace std::string_literals;
    struct Case {
        std::string in;
        std::string json; // with the quotes
    };
    const Case cases[] = {
        {"", R"("")"},
        {"plain/path.mkv", R"("plain/path.mkv")"},
        {"say \"hi\"", R"("say \"hi\"")"},
        {R"(C:\dir\)", R"("C:\\dir\\")"},
        {"a\nb\rc\td", R"("a\nb\rc\td")"},
        {"\x01\x1f\x7f"s, R"("\u0001\u001f\u007f")"},
        {"nul\0inside"s, R"("nul\u0000inside")"},
        {"一.mkv", "\"一.mkv\""},
        {"😀", "\"😀\""},
        // C1 controls and the Unicode line separators some readers split on.
        {"\xC2\x85|\xE2\x80\xA8|\xE2\x80\xA9", R"("\u0085|\u2028|\u2029")"},
        // Bytes that are not UTF-8: a lone continuation, a lone lead, a cut
        // sequence at the end, an overlong '/', an encoded surrogate, past U+10FFFF.
        {"a\x80z", "\"a\xEF\xBF\xBDz\""},
        {"\xFF.avi", "\"\xEF\xBF\xBD.avi\""},
        {"cut\xE4\xB8", "\"cut\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"\xF4\x90\x80\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
    };
    for (const auto& c : cases) {
        std::string out;
        AppendJsonString(out, c.in);
        EXPECT_EQ(out, c.json) << "input bytes: " << testing::PrintToString(c.in);
        EXPECT_TRUE(JsonReader::Parse(out)) << out;
    }
}

TEST(JsonLineTest, ALineHoldsItsFieldsInOrderWithNumbersAndNulls) {
    std::string buffer = "left over from the previous line";
    const std::string& line = TJsonLine(buffer)
                                  .Text("event", "progress")
                                  .Int("index", -3)
                                  .Number("seconds", 12.5)
                                  .Number("third", 1.0 / 3.0)
                                  .Number("whole", 30.0)
                                  .Number("speed", 2.346, 2)
                                  .Number("nan", std::nan(""))
                                  .Number("infinite", std::numeric_limits<double>::infinity())
                                  .NumberOrNull("unknown", -1)
                                  .NumberOrNull("zero", 0)
                                  .TextOrNull("empty", "")
                                  .Bool("passed", false)
                                  .BeginObject("check")
                                  .Bool("passed", true)
                                  .BeginObject("inner")
                                  .EndObject()
                                  .Null("problem")
                                  .EndObject()
                                  .Null("error")
                                  .Finish();
    EXPECT_EQ(line, R"({"event":"progress","index":-3,"seconds":12.5,"third":0.333,"whole":30,)"
                    R"("speed":2.35,"nan":null,"infinite":null,"unknown":null,"zero":0,"empty":null,)"
                    R"("passed":false,"check":{"passed":true,"inner":{},"problem":null},"error":null})"
                    "\n");
    EXPECT_TRUE(JsonReader::Parse(line));
    EXPECT_EQ(TJsonLine(buffer).Finish(), "{}\n");
}

TEST(JsonLineTest, NumbersIgnoreADecimalCommaLocale) {
    // The program never sets one, but a library it loads might.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    std::string buffer;
    const std::string line = TJsonLine(buffer).Number("seconds", 1.25).Finish();
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(line, "{\"seconds\":1.25}\n");
}
