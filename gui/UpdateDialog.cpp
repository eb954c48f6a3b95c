#include "gui/UpdateDialog.h"

#include "gui/DialogButtons.h"
#include "gui/UiText.h"
#include "profiles/Translation.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr const char* Caption = VT_TR("网上升级");
constexpr const char* Steps[] = {VT_TR("软件更新步骤:"),
                                 VT_TR("1.请确认您已经连接到网上,如果您设置了防火墙,必须允许程序通过."),
                                 VT_TR("2.检测软件是否有新版本,如果有点击下载按钮."),
                                 VT_TR("3.软件更新可能需要30秒--几分钟,这期间请您耐心等待...")};

} // namespace

UpdateDialog::UpdateDialog(IPlatform& platform, const std::string& settingsFile, QWidget* parent)
    : QDialog(parent), status_(new QLabel(this)), text_(new QPlainTextEdit(this)),
      progress_(new QProgressBar(this)), checkButton_(new QPushButton(UiText(VT_TR("检测升级")), this)),
      downloadButton_(new QPushButton(UiText(VT_TR("开始下载")), this)),
      check_(*this, platform, settingsFile) {
    setObjectName(QStringLiteral("updateWindow"));
    setWindowTitle(UiText(Caption));
    auto* layout = new QVBoxLayout(this);
    for (const char* step : Steps) {
        auto* line = new QLabel(UiText(step), this);
        line->setWordWrap(true); // a longer translation takes a second line
        layout->addWidget(line);
    }
    layout->addWidget(status_);
    text_->setReadOnly(true);
    layout->addWidget(text_);
    progress_->setRange(0, 100);
    progress_->setTextVisible(true);
    layout->addWidget(progress_);
    auto* back = new QPushButton(UiText(VT_TR("返回")), this);
    connect(checkButton_, &QPushButton::clicked, this, [this] { check_.Check(); });
    connect(downloadButton_, &QPushButton::clicked, this, [this] { check_.StartDownload(); });
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    layout->addLayout(DialogButtonRow({checkButton_, downloadButton_, back}));
    setFixedSize(480, 380);
}

void UpdateDialog::showEvent(QShowEvent* event) {
    check_.Show();
    QDialog::showEvent(event);
}

void UpdateDialog::SetStatus(const std::string& text) {
    status_->setText(UiText(text));
}
void UpdateDialog::ClearText() {
    text_->clear();
}
void UpdateDialog::AddLine(const std::string& line) {
    text_->appendPlainText(UiText(line));
}
void UpdateDialog::SetProgress(int percent) {
    progress_->setValue(percent);
}
void UpdateDialog::SetDownloadEnabled(bool enabled) {
    downloadButton_->setEnabled(enabled);
}
void UpdateDialog::SetCheckEnabled(bool enabled) {
    checkButton_->setEnabled(enabled);
}
