#include "app/UserProfileList.h"

#include "app/UserProfileFile.h"
#include "profiles/UserProfileWindow.h"

#include <algorithm>
#include <filesystem>
#include <utility>

namespace {

bool Blank(char c) {
    return c == ' ' || c == '\t';
}

bool ValidPosition(const std::vector<TUserProfile>& profiles, int position) {
    return position >= 0 && position < static_cast<int>(profiles.size());
}

// The refusal of a name by the file's rules, as the user reads it.
std::string NameMessage(const std::vector<TUserProfile>& profiles, const std::string& name) {
    if (name.empty() || name.find_first_of("\r\n") != std::string::npos)
        return Tr(TUserProfileList::EmptyNameMessage);
    if (std::any_of(profiles.begin(), profiles.end(), [&](const TUserProfile& p) { return p.Name == name; }))
        return Tr(TUserProfileList::NameTakenMessage) + name;
    return {};
}

} // namespace

std::optional<std::string> TUserProfileList::Load() {
    std::string error;
    if (LoadUserProfiles(fileName_, profiles_, error))
        return std::nullopt;
    profiles_.clear();
    std::string message = Tr(DamagedFileMessage) + "\n" + error;
    // Only the first damaged copy is kept: a later start must not overwrite
    // it with a file the program has since rewritten.
    const std::string copy = fileName_ + DamagedSuffix;
    std::error_code code;
    if (std::filesystem::exists(fileName_, code) &&
        std::filesystem::copy_file(fileName_, copy, std::filesystem::copy_options::skip_existing, code))
        message += "\n" + Tr(DamagedCopyMessage) + copy;
    return message;
}

std::string TUserProfileList::NameOf(std::string_view typed) {
    while (!typed.empty() && Blank(typed.front()))
        typed.remove_prefix(1);
    while (!typed.empty() && Blank(typed.back()))
        typed.remove_suffix(1);
    return std::string(typed);
}

bool TUserProfileList::Save(const TOptionsWindow& window, int32_t baseId, std::string_view typedName,
                            std::string& message) {
    const std::string name = NameOf(typedName);
    message = NameMessage(profiles_, name);
    if (!message.empty())
        return false;
    std::vector<TUserProfile> before = profiles_;
    std::string error;
    if (!AddUserProfile(profiles_, CaptureWindow(window, name, baseId), error)) {
        message = error;
        return false;
    }
    return Commit(std::move(before), message);
}

bool TUserProfileList::Rename(int position, std::string_view typedName, std::string& message) {
    if (!ValidPosition(profiles_, position))
        return false;
    const std::string name = NameOf(typedName);
    const std::string old = profiles_[static_cast<size_t>(position)].Name;
    if (name == old)
        return true;
    message = NameMessage(profiles_, name);
    if (!message.empty())
        return false;
    std::vector<TUserProfile> before = profiles_;
    std::string error;
    if (!RenameUserProfile(profiles_, old, name, error)) {
        message = error;
        return false;
    }
    return Commit(std::move(before), message);
}

bool TUserProfileList::Delete(int position, std::string& message) {
    if (!ValidPosition(profiles_, position))
        return false;
    std::vector<TUserProfile> before = profiles_;
    profiles_.erase(profiles_.begin() + position);
    return Commit(std::move(before), message);
}

bool TUserProfileList::Commit(std::vector<TUserProfile> before, std::string& message) {
    std::string error;
    if (SaveUserProfiles(fileName_, profiles_, error))
        return true;
    profiles_ = std::move(before);
    message = Tr(WriteFailedMessage) + error;
    return false;
}
