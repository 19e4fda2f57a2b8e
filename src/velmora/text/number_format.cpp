#include "text/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "runtime/convert.h"
#include "runtime/error.h"

namespace velmora::text {

using rt::Decimal;
using rt::Str;
using rt::StrView;

namespace {

// Beyond any double (1.8e308): a wider integer part is a runaway exponent in text.
constexpr long kMaxIntegerDigits = 1000;

constexpr uint64_t kPow10[] = {1ULL,
                               10ULL,
                               100ULL,
                               1000ULL,
                               10000ULL,
                               100000ULL,
                               1000000ULL,
                               10000000ULL,
                               100000000ULL,
                               1000000000ULL,
                               10000000000ULL,
                               100000000000ULL,
                               1000000000000ULL,
                               10000000000000ULL,
                               100000000000000ULL,
                               1000000000000000ULL,
                               10000000000000000ULL,
                               100000000000000000ULL,
                               1000000000000000000ULL,
                               10000000000000000000ULL};

void stripTrailingZeros(DecimalDigits& d) {
    size_t n = d.digits.size();
    while (n > 0 && d.digits[n - 1] == '0') --n;
    d.exp10 += long(d.digits.size() - n);
    d.digits.resize(n);
    if (n == 0) d.exp10 = 0;
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Adds one unit in the last place of a digit string; "99" becomes "100".
void incrementDigits(std::string& digits) {
    for (size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return;
        }
        digits[i] = '0';
    }
    digits.insert(digits.begin(), '1');
}

}  // namespace

DecimalDigits digitsOfDouble(double v) {
    if (!std::isfinite(v)) rt::raise(rt::kErrOverflow);
    DecimalDigits r;
    if (v == 0) return r;
    // Scientific with 14 decimals is exactly 15 significant digits, correctly rounded.
    char buf[40];
    const auto end = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 14).ptr;
    const char* p = buf;
    for (; p < end && *p != 'e'; ++p)
        if (*p != '.') r.digits.push_back(*p);
    long exponent = 0;
    bool expNegative = false;
    if (p < end) ++p;
    if (p < end && (*p == '+' || *p == '-')) expNegative = *p++ == '-';
    for (; p < end; ++p) exponent = exponent * 10 + (*p - '0');
    r.exp10 = (expNegative ? -exponent : exponent) - long(r.digits.size()) + 1;
    r.negative = v < 0;
    stripTrailingZeros(r);
    return r;
}

DecimalDigits digitsOfDecimal(const Decimal& d) {
    DecimalDigits r;
    if (d.isZero()) return r;
    if (d.hi() == 0) {
        char buf[24];
        const auto end = std::to_chars(buf, buf + sizeof buf, d.lo()).ptr;
        r.digits.assign(buf, end);
    } else {
        unsigned __int128 m = (static_cast<unsigned __int128>(d.hi()) << 64) | d.lo();
        while (m != 0) {
            r.digits.push_back(char('0' + int(m % 10)));
            m /= 10;
        }
        std::reverse(r.digits.begin(), r.digits.end());
    }
    r.exp10 = -d.scale();
    r.negative = d.isNegative();
    stripTrailingZeros(r);
    return r;
}

std::optional<DecimalDigits> digitsOfText(StrView text) {
    std::optional<rt::ScannedNumber> n = rt::scanNumberText(text);
    if (!n) return std::nullopt;
    DecimalDigits r;
    r.digits = std::move(n->digits);
    r.exp10 = n->exp10;
    r.negative = n->negative;
    stripTrailingZeros(r);
    if (r.isZero()) r.negative = false;
    return r;
}

DecimalDigits digitsOfValue(const rt::Variant& input) {
    const rt::Variant& v = input.deref();
    switch (v.type()) {
        case rt::VT_R8:
            return digitsOfDouble(v.r8());
        case rt::VT_BSTR: {
            std::optional<DecimalDigits> d = digitsOfText(v.str());
            if (!d) rt::raise(rt::kErrTypeMismatch);
            return std::move(*d);
        }
        default:
            return digitsOfDecimal(rt::toDecimal(v));
    }
}

DecimalDigits roundAwayFromZero(DecimalDigits d, long places) {
    const long keep = d.integerDigits() + places;
    if (keep >= long(d.digits.size())) return d;
    // Halves go away from zero, so only the first dropped digit decides.
    const bool up = keep >= 0 && d.digits[size_t(keep)] >= '5';
    d.digits.resize(size_t(std::max(keep, 0L)));
    d.exp10 = -places;
    if (up) incrementDigits(d.digits);
    const bool negative = d.negative;
    stripTrailingZeros(d);
    d.negative = negative;  // a negative value that rounds to zero still shows its sign
    return d;
}

Decimal decimalOfDouble(double v) {
    const double a = std::fabs(v);
    if (!(a >= 1e-13 && a < 1e15)) return Decimal::fromDouble(v);
    // Here the 15 digits scale to at most 27 fraction digits or 16 integer digits: a
    // 64-bit magnitude in the form Decimal::fromDouble produces.
    const DecimalDigits d = digitsOfDouble(v);
    uint64_t m = 0;
    for (char c : d.digits) m = m * 10 + uint64_t(c - '0');
    if (d.exp10 >= 0) return Decimal::fromParts(0, m * kPow10[d.exp10], 0, d.negative);
    return Decimal::fromParts(0, m, int(-d.exp10), d.negative);
}

std::optional<Decimal> parseDecimal(StrView text) {
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == u'-';
    if (negative) ++i;
    uint64_t m = 0;
    int digits = 0, scale = 0;
    for (; i < text.size() && isDigit(text[i]); ++i, ++digits) m = m * 10 + uint64_t(text[i] - u'0');
    if (i < text.size() && text[i] == u'.') {
        for (++i; i < text.size() && isDigit(text[i]); ++i, ++digits, ++scale) m = m * 10 + uint64_t(text[i] - u'0');
    }
    // Up to 19 digits cannot overflow the 64-bit magnitude.
    if (i != text.size() || digits == 0 || digits > 19) return Decimal::parse(text);
    if (m == 0) return Decimal();
    return Decimal::fromParts(0, m, scale, negative);
}

Decimal decimalOfValue(const rt::Variant& input) {
    const rt::Variant& v = input.deref();
    if (v.type() == rt::VT_R8) return decimalOfDouble(v.r8());
    if (v.type() == rt::VT_BSTR) {
        std::optional<Decimal> d = parseDecimal(v.str());
        if (!d) rt::raise(rt::kErrTypeMismatch);
        return *d;
    }
    return rt::toDecimal(v);
}

Str decimalText(const Decimal& d) {
    if (d.hi() != 0) return d.toText();
    uint64_t m = d.lo();
    int scale = d.scale();
    while (scale > 0 && m % 10 == 0) {
        m /= 10;
        --scale;
    }
    char buf[48];
    char* p = buf;
    if (d.isNegative()) *p++ = '-';
    char digits[24];
    char* end = std::to_chars(digits, digits + sizeof digits, m).ptr;
    const long n = long(end - digits);
    if (scale == 0) {
        p = std::copy(digits, end, p);
    } else {
        const long intDigits = n - scale;
        if (intDigits <= 0) {
            *p++ = '0';
            *p++ = '.';
            p = std::fill_n(p, -intDigits, '0');
            p = std::copy(digits, end, p);
        } else {
            p = std::copy(digits, digits + intDigits, p);
            *p++ = '.';
            p = std::copy(digits + intDigits, end, p);
        }
    }
    return Str(buf, p);
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
    if (n < 0) rt::raise(rt::kErrInvalidCall);
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
    if (s.empty() || i != s.size()) rt::raise(rt::kErrInvalidCall, u"Unsupported number pattern");
    return p;
}

void appendFormatted(const DecimalDigits& value, const NumberPattern& pattern, Str& out) {
    DecimalDigits v = value;
    if (pattern.percent && !v.isZero()) v.exp10 += 2;
    if (v.integerDigits() > kMaxIntegerDigits) rt::raise(rt::kErrOverflow);
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

Str formatNumber(const rt::Variant& value, StrView pattern) {
    const NumberPattern p = parseNumberPattern(pattern);
    return formatNumber(digitsOfValue(value), p);
}

}  // namespace velmora::text
