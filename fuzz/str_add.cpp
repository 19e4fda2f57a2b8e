// strAdd on any pair of operands, checked against integer arithmetic on the operands
// scaled to a common number of decimals.
#include "fuzz_support.h"
#include "runtime/convert.h"
#include "runtime/decimal.h"
#include "runtime/error.h"
#include "frame/binding.h"
#include "text/money.h"

using rt::Str;
using rt::Variant;
using i128 = __int128;

namespace {

constexpr int kScale = 6;  // operands carry at most this many decimals in the oracle

// "-?d{1,18}(.d{0,6})?" with spaces around it, as a value scaled by 10^kScale.
bool scaledValue(const Str& raw, i128& out, Str& trimmed) {
    trimmed = Str(rt::trimSpaces(raw));
    const Str& t = trimmed;
    size_t i = 0;
    const bool negative = !t.empty() && t[0] == u'-';
    if (negative) ++i;
    i128 v = 0;
    int intDigits = 0, fracDigits = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        if (t[i] == u'.' && !point) {
            point = true;
        } else if (t[i] >= u'0' && t[i] <= u'9') {
            if (point ? ++fracDigits > kScale : ++intDigits > 18) return false;
            v = v * 10 + (t[i] - u'0');
        } else {
            return false;
        }
    }
    if (intDigits + fracDigits == 0) return false;
    for (int k = fracDigits; k < kScale; ++k) v *= 10;
    out = negative ? -v : v;
    return true;
}

Str plainText(i128 v) {
    const bool negative = v < 0;
    unsigned __int128 m = negative ? (unsigned __int128)(-v) : (unsigned __int128)v;
    std::string digits = fuzz::u128Text(m);
    if (digits.size() <= size_t(kScale)) digits.insert(0, size_t(kScale) + 1 - digits.size(), '0');
    std::string intPart = digits.substr(0, digits.size() - kScale);
    std::string frac = digits.substr(digits.size() - kScale);
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    std::string s = (negative && m != 0 ? "-" : "") + intPart + (frac.empty() ? "" : "." + frac);
    return rt::ascii(s);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // Operands are separated by the first "|"; the first byte's low bit picks the operation.
    const Str all = fuzz::latin1(data + 1, size - 1);
    const size_t bar = all.find(u'|');
    const Str fore = bar == Str::npos ? all : all.substr(0, bar);
    const Str back = bar == Str::npos ? Str() : all.substr(bar + 1);
    const bool add = (data[0] & 1) == 0;

    Variant a(fore), b(back);
    // strAdd's body under its handler guard, as the member runs it.
    Str got;
    velmora::runGuarded(velmora::Guard::Handler, u"fuzz", [&](velmora::GuardScope& guard) {
        velmora::text::strAdd(guard, a, b, add, 2, got);
    });

    i128 x, y;
    Str tx, ty;
    const bool xs = scaledValue(fore, x, tx), ys = scaledValue(back, y, ty);
    if (xs && ys) {
        Str want;
        if (x == 0 && y == 0) want = u"0";
        else if (x == 0) want = ty;
        else if (y == 0) want = tx;
        else want = plainText(add ? x + y : x - y);
        fuzz::expectEqual("sum", fore + u" | " + back, got, want);
    }
    // A non-numeric operand (after trimming; the empty text counts as 0) gives "0".
    auto readsAsDecimal = [](const Str& t) {
        try {
            return t.empty() || rt::Decimal::parse(t).has_value();
        } catch (rt::Error&) {
            return false;  // beyond the decimal range
        }
    };
    const bool foreNumber = readsAsDecimal(tx), backNumber = readsAsDecimal(ty);
    if ((!foreNumber || !backNumber) && got != u"0") fuzz::mismatch("non-numeric operand", fore + u" | " + back, got, u"0");
    return 0;
}
