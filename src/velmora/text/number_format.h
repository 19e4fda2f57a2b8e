// The number pattern formatter behind money display and rounding, and the decimal digit
// forms it works on. Pure functions over the runtime's values; no guards (they throw).
#pragma once

#include <optional>
#include <string>

#include "runtime/decimal.h"
#include "runtime/ustring.h"
#include "runtime/variant.h"

namespace velmora::text {

// A number as its significant digits: value = digits x 10^exp10 (negated when negative).
// digits holds ASCII digits without leading or trailing zeros; it is empty for zero.
struct DecimalDigits {
    std::string digits;
    long exp10 = 0;
    bool negative = false;

    bool isZero() const { return digits.empty(); }
    // Count of digits before the point (negative or beyond digits.size() for values that
    // need leading or trailing zeros).
    long integerDigits() const { return long(digits.size()) + exp10; }
};

// The nearest decimal of at most 15 significant digits, as the runtime converts doubles.
// Error 6 for NaN and infinities.
DecimalDigits digitsOfDouble(double v);
// Exact.
DecimalDigits digitsOfDecimal(const rt::Decimal& d);
// Number text as the numeric test reads it (groups, point, exponent), exact; nullopt when
// the text is not a number.
std::optional<DecimalDigits> digitsOfText(rt::StrView text);
// Digits of a numeric value: doubles to 15 significant digits, numeric text exactly, other
// numbers through the decimal type. Error 13 when the value is not numeric, 6 when a
// non-double, non-text number leaves the decimal range, 94 for null.
DecimalDigits digitsOfValue(const rt::Variant& v);

// Rounds to `places` fraction digits (places >= 0), halves away from zero.
DecimalDigits roundAwayFromZero(DecimalDigits d, long places);

// The decimal that digitsOfDouble describes (same value as rt::Decimal::fromDouble, without
// its text round trip for the values money uses). Error 6 beyond the decimal range.
rt::Decimal decimalOfDouble(double v);
// Decimal::parse for the plain texts sums are made of ("-123.45"), falling back to it for
// anything else. nullopt when the text is not a number; error 6 beyond the range.
std::optional<rt::Decimal> parseDecimal(rt::StrView text);
// A numeric value as a decimal (rt::toDecimal), doubles and plain text on the quick paths
// above. Error 13 for text that is not a number, and the errors of rt::toDecimal.
rt::Decimal decimalOfValue(const rt::Variant& v);
// Decimal::toText, without the intermediate narrow string for 64-bit magnitudes.
rt::Str decimalText(const rt::Decimal& d);

// A parsed number pattern. The supported shapes are
//   "#,##0." + n x "0"   fixed decimals, grouped, at least one integer digit
//   "#,###.####"         up to four decimals, grouped, no digit for a zero integer part
//   "#,###"              whole number, grouped, nothing for a value that rounds to zero
//   "0." + n x "#"       up to n decimals, no grouping
// and any of them with a trailing "%" (the value shown times 100). The general reading:
// integer placeholders "#", "0" and ","; an optional "." with "0" and "#" placeholders;
// an optional final "%".
struct NumberPattern {
    long minIntegerDigits = 0;  // "0" placeholders before the point
    bool grouping = false;      // a "," before the point: groups of three
    bool point = false;         // the pattern holds ".": it is always written
    long minFraction = 0;       // "0" placeholders after the point
    long maxFraction = 0;       // all placeholders after the point: the rounding places
    bool percent = false;       // trailing "%"

    // "#,##0." followed by n zeros (none when n <= 0).
    static NumberPattern fixedDecimals(long n);
    // "#,###.####".
    static NumberPattern upToFourDecimals();
    // "#,###".
    static NumberPattern wholeNumber();
    // "0." followed by n "#". Error 5 when n is negative (the pattern cannot be built).
    static NumberPattern optionalDecimals(long n);
};

// Error 5 for a pattern outside the grammar above.
NumberPattern parseNumberPattern(rt::StrView pattern);

// The formatted text: rounded to maxFraction places (halves away from zero), "-" in front
// of a negative value, "%" after a percentage. Error 6 for values with more than 1000
// integer digits.
void appendFormatted(const DecimalDigits& value, const NumberPattern& pattern, rt::Str& out);
rt::Str formatNumber(const DecimalDigits& value, const NumberPattern& pattern);
// A value (see digitsOfValue) formatted with a pattern text.
rt::Str formatNumber(const rt::Variant& value, rt::StrView pattern);

}  // namespace velmora::text
