// Decimal text parsing: the runtime's reader and the library's quick one, checked against
// exact 128-bit integer reading of plain texts and against their own round trips.
#include "fuzz_support.h"
#include "runtime/convert.h"
#include "runtime/decimal.h"
#include "runtime/error.h"
#include "text/number_format.h"

using rt::Decimal;
using rt::Str;
using u128 = unsigned __int128;

namespace {

// Spaces, sign, digits, optional point and digits, spaces; at most 28 digits in all.
bool plainDecimal(const Str& raw, Decimal& out) {
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

    // The library's quick reader agrees in every detail, errors included.
    try {
        std::optional<Decimal> quick = velmora::text::parseDecimal(text);
        if (overflow) fuzz::mismatch("quick reader overflow", text, u"a value", u"error 6");
        if (quick.has_value() != parsed.has_value() || (quick && !sameRepresentation(*quick, *parsed)))
            fuzz::mismatch("quick reader", text, quick ? quick->toText() : u"none", parsed ? parsed->toText() : u"none");
    } catch (rt::Error&) {
        if (!overflow) fuzz::mismatch("quick reader threw", text, u"error", u"no error");
    }

    // What the numeric test reads as a number, the digit reader reads too.
    if (rt::scanNumberText(text).has_value() != velmora::text::digitsOfText(text).has_value())
        fuzz::mismatch("digit reader", text, u"", u"");
    if (rt::isNumeric(rt::Variant(text)) && !parsed && !overflow)
        fuzz::mismatch("numeric text without a decimal", text, u"none", u"a decimal");

    Decimal exact;
    if (plainDecimal(text, exact)) {
        if (!parsed) fuzz::mismatch("plain text refused", text, u"none", exact.toText());
        if (!(exact.isZero() ? parsed->isZero() : sameRepresentation(*parsed, exact)))
            fuzz::mismatch("plain text value", text, parsed->toText(), exact.toText());
    }
    if (!parsed) return 0;

    // Text round trips: the plain text reads back as the same value, whichever writer.
    const Str plain = parsed->toText();
    fuzz::expectEqual("decimalText", text, velmora::text::decimalText(*parsed), plain);
    std::optional<Decimal> again = Decimal::parse(plain);
    if (!again || Decimal::compare(*again, *parsed) != 0) fuzz::mismatch("round trip", text, again ? again->toText() : u"none", plain);
    const velmora::text::DecimalDigits d = velmora::text::digitsOfDecimal(*parsed);
    Decimal rebuilt = d.isZero() ? Decimal() : *Decimal::parse(rt::ascii((d.negative ? "-" : "") + d.digits + "e" + std::to_string(d.exp10)));
    if (Decimal::compare(rebuilt, *parsed) != 0) fuzz::mismatch("digits", text, rebuilt.toText(), plain);
    return 0;
}
