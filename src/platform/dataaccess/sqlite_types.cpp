#include "sqlite_types.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace ado::sqlite {

namespace {

struct Declared {
    std::string base;  // upper case, inner spaces folded to one
    int args[2] = {-1, -1};
    bool max = false;  // "(MAX)"
};

Declared parseDeclared(std::string_view s) {
    Declared d;
    size_t i = 0;
    while (i < s.size() && s[i] != '(') {
        const char c = char(std::toupper(static_cast<unsigned char>(s[i])));
        if (c == ' ' || c == '\t') {
            if (!d.base.empty() && d.base.back() != ' ') d.base.push_back(' ');
        } else {
            d.base.push_back(c);
        }
        ++i;
    }
    while (!d.base.empty() && d.base.back() == ' ') d.base.pop_back();
    if (i < s.size()) {
        int n = 0;
        ++i;
        while (i < s.size() && s[i] != ')' && n < 2) {
            while (i < s.size() && s[i] == ' ') ++i;
            if (i + 3 <= s.size() && std::toupper(static_cast<unsigned char>(s[i])) == 'M' &&
                std::toupper(static_cast<unsigned char>(s[i + 1])) == 'A' &&
                std::toupper(static_cast<unsigned char>(s[i + 2])) == 'X') {
                d.max = true;
                i += 3;
            } else {
                int v = 0;
                bool any = false;
                while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
                    v = v * 10 + (s[i] - '0');
                    if (v > 100000000) v = 100000000;
                    any = true;
                    ++i;
                }
                if (any) d.args[n] = v;
            }
            while (i < s.size() && s[i] == ' ') ++i;
            if (i < s.size() && s[i] == ',') ++i;
            ++n;
        }
    }
    return d;
}

enum class Sized { None, Length, PrecisionScale };

struct Mapping {
    const char* name;
    DataType type;
    Sized sized;
    DataType maxType;  // the type of "(MAX)", for variable text and binary
};

// The declared types the library's databases use, and what ADO calls them.
constexpr Mapping kMappings[] = {
    {"INTEGER", adInteger, Sized::None, adEmpty},
    {"INT", adInteger, Sized::None, adEmpty},
    {"SMALLINT", adSmallInt, Sized::None, adEmpty},
    {"TINYINT", adUnsignedTinyInt, Sized::None, adEmpty},
    {"BIGINT", adBigInt, Sized::None, adEmpty},
    {"REAL", adSingle, Sized::None, adEmpty},
    {"FLOAT", adDouble, Sized::None, adEmpty},
    {"DOUBLE", adDouble, Sized::None, adEmpty},
    {"DOUBLE PRECISION", adDouble, Sized::None, adEmpty},
    {"DECIMAL", adNumeric, Sized::PrecisionScale, adEmpty},
    {"NUMERIC", adNumeric, Sized::PrecisionScale, adEmpty},
    {"MONEY", adCurrency, Sized::None, adEmpty},
    {"SMALLMONEY", adCurrency, Sized::None, adEmpty},
    {"BIT", adBoolean, Sized::None, adEmpty},
    {"BOOLEAN", adBoolean, Sized::None, adEmpty},
    {"BOOL", adBoolean, Sized::None, adEmpty},
    {"DATE", adDBDate, Sized::None, adEmpty},
    {"TIME", adDBTime, Sized::None, adEmpty},
    {"DATETIME", adDBTimeStamp, Sized::None, adEmpty},
    {"DATETIME2", adDBTimeStamp, Sized::None, adEmpty},
    {"SMALLDATETIME", adDBTimeStamp, Sized::None, adEmpty},
    {"TIMESTAMP", adDBTimeStamp, Sized::None, adEmpty},
    {"CHAR", adChar, Sized::Length, adEmpty},
    {"CHARACTER", adChar, Sized::Length, adEmpty},
    {"NCHAR", adWChar, Sized::Length, adEmpty},
    {"VARCHAR", adVarChar, Sized::Length, adLongVarChar},
    {"CHARACTER VARYING", adVarChar, Sized::Length, adLongVarChar},
    {"NVARCHAR", adVarWChar, Sized::Length, adLongVarWChar},
    {"TEXT", adLongVarChar, Sized::None, adEmpty},
    {"CLOB", adLongVarChar, Sized::None, adEmpty},
    {"NTEXT", adLongVarWChar, Sized::None, adEmpty},
    {"BLOB", adLongVarBinary, Sized::None, adEmpty},
    {"IMAGE", adLongVarBinary, Sized::None, adEmpty},
    {"BINARY", adBinary, Sized::Length, adEmpty},
    {"VARBINARY", adVarBinary, Sized::Length, adLongVarBinary},
    {"UNIQUEIDENTIFIER", adGUID, Sized::None, adEmpty},
    {"GUID", adGUID, Sized::None, adEmpty},
    {"UUID", adGUID, Sized::None, adEmpty},
};

// SQLite's own rules for type names it does not know.
FieldInfo byAffinity(const std::string& base, const Declared& d) {
    if (base.find("INT") != std::string::npos) return fieldOfType({}, adInteger);
    if (base.find("CHAR") != std::string::npos || base.find("CLOB") != std::string::npos ||
        base.find("TEXT") != std::string::npos)
        return d.args[0] > 0 ? fieldOfType({}, adVarWChar, d.args[0]) : fieldOfType({}, adLongVarWChar);
    if (base.find("BLOB") != std::string::npos) return fieldOfType({}, adLongVarBinary);
    if (base.find("REAL") != std::string::npos || base.find("FLOA") != std::string::npos ||
        base.find("DOUB") != std::string::npos)
        return fieldOfType({}, adDouble);
    return fieldOfType({}, adNumeric, -1, d.args[0] > 0 ? d.args[0] : -1, d.args[1] >= 0 ? d.args[1] : -1);
}

}  // namespace

FieldInfo fieldForDeclaredType(std::string_view declared) {
    const Declared d = parseDeclared(declared);
    if (d.base.empty()) return fieldOfType({}, adVarWChar);
    for (const Mapping& m : kMappings) {
        if (d.base != m.name) continue;
        if (d.max && m.maxType != adEmpty) return fieldOfType({}, m.maxType);
        switch (m.sized) {
            case Sized::Length: {
                int n = d.args[0];
                if (n <= 0) n = m.type == adVarChar || m.type == adVarWChar || m.type == adVarBinary ? 255 : 1;
                return fieldOfType({}, m.type, n);
            }
            case Sized::PrecisionScale: {
                const int p = d.args[0] > 0 ? std::min(d.args[0], 38) : 18;
                const int s = d.args[1] >= 0 ? std::min(d.args[1], p) : 0;
                return fieldOfType({}, m.type, -1, p, s);
            }
            case Sized::None: return fieldOfType({}, m.type);
        }
    }
    return byAffinity(d.base, d);
}

FieldInfo typeFromValues(const ValueKinds& k) {
    if (k.text) {
        const size_t n = std::max<size_t>(k.longestText, 1);
        return n > 4000 ? fieldOfType({}, adLongVarWChar) : fieldOfType({}, adVarWChar, int32_t(n));
    }
    if (k.blob) return fieldOfType({}, adLongVarBinary);
    if (k.real) return fieldOfType({}, adDouble);
    if (k.integer) return fieldOfType({}, k.integerBeyond32Bits ? adBigInt : adInteger);
    return fieldOfType({}, adVarWChar);
}

}  // namespace ado::sqlite
