// Declarative member tables: one table per interface drives late-bound dispatch
// (GetIDsOfNames, Invoke), the type information and the readable listing.
//
// A table lists, in interface order, each member's name, dispatch id, kind, parameters
// (declared type, by value or by reference, optional, default) and result, bound to the
// early-bound method it calls. Names and ids are resolved once, when the table is built.
#pragma once

#include <memory>
#include <optional>
#include <tuple>
#include <utility>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "com.h"
#include "convert.h"
#include "error.h"
#include "variant.h"

namespace rt {

enum class MemberKind : uint8_t { Method, Get, Put, PutRef };

class InterfaceInfo;
// An interface's member table, as every interface struct declares it (`I::info`).
using InterfaceInfoFn = const InterfaceInfo& (*)();

// A declared type: a variant type plus, for objects, the interface expected.
struct TypeSpec {
    VarType vt = VT_VARIANT;
    const char* name = "Variant";     // as the listing shows it ("String", "Connection", ...)
    const IID* iid = nullptr;         // objects: the interface the argument is queried for
    InterfaceInfoFn table = nullptr;  // objects of an interface with a table: that table
};

struct ParamSpec {
    const char* name = "";
    TypeSpec type;
    bool byRef = true;
    bool optional = false;
    std::optional<Variant> defaultValue;  // for optional parameters that have one

    ParamSpec& byVal() { byRef = false; return *this; }
    ParamSpec& opt() { optional = true; return *this; }
    ParamSpec& opt(Variant def) { optional = true; defaultValue = std::move(def); return *this; }
};

// Calls the early-bound method: self is the interface pointer, slots the arguments already
// coerced to their declared types (by-reference ones are written back by the caller).
using Thunk = HRESULT (*)(void* self, Variant* const* slots, Variant* result, VarType resultType);

struct MemberSpec {
    const char* name = "";
    DISPID id = 0;
    MemberKind kind = MemberKind::Method;
    std::vector<ParamSpec> params;
    std::optional<TypeSpec> result;  // none: the member returns nothing
    Thunk thunk = nullptr;
    std::string help;  // one line: what the member does (shown by listings and the reference)
};

// The most parameters a member may declare (Invoke's argument slots).
inline constexpr size_t kMaxParams = 10;

// Type words for tables.
namespace types {
inline constexpr TypeSpec Variant_{VT_VARIANT, "Variant"};
inline constexpr TypeSpec String{VT_BSTR, "String"};
inline constexpr TypeSpec Int16{VT_I2, "Integer"};
inline constexpr TypeSpec Int32{VT_I4, "Long"};
inline constexpr TypeSpec Double{VT_R8, "Double"};
inline constexpr TypeSpec Boolean{VT_BOOL, "Boolean"};
inline constexpr TypeSpec Date{VT_DATE, "Date"};
inline constexpr TypeSpec Currency_{VT_CY, "Currency"};
inline constexpr TypeSpec Decimal_{VT_DECIMAL, "Decimal"};
inline constexpr TypeSpec Object{VT_DISPATCH, "Object", &IDispatch::IID_};
inline constexpr TypeSpec VariantArray{VarType(VT_ARRAY | VT_VARIANT), "Variant()"};
template <class I>
constexpr TypeSpec iface(const char* name) {
    return TypeSpec{VT_DISPATCH, name, &I::IID_, &I::info};
}
}  // namespace types

// ---- Binding early-bound methods to thunks -------------------------------------------

namespace bind_detail {

// Adapts one slot (a Variant already of the declared type) to the C++ parameter type T,
// and writes a changed value back into the slot after the call.
template <class T, class = void>
struct Arg;

template <>
struct Arg<Variant*> {
    Variant* p;
    explicit Arg(Variant& s) : p(&s) {}
    Variant* get() { return p; }
    void back(Variant&) {}
};
template <>
struct Arg<const Variant&> {
    Variant* p;
    explicit Arg(Variant& s) : p(&s) {}
    const Variant& get() { return *p; }
    void back(Variant&) {}
};
template <>
struct Arg<Str*> {
    Str* p;
    explicit Arg(Variant& s) : p(&s.str()) {}
    Str* get() { return p; }
    void back(Variant&) {}
};
template <>
struct Arg<const Str&> {
    Variant* p;
    explicit Arg(Variant& s) : p(&s) {}
    const Str& get() { return p->str(); }
    void back(Variant&) {}
};
template <>
struct Arg<Array*> {
    Array* p;
    explicit Arg(Variant& s) : p(&s.array()) {}
    Array* get() { return p; }
    void back(Variant&) {}
};

// Scalars travel in a local and go back into the slot in the slot's own type.
Variant scalarBack(const Variant& slot, int64_t v);
Variant realBack(const Variant& slot, double v);
int64_t scalarOf(const Variant& slot);
double realOf(const Variant& slot);
Variant scalarResult(VarType vt, int64_t v);
// A new reference to p as an object variant (nothing for null).
Variant objectVariant(IUnknown* p);
// p's interface I with a new reference, or null.
void* queryFrom(const Variant& s, const IID& iid);

template <class T>
struct Arg<T*, std::enable_if_t<std::is_integral_v<T>>> {
    T v;
    explicit Arg(Variant& s) : v(static_cast<T>(scalarOf(s))) {}
    T* get() { return &v; }
    void back(Variant& s) { s = scalarBack(s, int64_t(v)); }
};
template <class T>
struct Arg<T, std::enable_if_t<std::is_integral_v<T>>> {
    T v;
    explicit Arg(Variant& s) : v(static_cast<T>(scalarOf(s))) {}
    T get() { return v; }
    void back(Variant&) {}
};
template <>
struct Arg<double*> {
    double v;
    explicit Arg(Variant& s) : v(realOf(s)) {}
    double* get() { return &v; }
    void back(Variant& s) { s = realBack(s, v); }
};
template <>
struct Arg<double> {
    double v;
    explicit Arg(Variant& s) : v(realOf(s)) {}
    double get() { return v; }
    void back(Variant&) {}
};

// Interface pointers: queried for the parameter's interface; by reference they go back
// into the slot (the method releases what it replaces, as [in,out] pointers require).
template <class I>
struct Arg<I**, std::enable_if_t<std::is_base_of_v<IUnknown, I>>> {
    I* p = nullptr;
    explicit Arg(Variant& s) : p(static_cast<I*>(queryFrom(s, I::IID_))) {}
    Arg(const Arg&) = delete;
    ~Arg() {
        if (p) p->Release();
    }
    I** get() { return &p; }
    void back(Variant& s) { s = objectVariant(p); }
};
template <class I>
struct Arg<I*, std::enable_if_t<std::is_base_of_v<IUnknown, I>>> {
    I* p = nullptr;
    explicit Arg(Variant& s) : p(static_cast<I*>(queryFrom(s, I::IID_))) {}
    Arg(const Arg&) = delete;
    ~Arg() {
        if (p) p->Release();
    }
    I* get() { return p; }
    void back(Variant&) {}
};

// The result: a local of the method's result type, turned into a Variant after the call.
template <class T, class = void>
struct Ret;
template <>
struct Ret<Variant*> {
    Variant v;
    Variant* get() { return &v; }
    Variant take(VarType) { return std::move(v); }
};
template <>
struct Ret<Str*> {
    Str v;
    Str* get() { return &v; }
    Variant take(VarType) { return Variant(std::move(v)); }
};
template <class T>
struct Ret<T*, std::enable_if_t<std::is_integral_v<T>>> {
    T v{};
    T* get() { return &v; }
    Variant take(VarType vt) { return scalarResult(vt, int64_t(v)); }
};
template <>
struct Ret<double*> {
    double v = 0;
    double* get() { return &v; }
    Variant take(VarType vt) { return vt == VT_DATE ? Variant(DateValue{v}) : Variant(v); }
};
template <class I>
struct Ret<I**, std::enable_if_t<std::is_base_of_v<IUnknown, I>>> {
    I* v = nullptr;
    Ret() = default;
    Ret(const Ret&) = delete;
    ~Ret() {
        if (v) v->Release();
    }
    I** get() { return &v; }
    Variant take(VarType) { return objectVariant(v); }
};

template <class I, class... A, size_t... N>
HRESULT callVoid(I* self, HRESULT (I::*m)(A...), Variant* const* slots, std::index_sequence<N...>) {
    std::tuple<Arg<A>...> args(*slots[N]...);
    (void)args;
    HRESULT hr = (self->*m)(std::get<N>(args).get()...);
    (std::get<N>(args).back(*slots[N]), ...);
    return hr;
}

template <class I, class... A, size_t... N>
HRESULT callWithResult(I* self, HRESULT (I::*m)(A...), Variant* const* slots, Variant* result, VarType rvt,
                       std::index_sequence<N...>) {
    using All = std::tuple<A...>;
    using R = std::tuple_element_t<sizeof...(A) - 1, All>;
    std::tuple<Arg<std::tuple_element_t<N, All>>...> args(*slots[N]...);
    (void)args;  // members without parameters
    Ret<R> ret;
    HRESULT hr = (self->*m)(std::get<N>(args).get()..., ret.get());
    (std::get<N>(args).back(*slots[N]), ...);
    if (succeeded(hr) && result) *result = ret.take(rvt);
    return hr;
}

template <auto M>
HRESULT voidThunk(void* self, Variant* const* slots, Variant*, VarType) {
    return []<class I, class... A>(void* s, Variant* const* sl, HRESULT (I::*m)(A...)) {
        return callVoid(static_cast<I*>(s), m, sl, std::index_sequence_for<A...>{});
    }(self, slots, M);
}

template <auto M>
HRESULT resultThunk(void* self, Variant* const* slots, Variant* result, VarType rvt) {
    return []<class I, class... A>(void* s, Variant* const* sl, Variant* r, VarType vt, HRESULT (I::*m)(A...)) {
        return callWithResult(static_cast<I*>(s), m, sl, r, vt, std::make_index_sequence<sizeof...(A) - 1>{});
    }(self, slots, result, rvt, M);
}

}  // namespace bind_detail

// ---- Table rows, checked against the bound method when the table is compiled ----------

namespace bind_detail {

// Whether a C++ value of type V (what an argument slot is read into) carries declared type t.
template <class V>
constexpr bool holds(const TypeSpec& t) {
    if constexpr (std::is_same_v<V, Variant>) return t.vt == VT_VARIANT;
    else if constexpr (std::is_same_v<V, Str>) return t.vt == VT_BSTR;
    else if constexpr (std::is_same_v<V, Array>) return t.vt == VarType(VT_ARRAY | VT_VARIANT);
    else if constexpr (std::is_same_v<V, int16_t>) return t.vt == VT_I2 || t.vt == VT_BOOL;
    else if constexpr (std::is_same_v<V, int32_t>) return t.vt == VT_I4;
    else if constexpr (std::is_same_v<V, int64_t>) return t.vt == VT_I8;
    else if constexpr (std::is_same_v<V, double>) return t.vt == VT_R8 || t.vt == VT_DATE;
    else if constexpr (std::is_pointer_v<V> && std::is_base_of_v<IUnknown, std::remove_pointer_t<V>>)
        // Object types always carry an iid (iface<I>, Object): no null test, which the
        // sanitizers' pointer checks would keep from being a constant expression.
        return t.vt == VT_DISPATCH && *t.iid == std::remove_pointer_t<V>::IID_;
    else return false;
}

// Whether the C++ parameter P passes a value of declared type t the way the row says: a
// by-reference parameter is a pointer to the value (an interface: a pointer to the
// interface pointer), a by-value one the value itself or a const reference to it.
template <class P>
constexpr bool passes(const TypeSpec& t, bool byRef) {
    if (byRef) {
        if constexpr (std::is_pointer_v<P>) return holds<std::remove_pointer_t<P>>(t);
        else return false;
    }
    using V = std::remove_cvref_t<P>;
    if constexpr (std::is_pointer_v<V> && !std::is_base_of_v<IUnknown, std::remove_pointer_t<V>>) return false;
    else return holds<V>(t);
}

template <class M>
struct MethodOf;
template <class I, class... A>
struct MethodOf<HRESULT (I::*)(A...)> {
    using Params = std::tuple<A...>;
    static constexpr size_t arity = sizeof...(A);
};

template <auto M, size_t N>
using ParamOf = std::tuple_element_t<N, typename MethodOf<decltype(M)>::Params>;

}  // namespace bind_detail

// One parameter of a table row. Its declared type is part of its C++ type, so that the row
// is checked against the bound method's signature when the table is compiled.
template <const TypeSpec& T, bool ByRef = true>
struct Param {
    ParamSpec spec;

    Param<T, false> byVal() const { return {ParamSpec{spec.name, T, false, spec.optional, spec.defaultValue}}; }
    Param opt() const {
        Param p = *this;
        p.spec.optional = true;
        return p;
    }
    Param opt(Variant def) const {
        Param p = opt();
        p.spec.defaultValue = std::move(def);
        return p;
    }
};

// A parameter named name of declared type T, by reference, required.
template <const TypeSpec& T>
Param<T> arg(const char* name) {
    return {ParamSpec{name, T, true, false, std::nullopt}};
}

namespace bind_detail {

template <class>
inline constexpr bool isParam = false;
template <const TypeSpec& T, bool B>
inline constexpr bool isParam<Param<T, B>> = true;

template <class>
struct ParamTraits;
template <const TypeSpec& T, bool B>
struct ParamTraits<Param<T, B>> {
    static constexpr const TypeSpec& type = T;
    static constexpr bool byRef = B;
};

// Whether a row's result argument names a type (&Type) rather than none (nullptr), told by
// the argument's C++ type: an address compared with null is no constant expression when the
// sanitizers check pointers.
template <auto R>
inline constexpr bool hasResult = !std::is_null_pointer_v<decltype(R)>;

// The compile-time check of a row: as many table parameters (plus the result) as the
// method has C++ parameters, each carried the way the row declares it, within the limit.
template <auto M, auto R, class... P, size_t... N>
constexpr bool rowMatches(std::index_sequence<N...>) {
    constexpr size_t params = sizeof...(P);
    static_assert(params <= kMaxParams, "a member may declare at most kMaxParams parameters");
    static_assert(MethodOf<decltype(M)>::arity == params + (hasResult<R> ? 1 : 0),
                  "the row lists another number of parameters than the bound method has");
    static_assert((passes<ParamOf<M, N>>(ParamTraits<P>::type, ParamTraits<P>::byRef) && ...),
                  "a parameter's declared type or passing differs from the bound method's C++ parameter");
    if constexpr (hasResult<R>) {
        static_assert(passes<ParamOf<M, params>>(*R, true),
                      "the declared result type differs from the bound method's result parameter");
    }
    return true;
}

template <auto M, auto R, class... P>
MemberSpec row(const char* name, DISPID id, MemberKind kind, Thunk thunk, const char* help, P... params) {
    static_assert((isParam<P> && ...), "table parameters are made with arg<Type>(name)");
    static_assert(rowMatches<M, R, P...>(std::index_sequence_for<P...>{}));
    std::optional<TypeSpec> result;
    if constexpr (hasResult<R>) result = *R;
    return MemberSpec{name, id, kind, {std::move(params.spec)...}, result, thunk, help};
}

}  // namespace bind_detail

// Table rows. M is the early-bound method (a pointer to member of the interface); its C++
// parameters are the row's parameters in order, then the result pointer when there is a
// result. A row whose types, passing or count differ from M's signature does not compile.
template <auto M, const TypeSpec& R, class... P>
MemberSpec method(const char* name, DISPID id, const char* help, P... params) {
    return bind_detail::row<M, &R>(name, id, MemberKind::Method, &bind_detail::resultThunk<M>, help,
                                   std::move(params)...);
}
template <auto M, class... P>
MemberSpec sub(const char* name, DISPID id, const char* help, P... params) {
    return bind_detail::row<M, nullptr>(name, id, MemberKind::Method, &bind_detail::voidThunk<M>, help,
                                        std::move(params)...);
}
template <auto M, const TypeSpec& R, class... P>
MemberSpec getter(const char* name, DISPID id, const char* help, P... params) {
    return bind_detail::row<M, &R>(name, id, MemberKind::Get, &bind_detail::resultThunk<M>, help,
                                   std::move(params)...);
}
// The new value is the last parameter.
template <auto M, class... P>
MemberSpec setter(const char* name, DISPID id, const char* help, P... params) {
    return bind_detail::row<M, nullptr>(name, id, MemberKind::Put, &bind_detail::voidThunk<M>, help,
                                        std::move(params)...);
}
template <auto M, class... P>
MemberSpec setterRef(const char* name, DISPID id, const char* help, P... params) {
    return bind_detail::row<M, nullptr>(name, id, MemberKind::PutRef, &bind_detail::voidThunk<M>, help,
                                        std::move(params)...);
}

// One interface's table, with names and ids resolved when it is built. Members of the
// base interface (if any) come first, as in the interface's own layout.
class InterfaceInfo {
public:
    InterfaceInfo(const char* name, const IID& iid, std::vector<MemberSpec> members,
                  const InterfaceInfo* base = nullptr, const char* help = "");

    const char* name() const { return name_; }
    const IID& iid() const { return iid_; }
    const char* help() const { return help_; }
    const InterfaceInfo* base() const { return base_; }
    // All members, the base's first.
    const std::vector<MemberSpec>& members() const { return members_; }
    // Own members only (what the interface adds to its base).
    size_t firstOwnMember() const { return firstOwn_; }

    // The member for an id and invoke flags: a method when flags allow one, else the
    // property get / put / put-ref; nullptr when none.
    const MemberSpec* find(DISPID id, uint16_t flags) const;
    // Dispatch id of a member name, without regard to case; DISPID_UNKNOWN when none.
    DISPID idOfName(StrView name) const;
    // Index of a parameter of the member(s) with that id, without regard to case; -1 when none.
    int paramIndex(DISPID id, StrView name) const;

private:
    const char* name_;
    IID iid_;
    const char* help_;
    const InterfaceInfo* base_;
    std::vector<MemberSpec> members_;
    size_t firstOwn_ = 0;
    std::vector<std::pair<Str, DISPID>> byName_;  // folded name -> id, sorted
    std::vector<std::pair<DISPID, uint32_t>> byId_;  // id -> member index, sorted by id
};

// The dispatch engine behind every object's IDispatch.
HRESULT dispatchIdsOfNames(const InterfaceInfo& info, const char16_t* const* names, uint32_t count,
                           DISPID* ids);
// Never throws: whatever a member or an argument's conversion throws comes back as the
// call's error (DISP_E_EXCEPTION with the error in excep and the thread's error information).
HRESULT dispatchInvoke(const InterfaceInfo& info, void* self, DISPID id, uint16_t flags, DispParams* params,
                       Variant* result, ExcepInfo* excep, uint32_t* argErr) noexcept;

// ---- Type information ---------------------------------------------------------------

// What GetTypeInfo hands out: the interface's table, readable by clients.
struct ITypeInfo : IUnknown {
    static constexpr IID IID_ = guid("{00020401-0000-0000-C000-000000000046}");
    // The table; owned by the interface, lives as long as the process.
    virtual HRESULT GetInterfaceInfo(const InterfaceInfo** out) = 0;

protected:
    ~ITypeInfo() = default;
};
// A new type-information object over info (the caller owns the reference).
HRESULT makeTypeInfo(const InterfaceInfo& info, ITypeInfo** out);

// Readable listing of one interface: its help, then its own members with ids, kinds,
// parameters and defaults, each followed by its help line.
std::string describeInterface(const InterfaceInfo& info);
// The word a listing uses for a kind: "method", "property get", "property let", "property set".
const char* describeKind(MemberKind kind);
// Text of a default value as a listing shows it ("1", "\"\"", "True").
std::string describeValue(const Variant& v);

// ---- Calling late-bound ---------------------------------------------------------------

// One argument of a late-bound call: a value, or a reference to the caller's variable.
struct CallArg {
    Variant value;
    CallArg(Variant v) : value(std::move(v)) {}
    template <class T>
    CallArg(T&& v) requires std::is_constructible_v<Variant, T&&> : value(std::forward<T>(v)) {}
    static CallArg ref(Variant& target) { return CallArg(Variant::byRef(&target)); }
};

// Late-bound call by name (resolved through GetIDsOfNames) or by id. Arguments in natural
// order. Returns the result (empty when the member returns nothing). Throws rt::Error: the
// member's own error for DISP_E_EXCEPTION, 438 for an unknown name or member, 13 for a
// type mismatch, 449 for a missing argument, 450 for a wrong argument count.
Variant invoke(IDispatch* obj, StrView name, uint16_t flags, std::vector<CallArg> args = {});
Variant invokeId(IDispatch* obj, DISPID id, uint16_t flags, std::vector<CallArg> args = {});

// A named argument of a late-bound call: the parameter's dispatch id (its index in the
// member's table, as GetIDsOfNames gives it) and the argument.
struct NamedCallArg {
    DISPID param;
    CallArg arg;
};
// Late-bound call by id with positional arguments (natural order) and named ones; a put's
// new value is the last positional argument. Returns the result (empty when the member
// returns nothing). Throws rt::Error as invoke does; when the call failed on one argument,
// *failedArg (if given) receives its index in positional-then-named order, else stays -1.
Variant invokeId(IDispatch* obj, DISPID id, uint16_t flags, std::vector<CallArg> positional,
                 std::vector<NamedCallArg> named, int* failedArg = nullptr);
Variant callMethod(IDispatch* obj, StrView name, std::vector<CallArg> args = {});
Variant getProperty(IDispatch* obj, StrView name, std::vector<CallArg> args = {});
void putProperty(IDispatch* obj, StrView name, Variant value);
// The error a failed Invoke reports, as an rt::Error.
Error invokeError(HRESULT hr, const ExcepInfo& excep);

}  // namespace rt
