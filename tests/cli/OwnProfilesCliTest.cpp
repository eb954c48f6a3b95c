// Profiles of the user's own on the command line: "profiles" lists them after
// the built-in ones, "convert --profile NAME" converts with their picks, and
// a damaged file hides only them.
#include "CliRunner.h"
#include "ProbedOutput.h"
#include "app/UserProfileFile.h"
#include "fixtures/FixtureMaker.h"
#include "media/FFmpegLoader.h"
#include "profiles/ConstantQuality.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

class OwnProfilesCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(CliProgram())) << "build vantoro-cli first: " << CliProgram();
        ASSERT_TRUE(FFmpegLoader().BindSet(ConverterLibrarySet));
        fs::create_directories(dir.Path() / "config");
        fs::create_directories(dir.Path() / "out");
        // Profile 18 (MPEG-1) with a small picture and constant quality.
        auto choices = *ChoicesFor(18);
        TChosenItems chosen;
        for (size_t i = 0; i < chosen.Values.size(); ++i)
            chosen.Values[i] = std::string(choices[i].Preselected.Value);
        chosen.Values[RoleIndex(TChoiceRole::crFrameSize)] = "176*144";
        chosen.Values[RoleIndex(TChoiceRole::crVideoBitRate)] =
            std::string(ConstantQualityItems[1].Value); // "恒定质量 (中)"
        chosen.VerticalFlip = true;
        std::string error;
        ASSERT_TRUE(SaveUserProfiles(OwnFile(), {CaptureUserProfile("小屏幕", 18, chosen)}, error)) << error;
    }

    std::string Settings() const { return dir.File("config/system.ini"); }
    std::string OwnFile() const { return UserProfileFileBeside(Settings()); }

    CliResult Run(const Args& args) const {
        return RunCliWatching(
            {args,
             2,
             dir.File("stdout"),
             {"HOME=" + dir.File("home"), "XDG_CONFIG_HOME=" + dir.File("xdg"), "PATH=/usr/bin:/bin"},
             {},
             std::chrono::seconds(120),
             {}});
    }

    TempDir dir;
};

int TopLines(const std::string& listing) {
    std::istringstream in(listing);
    int count = 0;
    for (std::string line; std::getline(in, line);)
        count += !line.empty() && line[0] != ' ';
    return count;
}

TEST_F(OwnProfilesCliTest, ProfilesListsThemAfterTheBuiltInOnes) {
    const CliResult result = Run({"profiles", "--settings", Settings()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(TopLines(result.out), 81);
    const size_t at = result.out.find("小屏幕\t我的格式\t18 MPEG/MPG视频格式\t.mpg\n");
    ASSERT_NE(at, std::string::npos) << result.out;
    const std::string own = result.out.substr(at);
    EXPECT_NE(own.find("  VS 视频分辨率： \"176*144\"\n"), std::string::npos) << own;
    EXPECT_NE(own.find("  VB 视频比特率： \"恒定质量 (中)\"\n"), std::string::npos) << own;
}

TEST_F(OwnProfilesCliTest, ConvertUsesTheSavedPicksAndSetGoesOverThem) {
    const std::string source = dir.File("clip.mkv");
    MakeClip(source, VideoAndAudioClip(1.0));
    const CliResult result = Run({"convert", "--profile", "小屏幕", "--set", "VR=10.00", "--settings",
                                  Settings(), "--output-dir", dir.File("out"), source});
    ASSERT_EQ(result.status, 0) << result.err;
    const Probed probed = ProbeFile(dir.File("out/clip.mpg"));
    ASSERT_TRUE(probed.opened) << probed.error;
    EXPECT_EQ(probed.video.codec, "mpeg1video");
    EXPECT_EQ(probed.video.width, 176);
    EXPECT_EQ(probed.video.height, 144);

    const CliResult unknown = Run({"convert", "--profile", "大屏幕", "--settings", Settings(), source});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("大屏幕"), std::string::npos) << unknown.err;
}

TEST_F(OwnProfilesCliTest, ADamagedFileHidesOnlyTheOwnProfiles) {
    std::ofstream(OwnFile(), std::ios::binary | std::ios::trunc)
        << "vantoro-user-profiles 1\n[profile]\nBase=x\n";
    const CliResult listing = Run({"profiles", "--settings", Settings()});
    EXPECT_EQ(listing.status, 0) << listing.err;
    EXPECT_EQ(TopLines(listing.out), 80);
    EXPECT_NE(listing.err.find(OwnFile()), std::string::npos) << listing.err;

    const CliResult convert =
        Run({"convert", "--profile", "小屏幕", "--settings", Settings(), dir.File("x.mkv")});
    EXPECT_EQ(convert.status, 2);
    EXPECT_NE(convert.err.find(OwnFile()), std::string::npos) << convert.err;
}

} // namespace
