#include "convert.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "date.h"
#include "error.h"

namespace rt {

namespace {

// Default values of objects are followed this many levels deep before giving up, so an
// object whose value is itself cannot loop forever.
constexpr int kMaxDefaultDepth = 8;

// The value a conversion works on: by-reference variants followed, objects replaced by
// their default value. Nothing is error 91; an object without a default value error 438.
Variant valueOf(const Variant& v) {
    const Variant* cur = &v.deref();
    if (!cur->isObject()) return *cur;
    Variant value = *cur;
    for (int depth = 0; value.isObject(); ++depth) {
        if (depth == kMaxDefaultDepth) raise(kErrTypeMismatch);
        if (!value.object()) raise(kErrObjectNotSet);
        value = defaultValueOf(value.object().get()).deref();
    }
    return value;
}

// The value a conversion reads: the argument itself (no copy) unless it is an object, whose
// default value is then held here.
class ValueRef {
public:
    explicit ValueRef(const Variant& v) : p_(&v.deref()) {
        if (p_->isObject()) {
            owned_ = valueOf(*p_);
            p_ = &*owned_;
        }
    }
    const Variant& operator*() const { return *p_; }

private:
    const Variant* p_;
    std::optional<Variant> owned_;
};

// valueOf, or nullopt where the conversion would fail for lack of a default value.
std::optional<Variant> valueOfOrNone(const Variant& v) {
    try {
        return valueOf(v);
    } catch (const Error&) {
        return std::nullopt;
    }
}

double roundHalfEven(double x) {
    const double f = std::floor(x);
    const double diff = x - f;
    if (diff > 0.5) return f + 1;
    if (diff < 0.5) return f;
    return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

// Integer of a double, halves to even; error 6 outside [lo, hi].
int64_t integerOf(double d, double lo, double hi) {
    if (std::isnan(d)) raise(kErrOverflow);
    const double r = roundHalfEven(d);
    if (r < lo || r > hi) raise(kErrOverflow);
    return int64_t(r);
}

enum class TextNumber { Ok, NotNumber, Overflow };

// The double that number text reads as, correctly rounded.
TextNumber readNumberText(StrView s, double& out) {
    const std::optional<DecimalDigits> n = scanNumberText(s);
    if (!n) return TextNumber::NotNumber;
    if (n->digits.empty()) {
        out = n->negative ? -0.0 : 0.0;
        return TextNumber::Ok;
    }
    const std::string text = n->digits + "e" + std::to_string(n->exp10);
    double d = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
    if (ec == std::errc::result_out_of_range) {
        // Too small to represent reads as zero; too large is an overflow.
        if (n->exp10 + long(n->digits.size()) > 0) return TextNumber::Overflow;
        d = 0;
    } else if (ec != std::errc() || end != text.data() + text.size()) {
        return TextNumber::NotNumber;
    }
    out = n->negative ? -d : d;
    return TextNumber::Ok;
}

double doubleOfText(StrView s) {
    double d = 0;
    switch (readNumberText(s, d)) {
        case TextNumber::Ok:
            return d;
        case TextNumber::Overflow:
            raise(kErrOverflow);
        case TextNumber::NotNumber:
            break;
    }
    raise(kErrTypeMismatch);
}

// Text of a boolean value: "True"/"False" in any case.
std::optional<bool> booleanWord(StrView s) {
    const StrView t = trimSpaces(s);
    if (equalsAsciiNoCase(t, u"True")) return true;
    if (equalsAsciiNoCase(t, u"False")) return false;
    return std::nullopt;
}

[[noreturn]] void mismatch() { raise(kErrTypeMismatch); }
[[noreturn]] void invalidNull() { raise(kErrInvalidNull); }

Str integerText(int64_t v) { return ascii(std::to_string(v)); }

Str singleText(double d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7G", d);
    return ascii(buf);
}

// Exact types for comparisons and decimal work: integers, currency, decimal, booleans, empty.
bool isExactNumber(const Variant& v) {
    switch (v.type()) {
        case VT_EMPTY:
        case VT_BOOL:
        case VT_I2:
        case VT_I4:
        case VT_I8:
        case VT_I1:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_CY:
        case VT_DECIMAL:
            return true;
        default:
            return false;
    }
}

bool isNumberLike(const Variant& v) {
    return v.isNumberType() || v.type() == VT_BOOL || v.type() == VT_EMPTY || v.type() == VT_DATE;
}

template <class T>
int threeWay(T a, T b) {
    return a < b ? -1 : a > b ? 1 : 0;
}

int compareNumbers(const Variant& a, const Variant& b) {
    if (isExactNumber(a) && isExactNumber(b)) return Decimal::compare(toDecimal(a), toDecimal(b));
    const double x = toDouble(a), y = toDouble(b);
    if (std::isnan(x) || std::isnan(y)) mismatch();
    return threeWay(x, y);
}

int compareTexts(StrView a, StrView b, bool textCompare) {
    if (!textCompare) return threeWay(a.compare(b), 0);
    UErrorCode status = U_ZERO_ERROR;
    const int c = u_strCaseCompare(a.data(), int32_t(a.size()), b.data(), int32_t(b.size()), U_FOLD_CASE_DEFAULT,
                                   &status);
    if (U_FAILURE(status)) return threeWay(a.compare(b), 0);
    return threeWay(c, 0);
}

// A number (or date) against text: by value when the text reads as one, otherwise the
// number sorts first.
int compareNumberWithText(const Variant& number, StrView text) {
    if (number.type() == VT_DATE) {
        if (const auto serial = parseDateText(text)) return threeWay(number.date(), *serial);
    }
    double d = 0;
    if (readNumberText(text, d) == TextNumber::Ok) return compareNumbers(number, Variant(d));
    return -1;
}

}  // namespace

Str doubleText(double d) {
    if (std::isnan(d)) return u"-1.#IND";
    if (std::isinf(d)) return d > 0 ? u"1.#INF" : u"-1.#INF";
    if (d == 0) return u"0";
    // The runtime writes the 15 digits as %G does: plain from 1E-04 to below 1E+15,
    // exponent form outside (the mantissa's digits, a signed exponent of two digits or more).
    const DecimalDigits g = digitsOfDouble(d);
    const long exponent = g.integerDigits() - 1;  // of the first digit
    const std::string& digits = g.digits;
    Str out;
    out.reserve(24);
    auto appendDigits = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) out.push_back(char16_t(digits[i]));
    };
    if (g.negative) out.push_back(u'-');
    if (exponent >= -4 && exponent < 15) {
        if (exponent < 0) {
            out.append(u"0.").append(size_t(-exponent - 1), u'0');
            appendDigits(0, digits.size());
        } else {
            const size_t whole = size_t(exponent) + 1;
            appendDigits(0, std::min(whole, digits.size()));
            if (digits.size() > whole) {
                out.push_back(u'.');
                appendDigits(whole, digits.size());
            } else {
                out.append(whole - digits.size(), u'0');
            }
        }
    } else {
        appendDigits(0, 1);
        if (digits.size() > 1) {
            out.push_back(u'.');
            appendDigits(1, digits.size());
        }
        out.append(exponent < 0 ? u"E-" : u"E+");
        const long power = std::labs(exponent);
        if (power < 10) out.push_back(u'0');
        out.append(ascii(std::to_string(power)));
    }
    return out;
}

Str toText(const Variant& input) {
    const ValueRef held(input);
    const Variant& v = *held;
    switch (v.type()) {
        case VT_EMPTY:
            return {};
        case VT_NULL:
            invalidNull();
        case VT_BSTR:
            return v.str();
        case VT_I2:
        case VT_I4:
        case VT_I8:
        case VT_I1:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
            return integerText(v.i8());
        case VT_R4:
            return singleText(v.r8());
        case VT_R8:
            return doubleText(v.r8());
        case VT_CY:
            return Decimal::fromCurrency(v.cy()).toText();
        case VT_DECIMAL:
            return v.decimal().toText();
        case VT_DATE:
            return dateText(v.date());
        case VT_BOOL:
            return v.boolean() ? u"True" : u"False";
        default:
            mismatch();
    }
}

double toDouble(const Variant& input) {
    const ValueRef held(input);
    const Variant& v = *held;
    switch (v.type()) {
        case VT_EMPTY:
            return 0;
        case VT_NULL:
            invalidNull();
        case VT_I2:
        case VT_I4:
        case VT_I8:
        case VT_I1:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_BOOL:
            return double(v.i8());
        case VT_R4:
        case VT_R8:
        case VT_DATE:
            return v.r8();
        case VT_CY:
            return Decimal::fromCurrency(v.cy()).toDouble();
        case VT_DECIMAL:
            return v.decimal().toDouble();
        case VT_BSTR:
            return doubleOfText(v.str());
        default:
            mismatch();
    }
}

namespace {

// Integers from text, currency and decimal go through the exact decimal, so that halves
// and long integer texts round as written rather than as their nearest double.
std::optional<int64_t> exactInteger(const Variant& v) {
    switch (v.type()) {
        case VT_I2:
        case VT_I4:
        case VT_I8:
        case VT_I1:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_BOOL:
            return v.i8();
        case VT_CY:
        case VT_DECIMAL:
        case VT_BSTR:
            return toDecimal(v).toInt64();
        default:
            return std::nullopt;
    }
}

}  // namespace

int64_t toI8(const Variant& input) {
    const ValueRef held(input);
    const Variant& v = *held;
    if (const auto exact = exactInteger(v)) return *exact;
    return integerOf(toDouble(v), -9223372036854775808.0, 9223372036854774784.0);
}

int32_t toI4(const Variant& input) {
    const ValueRef held(input);
    const Variant& v = *held;
    if (const auto exact = exactInteger(v)) {
        if (*exact < INT32_MIN || *exact > INT32_MAX) raise(kErrOverflow);
        return int32_t(*exact);
    }
    return int32_t(integerOf(toDouble(v), INT32_MIN, INT32_MAX));
}

int16_t toI2(const Variant& input) {
    const int32_t i = toI4(input);
    if (i < INT16_MIN || i > INT16_MAX) raise(kErrOverflow);
    return int16_t(i);
}

VARIANT_BOOL toBool(const Variant& input) {
    const ValueRef held(input);
    const Variant& v = *held;
    switch (v.type()) {
        case VT_EMPTY:
            return VARIANT_FALSE;
        case VT_NULL:
            invalidNull();
        case VT_BSTR: {
            if (const auto word = booleanWord(v.str())) return *word ? VARIANT_TRUE : VARIANT_FALSE;
            return doubleOfText(v.str()) != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        }
        case VT_DECIMAL:
            return v.decimal().isZero() ? VARIANT_FALSE : VARIANT_TRUE;
        case VT_ERROR:
            mismatch();
        default:
            return toDouble(v) != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    }
}

Decimal toDecimal(const Variant& input) {
    const ValueRef held(input);
    const Variant& v = *held;
    switch (v.type()) {
        case VT_EMPTY:
            return Decimal();
        case VT_NULL:
            invalidNull();
        case VT_I2:
        case VT_I4:
        case VT_I8:
        case VT_I1:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_BOOL:
            return Decimal::fromInt64(v.i8());
        case VT_R4:
        case VT_R8:
        case VT_DATE:
            return Decimal::fromDouble(v.r8());
        case VT_CY:
            return Decimal::fromCurrency(v.cy());
        case VT_DECIMAL:
            return v.decimal();
        case VT_BSTR: {
            const std::optional<Decimal> d = Decimal::parse(v.str());
            if (!d) mismatch();
            return *d;
        }
        default:
            mismatch();
    }
}

int64_t toCurrency(const Variant& input) {
    const ValueRef held(input);
    const Variant& v = *held;
    switch (v.type()) {
        case VT_CY:
            return v.cy();
        case VT_R4:
        case VT_R8:
        case VT_DATE: {
            const double scaled = v.r8() * 10000.0;
            return integerOf(scaled, -9223372036854775808.0, 9223372036854774784.0);
        }
        default:
            return toDecimal(v).toCurrency();
    }
}

double toDate(const Variant& input) {
    const ValueRef held(input);
    const Variant& v = *held;
    double serial;
    switch (v.type()) {
        case VT_DATE:
            return v.date();
        case VT_NULL:
            invalidNull();
        case VT_BSTR: {
            const std::optional<double> d = parseDateText(v.str());
            if (!d) mismatch();
            return *d;
        }
        case VT_ERROR:
            mismatch();
        default:
            serial = toDouble(v);
            break;
    }
    // Serials beyond years 100..9999 are not dates.
    if (!(serial > -657435.0 && serial < 2958466.0)) raise(kErrOverflow);
    return serial;
}

ComPtr<IDispatch> toObject(const Variant& input) {
    const Variant& v = input.deref();
    if (!v.isObject()) raise(kErrObjectRequired);
    return v.object();
}

Variant changeType(const Variant& input, VarType target) {
    const Variant& v = input.deref();
    switch (unsigned(target)) {
        case VT_VARIANT:
            return input;
        case VT_EMPTY:
            if (v.isNull()) invalidNull();
            return Variant();
        case VT_NULL:
            return Variant(Null{});
        case VT_I2:
            return Variant(toI2(v));
        case VT_I4:
            return Variant(toI4(v));
        case VT_I8:
            return Variant(toI8(v));
        case VT_R8:
            return Variant(toDouble(v));
        case VT_BOOL:
            return Variant::boolean(toBool(v));
        case VT_BSTR:
            return Variant(toText(v));
        case VT_DATE:
            return Variant(DateValue{toDate(v)});
        case VT_CY:
            return Variant(Currency{toCurrency(v)});
        case VT_DECIMAL:
            return Variant(toDecimal(v));
        case VT_DISPATCH:
            return Variant(toObject(v));
        case VT_ERROR:
            if (v.type() != VT_ERROR) mismatch();
            return v;
        case VT_ARRAY | VT_VARIANT:
            if (!v.isArray()) mismatch();
            return v;
        default:
            raise(458);  // Variable uses an Automation type not supported
    }
}

std::optional<double> parseNumberText(StrView s) {
    double d = 0;
    if (readNumberText(s, d) != TextNumber::Ok) return std::nullopt;
    return d;
}

bool isNumeric(const Variant& input) {
    const std::optional<Variant> v = valueOfOrNone(input);
    if (!v) return false;
    if (v->type() == VT_BSTR) return parseNumberText(v->str()).has_value();
    return v->isNumberType() || v->type() == VT_BOOL || v->type() == VT_EMPTY;
}

bool isDate(const Variant& input) {
    const std::optional<Variant> v = valueOfOrNone(input);
    if (!v) return false;
    if (v->type() == VT_DATE) return true;
    return v->type() == VT_BSTR && parseDateText(v->str()).has_value();
}

Variant defaultValueOf(IDispatch* obj) {
    if (!obj) raise(kErrObjectNotSet);
    DispParams none;
    Variant result;
    ExcepInfo excep;
    uint32_t argErr = 0;
    const HRESULT hr = obj->Invoke(DISPID_VALUE, IID{}, 0, DISPATCH_PROPERTYGET, &none, &result, &excep, &argErr);
    if (succeeded(hr)) return result;
    if (hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_UNKNOWNNAME || hr == E_NOTIMPL) raise(kErrNoSuchMember);
    if (hr == DISP_E_EXCEPTION) {
        Error e = excep.scode != 0  ? Error::status(excep.scode, excep.description, excep.source)
                  : excep.code != 0 ? Error::number(excep.code, excep.description, excep.source)
                                    : Error::status(hr, excep.description, excep.source);
        clearErrorInfo();
        throw e;
    }
    throw takeErrorInfo(hr);
}

int compareValues(const Variant& left, const Variant& right, bool textCompare) {
    const ValueRef heldA(left), heldB(right);
    const Variant& a = *heldA;
    const Variant& b = *heldB;
    if (a.isNull() || b.isNull()) invalidNull();
    if (a.isArray() || b.isArray() || a.type() == VT_ERROR || b.type() == VT_ERROR) mismatch();
    const bool aText = a.isString(), bText = b.isString();
    if (aText && bText) return compareTexts(a.str(), b.str(), textCompare);
    // The empty value is "" against text and 0 against numbers.
    if (aText && b.isEmpty()) return compareTexts(a.str(), u"", textCompare);
    if (bText && a.isEmpty()) return compareTexts(u"", b.str(), textCompare);
    if (isNumberLike(a) && isNumberLike(b)) return compareNumbers(a, b);
    if (isNumberLike(a) && bText) return compareNumberWithText(a, b.str());
    if (aText && isNumberLike(b)) return -compareNumberWithText(b, a.str());
    mismatch();
}

}  // namespace rt
