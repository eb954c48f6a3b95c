#include "gui/MessageBoxes.h"

#include "gui/UiText.h"

#include <QMessageBox>

bool ShowMessageBox(QWidget* parent, const std::string& text, const std::string& title, TMessageIcon icon,
                    TMessageButtons buttons) {
    const QMessageBox::Icon shown = icon == TMessageIcon::Error     ? QMessageBox::Critical
                                    : icon == TMessageIcon::Warning ? QMessageBox::Warning
                                                                    : QMessageBox::Information;
    QMessageBox box(shown, UiText(title), UiText(text), QMessageBox::Ok, parent);
    if (buttons == TMessageButtons::OkCancel)
        box.addButton(QMessageBox::Cancel);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Ok;
}
