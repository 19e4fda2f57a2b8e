// Basic automation types: status codes, GUIDs, dispatch ids.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace rt {

using HRESULT = int32_t;
using DISPID = int32_t;
using SCODE = int32_t;
using LCID = uint32_t;
using VARIANT_BOOL = int16_t;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr bool failed(HRESULT hr) { return hr < 0; }
constexpr bool succeeded(HRESULT hr) { return hr >= 0; }

constexpr HRESULT hr(uint32_t v) { return static_cast<HRESULT>(v); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = hr(0x80004001);
constexpr HRESULT E_NOINTERFACE = hr(0x80004002);
constexpr HRESULT E_POINTER = hr(0x80004003);
constexpr HRESULT E_ABORT = hr(0x80004004);
constexpr HRESULT E_FAIL = hr(0x80004005);
constexpr HRESULT E_UNEXPECTED = hr(0x8000FFFF);
constexpr HRESULT E_OUTOFMEMORY = hr(0x8007000E);
constexpr HRESULT E_INVALIDARG = hr(0x80070057);
constexpr HRESULT CLASS_E_NOAGGREGATION = hr(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = hr(0x80040111);
constexpr HRESULT REGDB_E_CLASSNOTREG = hr(0x80040154);
constexpr HRESULT CO_E_CLASSSTRING = hr(0x800401F3);
constexpr HRESULT SELFREG_E_CLASS = hr(0x80040201);
constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = hr(0x8002802B);
// A call on an object from a thread other than the one that made it.
constexpr HRESULT RPC_E_WRONG_THREAD = hr(0x8001010E);

constexpr HRESULT DISP_E_UNKNOWNINTERFACE = hr(0x80020001);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = hr(0x80020003);
constexpr HRESULT DISP_E_PARAMNOTFOUND = hr(0x80020004);
constexpr HRESULT DISP_E_TYPEMISMATCH = hr(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = hr(0x80020006);
constexpr HRESULT DISP_E_NONAMEDARGS = hr(0x80020007);
constexpr HRESULT DISP_E_BADVARTYPE = hr(0x80020008);
constexpr HRESULT DISP_E_EXCEPTION = hr(0x80020009);
constexpr HRESULT DISP_E_OVERFLOW = hr(0x8002000A);
constexpr HRESULT DISP_E_BADINDEX = hr(0x8002000B);
constexpr HRESULT DISP_E_ARRAYISLOCKED = hr(0x8002000D);
constexpr HRESULT DISP_E_BADPARAMCOUNT = hr(0x8002000E);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = hr(0x8002000F);

// Runtime errors are numbered 1..65535 and travel as 0x800A0000 | number.
constexpr HRESULT runtimeErrorHr(int number) {
    return hr(0x800A0000u | (static_cast<uint32_t>(number) & 0xFFFFu));
}

// Invoke flags.
constexpr uint16_t DISPATCH_METHOD = 1;
constexpr uint16_t DISPATCH_PROPERTYGET = 2;
constexpr uint16_t DISPATCH_PROPERTYPUT = 4;
constexpr uint16_t DISPATCH_PROPERTYPUTREF = 8;

constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_PROPERTYPUT = -3;
constexpr DISPID DISPID_NEWENUM = -4;

struct GUID {
    uint32_t d1 = 0;
    uint16_t d2 = 0;
    uint16_t d3 = 0;
    uint8_t d4[8] = {};

    friend constexpr bool operator==(const GUID& a, const GUID& b) {
        if (a.d1 != b.d1 || a.d2 != b.d2 || a.d3 != b.d3) return false;
        for (int i = 0; i < 8; ++i)
            if (a.d4[i] != b.d4[i]) return false;
        return true;
    }
    bool isNull() const { return *this == GUID{}; }
};
using IID = GUID;
using CLSID = GUID;

namespace detail {
constexpr int hexDigit(char c) {
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                  : -1;
}
constexpr uint64_t hexField(std::string_view s, size_t pos, size_t len, bool& ok) {
    uint64_t v = 0;
    for (size_t i = 0; i < len; ++i) {
        if (pos + i >= s.size()) { ok = false; return 0; }
        int d = hexDigit(s[pos + i]);
        if (d < 0) { ok = false; return 0; }
        v = v * 16 + static_cast<uint64_t>(d);
    }
    return v;
}
}  // namespace detail

// Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional). ok=false on bad text.
constexpr GUID parseGuid(std::string_view s, bool& ok) {
    ok = true;
    if (!s.empty() && s.front() == '{') {
        if (s.size() != 38 || s.back() != '}') { ok = false; return {}; }
        s = s.substr(1, 36);
    }
    if (s.size() != 36 || s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-') {
        ok = false;
        return {};
    }
    GUID g;
    g.d1 = static_cast<uint32_t>(detail::hexField(s, 0, 8, ok));
    g.d2 = static_cast<uint16_t>(detail::hexField(s, 9, 4, ok));
    g.d3 = static_cast<uint16_t>(detail::hexField(s, 14, 4, ok));
    g.d4[0] = static_cast<uint8_t>(detail::hexField(s, 19, 2, ok));
    g.d4[1] = static_cast<uint8_t>(detail::hexField(s, 21, 2, ok));
    for (int i = 0; i < 6; ++i) g.d4[2 + i] = static_cast<uint8_t>(detail::hexField(s, 24 + 2 * i, 2, ok));
    return ok ? g : GUID{};
}

// Compile-time GUID from a literal; a malformed literal fails to compile.
consteval GUID guid(std::string_view s) {
    bool ok = false;
    GUID g = parseGuid(s, ok);
    if (!ok) throw "malformed GUID literal";
    return g;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
std::string guidText(const GUID& g);

struct GuidHash {
    size_t operator()(const GUID& g) const noexcept {
        uint64_t a = (uint64_t(g.d1) << 32) | (uint64_t(g.d2) << 16) | g.d3;
        uint64_t b;
        std::memcpy(&b, g.d4, 8);
        return std::hash<uint64_t>{}(a ^ (b * 0x9E3779B97F4A7C15ull));
    }
};

}  // namespace rt
