#include "hud/label_format.h"

#include <cstdint>
#include <cstdio>

#include "host/native.h"

namespace {
// Below 2^21 every hundredth count fits in 64 bits; larger values, infinities
// and NaNs are left to printf, as are buffers too small for the fast path.
constexpr int kFastExponentLimit = 127 + 21;
constexpr std::size_t kFastMinimumSize = 16;
}  // namespace

void formatSpeedLabel(char* out, std::size_t size, float value) {
    const auto bits = static_cast<std::uint32_t>(nativeSlot(value));
    const int exponentField = static_cast<int>((bits >> 23) & 0xFF);
    if (exponentField >= kFastExponentLimit || size < kFastMinimumSize) {
        std::snprintf(out, size, "%.2f", static_cast<double>(value));
        return;
    }
    // value = mantissa × 2^exponent exactly; exponent is negative here.
    const std::uint64_t mantissa = exponentField ? (bits & 0x7FFFFFu) | 0x800000u : bits & 0x7FFFFFu;
    const int shift = exponentField ? 150 - exponentField : 149;
    const std::uint64_t scaled = mantissa * 100;
    std::uint64_t hundredths = 0;
    if (shift < 64) {
        hundredths = scaled >> shift;
        const std::uint64_t rest = scaled & ((std::uint64_t{1} << shift) - 1);
        const std::uint64_t half = std::uint64_t{1} << (shift - 1);
        if (rest > half || (rest == half && (hundredths & 1))) ++hundredths;
    }  // else below 2^-40: rounds to zero, and cannot be a tie

    char digits[24];
    int n = 0;
    std::uint64_t whole = hundredths / 100;
    const unsigned cents = static_cast<unsigned>(hundredths % 100);
    digits[n++] = static_cast<char>('0' + cents % 10);
    digits[n++] = static_cast<char>('0' + cents / 10);
    digits[n++] = '.';
    do {
        digits[n++] = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole);
    if (bits >> 31) digits[n++] = '-';  // printf keeps the sign of -0.001 and -0.0
    for (int i = 0; i < n; ++i) out[i] = digits[n - 1 - i];
    out[n] = '\0';
}
