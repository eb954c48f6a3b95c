// The looks behind the "皮肤" values: a skin file's style sheet when the
// program folder has it, else one of our own looks.
#pragma once

#include <QString>
#include <string>

// The application style sheet for a stored "SetSkin" value; empty (the
// built-in look) for an unknown value.
QString SkinStyleSheet(const std::string& value, const QString& programFolder);
