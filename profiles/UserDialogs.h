// What the profile windows need from the user's desktop: information message
// boxes and the shell's "open". The desktop program shows real boxes; tests
// record the calls.
#pragma once

#include "profiles/Translation.h"

#include <string>

class TUserDialogs {
public:
    virtual ~TUserDialogs() = default;
    // A modal information box with a single OK button.
    virtual void ShowInformation(const std::string& caption, const std::string& text) = 0;
    // Opens `path` with the default action of its file type; the outcome is ignored.
    virtual void OpenWithShell(const std::string& path) = 0;
};

// The caption of every information box of the profile windows.
inline constexpr const char* PromptCaption = VT_TR("提示");
