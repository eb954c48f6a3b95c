// The looks behind the "皮肤" values: a skin file's style sheet when the
// program folder has it, else one of our own looks.
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>
#include <string>

// The application style sheet for a stored "SetSkin" value; empty (the
// built-in look) for an unknown value.
QString SkinStyleSheet(const std::string& value, const QString& programFolder);

// The colour our pictures take in the look of a stored value: invalid (keep
// their own colours) on light grounds, the text colour on dark ones.
QColor SkinIconColour(const std::string& value, const QString& programFolder);
// `icon` in one colour at `size`; its disabled state in a fainter one.
QIcon TintedIcon(const QIcon& icon, const QColor& colour, const QSize& size);
