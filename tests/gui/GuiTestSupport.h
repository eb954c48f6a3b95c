// Shared pieces of the window tests: the application object with the
// dispatcher plugged into its loop, a platform that answers the dialogs, a
// recorder of the profile windows' message boxes, and a script that answers
// modal windows one after another without leaving a test in a modal loop.
#pragma once

#include "app/Platform.h"
#include "profiles/UserDialogs.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

QApplication& GuiApp();

// Waits, serving events, until `done` or the timeout; returns done().
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 60000);

class TGuiFakePlatform : public IPlatform {
public:
    std::optional<std::string> OneFile;
    std::vector<std::string> ManyFiles;
    std::vector<std::string> Opened;
    int PowerOffs = 0;

    std::optional<std::string> ChooseOpenFile(const std::vector<TFileFilter>&) override { return OneFile; }
    std::vector<std::string> ChooseOpenFiles(const std::vector<TFileFilter>&) override { return ManyFiles; }
    std::optional<std::string> ChooseFolder(const std::string&) override { return std::nullopt; }
    bool OpenWithDesktop(const std::string& target) override {
        Opened.push_back(target);
        return true;
    }
    bool PowerOff() override {
        ++PowerOffs;
        return true;
    }
    bool Download(const std::string&, const std::string&, int, const std::atomic<bool>&,
                  std::string& error) override {
        error = "offline";
        return false;
    }
    void PlaySound(const std::string&) override {}
    TPasswordStore ReadPasswordStore() override { return {}; }
};

class TRecordingDialogs : public TUserDialogs {
public:
    std::vector<std::string> Messages;
    std::vector<std::string> Opened;
    void ShowInformation(const std::string&, const std::string& text) override { Messages.push_back(text); }
    void OpenWithShell(const std::string& path) override { Opened.push_back(path); }
};

// Answers the modal windows that come up, in order: each step waits for the
// active modal window to be of its kind and then acts on it (a click that
// closes it). Steps left over when the script is destroyed are dropped, and
// any window still open then is rejected, so no test hangs.
class TModalScript {
public:
    using TStep = std::function<bool(QWidget* modal)>; // false: not this step's window yet

    TModalScript();
    ~TModalScript();
    TModalScript(const TModalScript&) = delete;
    TModalScript& operator=(const TModalScript&) = delete;

    void Then(TStep step) { steps_.push_back(std::move(step)); }
    // A step for a window of class T.
    template <class T> void ThenOn(std::function<void(T*)> act) {
        Then([act](QWidget* modal) {
            auto* window = qobject_cast<T*>(modal);
            if (window == nullptr)
                return false;
            act(window);
            return true;
        });
    }
    bool Done() const { return steps_.empty(); }

private:
    void Poll();
    std::deque<TStep> steps_;
    QTimer timer_;
};

// Clicks the button of a message box whose role matches `accept` (OK) or not (Cancel); returns its text.
class QMessageBox;
void AnswerMessageBox(QMessageBox* box, bool ok);
