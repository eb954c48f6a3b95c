#include "gui/MediaInfoDialog.h"

#include "gui/MessageBoxes.h"
#include "gui/UiText.h"

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
    setWindowTitle(UiText(Caption));
    const QFileInfo file(QString::fromStdString(report.FileName));
    const QString suffix = file.suffix().isEmpty() ? QString() : QStringLiteral(".") + file.suffix();
    const QString kbps = QStringLiteral("  kbps");
    const std::vector<TGroup> groups{
        {VT_TR("文件格式信息"),
         {{VT_TR("文件名："), file.fileName()},
          {VT_TR("文件格式："), Text(report.FormatName)},
          {VT_TR("播放时长："), Text(report.DurationText)},
          {VT_TR("文件大小："), Text(report.FileSizeText)},
          {VT_TR("比特率："), Text(report.BitRateText)},
          {VT_TR("文件格式全名："), Text(report.FormatLongName)},
          {VT_TR("文件扩展名："), suffix}}},
        {VT_TR("视频格式信息"),
         {{VT_TR("视频分辨率："), Text(report.Width) + QStringLiteral("*") + Text(report.Height)},
          {VT_TR("视频帧率："), Text(report.FrameRateText)},
          {VT_TR("视频比特率："), Text(report.VideoKbps) + kbps},
          {VT_TR("视频旋转："), UiText(RotationText(report.Rotation)).trimmed()},
          {VT_TR("视频流信息："), UiText(ShownStreamText(report.VideoStreamText)).trimmed()}}},
        {VT_TR("音频格式信息"),
         {{VT_TR("音频采样率："), Text(report.SampleRate)},
          {VT_TR("音频声道："), UiText(ChannelsText(report.Channels)).trimmed()},
          {VT_TR("音频比特率："), Text(report.AudioKbps) + kbps},
          {VT_TR("音频流信息："), UiText(ShownStreamText(report.AudioStreamText)).trimmed()}}},
    };
    auto* layout = new QVBoxLayout(this);
    for (const TGroup& group : groups) {
        auto* box = new QGroupBox(UiText(group.Caption), this);
        auto* form = new QFormLayout(box);
        for (const auto& [caption, value] : group.Rows) {
            auto* label = new QLabel(value, box);
            label->setWordWrap(true);
            label->setTextInteractionFlags(Qt::TextSelectableByMouse);
            // The values are found by their Chinese captions, whatever the shown language.
            form->addRow(UiText(caption), label);
            values_[QString::fromUtf8(caption)] = label;
        }
        layout->addWidget(box);
    }
    auto* details = new QPushButton(UiText(DetailsCaption), this);
    auto* ok = new QPushButton(UiText(VT_TR("确定")), this);
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
