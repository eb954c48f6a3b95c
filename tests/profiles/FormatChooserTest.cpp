// The format chooser: the selection rule, page switching, the no-selection
// message and the hand-over to the options window.

#include "profiles/FormatChooser.h"
#include "FakeDialogs.h"

#include <gtest/gtest.h>

namespace {

struct ChooserTest : testing::Test {
    TConversionSettings settings;
    FakeDialogs dialogs;
    int optionsShown = 0;
    bool optionsConfirm = true;
    int closed = 0;
    TFormatChooser chooser{settings, dialogs, [this] {
                               ++optionsShown;
                               return optionsConfirm;
                           }};
    ChooserTest() {
        chooser.OnClosed = [this] { ++closed; };
    }
};

TEST_F(ChooserTest, UntouchedChooserGivesTheFirstHighDefinitionProfile) {
    settings.ProfileId = 7; // left from nowhere: creation selects afresh
    TFormatChooser fresh(settings, dialogs, [] { return true; });
    EXPECT_EQ(settings.ProfileId, 500);
    EXPECT_EQ(fresh.ActivePage(), TProfilePage::ppHighDefinition);
    EXPECT_EQ(fresh.Selection(TProfilePage::ppComputer), 0);
    EXPECT_EQ(fresh.Selection(TProfilePage::ppDevices), 0);
    EXPECT_EQ(fresh.Selection(TProfilePage::ppAudio), -1);

    chooser.Show();
    chooser.Next();
    EXPECT_EQ(settings.ProfileId, 500);
    EXPECT_EQ(optionsShown, 1);
    EXPECT_FALSE(chooser.Visible());
    EXPECT_EQ(chooser.ChooserResult(), TFormatChooser::ResultGoOn);
    EXPECT_EQ(closed, 1);
}

TEST_F(ChooserTest, ActivatingAPageSelectsItsFirstItem) {
    chooser.Show();
    chooser.Select(TProfilePage::ppHighDefinition, 8); // "高清WMV视频格式"
    EXPECT_EQ(settings.ProfileId, 508);
    chooser.ActivatePage(TProfilePage::ppAudio);
    EXPECT_EQ(settings.ProfileId, 200);
    EXPECT_EQ(chooser.Selection(TProfilePage::ppAudio), 0);
    chooser.ActivatePage(TProfilePage::ppHighDefinition);
    EXPECT_EQ(settings.ProfileId, 500);
    EXPECT_EQ(chooser.Selection(TProfilePage::ppHighDefinition), 0);

    chooser.ActivatePage(TProfilePage::ppComputer);
    chooser.Select(TProfilePage::ppComputer, 4);
    EXPECT_EQ(settings.ProfileId, 5);
    EXPECT_EQ(FindProfile(settings.ProfileId)->Label, "Sony(索尼) PS3 MP4视频");
    // A position past the list clears the selection and keeps the identifier.
    chooser.Select(TProfilePage::ppComputer, 24);
    EXPECT_EQ(chooser.Selection(TProfilePage::ppComputer), -1);
    EXPECT_EQ(settings.ProfileId, 5);
}

TEST_F(ChooserTest, ClicksWithoutSelectionShowTheMessageAndOpenNothing) {
    chooser.Show();
    chooser.Click();
    EXPECT_TRUE(dialogs.Messages.empty());
    chooser.Select(TProfilePage::ppHighDefinition, -1);
    chooser.Click();
    chooser.DoubleClick();
    ASSERT_EQ(dialogs.Messages.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(dialogs.Messages[i], "请选择一个要转换的类型,然后点击“下一步”按钮！");
        EXPECT_EQ(dialogs.Captions[i], "提示");
    }
    EXPECT_EQ(optionsShown, 0);
    EXPECT_TRUE(chooser.Visible());

    chooser.Select(TProfilePage::ppHighDefinition, 3);
    chooser.DoubleClick();
    EXPECT_EQ(optionsShown, 1);
    EXPECT_EQ(settings.ProfileId, 503);
}

TEST_F(ChooserTest, CancelledOptionsShowTheChooserAgain) {
    optionsConfirm = false;
    chooser.Show();
    chooser.Next();
    EXPECT_TRUE(chooser.Visible());
    EXPECT_EQ(closed, 0);
    optionsConfirm = true;
    chooser.Next();
    EXPECT_FALSE(chooser.Visible());
    EXPECT_EQ(chooser.ChooserResult(), TFormatChooser::ResultGoOn);
}

TEST_F(ChooserTest, CancelAndCloseBoxAbandonTheAddButKeepThePage) {
    chooser.Show();
    chooser.ActivatePage(TProfilePage::ppDevices);
    chooser.Select(TProfilePage::ppDevices, 6);
    chooser.Cancel();
    EXPECT_EQ(chooser.ChooserResult(), TFormatChooser::ResultCancelled);
    EXPECT_FALSE(chooser.Visible());
    EXPECT_EQ(closed, 1);

    chooser.Show();
    EXPECT_EQ(chooser.ChooserResult(), TFormatChooser::ResultGoOn);
    EXPECT_EQ(chooser.ActivePage(), TProfilePage::ppDevices);
    EXPECT_EQ(chooser.Selection(TProfilePage::ppDevices), 6);
    EXPECT_EQ(settings.ProfileId, 106);

    // The close box has not let the options window write the settings.
    chooser.CloseBox();
    EXPECT_EQ(chooser.ChooserResult(), TFormatChooser::ResultCancelled);
    EXPECT_EQ(optionsShown, 0);
}

} // namespace
