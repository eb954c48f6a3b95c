// The status-bar hints of the tool buttons, and the addresses the help menu opens.
#pragma once

#include <string_view>

enum class TToolButton { Add, Remove, Clear, Start, Pause, Stop, Skin, Help };

// The caption of a tool button ("添加" carries blanks around the word).
std::string_view ToolButtonCaption(TToolButton button);
// The status-bar text while the mouse is over a tool button.
std::string_view ToolButtonHint(TToolButton button);

inline constexpr const char* HelpPage = "help/index.html"; // relative to the program's folder
inline constexpr const char* WebSiteAddress = "https://www.vantoro.net/";
inline constexpr const char* SupportMailLink = "mailto:support@vantoro.net";
