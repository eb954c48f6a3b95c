// The main window's logic through a fake view and platform: adding files,
// the list operations, whole runs with pause, resume and stop, the final
// statuses, the completion actions and closing during a run.
#include "app/MainWindowLogic.h"
#include "AppFakes.h"
#include "app/PasswordLock.h"
#include "app/ScriptedFormatChoice.h"
#include "fixtures/FixtureMaker.h"
#include "media/FFmpegLoader.h"
#include "media/FFmpegLogger.h"
#include "media/MainThreadDispatcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr int32_t WavProfile = 202; // audio only, PCM: the quickest conversion
constexpr int32_t MpegProfile = 18; // MPEG-1 video with MP2 audio

class MainWindowLogicTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(FFmpegLoader().BindSet(ConverterLibrarySet));
        clips_ = new TempDir;
        for (const char* name : {"a.mkv", "b.avi", "c.mp4"})
            MakeClip(clips_->File(name), VideoAndAudioClip(1.0));
        ClipSpec mpeg = VideoAndAudioClip(1.0);
        mpeg.Format = "mpeg";
        MakeClip(clips_->File("movie.DAT"), mpeg);
        MakeClip(clips_->File("long.mkv"), VideoAndAudioClip(20.0));
        WriteRandomBytes(clips_->File("noise.avi"), 4096);
    }
    static void TearDownTestSuite() {
        delete clips_;
        clips_ = nullptr;
    }

    void SetUp() override {
        fs::create_directories(dir.Path() / "program");
        fs::create_directories(dir.Path() / "home");
        fs::create_directories(Out());
        store = std::make_unique<TSettingsStore>((dir.Path() / "program" / "system.ini").string(),
                                                 (dir.Path() / "home").string());
        store->WriteOutputFolder(Out().string());
        view.Chooser = [this](TConversionSettings& settings, const std::string& folder, bool allowClip) {
            std::string error;
            const bool ok = RunScriptedFormatChoice(script, settings, folder, allowClip, error);
            EXPECT_TRUE(ok) << error;
            return ok;
        };
        logic = std::make_unique<TMainWindowLogic>(view, platform, *store, (dir.Path() / "program").string());
        logic->Initialise();
        logic->SetCompletionAction(caNothing);
    }

    static std::string Clip(const std::string& name) { return clips_->File(name); }
    fs::path Out() const { return dir.Path() / "out"; }
    std::string Out(const std::string& name) const { return (Out() / name).string(); }

    void AddOne(const std::string& file) {
        platform.OneFile = file;
        logic->AddOneFile();
    }
    void AddMany(const std::vector<std::string>& files) {
        platform.ManyFiles = files;
        logic->AddManyFiles();
        ASSERT_TRUE(ServeUntil([&] { return !logic->Adding(); }, 30s));
    }
    void RunToEnd() {
        logic->StartOrResume();
        ASSERT_TRUE(ServeUntil([&] { return !logic->Running(); }, 60s));
    }
    std::vector<std::string> Sources() const {
        std::vector<std::string> s;
        for (const auto& r : view.Rows)
            s.push_back(r.SourceFile);
        return s;
    }

    static TempDir* clips_;
    TempDir dir;
    TFakeView view;
    TFakePlatform platform;
    std::unique_ptr<TSettingsStore> store;
    TFormatScript script{WavProfile};
    std::unique_ptr<TMainWindowLogic> logic;
};

TempDir* MainWindowLogicTest::clips_ = nullptr;

std::string ReadFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST_F(MainWindowLogicTest, StartUpDefaults) {
    EXPECT_EQ(logic->OutputFolder(), Out().string());
    EXPECT_EQ(view.OutputFolderText, Out().string());
    EXPECT_EQ(logic->CpuUsage(), cuNormal);
    // First start: a file per core, at most ten; the codecs share the cores too.
    const int cores = logic->Converter().CodecCores();
    EXPECT_GE(cores, 1);
    EXPECT_EQ(logic->ParallelCount(), std::min(cores, 10) - 1);
    EXPECT_EQ(logic->IfOutputExists(), ieNewName);
    EXPECT_EQ(logic->SnapshotType(), "BMP");
    EXPECT_TRUE(view.IsEnabled(TMainAction::Add));
    for (auto action :
         {TMainAction::Remove, TMainAction::Clear, TMainAction::Start, TMainAction::Pause, TMainAction::Stop})
        EXPECT_FALSE(view.IsEnabled(action));

    TMainWindowLogic fresh(view, platform, *store, "/p");
    fresh.Initialise();
    EXPECT_EQ(fresh.CompletionAction(), caOpenFolder);
}

TEST_F(MainWindowLogicTest, TheChosenNumberOfFilesAtOnceIsRememberedForTheNextStart) {
    logic->ChooseParallelCount(2);
    EXPECT_EQ(logic->ParallelCount(), 2);
    logic->ChooseParallelCount(12); // beyond "10个文件"
    EXPECT_EQ(logic->ParallelCount(), 9);
    EXPECT_EQ(store->ReadParallelFiles(1), 10);
    logic->ChooseParallelCount(4);

    // A session's own count (the command line's --parallel) is not remembered.
    logic->SetParallelCount(0);
    TMainWindowLogic next(view, platform, *store, (dir.Path() / "program").string());
    next.Initialise();
    EXPECT_EQ(next.ParallelCount(), 4);
}

TEST_F(MainWindowLogicTest, AddingOneFileListsSelectsAndPreviewsIt) {
    AddOne(Clip("a.mkv"));
    ASSERT_EQ(view.Rows.size(), 1u);
    const TJobRow& row = view.Rows[0];
    EXPECT_EQ(row.Number, "1");
    EXPECT_EQ(row.SourceFile, Clip("a.mkv"));
    EXPECT_EQ(row.SourceFormat, "MKV");
    EXPECT_EQ(row.TargetFormat, "WAV");
    EXPECT_EQ(row.CurrentTime, "0");
    EXPECT_EQ(row.Status, "准备");
    EXPECT_EQ(view.Selected, 0);
    EXPECT_EQ(view.PreviewStarts, std::vector<std::string>{Clip("a.mkv")});
    EXPECT_EQ(view.ChooserClipAllowed, std::vector<bool>{true});
    EXPECT_EQ(logic->Jobs().Slot(0).Output.FileName, Out("a.wav"));
    EXPECT_EQ(logic->Converter().TaskCount(), 1);
    EXPECT_NE(logic->DiagnosticLog().find("\n装入成功.\n"), std::string::npos);
    for (auto action : {TMainAction::Remove, TMainAction::Clear, TMainAction::Start, TMainAction::ListMoveUp})
        EXPECT_TRUE(view.IsEnabled(action));

    // A .DAT source is read as MPEG.
    AddOne(Clip("movie.DAT"));
    EXPECT_EQ(logic->Jobs().Slot(1).Input.FileFormat, "mpeg");
    EXPECT_EQ(logic->Jobs().Slot(0).Input.FileFormat, "");

    // A cancelled dialog or chooser adds nothing.
    platform.OneFile.reset();
    logic->AddOneFile();
    view.Chooser = [](TConversionSettings&, const std::string&, bool) { return false; };
    AddOne(Clip("b.avi"));
    EXPECT_EQ(view.Rows.size(), 2u);
}

TEST_F(MainWindowLogicTest, AddingManyFilesListsThemInReverseAndSelectsTheLast) {
    AddMany({Clip("a.mkv"), Clip("b.avi"), Clip("c.mp4")});
    EXPECT_EQ(Sources(), (std::vector<std::string>{Clip("c.mp4"), Clip("b.avi"), Clip("a.mkv")}));
    EXPECT_EQ(view.Rows[2].Number, "3");
    EXPECT_EQ(view.Selected, 2);
    EXPECT_EQ(view.ChooserClipAllowed, std::vector<bool>{false});
    EXPECT_EQ(view.AddProgress.back(), std::make_pair(3, 3));
    EXPECT_TRUE(view.IsEnabled(TMainAction::Add));
    EXPECT_TRUE(view.IsEnabled(TMainAction::Start));
    EXPECT_EQ(logic->Jobs().Slot(0).Output.FileName, Out("c.wav"));
}

TEST_F(MainWindowLogicTest, AnUnreadableFileIsReportedAndTheOthersAreListed) {
    AddMany({Clip("a.mkv"), Clip("noise.avi"), Clip("b.avi")});
    EXPECT_EQ(Sources(), (std::vector<std::string>{Clip("b.avi"), Clip("a.mkv")}));
    ASSERT_EQ(view.Messages.size(), 1u);
    EXPECT_EQ(view.Messages[0].Text, "无法识别的音频或视频文件！" + Clip("noise.avi"));
    EXPECT_EQ(view.Messages[0].Title, "提示");
    EXPECT_NE(logic->DiagnosticLog().find("***文件打开失败 "), std::string::npos);

    AddOne(Clip("noise.avi"));
    EXPECT_EQ(view.Rows.size(), 2u);
    EXPECT_EQ(view.Messages.size(), 2u);
}

TEST_F(MainWindowLogicTest, NewNamesAtAddAndAgainAtStart) {
    std::ofstream(Out("a.wav")) << "earlier";
    AddOne(Clip("a.mkv"));
    EXPECT_EQ(logic->Jobs().Slot(0).Output.FileName, Out("a(New_1).wav"));
    AddOne(Clip("b.avi"));
    EXPECT_EQ(logic->Jobs().Slot(1).Output.FileName, Out("b.wav"));

    // a.wav went away, b.wav appeared after the add: the plain name is used
    // again for one and the other's new file is kept.
    fs::remove(Out("a.wav"));
    std::ofstream(Out("b.wav")) << "someone else's";
    RunToEnd();
    EXPECT_EQ(view.Statuses(), (std::vector<std::string>{"完成", "完成"}));
    EXPECT_EQ(logic->RunOutputOf(0), Out("a.wav"));
    EXPECT_EQ(logic->RunOutputOf(1), Out("b(New_1).wav"));
    EXPECT_EQ(ReadFile(Out("b.wav")), "someone else's");
    EXPECT_FALSE(fs::exists(Out("a(New_1).wav")));

    // Chosen to overwrite: the plain names are written.
    logic->SetIfOutputExists(ieOverwrite);
    RunToEnd();
    EXPECT_EQ(logic->RunOutputOf(1), Out("b.wav"));
    EXPECT_NE(ReadFile(Out("b.wav")), "someone else's");
}

TEST_F(MainWindowLogicTest, OverwritingNeverWritesOverASource) {
    // A WAV source in the output folder converted to WAV: with "overwrite" its
    // output name is the source itself, and writing it would destroy the input.
    MakeClip(Out("song.wav"), AudioOnlyClip(1.0));
    const auto sourceSize = fs::file_size(Out("song.wav"));
    logic->SetIfOutputExists(ieOverwrite);
    AddOne(Out("song.wav"));
    EXPECT_EQ(logic->Jobs().Slot(0).Output.FileName, Out("song(New_1).wav"));
    RunToEnd();
    EXPECT_EQ(view.Statuses(), (std::vector<std::string>{"完成"}));
    EXPECT_EQ(logic->RunOutputOf(0), Out("song(New_1).wav"));
    EXPECT_EQ(fs::file_size(Out("song.wav")), sourceSize);
}

TEST_F(MainWindowLogicTest, TwoJobsWithOneOutputNameGetTwoFiles) {
    AddOne(Clip("a.mkv"));
    fs::copy_file(Clip("b.avi"), dir.File("a.avi"));
    AddOne(dir.File("a.avi"));
    EXPECT_EQ(logic->Jobs().Slot(1).Output.FileName, Out("a(New_1).wav"));
    logic->SetIfOutputExists(ieOverwrite);
    RunToEnd();
    EXPECT_NE(logic->RunOutputOf(0), logic->RunOutputOf(1));
    EXPECT_EQ(view.Statuses(), (std::vector<std::string>{"完成", "完成"}));
}

TEST_F(MainWindowLogicTest, ListOperationsKeepRowsAndSlotsTogether) {
    logic->RemoveSelectedJob();
    ASSERT_EQ(view.Messages.size(), 1u);
    EXPECT_EQ(view.Messages[0].Text, "请先选择您需要删除的项目！");

    AddMany({Clip("c.mp4"), Clip("b.avi"), Clip("a.mkv")}); // listed a, b, c
    ASSERT_EQ(logic->Converter().TaskCount(), 3);
    view.Selected = 0;
    logic->RemoveSelectedJob();
    EXPECT_EQ(Sources(), (std::vector<std::string>{Clip("b.avi"), Clip("c.mp4")}));
    EXPECT_EQ(view.Rows[0].Number, "1");
    EXPECT_EQ(view.Rows[1].Number, "2");
    EXPECT_EQ(logic->Jobs().Slot(0).Input.FileName, Clip("b.avi"));
    EXPECT_EQ(logic->Jobs().Slot(TJobList::SlotCount - 1).State, jsDeleted);
    EXPECT_EQ(logic->Converter().TaskCount(), 2);
    EXPECT_FALSE(view.IsEnabled(TMainAction::Remove));
    EXPECT_TRUE(view.IsEnabled(TMainAction::Start));
    EXPECT_FALSE(logic->ListBusy());

    view.Selected = 0;
    logic->MoveJobUp(); // the first row stays
    EXPECT_EQ(Sources()[0], Clip("b.avi"));
    logic->MoveJobDown();
    EXPECT_EQ(Sources(), (std::vector<std::string>{Clip("c.mp4"), Clip("b.avi")}));
    EXPECT_EQ(view.Selected, 1);
    EXPECT_EQ(logic->PreviewFile(), Clip("b.avi"));
    EXPECT_EQ(logic->Jobs().Slot(1).Input.FileName, Clip("b.avi"));
    logic->MoveJobDown(); // the last row stays
    EXPECT_EQ(view.Selected, 1);
    // The preview does not start for a selection made by a move; the last
    // one started for the last row the add selected.
    EXPECT_EQ(view.PreviewStarts.back(), Clip("c.mp4"));

    // After a run, removing a finished row leaves the converter alone.
    RunToEnd();
    view.Selected = 1;
    logic->RemoveSelectedJob();
    EXPECT_EQ(logic->Converter().TaskCount(), 0);

    logic->ClearJobs();
    EXPECT_TRUE(view.Rows.empty());
    for (int i = 0; i < TJobList::SlotCount; ++i)
        ASSERT_EQ(logic->Jobs().Slot(i).State, jsFree);
    EXPECT_TRUE(view.IsEnabled(TMainAction::Add));
    EXPECT_FALSE(view.IsEnabled(TMainAction::Start));
}

TEST_F(MainWindowLogicTest, EachRowEndsWithTheStatusItsReportsEarned) {
    script = {MpegProfile};
    AddOne(Clip("a.mkv"));
    // H.263 codes a few fixed picture sizes only, not the profile's 320x240
    // (no list offers the encoder): this job fails while it runs.
    const auto chooser = view.Chooser;
    view.Chooser = [&](TConversionSettings& settings, const std::string& folder, bool allowClip) {
        const bool ok = chooser(settings, folder, allowClip);
        settings.VideoCodec = "h263";
        return ok;
    };
    AddOne(Clip("b.avi"));
    view.Chooser = chooser;
    fs::copy_file(Clip("c.mp4"), dir.File("gone.mp4"));
    AddOne(dir.File("gone.mp4"));
    fs::remove(dir.File("gone.mp4")); // cannot be registered at start
    view.Selected = 0;
    view.Messages.clear();

    logic->SetParallelCount(4);
    RunToEnd();
    EXPECT_EQ(view.Statuses(), (std::vector<std::string>{"完成", "失败", "失败"}));
    EXPECT_EQ(view.Rows[0].Progress, 100);
    EXPECT_EQ(view.FailedRows, std::vector<int>{1});
    EXPECT_FALSE(fs::exists(Out("b.mpg")));
    ASSERT_EQ(view.Messages.size(), 2u);
    EXPECT_EQ(view.Messages[1].Title, "Vantoro");
    EXPECT_EQ(view.Messages[1].Icon, TMessageIcon::Warning);
    EXPECT_FALSE(logic->Running());
    EXPECT_TRUE(view.IsEnabled(TMainAction::Start));
    EXPECT_FALSE(view.IsEnabled(TMainAction::Stop));
    EXPECT_EQ(logic->Converter().TaskCount(), 0);
}

TEST_F(MainWindowLogicTest, PauseResumeAndStop) {
    script = {MpegProfile};
    AddMany({Clip("long.mkv"), Clip("a.mkv")}); // listed a, long
    logic->Converter().SetProgressInterval(TCustomRAzidiZUV::MinProgressInterval);
    logic->SetParallelCount(0);
    view.Selected = -1;
    logic->StartOrResume();
    EXPECT_FALSE(view.IsEnabled(TMainAction::Add));
    EXPECT_TRUE(view.IsEnabled(TMainAction::Pause));
    ASSERT_TRUE(ServeUntil([&] { return view.Rows[1].Status == "转换中..."; }, 60s));
    EXPECT_EQ(view.Rows[0].Status, "完成");
    EXPECT_NE(view.Rows[1].CurrentTime.find("   (秒)"), std::string::npos);

    logic->Pause();
    EXPECT_EQ(view.Rows[1].Status, "暂停");
    EXPECT_TRUE(logic->RunPaused());
    EXPECT_TRUE(view.IsEnabled(TMainAction::Start));
    EXPECT_FALSE(view.IsEnabled(TMainAction::Pause));
    logic->StartOrResume();
    EXPECT_FALSE(logic->RunPaused());
    ASSERT_TRUE(ServeUntil([&] { return view.Rows[1].Status == "转换中..."; }, 30s));
    logic->Pause();

    // Cancelled question: nothing happens.
    view.AnswerOk = false;
    logic->StopWithQuestion();
    EXPECT_TRUE(logic->Running());
    EXPECT_EQ(view.Messages.back().Text, "您确实要终止目前的转换工作吗？");
    EXPECT_EQ(view.Messages.back().Buttons, TMessageButtons::OkCancel);

    view.AnswerOk = true;
    logic->StopWithQuestion();
    ASSERT_TRUE(ServeUntil([&] { return !logic->Running(); }, 30s));
    EXPECT_EQ(view.Statuses(), (std::vector<std::string>{"完成", "停止"}));
    EXPECT_FALSE(logic->RunPaused());
    EXPECT_TRUE(logic->RunStopped());
    // The stopped output is complete enough to open.
    TAVProbe probe;
    EXPECT_TRUE(probe.Open(Out("long.mpg"))) << probe.LastError();

    // The next start is a new run.
    RunToEnd();
    EXPECT_EQ(view.Statuses(), (std::vector<std::string>{"完成", "完成"}));
}

TEST_F(MainWindowLogicTest, TheCompletionActionRunsOnceAfterTheLastJob) {
    struct Case {
        TCompletionAction action;
        std::vector<std::string> opened;
        int powerOffs;
    };
    const Case cases[] = {
        {caNothing, {}, 0},
        {caOpenFolder, {Out().string()}, 0},
        {caShutDown, {}, 1},
    };
    AddMany({Clip("a.mkv"), Clip("b.avi")});
    logic->SetParallelCount(1);
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.action));
        platform.Opened.clear();
        platform.PowerOffs = 0;
        logic->SetCompletionAction(c.action);
        RunToEnd();
        EXPECT_EQ(platform.Opened, c.opened);
        EXPECT_EQ(platform.PowerOffs, c.powerOffs);
    }
    // A refused power-off is logged.
    platform.PowerOffWorks = false;
    RunToEnd();
    EXPECT_NE(logic->DiagnosticLog().find("***关机请求失败"), std::string::npos);
}

TEST_F(MainWindowLogicTest, ClosingDuringARunStopsWithoutTheCompletionAction) {
    script = {MpegProfile};
    AddOne(Clip("long.mkv"));
    logic->Converter().SetProgressInterval(TCustomRAzidiZUV::MinProgressInterval);
    logic->SetCompletionAction(caShutDown);
    logic->StartOrResume();
    ASSERT_TRUE(ServeUntil([&] { return view.Rows[0].Status == "转换中..."; }, 60s));
    logic->CloseQuery();
    EXPECT_TRUE(logic->Converter().AllDoneReported());
    ProcessPendingMessages();
    EXPECT_EQ(platform.PowerOffs, 0);
    EXPECT_TRUE(view.Messages.empty());
    logic.reset();
    ProcessPendingMessages();
}

TEST_F(MainWindowLogicTest, ThePasswordLock) {
    struct Case {
        const char* name;
        TPasswordStore store;
        std::optional<std::string> typed;
        bool unlocked;
        bool wrongMessage;
    };
    const Case cases[] = {
        {"no lock", {}, std::nullopt, true, false},
        {"right", {true, ScramblePassword("pw")}, "pw", true, false},
        {"master", {true, ScramblePassword("pw")}, "mubmub", true, false},
        {"empty value", {true, ""}, "", true, false},
        {"wrong", {true, ScramblePassword("pw")}, "px", false, true},
        {"quit", {true, ScramblePassword("pw")}, std::nullopt, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TFakeView v;
        TFakePlatform p;
        p.Password = c.store;
        v.TypedPassword = c.typed;
        TMainWindowLogic l(v, p, *store, "/p");
        EXPECT_EQ(l.UnlockOnShow(), c.unlocked);
        EXPECT_EQ(v.MainWindowClosed, !c.unlocked);
        ASSERT_EQ(v.Messages.size(), c.wrongMessage ? 1u : 0u);
        if (c.wrongMessage) {
            EXPECT_EQ(v.Messages[0].Text, "输入的密码错误,请和本机管理人员联系！");
            EXPECT_EQ(v.Messages[0].Title, "错误");
            EXPECT_EQ(v.Messages[0].Icon, TMessageIcon::Error);
        }
    }
}

TEST_F(MainWindowLogicTest, LogLinesAndHelp) {
    GetLogger().Log(nullptr, llError, "something broke");
    ASSERT_TRUE(
        ServeUntil([&] { return logic->DiagnosticLog().find("something broke") != std::string::npos; }, 5s));
    const std::string log = logic->DiagnosticLog();
    EXPECT_NE(log.find("." + std::to_string(static_cast<int>(llError)) + ": something broke\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log[0], '#');

    logic->OpenHelp();
    logic->OpenWebSite();
    logic->OpenMailLink();
    ASSERT_EQ(platform.Opened.size(), 3u);
    EXPECT_EQ(platform.Opened[0], (dir.Path() / "program" / "help" / "index.html").string());
    EXPECT_EQ(platform.Opened[2].rfind("mailto:", 0), 0u);
}

TEST_F(MainWindowLogicTest, AnOutputRejectedWhileAddingManyIsListedAndFailsAtStart) {
    // The library calls of one result may serve the next one's post; the rows
    // must still follow the files one by one.
    fs::create_directory(Out("b.wav"));
    logic->SetIfOutputExists(ieOverwrite);
    AddMany({Clip("c.mp4"), Clip("b.avi"), Clip("a.mkv")});
    ASSERT_EQ(Sources(), (std::vector<std::string>{Clip("a.mkv"), Clip("b.avi"), Clip("c.mp4")}));
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(logic->Jobs().Slot(row).Input.FileName, view.Rows[static_cast<size_t>(row)].SourceFile);
    EXPECT_NE(logic->DiagnosticLog().find("***不能进行正常转换: "), std::string::npos);
    RunToEnd();
    EXPECT_EQ(view.Statuses(), (std::vector<std::string>{"完成", "失败", "完成"}));
    ASSERT_FALSE(view.Messages.empty());
    EXPECT_NE(view.Messages.back().Text.find(Clip("b.avi")), std::string::npos);
}

TEST_F(MainWindowLogicTest, TheMediaReportOfTheSelectedRow) {
    EXPECT_FALSE(logic->ShowMediaReport());
    fs::copy_file(Clip("a.mkv"), dir.File("视频.mkv"));
    AddOne(dir.File("视频.mkv"));
    view.Selected = -1;
    EXPECT_FALSE(logic->ShowMediaReport());
    view.Selected = 0;
    const auto report = logic->ShowMediaReport();
    ASSERT_TRUE(report);
    EXPECT_EQ(report->FileName, dir.File("视频.mkv"));
    EXPECT_EQ(report->Width + "*" + report->Height, "64*48");
    fs::remove(dir.File("视频.mkv"));
    EXPECT_FALSE(logic->ShowMediaReport());
}
