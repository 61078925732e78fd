// Not a test: a long check of the float parse and the label formatter
// against this C runtime's strtof and snprintf in the "C" locale, then
// figures. Built natively (glibc) and for Windows (the DLL's own runtime,
// run under Wine). Under glibc three differences are expected and counted
// apart: glibc flags a range error for a value that rounds up to the
// smallest normal float, it rounds the exact subnormal ties that the DLL's
// runtime turns into the smallest normal float correctly, and it returns +0
// where nothing converts after a '-'. Its NaN payloads differ too, so the
// odd forms with a '(' are left out under glibc.
//   plk_float_check [strings, default 3000000] [label stride, default 1]
#include <chrono>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "config/numbers.h"
#include "hud/label_format.h"

namespace {

std::uint32_t bitsOf(float f) {
    std::uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}
float floatOf(std::uint32_t b) {
    float f;
    std::memcpy(&f, &b, 4);
    return f;
}

#ifdef _WIN32
constexpr bool kReferenceRuntime = true;
#else
constexpr bool kReferenceRuntime = false;
#endif

struct Counts {
    long checked = 0, failed = 0, minNormalRange = 0, subnormalTie = 0, invalidSign = 0;
};

void checkParse(const char* text, Counts& c) {
    ++c.checked;
    errno = 0;
    char* end = nullptr;
    const float theirs = std::strtof(text, &end);
    const bool theirRange = errno == ERANGE;
    const FloatParse mine = parseFloat32(text);
    const bool myRange = mine.status == NumberStatus::OutOfRange;
    const std::uint32_t a = bitsOf(mine.value), b = bitsOf(theirs);
    const std::size_t used = static_cast<std::size_t>(end - text);
    if (a == b && mine.used == used && myRange == theirRange) return;
    if (!kReferenceRuntime && mine.used == used) {
        if (used == 0 && (a | b) == 0x80000000u) {
            ++c.invalidSign;
            return;
        }
        if (a == b && (a & 0x7FFFFFFF) == 0x00800000 && theirRange && !myRange) {
            ++c.minNormalRange;
            return;
        }
        if ((a & 0x7FFFFFFF) == 0x00800000 && !myRange && theirRange && (b & 0x7FFFFFFF) < 0x00800000) {
            ++c.subnormalTie;
            return;
        }
    }
    if (++c.failed <= 20)
        std::printf("DIFFERS %s: ours %08X used %zu%s, runtime %08X used %zu%s\n", text, a, mine.used,
                    myRange ? " range" : "", b, used, theirRange ? " range" : "");
}

// Exact decimal expansion of a double (midpoints of floats are doubles).
std::string exactDecimal(double v) {
    char buf[1200];
    std::snprintf(buf, sizeof buf, "%.160e", v);
    return buf;
}

// Near-halfway strings: the midpoint between a float and its successor,
// exact, cut short (just below), and with a 1 far out (just above).
void nearHalfway(std::uint32_t bits, Counts& c) {
    const double lo = floatOf(bits), hi = std::nextafter(floatOf(bits), INFINITY);
    if (!std::isfinite(hi)) return;
    const std::string mid = exactDecimal((lo + hi) / 2);
    const std::size_t e = mid.find('e');
    std::string mant = mid.substr(0, e), exp = mid.substr(e);
    while (mant.back() == '0') mant.pop_back();
    checkParse((mant + exp).c_str(), c);
    checkParse((mant + "000000001" + exp).c_str(), c);
    for (std::size_t cut : {9u, 12u, 17u, 25u}) {
        if (cut + 2 < mant.size()) checkParse((mant.substr(0, cut + 2) + exp).c_str(), c);
    }
    char shortest[64];
    std::snprintf(shortest, sizeof shortest, "%.9g", floatOf(bits));
    checkParse(shortest, c);
}

// Short strings over the bytes that matter to a parse: every form, sign,
// blank, payload and stopping point in odd orders.
void randomForm(std::mt19937_64& rng, char* text) {
    static const char alphabet[] = "0123456789012345.eEpPxX+-  \t\vnNaAiIfFtTyY()bcd_g\xA0";
    const int length = 1 + static_cast<int>(rng() % 14);
    for (int k = 0; k < length; ++k) text[k] = alphabet[rng() % (sizeof alphabet - 1)];
    text[length] = '\0';
}

long intFailures = 0;

void checkInt(const char* text) {
    errno = 0;
    char* end = nullptr;
    const long theirs = std::strtol(text, &end, 10);
    const std::size_t used = static_cast<std::size_t>(end - text);
    const bool theirRange = errno == ERANGE || theirs < INT32_MIN || theirs > INT32_MAX;
    const Int32Parse mine = parseInt32(text);
    const bool same = mine.used == used && (mine.status == NumberStatus::OutOfRange) == theirRange &&
                      (theirRange || mine.value == theirs);
    if (!same && ++intFailures <= 20)
        std::printf("INT DIFFERS %s: ours %ld used %zu, runtime %ld used %zu\n", text, static_cast<long>(mine.value),
                    mine.used, theirs, used);
}

void randomText(std::mt19937_64& rng, char* text) {
    const int digits = 1 + static_cast<int>(rng() % (rng() % 8 ? 12 : 60));
    int pos = 0;
    if (rng() % 4 == 0) text[pos++] = '-';
    const int point = static_cast<int>(rng() % (digits + 2));
    for (int k = 0; k < digits; ++k) {
        if (k == point) text[pos++] = '.';
        text[pos++] = static_cast<char>('0' + rng() % 10);
    }
    if (rng() % 3) std::snprintf(text + pos, 16, "e%d", static_cast<int>(rng() % 100) - 60);
    else text[pos] = '\0';
}

long checkLabels(std::uint32_t first, std::uint32_t last, std::uint32_t stride) {
    long failed = 0;
    char mine[64], theirs[64];
    for (std::uint64_t b = first; b <= last; b += stride) {
        const float v = floatOf(static_cast<std::uint32_t>(b));
        formatSpeedLabel(mine, sizeof mine, v);
        std::snprintf(theirs, sizeof theirs, "%.2f", static_cast<double>(v));
        // glibc writes "-nan" for a NaN with its sign bit set; the DLL's runtime "nan".
        const char* expected = !kReferenceRuntime && std::strcmp(theirs, "-nan") == 0 ? "nan" : theirs;
        if (std::strcmp(mine, expected) != 0 && ++failed <= 20)
            std::printf("LABEL DIFFERS %08llX: ours %s, runtime %s\n", static_cast<unsigned long long>(b), mine, theirs);
    }
    return failed;
}

template <class F>
double nsPerCall(F&& f, int rounds) {
    const auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r) f(r);
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() / rounds;
}

}  // namespace

int main(int argc, char** argv) {
    const long strings = argc > 1 ? std::atol(argv[1]) : 3000000;
    const std::uint32_t stride = argc > 2 ? static_cast<std::uint32_t>(std::atol(argv[2])) : 1;
    Counts c;
    std::mt19937_64 rng(7);
    char text[128];
    for (long n = 0; n < strings; ++n) {
        randomText(rng, text);
        checkParse(text, c);
        checkInt(text);
        // glibc reads NaN payloads and hexadecimal underflow its own way.
        if (kReferenceRuntime || n % 2) {
            randomForm(rng, text);
            if (kReferenceRuntime || !std::strchr(text, '(')) checkParse(text, c);
            checkInt(text);
        }
    }
    // Hard cases: every float near the ends of the range and of the
    // subnormals, and random ones elsewhere.
    for (std::uint32_t b = 0; b < 4096; ++b) {
        nearHalfway(b, c);
        nearHalfway(0x00800000u - 2048 + b, c);
        nearHalfway(0x7F7FFFFFu - b, c);
    }
    for (long n = 0; n < strings / 20; ++n) nearHalfway(static_cast<std::uint32_t>(rng() % 0x7F7FFFFF), c);
    std::printf("float parse: %ld strings, %ld differ", c.checked, c.failed);
    if (!kReferenceRuntime)
        std::printf(" (expected glibc differences: %ld range errors at the smallest normal, %ld subnormal ties,"
                    " %ld signs of the zero with nothing converted)",
                    c.minNormalRange, c.subnormalTie, c.invalidSign);
    std::printf("\nint parse: %ld differ\n", intFailures);

    // Labels: every float in [1/1024, 64) and in [2^20, 2^25), both signs on
    // a stride; a stride over all patterns for the rest.
    long labelFails = 0;
    labelFails += checkLabels(0x3A800000u, 0x42800000u, stride);
    labelFails += checkLabels(0x49800000u, 0x4C000000u, stride);
    labelFails += checkLabels(0xBA800000u, 0xC2800000u, stride * 101);
    labelFails += checkLabels(0, 0xFFFFFFFFu, 997);
    std::printf("labels: %ld differ\n", labelFails);

    // Figures.
    const char* settings[] = {"1.5", "0.1", "0.2", "3.0", "0.038", "0.015", "0.15", "2.5"};
    const char* longer[] = {"3.14159265358979323846", "1.17549435e-38", "340282346638528859811704183484516925440",
                            "0x1.8p1", "1e-40", "0.30000001192092896"};
    volatile float sink = 0;
    auto figures = [&](const char* name, const char* const* list, int count) {
        const double theirs = nsPerCall([&](int r) { sink = std::strtof(list[r % count], nullptr); }, 2000000);
        const double mine = nsPerCall([&](int r) { sink = parseFloat32(list[r % count]).value; }, 2000000);
        std::printf("parse %-9s strtof %6.1f ns, parseFloat32 %6.1f ns\n", name, theirs, mine);
    };
    figures("settings", settings, 8);
    figures("longer", longer, 6);
    const float values[] = {1.5f, 2.37f, 0.0f, 2.999f, 1234.5f, 6.02e23f, 3e38f, -0.25f};
    char buf[64];
    const double viaPrintf = nsPerCall(
        [&](int r) { std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(values[r % 8])); }, 2000000);
    const double viaLabel = nsPerCall([&](int r) { formatSpeedLabel(buf, sizeof buf, values[r % 8]); }, 2000000);
    std::printf("label   snprintf %6.1f ns, formatSpeedLabel %6.1f ns\n", viaPrintf, viaLabel);
    return c.failed || labelFails || intFailures ? 1 : 0;
}
