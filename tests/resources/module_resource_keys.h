// The type and name of every resource of the test program's .res file, in order,
// each checked to be in Dutch (Belgium) on the way.
#pragma once

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "resources.h"

inline std::vector<std::pair<posix::ResourceKey, posix::ResourceKey>> moduleResourceKeysInDutchBelgian() {
    std::vector<std::pair<posix::ResourceKey, posix::ResourceKey>> keys;
    const auto entries = posix::parseResourceFile(posix::moduleResourceFile());
    EXPECT_TRUE(entries) << "the module's .res file does not parse";
    if (!entries) return keys;
    for (const posix::Resource& entry : *entries) {
        keys.emplace_back(entry.type, entry.name);
        EXPECT_EQ(entry.language, 0x0813);
    }
    return keys;
}
