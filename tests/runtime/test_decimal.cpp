#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "runtime/decimal.h"
#include "runtime/value_testing.h"

using rt::Decimal;
using rt::testing::u8;

namespace {

using i128 = __int128;
using u128 = unsigned __int128;

Decimal dec(const char* text) {
    auto d = Decimal::parse(rt::ascii(text));
    if (!d) ADD_FAILURE() << "not a decimal: " << text;
    return d.value_or(Decimal());
}

std::string text(const Decimal& d) { return u8(d.toText()); }

std::string parsedText(const char* s) {
    auto d = Decimal::parse(rt::ascii(s));
    return d ? text(*d) : "<none>";
}

constexpr const char* kMax = "79228162514264337593543950335";

TEST(DecimalText, PlainTextDropsTrailingFractionZerosOnly) {
    EXPECT_EQ("1234.5", parsedText("1234.50"));
    EXPECT_EQ("14", parsedText("14.00"));
    EXPECT_EQ("1000", parsedText("1000"));
    EXPECT_EQ("0", parsedText("0.000"));
    EXPECT_EQ("0", parsedText("-0"));
    EXPECT_EQ("0.5", parsedText(".5"));
    EXPECT_EQ("-0.0015", parsedText("-0.0015"));
    EXPECT_EQ("5", parsedText("5."));
}

TEST(DecimalText, ParseAcceptsGroupsSignSpacesExponent) {
    EXPECT_EQ("-1234.5", parsedText("  -1,234.5  "));
    EXPECT_EQ("1234567.5", parsedText("1,234,567.5"));
    EXPECT_EQ("1000", parsedText("1e3"));
    EXPECT_EQ("1000", parsedText("1E+3"));
    EXPECT_EQ("0.0015", parsedText("1.5e-3"));
    EXPECT_EQ("12", parsedText("+12"));
    EXPECT_EQ("-12", parsedText("- 12"));
    EXPECT_EQ("0", parsedText("0e999999999999"));
    EXPECT_EQ("0", parsedText("1e-999999999999"));
}

TEST(DecimalText, ParseRejectsNonNumbers) {
    for (const char* s : {"", " ", "abc", "1,", ",1", "1,,2", "1e", "1e+", ".", "-", "1.2.3", "1 2", "12abc", "\t1",
                          "1,2.3,4", "0x10", "1d3"})
        EXPECT_EQ("<none>", parsedText(s)) << '"' << s << '"';
}

TEST(DecimalText, ParseLimits) {
    EXPECT_EQ(kMax, parsedText(kMax));
    EXPECT_EQ("-79228162514264337593543950335", parsedText("-79228162514264337593543950335"));
    EXPECT_RT_ERROR(6, Decimal::parse(u"79228162514264337593543950336"));
    EXPECT_RT_ERROR(6, Decimal::parse(u"1e29"));
    EXPECT_RT_ERROR(6, Decimal::parse(u"100000000000000000000000000000"));
    // Digits beyond the precision are rounded, halves to even.
    EXPECT_EQ("0.1234567890123456789012345679", parsedText("0.12345678901234567890123456789"));
    EXPECT_EQ("0", parsedText("0.00000000000000000000000000005"));
    EXPECT_EQ("0.0000000000000000000000000002", parsedText("0.00000000000000000000000000015"));
    EXPECT_EQ("0.0000000000000000000000000001", parsedText("0.00000000000000000000000000005000001"));
    EXPECT_EQ("7922816251426433759354395033.5", parsedText("7922816251426433759354395033.54"));
    EXPECT_EQ("7922816251426433759354395034", parsedText("7922816251426433759354395033.55"));
    EXPECT_EQ("1.0000000000000000000000000001", parsedText("1.0000000000000000000000000001"));
    // A fraction digit too many for 96 bits rounds into the integer part's last digit.
    EXPECT_EQ(kMax, parsedText("79228162514264337593543950335.4"));
    EXPECT_RT_ERROR(6, Decimal::parse(u"79228162514264337593543950335.5"));
}

TEST(DecimalConvert, FromDoubleUsesFifteenSignificantDigits) {
    EXPECT_EQ("2.675", text(Decimal::fromDouble(2.675)));
    EXPECT_EQ("1.005", text(Decimal::fromDouble(1.005)));
    EXPECT_EQ("0.3", text(Decimal::fromDouble(0.1 + 0.2)));
    EXPECT_EQ("0.1", text(Decimal::fromDouble(0.1)));
    EXPECT_EQ("-1234.5", text(Decimal::fromDouble(-1234.5)));
    EXPECT_EQ("123456789012346000", text(Decimal::fromDouble(123456789012345678.0)));
    EXPECT_EQ("100000000000000000000", text(Decimal::fromDouble(1e20)));
    EXPECT_EQ("0.00001", text(Decimal::fromDouble(1e-5)));
    EXPECT_EQ("0.0000000000000000000000000001", text(Decimal::fromDouble(1e-28)));
    EXPECT_EQ("0", text(Decimal::fromDouble(1e-30)));
    EXPECT_EQ("0", text(Decimal::fromDouble(-0.0)));
    EXPECT_FALSE(Decimal::fromDouble(-0.0).isNegative());
    EXPECT_EQ("79228162514264300000000000000", text(Decimal::fromDouble(7.92281625142643e28)));
    EXPECT_RT_ERROR(6, Decimal::fromDouble(7.9228162514265e28));
    EXPECT_RT_ERROR(6, Decimal::fromDouble(1e300));
    EXPECT_RT_ERROR(6, Decimal::fromDouble(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_RT_ERROR(6, Decimal::fromDouble(-std::numeric_limits<double>::infinity()));
}

TEST(DecimalConvert, ToDoubleIsNearest) {
    EXPECT_EQ(0.1, dec("0.1").toDouble());
    EXPECT_EQ(2.675, dec("2.675").toDouble());
    EXPECT_EQ(-1234.5, dec("-1234.5").toDouble());
    EXPECT_EQ(7.922816251426434e28, dec(kMax).toDouble());
    EXPECT_EQ(1.0, dec("1.0000000000000000000000000001").toDouble());
    EXPECT_EQ(1e-28, dec("0.0000000000000000000000000001").toDouble());
    EXPECT_EQ(0.0, Decimal().toDouble());
}

TEST(DecimalConvert, IntegersAndCurrencyRoundHalvesToEven) {
    EXPECT_EQ(2, dec("2.5").toInt64());
    EXPECT_EQ(4, dec("3.5").toInt64());
    EXPECT_EQ(-2, dec("-2.5").toInt64());
    EXPECT_EQ(3, dec("2.5000001").toInt64());
    EXPECT_EQ(INT64_MAX, dec("9223372036854775807.4").toInt64());
    EXPECT_EQ(INT64_MIN, dec("-9223372036854775808").toInt64());
    EXPECT_RT_ERROR(6, dec("9223372036854775807.5").toInt64());
    EXPECT_RT_ERROR(6, dec("-9223372036854775809").toInt64());
    EXPECT_EQ(-42, Decimal::fromInt64(-42).toInt64());
    EXPECT_EQ("-9223372036854775808", text(Decimal::fromInt64(INT64_MIN)));

    EXPECT_EQ(12346, dec("1.23456").toCurrency());
    EXPECT_EQ(0, dec("0.00005").toCurrency());
    EXPECT_EQ(2, dec("0.00015").toCurrency());
    EXPECT_EQ(-12345, dec("-1.2345").toCurrency());
    EXPECT_EQ("-1.2345", text(Decimal::fromCurrency(-12345)));
    EXPECT_EQ("922337203685477.5807", text(Decimal::fromCurrency(INT64_MAX)));
    EXPECT_RT_ERROR(6, dec("922337203685477.5808").toCurrency());
}

TEST(DecimalArithmetic, KnownSums) {
    EXPECT_EQ("0.3", text(dec("0.1") + dec("0.2")));
    EXPECT_EQ("14", text(dec("12.50") + dec("1.50")));
    EXPECT_EQ("7.5", text(dec("10") - dec("2.5")));
    EXPECT_EQ("-1", text(dec("1") - dec("2")));
    EXPECT_EQ("0", text(dec("1.25") - dec("1.25")));
    EXPECT_FALSE((dec("1.25") - dec("1.25")).isNegative());
    EXPECT_EQ("-3.75", text(dec("-1.25") + dec("-2.5")));
    EXPECT_EQ("1.0000000000000000000000000001", text(dec("1") + dec("0.0000000000000000000000000001")));
    EXPECT_EQ("12345678901234567890.123456789", text(dec("12345678901234567890") + dec("0.123456789")));
    EXPECT_EQ(kMax, text(dec("79228162514264337593543950334") + dec("1")));
    EXPECT_EQ("-79228162514264337593543950335", text(dec("-79228162514264337593543950334") - dec("1")));
}

TEST(DecimalArithmetic, SumsBeyondPrecisionRoundOrOverflow) {
    EXPECT_RT_ERROR(6, dec(kMax) + dec("1"));
    EXPECT_RT_ERROR(6, dec("-79228162514264337593543950335") - dec("1"));
    EXPECT_EQ(kMax, text(dec(kMax) + dec("0.4")));
    EXPECT_RT_ERROR(6, dec(kMax) + dec("0.5"));  // the tie rounds the odd last digit up
    EXPECT_EQ("79228162514264337593543950334", text(dec("79228162514264337593543950334") + dec("0.5")));
    EXPECT_EQ("10000000000000000000000000000", text(dec("9999999999999999999999999999.9") + dec("0.11")));
    EXPECT_EQ("3.1415926535897932384626433833",
              text(dec("3.1415926535897932384626433832") + dec("0.00000000000000000000000000008")));
}

TEST(DecimalArithmetic, Products) {
    EXPECT_EQ("2.25", text(dec("1.5") * dec("1.5")));
    EXPECT_EQ("0.01", text(dec("0.1") * dec("0.1")));
    EXPECT_EQ("-6", text(dec("-2") * dec("3")));
    EXPECT_EQ("6", text(dec("-2") * dec("-3")));
    EXPECT_EQ("0", text(dec("-2") * dec("0")));
    EXPECT_EQ("79.228162514264337593543950335", text(dec("7.9228162514264337593543950335") * dec("10")));
    EXPECT_EQ(kMax, text(dec(kMax) * dec("1")));
    EXPECT_RT_ERROR(6, dec(kMax) * dec("2"));
    // 56 fraction digits come back to 28, halves to even.
    EXPECT_EQ("0", text(dec("0.00000000000001") * dec("0.000000000000005")));
    EXPECT_EQ("0.0000000000000000000000000002",
              text(dec("0.00000000000001") * dec("0.000000000000015")));
    // A 192-bit product keeps its 29 leading digits.
    EXPECT_EQ("15241578753238836750190519988",
              text(dec("123456789012345.67890") * dec("123456789012345.67890")));
    EXPECT_EQ("1.5241578753238836750190519988",
              text(dec("1.2345678901234567890") * dec("1.2345678901234567890")));
}

TEST(DecimalArithmetic, Quotients) {
    EXPECT_EQ("0.3333333333333333333333333333", text(dec("1") / dec("3")));
    EXPECT_EQ("0.6666666666666666666666666667", text(dec("2") / dec("3")));
    EXPECT_EQ("2.5", text(dec("10") / dec("4")));
    EXPECT_EQ("-3.5", text(dec("-7") / dec("2")));
    EXPECT_EQ("1000", text(dec("1") / dec("0.001")));
    EXPECT_EQ("3333333333333333333333333333.3", text(dec("10000000000000000000000000000") / dec("3")));
    EXPECT_EQ("1", text(dec("1.00") / dec("1")));
    EXPECT_EQ("0.0000000000000000000000000001", text(dec("1") / dec("10000000000000000000000000000")));
    EXPECT_RT_ERROR(11, dec("1") / dec("0"));
    EXPECT_RT_ERROR(11, dec("0") / dec("0.00"));
    EXPECT_RT_ERROR(6, dec(kMax) / dec("0.1"));
    EXPECT_EQ(kMax, text(dec(kMax) / dec("1")));
}

TEST(DecimalCompare, ByValueAcrossScales) {
    EXPECT_EQ(0, Decimal::compare(dec("1.0"), dec("1")));
    EXPECT_EQ(-1, Decimal::compare(dec("0.1"), dec("0.2")));
    EXPECT_EQ(1, Decimal::compare(dec("0"), dec("-0.0001")));
    EXPECT_EQ(0, Decimal::compare(dec("0"), dec("-0.00")));
    EXPECT_EQ(-1, Decimal::compare(dec("-2"), dec("-1")));
    EXPECT_EQ(1, Decimal::compare(dec(kMax), dec("7.9228162514264337593543950335")));
    EXPECT_EQ(-1, Decimal::compare(dec("0.0000000000000000000000000001"), dec(kMax)));
    EXPECT_TRUE(dec("2.50") == dec("2.5"));
    EXPECT_TRUE(dec("2.49") < dec("2.5"));
}

TEST(DecimalRounding, BothWays) {
    EXPECT_EQ("2", text(dec("2.5").roundHalfEven(0)));
    EXPECT_EQ("4", text(dec("3.5").roundHalfEven(0)));
    EXPECT_EQ("-2", text(dec("-2.5").roundHalfEven(0)));
    EXPECT_EQ("3", text(dec("2.5").roundAwayFromZero(0)));
    EXPECT_EQ("-3", text(dec("-2.5").roundAwayFromZero(0)));
    EXPECT_EQ("2.68", text(Decimal::fromDouble(2.675).roundAwayFromZero(2)));
    EXPECT_EQ("1.01", text(Decimal::fromDouble(1.005).roundAwayFromZero(2)));
    EXPECT_EQ("-0.13", text(dec("-0.125").roundAwayFromZero(2)));
    EXPECT_EQ("-0.12", text(dec("-0.125").roundHalfEven(2)));
    EXPECT_EQ("0.13", text(dec("0.1251").roundHalfEven(2)));
    EXPECT_EQ("1.5", text(dec("1.5").roundHalfEven(3)));
    EXPECT_EQ(2, dec("2.50").roundHalfEven(3).scale());
    EXPECT_EQ(1, dec("2.55").roundHalfEven(1).scale());
    EXPECT_EQ("0", text(dec("0.4").roundAwayFromZero(0)));
    EXPECT_FALSE(dec("-0.4").roundAwayFromZero(0).isNegative());
    EXPECT_EQ("7922816251426433759354395034", text(dec("7922816251426433759354395033.5").roundAwayFromZero(0)));
    EXPECT_RT_ERROR(5, dec("1").roundHalfEven(-1));
}

TEST(DecimalRounding, NormalizedKeepsValue) {
    const Decimal d = dec("1234.5000");
    EXPECT_EQ(4, d.scale());
    EXPECT_EQ(1, d.normalized().scale());
    EXPECT_TRUE(d.normalized() == d);
    EXPECT_EQ(0, dec("100").normalized().scale());
    EXPECT_EQ("100", text(dec("100.00").normalized()));
}

// Reference rounding: the exact scaled value brought below 2^96 by dropping digits, halves
// to even. Returns the value at the scale it ends with.
std::pair<i128, int> referenceFit(i128 exact, int scale) {
    const bool negative = exact < 0;
    u128 m = negative ? u128(-exact) : u128(exact);
    int dropped = 0;
    while ((m >> 96) != 0 || scale - dropped > 28) {
        ++dropped;
        u128 p = 1;
        for (int i = 0; i < dropped; ++i) p *= 10;
        u128 q = (negative ? u128(-exact) : u128(exact)) / p, r = (negative ? u128(-exact) : u128(exact)) % p;
        if (r * 2 > p || (r * 2 == p && (q & 1))) ++q;
        m = q;
    }
    return {negative ? -i128(m) : i128(m), scale - dropped};
}

// Random operands checked against 128-bit integer arithmetic on the aligned values: exact
// where the result fits 96 bits, rounded halves-to-even where it does not.
TEST(DecimalArithmetic, MatchesExactIntegerArithmeticOnRandomValues) {
    std::mt19937_64 rng(20070305);
    auto randomMagnitude = [&](int maxDigits) {
        const int digits = 1 + int(rng() % unsigned(maxDigits));
        u128 v = 0;
        for (int i = 0; i < digits; ++i) v = v * 10 + rng() % 10;
        return v;
    };
    auto pow10 = [](int k) {
        u128 p = 1;
        while (k-- > 0) p *= 10;
        return p;
    };
    auto decimalOf = [](i128 scaled, int scale) {
        const u128 m = scaled < 0 ? u128(-scaled) : u128(scaled);
        return Decimal::fromParts(uint32_t(m >> 64), uint64_t(m), scale, scaled < 0);
    };
    auto scaledAt = [](const Decimal& d, int scale) {
        u128 m = (u128(d.hi()) << 64) | d.lo();
        for (int s = d.scale(); s < scale; ++s) m *= 10;
        return d.isNegative() ? -i128(m) : i128(m);
    };
    for (int round = 0; round < 20000; ++round) {
        const int sa = int(rng() % 12), sb = int(rng() % 12);
        const i128 a = i128(randomMagnitude(20)) * ((rng() & 1) ? -1 : 1);
        const i128 b = i128(randomMagnitude(20)) * ((rng() & 1) ? -1 : 1);
        const int s = std::max(sa, sb);
        const i128 alignedA = a * i128(pow10(s - sa)), alignedB = b * i128(pow10(s - sb));
        const Decimal da = decimalOf(a, sa), db = decimalOf(b, sb);

        const auto [sumValue, sumScale] = referenceFit(alignedA + alignedB, s);
        const Decimal sum = da + db;
        ASSERT_EQ(sumValue, scaledAt(sum, sumScale)) << text(da) << " + " << text(db) << " = " << text(sum);
        const auto [differenceValue, differenceScale] = referenceFit(alignedA - alignedB, s);
        const Decimal difference = da - db;
        ASSERT_EQ(differenceValue, scaledAt(difference, differenceScale)) << text(da) << " - " << text(db);
        ASSERT_EQ((alignedA > alignedB) - (alignedA < alignedB), Decimal::compare(da, db));

        const i128 small_a = a % i128(pow10(14)), small_b = b % i128(pow10(14));
        const Decimal product = decimalOf(small_a, sa) * decimalOf(small_b, sb);
        ASSERT_EQ(small_a * small_b, scaledAt(product, sa + sb));
        if (small_b != 0 && small_a * small_b != 0) {
            // An exact product divided by one factor gives back the other exactly.
            const Decimal quotient = product / decimalOf(small_b, sb);
            ASSERT_TRUE(quotient == decimalOf(small_a, sa)) << text(product) << " / " << text(decimalOf(small_b, sb));
        }
    }
}

TEST(DecimalArithmetic, TextRoundTripsOnRandomValues) {
    std::mt19937_64 rng(42);
    for (int round = 0; round < 5000; ++round) {
        const uint64_t lo = rng();
        const uint32_t hi = uint32_t(rng());
        const int scale = int(rng() % 29);
        const Decimal d = Decimal::fromParts(hi, lo, scale, rng() & 1);
        const auto back = Decimal::parse(d.toText());
        ASSERT_TRUE(back.has_value());
        ASSERT_TRUE(*back == d) << text(d);
    }
}

// ---- the digit form ---------------------------------------------------------------------

std::string digitsText(const rt::DecimalDigits& d) {
    return (d.negative ? "-" : "") + d.digits + "e" + std::to_string(d.exp10);
}

rt::DecimalDigits digitsOf(const char* text) {
    auto d = rt::scanNumberText(rt::ascii(text));
    if (!d) ADD_FAILURE() << "not a number: " << text;
    rt::DecimalDigits r = d.value_or(rt::DecimalDigits());
    r.trimTrailingZeros();
    return r;
}

TEST(DecimalDigits, ScannedTextKeepsItsTrailingZeros) {
    EXPECT_EQ("-123450e-2", digitsText(*rt::scanNumberText(u" -1,234.50 ")));
    EXPECT_EQ("e-3", digitsText(*rt::scanNumberText(u"0.000")));
    EXPECT_EQ("15e-4", digitsText(*rt::scanNumberText(u"1.5e-3")));
    EXPECT_FALSE(rt::scanNumberText(u"1,,0").has_value());
    rt::DecimalDigits d = *rt::scanNumberText(u"-1200.00");
    d.trimTrailingZeros();
    EXPECT_EQ("-12e2", digitsText(d));
    d = *rt::scanNumberText(u"-0.00");
    d.trimTrailingZeros();
    EXPECT_EQ("-e0", digitsText(d));  // the sign is the caller's to drop
}

TEST(DecimalDigits, OfDoublesToFifteenSignificantDigits) {
    EXPECT_EQ("3e-1", digitsText(rt::digitsOfDouble(0.1 + 0.2)));
    EXPECT_EQ("1e-7", digitsText(rt::digitsOfDouble(1e-7)));
    EXPECT_EQ("123456789012346e3", digitsText(rt::digitsOfDouble(123456789012345678.0)));
    EXPECT_EQ("-2675e-3", digitsText(rt::digitsOfDouble(-2.675)));
    EXPECT_EQ("333333333333333e-15", digitsText(rt::digitsOfDouble(1.0 / 3)));
    EXPECT_EQ("1e15", digitsText(rt::digitsOfDouble(999999999999999.9)));  // the carry adds a digit
    EXPECT_EQ("179769313486232e294", digitsText(rt::digitsOfDouble(std::numeric_limits<double>::max())));
    EXPECT_EQ("494065645841247e-338", digitsText(rt::digitsOfDouble(std::numeric_limits<double>::denorm_min())));
    EXPECT_EQ("e0", digitsText(rt::digitsOfDouble(0.0)));
    EXPECT_EQ("e0", digitsText(rt::digitsOfDouble(-0.0)));  // negative zero is zero
    EXPECT_RT_ERROR(6, rt::digitsOfDouble(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_RT_ERROR(6, rt::digitsOfDouble(std::numeric_limits<double>::infinity()));
    EXPECT_RT_ERROR(6, rt::digitsOfDouble(-std::numeric_limits<double>::infinity()));
}

TEST(DecimalDigits, DigitsOfDoublesAreTheCLibrarysFifteenDigits) {
    std::mt19937_64 rng(15);
    for (int round = 0; round < 20000; ++round) {
        double x;
        const uint64_t bits = rng();
        std::memcpy(&x, &bits, sizeof x);
        if (!std::isfinite(x) || x == 0) continue;
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.14e", x);
        const rt::DecimalDigits want = digitsOf(buf);
        ASSERT_EQ(digitsText(want), digitsText(rt::digitsOfDouble(x))) << buf;
    }
}

TEST(DecimalDigits, RoundAwayFromZeroAtEachPlace) {
    auto rounded = [](const char* text, long places) { return digitsText(rt::roundAwayFromZero(digitsOf(text), places)); };
    EXPECT_EQ("3e0", rounded("2.5", 0));
    EXPECT_EQ("-3e0", rounded("-2.5", 0));
    EXPECT_EQ("2e0", rounded("2.4999", 0));
    EXPECT_EQ("13e-2", rounded("0.125", 2));
    EXPECT_EQ("-13e-2", rounded("-0.125", 2));
    EXPECT_EQ("1235e-3", rounded("1.2345", 3));
    EXPECT_EQ("12346e-4", rounded("1.23455", 4));
    EXPECT_EQ("1e1", rounded("9.5", 0));     // carries through every digit
    EXPECT_EQ("1e1", rounded("9.995", 2));
    EXPECT_EQ("1e0", rounded("0.5", 0));     // the first dropped digit is the first digit
    EXPECT_EQ("e0", rounded("0.05", 0));     // every digit lies below the first dropped place
    EXPECT_EQ("-e0", rounded("-0.0004", 3));  // rounds to zero and keeps its sign
    EXPECT_EQ("12345e-4", rounded("1.2345", 4));  // nothing to drop: unchanged
    EXPECT_EQ("12345e-4", rounded("1.2345", 40));
    EXPECT_EQ("1e20", rounded("1e20", 2));
    EXPECT_EQ("e0", rounded("0", 2));
}

TEST(DecimalConvert, FromDoubleIsTheDecimalOfItsFifteenDigits) {
    // Both sides of the quick path's bounds (up to 19 digits, at most 28 of them fractional).
    EXPECT_EQ("999999999999999", text(Decimal::fromDouble(999999999999999.0)));
    EXPECT_EQ("1000000000000000", text(Decimal::fromDouble(1e15)));
    EXPECT_EQ("9999999999999990000", text(Decimal::fromDouble(9.99999999999999e18)));
    EXPECT_EQ("10000000000000000000", text(Decimal::fromDouble(1e19)));
    EXPECT_EQ("0.0000000000000123456789012345", text(Decimal::fromDouble(1.23456789012345e-14)));
    // Beyond 28 places the general path rounds, halves to even.
    EXPECT_EQ("0.0000000000000012345678901234", text(Decimal::fromDouble(1.23456789012345e-15)));
    EXPECT_EQ("0.0000000000000012345678901236", text(Decimal::fromDouble(1.23456789012355e-15)));
    EXPECT_EQ("0.0000000000000012345678901235", text(Decimal::fromDouble(1.23456789012346e-15)));
    EXPECT_EQ(0, Decimal::fromDouble(1200.0).scale());
    EXPECT_EQ(2, Decimal::fromDouble(-12.25).scale());
    EXPECT_TRUE(Decimal::fromDouble(-12.25).isNegative());
    EXPECT_EQ("0.0000001", text(Decimal::fromDouble(1e-7)));

    std::mt19937_64 rng(28);
    std::uniform_real_distribution<double> exponent(-32, 30);
    for (int round = 0; round < 20000; ++round) {
        const double x = std::pow(10.0, exponent(rng)) * ((rng() & 1) ? -1 : 1);
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.14e", x);
        std::optional<Decimal> want;
        const int wantError = rt::testing::errorNumberOf([&] { want = Decimal::parse(rt::ascii(buf)); });
        Decimal got;
        ASSERT_EQ(wantError, rt::testing::errorNumberOf([&] { got = Decimal::fromDouble(x); })) << buf;
        if (wantError != 0) continue;
        ASSERT_EQ(text(*want), text(got)) << buf;
    }
}

// parse reads plain texts on a quick path; the same text with a leading space takes the
// general one. Both give the same decimal, scale included.
TEST(DecimalText, QuickAndGeneralReadingsAgree) {
    auto same = [](const Decimal& a, const Decimal& b) {
        return a.hi() == b.hi() && a.lo() == b.lo() && a.scale() == b.scale() && a.isNegative() == b.isNegative();
    };
    for (const char* plain : {"0", "-0", "-0.00", "1.50", "-123.45", ".5", "-.5", "5.", "0000000000000000001",
                              "9999999999999999999", "18446744073709551615", "99999999999999999999",
                              ".0000000000000000001", "1234567890.123456789", "00000000000000000000000.5"}) {
        const std::optional<Decimal> quick = Decimal::parse(rt::ascii(plain));
        const std::optional<Decimal> general = Decimal::parse(rt::ascii(std::string(" ") + plain));
        ASSERT_TRUE(quick.has_value()) << plain;
        ASSERT_TRUE(general.has_value()) << plain;
        EXPECT_TRUE(same(*quick, *general)) << plain << ": " << text(*quick) << " against " << text(*general);
    }
    EXPECT_EQ(2, dec("1.50").scale());
    EXPECT_FALSE(dec("-0.00").isNegative());
    EXPECT_EQ("<none>", parsedText("-"));
    EXPECT_EQ("<none>", parsedText("-."));
}

// The text writer against plain integer arithmetic, magnitudes beyond 64 bits included.
TEST(DecimalText, TextMatchesIntegerArithmetic) {
    std::mt19937_64 rng(96);
    for (int round = 0; round < 20000; ++round) {
        const u128 m = ((u128(uint32_t(rng())) << 64) | rng()) >> (rng() % 96);
        const int scale = int(rng() % 29);
        const bool negative = rng() & 1;
        const Decimal d = Decimal::fromParts(uint32_t(m >> 64), uint64_t(m), scale, negative);
        std::string digits;
        for (u128 v = m; v != 0; v /= 10) digits.insert(digits.begin(), char('0' + int(v % 10)));
        if (digits.size() <= size_t(scale)) digits.insert(0, size_t(scale) + 1 - digits.size(), '0');
        std::string want = digits.substr(0, digits.size() - size_t(scale));
        std::string fraction = digits.substr(digits.size() - size_t(scale));
        while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
        if (!fraction.empty()) want += "." + fraction;
        if (negative && m != 0) want.insert(0, "-");
        ASSERT_EQ(want, text(d));
    }
    EXPECT_EQ("18446744073709551616", text(dec("18446744073709551616")));
    EXPECT_EQ("100000000000000000005", text(dec("100000000000000000005")));
    EXPECT_EQ("-1.0000000000000000005", text(dec("-1.0000000000000000005")));
    EXPECT_EQ("7.9228162514264337593543950335", text(dec("7.9228162514264337593543950335")));
}

TEST(DecimalDigits, OfDecimalsExactly) {
    EXPECT_EQ("12345e-1", digitsText(dec("1234.5000").digits()));
    EXPECT_EQ("-1e20", digitsText(dec("-100000000000000000000").digits()));
    EXPECT_EQ(std::string(kMax) + "e-28", digitsText(dec("7.9228162514264337593543950335").digits()));
    EXPECT_EQ("e0", digitsText(dec("-0.00").digits()));
    EXPECT_EQ("e0", digitsText(Decimal().digits()));
    const rt::DecimalDigits d = dec("-12.5").digits();
    EXPECT_TRUE(Decimal::fromDigits(d) == dec("-12.5"));
    EXPECT_RT_ERROR(6, Decimal::fromDigits(digitsOf("1e29")));
    EXPECT_EQ("0.0000000000000000000000000001", text(Decimal::fromDigits(digitsOf("1.4e-28"))));
}

TEST(DecimalRounding, AwayFromZeroKeepsThePlacesAsScale) {
    EXPECT_EQ(2, dec("1.1000").roundAwayFromZero(2).scale());
    EXPECT_EQ(2, dec("0.995").roundAwayFromZero(2).scale());
    EXPECT_EQ("1", text(dec("0.995").roundAwayFromZero(2)));
    EXPECT_EQ(1, dec("1.5").roundAwayFromZero(2).scale());  // places beyond the scale: unchanged
    EXPECT_FALSE(dec("-0.004").roundAwayFromZero(2).isNegative());
    EXPECT_EQ("-0.01", text(dec("-0.005").roundAwayFromZero(2)));
    EXPECT_EQ("123456789012345678901234567.9", text(dec("123456789012345678901234567.85").roundAwayFromZero(1)));
    EXPECT_RT_ERROR(5, dec("1.5").roundAwayFromZero(-1));
    EXPECT_RT_ERROR(5, dec("1.5").roundAwayFromZero(29));
}

}  // namespace
