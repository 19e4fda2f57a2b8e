// SQL value literals: dates, nullable values and money amounts pasted into SQL text, the
// date range the database accepts, and date differences: the bodies of the members of
// their names (frame/binding.h applies each member's guard, here always none).
#pragma once

#include "runtime/variant.h"

namespace velmora::data {

// "YYYY-MM-DD" of a value that passes the date test (the time of day dropped).
// Throws rt::Error 13 when it does not.
rt::Str canonicalDateText(const rt::Variant& date);
// Whether a canonical date text lies in the range the database accepts: compared as text,
// not below "1753" and not above "9999" (so the year 9999 itself is out).
bool isInDateRange(rt::StrView canonical);

// Replaces every "." of v's text by "-" and stores that text in v (a date value becomes
// its short-date text). A value without text (null, nothing) is left as it is. Never throws.
void NormalizeDateText(rt::Variant& v);

// "'YYYY-MM-DD'" for a value that passes the date test as passed (sDate is then
// normalised), else "null" with sDate untouched. No range check.
rt::Str sCheckDateNull(rt::Variant& sDate);
// The canonical date of the normalised sDate when it is a date in range, else "".
rt::Str sCheckDate(rt::Variant& sDate);
// "null" for null, else the value's text between apostrophes, each apostrophe inside it
// doubled. Throws rt::Error for values without text (13 arrays, 438 objects without a
// default value, 91 nothing).
rt::Str sCheckNull(const rt::Variant& sParam);
// The amount's text without "," when it is numeric, else "null".
rt::Str sCheckMoney(const rt::Variant& sMon);
// True when the normalised sDate is a date in range; sDate then holds its canonical text,
// otherwise "".
bool bCheckDate(rt::Str& sDate);
// Number of para intervals (yyyy q m y d w ww h n s, any case) from date1 to date2, weeks
// starting on Sunday; 0 with para set to "" unless both pass the date test. Throws
// rt::Error 5 for another para, 6 for a count beyond 32 bits.
int32_t iDateDiff(const rt::Variant& date1, const rt::Variant& date2, rt::Str& para);

}  // namespace velmora::data
