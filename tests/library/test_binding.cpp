// The binding rule of the library's members: each guard, the changes of guard, handler
// actions, exceptions of any type, and the null-pointer policy of early-bound calls.
#include <stdexcept>

#include "dom/dom.h"
#include "frame/binding.h"
#include "library_testing.h"

using namespace velmora;
using namespace velmora::testing;
using rt::HRESULT;
using rt::Str;
using rt::Variant;

namespace {

[[noreturn]] void throwStandard() { throw std::out_of_range("position 9 is past the end"); }

HRESULT underGuard(Guard g, const std::function<void(GuardScope&)>& body) {
    return runGuarded(g, u"Test.Source", body);
}

}  // namespace

TEST(Binding, GuardNoneReportsAStandardExceptionAsInternalError) {
    HRESULT hr = underGuard(Guard::None, [](GuardScope&) { throwStandard(); });
    rt::Error e = rt::takeErrorInfo(hr);
    EXPECT_EQ(e.numberValue(), rt::kErrInternal);
    EXPECT_EQ(e.description(), u"position 9 is past the end");
    EXPECT_EQ(e.source(), u"Test.Source");
}

TEST(Binding, GuardHandlerRunsItsActionsAndSucceeds) {
    Str result = u"set before the failure";
    int ran = 0;
    HRESULT hr = underGuard(Guard::Handler, [&](GuardScope& guard) {
        guard.onError([&] { ++ran; });
        guard.onError([&] { throw std::runtime_error("a failing action is ignored"); });
        guard.onError([&] { ++ran; });
        throwStandard();
    });
    EXPECT_EQ(hr, rt::S_OK);
    EXPECT_EQ(ran, 2);
    EXPECT_EQ(result, u"set before the failure");
    EXPECT_EQ(rt::takeErrorInfo(rt::E_FAIL).description(), Str(rt::standardDescription(int(rt::E_FAIL))))
        << "the error is cleared";
}

TEST(Binding, GuardSkipSkipsEachFailingStatementAndGoesOn) {
    std::vector<int> done;
    GuardScope* seen = nullptr;
    rt::Error last;
    bool failed = false;
    HRESULT hr = underGuard(Guard::Skip, [&](GuardScope& guard) {
        guard.step([&] { done.push_back(1); });
        guard.step([&] { throwStandard(); });
        guard.step([&] { done.push_back(3); });
        guard.step([&] { rt::raise(rt::kErrOverflow); });
        guard.step([&] { done.push_back(5); });
        seen = &guard;
        failed = guard.failed();
        last = guard.lastError();
    });
    EXPECT_EQ(hr, rt::S_OK);
    EXPECT_EQ(done, (std::vector<int>{1, 3, 5}));
    EXPECT_NE(seen, nullptr);
    EXPECT_TRUE(failed);
    EXPECT_EQ(last.numberValue(), rt::kErrOverflow);
}

TEST(Binding, ChangingGuardsChangeWhereTheBodySays) {
    // None, then skip: a failure before the change reaches the caller...
    HRESULT hr = underGuard(Guard::NoneThenSkip, [](GuardScope& guard) {
        guard.step([] { rt::raise(rt::kErrSubscript); });
        guard.change();
    });
    EXPECT_EQ(rt::takeErrorInfo(hr).numberValue(), rt::kErrSubscript);
    // ...and after it is skipped.
    int after = 0;
    hr = underGuard(Guard::NoneThenSkip, [&](GuardScope& guard) {
        guard.change();
        guard.step([] { rt::raise(rt::kErrSubscript); });
        guard.step([&] { ++after; });
    });
    EXPECT_EQ(hr, rt::S_OK);
    EXPECT_EQ(after, 1);
    // Skip, then none: skipped first, then reported.
    hr = underGuard(Guard::SkipThenNone, [](GuardScope& guard) {
        guard.step([] { rt::raise(rt::kErrSubscript); });
        guard.change();
        guard.step([] { rt::raise(rt::kErrInvalidCall); });
    });
    EXPECT_EQ(rt::takeErrorInfo(hr).numberValue(), rt::kErrInvalidCall);
    // None, then handler.
    hr = underGuard(Guard::NoneThenHandler, [](GuardScope& guard) {
        guard.change();
        throwStandard();
    });
    EXPECT_EQ(hr, rt::S_OK);
    // A body that changes a guard its member does not declare changing is a fault of ours.
    hr = underGuard(Guard::None, [](GuardScope& guard) { guard.change(); });
    EXPECT_EQ(rt::takeErrorInfo(hr).numberValue(), rt::kErrInternal);
}

TEST(Binding, NullPointersFromEarlyBoundCallersAreRefused) {
    auto cf = newCommon();
    Variant v(Str(u" a "));
    VARIANT_BOOL lower = rt::VARIANT_TRUE;
    int32_t mode = 2;
    Str r;
    EXPECT_EQ(cf->strTrim(&v, &lower, &mode, nullptr), rt::E_POINTER);  // the result
    EXPECT_EQ(cf->strTrim(nullptr, &lower, &mode, &r), rt::E_POINTER);  // an argument
    EXPECT_EQ(cf->strTrim(&v, &lower, nullptr, &r), rt::E_POINTER);
    rt::Array list(0, {});
    EXPECT_EQ(cf->objMakeNode(u"row", nullptr, nullptr), rt::E_POINTER);
    EXPECT_EQ(cf->LoadFromTemplate(nullptr, &v, &r, &lower), rt::E_POINTER);
    int16_t maxCon = 0;
    auto pool = client::call(client::global().get(), &_CGlobal::GetPoolInstance);
    EXPECT_EQ(pool->get_MaxCon(nullptr), rt::E_POINTER);
    EXPECT_EQ(pool->get_MaxCon(&maxCon), rt::S_OK);
    // Nothing ran: the argument is as it was.
    EXPECT_EQ(v.str(), u" a ");
}

TEST(Binding, AResultStartsAtItsDefaultForEarlyBoundCallers) {
    auto cf = newCommon();
    Variant arr(rt::Array(0, {Variant(1)}));
    VARIANT_BOOL lower = rt::VARIANT_TRUE;
    int32_t mode = 2;
    Str r = u"left over from an earlier call";
    EXPECT_EQ(cf->strTrim(&arr, &lower, &mode, &r), rt::S_OK);  // handler: the default result
    EXPECT_EQ(r, u"");
    Str name = u"";
    rt::Array none(0, {});
    dom::IXMLDOMElement* out = nullptr;
    EXPECT_EQ(cf->objMakeNode3(&name, &none, &out), rt::S_OK);  // no tree: nothing
    EXPECT_EQ(out, nullptr);
}

TEST(Binding, EveryMembersHelpNamesItsGuard) {
    for (const rt::InterfaceInfo* info :
         {&_CConPool::info(), &_CGlobal::info(), &_CReset::info(), &_CCommonFunction::info()}) {
        for (const auto& m : info->members()) {
            EXPECT_NE(m.help.find(" Guard: "), std::string::npos) << info->name() << "." << m.name;
            EXPECT_GT(m.help.find(" Guard: "), 10u) << info->name() << "." << m.name << " says what it does";
        }
    }
    // The guard written is the one applied: strTrim's handler, strVal's none.
    const auto& members = _CCommonFunction::info().members();
    auto helpOf = [&](const char* name) {
        for (const auto& m : members)
            if (std::string(m.name) == name) return m.help;
        return std::string();
    };
    EXPECT_NE(helpOf("strTrim").find("Guard: handler."), std::string::npos);
    EXPECT_NE(helpOf("strVal").find("Guard: none."), std::string::npos);
    EXPECT_NE(helpOf("objGenerateKaDom").find("Guard: none, then skip."), std::string::npos);
}
