// The JSON view of "vantoro-cli convert --json" driven as the logic drives it:
// every job announced once and ended once, whatever way it ended (a check that
// passed or failed, a failure in the run, one at the start, a stop before it
// ran), progress thinned out, and the run's counts at the end.
#include "cli/ConvertJsonView.h"
#include "JsonReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

// Standard output of the view, in memory.
class CapturedLines {
public:
    CapturedLines() : file_(open_memstream(&data_, &size_)) {}
    ~CapturedLines() {
        if (file_)
            std::fclose(file_);
        std::free(data_);
    }
    std::FILE* File() const { return file_; }
    std::string Text() {
        std::fflush(file_);
        return std::string(data_, size_);
    }

private:
    char* data_ = nullptr;
    size_t size_ = 0;
    std::FILE* file_;
};

TJobRow Row(const std::string& source) {
    TJobRow row;
    row.SourceFile = source;
    row.Status = StatusWaiting;
    return row;
}

TProgressInfo Progress(int task, double seconds, double total) {
    TProgressInfo info;
    info.TaskIndex = task;
    info.CurrentDuration = static_cast<int64_t>(seconds * 1e6);
    info.TotalDuration = total < 0 ? -1 : static_cast<int64_t>(total * 1e6);
    return info;
}

TTerminateInfo Ended(bool finished, bool failed, const std::string& error = {}) {
    return TTerminateInfo{0, finished, failed, error};
}

} // namespace

TEST(ConvertJsonViewTest, EveryJobIsAnnouncedAndEndedOnceWithItsCheckAndTheRunCounts) {
    CapturedLines out;
    TJobRequest script;
    script.ProfileId = 202;
    TJsonConvertView view(script, false, out.File(), 2);
    const std::vector<std::string> sources{"/src/a.mkv", "/src/b\"q\".mkv", "/src/c.mkv", "/src/d.mkv",
                                           "/src/e.mkv"};
    for (int row = 0; row < 5; ++row)
        view.InsertRow(row, Row(sources[static_cast<size_t>(row)]));
    // Row 2 could not be set up again at the start: no output, its reason told.
    view.OutputOf = [](int row) { return row == 2 ? std::string() : "/out/" + std::to_string(row) + ".wav"; };
    TJobRow failedAtStart = Row(sources[2]);
    failedAtStart.Status = StatusFailed;
    view.UpdateRow(2, failedAtStart);
    view.JobNotStarted(2, "Cannot open the output");
    view.RunStarted();
    view.RunStarted(); // once only

    view.JobProgress(0, Progress(0, 0.5, 2.0));
    view.JobProgress(0, Progress(0, 0.51, 2.0)); // the same percent again: no line
    view.JobProgress(0, Progress(0, 1.0, 2.0));
    view.JobProgress(1, Progress(1, 1.0, -1)); // length unknown
    view.JobChecked(0, TOutputCheck{true, "", 2.0, 1.98});
    view.JobEnded(0, Ended(true, false)); // row 3 starts in its place
    // Ctrl-C: the stop question; row 4 never starts.
    view.ShowMessage("stop?", "提示信息", TMessageIcon::Information, TMessageButtons::OkCancel);
    view.JobEnded(1, Ended(false, true, "Error while decoding"));
    view.JobChecked(3, TOutputCheck{false, "输出文件不完整", 2.0, 1.0});
    view.JobEnded(3, Ended(true, false));
    view.RunEnded();
    view.RunSummary(6, 1);

    std::vector<std::string> bad;
    const std::vector<Json> lines = JsonObjectLines(out.Text(), bad);
    EXPECT_TRUE(bad.empty()) << bad.front();
    ASSERT_FALSE(lines.empty());

    std::map<int, Json> added, ended;
    std::vector<Json> progress;
    for (size_t k = 0; k < lines.size(); ++k) {
        const Json& line = lines[k];
        const std::string& event = line["event"].text;
        const int index = static_cast<int>(line["index"].number);
        if (event == "job_added") {
            EXPECT_TRUE(added.emplace(index, line).second) << "announced twice: " << index;
            EXPECT_EQ(k, static_cast<size_t>(index)) << "the announcements come first, in row order";
        } else if (event == "job_ended") {
            EXPECT_TRUE(ended.emplace(index, line).second) << "ended twice: " << index;
        } else if (event == "progress") {
            progress.push_back(line);
        } else {
            EXPECT_EQ(event, "run_ended");
            EXPECT_EQ(k, lines.size() - 1) << "run_ended is the last line";
        }
    }
    ASSERT_EQ(added.size(), 5u);
    ASSERT_EQ(ended.size(), 5u);

    EXPECT_EQ(added[1]["source"].text, sources[1]);
    EXPECT_EQ(added[1]["output"].text, "/out/1.wav");
    EXPECT_TRUE(added[2]["output"].IsNull());
    EXPECT_EQ(added[0]["profile"].number, 202);
    EXPECT_EQ(added[0]["profile_name"].text, "CD/WAV音频格式");

    ASSERT_EQ(progress.size(), 3u);
    EXPECT_EQ(progress[0]["percent"].number, 25);
    EXPECT_EQ(progress[0]["seconds"].number, 0.5);
    EXPECT_EQ(progress[0]["total_seconds"].number, 2.0);
    EXPECT_EQ(progress[1]["percent"].number, 50);
    EXPECT_EQ(progress[2]["index"].number, 1);
    EXPECT_TRUE(progress[2]["percent"].IsNull());
    EXPECT_TRUE(progress[2]["total_seconds"].IsNull());
    for (const Json& p : progress)
        EXPECT_TRUE(p["speed"].IsNull() || p["speed"].number >= 0);

    struct Expected {
        int index;
        const char* status;
        const char* error; // nullptr: null
        bool checked;
        bool started;
    };
    const Expected expected[] = {
        {0, "finished", nullptr, true, true},
        {1, "failed", "Error while decoding", false, true},
        {2, "failed", "Cannot open the output", false, false},
        {3, "failed", "输出文件不完整", true, true},
        {4, "stopped", nullptr, false, false},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.index);
        const Json& line = ended[e.index];
        EXPECT_EQ(line["status"].text, e.status);
        EXPECT_EQ(line["source"].text, sources[static_cast<size_t>(e.index)]);
        if (e.error)
            EXPECT_EQ(line["error"].text, e.error);
        else
            EXPECT_TRUE(line["error"].IsNull());
        EXPECT_EQ(line["check"].kind, e.checked ? Json::Object : Json::Null);
        EXPECT_EQ(line["elapsed_seconds"].kind, e.started ? Json::Number : Json::Null);
    }
    // The check's figures, and the length from the progress when no check came.
    EXPECT_TRUE(ended[0]["check"]["passed"].flag);
    EXPECT_TRUE(ended[0]["check"]["problem"].IsNull());
    EXPECT_EQ(ended[0]["measured_seconds"].number, 1.98);
    EXPECT_EQ(ended[0]["expected_seconds"].number, 2.0);
    EXPECT_FALSE(ended[3]["check"]["passed"].flag);
    EXPECT_EQ(ended[3]["check"]["measured_seconds"].number, 1.0);
    EXPECT_TRUE(ended[1]["measured_seconds"].IsNull());
    EXPECT_TRUE(ended[1]["expected_seconds"].IsNull());
    EXPECT_TRUE(ended[2]["output"].IsNull());

    const Json& run = lines.back();
    EXPECT_EQ(run["files"].number, 6);
    EXPECT_EQ(run["jobs"].number, 5);
    EXPECT_EQ(run["finished"].number, 1);
    EXPECT_EQ(run["failed"].number, 3);
    EXPECT_EQ(run["stopped"].number, 1);
    EXPECT_EQ(run["exit_status"].number, 1);
}
