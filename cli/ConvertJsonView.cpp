#include "cli/ConvertJsonView.h"

#include "cli/JsonLine.h"
#include "profiles/OutputProfile.h"

#include <algorithm>

namespace {

// A progress line at least this often while the percentage stands still (long sources).
constexpr std::chrono::seconds QuietProgressInterval{1};
// Before this much wall time a speed says nothing yet.
constexpr double SpeedAfterSeconds = 0.2;

double Seconds(int64_t microseconds) {
    return static_cast<double>(microseconds) / 1e6;
}

} // namespace

TJsonConvertView::TJsonConvertView(const TJobRequest& request, bool verbose, std::FILE* out, int parallel)
    : TConsoleView(verbose, TConsoleOutput::Messages), out_(out), parallel_(std::max(1, parallel)),
      profileId_(request.ProfileId) {
    if (const TOutputProfile* profile = FindProfile(request.ProfileId))
        profileLabel_ = profile->Label;
}

void TJsonConvertView::Write(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), out_);
    // A scheduler reading the pipe must see each event when it happens.
    std::fflush(out_);
}

TJsonConvertView::TJob& TJsonConvertView::Job(int row) {
    if (row >= static_cast<int>(jobs_.size()))
        jobs_.resize(static_cast<size_t>(row) + 1);
    return jobs_[static_cast<size_t>(row)];
}

int TJsonConvertView::IndexOf(int row) const {
    return row >= 0 && row < static_cast<int>(rowIndex_.size()) ? rowIndex_[static_cast<size_t>(row)] : row;
}

void TJsonConvertView::RunStarted() {
    if (started_)
        return;
    started_ = true;
    jobs_.assign(static_cast<size_t>(RowCount()), TJob{});
    // Without an add's account of the files, each row is a file.
    std::vector<TFileOutcome> files = FileOutcomes();
    if (files.empty())
        for (int row = 0; row < RowCount(); ++row)
            files.push_back({Row(row).SourceFile, row, {}});
    jobCount_ = static_cast<int>(files.size());
    rowIndex_.assign(static_cast<size_t>(RowCount()), -1);
    for (int index = 0; index < jobCount_; ++index) {
        const TFileOutcome& file = files[static_cast<size_t>(index)];
        const bool listed = file.Row >= 0 && file.Row < RowCount();
        if (listed)
            rowIndex_[static_cast<size_t>(file.Row)] = index;
        // No output: the job was not listed, or could not be set up again, and will not run.
        const std::string output = listed && OutputOf ? OutputOf(file.Row) : std::string();
        Write(TJsonLine(line_)
                  .Text("event", "job_added")
                  .Int("index", index)
                  .Text("source", listed ? Row(file.Row).SourceFile : file.File)
                  .TextOrNull("output", output)
                  .Int("profile", profileId_)
                  .Text("profile_name", profileLabel_)
                  .Finish());
        if (!output.empty())
            waiting_.push_back(file.Row);
    }
    for (int index = 0; index < jobCount_; ++index)
        if (files[static_cast<size_t>(index)].Row < 0)
            WriteNotAdded(index, files[static_cast<size_t>(index)]);
    const auto now = Clock::now();
    for (int k = 0; k < parallel_; ++k)
        StartNextWaiting(now);
}

void TJsonConvertView::MarkStarted(int row, Clock::time_point now) {
    TJob& job = Job(row);
    if (job.Started)
        return;
    job.Started = now;
    waiting_.erase(std::remove(waiting_.begin(), waiting_.end(), row), waiting_.end());
}

void TJsonConvertView::StartNextWaiting(Clock::time_point now) {
    if (!waiting_.empty())
        MarkStarted(waiting_.front(), now);
}

bool TJsonConvertView::ShowMessage(const std::string& text, const std::string& title, TMessageIcon icon,
                                   TMessageButtons buttons) {
    if (buttons == TMessageButtons::OkCancel)
        stopping_ = true; // the stop question: no further job starts
    return TConsoleView::ShowMessage(text, title, icon, buttons);
}

void TJsonConvertView::JobNotStarted(int row, const std::string& reason) {
    startErrors_.emplace_back(Row(row).SourceFile, reason);
}

void TJsonConvertView::JobProgress(int row, const TProgressInfo& info) {
    RunStarted();
    const auto now = Clock::now();
    MarkStarted(row, now);
    TJob& job = Job(row);
    const bool totalKnown = info.TotalDuration > 0;
    if (totalKnown)
        job.TotalSeconds = Seconds(info.TotalDuration);
    const int percent = ProgressPercent(info.CurrentDuration, info.TotalDuration);
    // Each whole percent, or now and then when it stands still; never each report.
    if (job.LastReport && percent == job.LastPercent && now - *job.LastReport < QuietProgressInterval)
        return;
    job.LastReport = now;
    job.LastPercent = percent;

    const double done = Seconds(info.CurrentDuration);
    const double wall = std::chrono::duration<double>(now - *job.Started).count();
    Write(TJsonLine(line_)
              .Text("event", "progress")
              .Int("index", IndexOf(row))
              .Number("seconds", done)
              .NumberOrNull("total_seconds", totalKnown ? job.TotalSeconds : -1)
              .NumberOrNull("percent", percent, 0)
              .NumberOrNull("speed", wall >= SpeedAfterSeconds ? done / wall : -1, 2)
              .Finish());
}

void TJsonConvertView::JobChecked(int row, const TOutputCheck& check) {
    RunStarted();
    Job(row).Check = check;
}

void TJsonConvertView::JobEnded(int row, const TTerminateInfo& info) {
    RunStarted();
    TConsoleView::JobEnded(row, info);
    // Not marked started here: a stop ends the jobs that never started too.
    const auto now = Clock::now();
    const std::optional<TOutputCheck>& check = Job(row).Check;
    if (check && !check->Passed)
        WriteJobEnded(row, TEnd::Failed, info.ErrorMessage.empty() ? check->Problem : info.ErrorMessage, now);
    else if (info.Finished)
        WriteJobEnded(row, TEnd::Finished, {}, now);
    else if (info.Failed)
        WriteJobEnded(row, TEnd::Failed, info.ErrorMessage, now);
    else
        WriteJobEnded(row, TEnd::Stopped, {}, now);
    if (!stopping_)
        StartNextWaiting(now);
}

void TJsonConvertView::RunEnded() {
    RunStarted();
    const auto now = Clock::now();
    // Jobs that sent no end of their own: not set up again at the start, or
    // not reached before the run was stopped.
    for (int row = 0; row < static_cast<int>(jobs_.size()); ++row) {
        if (jobs_[static_cast<size_t>(row)].Ended)
            continue;
        const auto notStarted =
            std::find_if(startErrors_.begin(), startErrors_.end(), [&](const auto& error) {
                return row < RowCount() && error.first == Row(row).SourceFile;
            });
        if (notStarted != startErrors_.end()) {
            WriteJobEnded(row, TEnd::Failed, notStarted->second, now);
        } else {
            WriteJobEnded(row, TEnd::Stopped, {}, now);
        }
    }
    TConsoleView::RunEnded();
}

void TJsonConvertView::WriteJobEnded(int row, TEnd end, const std::string& error, Clock::time_point now) {
    static constexpr const char* StatusNames[] = {"finished", "failed", "stopped"}; // by TEnd
    TJob& job = Job(row);
    job.Ended = true;
    ++endCounts_[static_cast<size_t>(end)];

    const std::optional<TOutputCheck>& check = job.Check;
    TJsonLine line(line_);
    line.Text("event", "job_ended")
        .Int("index", IndexOf(row))
        .Text("status", StatusNames[static_cast<size_t>(end)])
        .Text("source", row < RowCount() ? Row(row).SourceFile : std::string())
        .TextOrNull("output", OutputOf ? OutputOf(row) : std::string())
        .NumberOrNull("expected_seconds",
                      check && check->ExpectedSeconds >= 0 ? check->ExpectedSeconds : job.TotalSeconds)
        .NumberOrNull("measured_seconds", check ? check->MeasuredSeconds : -1)
        .NumberOrNull("elapsed_seconds",
                      job.Started ? std::chrono::duration<double>(now - *job.Started).count() : -1);
    if (check) {
        line.BeginObject("check")
            .Bool("passed", check->Passed)
            .TextOrNull("problem", check->Problem)
            .NumberOrNull("expected_seconds", check->ExpectedSeconds)
            .NumberOrNull("measured_seconds", check->MeasuredSeconds)
            .EndObject();
    } else {
        line.Null("check");
    }
    Write(line.TextOrNull("error", error).Finish());
}

void TJsonConvertView::WriteNotAdded(int index, const TFileOutcome& file) {
    ++endCounts_[static_cast<size_t>(TEnd::Failed)];
    Write(TJsonLine(line_)
              .Text("event", "job_ended")
              .Int("index", index)
              .Text("status", "failed")
              .Text("source", file.File)
              .Null("output")
              .Null("expected_seconds")
              .Null("measured_seconds")
              .Null("elapsed_seconds")
              .Null("check")
              .Text("error", file.Reason)
              .Finish());
}

void TJsonConvertView::RunSummary(int files, int exitStatus) {
    Write(TJsonLine(line_)
              .Text("event", "run_ended")
              .Int("files", files)
              .Int("jobs", started_ ? jobCount_ : 0)
              .Int("finished", endCounts_[static_cast<size_t>(TEnd::Finished)])
              .Int("failed", endCounts_[static_cast<size_t>(TEnd::Failed)])
              .Int("stopped", endCounts_[static_cast<size_t>(TEnd::Stopped)])
              .Int("exit_status", exitStatus)
              .Finish());
}
