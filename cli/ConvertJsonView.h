// The view of "vantoro-cli convert --json": one JSON object per line for each
// job of the run, its progress and its end, then the run's end, so that a
// scheduler driving many runs can collect the results without parsing text.
// Messages and failures still go to standard error as without --json; no
// progress bars or lines are drawn.
//
// Every file named on the command line is a job: it gets one "job_added" line
// and, before "run_ended", exactly one "job_ended" line, also when it never ran
// (the add could not list it, it could not be set up again, or the run was
// stopped first). Jobs are numbered in command-line order.
#pragma once

#include "cli/ConvertConsole.h"
#include "profiles/JobRequest.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <deque>
#include <optional>
#include <string>
#include <vector>

class TJsonConvertView : public TConsoleView {
public:
    // `out`: where the lines go (standard output), flushed after each line.
    // `parallel`: how many jobs run at once, to know when each one starts.
    TJsonConvertView(const TJobRequest& request, bool verbose, std::FILE* out, int parallel);

    // The run has started (the logic has chosen every job's output): the
    // "job_added" lines, once. The reports of the run also bring them out
    // first, should one come sooner.
    void RunStarted();
    // The "run_ended" line: `files` named on the command line, the counts of
    // the jobs by how they ended and the process's exit status.
    void RunSummary(int files, int exitStatus);

    bool ShowMessage(const std::string& text, const std::string& title, TMessageIcon icon,
                     TMessageButtons buttons) override;
    void JobNotStarted(int row, const std::string& reason) override;
    void JobProgress(int row, const TProgressInfo& info) override;
    void JobChecked(int row, const TOutputCheck& check) override;
    void JobEnded(int row, const TTerminateInfo& info) override;
    void RunEnded() override;

private:
    using Clock = std::chrono::steady_clock;
    enum class TEnd { Finished, Failed, Stopped };
    struct TJob {
        bool Ended = false;
        std::optional<Clock::time_point> Started;
        std::optional<Clock::time_point> LastReport; // of the last "progress" line
        int LastPercent = -1;
        double TotalSeconds = -1; // what is being converted, from the progress reports
        std::optional<TOutputCheck> Check;
    };

    TJob& Job(int row);
    // The job number of a row: its file's place on the command line.
    int IndexOf(int row) const;
    void MarkStarted(int row, Clock::time_point now);
    // The engine starts the next waiting job whenever one ends.
    void StartNextWaiting(Clock::time_point now);
    void WriteJobEnded(int row, TEnd end, const std::string& error, Clock::time_point now);
    // The end of a file the add did not list.
    void WriteNotAdded(int index, const TFileOutcome& file);
    void Write(const std::string& line);

    std::FILE* out_;
    int parallel_;
    int profileId_;
    std::string profileLabel_;
    bool started_ = false;
    bool stopping_ = false;
    std::vector<TJob> jobs_;    // by row
    std::vector<int> rowIndex_; // job number by row
    int jobCount_ = 0;          // listed or not
    std::deque<int> waiting_;   // rows whose job has not started yet, in run order
    // Why jobs could not be set up at the start: the logic's warning holds the
    // reason and the source, one per line.
    std::vector<std::pair<std::string, std::string>> startErrors_; // source, reason
    std::array<int, 3> endCounts_{};                               // by TEnd
    std::string line_;                                             // reused for every line
};
