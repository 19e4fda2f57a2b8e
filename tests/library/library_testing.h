// Shared helpers for the library's tests: objects reached as a client reaches them.
#pragma once

#include <gtest/gtest.h>

#include "client.h"
#include "frame/module.h"
#include "runtime/convert.h"
#include "runtime/dispatch.h"

namespace velmora::testing {

// The component server the tests create objects from: the copy of the library linked into
// the test program (velmora_testable), so that the module state they inspect is the one
// the objects use.
inline void useBuiltLibrary() {
    static bool done = [] {
        client::useLibrary(VELMORA_TESTABLE_LIBRARY);
        return true;
    }();
    (void)done;
}

inline rt::ComPtr<_CCommonFunction> newCommon() {
    useBuiltLibrary();
    return client::newCommonFunction();
}

// The thread's shared CCommonFunction, as the library's own code reaches it (a client's
// creation has run Main first).
inline _CCommonFunction* shared() {
    newCommon();
    return gCommon();
}

inline rt::ComPtr<rt::IDispatch> asDispatch(const rt::ComPtr<_CCommonFunction>& p) {
    return rt::ComPtr<rt::IDispatch>(p.get());
}

// Late-bound call on an object, by member name.
inline rt::Variant late(const rt::ComPtr<_CCommonFunction>& p, rt::StrView name, std::vector<rt::CallArg> args) {
    return rt::callMethod(asDispatch(p).get(), name, std::move(args));
}

inline rt::Variant str(const char16_t* s) { return rt::Variant(rt::Str(s)); }

}  // namespace velmora::testing
