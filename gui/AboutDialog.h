// The about window: the product line, the web site and mail links, "确定".
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    // `openLink` opens an address with the desktop.
    explicit AboutDialog(std::function<void(const std::string&)> openLink, QWidget* parent = nullptr);
};
