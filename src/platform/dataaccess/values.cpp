#include "values.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "runtime/convert.h"
#include "runtime/date.h"
#include "runtime/error.h"

namespace ado {

bool isIntegerType(DataType t) {
    switch (t) {
        case adSmallInt:
        case adInteger:
        case adTinyInt:
        case adUnsignedTinyInt:
        case adUnsignedSmallInt:
        case adUnsignedInt:
        case adBigInt:
        case adUnsignedBigInt: return true;
        default: return false;
    }
}

bool isFloatType(DataType t) { return t == adSingle || t == adDouble; }
bool isExactNumericType(DataType t) {
    return t == adCurrency || t == adDecimal || t == adNumeric || t == adVarNumeric;
}
bool isDateType(DataType t) {
    return t == adDate || t == adDBDate || t == adDBTime || t == adDBTimeStamp || t == adFileTime;
}
bool isBinaryType(DataType t) { return t == adBinary || t == adVarBinary || t == adLongVarBinary; }
bool isTextType(DataType t) {
    switch (t) {
        case adBSTR:
        case adChar:
        case adWChar:
        case adVarChar:
        case adLongVarChar:
        case adVarWChar:
        case adLongVarWChar: return true;
        default: return false;
    }
}

namespace {

// ---- small text helpers -----------------------------------------------------------------

rt::Str wide(std::string_view s) { return rt::fromUtf8(s); }

void appendInt(std::string& out, int64_t v) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void appendReal(std::string& out, double v) {
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    for (char* p = buf; p != r.ptr; ++p)
        if (*p == 'e') *p = 'E';
    out.append(buf, r.ptr);
}

std::optional<int64_t> parseInt(std::string_view s) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    int64_t v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || s.empty()) return std::nullopt;
    return v;
}

std::optional<double> parseReal(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return std::nullopt;
    double v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return std::nullopt;
    return v;
}

std::optional<bool> parseBool(std::string_view s) {
    auto eq = [&](std::string_view w) {
        if (s.size() != w.size()) return false;
        for (size_t i = 0; i < s.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(s[i])) != w[i]) return false;
        return true;
    };
    if (eq("true") || s == "1" || s == "-1") return true;
    if (eq("false") || s == "0") return false;
    return std::nullopt;
}

std::optional<rt::Decimal> decimalOfText(std::string_view s) {
    try {
        return rt::Decimal::parse(wide(s));
    } catch (const rt::Error&) {
        return std::nullopt;
    }
}

std::optional<rt::Decimal> decimalOfCell(CellView c) {
    try {
        switch (c.kind) {
            case CellKind::Integer: return rt::Decimal::fromInt64(c.integer);
            case CellKind::Real: return rt::Decimal::fromDouble(c.real);
            case CellKind::Text: return decimalOfText(c.bytes);
            default: return std::nullopt;
        }
    } catch (const rt::Error&) {
        return std::nullopt;
    }
}

// SQLite's own conventions for numbers in date columns: REAL is a Julian day number,
// INTEGER seconds since 1970.
std::optional<double> serialOfCell(CellView c) {
    switch (c.kind) {
        case CellKind::Text: return parseIsoDate(c.bytes);
        case CellKind::Real: return c.real - 2415018.5;
        case CellKind::Integer: return double(c.integer) / 86400.0 + 25569.0;
        default: return std::nullopt;
    }
}

rt::Variant bytesArray(std::string_view b) {
    std::vector<rt::Variant> items;
    items.reserve(b.size());
    for (unsigned char c : b) items.emplace_back(int16_t(c));
    return rt::Variant(rt::Array(0, std::move(items)));
}

rt::Variant plainVariant(CellView c) {
    switch (c.kind) {
        case CellKind::Null: return rt::Variant(rt::Null{});
        case CellKind::Integer:
            if (c.integer >= INT32_MIN && c.integer <= INT32_MAX) return rt::Variant(int32_t(c.integer));
            return rt::Variant(c.integer);
        case CellKind::Real: return rt::Variant(c.real);
        case CellKind::Text: return rt::Variant(wide(c.bytes));
        case CellKind::Blob: return bytesArray(c.bytes);
    }
    return {};
}

rt::Variant integerVariant(int64_t v, DataType t) {
    switch (t) {
        case adSmallInt:
        case adTinyInt:
        case adUnsignedTinyInt:
            if (v >= INT16_MIN && v <= INT16_MAX) return rt::Variant(int16_t(v));
            break;
        case adBigInt:
        case adUnsignedBigInt: return rt::Variant(v);
        default: break;
    }
    if (v >= INT32_MIN && v <= INT32_MAX) return rt::Variant(int32_t(v));
    return rt::Variant(v);
}

std::string guidFromBytes(std::string_view b) {
    // Little-endian first three groups, as GUIDs are laid out in memory.
    const auto* u = reinterpret_cast<const unsigned char*>(b.data());
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", u[3],
                  u[2], u[1], u[0], u[5], u[4], u[7], u[6], u[8], u[9], u[10], u[11], u[12], u[13], u[14], u[15]);
    return buf;
}

}  // namespace

std::optional<std::string> canonicalGuid(std::string_view s) {
    if (s.size() == 38 && s.front() == '{' && s.back() == '}') s = s.substr(1, 36);
    if (s.size() != 36) return std::nullopt;
    std::string out = "{";
    for (size_t i = 0; i < 36; ++i) {
        const char c = s[i];
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != '-') return std::nullopt;
        } else if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
        out.push_back(char(std::toupper(static_cast<unsigned char>(c))));
    }
    out.push_back('}');
    return out;
}

// ---- dates ------------------------------------------------------------------------------

namespace {

// Appends n as exactly `width` decimal digits (0 <= n < 10^width); the date texts below are
// written for every date field of every row, where a format string costs more than the rest.
void appendDigits(std::string& out, int n, int width) {
    char digits[4];
    for (int i = width - 1; i >= 0; --i, n /= 10) digits[i] = char('0' + n % 10);
    out.append(digits, size_t(width));
}

}  // namespace

std::string isoDateText(double serial, DataType type, char separator) {
    const rt::CivilTime t = rt::civilFromSerial(serial);  // years 100 to 9999
    std::string out;
    out.reserve(19);
    if (type != adDBTime) {
        appendDigits(out, t.year, 4);
        out += '-';
        appendDigits(out, t.month, 2);
        out += '-';
        appendDigits(out, t.day, 2);
        if (type == adDBDate) return out;
        out += separator;
    }
    appendDigits(out, t.hour, 2);
    out += ':';
    appendDigits(out, t.minute, 2);
    out += ':';
    appendDigits(out, t.second, 2);
    return out;
}

namespace {

bool digitsAt(std::string_view s, size_t pos, size_t n, int& value) {
    if (pos + n > s.size()) return false;
    value = 0;
    for (size_t i = 0; i < n; ++i) {
        const char c = s[pos + i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// "HH:MM[:SS[.fff]]" at pos, up to the end or a zone suffix; seconds with fraction.
bool readTime(std::string_view s, size_t pos, int& h, int& m, double& sec) {
    if (!digitsAt(s, pos, 2, h) || pos + 2 >= s.size() || s[pos + 2] != ':' || !digitsAt(s, pos + 3, 2, m))
        return false;
    size_t i = pos + 5;
    sec = 0;
    if (i < s.size() && s[i] == ':') {
        int whole = 0;
        if (!digitsAt(s, i + 1, 2, whole)) return false;
        sec = whole;
        i += 3;
        if (i < s.size() && s[i] == '.') {
            double scale = 0.1;
            ++i;
            while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
                sec += (s[i] - '0') * scale;
                scale /= 10;
                ++i;
            }
        }
    }
    if (i < s.size() && s[i] != 'Z' && s[i] != '+' && s[i] != '-') return false;
    return h < 24 && m < 60 && sec < 60;
}

}  // namespace

std::optional<double> parseIsoDate(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    int h = 0, m = 0;
    double sec = 0;
    if (s.size() >= 5 && s[2] == ':') {
        if (!readTime(s, 0, h, m, sec)) return std::nullopt;
        return (h * 3600 + m * 60 + sec) / 86400.0;
    }
    int y = 0, mo = 0, d = 0;
    if (!digitsAt(s, 0, 4, y) || s.size() < 10 || s[4] != '-' || !digitsAt(s, 5, 2, mo) || s[7] != '-' ||
        !digitsAt(s, 8, 2, d))
        return std::nullopt;
    if (y < 100 || !rt::isValidCivilDate(y, mo, d)) return std::nullopt;
    if (s.size() > 10) {
        if ((s[10] != 'T' && s[10] != ' ') || !readTime(s, 11, h, m, sec)) return std::nullopt;
    }
    rt::CivilTime t;
    t.year = y;
    t.month = mo;
    t.day = d;
    double serial = rt::serialFromCivil(t);
    const double fraction = (h * 3600 + m * 60 + sec) / 86400.0;
    // Negative serials count days backwards while the time still runs forwards.
    return serial >= 0 ? serial + fraction : serial - fraction;
}

// ---- cell -> variant --------------------------------------------------------------------

rt::Variant variantOf(CellView c, const FieldInfo& f) {
    if (c.kind == CellKind::Null) return rt::Variant(rt::Null{});
    const DataType t = f.type;
    if (isIntegerType(t)) {
        if (c.kind == CellKind::Integer) return integerVariant(c.integer, t);
        if (c.kind == CellKind::Real && std::nearbyint(c.real) == c.real && std::fabs(c.real) < 9.2e18)
            return integerVariant(int64_t(c.real), t);
        if (c.kind == CellKind::Text)
            if (auto v = parseInt(c.bytes)) return integerVariant(*v, t);
        return plainVariant(c);
    }
    if (isFloatType(t)) {
        if (c.kind == CellKind::Integer) return rt::Variant(double(c.integer));
        if (c.kind == CellKind::Text)
            if (auto v = parseReal(c.bytes)) return rt::Variant(*v);
        return plainVariant(c);
    }
    if (t == adCurrency) {
        if (auto d = decimalOfCell(c)) {
            try {
                return rt::Variant(rt::Currency{d->toCurrency()});
            } catch (const rt::Error&) {
            }
        }
        return plainVariant(c);
    }
    if (isExactNumericType(t)) {
        if (auto d = decimalOfCell(c)) return rt::Variant(*d);
        return plainVariant(c);
    }
    if (isDateType(t)) {
        if (auto serial = serialOfCell(c)) {
            try {
                rt::civilFromSerial(*serial);  // in the date range
                return rt::Variant(rt::DateValue{*serial});
            } catch (const rt::Error&) {
            }
        }
        return plainVariant(c);
    }
    if (t == adBoolean) {
        if (c.kind == CellKind::Integer) return rt::Variant(c.integer != 0);
        if (c.kind == CellKind::Real) return rt::Variant(c.real != 0);
        if (c.kind == CellKind::Text)
            if (auto b = parseBool(c.bytes)) return rt::Variant(*b);
        return plainVariant(c);
    }
    if (t == adGUID) {
        if (c.kind == CellKind::Text) {
            if (auto g = canonicalGuid(c.bytes)) return rt::Variant(wide(*g));
        } else if (c.kind == CellKind::Blob && c.bytes.size() == 16) {
            return rt::Variant(wide(guidFromBytes(c.bytes)));
        }
        return plainVariant(c);
    }
    if (isBinaryType(t)) {
        if (c.kind == CellKind::Text || c.kind == CellKind::Blob) return bytesArray(c.bytes);
        return plainVariant(c);
    }
    // Text and everything else: text.
    switch (c.kind) {
        case CellKind::Text: return rt::Variant(wide(c.bytes));
        case CellKind::Integer: {
            std::string s;
            appendInt(s, c.integer);
            return rt::Variant(wide(s));
        }
        case CellKind::Real:
            if (t == adVariant) return rt::Variant(c.real);
            return rt::Variant(rt::doubleText(c.real));
        case CellKind::Blob: return rt::Variant(wide(c.bytes));
        default: return {};
    }
}

// ---- variant -> cell --------------------------------------------------------------------

namespace {

[[noreturn]] void cannotStore(const FieldInfo& f, const rt::Error* cause) {
    rt::Str d = u"The value cannot be stored in field '" + f.name + u"'";
    if (cause && !cause->description().empty()) d += u" (" + cause->description() + u")";
    d += u".";
    throw rt::Error::status(kMultipleStepErrors, d);
}

bool integerInRange(int64_t v, DataType t) {
    switch (t) {
        case adSmallInt: return v >= INT16_MIN && v <= INT16_MAX;
        case adInteger: return v >= INT32_MIN && v <= INT32_MAX;
        case adTinyInt: return v >= INT8_MIN && v <= INT8_MAX;
        case adUnsignedTinyInt: return v >= 0 && v <= 255;
        case adUnsignedSmallInt: return v >= 0 && v <= 65535;
        case adUnsignedInt: return v >= 0 && v <= int64_t(UINT32_MAX);
        case adUnsignedBigInt: return v >= 0;
        default: return true;
    }
}

Cell textCell(std::string s) {
    Cell c;
    c.kind = CellKind::Text;
    c.bytes = std::move(s);
    return c;
}

Cell integerCell(int64_t v) {
    Cell c;
    c.kind = CellKind::Integer;
    c.integer = v;
    return c;
}

Cell realCell(double v) {
    Cell c;
    c.kind = CellKind::Real;
    c.real = v;
    return c;
}

Cell cellOfPlainVariant(const rt::Variant& v) {
    switch (v.type()) {
        case rt::VT_I2:
        case rt::VT_I4:
        case rt::VT_I8: return integerCell(rt::toI8(v));
        case rt::VT_BOOL: return integerCell(v.boolean() ? 1 : 0);
        case rt::VT_R8: return realCell(v.r8());
        case rt::VT_CY: return textCell(rt::toUtf8(rt::Decimal::fromCurrency(v.cy()).toText()));
        case rt::VT_DECIMAL: return textCell(rt::toUtf8(v.decimal().toText()));
        case rt::VT_DATE: return textCell(isoDateText(v.date(), adDBTimeStamp));
        default: return textCell(rt::toUtf8(rt::toText(v)));
    }
}

}  // namespace

Cell cellFor(const rt::Variant& value, const FieldInfo& f) {
    // Read in place (no copy of a text) unless an object stands for its default value.
    const rt::Variant& given = value.deref();
    rt::Variant defaulted;
    if (given.isObject() && given.object()) defaulted = rt::defaultValueOf(given.object().get());
    const rt::Variant& v = given.isObject() && given.object() ? defaulted : given;
    if (v.isNull() || v.isEmpty() || v.isMissing()) return Cell();
    const DataType t = f.type;
    try {
        if (isIntegerType(t)) {
            const int64_t i = rt::toI8(v);
            if (!integerInRange(i, t)) rt::raise(rt::kErrOverflow);
            return integerCell(i);
        }
        if (t == adBoolean) return integerCell(rt::toBool(v) ? 1 : 0);
        if (isFloatType(t)) return realCell(rt::toDouble(v));
        if (t == adCurrency) return textCell(rt::toUtf8(rt::Decimal::fromCurrency(rt::toCurrency(v)).toText()));
        if (isExactNumericType(t)) {
            rt::Decimal d = rt::toDecimal(v);
            if (f.scale <= rt::Decimal::kMaxScale) d = d.roundAwayFromZero(f.scale);
            return textCell(rt::toUtf8(d.toText()));
        }
        if (isDateType(t)) return textCell(isoDateText(rt::toDate(v), t));
        if (t == adGUID) {
            auto g = canonicalGuid(rt::toUtf8(rt::toText(v)));
            if (!g) rt::raise(rt::kErrTypeMismatch);
            return textCell(*g);
        }
        if (isBinaryType(t)) {
            Cell c;
            c.kind = CellKind::Blob;
            if (v.isArray()) {
                for (const rt::Variant& item : v.array().items()) {
                    const int64_t b = rt::toI8(item);
                    if (b < 0 || b > 255) rt::raise(rt::kErrOverflow);
                    c.bytes.push_back(char(uint8_t(b)));
                }
            } else {
                c.bytes = rt::toUtf8(rt::toText(v));
            }
            return c;
        }
        if (isTextType(t)) return textCell(v.isString() ? rt::toUtf8(v.str()) : rt::toUtf8(rt::toText(v)));
        return cellOfPlainVariant(v);
    } catch (const rt::Error& e) {
        cannotStore(f, &e);
    }
}

// ---- persisted text forms ---------------------------------------------------------------

namespace {

// True when s is valid UTF-8 of characters XML 1.0 allows (no control characters but tab,
// line feed and carriage return, no surrogates, neither U+FFFE nor U+FFFF).
bool xmlCanCarry(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = p + s.size();
    while (p < end) {
        const unsigned lead = *p;
        if (lead < 0x80) {
            if (lead < 0x20 && lead != '\t' && lead != '\n' && lead != '\r') return false;
            ++p;
            continue;
        }
        size_t n = 0;
        uint32_t cp = 0;
        if ((lead & 0xE0) == 0xC0) {
            n = 2;
            cp = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            n = 3;
            cp = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            n = 4;
            cp = lead & 0x07;
        } else {
            return false;
        }
        if (size_t(end - p) < n) return false;
        for (size_t k = 1; k < n; ++k) {
            if ((p[k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[k] & 0x3F);
        }
        const bool overlong = (n == 2 && cp < 0x80) || (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
        if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF)
            return false;
        p += n;
    }
    return true;
}

// Text as XML can carry it: what it holds of valid UTF-8, without the characters XML 1.0
// forbids.
void appendXmlSafe(std::string& out, std::string_view s) {
    if (xmlCanCarry(s)) {
        out.append(s);
        return;
    }
    const rt::Str w = rt::fromUtf8(s);
    rt::Str kept;
    kept.reserve(w.size());
    for (size_t i = 0; i < w.size(); ++i) {
        const char16_t c = w[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF) {
            kept.push_back(c);
            kept.push_back(w[++i]);
            continue;
        }
        const bool allowed = (c >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r') && !(c >= 0xD800 && c <= 0xDFFF) &&
                             c != 0xFFFE && c != 0xFFFF;
        if (allowed) kept.push_back(c);
    }
    out += rt::toUtf8(kept);
}

void appendHex(std::string& out, std::string_view b) {
    static const char* digits = "0123456789abcdef";
    for (unsigned char c : b) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A real as the decimal it stands for (its 15 significant digits, as doubles convert to
// decimals), when that needs no exponent; false otherwise.
bool appendDecimalOfReal(std::string& out, double v) {
    auto plain = [](const char* b, const char* e, int& digits) {
        digits = 0;
        bool leading = true;
        for (const char* p = b; p != e; ++p) {
            if (*p == 'e' || *p == 'n' || *p == 'i') return false;  // exponent, nan, inf
            if (*p < '0' || *p > '9') continue;
            if (leading && *p == '0') continue;
            leading = false;
            ++digits;
        }
        return true;
    };
    // A decimal holds at most 28 digits in all (29 below 7.9e28): longer texts, however few
    // their significant digits, do not read back as one.
    auto fitsDecimal = [](const char* b, const char* e) {
        int all = 0;
        for (const char* p = b; p != e; ++p) all += *p >= '0' && *p <= '9';
        return all <= 28;
    };
    char buf[40];
    int digits = 0;
    // The shortest text that reads back as v is that decimal whenever it has at most 15
    // significant digits; otherwise round to 15.
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    if (r.ec == std::errc() && plain(buf, r.ptr, digits) && digits <= 15) {
        if (!fitsDecimal(buf, r.ptr)) return false;
        out.append(buf, r.ptr);
        return true;
    }
    r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    if (r.ec != std::errc() || !plain(buf, r.ptr, digits) || !fitsDecimal(buf, r.ptr)) return false;
    out.append(buf, r.ptr);
    return true;
}

// Dates already stored in the canonical form are rewritten without a round trip through
// the calendar: "YYYY-MM-DD HH:MM:SS" (or a date alone) to the format's "T" form.
bool appendCanonicalDate(std::string& out, std::string_view s, DataType t) {
    auto digits = [&](size_t pos, size_t n, int& v) {
        v = 0;
        for (size_t i = 0; i < n; ++i) {
            const char c = s[pos + i];
            if (c < '0' || c > '9') return false;
            v = v * 10 + (c - '0');
        }
        return true;
    };
    int y, mo, d, h = 0, mi = 0, sec = 0;
    if (t == adDBTime || (s.size() != 10 && s.size() != 19)) return false;
    if (!digits(0, 4, y) || s[4] != '-' || !digits(5, 2, mo) || s[7] != '-' || !digits(8, 2, d)) return false;
    if (y < 100 || !rt::isValidCivilDate(y, mo, d)) return false;
    if (s.size() == 19 && (s[10] != ' ' || !digits(11, 2, h) || s[13] != ':' || !digits(14, 2, mi) || s[16] != ':' ||
                           !digits(17, 2, sec) || h > 23 || mi > 59 || sec > 59))
        return false;
    if (t == adDBDate && h + mi + sec != 0) return false;  // a time of day the date form would drop
    out.append(s.substr(0, 10));
    if (t == adDBDate) return true;
    if (s.size() == 19) {
        out.push_back('T');
        out.append(s.substr(11));
    } else {
        out.append("T00:00:00");
    }
    return true;
}

// Exactly the same value: the same type, and the same content.
bool sameValue(const rt::Variant& a, const rt::Variant& b) {
    if (a.type() != b.type()) return false;
    if (a.isArray()) {
        const auto& x = a.array().items();
        const auto& y = b.array().items();
        return x.size() == y.size() && std::equal(x.begin(), x.end(), y.begin(), sameValue);
    }
    switch (a.type()) {
        case rt::VT_EMPTY:
        case rt::VT_NULL: return true;
        case rt::VT_I2:
        case rt::VT_I4:
        case rt::VT_I8:
        case rt::VT_BOOL:
        case rt::VT_CY: return a.i8() == b.i8();
        case rt::VT_R8:
        case rt::VT_DATE: {
            const double x = a.type() == rt::VT_R8 ? a.r8() : a.date(), y = b.type() == rt::VT_R8 ? b.r8() : b.date();
            return x == y || (std::isnan(x) && std::isnan(y));
        }
        case rt::VT_DECIMAL: return a.decimal() == b.decimal();
        case rt::VT_BSTR: return a.str() == b.str();
        default: return false;
    }
}

// The text of the value a cell reads as in its field.
void appendValueText(std::string& out, const rt::Variant& v, CellView c, DataType t) {
    switch (v.type()) {
        case rt::VT_BOOL: out += v.boolean() ? "True" : "False"; break;
        case rt::VT_DATE: out += isoDateText(v.date(), t == adDBDate || t == adDBTime ? t : adDBTimeStamp, 'T'); break;
        case rt::VT_CY: out += rt::toUtf8(rt::Decimal::fromCurrency(v.cy()).toText()); break;
        case rt::VT_DECIMAL: out += rt::toUtf8(v.decimal().toText()); break;
        case rt::VT_R8: appendReal(out, v.r8()); break;
        case rt::VT_I2:
        case rt::VT_I4:
        case rt::VT_I8: appendInt(out, rt::toI8(v)); break;
        case rt::VT_BSTR: {
            std::string s = rt::toUtf8(v.str());
            if (t == adGUID && s.size() == 38 && s.front() == '{') s = s.substr(1, 36);
            appendXmlSafe(out, s);
            break;
        }
        default:
            if (v.isArray()) {
                std::string bytes;
                for (const rt::Variant& item : v.array().items()) bytes.push_back(char(uint8_t(rt::toI8(item))));
                appendHex(out, bytes);
            } else {
                appendXmlSafe(out, c.bytes);
            }
            break;
    }
}

// A cell in its storage class's own form, with the mark that says so (see appendXmlText).
void appendMarked(std::string& out, CellView c, std::string& mark) {
    switch (c.kind) {
        case CellKind::Integer:
            appendInt(out, c.integer);
            mark = "i";
            return;
        case CellKind::Real:
            appendReal(out, c.real);
            mark = "r";
            return;
        case CellKind::Text:
            if (xmlCanCarry(c.bytes)) {
                out.append(c.bytes);
                mark = "t";
            } else {
                appendXmlSafe(out, c.bytes);
                mark = "h:";
                appendHex(mark, c.bytes);
            }
            return;
        case CellKind::Blob:
            appendHex(out, c.bytes);
            mark = "b";
            return;
        case CellKind::Null: return;
    }
}

std::optional<std::string> bytesOfHex(std::string_view s) {
    if (s.size() % 2) return std::nullopt;
    std::string bytes;
    bytes.reserve(s.size() / 2);
    for (size_t i = 0; i < s.size(); i += 2) {
        const int hi = hexValue(s[i]), lo = hexValue(s[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes.push_back(char(hi * 16 + lo));
    }
    return bytes;
}

}  // namespace

bool appendXmlText(std::string& out, CellView c, const FieldInfo& f, std::string& mark) {
    mark.clear();
    if (c.kind == CellKind::Null) return false;
    const DataType t = f.type;
    // The usual cells, whose text reads back as them.
    if (isIntegerType(t) && c.kind == CellKind::Integer) {
        appendInt(out, c.integer);
        return true;
    }
    if (isTextType(t) && c.kind == CellKind::Text) {
        if (xmlCanCarry(c.bytes))
            out.append(c.bytes);
        else
            appendMarked(out, c, mark);
        return true;
    }
    if (t == adBoolean && c.kind == CellKind::Integer) {
        out += c.integer ? "True" : "False";
        return true;
    }
    if (isFloatType(t) && (c.kind == CellKind::Real || c.kind == CellKind::Integer)) {
        appendReal(out, c.kind == CellKind::Real ? c.real : double(c.integer));
        return true;
    }
    if (isBinaryType(t) && (c.kind == CellKind::Blob || c.kind == CellKind::Text)) {
        appendHex(out, c.bytes);
        return true;
    }
    if (t != adCurrency && isExactNumericType(t) && c.kind == CellKind::Real && appendDecimalOfReal(out, c.real))
        return true;
    if (isDateType(t) && c.kind == CellKind::Text && appendCanonicalDate(out, c.bytes, t)) return true;

    // The text of the value the cell reads as, when that reads back as the same value.
    const size_t start = out.size();
    const rt::Variant v = variantOf(c, f);
    appendValueText(out, v, c, t);
    if (v.type() == rt::VT_DECIMAL || v.type() == rt::VT_CY) return true;  // exact by construction
    const std::string_view written(out.data() + start, out.size() - start);
    if (sameValue(variantOf(cellFromXmlText(written, f).view(), f), v)) return true;
    out.resize(start);
    appendMarked(out, c, mark);
    return true;
}

std::optional<Cell> cellFromMarkedXmlText(std::string_view s, std::string_view mark) {
    if (mark == "i") {
        if (auto v = parseInt(s)) return integerCell(*v);
    } else if (mark == "r") {
        if (auto v = parseReal(s)) return realCell(*v);
    } else if (mark == "t") {
        return textCell(std::string(s));
    } else if (mark == "b") {
        if (auto bytes = bytesOfHex(s)) {
            Cell c;
            c.kind = CellKind::Blob;
            c.bytes = std::move(*bytes);
            return c;
        }
    } else if (mark.substr(0, 2) == "h:") {
        if (auto bytes = bytesOfHex(mark.substr(2))) return textCell(std::move(*bytes));
    }
    return std::nullopt;
}

Cell cellFromXmlText(std::string_view s, const FieldInfo& f) {
    const DataType t = f.type;
    if (isIntegerType(t)) {
        if (auto v = parseInt(s)) return integerCell(*v);
        if (auto r = parseReal(s); r && std::nearbyint(*r) == *r && std::fabs(*r) < 9.2e18)
            return integerCell(int64_t(*r));
        return textCell(std::string(s));
    }
    if (t == adBoolean) {
        if (auto b = parseBool(s)) return integerCell(*b ? 1 : 0);
        return textCell(std::string(s));
    }
    if (isFloatType(t)) {
        if (auto r = parseReal(s)) return realCell(*r);
        return textCell(std::string(s));
    }
    if (isDateType(t)) {
        if (auto serial = parseIsoDate(s)) return textCell(isoDateText(*serial, t));
        return textCell(std::string(s));
    }
    if (t == adGUID) {
        if (auto g = canonicalGuid(s)) return textCell(*g);
        return textCell(std::string(s));
    }
    if (isBinaryType(t)) {
        Cell c;
        c.kind = CellKind::Blob;
        if (s.size() % 2 == 0) {
            c.bytes.reserve(s.size() / 2);
            for (size_t i = 0; i < s.size(); i += 2) {
                int hi = hexValue(s[i]), lo = hexValue(s[i + 1]);
                if (hi < 0 || lo < 0) return textCell(std::string(s));
                c.bytes.push_back(char(hi * 16 + lo));
            }
            return c;
        }
        return textCell(std::string(s));
    }
    return textCell(std::string(s));
}

}  // namespace ado
