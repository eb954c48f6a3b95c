#include "gui/MediaInfoDialog.h"

#include "gui/MessageBoxes.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text).trimmed();
}

struct TGroup {
    const char* Caption;
    std::vector<std::pair<const char*, QString>> Rows;
};

} // namespace

MediaInfoDialog::MediaInfoDialog(const TMediaReport& report, QWidget* parent)
    : QDialog(parent), report_(report) {
    setObjectName(QStringLiteral("mediaInfo"));
    setWindowTitle(QString::fromUtf8(Caption));
    const QFileInfo file(QString::fromStdString(report.FileName));
    const QString suffix = file.suffix().isEmpty() ? QString() : QStringLiteral(".") + file.suffix();
    const QString kbps = QStringLiteral("  kbps");
    const std::vector<TGroup> groups{
        {"文件格式信息",
         {{"文件名：", file.fileName()},
          {"文件格式：", Text(report.FormatName)},
          {"播放时长：", Text(report.DurationText)},
          {"文件大小：", Text(report.FileSizeText)},
          {"比特率：", Text(report.BitRateText)},
          {"文件格式全名：", Text(report.FormatLongName)},
          {"文件扩展名：", suffix}}},
        {"视频格式信息",
         {{"视频分辨率：", Text(report.Width) + QStringLiteral("*") + Text(report.Height)},
          {"视频帧率：", Text(report.FrameRateText)},
          {"视频比特率：", Text(report.VideoKbps) + kbps},
          {"视频旋转：", Text(RotationText(report.Rotation))},
          {"视频流信息：", Text(ShownStreamText(report.VideoStreamText))}}},
        {"音频格式信息",
         {{"音频采样率：", Text(report.SampleRate)},
          {"音频声道：", Text(ChannelsText(report.Channels))},
          {"音频比特率：", Text(report.AudioKbps) + kbps},
          {"音频流信息：", Text(ShownStreamText(report.AudioStreamText))}}},
    };
    auto* layout = new QVBoxLayout(this);
    for (const TGroup& group : groups) {
        auto* box = new QGroupBox(QString::fromUtf8(group.Caption), this);
        auto* form = new QFormLayout(box);
        for (const auto& [caption, value] : group.Rows) {
            auto* label = new QLabel(value, box);
            label->setWordWrap(true);
            label->setTextInteractionFlags(Qt::TextSelectableByMouse);
            form->addRow(QString::fromUtf8(caption), label);
            values_[QString::fromUtf8(caption)] = label;
        }
        layout->addWidget(box);
    }
    auto* details = new QPushButton(QString::fromUtf8(DetailsCaption), this);
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setDefault(true);
    connect(details, &QPushButton::clicked, this,
            [this] { ShowMessageBox(this, report_.InfoText, Caption, TMessageIcon::Information); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(details);
    buttons->addStretch();
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    setFixedWidth(520);
}

QString MediaInfoDialog::Value(const QString& caption) const {
    const auto it = values_.find(caption);
    return it == values_.end() ? QString() : it->second->text();
}
