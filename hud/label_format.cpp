#include "hud/label_format.h"

#include <cstdint>
#include <cstring>

#include "host/float_bits.h"

namespace {

// Divides the little-endian limbs by 10 in place and returns the remainder.
unsigned divideBy10(std::uint32_t (&limb)[4]) {
    std::uint64_t rest = 0;
    for (int k = 3; k >= 0; --k) {
        rest = (rest << 32) | limb[k];
        limb[k] = static_cast<std::uint32_t>(rest / 10);
        rest %= 10;
    }
    return static_cast<unsigned>(rest);
}

}  // namespace

void formatSpeedLabel(char* out, std::size_t size, float value) {
    if (size == 0) return;
    const std::uint32_t bits = floatBits(value);
    const int exponentField = static_cast<int>((bits >> 23) & 0xFF);
    const std::uint32_t fraction = bits & 0x7FFFFF;

    // Built from the end: the longest text, -FLT_MAX, has 43 characters.
    char text[48];
    char* p = text + sizeof text;
    if (exponentField == 0xFF) {
        const char* word = fraction ? "nan" : (bits >> 31) ? "-inf" : "inf";
        p -= std::strlen(word);
        std::memcpy(p, word, std::strlen(word));
    } else {
        // value = mantissa × 2^(exponentField - 150), subnormals aside.
        const std::uint64_t mantissa = exponentField ? fraction | 0x800000u : fraction;
        if (exponentField < 150) {
            // Below 2^23 the hundredth count fits in 64 bits; round it to even.
            const int shift = exponentField ? 150 - exponentField : 149;
            const std::uint64_t scaled = mantissa * 100;
            std::uint64_t hundredths = 0;
            if (shift < 64) {
                hundredths = scaled >> shift;
                const std::uint64_t rest = scaled & ((std::uint64_t{1} << shift) - 1);
                const std::uint64_t half = std::uint64_t{1} << (shift - 1);
                if (rest > half || (rest == half && (hundredths & 1))) ++hundredths;
            }  // else below 2^-40: rounds to zero, and cannot be a tie
            *--p = static_cast<char>('0' + hundredths % 10);
            *--p = static_cast<char>('0' + hundredths / 10 % 10);
            *--p = '.';
            std::uint64_t whole = hundredths / 100;
            do {
                *--p = static_cast<char>('0' + whole % 10);
                whole /= 10;
            } while (whole);
        } else {
            // From 2^23 on every float is an integer below 2^128.
            const int shift = exponentField - 150;
            std::uint32_t whole[4] = {};
            const std::uint64_t shifted = mantissa << (shift % 32);
            whole[shift / 32] = static_cast<std::uint32_t>(shifted);
            if (shift / 32 < 3) whole[shift / 32 + 1] = static_cast<std::uint32_t>(shifted >> 32);
            p -= 3;
            std::memcpy(p, ".00", 3);
            do {
                *--p = static_cast<char>('0' + divideBy10(whole));
            } while (whole[0] | whole[1] | whole[2] | whole[3]);
        }
        if (bits >> 31) *--p = '-';  // as printf: "-0.00" for -0.0 and -0.001
    }
    std::size_t length = static_cast<std::size_t>(text + sizeof text - p);
    if (length > size - 1) length = size - 1;
    std::memcpy(out, p, length);
    out[length] = '\0';
}
