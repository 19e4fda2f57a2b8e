#include "number_format.h"

#include <algorithm>

#include "convert.h"
#include "error.h"

namespace rt {

namespace {

// Beyond any double (1.8e308): a wider integer part is a runaway exponent in text.
constexpr long kMaxIntegerDigits = 1000;

}  // namespace

DecimalDigits digitsOfValue(const Variant& input) {
    const Variant& v = input.deref();
    switch (v.type()) {
        case VT_R8:
            return digitsOfDouble(v.r8());
        case VT_BSTR: {
            std::optional<DecimalDigits> d = scanNumberText(v.str());
            if (!d) raise(kErrTypeMismatch);
            d->trimTrailingZeros();
            if (d->isZero()) d->negative = false;
            return std::move(*d);
        }
        default:
            return toDecimal(v).digits();
    }
}

NumberPattern NumberPattern::fixedDecimals(long n) {
    NumberPattern p;
    p.minIntegerDigits = 1;
    p.grouping = true;
    p.point = true;
    p.minFraction = p.maxFraction = std::max(n, 0L);
    return p;
}

NumberPattern NumberPattern::upToFourDecimals() {
    NumberPattern p;
    p.grouping = true;
    p.point = true;
    p.maxFraction = 4;
    return p;
}

NumberPattern NumberPattern::wholeNumber() {
    NumberPattern p;
    p.grouping = true;
    return p;
}

NumberPattern NumberPattern::optionalDecimals(long n) {
    if (n < 0) raise(kErrInvalidCall);
    NumberPattern p;
    p.minIntegerDigits = 1;
    p.point = true;
    p.maxFraction = n;
    return p;
}

NumberPattern parseNumberPattern(StrView s) {
    NumberPattern p;
    size_t i = 0;
    for (; i < s.size() && (s[i] == u'#' || s[i] == u'0' || s[i] == u','); ++i) {
        if (s[i] == u'0') ++p.minIntegerDigits;
        if (s[i] == u',') p.grouping = true;
    }
    if (i < s.size() && s[i] == u'.') {
        p.point = true;
        for (++i; i < s.size() && (s[i] == u'#' || s[i] == u'0'); ++i) {
            ++p.maxFraction;
            if (s[i] == u'0') ++p.minFraction;
        }
    }
    if (i < s.size() && s[i] == u'%') {
        p.percent = true;
        ++i;
    }
    if (s.empty() || i != s.size()) raise(kErrInvalidCall, u"Unsupported number pattern");
    return p;
}

void appendFormatted(const DecimalDigits& value, const NumberPattern& pattern, Str& out) {
    DecimalDigits v = value;
    if (pattern.percent && !v.isZero()) v.exp10 += 2;
    if (v.integerDigits() > kMaxIntegerDigits) raise(kErrOverflow);
    v = roundAwayFromZero(std::move(v), pattern.maxFraction);
    const std::string& d = v.digits;
    const long nd = long(d.size());
    const long point = v.integerDigits();  // index in d of the first fraction digit
    auto digitAt = [&](long index) { return index >= 0 && index < nd ? char16_t(d[size_t(index)]) : u'0'; };

    const long intDigits = std::max(point, 0L);
    const long shown = std::max(intDigits, pattern.minIntegerDigits);
    const long significant = std::max(nd - point, 0L);  // fraction digits up to the last non-zero one
    const long fraction = pattern.point ? std::max(significant, pattern.minFraction) : 0;
    out.reserve(out.size() + size_t(shown + shown / 3 + fraction + 3));

    if (value.negative) out.push_back(u'-');
    for (long i = 0; i < shown; ++i) {
        if (pattern.grouping && i > 0 && (shown - i) % 3 == 0) out.push_back(u',');
        out.push_back(digitAt(point - shown + i));
    }
    if (pattern.point) {
        out.push_back(u'.');
        for (long k = 0; k < fraction; ++k) out.push_back(digitAt(point + k));
    }
    if (pattern.percent) out.push_back(u'%');
}

Str formatNumber(const DecimalDigits& value, const NumberPattern& pattern) {
    Str out;
    appendFormatted(value, pattern, out);
    return out;
}

Str formatNumber(const Variant& value, StrView pattern) {
    const NumberPattern p = parseNumberPattern(pattern);
    return formatNumber(digitsOfValue(value), p);
}

}  // namespace rt
