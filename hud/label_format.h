// "%.2f" for the speed labels without the cost of printf in every frame.
#pragma once

#include <cstddef>

// Writes value as "%.2f" would (the float widened to double: the exact
// binary value rounded to hundredths, ties to even), zero-terminated,
// truncated to size like snprintf.
void formatSpeedLabel(char* out, std::size_t size, float value);
