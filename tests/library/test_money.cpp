// Money formatting, exact addition and rounding, through the early-bound interface and
// late-bound by name, with an integer-arithmetic oracle over generated amounts.
#include <limits>
#include <random>
#include <string>

#include "library_testing.h"
#include "support/testing.h"
#include "support/oracle.h"

using namespace velmora;
using namespace velmora::testing;
using rt::CallArg;
using rt::Str;
using rt::Variant;

namespace {

class Money : public ::testing::Test {
protected:
    rt::ComPtr<_CCommonFunction> cf = newCommon();

    Str format(Variant v, int16_t hasdot = 1, int16_t count = 2, int16_t mode = 0) {
        return client::call(cf.get(), &_CCommonFunction::sMoneyFormat, &v, &hasdot, &count, &mode);
    }
    Str addIn(Variant& a, Variant& b, bool plus = true) {
        VARIANT_BOOL mode = plus ? rt::VARIANT_TRUE : rt::VARIANT_FALSE;
        int16_t dots = 2;
        return client::call(cf.get(), &_CCommonFunction::strAdd, &a, &b, &mode, &dots);
    }
    Str add(Variant a, Variant b, bool plus = true) { return addIn(a, b, plus); }
    Variant round(double v, int16_t dec) { return client::call(cf.get(), &_CCommonFunction::Vround, &v, &dec); }

    int failureNumber(auto&& call) { return support::errorNumberOf(call); }
};

// ---- the oracle: integer arithmetic on a magnitude with a scale --------------------------

using support::pow10;
using support::u128;
using support::digitsOf;

struct Shape {
    int minInt, minFrac, maxFrac;
    bool grouping, point, percent;
};

// magnitude / 10^scale, rounded half away from zero to the shape's places and written out.
Str expectedText(bool negative, u128 magnitude, int scale, const Shape& s) {
    if (s.percent) magnitude *= 100;
    if (scale > s.maxFrac) {
        const u128 unit = pow10(scale - s.maxFrac);
        magnitude = magnitude / unit + (magnitude % unit * 2 >= unit ? 1 : 0);
        scale = s.maxFrac;
    }
    std::string whole = digitsOf(magnitude / pow10(scale));
    std::string frac = digitsOf(magnitude % pow10(scale));
    frac = scale == 0 ? "" : std::string(size_t(scale) - frac.size(), '0') + frac;
    while (int(frac.size()) > s.minFrac && frac.back() == '0') frac.pop_back();
    frac.resize(std::max<size_t>(frac.size(), size_t(s.minFrac)), '0');
    if (whole == "0" && s.minInt == 0) whole.clear();
    std::string out = negative ? "-" : "";
    for (size_t i = 0; i < whole.size(); ++i) {
        if (s.grouping && i > 0 && (whole.size() - i) % 3 == 0) out += ',';
        out += whole[i];
    }
    if (s.point) out += "." + frac;
    if (s.percent) out += "%";
    return rt::ascii(out);
}

// An amount with up to 15 significant digits and up to 4 decimals, zeros favoured so that
// rounding carries and zero groups are common.
struct Amount {
    bool negative;
    uint64_t magnitude;  // in units of 10^-scale
    int scale;
    Str text() const {
        std::string d = digitsOf(magnitude);
        if (scale > 0) {
            if (d.size() <= size_t(scale)) d.insert(0, size_t(scale) + 1 - d.size(), '0');
            d.insert(d.size() - size_t(scale), ".");
        }
        return rt::ascii((negative ? "-" : "") + d);
    }
    double value() const { return rt::toDouble(Variant(text())); }
};

Amount randomAmount(std::mt19937_64& rng) {
    const int length = int(rng() % 15) + 1;
    uint64_t m = 0;
    for (int i = 0; i < length; ++i) {
        const uint64_t r = rng() % 20;
        m = m * 10 + (r < 8 ? 0 : r < 12 ? 9 : r < 14 ? 5 : r % 10);
    }
    return {rng() % 3 == 0, m, int(rng() % 5)};
}

}  // namespace

TEST_F(Money, DefaultsGiveTwoGroupedDecimals) {
    EXPECT_EQ(format(1234.5), u"1,234.50");
    EXPECT_EQ(format(-1234.5), u"-1,234.50");
    EXPECT_EQ(format(str(u"1,234.5")), u"1,234.50");
    EXPECT_EQ(format(1234567.891), u"1,234,567.89");
    EXPECT_EQ(format(0.0), u"");
    EXPECT_EQ(format(Variant()), u"");  // empty behaves as 0
    EXPECT_EQ(format(0.004), u"0.00");  // only an exact zero is blank
    EXPECT_EQ(format(0.001), u"0.00");
    EXPECT_EQ(format(int16_t(12)), u"12.00");
    EXPECT_EQ(format(rt::Decimal::parse(u"12345678901234567890.125").value()), u"12,345,678,901,234,567,890.13");
}

TEST_F(Money, ShapesOfHasdotAndCount) {
    EXPECT_EQ(format(1234.5, 1, 0), u"1,235.");  // the point stays
    EXPECT_EQ(format(1234.5, 1, -3), u"1,235.");
    EXPECT_EQ(format(1234.5, 1, 4), u"1,234.5000");
    EXPECT_EQ(format(1234.5, 0), u"1,234.5");
    EXPECT_EQ(format(1234, 0), u"1,234");  // trailing point removed for hasdot 0 only
    EXPECT_EQ(format(0.25, 0), u".25");
    EXPECT_EQ(format(1.23456, 0), u"1.2346");
    EXPECT_EQ(format(1234.5, 2), u"1,235");
    EXPECT_EQ(format(999.5, 7), u"1,000");
    EXPECT_EQ(format(-0.4, 2, 2, 1000), u"-");  // a negative value keeps its sign
}

TEST_F(Money, ZeroAndPlainTextDigits) {
    EXPECT_EQ(format(0.0, 1, 2, 1000), u"0.00");
    EXPECT_EQ(format(Variant(), 1, 2, 1000), u"0.00");
    EXPECT_EQ(format(0.0, 0, 2, 1000), u"");  // "." then its point removed
    EXPECT_EQ(format(0.0, 1, 2, 100), u"0");  // the plain-text digit comes first
    EXPECT_EQ(format(str(u"1,234.50"), 1, 2, 100), u"1234.5");
    EXPECT_EQ(format(1234.5, 1, 2, 100), u"1234.5");
    EXPECT_EQ(format(str(u"0.000"), 1, 2, 0), u"");
    EXPECT_EQ(format(str(u"0.000"), 1, 2, 9000), u"0.00");  // any non-zero digit is on
}

TEST_F(Money, PercentDigit) {
    EXPECT_EQ(format(0.125, 1, 2, 1), u"12.50%");
    EXPECT_EQ(format(0.125, 0, 2, 1), u"12.5%");
    EXPECT_EQ(format(0.125, 2, 2, 1), u"13%");
    EXPECT_EQ(format(str(u"  -0.125 "), 1, 2, 11), u"-12.50%");
    EXPECT_EQ(format(12345.6789, 1, 2, 1), u"1,234,567.89%");
}

TEST_F(Money, TextAmountsAndTheTrimDigit) {
    EXPECT_EQ(format(str(u"  abc  "), 1, 2, 10), u"abc");
    EXPECT_EQ(format(str(u"  abc  "), 1, 2, 0), u"  abc  ");
    EXPECT_EQ(format(str(u" 12.5 "), 1, 2, 0), u"12.50");  // numeric text may carry spaces
    EXPECT_EQ(format(Variant(true)), u"-1.00");
    Variant amount(Str(u"  7  "));
    int16_t hasdot = 1, count = 2, mode = 10;
    client::call(cf.get(), &_CCommonFunction::sMoneyFormat, &amount, &hasdot, &count, &mode);
    EXPECT_EQ(amount.str(), u"  7  ");  // the amount itself is not changed
}

TEST_F(Money, RoundsHalvesAwayFromZeroOnDecimalDigits) {
    EXPECT_EQ(format(2.675), u"2.68");
    EXPECT_EQ(format(1.005), u"1.01");
    EXPECT_EQ(format(-0.125), u"-0.13");
    EXPECT_EQ(format(-0.004), u"-0.00");
    EXPECT_EQ(format(2.5, 2), u"3");
    EXPECT_EQ(format(-2.5, 2), u"-3");
    EXPECT_EQ(format(9999.995), u"10,000.00");
}

TEST_F(Money, ModeIsReadAsItsAbsoluteValue) {
    Variant zero(0.0);
    int16_t hasdot = 1, count = 2, mode = -1000;
    EXPECT_EQ(client::call(cf.get(), &_CCommonFunction::sMoneyFormat, &zero, &hasdot, &count, &mode), u"0.00");
    EXPECT_EQ(mode, 1000);  // the caller's variable holds the absolute value

    EXPECT_EQ(failureNumber([&] { format(1.0, 1, 2, -32768); }), 6);
    EXPECT_EQ(failureNumber([&] { format(Variant(rt::Null{})); }), 94);
    EXPECT_EQ(failureNumber([&] { format(1e30); }), 6);
    EXPECT_EQ(failureNumber([&] { format(Variant(rt::Array(0, {Variant(1)}))); }), 13);
}

TEST_F(Money, SMoneyFormatAgreesWithTheOracle) {
    std::mt19937_64 rng(20240607);
    const Shape fixed[5] = {{1, 0, 0, true, true, false},
                            {1, 1, 1, true, true, false},
                            {1, 2, 2, true, true, false},
                            {1, 3, 3, true, true, false},
                            {1, 4, 4, true, true, false}};
    const Shape upToFour{0, 0, 4, true, true, false};
    const Shape whole{0, 0, 0, true, false, false};
    for (int i = 0; i < 4000; ++i) {
        const Amount a = randomAmount(rng);
        const Variant asText(a.text()), asDouble(a.value());
        const bool negative = a.negative && a.magnitude != 0;
        const int16_t count = int16_t(i % 5);
        Str want = a.magnitude == 0 ? Str() : expectedText(negative, a.magnitude, a.scale, fixed[count]);
        ASSERT_EQ(format(asText, 1, count), want) << rt::toUtf8(a.text());
        ASSERT_EQ(format(asDouble, 1, count), want) << rt::toUtf8(a.text());

        want = a.magnitude == 0 ? Str() : expectedText(negative, a.magnitude, a.scale, upToFour);
        if (!want.empty() && want.back() == u'.') want.pop_back();
        ASSERT_EQ(format(asDouble, 0), want) << rt::toUtf8(a.text());

        want = a.magnitude == 0 ? Str() : expectedText(negative, a.magnitude, a.scale, whole);
        ASSERT_EQ(format(asDouble, 2), want) << rt::toUtf8(a.text());

        Shape percent = fixed[2];
        percent.percent = true;
        ASSERT_EQ(format(asText, 1, 2, 1001), expectedText(negative, a.magnitude, a.scale, percent))
            << rt::toUtf8(a.text());
    }
}

TEST_F(Money, SMoneyFormatLateBound) {
    EXPECT_EQ(late(cf, u"sMoneyFormat", {Variant(1234.5)}).str(), u"1,234.50");
    EXPECT_EQ(late(cf, u"SMONEYFORMAT", {Variant(1234.5), Variant(int16_t(0))}).str(), u"1,234.5");
    Variant mode(int32_t(-11));
    Variant r = late(cf, u"sMoneyFormat", {Variant(0.125), Variant(1), Variant(2), CallArg::ref(mode)});
    EXPECT_EQ(r.str(), u"12.50%");
    ASSERT_EQ(mode.type(), rt::VT_I2);  // declared int16: written back as int16
    EXPECT_EQ(mode.i2(), 11);
    try {
        late(cf, u"sMoneyFormat", {Variant(rt::Null{})});
        FAIL();
    } catch (rt::Error& e) {
        EXPECT_EQ(e.numberValue(), 94);
        EXPECT_EQ(e.source(), u"Velmora.CCommonFunction");
    }
}

TEST_F(Money, StrAddIsExact) {
    EXPECT_EQ(add(str(u"0.1"), str(u"0.2")), u"0.3");
    EXPECT_EQ(add(0.1, 0.2), u"0.3");  // doubles go through their text
    EXPECT_EQ(add(str(u"12.50"), str(u"1.50")), u"14");
    EXPECT_EQ(add(str(u"10"), str(u"2.5"), false), u"7.5");
    EXPECT_EQ(add(Variant(1), Variant(2), false), u"-1");
    EXPECT_EQ(add(str(u"1,000.25"), str(u"-0.25")), u"1000");
    EXPECT_EQ(add(str(u"79228162514264337593543950334"), str(u"1")), u"79228162514264337593543950335");
}

TEST_F(Money, StrAddZeroOperandsAndRewrites) {
    Variant a, b;
    EXPECT_EQ(addIn(a, b), u"0");
    ASSERT_EQ(a.type(), rt::VT_I2);  // both rewritten as the number 0
    EXPECT_EQ(a.i2(), 0);
    ASSERT_EQ(b.type(), rt::VT_I2);

    Variant zero(0), padded(Str(u"  12.50 "));
    EXPECT_EQ(addIn(zero, padded), u"12.50");  // the other operand's text, unchanged
    EXPECT_EQ(padded.str(), u"12.50");
    EXPECT_EQ(add(str(u" 3.10 "), str(u"0.00")), u"3.10");
    EXPECT_EQ(add(Variant(rt::Null{}), str(u"5")), u"5");
    EXPECT_EQ(add(Variant::nothing(), str(u"5")), u"5");
}

TEST_F(Money, StrAddHandlerGivesZero) {
    EXPECT_EQ(add(str(u"abc"), str(u"1")), u"0");
    EXPECT_EQ(add(str(u"1"), str(u"1.2.3")), u"0");
    EXPECT_EQ(add(str(u"79228162514264337593543950335"), str(u"1")), u"0");  // beyond the range
    EXPECT_EQ(add(Variant(rt::Array(0, {Variant(1)})), str(u"1")), u"0");
    Variant r = late(cf, u"strAdd", {str(u"x"), str(u"1")});
    EXPECT_EQ(r.str(), u"0");  // the call itself succeeds
}

TEST_F(Money, StrAddAgreesWithCentsArithmetic) {
    std::mt19937_64 rng(7);
    for (int i = 0; i < 4000; ++i) {
        const Amount x = randomAmount(rng), y = randomAmount(rng);
        // Both at 10^-4 units: the sum is exact in 128 bits.
        auto scaled = [](const Amount& a) {
            __int128 v = a.magnitude;
            for (int k = a.scale; k < 4; ++k) v *= 10;
            return a.negative ? -v : v;
        };
        const bool plus = i % 2 == 0;
        const __int128 sum = plus ? scaled(x) + scaled(y) : scaled(x) - scaled(y);
        Str want;
        if (scaled(x) == 0 && scaled(y) == 0) {
            want = u"0";
        } else if (scaled(x) == 0) {
            want = y.text();
        } else if (scaled(y) == 0) {
            want = x.text();
        } else {
            const Shape plain{1, 0, 4, false, true, false};
            want = expectedText(sum < 0, u128(sum < 0 ? -sum : sum), 4, plain);
            if (want.back() == u'.') want.pop_back();
        }
        ASSERT_EQ(add(Variant(x.text()), Variant(y.text()), plus), want)
            << rt::toUtf8(x.text()) << (plus ? " + " : " - ") << rt::toUtf8(y.text());
    }
}

TEST_F(Money, StrAddLateBoundRewritesItsOperands) {
    Variant a(Str(u" 10 ")), b(Str(u" 2.5"));
    EXPECT_EQ(late(cf, u"strAdd", {CallArg::ref(a), CallArg::ref(b), Variant(false)}).str(), u"7.5");
    EXPECT_EQ(a.str(), u"10");
    EXPECT_EQ(b.str(), u"2.5");
    EXPECT_EQ(late(cf, u"strAdd", {str(u"1"), str(u"2"), Variant(true), Variant(int16_t(7))}).str(), u"3");
}

TEST_F(Money, VroundGivesTextWhileDecimalsRemain) {
    Variant r = round(3.14159, 2);
    ASSERT_TRUE(r.isString());
    EXPECT_EQ(r.str(), u"3.14");
    EXPECT_EQ(round(3.1, 2).str(), u"3.1");
    EXPECT_EQ(round(1234.56, 1).str(), u"1234.6");  // no grouping
    EXPECT_EQ(round(0.125, 2).str(), u"0.13");
    EXPECT_EQ(round(2.675, 2).str(), u"2.68");
    EXPECT_EQ(round(-1.005, 2).str(), u"-1.01");

    for (auto [value, dec, want] : {std::tuple{2.5, 0, 3.0}, {3.001, 2, 3.0}, {-2.5, 0, -3.0}, {5.0, 2, 5.0},
                                    {1e20, 3, 1e20}, {0.0, 4, 0.0}}) {
        Variant d = round(value, int16_t(dec));
        ASSERT_EQ(d.type(), rt::VT_R8) << value;
        EXPECT_EQ(d.r8(), want);
    }
}

TEST_F(Money, VroundSkipsANegativeDec) {
    EXPECT_TRUE(round(1.5, -1).isEmpty());
    Variant r = late(cf, u"Vround", {Variant(1.5), Variant(int16_t(-1))});
    EXPECT_TRUE(r.isEmpty());
    EXPECT_EQ(late(cf, u"Vround", {str(u"2.345"), Variant(2)}).str(), u"2.35");  // coerced to double
}

TEST_F(Money, VroundSkipsARoundingBeyondTheDoubles) {
    // The largest double rounds to a whole number above it: the statement fails and is skipped.
    for (double big : {std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()}) {
        EXPECT_TRUE(round(big, 2).isEmpty()) << big;
        EXPECT_TRUE(late(cf, u"Vround", {Variant(big), Variant(int16_t(2))}).isEmpty());
    }
    Variant belowIt = round(1e300, 2);
    ASSERT_EQ(belowIt.type(), rt::VT_R8);
    EXPECT_EQ(belowIt.r8(), 1e300);
}

TEST_F(Money, VroundAgreesWithTheOracle) {
    std::mt19937_64 rng(99);
    for (int i = 0; i < 3000; ++i) {
        const Amount a = randomAmount(rng);
        const int16_t dec = int16_t(i % 4);
        const Shape shape{1, 0, dec, false, true, false};
        const Str text = expectedText(a.negative && a.magnitude != 0, a.magnitude, a.scale, shape);
        const Variant r = round(a.value(), dec);
        if (text.back() == u'.') {
            ASSERT_EQ(r.type(), rt::VT_R8) << rt::toUtf8(a.text());
            EXPECT_EQ(r.r8(), rt::toDouble(Variant(text))) << rt::toUtf8(a.text());
        } else {
            ASSERT_TRUE(r.isString()) << rt::toUtf8(a.text());
            EXPECT_EQ(r.str(), text);
        }
    }
}
