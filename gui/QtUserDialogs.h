// The profile windows' message boxes and "open with the desktop", on Qt.
#pragma once

#include "app/Platform.h"
#include "profiles/UserDialogs.h"

class QWidget;

class QtUserDialogs : public TUserDialogs {
public:
    // `platform` outlives this object; `parent` may change as windows come and go.
    explicit QtUserDialogs(IPlatform& platform) : platform_(platform) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    void ShowInformation(const std::string& caption, const std::string& text) override;
    void OpenWithShell(const std::string& path) override;

private:
    IPlatform& platform_;
    QWidget* parent_ = nullptr;
};
