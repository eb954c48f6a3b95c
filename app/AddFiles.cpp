// Adding files: one file, many files (probed on a worker), and the rebuild of
// the converter's task list at the start of a run.
#include "app/MainWindowLogic.h"

#include "app/OpenFilters.h"
#include "app/OutputFiles.h"
#include "media/AVProbe.h"
#include "media/FFmpegLoader.h"
#include "media/FileHelpers.h"
#include "media/MainThreadDispatcher.h"
#include "media/SourceFacts.h"
#include "profiles/BuildOptions.h"
#include "profiles/Translation.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavformat/avformat.h>
}

namespace fs = std::filesystem;

namespace {

// Why a listed job's source cannot be opened again at the start of a run, in
// the user's words (the library's own text is in the log already).
std::string SourceProblem(const std::string& source) {
    std::error_code ec;
    if (!fs::exists(source, ec))
        return Tr(VT_TR("源文件不存在：")) + source;
    if (access(source.c_str(), R_OK) != 0)
        return Tr(VT_TR("没有读取源文件的权限：")) + source;
    return Tr(VT_TR("源文件无法打开或已损坏：")) + source;
}

constexpr const char* LoadedMessage = VT_TR("装入成功.");
constexpr const char* FullMessage = VT_TR("任务列表已满,请先清空列表后再添加文件！");

// Why `file` cannot be a source, found without opening it; empty for a
// regular file (links followed). Opening a pipe that has no writer, or a
// device, would hold the probe for as long as they stay silent; stat never
// waits on them.
std::string NotAFileProblem(const std::string& file) {
    struct stat info {};
    if (stat(file.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return "源文件不存在：" + file;
        return "源文件无法访问：" + file + "（" + std::strerror(errno) + "）";
    }
    if (S_ISDIR(info.st_mode))
        return "源文件是文件夹：" + file;
    if (!S_ISREG(info.st_mode))
        return "源文件不是普通文件（管道、设备或套接字）：" + file;
    return {};
}

// The probe's error without the file name it starts with, which the reason names already.
std::string ProbeDetail(const std::string& file, const std::string& error) {
    const std::string prefix = file + ": ";
    return error.compare(0, prefix.size(), prefix) == 0 ? error.substr(prefix.size()) : error;
}

} // namespace

bool TMainWindowLogic::LoadConverterLibraries() {
    if (converter_.LibrariesLoaded())
        return true;
    const std::string folder = LibraryFolderIn(programFolder_);
    std::error_code ec;
    if (converter_.LoadLibraries(fs::is_directory(folder, ec) ? folder : std::string()))
        return true;
    Log(converter_.LastError());
    return false;
}

bool TMainWindowLogic::RefuseWhenFull() {
    if (jobs_.CanAdd())
        return false;
    view_.ShowMessage(FullMessage, VT_TR("提示"), TMessageIcon::Information);
    return true;
}

bool TMainWindowLogic::OutputTaken(const std::string& path, const std::set<std::string>& claimed,
                                   const std::string& newSource) const {
    if ((ifOutputExists_ == ieNewName && PathExists(path)) || claimed.count(path) > 0)
        return true;
    // A temporary name is where some job writes until its file is checked.
    if (IsPartName(path))
        return true;
    // Overwriting means earlier outputs, never a file a job still has to read: writing
    // over a source (same folder, same extension) would destroy it before it is read.
    if (!newSource.empty() && SameFile(path, newSource))
        return true;
    for (int i = 0; i < TJobList::SlotCount; ++i) {
        const TJobSlot& slot = jobs_.Slot(i);
        if (slot.State == jsUsed && SameFile(path, slot.Input.FileName))
            return true;
    }
    return false;
}

void TMainWindowLogic::ReportUnreadable(const std::string& sourceFile, const std::string& probeError) {
    Log("***文件打开失败 " + probeError);
    const std::string message = Tr(VT_TR("无法识别的音频或视频文件！")) + sourceFile;
    view_.ShowMessage(message, VT_TR("提示"), TMessageIcon::Information);
    const std::string detail = ProbeDetail(sourceFile, probeError);
    view_.FileNotAdded(sourceFile, detail.empty() ? message : message + "（" + detail + "）");
}

void TMainWindowLogic::ReportNotAdded(const std::string& file, const std::string& reason) {
    Log("***" + reason);
    view_.FileNotAdded(file, reason);
}

void TMainWindowLogic::EnableAfterAdd() {
    for (auto action :
         {TMainAction::Remove, TMainAction::Clear, TMainAction::Start, TMainAction::BrowseOutput,
          TMainAction::IfExistsChoice, TMainAction::CpuUsageChoice, TMainAction::ParallelChoice})
        view_.SetEnabled(action, true);
    SetListPanelEnabled(true);
}

bool TMainWindowLogic::ListProbedFile(const std::string& sourceFile, const std::string& outputCandidate,
                                      bool singleFile, std::optional<TProbedInput> probed) {
    if (RefuseWhenFull()) {
        view_.FileNotAdded(sourceFile, FullMessage);
        return false;
    }
    TInputOptions input;
    BuildInputOptions(settings_, sourceFile, input);
    // The worker's open serves the task: the main thread opens the file only
    // when it changed since (no input then).
    const int task = converter_.AddTask(sourceFile, input, std::move(probed));
    if (task < 0) {
        Log("***打开文件失败: " + converter_.LastError());
        view_.FileNotAdded(sourceFile, "打开文件失败: " + converter_.LastError());
        return false;
    }
    if (singleFile)
        previewFile_ = sourceFile;

    // Two listed jobs writing one file would spoil each other's output.
    std::set<std::string> listed;
    for (int row = 0; row < jobs_.RowCount(); ++row)
        listed.insert(jobs_.Slot(row).Output.FileName);
    const std::string output = UniqueOutputName(
        outputCandidate, false, [&](const std::string& p) { return OutputTaken(p, listed, sourceFile); });
    if (output.empty()) {
        converter_.RemoveTask(task);
        ReportNotAdded(sourceFile, "不能进行正常转换: " + NoFreeNameMessage(outputCandidate));
        return false;
    }
    TOutputOptions outputOptions;
    BuildOutputOptions(settings_, output, outputOptions);
    // Registered under a temporary name: opening the output creates the file,
    // and a file the user chose to overwrite is replaced only by a finished
    // conversion.
    const std::string check = AddCheckName(output);
    const bool checked = converter_.SetOutputFile(task, check, outputOptions);
    // The task keeps the file open until the run replaces it; the user's
    // folder keeps nothing of the check.
    if (checked)
        unlink(check.c_str());
    if (!checked) {
        converter_.RemoveTask(task);
        // A single add lists nothing; a many-file add still lists the job, and
        // the run tries to register it again.
        if (singleFile) {
            ReportNotAdded(sourceFile, "不能进行正常转换: " + converter_.LastError());
            return false;
        }
        Log("***不能进行正常转换: " + converter_.LastError());
    }
    const int row = jobs_.AddJobRow(sourceFile, output, input, outputOptions);
    runOutputs_.resize(static_cast<size_t>(jobs_.RowCount()));
    view_.InsertRow(row, jobs_.Row(row));
    if (singleFile) {
        RenumberRows();
        SelectAndFocus(row);
        SaveJobList(); // a many-file add saves once, at its end
    }
    Log(LoadedMessage);
    EnableAfterAdd();
    return true;
}

bool TMainWindowLogic::PrepareAdd() {
    ResetConversionSettings(settings_);
    return LoadConverterLibraries();
}

void TMainWindowLogic::AddOneFile() {
    if (adding_ || !PrepareAdd())
        return;
    if (const std::optional<std::string> file = platform_.ChooseOpenFile(OpenFilters()))
        AddSingleFile(*file);
}

void TMainWindowLogic::AddSingleFile(const std::string& file, std::optional<TJobRequest> request) {
    if (const std::string problem = NotAFileProblem(file); !problem.empty()) {
        ReportNotAdded(file, problem);
        return;
    }
    BeginAdd({file}, true, std::move(request));
}

void TMainWindowLogic::AddManyFiles() {
    if (adding_ || !PrepareAdd())
        return;
    const std::vector<std::string> chosen = platform_.ChooseOpenFiles(OpenFilters());
    if (!chosen.empty()) // a dialog's files are listed last one first
        StartManyAdd({chosen.rbegin(), chosen.rend()});
}

void TMainWindowLogic::AddFiles(const std::vector<std::string>& files) {
    if (files.empty() || adding_ || running_ || !PrepareAdd())
        return;
    if (files.size() == 1)
        AddSingleFile(files.front());
    else
        StartManyAdd(files);
}

void TMainWindowLogic::StartManyAdd(const std::vector<std::string>& files) {
    BeginAdd(files, false, std::nullopt);
}

void TMainWindowLogic::AddRequest(const TJobRequest& request) {
    if (request.Sources.empty() || adding_ || running_ || !PrepareAdd())
        return;
    if (request.Sources.size() > 1) {
        // No window shows the first file's facts: every file is probed by the many-file add.
        NewAdd(request.Sources);
        AddManyRequest(request);
        return;
    }
    AddSingleFile(request.Sources.front(), request);
}

TMainWindowLogic::TProbeResult TMainWindowLogic::OpenSource(TAVProbe& probe, const std::string& file) {
    TProbeResult result;
    result.Error = NotAFileProblem(file);
    if (!result.Error.empty())
        return result;
    // With the format the task forces, so that the task can take the input over.
    TInputOptions input;
    BuildSourceInput(file, input);
    try {
        const bool opened = probe.Open(file, input.FileFormat);
        result.Outcome = opened ? TProbeOutcome::Opened : TProbeOutcome::Unreadable;
        result.Error = probe.LastError();
    } catch (const std::exception& e) {
        result.Outcome = TProbeOutcome::Unreadable;
        result.Error = e.what();
    }
    return result;
}

TMainWindowLogic::TAdd& TMainWindowLogic::NewAdd(std::vector<std::string> files) {
    adding_ = std::make_unique<TAdd>();
    adding_->files = std::move(files);
    // No run and no second add while it goes on.
    view_.SetEnabled(TMainAction::Add, false);
    view_.SetEnabled(TMainAction::Start, false);
    return *adding_;
}

void TMainWindowLogic::BeginAdd(std::vector<std::string> files, bool single,
                                std::optional<TJobRequest> request) {
    TAdd* add = &NewAdd(std::move(files));
    add->single = single;
    add->request = std::move(request);
    view_.ShowAddProgress(0, 1);
    add->worker = std::thread([this, add, alive = std::weak_ptr<bool>(alive_)] {
        // Kept open in the probe: the windows show its facts, and the task takes it over.
        add->firstResult = OpenSource(add->first, add->files.front());
        PostToMainThread([this, add, alive] {
            // The add may have been stopped (or the window closed) meanwhile.
            if (alive.lock() && adding_.get() == add)
                ProbedFirst();
        });
    });
}

void TMainWindowLogic::ProbedFirst() {
    TAdd* add = adding_.get();
    add->worker.join(); // it has posted this: its last step
    view_.ShowAddProgress(1, 1);
    add->firstFacts = SourceFactsOf(add->first.Context());
    std::optional<TJobRequest> request = add->request;
    if (!request) {
        request = view_.ChooseJob(add->files, outputFolder_, add->single, add->firstFacts);
        // A modal window serves events: the window may have closed and ended the add under it.
        if (adding_.get() != add)
            return;
    }
    if (!request) {
        EndAdd();
        return;
    }
    if (add->single) {
        AddSingleRequest(*request);
        EndAdd();
    } else {
        AddManyRequest(*request);
    }
}

void TMainWindowLogic::AddSingleRequest(const TJobRequest& request) {
    TAdd& add = *adding_;
    const std::string& file = add.files.front();
    const std::optional<int64_t> seconds = add.firstFacts.DurationSeconds;
    std::string error;
    if (!SettingsForRequest(request, file, outputFolder_, true, seconds, settings_, error)) {
        view_.FileNotAdded(file, file + ": " + error);
        return;
    }
    if (RefuseWhenFull()) {
        view_.FileNotAdded(file, FullMessage);
        return;
    }
    const TProbeResult& probed = *add.firstResult;
    switch (probed.Outcome) {
    case TProbeOutcome::NotAFile: // since it was chosen
        ReportNotAdded(file, probed.Error);
        return;
    case TProbeOutcome::Unreadable:
        ReportUnreadable(file, probed.Error);
        return;
    case TProbeOutcome::Opened:
        break;
    }
    ListProbedFile(file, settings_.OutputFile, true, add.first.TakeInput(file));
}

void TMainWindowLogic::AddManyRequest(const TJobRequest& request) {
    const std::vector<std::string>& files = adding_->files;
    std::string error;
    // Every job of the add has these settings; only the source and output names differ.
    if (!SettingsForRequest(request, files.front(), outputFolder_, false, std::nullopt, settings_, error)) {
        for (const std::string& file : files)
            view_.FileNotAdded(file, file + ": " + error);
        EndAdd();
        return;
    }
    BeginManyAdd();
}

void TMainWindowLogic::BeginManyAdd() {
    TAdd* add = adding_.get();
    // From the last dot of the name: a bare ".mpg" has no extension to std::filesystem.
    const std::string outputName = fs::path(settings_.OutputFile).filename().string();
    const auto dot = outputName.rfind('.');
    add->ext = dot == std::string::npos ? std::string() : outputName.substr(dot);
    view_.ShowAddProgress(0, static_cast<int>(add->files.size()));

    // The first file's result, when the windows had it probed already.
    size_t next = 0;
    if (add->firstResult) {
        TProbeResult first = std::move(*add->firstResult);
        if (first.Outcome == TProbeOutcome::Opened)
            first.Input = add->first.TakeInput(add->files.front());
        add->first.Close();
        add->results.push_back(std::move(first));
        next = 1;
    }
    add->worker = std::thread([this, add, next, alive = std::weak_ptr<bool>(alive_)] {
        for (size_t i = next; i < add->files.size() && !add->cancel; ++i) {
            TProbeResult result = OpenSource(add->others, add->files[i]);
            if (result.Outcome == TProbeOutcome::Opened)
                result.Input = add->others.TakeInput(add->files[i]);
            add->others.Close();
            {
                std::lock_guard guard(add->lock);
                add->results.push_back(std::move(result));
            }
            PostToMainThread([this, add, alive] {
                // The add may have been stopped (or the window closed) meanwhile.
                if (alive.lock() && adding_.get() == add)
                    DrainProbeResults();
            });
        }
    });
    if (next > 0)
        DrainProbeResults();
}

void TMainWindowLogic::DrainProbeResults() {
    TAdd& add = *adding_;
    if (add.draining)
        return; // the outer drain takes this result too
    add.draining = true;
    bool goOn = true;
    while (goOn && add.handled < add.files.size()) {
        TProbeResult result;
        {
            std::lock_guard guard(add.lock);
            if (add.results.empty())
                break;
            result = std::move(add.results.front());
            add.results.pop_front();
        }
        goOn = HandleProbeResult(result);
        // A message box serves events: the window may have closed and ended the add under it.
        if (adding_.get() != &add)
            return;
    }
    add.draining = false;
    if (!goOn) {
        // Only a full list stops the add; what it had still to list is told too.
        for (size_t i = add.handled; i < add.files.size(); ++i)
            view_.FileNotAdded(add.files[i], FullMessage);
    }
    if (!goOn || add.handled == add.files.size())
        FinishManyAdd();
}

bool TMainWindowLogic::HandleProbeResult(TProbeResult& result) {
    TAdd& add = *adding_;
    const std::string file = add.files[add.handled];
    ++add.handled;
    view_.ShowAddProgress(static_cast<int>(add.handled), static_cast<int>(add.files.size()));
    switch (result.Outcome) {
    case TProbeOutcome::NotAFile:
        // Gone since it was chosen, or a pipe, device or folder: the others still count.
        ReportNotAdded(file, result.Error);
        return true;
    case TProbeOutcome::Unreadable:
        ReportUnreadable(file, result.Error);
        return true;
    case TProbeOutcome::Opened:
        break;
    }
    settings_.SourceFile = file;
    const std::string candidate =
        (fs::path(outputFolder_) / (fs::path(file).stem().string() + add.ext)).string();
    // One file that cannot be listed leaves the others to go on; a full list ends the add.
    return ListProbedFile(file, candidate, false, std::move(result.Input)) || jobs_.CanAdd();
}

void TMainWindowLogic::StopAdd() {
    if (!adding_)
        return;
    adding_->cancel = true;
    // An open under way gives up at once.
    adding_->first.CancelOpen();
    adding_->others.CancelOpen();
    if (adding_->worker.joinable())
        adding_->worker.join();
    adding_.reset();
}

void TMainWindowLogic::EndAdd() {
    StopAdd();
    view_.SetEnabled(TMainAction::Add, true);
    view_.SetEnabled(TMainAction::Start, jobs_.RowCount() > 0);
}

void TMainWindowLogic::FinishManyAdd() {
    EndAdd();
    RenumberRows();
    SaveJobList();
    if (jobs_.RowCount() > 0)
        SelectAndFocus(jobs_.RowCount() - 1);
}

void TMainWindowLogic::RebuildTasks() {
    std::error_code ec;
    fs::create_directories(outputFolder_, ec);
    converter_.ClearTasks();
    taskRows_.clear();
    startFailures_.clear();
    runOutputs_.assign(static_cast<size_t>(jobs_.RowCount()), std::string());
    std::vector<TStagedOutput> staged;
    std::set<std::string> claimed;
    for (int i = 0; i < TJobList::SlotCount; ++i) {
        const TJobSlot& slot = jobs_.Slot(i);
        if (slot.State != jsUsed)
            continue;
        diagnosticLog_.clear();
        const int task = converter_.AddTask(slot.Input.FileName, slot.Input);
        if (task < 0) {
            startFailures_.emplace_back(i, SourceProblem(slot.Input.FileName));
            continue;
        }
        // Another program writing into the same folder may choose the same
        // name; the publish then takes the next free one.
        const std::string name =
            StartOutputName(outputFolder_, slot.Output.FileName,
                            [&](const std::string& p) { return OutputTaken(p, claimed); });
        if (name.empty()) {
            startFailures_.emplace_back(i, NoFreeNameMessage(slot.Output.FileName));
            converter_.RemoveTask(task);
            continue;
        }
        // A folder of that name can never take the file: say so now, not
        // after the conversion.
        if (std::error_code ec; fs::is_directory(name, ec)) {
            startFailures_.emplace_back(i, Tr(VT_TR("输出文件的位置上有同名的文件夹：")) + name +
                                               Tr(VT_TR("（源文件：")) + slot.Input.FileName +
                                               Tr(VT_TR("）")));
            converter_.RemoveTask(task);
            continue;
        }
        // What an earlier run of this output left when it was killed.
        RemoveDeadRunParts(name);
        // The converter writes beside the final name; the file gets that
        // name when it is complete and checked (OnTerminate's delivery).
        TStagedOutput output = StageOutput(name, {}, ifOutputExists_ == ieOverwrite);
        if (!converter_.SetOutputFile(task, output.Part, slot.Output)) {
            startFailures_.emplace_back(i, Tr(VT_TR("输出文件无法创建：")) + name + Tr(VT_TR("（源文件：")) +
                                               slot.Input.FileName + Tr(VT_TR("；")) +
                                               converter_.LastError() + Tr(VT_TR("）")));
            converter_.RemoveTask(task);
            continue;
        }
        output.Expected = ExpectationOf(converter_, task);
        claimed.insert(name);
        taskRows_.push_back(i);
        runOutputs_[static_cast<size_t>(i)] = name;
        staged.push_back(std::move(output));
    }
    std::lock_guard guard(stagedLock_);
    staged_ = std::move(staged);
}
