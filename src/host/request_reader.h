// Reading request lines: bounded lines, bounded nesting, and errors that quote input briefly.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>

#include "values.h"

namespace host {

// The longest request line the host reads. A longer line is answered with an error and ends
// the run: a stream without line ends (/dev/zero) can neither exhaust memory nor spin.
inline constexpr size_t kMaxLineBytes = size_t(64) << 20;

// The deepest nesting of arrays and objects in a request or a value. Deeper input would cost
// stack on every pass over it (conversion, echo, error texts).
inline constexpr size_t kMaxNesting = 128;

enum class LineRead { Line, TooLong, End };

// Reads the next line of in into line, without its "\n" (and a "\r" before it). Line: a line
// of at most kMaxLineBytes; TooLong: a longer one, of which kMaxLineBytes are in line and the
// rest is left unread; End: no more input (line is empty).
LineRead readLine(std::istream& in, std::string& line);

// The JSON value of text. Throws rt::Error 5 (source "velmora") when text is not JSON, nests
// deeper than kMaxNesting, or holds a number no double holds; the description quotes at most
// kMaxQuotedBytes of text.
Json parseJsonText(std::string_view text);

}  // namespace host
