// Money display, exact decimal addition and rounding: the bodies of the members of their
// names (frame/binding.h applies each member's guard).
#pragma once

#include "runtime/variant.h"

namespace velmora {
class GuardScope;
}

namespace velmora::text {

// Flag digits of sMoneyFormat's mode, by position from the right (read with iBitVal).
enum MoneyModeDigit : int32_t {
    kPercentDigit = 1,    // shown times 100 with "%"
    kTrimDigit = 2,       // spaces around the amount removed first
    kPlainTextDigit = 3,  // numbers as plain decimal text, no pattern
    kShowZeroDigit = 4,   // zero is formatted instead of giving ""
};

// Display text of an amount: hasdot 1 = count fixed decimals, 0 = up to four decimals,
// otherwise a whole number; grouped by three. A non-numeric amount gives its own text.
// mode is rewritten with its absolute value. vMny is not changed.
// Guard N: throws rt::Error 94 for null, 13 for values without text, 6 for an amount beyond
// the decimal range and for a mode of -32768.
rt::Str sMoneyFormat(const rt::Variant& vMny, int16_t hasdot, int16_t count, int16_t& mode);

// result becomes the exact sum (bMode true) or difference vFore - vBack as plain decimal
// text; an operand that is zero gives the other operand's normalised text unchanged. Both
// operands are rewritten with strVal(v, true). iDotCount is not used. Throws for an operand
// that is not a number and for a result beyond the decimal range; the member's handler then
// makes the result "0".
void strAdd(GuardScope& guard, rt::Variant& vFore, rt::Variant& vBack, bool bMode, int16_t iDotCount,
            rt::Str& result);

// val1 rounded to dec decimals (halves away from zero, on its 15-digit decimal form): a
// string ("3.14") while fraction digits remain, else the double the text reads (3). The
// rounding is one statement of the skip guard: when it fails (a negative dec) the result is
// the empty value.
rt::Variant Vround(GuardScope& guard, double val1, int16_t dec);
// The same without the guard: throws rt::Error 5 for a negative dec, 6 for NaN/infinities.
rt::Variant roundToDecimals(double val1, int16_t dec);

}  // namespace velmora::text
