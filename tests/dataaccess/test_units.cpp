// The small units under the objects: the dialect rewrite, the SQLite type table, connection
// strings, value conversions and the row store.
#include <gtest/gtest.h>

#include "dataaccess/connstring.h"
#include "dataaccess/dialect.h"
#include "dataaccess/rowstore.h"
#include "dataaccess/sqlite_types.h"
#include "dataaccess/values.h"
#include "runtime/date.h"
#include "runtime/error.h"

namespace ado {
namespace {

std::string sqlite(std::string_view sql) { return rewriteStatement(sql, DialectRules{}); }

// ---- dialect -----------------------------------------------------------------------------

TEST(DialectRewrite, DropsTheNationalPrefixOfLiterals) {
    EXPECT_EQ(sqlite("select * from t where c=N'a'"), "select * from t where c='a'");
    EXPECT_EQ(sqlite("where a=N'x' and b=n'y'"), "where a='x' and b='y'");
    EXPECT_EQ(sqlite("insert into t values (N'', N'''')"), "insert into t values ('', '''')");
    EXPECT_EQ(sqlite("select 1"), "select 1");
}

TEST(DialectRewrite, ReadsLiteralsQuotedNamesAndCommentsAsSqlDoes) {
    // Inside a literal an N before a quote, or "top", is text.
    EXPECT_EQ(sqlite("select 'it''s N''x' from t where c = N'O''N'"), "select 'it''s N''x' from t where c = 'O''N'");
    EXPECT_EQ(sqlite("select \"N'col\" from [N'tab] -- N'x'\n where a = N'b'"),
              "select \"N'col\" from [N'tab] -- N'x'\n where a = 'b'");
    EXPECT_EQ(sqlite("select /* N'x' */ N'y'"), "select /* N'x' */ 'y'");
    // An N ending a word is part of the word, not a prefix.
    EXPECT_EQ(sqlite("select * from t where COLUMN'x'"), "select * from t where COLUMN'x'");
    EXPECT_EQ(sqlite("c=nN'x'"), "c=nN'x'");
    // An unterminated literal passes through for the database to report.
    EXPECT_EQ(sqlite("select N'abc"), "select 'abc");
}

TEST(DialectRewrite, LeadingTopBecomesALimit) {
    EXPECT_EQ(sqlite("select top 1 a, b from t where x = N'top 5'"), "select a, b from t where x = 'top 5' LIMIT 1");
    EXPECT_EQ(sqlite("SELECT DISTINCT TOP 10 name FROM t ORDER BY name;"),
              "SELECT DISTINCT name FROM t ORDER BY name LIMIT 10");
    EXPECT_EQ(sqlite("  select top (3) * from t"), "  select * from t LIMIT 3");
    EXPECT_EQ(sqlite("select top 2 a from t -- trailing note"), "select a from t -- trailing note\nLIMIT 2");
    EXPECT_EQ(sqlite("select top 2 a from t -- note\n"), "select a from t -- note\nLIMIT 2");
}

TEST(DialectRewrite, LeavesEverythingElseAlone) {
    EXPECT_EQ(sqlite("select a from (select top 1 a from t)"), "select a from (select top 1 a from t)");
    EXPECT_EQ(sqlite("select top 10 percent a from t"), "select top 10 percent a from t");
    EXPECT_EQ(sqlite("select topic from t"), "select topic from t");
    EXPECT_EQ(sqlite("select top x from t"), "select top x from t");
    const DialectRules tsql{true, true};
    EXPECT_EQ(rewriteStatement("select top 1 N'a'", tsql), "select top 1 N'a'");
}

// ---- SQLite declared types -----------------------------------------------------------------

TEST(SqliteTypes, TheTableOfDeclaredTypes) {
    struct Case {
        const char* declared;
        DataType type;
        int size;
        int precision;
        int scale;
    };
    const Case cases[] = {
        {"INTEGER", adInteger, 4, 10, 255},       {"int", adInteger, 4, 10, 255},
        {"SMALLINT", adSmallInt, 2, 5, 255},      {"TINYINT", adUnsignedTinyInt, 1, 3, 255},
        {"BIGINT", adBigInt, 8, 19, 255},         {"REAL", adSingle, 4, 7, 255},
        {"FLOAT", adDouble, 8, 15, 255},          {"DOUBLE", adDouble, 8, 15, 255},
        {"double precision", adDouble, 8, 15, 255}, {"DECIMAL(18,2)", adNumeric, 19, 18, 2},
        {"NUMERIC( 10 , 4 )", adNumeric, 19, 10, 4}, {"DECIMAL", adNumeric, 19, 18, 0},
        {"MONEY", adCurrency, 8, 19, 4},          {"BIT", adBoolean, 2, 255, 255},
        {"BOOLEAN", adBoolean, 2, 255, 255},      {"DATE", adDBDate, 6, 10, 255},
        {"TIME", adDBTime, 6, 8, 255},            {"DATETIME", adDBTimeStamp, 16, 23, 3},
        {"TIMESTAMP", adDBTimeStamp, 16, 23, 3},  {"CHAR(10)", adChar, 10, 255, 255},
        {"NCHAR(4)", adWChar, 4, 255, 255},       {"VARCHAR(50)", adVarChar, 50, 255, 255},
        {"NVARCHAR(40)", adVarWChar, 40, 255, 255}, {"NVARCHAR(MAX)", adLongVarWChar, 1073741823, 255, 255},
        {"VARCHAR(max)", adLongVarChar, 2147483647, 255, 255}, {"TEXT", adLongVarChar, 2147483647, 255, 255},
        {"NTEXT", adLongVarWChar, 1073741823, 255, 255}, {"BLOB", adLongVarBinary, 2147483647, 255, 255},
        {"VARBINARY(16)", adVarBinary, 16, 255, 255}, {"UNIQUEIDENTIFIER", adGUID, 16, 255, 255},
        // Unknown names follow SQLite's affinity rules.
        {"MEDIUMINT", adInteger, 4, 10, 255},     {"VARCHAR2(12)", adVarWChar, 12, 255, 255},
        {"CLOB", adLongVarChar, 2147483647, 255, 255}, {"JSON", adNumeric, 19, 18, 0},
        {"", adVarWChar, 255, 255, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.declared);
        const FieldInfo f = sqlite::fieldForDeclaredType(c.declared);
        EXPECT_EQ(f.type, c.type);
        EXPECT_EQ(f.definedSize, c.size);
        EXPECT_EQ(f.precision, c.precision);
        EXPECT_EQ(f.scale, c.scale);
    }
    EXPECT_TRUE(sqlite::fieldForDeclaredType("INT").fixedLength);
    EXPECT_TRUE(sqlite::fieldForDeclaredType("CHAR(2)").fixedLength);
    EXPECT_FALSE(sqlite::fieldForDeclaredType("VARCHAR(2)").fixedLength);
    EXPECT_TRUE(sqlite::fieldForDeclaredType("TEXT").isLong);
}

TEST(SqliteTypes, ExpressionTypesFromValues) {
    sqlite::ValueKinds k;
    EXPECT_EQ(sqlite::typeFromValues(k).type, adVarWChar);
    k.integer = true;
    EXPECT_EQ(sqlite::typeFromValues(k).type, adInteger);
    k.integerBeyond32Bits = true;
    EXPECT_EQ(sqlite::typeFromValues(k).type, adBigInt);
    k.real = true;
    EXPECT_EQ(sqlite::typeFromValues(k).type, adDouble);
    k.text = true;
    k.longestText = 7;
    EXPECT_EQ(sqlite::typeFromValues(k).type, adVarWChar);
    EXPECT_EQ(sqlite::typeFromValues(k).definedSize, 7);
}

// ---- connection strings ----------------------------------------------------------------------

TEST(ConnectionStrings, NamesWithoutCaseValuesTrimmedAndQuoted) {
    auto cs =
        ConnectionString::parse(u" Provider = SQLite ; Data Source=/tmp/a b.db;Password='x;y''z';;junk;mode=Read");
    EXPECT_EQ(cs.get(u"provider").value_or(u"?"), u"SQLite");
    EXPECT_EQ(cs.get(u"DATA SOURCE").value_or(u"?"), u"/tmp/a b.db");
    EXPECT_EQ(cs.get(u"password").value_or(u"?"), u"x;y'z");
    EXPECT_EQ(cs.get(u"Mode").value_or(u"?"), u"Read");
    EXPECT_FALSE(cs.get(u"junk"));
    EXPECT_EQ(cs.get({u"UID", u"User ID"}), std::nullopt);
    EXPECT_EQ(ConnectionString::parse(u"a=1;a=2").get(u"A").value_or(u"?"), u"2");
}

// ---- values ------------------------------------------------------------------------------------

TEST(Values, IsoDatesBothWays) {
    const double serial = *parseIsoDate("2007-03-05T10:20:30");
    EXPECT_EQ(isoDateText(serial, adDBTimeStamp), "2007-03-05 10:20:30");
    EXPECT_EQ(isoDateText(serial, adDBTimeStamp, 'T'), "2007-03-05T10:20:30");
    EXPECT_EQ(isoDateText(serial, adDBDate), "2007-03-05");
    EXPECT_EQ(isoDateText(serial, adDBTime), "10:20:30");
    EXPECT_EQ(*parseIsoDate("2007-03-05 10:20:30.4"), serial + 0.4 / 86400);
    EXPECT_EQ(*parseIsoDate("1899-12-30"), 0.0);
    EXPECT_DOUBLE_EQ(*parseIsoDate("12:00"), 0.5);
    EXPECT_EQ(isoDateText(*parseIsoDate("1899-12-29 06:00:00"), adDBTimeStamp), "1899-12-29 06:00:00");
    EXPECT_FALSE(parseIsoDate("2007-02-30"));
    EXPECT_FALSE(parseIsoDate("2007/03/05"));
    EXPECT_FALSE(parseIsoDate("25:00"));
    EXPECT_FALSE(parseIsoDate("yesterday"));
}

TEST(Values, CellsReadAsTheFieldsType) {
    const FieldInfo money = fieldOfType(u"m", adCurrency);
    EXPECT_EQ(variantOf(CellView::ofReal(12.34), money).cy(), 123400);
    EXPECT_EQ(variantOf(CellView::ofText("922337203685477.5807"), money).cy(), INT64_MAX);
    const FieldInfo dec = fieldOfType(u"d", adNumeric, -1, 28, 10);
    EXPECT_EQ(rt::toUtf8(variantOf(CellView::ofText("1234567890123456789.123456789"), dec).decimal().toText()),
              "1234567890123456789.123456789");
    EXPECT_EQ(rt::toUtf8(variantOf(CellView::ofReal(0.1), dec).decimal().toText()), "0.1");
    const FieldInfo date = fieldOfType(u"t", adDBTimeStamp);
    EXPECT_EQ(variantOf(CellView::ofText("2007-03-05"), date).type(), rt::VT_DATE);
    EXPECT_EQ(variantOf(CellView::ofReal(2454164.5), date).date(), *parseIsoDate("2007-03-05"));  // a Julian day
    EXPECT_EQ(variantOf(CellView::ofText("not a date"), date).type(), rt::VT_BSTR);               // kept as it is
    const FieldInfo i = fieldOfType(u"i", adInteger);
    EXPECT_EQ(variantOf(CellView::ofInteger(5000000000), i).type(), rt::VT_I8);
    EXPECT_TRUE(variantOf(CellView::null(), i).isNull());
    EXPECT_EQ(variantOf(CellView::ofInteger(1), fieldOfType(u"b", adBoolean)).boolean(), rt::VARIANT_TRUE);
}

TEST(Values, ValuesAreStoredCanonicallyOrRefused) {
    const FieldInfo money = fieldOfType(u"m", adCurrency);
    EXPECT_EQ(cellFor(rt::Variant(u"1234.56789"), money).bytes, "1234.5679");
    const FieldInfo dec = fieldOfType(u"d", adNumeric, -1, 18, 2);
    EXPECT_EQ(cellFor(rt::Variant(1.005), dec).bytes, "1.01");
    EXPECT_EQ(cellFor(rt::Variant(rt::DateValue{*parseIsoDate("2007-03-05T10:20:30")}), fieldOfType(u"x", adDBDate))
                  .bytes,
              "2007-03-05");
    EXPECT_EQ(cellFor(rt::Variant(u"6f9619ff-8b86-d011-b42d-00c04fc964ff"), fieldOfType(u"g", adGUID)).bytes,
              "{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
    EXPECT_TRUE(cellFor(rt::Variant(), fieldOfType(u"e", adInteger)).isNull());
    auto status = [](auto&& body) {
        try {
            body();
        } catch (const rt::Error& e) {
            return e.hresult();
        }
        return rt::S_OK;
    };
    EXPECT_EQ(status([&] { cellFor(rt::Variant(int32_t(40000)), fieldOfType(u"s", adSmallInt)); }),
              kMultipleStepErrors);
    EXPECT_EQ(status([&] { cellFor(rt::Variant(u"abc"), fieldOfType(u"f", adDouble)); }), kMultipleStepErrors);
    EXPECT_EQ(status([&] { cellFor(rt::Variant(u"nope"), fieldOfType(u"g", adGUID)); }), kMultipleStepErrors);
}

TEST(Values, PersistedTextForms) {
    // The text, and "|" with the mark when there is one.
    auto xml = [](CellView c, DataType t) {
        std::string out, mark;
        if (!appendXmlText(out, c, fieldOfType(u"x", t), mark)) return std::string("<absent>");
        return mark.empty() ? out : out + "|" + mark;
    };
    EXPECT_EQ(xml(CellView::ofText("2007-03-05 10:20:30"), adDBTimeStamp), "2007-03-05T10:20:30");
    EXPECT_EQ(xml(CellView::ofText("2007-03-05"), adDBTimeStamp), "2007-03-05T00:00:00");
    EXPECT_EQ(xml(CellView::ofText("2007-03-05"), adDBDate), "2007-03-05");
    EXPECT_EQ(xml(CellView::ofInteger(1), adBoolean), "True");
    EXPECT_EQ(xml(CellView::ofReal(12.5), adCurrency), "12.5");
    EXPECT_EQ(xml(CellView::ofReal(1e20), adDouble), "1E+20");
    // Reals in decimal columns stand for their 15 significant digits, as doubles convert.
    EXPECT_EQ(xml(CellView::ofReal(0.1), adNumeric), "0.1");
    EXPECT_EQ(xml(CellView::ofReal(0.1 + 0.2), adNumeric), "0.3");
    EXPECT_EQ(xml(CellView::ofReal(-1234567.891), adNumeric), "-1234567.891");
    EXPECT_EQ(xml(CellView::ofReal(1e20), adNumeric), "100000000000000000000");
    EXPECT_EQ(xml(CellView::ofBlob(std::string("\x00\xff", 2)), adVarBinary), "00ff");
    EXPECT_EQ(xml(CellView::ofText("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"), adGUID),
              "6F9619FF-8B86-D011-B42D-00C04FC964FF");
    EXPECT_EQ(xml(CellView::null(), adInteger), "<absent>");
    // Values the column's type would read back as others: their own form, marked.
    EXPECT_EQ(xml(CellView::ofText("a\x01" "b"), adVarWChar), "ab|h:610162");  // XML cannot carry U+0001
    EXPECT_EQ(xml(CellView::ofText("\xEF\xBF\xBF"), adVarWChar), "|h:efbfbf");    // nor U+FFFF
    EXPECT_EQ(xml(CellView::ofReal(2.5), adInteger), "2.5|r");
    EXPECT_EQ(xml(CellView::ofReal(1e30), adNumeric), "1E+30|r");
    EXPECT_EQ(xml(CellView::ofReal(-1e30), adCurrency), "-1E+30|r");
    EXPECT_EQ(xml(CellView::ofText("2024-01-02 10:30:00"), adDBDate), "2024-01-02 10:30:00|t");
    EXPECT_EQ(xml(CellView::ofText("2024-01-02 10:30:00"), adDBTime), "2024-01-02 10:30:00|t");
    EXPECT_EQ(xml(CellView::ofInteger(5), adVarBinary), "5|i");
    EXPECT_EQ(xml(CellView::ofBlob("abc"), adDouble), "616263|b");
    // ... and values that read back as themselves stay unmarked.
    EXPECT_EQ(xml(CellView::ofText("10:30:00"), adDBTime), "10:30:00");
    EXPECT_EQ(xml(CellView::ofText("abc"), adInteger), "abc");
    EXPECT_EQ(xml(CellView::ofText("2.5"), adInteger), "2.5");     // text in, text out
    EXPECT_EQ(xml(CellView::ofReal(1e-30), adNumeric), "0");        // the decimal it reads as
    EXPECT_EQ(xml(CellView::ofText("12.50"), adNumeric), "12.5");

    EXPECT_EQ(cellFromMarkedXmlText("2.5", "r")->real, 2.5);
    EXPECT_EQ(cellFromMarkedXmlText("-7", "i")->integer, -7);
    EXPECT_EQ(cellFromMarkedXmlText("2.5", "t")->bytes, "2.5");
    EXPECT_EQ(cellFromMarkedXmlText("0aff", "b")->bytes, std::string("\x0a\xff", 2));
    EXPECT_EQ(cellFromMarkedXmlText("ab", "h:610162")->bytes, "a\x01" "b");
    EXPECT_FALSE(cellFromMarkedXmlText("x", "r"));
    EXPECT_FALSE(cellFromMarkedXmlText("abc", "b"));
    EXPECT_FALSE(cellFromMarkedXmlText("x", "q"));

    EXPECT_EQ(cellFromXmlText("2007-03-05T10:20:30", fieldOfType(u"d", adDBTimeStamp)).bytes, "2007-03-05 10:20:30");
    EXPECT_EQ(cellFromXmlText("True", fieldOfType(u"b", adBoolean)).integer, 1);
    EXPECT_EQ(cellFromXmlText("0", fieldOfType(u"b", adBoolean)).integer, 0);
    EXPECT_EQ(cellFromXmlText("00ff", fieldOfType(u"v", adVarBinary)).bytes, std::string("\x00\xff", 2));
    EXPECT_EQ(cellFromXmlText("-12", fieldOfType(u"i", adInteger)).integer, -12);
    EXPECT_EQ(cellFromXmlText("abc", fieldOfType(u"i", adInteger)).kind, CellKind::Text);
}

// ---- row store ---------------------------------------------------------------------------------

TEST(RowStore, RowsKeepTheirCellsAcrossBlocks) {
    RowStore store;
    std::vector<const char*> rows;
    const std::string big(300000, 'x');
    for (int i = 0; i < 20; ++i) {
        store.addInteger(i * 1000003LL - 7);
        store.addNull();
        store.addText(i % 5 == 0 ? std::string_view(big) : std::string_view("short"));
        store.addReal(i + 0.25);
        store.addBlob(std::string_view("\0\1", 2));
        store.addInteger(INT64_MIN + i);
        rows.push_back(store.finishRow());
    }
    for (int i = 0; i < 20; ++i) {
        CellView cells[6];
        RowStore::decodeRow(rows[size_t(i)], 6, cells);
        EXPECT_EQ(cells[0].integer, i * 1000003LL - 7);
        EXPECT_TRUE(cells[1].isNull());
        EXPECT_EQ(cells[2].bytes.size(), i % 5 == 0 ? big.size() : 5u);
        EXPECT_EQ(cells[3].real, i + 0.25);
        EXPECT_EQ(cells[4].bytes, std::string_view("\0\1", 2));
        EXPECT_EQ(RowStore::cell(rows[size_t(i)], 5).integer, INT64_MIN + i);
    }
    EXPECT_GT(store.allocatedBytes(), 4 * big.size());
}

}  // namespace
}  // namespace ado
