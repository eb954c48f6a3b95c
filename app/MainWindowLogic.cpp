// Construction, start-up, the password lock, closing, the diagnostic log, the
// output folder and the help actions of the main window's logic.
#include "app/MainWindowLogic.h"
#include "app/ProgramFiles.h"

#include "app/PasswordLock.h"
#include "app/ToolHints.h"
#include "engine/CodecThreads.h"
#include "media/FFmpegLogger.h"
#include "media/MainThreadDispatcher.h"
#include "profiles/Translation.h"

#include <algorithm>
#include <cassert>
#include <filesystem>

namespace fs = std::filesystem;

TMainWindowLogic::TMainWindowLogic(IMainView& view, IPlatform& platform, TSettingsStore& settings,
                                   std::string programFolder)
    : view_(view), platform_(platform), store_(settings), programFolder_(std::move(programFolder)) {
    // Cores that the jobs running leave over go to their codecs.
    converter_.SetCodecCores(ProcessorCores());
    // Every output is written under a temporary name (OutputFiles.h), which
    // already says a file is unfinished; a failed job's file stays there.
    converter_.SetMarkIncompleteOutputs(false);
    AttachConverterEvents();
    GetLogger().OnLog = [this](const TFFBaseComponent*, uint32_t threadId, TLogLevel level,
                               const std::string& message) {
        AppendLogLine("#" + std::to_string(threadId) + "." + std::to_string(static_cast<int>(level)) + ": " +
                      message);
    };
}

TMainWindowLogic::~TMainWindowLogic() {
    CloseNow();
    StopAdd();
}

void TMainWindowLogic::AttachConverterEvents() {
    // Progress handlers run on the main thread, like closed_'s only writer.
    converter_.OnProgress = [this](TCustomRAzidiZUV*, PProgressInfo info) {
        if (!closed_)
            OnProgress(*info);
    };
    // Termination reports come on the converter's delivery threads. A job's
    // output is checked and moved there, off the main thread (probing takes a
    // while); the deliveries run one after another, so every job's result is
    // posted before the all-done report's. The window's state is main-thread
    // only, so the results are posted there. Files are finished even after
    // closing: a job stopped by the close keeps what it wrote.
    converter_.OnTerminate = [this, alive = std::weak_ptr<bool>(alive_)](TCustomRAzidiZUV*,
                                                                         const TTerminateInfo& info) {
        TJobEnding ending{info, std::nullopt, {}};
        if (const std::optional<TStagedOutput> staged = StagedOutputOf(info.TaskIndex))
            ending = FinishStagedOutput(*staged, info);
        PostToMainThread([this, alive, ending = std::move(ending)] {
            if (alive.lock() && !closed_)
                OnTerminate(ending);
        });
    };
}

void TMainWindowLogic::Initialise(const std::string& outputFolder) {
    ResetConversionSettings(settings_);
    settings_.OutputFile.clear();
    runPaused_ = false;
    jobs_.ResetJobSlots();
    outputFolder_ = outputFolder.empty() ? store_.ReadOutputFolder() : outputFolder;
    view_.SetOutputFolderText(outputFolder_);
    outputFolderReplaced_ = outputFolder.empty() && !store_.RefusedFolder().empty();
    if (outputFolderReplaced_)
        view_.ShowMessage(Tr(VT_TR("设置文件中的输出目录无效，改用默认目录：")) + outputFolder_,
                          VT_TR("提示"), TMessageIcon::Information);
    completionAction_ = caOpenFolder;
    cpuUsage_ = cuNormal;
    // First start: one file per core, so a batch uses the whole machine.
    SetParallelCount(store_.ReadParallelFiles(std::min(ProcessorCores(), MaxParallelJobs)) - 1);
    snapshotType_ = store_.ReadSnapshotType();
    listBusy_ = false;
    for (auto action : {TMainAction::Remove, TMainAction::Clear, TMainAction::Start, TMainAction::Pause,
                        TMainAction::Stop, TMainAction::ListMoveUp, TMainAction::ListMoveDown,
                        TMainAction::ListRemove, TMainAction::ListClear})
        view_.SetEnabled(action, false);
    view_.SetEnabled(TMainAction::Add, true);
    RestoreJobList();
}

bool TMainWindowLogic::UnlockOnShow() {
    const TPasswordStore store = platform_.ReadPasswordStore();
    if (!store.LockOn)
        return true;
    const std::optional<std::string> typed = view_.AskPassword();
    if (typed && PasswordAccepted(store, *typed))
        return true;
    if (typed)
        view_.ShowMessage(VT_TR("输入的密码错误,请和本机管理人员联系！"), VT_TR("错误"), TMessageIcon::Error);
    view_.CloseMainWindow();
    return false;
}

bool TMainWindowLogic::CloseQuery() {
    if (closed_)
        return true;
    if (running_) {
        // The jobs are stopped without waiting here, so the window goes on
        // painting while the trailers are written; the run's end closes it.
        // No completion action runs after a stop.
        if (!closing_) {
            closing_ = true;
            BeginStop();
        }
        return false;
    }
    CloseNow();
    return true;
}

void TMainWindowLogic::CloseNow() {
    if (closed_)
        return;
    // No completion action may run once the window closes. The converter's
    // events must not be reassigned while its workers may read them, so the
    // handlers ignore whatever comes after this flag.
    closed_ = true;
    StopAdd();
    converter_.Stop(true);
    if (running_) {
        // The kept job list says what closing did to the jobs it cut short.
        for (int row = 0; row < jobs_.RowCount(); ++row) {
            if (CutShort(jobs_.Row(row).State))
                jobs_.Row(row).SetState(TJobState::Stopped);
        }
        SaveJobList();
    }
    running_ = false;
    GetLogger().OnLog = nullptr;
}

void TMainWindowLogic::ToolButtonHovered(TToolButton button) {
    view_.SetStatusText(std::string(ToolButtonHint(button)));
}

void TMainWindowLogic::OpenForUser(const std::string& target, const std::string& what) {
    // The desktop answers later; a failure would otherwise go unseen.
    const auto failed = [this, target, what] {
        const std::string text = Tr(VT_TR("无法打开")) + Tr(what) + Tr(VT_TR("：")) + target +
                                 Tr(VT_TR("（系统中没有可以打开它的程序）"));
        view_.SetStatusText(text);
        Log("***" + text);
    };
    const bool asked =
        platform_.OpenWithDesktop(target, [failed, alive = std::weak_ptr<bool>(alive_)](bool opened) {
            if (!opened && alive.lock())
                failed();
        });
    if (!asked)
        failed();
}

void TMainWindowLogic::OpenHelp() {
    OpenForUser(ProgramFile(programFolder_, HelpPage), VT_TR("帮助页面"));
}
void TMainWindowLogic::OpenWebSite() {
    OpenForUser(WebSiteAddress, VT_TR("软件网站"));
}
void TMainWindowLogic::OpenMailLink() {
    OpenForUser(SupportMailLink, VT_TR("邮件链接"));
}

void TMainWindowLogic::AppendLogLine(const std::string& line) {
    diagnosticLog_ += line;
    diagnosticLog_ += '\n';
    view_.DiagnosticLine(line);
}

// The add steps write an empty line, the message and an empty line.
void TMainWindowLogic::Log(const std::string& message) {
    AppendLogLine("");
    AppendLogLine(message);
    AppendLogLine("");
}

void TMainWindowLogic::BrowseOutputFolder() {
    if (auto folder = platform_.ChooseFolderFrom(Tr(VT_TR("选择输出文件存放目录")), outputFolder_)) {
        outputFolder_ = *folder;
        view_.SetOutputFolderText(outputFolder_);
        store_.WriteOutputFolder(outputFolder_);
    }
}

void TMainWindowLogic::OpenOutputFolder() {
    OpenForUser(outputFolder_, VT_TR("输出文件夹"));
}

void TMainWindowLogic::ShutDownComputer() {
    if (!platform_.PowerOff())
        Log("***关机请求失败");
}

void TMainWindowLogic::SetParallelCount(int index) {
    parallelIndex_ = index < 0 ? 0 : index > MaxParallelIndex ? MaxParallelIndex : index;
}

void TMainWindowLogic::ChooseParallelCount(int index) {
    SetParallelCount(index);
    store_.WriteParallelFiles(parallelIndex_ + 1);
}
