// Conversions between variant types, following the automation runtime's rules.
//
// Every conversion throws rt::Error: 13 (Type mismatch) for a value that does not convert,
// 6 (Overflow) for one out of the target's range, 94 (Invalid use of Null) for null where a
// value is needed, 424 (Object required) for a non-object where an object is needed.
#pragma once

#include <optional>

#include "variant.h"

namespace rt {

// Text of a value: a string is itself; a number its shortest text (doubles to at most 15
// significant digits, exponent form as the runtime writes it: 1E+20, 1E-05); a date its
// system short-date text, then the time when not midnight; a boolean "True"/"False"; empty
// gives "". Null is error 94; arrays error 13; objects their default value's text.
Str toText(const Variant& v);
// Shortest text of a double as the runtime writes it (15 significant digits).
Str doubleText(double d);

double toDouble(const Variant& v);
// Integers round halves to even; error 6 out of range.
int16_t toI2(const Variant& v);
int32_t toI4(const Variant& v);
int64_t toI8(const Variant& v);
// Numbers: non-zero is true; text "True"/"False" (any case) or numeric text.
VARIANT_BOOL toBool(const Variant& v);
Decimal toDecimal(const Variant& v);
int64_t toCurrency(const Variant& v);
// Date values, numbers (as serials) and text that passes the date test.
double toDate(const Variant& v);
// An object reference (possibly nothing). Error 424 for anything else (empty included).
ComPtr<IDispatch> toObject(const Variant& v);

// Converts to the given type (VT_VARIANT: unchanged; VT_DISPATCH: object; VT_ERROR: keeps
// error values). The workhorse of argument coercion.
Variant changeType(const Variant& v, VarType target);

// Numeric test: numbers, booleans, empty, and text that reads as a number (optional spaces,
// sign, digits with "," groups, "." fraction, exponent). Null, "", dates and other text: no.
bool isNumeric(const Variant& v);
// Date test: date values, and text that reads as a calendar date in the system locale.
bool isDate(const Variant& v);

// Number text as the numeric test reads it; nullopt when it is not a number.
std::optional<double> parseNumberText(StrView s);

// The value behind an object's default member (dispatch id 0, property get).
Variant defaultValueOf(IDispatch* obj);

// Comparison as the runtime's relational operators do it: numbers by value, strings by
// units (or case-insensitively when textCompare), a number against numeric text by value.
// Error 94 when either side is null; error 13 for arrays and values that cannot be compared.
int compareValues(const Variant& a, const Variant& b, bool textCompare = false);

}  // namespace rt
