// The number pattern formatter: any pattern and number text, checked against plain
// 128-bit integer arithmetic on the digits; doubles against their 15-digit text.
#include <cmath>
#include <cstdio>

#include "frame/binding.h"
#include "fuzz_support.h"
#include "runtime/decimal.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "runtime/number_format.h"
#include "text/money.h"

using rt::Str;
using u128 = unsigned __int128;

namespace {

struct Shape {
    Str pattern;
    long minInt, minFrac, maxFrac;
    bool grouping, point, percent;
};

Shape shapeOf(uint8_t selector, uint8_t count) {
    const long n = count % 24;
    const bool percent = (selector & 4) != 0;
    Shape s{};
    switch (selector % 4) {
        case 0: s = {u"#,##0." + Str(size_t(n), u'0'), 1, n, n, true, true, false}; break;
        case 1: s = {u"#,###.####", 0, 0, 4, true, true, false}; break;
        case 2: s = {u"#,###", 0, 0, 0, true, false, false}; break;
        default: s = {u"0." + Str(size_t(n), u'#'), 1, 0, n, false, true, false}; break;
    }
    if (percent && selector % 4 != 3) {
        s.pattern += u'%';
        s.percent = true;
    }
    return s;
}

u128 pow10(long k) {
    u128 p = 1;
    while (k-- > 0) p *= 10;
    return p;
}

// "-?d{1,}(.d*)?" with at most 34 digits in all; false for anything else.
bool plainNumber(const Str& t, bool& negative, u128& digits, long& scale) {
    size_t i = 0;
    negative = !t.empty() && t[0] == u'-';
    if (negative) ++i;
    digits = 0;
    scale = 0;
    int count = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        if (t[i] == u'.' && !point) {
            point = true;
        } else if (t[i] >= u'0' && t[i] <= u'9') {
            if (++count > 34) return false;
            digits = digits * 10 + unsigned(t[i] - u'0');
            if (point) ++scale;
        } else {
            return false;
        }
    }
    return count > 0;
}

Str grouped(const std::string& intDigits, bool grouping) {
    Str out;
    for (size_t i = 0; i < intDigits.size(); ++i) {
        if (grouping && i > 0 && (intDigits.size() - i) % 3 == 0) out += u',';
        out += char16_t(intDigits[i]);
    }
    return out;
}

Str expected(const Shape& s, bool negative, u128 n, long scale) {
    const bool nonZero = n != 0;
    if (s.percent) n *= 100;
    if (scale > s.maxFrac) {
        const u128 d = pow10(scale - s.maxFrac);
        const u128 r = n % d;
        n = n / d + (r >= d - r ? 1 : 0);  // halves away from zero
        scale = s.maxFrac;
    }
    const u128 unit = pow10(scale);
    std::string intPart = fuzz::u128Text(n / unit);
    std::string frac = scale == 0 ? "" : fuzz::u128Text(n % unit);
    frac.insert(0, size_t(scale) - frac.size(), '0');
    while (long(frac.size()) > s.minFrac && !frac.empty() && frac.back() == '0') frac.pop_back();
    while (long(frac.size()) < s.minFrac) frac.push_back('0');
    if (intPart == "0" && s.minInt == 0) intPart.clear();
    Str out = negative && nonZero ? u"-" : u"";
    out += grouped(intPart, s.grouping);
    if (s.point) out += u'.' + rt::ascii(frac);
    if (s.percent) out += u'%';
    return out;
}

Str fifteenDigitText(double x) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", x);
    return rt::ascii(buf);
}

// The decimal of a double is the decimal of its 15-digit text (written by the C library),
// errors included.
void checkDoubleConversion(double x) {
    bool threw = false, oracleThrew = false;
    rt::Decimal ours, theirs;
    try {
        ours = rt::Decimal::fromDouble(x);
    } catch (rt::Error&) {
        threw = true;
    }
    try {
        theirs = *rt::Decimal::parse(fifteenDigitText(x));
    } catch (rt::Error&) {
        oracleThrew = true;
    }
    if (threw != oracleThrew || (!threw && rt::Decimal::compare(ours, theirs) != 0))
        fuzz::mismatch("Decimal::fromDouble", fifteenDigitText(x), threw ? u"error" : ours.toText(),
                       oracleThrew ? u"error" : theirs.toText());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const Shape shape = shapeOf(data[0], data[1]);
    const Str text = fuzz::latin1(data + 2, size - 2);

    // Any text against the known shapes: a result or a clean error.
    Str got;
    bool ok = true;
    try {
        got = rt::formatNumber(rt::Variant(text), shape.pattern);
    } catch (rt::Error&) {
        ok = false;
    }
    bool negative;
    u128 digits;
    long scale;
    if (plainNumber(text, negative, digits, scale)) {
        if (!ok) fuzz::mismatch("plain number refused", text, u"error", u"a result");
        fuzz::expectEqual("pattern", text + u" with " + shape.pattern, got, expected(shape, negative, digits, scale));
    }

    // The text as a double: formatted as its 15-digit decimal, converted as the runtime does.
    if (std::optional<double> x = rt::parseNumberText(text); x && std::isfinite(*x)) {
        checkDoubleConversion(*x);
        const Str viaText = rt::formatNumber(rt::Variant(fifteenDigitText(*x)), shape.pattern);
        fuzz::expectEqual("double", text + u" with " + shape.pattern, rt::formatNumber(rt::Variant(*x), shape.pattern),
                          viaText);
        velmora::GuardScope skip(velmora::Guard::Skip);  // Vround's guard
        (void)velmora::text::Vround(skip, *x, int16_t(data[1] % 40) - 2);
    }

    // The input as a pattern of its own, and sMoneyFormat with any options.
    try {
        (void)rt::formatNumber(rt::Variant(u"1234.5"), text);
    } catch (rt::Error&) {
    }
    try {
        int16_t mode = int16_t(data[0] | (data[1] << 8));
        (void)velmora::text::sMoneyFormat(rt::Variant(text), int16_t(data[0] % 4) - 1, int16_t(data[1] % 30) - 3, mode);
    } catch (rt::Error&) {
    }
    return 0;
}
