// The automation decimal: a 96-bit unsigned integer, a sign and a power-of-ten scale 0..28.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ustring.h"

namespace rt {

// Number text taken apart: its significant digits (ASCII, no leading zeros; empty for zero)
// and the power of ten that applies to them. The one reader of number text behind both
// Decimal::parse and the numeric test, so the two always agree on what is a number.
struct ScannedNumber {
    std::string digits;
    long exp10 = 0;  // saturates far beyond any representable range
    bool negative = false;
};
// Optional surrounding spaces, sign, digits with "," group separators (each between two
// digits of the integer part), "." and fraction digits, exponent ("e"/"E", optional sign).
// nullopt when the text is not of that form.
std::optional<ScannedNumber> scanNumberText(StrView text);

class Decimal {
public:
    static constexpr int kMaxScale = 28;

    constexpr Decimal() = default;
    static Decimal fromInt64(int64_t v);
    // Nearest decimal of at most 15 significant digits (as the runtime converts doubles).
    // Throws Error 6 (Overflow) for values beyond the decimal range, NaN and infinities.
    static Decimal fromDouble(double v);
    // Currency (value scaled by 10^4) to decimal; exact.
    static Decimal fromCurrency(int64_t scaled);
    // Text with optional surrounding spaces, sign, "," group separators, "." point and
    // exponent. nullopt when the text is not a number; throws Error 6 when it is a number
    // beyond the decimal range. Digits beyond 28-29 significant ones are rounded.
    static std::optional<Decimal> parse(StrView text);
    // From raw parts; scale must be 0..28.
    static Decimal fromParts(uint32_t hi, uint64_t lo, int scale, bool negative);

    // Plain text: digits, leading "-", "." only when there is a fraction, no trailing
    // fraction zeros, no grouping, no exponent.
    Str toText() const;
    double toDouble() const;
    // Rounds halves to even into int64; throws Error 6 when out of range.
    int64_t toInt64() const;
    // Currency (scaled by 10^4), rounding halves to even; throws Error 6 out of range.
    int64_t toCurrency() const;

    bool isZero() const { return hi_ == 0 && lo_ == 0; }
    bool isNegative() const { return negative_ && !isZero(); }
    int scale() const { return scale_; }
    uint32_t hi() const { return hi_; }
    uint64_t lo() const { return lo_; }

    Decimal negated() const;
    Decimal abs() const;
    // Halves away from zero, to `places` fraction digits (0..28); places beyond the scale: unchanged.
    Decimal roundAwayFromZero(int places) const;
    // Halves to even (the runtime's own rounding).
    Decimal roundHalfEven(int places) const;
    // Drops trailing fraction zeros (scale reduced, value unchanged).
    Decimal normalized() const;

    // Exact arithmetic; a result needing more than 96 bits is rounded in its fraction
    // (halves to even), and throws Error 6 when the integer part does not fit.
    friend Decimal operator+(const Decimal& a, const Decimal& b);
    friend Decimal operator-(const Decimal& a, const Decimal& b);
    friend Decimal operator*(const Decimal& a, const Decimal& b);
    // Error 11 on division by zero.
    friend Decimal operator/(const Decimal& a, const Decimal& b);

    // -1, 0, 1 by value (scale-independent).
    static int compare(const Decimal& a, const Decimal& b);
    friend bool operator==(const Decimal& a, const Decimal& b) { return compare(a, b) == 0; }
    friend bool operator<(const Decimal& a, const Decimal& b) { return compare(a, b) < 0; }

private:
    // a + b (a - b when negateB): the in-place path for the common case.
    static Decimal addFast(const Decimal& a, const Decimal& b, bool negateB);

    uint32_t hi_ = 0;
    uint64_t lo_ = 0;
    uint8_t scale_ = 0;
    bool negative_ = false;
};

}  // namespace rt
