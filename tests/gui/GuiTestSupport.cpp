#include "GuiTestSupport.h"

#include "gui/DispatcherBridge.h"
#include "gui/FormatChooserDialog.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"
#include "media/MainThreadDispatcher.h"

#include <QAbstractButton>
#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

QApplication& GuiApp() {
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing QApplication down during static destruction, after Qt's
    // own statics are gone, crashes at exit.
    static QApplication* instance = [] {
        auto* app = new QApplication(argc, argv);
        MarkMainThread();
        ConnectDispatcherToEventLoop(*app);
        return app;
    }();
    return *instance;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    return QTest::qWaitFor(done, timeoutMs);
}

TModalScript::TModalScript() {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
}

TModalScript::~TModalScript() {
    timer_.stop();
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
        dialog->reject();
}

void TModalScript::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (steps_.empty() || modal == nullptr || !modal->isVisible())
        return;
    // The step may open the next modal window from inside its click; take it off first.
    TStep step = steps_.front();
    steps_.pop_front();
    if (!step(modal))
        steps_.push_front(std::move(step));
}

void AnswerMessageBox(QMessageBox* box, bool ok) {
    QAbstractButton* button = box->button(ok ? QMessageBox::Ok : QMessageBox::Cancel);
    if (button != nullptr)
        button->click();
    else
        box->reject();
}

bool AddOneWithDefaults(MainWindow& window, TFakePlatform& platform, const std::string& file) {
    platform.OneFile = file;
    TModalScript script;
    script.ThenOn<FormatChooserDialog>([](FormatChooserDialog* chooser) { chooser->NextButton()->click(); });
    script.ThenOn<OptionsDialog>([](OptionsDialog* options) { options->ConfirmButton()->click(); });
    window.AddMenu()->actions().at(0)->trigger();
    // The file is probed on a worker before the windows show.
    return WaitFor([&] { return script.Done() && !window.Logic().Adding(); });
}
