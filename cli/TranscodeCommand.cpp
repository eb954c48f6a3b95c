// vantoro-cli transcode: drives the converter component directly, one task per
// -i with its -o outputs, printing each task's progress and termination report.
#include "cli/Commands.h"
#include "cli/TranscodeArgs.h"
#include "cli/TranscodeInterrupt.h"
#include "cli/TranscodeReport.h"
#include "engine/RAzidiZUV.h"
#include "media/FFmpegLoader.h"
#include "media/FFmpegLogger.h"
#include "media/FileHelpers.h"
#include "media/MainThreadDispatcher.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

class TTranscodeRun {
public:
    explicit TTranscodeRun(const TTranscodeArgs& args) : args_(args) {}
    // Handlers still called while the converter is torn down must not start a stop.
    ~TTranscodeRun() { stopIssued_ = true; }
    TTranscodeRun(const TTranscodeRun&) = delete;
    TTranscodeRun& operator=(const TTranscodeRun&) = delete;

    // Main thread. The exit status.
    int Run() {
        if (!converter_.LibrariesLoaded() && !converter_.LoadLibraries(LibraryFolderIn(ProgramDirectory()))) {
            std::fprintf(stderr, "vantoro-cli: %s\n", converter_.LastError().c_str());
            return 1;
        }
        converter_.OnProgress = [this](TCustomRAzidiZUV*, PProgressInfo info) {
            report_->PrintProgress(*info);
            // A synchronous run keeps the main thread inside StartTask: this is where it looks.
            if (args_.Threads == 0)
                StopWhenAsked();
        };
        // Thread mode delivers these on threads of their own, and a stop makes the
        // reports of tasks that never ran on report threads even in a synchronous
        // run: those are handed to the main thread without waiting (their thread may
        // hold the converter's termination lock that a synchronous run needs). A
        // report posted while the run is torn down finds the report gone.
        converter_.OnTerminate = [weak = std::weak_ptr(report_)](TCustomRAzidiZUV*,
                                                                 const TTerminateInfo& info) {
            if (IsMainThread()) {
                if (auto report = weak.lock())
                    report->Terminated(info);
                return;
            }
            PostToMainThread([weak, info] {
                if (auto report = weak.lock())
                    report->Terminated(info);
            });
        };

        SetUpTasks();
        if (!interrupt_.Requested() && converter_.TaskCount() > 0) {
            converter_.StartTask(args_.Threads);
            while (!report_->Ended()) {
                ServeUntil([&] { return report_->Ended() || StopPending(); });
                StopWhenAsked();
            }
        }
        ProcessPendingMessages();

        const int total = static_cast<int>(args_.Tasks.size());
        report_->PrintSummary(total);
        if (report_->Finished() == total)
            return 0;
        return interrupt_.Requested() ? TTranscodeInterrupt::ExitStatus : 1;
    }

private:
    // Registers every task; one whose input or output cannot be set up is left
    // out with the component's reason, and the others still run.
    void SetUpTasks() {
        for (size_t n = 0; n < args_.Tasks.size() && !interrupt_.Requested(); ++n) {
            const TTranscodeTaskArgs& task = args_.Tasks[n];
            const int label = static_cast<int>(n) + 1;
            TInputOptions input;
            InitInputOptions(input);
            input.ExtOptions = JoinOptionLines(task.InputOptionLines);
            const int index = converter_.AddTask(task.InputFile, input);
            if (index < 0) {
                SetUpFailed(label);
                continue;
            }
            bool outputsSet = true;
            for (const auto& out : task.Outputs) {
                TOutputOptions output;
                InitOutputOptions(output);
                output.ExtOptions = JoinOptionLines(out.OptionLines);
                if (!converter_.SetOutputFile(index, out.FileName, output)) {
                    SetUpFailed(label);
                    outputsSet = false;
                    break;
                }
            }
            if (!outputsSet) {
                // Its other outputs are still empty; freeing the task deletes them.
                converter_.RemoveTask(index);
                continue;
            }
            const AVFormatContext* context = converter_.InputContext(index, 0);
            report_->AddTask(label, context && context->duration > 0 ? context->duration : -1);
        }
    }

    void SetUpFailed(int label) {
        std::fprintf(stderr, "task %d: %s\n", label, converter_.LastError().c_str());
        std::fflush(stderr);
    }

    bool StopPending() const { return interrupt_.Requested() && !stopIssued_; }

    // Main thread: the first Ctrl-C stops every task with waiting, so each output
    // gets its flush and trailer.
    void StopWhenAsked() {
        if (!StopPending())
            return;
        stopIssued_ = true;
        converter_.Stop(true);
    }

    const TTranscodeArgs& args_;
    bool stopIssued_ = false;
    std::shared_ptr<TTranscodeReport> report_ = std::make_shared<TTranscodeReport>();
    // Outlives the converter's own stop-and-wait at destruction: a Ctrl-C then still only asks.
    TTranscodeInterrupt interrupt_{[] { WakeMainThread(); }};
    // Last, so it is torn down while everything its handlers use still exists.
    TRAzidiZUV converter_;
};

void PrintLogLine(const TFFBaseComponent*, uint32_t, TLogLevel level, const std::string& message) {
    // Quiet lines are the failures that the termination reports print anyway.
    if (level == llQuiet || level > llWarning)
        return;
    size_t end = message.size();
    while (end > 0 && (message[end - 1] == '\n' || message[end - 1] == '\r'))
        --end;
    std::fprintf(stderr, "log: %.*s\n", static_cast<int>(end), message.c_str());
}

} // namespace

int RunTranscodeCommand(const CommandArgs& args) {
    TTranscodeArgs parsed;
    std::string error;
    if (!ParseTranscodeArgs(args, parsed, error)) {
        std::fprintf(stderr, "vantoro-cli transcode: %s\n%s", error.c_str(), TranscodeUsage);
        return 2;
    }
    if (parsed.Help) {
        std::fputs(TranscodeUsage, stdout);
        return 0;
    }
    GetLogger().OnLog = PrintLogLine;
    try {
        TTranscodeRun run(parsed);
        return run.Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vantoro-cli: %s\n", e.what());
        return 1;
    }
}
