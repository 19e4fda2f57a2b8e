// Text as the automation runtime keeps it: 16-bit units, lengths and positions in units.
#pragma once

#include <string>
#include <string_view>

namespace rt {

using Str = std::u16string;
using StrView = std::u16string_view;

// UTF-8 <-> UTF-16 at the edges. Invalid input sequences become U+FFFD.
Str fromUtf8(std::string_view s);
std::string toUtf8(StrView s);
// Appends the UTF-8 form of s to out (for readers that fill one buffer value by value).
void appendUtf8(std::string& out, StrView s);

// ASCII-only literal to Str (for names built at run time).
Str ascii(std::string_view s);

// Removes leading and trailing U+0020 only (tabs and ideographic spaces stay).
StrView trimSpaces(StrView s);
StrView trimLeadingSpaces(StrView s);
StrView trimTrailingSpaces(StrView s);

// Case mapping by Unicode simple case rules (ICU), unit count preserved where the rules allow.
Str toLower(StrView s);
Str toUpper(StrView s);
// Case-insensitive equality as the runtime's text comparison does it.
bool equalsNoCase(StrView a, StrView b);
// Fast path for ASCII names (member names, keys): folds A-Z only.
bool equalsAsciiNoCase(StrView a, StrView b);
Str asciiLower(StrView s);

// Replaces every occurrence of what by with, left to right, exact comparison.
Str replaceAll(StrView s, StrView what, StrView with);

// 1-based position of what in s at or after start (1-based, below 1 counts as 1); 0 when
// absent or start is past the end. An empty what is found at start while start is within s.
size_t findFrom(StrView s, StrView what, size_t start);

}  // namespace rt
