// The main window's logic through a fake view and platform: adding files,
// the list operations, whole runs with pause, resume and stop, the final
// statuses, the completion actions and closing during a run.
#include "app/MainWindowLogic.h"
#include "AppFakes.h"
#include "app/JobListFile.h"
#include "app/OutputFiles.h"
#include "app/PasswordLock.h"
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
#include <string>

#include <sys/wait.h>
#include <unistd.h>

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
        // Its header promises ten seconds; the file holds about four.
        MakeClip(clips_->File("cut.mkv"), VideoAndAudioClip(10.0));
        TruncateFile(clips_->File("cut.mkv"), 0.4);
        for (const char* name : {"a.mkv", "b.avi", "c.mp4"})
            MakeClip(clips_->File(name), VideoAndAudioClip(1.0));
        ClipSpec mpeg = VideoAndAudioClip(1.0);
        mpeg.Format = "mpeg";
        MakeClip(clips_->File("movie.DAT"), mpeg);
        MakeClip(clips_->File("long.mkv"), VideoAndAudioClip(20.0));
        // Big pictures: its conversion lasts long enough for a test to pause and stop it.
        ClipSpec slow = VideoAndAudioClip(20.0);
        slow.Video[0].Width = 640;
        slow.Video[0].Height = 480;
        MakeClip(clips_->File("slow.mkv"), slow);
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
        // The user confirms the windows with the script's profile and choices.
        view.Chooser = [this](const std::vector<std::string>& sources, const std::string& folder,
                              bool allowClip) { return ConfirmWith(script)(sources, folder, allowClip); };
        logic = std::make_unique<TMainWindowLogic>(view, platform, *store, (dir.Path() / "program").string());
        logic->Initialise();
        logic->SetCompletionAction(caNothing);
    }

    static std::string Clip(const std::string& name) { return clips_->File(name); }
    fs::path Out() const { return dir.Path() / "out"; }
    std::string Out(const std::string& name) const { return (Out() / name).string(); }

    // The file is probed on a worker: the add ends on the main thread.
    void AddOne(const std::string& file) {
        platform.OneFile = file;
        logic->AddOneFile();
        ASSERT_TRUE(ServeUntil([&] { return !logic->Adding(); }, 30s));
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
    // A new logic on the same settings, as at the next program start, keeping
    // its job list in `jobList` (empty: none).
    void Restart(const std::string& jobList) {
        logic.reset();
        ProcessPendingMessages();
        const auto chooser = view.Chooser;
        view = TFakeView{};
        view.Chooser = chooser;
        logic = std::make_unique<TMainWindowLogic>(view, platform, *store, (dir.Path() / "program").string());
        logic->SetJobListFile(jobList);
        logic->Initialise();
        logic->SetCompletionAction(caNothing);
    }
    // The files in the output folder, by name.
    std::vector<std::string> OutFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Out()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
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
    TJobRequest script{WavProfile};
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
    view.Chooser = {};
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
    // Its header promises more than the file holds: the conversion ends
    // early and its output fails the check, so this job fails.
    AddOne(Clip("cut.mkv"));
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
    EXPECT_FALSE(fs::exists(Out("cut.mpg")));
    // The source that went away stops nobody: no box waits for a click, the
    // reason is in the user's language, in the log and for the row.
    const std::string gone = "源文件不存在：" + dir.File("gone.mp4");
    EXPECT_EQ(view.NotStarted, (std::vector<std::pair<int, std::string>>{{2, gone}}));
    EXPECT_EQ(view.Rows[2].Problem, gone);
    EXPECT_FALSE(view.Rows[1].Problem.empty()); // the failed run's reason, with its row too
    EXPECT_NE(logic->DiagnosticLog().find("***" + gone), std::string::npos);
    ASSERT_EQ(view.Messages.size(), 1u); // the failed run's own box
    EXPECT_EQ(view.Messages[0].Title, "Vantoro");
    EXPECT_EQ(view.Messages[0].Icon, TMessageIcon::Warning);
    EXPECT_EQ(view.Messages[0].Text.find(dir.File("gone.mp4")), std::string::npos);
    EXPECT_FALSE(logic->Running());
    EXPECT_TRUE(view.IsEnabled(TMainAction::Start));
    EXPECT_FALSE(view.IsEnabled(TMainAction::Stop));
    EXPECT_EQ(logic->Converter().TaskCount(), 0);
}

TEST_F(MainWindowLogicTest, PauseResumeAndStop) {
    script = {MpegProfile};
    AddMany({Clip("slow.mkv"), Clip("a.mkv")}); // listed a, slow
    // The job writes "slow(New_1).mpg"; stopped, its file still takes the stopped form.
    std::ofstream(Out("slow.mpg")) << "earlier";
    std::ofstream(Out("slow(停止).mpg")) << "mine";
    logic->Converter().SetProgressInterval(TCustomRAzidiZUV::MinProgressInterval);
    logic->SetParallelCount(0);
    logic->SetCompletionAction(caShutDown);
    view.Selected = -1;
    logic->ToolButtonHovered(TToolButton::Start);
    logic->StartOrResume();
    EXPECT_FALSE(view.IsEnabled(TMainAction::Add));
    EXPECT_TRUE(view.IsEnabled(TMainAction::Pause));
    ASSERT_TRUE(ServeUntil([&] { return view.Rows[1].Status == "转换中..."; }, 60s));
    EXPECT_EQ(view.Rows[0].Status, "完成");
    EXPECT_NE(view.Rows[1].CurrentTime.find("   (秒)"), std::string::npos);

    logic->Pause();
    EXPECT_EQ(view.Rows[1].Status, "暂停");
    EXPECT_TRUE(logic->RunPaused());
    // A report that was on its way when the pause came does not make the row converting again.
    TProgressInfo late;
    late.TaskIndex = 1;
    late.CurrentDuration = 2000000;
    late.TotalDuration = 20000000;
    logic->Converter().OnProgress(&logic->Converter(), &late);
    EXPECT_EQ(view.Rows[1].Status, "暂停");
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
    // Nothing is waited for: the row says the job is stopping, the run ends
    // with the last report, and neither pausing nor a late report holds it.
    EXPECT_TRUE(logic->Running());
    EXPECT_EQ(view.Rows[1].Status, "停止中...");
    for (auto action : {TMainAction::Start, TMainAction::Pause, TMainAction::Stop})
        EXPECT_FALSE(view.IsEnabled(action));
    logic->Pause();
    EXPECT_FALSE(logic->RunPaused());
    logic->Converter().OnProgress(&logic->Converter(), &late);
    EXPECT_EQ(view.Rows[1].Status, "停止中...");
    ASSERT_TRUE(ServeUntil([&] { return !logic->Running(); }, 30s));
    EXPECT_EQ(view.Statuses(), (std::vector<std::string>{"完成", "停止"}));
    EXPECT_FALSE(logic->RunPaused());
    EXPECT_TRUE(logic->RunStopped());
    // A stopped run ends without its completion action, and without the hint of the start.
    EXPECT_EQ(platform.PowerOffs, 0);
    EXPECT_EQ(view.Status, "");
    // The stopped output is complete enough to open, under a name that says
    // it was stopped; one of that name that was there already is kept.
    EXPECT_EQ(logic->RunOutputOf(1), Out("slow(停止)(New_1).mpg"));
    EXPECT_EQ(ReadFile(Out("slow(停止).mpg")), "mine");
    EXPECT_EQ(OutFiles(),
              (std::vector<std::string>{"a.mpg", "slow(停止)(New_1).mpg", "slow(停止).mpg", "slow.mpg"}));
    TAVProbe probe;
    EXPECT_TRUE(probe.Open(logic->RunOutputOf(1))) << probe.LastError();

    // The next start is a new run: no time of the last one, and its completion action.
    view.Selected = 1;
    logic->RemoveSelectedJob();
    EXPECT_NE(view.Rows[0].CurrentTime, "0");
    logic->StartOrResume();
    EXPECT_EQ(view.Rows[0].CurrentTime, "0");
    ASSERT_TRUE(ServeUntil([&] { return !logic->Running(); }, 60s));
    EXPECT_EQ(view.Statuses(), (std::vector<std::string>{"完成"}));
    EXPECT_EQ(platform.PowerOffs, 1);
}

TEST_F(MainWindowLogicTest, ARunThatEndsWhileTheStopQuestionIsUpIsNotStopped) {
    AddMany({Clip("a.mkv"), Clip("b.avi")});
    logic->StartOrResume();
    view.WhileAsking = [&] { ASSERT_TRUE(ServeUntil([&] { return !logic->Running(); }, 60s)); };
    logic->StopWithQuestion();
    EXPECT_FALSE(logic->RunStopped());
    EXPECT_EQ(view.Statuses(), (std::vector<std::string>{"完成", "完成"}));
    EXPECT_TRUE(view.IsEnabled(TMainAction::Start));
    EXPECT_FALSE(view.IsEnabled(TMainAction::Stop));
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
    const std::string jobList = (dir.Path() / "program" / "joblist.txt").string();
    Restart(jobList);
    script = {MpegProfile};
    AddOne(Clip("slow.mkv"));
    logic->Converter().SetProgressInterval(TCustomRAzidiZUV::MinProgressInterval);
    logic->SetCompletionAction(caShutDown);
    logic->StartOrResume();
    ASSERT_TRUE(ServeUntil([&] { return view.Rows[0].Status == "转换中..."; }, 60s));
    // The close waits for the run's end without waiting on this thread.
    EXPECT_FALSE(logic->CloseQuery());
    EXPECT_TRUE(logic->Closing());
    EXPECT_EQ(view.Rows[0].Status, "停止中...");
    EXPECT_FALSE(view.MainWindowClosed);
    EXPECT_FALSE(logic->CloseQuery()); // a second click changes nothing
    ASSERT_TRUE(ServeUntil([&] { return view.MainWindowClosed; }, 60s));
    EXPECT_FALSE(logic->Running());
    EXPECT_TRUE(logic->CloseQuery());
    ProcessPendingMessages();
    EXPECT_EQ(platform.PowerOffs, 0);
    EXPECT_TRUE(view.Messages.empty());
    logic.reset();
    ProcessPendingMessages();
    // The next start finds the job stopped, its file kept as such.
    Restart(jobList);
    EXPECT_EQ(view.Statuses(), std::vector<std::string>{"停止"});
    EXPECT_EQ(OutFiles(), std::vector<std::string>{"slow(停止).mpg"});
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
    const std::string help = (dir.Path() / "program" / "help" / "index.html").string();
    EXPECT_EQ(platform.Opened[0], help);
    EXPECT_EQ(platform.Opened[2].rfind("mailto:", 0), 0u);
    ProcessPendingMessages();
    EXPECT_EQ(view.Status, "");

    // When the desktop finds nothing to open it with, the user is told.
    platform.OpenWorks = false;
    struct Case {
        std::function<void()> open;
        std::string shown;
    };
    const Case cases[] = {
        {[&] { logic->OpenHelp(); }, "无法打开帮助页面：" + help},
        {[&] { logic->OpenWebSite(); }, std::string("无法打开软件网站：") + WebSiteAddress},
        {[&] { logic->OpenOutputFolder(); }, "无法打开输出文件夹：" + Out().string()},
    };
    for (const Case& c : cases) {
        c.open();
        ProcessPendingMessages();
        EXPECT_EQ(view.Status.rfind(c.shown + "（", 0), 0u) << view.Status;
        EXPECT_NE(logic->DiagnosticLog().find("***" + c.shown), std::string::npos);
    }
}

TEST_F(MainWindowLogicTest, AnOutputRejectedWhileAddingManyIsListedAndFailsAtStart) {
    // The library calls of one result may serve the next one's post; the rows
    // must still follow the files one by one.
    // A folder where the job's file is written at first cannot be opened.
    fs::create_directory(AddCheckName(Out("b.wav")));
    logic->SetIfOutputExists(ieOverwrite);
    AddMany({Clip("c.mp4"), Clip("b.avi"), Clip("a.mkv")});
    ASSERT_EQ(Sources(), (std::vector<std::string>{Clip("a.mkv"), Clip("b.avi"), Clip("c.mp4")}));
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(logic->Jobs().Slot(row).Input.FileName, view.Rows[static_cast<size_t>(row)].SourceFile);
    EXPECT_NE(logic->DiagnosticLog().find("***不能进行正常转换: "), std::string::npos);
    RunToEnd();
    EXPECT_EQ(view.Statuses(), (std::vector<std::string>{"完成", "失败", "完成"}));
    ASSERT_EQ(view.NotStarted.size(), 1u);
    EXPECT_EQ(view.NotStarted[0].first, 1);
    EXPECT_EQ(view.NotStarted[0].second.rfind("输出文件无法创建：" + Out("b.wav"), 0), 0u)
        << view.NotStarted[0].second;
    EXPECT_EQ(view.Checks.size(), 2u);
}

TEST_F(MainWindowLogicTest, ListedJobsLeaveNothingInTheOutputFolder) {
    // The add checks that each output can be written, and keeps no file for it.
    AddMany({Clip("b.avi"), Clip("a.mkv")});
    ASSERT_EQ(view.Rows.size(), 2u);
    const fs::path folder = fs::path(Out("a.wav")).parent_path();
    EXPECT_TRUE(!fs::exists(folder) || fs::is_empty(folder));
    RunToEnd();
    EXPECT_EQ(view.Statuses(), (std::vector<std::string>{"完成", "完成"}));
}

TEST_F(MainWindowLogicTest, AFinishedJobIsCheckedThenGetsItsName) {
    AddMany({Clip("b.avi"), Clip("a.mkv")});
    RunToEnd();
    EXPECT_EQ(view.Statuses(), (std::vector<std::string>{"完成", "完成"}));
    // Two jobs may run at once, so only each job's own order is fixed: its
    // check before its end, and every end before the run's.
    const auto at = [&](const std::string& report) {
        return std::find(view.Reports.begin(), view.Reports.end(), report) - view.Reports.begin();
    };
    ASSERT_EQ(view.Reports.size(), 5u);
    EXPECT_LT(at("checked 0"), at("ended 0"));
    EXPECT_LT(at("checked 1"), at("ended 1"));
    EXPECT_EQ(view.Reports.back(), "run ended");
    ASSERT_EQ(view.Checks.size(), 2u);
    for (const auto& [row, check] : view.Checks) {
        EXPECT_TRUE(check.Passed) << check.Problem;
        EXPECT_NEAR(check.ExpectedSeconds, 1.0, 0.1);
        EXPECT_NEAR(check.MeasuredSeconds, 1.0, 0.1);
    }
    EXPECT_EQ(logic->RunOutputOf(0), Out("a.wav"));
    EXPECT_EQ(OutFiles(), (std::vector<std::string>{"a.wav", "b.wav"}));
}

TEST_F(MainWindowLogicTest, AClipIsCheckedAgainstTheClipsLength) {
    script.Clip = TClipBoxes{"00", "00", "03", "00", "00", "08"};
    AddOne(Clip("long.mkv"));
    RunToEnd();
    ASSERT_EQ(view.Checks.size(), 1u);
    EXPECT_TRUE(view.Checks[0].second.Passed) << view.Checks[0].second.Problem;
    EXPECT_NEAR(view.Checks[0].second.ExpectedSeconds, 5.0, 0.01);
    EXPECT_NEAR(view.Checks[0].second.MeasuredSeconds, 5.0, 0.2);
    EXPECT_EQ(view.Statuses(), (std::vector<std::string>{"完成"}));
}

TEST_F(MainWindowLogicTest, AnOutputThatFailsItsCheckFailsTheJobAndTakesNoName) {
    // The source ends early: the conversion ends by itself, short.
    struct Case {
        TIfOutputExists ifExists;
        bool userFileThere;
    };
    for (const Case c : {Case{ieNewName, false}, Case{ieOverwrite, true}}) {
        SCOPED_TRACE(c.userFileThere);
        Restart("");
        for (const auto& name : OutFiles())
            fs::remove(Out(name));
        if (c.userFileThere)
            std::ofstream(Out("cut.wav")) << "the user's";
        logic->SetIfOutputExists(c.ifExists);
        AddOne(Clip("cut.mkv"));
        view.Messages.clear();
        RunToEnd();
        EXPECT_EQ(view.Statuses(), (std::vector<std::string>{"失败"}));
        EXPECT_EQ(view.FailedRows, std::vector<int>{0});
        EXPECT_EQ(view.Reports, (std::vector<std::string>{"checked 0", "ended 0", "run ended"}));
        ASSERT_EQ(view.Checks.size(), 1u);
        const TOutputCheck& check = view.Checks[0].second;
        EXPECT_FALSE(check.Passed);
        EXPECT_NEAR(check.ExpectedSeconds, 10.0, 0.1);
        EXPECT_LT(check.MeasuredSeconds, 8.0);
        EXPECT_EQ(check.Problem.rfind("输出文件不完整：时长 ", 0), 0u) << check.Problem;
        EXPECT_NE(check.Problem.find("秒，应为 10.0 秒"), std::string::npos) << check.Problem;
        ASSERT_EQ(view.Messages.size(), 1u);
        EXPECT_EQ(view.Messages[0].Text, check.Problem);
        EXPECT_EQ(view.Messages[0].Icon, TMessageIcon::Warning);
        // What was written stays under the temporary name; the final name is
        // the user's file, or nothing.
        EXPECT_EQ(logic->RunOutputOf(0), RunPartName(Out("cut.wav")));
        if (c.userFileThere) {
            EXPECT_EQ(ReadFile(Out("cut.wav")), "the user's");
        } else {
            EXPECT_FALSE(fs::exists(Out("cut.wav")));
        }
    }
}

TEST_F(MainWindowLogicTest, TemporaryNamesAreNeitherPickedNorInTheWay) {
    std::ofstream(Out("a.part.wav")) << "left by a failed run";
    AddOne(Clip("a.mkv"));
    EXPECT_EQ(logic->Jobs().Slot(0).Output.FileName, Out("a.wav"));
    fs::copy_file(Clip("b.avi"), dir.File("x.part.avi"));
    AddOne(dir.File("x.part.avi"));
    EXPECT_EQ(logic->Jobs().Slot(1).Output.FileName, Out("x.part(New_1).wav"));
    RunToEnd();
    EXPECT_EQ(view.Statuses(), (std::vector<std::string>{"完成", "完成"}));
    // Another run's temporary file stays: this run writes under its own.
    EXPECT_EQ(OutFiles(), (std::vector<std::string>{"a.part.wav", "a.wav", "x.part(New_1).wav"}));
}

TEST_F(MainWindowLogicTest, TheJobListSurvivesARestart) {
    const std::string jobList = (dir.Path() / "program" / "joblist.txt").string();
    AddOne(Clip("a.mkv"));
    EXPECT_FALSE(fs::exists(jobList)); // kept only where the front end asks for it

    Restart(jobList);
    EXPECT_TRUE(view.Rows.empty());
    AddOne(Clip("a.mkv"));
    script = {MpegProfile};
    script.Clip = TClipBoxes{"00", "00", "01", "00", "00", "04"};
    AddOne(Clip("long.mkv"));
    RunToEnd();
    script = {WavProfile};
    AddOne(Clip("b.avi"));
    view.Selected = 2;
    logic->MoveJobUp();
    const std::string saved = ReadFile(jobList);
    const TJobSlot clipJob = logic->Jobs().Slot(2);

    Restart(jobList);
    EXPECT_EQ(Sources(), (std::vector<std::string>{Clip("a.mkv"), Clip("b.avi"), Clip("long.mkv")}));
    EXPECT_EQ(view.Statuses(), (std::vector<std::string>{"完成", "准备", "完成"}));
    EXPECT_EQ(view.Rows[2].Number, "3");
    EXPECT_EQ(view.Rows[2].TargetFormat, "MPG");
    EXPECT_EQ(view.Rows[2].Progress, 100);
    EXPECT_EQ(logic->RunOutputOf(2), Out("long.mpg"));
    EXPECT_TRUE(view.IsEnabled(TMainAction::Start));
    // Every field of the records came back: saving again writes the same file.
    EXPECT_EQ(ReadFile(jobList), saved);
    EXPECT_EQ(logic->Jobs().Slot(2).Output.Duration, clipJob.Output.Duration);
    EXPECT_EQ(logic->Jobs().Slot(2).Input.StartTime, clipJob.Input.StartTime);
    EXPECT_EQ(logic->Jobs().Slot(2).Output.VideoCodec, clipJob.Output.VideoCodec);

    logic->SetIfOutputExists(ieOverwrite);
    RunToEnd();
    EXPECT_EQ(view.Statuses(), (std::vector<std::string>{"完成", "完成", "完成"}));
    ASSERT_EQ(view.Checks.size(), 3u);
    EXPECT_NEAR(view.Checks[2].second.ExpectedSeconds, 3.0, 0.01);

    logic->ClearJobs();
    Restart(jobList);
    EXPECT_TRUE(view.Rows.empty());
}

TEST_F(MainWindowLogicTest, AConstantQualityPickComesBackWithTheJobList) {
    const std::string jobList = (dir.Path() / "program" / "joblist.txt").string();
    Restart(jobList);
    script = {MpegProfile, {{TChoiceRole::crVideoBitRate, "恒定质量 (中)"}}};
    AddOne(Clip("a.mkv"));
    ASSERT_EQ(view.Rows.size(), 1u);
    const TOutputOptions listed = logic->Jobs().Slot(0).Output;
    // A new job deinterlaces on its own too; both lines come back with the list.
    EXPECT_EQ(listed.ExtOptions, "deinterlace=auto\nqscale=4");
    EXPECT_LE(listed.VideoBitrate, 0);

    Restart(jobList);
    ASSERT_EQ(view.Rows.size(), 1u);
    EXPECT_EQ(logic->Jobs().Slot(0).Output.ExtOptions, listed.ExtOptions);
    EXPECT_EQ(logic->Jobs().Slot(0).Output.VideoBitrate, listed.VideoBitrate);
    RunToEnd();
    EXPECT_EQ(view.Statuses(), std::vector<std::string>{"完成"});
}

namespace {

// "NAME.<pid>.part.EXT" of a process that has ended.
std::string DeadRunPart(const std::string& output) {
    static const pid_t dead = [] {
        const pid_t child = fork();
        if (child == 0)
            _exit(0);
        waitpid(child, nullptr, 0);
        return child;
    }();
    const std::string own = RunPartName(output);
    const std::string pid = "." + std::to_string(getpid()) + ".";
    return own.substr(0, own.rfind(pid)) + "." + std::to_string(dead) + "." +
           own.substr(own.rfind(pid) + pid.size());
}

} // namespace

TEST_F(MainWindowLogicTest, JobsCutShortByAnEndedProgramComeBackNotConverted) {
    const std::string jobList = (dir.Path() / "program" / "joblist.txt").string();
    struct Case {
        const char* saved;
        const char* restored;
        bool partKept;
        bool ran = true; // else only listed: its part file is the add's empty one
    };
    const Case cases[] = {
        {"转换中...", "准备", false},   {"暂停", "准备", false}, {"准备", "准备", false},
        {"完成", "完成", true},         {"失败", "失败", true},  {"停止", "停止", true},
        {"准备", "准备", false, false},
    };
    std::vector<TSavedJob> jobs;
    for (const Case& c : cases) {
        TSavedJob job;
        job.Row.SourceFile = Clip("a.mkv");
        job.Row.Status = c.saved;
        job.Row.CurrentTime = "0";
        job.Input.FileName = Clip("a.mkv");
        job.Output.FileName = Out("job" + std::to_string(jobs.size()) + ".wav");
        std::ofstream part(c.ran ? PartName(job.Output.FileName) : AddCheckName(job.Output.FileName));
        if (c.ran) {
            job.RunOutput = job.Output.FileName;
            part << "part";
            // what the ended program's run wrote under its own temporary name
            std::ofstream(DeadRunPart(job.Output.FileName)) << "part";
        }
        jobs.push_back(job);
    }
    std::string error;
    ASSERT_TRUE(SaveJobListFile(jobList, jobs, error)) << error;

    Restart(jobList);
    ASSERT_EQ(view.Rows.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].saved);
        EXPECT_EQ(view.Rows[i].Status, cases[i].restored);
        const std::string part =
            cases[i].ran ? PartName(jobs[i].Output.FileName) : AddCheckName(jobs[i].Output.FileName);
        EXPECT_EQ(fs::exists(part), cases[i].partKept);
        if (cases[i].ran) {
            EXPECT_EQ(fs::exists(DeadRunPart(jobs[i].Output.FileName)), cases[i].partKept);
        }
        EXPECT_EQ(logic->RunOutputOf(static_cast<int>(i)).empty(), !cases[i].partKept);
    }
    // The corrected statuses are what a second crash would find.
    std::vector<TSavedJob> again;
    ASSERT_TRUE(LoadJobListFile(jobList, again, error)) << error;
    EXPECT_EQ(again[0].Row.Status, "准备");
}

TEST_F(MainWindowLogicTest, AJobListThatCannotBeReadLeavesAnEmptyList) {
    const std::string jobList = (dir.Path() / "program" / "joblist.txt").string();
    struct Case {
        const char* what;
        std::function<void()> make;
    };
    const Case cases[] = {
        {"garbage", [&] { WriteRandomBytes(jobList, 300); }},
        {"a bad line", [&] { std::ofstream(jobList) << "vantoro-jobs 1\n[job]\nno equals sign\n"; }},
        {"a bad number", [&] { std::ofstream(jobList) << "vantoro-jobs 1\n[job]\nProgress=lots\n"; }},
        {"a job without source", [&] { std::ofstream(jobList) << "vantoro-jobs 1\n[job]\nStatus=完成\n"; }},
        {"a folder", [&] { fs::create_directory(jobList); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::error_code ec;
        fs::remove_all(jobList, ec);
        c.make();
        Restart(jobList);
        EXPECT_TRUE(view.Rows.empty());
        EXPECT_EQ(view.Status, "上次的任务列表无法恢复，列表从空开始");
        EXPECT_NE(logic->DiagnosticLog().find("***任务列表无法恢复: "), std::string::npos);
        EXPECT_TRUE(view.IsEnabled(TMainAction::Add));
    }
    // The next change replaces a broken file.
    fs::remove(jobList);
    std::ofstream(jobList) << "junk";
    Restart(jobList);
    AddOne(Clip("a.mkv"));
    Restart(jobList);
    EXPECT_EQ(view.Rows.size(), 1u);
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

// The command line's way in: a request added without the chooser lists the
// same jobs, with the same records, as the windows given the same picks.
TEST_F(MainWindowLogicTest, ARequestListsTheJobsTheWindowsList) {
    const auto jobsText = [&](const std::string& name) {
        std::vector<TSavedJob> saved;
        for (int row = 0; row < logic->Jobs().RowCount(); ++row)
            saved.push_back(
                {logic->Jobs().Row(row), logic->Jobs().Slot(row).Input, logic->Jobs().Slot(row).Output, {}});
        std::string error;
        EXPECT_TRUE(SaveJobListFile(dir.File(name), saved, error)) << error;
        std::ifstream in(dir.File(name));
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const TJobRequest one{
        MpegProfile,
        {{TChoiceRole::crVideoBitRate, "1600 kbps(极高质量)"}, {TChoiceRole::crVolume, "无声音"}},
        {true, false, true},
        TClipBoxes{"00", "00", "01", "", "", "02"}};
    TJobRequest many = one;
    many.Clip.reset();

    script = one;
    AddOne(Clip("long.mkv"));
    script = many;
    AddMany({Clip("a.mkv"), Clip("b.avi")});
    ASSERT_EQ(logic->Jobs().RowCount(), 3);
    const std::string windows = jobsText("windows.txt");

    logic->ClearJobs();
    TJobRequest request = one;
    request.Sources = {Clip("long.mkv")};
    logic->AddRequest(request);
    ASSERT_TRUE(ServeUntil([&] { return !logic->Adding(); }, 30s));
    request = many;
    request.Sources = {Clip("b.avi"), Clip("a.mkv")}; // the order the dialog's add listed them in
    logic->AddRequest(request);
    ASSERT_TRUE(ServeUntil([&] { return !logic->Adding(); }, 30s));
    EXPECT_EQ(jobsText("request.txt"), windows);
    EXPECT_EQ(logic->Jobs().Slot(0).Output.Duration, 1000000); // the clip's second
}
