#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <random>

#include "runtime/convert.h"
#include "runtime/date.h"
#include "runtime/locale.h"
#include "runtime/value_testing.h"

using namespace rt;
using rt::testing::u8;

namespace {

// A small object whose default member (dispatch id 0, property get) answers with a fixed
// value, fails with a chosen status, or is absent.
class ValueObject final : public IDispatch {
public:
    static ComPtr<IDispatch> withValue(Variant v) { return make(std::move(v), S_OK); }
    static ComPtr<IDispatch> failingWith(HRESULT hr) { return make(Variant(), hr); }

    HRESULT QueryInterface(const IID& iid, void** out) override {
        if (iid == IUnknown::IID_ || iid == IDispatch::IID_) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++refs_; }
    uint32_t Release() override {
        const uint32_t left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT GetTypeInfoCount(uint32_t* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(uint32_t, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(const IID&, const char16_t* const*, uint32_t, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT Invoke(DISPID id, const IID&, LCID, uint16_t flags, DispParams* params, Variant* result,
                   ExcepInfo* excep, uint32_t*) override {
        ++invocations;
        if (id != DISPID_VALUE || !(flags & DISPATCH_PROPERTYGET) || params->argCount != 0)
            return DISP_E_MEMBERNOTFOUND;
        if (status_ == DISP_E_EXCEPTION) {
            excep->code = 5;
            excep->description = u"bad value";
            excep->source = u"ValueObject";
        }
        if (failed(status_)) return status_;
        *result = value_;
        return S_OK;
    }

    int invocations = 0;

private:
    static ComPtr<IDispatch> make(Variant v, HRESULT hr) {
        auto* o = new ValueObject;
        o->value_ = std::move(v);
        o->status_ = hr;
        return ComPtr<IDispatch>::adopt(o);
    }
    ValueObject() = default;
    ~ValueObject() = default;

    uint32_t refs_ = 1;
    Variant value_;
    HRESULT status_ = S_OK;
};

// Runs each test in the simplified-Chinese locale and restores the process's one after.
class ConvertTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = systemLocale();
        overrideSystemLocale(localeFor("zh-CN"));
    }
    void TearDown() override { overrideSystemLocale(saved_); }

private:
    SystemLocale saved_;
};

std::string text(const Variant& v) { return u8(toText(v)); }

Variant dec(const char16_t* s) { return Variant(*Decimal::parse(s)); }

Variant date(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
    return Variant(DateValue{serialFromCivil({y, m, d, hh, mm, ss})});
}

Array twoItems() { return Array(0, {Variant(int32_t(1)), Variant(u"x")}); }

TEST(DoubleText, FifteenSignificantDigitsInTheRuntimesForm) {
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        {0.1 + 0.2, "0.3"},
        {1e20, "1E+20"},
        {1e-5, "1E-05"},
        {123456789012345680.0, "1.23456789012346E+17"},
        {0.0001, "0.0001"},
        {1e15, "1E+15"},
        {123456789012345.0, "123456789012345"},
        {1234567890123456.0, "1.23456789012346E+15"},
        {-1.5, "-1.5"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {100.0, "100"},
        {-0.0, "0"},
        {1.5e-7, "1.5E-07"},
        {1e100, "1E+100"},
        {-2.5e-300, "-2.5E-300"},
        {3.0, "3"},
        {1234.5, "1234.5"},
        {0.000123, "0.000123"},
        {999999999999999.9, "1E+15"},        // rounding up reaches the exponent form
        {0.00009999999999999999, "0.0001"},  // and leaves it
        {0.00001234, "1.234E-05"},
        {1e14, "100000000000000"},
        {-123456789012345.6, "-123456789012346"},
        {1e-7, "1E-07"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.text, u8(doubleText(c.value))) << c.text;
}

// The runtime's form is the C library's %.15G.
TEST(DoubleText, MatchesTheCLibrarysGeneralForm) {
    std::mt19937_64 rng(1515);
    for (int round = 0; round < 20000; ++round) {
        double x;
        const uint64_t bits = rng();
        std::memcpy(&x, &bits, sizeof x);
        if (!std::isfinite(x) || x == 0) continue;
        if (round % 2 == 0) x = std::ldexp(x, -std::ilogb(x) + int(rng() % 120) - 60);  // near 1 as often
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.15G", x);
        ASSERT_EQ(buf, u8(doubleText(x)));
    }
}

TEST_F(ConvertTest, TextOfEachKind) {
    EXPECT_EQ("0.3", text(Variant(0.1 + 0.2)));
    EXPECT_EQ("-5", text(Variant(int16_t(-5))));
    EXPECT_EQ("2147483647", text(Variant(int32_t(INT32_MAX))));
    EXPECT_EQ("True", text(Variant(true)));
    EXPECT_EQ("False", text(Variant(false)));
    EXPECT_EQ("", text(Variant()));
    EXPECT_EQ(" a ", text(Variant(u" a ")));
    EXPECT_EQ("1.2345", text(Variant(Currency{12345})));
    EXPECT_EQ("1", text(Variant(Currency{10000})));
    EXPECT_EQ("-0.5", text(Variant(Currency{-5000})));
    EXPECT_EQ("1234.5", text(dec(u"1234.50")));
    EXPECT_EQ("2007-3-5", text(date(2007, 3, 5)));
    EXPECT_EQ("2007-3-5 10:20:30", text(date(2007, 3, 5, 10, 20, 30)));
    EXPECT_EQ("2007-3-5 0:00:01", text(date(2007, 3, 5, 0, 0, 1)));
    EXPECT_RT_ERROR(94, toText(Variant(Null{})));
    EXPECT_RT_ERROR(13, toText(Variant(twoItems())));
    EXPECT_RT_ERROR(13, toText(Variant(Missing{})));
    EXPECT_RT_ERROR(91, toText(Variant::nothing()));
}

TEST_F(ConvertTest, DateTextFollowsTheLocale) {
    overrideSystemLocale(localeFor("en-US"));
    EXPECT_EQ("3/5/2007", text(date(2007, 3, 5)));
    overrideSystemLocale(localeFor("zh-TW"));
    EXPECT_EQ("2007/3/5 23:59:59", text(date(2007, 3, 5, 23, 59, 59)));
}

TEST_F(ConvertTest, ByReferenceValuesConvertAsTheirTarget) {
    Variant target(int32_t(42));
    const Variant ref = Variant::byRef(&target);
    EXPECT_EQ("42", text(ref));
    EXPECT_EQ(42, toI2(ref));
    EXPECT_TRUE(isNumeric(ref));
    EXPECT_EQ(VT_I4, changeType(ref, VT_I4).type());
}

TEST_F(ConvertTest, IntegersRoundHalvesToEven) {
    EXPECT_EQ(2, toI2(Variant(2.5)));
    EXPECT_EQ(4, toI2(Variant(3.5)));
    EXPECT_EQ(-2, toI2(Variant(-2.5)));
    EXPECT_EQ(-4, toI2(Variant(-3.5)));
    EXPECT_EQ(3, toI2(Variant(2.5000001)));
    EXPECT_EQ(0, toI2(Variant(0.5)));
    EXPECT_EQ(-32768, toI2(Variant(-32768.5)));
    EXPECT_EQ(32767, toI2(Variant(32767.4)));
    EXPECT_EQ(2, toI2(Variant(u"2.5")));
    EXPECT_EQ(1234, toI2(Variant(u" 1,234 ")));
    EXPECT_EQ(1000, toI2(Variant(u"1e3")));
    EXPECT_EQ(-1, toI2(Variant(true)));
    EXPECT_EQ(0, toI2(Variant()));
    EXPECT_EQ(2, toI2(Variant(Currency{25000})));
    EXPECT_EQ(2, toI2(Variant(DateValue{1.5})));
    EXPECT_EQ(2147483646, toI4(Variant(2147483646.5)));
    EXPECT_EQ(-2147483648, toI4(Variant(-2147483648.4)));
    EXPECT_EQ(3, toI4(Variant(u"2.50000000000000000001")));  // exact, not via the nearest double
    EXPECT_EQ(123456789012345678, toI8(Variant(u"123456789012345678")));
}

TEST_F(ConvertTest, IntegerFailures) {
    EXPECT_RT_ERROR(6, toI2(Variant(32767.5)));
    EXPECT_RT_ERROR(6, toI2(Variant(int32_t(40000))));
    EXPECT_RT_ERROR(6, toI2(dec(u"32767.5")));
    EXPECT_RT_ERROR(6, toI4(Variant(2147483647.5)));
    EXPECT_RT_ERROR(6, toI4(Variant(u"99999999999")));
    EXPECT_RT_ERROR(6, toI4(Variant(std::numeric_limits<double>::quiet_NaN())));
    EXPECT_RT_ERROR(6, toI4(Variant(1e300)));
    EXPECT_RT_ERROR(13, toI2(Variant(u"abc")));
    EXPECT_RT_ERROR(13, toI2(Variant(u"")));
    EXPECT_RT_ERROR(13, toI4(Variant(u"12abc")));
    EXPECT_RT_ERROR(94, toI2(Variant(Null{})));
    EXPECT_RT_ERROR(94, toI4(Variant(Null{})));
    EXPECT_RT_ERROR(13, toI4(Variant(Missing{})));
    EXPECT_RT_ERROR(13, toI4(Variant(twoItems())));
}

TEST_F(ConvertTest, Doubles) {
    EXPECT_EQ(1234.5, toDouble(Variant(u"1,234.5")));
    EXPECT_EQ(-1000, toDouble(Variant(u" -1e3 ")));
    EXPECT_EQ(0.1, toDouble(Variant(u"0.1")));
    EXPECT_EQ(0.0, toDouble(Variant(u"1e-400")));
    EXPECT_EQ(-1, toDouble(Variant(true)));
    EXPECT_EQ(0, toDouble(Variant()));
    EXPECT_EQ(1.2345, toDouble(Variant(Currency{12345})));
    EXPECT_EQ(0.1, toDouble(dec(u"0.1")));
    EXPECT_EQ(39146.5, toDouble(Variant(DateValue{39146.5})));
    EXPECT_RT_ERROR(13, toDouble(Variant(u"abc")));
    EXPECT_RT_ERROR(13, toDouble(Variant(u"")));
    EXPECT_RT_ERROR(6, toDouble(Variant(u"1e400")));
    EXPECT_RT_ERROR(94, toDouble(Variant(Null{})));
}

TEST_F(ConvertTest, Booleans) {
    EXPECT_EQ(VARIANT_TRUE, toBool(Variant(u"True")));
    EXPECT_EQ(VARIANT_TRUE, toBool(Variant(u" TRUE ")));
    EXPECT_EQ(VARIANT_FALSE, toBool(Variant(u"false")));
    EXPECT_EQ(VARIANT_TRUE, toBool(Variant(u"1")));
    EXPECT_EQ(VARIANT_TRUE, toBool(Variant(u"-0.5")));
    EXPECT_EQ(VARIANT_FALSE, toBool(Variant(u"0")));
    EXPECT_EQ(VARIANT_FALSE, toBool(Variant(0.0)));
    EXPECT_EQ(VARIANT_TRUE, toBool(Variant(0.5)));
    EXPECT_EQ(VARIANT_TRUE, toBool(Variant(int16_t(2))));
    EXPECT_EQ(VARIANT_FALSE, toBool(Variant()));
    EXPECT_EQ(VARIANT_TRUE, toBool(dec(u"0.0000000000000000000000000001")));
    EXPECT_RT_ERROR(13, toBool(Variant(u"abc")));
    EXPECT_RT_ERROR(13, toBool(Variant(u"")));
    EXPECT_RT_ERROR(94, toBool(Variant(Null{})));
    EXPECT_RT_ERROR(13, toBool(Variant(Missing{})));
}

TEST_F(ConvertTest, DecimalsAndCurrency) {
    EXPECT_EQ("2.675", u8(toDecimal(Variant(2.675)).toText()));
    EXPECT_EQ("1234.5", u8(toDecimal(Variant(u"1,234.50")).toText()));
    EXPECT_EQ("0", u8(toDecimal(Variant()).toText()));
    EXPECT_EQ("-1", u8(toDecimal(Variant(true)).toText()));
    EXPECT_EQ("1.2345", u8(toDecimal(Variant(Currency{12345})).toText()));
    EXPECT_EQ("12345678901234567890.123456789", u8(toDecimal(Variant(u"12345678901234567890.123456789")).toText()));
    EXPECT_RT_ERROR(13, toDecimal(Variant(u"abc")));
    EXPECT_RT_ERROR(13, toDecimal(Variant(u"")));
    EXPECT_RT_ERROR(94, toDecimal(Variant(Null{})));
    EXPECT_RT_ERROR(6, toDecimal(Variant(1e30)));

    EXPECT_EQ(12346, toCurrency(Variant(1.23456)));
    EXPECT_EQ(10000, toCurrency(Variant(u"1.00005")));
    EXPECT_EQ(10002, toCurrency(Variant(u"1.00015")));
    EXPECT_EQ(-20000, toCurrency(Variant(int16_t(-2))));
    EXPECT_EQ(15000, toCurrency(dec(u"1.5")));
    EXPECT_RT_ERROR(6, toCurrency(Variant(1e16)));
    EXPECT_RT_ERROR(13, toCurrency(Variant(u"x")));
}

TEST_F(ConvertTest, Dates) {
    EXPECT_EQ(39146.0, toDate(Variant(u"2007-03-05")));
    EXPECT_DOUBLE_EQ(39146.0 + 37230.0 / 86400, toDate(Variant(u"2007-3-5 10:20:30")));
    EXPECT_EQ(3.5, toDate(Variant(3.5)));
    EXPECT_EQ(0.0, toDate(Variant()));
    EXPECT_EQ(-1.0, toDate(Variant(true)));
    EXPECT_RT_ERROR(13, toDate(Variant(u"abc")));
    EXPECT_RT_ERROR(13, toDate(Variant(u"2007-02-30")));
    EXPECT_RT_ERROR(94, toDate(Variant(Null{})));
    EXPECT_RT_ERROR(6, toDate(Variant(1e10)));
}

TEST_F(ConvertTest, Objects) {
    EXPECT_RT_ERROR(424, toObject(Variant()));
    EXPECT_RT_ERROR(424, toObject(Variant(Missing{})));
    EXPECT_RT_ERROR(424, toObject(Variant(u"x")));
    EXPECT_FALSE(toObject(Variant::nothing()));
    auto obj = ValueObject::withValue(Variant(int32_t(7)));
    EXPECT_EQ(obj.get(), toObject(Variant(obj)).get());
}

TEST_F(ConvertTest, DefaultValuesStandForTheirObjects) {
    auto seven = ValueObject::withValue(Variant(u"7"));
    EXPECT_EQ("7", text(Variant(seven)));
    EXPECT_EQ(7, toI4(Variant(seven)));
    EXPECT_TRUE(isNumeric(Variant(seven)));
    EXPECT_EQ(0, compareValues(Variant(seven), Variant(int32_t(7))));
    // A default value that is itself an object is followed.
    auto outer = ValueObject::withValue(Variant(seven));
    EXPECT_EQ("7", text(Variant(outer)));

    auto noDefault = ValueObject::failingWith(DISP_E_MEMBERNOTFOUND);
    EXPECT_RT_ERROR(438, toText(Variant(noDefault)));
    EXPECT_RT_ERROR(438, defaultValueOf(noDefault.get()));
    EXPECT_FALSE(isNumeric(Variant(noDefault)));
    EXPECT_FALSE(isDate(Variant(noDefault)));
    EXPECT_RT_ERROR(91, defaultValueOf(nullptr));

    auto raising = ValueObject::failingWith(DISP_E_EXCEPTION);
    try {
        defaultValueOf(raising.get());
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(5, e.numberValue());
        EXPECT_EQ(u"bad value", e.description());
        EXPECT_EQ(u"ValueObject", e.source());
    }
}

TEST_F(ConvertTest, ChangeTypeCoercesArguments) {
    EXPECT_EQ(VT_I2, changeType(Variant(u"7"), VT_I2).type());
    EXPECT_EQ(7, changeType(Variant(u"7"), VT_I2).i2());
    EXPECT_EQ(VT_I4, changeType(Variant(2.5), VT_I4).type());
    EXPECT_EQ(2, changeType(Variant(2.5), VT_I4).i4());
    EXPECT_EQ(1.5, changeType(Variant(u"1.5"), VT_R8).r8());
    EXPECT_EQ(VARIANT_TRUE, changeType(Variant(u"True"), VT_BOOL).boolean());
    EXPECT_EQ(VT_BOOL, changeType(Variant(int32_t(3)), VT_BOOL).type());
    EXPECT_EQ(u"12", changeType(Variant(int16_t(12)), VT_BSTR).str());
    EXPECT_EQ(39146.0, changeType(Variant(u"2007-3-5"), VT_DATE).date());
    EXPECT_EQ(VT_DATE, changeType(Variant(u"2007-3-5"), VT_DATE).type());
    EXPECT_EQ(15000, changeType(Variant(1.5), VT_CY).cy());
    EXPECT_EQ("0.1", u8(changeType(Variant(u"0.1"), VT_DECIMAL).decimal().toText()));
    EXPECT_EQ(VT_BSTR, changeType(Variant(u"x"), VT_VARIANT).type());
    EXPECT_TRUE(changeType(Variant(Missing{}), VT_ERROR).isMissing());
    EXPECT_TRUE(changeType(Variant(Missing{}), VT_VARIANT).isMissing());
    const Variant arr = changeType(Variant(twoItems()), VarType(VT_ARRAY | VT_VARIANT));
    ASSERT_TRUE(arr.isArray());
    EXPECT_EQ(u"x", arr.array().at(1).str());
    EXPECT_EQ(nullptr, changeType(Variant::nothing(), VT_DISPATCH).object().get());

    EXPECT_RT_ERROR(13, changeType(Variant(Missing{}), VT_BSTR));
    EXPECT_RT_ERROR(424, changeType(Variant(), VT_DISPATCH));
    EXPECT_RT_ERROR(424, changeType(Variant(int32_t(1)), VT_DISPATCH));
    EXPECT_RT_ERROR(13, changeType(Variant(int32_t(1)), VarType(VT_ARRAY | VT_VARIANT)));
    EXPECT_RT_ERROR(13, changeType(Variant(int32_t(1)), VT_ERROR));
    EXPECT_RT_ERROR(94, changeType(Variant(Null{}), VT_R8));
    EXPECT_RT_ERROR(94, changeType(Variant(Null{}), VT_BSTR));
    EXPECT_RT_ERROR(13, changeType(Variant(u"abc"), VT_I4));
    EXPECT_RT_ERROR(6, changeType(Variant(int32_t(70000)), VT_I2));
    EXPECT_RT_ERROR(458, changeType(Variant(int32_t(1)), VT_UI1));
}

TEST_F(ConvertTest, NumericTest) {
    for (const char16_t* yes : {u" 1,234.5 ", u"1e3", u"-12", u"+0.5", u".5", u"1.", u"1E-3", u"1,234,567", u"007"})
        EXPECT_TRUE(isNumeric(Variant(yes))) << u8(yes);
    for (const char16_t* no : {u"", u"  ", u"abc", u"1,", u",1", u"1e", u"-", u".", u"1 2", u"\t1", u"1.2.3",
                               u"2007-3-5", u"1e400", u"$1"})
        EXPECT_FALSE(isNumeric(Variant(no))) << u8(no);
    EXPECT_TRUE(isNumeric(Variant()));
    EXPECT_TRUE(isNumeric(Variant(true)));
    EXPECT_TRUE(isNumeric(Variant(int16_t(5))));
    EXPECT_TRUE(isNumeric(Variant(Currency{1})));
    EXPECT_TRUE(isNumeric(dec(u"1.5")));
    EXPECT_FALSE(isNumeric(date(2007, 3, 5)));
    EXPECT_FALSE(isNumeric(Variant(Null{})));
    EXPECT_FALSE(isNumeric(Variant(Missing{})));
    EXPECT_FALSE(isNumeric(Variant::nothing()));
    EXPECT_FALSE(isNumeric(Variant(twoItems())));

    EXPECT_EQ(std::optional<double>(1234.5), parseNumberText(u" 1,234.5 "));
    EXPECT_EQ(std::nullopt, parseNumberText(u"abc"));
}

TEST_F(ConvertTest, DateTest) {
    for (const char16_t* yes : {u"2007-3-5", u"2007/03/05", u"2007-03-05 10:20:30", u" 2007-3-5 ", u"2008-02-29",
                                u"2007-3-5 10:20", u"2007-3-5 1:02 PM", u"07-3-5", u"100-1-1", u"9999-12-31", u"10:20"})
        EXPECT_TRUE(isDate(Variant(yes))) << u8(yes);
    for (const char16_t* no : {u"", u"abc", u"2007.3.5", u"2007-02-30", u"2007-02-29", u"2007-13-01", u"2007-3",
                               u"2007-3/5", u"2007-3-5 25:00", u"2007-3-5 10:60", u"99999-1-1", u"0099-1-1",
                               u"2007-3-5x", u"2007-3-5 13:00 PM", u"39146", u"3/5/2007"})
        EXPECT_FALSE(isDate(Variant(no))) << u8(no);
    EXPECT_TRUE(isDate(date(2007, 3, 5)));
    EXPECT_FALSE(isDate(Variant(39146.0)));
    EXPECT_FALSE(isDate(Variant(Null{})));
    EXPECT_FALSE(isDate(Variant()));
    EXPECT_FALSE(isDate(Variant(Missing{})));
}

TEST_F(ConvertTest, DateTestAcceptsTheLocalesOwnOrder) {
    overrideSystemLocale(localeFor("en-US"));
    EXPECT_EQ(39146.0, toDate(Variant(u"3/5/2007")));
    EXPECT_EQ(39146.0, toDate(Variant(u"2007-3-5")));
    EXPECT_EQ(39146.0, toDate(toText(date(2007, 3, 5))));
}

TEST_F(ConvertTest, Comparisons) {
    EXPECT_EQ(-1, compareValues(Variant(int32_t(1)), Variant(int32_t(2))));
    EXPECT_EQ(1, compareValues(Variant(u"a"), Variant(u"B")));
    EXPECT_EQ(-1, compareValues(Variant(u"a"), Variant(u"B"), true));
    EXPECT_EQ(0, compareValues(Variant(u"ABC"), Variant(u"abc"), true));
    EXPECT_EQ(1, compareValues(Variant(int32_t(10)), Variant(u"9")));
    EXPECT_EQ(-1, compareValues(Variant(u"9"), Variant(int32_t(10))));
    EXPECT_EQ(-1, compareValues(Variant(int32_t(1)), Variant(u"abc")));
    EXPECT_EQ(1, compareValues(Variant(u"abc"), Variant(int32_t(1))));
    EXPECT_EQ(0, compareValues(Variant(Currency{15000}), dec(u"1.50")));
    EXPECT_EQ(-1, compareValues(dec(u"79228162514264337593543950334"), dec(u"79228162514264337593543950335")));
    EXPECT_EQ(0, compareValues(Variant(), Variant(int32_t(0))));
    EXPECT_EQ(0, compareValues(Variant(), Variant(u"")));
    EXPECT_EQ(-1, compareValues(Variant(), Variant(u"a")));
    EXPECT_EQ(0, compareValues(Variant(true), Variant(int16_t(-1))));
    EXPECT_EQ(-1, compareValues(date(2007, 3, 5), date(2007, 3, 6)));
    EXPECT_EQ(0, compareValues(date(2007, 3, 5), Variant(u"2007-3-5")));
    EXPECT_RT_ERROR(94, compareValues(Variant(Null{}), Variant(int32_t(1))));
    EXPECT_RT_ERROR(94, compareValues(Variant(u"a"), Variant(Null{})));
    EXPECT_RT_ERROR(13, compareValues(Variant(twoItems()), Variant(int32_t(1))));
    EXPECT_RT_ERROR(13, compareValues(Variant(Missing{}), Variant(int32_t(1))));
}

}  // namespace
