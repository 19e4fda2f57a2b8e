// Decimal text parsing (its quick path for plain texts and the general one) checked against
// exact 128-bit integer reading of plain texts, and the decimal's text and digit forms
// against their round trips.
#include "fuzz_support.h"
#include "runtime/convert.h"
#include "runtime/decimal.h"
#include "runtime/error.h"

using rt::Decimal;
using rt::Str;
using u128 = unsigned __int128;

namespace {

// Spaces, sign, digits, optional point and digits, spaces; at most 28 digits in all. Also
// gives the value's plain text.
bool plainDecimal(const Str& raw, Decimal& out, Str& text) {
    const rt::StrView t = rt::trimSpaces(raw);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) negative = t[i++] == u'-';
    u128 n = 0;
    int digits = 0, scale = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        if (t[i] == u'.' && !point) {
            point = true;
        } else if (t[i] >= u'0' && t[i] <= u'9') {
            if (++digits > 28) return false;
            n = n * 10 + unsigned(t[i] - u'0');
            if (point) ++scale;
        } else {
            return false;
        }
    }
    if (digits == 0) return false;
    out = Decimal::fromParts(uint32_t(n >> 64), uint64_t(n), scale, negative);
    while (scale > 0 && n % 10 == 0) {
        n /= 10;
        --scale;
    }
    std::string plain = fuzz::u128Text(n);
    if (scale > 0) {
        if (plain.size() <= size_t(scale)) plain.insert(0, size_t(scale) + 1 - plain.size(), '0');
        plain.insert(plain.size() - size_t(scale), ".");
    }
    text = rt::ascii((negative && n != 0 ? "-" : "") + plain);
    return true;
}

bool sameRepresentation(const Decimal& a, const Decimal& b) {
    return a.hi() == b.hi() && a.lo() == b.lo() && a.scale() == b.scale() && a.isNegative() == b.isNegative();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Str text = fuzz::latin1(data, size);
    std::optional<Decimal> parsed;
    bool overflow = false;
    try {
        parsed = Decimal::parse(text);
    } catch (rt::Error& e) {
        if (e.numberValue() != 6) fuzz::mismatch("parse error number", text, rt::ascii(std::to_string(e.numberValue())), u"6");
        overflow = true;
    }

    // What the numeric test reads as a number is a decimal or beyond the range.
    if (rt::isNumeric(rt::Variant(text)) && !parsed && !overflow)
        fuzz::mismatch("numeric text without a decimal", text, u"none", u"a decimal");

    // Plain texts of up to 28 digits: the exact value at the written scale, and its text.
    Decimal exact;
    Str exactText;
    if (plainDecimal(text, exact, exactText)) {
        if (!parsed) fuzz::mismatch("plain text refused", text, u"none", exactText);
        if (!(exact.isZero() ? parsed->isZero() : sameRepresentation(*parsed, exact)))
            fuzz::mismatch("plain text value", text, parsed->toText(), exactText);
        fuzz::expectEqual("plain text", text, parsed->toText(), exactText);
    }
    if (!parsed) return 0;

    // Round trips: the plain text and the digits read back as the same value.
    const Str plain = parsed->toText();
    std::optional<Decimal> again = Decimal::parse(plain);
    if (!again || Decimal::compare(*again, *parsed) != 0) fuzz::mismatch("round trip", text, again ? again->toText() : u"none", plain);
    const rt::DecimalDigits d = parsed->digits();
    if (!d.isZero() && (d.digits.front() == '0' || d.digits.back() == '0')) fuzz::mismatch("digits trimmed", text, rt::ascii(d.digits), plain);
    Decimal rebuilt = d.isZero() ? Decimal() : *Decimal::parse(rt::ascii((d.negative ? "-" : "") + d.digits + "e" + std::to_string(d.exp10)));
    if (Decimal::compare(rebuilt, *parsed) != 0) fuzz::mismatch("digits", text, rebuilt.toText(), plain);
    if (!sameRepresentation(Decimal::fromDigits(d), parsed->normalized()))
        fuzz::mismatch("from digits", text, Decimal::fromDigits(d).toText(), plain);
    return 0;
}
