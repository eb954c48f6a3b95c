// The pictures of the format chooser's items and the program's own icon,
// drawn at run time: a rounded coloured tile with a short text on it.
#pragma once

#include "profiles/OutputProfile.h"

#include <QIcon>

// The tile of a profile: its output extension on the colour of its page.
QIcon ProfileIcon(const TOutputProfile& profile, int size);
// The program's icon.
QIcon ApplicationIcon();
