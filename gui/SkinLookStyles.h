// Our own looks as Qt style sheets: colours and borders for windows, group
// boxes, buttons, lists, sliders and menus.
#pragma once

#include "app/SkinLooks.h"

#include <QColor>
#include <QString>
#include <string>

class QWidget;

// Empty for the built-in look.
QString SkinLookStyleSheet(TSkinLook look);
// The text colour of a look whose ground is dark; invalid for light looks
// and the built-in one.
QColor SkinLookIconColour(TSkinLook look);
// Gives `window` (and its children) the look that the stored value names.
void ApplySkinLook(QWidget& window, const std::string& value);
