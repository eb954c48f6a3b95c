// The looks of the "皮肤" menu as Qt style sheets of our own: colours and
// borders for windows, group boxes, buttons, lists, sliders and menus.
#pragma once

#include "app/Skins.h"

#include <QString>
#include <functional>
#include <string>

class QMenu;
class QWidget;

// Empty for the built-in look.
QString SkinStyleSheet(TSkinLook look);
// Gives `window` (and its children) the look that `value` names.
void ApplySkin(QWidget& window, const std::string& value);
// Adds one item per skin that has a menu caption; a click calls `chosen` with its value.
void AddSkinItems(QMenu& menu, const std::function<void(const std::string&)>& chosen);
