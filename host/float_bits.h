// The bit pattern of a float or double, and a float from its pattern: the one
// place the plug-in and the tools convert. Not std::bit_cast: the settings
// page's standard library (Emscripten 3.1.6's libc++) lacks it, while the
// compiler builtin behind it is there in every build, constexpr too.
#pragma once

#include <cstdint>

constexpr std::uint32_t floatBits(float value) { return __builtin_bit_cast(std::uint32_t, value); }
constexpr float floatFromBits(std::uint32_t bits) { return __builtin_bit_cast(float, bits); }
constexpr std::uint64_t doubleBits(double value) { return __builtin_bit_cast(std::uint64_t, value); }
