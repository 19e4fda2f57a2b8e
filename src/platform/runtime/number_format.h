// The number pattern formatter: values in their digit form (DecimalDigits, decimal.h)
// written with a pattern, rounded halves away from zero. Throws rt::Error.
#pragma once

#include "decimal.h"
#include "ustring.h"
#include "variant.h"

namespace rt {

// Digits of a numeric value, trimmed: a double to 15 significant digits (digitsOfDouble),
// numeric text exactly (scanNumberText; beyond the decimal range too), other values through
// toDecimal. Error 13 when the value is not numeric, 6 for NaN and infinities and for other
// values beyond the decimal range, 94 for null.
DecimalDigits digitsOfValue(const Variant& v);

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

// The pattern a text describes. Error 5 for a text outside the grammar above.
NumberPattern parseNumberPattern(StrView pattern);

// Appends value (trimmed) as the pattern writes it: rounded to maxFraction places (halves
// away from zero), "-" in front of a negative value (also one that rounds to zero), "%"
// after a percentage. Error 6 for values with more than 1000 integer digits; out is then
// unchanged.
void appendFormatted(const DecimalDigits& value, const NumberPattern& pattern, Str& out);
// The same as a new text.
Str formatNumber(const DecimalDigits& value, const NumberPattern& pattern);
// A value (read as digitsOfValue reads it) formatted with a pattern text; the errors of
// both.
Str formatNumber(const Variant& value, StrView pattern);

}  // namespace rt
