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
#include "gui/AboutDialog.h"
#include "gui/FormatChooserDialog.h"
#include "gui/JobListTable.h"
#include "gui/MainWindow.h"
#include "gui/MediaInfoDialog.h"
#include "gui/OptionsDialog.h"
#include "gui/PasswordDialog.h"
#include "gui/QtTranslations.h"
#include "gui/UiText.h"
#include "gui/UpdateDialog.h"
#include "profiles/ChoiceLists.h"
#include "profiles/OutputProfile.h"
#include "profiles/Translation.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
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

// The texts of `window` that its widgets show cut off: a label or button
// narrower than its text needs, a list item wider than its box, a group or
// column caption wider than its group or column, tabs that do not all fit.
QStringList CutOffTexts(QWidget* window) {
    QStringList cut;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window))
            continue;
        const QFontMetrics metrics = widget->fontMetrics();
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            if (!label->wordWrap() && !label->text().isEmpty() && label->sizeHint().width() > label->width())
                cut << label->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            if (!button->text().isEmpty() && button->sizeHint().width() > button->width())
                cut << button->text();
        } else if (auto* box = qobject_cast<QComboBox*>(widget)) {
            QStyleOptionComboBox option;
            option.initFrom(box);
            const int room =
                box->style()
                    ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box)
                    .width();
            for (int i = 0; i < box->count(); ++i)
                if (metrics.horizontalAdvance(box->itemText(i)) > room)
                    cut << box->itemText(i);
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            if (metrics.horizontalAdvance(group->title()) + 16 > group->width())
                cut << group->title();
        } else if (auto* tabs = qobject_cast<QTabBar*>(widget)) {
            if (tabs->sizeHint().width() > tabs->width())
                for (int i = 0; i < tabs->count(); ++i)
                    cut << tabs->tabText(i);
        } else if (auto* table = qobject_cast<QTableWidget*>(widget)) {
            // Paths are elided on purpose; every other cell shows whole.
            for (int row = 0; row < table->rowCount(); ++row)
                for (int column = 0; column < table->columnCount(); ++column) {
                    const QTableWidgetItem* item = table->item(row, column);
                    if (item != nullptr && !item->text().contains(u'/') &&
                        metrics.horizontalAdvance(item->text()) + 8 > table->columnWidth(column))
                        cut << item->text();
                }
        } else if (auto* header = qobject_cast<QHeaderView*>(widget)) {
            const auto* model = header->model();
            for (int i = 0; model != nullptr && i < header->count(); ++i) {
                const QString text = model->headerData(i, header->orientation()).toString();
                // The header's own margins, about a character's width either side.
                if (metrics.horizontalAdvance(text) + 8 > header->sectionSize(i))
                    cut << text;
            }
        }
    }
    return cut;
}

// Writes the picture beside the test program, for a person to look at, and
// checks that nothing in it is cut off.
void CheckAndSave(QWidget* window, const char* name) {
    QDir dir(QCoreApplication::applicationDirPath());
    dir.mkpath(QStringLiteral("screenshots"));
    window->grab().save(dir.filePath(QStringLiteral("screenshots/en-%1.png").arg(QString::fromUtf8(name))));
    const QStringList cut = CutOffTexts(window);
    EXPECT_TRUE(cut.isEmpty()) << name << ": " << cut.join(QStringLiteral(" | ")).toStdString();
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
    for (const TOutputProfile& profile : AllProfiles()) {
        const std::optional<TProfileChoices> choices = ChoicesFor(profile.Id);
        for (const TListChoice& list : *choices)
            for (const TChoiceItem& item : list.Items)
                texts.push_back(item.Label);
    }
    for (const TNamedList& list : SharedLists())
        for (const TChoiceItem& item : list.Items)
            texts.push_back(item.Label);
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
        EXPECT_EQ(window.IfExistsBox()->itemText(0), QStringLiteral("Make a new name"));

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
        ASSERT_TRUE(WaitFor([&] { return script.Done() && !window.Logic().Adding(); }));
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

TEST_F(EnglishTest, NoWindowShowsATextCutOff) {
    TempDir dir;
    // Long enough that the run is still going when "Stop" asks.
    const std::string clip = dir.File("Holiday 2024.mp4");
    ClipSpec spec = VideoAndAudioClip(20.0);
    spec.Video[0].Width = 640;
    spec.Video[0].Height = 480;
    MakeClip(clip, spec);
    TSettingsStore store(dir.File("system.ini"), dir.Path().string());
    TFakePlatform platform;
    MainWindow window(platform, store, QString::fromStdString(dir.Path().string()));
    window.show();
    QApplication::processEvents();

    platform.OneFile = clip;
    TModalScript script;
    script.ThenOn<FormatChooserDialog>([&](FormatChooserDialog* chooser) {
        for (int page = chooser->Pages()->count() - 1; page >= 0; --page) {
            chooser->Pages()->setCurrentIndex(page);
            CheckAndSave(chooser, ("format-chooser-" + std::to_string(page + 1)).c_str());
        }
        chooser->NextButton()->click();
    });
    script.ThenOn<OptionsDialog>([&](OptionsDialog* options) {
        CheckAndSave(options, "options-window");
        options->ConfirmButton()->click();
    });
    script.ThenOn<MediaInfoDialog>([](MediaInfoDialog* info) {
        CheckAndSave(info, "media-info");
        info->accept();
    });
    script.ThenOn<AboutDialog>([](AboutDialog* about) {
        CheckAndSave(about, "about");
        about->accept();
    });
    script.ThenOn<QMessageBox>([](QMessageBox* box) {
        CheckAndSave(box, "stop-question");
        AnswerMessageBox(box, false);
    });
    window.AddMenu()->actions().at(0)->trigger();
    ASSERT_TRUE(WaitFor([&] { return window.Jobs()->rowCount() == 1 && !window.Logic().Adding(); }));
    window.PanelButton(4)->click();
    window.HelpMenu()->actions().at(4)->trigger();
    window.ToolButton(TToolButton::Start)->click();
    ASSERT_TRUE(WaitFor([&] { return window.Jobs()->RowProgress(0) > 0; }));
    window.ToolButton(TToolButton::Stop)->click();
    EXPECT_TRUE(script.Done());
    CheckAndSave(&window, "main-window");
    TModalScript stop;
    stop.ThenOn<QMessageBox>([](QMessageBox* box) { AnswerMessageBox(box, true); });
    window.ToolButton(TToolButton::Stop)->click();
    ASSERT_TRUE(WaitFor([&] { return !window.Logic().Running(); }));
    CheckAndSave(&window, "main-window-stopped");

    UpdateDialog update(platform, store.SettingsFile(), &window);
    update.show();
    QApplication::processEvents();
    CheckAndSave(&update, "update");
    PasswordDialog password(&window);
    password.show();
    QApplication::processEvents();
    CheckAndSave(&password, "password");
}

} // namespace
