#include "runtime/date.h"
#include "runtime/locale.h"
#include "runtime/value_testing.h"

#include <cmath>
#include <ctime>

using namespace rt;
using rt::testing::u8;

namespace {

double serial(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) { return serialFromCivil({y, m, d, hh, mm, ss}); }

std::string format(double s, const char16_t* pattern) { return u8(formatDate(s, pattern)); }

TEST(DateSerial, KnownSerials) {
    EXPECT_EQ(0.0, serial(1899, 12, 30));
    EXPECT_EQ(1.0, serial(1899, 12, 31));
    EXPECT_EQ(2.0, serial(1900, 1, 1));
    EXPECT_EQ(39146.0, serial(2007, 3, 5));
    EXPECT_EQ(-657434.0, serial(100, 1, 1));
    EXPECT_EQ(2958465.0, serial(9999, 12, 31));
    EXPECT_EQ(-36522.0, serial(1800, 1, 1));
    EXPECT_DOUBLE_EQ(39146.5, serial(2007, 3, 5, 12));
    // Before the epoch the fraction still runs forward through the day.
    EXPECT_DOUBLE_EQ(-1.25, serial(1899, 12, 29, 6));
}

TEST(DateSerial, CivilFromSerialRoundsToTheSecond) {
    CivilTime t = civilFromSerial(39146.0 + 37230.0 / 86400);
    EXPECT_EQ(2007, t.year);
    EXPECT_EQ(3, t.month);
    EXPECT_EQ(5, t.day);
    EXPECT_EQ(10, t.hour);
    EXPECT_EQ(20, t.minute);
    EXPECT_EQ(30, t.second);
    t = civilFromSerial(39146.0 - 0.1 / 86400);  // a tenth of a second before midnight
    EXPECT_EQ(5, t.day);
    EXPECT_EQ(0, t.hour);
    t = civilFromSerial(39145.0 + 86399.6 / 86400);
    EXPECT_EQ(5, t.day);
    EXPECT_EQ(0, t.second);
    t = civilFromSerial(-1.25);
    EXPECT_EQ(29, t.day);
    EXPECT_EQ(6, t.hour);
    t = civilFromSerial(-0.5);  // the day 0 seen from below: same day, noon
    EXPECT_EQ(30, t.day);
    EXPECT_EQ(12, t.hour);
}

TEST(DateSerial, RoundTripsEveryDayOfSeveralCenturies) {
    for (long day = -657434; day <= 2958465; day += 37) {
        const CivilTime t = civilFromSerial(double(day));
        ASSERT_TRUE(isValidCivilDate(t.year, t.month, t.day)) << day;
        ASSERT_EQ(double(day), serialFromCivil(t)) << day;
    }
}

TEST(DateSerial, OutOfRangeIsOverflow) {
    EXPECT_RT_ERROR(6, serialFromCivil({99, 12, 31}));
    EXPECT_RT_ERROR(6, serialFromCivil({10000, 1, 1}));
    EXPECT_RT_ERROR(6, serialFromCivil({2007, 2, 30}));
    EXPECT_RT_ERROR(6, serialFromCivil({2007, 3, 5, 24}));
    EXPECT_RT_ERROR(6, civilFromSerial(2958466.0));
    EXPECT_RT_ERROR(6, civilFromSerial(-657435.0));
    EXPECT_RT_ERROR(6, civilFromSerial(std::nan("")));
    EXPECT_RT_ERROR(0, civilFromSerial(2958465.99999));
}

TEST(DateSerial, CalendarDays) {
    EXPECT_TRUE(isValidCivilDate(2000, 2, 29));
    EXPECT_FALSE(isValidCivilDate(1900, 2, 29));
    EXPECT_TRUE(isValidCivilDate(2004, 2, 29));
    EXPECT_FALSE(isValidCivilDate(2007, 4, 31));
    EXPECT_FALSE(isValidCivilDate(2007, 0, 1));
    EXPECT_FALSE(isValidCivilDate(99, 1, 1));
}

TEST(DateSerial, WeekdaysCountFromSunday) {
    EXPECT_EQ(7, weekday(0));                     // 1899-12-30, a Saturday
    EXPECT_EQ(1, weekday(serial(2007, 3, 4)));    // a Sunday
    EXPECT_EQ(2, weekday(serial(2007, 3, 5)));  // a Monday
    EXPECT_EQ(6, weekday(serial(1899, 12, 29)));
    EXPECT_EQ(6, weekday(serial(100, 1, 1)));
}

TEST(DateParse, Forms) {
    EXPECT_EQ(std::optional<double>(39146.0), parseDateText(u"2007-3-5"));
    EXPECT_EQ(std::optional<double>(39146.0), parseDateText(u"2007/03/05"));
    EXPECT_EQ(std::optional<double>(39146.0), parseDateText(u"07-3-5"));
    EXPECT_EQ(std::optional<double>(serial(1999, 3, 5)), parseDateText(u"99-3-5"));
    EXPECT_EQ(std::optional<double>(serial(2007, 3, 5, 10, 20, 30)), parseDateText(u"2007-03-05 10:20:30"));
    EXPECT_EQ(std::optional<double>(serial(2007, 3, 5, 22, 5)), parseDateText(u"2007-3-5  10:05 pm"));
    EXPECT_EQ(std::optional<double>(serial(2007, 3, 5, 0, 5)), parseDateText(u"2007-3-5 12:05AM"));
    EXPECT_EQ(std::optional<double>(serial(1899, 12, 30, 10, 20)), parseDateText(u"10:20"));
    EXPECT_EQ(std::nullopt, parseDateText(u"2007-3-5T10:20:30"));
    EXPECT_EQ(std::nullopt, parseDateText(u"2007-3-5 10"));
    EXPECT_EQ(std::nullopt, parseDateText(u"2007-3-5 10:20:30:40"));
    EXPECT_EQ(std::optional<double>(serial(2007, 3, 5, 0, 20)), parseDateText(u"2007-3-5 0:20 AM"));
    EXPECT_EQ(std::nullopt, parseDateText(u"2007--3-5"));
    EXPECT_EQ(std::nullopt, parseDateText(u"2007-003-5"));
    EXPECT_EQ(std::nullopt, parseDateText(u"-2007-3-5"));
    EXPECT_EQ(std::nullopt, parseDateText(u"2007-3-05-1"));
    EXPECT_EQ(std::nullopt, parseDateText(u"2007\u30003\u30005"));
}

TEST(DateFormat, Placeholders) {
    const double s = serial(2007, 3, 5, 9, 7, 4);
    EXPECT_EQ("2007-03-05", format(s, u"yyyy-mm-dd"));
    EXPECT_EQ("2007-03-05", format(s, u"yyyy-MM-dd"));
    EXPECT_EQ("07/3/5", format(s, u"yy/M/d"));
    EXPECT_EQ("09:07:04", format(s, u"HH:mm:ss"));
    EXPECT_EQ("9:07:04", format(s, u"H:mm:ss"));
    EXPECT_EQ("9:7:4", format(s, u"h:m:s"));
    EXPECT_EQ("07:04", format(s, u"mm:ss"));
    EXPECT_EQ("3", format(s, u"m"));
    EXPECT_EQ("64", format(s, u"y"));  // day of the year
    EXPECT_EQ("Date: 2007", format(s, u"\"Date: \"yyyy"));
    EXPECT_EQ("d=5", format(s, u"\\d=d"));
    const double evening = serial(2007, 3, 5, 21, 30);
    EXPECT_EQ("9:30 PM", format(evening, u"h:mm AM/PM"));
    EXPECT_EQ("09:30 PM", format(evening, u"hh:mm tt"));
    EXPECT_EQ("21:30", format(evening, u"hh:mm"));
    EXPECT_EQ("12:00 AM", format(serial(2007, 3, 5), u"h:mm AM/PM"));
    EXPECT_EQ("0100-01-01", format(serial(100, 1, 1), u"yyyy-MM-dd"));
}

TEST(DateText, ShortDatePatternAndTime) {
    const SystemLocale saved = systemLocale();
    overrideSystemLocale(localeFor("zh-CN"));
    EXPECT_EQ("2007-3-5", u8(dateText(serial(2007, 3, 5))));
    EXPECT_EQ("2007-3-5 10:20:30", u8(dateText(serial(2007, 3, 5, 10, 20, 30))));
    EXPECT_EQ("10:20:30", u8(dateText(serial(1899, 12, 30, 10, 20, 30))));  // no date part
    EXPECT_EQ("0:00:00", u8(dateText(0)));
    overrideSystemLocale(localeFor("en-US"));
    EXPECT_EQ("12/31/9999 23:59:59", u8(dateText(serial(9999, 12, 31, 23, 59, 59))));
    overrideSystemLocale(saved);
}

TEST(DateClock, TimerAndNowAgreeWithTheSystemClock) {
    const double timer = timerSeconds();
    const double now = nowSerial();
    const time_t t = time(nullptr);
    tm local{};
    localtime_r(&t, &local);
    const double expectedSeconds = local.tm_hour * 3600.0 + local.tm_min * 60 + local.tm_sec;
    EXPECT_GE(timer, 0.0);
    EXPECT_LT(timer, 86400.0);
    // Around midnight the two readings may straddle the day; allow for that.
    const double drift = std::fabs(timer - expectedSeconds);
    EXPECT_TRUE(drift < 2.0 || drift > 86398.0) << timer << " vs " << expectedSeconds;
    const CivilTime c = civilFromSerial(now);
    EXPECT_EQ(local.tm_year + 1900, c.year);
    EXPECT_EQ(local.tm_mon + 1, c.month);
    EXPECT_NEAR(std::fmod(now, 1.0) * 86400, expectedSeconds, 2.0 + (drift > 86398.0 ? 86400 : 0));
}

}  // namespace
