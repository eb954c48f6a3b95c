// Records the message boxes and shell calls of the profile windows.
#pragma once

#include "profiles/UserDialogs.h"

#include <string>
#include <vector>

class FakeDialogs : public TUserDialogs {
public:
    void ShowInformation(const std::string& caption, const std::string& text) override {
        Captions.push_back(caption);
        Messages.push_back(text);
    }
    void OpenWithShell(const std::string& path) override { Opened.push_back(path); }

    std::vector<std::string> Captions;
    std::vector<std::string> Messages;
    std::vector<std::string> Opened;
};
