// The speed-label formatter against this C runtime's own "%.2f".
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <string>

#include "hud/label_format.h"

namespace {

TEST(SpeedLabelOnWindows, AgreesWithPrintfAcrossTheFloatRange) {
    char mine[64], theirs[64];
    for (std::uint64_t b = 0; b <= 0xFFFFFFFFull; b += 65521) {
        const float v = std::bit_cast<float>(static_cast<std::uint32_t>(b));
        formatSpeedLabel(mine, sizeof mine, v);
        std::snprintf(theirs, sizeof theirs, "%.2f", static_cast<double>(v));
        ASSERT_STREQ(mine, theirs) << std::hex << b;
    }
    for (float v : {0.125f, 0.375f, -0.0f, -0.001f, 2.625f, 1.5f}) {
        formatSpeedLabel(mine, sizeof mine, v);
        std::snprintf(theirs, sizeof theirs, "%.2f", static_cast<double>(v));
        EXPECT_STREQ(mine, theirs) << v;
    }
}

}  // namespace
