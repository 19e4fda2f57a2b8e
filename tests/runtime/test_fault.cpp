// The fault-injection seam: which call fails, what is counted, and that nothing is armed
// outside an injection.
#include <gtest/gtest.h>

#include <chrono>
#include <new>

#include "runtime/fault.h"

namespace {

using rt::fault::Injection;
using rt::fault::Kind;
using rt::fault::injected;

TEST(FaultInjection, FailsOnlyTheNthCallOfItsKind) {
    Injection injection(Kind::Sqlite, 3);
    EXPECT_FALSE(injected(Kind::Sqlite));
    EXPECT_FALSE(injected(Kind::File));  // another kind: counted, never failed
    EXPECT_FALSE(injected(Kind::Sqlite));
    EXPECT_FALSE(injection.fired());
    EXPECT_TRUE(injected(Kind::Sqlite));
    EXPECT_TRUE(injection.fired());
    EXPECT_FALSE(injected(Kind::Sqlite));  // once only
    EXPECT_EQ(injection.calls(Kind::Sqlite), 4);
    EXPECT_EQ(injection.calls(Kind::File), 1);
    EXPECT_EQ(injection.calls(Kind::Odbc), 0);
}

TEST(FaultInjection, NothingFailsOrCountsWithoutAnInjection) {
    for (int i = 0; i < 100; ++i) EXPECT_FALSE(injected(Kind::Alloc));
    EXPECT_NO_THROW(rt::fault::allocation());
    {
        Injection outer(Kind::Xml, 1);
        {
            Injection inner(Kind::Alloc, 1);
            EXPECT_THROW(rt::fault::allocation(), std::bad_alloc);
            EXPECT_FALSE(injected(Kind::Xml));  // the inner plan is the armed one
        }
        EXPECT_TRUE(injected(Kind::Xml));  // the outer plan is back, its count untouched
    }
    EXPECT_FALSE(injected(Kind::Xml));
}

TEST(FaultInjection, TheClockRunsADayLateFromTheFailedReading) {
    using namespace std::chrono;
    Injection injection(Kind::Clock, 2);
    const auto first = rt::fault::steadyNow();
    EXPECT_LT(first - steady_clock::now(), minutes(1));
    const auto second = rt::fault::steadyNow();
    EXPECT_GE(second - first, hours(24));
    const auto third = rt::fault::steadyNow();
    EXPECT_GE(third, second);  // stays late, never goes back
    EXPECT_EQ(injection.calls(Kind::Clock), 3);
}

}  // namespace
