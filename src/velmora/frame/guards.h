// The three error guards of the library's public methods.
//
//   guard N (none):    an error ends the method and reaches the caller as a failed call.
//   guard H (handler): an error stops the body, the method's handler runs, the call succeeds.
//   guard S (skip):    each statement that fails is skipped; the call succeeds.
//
// Bodies throw rt::Error as the algorithm's steps fail; the guard decides what follows.
#pragma once

#include "runtime/error.h"

namespace velmora {

inline constexpr const char16_t* kSourceCommon = u"Velmora.CCommonFunction";
inline constexpr const char16_t* kSourcePool = u"Velmora.CConPool";
inline constexpr const char16_t* kSourceGlobal = u"Velmora.CGlobal";
inline constexpr const char16_t* kSourceReset = u"Velmora.CReset";

// Guard N: the error goes to the caller with its number and description.
template <class Body>
rt::HRESULT guardNone(const char16_t* source, Body&& body) noexcept {
    return rt::boundary(source, std::forward<Body>(body));
}

// Guard H: on error the handler runs (it may not fail) and the call succeeds.
template <class Body, class Handler>
rt::HRESULT guardHandler(Body&& body, Handler&& handler) noexcept {
    try {
        body();
    } catch (rt::Error&) {
        handler();
    } catch (std::bad_alloc&) {
        handler();
    }
    rt::clearErrorInfo();
    return rt::S_OK;
}
template <class Body>
rt::HRESULT guardHandler(Body&& body) noexcept {
    return guardHandler(std::forward<Body>(body), [] {});
}

// Guard S: statements run through skip(); a failing one is skipped and remembered.
class SkipGuard {
public:
    template <class Statement>
    void operator()(Statement&& s) noexcept {
        try {
            s();
        } catch (rt::Error& e) {
            failed_ = true;
            last_ = e;
        } catch (std::bad_alloc&) {
            failed_ = true;
            last_ = rt::Error::number(rt::kErrOutOfMemory);
        }
    }
    // Whether any statement has failed since construction (or the last reset).
    bool failed() const { return failed_; }
    const rt::Error& lastError() const { return last_; }
    void reset() { failed_ = false; }

private:
    bool failed_ = false;
    rt::Error last_;
};

// The failure of a member whose behaviour is not built yet.
[[noreturn]] void notImplemented(const char* member);

}  // namespace velmora
