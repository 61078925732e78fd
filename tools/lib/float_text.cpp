#include "tools/lib/float_text.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "host/float_bits.h"

namespace {

std::uint64_t power10(int n) {
    std::uint64_t p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

// value = mantissa × 10^exponent
struct Decimal {
    std::uint64_t mantissa;
    int exponent;
};

bool readsBack(float value, FloatReader parse, Decimal d) {
    char text[64];
    std::snprintf(text, sizeof text, "%s%llue%d", std::signbit(value) ? "-" : "",
                  static_cast<unsigned long long>(d.mantissa), d.exponent);
    float back = 0.0f;
    return parse(text, back) && floatBits(back) == floatBits(value);
}

// The p-digit decimal nearest |value| (printf rounds exactly), or the p-digit
// neighbour on the other side of the value when only that one reads back: at
// a power of two the gap below a float is half the gap above it.
bool shortestWith(float value, FloatReader parse, int p, Decimal& out) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*e", p - 1, std::fabs(static_cast<double>(value)));
    std::uint64_t m = 0;
    const char* c = text;
    for (; *c != 'e'; ++c)
        if (*c != '.') m = m * 10 + static_cast<std::uint64_t>(*c - '0');
    const int exponent = std::atoi(c + 1) - (p - 1);
    const std::uint64_t low = power10(p - 1), high = power10(p);
    const Decimal nearest{m, exponent};
    const Decimal below = m == low ? Decimal{high - 1, exponent - 1} : Decimal{m - 1, exponent};
    const Decimal above = m + 1 == high ? Decimal{low, exponent + 1} : Decimal{m + 1, exponent};
    for (const Decimal& d : {nearest, below, above}) {
        if (readsBack(value, parse, d)) {
            out = d;
            return true;
        }
    }
    return false;
}

}  // namespace

bool strtofParse(const std::string& text, float& out) {
    out = std::strtof(text.c_str(), nullptr);
    return true;
}

std::string shortestFloatText(float value, FloatReader parse) {
    const std::string sign = std::signbit(value) ? "-" : "";
    if (value == 0) return sign + "0";
    Decimal d{};
    int p = 1;
    while (p <= 17 && !shortestWith(value, parse, p, d)) ++p;
    if (p > 17) return {};
    while (d.mantissa % 10 == 0) {
        d.mantissa /= 10;
        ++d.exponent;
    }
    const std::string digits = std::to_string(d.mantissa);
    const int n = static_cast<int>(digits.size());
    const int x = d.exponent + n - 1;  // scientific exponent

    std::string scientific = digits.substr(0, 1);
    if (n > 1) scientific += "." + digits.substr(1);
    char e[16];
    std::snprintf(e, sizeof e, "e%c%02d", x < 0 ? '-' : '+', x < 0 ? -x : x);
    scientific += e;

    // Fixed text of a whole number holds its exact digits (as to_chars does):
    // as short as the rounded digits padded with zeros, and true to the value.
    std::string fixed;
    if (x >= n - 1) {
        char whole[64];
        std::snprintf(whole, sizeof whole, "%.0f", std::fabs(static_cast<double>(value)));
        fixed = whole;
    } else if (x >= 0) {
        const auto point = static_cast<std::size_t>(x + 1);
        fixed = digits.substr(0, point) + "." + digits.substr(point);
    } else {
        fixed = "0." + std::string(static_cast<std::size_t>(-x - 1), '0') + digits;
    }

    return sign + (fixed.size() <= scientific.size() ? fixed : scientific);
}
