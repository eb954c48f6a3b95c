// "保存为我的格式…" in the options window puts an entry on the chooser's fifth
// page, which opens the options window with the saved picks again; a damaged
// file of them costs a message at start, not the start.
#include "GuiTestSupport.h"

#include "app/SettingsStore.h"
#include "app/UserProfileFile.h"
#include "app/UserProfileList.h"
#include "fixtures/FixtureMaker.h"
#include "gui/FormatChooserDialog.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QInputDialog>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

#include <fstream>

namespace {

// Saved from the options window under a name, the profile is on the fifth page
// with its base's icon and opens the options window with what was saved.
TEST(UserProfilePageTest, SavedFromTheOptionsWindowAndOpenedFromTheFifthPage) {
    GuiApp();
    TempDir dir;
    TConversionSettings settings;
    settings.SourceFile = dir.File("clip.mkv");
    TRecordingDialogs dialogs;
    TUserProfileList profiles(dir.File("myprofiles.txt"));
    ASSERT_FALSE(profiles.Load());
    OptionsDialog options(settings, dialogs);
    options.Logic().SetOutputFolder(dir.Path().string());
    options.SetUserProfiles(&profiles);
    FormatChooserDialog* chooserPointer = nullptr;
    FormatChooserDialog chooser(settings, dialogs,
                                [&] { return options.Run({}, chooserPointer->Logic().ChosenUserProfile()); });
    chooserPointer = &chooser;
    chooser.SetUserProfiles(&profiles);
    ASSERT_EQ(chooser.Pages()->count(), 5);
    EXPECT_EQ(chooser.Pages()->tabText(4), QStringLiteral("我的格式"));
    EXPECT_EQ(chooser.UserPageList()->count(), 0);

    TModalScript script;
    script.ThenOn<FormatChooserDialog>([&](FormatChooserDialog*) {
        chooser.PageList(TProfilePage::ppHighDefinition)->setCurrentRow(3);
        chooser.NextButton()->click();
    });
    script.ThenOn<OptionsDialog>([&](OptionsDialog*) {
        EXPECT_EQ(options.SaveProfileButton()->text(), QStringLiteral("保存为我的格式…"));
        QComboBox* size = options.List(TChoiceRole::crFrameSize);
        size->setCurrentIndex(size->findText(QStringLiteral("640*480")));
        options.FilterBox(1)->setChecked(true);
        // Clicked from the event loop: the name box's own loop must not run
        // inside this step, whose timer would then not fire again.
        QTimer::singleShot(0, options.SaveProfileButton(), &QPushButton::click);
    });
    script.ThenOn<QInputDialog>([](QInputDialog* ask) {
        ask->setTextValue(QStringLiteral("我的手机"));
        ask->accept();
    });
    script.ThenOn<OptionsDialog>([&](OptionsDialog*) { options.CancelButton()->click(); });
    script.ThenOn<FormatChooserDialog>([&](FormatChooserDialog*) {
        QListWidget* page = chooser.UserPageList();
        ASSERT_EQ(page->count(), 1);
        EXPECT_EQ(page->item(0)->text(), QStringLiteral("我的手机"));
        EXPECT_FALSE(page->item(0)->icon().isNull()); // the base profile's icon
        chooser.Pages()->setCurrentIndex(4);
        EXPECT_EQ(page->currentRow(), 0);
        chooser.NextButton()->click();
    });
    script.ThenOn<OptionsDialog>([&](OptionsDialog*) {
        EXPECT_EQ(options.List(TChoiceRole::crFrameSize)->currentText(), QStringLiteral("640*480"));
        EXPECT_TRUE(options.FilterBox(1)->isChecked());
        options.ConfirmButton()->click();
    });
    EXPECT_TRUE(chooser.Run());
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(settings.ProfileId, 503);
    EXPECT_TRUE(dialogs.Messages.empty());

    TUserProfileList again(profiles.FileName());
    ASSERT_FALSE(again.Load());
    ASSERT_EQ(again.Profiles().size(), 1u);
    EXPECT_EQ(again.Profiles()[0].BaseId, 503);
}

TEST(UserProfilePageTest, ADamagedFileGivesAMessageAndTheWindowStillWorks) {
    GuiApp();
    TempDir dir;
    TSettingsStore store(dir.File("system.ini"), dir.Path().string());
    std::ofstream(UserProfileFilePath(store), std::ios::binary) << "not a file of profiles\n";
    TFakePlatform platform;
    MainWindow window(platform, store, QString::fromStdString(dir.Path().string()));
    QString shown;
    TModalScript script;
    script.ThenOn<QMessageBox>([&](QMessageBox* box) {
        shown = box->text();
        AnswerMessageBox(box, true);
    });
    window.show();
    ASSERT_TRUE(WaitFor([&] { return script.Done(); }));
    EXPECT_TRUE(shown.startsWith(QStringLiteral("我的格式文件已损坏"))) << shown.toStdString();
    EXPECT_TRUE(window.UserProfiles().Profiles().empty());

    // The add goes through the built-in pages; the fifth is there and empty.
    platform.OneFile = dir.File("clip.mkv");
    std::ofstream(*platform.OneFile) << "";
    TModalScript add;
    add.ThenOn<FormatChooserDialog>([](FormatChooserDialog* chooser) {
        EXPECT_EQ(chooser->UserPageList()->count(), 0);
        chooser->CancelButton()->click();
    });
    window.AddMenu()->actions().at(0)->trigger();
    EXPECT_TRUE(WaitFor([&] { return add.Done() && !window.Logic().Adding(); }));
}

} // namespace
