// Data types of ODBC result columns: which ADO field type a column's descriptor maps to, how
// its values are fetched into cells, and how a cell travels back as a statement parameter.
#pragma once

#include "odbc_api.h"
#include "dataaccess/rowset.h"

namespace ado::odbc {

// What the driver tells about one result column (SQLDescribeCol, SQLColAttribute).
struct ColumnDescriptor {
    rt::Str name;
    SQLSMALLINT sqlType = SQL_UNKNOWN_TYPE;
    SQLULEN size = 0;        // column size: characters, digits or bytes; 0 when unbounded
    SQLSMALLINT digits = 0;  // decimal digits: scale, or fraction digits of a time
    SQLSMALLINT nullable = SQL_NULLABLE_UNKNOWN;
    bool isUnsigned = false;
    bool autoUnique = false;
    rt::Str typeName;  // the database's own name for the type ("money", "uuid", ...)
    rt::Str baseCatalog, baseSchema, baseTable, baseColumn;
};

// How a column's values are fetched and the cell form they are stored in.
enum class Fetch : uint8_t {
    Integer,    // SQL_C_SBIGINT -> Integer (booleans as 0 / 1)
    Real,       // SQL_C_DOUBLE -> Real
    Single,     // SQL_C_DOUBLE -> Real, at the precision of a 4-byte float
    Exact,      // SQL_C_CHAR -> decimal Text
    Money,      // SQL_C_CHAR -> decimal Text, currency symbols and grouping removed
    Date,       // SQL_C_TYPE_DATE -> "YYYY-MM-DD"
    Time,       // SQL_C_TYPE_TIME -> "HH:MM:SS"
    Timestamp,  // SQL_C_TYPE_TIMESTAMP -> "YYYY-MM-DD HH:MM:SS[.ffffff]"
    Guid,       // SQL_C_CHAR -> "{XXXXXXXX-...}"
    Text,       // SQL_C_WCHAR -> UTF-8 Text
    Binary,     // SQL_C_BINARY -> Blob
};

// Variable text and binary columns wider than this (or unbounded) are fetched piecewise.
inline constexpr SQLULEN kLongColumnSize = 8000;

struct ColumnPlan {
    FieldInfo field;  // type, size, precision, scale, nullability, base names
    Fetch fetch = Fetch::Text;
    bool isLong = false;       // fetched with SQLGetData, not bound
    SQLSMALLINT cType = SQL_C_WCHAR;
    SQLLEN bufferBytes = 0;    // per row, for bound columns
};

// The field and fetch plan of a result column. Never fails: a type this table does not know
// is read as text.
ColumnPlan planColumn(const ColumnDescriptor& d);

// A cell bound as a statement parameter: C type, SQL type and the bytes the driver reads.
struct Parameter {
    SQLSMALLINT cType = SQL_C_WCHAR;
    SQLSMALLINT sqlType = SQL_WVARCHAR;
    SQLULEN columnSize = 0;
    SQLSMALLINT digits = 0;
    SQLLEN indicator = SQL_NULL_DATA;
    std::string bytes;  // the value in cType's layout
};

// The parameter for a cell written to or compared with a column of this field: integers and
// booleans typed, floating numbers as doubles, dates as date structures (so that no database
// reads them by its language's date order), binary as bytes, everything else as text for
// the database to convert (a date cell that is not in the record set's own ISO form too).
// Never fails.
Parameter parameterFor(CellView cell, const FieldInfo& field);

// Text of a money value without currency symbols, spaces or grouping ("-$1,234.50" and
// "($1,234.50)" give "-1234.50"); the text unchanged when it holds no digits.
std::string plainMoneyText(std::string_view text);

}  // namespace ado::odbc
