// Shared pieces of the window tests: the application object with the
// dispatcher plugged into its loop, a recorder of the profile windows' message
// boxes, and a script that answers modal windows one after another without
// leaving a test in a modal loop. The platform fake is the logic tests' one.
#pragma once

#include "app/AppFakes.h"
#include "profiles/UserDialogs.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

QApplication& GuiApp();

// Waits, serving events, until `done` or the timeout; returns done().
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 60000);

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

// Adds `file` to `window` by "添加一个视频文件" with the chooser's current pick
// and the options window's choices as they stand; false when one of the two
// windows did not come.
class MainWindow;
bool AddOneWithDefaults(MainWindow& window, TFakePlatform& platform, const std::string& file);

// Clicks the button of a message box whose role matches `accept` (OK) or not (Cancel); returns its text.
class QMessageBox;
void AnswerMessageBox(QMessageBox* box, bool ok);
