#include "media/FileHelpers.h"

#include "fixtures/FixtureMaker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

void writeFile(const std::string& name, const std::string& content) {
    std::ofstream(name, std::ios::binary) << content;
}

TEST(SplitAtSeparator, HeadAndWhatRemains) {
    const struct {
        const char* text;
        const char* separator;
        bool remove;
        const char* head;
        const char* rest;
    } cases[] = {
        {"vcodec=mpeg4", "=", true, "vcodec", "mpeg4"},
        {"a=b=c", "=", true, "a", "b=c"},
        {"a=b=c", "=", false, "a", "a=b=c"},
        {"no separator", "=", true, "no separator", ""},
        {"no separator", "=", false, "no separator", "no separator"},
        {"=value", "=", true, "", "value"},
        {"key=", "=", true, "key", ""},
        {"one\r\ntwo", "\r\n", true, "one", "two"},
        {"", "=", true, "", ""},
        {"text", "", true, "text", ""},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(SplitAtSeparator(text, c.separator, c.remove), c.head) << c.text;
        EXPECT_EQ(text, c.rest) << c.text;
    }
}

TEST(ReadWholeFile, AddsATerminatingZeroAndCountsIt) {
    TempDir dir;
    const std::string name = dir.File("preset.ffpreset");
    writeFile(name, std::string("vcodec=mpeg4\0x", 14));
    std::vector<char> buffer{'o', 'l', 'd'};
    int64_t size = 0;
    ASSERT_EQ(ReadWholeFile(name, buffer, size), 0);
    EXPECT_EQ(size, 15);
    ASSERT_EQ(buffer.size(), 15u);
    EXPECT_EQ(std::string(buffer.data(), 14), std::string("vcodec=mpeg4\0x", 14));
    EXPECT_EQ(buffer[14], '\0');

    writeFile(dir.File("empty"), "");
    ASSERT_EQ(ReadWholeFile(dir.File("empty"), buffer, size), 0);
    EXPECT_EQ(size, 1);
    EXPECT_EQ(buffer[0], '\0');

    EXPECT_EQ(ReadWholeFile(dir.File("missing"), buffer, size), -1);
    EXPECT_EQ(ReadWholeFile(dir.Path().string(), buffer, size), -1) << "a directory is no file to read";
}

TEST(FileSizeOf, SizeOrMinusOne) {
    TempDir dir;
    writeFile(dir.File("five"), "12345");
    writeFile(dir.File("empty"), "");
    EXPECT_EQ(FileSizeOf(dir.File("five")), 5);
    EXPECT_EQ(FileSizeOf(dir.File("empty")), 0);
    EXPECT_EQ(FileSizeOf(dir.File("missing")), -1);
    EXPECT_EQ(FileSizeOf(dir.Path().string()), -1);

    ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0600), 0);
    EXPECT_EQ(FileSizeOf(dir.File("pipe")), 0) << "answers at once, without waiting for a writer";

    writeFile(dir.File("locked"), "secret");
    std::filesystem::permissions(dir.File("locked"), std::filesystem::perms::none);
    if (::geteuid() != 0) { // root reads anything
        EXPECT_EQ(FileSizeOf(dir.File("locked")), -1);
    }
}

TEST(ProgramDirectory, IsTheRunningProgramsFolderWithASeparator) {
    const std::string directory = ProgramDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(directory + "media_tests"));
}

} // namespace
