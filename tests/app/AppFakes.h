// Fake view and platform for the window logic tests: they record what the
// logic asked for and answer with what the test set up.
#pragma once

#include "app/HttpDownload.h"
#include "app/MainView.h"
#include "app/Platform.h"
#include "media/MainThreadDispatcher.h"
#include "profiles/JobRequest.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct TShownMessage {
    std::string Text;
    std::string Title;
    TMessageIcon Icon;
    TMessageButtons Buttons;
};

class TFakeView : public IMainView {
public:
    std::vector<TJobRow> Rows;
    int Selected = -1;
    std::map<TMainAction, bool> Enabled;
    std::vector<TShownMessage> Messages;
    bool AnswerOk = true;
    std::function<void()> WhileAsking; // runs while a question waits for its answer
    std::string Status;
    std::string OutputFolderText;
    int PreviewCloses = 0;
    std::vector<std::string> PreviewStarts;
    std::vector<std::pair<int, int>> AddProgress;
    std::optional<std::string> TypedPassword;
    bool MainWindowClosed = false;
    std::vector<std::pair<int, std::string>> NotStarted; // row, reason
    int RunsEnded = 0;
    std::vector<int> FailedRows;
    std::vector<std::pair<int, TOutputCheck>> Checks;
    // The job and run reports in their order: "checked R", "ended R", "run ended".
    std::vector<std::string> Reports;
    // What the user confirms in the chooser and the options window for the
    // add's sources; none (or no chooser): the user cancelled.
    std::function<std::optional<TJobRequest>(const std::vector<std::string>& sources,
                                             const std::string& outputFolder, bool allowClip)>
        Chooser;
    std::vector<bool> ChooserClipAllowed;
    std::vector<TSourceFacts> ChooserSources; // what each showing of the windows was given

    void InsertRow(int row, const TJobRow& content) override { Rows.insert(Rows.begin() + row, content); }
    void UpdateRow(int row, const TJobRow& content) override { Rows.at(static_cast<size_t>(row)) = content; }
    void DeleteRow(int row) override {
        Rows.erase(Rows.begin() + row);
        Selected = -1;
    }
    void DeleteAllRows() override {
        Rows.clear();
        Selected = -1;
    }
    int SelectedRow() const override { return Selected; }
    void SelectRow(int row) override { Selected = row; }
    void SetEnabled(TMainAction action, bool enabled) override { Enabled[action] = enabled; }
    bool ShowMessage(const std::string& text, const std::string& title, TMessageIcon icon,
                     TMessageButtons buttons) override {
        Messages.push_back({text, title, icon, buttons});
        if (buttons == TMessageButtons::OkCancel && WhileAsking)
            WhileAsking(); // a modal box keeps serving the main thread
        return buttons == TMessageButtons::Ok || AnswerOk;
    }
    void SetStatusText(const std::string& text) override { Status = text; }
    void SetOutputFolderText(const std::string& folder) override { OutputFolderText = folder; }
    void ClosePreview() override { ++PreviewCloses; }
    void StartPreview(const std::string& fileName) override { PreviewStarts.push_back(fileName); }
    void ResetPreviewSlider() override {}
    std::optional<TJobRequest> ChooseJob(const std::vector<std::string>& sources,
                                         const std::string& outputFolder, bool allowClip,
                                         const TSourceFacts& firstSource) override {
        ChooserClipAllowed.push_back(allowClip);
        ChooserSources.push_back(firstSource);
        return Chooser ? Chooser(sources, outputFolder, allowClip) : std::nullopt;
    }
    void ShowAddProgress(int done, int total) override { AddProgress.emplace_back(done, total); }
    std::optional<std::string> AskPassword() override { return TypedPassword; }
    void CloseMainWindow() override { MainWindowClosed = true; }
    void JobChecked(int row, const TOutputCheck& check) override {
        Checks.emplace_back(row, check);
        Reports.push_back("checked " + std::to_string(row));
    }
    void JobEnded(int row, const TTerminateInfo& info) override {
        if (info.Failed)
            FailedRows.push_back(row);
        Reports.push_back("ended " + std::to_string(row));
    }
    void JobNotStarted(int row, const std::string& reason) override { NotStarted.emplace_back(row, reason); }
    void RunEnded() override {
        ++RunsEnded;
        Reports.push_back("run ended");
    }

    bool IsEnabled(TMainAction action) const {
        auto it = Enabled.find(action);
        return it != Enabled.end() && it->second;
    }
    std::vector<std::string> Statuses() const {
        std::vector<std::string> s;
        for (const auto& r : Rows)
            s.push_back(r.Status);
        return s;
    }
};

// A chooser the user confirms with `request`'s profile and choices, whatever the add's sources.
inline auto ConfirmWith(TJobRequest request) {
    return [request](const std::vector<std::string>& sources, const std::string&,
                     bool) -> std::optional<TJobRequest> {
        TJobRequest confirmed = request;
        confirmed.Sources = sources;
        return confirmed;
    };
}

class TFakePlatform : public IPlatform {
public:
    std::optional<std::string> OneFile;
    std::vector<std::string> ManyFiles;
    std::optional<std::string> Folder;
    std::vector<std::string> Opened;
    int PowerOffs = 0;
    bool PowerOffWorks = true;
    bool OpenWorks = true; // whether the desktop finds a program for what it is asked to open
    TPasswordStore Password;

    std::optional<std::string> ChooseOpenFile(const std::vector<TFileFilter>&) override { return OneFile; }
    std::vector<std::string> ChooseOpenFiles(const std::vector<TFileFilter>&) override { return ManyFiles; }
    std::optional<std::string> ChooseFolder(const std::string&) override { return Folder; }
    bool OpenWithDesktop(const std::string& target, std::function<void(bool opened)> done = {}) override {
        Opened.push_back(target);
        // As the desktop answers: later, on the main thread.
        if (done)
            PostToMainThread([done, works = OpenWorks] { done(works); });
        return true;
    }
    bool PowerOff() override {
        ++PowerOffs;
        return PowerOffWorks;
    }
    TDownloadResult Download(const std::string& url, const std::string& fileName, int timeoutSeconds,
                             int64_t maxBytes, const std::atomic<bool>& cancel, std::string& error) override {
        return DownloadUrlToFile(url, fileName, timeoutSeconds, maxBytes, cancel, error);
    }
    void PlaySound(const std::string&) override {}
    TPasswordStore ReadPasswordStore() override { return Password; }
};
