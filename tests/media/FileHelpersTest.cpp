#include "media/FileHelpers.h"

#include "fixtures/FixtureMaker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/error.h>
}

namespace {

void WriteBytes(const std::string& fileName, const std::string& bytes) {
    std::ofstream(fileName, std::ios::binary) << bytes;
}

class FileHelpers : public ::testing::Test {
protected:
    TempDir dir_;
};

TEST_F(FileHelpers, ReadWholeFileAppendsAZeroAndCountsIt) {
    const std::string content("line one\nbinary\0tail", 21);
    WriteBytes(dir_.File("preset.txt"), content);
    std::vector<char> buffer;
    int64_t size = 0;
    ASSERT_EQ(ReadWholeFile(dir_.File("preset.txt"), buffer, size), 0);
    EXPECT_EQ(size, static_cast<int64_t>(content.size()) + 1);
    ASSERT_GE(buffer.size(), content.size() + 1);
    EXPECT_EQ(std::string(buffer.data(), content.size()), content);
    EXPECT_EQ(buffer[content.size()], '\0');

    WriteBytes(dir_.File("empty.txt"), "");
    ASSERT_EQ(ReadWholeFile(dir_.File("empty.txt"), buffer, size), 0);
    EXPECT_EQ(size, 1);
    EXPECT_EQ(buffer[0], '\0');
}

TEST_F(FileHelpers, ReadWholeFileFailsForWhatCannotBeRead) {
    std::vector<char> buffer;
    int64_t size = 7;
    EXPECT_EQ(ReadWholeFile(dir_.File("missing.txt"), buffer, size), -1);
    EXPECT_EQ(ReadWholeFile(dir_.Path().string(), buffer, size), -1);
    EXPECT_EQ(size, 7); // untouched on failure
}

TEST_F(FileHelpers, FileSizeOfCountsBytesOfRegularFilesOnly) {
    WriteBytes(dir_.File("five.bin"), "12345");
    WriteBytes(dir_.File("empty.bin"), "");
    std::filesystem::create_directory(dir_.File("sub"));
    EXPECT_EQ(FileSizeOf(dir_.File("five.bin")), 5);
    EXPECT_EQ(FileSizeOf(dir_.File("empty.bin")), 0);
    EXPECT_EQ(FileSizeOf(dir_.File("sub")), -1);
    EXPECT_EQ(FileSizeOf(dir_.File("missing.bin")), -1);
    EXPECT_EQ(FileSizeOf(""), -1);
}

TEST(ProgramDirectory, IsTheFolderOfTheRunningProgramWithATrailingSlash) {
    const std::string directory = ProgramDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.back(), '/');
    const auto program = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(std::filesystem::path(directory + program.filename().string()), program);
}

TEST(SplitAtSeparator, CutsAtTheFirstSeparator) {
    struct Case {
        const char* Text;
        const char* Separator;
        bool Remove;
        const char* Head;
        const char* Rest;
    };
    const Case cases[] = {
        {"vcodec=mpeg4", "=", true, "vcodec", "mpeg4"},
        {"vcodec=mpeg4", "=", false, "vcodec", "vcodec=mpeg4"},
        {"a=b=c", "=", true, "a", "b=c"},
        {"a::b::c", "::", true, "a", "b::c"},
        {"=value", "=", true, "", "value"},
        {"name=", "=", true, "name", ""},
        {"no separator", "=", true, "no separator", ""},
        {"no separator", "=", false, "no separator", "no separator"},
        {"", "=", true, "", ""},
        {"text", "", true, "text", ""}, // an empty separator occurs nowhere
    };
    for (const auto& c : cases) {
        std::string text = c.Text;
        EXPECT_EQ(SplitAtSeparator(text, c.Separator, c.Remove), c.Head) << c.Text << " / " << c.Separator;
        EXPECT_EQ(text, c.Rest) << c.Text << " / " << c.Separator;
    }
}

} // namespace
