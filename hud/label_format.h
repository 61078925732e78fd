// "%.2f" for the speed labels without printf: printf takes the decimal point
// from the process locale, which the plug-in shares with the game.
#pragma once

#include <cstddef>

// Writes value as the plug-in's C runtime prints "%.2f" in the "C" locale
// (the float widened to double: the exact binary value rounded to
// hundredths, ties to even; "inf", "-inf", and "nan" whatever a NaN's sign),
// zero-terminated, truncated to size like snprintf.
void formatSpeedLabel(char* out, std::size_t size, float value);
