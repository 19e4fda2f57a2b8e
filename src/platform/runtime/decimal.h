// The automation decimal: a 96-bit unsigned integer, a sign and a power-of-ten scale 0..28.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ustring.h"

namespace rt {

// A number as its significant digits: value = digits x 10^exp10, negated when negative.
// digits holds ASCII digits without leading zeros (empty for zero). A "trimmed" number has
// no trailing zeros either (exp10 is then 0 for zero); number text as scanned keeps them,
// since they give the scale the text was written with.
struct DecimalDigits {
    std::string digits;
    long exp10 = 0;  // saturates far beyond any representable range
    bool negative = false;

    bool isZero() const { return digits.empty(); }
    // Count of digits before the point (negative or beyond digits.size() for values that
    // need leading or trailing zeros).
    long integerDigits() const { return long(digits.size()) + exp10; }
    // Moves trailing zeros into exp10; the value and the sign are unchanged.
    void trimTrailingZeros();
};

// Number text taken apart, trailing zeros as written: optional surrounding spaces, sign,
// digits with "," group separators (each between two digits of the integer part), "." and
// fraction digits, exponent ("e"/"E", optional sign). nullopt when the text is not of that
// form. The one reader of number text behind Decimal::parse, the numeric test and the
// number formatter, so they always agree on what is a number.
std::optional<DecimalDigits> scanNumberText(StrView text);

// The nearest number of at most 15 significant digits, trimmed: how the runtime converts a
// double to a decimal, formats it and writes its text. Error 6 for NaN and infinities;
// negative zero gives zero.
DecimalDigits digitsOfDouble(double v);

// d (trimmed) rounded to `places` fraction digits (places >= 0), halves away from zero;
// trimmed again. A negative value that rounds to zero keeps its sign.
DecimalDigits roundAwayFromZero(DecimalDigits d, long places);

class Decimal {
public:
    static constexpr int kMaxScale = 28;

    constexpr Decimal() = default;
    static Decimal fromInt64(int64_t v);
    // The decimal of digitsOfDouble(v). Throws Error 6 (Overflow) for values beyond the
    // decimal range, NaN and infinities.
    static Decimal fromDouble(double v);
    // Currency (value scaled by 10^4) to decimal; exact.
    static Decimal fromCurrency(int64_t scaled);
    // Number text as scanNumberText reads it, at the scale it is written with ("1.50":
    // scale 2). nullopt when the text is not a number; throws Error 6 when it is a number
    // beyond the decimal range. Digits beyond 28-29 significant ones are rounded, halves to
    // even. Plain texts of up to 19 digits ("-123.45") take a quick path.
    static std::optional<Decimal> parse(StrView text);
    // The decimal of d (digits beyond the precision rounded as parse rounds them); Error 6
    // beyond the range.
    static Decimal fromDigits(const DecimalDigits& d);
    // From raw parts; Error 5 for a scale outside 0..28. Inline: building a decimal is on
    // every path that makes one.
    static Decimal fromParts(uint32_t hi, uint64_t lo, int scale, bool negative) {
        if (scale < 0 || scale > kMaxScale) invalidScale();
        Decimal d;
        d.hi_ = hi;
        d.lo_ = lo;
        d.scale_ = uint8_t(scale);
        d.negative_ = negative;
        return d;
    }

    // Plain text: digits, leading "-", "." only when there is a fraction, no trailing
    // fraction zeros, no grouping, no exponent.
    Str toText() const;
    // The exact value as digits, trimmed.
    DecimalDigits digits() const;
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
    // Rounded to `places` fraction digits (0..28), the result at that scale; places beyond
    // the scale: unchanged. Error 5 for places outside 0..28.
    // Halves away from zero, as rt::roundAwayFromZero rounds digits.
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
    [[noreturn]] static void invalidScale();
    // a + b (a - b when negateB): the in-place path for the common case.
    static Decimal addFast(const Decimal& a, const Decimal& b, bool negateB);

    uint32_t hi_ = 0;
    uint64_t lo_ = 0;
    uint8_t scale_ = 0;
    bool negative_ = false;
};

}  // namespace rt
