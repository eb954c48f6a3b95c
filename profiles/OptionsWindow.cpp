#include "profiles/OptionsWindow.h"

#include "engine/SubtitleKeep.h"
#include "profiles/BuildOptions.h"
#include "profiles/OutputProfile.h"

#include <algorithm>

namespace {

constexpr char32_t Backspace = 8;
constexpr char32_t Enter = 13;

// The lists that audio mode disables.
constexpr TChoiceRole VideoRoles[] = {TChoiceRole::crVideoEncoder, TChoiceRole::crVideoBitRate,
                                      TChoiceRole::crFrameSize, TChoiceRole::crFrameRate,
                                      TChoiceRole::crAspect};

// Decimal text with a "0" put in front of a single digit ("7" -> "07", "123" stays).
std::string TwoDigits(int64_t value) {
    std::string text = std::to_string(value);
    if (text.size() < 2)
        text.insert(0, "0");
    return text;
}

} // namespace

TOptionsWindow::TOptionsWindow(TConversionSettings& settings, TUserDialogs& dialogs)
    : settings_(settings), dialogs_(dialogs) {}

void TOptionsWindow::Show(const TSourceFacts& source) {
    visible_ = true;
    Clear();
    FillForProfile();
    ShowSourceFacts(source);
}

void TOptionsWindow::Clear() {
    sourceText_.clear();
    for (TChoiceBox& list : lists_) {
        list.Items.clear();
        list.ItemIndex = -1;
    }
    picked_ = {};
    filters_ = {};
    deinterlace_ = TDeinterlace::Auto;
    tracks_.Clear();
    settings_.VideoFilters.clear();
    settings_.VideoTag.clear();
}

void TOptionsWindow::SetVideoControlsEnabled(bool enabled) {
    videoEnabled_ = enabled;
    for (const TChoiceRole role : VideoRoles)
        lists_[RoleIndex(role)].Enabled = enabled;
}

void TOptionsWindow::EnterVideoMode() {
    SetVideoControlsEnabled(true);
    mediaKind_ = MediaKindVideo;
    settings_.OutputFormat.clear();
    settings_.TVStandard.clear();
    pendingTarget_.clear();
}

void TOptionsWindow::EnterAudioMode() {
    SetVideoControlsEnabled(false);
    mediaKind_ = MediaKindMusic;
}

void TOptionsWindow::SetList(TChoiceRole role, const TListChoice& choice) {
    TChoiceBox& list = lists_[RoleIndex(role)];
    picked_[RoleIndex(role)] = false;
    list.Items.assign(choice.Items.begin(), choice.Items.end());
    const auto it = std::find(choice.Items.begin(), choice.Items.end(), choice.Preselected);
    list.ItemIndex = it == choice.Items.end() ? -1 : static_cast<int>(it - choice.Items.begin());
}

void TOptionsWindow::FillForProfile() {
    sourceText_ = settings_.SourceFile;
    EnterVideoMode();
    const TOutputProfile* profile = FindProfile(settings_.ProfileId);
    const auto choices = ChoicesFor(settings_.ProfileId);
    if (profile == nullptr || !choices)
        return;
    settings_.OutputFile = OutputPathFor(outputFolder_, settings_.SourceFile, profile->OutputExt);
    settings_.ProfileExt = profile->ProfileExt;
    if (!profile->OutputFormat.empty())
        settings_.OutputFormat = profile->OutputFormat;
    if (profile->AudioOnly)
        EnterAudioMode();
    for (const TChoiceRole role : FillOrder)
        SetList(role, (*choices)[RoleIndex(role)]);
    pendingTarget_ = profile->PendingTarget;
}

void TOptionsWindow::ShowSourceFacts(const TSourceFacts& source) {
    // Without a duration the stop boxes stay empty and SourceDuration keeps its text.
    durationSeconds_ = source.DurationSeconds;
    clipBoxes_ = {"00", "00", "00", "", "", ""};
    if (durationSeconds_) {
        sourceDuration_ = std::to_string(*durationSeconds_);
        std::ranges::move(DurationBoxes(*durationSeconds_), clipBoxes_.begin() + 3);
    }
    tracks_.Fill(source, OutputFormatName(settings_.OutputFormat, settings_.OutputFile),
                 mediaKind_ == MediaKindVideo);
}

std::array<std::string, 3> TOptionsWindow::DurationBoxes(int64_t seconds) {
    const int64_t hours = seconds / 3600;
    const int64_t minutes = (seconds - hours * 3600) / 60;
    return {TwoDigits(hours), TwoDigits(minutes), TwoDigits(seconds - hours * 3600 - minutes * 60)};
}

bool TOptionsWindow::Confirm() {
    MapChoicesToSettings(ChosenItems(), {outputFolder_, pendingTarget_, mediaKind_}, settings_);
    tracks_.WriteTo(settings_);
    const TClipCheck check = ApplyClipRange(clipChecked_, clipBoxes_, durationSeconds_, settings_);
    if (check != TClipCheck::ccAccepted) {
        dialogs_.ShowInformation(PromptCaption, std::string(ClipMessage(check)));
        return false;
    }
    visible_ = false;
    return true;
}

TJobRequest TOptionsWindow::Request() const {
    TJobRequest request;
    request.ProfileId = settings_.ProfileId;
    for (size_t i = 0; i < lists_.size(); ++i)
        if (picked_[i])
            request.Picks.emplace_back(static_cast<TChoiceRole>(i),
                                       SelectedText(static_cast<TChoiceRole>(i)));
    request.Filters = filters_;
    request.Deinterlace = deinterlace_;
    if (clipChecked_)
        request.Clip = clipBoxes_;
    request.AudioTrack = tracks_.AudioTrackValue();
    request.Subtitles = tracks_.SubtitleModeValue();
    request.SubtitleTrack = tracks_.SubtitleTrackValue();
    request.Sources = {settings_.SourceFile};
    return request;
}

void TOptionsWindow::Cancel() {
    visible_ = false;
}

void TOptionsWindow::PreviewSource() {
    dialogs_.OpenWithShell(sourceText_);
}

std::string TOptionsWindow::SelectedText(TChoiceRole role) const {
    const TChoiceBox& list = lists_[RoleIndex(role)];
    return list.ItemIndex >= 0 ? std::string(list.Items[list.ItemIndex].Label) : std::string();
}

std::optional<std::string> TOptionsWindow::SelectedValue(TChoiceRole role) const {
    const TChoiceBox& list = lists_[RoleIndex(role)];
    if (list.ItemIndex < 0)
        return std::nullopt;
    return std::string(list.Items[list.ItemIndex].Value);
}

bool TOptionsWindow::Pick(TChoiceRole role, int index) {
    TChoiceBox& list = lists_[RoleIndex(role)];
    if (index < 0 || static_cast<size_t>(index) >= list.Items.size() || !list.Enabled)
        return false;
    list.ItemIndex = index;
    picked_[RoleIndex(role)] = true;
    if (role == TChoiceRole::crVideoEncoder) {
        if (const auto refill = RefillForEncoder(settings_.ProfileId, list.Items[index].Value))
            SetList(refill->Role, refill->List);
    }
    return true;
}

bool TOptionsWindow::PickText(TChoiceRole role, std::string_view text) {
    const TChoiceBox& list = lists_[RoleIndex(role)];
    const TChoiceItem* item = FindItemByLabel(list.Items, text);
    return item != nullptr && Pick(role, static_cast<int>(item - list.Items.data()));
}

void TOptionsWindow::SetClipPermission(bool enabled) {
    clipCheckEnabled_ = enabled;
    clipChecked_ = false;
}

// A disabled check box cannot be ticked: several files are always converted whole.
void TOptionsWindow::SetClipChecked(bool ticked) {
    clipChecked_ = ticked && clipCheckEnabled_;
}

bool TOptionsWindow::SetClipBoxText(int index, std::string text) {
    if (index < 0 || static_cast<size_t>(index) >= clipBoxes_.size())
        return false;
    if (!ClipBoxTextAllowed(text)) {
        dialogs_.ShowInformation(PromptCaption, DigitsOnlyMessage);
        return false;
    }
    clipBoxes_[index] = std::move(text);
    return true;
}

bool TOptionsWindow::ClipBoxTextAllowed(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool TOptionsWindow::ClipKeyAllowed(char32_t key) {
    if ((key >= '0' && key <= '9') || key == Backspace || key == Enter)
        return true;
    dialogs_.ShowInformation(PromptCaption, DigitsOnlyMessage);
    return false;
}

bool TOptionsWindow::TypeClipKey(int index, char32_t key) {
    if (index < 0 || static_cast<size_t>(index) >= clipBoxes_.size())
        return false;
    if (!ClipKeyAllowed(key))
        return false;
    std::string& box = clipBoxes_[index];
    if (key >= '0' && key <= '9') {
        if (box.size() < ClipBoxLength)
            box += static_cast<char>(key);
        return true;
    }
    if (key == Backspace) {
        if (!box.empty())
            box.pop_back();
        return true;
    }
    return true; // Enter
}

TChosenItems TOptionsWindow::ChosenItems() const {
    TChosenItems chosen;
    for (size_t i = 0; i < lists_.size(); ++i)
        chosen.Values[i] = SelectedValue(static_cast<TChoiceRole>(i));
    chosen.HorizontalFlip = filters_[0];
    chosen.VerticalFlip = filters_[1];
    chosen.Negative = filters_[2];
    chosen.Deinterlace = deinterlace_;
    return chosen;
}
