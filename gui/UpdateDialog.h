// The online update window ("网上升级") over TUpdateCheck: the steps, the status
// line, the text box, the progress bar and the three buttons. The check runs
// on the logic's worker, so the window stays responsive.
#pragma once

#include "app/UpdateCheck.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

class UpdateDialog : public QDialog, public IUpdateView {
    Q_OBJECT
public:
    UpdateDialog(IPlatform& platform, const std::string& settingsFile, QWidget* parent = nullptr);

    void SetStatus(const std::string& text) override;
    void ClearText() override;
    void AddLine(const std::string& line) override;
    void SetProgress(int percent) override;
    void SetDownloadEnabled(bool enabled) override;
    void SetCheckEnabled(bool enabled) override;

    TUpdateCheck& Logic() { return check_; }
    QLabel* Status() const { return status_; }
    QPlainTextEdit* TextBox() const { return text_; }
    QPushButton* CheckButton() const { return checkButton_; }
    QPushButton* DownloadButton() const { return downloadButton_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* status_;
    QPlainTextEdit* text_;
    QProgressBar* progress_;
    QPushButton* checkButton_;
    QPushButton* downloadButton_;
    TUpdateCheck check_; // last: its worker may report to the widgets above until it is joined
};
