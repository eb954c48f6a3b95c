// The options window and the user's own profiles: "保存为我的格式…" keeps what
// the window shows, and opening a saved profile shows its picks again.
#pragma once

#include "profiles/OptionsWindow.h"
#include "profiles/UserProfile.h"

#include <string>

// What `window`, filled for profile `baseId`, shows now, under `name`.
TUserProfile CaptureWindow(const TOptionsWindow& window, std::string name, int32_t baseId);

// Picks the saved items and filters in `window`, which the caller has shown
// for profile.BaseId. False with `error` set when a saved value is no longer
// offered; the picks before it are then made and the rest keep the defaults.
bool ShowUserProfile(TOptionsWindow& window, const TUserProfile& profile, std::string& error);
