// Integer arithmetic for the tests' independent oracles of number formatting: magnitudes
// with a scale held in 128 bits, so that no oracle shares the code it checks.
#pragma once

#include <string>

namespace support {

using u128 = unsigned __int128;

// The decimal digits of v, without sign or separators ("0" for zero).
inline std::string digitsOf(u128 v) {
    std::string s;
    do {
        s.insert(s.begin(), char('0' + int(v % 10)));
        v /= 10;
    } while (v != 0);
    return s;
}

// 10 to the power k (k >= 0).
inline u128 pow10(int k) {
    u128 p = 1;
    while (k-- > 0) p *= 10;
    return p;
}

}  // namespace support
