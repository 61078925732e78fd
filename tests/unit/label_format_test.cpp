#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "hud/label_format.h"

namespace {

std::string viaPrintf(float v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(v));
    // glibc signs a NaN; the DLL's runtime, the reference, never does.
    return std::string(buf) == "-nan" ? "nan" : buf;
}

std::string viaLabel(float v, std::size_t size = 64) {
    char buf[64];
    formatSpeedLabel(buf, size, v);
    return buf;
}

TEST(SpeedLabel, AgreesWithPrintfAcrossTheFloatRange) {
    // A stride through every bit pattern (both signs, every exponent,
    // subnormals, infinities, NaNs) plus the neighbours of each sample.
    for (std::uint64_t b = 0; b <= 0xFFFFFFFFull; b += 4099) {
        for (std::uint32_t d = 0; d < 3; ++d) {
            const float v = std::bit_cast<float>(static_cast<std::uint32_t>(b + d));
            ASSERT_EQ(viaLabel(v), viaPrintf(v)) << std::hex << b + d;
        }
    }
}

TEST(SpeedLabel, TiesRoundToEvenAndSignsStay) {
    // The only exact ties at hundredths are odd multiples of 1/8.
    for (int j = -4001; j <= 4001; j += 2) {
        const float v = static_cast<float>(j) / 8.0f;
        ASSERT_EQ(viaLabel(v), viaPrintf(v)) << v;
        ASSERT_EQ(viaLabel(std::nextafter(v, 0.0f)), viaPrintf(std::nextafter(v, 0.0f))) << v;
        ASSERT_EQ(viaLabel(std::nextafter(v, 100000.0f)), viaPrintf(std::nextafter(v, 100000.0f))) << v;
    }
    EXPECT_EQ(viaLabel(0.125f), "0.12");
    EXPECT_EQ(viaLabel(0.375f), "0.38");
    EXPECT_EQ(viaLabel(-0.0f), "-0.00");
    EXPECT_EQ(viaLabel(-0.001f), "-0.00");
    EXPECT_EQ(viaLabel(1.5f), "1.50");
    EXPECT_EQ(viaLabel(0.1f + 1.5f), "1.60");
    EXPECT_EQ(viaLabel(2097151.875f), "2097151.88");
    EXPECT_EQ(viaLabel(3.0e38f), viaPrintf(3.0e38f));
}

TEST(SpeedLabel, SmallBuffersTruncateLikeSnprintf) {
    char buf[4];
    formatSpeedLabel(buf, sizeof buf, 12.5f);
    EXPECT_STREQ(buf, "12.");
}

TEST(SpeedLabel, WritesNoByteBeyondItsTerminatorOrTheSize) {
    // What a 16-byte buffer of '#' holds after the call, up to the last byte written.
    const auto written = [](float v, std::size_t size) {
        std::string buf(16, '#');
        formatSpeedLabel(buf.data(), size, v);
        return buf.substr(0, buf.find_last_not_of('#') + 1);
    };
    using namespace std::string_literals;
    EXPECT_EQ(written(1.5f, 0), "");
    EXPECT_EQ(written(1.5f, 1), "\0"s);
    EXPECT_EQ(written(1.5f, 4), "1.5\0"s);
    EXPECT_EQ(written(1.5f, 5), "1.50\0"s);
    EXPECT_EQ(written(1.5f, 16), "1.50\0"s);
    EXPECT_EQ(written(16777216.0f, 16), "16777216.00\0"s);  // 2^24: the integer path
    EXPECT_EQ(written(16777216.0f, 11), "16777216.0\0"s);
}

}  // namespace
