// The pictures drawn at run time: the format chooser's items and the program's
// icon (a rounded coloured tile with a short text on it), and the skin palette.
#pragma once

#include "profiles/OutputProfile.h"

#include <QIcon>

// The tile of a profile: its output extension on the colour of its page.
QIcon ProfileIcon(const TOutputProfile& profile, int size);
// The program's icon.
QIcon ApplicationIcon();
// The "皮肤" tool button's picture: a palette of four colour dots.
QIcon SkinIcon();
