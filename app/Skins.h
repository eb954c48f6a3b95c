// The appearances of the "皮肤" menu: the value stored under "SetSkin" and the
// menu item that writes it, in menu order. "skin17" has no menu item but is
// still a known value.
#pragma once

#include <span>
#include <string>
#include <string_view>

struct TSkin {
    std::string_view Value;    // "skin1" ...
    std::string_view MenuItem; // empty: not offered in the menu
    std::string_view SkinFile; // relative to the program folder; empty: a built-in look
};

std::span<const TSkin> Skins();
// The entry of a stored value; null for anything else ("other", empty), which keeps the built-in look.
const TSkin* FindSkin(std::string_view value);
