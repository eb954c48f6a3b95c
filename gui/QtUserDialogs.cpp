#include "gui/QtUserDialogs.h"

#include "gui/MessageBoxes.h"

#include <QApplication>

void QtUserDialogs::ShowInformation(const std::string& caption, const std::string& text) {
    // The box belongs over whichever of our windows is in front.
    QWidget* parent = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : parent_;
    ShowMessageBox(parent, text, caption, TMessageIcon::Information);
}

void QtUserDialogs::OpenWithShell(const std::string& path) {
    platform_.OpenWithDesktop(path);
}
