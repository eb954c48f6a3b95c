// The English program: its windows speak English, every text the catalogue and
// the window logic show has a translation, and what is stored stays the
// Chinese values, so a job list saved in English restores in Chinese.
#include "GuiTestSupport.h"

#include "app/JobList.h"
#include "app/MainWindowTexts.h"
#include "app/SettingsStore.h"
#include "app/Skins.h"
#include "app/ToolHints.h"
#include "fixtures/FixtureMaker.h"
#include "gui/FormatChooserDialog.h"
#include "gui/JobListTable.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"
#include "gui/QtTranslations.h"
#include "gui/UiText.h"
#include "profiles/ChoiceLists.h"
#include "profiles/OutputProfile.h"
#include "profiles/Translation.h"

#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

constexpr int StatusColumn = 6;

bool HasChinese(std::string_view text) {
    // Every CJK ideograph and full-width sign of our texts starts with one of these UTF-8 lead bytes.
    for (const unsigned char c : text)
        if (c >= 0xe3 && c <= 0xef)
            return true;
    return false;
}

std::string ReadAll(const std::string& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class EnglishTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(InstallProgramTranslation(GuiApp(), TLanguage::English)); }
    void TearDown() override { RemoveProgramTranslation(); }
};

TEST_F(EnglishTest, EveryShownCatalogueAndWindowTextHasATranslation) {
    std::vector<std::string_view> texts;
    for (const TOutputProfile& profile : AllProfiles())
        texts.push_back(profile.Label);
    for (const TProfilePage page : ProfilePages)
        texts.push_back(PageCaption(page));
    for (int role = 0; role < ChoiceRoleCount; ++role)
        texts.push_back(RoleCaption(static_cast<TChoiceRole>(role)));
    for (const TOutputProfile& profile : AllProfiles())
        for (const TListChoice& list : *ChoicesFor(profile.Id))
            texts.insert(texts.end(), list.Items.begin(), list.Items.end());
    for (const TNamedList& list : SharedLists())
        texts.insert(texts.end(), list.Items.begin(), list.Items.end());
    for (const TSkin& skin : Skins())
        texts.push_back(skin.MenuItem);
    for (const TToolButton button :
         {TToolButton::Add, TToolButton::Remove, TToolButton::Clear, TToolButton::Start, TToolButton::Pause,
          TToolButton::Stop, TToolButton::Skin, TToolButton::Help}) {
        texts.push_back(ToolButtonCaption(button));
        texts.push_back(ToolButtonHint(button));
    }
    for (const char* status : {StatusWaiting, StatusConverting, StatusPaused, StatusStopped, StatusStopping,
                               StatusFinished, StatusFailed})
        texts.push_back(status);
    for (const char* caption : MainTexts::JobColumns)
        texts.push_back(caption);
    std::vector<std::string> untranslated;
    for (const std::string_view text : texts)
        if (HasChinese(text) && HasChinese(UiText(text).toStdString()))
            untranslated.emplace_back(text);
    EXPECT_TRUE(untranslated.empty())
        << untranslated.size() << " untranslated, the first: " << untranslated.front();
    // The app's own hook follows the installed translation.
    EXPECT_EQ(Tr(StatusWaiting), "Ready");
}

TEST_F(EnglishTest, TheWindowsSpeakEnglishAndTheJobListRestoresInChinese) {
    TempDir dir;
    const std::string clip = dir.File("clip.mp4");
    MakeClip(clip, VideoAndAudioClip(0.5));
    TSettingsStore store(dir.File("system.ini"), dir.Path().string());
    const std::string jobList = dir.File("joblist.txt");
    TFakePlatform platform;
    {
        MainWindow window(platform, store, QString::fromStdString(dir.Path().string()), jobList);
        window.show();
        QApplication::processEvents();
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Vantoro"));
        EXPECT_EQ(window.ToolButton(TToolButton::Start)->text(), QStringLiteral("Convert"));
        EXPECT_EQ(window.ToolButton(TToolButton::Add)->text(), QStringLiteral("Add"));
        EXPECT_EQ(window.PanelButton(0)->text(), QStringLiteral("Up"));
        EXPECT_EQ(window.Jobs()->horizontalHeaderItem(StatusColumn)->text(), QStringLiteral("Status"));
        EXPECT_EQ(window.AddMenu()->actions().at(0)->text(), QStringLiteral("Add one video file"));
        EXPECT_EQ(window.IfExistsBox()->itemText(0), QStringLiteral("Make a new file name"));

        platform.OneFile = clip;
        TModalScript script;
        QString profileLabel, pageCaption, encoderItem, confirm;
        script.ThenOn<FormatChooserDialog>([&](FormatChooserDialog* chooser) {
            profileLabel = chooser->PageList(TProfilePage::ppHighDefinition)->item(0)->text();
            pageCaption = chooser->Pages()->tabText(0);
            chooser->NextButton()->click();
        });
        script.ThenOn<OptionsDialog>([&](OptionsDialog* options) {
            encoderItem = options->List(TChoiceRole::crVideoEncoder)->currentText();
            confirm = options->ConfirmButton()->text();
            options->ConfirmButton()->click();
        });
        window.AddMenu()->actions().at(0)->trigger();
        ASSERT_TRUE(script.Done());
        EXPECT_EQ(profileLabel, QStringLiteral("HD MP4 video"));
        EXPECT_EQ(pageCaption, QStringLiteral("HD and common video"));
        EXPECT_FALSE(HasChinese(encoderItem.toStdString())) << encoderItem.toStdString();
        EXPECT_EQ(confirm, QStringLiteral("OK"));
        ASSERT_EQ(window.Jobs()->rowCount(), 1);
        EXPECT_EQ(window.Jobs()->item(0, StatusColumn)->text(), QStringLiteral("Ready"));
        window.close();
    }
    // The file holds the values, not the English words.
    const std::string saved = ReadAll(jobList);
    EXPECT_NE(saved.find(StatusWaiting), std::string::npos) << saved;
    EXPECT_EQ(saved.find("Ready"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("encoder"), std::string::npos) << saved;

    RemoveProgramTranslation();
    MainWindow chinese(platform, store, QString::fromStdString(dir.Path().string()), jobList);
    chinese.show();
    QApplication::processEvents();
    ASSERT_EQ(chinese.Jobs()->rowCount(), 1);
    EXPECT_EQ(chinese.Jobs()->item(0, StatusColumn)->text().toStdString(), StatusWaiting);
    EXPECT_EQ(chinese.ToolButton(TToolButton::Start)->text().toStdString(), "转换");
}

} // namespace
