// Tolerant string functions, through the early-bound interface and late-bound by name.
#include <limits>

#include "library_testing.h"
#include "support/testing.h"
#include "runtime/locale.h"

using namespace velmora;
using namespace velmora::testing;
using rt::CallArg;
using rt::Str;
using rt::Variant;

namespace {

class Strings : public ::testing::Test {
protected:
    rt::ComPtr<_CCommonFunction> cf = newCommon();

    Variant strVal(Variant& v, bool num = false) {
        VARIANT_BOOL flag = num ? rt::VARIANT_TRUE : rt::VARIANT_FALSE;
        return client::call(cf.get(), &_CCommonFunction::strVal, &v, &flag);
    }
    bool next(Variant& all, Variant& part, int16_t& pos, Str sep = u",") {
        VARIANT_BOOL r = client::call(cf.get(), &_CCommonFunction::bGetNextPart, &all, &part, &pos, &sep);
        return r != 0;
    }
};

}  // namespace

TEST_F(Strings, StrValNormalisesAndRewritesTheCallersVariable) {
    Variant v(Str(u"  x  "));
    Variant r = strVal(v);
    EXPECT_EQ(r.str(), u"x");
    EXPECT_EQ(v.str(), u"x");

    Variant null(rt::Null{});
    EXPECT_EQ(strVal(null).str(), u"");
    EXPECT_TRUE(null.isNull());
    Variant r0 = strVal(null, true);
    ASSERT_EQ(r0.type(), rt::VT_I2);
    EXPECT_EQ(r0.i2(), 0);

    Variant nothing = Variant::nothing();
    Variant rz = strVal(nothing, true);
    ASSERT_TRUE(rz.isString());  // the one case where zero comes back as text
    EXPECT_EQ(rz.str(), u"0");
    EXPECT_TRUE(nothing.isNothing());

    Variant missing(rt::Missing{});
    EXPECT_EQ(strVal(missing).str(), u"");
    EXPECT_TRUE(missing.isMissing());

    Variant empty;
    EXPECT_EQ(strVal(empty).str(), u"");
    EXPECT_TRUE(empty.isString());

    Variant num(12.5);
    EXPECT_EQ(strVal(num).str(), u"12.5");
    EXPECT_TRUE(num.isString());

    Variant arr(rt::Array(0, {Variant(1)}));
    EXPECT_THROW(strVal(arr), rt::Error);
}

TEST_F(Strings, IBitValReadsDigitsFromTheRight) {
    auto bit = [&](Variant v, int32_t pos) {
        return client::call(cf.get(), &_CCommonFunction::iBitVal, &v, &pos);
    };
    EXPECT_EQ(bit(Variant(1234), 1), 4);
    EXPECT_EQ(bit(Variant(1234), 4), 1);
    EXPECT_EQ(bit(Variant(1234), 5), 0);
    EXPECT_EQ(bit(Variant(-205), 2), 0);
    EXPECT_EQ(bit(Variant(-205), 3), 2);
    EXPECT_EQ(bit(Variant(Str(u"0012")), 3), 0);
    EXPECT_EQ(bit(Variant(Str(u"abc")), 1), 0);
    EXPECT_EQ(bit(Variant(1234), 0), 0);
    EXPECT_THROW(bit(Variant(12.5), 2), rt::Error);  // lands on the point

    Variant v(Str(u"-0012"));
    int32_t pos = 1;
    client::call(cf.get(), &_CCommonFunction::iBitVal, &v, &pos);
    EXPECT_EQ(rt::toText(v), u"12");  // rewritten as its absolute value, a number now
    EXPECT_FALSE(v.isString());

    Variant mode(int16_t(-32768));
    try {
        client::call(cf.get(), &_CCommonFunction::iBitVal, &mode, &pos);
        FAIL();
    } catch (rt::Error& e) {
        EXPECT_EQ(e.numberValue(), 6);
    }
}

TEST_F(Strings, IBitValOfTheSmallestCurrencyOverflows) {
    // Every integer type's minimum has no absolute value of its type.
    for (Variant v : {Variant(rt::Currency{std::numeric_limits<int64_t>::min()}),
                      Variant(std::numeric_limits<int64_t>::min()), Variant(std::numeric_limits<int32_t>::min())}) {
        int32_t pos = 1;
        EXPECT_EQ(support::errorNumberOf([&] { client::call(cf.get(), &_CCommonFunction::iBitVal, &v, &pos); }), 6);
    }
    Variant nextUp(rt::Currency{std::numeric_limits<int64_t>::min() + 1});
    int32_t pos = 1;
    EXPECT_EQ(client::call(cf.get(), &_CCommonFunction::iBitVal, &nextUp, &pos), 7);  // ...5807 in cents
}

TEST_F(Strings, LenExCountsCodePageBytes) {
    rt::SystemLocale saved = rt::systemLocale();
    rt::overrideSystemLocale(rt::localeFor("zh-CN"));
    Variant v(Str(u"中文a"));
    EXPECT_EQ(client::call(cf.get(), &_CCommonFunction::LenEx, &v), 5);
    Variant null(rt::Null{});
    EXPECT_EQ(client::call(cf.get(), &_CCommonFunction::LenEx, &null), 0);
    EXPECT_TRUE(null.isString());
    EXPECT_EQ(null.str(), u"");
    rt::overrideSystemLocale(saved);
}

TEST_F(Strings, CuttingFunctions) {
    Variant null(rt::Null{});
    int32_t neg = -3;
    EXPECT_EQ(client::call(cf.get(), &_CCommonFunction::LeftEx, &null, &neg), u"");

    Variant t(Str(u"abcdef"));
    int32_t three = 3, two = 2, seven = 7, ten = 10;
    EXPECT_EQ(client::call(cf.get(), &_CCommonFunction::LeftEx, &t, &three), u"abc");
    EXPECT_EQ(client::call(cf.get(), &_CCommonFunction::RightEx, &t, &two), u"ef");
    EXPECT_EQ(client::call(cf.get(), &_CCommonFunction::RightEx, &t, &ten), u"abcdef");
    EXPECT_EQ(client::call(cf.get(), &_CCommonFunction::MidEx, &t, &three, &two), u"cd");
    EXPECT_EQ(client::call(cf.get(), &_CCommonFunction::MidEx, &t, &seven, &two), u"");
    EXPECT_THROW(client::call(cf.get(), &_CCommonFunction::LeftEx, &t, &neg), rt::Error);
    int32_t zero = 0;
    EXPECT_THROW(client::call(cf.get(), &_CCommonFunction::MidEx, &t, &zero, &two), rt::Error);

    Variant padded(Str(u"  ab  "));
    EXPECT_EQ(client::call(cf.get(), &_CCommonFunction::LeftEx, &padded, &ten), u"ab");
    EXPECT_EQ(padded.str(), u"ab");
}

TEST_F(Strings, InstrEx) {
    auto instr = [&](int32_t start, Variant data, Variant find, int32_t cmp) {
        return client::call(cf.get(), &_CCommonFunction::InstrEx, &start, &data, &find, &cmp);
    };
    EXPECT_EQ(instr(1, str(u"abcABC"), str(u"B"), 1), 2);
    EXPECT_EQ(instr(1, str(u"abcABC"), str(u"B"), 0), 5);
    EXPECT_EQ(instr(3, str(u"abcabc"), str(u"b"), 0), 5);
    EXPECT_EQ(instr(5, str(u"abc"), str(u""), 0), 0);  // empty find text: 0, not istart
    EXPECT_EQ(instr(1, Variant(rt::Null{}), str(u"a"), 0), 0);
    EXPECT_EQ(instr(9, str(u"abc"), str(u"a"), 0), 0);
    EXPECT_THROW(instr(0, str(u"abc"), str(u"a"), 0), rt::Error);
}

TEST_F(Strings, StrTrimFoldsCaseAndNeverFails) {
    auto trim = [&](Variant v, bool lower, int32_t mode) {
        VARIANT_BOOL b = lower ? rt::VARIANT_TRUE : rt::VARIANT_FALSE;
        return client::call(cf.get(), &_CCommonFunction::strTrim, &v, &b, &mode);
    };
    EXPECT_EQ(trim(str(u" AbC "), true, 2), u"abc");
    EXPECT_EQ(trim(str(u" AbC "), false, 0), u"ABC ");
    EXPECT_EQ(trim(str(u" AbC "), false, 1), u" ABC");
    EXPECT_EQ(trim(Variant(rt::Null{}), true, 2), u"");
    EXPECT_EQ(trim(Variant(rt::Array(0, {})), true, 2), u"");
    Variant kept(Str(u" X "));
    VARIANT_BOOL t = rt::VARIANT_TRUE;
    int32_t both = 2;
    client::call(cf.get(), &_CCommonFunction::strTrim, &kept, &t, &both);
    EXPECT_EQ(kept.str(), u" X ");  // strTrim does not rewrite its argument
}

TEST_F(Strings, BGetNextPartWalksAList) {
    Variant all(Str(u"a, b,,c"));
    Variant part;
    int16_t pos = 1;
    ASSERT_TRUE(next(all, part, pos));
    EXPECT_EQ(part.str(), u"a");
    EXPECT_EQ(pos, 3);
    ASSERT_TRUE(next(all, part, pos));
    EXPECT_EQ(part.str(), u"b");
    EXPECT_EQ(pos, 6);
    ASSERT_TRUE(next(all, part, pos));
    EXPECT_EQ(part.str(), u"c");
    EXPECT_EQ(pos, 8);
    EXPECT_FALSE(next(all, part, pos));
    EXPECT_EQ(pos, 8);
}

TEST_F(Strings, BGetNextPartEdgeCases) {
    Variant spaces(Str(u"a, ,b"));
    Variant part;
    int16_t pos = 1;
    ASSERT_TRUE(next(spaces, part, pos));
    ASSERT_TRUE(next(spaces, part, pos));
    EXPECT_EQ(part.str(), u"");  // a part of spaces only is delivered empty

    Variant one(Str(u"a"));
    pos = 1;
    ASSERT_TRUE(next(one, part, pos));
    EXPECT_EQ(part.str(), u"a");
    EXPECT_EQ(pos, 2);
    EXPECT_FALSE(next(one, part, pos));

    Variant commas(Str(u",,,"));
    pos = 1;
    EXPECT_FALSE(next(commas, part, pos));
    EXPECT_EQ(pos, 4);

    Variant list(Str(u"a,b"));
    pos = 1;
    EXPECT_FALSE(next(list, part, pos, u"   "));  // separator trims to nothing

    Variant bad(Str(u"a,b"));
    pos = 0;
    EXPECT_FALSE(next(bad, part, pos));  // invalid position: the handler ends the call quietly

    Variant arr(rt::Array(0, {Variant(1)}));
    pos = 1;
    EXPECT_THROW(next(arr, part, pos), rt::Error);  // step 1 has no handler
}

TEST_F(Strings, BGetNextPartMovesPastAWholeSeparator) {
    Variant all(Str(u"a||b||||c"));
    Variant part;
    int16_t pos = 1;
    std::vector<Str> parts;
    while (next(all, part, pos, u"||")) parts.push_back(part.str());
    EXPECT_EQ(parts, (std::vector<Str>{u"a", u"b", u"c"}));
}

TEST_F(Strings, LateBoundCallsRewriteByReferenceArguments) {
    Variant v(Str(u"  hello  "));
    Variant r = late(cf, u"STRVAL", {CallArg::ref(v)});
    EXPECT_EQ(r.str(), u"hello");
    EXPECT_EQ(v.str(), u"hello");

    Variant all(Str(u"x,y"));
    Variant part;
    Variant pos(int32_t(1));  // declared int16: written back as int16
    Variant ok = late(cf, u"bGetNextPart", {CallArg::ref(all), CallArg::ref(part), CallArg::ref(pos)});
    EXPECT_EQ(ok.boolean(), rt::VARIANT_TRUE);
    EXPECT_EQ(part.str(), u"x");
    ASSERT_EQ(pos.type(), rt::VT_I2);
    EXPECT_EQ(pos.i2(), 3);

    // strPart omitted: the part is computed and dropped.
    Variant ok2 = late(cf, u"bGetNextPart", {CallArg::ref(all), Variant(rt::Missing{}), CallArg::ref(pos)});
    EXPECT_EQ(ok2.boolean(), rt::VARIANT_TRUE);
    EXPECT_EQ(pos.i2(), 4);

    EXPECT_EQ(late(cf, u"MidEx", {str(u"abcdef"), Variant(3), Variant(2)}).str(), u"cd");
    EXPECT_EQ(late(cf, u"strTrim", {str(u" AbC ")}).str(), u"abc");
    EXPECT_EQ(rt::toI4(late(cf, u"InstrEx", {Variant(1), str(u"abcABC"), str(u"C")})), 3);
    try {
        late(cf, u"MidEx", {str(u"abc"), Variant(0), Variant(1)});
        FAIL();
    } catch (rt::Error& e) {
        EXPECT_EQ(e.numberValue(), 5);
        EXPECT_EQ(e.source(), u"Velmora.CCommonFunction");
    }
}
