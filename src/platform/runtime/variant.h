// The automation variant: a tagged value as the library's callers pass it around.
#pragma once

#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

#include "com.h"
#include "decimal.h"
#include "ustring.h"

namespace rt {

enum VarType : uint16_t {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_VOID = 24,
    VT_HRESULT = 25,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
};

class Variant;

// A one-dimensional array of variants with any lower bound. An array that was never
// given a size has no bounds: reading them is error 9.
class Array {
public:
    Array() = default;  // undimensioned
    Array(int32_t lbound, std::vector<Variant> items);
    static Array ofSize(int32_t lbound, size_t count);

    bool dimensioned() const { return dimensioned_; }
    // Error 9 when undimensioned.
    int32_t lbound() const;
    int32_t ubound() const;
    size_t size() const;
    // By subscript (lbound-based); error 9 out of range.
    Variant& at(int32_t index);
    const Variant& at(int32_t index) const;
    std::vector<Variant>& items() { return items_; }
    const std::vector<Variant>& items() const { return items_; }

private:
    bool dimensioned_ = false;
    int32_t lbound_ = 0;
    std::vector<Variant> items_;
};

struct Currency {
    int64_t scaled = 0;  // value times 10^4
};
struct DateValue {
    double serial = 0;  // days since 1899-12-30, time as the fraction
};
struct Null {};
struct Missing {};

class Variant {
public:
    Variant() = default;
    Variant(Null) : vt_(VT_NULL) {}
    Variant(Missing) : vt_(VT_ERROR), data_(int64_t(DISP_E_PARAMNOTFOUND)) {}
    Variant(int16_t v) : vt_(VT_I2), data_(int64_t(v)) {}
    Variant(int32_t v) : vt_(VT_I4), data_(int64_t(v)) {}
    Variant(int64_t v) : vt_(VT_I8), data_(v) {}
    Variant(double v) : vt_(VT_R8), data_(v) {}
    Variant(bool v) : vt_(VT_BOOL), data_(int64_t(v ? VARIANT_TRUE : VARIANT_FALSE)) {}
    Variant(Currency c) : vt_(VT_CY), data_(c.scaled) {}
    Variant(DateValue d) : vt_(VT_DATE), data_(d.serial) {}
    Variant(const Decimal& d) : vt_(VT_DECIMAL), data_(d) {}
    Variant(Str s) : vt_(VT_BSTR), data_(std::move(s)) {}
    Variant(StrView s) : vt_(VT_BSTR), data_(Str(s)) {}
    Variant(const char16_t* s) : vt_(VT_BSTR), data_(Str(s)) {}
    Variant(Array a) : vt_(VarType(VT_ARRAY | VT_VARIANT)), data_(std::make_unique<Array>(std::move(a))) {}
    // An object reference; a null pointer is "nothing".
    Variant(ComPtr<IDispatch> p) : vt_(VT_DISPATCH), data_(std::move(p)) {}
    template <class I>
    Variant(const ComPtr<I>& p) : Variant(ComPtr<IDispatch>(p.get())) {}

    static Variant nothing() { return Variant(ComPtr<IDispatch>()); }
    static Variant error(SCODE code) {
        Variant v;
        v.vt_ = VT_ERROR;
        v.data_ = int64_t(code);
        return v;
    }
    static Variant boolean(VARIANT_BOOL b) {
        Variant v;
        v.vt_ = VT_BOOL;
        v.data_ = int64_t(b ? VARIANT_TRUE : VARIANT_FALSE);
        return v;
    }
    // A by-reference argument: refers to the caller's variable, which must outlive it.
    static Variant byRef(Variant* target) {
        Variant v;
        v.vt_ = VarType(VT_BYREF | VT_VARIANT);
        v.data_ = target;
        return v;
    }

    Variant(const Variant& o);
    Variant(Variant&& o) noexcept = default;
    Variant& operator=(const Variant& o);
    Variant& operator=(Variant&& o) noexcept = default;
    ~Variant() = default;

    VarType type() const { return vt_; }
    bool isEmpty() const { return vt_ == VT_EMPTY; }
    bool isNull() const { return vt_ == VT_NULL; }
    bool isMissing() const { return vt_ == VT_ERROR && scode() == DISP_E_PARAMNOTFOUND; }
    bool isString() const { return vt_ == VT_BSTR; }
    bool isObject() const { return vt_ == VT_DISPATCH; }
    bool isNothing() const { return vt_ == VT_DISPATCH && !object(); }
    bool isArray() const { return (vt_ & VT_ARRAY) != 0; }
    bool isByRef() const { return (vt_ & VT_BYREF) != 0; }
    // Numbers: integers, doubles, currency, decimal (not booleans, not dates); by-reference
    // variants answer for the variable they refer to.
    bool isNumberType() const;

    // Typed reads; the tag must match (checked with assertions, not conversions).
    int16_t i2() const { return int16_t(std::get<int64_t>(data_)); }
    int32_t i4() const { return int32_t(std::get<int64_t>(data_)); }
    int64_t i8() const { return std::get<int64_t>(data_); }
    double r8() const { return std::get<double>(data_); }
    double date() const { return std::get<double>(data_); }
    int64_t cy() const { return std::get<int64_t>(data_); }
    VARIANT_BOOL boolean() const { return VARIANT_BOOL(std::get<int64_t>(data_)); }
    SCODE scode() const { return SCODE(std::get<int64_t>(data_)); }
    const Decimal& decimal() const { return std::get<Decimal>(data_); }
    const Str& str() const { return std::get<Str>(data_); }
    Str& str() { return std::get<Str>(data_); }
    const ComPtr<IDispatch>& object() const { return std::get<ComPtr<IDispatch>>(data_); }
    const Array& array() const { return *std::get<std::unique_ptr<Array>>(data_); }
    Array& array() { return *std::get<std::unique_ptr<Array>>(data_); }
    Variant* refTarget() const { return std::get<Variant*>(data_); }

    // Follows a by-reference variant to the variable it refers to.
    const Variant& deref() const { return isByRef() ? refTarget()->deref() : *this; }
    Variant& deref() { return isByRef() ? refTarget()->deref() : *this; }

    void clear() { *this = Variant(); }

private:
    VarType vt_ = VT_EMPTY;
    std::variant<std::monostate, int64_t, double, Decimal, Str, ComPtr<IDispatch>, std::unique_ptr<Array>, Variant*>
        data_;
};

// Defined here, where Variant is complete.
inline size_t Array::size() const { return items_.size(); }

}  // namespace rt
