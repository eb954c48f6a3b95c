// The format chooser and the options window driven by a request instead of a
// user: the profile to select, the list items to pick by their exact text, the
// filters and the clip range; everything else keeps the windows' defaults.
// The window logic tests stand in for the user with this, so they take the
// same path as the desktop windows.
#pragma once

#include "profiles/ConversionSettings.h"
#include "profiles/JobRequest.h"

#include <string>

// Runs the chooser and the options window for `settings.SourceFile`. True when
// the options were confirmed and `settings` written; false with `error` set
// when the profile is unknown, a pick is not offered or the clip is refused.
bool RunScriptedFormatChoice(const TJobRequest& script, TConversionSettings& settings,
                             const std::string& outputFolder, bool allowClip, std::string& error);
