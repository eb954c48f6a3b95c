#include "profiles/ConversionSettings.h"

void ResetConversionSettings(TConversionSettings& settings) {
    TConversionSettings fresh;
    fresh.ProfileId = settings.ProfileId;
    fresh.SourceFile = std::move(settings.SourceFile);
    fresh.ClipMode = std::move(settings.ClipMode);
    settings = std::move(fresh);
}
