#include "profiles/Translation.h"

namespace {

// Set before the first window and read only on the main thread afterwards.
TTranslateFunction Installed = nullptr;

} // namespace

void SetTranslateFunction(TTranslateFunction function) {
    Installed = function;
}

std::string Tr(std::string_view text) {
    return Installed != nullptr ? Installed(text) : std::string(text);
}
