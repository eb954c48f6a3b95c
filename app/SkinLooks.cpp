#include "app/SkinLooks.h"

TSkinLook SkinLookOf(std::string_view value) {
    for (const auto& entry : SkinLooks) {
        if (entry.Value == value)
            return entry.Look;
    }
    return TSkinLook::BuiltIn;
}
