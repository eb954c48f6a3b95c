#include "engine/Records.h"

#include <algorithm>

void InitInputOptions(TInputOptions& options) {
    options = TInputOptions{};
}

void InitOutputOptions(TOutputOptions& options) {
    options = TOutputOptions{};
}

int ProgressPercent(int64_t current, int64_t total) {
    if (total <= 0 || current >= NoProgressTime)
        return -1;
    return static_cast<int>(std::clamp<int64_t>(current * 100 / total, 0, 100));
}
