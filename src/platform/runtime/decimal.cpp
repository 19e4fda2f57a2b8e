#include "decimal.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>

#include "error.h"

namespace rt {

namespace {

using u128 = unsigned __int128;

constexpr u128 kLimit96 = u128(1) << 96;  // magnitudes stay below this

constexpr std::array<u128, 39> makePowers() {
    std::array<u128, 39> p{};
    p[0] = 1;
    for (size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
    return p;
}
constexpr std::array<u128, 39> kPow10 = makePowers();

// Unsigned 256-bit integer for the intermediate results that outgrow 128 bits (aligned
// sums, products, comparisons across scales). Little-endian 64-bit limbs.
struct U256 {
    uint64_t w[4] = {0, 0, 0, 0};

    static U256 of(u128 v) {
        U256 r;
        r.w[0] = uint64_t(v);
        r.w[1] = uint64_t(v >> 64);
        return r;
    }
    bool fitsIn96() const { return w[3] == 0 && w[2] == 0 && (w[1] >> 32) == 0; }
    u128 low128() const { return (u128(w[1]) << 64) | w[0]; }
    bool isZero() const { return (w[0] | w[1] | w[2] | w[3]) == 0; }
    bool isOdd() const { return w[0] & 1; }

    // Multiplies in place; the caller keeps the product within 256 bits.
    void mulSmall(uint64_t m) {
        u128 carry = 0;
        for (auto& limb : w) {
            u128 p = u128(limb) * m + carry;
            limb = uint64_t(p);
            carry = p >> 64;
        }
    }
    void mulPow10(int k) {
        for (; k >= 19; k -= 19) mulSmall(uint64_t(kPow10[19]));
        if (k > 0) mulSmall(uint64_t(kPow10[k]));
    }
    // Divides in place; returns the remainder.
    uint64_t divSmall(uint64_t d) {
        u128 rem = 0;
        for (int i = 3; i >= 0; --i) {
            u128 cur = (rem << 64) | w[i];
            w[i] = uint64_t(cur / d);
            rem = cur % d;
        }
        return uint64_t(rem);
    }
    void addOne() {
        for (auto& limb : w)
            if (++limb != 0) break;
    }
    void add(const U256& o) {
        uint64_t carry = 0;
        for (int i = 0; i < 4; ++i) {
            u128 s = u128(w[i]) + o.w[i] + carry;
            w[i] = uint64_t(s);
            carry = uint64_t(s >> 64);
        }
    }
    // Requires *this >= o.
    void sub(const U256& o) {
        uint64_t borrow = 0;
        for (int i = 0; i < 4; ++i) {
            u128 d = u128(w[i]) - o.w[i] - borrow;
            w[i] = uint64_t(d);
            borrow = uint64_t(d >> 64) ? 1 : 0;
        }
    }
    static int compare(const U256& a, const U256& b) {
        for (int i = 3; i >= 0; --i)
            if (a.w[i] != b.w[i]) return a.w[i] < b.w[i] ? -1 : 1;
        return 0;
    }
    static U256 mul(u128 a, u128 b) {
        const uint64_t x[2] = {uint64_t(a), uint64_t(a >> 64)};
        const uint64_t y[2] = {uint64_t(b), uint64_t(b >> 64)};
        U256 r;
        for (int i = 0; i < 2; ++i) {
            u128 carry = 0;
            for (int j = 0; j < 2; ++j) {
                u128 p = u128(x[i]) * y[j] + r.w[i + j] + carry;
                r.w[i + j] = uint64_t(p);
                carry = p >> 64;
            }
            r.w[i + 2] = uint64_t(carry);
        }
        return r;
    }
};

// How the digits dropped by a rounding compare with half a unit of the last kept digit.
enum class Dropped { None, BelowHalf, Half, AboveHalf };

Dropped classify(int firstDropped, bool restNonZero) {
    if (firstDropped > 5 || (firstDropped == 5 && restNonZero)) return Dropped::AboveHalf;
    if (firstDropped == 5) return Dropped::Half;
    return firstDropped > 0 || restNonZero ? Dropped::BelowHalf : Dropped::None;
}

bool roundsUpHalfEven(Dropped d, bool odd) { return d == Dropped::AboveHalf || (d == Dropped::Half && odd); }

// Dropped-digit class of q = v / 10^k with remainder r (classified against 10^k / 2).
Dropped classifyRemainder(u128 r, int k) {
    if (r == 0) return Dropped::None;
    const u128 half = kPow10[k] / 2;
    return r < half ? Dropped::BelowHalf : r == half ? Dropped::Half : Dropped::AboveHalf;
}

[[noreturn]] void overflow() { raise(kErrOverflow); }


Decimal make(u128 magnitude, int scale, bool negative) {
    return Decimal::fromParts(uint32_t(magnitude >> 64), uint64_t(magnitude), scale, negative && magnitude != 0);
}

u128 magnitudeOf(const Decimal& d) { return (u128(d.hi()) << 64) | d.lo(); }

// Brings a wide magnitude at a scale into range: at most 28 fraction digits and 96 bits,
// dropping fraction digits with halves rounded to even. Error 6 when the integer part
// alone needs more than 96 bits.
Decimal reduceWide(U256 v, int scale, bool negative) {
    int firstDropped = 0;
    bool restNonZero = false;
    bool droppedAny = false;
    while (scale > Decimal::kMaxScale || !v.fitsIn96()) {
        if (scale == 0) overflow();
        restNonZero = restNonZero || firstDropped != 0;
        firstDropped = int(v.divSmall(10));
        droppedAny = true;
        --scale;
    }
    if (droppedAny && roundsUpHalfEven(classify(firstDropped, restNonZero), v.isOdd())) {
        v.addOne();
        if (!v.fitsIn96()) {
            // Rounded up to exactly 2^96: one more digit must go (it is never a tie).
            if (scale == 0) overflow();
            const uint64_t digit = v.divSmall(10);
            if (digit >= 5) v.addOne();
            --scale;
        }
    }
    return make(v.low128(), scale, negative);
}

Decimal reduce(u128 v, int scale, bool negative) {
    if (v < kLimit96 && scale <= Decimal::kMaxScale) return make(v, scale, negative);
    return reduceWide(U256::of(v), scale, negative);
}

// Decimal of the digit string d (no leading zeros) times 10^exp10, rounded to the
// decimal's precision with halves to even. Error 6 when its integer part does not fit.
Decimal roundedFromDigits(std::string_view d, long exp10, bool negative) {
    const long n = long(d.size());
    if (n == 0) return Decimal();
    const long intDigits = n + exp10;
    if (intDigits > 29) overflow();
    auto valueOf = [&](long count) {
        u128 v = 0;
        for (long i = 0; i < count && i < n; ++i) v = v * 10 + u128(d[i] - '0');
        for (long i = n; i < count; ++i) v *= 10;
        return v;
    };
    if (exp10 >= 0) {
        const u128 v = valueOf(n) * kPow10[exp10];
        if (v >= kLimit96) overflow();
        return make(v, 0, negative);
    }
    long scale = std::min<long>(Decimal::kMaxScale, -exp10);
    long keep = intDigits + scale;
    if (keep > 29) {
        scale -= keep - 29;
        keep = 29;
    }
    for (;;) {
        u128 v = keep > 0 ? valueOf(keep) : 0;
        int first = (keep >= 0 && keep < n) ? d[keep] - '0' : 0;
        bool rest = false;
        for (long i = std::max<long>(keep + 1, 0); i < n && !rest; ++i) rest = d[i] != '0';
        if (keep < 0) rest = true;  // all digits lie below the first dropped place
        if (roundsUpHalfEven(classify(first, rest), v & 1)) ++v;
        if (v < kLimit96) return make(v, int(scale), negative);
        if (scale == 0) overflow();
        --scale;
        --keep;
    }
}

// Aligns two magnitudes to the larger scale. False when the aligned values leave 128 bits.
bool alignFast(u128& a, int sa, u128& b, int sb) {
    if (sa == sb) return true;
    if (sa < sb) return !__builtin_mul_overflow(a, kPow10[sb - sa], &a);
    return !__builtin_mul_overflow(b, kPow10[sa - sb], &b);
}

void alignWide(U256& a, int sa, U256& b, int sb) {
    if (sa < sb) a.mulPow10(sb - sa);
    if (sb < sa) b.mulPow10(sa - sb);
}

// a + b with b's sign flipped when subtract is set.
Decimal addSigned(const Decimal& a, const Decimal& b, bool subtract) {
    const bool na = a.isNegative();
    const bool nb = b.isNegative() != subtract && !b.isZero();
    const int scale = std::max(a.scale(), b.scale());
    u128 ma = magnitudeOf(a), mb = magnitudeOf(b);
    if (alignFast(ma, a.scale(), mb, b.scale())) {
        if (na == nb) {
            u128 sum;
            if (!__builtin_add_overflow(ma, mb, &sum)) return reduce(sum, scale, na);
        } else {
            return ma >= mb ? reduce(ma - mb, scale, na) : reduce(mb - ma, scale, nb);
        }
    }
    U256 wa = U256::of(magnitudeOf(a)), wb = U256::of(magnitudeOf(b));
    alignWide(wa, a.scale(), wb, b.scale());
    if (na == nb) {
        wa.add(wb);
        return reduceWide(wa, scale, na);
    }
    if (U256::compare(wa, wb) >= 0) {
        wa.sub(wb);
        return reduceWide(wa, scale, na);
    }
    wb.sub(wa);
    return reduceWide(wb, scale, nb);
}

void checkPlaces(int places) {
    if (places < 0 || places > Decimal::kMaxScale) raise(kErrInvalidCall);
}

// Room for the longest text of a decimal: a sign, a point and 29 digits (or "0" and 28
// fraction digits).
constexpr size_t kTextCapacity = 64;

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Writes the ASCII digits of m from out on (room for 39); returns the end. Zero is "0".
char* writeDigits(u128 m, char* out) {
    if (m <= UINT64_MAX) return std::to_chars(out, out + 20, uint64_t(m)).ptr;
    // Beyond 64 bits the part above the low 19 digits still fits 64 bits (m < 2^96).
    const uint64_t low = uint64_t(m % kPow10[19]);
    out = std::to_chars(out, out + 20, uint64_t(m / kPow10[19])).ptr;
    char lowDigits[20];
    char* const lowEnd = std::to_chars(lowDigits, lowDigits + sizeof lowDigits, low).ptr;
    out = std::fill_n(out, 19 - (lowEnd - lowDigits), '0');
    return std::copy(lowDigits, lowEnd, out);
}

// Writes the plain text of magnitude m at a scale ("-" when negative, "." before the last
// `scale` digits, "0" before the point when there is no integer digit) from out on; returns
// the end. Needs kTextCapacity units.
template <class Unit>
Unit* writePlainText(u128 m, int scale, bool negative, Unit* out) {
    char d[40];
    char* const end = writeDigits(m, d);
    const long n = long(end - d);
    if (negative) *out++ = Unit('-');
    if (scale == 0) return std::copy(d, end, out);
    if (n <= scale) {
        *out++ = Unit('0');
        *out++ = Unit('.');
        out = std::fill_n(out, scale - n, Unit('0'));
        return std::copy(d, end, out);
    }
    out = std::copy(d, end - scale, out);
    *out++ = Unit('.');
    return std::copy(end - scale, end, out);
}

// Drops trailing fraction zeros.
void normalize(u128& m, int& scale) {
    if (m == 0) {
        scale = 0;
        return;
    }
    if (m <= UINT64_MAX) {  // the common case, on 64-bit division
        uint64_t small = uint64_t(m);
        while (scale > 0 && small % 10 == 0) {
            small /= 10;
            --scale;
        }
        m = small;
        return;
    }
    while (scale > 0 && m % 10 == 0) {
        m /= 10;
        --scale;
    }
}

// A plain number text: "-?d*(.d*)?" with 1 to 19 digits in all, so that its magnitude
// fits 64 bits. The texts sums are made of.
struct PlainNumber {
    uint64_t magnitude = 0;
    int scale = 0;
    bool negative = false;
};

// The text as a plain number; false for any other text.
bool readPlainNumber(StrView text, PlainNumber& out) {
    size_t i = 0;
    out.negative = !text.empty() && text[0] == u'-';
    if (out.negative) ++i;
    uint64_t m = 0;
    int digits = 0, scale = 0;
    for (; i < text.size() && isDigit(text[i]); ++i, ++digits) m = m * 10 + uint64_t(text[i] - u'0');
    if (i < text.size() && text[i] == u'.') {
        for (++i; i < text.size() && isDigit(text[i]); ++i, ++digits, ++scale) m = m * 10 + uint64_t(text[i] - u'0');
    }
    out.magnitude = m;
    out.scale = scale;
    return i == text.size() && digits > 0 && digits <= 19;
}

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

void DecimalDigits::trimTrailingZeros() {
    size_t n = digits.size();
    while (n > 0 && digits[n - 1] == '0') --n;
    exp10 += long(digits.size() - n);
    digits.resize(n);
    if (n == 0) exp10 = 0;
}

DecimalDigits digitsOfDouble(double v) {
    if (!std::isfinite(v)) overflow();
    DecimalDigits r;
    if (v == 0) return r;
    // Scientific with 14 decimals is exactly 15 significant digits, correctly rounded:
    // "d.dddddddddddddde+XX".
    char buf[40];
    const char* end = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 14).ptr;
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
    r.trimTrailingZeros();
    return r;
}

DecimalDigits roundAwayFromZero(DecimalDigits d, long places) {
    const long keep = d.integerDigits() + places;
    if (keep >= long(d.digits.size())) return d;
    // Halves go away from zero, so only the first dropped digit decides.
    const bool up = keep >= 0 && d.digits[size_t(keep)] >= '5';
    d.digits.resize(size_t(std::max(keep, 0L)));
    d.exp10 = -places;
    if (up) incrementDigits(d.digits);
    d.trimTrailingZeros();
    return d;
}

std::optional<DecimalDigits> scanNumberText(StrView s) {
    s = trimSpaces(s);
    DecimalDigits out;
    size_t i = 0;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        out.negative = s[i] == u'-';
        ++i;
        while (i < s.size() && s[i] == u' ') ++i;
    }
    bool anyDigit = false;
    auto takeDigit = [&](char16_t c, bool fraction) {
        anyDigit = true;
        if (out.digits.empty() && c == u'0') {
            if (fraction) --out.exp10;
            return;
        }
        out.digits.push_back(char(c));
        if (fraction) --out.exp10;
    };
    while (i < s.size()) {
        if (isDigit(s[i])) {
            takeDigit(s[i++], false);
        } else if (s[i] == u',' && anyDigit && i + 1 < s.size() && isDigit(s[i + 1])) {
            ++i;
        } else {
            break;
        }
    }
    if (i < s.size() && s[i] == u'.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) takeDigit(s[i++], true);
    }
    if (!anyDigit) return std::nullopt;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        ++i;
        bool expNegative = false;
        if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) expNegative = s[i++] == u'-';
        if (i >= s.size() || !isDigit(s[i])) return std::nullopt;
        long e = 0;
        while (i < s.size() && isDigit(s[i])) {
            if (e < 1000000) e = e * 10 + (s[i] - u'0');  // saturates far beyond any range
            ++i;
        }
        out.exp10 += expNegative ? -e : e;
    }
    if (i != s.size()) return std::nullopt;
    return out;
}

void Decimal::invalidScale() { raise(kErrInvalidCall); }


Decimal Decimal::fromInt64(int64_t v) {
    const uint64_t m = v < 0 ? uint64_t(0) - uint64_t(v) : uint64_t(v);
    return make(m, 0, v < 0);
}

Decimal Decimal::fromCurrency(int64_t scaled) {
    const uint64_t m = scaled < 0 ? uint64_t(0) - uint64_t(scaled) : uint64_t(scaled);
    return make(m, 4, scaled < 0);
}

Decimal Decimal::fromDigits(const DecimalDigits& d) {
    const long n = long(d.digits.size());
    if (n == 0) return Decimal();
    // Up to 19 digits, at most 28 of them after the point and a 64-bit value: exact as they
    // stand (the form the general path gives them too).
    if (n <= 19 && d.exp10 >= -kMaxScale && d.integerDigits() <= 19) {
        uint64_t m = 0;
        for (char c : d.digits) m = m * 10 + uint64_t(c - '0');
        if (d.exp10 <= 0) return fromParts(0, m, int(-d.exp10), d.negative);
        return make(u128(m) * kPow10[d.exp10], 0, d.negative);
    }
    return roundedFromDigits(d.digits, d.exp10, d.negative);
}

Decimal Decimal::fromDouble(double v) { return fromDigits(digitsOfDouble(v)); }

std::optional<Decimal> Decimal::parse(StrView text) {
    PlainNumber plain;
    if (readPlainNumber(text, plain)) {
        if (plain.magnitude == 0) return Decimal();
        return fromParts(0, plain.magnitude, plain.scale, plain.negative);
    }
    std::optional<DecimalDigits> n = scanNumberText(text);
    if (!n) return std::nullopt;
    return fromDigits(*n);
}

Str Decimal::toText() const {
    u128 m = magnitudeOf(*this);
    int scale = scale_;
    normalize(m, scale);
    char16_t buf[kTextCapacity];
    return Str(buf, writePlainText(m, scale, isNegative(), buf));
}

DecimalDigits Decimal::digits() const {
    DecimalDigits r;
    if (isZero()) return r;
    char buf[40];
    r.digits.assign(buf, writeDigits(magnitudeOf(*this), buf));
    r.exp10 = -scale_;
    r.negative = negative_;
    r.trimTrailingZeros();
    return r;
}

double Decimal::toDouble() const {
    static constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                              1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const u128 m = magnitudeOf(*this);
    if (m < (u128(1) << 53) && scale_ <= 22) {
        // Both operands are exact doubles, so the one division rounds correctly.
        const double d = double(uint64_t(m)) / kExactPowers[scale_];
        return isNegative() ? -d : d;
    }
    char buf[kTextCapacity];
    double d = 0;
    std::from_chars(buf, writePlainText(m, scale_, isNegative(), buf), d);
    return d;
}

int64_t Decimal::toInt64() const {
    const Decimal r = roundHalfEven(0);
    const u128 m = magnitudeOf(r);
    if (r.isNegative() ? m > (u128(1) << 63) : m >= (u128(1) << 63)) overflow();
    return r.isNegative() ? int64_t(uint64_t(0) - uint64_t(m)) : int64_t(m);
}

int64_t Decimal::toCurrency() const {
    const Decimal r = roundHalfEven(4);
    const u128 m = magnitudeOf(r) * kPow10[4 - r.scale()];
    if (r.isNegative() ? m > (u128(1) << 63) : m >= (u128(1) << 63)) overflow();
    return r.isNegative() ? int64_t(uint64_t(0) - uint64_t(m)) : int64_t(m);
}

Decimal Decimal::negated() const {
    Decimal d = *this;
    d.negative_ = !negative_ && !isZero();
    return d;
}

Decimal Decimal::abs() const {
    Decimal d = *this;
    d.negative_ = false;
    return d;
}

Decimal Decimal::roundAwayFromZero(int places) const {
    checkPlaces(places);
    if (places >= scale_) return *this;
    const DecimalDigits rounded = rt::roundAwayFromZero(digits(), places);
    // Back at `places` fraction digits; the rounded magnitude is at most the one it came
    // from, so it stays within 96 bits.
    u128 m = 0;
    for (char c : rounded.digits) m = m * 10 + u128(c - '0');
    if (m != 0) m *= kPow10[rounded.exp10 + places];
    return make(m, places, negative_);
}

Decimal Decimal::roundHalfEven(int places) const {
    checkPlaces(places);
    if (places >= scale_) return *this;
    const int k = scale_ - places;
    const u128 m = magnitudeOf(*this);
    u128 q = m / kPow10[k];
    if (roundsUpHalfEven(classifyRemainder(m % kPow10[k], k), q & 1)) ++q;
    return make(q, places, negative_);  // q + 1 <= m < 2^96
}

Decimal Decimal::normalized() const {
    u128 m = magnitudeOf(*this);
    int scale = scale_;
    normalize(m, scale);
    return make(m, scale, negative_);
}

// Operands whose aligned magnitudes stay within 96 bits, and whose sum does (the common
// case for money), are added here in place; everything else goes the general way. Written
// out by hand so that unoptimised builds stay quick too.
Decimal Decimal::addFast(const Decimal& a, const Decimal& b, bool negateB) {
    u128 ma = (u128(a.hi_) << 64) | a.lo_;
    u128 mb = (u128(b.hi_) << 64) | b.lo_;
    bool aligned = true;
    if (a.scale_ < b.scale_)
        aligned = !__builtin_mul_overflow(ma, kPow10[b.scale_ - a.scale_], &ma);
    else if (b.scale_ < a.scale_)
        aligned = !__builtin_mul_overflow(mb, kPow10[a.scale_ - b.scale_], &mb);
    if (aligned && (ma >> 96) == 0 && (mb >> 96) == 0) {
        const bool nb = b.negative_ != negateB;
        bool negative = a.negative_;
        u128 m;
        if (a.negative_ == nb) {
            m = ma + mb;
        } else if (ma >= mb) {
            m = ma - mb;
        } else {
            m = mb - ma;
            negative = nb;
        }
        if ((m >> 96) == 0) {
            Decimal r;
            r.hi_ = uint32_t(m >> 64);
            r.lo_ = uint64_t(m);
            r.scale_ = a.scale_ > b.scale_ ? a.scale_ : b.scale_;
            r.negative_ = negative && m != 0;
            return r;
        }
    }
    return addSigned(a, b, negateB);
}

Decimal operator+(const Decimal& a, const Decimal& b) { return Decimal::addFast(a, b, false); }

Decimal operator-(const Decimal& a, const Decimal& b) { return Decimal::addFast(a, b, true); }

Decimal operator*(const Decimal& a, const Decimal& b) {
    const bool negative = a.isNegative() != b.isNegative();
    const int scale = a.scale() + b.scale();
    const u128 ma = magnitudeOf(a), mb = magnitudeOf(b);
    u128 p;
    if (!__builtin_mul_overflow(ma, mb, &p)) return reduce(p, scale, negative);
    return reduceWide(U256::mul(ma, mb), scale, negative);
}

Decimal operator/(const Decimal& a, const Decimal& b) {
    const u128 divisor = magnitudeOf(b);
    if (divisor == 0) raise(kErrDivByZero);
    const bool negative = a.isNegative() != b.isNegative();
    const u128 dividend = magnitudeOf(a);
    // Long division, one digit at a time past the integer quotient: digits are appended
    // while the quotient stays within 96 bits and 28 fraction digits (and must be appended
    // while the scale is still negative, i.e. the divisor had more fraction digits).
    u128 q = dividend / divisor;
    u128 r = dividend % divisor;
    int scale = a.scale() - b.scale();
    while (scale < 0 || (r != 0 && scale < Decimal::kMaxScale)) {
        const u128 r10 = r * 10;  // r < 2^96, no overflow
        const u128 digit = r10 / divisor;
        const u128 next = q * 10 + digit;  // q < 2^96, no overflow
        if (next >= kLimit96) {
            if (scale < 0) overflow();
            break;
        }
        q = next;
        r = r10 % divisor;
        ++scale;
    }
    if (r != 0) {
        const u128 twice = r * 2;  // r < divisor < 2^96
        if (twice > divisor || (twice == divisor && (q & 1))) {
            ++q;
            if (q >= kLimit96) return reduceWide(U256::of(q), scale, negative).normalized();
        }
    }
    return make(q, scale, negative).normalized();
}

int Decimal::compare(const Decimal& a, const Decimal& b) {
    const bool na = a.isNegative(), nb = b.isNegative();
    if (a.isZero() && b.isZero()) return 0;
    if (na != nb) return na ? -1 : 1;
    u128 ma = magnitudeOf(a), mb = magnitudeOf(b);
    int c;
    if (alignFast(ma, a.scale(), mb, b.scale())) {
        c = ma < mb ? -1 : ma > mb ? 1 : 0;
    } else {
        U256 wa = U256::of(magnitudeOf(a)), wb = U256::of(magnitudeOf(b));
        alignWide(wa, a.scale(), wb, b.scale());
        c = U256::compare(wa, wb);
    }
    return na ? -c : c;
}

}  // namespace rt
