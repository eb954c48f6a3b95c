#include "cli/TranscodeReport.h"

#include <algorithm>
#include <cstdio>

void TTranscodeReport::AddTask(int label, int64_t inputDuration) {
    labels_.push_back(label);
    inputDurations_.push_back(inputDuration);
}

int TTranscodeReport::LabelOf(int taskIndex) const {
    return taskIndex >= 0 && taskIndex < RegisteredTasks() ? labels_[taskIndex] : taskIndex + 1;
}

void TTranscodeReport::PrintProgress(const TProgressInfo& info) const {
    int64_t total = info.TotalDuration;
    if (total <= 0 && info.TaskIndex >= 0 && info.TaskIndex < RegisteredTasks())
        total = inputDurations_[info.TaskIndex];
    // Until a stream has written something the time is a placeholder, not a time.
    const bool timeKnown = info.CurrentDuration < NoProgressTime;
    char percent[16] = "  ?"; // any int fits: the format check cannot know it is 0 to 100
    if (const int value = ProgressPercent(info.CurrentDuration, total); value >= 0)
        std::snprintf(percent, sizeof percent, "%3d", value);
    char time[32] = "N/A";
    if (timeKnown)
        std::snprintf(time, sizeof time, "%.2fs", static_cast<double>(info.CurrentDuration) / 1e6);
    char fps[16] = "-"; // no video output
    if (info.FPS >= 0)
        std::snprintf(fps, sizeof fps, "%d", info.FPS);
    std::printf("task %d: %s%% time=%s fps=%s bitrate=%.1fkbits/s size=%.0fkB\n", LabelOf(info.TaskIndex),
                percent, time, fps, static_cast<double>(info.BitRate),
                static_cast<double>(info.TotalSize) / 1024.0);
    std::fflush(stdout);
}

void TTranscodeReport::Terminated(const TTerminateInfo& info) {
    if (info.TaskIndex < 0) {
        allDone_ = true;
        return;
    }
    ++reported_;
    const int label = LabelOf(info.TaskIndex);
    if (info.Failed) {
        ++failed_;
        // Finished as well: the output is complete but closing it went wrong.
        std::printf("task %d: failed%s: %s\n", label, info.Finished ? " after finishing" : "",
                    info.ErrorMessage.c_str());
    } else if (info.Finished) {
        ++finished_;
        std::printf("task %d: finished\n", label);
    } else {
        ++stopped_;
        std::printf("task %d: stopped\n", label);
    }
    std::fflush(stdout);
}

void TTranscodeReport::PrintSummary(int commandLineTasks) const {
    std::printf("done: %d of %d tasks finished (%d failed, %d stopped, %d not set up)\n", finished_,
                commandLineTasks, failed_, stopped_, commandLineTasks - RegisteredTasks());
    std::fflush(stdout);
}
