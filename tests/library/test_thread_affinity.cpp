// The library's objects belong to the thread that made them: each thread has its own module
// state (gCommon, gConPool, gMsgBox), so a call from another thread is refused with
// RPC_E_WRONG_THREAD instead of running on that thread's state.
#include <thread>

#include "library_testing.h"
#include "support/testing.h"

namespace velmora::testing {
namespace {

using rt::Str;
using rt::Variant;

using support::onOtherThread;
using support::expectWrongThread;

TEST(LibraryThreadAffinity, EarlyBoundCallsFromAnotherThreadAreRefused) {
    auto cf = newCommon();
    onOtherThread([&] {
        Variant text(Str(u"  Mixed Case  "));
        rt::VARIANT_BOOL lower = rt::VARIANT_TRUE;
        int32_t mode = 2;
        Str result(u"untouched");
        expectWrongThread(cf->strTrim(&text, &lower, &mode, &result), u"Velmora.CCommonFunction");
        EXPECT_EQ(result, u"untouched") << "the member did not run";
        EXPECT_EQ(text.str(), u"  Mixed Case  ");
        // Even a member that would only fail: the thread is checked first.
        Variant missing;
        expectWrongThread(cf->strVal(&missing, &lower, nullptr), u"Velmora.CCommonFunction");
    });
    Variant text(Str(u"  Mixed Case  "));
    rt::VARIANT_BOOL lower = rt::VARIANT_TRUE;
    int32_t mode = 2;
    Str result;
    ASSERT_EQ(cf->strTrim(&text, &lower, &mode, &result), rt::S_OK);
    EXPECT_EQ(result, u"mixed case");
}

TEST(LibraryThreadAffinity, LateBoundCallsFromAnotherThreadAreRefused) {
    auto cf = newCommon();
    onOtherThread([&] {
        const rt::Error e = support::errorOf([&] { late(cf, u"strTrim", {str(u"  X  ")}); });
        EXPECT_EQ(e.hresult(), rt::RPC_E_WRONG_THREAD);
        EXPECT_EQ(e.source(), u"_CCommonFunction");
    });
    EXPECT_EQ(late(cf, u"strTrim", {str(u"  X  ")}).str(), u"x");
}

TEST(LibraryThreadAffinity, APoolIsUsedOnlyOnItsThread) {
    useBuiltLibrary();
    rt::ComPtr<_CConPool> pool = rt::call(client::global().get(), &_CGlobal::GetPoolInstance);
    ASSERT_TRUE(pool);
    onOtherThread([&] {
        int16_t limit = 0;
        expectWrongThread(pool->get_MaxCon(&limit), u"Velmora.CConPool");
        expectWrongThread(pool->put_MaxCon(1), u"Velmora.CConPool");
        // This thread reaches a pool of its own.
        useBuiltLibrary();
        rt::ComPtr<_CConPool> own = rt::call(client::global().get(), &_CGlobal::GetPoolInstance);
        EXPECT_NE(rt::identityOf(own.get()), rt::identityOf(pool.get()));
        EXPECT_EQ(rt::call(own.get(), &_CConPool::get_MaxCon), 5);
    });
    EXPECT_EQ(rt::call(pool.get(), &_CConPool::get_MaxCon), 5) << "the refused put changed nothing";
}

TEST(LibraryThreadAffinity, ResetFromAnotherThreadIsRefused) {
    useBuiltLibrary();
    rt::ComPtr<_CReset> reset = client::newReset();
    onOtherThread([&] {
        rt::VARIANT_BOOL done = 0;
        expectWrongThread(reset->Transaction(&done), u"Velmora.CReset");
    });
    EXPECT_EQ(rt::call(reset.get(), &_CReset::Transaction), rt::VARIANT_TRUE);
}

}  // namespace
}  // namespace velmora::testing
