#include "config/numbers.h"

#include <algorithm>

#include "host/float_bits.h"

namespace {

constexpr std::int64_t kExponentCap = std::int64_t{1} << 40;  // far beyond any float, no overflow

std::string_view untilNul(std::string_view text) {
    const std::size_t nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
    if (isDigit(c)) return c - '0';
    const char lower = lowerAscii(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

bool startsWithNoCase(std::string_view text, std::size_t at, std::string_view word) {
    if (text.size() - at < word.size()) return false;
    for (std::size_t k = 0; k < word.size(); ++k)
        if (lowerAscii(text[at + k]) != word[k]) return false;
    return true;
}

int bitLength(std::uint64_t v) { return v ? 64 - __builtin_clzll(v) : 0; }

// An optional exponent "<letter>[sign]digits" at `at`; without a digit it is
// not part of the number and `at` stays where it was.
std::int64_t readExponent(std::string_view s, std::size_t& at, char letter) {
    std::size_t i = at;
    if (i >= s.size() || lowerAscii(s[i]) != letter) return 0;
    ++i;
    const bool negative = i < s.size() && s[i] == '-';
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (i >= s.size() || !isDigit(s[i])) return 0;
    std::int64_t value = 0;
    for (; i < s.size() && isDigit(s[i]); ++i) value = std::min(value * 10 + (s[i] - '0'), kExponentCap);
    at = i;
    return negative ? -value : value;
}

struct Rounded {
    std::uint32_t bits;  // magnitude; 0x7F800000 on overflow
    bool inexact;
    bool tieRoundedUp;   // exactly halfway, rounded up to the even neighbour
};

// (m + sticky·ε)·2^e to the nearest float, ties to even; m > 0. Callers set
// sticky only when m has more than 26 bits, so ε lies below the round bit.
Rounded roundToFloat(std::uint64_t m, std::int64_t e, bool sticky) {
    std::int64_t lsb = std::max<std::int64_t>(bitLength(m) + e - 24, -149);
    const std::int64_t shift = lsb - e;
    Rounded r{0, sticky, false};
    std::uint64_t q = 0;
    if (shift <= 0) {
        q = m << -shift;
    } else if (shift > 64) {
        r.inexact = true;
    } else {
        q = shift == 64 ? 0 : m >> shift;
        const std::uint64_t rest = shift == 64 ? m : m & ((std::uint64_t{1} << shift) - 1);
        const std::uint64_t half = std::uint64_t{1} << (shift - 1);
        r.inexact = rest != 0 || sticky;
        if (rest > half || (rest == half && (sticky || (q & 1)))) {
            r.tieRoundedUp = rest == half && !sticky;
            ++q;
        }
    }
    if (q >> 24) {  // the carry made a 25th bit; the bit shifted out is 0
        q >>= 1;
        ++lsb;
    }
    if (q < (1u << 23)) {  // subnormal or zero: lsb is -149
        r.bits = static_cast<std::uint32_t>(q);
        return r;
    }
    const std::int64_t biased = lsb + 150;
    if (biased >= 255) return {0x7F800000u, true, false};
    r.bits = static_cast<std::uint32_t>(biased << 23) | static_cast<std::uint32_t>(q & 0x7FFFFF);
    return r;
}

// Unsigned integer of up to 576 bits, enough for 121 digits times 5^38 or a
// quotient with 28 bits to spare. Little-endian 32-bit limbs.
class BigUnsigned {
public:
    void mulAdd(std::uint32_t factor, std::uint32_t add) {
        std::uint64_t carry = add;
        for (int k = 0; k < size_; ++k) {
            carry += std::uint64_t{limb_[k]} * factor;
            limb_[k] = static_cast<std::uint32_t>(carry);
            carry >>= 32;
        }
        if (carry) limb_[size_++] = static_cast<std::uint32_t>(carry);
    }
    void mulPow5(std::int64_t k) {
        for (; k >= 13; k -= 13) mulAdd(1220703125u, 0);  // 5^13
        mulAdd(pow5(k), 0);
    }
    // Divides by 5^k; true when a remainder was dropped.
    bool divPow5(std::int64_t k) {
        bool dropped = false;
        for (; k > 0; k -= 13) dropped |= divSmall(pow5(std::min<std::int64_t>(k, 13))) != 0;
        return dropped;
    }
    void shiftLeft(int bits) {
        const int words = bits / 32, rest = bits % 32;
        if (words) {
            for (int k = size_ - 1; k >= 0; --k) limb_[k + words] = limb_[k];
            std::fill(limb_, limb_ + words, 0u);
            size_ += words;
        }
        if (rest) {
            std::uint32_t carry = 0;
            for (int k = words; k < size_; ++k) {
                const std::uint32_t next = limb_[k] >> (32 - rest);
                limb_[k] = (limb_[k] << rest) | carry;
                carry = next;
            }
            if (carry) limb_[size_++] = carry;
        }
    }
    int bitLength() const { return size_ ? (size_ - 1) * 32 + ::bitLength(limb_[size_ - 1]) : 0; }
    // The top 64 bits as m·2^e; sticky when lower bits were dropped.
    std::uint64_t top64(std::int64_t& e, bool& sticky) const {
        const int length = bitLength();
        const int drop = std::max(length - 64, 0);
        std::uint64_t m = 0;
        for (int bit = length - 1; bit >= drop; --bit) m = (m << 1) | ((limb_[bit / 32] >> (bit % 32)) & 1);
        for (int bit = 0; bit < drop && !sticky; ++bit) sticky = (limb_[bit / 32] >> (bit % 32)) & 1;
        e += drop;
        return m;
    }

private:
    static std::uint32_t pow5(std::int64_t k) {
        std::uint32_t p = 1;
        while (k-- > 0) p *= 5;
        return p;
    }
    std::uint32_t divSmall(std::uint32_t divisor) {
        std::uint64_t rest = 0;
        for (int k = size_ - 1; k >= 0; --k) {
            rest = (rest << 32) | limb_[k];
            limb_[k] = static_cast<std::uint32_t>(rest / divisor);
            rest %= divisor;
        }
        while (size_ && !limb_[size_ - 1]) --size_;
        return static_cast<std::uint32_t>(rest);
    }
    std::uint32_t limb_[18] = {};
    int size_ = 0;
};

// Significant decimal digits beyond this many only matter as "some were not
// zero": every float and every midpoint between two floats has at most 113
// significant digits, so the first 120 and a trailing 1 round as the whole.
constexpr int kKeptDigits = 120;

struct Decimal {
    std::uint8_t digit[kKeptDigits + 1];
    int count = 0;
    std::int64_t exponent = 0;  // value = digits × 10^exponent
};

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Up to 15 digits and 10^±22 the double quotient or product is correctly
// rounded; rounding it again to float is exact unless it fell on a float
// midpoint. The result is a normal float, so there is no range question.
bool fastDecimal(const Decimal& d, std::uint32_t& bits) {
    if (d.count > 15 || d.exponent < -22 || d.exponent > 22) return false;
    std::uint64_t n = 0;
    for (int k = 0; k < d.count; ++k) n = n * 10 + d.digit[k];
    double v = static_cast<double>(n);
    v = d.exponent < 0 ? v / kPow10[-d.exponent] : v * kPow10[d.exponent];
    const std::uint64_t raw = doubleBits(v);
    if ((raw & 0x1FFFFFFF) == 0x10000000) return false;
    bits = floatBits(static_cast<float>(v));
    return true;
}

FloatParse decimalResult(const Decimal& d, std::size_t used) {
    FloatParse out{NumberStatus::Ok, 0.0f, used};
    if (d.count == 0) return out;
    const std::int64_t magnitude = d.count + d.exponent;  // value < 10^magnitude
    if (magnitude > 39) return {NumberStatus::OutOfRange, floatFromBits(0x7F800000), used};
    if (magnitude < -45) return {NumberStatus::OutOfRange, 0.0f, used};
    std::uint32_t bits;
    if (fastDecimal(d, bits)) {
        out.value = floatFromBits(bits);
        return out;
    }
    BigUnsigned n;
    for (int k = 0; k < d.count; ++k) n.mulAdd(10, d.digit[k]);
    std::int64_t e2 = 0;
    bool sticky = false;
    if (d.exponent >= 0) {
        n.mulPow5(d.exponent);
        e2 = d.exponent;
    } else {
        // value = n·2^s / 5^k · 2^(-k-s); s leaves at least 26 bits in the quotient.
        const std::int64_t k = -d.exponent;
        const int s = std::max<int>(0, static_cast<int>(28 + k * 2322 / 1000) - n.bitLength());
        n.shiftLeft(s);
        sticky = n.divPow5(k);
        e2 = -k - s;
    }
    const std::uint64_t m = n.top64(e2, sticky);
    Rounded r = roundToFloat(m, e2, sticky);
    // The runtime's own quirk: an exact tie between two subnormals that
    // rounds up to a power of two comes out as the smallest normal float,
    // without a range error.
    if (r.tieRoundedUp && r.bits < 0x00800000u && (r.bits & (r.bits - 1)) == 0) {
        r.bits = 0x00800000u;
        r.inexact = false;
    }
    out.value = floatFromBits(r.bits);
    if (r.bits == 0x7F800000u || (r.inexact && r.bits < 0x00800000u)) out.status = NumberStatus::OutOfRange;
    return out;
}

// "0x" at `at`: hexadecimal digits with an optional point and an optional
// binary exponent "p". False when no hex digit follows (then only "0" counts).
bool parseHex(std::string_view s, std::size_t at, FloatParse& out) {
    std::size_t i = at + 2;
    std::uint64_t m = 0;
    std::int64_t e2 = 0;
    bool sticky = false, any = false, point = false;
    for (; i < s.size(); ++i) {
        if (s[i] == '.' && !point) {
            point = true;
            continue;
        }
        const int h = hexValue(s[i]);
        if (h < 0) break;
        any = true;
        if (m == 0 && h == 0) {
            if (point) e2 -= 4;
        } else if (m >> 60 == 0) {
            m = (m << 4) | static_cast<unsigned>(h);
            if (point) e2 -= 4;
        } else {
            sticky |= h != 0;
            if (!point) e2 += 4;
        }
    }
    if (!any) return false;
    e2 += readExponent(s, i, 'p');
    out = {NumberStatus::Ok, 0.0f, i};
    if (m == 0) return true;
    Rounded r = roundToFloat(m, e2, sticky);
    // The runtime's own quirk: from 2^-150 up to its next 24-bit neighbour it
    // looks only at the first 24 bits, sees the tie and gives 0.
    const int length = bitLength(m);
    if (length + e2 == -149 && length > 24 && m >> (length - 24) == 0x800000u) r.bits = 0;
    out.value = floatFromBits(r.bits);
    // Unlike decimal input, only values below the smallest subnormal count as underflow.
    if (r.bits == 0x7F800000u || length + e2 <= -149) out.status = NumberStatus::OutOfRange;
    return true;
}

// The payload of "nan(...)", `open` at the '('. The runtime keeps the first
// eight hex digits (after blanks and an optional 0x), stops taking digits
// at a blank, keeps the low 24 bits (so 800000 gives infinity's pattern) and
// turns 0 into 1. Any other byte, or no digit, gives the default NaN; the
// text counts up to the next ')', or only up to the '(' when there is none.
std::uint32_t nanBits(std::string_view s, std::size_t open, std::size_t& used) {
    constexpr std::uint32_t kDefaultNaN = 0x7FC00000u;
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    std::size_t i = open + 1;
    while (i < s.size() && byte(i) <= ' ') ++i;
    if (i + 2 < s.size() && s[i] == '0' && lowerAscii(s[i + 1]) == 'x' && byte(i + 2) > ' ') i += 2;
    std::uint32_t payload = 0;
    int taken = 0;
    bool any = false;
    for (; i < s.size(); ++i) {
        const int h = hexValue(s[i]);
        if (h >= 0) {
            any = true;
            if (taken < 8) {
                payload = (payload << 4) | static_cast<unsigned>(h);
                ++taken;
            }
        } else if (byte(i) <= ' ') {
            taken = 8;  // only reached after a digit
        } else if (s[i] == ')' && any) {
            used = i + 1;
            payload &= 0xFFFFFF;
            return 0x7F800000u | (payload ? payload : 1);
        } else {
            const std::size_t close = s.find(')', i);
            if (close != std::string_view::npos) used = close + 1;
            return kDefaultNaN;
        }
    }
    if (!any) return kDefaultNaN;
    payload &= 0xFFFFFF;
    return 0x7F800000u | (payload ? payload : 1);
}

// The sign goes on the bits: no float operation may touch a NaN payload.
FloatParse withSign(FloatParse r, bool negative) {
    if (negative) {
        r.value = floatFromBits(floatBits(r.value) | 0x80000000u);
    }
    return r;
}

}  // namespace

Int32Parse parseInt32(std::string_view text) {
    text = untilNul(text);
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i >= text.size() || !isDigit(text[i])) return {};
    const std::int64_t limit = negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
    std::int64_t value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) value = std::min(value * 10 + (text[i] - '0'), limit + 1);
    Int32Parse out{NumberStatus::Ok, 0, i};
    if (value > limit) {
        out.status = NumberStatus::OutOfRange;
        value = limit;
    }
    out.value = static_cast<std::int32_t>(negative ? -value : value);
    return out;
}

FloatParse parseFloat32(std::string_view text) {
    text = untilNul(text);
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
        // The runtime forgets the sign when the text ends right after it.
        if (i == text.size()) return {};
    }
    const FloatParse invalid{NumberStatus::Invalid, negative ? -0.0f : 0.0f, 0};
    if (startsWithNoCase(text, i, "inf")) {
        i += 3;
        if (startsWithNoCase(text, i, "inity")) i += 5;
        return withSign({NumberStatus::Ok, floatFromBits(0x7F800000u), i}, negative);
    }
    if (startsWithNoCase(text, i, "nan")) {
        std::size_t used = i + 3;
        const std::uint32_t bits = used < text.size() && text[used] == '(' ? nanBits(text, used, used) : 0x7FC00000u;
        return withSign({NumberStatus::Ok, floatFromBits(bits), used}, negative);
    }
    FloatParse hex;
    if (i + 1 < text.size() && text[i] == '0' && lowerAscii(text[i + 1]) == 'x' && parseHex(text, i, hex))
        return withSign(hex, negative);

    Decimal d;
    bool anyDigit = false, dropped = false, point = false;
    for (; i < text.size(); ++i) {
        if (text[i] == '.' && !point) {
            point = true;
            continue;
        }
        if (!isDigit(text[i])) break;
        anyDigit = true;
        const int digit = text[i] - '0';
        if (d.count == 0 && digit == 0) {
            if (point) --d.exponent;
        } else if (d.count < kKeptDigits) {
            d.digit[d.count++] = static_cast<std::uint8_t>(digit);
            if (point) --d.exponent;
        } else {
            dropped |= digit != 0;
            if (!point) ++d.exponent;
        }
    }
    if (!anyDigit) return invalid;
    d.exponent += readExponent(text, i, 'e');
    if (dropped) {
        d.digit[d.count++] = 1;
        --d.exponent;
    }
    return withSign(decimalResult(d, i), negative);
}

bool parseBool(std::string_view text) {
    constexpr std::string_view kTrue = "true";
    if (text.size() != kTrue.size()) return false;
    for (std::size_t k = 0; k < kTrue.size(); ++k)
        if (lowerAscii(text[k]) != kTrue[k]) return false;
    return true;
}
