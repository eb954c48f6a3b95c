// The user's own profiles, kept in one text file in the settings folder: a
// header line, then per profile a "[profile]" line and "key=value" lines with
// its name, base profile, the value of each list's pick (by the lists' short
// names: VE, VB ...) and its filters. Written whole and atomically.
#pragma once

#include "profiles/JobRequest.h"
#include "profiles/UserProfile.h"

#include <string>
#include <vector>

class TSettingsStore;

inline constexpr const char* UserProfileFileName = "myprofiles.txt";
// The user profile file of the settings folder.
std::string UserProfileFilePath(const TSettingsStore& settings);
// The same beside the settings file `settingsFile`, before any store reads it.
std::string UserProfileFileBeside(const std::string& settingsFile);

// A missing file is an empty list. False with `error` set when the file
// cannot be read or is damaged (a bad line, a profile without a name or with
// an unknown base, a name twice): nothing of it is then returned, so the
// caller shows the message and goes on with the built-in profiles.
bool LoadUserProfiles(const std::string& fileName, std::vector<TUserProfile>& profiles, std::string& error);
// False with `error` set when the file cannot be written (it is then unchanged).
bool SaveUserProfiles(const std::string& fileName, const std::vector<TUserProfile>& profiles,
                      std::string& error);

// The list operations behind "保存为我的格式…" and the page's context menu;
// each refuses (false, `error` set) an empty name, a name already taken by
// another profile, or a name that is not in the list.
bool AddUserProfile(std::vector<TUserProfile>& profiles, TUserProfile profile, std::string& error);
bool RenameUserProfile(std::vector<TUserProfile>& profiles, const std::string& name,
                       const std::string& newName, std::string& error);
bool DeleteUserProfile(std::vector<TUserProfile>& profiles, const std::string& name, std::string& error);

// Puts the user profile `name` of the file `fileName` under `script`: its
// base profile, its picks and filters, then the script's own picks over them
// (later picks of a list win). False with `error` set when the file is
// damaged, holds no such name or a saved value is no longer offered.
bool ApplyUserProfileToScript(const std::string& fileName, const std::string& name, TJobRequest& script,
                              std::string& error);
