#include "app/UserProfileFile.h"

#include "app/AtomicFile.h"
#include "app/SettingsStore.h"
#include "profiles/JobRequest.h"
#include "profiles/OutputProfile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

constexpr const char* Header = "vantoro-user-profiles 1";
constexpr const char* ProfileLine = "[profile]";
constexpr std::array<const char*, 3> FilterNames{"hflip", "vflip", "negate"};

// Values keep to one line; a name with a line break is refused when it is given.
bool OneLine(const std::string& text) {
    return text.find_first_of("\r\n") == std::string::npos;
}

std::string FilterText(const std::array<bool, 3>& filters) {
    std::string text;
    for (size_t i = 0; i < filters.size(); ++i) {
        if (!filters[i])
            continue;
        if (!text.empty())
            text += ',';
        text += FilterNames[i];
    }
    return text;
}

bool ParseFilters(const std::string& text, std::array<bool, 3>& filters) {
    filters = {};
    size_t start = 0;
    while (start < text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::string name = text.substr(start, comma - start);
        const auto it = std::find(FilterNames.begin(), FilterNames.end(), name);
        if (it == FilterNames.end())
            return false;
        filters[static_cast<size_t>(it - FilterNames.begin())] = true;
        start = comma + 1;
    }
    return true;
}

// A track number: 0 (the source's default track) or more.
bool ParseTrack(const std::string& value, int32_t& track) {
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), track);
    return error == std::errc() && end == value.data() + value.size() && track >= 0;
}

// Sets the field `key` names; false for an unknown key or a bad value.
bool ReadField(TUserProfile& profile, const std::string& key, const std::string& value) {
    if (key == "Name") {
        profile.Name = value;
        return true;
    }
    if (key == "Base") {
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), profile.BaseId);
        return error == std::errc() && end == value.data() + value.size();
    }
    if (key == "Filters")
        return ParseFilters(value, profile.Filters);
    if (key == "Deinterlace") {
        const auto mode = DeinterlaceByName(value);
        if (mode)
            profile.Deinterlace = *mode;
        return mode.has_value();
    }
    if (key == "AudioTrack")
        return ParseTrack(value, profile.AudioTrack);
    if (key == "SubtitleTrack")
        return ParseTrack(value, profile.SubtitleTrack);
    if (key == "Subtitles") {
        profile.Subtitles = value;
        return value == SubtitlesNone || value == SubtitlesKeep || value == SubtitlesBurn;
    }
    if (const auto role = ChoiceRoleByName(key)) {
        profile.Values[RoleIndex(*role)] = value;
        return true;
    }
    return false;
}

std::vector<TUserProfile>::iterator Find(std::vector<TUserProfile>& profiles, const std::string& name) {
    return std::find_if(profiles.begin(), profiles.end(),
                        [&](const TUserProfile& p) { return p.Name == name; });
}

bool UsableName(const std::vector<TUserProfile>& profiles, const std::string& name, std::string& error) {
    if (name.empty() || !OneLine(name)) {
        error = "a profile needs a name of one line";
        return false;
    }
    if (std::any_of(profiles.begin(), profiles.end(),
                    [&](const TUserProfile& p) { return p.Name == name; })) {
        error = "a profile named \"" + name + "\" exists already";
        return false;
    }
    return true;
}

} // namespace

std::string UserProfileFilePath(const TSettingsStore& settings) {
    return (std::filesystem::path(settings.Folder()) / UserProfileFileName).string();
}

std::string UserProfileFileBeside(const std::string& settingsFile) {
    return (std::filesystem::path(settingsFile).parent_path() / UserProfileFileName).string();
}

bool LoadUserProfiles(const std::string& fileName, std::vector<TUserProfile>& profiles, std::string& error) {
    profiles.clear();
    std::error_code code;
    if (!std::filesystem::exists(fileName, code) && !code)
        return true;
    std::ifstream in;
    if (!OpenWithHeader(fileName, Header, "not a file of own profiles", in, error))
        return false;
    std::string line;
    std::vector<TUserProfile> read;
    for (int number = 2; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (line == ProfileLine) {
            read.emplace_back();
            continue;
        }
        const size_t eq = line.find('=');
        if (read.empty() || eq == std::string::npos ||
            !ReadField(read.back(), line.substr(0, eq), line.substr(eq + 1))) {
            error = fileName + ":" + std::to_string(number) + ": bad line";
            return false;
        }
    }
    if (in.bad()) {
        error = fileName + ": " + std::strerror(errno);
        return false;
    }
    std::vector<TUserProfile> kept;
    for (TUserProfile& profile : read) {
        if (!FindProfile(profile.BaseId)) {
            error = fileName + ": the profile \"" + profile.Name + "\" has no known base profile";
            return false;
        }
        if (!UsableName(kept, profile.Name, error)) {
            error = fileName + ": " + error;
            return false;
        }
        kept.push_back(std::move(profile));
    }
    profiles = std::move(kept);
    return true;
}

bool SaveUserProfiles(const std::string& fileName, const std::vector<TUserProfile>& profiles,
                      std::string& error) {
    std::string out = Header;
    out += '\n';
    for (const TUserProfile& profile : profiles) {
        out += ProfileLine;
        out += "\nName=" + profile.Name + "\nBase=" + std::to_string(profile.BaseId) + '\n';
        for (size_t i = 0; i < profile.Values.size(); ++i) {
            if (!OneLine(profile.Values[i])) {
                error = "the profile \"" + profile.Name + "\" holds a value of several lines";
                return false;
            }
            out += std::string(ChoiceRoleName(static_cast<TChoiceRole>(i))) + "=" + profile.Values[i] + '\n';
        }
        out += "Filters=" + FilterText(profile.Filters) + '\n';
        out += "Deinterlace=" + std::string(DeinterlaceName(profile.Deinterlace)) + '\n';
        out += "AudioTrack=" + std::to_string(profile.AudioTrack) + '\n';
        out += "Subtitles=" + profile.Subtitles + '\n';
        out += "SubtitleTrack=" + std::to_string(profile.SubtitleTrack) + '\n';
    }
    return WriteFileAtomically(fileName, out, error);
}

bool AddUserProfile(std::vector<TUserProfile>& profiles, TUserProfile profile, std::string& error) {
    if (!UsableName(profiles, profile.Name, error))
        return false;
    profiles.push_back(std::move(profile));
    return true;
}

bool RenameUserProfile(std::vector<TUserProfile>& profiles, const std::string& name,
                       const std::string& newName, std::string& error) {
    const auto it = Find(profiles, name);
    if (it == profiles.end()) {
        error = "no profile named \"" + name + "\"";
        return false;
    }
    if (newName == name)
        return true;
    if (!UsableName(profiles, newName, error))
        return false;
    it->Name = newName;
    return true;
}

bool DeleteUserProfile(std::vector<TUserProfile>& profiles, const std::string& name, std::string& error) {
    const auto it = Find(profiles, name);
    if (it == profiles.end()) {
        error = "no profile named \"" + name + "\"";
        return false;
    }
    profiles.erase(it);
    return true;
}

bool ApplyUserProfileToScript(const std::string& fileName, const std::string& name, TJobRequest& script,
                              std::string& error) {
    std::vector<TUserProfile> profiles;
    if (!LoadUserProfiles(fileName, profiles, error))
        return false;
    const auto it = Find(profiles, name);
    if (it == profiles.end()) {
        error = "no profile of your own named \"" + name + "\" in " + fileName;
        return false;
    }
    std::vector<std::pair<TChoiceRole, std::string>> picks;
    if (!PicksForUserProfile(*it, picks, error))
        return false;
    script.ProfileId = it->BaseId;
    picks.insert(picks.end(), script.Picks.begin(), script.Picks.end());
    script.Picks = std::move(picks);
    for (size_t i = 0; i < script.Filters.size(); ++i)
        script.Filters[i] = script.Filters[i] || it->Filters[i];
    if (!script.Deinterlace)
        script.Deinterlace = it->Deinterlace;
    // Track picks given on the command line go over the saved ones.
    if (!script.AudioTrack)
        script.AudioTrack = it->AudioTrack;
    if (!script.Subtitles) {
        script.Subtitles = it->Subtitles;
        if (!script.SubtitleTrack)
            script.SubtitleTrack = it->SubtitleTrack;
    }
    return true;
}
