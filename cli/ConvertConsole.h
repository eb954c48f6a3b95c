// The main window's view and platform for "vantoro-cli convert": rows become
// progress bars on a terminal or plain progress lines otherwise, message boxes
// become lines on standard error. The command line adds its files from a job
// request, so the open dialogs and the format chooser are never shown.
#pragma once

#include "app/DesktopPlatform.h"
#include "app/MainView.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

class TConsolePlatform : public TDesktopPlatform {
public:
    std::optional<std::string> ChooseOpenFile(const std::vector<TFileFilter>&) override {
        return std::nullopt;
    }
    std::vector<std::string> ChooseOpenFiles(const std::vector<TFileFilter>&) override { return {}; }
    std::optional<std::string> ChooseFolder(const std::string&) override { return std::nullopt; }
};

// What the view writes besides its messages on standard error.
enum class TConsoleOutput {
    Bars,     // progress bars on standard error (a terminal); finished outputs on standard output
    Lines,    // plain progress lines on standard error; finished outputs on standard output
    Messages, // only the messages: progress and standard output belong to another writer
};

class TConsoleView : public IMainView {
public:
    TConsoleView(bool verbose, TConsoleOutput output);

    // The name a row's job writes (for the failure and done lines).
    std::function<std::string(int row)> OutputOf;
    // Failures the run logged outside the add ("***" lines): a completion
    // action or a save that failed. A job's own failure shows in its state.
    int Problems() const { return problems_; }

    // What became of one file named on the command line: its row, or the
    // reason it was not listed.
    struct TFileOutcome {
        std::string File;
        int Row = -1;       // -1: not listed
        std::string Reason; // why not, naming the file
    };
    // Brackets the add: the rows it inserts and the files it drops come in
    // the order of `files`, the command line's. At the end every file without
    // an outcome (the add stopped before it) is reported as not added.
    void AddStarted();
    void AddEnded(const std::vector<std::string>& files);
    // Every file named, in command-line order; filled by AddEnded.
    const std::vector<TFileOutcome>& FileOutcomes() const { return outcomes_; }

    void InsertRow(int row, const TJobRow& content) override;
    void UpdateRow(int row, const TJobRow& content) override;
    void DeleteRow(int) override {}
    void DeleteAllRows() override { rows_.clear(); }
    int SelectedRow() const override { return selected_; }
    void SelectRow(int row) override { selected_ = row; }
    void SetEnabled(TMainAction, bool) override {}
    bool ShowMessage(const std::string& text, const std::string& title, TMessageIcon icon,
                     TMessageButtons buttons) override;
    void SetStatusText(const std::string&) override {}
    void SetOutputFolderText(const std::string&) override {}
    void ClosePreview() override {}
    void StartPreview(const std::string&) override {}
    void ResetPreviewSlider() override {}
    std::optional<TJobRequest> ChooseJob(const std::vector<std::string>&, const std::string&, bool,
                                         const TSourceFacts&) override {
        return std::nullopt;
    }
    void ShowAddProgress(int, int) override {}
    void FileNotAdded(const std::string& file, const std::string& reason) override;
    std::optional<std::string> AskPassword() override { return std::nullopt; }
    void CloseMainWindow() override {}
    void JobProgress(int row, const TProgressInfo& info) override;
    void JobEnded(int row, const TTerminateInfo& info) override;
    void RunEnded() override;
    void DiagnosticLine(const std::string& line) override;

protected:
    // The rows as the logic last showed them.
    const TJobRow& Row(int row) const { return rows_.at(static_cast<size_t>(row)); }
    int RowCount() const { return static_cast<int>(rows_.size()); }

private:
    struct TBar {
        std::string Name;
        int Percent = 0;
        std::chrono::steady_clock::time_point Started;
        double Speed = 0; // media seconds per wall second
        double SecondsLeft = -1;
        bool Running = false;
    };
    void Redraw();
    void ClearBars();
    void Print(const std::string& line); // a line on standard error, above the bars

    bool verbose_;
    TConsoleOutput output_;
    std::vector<TJobRow> rows_;
    std::map<int, TBar> bars_;
    int drawnLines_ = 0;
    int selected_ = -1;
    int problems_ = 0;
    bool skipNextFailureBox_ = false;
    // During the add: the rows and dropped files as they come; afterwards
    // every file's outcome.
    bool adding_ = false;
    std::vector<TFileOutcome> outcomes_;
};
