// The password window of the optional lock.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QLineEdit;

class PasswordDialog : public QDialog {
    Q_OBJECT
public:
    explicit PasswordDialog(QWidget* parent = nullptr);
    // The typed text after "确定"; none after "退出" or the close box, which
    // must not open the program either.
    std::optional<std::string> Ask();
    QLineEdit* PasswordBox() const { return box_; }

private:
    QLineEdit* box_;
};
