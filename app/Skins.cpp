#include "app/Skins.h"

TSkinLook SkinLook(std::string_view value) {
    for (const auto& skin : Skins) {
        if (skin.Value == value)
            return skin.Look;
    }
    return TSkinLook::BuiltIn;
}
