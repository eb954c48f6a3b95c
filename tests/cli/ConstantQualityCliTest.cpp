// The constant-quality items on the command line: "profiles" lists them after
// the profile's own bit rates where the encoder takes them, and "convert
// --set VB=恒定质量 (中)" picks one like any other item.
#include "CliRunner.h"
#include "ProbedOutput.h"
#include "fixtures/FixtureMaker.h"
#include "media/FFmpegLoader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

class ConstantQualityCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(CliProgram())) << "build vantoro-cli first: " << CliProgram();
        ASSERT_TRUE(FFmpegLoader().BindSet(ConverterLibrarySet));
        fs::create_directory(dir.Path() / "out");
    }

    CliResult Run(const Args& args) const {
        return RunCliPrivately(args, dir.Path());
    }

    TempDir dir;
};

// The "VB" line of profile `id` in the listing.
std::string BitRateLine(const std::string& listing, const std::string& id) {
    std::istringstream in(listing);
    bool inProfile = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != ' ')
            inProfile = line.rfind(id + "\t", 0) == 0;
        else if (inProfile && line.rfind("  VB ", 0) == 0)
            return line;
    }
    return {};
}

TEST_F(ConstantQualityCliTest, ProfilesListTheItemsAfterTheBitRatesWhereTheEncoderTakesThem) {
    const CliResult result = Run({"profiles"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string quality = " \"恒定质量 (高)\" \"恒定质量 (中)\" \"恒定质量 (低)\"";
    for (const char* id : {"503", "511", "1"}) {
        const std::string line = BitRateLine(result.out, id);
        ASSERT_GT(line.size(), quality.size()) << id;
        EXPECT_EQ(line.substr(line.size() - quality.size()), quality) << line;
    }
    for (const char* id : {"19", "513", "200"})
        EXPECT_EQ(BitRateLine(result.out, id).find("恒定质量"), std::string::npos) << id;
}

TEST_F(ConstantQualityCliTest, SetPicksTheItemAndTheOutputPassesItsCheck) {
    const std::string source = dir.File("clip.mkv");
    MakeClip(source, VideoAndAudioClip(1.0));
    struct Case {
        const char* Profile;
        const char* Codec;
    };
    for (const Case& c : {Case{"503", "h264"}, Case{"511", "mpeg4"}}) {
        SCOPED_TRACE(c.Profile);
        const CliResult result = Run({"convert", "--profile", c.Profile, "--set", "VB=恒定质量 (中)",
                                      "--output-dir", dir.File("out"), "--overwrite", source});
        ASSERT_EQ(result.status, 0) << result.err;
        const std::string output = dir.File("out/clip.avi");
        const Probed probed = ProbeFile(output);
        ASSERT_TRUE(probed.opened) << probed.error;
        EXPECT_EQ(probed.video.codec, c.Codec);
        if (std::string(c.Codec) == "h264") {
            // x264 writes its settings into the stream, which AVI keeps as it is.
            std::ifstream in(output, std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            const size_t at = bytes.find("x264 - core");
            ASSERT_NE(at, std::string::npos);
            const std::string settings = bytes.substr(at, bytes.find('\0', at) - at);
            EXPECT_NE(settings.find("rc=crf"), std::string::npos) << settings;
            EXPECT_NE(settings.find("crf=23.0"), std::string::npos) << settings;
        }
    }
}

} // namespace
