// The preview panel's rules: which file the player shows, the buttons, the
// slider's press and release, and snapshots. No widgets: the panel forwards
// its clicks here and this drives the player and the view. Main thread only.
#pragma once

#include "app/PreviewView.h"
#include "app/SnapshotTypes.h"
#include "profiles/Translation.h"

#include <cstdint>
#include <functional>
#include <string>

class TCustomPlayer;

// What the panel needs from the rest of the program; each may be left empty.
struct TPreviewServices {
    // The snapshot folder, created when missing.
    std::function<std::string()> ReadSnapshotFolder;
    // The stored picture type ("BMP", "JPG", "GIF", "PNG"); the store replaces
    // anything else by "BMP" and the menu checks the matching item.
    std::function<std::string()> ReadSnapshotType;
    // Starts playing a WAV file and returns at once.
    std::function<void(const std::string&)> PlaySound;
    // A line for the hidden diagnostic log.
    std::function<void(const std::string&)> Log;
    // Stores the chosen picture type.
    std::function<void(const std::string&)> WriteSnapshotType;
    // Asks for a snapshot folder and stores a chosen one that exists.
    std::function<void()> ChooseSnapshotFolder;
    // Asks the desktop to open a folder.
    std::function<void(const std::string&)> OpenFolder;
};

class TPreviewPanelLogic {
public:
    static constexpr int SliderTickInterval = 5;
    static constexpr const char* SnapshotStatus =
        VT_TR("已经为您捕获视频快照，您可以点击“快照设置”按钮打开快照目录查看图片。");
    static constexpr const char* CameraSoundFile = "sounds/cam.wav";

    // `player` and `view` must outlive this; `programFolder` holds the camera sound.
    TPreviewPanelLogic(TCustomPlayer& player, IPreviewView& view, TPreviewServices services,
                       std::string programFolder);
    ~TPreviewPanelLogic();
    TPreviewPanelLogic(const TPreviewPanelLogic&) = delete;
    TPreviewPanelLogic& operator=(const TPreviewPanelLogic&) = delete;

    // A row was selected: open its source paused (the first picture shows).
    void PreviewSelected(const std::string& fileName);
    // Remove, clear, or a click that leaves no row selected; also the window's close.
    void ClosePreview();

    void Play();
    void Pause();
    // Reopens the file paused at its start; nothing without a selected file.
    void Stop();
    void ToggleMute();
    // Saves the shown picture; returns the file written, empty when nothing was saved.
    std::string TakeSnapshot();

    // The snapshot settings menu: checks the stored type before it opens.
    void SnapshotMenuOpening();
    void OpenSnapshotFolder();
    void ChooseSnapshotFolder();
    void ChooseSnapshotType(TSnapshotType type);

    void SliderPressed();
    void SliderReleased(int position, int maximum);

    const std::string& PreviewFile() const { return previewFile_; }
    int64_t PreviewDuration() const { return previewDuration_; }

private:
    bool openPaused();
    // The stored type, shown checked in the menu.
    TSnapshotType readSnapshotType();
    std::string readSnapshotFolder() const;
    void log(const std::string& line) const;

    TCustomPlayer& player_;
    IPreviewView& view_;
    TPreviewServices services_;
    std::string programFolder_;
    std::string previewFile_;
    int64_t previewDuration_ = 0;
};
