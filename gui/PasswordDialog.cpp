#include "gui/PasswordDialog.h"

#include "app/MainWindowTexts.h"
#include "gui/DialogButtons.h"
#include "gui/UiText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

PasswordDialog::PasswordDialog(QWidget* parent) : QDialog(parent), box_(new QLineEdit(this)) {
    setObjectName(QStringLiteral("passwordWindow"));
    setWindowTitle(UiText(MainTexts::PasswordCaption));
    box_->setEchoMode(QLineEdit::Password);
    auto* ok = new QPushButton(UiText(MainTexts::OkCaption), this);
    auto* quit = new QPushButton(UiText(MainTexts::PasswordQuit), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(quit, &QPushButton::clicked, this, &QDialog::reject);
    QHBoxLayout* buttons = DialogButtonRow({ok, quit});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(UiText(MainTexts::PasswordPrompt), this));
    layout->addWidget(box_);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(300, 120)));
}

std::optional<std::string> PasswordDialog::Ask() {
    box_->clear();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return box_->text().toStdString();
}
