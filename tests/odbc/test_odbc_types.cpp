// The ODBC type table, money text and statement parameters: no server needed.
#include <gtest/gtest.h>

#include <cstring>

#include "dataaccess/odbc/odbc_types.h"

namespace ado::odbc {
namespace {

ColumnDescriptor column(SQLSMALLINT sqlType, SQLULEN size = 0, SQLSMALLINT digits = 0, bool isUnsigned = false,
                        rt::Str typeName = {}) {
    ColumnDescriptor d;
    d.name = u"c";
    d.sqlType = sqlType;
    d.size = size;
    d.digits = digits;
    d.isUnsigned = isUnsigned;
    d.typeName = std::move(typeName);
    d.nullable = SQL_NULLABLE;
    return d;
}

struct TypeCase {
    const char* what;
    ColumnDescriptor descriptor;
    DataType type;
    Fetch fetch;
    bool isLong;
};

TEST(OdbcTypeTable, EveryMappedTypeGivesItsAdoTypeAndFetch) {
    const TypeCase cases[] = {
        {"bit", column(SQL_BIT, 1), adBoolean, Fetch::Integer, false},
        {"tinyint (unsigned, as SQL Server's)", column(SQL_TINYINT, 3, 0, true), adUnsignedTinyInt, Fetch::Integer,
         false},
        {"tinyint (signed)", column(SQL_TINYINT, 3), adTinyInt, Fetch::Integer, false},
        {"smallint", column(SQL_SMALLINT, 5), adSmallInt, Fetch::Integer, false},
        {"unsigned smallint", column(SQL_SMALLINT, 5, 0, true), adUnsignedSmallInt, Fetch::Integer, false},
        {"integer", column(SQL_INTEGER, 10), adInteger, Fetch::Integer, false},
        {"unsigned integer", column(SQL_INTEGER, 10, 0, true), adUnsignedInt, Fetch::Integer, false},
        {"bigint", column(SQL_BIGINT, 19), adBigInt, Fetch::Integer, false},
        {"unsigned bigint", column(SQL_BIGINT, 20, 0, true), adUnsignedBigInt, Fetch::Integer, false},
        {"real", column(SQL_REAL, 7), adSingle, Fetch::Single, false},
        {"float", column(SQL_FLOAT, 15), adDouble, Fetch::Real, false},
        {"double", column(SQL_DOUBLE, 15), adDouble, Fetch::Real, false},
        {"numeric", column(SQL_NUMERIC, 18, 4), adNumeric, Fetch::Exact, false},
        {"decimal", column(SQL_DECIMAL, 10, 2), adNumeric, Fetch::Exact, false},
        {"money (PostgreSQL: a float by type code)", column(SQL_FLOAT, 10, 0, false, u"money"), adCurrency,
         Fetch::Money, false},
        {"money (SQL Server: a decimal by type code)", column(SQL_DECIMAL, 19, 4, false, u"money"), adCurrency,
         Fetch::Money, false},
        {"smallmoney", column(SQL_DECIMAL, 10, 4, false, u"SMALLMONEY"), adCurrency, Fetch::Money, false},
        {"date", column(SQL_TYPE_DATE, 10), adDBDate, Fetch::Date, false},
        {"date (ODBC 2)", column(SQL_DATE, 10), adDBDate, Fetch::Date, false},
        {"time", column(SQL_TYPE_TIME, 8), adDBTime, Fetch::Time, false},
        {"time (SQL Server time2)", column(-154, 16, 7), adDBTime, Fetch::Time, false},
        {"timestamp", column(SQL_TYPE_TIMESTAMP, 26, 6), adDBTimeStamp, Fetch::Timestamp, false},
        {"timestamp (ODBC 2)", column(SQL_TIMESTAMP, 23, 3), adDBTimeStamp, Fetch::Timestamp, false},
        {"guid", column(SQL_GUID, 36), adGUID, Fetch::Guid, false},
        {"char", column(SQL_CHAR, 5), adChar, Fetch::Text, false},
        {"varchar", column(SQL_VARCHAR, 40), adVarChar, Fetch::Text, false},
        {"varchar wider than binding allows", column(SQL_VARCHAR, 10485760), adLongVarChar, Fetch::Text, true},
        {"varchar(max): no size", column(SQL_VARCHAR, 0), adLongVarChar, Fetch::Text, true},
        {"long varchar", column(SQL_LONGVARCHAR, 8190), adLongVarChar, Fetch::Text, true},
        {"wchar", column(SQL_WCHAR, 3), adWChar, Fetch::Text, false},
        {"wvarchar", column(SQL_WVARCHAR, 20), adVarWChar, Fetch::Text, false},
        {"nvarchar(max)", column(SQL_WVARCHAR, 0), adLongVarWChar, Fetch::Text, true},
        {"wlongvarchar", column(SQL_WLONGVARCHAR, 1073741823), adLongVarWChar, Fetch::Text, true},
        {"xml (SQL Server)", column(-152, 0), adLongVarWChar, Fetch::Text, true},
        {"binary", column(SQL_BINARY, 16), adBinary, Fetch::Binary, false},
        {"varbinary", column(SQL_VARBINARY, 100), adVarBinary, Fetch::Binary, false},
        {"varbinary(max)", column(SQL_VARBINARY, 0), adLongVarBinary, Fetch::Binary, true},
        {"long varbinary (bytea)", column(SQL_LONGVARBINARY, 0), adLongVarBinary, Fetch::Binary, true},
        {"interval: read as text", column(SQL_INTERVAL_DAY_TO_SECOND, 25), adVarWChar, Fetch::Text, false},
        {"a type nobody knows: text", column(1234, 0), adVarWChar, Fetch::Text, false},
    };
    for (const TypeCase& c : cases) {
        SCOPED_TRACE(c.what);
        const ColumnPlan p = planColumn(c.descriptor);
        EXPECT_EQ(p.field.type, c.type);
        EXPECT_EQ(p.fetch, c.fetch);
        EXPECT_EQ(p.isLong, c.isLong);
        if (c.isLong) {
            EXPECT_EQ(p.bufferBytes, 0);
            EXPECT_TRUE(p.field.isLong);
        } else {
            EXPECT_GT(p.bufferBytes, 0);
        }
    }
}

TEST(OdbcTypeTable, SizesPrecisionAndScaleComeFromTheDescriptor) {
    ColumnPlan p = planColumn(column(SQL_NUMERIC, 18, 4));
    EXPECT_EQ(p.field.precision, 18);
    EXPECT_EQ(p.field.scale, 4);
    p = planColumn(column(SQL_VARCHAR, 40));
    EXPECT_EQ(p.field.definedSize, 40);
    EXPECT_FALSE(p.field.fixedLength);
    // Room for every character as a surrogate pair, and the terminator.
    EXPECT_EQ(p.bufferBytes, SQLLEN((40 * 2 + 1) * 2));
    p = planColumn(column(SQL_CHAR, 5));
    EXPECT_EQ(p.field.definedSize, 5);
    EXPECT_TRUE(p.field.fixedLength);
    p = planColumn(column(SQL_TYPE_TIMESTAMP, 26, 6));
    EXPECT_EQ(p.field.scale, 6);  // fraction digits, kept for parameters
    p = planColumn(column(SQL_INTEGER, 10));
    EXPECT_EQ(p.cType, SQL_C_SBIGINT);
    EXPECT_EQ(p.bufferBytes, 8);
}

TEST(OdbcTypeTable, NullabilityAndBaseNamesDecideAttributes) {
    ColumnDescriptor d = column(SQL_INTEGER, 10);
    d.nullable = SQL_NO_NULLS;
    d.baseSchema = u"public";
    d.baseTable = u"t";
    d.baseColumn = u"id";
    d.autoUnique = true;
    ColumnPlan p = planColumn(d);
    EXPECT_FALSE(p.field.nullable);
    EXPECT_FALSE(p.field.mayBeNull);
    EXPECT_TRUE(p.field.autoIncrement);
    EXPECT_EQ(p.field.write, Writability::Writable);
    EXPECT_EQ(p.field.baseTable, u"t");
    EXPECT_EQ(p.field.baseSchema, u"public");
    EXPECT_EQ(p.field.attributes(true) & (adFldUpdatable | adFldIsNullable), adFldUpdatable);

    // An expression: read-only, and null is always possible.
    d = column(SQL_INTEGER, 10);
    d.nullable = SQL_NO_NULLS;
    p = planColumn(d);
    EXPECT_EQ(p.field.write, Writability::ReadOnly);
    EXPECT_TRUE(p.field.nullable);
    d.nullable = SQL_NULLABLE_UNKNOWN;
    d.baseTable = u"t";
    d.baseColumn = u"x";
    EXPECT_TRUE(planColumn(d).field.nullable);
}

TEST(OdbcMoneyText, SymbolsAndGroupingGoNegativesStay) {
    EXPECT_EQ(plainMoneyText("$1,234.56"), "1234.56");
    EXPECT_EQ(plainMoneyText("-$1,234.56"), "-1234.56");
    EXPECT_EQ(plainMoneyText("($7.00)"), "-7.00");
    EXPECT_EQ(plainMoneyText("12.3400"), "12.3400");
    EXPECT_EQ(plainMoneyText("$0.00"), "0.00");
    EXPECT_EQ(plainMoneyText("n/a"), "n/a");
}

template <class T>
T bytesAs(const Parameter& p) {
    T v;
    EXPECT_EQ(p.bytes.size(), sizeof v);
    std::memcpy(&v, p.bytes.data(), sizeof v);
    return v;
}

TEST(OdbcParameters, DatesTravelAsStructuresAtTheColumnsPrecision) {
    FieldInfo ts = fieldOfType(u"ts", adDBTimeStamp, -1, -1, 6);
    Parameter p = parameterFor(CellView::ofText("2024-02-29 13:14:15.123456789"), ts);
    EXPECT_EQ(p.cType, SQL_C_TYPE_TIMESTAMP);
    EXPECT_EQ(p.sqlType, SQL_TYPE_TIMESTAMP);
    EXPECT_EQ(p.digits, 6);
    auto v = bytesAs<SQL_TIMESTAMP_STRUCT>(p);
    EXPECT_EQ(v.year, 2024);
    EXPECT_EQ(v.month, 2);
    EXPECT_EQ(v.day, 29);
    EXPECT_EQ(v.hour, 13);
    EXPECT_EQ(v.minute, 14);
    EXPECT_EQ(v.second, 15);
    EXPECT_EQ(v.fraction, 123456000u);  // cut to microseconds

    FieldInfo datetime = fieldOfType(u"dt", adDBTimeStamp);  // ADO's default scale: milliseconds
    p = parameterFor(CellView::ofText("2024-02-29T13:14:15.5"), datetime);
    EXPECT_EQ(p.digits, 3);
    EXPECT_EQ(bytesAs<SQL_TIMESTAMP_STRUCT>(p).fraction, 500000000u);

    p = parameterFor(CellView::ofText("2024-02-29"), fieldOfType(u"d", adDBDate));
    EXPECT_EQ(p.cType, SQL_C_TYPE_DATE);
    EXPECT_EQ(bytesAs<SQL_DATE_STRUCT>(p).day, 29);

    p = parameterFor(CellView::ofText("07:08:09"), fieldOfType(u"t", adDBTime));
    EXPECT_EQ(p.cType, SQL_C_TYPE_TIME);
    EXPECT_EQ(bytesAs<SQL_TIME_STRUCT>(p).second, 9);

    // Text that is not the record set's date form goes as text, for the database to judge.
    p = parameterFor(CellView::ofText("next tuesday"), ts);
    EXPECT_EQ(p.cType, SQL_C_WCHAR);
    EXPECT_EQ(p.indicator, SQLLEN(12 * 2));
}

TEST(OdbcParameters, NumbersBooleansTextBinaryAndNull) {
    Parameter p = parameterFor(CellView::ofInteger(-5), fieldOfType(u"i", adInteger));
    EXPECT_EQ(p.cType, SQL_C_SBIGINT);
    EXPECT_EQ(p.sqlType, SQL_INTEGER);
    EXPECT_EQ(bytesAs<SQLBIGINT>(p), -5);

    p = parameterFor(CellView::ofInteger(1), fieldOfType(u"b", adBoolean));
    EXPECT_EQ(p.cType, SQL_C_BIT);
    EXPECT_EQ(bytesAs<unsigned char>(p), 1);

    p = parameterFor(CellView::ofReal(0.1), fieldOfType(u"r", adSingle));
    EXPECT_EQ(p.sqlType, SQL_REAL);
    EXPECT_EQ(bytesAs<double>(p), 0.1);

    p = parameterFor(CellView::ofText("h\xC3\xA9"), fieldOfType(u"s", adVarWChar, 10));
    EXPECT_EQ(p.cType, SQL_C_WCHAR);
    EXPECT_EQ(p.sqlType, SQL_WVARCHAR);
    ASSERT_EQ(p.indicator, 4);
    EXPECT_EQ(reinterpret_cast<const char16_t*>(p.bytes.data())[1], u'\u00E9');
    EXPECT_EQ(parameterFor(CellView::ofText("x"), fieldOfType(u"s", adVarChar, 10)).sqlType, SQL_VARCHAR);
    EXPECT_EQ(parameterFor(CellView::ofText("12.50"), fieldOfType(u"n", adNumeric, -1, 10, 2)).cType, SQL_C_WCHAR);

    p = parameterFor(CellView::ofBlob(std::string_view("\x00\x01\xFF", 3)), fieldOfType(u"v", adVarBinary, 10));
    EXPECT_EQ(p.cType, SQL_C_BINARY);
    EXPECT_EQ(p.indicator, 3);

    // Null keeps a type the database accepts for the column (binary columns refuse text).
    p = parameterFor(CellView::null(), fieldOfType(u"v", adLongVarBinary));
    EXPECT_EQ(p.indicator, SQL_NULL_DATA);
    EXPECT_EQ(p.cType, SQL_C_BINARY);
    EXPECT_EQ(parameterFor(CellView::null(), fieldOfType(u"d", adDBDate)).sqlType, SQL_TYPE_DATE);
}

}  // namespace
}  // namespace ado::odbc
