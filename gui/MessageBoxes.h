// The program's message boxes: the window logic's icons and button sets on
// Qt's QMessageBox, and the box that shows a plain text in full.
#pragma once

#include "app/MainView.h"

#include <string>

class QWidget;

// True when the user answered OK.
bool ShowMessageBox(QWidget* parent, const std::string& text, const std::string& title, TMessageIcon icon,
                    TMessageButtons buttons = TMessageButtons::Ok);
