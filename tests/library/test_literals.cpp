// SQL value literals and date differences, through the early-bound interface and late-bound.
#include <limits>

#include "library_testing.h"
#include "runtime/date.h"

using namespace velmora;
using namespace velmora::testing;
using rt::CallArg;
using rt::Str;
using rt::Variant;

namespace {

class Literals : public ::testing::Test {
protected:
    rt::ComPtr<_CCommonFunction> cf = newCommon();

    // The *In forms work on the caller's variable, which the methods rewrite.
    Str checkDateIn(Variant& v) { return client::call(cf.get(), &_CCommonFunction::sCheckDate, &v); }
    Str checkDate(Variant v) { return checkDateIn(v); }
    Str checkDateNullIn(Variant& v) { return client::call(cf.get(), &_CCommonFunction::sCheckDateNull, &v); }
    Str checkDateNull(Variant v) { return checkDateNullIn(v); }
    Str checkNull(Variant v) { return client::call(cf.get(), &_CCommonFunction::sCheckNull, &v); }
    Str checkMoney(Variant v) { return client::call(cf.get(), &_CCommonFunction::sCheckMoney, &v); }
    bool validDate(Str& s) { return client::call(cf.get(), &_CCommonFunction::bCheckDate, &s) != 0; }
    int32_t diff(Variant a, Variant b, Str kind = u"d") {
        return client::call(cf.get(), &_CCommonFunction::iDateDiff, &a, &b, &kind);
    }

    static Variant date(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
        return Variant(rt::DateValue{rt::serialFromCivil({y, m, d, hh, mm, ss})});
    }
    int failureNumber(auto&& call) {
        try {
            call();
        } catch (rt::Error& e) {
            return e.numberValue();
        }
        return 0;
    }
};

}  // namespace

TEST_F(Literals, SCheckDateNormalisesAndChecksTheRange) {
    Variant dotted(Str(u"2007.3.5"));
    EXPECT_EQ(checkDateIn(dotted), u"2007-03-05");
    EXPECT_EQ(dotted.str(), u"2007-3-5");  // the caller's variable is rewritten
    EXPECT_EQ(checkDate(str(u"2007/3/5 10:20")), u"2007-03-05");
    EXPECT_EQ(checkDate(date(2007, 3, 5, 23, 59, 59)), u"2007-03-05");
    EXPECT_EQ(checkDate(str(u"1752-12-31")), u"");
    EXPECT_EQ(checkDate(str(u"9999-12-31")), u"");  // textually above "9999"
    EXPECT_EQ(checkDate(str(u"9999-01-01")), u"");
    EXPECT_EQ(checkDate(str(u"1753-01-01")), u"1753-01-01");
    EXPECT_EQ(checkDate(str(u"9998-12-31")), u"9998-12-31");
    EXPECT_EQ(checkDate(str(u"2007-2-29")), u"");
    EXPECT_EQ(checkDate(str(u"abc")), u"");
    EXPECT_EQ(checkDate(Variant(20070305)), u"");  // numbers are not dates
    Variant null(rt::Null{});
    EXPECT_EQ(checkDateIn(null), u"");
    EXPECT_TRUE(null.isNull());  // a value without text stays as it was
}

TEST_F(Literals, SCheckDateNullQuotesWithoutRangeCheck) {
    EXPECT_EQ(checkDateNull(Variant(rt::Null{})), u"null");
    EXPECT_EQ(checkDateNull(Variant()), u"null");
    EXPECT_EQ(checkDateNull(str(u"")), u"null");
    EXPECT_EQ(checkDateNull(str(u"no date")), u"null");
    EXPECT_EQ(checkDateNull(str(u"1700-01-01")), u"'1700-01-01'");
    Variant when = date(2007, 3, 5, 10, 20, 0);
    EXPECT_EQ(checkDateNullIn(when), u"'2007-03-05'");
    EXPECT_TRUE(when.isString());  // normalised into its text
    // "." is no date separator before normalisation: the test fails and nothing is touched.
    Variant dotted(Str(u"2007.3.5"));
    EXPECT_EQ(checkDateNullIn(dotted), u"null");
    EXPECT_EQ(dotted.str(), u"2007.3.5");
}

TEST_F(Literals, BCheckDateRewritesItsArgument) {
    Str s = u"2007/3/5";
    EXPECT_TRUE(validDate(s));
    EXPECT_EQ(s, u"2007-03-05");
    s = u"2007.03.05 08:00";
    EXPECT_TRUE(validDate(s));
    EXPECT_EQ(s, u"2007-03-05");
    s = u"1700-01-01";
    EXPECT_FALSE(validDate(s));
    EXPECT_EQ(s, u"");
    s = u"";
    EXPECT_FALSE(validDate(s));
    s = u"2007-13-01";
    EXPECT_FALSE(validDate(s));
    EXPECT_EQ(s, u"");
}

TEST_F(Literals, SCheckNullDoublesApostrophes) {
    EXPECT_EQ(checkNull(Variant(rt::Null{})), u"null");
    EXPECT_EQ(checkNull(Variant()), u"''");
    EXPECT_EQ(checkNull(Variant(12.5)), u"'12.5'");
    EXPECT_EQ(checkNull(str(u" a b ")), u"' a b '");
    EXPECT_EQ(checkNull(Variant(true)), u"'True'");
    EXPECT_EQ(checkNull(str(u"it's")), u"'it''s'");
    EXPECT_EQ(checkNull(str(u"x'; drop table t; --")), u"'x''; drop table t; --'");
    EXPECT_EQ(checkNull(str(u"''")), u"''''''");
    EXPECT_EQ(failureNumber([&] { checkNull(Variant(rt::Array(0, {Variant(1)}))); }), 13);
    EXPECT_EQ(failureNumber([&] { checkNull(Variant::nothing()); }), 91);
}

TEST_F(Literals, SCheckMoneyDropsGroupSeparators) {
    EXPECT_EQ(checkMoney(str(u"1,234,567.5")), u"1234567.5");
    EXPECT_EQ(checkMoney(str(u"1,234.50")), u"1234.50");
    EXPECT_EQ(checkMoney(Variant(1234.5)), u"1234.5");
    EXPECT_EQ(checkMoney(str(u" 007 ")), u" 007 ");  // otherwise unchanged
    EXPECT_EQ(checkMoney(Variant()), u"");
    EXPECT_EQ(checkMoney(str(u"12abc")), u"null");
    EXPECT_EQ(checkMoney(str(u"")), u"null");
    EXPECT_EQ(checkMoney(Variant(rt::Null{})), u"null");
}

TEST_F(Literals, SCheckMoneyRefusesWhatNoSqlNumberWrites) {
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()})
        EXPECT_EQ(failureNumber([&] { checkMoney(Variant(bad)); }), 6) << bad;
    Variant byRef(std::numeric_limits<double>::infinity());
    EXPECT_EQ(failureNumber([&] { checkMoney(Variant::byRef(&byRef)); }), 6);
    EXPECT_EQ(checkMoney(Variant(std::numeric_limits<double>::max())), rt::toText(Variant(std::numeric_limits<double>::max())));
}

TEST_F(Literals, IDateDiffCountsBoundaries) {
    EXPECT_EQ(diff(str(u"2007-03-05 23:00"), str(u"2007-03-06 01:00")), 1);
    EXPECT_EQ(diff(str(u"2007-03-06"), str(u"2007-03-05")), -1);
    EXPECT_EQ(diff(str(u"2007-01-31"), str(u"2007-02-01"), u"m"), 1);
    EXPECT_EQ(diff(str(u"2007-12-31"), str(u"2008-01-01"), u"YYYY"), 1);
    EXPECT_EQ(diff(str(u"2007-03-31"), str(u"2007-04-01"), u"q"), 1);
    EXPECT_EQ(diff(str(u"2007-01-01"), str(u"2007-12-31"), u"q"), 3);
    EXPECT_EQ(diff(str(u"2007-01-01"), str(u"2007-12-31"), u"y"), 364);
    EXPECT_EQ(diff(str(u"2007-03-05"), str(u"2007-03-18"), u"w"), 1);
    EXPECT_EQ(diff(str(u"2007-03-18"), str(u"2007-03-05"), u"w"), -1);  // truncated toward zero
    // 2007-03-10 was a Saturday: the next day starts a week.
    EXPECT_EQ(diff(str(u"2007-03-10"), str(u"2007-03-11"), u"ww"), 1);
    EXPECT_EQ(diff(str(u"2007-03-11"), str(u"2007-03-17"), u"ww"), 0);
    EXPECT_EQ(diff(str(u"2007-03-11"), str(u"2007-03-10"), u"ww"), -1);
    EXPECT_EQ(diff(date(2007, 3, 5, 10, 59, 59), date(2007, 3, 5, 11, 0, 0), u"h"), 1);
    EXPECT_EQ(diff(date(2007, 3, 5, 10, 0, 59), date(2007, 3, 5, 10, 1, 0), u"n"), 1);
    EXPECT_EQ(diff(date(2007, 3, 5), date(2007, 3, 6), u"s"), 86400);
    EXPECT_EQ(diff(str(u"1800-01-01"), str(u"1899-12-31")), 36523);  // serials below zero too
}

TEST_F(Literals, IDateDiffFailures) {
    Variant a(Str(u"2007-03-05")), b(Str(u"not a date"));
    Str kind = u"m";
    EXPECT_EQ(client::call(cf.get(), &_CCommonFunction::iDateDiff, &a, &b, &kind), 0);
    EXPECT_EQ(kind, u"");  // emptied in the caller
    EXPECT_EQ(diff(Variant(1), Variant(2)), 0);  // numbers are not dates
    EXPECT_EQ(failureNumber([&] { diff(str(u"2007-03-05"), str(u"2007-03-06"), u"x"); }), 5);
    EXPECT_EQ(failureNumber([&] { diff(str(u"0100-01-01"), str(u"9999-12-31"), u"s"); }), 6);
    EXPECT_EQ(failureNumber([&] { diff(str(u"0100-01-01"), str(u"9999-12-31"), u"n"); }), 6);
    EXPECT_EQ(diff(str(u"0100-01-01"), str(u"9999-12-31"), u"h"), 86781576);
}

TEST_F(Literals, LateBound) {
    Variant v(Str(u"2007.3.5"));
    EXPECT_EQ(late(cf, u"sCheckDate", {CallArg::ref(v)}).str(), u"2007-03-05");
    EXPECT_EQ(v.str(), u"2007-3-5");
    Variant s(Str(u"2007/3/5"));
    EXPECT_EQ(late(cf, u"bCheckDate", {CallArg::ref(s)}).boolean(), rt::VARIANT_TRUE);
    EXPECT_EQ(s.str(), u"2007-03-05");
    EXPECT_EQ(late(cf, u"sCheckNull", {str(u"it's")}).str(), u"'it''s'");
    EXPECT_EQ(late(cf, u"SCHECKMONEY", {str(u"1,000")}).str(), u"1000");
    EXPECT_EQ(late(cf, u"sCheckDateNull", {Variant(rt::Null{})}).str(), u"null");
    // para left out: days.
    EXPECT_EQ(rt::toI4(late(cf, u"iDateDiff", {str(u"2007-03-05"), str(u"2007-03-08")})), 3);
    try {
        late(cf, u"iDateDiff", {str(u"2007-03-05"), str(u"2007-03-08"), str(u"fortnight")});
        FAIL();
    } catch (rt::Error& e) {
        EXPECT_EQ(e.numberValue(), 5);
        EXPECT_EQ(e.source(), u"Velmora.CCommonFunction");
    }
}
