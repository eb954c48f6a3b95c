// The options window's logic: the source, the ten lists of the chosen profile,
// three picture filters and the clip range; "确定" writes the output settings.
// The desktop window renders this state and forwards the user's actions; tests
// drive the same class. Main thread only.
#pragma once

#include "media/SourceFacts.h"
#include "profiles/ChoiceLists.h"
#include "profiles/ConversionSettings.h"
#include "profiles/JobRequest.h"
#include "profiles/SettingsMapping.h"
#include "profiles/TrackChoices.h"
#include "profiles/Translation.h"
#include "profiles/UserDialogs.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TOptionsWindow {
public:
    static constexpr const char* Caption = VT_TR("选项设置");
    static constexpr const char* SourceCaption = VT_TR("视频源：");
    static constexpr const char* VideoGroupCaption = VT_TR("视频编码详细设置");
    static constexpr const char* AudioGroupCaption = VT_TR("音频编码详细设置");
    static constexpr const char* FiltersCaption = VT_TR("视频滤镜：");
    static constexpr std::array<const char*, 3> FilterCaptions{
        VT_TR("视频图像水平翻转"), VT_TR("视频图像垂直翻转"), VT_TR("视频显示底片效果")};
    // After the three filter boxes; ticked for every new job.
    static constexpr const char* AutoDeinterlaceCaption = VT_TR("自动去隔行");
    static constexpr const char* ClipGroupCaption = VT_TR("分割截取视频");
    static constexpr const char* ClipStartCaption = VT_TR("转换起始时间：");
    static constexpr const char* ClipStopCaption = VT_TR("转换停止时间：");
    static constexpr std::array<const char*, 3> ClipUnitCaptions{VT_TR("时"), VT_TR("分"), VT_TR("秒")};
    static constexpr const char* ClipCheckCaption = VT_TR("允许截取视频");
    static constexpr const char* PreviewCaption = VT_TR("预览视频");
    static constexpr const char* ConfirmCaption = VT_TR("确定");
    static constexpr const char* CancelCaption = VT_TR("取消");
    static constexpr const char* DigitsOnlyMessage = VT_TR("对不起，这里只能输入数字！");
    static constexpr int ClipBoxLength = 2; // characters the user can type into a clip box

    // One drop-down list (pick-only).
    struct TChoiceBox {
        std::vector<TChoiceItem> Items;
        int ItemIndex = -1; // -1: nothing selected
        bool Enabled = true;
    };

    // `settings` and `dialogs` outlive the window.
    TOptionsWindow(TConversionSettings& settings, TUserDialogs& dialogs);

    // The main window's output folder, read when the window is filled.
    void SetOutputFolder(std::string folder) { outputFolder_ = std::move(folder); }

    // The show sequence: clear, fill for the settings' ProfileId, then the
    // duration and tracks of the settings' SourceFile as the add found them
    // (`source`; nothing known when it could not be read). The window opens
    // no file itself.
    void Show(const TSourceFacts& source);
    bool Visible() const { return visible_; }
    // "确定": writes the settings; true when the range check passed and the
    // window closed, false when a message was shown and the window stays.
    bool Confirm();
    // What the window shows as a job request for its source: the profile, the
    // items the user picked (a list refilled since keeps its new preselection),
    // the filters and, when ticked, the clip boxes. SettingsForRequest writes
    // from it what Confirm writes.
    TJobRequest Request() const;
    // "取消": closes without writing anything.
    void Cancel();
    // "预览视频": the shell opens the source.
    void PreviewSource();

    const std::string& SourceText() const { return sourceText_; }
    const TChoiceBox& List(TChoiceRole role) const { return lists_[RoleIndex(role)]; }
    // The selected text (label) of a list; empty when nothing is selected.
    std::string SelectedText(TChoiceRole role) const;
    // The selected item's value; none when nothing is selected.
    std::optional<std::string> SelectedValue(TChoiceRole role) const;
    // The user picks item `index` of a list (a video encoder pick may refill
    // another list). False, and nothing changes, for an index the list lacks.
    bool Pick(TChoiceRole role, int index);
    // The same by item text; false for a text the list does not offer.
    bool PickText(TChoiceRole role, std::string_view text);

    // The three filter boxes, `index` 0 to 2 in caption order.
    bool Filter(int index) const { return filters_.at(index); }
    void SetFilter(int index, bool ticked) { filters_.at(index) = ticked; }
    // "自动去隔行": ticked unless Off. On (always, from the command line) shows ticked too.
    TDeinterlace Deinterlace() const { return deinterlace_; }
    void SetDeinterlace(TDeinterlace mode) { deinterlace_ = mode; }
    bool AutoDeinterlaceTicked() const { return deinterlace_ != TDeinterlace::Off; }
    void SetAutoDeinterlaceTicked(bool ticked) {
        deinterlace_ = ticked ? TDeinterlace::Auto : TDeinterlace::Off;
    }
    // The video lists and the filter boxes share this state.
    bool VideoControlsEnabled() const { return videoEnabled_; }

    // The main window, before each add action: unticks the clip box and enables
    // it for a single file, disables it for several.
    void SetClipPermission(bool enabled);
    bool ClipCheckEnabled() const { return clipCheckEnabled_; }
    bool ClipChecked() const { return clipChecked_; }
    // The user ticks or unticks the clip box (a disabled box stays unticked);
    // the six boxes follow it.
    void SetClipChecked(bool ticked);
    bool ClipBoxesEnabled() const { return clipChecked_; }
    // The six clip boxes, `index` 0 to 5 (start hours, minutes, seconds, then stop).
    const std::string& ClipBox(int index) const { return clipBoxes_.at(index); }
    // Text put into clip box `index` at once (pasted): digits only, else the
    // message as for a typed key and the box keeps its text.
    bool SetClipBoxText(int index, std::string text);
    // Whether a clip box takes `text` as its whole content: digits only.
    static bool ClipBoxTextAllowed(std::string_view text);
    // Whether a key typed into a clip box may edit it (the box itself places
    // it, at the cursor or over the selection): digits, backspace (8) and
    // Enter (13); any other key shows the message and must be discarded.
    bool ClipKeyAllowed(char32_t key);
    // A key typed at the end of clip box `index`: digits, backspace (8) and Enter (13)
    // are accepted (a digit is added while the box has room); any other key
    // shows the message and is discarded. Returns whether it was accepted.
    bool TypeClipKey(int index, char32_t key);

    // The stop boxes for a source of `seconds`: hours, minutes, seconds, each
    // at least two digits ("01", "02", "05"; hours may have more).
    static std::array<std::string, 3> DurationBoxes(int64_t seconds);

    // The source's audio track and what to do with its subtitles; filled by
    // the show sequence from the source's facts, written on "确定".
    TTrackChoices& Tracks() { return tracks_; }
    const TTrackChoices& Tracks() const { return tracks_; }

    // The window's own values, set by the show sequence.
    const std::string& SourceDuration() const { return sourceDuration_; }
    const std::string& MediaKind() const { return mediaKind_; }
    const std::string& PendingTarget() const { return pendingTarget_; }

private:
    void Clear();
    void SetVideoControlsEnabled(bool enabled);
    void EnterVideoMode();
    void EnterAudioMode();
    void FillForProfile();
    void ShowSourceFacts(const TSourceFacts& source);
    void SetList(TChoiceRole role, const TListChoice& choice);
    TChosenItems ChosenItems() const;

    TConversionSettings& settings_;
    TUserDialogs& dialogs_;
    std::string outputFolder_;
    bool visible_ = false;

    std::string sourceText_;
    std::array<TChoiceBox, ChoiceRoleCount> lists_;
    std::array<bool, ChoiceRoleCount> picked_{}; // the user picked in the list since it was filled
    std::array<bool, 3> filters_{};
    TDeinterlace deinterlace_ = TDeinterlace::Auto;
    bool videoEnabled_ = true;
    bool clipCheckEnabled_ = true;
    bool clipChecked_ = false;
    TClipBoxes clipBoxes_;
    TTrackChoices tracks_;

    std::string sourceDuration_;
    std::optional<int64_t> durationSeconds_; // none when this showing could not read it
    std::string mediaKind_ = MediaKindVideo;
    std::string pendingTarget_;
};
