// The number pattern formatter and the digits it reads values as, with an integer-arithmetic
// oracle over generated numbers.
#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "runtime/number_format.h"
#include "runtime/value_testing.h"
#include "support/oracle.h"

using namespace rt;
using rt::testing::u8;

namespace {

std::string format(const Variant& v, const char16_t* pattern) { return u8(formatNumber(v, pattern)); }
std::string format(const char* text, const char16_t* pattern) { return format(Variant(ascii(text)), pattern); }

std::string digitsText(const DecimalDigits& d) {
    return (d.negative ? "-" : "") + d.digits + "e" + std::to_string(d.exp10);
}

TEST(NumberPattern, ReadsTheGrammar) {
    const NumberPattern fixed = parseNumberPattern(u"#,##0.00");
    EXPECT_EQ(1, fixed.minIntegerDigits);
    EXPECT_TRUE(fixed.grouping);
    EXPECT_TRUE(fixed.point);
    EXPECT_EQ(2, fixed.minFraction);
    EXPECT_EQ(2, fixed.maxFraction);
    EXPECT_FALSE(fixed.percent);

    const NumberPattern upToFour = parseNumberPattern(u"#,###.####%");
    EXPECT_EQ(0, upToFour.minIntegerDigits);
    EXPECT_EQ(0, upToFour.minFraction);
    EXPECT_EQ(4, upToFour.maxFraction);
    EXPECT_TRUE(upToFour.percent);

    const NumberPattern whole = parseNumberPattern(u"#");
    EXPECT_FALSE(whole.point);
    EXPECT_FALSE(whole.grouping);

    EXPECT_EQ(3, parseNumberPattern(u"0.0##").maxFraction);
    EXPECT_EQ(1, parseNumberPattern(u"0.0##").minFraction);
}

TEST(NumberPattern, RefusesOtherTexts) {
    for (const char16_t* bad : {u"", u"abc", u"#.#.#", u"0.00x", u"%0", u"#%%", u"0,00.0,0", u" 0.00", u"0.00 "})
        EXPECT_RT_ERROR(5, parseNumberPattern(bad)) << u8(bad);
    try {
        parseNumberPattern(u"#;#");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(u"Unsupported number pattern", e.description());
    }
    EXPECT_RT_ERROR(5, NumberPattern::optionalDecimals(-1));
}

TEST(NumberPattern, NamedShapesMatchTheirTexts) {
    auto same = [](const NumberPattern& a, const NumberPattern& b) {
        return a.minIntegerDigits == b.minIntegerDigits && a.grouping == b.grouping && a.point == b.point &&
               a.minFraction == b.minFraction && a.maxFraction == b.maxFraction && a.percent == b.percent;
    };
    EXPECT_TRUE(same(NumberPattern::fixedDecimals(3), parseNumberPattern(u"#,##0.000")));
    EXPECT_TRUE(same(NumberPattern::fixedDecimals(0), parseNumberPattern(u"#,##0.")));
    EXPECT_TRUE(same(NumberPattern::fixedDecimals(-2), parseNumberPattern(u"#,##0.")));
    EXPECT_TRUE(same(NumberPattern::upToFourDecimals(), parseNumberPattern(u"#,###.####")));
    EXPECT_TRUE(same(NumberPattern::wholeNumber(), parseNumberPattern(u"#,###")));
    EXPECT_TRUE(same(NumberPattern::optionalDecimals(2), parseNumberPattern(u"0.##")));
}

TEST(FormatNumber, EachShape) {
    EXPECT_EQ("1,234,567.89", format(1234567.891, u"#,##0.00"));
    EXPECT_EQ("0.50", format(0.5, u"#,##0.00"));
    EXPECT_EQ("1,235.", format(1234.5, u"#,##0."));
    EXPECT_EQ(".25", format(0.25, u"#,###.####"));
    EXPECT_EQ("1,234.", format(1234.0, u"#,###.####"));
    EXPECT_EQ("", format(0.4, u"#,###"));  // rounds to zero: no digit at all
    EXPECT_EQ("999", format(999.0, u"#,###"));
    EXPECT_EQ("1,000", format(999.5, u"#,###"));
    EXPECT_EQ("3.14", format(3.14159, u"0.##"));
    EXPECT_EQ("3.", format(3.001, u"0.##"));
    EXPECT_EQ("007.5", format(7.5, u"000.0"));
    EXPECT_EQ("12.50%", format(0.125, u"#,##0.00%"));
    EXPECT_EQ("0.00%", format(0.0, u"#,##0.00%"));
    EXPECT_EQ("123,456,789,012,345,678,901,234,567,890.00", format("123456789012345678901234567890", u"#,##0.00"));
}

TEST(FormatNumber, HalvesGoAwayFromZeroAtEachPlace) {
    EXPECT_EQ("3", format("2.5", u"0"));
    EXPECT_EQ("-3", format("-2.5", u"0"));
    EXPECT_EQ("2.7", format("2.65", u"0.#"));
    EXPECT_EQ("2.68", format("2.675", u"0.##"));
    EXPECT_EQ("-2.68", format("-2.675", u"0.##"));
    EXPECT_EQ("0.001", format("0.0005", u"0.###"));
    EXPECT_EQ("1.0001", format("1.00005", u"0.####"));
    const std::u16string places35 = u"0." + std::u16string(35, u'#');  // beyond any decimal's scale
    EXPECT_EQ("1." + std::string(34, '0') + "1", format(("1." + std::string(35, '0') + "5").c_str(), places35.c_str()));
    // Below a half stays, carries run through every place.
    EXPECT_EQ("2.67", format("2.67499999999999999999", u"0.##"));
    EXPECT_EQ("10,000.00", format("9999.995", u"#,##0.00"));
    EXPECT_EQ("1.", format("0.95", u"0."));
    // On the 15-digit form of a double, not its binary value: 2.675 is 2.67499999... in binary.
    EXPECT_EQ("2.68", format(2.675, u"0.##"));
    EXPECT_EQ("1.01", format(1.005, u"0.##"));
}

TEST(FormatNumber, NegativeValuesKeepTheirSign) {
    EXPECT_EQ("-0.00", format(-0.004, u"#,##0.00"));
    EXPECT_EQ("-", format(-0.4, u"#,###"));
    EXPECT_EQ("0.00", format(-0.0, u"#,##0.00"));
    EXPECT_EQ("0.00", format("-0", u"#,##0.00"));
    EXPECT_EQ("0.00", format("-0.000", u"#,##0.00"));
}

TEST(FormatNumber, ValuesItCannotWrite) {
    // Up to 1000 integer digits: beyond any double, so only text gets there.
    EXPECT_RT_ERROR(6, formatNumber(Variant(ascii("1e1000")), u"0"));
    EXPECT_EQ(1001u, formatNumber(Variant(ascii("1e999")), u"0.").size());  // 1000 digits and the point
    EXPECT_RT_ERROR(6, formatNumber(Variant(ascii("1e999")), u"0%"));
    EXPECT_RT_ERROR(6, formatNumber(Variant(std::numeric_limits<double>::quiet_NaN()), u"0"));
    EXPECT_RT_ERROR(6, formatNumber(Variant(std::numeric_limits<double>::infinity()), u"0"));
    EXPECT_RT_ERROR(13, formatNumber(Variant(u"abc"), u"0"));
    EXPECT_RT_ERROR(94, formatNumber(Variant(Null{}), u"0"));
    EXPECT_RT_ERROR(5, formatNumber(Variant(1.0), u"x"));

    Str out = u"kept";
    EXPECT_RT_ERROR(6, appendFormatted(digitsOfValue(Variant(ascii("1e1001"))), NumberPattern::wholeNumber(), out));
    EXPECT_EQ(u"kept", out);
    appendFormatted(digitsOfValue(Variant(12.5)), NumberPattern::fixedDecimals(1), out);
    EXPECT_EQ(u"kept12.5", out);
}

TEST(DigitsOfValue, EachKindOfValue) {
    EXPECT_EQ("3e-1", digitsText(digitsOfValue(Variant(0.1 + 0.2))));
    EXPECT_EQ("123456789012346e3", digitsText(digitsOfValue(Variant(123456789012345678.0))));
    EXPECT_EQ("1e-7", digitsText(digitsOfValue(Variant(1e-7))));
    EXPECT_EQ("1e300", digitsText(digitsOfValue(Variant(1e300))));  // doubles need no decimal range
    // Text is read exactly, groups and exponent included, beyond the decimal range too.
    EXPECT_EQ("-12345e-1", digitsText(digitsOfValue(Variant(u" -1,234.50 "))));
    EXPECT_EQ("15e-4", digitsText(digitsOfValue(Variant(u"1.5E-3"))));
    EXPECT_EQ("1e40", digitsText(digitsOfValue(Variant(u"1e40"))));
    EXPECT_EQ("12345678901234567890123456789012345e-5",
              digitsText(digitsOfValue(Variant(u"123456789012345678901234567890.12345"))));
    EXPECT_EQ("e0", digitsText(digitsOfValue(Variant(u"-0.00"))));
    // Other values through the decimal type.
    EXPECT_EQ("-1e0", digitsText(digitsOfValue(Variant(true))));
    EXPECT_EQ("12345e-4", digitsText(digitsOfValue(Variant(Currency{12345}))));
    EXPECT_EQ("e0", digitsText(digitsOfValue(Variant())));
    EXPECT_EQ("42e0", digitsText(digitsOfValue(Variant(int32_t(42)))));
    EXPECT_EQ("25e-1", digitsText(digitsOfValue(Variant(*Decimal::parse(u"2.500")))));

    EXPECT_RT_ERROR(13, digitsOfValue(Variant(u"12abc")));
    EXPECT_RT_ERROR(13, digitsOfValue(Variant(u"")));
    EXPECT_RT_ERROR(94, digitsOfValue(Variant(Null{})));
    EXPECT_RT_ERROR(6, digitsOfValue(Variant(-std::numeric_limits<double>::infinity())));
    EXPECT_RT_ERROR(6, digitsOfValue(Variant(DateValue{1e30})));  // dates go through the decimal range
}

// ---- the oracle: integer arithmetic on a magnitude with a scale -------------------------

using support::pow10;
using support::u128;
using support::digitsOf;

// magnitude / 10^scale written with maxFraction places (halves away from zero), grouped,
// minFraction places at least, no integer digit for zero when minInt is 0.
std::string expected(bool negative, u128 magnitude, int scale, int minInt, int minFrac, int maxFrac, bool percent) {
    if (percent) magnitude *= 100;
    if (scale > maxFrac) {
        const u128 unit = pow10(scale - maxFrac);
        magnitude = magnitude / unit + (magnitude % unit * 2 >= unit ? 1 : 0);
        scale = maxFrac;
    }
    std::string whole = digitsOf(magnitude / pow10(scale));
    std::string frac = scale == 0 ? "" : digitsOf(magnitude % pow10(scale));
    frac.insert(0, size_t(scale) - frac.size(), '0');
    while (int(frac.size()) > minFrac && frac.back() == '0') frac.pop_back();
    frac.resize(std::max(frac.size(), size_t(minFrac)), '0');
    if (whole == "0" && minInt == 0) whole.clear();
    std::string out = negative ? "-" : "";
    for (size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0) out += ',';
        out += whole[i];
    }
    out += "." + frac;
    if (percent) out += "%";
    return out;
}

TEST(FormatNumber, AgreesWithIntegerArithmeticOnGeneratedNumbers) {
    std::mt19937_64 rng(20240701);
    for (int round = 0; round < 5000; ++round) {
        // Up to 30 digits, zeros, nines and fives favoured so that carries and ties are common.
        const int length = 1 + int(rng() % 30);
        u128 m = 0;
        for (int i = 0; i < length; ++i) {
            const uint64_t r = rng() % 20;
            m = m * 10 + (r < 6 ? 0 : r < 11 ? 9 : r < 14 ? 5 : r % 10);
        }
        const int scale = int(rng() % 8);
        const bool negative = (rng() & 1) && m != 0;
        std::string text = digitsOf(m);
        if (scale > 0) {
            text.insert(0, size_t(std::max(0, scale + 1 - int(text.size()))), '0');
            text.insert(text.size() - size_t(scale), ".");
        }
        if (negative) text.insert(0, "-");

        const int minFrac = int(rng() % 5), maxFrac = minFrac + int(rng() % 3);
        const bool percent = rng() % 4 == 0;
        std::u16string pattern = u"#,##0." + std::u16string(size_t(minFrac), u'0') +
                                 std::u16string(size_t(maxFrac - minFrac), u'#') + (percent ? u"%" : u"");
        ASSERT_EQ(expected(negative, m, scale, 1, minFrac, maxFrac, percent), format(text.c_str(), pattern.c_str()))
            << text << " with " << u8(pattern);
    }
}

}  // namespace
