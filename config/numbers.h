// Number parsing for the settings that reads the same whatever locale the
// process has set: the plug-in shares its C runtime's locale with the rest of
// the game, so strtol, strtof and tolower are not used. Each function gives
// what the plug-in's own runtime (MinGW-w64 over msvcrt) gives in the "C"
// locale, including its range-error rules. A text ends at its first NUL byte,
// as it would as a C string.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

enum class NumberStatus {
    Ok,
    Invalid,     // nothing converted
    OutOfRange,  // converted, but the runtime would report ERANGE
};

struct Int32Parse {
    NumberStatus status = NumberStatus::Invalid;
    std::int32_t value = 0;  // clamped to the int32 range when OutOfRange
    std::size_t used = 0;    // bytes consumed; 0 when Invalid
};

struct FloatParse {
    NumberStatus status = NumberStatus::Invalid;
    float value = 0.0f;     // what the runtime returns, also when OutOfRange
    std::size_t used = 0;   // bytes consumed; 0 when Invalid
};

// strtol base 10 in the "C" locale with a 32-bit long: ASCII blanks, one
// optional sign, decimal digits; OutOfRange outside -2^31 .. 2^31-1.
Int32Parse parseInt32(std::string_view text);

// strtof in the "C" locale: correctly rounded decimal and hexadecimal forms,
// inf/infinity, nan and nan(...), with the runtime's stopping points, NaN bits
// and range errors (overflow; a tiny inexact decimal; a hexadecimal value
// below the smallest subnormal).
FloatParse parseFloat32(std::string_view text);

// tolower in the "C" locale: only the bytes 'A' to 'Z' change.
inline char lowerAscii(char byte) {
    return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte;
}

// True exactly when the whole text, lower-cased with lowerAscii, is "true".
bool parseBool(std::string_view text);
