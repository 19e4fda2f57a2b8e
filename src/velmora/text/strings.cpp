#include "text/strings.h"

#include <cmath>
#include <limits>

#include "frame/classes.h"
#include "frame/binding.h"
#include "runtime/convert.h"
#include "runtime/locale.h"

namespace velmora::text {

using rt::Str;
using rt::StrView;
using rt::Variant;

namespace {

Variant emptyResult(bool num) { return num ? Variant(int16_t(0)) : Variant(Str()); }

// Abs() as the runtime does it: the value keeps its type (an int16 -32768 overflows); text
// becomes a double; booleans and empty become int16.
Variant absValue(const Variant& v) {
    switch (v.type()) {
        case rt::VT_I2:
            if (v.i2() == std::numeric_limits<int16_t>::min()) rt::raise(rt::kErrOverflow);
            return Variant(int16_t(v.i2() < 0 ? -v.i2() : v.i2()));
        case rt::VT_I4:
            if (v.i4() == std::numeric_limits<int32_t>::min()) rt::raise(rt::kErrOverflow);
            return Variant(int32_t(v.i4() < 0 ? -v.i4() : v.i4()));
        case rt::VT_I8:
            if (v.i8() == std::numeric_limits<int64_t>::min()) rt::raise(rt::kErrOverflow);
            return Variant(int64_t(v.i8() < 0 ? -v.i8() : v.i8()));
        case rt::VT_R8: return Variant(std::fabs(v.r8()));
        case rt::VT_CY:
            if (v.cy() == std::numeric_limits<int64_t>::min()) rt::raise(rt::kErrOverflow);
            return Variant(rt::Currency{v.cy() < 0 ? -v.cy() : v.cy()});
        case rt::VT_DECIMAL: return Variant(v.decimal().abs());
        case rt::VT_BOOL: return Variant(int16_t(v.boolean() ? 1 : 0));
        case rt::VT_EMPTY: return Variant(int16_t(0));
        default: return Variant(std::fabs(rt::toDouble(v)));
    }
}

Str substr(const Str& s, size_t start0, size_t len) { return start0 >= s.size() ? Str() : s.substr(start0, len); }

}  // namespace

Variant strVal(Variant& vVal, bool bNumFlag) {
    if (vVal.isObject() && !vVal.object()) return bNumFlag ? Variant(Str(u"0")) : Variant(Str());
    if (vVal.isMissing()) return emptyResult(bNumFlag);
    if (vVal.isObject()) vVal = rt::defaultValueOf(vVal.object().get());
    if (!vVal.isNull()) vVal = Variant(Str(rt::trimSpaces(rt::toText(vVal))));
    if (vVal.isNull() || vVal.isEmpty() || vVal.str().empty()) return emptyResult(bNumFlag);
    return vVal;
}

const Str& normalize(Variant& vData) {
    vData = strVal(vData, false);
    return vData.str();
}

int16_t iBitVal(Variant& vVal, int32_t lPos) {
    if (!rt::isNumeric(vVal)) return 0;
    vVal = absValue(vVal);
    Str digits = rt::toText(vVal);
    if (lPos < 1 || size_t(lPos) > digits.size()) return 0;
    char16_t c = digits[digits.size() - size_t(lPos)];
    if (c < u'0' || c > u'9') rt::raise(rt::kErrTypeMismatch);
    return int16_t(c - u'0');
}

int32_t LenEx(Variant& vData) {
    const Str& s = normalize(vData);
    if (s.empty()) return 0;
    return int32_t(rt::toCodePage(s, rt::systemLocale().codePage).size());
}

Str LeftEx(Variant& vData, int32_t llen) {
    const Str& s = normalize(vData);
    if (s.empty()) return {};
    if (llen < 0) rt::raise(rt::kErrInvalidCall);
    return s.substr(0, size_t(llen));
}

Str RightEx(Variant& vData, int32_t llen) {
    const Str& s = normalize(vData);
    if (s.empty()) return {};
    if (llen < 0) rt::raise(rt::kErrInvalidCall);
    size_t n = std::min(s.size(), size_t(llen));
    return s.substr(s.size() - n);
}

Str MidEx(Variant& vData, int32_t lstart, int32_t llen) {
    const Str& s = normalize(vData);
    if (s.empty()) return {};
    if (lstart < 1 || llen < 0) rt::raise(rt::kErrInvalidCall);
    return substr(s, size_t(lstart - 1), size_t(llen));
}

int16_t InstrEx(int32_t istart, Variant& vData, Variant& vfind, int32_t compare) {
    normalize(vData);
    normalize(vfind);
    if (vData.str().empty() || vfind.str().empty()) return 0;
    if (istart < 1 || (compare != 0 && compare != 1)) rt::raise(rt::kErrInvalidCall);
    size_t pos = compare == 0 ? rt::findFrom(vData.str(), vfind.str(), size_t(istart))
                              : rt::findFrom(rt::toLower(vData.str()), rt::toLower(vfind.str()), size_t(istart));
    if (pos > 32767) rt::raise(rt::kErrOverflow);
    return int16_t(pos);
}

Str strTrim(const Variant& vData, bool bLowerCase, int32_t lTrimMode) {
    Str s = rt::toText(vData);
    StrView t = lTrimMode == 0 ? rt::trimLeadingSpaces(s) : lTrimMode == 1 ? rt::trimTrailingSpaces(s)
                                                                           : rt::trimSpaces(s);
    return bLowerCase ? rt::toLower(t) : rt::toUpper(t);
}

namespace {

// Steps 2 to 6.
bool nextPart(const Str& all, Variant* strPart, int16_t& iPos, const Str& sep) {
    if (all.empty() || sep.empty()) return false;
    auto advance = [](int16_t pos, size_t by) {
        if (int32_t(pos) + int32_t(by) > 32767) rt::raise(rt::kErrOverflow);
        return int16_t(pos + int16_t(by));
    };
    for (;;) {
        if (iPos < 1) rt::raise(rt::kErrInvalidCall);
        size_t p = rt::findFrom(all, sep, size_t(iPos));
        if (p > 32767) rt::raise(rt::kErrOverflow);
        if (p == size_t(iPos)) {
            // An empty part: skip the whole separator (a multi-character one too).
            iPos = advance(iPos, sep.size());
            continue;
        }
        if (p == 0) {
            Str part(rt::trimSpaces(substr(all, size_t(iPos - 1), Str::npos)));
            bool exhausted = part.empty() && size_t(iPos) > all.size();
            if (strPart) *strPart = Variant(std::move(part));
            if (exhausted) return false;
            if (all.size() + 1 > 32767) rt::raise(rt::kErrOverflow);
            iPos = int16_t(all.size() + 1);
            return true;
        }
        Str part(rt::trimSpaces(substr(all, size_t(iPos - 1), p - size_t(iPos))));
        if (strPart) *strPart = Variant(std::move(part));
        iPos = advance(int16_t(p), sep.size());
        return true;
    }
}

}  // namespace

bool bGetNextPart(GuardScope& guard, Variant& strAll, Variant& strPart, int16_t& iPos, Str& strSeparator) {
    normalize(strAll);
    strSeparator = Str(rt::trimSpaces(strSeparator));
    guard.change();  // from here on an error ends the call quietly with the result so far
    // An omitted strPart arrives as the missing marker: the part is computed and dropped.
    return nextPart(strAll.str(), strPart.isMissing() ? nullptr : &strPart, iPos, strSeparator);
}

}  // namespace velmora::text

namespace velmora {

HRESULT CCommonFunction::strVal(Variant* vVal, VARIANT_BOOL* bNumFlag, Variant* result) {
    return bind<&_CCommonFunction::strVal>(&text::strVal, vVal, bNumFlag, result);
}

HRESULT CCommonFunction::iBitVal(Variant* vVal, int32_t* lPos, int16_t* result) {
    return bind<&_CCommonFunction::iBitVal>(&text::iBitVal, vVal, lPos, result);
}

HRESULT CCommonFunction::LenEx(Variant* vData, int32_t* result) {
    return bind<&_CCommonFunction::LenEx>(&text::LenEx, vData, result);
}

HRESULT CCommonFunction::LeftEx(Variant* vData, int32_t* llen, Str* result) {
    return bind<&_CCommonFunction::LeftEx>(&text::LeftEx, vData, llen, result);
}

HRESULT CCommonFunction::RightEx(Variant* vData, int32_t* llen, Str* result) {
    return bind<&_CCommonFunction::RightEx>(&text::RightEx, vData, llen, result);
}

HRESULT CCommonFunction::MidEx(Variant* vData, int32_t* lstart, int32_t* llen, Str* result) {
    return bind<&_CCommonFunction::MidEx>(&text::MidEx, vData, lstart, llen, result);
}

HRESULT CCommonFunction::InstrEx(int32_t* istart, Variant* vData, Variant* vfind, int32_t* compare,
                                 int16_t* result) {
    return bind<&_CCommonFunction::InstrEx>(&text::InstrEx, istart, vData, vfind, compare, result);
}

HRESULT CCommonFunction::strTrim(Variant* vData, VARIANT_BOOL* bLowerCase, int32_t* lTrimMode, Str* result) {
    return bind<&_CCommonFunction::strTrim>(&text::strTrim, vData, bLowerCase, lTrimMode, result);
}

HRESULT CCommonFunction::bGetNextPart(Variant* strAll, Variant* strPart, int16_t* iPos, Str* strSeparator,
                                      VARIANT_BOOL* result) {
    return bind<&_CCommonFunction::bGetNextPart>(&text::bGetNextPart, strAll, strPart, iPos, strSeparator, result);
}

}  // namespace velmora
