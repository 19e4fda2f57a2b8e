#include "values.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <mutex>
#include <unordered_map>

#include "runtime/date.h"
#include "runtime/decimal.h"
#include "runtime/dispatch.h"
#include "runtime/error.h"

namespace host {

namespace {

void allowOnly(const Json& j, std::initializer_list<const char*> keys) {
    for (auto it = j.begin(); it != j.end(); ++it) {
        bool known = false;
        for (const char* k : keys) known = known || it.key() == k;
        if (!known) badRequest("unknown field \"" + it.key() + "\" in the value " + shortText(j));
    }
}

const Json& valueField(const Json& j, const std::string& type) {
    if (!j.contains("value")) badRequest("a value of type " + type + " needs \"value\": " + shortText(j));
    return j["value"];
}

int64_t integerOf(const Json& v, const std::string& type, int64_t lo, int64_t hi) {
    if (!v.is_number_integer()) badRequest("the value of a " + type + " must be an integer, not " + shortText(v));
    if (v.is_number_unsigned() && v.get<uint64_t>() > uint64_t(std::numeric_limits<int64_t>::max()))
        rt::raise(rt::kErrOverflow);
    int64_t n = v.get<int64_t>();
    if (n < lo || n > hi) rt::raise(rt::kErrOverflow, rt::fromUtf8(std::to_string(n) + " does not fit a " + type));
    return n;
}

double realOf(const Json& v) {
    if (v.is_number()) return v.get<double>();
    if (v.is_string()) {
        const std::string s = v.get<std::string>();
        if (s == "NaN") return std::numeric_limits<double>::quiet_NaN();
        if (s == "Infinity") return std::numeric_limits<double>::infinity();
        if (s == "-Infinity") return -std::numeric_limits<double>::infinity();
    }
    badRequest("the value of an r8 must be a number (or \"NaN\", \"Infinity\", \"-Infinity\"), not " + shortText(v));
}

rt::Decimal decimalOf(const Json& v, const std::string& type) {
    std::string text;
    if (v.is_string()) text = v.get<std::string>();
    else if (v.is_number_integer()) text = v.dump();
    else badRequest("the value of a " + type + " must be a string of digits such as \"1234.56\", not " + shortText(v));
    std::optional<rt::Decimal> d = rt::Decimal::parse(rt::fromUtf8(text));
    if (!d) badRequest("\"" + cutText(text) + "\" is not a decimal number");
    return *d;
}

// Digits of s at [pos, pos + n) as a number; -1 when any is not a digit.
int digitsAt(const std::string& s, size_t pos, size_t n) {
    int v = 0;
    for (size_t i = pos; i < pos + n; ++i) {
        if (i >= s.size() || s[i] < '0' || s[i] > '9') return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

// "2007-03-05", "2007-03-05T10:20" or "2007-03-05T10:20:30"; a number is taken as a serial.
double dateOf(const Json& v) {
    if (v.is_number()) return v.get<double>();
    if (!v.is_string()) badRequest("the value of a date must be a string such as \"2007-03-05T10:20:30\"");
    const std::string s = v.get<std::string>();
    rt::CivilTime t;
    t.year = digitsAt(s, 0, 4);
    t.month = digitsAt(s, 5, 2);
    t.day = digitsAt(s, 8, 2);
    bool ok = (s.size() == 10 || s.size() == 16 || s.size() == 19) && s[4] == '-' && s[7] == '-';
    if (ok && s.size() > 10) {
        t.hour = digitsAt(s, 11, 2);
        t.minute = digitsAt(s, 14, 2);
        t.second = s.size() == 19 ? digitsAt(s, 17, 2) : 0;
        ok = s[10] == 'T' && s[13] == ':' && (s.size() == 16 || s[16] == ':');
    }
    ok = ok && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 59 &&
         t.year >= 0 && rt::isValidCivilDate(t.year, t.month, t.day);
    if (!ok) badRequest("\"" + cutText(s) + "\" is not a date of the form 2007-03-05T10:20:30");
    return rt::serialFromCivil(t);
}

rt::Array arrayOf(const Json& items, int32_t lbound, Scope& scope) {
    std::vector<rt::Variant> values;
    values.reserve(items.size());
    for (const Json& item : items) values.push_back(valueFromJson(item, scope));
    return rt::Array(lbound, std::move(values));
}

rt::Variant typedValue(const Json& j, Scope& scope) {
    if (!j["type"].is_string()) badRequest("\"type\" must be a string in " + shortText(j));
    const std::string type = j["type"].get<std::string>();
    if (type == "empty" || type == "null" || type == "missing" || type == "nothing") {
        allowOnly(j, {"type"});
        if (type == "empty") return rt::Variant();
        if (type == "null") return rt::Variant(rt::Null{});
        if (type == "missing") return rt::Variant(rt::Missing{});
        return rt::Variant::nothing();
    }
    if (type == "array") {
        allowOnly(j, {"type", "value", "lbound"});
        if (!j.contains("value")) return rt::Variant(rt::Array());  // never dimensioned
        if (!j["value"].is_array()) badRequest("the value of an array must be a JSON array: " + shortText(j));
        int32_t lbound = j.contains("lbound") ? int32_t(integerOf(j["lbound"], "lower bound", INT32_MIN, INT32_MAX)) : 0;
        return rt::Variant(arrayOf(j["value"], lbound, scope));
    }
    if (type == "object") {
        allowOnly(j, {"type", "ref", "class", "id"});  // a value written by the host reads back
        if (!j.contains("ref") || !j["ref"].is_string()) badRequest("an object value needs \"ref\": a variable or handle name");
        const rt::Variant& bound = scope.lookup(j["ref"].get<std::string>());
        if (!bound.isObject()) badRequest("\"" + cutText(j["ref"].get<std::string>()) + "\" does not hold an object");
        return bound;
    }
    static const char* const kScalars[] = {"i2", "i4", "i8", "r8", "bool", "decimal", "currency", "date", "string",
                                           "error"};
    if (std::find(std::begin(kScalars), std::end(kScalars), type) == std::end(kScalars))
        badRequest("unknown value type \"" + cutText(type) +
                   "\" (known: empty, null, missing, nothing, i2, i4, i8, r8, bool, decimal, currency, date, string, "
                   "error, array, object)");
    allowOnly(j, {"type", "value"});
    const Json& v = valueField(j, type);
    if (type == "i2") return rt::Variant(int16_t(integerOf(v, type, INT16_MIN, INT16_MAX)));
    if (type == "i4") return rt::Variant(int32_t(integerOf(v, type, INT32_MIN, INT32_MAX)));
    if (type == "i8") return rt::Variant(integerOf(v, type, INT64_MIN, INT64_MAX));
    if (type == "r8") return rt::Variant(realOf(v));
    if (type == "bool") {
        if (!v.is_boolean()) badRequest("the value of a bool must be true or false, not " + shortText(v));
        return rt::Variant(v.get<bool>());
    }
    if (type == "decimal") return rt::Variant(decimalOf(v, type));
    if (type == "currency") return rt::Variant(rt::Currency{decimalOf(v, type).toCurrency()});
    if (type == "date") return rt::Variant(rt::DateValue{dateOf(v)});
    if (type == "string") {
        if (!v.is_string()) badRequest("the value of a string must be a JSON string, not " + shortText(v));
        return rt::Variant(rt::fromUtf8(v.get<std::string>()));
    }
    // What is left is "error": an SCODE, as a number or as hex text.
    if (v.is_string()) {
        const std::string s = v.get<std::string>();
        char* end = nullptr;
        errno = 0;
        const unsigned long long code = s.rfind("0x", 0) == 0 ? std::strtoull(s.c_str() + 2, &end, 16) : 0;
        if (!end || end == s.c_str() + 2 || *end != '\0' || errno == ERANGE || code > 0xFFFFFFFFull)
            badRequest("an error value is an SCODE such as -2147352572 or \"0x80020004\", not " + shortText(v));
        return rt::Variant::error(rt::SCODE(uint32_t(code)));
    }
    return rt::Variant::error(rt::SCODE(integerOf(v, type, INT32_MIN, UINT32_MAX)));
}

std::string dateText(double serial) {
    rt::CivilTime t = rt::civilFromSerial(serial);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buf;
}

Json realJson(double d) {
    if (std::isnan(d)) return "NaN";
    if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
    return d;
}

std::string classNameOf(rt::IDispatch* obj) {
    uint32_t count = 0;
    if (rt::failed(obj->GetTypeInfoCount(&count)) || count == 0) return "Object";
    rt::ComPtr<rt::ITypeInfo> type;
    if (rt::failed(obj->GetTypeInfo(0, 0, type.put())) || !type) return "Object";
    const rt::InterfaceInfo* info = nullptr;
    if (rt::failed(type->GetInterfaceInfo(&info)) || !info) return "Object";
    return info->name();
}

// Small numbers for object identities, in order of first sight. Two objects alive at the
// same time never share a number; once the host releases an object's last handle and the
// object dies, its number may come back for a later object at the same address (so the
// table stays as small as the set of addresses objects ever had).
int64_t identityNumber(rt::IDispatch* obj) {
    static std::mutex mu;
    static std::unordered_map<const void*, int64_t> numbers;
    const void* id = rt::identityOf(obj);
    std::lock_guard lock(mu);
    auto [it, fresh] = numbers.try_emplace(id, int64_t(numbers.size() + 1));
    return it->second;
}

}  // namespace

void badRequest(const std::string& why) { throw rt::Error::number(rt::kErrInvalidCall, rt::fromUtf8(why), u"velmora"); }

std::string cutText(std::string_view text, size_t max) {
    if (text.size() <= max) return std::string(text);
    size_t keep = max < 3 ? 0 : max - 3;
    while (keep > 0 && (static_cast<unsigned char>(text[keep]) & 0xC0) == 0x80) --keep;  // a whole character
    return std::string(text.substr(0, keep)) + "...";
}

std::string shortText(const Json& j) { return cutText(j.dump(-1, ' ', false, Json::error_handler_t::replace)); }

rt::Variant valueFromJson(const Json& j, Scope& scope) {
    switch (j.type()) {
        case Json::value_t::string: return rt::Variant(rt::fromUtf8(j.get<std::string>()));
        case Json::value_t::boolean: return rt::Variant(j.get<bool>());
        case Json::value_t::null: return rt::Variant(rt::Null{});
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
            if (j.is_number_unsigned() ? j.get<uint64_t>() > uint64_t(INT32_MAX)
                                       : (j.get<int64_t>() < INT32_MIN || j.get<int64_t>() > INT32_MAX))
                badRequest(j.dump() + " does not fit an i4: write {\"type\": \"i8\", \"value\": " + j.dump() + "}");
            return rt::Variant(int32_t(j.get<int64_t>()));
        case Json::value_t::number_float: return rt::Variant(j.get<double>());
        case Json::value_t::array: return rt::Variant(arrayOf(j, 0, scope));
        case Json::value_t::object:
            if (!j.contains("type"))
                badRequest("a value object needs \"type\" (" + shortText(j) +
                           "); {\"var\": ...} and {\"missing\": true} are arguments, not values");
            return typedValue(j, scope);
        default: badRequest("not a value: " + shortText(j));
    }
}

Json valueToJson(const rt::Variant& value, Scope& scope) {
    const rt::Variant& v = value.deref();
    auto typed = [](const char* type, Json inner) { return Json{{"type", type}, {"value", std::move(inner)}}; };
    if (v.isArray()) {
        const rt::Array& a = v.array();
        if (!a.dimensioned()) return Json{{"type", "array"}};  // reads back as never dimensioned
        // Built in place: an initializer list would copy each level's items again (quadratic).
        Json j{{"type", "array"}, {"lbound", a.lbound()}, {"value", Json::array()}};
        Json& items = j["value"];
        for (const auto& item : a.items()) items.push_back(valueToJson(item, scope));
        return j;
    }
    switch (v.type()) {
        case rt::VT_EMPTY: return Json{{"type", "empty"}};
        case rt::VT_NULL: return Json{{"type", "null"}};
        case rt::VT_I2: return typed("i2", v.i2());
        case rt::VT_I4: return typed("i4", v.i4());
        case rt::VT_I8: return typed("i8", v.i8());
        case rt::VT_R8: return typed("r8", realJson(v.r8()));
        case rt::VT_BOOL: return typed("bool", v.boolean() != 0);
        case rt::VT_DECIMAL: return typed("decimal", rt::toUtf8(v.decimal().toText()));
        case rt::VT_CY: return typed("currency", rt::toUtf8(rt::Decimal::fromCurrency(v.cy()).toText()));
        case rt::VT_DATE:
            try {
                return typed("date", dateText(v.date()));
            } catch (rt::Error&) {
                return typed("date", realJson(v.date()));  // beyond the calendar: the serial
            }
        case rt::VT_BSTR: return typed("string", rt::toUtf8(v.str()));
        case rt::VT_ERROR:
            if (v.isMissing()) return Json{{"type", "missing"}};
            return typed("error", v.scode());
        case rt::VT_DISPATCH: {
            if (!v.object()) return Json{{"type", "nothing"}};
            rt::IDispatch* obj = v.object().get();
            Json j{{"type", "object"}, {"class", classNameOf(obj)}};
            std::string handle = scope.bindHandle(v.object());
            if (handle.empty()) return j;  // reported, not kept
            j["ref"] = std::move(handle);
            j["id"] = identityNumber(obj);
            return j;
        }
        default: return Json{{"type", "vt" + std::to_string(int(v.type()))}};
    }
}

Json errorToJson(int32_t number, const std::string& description, const std::string& source, int32_t hresult) {
    char hr[16];
    std::snprintf(hr, sizeof hr, "0x%08X", uint32_t(hresult));
    // A member may quote its whole argument in its message; the answer keeps a readable part.
    return Json{{"number", number}, {"description", cutText(description, kMaxDescriptionBytes)}, {"source", source}, {"hresult", hr}};
}

}  // namespace host
