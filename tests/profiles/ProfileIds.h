// The identifiers of the catalogue, for tests parameterised over every profile.
#pragma once

#include "profiles/OutputProfile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline std::vector<int32_t> AllProfileIds() {
    std::vector<int32_t> ids;
    for (const TOutputProfile& profile : AllProfiles())
        ids.push_back(profile.Id);
    return ids;
}

// Test names: the identifier.
inline std::string ProfileIdName(const testing::TestParamInfo<int32_t>& info) {
    return std::to_string(info.param);
}
