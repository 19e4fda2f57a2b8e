// Shared pieces of the fuzz targets: reading the input, and failing loudly.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/ustring.h"

namespace fuzz {

// The input as text, bytes mapped one to one onto 16-bit units below 256 (so every input,
// valid UTF-8 or not, becomes some text; ASCII stays readable in the corpus).
inline rt::Str latin1(const uint8_t* data, size_t size) {
    rt::Str s;
    s.reserve(size);
    for (size_t i = 0; i < size; ++i) s.push_back(char16_t(data[i]));
    return s;
}

// Stops the run with both sides of a disagreement with the oracle.
[[noreturn]] inline void mismatch(const char* what, const rt::Str& input, const rt::Str& got, const rt::Str& want) {
    std::fprintf(stderr, "MISMATCH %s\n  input: [%s]\n  got:   [%s]\n  want:  [%s]\n", what,
                 rt::toUtf8(input).c_str(), rt::toUtf8(got).c_str(), rt::toUtf8(want).c_str());
    std::abort();
}

inline void expectEqual(const char* what, const rt::Str& input, const rt::Str& got, const rt::Str& want) {
    if (got != want) mismatch(what, input, got, want);
}

// Decimal text of an unsigned 128-bit integer.
inline std::string u128Text(unsigned __int128 v) {
    if (v == 0) return "0";
    std::string s;
    while (v != 0) {
        s.insert(s.begin(), char('0' + int(v % 10)));
        v /= 10;
    }
    return s;
}

}  // namespace fuzz
