// What "vantoro-cli transcode" prints about a run: one progress line per
// report, one line per termination report, a closing count. Main thread only.
#pragma once

#include "engine/Records.h"

#include <cstdint>
#include <vector>

class TTranscodeReport {
public:
    // Registers the converter's next task: its number on the command line (from
    // 1) and its input's duration in µs (-1 when unknown), the stand-in when a
    // report carries no expected total.
    void AddTask(int label, int64_t inputDuration);
    int RegisteredTasks() const { return static_cast<int>(labels_.size()); }

    // "task N: PCT% time=S.SSs fps=F bitrate=B.Bkbits/s size=KkB"
    void PrintProgress(const TProgressInfo& info) const;
    // "task N: finished", "task N: stopped" or "task N: failed: MESSAGE"; the
    // all-done report only marks the end.
    void Terminated(const TTerminateInfo& info);
    // The all-done report and every task's report have arrived.
    bool Ended() const { return allDone_ && reported_ >= RegisteredTasks(); }

    // "done: F of T tasks finished (...)", T counting tasks that were not set up.
    void PrintSummary(int commandLineTasks) const;
    int Finished() const { return finished_; }

private:
    int LabelOf(int taskIndex) const;

    std::vector<int> labels_;             // by the converter's task index
    std::vector<int64_t> inputDurations_; // by the converter's task index
    bool allDone_ = false;
    int reported_ = 0;
    int finished_ = 0;
    int failed_ = 0;
    int stopped_ = 0;
};
