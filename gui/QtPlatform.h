// IPlatform for the desktop program: Qt's file and folder dialogs, everything
// else from the Linux desktop platform.
#pragma once

#include "app/DesktopPlatform.h"

class QWidget;

class QtPlatform : public TDesktopPlatform {
public:
    void SetDialogParent(QWidget* parent) { parent_ = parent; }

    std::optional<std::string> ChooseOpenFile(const std::vector<TFileFilter>& filters) override;
    std::vector<std::string> ChooseOpenFiles(const std::vector<TFileFilter>& filters) override;
    std::optional<std::string> ChooseFolder(const std::string& caption) override;
    std::optional<std::string> ChooseFolderFrom(const std::string& caption,
                                                const std::string& startFolder) override;

private:
    QWidget* parent_ = nullptr;
};
