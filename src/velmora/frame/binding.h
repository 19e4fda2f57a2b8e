// How every member of the library's four interfaces is bound: one rule, applied here only.
//
// A member's behaviour is a plain function named after the member, in its subsystem
// (text::strTrim, xml::objMakeNode, pool::GetConn, ...). It throws rt::Error where a step
// fails and knows nothing of status codes, out-pointers or guards. The interface method is
// a one-line adapter that hands its arguments to that function:
//
//     HRESULT CCommonFunction::strTrim(Variant* vData, VARIANT_BOOL* bLowerCase, int32_t* lTrimMode,
//                                      Str* result) {
//         return bind<&_CCommonFunction::strTrim>(&text::strTrim, vData, bLowerCase, lTrimMode, result);
//     }
//
// bind() applies, in this order:
//  1. The null-pointer policy: a null pointer among the arguments (an early-bound caller's
//     mistake) gives E_POINTER before anything runs.
//  2. The member's guard, as the guard table at the end of this header declares it:
//       None     an error ends the member and reaches the caller as a failed call, with its
//                number, description and source;
//       Handler  an error ends the body, the body's registered handler actions run, and the
//                call succeeds with the result as far as it was set;
//       Skip     each statement the body runs through GuardScope::step that fails is skipped;
//                the call succeeds;
//     and the changing guards (None then Skip, Skip then None, None then Handler), whose body
//     calls GuardScope::change() at the point where the guard changes. Exceptions of every
//     type count as errors (see rt::currentError): nothing thrown ends the process.
//  3. The arguments' adaptation to the plain function's parameters, and the result's:
//       T* argument      -> T&, const T&, T (a copy) or T*; a VARIANT_BOOL also -> bool
//       I** argument     -> I* (borrowed), a base pointer, or rt::ComPtr<I>& (in and out: what
//                           the function leaves there goes back to the caller, even on error)
//       by-value argument-> the same type
//       the result       -> when the function returns a value, the last argument receives it
//                           (reset to its default before the body runs); a function that
//                           returns nothing takes every argument, the result included, and
//                           sets the result itself.
//     A function may take a GuardScope& first: the changing guards, skipped statements and
//     handler actions need it.
//
// The library's own code calls members through their interfaces (gCommon(), gConPool()) with
// rt::call, so that a member's guard holds for every caller.
#pragma once

#include <functional>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "frame/interfaces.h"
#include "runtime/error.h"
#include "runtime/object.h"

namespace velmora {

enum class Guard : uint8_t { None, Handler, Skip, NoneThenSkip, SkipThenNone, NoneThenHandler };

// The guard's name as the reference documentation writes it ("none, then skip").
const char* guardName(Guard g);

// What a member's body sees of its guard.
class GuardScope {
public:
    explicit GuardScope(Guard declared) : declared_(declared), current_(initialOf(declared)) {}
    GuardScope(const GuardScope&) = delete;
    GuardScope& operator=(const GuardScope&) = delete;

    // Runs one statement. Under the skip guard a statement that fails is skipped (its error
    // is remembered); under the others its error ends the body.
    template <class Statement>
    void step(Statement&& statement) {
        if (current_ != Guard::Skip) {
            statement();
            return;
        }
        try {
            statement();
        } catch (...) {
            failed_ = true;
            last_ = rt::currentError();
        }
    }
    // The change of guard the member declares, at this point of its body. Throws error 51
    // when the member declares no change (a programming error in the body).
    void change();
    // Registers an action of the handler guard: run, in order, when an error ends the body
    // under the handler guard. An action may refer to the member's arguments (they outlive
    // the body) but never to the body's own locals (gone by then). An action must not fail
    // (a failing one is ignored).
    void onError(std::function<void()> action);

    // The guard in force now: None, Handler or Skip.
    Guard current() const { return current_; }
    // Whether a statement has been skipped since the start (or the last clearFailed()).
    bool failed() const { return failed_; }
    const rt::Error& lastError() const { return last_; }
    void clearFailed() { failed_ = false; }

    // Runs the handler actions registered so far, once (a second call runs nothing).
    void runHandler() noexcept;

private:
    static Guard initialOf(Guard declared);

    Guard declared_;
    Guard current_;
    bool failed_ = false;
    rt::Error last_;
    std::vector<std::function<void()>> handler_;
};

// The guard of each member; the table at the end of this header fills it in.
template <auto Member>
inline constexpr bool kHasGuard = false;
template <auto Member>
inline constexpr Guard kGuardOf = Guard::None;

// The error source each interface's members report.
template <class I>
inline constexpr const char16_t* kSourceOf = nullptr;
template <>
inline constexpr const char16_t* kSourceOf<_CCommonFunction> = u"Velmora.CCommonFunction";
template <>
inline constexpr const char16_t* kSourceOf<_CConPool> = u"Velmora.CConPool";
template <>
inline constexpr const char16_t* kSourceOf<_CGlobal> = u"Velmora.CGlobal";
template <>
inline constexpr const char16_t* kSourceOf<_CReset> = u"Velmora.CReset";

namespace binding_detail {

template <class M>
struct MemberOf;
template <class I, class... A>
struct MemberOf<HRESULT (I::*)(A...)> {
    using Interface = I;
};

template <class T>
inline constexpr bool isInterface = std::is_base_of_v<rt::IUnknown, T>;
template <class T>
inline constexpr bool isInterfacePointer = std::is_pointer_v<T> && isInterface<std::remove_pointer_t<T>>;

template <class T>
struct IsComPtr : std::false_type {};
template <class I>
struct IsComPtr<rt::ComPtr<I>> : std::true_type {};

// How an interface argument of type A travels into bind(): pointers as they are, anything
// passed by value as a const reference (no copy of a by-value string).
template <class A>
using Carried = std::conditional_t<std::is_pointer_v<std::remove_cvref_t<A>>, std::remove_cvref_t<A>,
                                   const std::remove_cvref_t<A>&>;

// One argument handed to the plain function as its parameter type P. The primary template
// serves by-value arguments (and interfaces passed by value).
template <class P, class A, class = void>
struct Pass {
    A a;
    explicit Pass(A arg) : a(arg) {}
    P get() { return a; }
};

// T* argument: a value passed by reference.
template <class P, class T>
struct Pass<P, T*, std::enable_if_t<!isInterface<T> && !isInterfacePointer<T>>> {
    T* a;
    explicit Pass(T* arg) : a(arg) {}
    decltype(auto) get() {
        if constexpr (std::is_pointer_v<P>) return a;
        else if constexpr (std::is_same_v<P, bool>) return *a != 0;  // a VARIANT_BOOL
        else if constexpr (std::is_reference_v<P>) return static_cast<P>(*a);
        else return P(*a);
    }
};

// I** argument: an interface passed by reference.
template <class P, class I>
struct Pass<P, I**, std::enable_if_t<isInterface<I>>> {
    static constexpr bool inOut = IsComPtr<std::remove_cvref_t<P>>::value;
    I** a;
    rt::ComPtr<I> held;
    explicit Pass(I** arg) : a(arg) {
        if constexpr (inOut) held = rt::ComPtr<I>(*a);
    }
    Pass(const Pass&) = delete;
    Pass& operator=(const Pass&) = delete;
    // What the function left in an in-and-out slot goes back to the caller, on error too.
    ~Pass() {
        if constexpr (inOut) {
            if (held.get() != *a) rt::assignOut(a, held);
        }
    }
    decltype(auto) get() {
        if constexpr (inOut) return (held);
        else return static_cast<P>(*a);
    }
};

template <class A>
bool isNull(const A& a) {
    if constexpr (std::is_pointer_v<A>) return a == nullptr;
    else return false;
}
template <class... A>
bool anyNull(const A&... a) {
    return (isNull(a) || ...);
}

// The result slot's value before the body runs.
template <class R>
void resetResult(R* slot) {
    if constexpr (isInterfacePointer<R>) *slot = nullptr;  // an [out] slot holds nothing of ours yet
    else *slot = R{};
}

template <class R, class V>
void storeResult(R* slot, V&& value) {
    if constexpr (IsComPtr<std::remove_cvref_t<V>>::value) rt::assignOut(slot, value);
    else if constexpr (std::is_same_v<std::remove_cvref_t<V>, bool>) *slot = value ? rt::VARIANT_TRUE : rt::VARIANT_FALSE;
    else *slot = std::forward<V>(value);
}

template <class F>
struct FunctionOf;
template <class R, class... P>
struct FunctionOf<R (*)(P...)> {
    using Result = R;
    using Params = std::tuple<P...>;
    static constexpr bool takesScope =
        sizeof...(P) > 0 && std::is_same_v<std::tuple_element_t<0, std::tuple<P..., void>>, GuardScope&>;
    static constexpr size_t first = takesScope ? 1 : 0;  // the first parameter that takes an argument
    static constexpr size_t arguments = sizeof...(P) - first;
};

// Calls fn with the adapted arguments; when fn returns a value, the last argument is the
// result slot and receives it.
template <class Fn, class... A>
void invokeBody(Fn fn, GuardScope& scope, A... args) {
    using F = FunctionOf<Fn>;
    constexpr bool returns = !std::is_void_v<typename F::Result>;
    static_assert(F::arguments + (returns ? 1 : 0) == sizeof...(A),
                  "the plain function takes every argument of the member (but the result when it returns one)");
    auto all = std::tuple<A...>(args...);
    [&]<size_t... N>(std::index_sequence<N...>) {
        std::tuple<Pass<std::tuple_element_t<N + F::first, typename F::Params>, std::tuple_element_t<N, std::tuple<A...>>>...>
            passes(std::get<N>(all)...);
        auto call = [&]() -> decltype(auto) {
            // The handler's actions run here, while the arguments they refer to (held by
            // `passes`) still live.
            try {
                if constexpr (F::takesScope) return fn(scope, std::get<N>(passes).get()...);
                else return fn(std::get<N>(passes).get()...);
            } catch (...) {
                if (scope.current() == Guard::Handler) scope.runHandler();
                throw;
            }
        };
        if constexpr (returns) {
            auto* slot = std::get<sizeof...(A) - 1>(all);
            resetResult(slot);
            storeResult(slot, call());
        } else {
            call();
        }
    }(std::make_index_sequence<F::arguments>{});
}

}  // namespace binding_detail

// Runs body(scope) under guard g as a member's interface method does, and returns the
// call's status: S_OK, or under the none guard the error's status with the thread's error
// information (its source filled in when the error has none).
template <class Body>
HRESULT runGuarded(Guard g, const char16_t* source, Body&& body) noexcept {
    GuardScope scope(g);
    rt::clearErrorInfo();
    try {
        body(scope);
    } catch (...) {
        if (scope.current() == Guard::None) return rt::reportCurrentError(source);
        scope.runHandler();
    }
    rt::clearErrorInfo();
    return rt::S_OK;
}

// The interface method of Member: see the top of this header.
template <auto Member, class Fn, class... A>
HRESULT bind(Fn fn, A&&... args) noexcept {
    using Interface = typename binding_detail::MemberOf<decltype(Member)>::Interface;
    static_assert(kHasGuard<Member>, "every member's guard is declared in the guard table");
    if (binding_detail::anyNull(args...)) {
        rt::setErrorInfo(rt::Error::bare(rt::E_POINTER));
        return rt::E_POINTER;
    }
    return runGuarded(kGuardOf<Member>, kSourceOf<Interface>, [&](GuardScope& scope) {
        binding_detail::invokeBody<Fn, binding_detail::Carried<A>...>(fn, scope, args...);
    });
}

// ---- The guard table ------------------------------------------------------------------

#define VELMORA_GUARD(member, guard)                     \
    template <>                                          \
    inline constexpr bool kHasGuard<&member> = true;     \
    template <>                                          \
    inline constexpr Guard kGuardOf<&member> = Guard::guard;

VELMORA_GUARD(_CConPool::objDsn2Con, None)
VELMORA_GUARD(_CConPool::GetConn, Handler)
VELMORA_GUARD(_CConPool::ReleaseConn, Skip)
VELMORA_GUARD(_CConPool::ResetPool, Skip)
VELMORA_GUARD(_CConPool::get_MaxCon, None)
VELMORA_GUARD(_CConPool::put_MaxCon, None)

VELMORA_GUARD(_CGlobal::GetPoolInstance, None)

VELMORA_GUARD(_CReset::Transaction, Skip)

VELMORA_GUARD(_CCommonFunction::objOpenDB, Handler)
VELMORA_GUARD(_CCommonFunction::vInRecord2, Handler)
VELMORA_GUARD(_CCommonFunction::vInRecord, Handler)
VELMORA_GUARD(_CCommonFunction::sCheckField, None)
VELMORA_GUARD(_CCommonFunction::GetElementVal, None)
VELMORA_GUARD(_CCommonFunction::GetAttributeVal, None)
VELMORA_GUARD(_CCommonFunction::sRootTag, None)
VELMORA_GUARD(_CCommonFunction::objSelectRootTag, Handler)
VELMORA_GUARD(_CCommonFunction::objMakeNode, None)
VELMORA_GUARD(_CCommonFunction::objMakeNode2, None)
VELMORA_GUARD(_CCommonFunction::objGenerateKaDom, NoneThenSkip)
VELMORA_GUARD(_CCommonFunction::sCurrentPath, None)
VELMORA_GUARD(_CCommonFunction::sCheckDateNull, None)
VELMORA_GUARD(_CCommonFunction::sCheckDate, None)
VELMORA_GUARD(_CCommonFunction::sCheckNull, None)
VELMORA_GUARD(_CCommonFunction::sCheckMoney, None)
VELMORA_GUARD(_CCommonFunction::bCheckDate, None)
VELMORA_GUARD(_CCommonFunction::iDateDiff, None)
VELMORA_GUARD(_CCommonFunction::bContain, None)
VELMORA_GUARD(_CCommonFunction::iItemPos, None)
VELMORA_GUARD(_CCommonFunction::iNodeCount, None)
VELMORA_GUARD(_CCommonFunction::LoadFromTemplate, Handler)
VELMORA_GUARD(_CCommonFunction::sMoneyFormat, None)
VELMORA_GUARD(_CCommonFunction::SetCtrFocus, SkipThenNone)
VELMORA_GUARD(_CCommonFunction::SetCtrFocus2, SkipThenNone)
VELMORA_GUARD(_CCommonFunction::strAdd, Handler)
VELMORA_GUARD(_CCommonFunction::iShowMsg, None)
VELMORA_GUARD(_CCommonFunction::LittleToBig, None)
VELMORA_GUARD(_CCommonFunction::DealFocus, None)
VELMORA_GUARD(_CCommonFunction::iWidthForAll, None)
VELMORA_GUARD(_CCommonFunction::bWriteLine, Handler)
VELMORA_GUARD(_CCommonFunction::LenEx, None)
VELMORA_GUARD(_CCommonFunction::LeftEx, None)
VELMORA_GUARD(_CCommonFunction::RightEx, None)
VELMORA_GUARD(_CCommonFunction::MidEx, None)
VELMORA_GUARD(_CCommonFunction::InstrEx, None)
VELMORA_GUARD(_CCommonFunction::iBitVal, None)
VELMORA_GUARD(_CCommonFunction::iFldType, None)
VELMORA_GUARD(_CCommonFunction::strVal, None)
VELMORA_GUARD(_CCommonFunction::Vround, Skip)
VELMORA_GUARD(_CCommonFunction::bGetNextPart, NoneThenHandler)
VELMORA_GUARD(_CCommonFunction::ComputerName, None)
VELMORA_GUARD(_CCommonFunction::objMakeNode3, Handler)
VELMORA_GUARD(_CCommonFunction::Doc2Rs, Handler)
VELMORA_GUARD(_CCommonFunction::Rs2Doc, Handler)
VELMORA_GUARD(_CCommonFunction::Sql2Doc, Handler)
VELMORA_GUARD(_CCommonFunction::strTrim, Handler)
VELMORA_GUARD(_CCommonFunction::AddEmptyRow, Handler)
VELMORA_GUARD(_CCommonFunction::bColHasFld, Handler)
VELMORA_GUARD(_CCommonFunction::SetAttr, Handler)
VELMORA_GUARD(_CCommonFunction::GetAttr, Handler)
VELMORA_GUARD(_CCommonFunction::SetRsAttribute, Handler)
VELMORA_GUARD(_CCommonFunction::GetNodeText, Handler)
VELMORA_GUARD(_CCommonFunction::SetNodeText, Handler)
VELMORA_GUARD(_CCommonFunction::IsFldEmpty, Handler)

#undef VELMORA_GUARD

}  // namespace velmora
