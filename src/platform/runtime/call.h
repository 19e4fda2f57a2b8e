// Throwing early-bound calls: a member's status turned back into rt::Error, its result
// returned. The way code calls an interface when it wants errors as exceptions.
#pragma once

#include <tuple>
#include <type_traits>
#include <utility>

#include "com.h"
#include "error.h"

namespace rt {

// Calls m on obj with args. When the call passes one argument fewer than m takes, the
// last parameter receives the result, which is returned (an interface result as an owning
// ComPtr, nothing when the member left it empty); otherwise returns nothing. Throws the
// member's error (rt::check), and error 91 when obj is null.
//   Str s = rt::call(cf.get(), &_CCommonFunction::strTrim, &v, &lower, &mode);
template <class I, class J, class... P, class... A>
auto call(J* obj, HRESULT (I::*m)(P...), A&&... args) {
    static_assert(std::is_base_of_v<I, J>, "the member belongs to the object's interface");
    if (!obj) raise(kErrObjectNotSet);
    if constexpr (sizeof...(A) == sizeof...(P)) {
        check((obj->*m)(std::forward<A>(args)...));
    } else {
        static_assert(sizeof...(A) + 1 == sizeof...(P), "pass every argument but the result");
        using Last = std::tuple_element_t<sizeof...(P) - 1, std::tuple<P...>>;
        using R = std::remove_pointer_t<Last>;
        if constexpr (std::is_pointer_v<R> && std::is_base_of_v<IUnknown, std::remove_pointer_t<R>>) {
            ComPtr<std::remove_pointer_t<R>> r;
            check((obj->*m)(std::forward<A>(args)..., r.put()));
            return r;
        } else {
            R r{};
            check((obj->*m)(std::forward<A>(args)..., &r));
            return r;
        }
    }
}

}  // namespace rt
