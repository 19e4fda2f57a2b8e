#include "odbc_types.h"

#include <algorithm>
#include <cstdio>

#include "dataaccess/values.h"

namespace ado::odbc {

namespace {

// SQL Server's own types, as its drivers report them.
constexpr SQLSMALLINT kSqlSsVariant = -150;
constexpr SQLSMALLINT kSqlSsUdt = -151;
constexpr SQLSMALLINT kSqlSsXml = -152;
constexpr SQLSMALLINT kSqlSsTime2 = -154;
constexpr SQLSMALLINT kSqlSsTimestampOffset = -155;

struct TypeMapping {
    SQLSMALLINT sqlType;
    DataType signedType;
    DataType unsignedType;
    Fetch fetch;
    enum Size : uint8_t { Fixed, Length, Digits, Variable, Long } size;
    DataType longType;  // the type of a Variable column too wide to bind
};

// The ODBC types and the ADO types they are reported as.
constexpr TypeMapping kTypes[] = {
    {SQL_BIT, adBoolean, adBoolean, Fetch::Integer, TypeMapping::Fixed, adEmpty},
    {SQL_TINYINT, adTinyInt, adUnsignedTinyInt, Fetch::Integer, TypeMapping::Fixed, adEmpty},
    {SQL_SMALLINT, adSmallInt, adUnsignedSmallInt, Fetch::Integer, TypeMapping::Fixed, adEmpty},
    {SQL_INTEGER, adInteger, adUnsignedInt, Fetch::Integer, TypeMapping::Fixed, adEmpty},
    {SQL_BIGINT, adBigInt, adUnsignedBigInt, Fetch::Integer, TypeMapping::Fixed, adEmpty},
    {SQL_REAL, adSingle, adSingle, Fetch::Single, TypeMapping::Fixed, adEmpty},
    {SQL_FLOAT, adDouble, adDouble, Fetch::Real, TypeMapping::Fixed, adEmpty},
    {SQL_DOUBLE, adDouble, adDouble, Fetch::Real, TypeMapping::Fixed, adEmpty},
    {SQL_NUMERIC, adNumeric, adNumeric, Fetch::Exact, TypeMapping::Digits, adEmpty},
    {SQL_DECIMAL, adNumeric, adNumeric, Fetch::Exact, TypeMapping::Digits, adEmpty},
    {SQL_TYPE_DATE, adDBDate, adDBDate, Fetch::Date, TypeMapping::Fixed, adEmpty},
    {SQL_DATE, adDBDate, adDBDate, Fetch::Date, TypeMapping::Fixed, adEmpty},
    {SQL_TYPE_TIME, adDBTime, adDBTime, Fetch::Time, TypeMapping::Fixed, adEmpty},
    {SQL_TIME, adDBTime, adDBTime, Fetch::Time, TypeMapping::Fixed, adEmpty},
    {kSqlSsTime2, adDBTime, adDBTime, Fetch::Time, TypeMapping::Fixed, adEmpty},
    {SQL_TYPE_TIMESTAMP, adDBTimeStamp, adDBTimeStamp, Fetch::Timestamp, TypeMapping::Fixed, adEmpty},
    {SQL_TIMESTAMP, adDBTimeStamp, adDBTimeStamp, Fetch::Timestamp, TypeMapping::Fixed, adEmpty},
    {SQL_GUID, adGUID, adGUID, Fetch::Guid, TypeMapping::Fixed, adEmpty},
    {SQL_CHAR, adChar, adChar, Fetch::Text, TypeMapping::Length, adEmpty},
    {SQL_VARCHAR, adVarChar, adVarChar, Fetch::Text, TypeMapping::Variable, adLongVarChar},
    {SQL_LONGVARCHAR, adLongVarChar, adLongVarChar, Fetch::Text, TypeMapping::Long, adEmpty},
    {SQL_WCHAR, adWChar, adWChar, Fetch::Text, TypeMapping::Length, adEmpty},
    {SQL_WVARCHAR, adVarWChar, adVarWChar, Fetch::Text, TypeMapping::Variable, adLongVarWChar},
    {SQL_WLONGVARCHAR, adLongVarWChar, adLongVarWChar, Fetch::Text, TypeMapping::Long, adEmpty},
    {kSqlSsXml, adLongVarWChar, adLongVarWChar, Fetch::Text, TypeMapping::Long, adEmpty},
    {SQL_BINARY, adBinary, adBinary, Fetch::Binary, TypeMapping::Length, adEmpty},
    {SQL_VARBINARY, adVarBinary, adVarBinary, Fetch::Binary, TypeMapping::Variable, adLongVarBinary},
    {SQL_LONGVARBINARY, adLongVarBinary, adLongVarBinary, Fetch::Binary, TypeMapping::Long, adEmpty},
    {kSqlSsUdt, adLongVarBinary, adLongVarBinary, Fetch::Binary, TypeMapping::Long, adEmpty},
    {kSqlSsVariant, adVarWChar, adVarWChar, Fetch::Text, TypeMapping::Variable, adLongVarWChar},
    {kSqlSsTimestampOffset, adVarWChar, adVarWChar, Fetch::Text, TypeMapping::Variable, adLongVarWChar},
};

// Interval types and anything else: text of at most this many characters when the driver
// gives no size.
constexpr SQLULEN kDefaultTextSize = 255;

const TypeMapping* mappingOf(SQLSMALLINT sqlType) {
    for (const TypeMapping& m : kTypes)
        if (m.sqlType == sqlType) return &m;
    return nullptr;
}

bool isMoneyTypeName(rt::StrView name) {
    return rt::equalsAsciiNoCase(name, u"money") || rt::equalsAsciiNoCase(name, u"smallmoney");
}

int32_t sizeOf(SQLULEN size) { return size > SQLULEN(INT32_MAX) ? INT32_MAX : int32_t(size); }

SQLLEN bufferBytesOf(Fetch fetch, SQLULEN size) {
    switch (fetch) {
        case Fetch::Integer:
        case Fetch::Real:
        case Fetch::Single: return 8;
        case Fetch::Exact:
        case Fetch::Money: return SQLLEN(std::max<SQLULEN>(size + 8, 64));  // sign, point, symbols
        case Fetch::Date: return sizeof(SQL_DATE_STRUCT);
        case Fetch::Time: return sizeof(SQL_TIME_STRUCT);
        case Fetch::Timestamp: return sizeof(SQL_TIMESTAMP_STRUCT);
        case Fetch::Guid: return 48;
        case Fetch::Text: return SQLLEN((std::max<SQLULEN>(size, 1) * 2 + 1) * sizeof(SQLWCHAR));  // surrogates
        case Fetch::Binary: return SQLLEN(std::max<SQLULEN>(size, 1));
    }
    return 0;
}

SQLSMALLINT cTypeOf(Fetch fetch) {
    switch (fetch) {
        case Fetch::Integer: return SQL_C_SBIGINT;
        case Fetch::Real:
        case Fetch::Single: return SQL_C_DOUBLE;
        case Fetch::Exact:
        case Fetch::Money:
        case Fetch::Guid: return SQL_C_CHAR;
        case Fetch::Date: return SQL_C_TYPE_DATE;
        case Fetch::Time: return SQL_C_TYPE_TIME;
        case Fetch::Timestamp: return SQL_C_TYPE_TIMESTAMP;
        case Fetch::Text: return SQL_C_WCHAR;
        case Fetch::Binary: return SQL_C_BINARY;
    }
    return SQL_C_WCHAR;
}

FieldInfo fieldOf(const ColumnDescriptor& d, const TypeMapping* m, Fetch& fetch, bool& isLong) {
    isLong = false;
    if (!m) {
        fetch = Fetch::Text;
        return fieldOfType({}, adVarWChar, sizeOf(d.size ? d.size : kDefaultTextSize));
    }
    fetch = m->fetch;
    const DataType type = d.isUnsigned ? m->unsignedType : m->signedType;
    if (isMoneyTypeName(d.typeName) && (m->fetch == Fetch::Exact || m->fetch == Fetch::Real)) {
        fetch = Fetch::Money;
        return fieldOfType({}, adCurrency);
    }
    switch (m->size) {
        case TypeMapping::Fixed:
            if (type == adDBTimeStamp) return fieldOfType({}, type, -1, -1, std::clamp<int>(d.digits, 0, 9));
            return fieldOfType({}, type);
        case TypeMapping::Digits:
            return fieldOfType({}, type, -1, int(std::min<SQLULEN>(d.size ? d.size : 38, 255)),
                               std::max<int>(d.digits, 0));
        case TypeMapping::Length: {
            if (d.size == 0 || d.size > kLongColumnSize) {
                isLong = true;
                return fieldOfType({}, fetch == Fetch::Binary ? adLongVarBinary
                                                              : (type == adWChar ? adLongVarWChar : adLongVarChar));
            }
            return fieldOfType({}, type, sizeOf(d.size));
        }
        case TypeMapping::Variable:
            if (d.size == 0 || d.size > kLongColumnSize) {
                isLong = true;
                return fieldOfType({}, m->longType);
            }
            return fieldOfType({}, type, sizeOf(d.size));
        case TypeMapping::Long: isLong = true; return fieldOfType({}, type);
    }
    return fieldOfType({}, type);
}

}  // namespace

ColumnPlan planColumn(const ColumnDescriptor& d) {
    ColumnPlan plan;
    plan.field = fieldOf(d, mappingOf(d.sqlType), plan.fetch, plan.isLong);
    FieldInfo& f = plan.field;
    f.name = d.name;
    f.nullable = d.nullable != SQL_NO_NULLS;
    f.mayBeNull = f.nullable;
    f.autoIncrement = d.autoUnique;
    f.baseCatalog = d.baseCatalog;
    f.baseSchema = d.baseSchema;
    f.baseTable = d.baseTable;
    f.baseColumn = d.baseColumn;
    f.write = !d.baseTable.empty() && !d.baseColumn.empty() ? Writability::Writable : Writability::ReadOnly;
    if (f.write == Writability::ReadOnly) {
        // An expression: it may always be null, whatever the driver guessed.
        f.nullable = true;
        f.mayBeNull = true;
    }
    plan.cType = cTypeOf(plan.fetch);
    plan.bufferBytes = plan.isLong ? 0 : bufferBytesOf(plan.fetch, d.size);
    return plan;
}

std::string plainMoneyText(std::string_view text) {
    std::string out;
    bool negative = false, digits = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            out.push_back(c);
            digits = true;
        } else if (c == '.') {
            out.push_back(c);
        } else if (c == '-' || c == '(') {
            negative = true;
        }
    }
    if (!digits) return std::string(text);
    return negative ? "-" + out : out;
}

namespace {

void putBytes(Parameter& p, const void* data, size_t n) {
    p.bytes.assign(static_cast<const char*>(data), n);
    p.indicator = SQLLEN(n);
}

struct DateParts {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    uint32_t fraction = 0;  // nanoseconds
};

bool readNumber(std::string_view s, size_t& i, size_t n, int& out) {
    if (i + n > s.size()) return false;
    out = 0;
    for (size_t k = 0; k < n; ++k) {
        const char c = s[i + k];
        if (c < '0' || c > '9') return false;
        out = out * 10 + (c - '0');
    }
    i += n;
    return true;
}

bool readTimeParts(std::string_view s, size_t& i, DateParts& p) {
    if (!readNumber(s, i, 2, p.hour) || i >= s.size() || s[i++] != ':' || !readNumber(s, i, 2, p.minute)) return false;
    if (i < s.size() && s[i] == ':') {
        ++i;
        if (!readNumber(s, i, 2, p.second)) return false;
        if (i < s.size() && s[i] == '.') {
            ++i;
            uint32_t scale = 100000000;
            while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
                p.fraction += uint32_t(s[i] - '0') * scale;
                scale /= 10;
                ++i;
            }
        }
    }
    return true;
}

// The parts of a date cell in its canonical ISO form ("YYYY-MM-DD[ HH:MM:SS[.f]]" or a time).
bool readDateParts(std::string_view s, DateParts& p) {
    size_t i = 0;
    if (s.size() >= 5 && s[2] == ':') return readTimeParts(s, i, p) && i == s.size();
    if (!readNumber(s, i, 4, p.year) || i >= s.size() || s[i++] != '-' || !readNumber(s, i, 2, p.month) ||
        i >= s.size() || s[i++] != '-' || !readNumber(s, i, 2, p.day))
        return false;
    if (i == s.size()) return true;
    if (s[i] != ' ' && s[i] != 'T') return false;
    ++i;
    return readTimeParts(s, i, p) && i == s.size();
}

// The fraction rounded down to the digits the column keeps, in nanoseconds.
uint32_t fractionAt(uint32_t nanoseconds, int digits) {
    uint32_t unit = 1;
    for (int k = digits; k < 9; ++k) unit *= 10;
    return nanoseconds / unit * unit;
}

Parameter dateParameter(CellView cell, const FieldInfo& f) {
    DateParts d;
    if (!readDateParts(cell.bytes, d)) {
        // Not in the record set's own form: the database may still read it.
        Parameter p;
        rt::Str w = rt::fromUtf8(cell.bytes);
        putBytes(p, w.data(), w.size() * sizeof(char16_t));
        p.cType = SQL_C_WCHAR;
        p.sqlType = SQL_WVARCHAR;
        p.columnSize = std::max<SQLULEN>(w.size(), 1);
        return p;
    }
    Parameter p;
    if (f.type == adDBDate) {
        SQL_DATE_STRUCT v{SQLSMALLINT(d.year), SQLUSMALLINT(d.month), SQLUSMALLINT(d.day)};
        putBytes(p, &v, sizeof v);
        p.cType = SQL_C_TYPE_DATE;
        p.sqlType = SQL_TYPE_DATE;
        p.columnSize = 10;
        return p;
    }
    if (f.type == adDBTime) {
        SQL_TIME_STRUCT v{SQLUSMALLINT(d.hour), SQLUSMALLINT(d.minute), SQLUSMALLINT(d.second)};
        putBytes(p, &v, sizeof v);
        p.cType = SQL_C_TYPE_TIME;
        p.sqlType = SQL_TYPE_TIME;
        p.columnSize = 8;
        return p;
    }
    // A time alone in a timestamp column is a time of the zero day.
    if (d.year == 0) {
        d.year = 1899;
        d.month = 12;
        d.day = 30;
    }
    const int digits = f.scale <= 9 ? f.scale : 3;
    SQL_TIMESTAMP_STRUCT v{SQLSMALLINT(d.year),   SQLUSMALLINT(d.month),  SQLUSMALLINT(d.day),
                           SQLUSMALLINT(d.hour),  SQLUSMALLINT(d.minute), SQLUSMALLINT(d.second),
                           SQLUINTEGER(fractionAt(d.fraction, digits))};
    putBytes(p, &v, sizeof v);
    p.cType = SQL_C_TYPE_TIMESTAMP;
    p.sqlType = SQL_TYPE_TIMESTAMP;
    p.digits = SQLSMALLINT(digits);
    p.columnSize = SQLULEN(digits ? 20 + digits : 19);
    return p;
}

SQLSMALLINT integerSqlType(DataType t) {
    switch (t) {
        case adBoolean: return SQL_BIT;
        case adTinyInt:
        case adUnsignedTinyInt: return SQL_TINYINT;
        case adSmallInt:
        case adUnsignedSmallInt: return SQL_SMALLINT;
        case adInteger:
        case adUnsignedInt: return SQL_INTEGER;
        default: return SQL_BIGINT;
    }
}

bool isNationalText(DataType t) {
    return t == adWChar || t == adVarWChar || t == adLongVarWChar || t == adBSTR || t == adGUID;
}

Parameter textParameter(std::string_view utf8, const FieldInfo& f) {
    Parameter p;
    const rt::Str w = rt::fromUtf8(utf8);
    putBytes(p, w.data(), w.size() * sizeof(char16_t));
    p.cType = SQL_C_WCHAR;
    const bool isLong = w.size() > 4000;
    if (isNationalText(f.type) || !isTextType(f.type))
        p.sqlType = isLong ? SQL_WLONGVARCHAR : SQL_WVARCHAR;
    else
        p.sqlType = isLong ? SQL_LONGVARCHAR : SQL_VARCHAR;
    p.columnSize = std::max<SQLULEN>(w.size(), 1);
    return p;
}

Parameter nullParameter(const FieldInfo& f) {
    Parameter p;
    p.indicator = SQL_NULL_DATA;
    if (isBinaryType(f.type)) {
        p.cType = SQL_C_BINARY;
        p.sqlType = SQL_VARBINARY;
    } else if (isIntegerType(f.type) || f.type == adBoolean) {
        p.cType = SQL_C_SBIGINT;
        p.sqlType = integerSqlType(f.type);
    } else if (isFloatType(f.type)) {
        p.cType = SQL_C_DOUBLE;
        p.sqlType = SQL_DOUBLE;
    } else if (isDateType(f.type)) {
        p.cType = SQL_C_TYPE_TIMESTAMP;
        p.sqlType = f.type == adDBDate ? SQL_TYPE_DATE : f.type == adDBTime ? SQL_TYPE_TIME : SQL_TYPE_TIMESTAMP;
    } else {
        p.cType = SQL_C_WCHAR;
        p.sqlType = isTextType(f.type) && !isNationalText(f.type) ? SQL_VARCHAR : SQL_WVARCHAR;
    }
    p.columnSize = 1;
    return p;
}

}  // namespace

Parameter parameterFor(CellView cell, const FieldInfo& f) {
    switch (cell.kind) {
        case CellKind::Null: return nullParameter(f);
        case CellKind::Integer: {
            Parameter p;
            if (f.type == adBoolean) {
                const unsigned char b = cell.integer != 0;
                putBytes(p, &b, 1);
                p.cType = SQL_C_BIT;
                p.sqlType = SQL_BIT;
                p.columnSize = 1;
                return p;
            }
            if (isFloatType(f.type) || isExactNumericType(f.type) || isIntegerType(f.type)) {
                const SQLBIGINT v = cell.integer;
                putBytes(p, &v, sizeof v);
                p.cType = SQL_C_SBIGINT;
                p.sqlType = isIntegerType(f.type) ? integerSqlType(f.type) : SQL_BIGINT;
                p.columnSize = 19;
                return p;
            }
            return textParameter(std::to_string(cell.integer), f);
        }
        case CellKind::Real: {
            if (!isFloatType(f.type) && !isExactNumericType(f.type) && !isIntegerType(f.type)) {
                char buf[32];
                std::snprintf(buf, sizeof buf, "%.17g", cell.real);
                return textParameter(buf, f);
            }
            Parameter p;
            putBytes(p, &cell.real, sizeof cell.real);
            p.cType = SQL_C_DOUBLE;
            p.sqlType = f.type == adSingle ? SQL_REAL : SQL_DOUBLE;
            p.columnSize = 15;
            return p;
        }
        case CellKind::Text:
            if (isDateType(f.type)) return dateParameter(cell, f);
            return textParameter(cell.bytes, f);
        case CellKind::Blob: {
            Parameter p;
            putBytes(p, cell.bytes.data(), cell.bytes.size());
            p.cType = SQL_C_BINARY;
            p.sqlType = cell.bytes.size() > kLongColumnSize ? SQL_LONGVARBINARY : SQL_VARBINARY;
            p.columnSize = std::max<SQLULEN>(cell.bytes.size(), 1);
            return p;
        }
    }
    return nullParameter(f);
}

}  // namespace ado::odbc
