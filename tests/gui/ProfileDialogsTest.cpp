// The format chooser's page rule and empty clicks, and the options window's
// audio mode and clip messages, through their widgets.
#include "GuiTestSupport.h"
#include "fixtures/SourceFactsOfFile.h"

#include "fixtures/FixtureMaker.h"
#include "gui/FormatChooserDialog.h"
#include "gui/OptionsDialog.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(FormatChooserDialogTest, ActivatingAPageSelectsItsFirstItem) {
    GuiApp();
    TConversionSettings settings;
    TRecordingDialogs dialogs;
    int optionsShown = 0;
    FormatChooserDialog chooser(settings, dialogs, [&] { return ++optionsShown, true; });
    EXPECT_EQ(settings.ProfileId, 500);
    EXPECT_EQ(chooser.Pages()->currentIndex(), 0);
    EXPECT_EQ(chooser.Pages()->tabText(3), QStringLiteral("更多音频格式"));

    chooser.PageList(TProfilePage::ppHighDefinition)->setCurrentRow(2);
    EXPECT_EQ(settings.ProfileId, 502);
    chooser.Pages()->setCurrentIndex(3);
    EXPECT_EQ(settings.ProfileId, 200);
    EXPECT_EQ(chooser.PageList(TProfilePage::ppAudio)->currentRow(), 0);
    EXPECT_EQ(chooser.PageList(TProfilePage::ppAudio)->currentItem()->text(), QStringLiteral("MP3音频格式"));
    chooser.Pages()->setCurrentIndex(0);
    EXPECT_EQ(settings.ProfileId, 500);
    EXPECT_EQ(chooser.PageList(TProfilePage::ppHighDefinition)->currentRow(), 0);

    chooser.Pages()->setCurrentIndex(2);
    chooser.PageList(TProfilePage::ppComputer)->setCurrentRow(4);
    EXPECT_EQ(settings.ProfileId, 5);
    EXPECT_EQ(optionsShown, 0);
}

TEST(FormatChooserDialogTest, EmptySpaceAsksForAPickAndNextLeadsToTheOptions) {
    GuiApp();
    TConversionSettings settings;
    TRecordingDialogs dialogs;
    int optionsShown = 0;
    bool confirm = false;
    FormatChooserDialog chooser(settings, dialogs, [&] { return ++optionsShown, confirm; });
    TModalScript script;
    QListWidget* list = chooser.PageList(TProfilePage::ppHighDefinition);
    script.ThenOn<FormatChooserDialog>([&](FormatChooserDialog*) {
        const QPoint empty(list->viewport()->width() - 3, list->viewport()->height() - 3);
        ASSERT_EQ(list->itemAt(empty), nullptr);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, empty);
        EXPECT_EQ(dialogs.Messages,
                  std::vector<std::string>{"请选择一个要转换的类型,然后点击“下一步”按钮！"});
        EXPECT_EQ(optionsShown, 0);
        EXPECT_TRUE(chooser.isVisible());
        list->setCurrentRow(1);
        chooser.NextButton()->click(); // the options window is cancelled: the chooser comes back
    });
    script.ThenOn<FormatChooserDialog>([&](FormatChooserDialog*) {
        EXPECT_EQ(optionsShown, 1);
        EXPECT_EQ(list->currentRow(), 1);
        confirm = true;
        chooser.NextButton()->click();
    });
    EXPECT_TRUE(chooser.Run());
    EXPECT_EQ(optionsShown, 2);
    EXPECT_EQ(settings.ProfileId, 501);

    TModalScript cancel;
    cancel.ThenOn<FormatChooserDialog>([&](FormatChooserDialog*) { chooser.CancelButton()->click(); });
    EXPECT_FALSE(chooser.Run());
    EXPECT_EQ(chooser.Logic().ChooserResult(), TFormatChooser::ResultCancelled);
}

class OptionsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        GuiApp();
        static TempDir dir;
        static const std::string clip = [] {
            const std::string file = dir.File("source.mp4");
            MakeClip(file, VideoAndAudioClip(3.0));
            return file;
        }();
        settings_.SourceFile = clip;
        options_ = std::make_unique<OptionsDialog>(settings_, dialogs_);
        options_->Logic().SetOutputFolder(dir.Path().string());
    }
    TConversionSettings settings_;
    TRecordingDialogs dialogs_;
    std::unique_ptr<OptionsDialog> options_;
};

TEST_F(OptionsDialogTest, AnAudioProfileDisablesTheVideoControls) {
    settings_.ProfileId = 200;
    options_->Logic().SetClipPermission(true);
    TModalScript script;
    script.ThenOn<OptionsDialog>([&](OptionsDialog* window) {
        QComboBox* encoder = window->List(TChoiceRole::crVideoEncoder);
        EXPECT_FALSE(encoder->isEnabled());
        EXPECT_EQ(encoder->currentText(), QStringLiteral("该格式无视频"));
        for (auto role : {TChoiceRole::crVideoBitRate, TChoiceRole::crFrameSize, TChoiceRole::crFrameRate,
                          TChoiceRole::crAspect})
            EXPECT_FALSE(window->List(role)->isEnabled()) << static_cast<int>(role);
        for (int i = 0; i < 3; ++i)
            EXPECT_FALSE(window->FilterBox(i)->isEnabled()) << i;
        EXPECT_FALSE(window->AutoDeinterlaceBox()->isEnabled());
        for (auto role : {TChoiceRole::crAudioEncoder, TChoiceRole::crAudioBitRate, TChoiceRole::crSampleRate,
                          TChoiceRole::crChannels, TChoiceRole::crVolume})
            EXPECT_TRUE(window->List(role)->isEnabled()) << static_cast<int>(role);
        EXPECT_TRUE(window->ClipCheck()->isEnabled());
        window->ConfirmButton()->click();
    });
    EXPECT_TRUE(options_->Run(SourceFactsOfFile(settings_.SourceFile)));
    EXPECT_TRUE(settings_.AudioOnly);
    EXPECT_EQ(settings_.OutputFile.substr(settings_.OutputFile.size() - 4), ".mp3");

    // A video profile in the next showing turns them back on.
    settings_.ProfileId = 500;
    TModalScript video;
    video.ThenOn<OptionsDialog>([&](OptionsDialog* window) {
        EXPECT_TRUE(window->List(TChoiceRole::crVideoEncoder)->isEnabled());
        EXPECT_TRUE(window->FilterBox(0)->isEnabled());
        // "自动去隔行" is ticked for a new job, and what the user makes of it goes to the logic.
        QCheckBox* deinterlace = window->AutoDeinterlaceBox();
        EXPECT_TRUE(deinterlace->isEnabled());
        EXPECT_TRUE(deinterlace->isChecked());
        EXPECT_EQ(deinterlace->text(), QStringLiteral("自动去隔行"));
        deinterlace->click();
        EXPECT_EQ(window->Logic().Deinterlace(), TDeinterlace::Off);
        window->CancelButton()->click();
    });
    EXPECT_FALSE(options_->Run(SourceFactsOfFile(settings_.SourceFile)));
}

TEST_F(OptionsDialogTest, ClipBoxesTakeDigitsOnlyAndABadRangeKeepsTheWindowOpen) {
    settings_.ProfileId = 500;
    options_->Logic().SetClipPermission(true);
    TModalScript script;
    script.ThenOn<OptionsDialog>([&](OptionsDialog* window) {
        EXPECT_FALSE(window->ClipBox(0)->isEnabled());
        EXPECT_EQ(window->ClipBox(5)->text(), QStringLiteral("03")); // the source's length
        window->ClipCheck()->click();
        ASSERT_TRUE(window->ClipBox(0)->isEnabled());

        QLineEdit* stopSeconds = window->ClipBox(5);
        QTest::keyClick(stopSeconds, Qt::Key_A, Qt::NoModifier);
        EXPECT_EQ(dialogs_.Messages, std::vector<std::string>{"对不起，这里只能输入数字！"});
        EXPECT_EQ(stopSeconds->text(), QStringLiteral("03"));
        QTest::keyClick(stopSeconds, Qt::Key_Backspace);
        QTest::keyClick(stopSeconds, Qt::Key_Backspace);
        QTest::keyClicks(stopSeconds, QStringLiteral("09"));
        QTest::keyClick(stopSeconds, Qt::Key_Return); // accepted silently, no default button
        EXPECT_EQ(stopSeconds->text(), QStringLiteral("09"));
        EXPECT_EQ(dialogs_.Messages.size(), 1u);

        window->ConfirmButton()->click();
        ASSERT_EQ(dialogs_.Messages.size(), 2u);
        EXPECT_EQ(dialogs_.Messages[1], "截取时间设置错误，不允许停止时间大于时间长度！");
        EXPECT_TRUE(window->isVisible());

        QTest::keyClick(stopSeconds, Qt::Key_Backspace);
        QTest::keyClick(stopSeconds, Qt::Key_Backspace);
        QTest::keyClick(stopSeconds, Qt::Key_0);
        window->ConfirmButton()->click();
        ASSERT_EQ(dialogs_.Messages.size(), 3u);
        EXPECT_EQ(dialogs_.Messages[2], "截取时间设置错误，不允许起始时间大于等于停止时间！");

        QTest::keyClick(stopSeconds, Qt::Key_2);
        window->ConfirmButton()->click();
    });
    EXPECT_TRUE(options_->Run(SourceFactsOfFile(settings_.SourceFile)));
    EXPECT_EQ(dialogs_.Messages.size(), 3u);
    EXPECT_EQ(settings_.ClipStart, 0);
    EXPECT_EQ(settings_.ClipLength, 2000);
}

TEST_F(OptionsDialogTest, ClipBoxesEditLikeTextBoxesAndShowTheValueUsed) {
    settings_.ProfileId = 500;
    options_->Logic().SetClipPermission(true);
    TModalScript script;
    script.ThenOn<OptionsDialog>([&](OptionsDialog* window) {
        window->ClipCheck()->click();
        const TOptionsWindow& logic = window->Logic();
        QLineEdit* startSeconds = window->ClipBox(2);
        QLineEdit* stopSeconds = window->ClipBox(5);
        ASSERT_EQ(stopSeconds->text(), QStringLiteral("03"));

        // A selected "00" is typed over.
        startSeconds->selectAll();
        QTest::keyClick(startSeconds, Qt::Key_1);
        EXPECT_EQ(startSeconds->text(), QStringLiteral("1"));
        EXPECT_EQ(logic.ClipBox(2), "1");
        // Backspace takes the selection, not the last digit.
        stopSeconds->setSelection(0, 1);
        QTest::keyClick(stopSeconds, Qt::Key_Backspace);
        EXPECT_EQ(stopSeconds->text(), QStringLiteral("3"));
        // Home, then a digit goes in front.
        QTest::keyClick(stopSeconds, Qt::Key_Home);
        QTest::keyClick(stopSeconds, Qt::Key_0);
        EXPECT_EQ(stopSeconds->text(), QStringLiteral("03"));
        EXPECT_EQ(logic.ClipBox(5), "03");
        EXPECT_TRUE(dialogs_.Messages.empty());

        // Pasted letters get the message and are never shown.
        QApplication::clipboard()->setText(QStringLiteral("ab"));
        startSeconds->selectAll();
        QTest::keyClick(startSeconds, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(dialogs_.Messages, std::vector<std::string>{"对不起，这里只能输入数字！"});
        EXPECT_EQ(startSeconds->text(), QStringLiteral("1"));
        EXPECT_EQ(logic.ClipBox(2), "1");
        // Pasted digits go in like typed ones.
        QApplication::clipboard()->setText(QStringLiteral("2"));
        startSeconds->selectAll();
        QTest::keyClick(startSeconds, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(startSeconds->text(), QStringLiteral("2"));
        EXPECT_EQ(logic.ClipBox(2), "2");

        // An emptied box shows the "00" it stands for, before and after a refused confirmation.
        QLineEdit* startMinutes = window->ClipBox(1);
        startMinutes->selectAll();
        QTest::keyClick(startMinutes, Qt::Key_Delete);
        EXPECT_EQ(startMinutes->text(), QString());
        EXPECT_EQ(startMinutes->placeholderText(), QStringLiteral("00"));
        stopSeconds->selectAll();
        QTest::keyClicks(stopSeconds, QStringLiteral("09")); // past the 3-second source
        window->ConfirmButton()->click();
        ASSERT_EQ(dialogs_.Messages.size(), 2u);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(startMinutes->text(), QStringLiteral("00"));
        EXPECT_EQ(logic.ClipBox(1), "00");

        stopSeconds->selectAll();
        QTest::keyClicks(stopSeconds, QStringLiteral("03"));
        window->ConfirmButton()->click();
    });
    EXPECT_TRUE(options_->Run(SourceFactsOfFile(settings_.SourceFile)));
    EXPECT_EQ(settings_.ClipStart, 2000);
    EXPECT_EQ(settings_.ClipLength, 1000);
}

TEST_F(OptionsDialogTest, TrackListsShowTheSourcesTracksAndTheirPicksBecomeValues) {
    static TempDir dir;
    static const std::string film = [] {
        const std::string file = dir.File("film.mkv");
        ClipSpec spec = VideoAndAudioClip(0.4);
        AudioTrackSpec english;
        english.Metadata = {{"language", "eng"}};
        spec.Audio.push_back(english);
        SubtitleTrackSpec subtitles;
        subtitles.CuesUs = {{0, 300000}};
        spec.Subtitles = {subtitles};
        MakeClip(file, spec);
        return file;
    }();
    settings_.SourceFile = film;
    settings_.ProfileId = 509; // MKV: holds picture subtitles
    TModalScript script;
    script.ThenOn<OptionsDialog>([&](OptionsDialog* window) {
        EXPECT_EQ(window->AudioTrackList()->count(), 2);
        EXPECT_TRUE(window->AudioTrackList()->isEnabled());
        EXPECT_EQ(window->SubtitleModeList()->currentText(), QStringLiteral("不要字幕"));
        EXPECT_EQ(window->SubtitleModeList()->count(), 3);
        window->AudioTrackList()->setCurrentIndex(1);
        window->SubtitleModeList()->setCurrentIndex(
            window->SubtitleModeList()->findText(QStringLiteral("保留字幕")));
        window->ConfirmButton()->click();
    });
    EXPECT_TRUE(options_->Run(SourceFactsOfFile(settings_.SourceFile)));
    EXPECT_EQ(settings_.AudioTrack, 2);
    EXPECT_EQ(settings_.Subtitles, SubtitlesKeep);
    EXPECT_EQ(settings_.SubtitleTrack, 0);
}

TEST_F(OptionsDialogTest, SeveralFilesLeaveTheClipBoxDisabled) {
    options_->Logic().SetClipPermission(false);
    TModalScript script;
    script.ThenOn<OptionsDialog>([&](OptionsDialog* window) {
        EXPECT_FALSE(window->ClipCheck()->isEnabled());
        EXPECT_FALSE(window->ClipCheck()->isChecked());
        window->ConfirmButton()->click();
    });
    EXPECT_TRUE(options_->Run(SourceFactsOfFile(settings_.SourceFile)));
    EXPECT_EQ(settings_.ClipMode, ClipNoSelect);
    EXPECT_EQ(settings_.ClipLength, -1);
}

} // namespace
