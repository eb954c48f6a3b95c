// The user's own profiles as the windows use them: saving what the options
// window shows, picking it on the chooser's fifth page (which opens the
// options window with the saved picks), renaming and deleting, refused names
// and writes, and a damaged file at start.
#include "app/UserProfileList.h"
#include "app/UserProfileFile.h"
#include "fixtures/FixtureMaker.h"
#include "profiles/FormatChooser.h"
#include "profiles/UserProfileWindow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using enum TChoiceRole;

class RecordingDialogs : public TUserDialogs {
public:
    void ShowInformation(const std::string&, const std::string& text) override { Messages.push_back(text); }
    void OpenWithShell(const std::string&) override {}
    std::vector<std::string> Messages;
};

std::string ReadText(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The options window and the chooser as the desktop program joins them: the
// chooser's "下一步" shows the window with the fifth page's profile, if any.
class UserProfileList : public testing::Test {
protected:
    UserProfileList()
        : list(dir.File("myprofiles.txt")), window(settings, dialogs),
          chooser(settings, dialogs, [this] { return ShowOptions(); }) {
        window.SetOutputFolder(dir.Path().string());
        settings.SourceFile = dir.File("clip.mkv");
        chooser.SetUserProfiles(&list.Profiles());
    }

    bool ShowOptions() {
        ++optionsShown;
        window.Show({}); // no such file: nothing known of it
        std::string error;
        if (const TUserProfile* saved = chooser.ChosenUserProfile()) {
            EXPECT_TRUE(ShowUserProfile(window, *saved, error)) << error;
        }
        return window.Confirm();
    }

    // Shows the window for `id` with a few picks changed and saves it as `name`.
    void SaveTuned(int32_t id, const std::string& name) {
        settings.ProfileId = id;
        window.Show({}); // no such file: nothing known of it
        ASSERT_TRUE(window.PickText(crFrameSize, "640*480"));
        window.SetFilter(1, true);
        std::string message;
        ASSERT_TRUE(list.Save(window, id, name, message)) << message;
    }

    TempDir dir;
    TConversionSettings settings;
    RecordingDialogs dialogs;
    TUserProfileList list;
    TOptionsWindow window;
    TFormatChooser chooser;
    int optionsShown = 0;
};

TEST_F(UserProfileList, APickOnTheFifthPageOpensTheOptionsWithTheSavedPicks) {
    ASSERT_FALSE(list.Load());
    SaveTuned(503, "  我的手机\t");
    window.Confirm();
    const TConversionSettings tuned = settings;
    ASSERT_EQ(list.Profiles().size(), 1u);
    EXPECT_EQ(list.Profiles()[0].Name, "我的手机"); // the blanks around a typed name are not kept

    // A later start reads the same entry back.
    TUserProfileList again(list.FileName());
    ASSERT_FALSE(again.Load());
    ASSERT_EQ(again.Profiles().size(), 1u);
    EXPECT_EQ(again.Profiles()[0].Values, list.Profiles()[0].Values);

    ResetConversionSettings(settings);
    chooser.ActivatePage(TProfilePage::ppComputer);
    EXPECT_EQ(chooser.ChosenUserProfile(), nullptr);
    chooser.ActivateUserPage();
    EXPECT_EQ(settings.ProfileId, 503);
    ASSERT_NE(chooser.ChosenUserProfile(), nullptr);
    chooser.Show();
    chooser.DoubleClick();
    EXPECT_EQ(optionsShown, 1);
    EXPECT_FALSE(chooser.Visible());
    EXPECT_EQ(settings.FrameSize, tuned.FrameSize);
    EXPECT_EQ(settings.VideoFilters, tuned.VideoFilters);
    EXPECT_EQ(settings.VideoBitRate, tuned.VideoBitRate);
    EXPECT_EQ(settings.OutputFile, tuned.OutputFile);

    // Back on a built-in page the window shows that profile's defaults again.
    chooser.ActivatePage(TProfilePage::ppHighDefinition);
    chooser.Show();
    chooser.Next();
    EXPECT_EQ(settings.ProfileId, 500);
    EXPECT_FALSE(window.Filter(1));
}

TEST_F(UserProfileList, RefusedNamesLeaveTheListAndTheFileAsTheyWere) {
    SaveTuned(503, "手机");
    SaveTuned(1, "电脑");
    const std::string file = ReadText(list.FileName());
    struct Case {
        std::string Name;
        const char* Message;
    };
    const Case cases[] = {
        {"", TUserProfileList::EmptyNameMessage},       {" \t ", TUserProfileList::EmptyNameMessage},
        {"两\n行", TUserProfileList::EmptyNameMessage}, {"手机", TUserProfileList::NameTakenMessage},
        {" 手机 ", TUserProfileList::NameTakenMessage},
    };
    for (const Case& c : cases) {
        std::string message;
        EXPECT_FALSE(list.Save(window, 1, c.Name, message)) << c.Name;
        EXPECT_EQ(message.rfind(c.Message, 0), 0u) << c.Name << ": " << message;
        message.clear();
        EXPECT_FALSE(list.Rename(1, c.Name, message)) << c.Name;
        EXPECT_EQ(message.rfind(c.Message, 0), 0u) << c.Name << ": " << message;
    }
    // Renaming "电脑" to its own name is no change.
    std::string message;
    EXPECT_TRUE(list.Rename(1, "电脑", message));
    ASSERT_EQ(list.Profiles().size(), 2u);
    EXPECT_EQ(list.Profiles()[1].Name, "电脑");
    EXPECT_EQ(ReadText(list.FileName()), file);
}

TEST_F(UserProfileList, RenameAndDeleteFromThePageKeepTheChooserInStep) {
    SaveTuned(503, "手机");
    SaveTuned(101, "播放器");
    chooser.ActivateUserPage();
    chooser.SelectUser(1);
    EXPECT_EQ(settings.ProfileId, 101);

    std::string message;
    ASSERT_TRUE(list.Rename(1, "旧播放器", message)) << message;
    chooser.UserProfilesChanged();
    ASSERT_NE(chooser.ChosenUserProfile(), nullptr);
    EXPECT_EQ(chooser.ChosenUserProfile()->Name, "旧播放器");

    // Deleting the selected last entry moves the pick to the one before it.
    ASSERT_TRUE(list.Delete(1, message)) << message;
    chooser.UserProfilesChanged();
    EXPECT_EQ(chooser.UserSelection(), 0);
    EXPECT_EQ(settings.ProfileId, 503);
    ASSERT_TRUE(list.Delete(0, message)) << message;
    chooser.UserProfilesChanged();
    EXPECT_EQ(chooser.UserSelection(), -1);
    EXPECT_FALSE(list.Delete(0, message)); // nothing left there

    TUserProfileList again(list.FileName());
    ASSERT_FALSE(again.Load());
    EXPECT_TRUE(again.Profiles().empty());

    // An empty page has nothing to open: "下一步" asks for a pick.
    chooser.Show();
    chooser.Next();
    EXPECT_TRUE(chooser.Visible());
    EXPECT_EQ(optionsShown, 0);
    EXPECT_EQ(dialogs.Messages, std::vector<std::string>{TFormatChooser::NoSelectionMessage});
}

TEST_F(UserProfileList, AFileThatCannotBeWrittenTakesTheChangeBack) {
    SaveTuned(503, "手机");
    // A folder where the file should be: every write fails.
    TUserProfileList blocked(dir.File("blocked"));
    std::filesystem::create_directory(blocked.FileName());
    std::string message;
    EXPECT_FALSE(blocked.Save(window, 503, "手机", message));
    EXPECT_EQ(message.rfind(TUserProfileList::WriteFailedMessage, 0), 0u) << message;
    EXPECT_TRUE(blocked.Profiles().empty());
}

TEST_F(UserProfileList, ADamagedFileAtStartGivesAMessageAndAnEmptyPage) {
    const std::string damaged = "vantoro-user-profiles 1\n[profile]\nName=a\nBase=503\nnonsense\n";
    std::ofstream(list.FileName(), std::ios::binary) << damaged;
    const auto message = list.Load();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->rfind(TUserProfileList::DamagedFileMessage, 0), 0u) << *message;
    EXPECT_TRUE(list.Profiles().empty());
    // What the user had is kept beside it before any save can replace it.
    const std::string copy = list.FileName() + TUserProfileList::DamagedSuffix;
    EXPECT_EQ(ReadText(copy), damaged);
    EXPECT_NE(message->find(copy), std::string::npos);

    chooser.ActivateUserPage();
    EXPECT_EQ(chooser.UserProfileCount(), 0);
    EXPECT_EQ(chooser.ChosenUserProfile(), nullptr);
    chooser.ActivatePage(TProfilePage::ppDevices);
    EXPECT_EQ(settings.ProfileId, 100);

    // Saving afterwards starts a good file; the copy stays as it was.
    SaveTuned(503, "手机");
    TUserProfileList again(list.FileName());
    EXPECT_FALSE(again.Load());
    EXPECT_EQ(again.Profiles().size(), 1u);
    EXPECT_EQ(ReadText(copy), damaged);
}

} // namespace
