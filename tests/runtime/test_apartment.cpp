// Apartments, the keyed collection, random fractions and the class table.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "runtime/apartment.h"
#include "runtime/classes.h"
#include "runtime/collection.h"
#include "runtime/date.h"
#include "runtime/error.h"

using namespace rt;
using namespace std::chrono_literals;

TEST(Apartment, WorkPostedFromAnotherThreadRunsOnTheOwnerWhenItProcesses) {
    std::shared_ptr<Apartment> target;
    std::thread::id ranOn;
    std::atomic<bool> ready{false}, done{false};
    std::thread owner([&] {
        target = Apartment::current().handle();
        ready = true;
        while (!done) {
            Apartment::current().waitForWork(Apartment::Clock::now() + 2s);
            Apartment::current().processPending();
        }
    });
    while (!ready) std::this_thread::yield();
    target->post([&] {
        ranOn = std::this_thread::get_id();
        done = true;
    });
    std::thread::id ownerId = owner.get_id();
    owner.join();
    EXPECT_EQ(ranOn, ownerId);
}

TEST(Apartment, ProcessPendingRunsWorkQueuedWhileRunning) {
    Apartment& a = Apartment::current();
    a.processPending();
    int order = 0;
    a.post([&] {
        order = order * 10 + 1;
        a.post([&] { order = order * 10 + 2; });
    });
    EXPECT_EQ(a.processPending(), 2u);
    EXPECT_EQ(order, 12);
    EXPECT_FALSE(a.hasWork());
}

TEST(Apartment, WaitEndsAtTheDeadlineWithoutWork) {
    Apartment& a = Apartment::current();
    a.processPending();
    auto start = Apartment::Clock::now();
    EXPECT_FALSE(a.waitForWork(start + 50ms));
    EXPECT_GE(Apartment::Clock::now() - start, 50ms);
}

TEST(Apartment, WaitWakesWhenWorkArrives) {
    Apartment& a = Apartment::current();
    a.processPending();
    auto h = a.handle();
    std::thread poster([h] {
        std::this_thread::sleep_for(20ms);
        h->post([] {});
    });
    EXPECT_TRUE(a.waitForWork(Apartment::Clock::now() + 10s));
    poster.join();
    EXPECT_EQ(a.processPending(), 1u);
}

TEST(Apartment, PostingToAFinishedThreadIsHarmless) {
    std::shared_ptr<Apartment> gone;
    std::thread t([&] { gone = Apartment::current().handle(); });
    t.join();
    ASSERT_TRUE(gone);
    gone->post([] {});
    SUCCEED();
}

TEST(Collection, KeysIgnoreCaseAndKeepOrder) {
    Collection c;
    c.add(Variant(1), Str(u"Alpha"));
    c.add(Variant(2), Str(u"beta"));
    c.add(Variant(3));
    EXPECT_EQ(c.count(), 3);
    EXPECT_EQ(c.item(u"ALPHA").i4(), 1);
    EXPECT_EQ(c.item(2).i4(), 2);
    EXPECT_TRUE(c.contains(u"BETA"));
    try {
        c.add(Variant(9), Str(u"alpha"));
        FAIL();
    } catch (Error& e) {
        EXPECT_EQ(e.numberValue(), 457);
    }
    EXPECT_EQ(c.count(), 3);
    try {
        c.item(u"gamma");
        FAIL();
    } catch (Error& e) {
        EXPECT_EQ(e.numberValue(), 5);
    }
    EXPECT_THROW(c.item(4), Error);
    c.remove(u"Alpha");
    EXPECT_EQ(c.count(), 2);
    EXPECT_EQ(c.item(1).i4(), 2);
    EXPECT_THROW(c.remove(u"alpha"), Error);
}

TEST(Random, FractionsStayInRangeAndFollowTheSeed) {
    seedRandom(42);
    double first = randomFraction();
    for (int i = 0; i < 10000; ++i) {
        double f = randomFraction();
        ASSERT_GE(f, 0.0);
        ASSERT_LT(f, 1.0);
    }
    seedRandom(42);
    EXPECT_EQ(randomFraction(), first);
}

TEST(Timer, TimeOfDayHasFractions) {
    double t = timerSeconds();
    EXPECT_GE(t, 0.0);
    EXPECT_LT(t, 86400.0);
}

namespace {
HRESULT refuse(const IID&, void** out) {
    *out = nullptr;
    return E_OUTOFMEMORY;
}
const CLSID kRefusing = guid("{6F1B2D40-2222-4A2B-9C3D-000000000002}");
const ClassRegistrar refusingClass("Test.Refusing", kRefusing, &refuse, nullptr);
}  // namespace

TEST(Classes, UnknownAndFailingClassesGiveError429) {
    try {
        createObject(u"No.Such.Class");
        FAIL();
    } catch (Error& e) {
        EXPECT_EQ(e.numberValue(), 429);
        EXPECT_NE(e.description().find(u"No.Such.Class"), Str::npos);
    }
    try {
        createObject(u"test.refusing");
        FAIL();
    } catch (Error& e) {
        EXPECT_EQ(e.numberValue(), 429);
    }
    EXPECT_EQ(classIdOf(u"TEST.REFUSING"), kRefusing);
    EXPECT_EQ(classIdOf(u"{6F1B2D40-2222-4A2B-9C3D-000000000002}"), kRefusing);
}

TEST(Classes, AKnownServerThatCannotBeLoadedIsAClearError) {
    const CLSID id = guid("{6F1B2D40-3333-4A2B-9C3D-000000000003}");
    addKnownServer("Test.Missing", id, "/nonexistent/libnothing.so");
    try {
        createObject(u"Test.Missing");
        FAIL();
    } catch (Error& e) {
        EXPECT_EQ(e.numberValue(), 429);
        EXPECT_NE(e.description().find(u"libnothing.so"), Str::npos);
    }
}
