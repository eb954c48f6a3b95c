#include "gui/PreviewGroup.h"

#include "app/Platform.h"
#include "app/SettingsStore.h"
#include "gui/PreviewPanel.h"
#include "media/FFmpegLogger.h"
#include "player/Player.h"

#include <QSlider>
#include <QVBoxLayout>
#include <filesystem>

namespace {

constexpr const char* SnapshotFolderCaption = VT_TR("选择快照文件存放目录");

} // namespace

PreviewGroup::PreviewGroup(IPlatform& platform, TSettingsStore& settings, const QString& programFolder,
                           QWidget* parent)
    : QGroupBox(parent), player_(std::make_unique<TDOVidera>()) {
    setObjectName(QStringLiteral("previewGroup"));
    TPreviewServices services;
    services.ReadSnapshotFolder = [&settings] { return settings.ReadSnapshotFolder(); };
    services.ReadSnapshotType = [&settings] { return settings.ReadSnapshotType(); };
    services.WriteSnapshotType = [&settings](const std::string& type) { settings.WriteSnapshotType(type); };
    services.ChooseSnapshotFolder = [&platform, &settings] {
        const auto folder = platform.ChooseFolder(SnapshotFolderCaption);
        std::error_code ec;
        if (folder && std::filesystem::is_directory(*folder, ec))
            settings.WriteSnapshotFolder(*folder);
    };
    services.OpenFolder = [&platform](const std::string& folder) { platform.OpenWithDesktop(folder); };
    services.PlaySound = [&platform](const std::string& file) { platform.PlaySound(file); };
    // Through the logger, which the window logic writes into the diagnostic log.
    services.Log = [this](const std::string& line) { GetLogger().Log(player_.get(), llError, line); };
    panel_ = new PreviewPanel(*player_, std::move(services), programFolder, VideoArea::Mode::Auto, this);
    connect(panel_, &PreviewPanel::statusTextChanged, this, &PreviewGroup::statusTextChanged);
    connect(panel_, &PreviewPanel::jobListFocusWanted, this, &PreviewGroup::jobListFocusWanted);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(7, 7, 7, 5);
    layout->addWidget(panel_);
}

PreviewGroup::~PreviewGroup() {
    // The panel closes the player on its way out, so it goes while the player is there.
    delete panel_;
}

void PreviewGroup::StartPreview(const QString& fileName) {
    panel_->PreviewSelected(fileName);
}

void PreviewGroup::ClosePreview() {
    panel_->ClosePreview();
}

void PreviewGroup::ResetSlider() {
    panel_->Slider()->setValue(0);
}
