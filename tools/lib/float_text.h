// Floats as short decimal text, without std::to_chars (the page's libc++ has
// no float to_chars): the fewest significant digits that a given parse reads
// back to the same float, laid out fixed or scientific, whichever is shorter
// (fixed on a tie), as std::to_chars does.
#pragma once

#include <string>

// Reads `text` into `out`; false when it gives no value.
using FloatReader = bool (*)(const std::string& text, float& out);

// Finite values only. `parse` decides what "reads back" means; a text it
// gives no value for does not read back. Returns "" when no text of up to 17
// digits reads back (a parse that refuses the value's range).
std::string shortestFloatText(float value, FloatReader parse);

// std::strtof, for text that any correctly rounding parse reads back.
bool strtofParse(const std::string& text, float& out);
