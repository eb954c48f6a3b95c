#include "app/PreviewPanelLogic.h"
#include "app/ProgramFiles.h"

#include "app/SnapshotWriter.h"
#include "media/FFmpegLoader.h"
#include "player/Player.h"

#include <filesystem>
#include <utility>

namespace {

constexpr TSeekFlags PlainSeek = 0;

} // namespace

TPreviewPanelLogic::TPreviewPanelLogic(TCustomPlayer& player, IPreviewView& view, TPreviewServices services,
                                       std::string programFolder)
    : player_(player), view_(view), services_(std::move(services)), programFolder_(std::move(programFolder)) {
    player_.OnFileOpen = [this](TCustomPlayer*, int64_t duration, int, int, int&, int&) {
        previewDuration_ = duration;
        view_.SetSlider(view_.SliderWidth(), SliderTickInterval, 0);
    };
}

TPreviewPanelLogic::~TPreviewPanelLogic() {
    player_.Close(true);
    player_.OnFileOpen = nullptr;
}

void TPreviewPanelLogic::log(const std::string& line) const {
    if (services_.Log)
        services_.Log(line);
}

bool TPreviewPanelLogic::openPaused() {
    // Open closes the file shown before, waiting for its threads.
    if (player_.Open(previewFile_, view_.BeginPlayback(), true))
        return true;
    log(player_.LastError());
    view_.ClearVideo();
    return false;
}

void TPreviewPanelLogic::PreviewSelected(const std::string& fileName) {
    if (!player_.LibrariesLoaded() && !player_.LoadLibraries(LibraryFolderIn(programFolder_)))
        return;
    // Paused first, so that the playback being replaced makes no sound while it closes.
    if (player_.State() != psPause)
        player_.Pause();
    previewFile_ = fileName;
    openPaused();
}

void TPreviewPanelLogic::ClosePreview() {
    player_.Close(true);
    view_.ClearVideo();
    // Its row was removed or deselected: "停止" must not bring the file back.
    previewFile_.clear();
}

void TPreviewPanelLogic::Play() {
    player_.Resume();
    view_.FocusJobList();
}

void TPreviewPanelLogic::Pause() {
    player_.Pause();
    view_.FocusJobList();
}

void TPreviewPanelLogic::Stop() {
    if (previewFile_.empty())
        return;
    player_.Close(true);
    openPaused();
}

void TPreviewPanelLogic::ToggleMute() {
    player_.SetMute(!player_.Mute());
    view_.ShowMuted(player_.Mute());
}

TSnapshotType TPreviewPanelLogic::readSnapshotType() {
    const std::string stored = services_.ReadSnapshotType ? services_.ReadSnapshotType() : std::string();
    const TSnapshotType type = SnapshotTypeFromSetting(stored).value_or(DefaultSnapshotType);
    view_.ShowSnapshotType(type);
    return type;
}

std::string TPreviewPanelLogic::readSnapshotFolder() const {
    return services_.ReadSnapshotFolder ? services_.ReadSnapshotFolder() : programFolder_;
}

void TPreviewPanelLogic::SnapshotMenuOpening() {
    readSnapshotType();
}

void TPreviewPanelLogic::OpenSnapshotFolder() {
    if (services_.OpenFolder)
        services_.OpenFolder(readSnapshotFolder());
}

void TPreviewPanelLogic::ChooseSnapshotFolder() {
    if (services_.ChooseSnapshotFolder)
        services_.ChooseSnapshotFolder();
}

void TPreviewPanelLogic::ChooseSnapshotType(TSnapshotType type) {
    if (services_.WriteSnapshotType)
        services_.WriteSnapshotType(std::string(SnapshotTypeInfo(type).SettingValue));
    view_.ShowSnapshotType(type);
}

void TPreviewPanelLogic::SliderPressed() {
    player_.TogglePause();
}

void TPreviewPanelLogic::SliderReleased(int position, int maximum) {
    player_.Pause();
    if (maximum > 0)
        player_.Seek(PlainSeek, false, previewDuration_ * position / maximum);
    player_.Resume();
}

std::string TPreviewPanelLogic::TakeSnapshot() {
    // The player keeps the picture until the next Snapshot call, which only this thread makes.
    int64_t pts = 0;
    const TBitmap24& shown = player_.Snapshot(pts);
    const std::string folder = readSnapshotFolder();
    const TSnapshotType type = readSnapshotType();
    if (shown.Width == 0)
        return {};
    std::string error;
    const std::string written = SaveSnapshot(shown, type, folder, previewFile_, error);
    if (written.empty())
        log("snapshot: " + error);
    const std::string sound = ProgramFile(programFolder_, CameraSoundFile);
    std::error_code ec;
    if (services_.PlaySound && std::filesystem::exists(sound, ec))
        services_.PlaySound(sound);
    view_.SetStatusText(SnapshotStatus);
    return written;
}
