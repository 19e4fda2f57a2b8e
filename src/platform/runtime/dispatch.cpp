#include "dispatch.h"

#include "object.h"

#include <algorithm>
#include <array>
#include <optional>
#include <cstdio>
#include <cstdlib>

namespace rt {

// ---- bind_detail helpers ----------------------------------------------------------------

namespace bind_detail {

int64_t scalarOf(const Variant& s) {
    switch (s.type()) {
        case VT_I2: return s.i2();
        case VT_I4: return s.i4();
        case VT_I8: return s.i8();
        case VT_BOOL: return s.boolean();
        case VT_ERROR: return s.scode();
        default: return toI8(s);
    }
}

double realOf(const Variant& s) {
    if (s.type() == VT_R8) return s.r8();
    if (s.type() == VT_DATE) return s.date();
    return toDouble(s);
}

Variant scalarBack(const Variant& slot, int64_t v) { return scalarResult(slot.type(), v); }

Variant realBack(const Variant& slot, double v) {
    return slot.type() == VT_DATE ? Variant(DateValue{v}) : Variant(v);
}

Variant scalarResult(VarType vt, int64_t v) {
    switch (vt) {
        case VT_BOOL: return Variant::boolean(VARIANT_BOOL(v));
        case VT_I2: return Variant(int16_t(v));
        case VT_I8: return Variant(int64_t(v));
        case VT_ERROR: return Variant::error(SCODE(v));
        default: return Variant(int32_t(v));
    }
}

Variant objectVariant(IUnknown* p) {
    ComPtr<IDispatch> d;
    if (p) p->QueryInterface(IDispatch::IID_, reinterpret_cast<void**>(d.put()));
    return Variant(std::move(d));
}

void* queryFrom(const Variant& s, const IID& iid) {
    void* out = nullptr;
    if (s.isObject() && s.object()) s.object()->QueryInterface(iid, &out);
    return out;
}

}  // namespace bind_detail

// ---- InterfaceInfo -------------------------------------------------------------------------

InterfaceInfo::InterfaceInfo(const char* name, const IID& iid, std::vector<MemberSpec> members,
                             const InterfaceInfo* base, const char* help)
    : name_(name), iid_(iid), help_(help), base_(base) {
    if (base_) members_ = base_->members_;
    firstOwn_ = members_.size();
    for (auto& m : members) members_.push_back(std::move(m));
    for (const auto& m : members_) {
        Str folded = asciiLower(fromUtf8(m.name));
        auto it = std::find_if(byName_.begin(), byName_.end(), [&](auto& e) { return e.first == folded; });
        if (it == byName_.end()) byName_.emplace_back(std::move(folded), m.id);
    }
    std::sort(byName_.begin(), byName_.end());
    for (uint32_t i = 0; i < members_.size(); ++i) byId_.emplace_back(members_[i].id, i);
    std::stable_sort(byId_.begin(), byId_.end(), [](auto& a, auto& b) { return a.first < b.first; });
}

const MemberSpec* InterfaceInfo::find(DISPID id, uint16_t flags) const {
    auto first = std::lower_bound(byId_.begin(), byId_.end(), id, [](auto& e, DISPID v) { return e.first < v; });
    auto last = first;
    while (last != byId_.end() && last->first == id) ++last;
    const MemberSpec* get = nullptr;
    for (auto it = first; it != last; ++it) {
        const MemberSpec& m = members_[it->second];
        switch (m.kind) {
            case MemberKind::Method:
                if (flags & DISPATCH_METHOD) return &m;
                break;
            case MemberKind::Get:
                if (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) get = get ? get : &m;
                break;
            case MemberKind::Put:
                if (flags & DISPATCH_PROPERTYPUT) return &m;
                break;
            case MemberKind::PutRef:
                if (flags & DISPATCH_PROPERTYPUTREF) return &m;
                break;
        }
    }
    if (get) return get;
    // A put-ref member also serves a plain put of an object, and vice versa.
    for (auto it = first; it != last; ++it) {
        const MemberSpec& m = members_[it->second];
        if ((flags & DISPATCH_PROPERTYPUT) && m.kind == MemberKind::PutRef) return &m;
        if ((flags & DISPATCH_PROPERTYPUTREF) && m.kind == MemberKind::Put) return &m;
    }
    return nullptr;
}

namespace {
bool lessNoCase(const std::pair<Str, DISPID>& e, StrView name) {
    size_t n = std::min(e.first.size(), name.size());
    for (size_t i = 0; i < n; ++i) {
        char16_t a = e.first[i];
        char16_t b = name[i];
        if (b >= u'A' && b <= u'Z') b = char16_t(b + 32);
        if (a != b) return a < b;
    }
    return e.first.size() < name.size();
}
}  // namespace

DISPID InterfaceInfo::idOfName(StrView name) const {
    auto it = std::lower_bound(byName_.begin(), byName_.end(), name, lessNoCase);
    if (it != byName_.end() && equalsAsciiNoCase(it->first, name)) return it->second;
    return DISPID_UNKNOWN;
}

int InterfaceInfo::paramIndex(DISPID id, StrView name) const {
    for (const auto& m : members_) {
        if (m.id != id) continue;
        for (size_t i = 0; i < m.params.size(); ++i)
            if (equalsAsciiNoCase(fromUtf8(m.params[i].name), name)) return int(i);
    }
    return -1;
}

// ---- GetIDsOfNames / Invoke -----------------------------------------------------------------

HRESULT dispatchIdsOfNames(const InterfaceInfo& info, const char16_t* const* names, uint32_t count, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    if (count == 0) return E_INVALIDARG;
    HRESULT hr = S_OK;
    ids[0] = info.idOfName(names[0] ? StrView(names[0]) : StrView());
    if (ids[0] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    for (uint32_t i = 1; i < count; ++i) {
        int idx = ids[0] == DISPID_UNKNOWN ? -1 : info.paramIndex(ids[0], names[i] ? StrView(names[i]) : StrView());
        ids[i] = idx < 0 ? DISPID_UNKNOWN : DISPID(idx);
        if (idx < 0) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

namespace {

Variant zeroOf(const TypeSpec& t) {
    if (t.vt == VarType(VT_ARRAY | VT_VARIANT)) return Variant(Array());
    switch (t.vt) {
        case VT_BSTR: return Variant(Str());
        case VT_I2: return Variant(int16_t(0));
        case VT_I4: return Variant(int32_t(0));
        case VT_I8: return Variant(int64_t(0));
        case VT_R8: return Variant(0.0);
        case VT_BOOL: return Variant(false);
        case VT_DATE: return Variant(DateValue{0});
        case VT_CY: return Variant(Currency{0});
        case VT_DECIMAL: return Variant(Decimal());
        case VT_DISPATCH: return Variant::nothing();
        default: return Variant(Missing{});
    }
}

// The caller's value already has the declared type, so the method may work on it in place.
bool fitsInPlace(const Variant& v, const TypeSpec& t) {
    if (t.vt == VT_VARIANT) return true;
    if (v.type() != t.vt) return false;
    if (t.vt == VT_DISPATCH && t.iid && v.object()) {
        void* probe = bind_detail::queryFrom(v, *t.iid);
        if (!probe) return false;
        static_cast<IUnknown*>(probe)->Release();
    }
    return true;
}

// Coerces an argument to its declared type; throws rt::Error 13 / 6 / 94.
Variant coerce(const Variant& v, const TypeSpec& t) {
    if (t.vt == VT_VARIANT || (v.type() == t.vt && t.vt != VT_DISPATCH)) return v;
    if (t.vt == VT_DISPATCH) {
        if (!v.isObject()) raise(kErrTypeMismatch);
        if (t.iid && v.object()) {
            void* probe = bind_detail::queryFrom(v, *t.iid);
            if (!probe) raise(kErrTypeMismatch);
            static_cast<IUnknown*>(probe)->Release();
        }
        return v;
    }
    if (t.vt == VarType(VT_ARRAY | VT_VARIANT)) {
        if (!v.isArray()) raise(kErrTypeMismatch);
        return v;
    }
    if (v.isObject()) {
        if (!v.object()) raise(kErrObjectNotSet);
        return changeType(defaultValueOf(v.object().get()), t.vt);
    }
    return changeType(v, t.vt);
}

void fillExcep(ExcepInfo* excep, const Error& e) noexcept {
    if (!excep) return;
    excep->code = 0;
    excep->scode = e.hresult();
    try {
        excep->source = e.source();
        excep->description = e.description();
    } catch (...) {
        // No memory for the texts: the status alone tells the caller what failed.
    }
}

// What Invoke answers for an error that ends the call: the member's own error travels in
// the exception record (DISP_E_EXCEPTION) and in the thread's error information.
HRESULT exceptionResult(ExcepInfo* excep, const Error& e) {
    fillExcep(excep, e);
    setErrorInfo(e);
    return DISP_E_EXCEPTION;
}

// An argument that cannot take its declared type (call only inside a catch block): the
// runtime's conversion errors give overflow or type mismatch; anything else thrown while
// converting (out of memory, an internal error) is an error of the call.
HRESULT coercionFailure(ExcepInfo* excep) noexcept {
    try {
        throw;
    } catch (const Error& e) {
        return e.numberValue() == kErrOverflow ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
    } catch (...) {
        return exceptionResult(excep, currentError());
    }
}

// Runs a member's thunk; whatever it throws (an argument adapter, the result's conversion)
// becomes the call's error, like a failure status of the member itself.
HRESULT runThunk(const MemberSpec& m, void* self, Variant* const* slots, Variant* result) noexcept {
    try {
        return m.thunk(self, slots, result, m.result ? m.result->vt : VT_EMPTY);
    } catch (...) {
        Error e = currentError();
        setErrorInfo(e);
        return e.hresult();
    }
}

// Calls the member with no arguments, then applies the arguments to the default member
// of the object it returns (rs("name") reaches rs.Fields.Item("name")).
HRESULT invokeThroughDefault(const MemberSpec& m, void* self, uint16_t flags, DispParams* params, Variant* result,
                             ExcepInfo* excep, uint32_t* argErr) {
    Variant inner;
    HRESULT hr = runThunk(m, self, nullptr, &inner);
    if (failed(hr)) return exceptionResult(excep, takeErrorInfo(hr));
    if (!inner.isObject() || !inner.object()) return DISP_E_BADPARAMCOUNT;
    return inner.object()->Invoke(DISPID_VALUE, IID{}, 0, flags, params, result, excep, argErr);
}

}  // namespace

namespace {

HRESULT invokeMember(const InterfaceInfo& info, void* self, DISPID id, uint16_t flags, DispParams* params,
                     Variant* result, ExcepInfo* excep, uint32_t* argErr) {
    const MemberSpec* m = info.find(id, flags);
    if (!m) return DISP_E_MEMBERNOTFOUND;
    DispParams none;
    if (!params) params = &none;
    const size_t n = m->params.size();
    const bool isPut = m->kind == MemberKind::Put || m->kind == MemberKind::PutRef;
    const uint32_t positional = params->argCount - params->namedCount;

    if (positional > n) {
        if (positional > 0 && n == 0 && m->result && m->result->vt == VT_DISPATCH && !isPut)
            return invokeThroughDefault(*m, self, flags, params, result, excep, argErr);
        return DISP_E_BADPARAMCOUNT;
    }
    if (n > kMaxParams) return E_NOTIMPL;

    // Coerced copies are made only for the arguments that need one.
    std::array<std::optional<Variant>, kMaxParams> temps;
    std::array<Variant*, kMaxParams> slots;
    std::array<Variant*, kMaxParams> writeBack{};

    for (size_t i = 0; i < n; ++i) {
        const ParamSpec& p = m->params[i];
        Variant* source = nullptr;
        uint32_t sourceIndex = 0;
        if (i < positional) {
            sourceIndex = params->argCount - 1 - uint32_t(i);
            source = &params->args[sourceIndex];
        } else {
            for (uint32_t j = 0; j < params->namedCount; ++j) {
                DISPID named = params->namedIds[j];
                if (named == DISPID(i) || (isPut && named == DISPID_PROPERTYPUT && i == n - 1)) {
                    source = &params->args[j];
                    sourceIndex = j;
                    break;
                }
            }
        }
        // The missing marker passed to a required Variant parameter is a value like any
        // other: the member sees it (and may choose its behaviour by it). A required
        // parameter of another type cannot hold it, and one left out altogether is refused.
        const bool markerForVariant = source && !p.optional && p.type.vt == VT_VARIANT;
        if (!source || (source->deref().isMissing() && !markerForVariant)) {
            if (!p.optional) return DISP_E_PARAMNOTOPTIONAL;
            try {
                temps[i].emplace(p.defaultValue ? coerce(*p.defaultValue, p.type) : zeroOf(p.type));
            } catch (...) {
                return coercionFailure(excep);
            }
            slots[i] = &*temps[i];
            continue;
        }
        Variant& actual = source->deref();
        if (p.byRef && source->isByRef() && fitsInPlace(actual, p.type)) {
            slots[i] = &actual;
            continue;
        }
        try {
            temps[i].emplace(coerce(actual, p.type));
        } catch (...) {
            if (argErr) *argErr = sourceIndex;
            return coercionFailure(excep);
        }
        slots[i] = &*temps[i];
        if (p.byRef && source->isByRef()) writeBack[i] = &actual;
    }

    Variant local;
    Variant* out = result ? result : &local;
    HRESULT hr = runThunk(*m, self, slots.data(), out);
    for (size_t i = 0; i < n; ++i)
        if (writeBack[i]) *writeBack[i] = std::move(*temps[i]);
    if (failed(hr)) return exceptionResult(excep, takeErrorInfo(hr));
    return S_OK;
}

}  // namespace

HRESULT dispatchInvoke(const InterfaceInfo& info, void* self, DISPID id, uint16_t flags, DispParams* params,
                       Variant* result, ExcepInfo* excep, uint32_t* argErr) noexcept {
    try {
        return invokeMember(info, self, id, flags, params, result, excep, argErr);
    } catch (...) {
        return exceptionResult(excep, currentError());
    }
}

// ---- Type information ----------------------------------------------------------------------

namespace {

class TypeInfoObject final : public UnknownObject<TypeInfoObject, ITypeInfo> {
public:
    explicit TypeInfoObject(const InterfaceInfo& info) : info_(info) {}
    HRESULT GetInterfaceInfo(const InterfaceInfo** out) override {
        if (!out) return E_POINTER;
        *out = &info_;
        return S_OK;
    }

private:
    const InterfaceInfo& info_;
};

}  // namespace

const char* describeKind(MemberKind k) {
    switch (k) {
        case MemberKind::Method: return "method";
        case MemberKind::Get: return "property get";
        case MemberKind::Put: return "property let";
        case MemberKind::PutRef: return "property set";
    }
    return "?";
}

HRESULT makeTypeInfo(const InterfaceInfo& info, ITypeInfo** out) {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) TypeInfoObject(info);
    return *out ? S_OK : E_OUTOFMEMORY;
}

std::string describeValue(const Variant& v) {
    switch (v.type()) {
        case VT_BSTR: return "\"" + toUtf8(v.str()) + "\"";
        case VT_BOOL: return v.boolean() ? "True" : "False";
        case VT_DISPATCH: return "Nothing";
        case VT_EMPTY: return "Empty";
        case VT_NULL: return "Null";
        default:
            try {
                return toUtf8(toText(v));
            } catch (Error&) {
                return "?";
            }
    }
}

std::string describeInterface(const InterfaceInfo& info) {
    std::string out = "interface " + std::string(info.name()) + " " + guidText(info.iid());
    if (info.base()) out += " : " + std::string(info.base()->name());
    out += "\n";
    if (info.help() && *info.help()) out += "  ' " + std::string(info.help()) + "\n";
    const auto& ms = info.members();
    for (size_t k = info.firstOwnMember(); k < ms.size(); ++k) {
        const MemberSpec& m = ms[k];
        char id[16];
        std::snprintf(id, sizeof id, "0x%08x", uint32_t(m.id));
        out += "  [id(" + std::string(id) + ")] " + describeKind(m.kind) + " " + m.name + "(";
        for (size_t i = 0; i < m.params.size(); ++i) {
            const ParamSpec& p = m.params[i];
            if (i) out += ", ";
            if (p.optional) out += "Optional ";
            out += p.byRef ? "ByRef " : "ByVal ";
            out += std::string(p.name) + " As " + p.type.name;
            if (p.defaultValue) out += " = " + describeValue(*p.defaultValue);
        }
        out += ")";
        if (m.result) out += " As " + std::string(m.result->name);
        out += "\n";
        if (!m.help.empty()) out += "      ' " + m.help + "\n";
    }
    return out;
}

// ---- Calling late-bound ------------------------------------------------------------------------

Error invokeError(HRESULT hr, const ExcepInfo& excep) {
    switch (hr) {
        case DISP_E_EXCEPTION: {
            HRESULT code = excep.scode ? excep.scode : E_FAIL;
            Error e = Error::status(code, excep.description, excep.source);
            if (e.description().empty()) e = Error::status(code, {}, excep.source);
            return e;
        }
        case DISP_E_MEMBERNOTFOUND:
        case DISP_E_UNKNOWNNAME: return Error::number(kErrNoSuchMember);
        case DISP_E_TYPEMISMATCH: return Error::number(kErrTypeMismatch);
        case DISP_E_OVERFLOW: return Error::number(kErrOverflow);
        case DISP_E_PARAMNOTOPTIONAL: return Error::number(449, u"Argument not optional");
        case DISP_E_BADPARAMCOUNT: return Error::number(450, u"Wrong number of arguments or invalid property assignment");
        default: return takeErrorInfo(hr);
    }
}

Variant invokeId(IDispatch* obj, DISPID id, uint16_t flags, std::vector<CallArg> args) {
    return invokeId(obj, id, flags, std::move(args), {});
}

Variant invokeId(IDispatch* obj, DISPID id, uint16_t flags, std::vector<CallArg> positional,
                 std::vector<NamedCallArg> named, int* failedArg) {
    if (failedArg) *failedArg = -1;
    if (!obj) raise(kErrObjectNotSet);
    // The dispatch layout: named arguments first (a put's value leads them), then the
    // positional ones in reverse order. naturalIndex maps a slot back to the caller's order.
    const bool isPut = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    std::vector<Variant> slots;
    std::vector<DISPID> namedIds;
    std::vector<int> naturalIndex;
    slots.reserve(positional.size() + named.size());
    if (isPut && !positional.empty()) {
        slots.push_back(std::move(positional.back().value));
        positional.pop_back();
        namedIds.push_back(DISPID_PROPERTYPUT);
        naturalIndex.push_back(int(positional.size()));
    }
    const int namedBase = int(positional.size() + (isPut && !namedIds.empty() ? 1 : 0));
    for (size_t i = 0; i < named.size(); ++i) {
        slots.push_back(std::move(named[i].arg.value));
        namedIds.push_back(named[i].param);
        naturalIndex.push_back(namedBase + int(i));
    }
    for (size_t i = positional.size(); i-- > 0;) {
        slots.push_back(std::move(positional[i].value));
        naturalIndex.push_back(int(i));
    }
    DispParams dp;
    dp.args = slots.data();
    dp.argCount = uint32_t(slots.size());
    dp.namedIds = namedIds.data();
    dp.namedCount = uint32_t(namedIds.size());
    Variant result;
    ExcepInfo excep;
    uint32_t argErr = UINT32_MAX;
    HRESULT hr = obj->Invoke(id, IID{}, 0, flags, &dp, &result, &excep, &argErr);
    if (failed(hr)) {
        if (failedArg && argErr < naturalIndex.size() &&
            (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW || hr == DISP_E_PARAMNOTFOUND))
            *failedArg = naturalIndex[argErr];
        throw invokeError(hr, excep);
    }
    return result;
}

Variant invoke(IDispatch* obj, StrView name, uint16_t flags, std::vector<CallArg> args) {
    if (!obj) raise(kErrObjectNotSet);
    Str n(name);
    const char16_t* names[] = {n.c_str()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = obj->GetIDsOfNames(IID{}, names, 1, 0, &id);
    if (failed(hr)) throw Error::number(kErrNoSuchMember);
    return invokeId(obj, id, flags, std::move(args));
}

Variant callMethod(IDispatch* obj, StrView name, std::vector<CallArg> args) {
    return invoke(obj, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args));
}

Variant getProperty(IDispatch* obj, StrView name, std::vector<CallArg> args) {
    return invoke(obj, name, DISPATCH_PROPERTYGET, std::move(args));
}

void putProperty(IDispatch* obj, StrView name, Variant value) {
    uint16_t flags = value.isObject() ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
    std::vector<CallArg> args;
    args.emplace_back(std::move(value));
    invoke(obj, name, flags, std::move(args));
}

}  // namespace rt
