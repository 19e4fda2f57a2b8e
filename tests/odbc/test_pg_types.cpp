// Every PostgreSQL type the layer maps, read and written back through record sets.
#include <cmath>

#include "dataaccess/behaviour/ado_testing.h"
#include "pg/pg_testing.h"
#include "runtime/date.h"
#include "runtime/decimal.h"

namespace ado::pgtest {
namespace {

using rt::Str;
using rt::Variant;
using testing::field;
using testing::recordCount;
using testing::setValue;
using testing::text;
using testing::u8;
using testing::value;

using PgTypes = PgTest;

constexpr const char16_t* kTypesTable =
    u"create table types ("
    u" id serial primary key, b boolean, i2 smallint, i4 integer not null default 0, i8 bigint,"
    u" r4 real, r8 double precision, num numeric(18,4), m money, d date, t time, ts timestamp(6),"
    u" c char(5), vc varchar(40), vu varchar, tx text, by bytea, u uuid)";

struct Expected {
    const char* column;
    DataType type;
};

const Expected kColumns[] = {
    {"id", adInteger},        {"b", adBoolean},          {"i2", adSmallInt},   {"i4", adInteger},
    {"i8", adBigInt},         {"r4", adSingle},          {"r8", adDouble},     {"num", adNumeric},
    {"m", adCurrency},        {"d", adDBDate},           {"t", adDBTime},      {"ts", adDBTimeStamp},
    {"c", adWChar},           {"vc", adVarWChar},        {"vu", adLongVarWChar}, {"tx", adLongVarWChar},
    {"by", adLongVarBinary},  {"u", adGUID},
};

int32_t typeOf(_Recordset* rs, const char* column) {
    int32_t t = 0;
    rt::check(field(rs, Variant(rt::fromUtf8(column)))->get_Type(&t));
    return t;
}

int32_t attributesOf(_Recordset* rs, const char* column) {
    int32_t a = 0;
    rt::check(field(rs, Variant(rt::fromUtf8(column)))->get_Attributes(&a));
    return a;
}

double serial(int y, int mo, int d, int h = 0, int mi = 0, double s = 0) {
    rt::CivilTime t;
    t.year = y;
    t.month = mo;
    t.day = d;
    return rt::serialFromCivil(t) + (h * 3600 + mi * 60 + s) / 86400.0;
}

Variant bytes(std::initializer_list<int> values) {
    std::vector<Variant> items;
    for (int v : values) items.emplace_back(int16_t(v));
    return Variant(rt::Array(0, std::move(items)));
}

std::vector<int> bytesOf(const Variant& v) {
    std::vector<int> out;
    if (!v.isArray()) return {-1};
    for (const Variant& item : v.array().items()) out.push_back(int(rt::toI4(item)));
    return out;
}

Str longText() {
    Str s;
    for (int i = 0; i < 3000; ++i) s += u"line " + rt::ascii(std::to_string(i)) + u" \u00E9\u20AC\n";
    return s;
}

TEST_F(PgTypes, EveryColumnTypeMapsToItsAdoType) {
    exec(kTypesTable);
    auto rs = open(u"select * from types");
    for (const Expected& e : kColumns) EXPECT_EQ(typeOf(rs.get(), e.column), e.type) << e.column;

    int32_t size = 0;
    rt::check(field(rs.get(), Variant(u"vc"))->get_DefinedSize(&size));
    EXPECT_EQ(size, 40);
    int16_t precision = 0, scale = 0;
    rt::check(field(rs.get(), Variant(u"num"))->get_Precision(&precision));
    rt::check(field(rs.get(), Variant(u"num"))->get_NumericScale(&scale));
    EXPECT_EQ(precision, 18);
    EXPECT_EQ(scale, 4);

    // Key, nullability and writability from the driver's metadata and the table's key.
    EXPECT_TRUE(attributesOf(rs.get(), "id") & adFldKeyColumn);
    EXPECT_FALSE(attributesOf(rs.get(), "id") & adFldIsNullable);
    EXPECT_FALSE(attributesOf(rs.get(), "i4") & adFldIsNullable);
    EXPECT_FALSE(attributesOf(rs.get(), "i4") & adFldKeyColumn);
    EXPECT_TRUE(attributesOf(rs.get(), "vc") & adFldIsNullable);
    EXPECT_TRUE(attributesOf(rs.get(), "tx") & adFldLong);
    EXPECT_TRUE(attributesOf(rs.get(), "c") & adFldFixed);

    auto expr = open(u"select i4 + 1 as e, 'x' as lit from types");
    EXPECT_EQ(typeOf(expr.get(), "e"), adInteger);
    EXPECT_FALSE(attributesOf(expr.get(), "e") & (adFldUpdatable | adFldUnknownUpdatable));
}

TEST_F(PgTypes, ValuesReadAsTheirVariants) {
    exec(kTypesTable);
    exec(u"insert into types (b, i2, i4, i8, r4, r8, num, m, d, t, ts, c, vc, vu, tx, by, u) values ("
         u"true, -12, 2147483647, 9007199254740993, 0.1, 2.5e-300, 12345678901234.5678, '-1234.56',"
         u" '2024-02-29', '23:59:58', '2024-02-29 13:14:15.25', 'ab', N'h\u00E9llo \u20AC \U0001D11E',"
         u" repeat('v', 9000), N'" + longText() + u"', '\\x00ff10'::bytea, 'A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11')");
    exec(u"insert into types (i4) values (0)");
    auto rs = open(u"select * from types order by id");
    ASSERT_EQ(recordCount(rs.get()), 2);

    Variant v = value(rs.get(), Variant(u"b"));
    ASSERT_EQ(v.type(), rt::VT_BOOL);
    EXPECT_EQ(v.boolean(), rt::VARIANT_TRUE);
    v = value(rs.get(), Variant(u"i2"));
    ASSERT_EQ(v.type(), rt::VT_I2);
    EXPECT_EQ(v.i2(), -12);
    v = value(rs.get(), Variant(u"i4"));
    ASSERT_EQ(v.type(), rt::VT_I4);
    EXPECT_EQ(v.i4(), 2147483647);
    v = value(rs.get(), Variant(u"i8"));
    ASSERT_EQ(v.type(), rt::VT_I8);
    EXPECT_EQ(v.i8(), 9007199254740993LL);
    v = value(rs.get(), Variant(u"r4"));
    ASSERT_EQ(v.type(), rt::VT_R8);
    EXPECT_EQ(v.r8(), 0.1);  // the float's decimal value, not its binary expansion
    EXPECT_EQ(value(rs.get(), Variant(u"r8")).r8(), 2.5e-300);
    v = value(rs.get(), Variant(u"num"));
    ASSERT_EQ(v.type(), rt::VT_DECIMAL);
    EXPECT_EQ(u8(v.decimal().toText()), "12345678901234.5678");
    v = value(rs.get(), Variant(u"m"));
    ASSERT_EQ(v.type(), rt::VT_CY);
    EXPECT_EQ(v.cy(), -12345600);
    v = value(rs.get(), Variant(u"d"));
    ASSERT_EQ(v.type(), rt::VT_DATE);
    EXPECT_EQ(v.date(), serial(2024, 2, 29));
    EXPECT_NEAR(rt::toDate(value(rs.get(), Variant(u"t"))), serial(1899, 12, 30, 23, 59, 58), 1e-9);
    EXPECT_NEAR(rt::toDate(value(rs.get(), Variant(u"ts"))), serial(2024, 2, 29, 13, 14, 15.25), 1e-9);
    EXPECT_EQ(text(value(rs.get(), Variant(u"c"))), "ab   ");
    EXPECT_EQ(value(rs.get(), Variant(u"vc")).str(), u"h\u00E9llo \u20AC \U0001D11E");
    EXPECT_EQ(value(rs.get(), Variant(u"vu")).str(), Str(9000, u'v'));
    EXPECT_EQ(value(rs.get(), Variant(u"tx")).str(), longText());
    EXPECT_EQ(bytesOf(value(rs.get(), Variant(u"by"))), (std::vector<int>{0, 255, 16}));
    EXPECT_EQ(text(value(rs.get(), Variant(u"u"))), "{A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11}");

    rt::check(rs->MoveNext());
    for (const Expected& e : kColumns) {
        if (std::string(e.column) == "id" || std::string(e.column) == "i4") continue;
        EXPECT_TRUE(value(rs.get(), Variant(rt::fromUtf8(e.column))).isNull()) << e.column;
    }
}

// Values written through a record set, checked by the server itself and read back.
TEST_F(PgTypes, EveryTypeRoundTripsThroughAddNewAndUpdate) {
    exec(kTypesTable);
    auto rs = open(u"select * from types", adLockOptimistic);
    rt::check(rs->AddNew(Variant(rt::Missing{}), Variant(rt::Missing{})));
    setValue(rs.get(), Variant(u"b"), Variant(true));
    setValue(rs.get(), Variant(u"i2"), Variant(int16_t(-32768)));
    setValue(rs.get(), Variant(u"i4"), Variant(int32_t(-7)));
    setValue(rs.get(), Variant(u"i8"), Variant(int64_t(-9007199254740993LL)));
    setValue(rs.get(), Variant(u"r4"), Variant(0.1));
    setValue(rs.get(), Variant(u"r8"), Variant(1.0 / 3));
    setValue(rs.get(), Variant(u"num"), Variant(*rt::Decimal::parse(u"-98765432109876.5432")));
    setValue(rs.get(), Variant(u"m"), Variant(rt::Currency{123456789}));  // 12345.6789 -> 12345.68
    setValue(rs.get(), Variant(u"d"), Variant(rt::DateValue{serial(1999, 12, 31)}));
    setValue(rs.get(), Variant(u"t"), Variant(rt::DateValue{serial(1899, 12, 30, 7, 8, 9)}));
    setValue(rs.get(), Variant(u"ts"), Variant(rt::DateValue{serial(2000, 1, 2, 3, 4, 5)}));
    setValue(rs.get(), Variant(u"c"), Variant(u"xyz"));
    setValue(rs.get(), Variant(u"vc"), Variant(u"caf\u00E9 \u4E2D\u6587"));
    setValue(rs.get(), Variant(u"vu"), Variant(Str(10000, u'w')));
    setValue(rs.get(), Variant(u"tx"), Variant(longText()));
    setValue(rs.get(), Variant(u"by"), bytes({1, 0, 254, 39}));
    setValue(rs.get(), Variant(u"u"), Variant(u"{11111111-2222-3333-4444-555555555555}"));
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    EXPECT_EQ(rt::toI4(value(rs.get(), Variant(u"id"))), 1);  // the key the server assigned

    // The server's view of what arrived.
    EXPECT_EQ(text(scalarOf(
                  u"select b = true and i2 = -32768 and i4 = -7 and i8 = -9007199254740993 and r4 = real '0.1'"
                  u" and abs(r8 - 1.0/3) < 1e-15 and num = -98765432109876.5432 and m = '12345.68'::money"
                  u" and d = date '1999-12-31' and t = time '07:08:09' and ts = timestamp '2000-01-02 03:04:05'"
                  u" and c = 'xyz' and vc = 'caf\u00E9 \u4E2D\u6587' and length(vu) = 10000"
                  u" and by = '\\x0100fe27'::bytea and u = '11111111-2222-3333-4444-555555555555'"
                  u" from types")),
              "True");
    EXPECT_EQ(scalarOf(u"select tx from types").str(), longText());

    // Changes to every column, written at once (immediate mode), then read back anew.
    auto edit = open(u"select * from types", adLockOptimistic);
    setValue(edit.get(), Variant(u"b"), Variant(false));
    setValue(edit.get(), Variant(u"i2"), Variant(int16_t(32767)));
    setValue(edit.get(), Variant(u"r4"), Variant(-2.5));
    setValue(edit.get(), Variant(u"num"), Variant(*rt::Decimal::parse(u"0.0001")));
    setValue(edit.get(), Variant(u"m"), Variant(rt::Currency{-10000}));
    setValue(edit.get(), Variant(u"d"), Variant(u"2038-01-19"));
    setValue(edit.get(), Variant(u"ts"), Variant(rt::DateValue{serial(1970, 1, 1, 0, 0, 1)}));
    setValue(edit.get(), Variant(u"vc"), Variant(u"it's \"quoted\""));
    setValue(edit.get(), Variant(u"by"), bytes({}));
    setValue(edit.get(), Variant(u"u"), Variant(rt::Null{}));
    setValue(edit.get(), Variant(u"r8"), Variant(0.1 + 0.2));
    setValue(edit.get(), Variant(u"t"), Variant(rt::DateValue{serial(1899, 12, 30, 23, 59, 58)}));
    setValue(edit.get(), Variant(u"tx"), Variant(u"short now"));
    setValue(edit.get(), Variant(u"vu"), Variant(u"unbounded"));
    rt::check(edit->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));

    auto again = open(u"select * from types");
    EXPECT_EQ(value(again.get(), Variant(u"b")).boolean(), rt::VARIANT_FALSE);
    EXPECT_EQ(value(again.get(), Variant(u"i2")).i2(), 32767);
    EXPECT_EQ(value(again.get(), Variant(u"r4")).r8(), -2.5);
    EXPECT_EQ(u8(value(again.get(), Variant(u"num")).decimal().toText()), "0.0001");
    EXPECT_EQ(value(again.get(), Variant(u"m")).cy(), -10000);
    EXPECT_EQ(value(again.get(), Variant(u"d")).date(), serial(2038, 1, 19));
    EXPECT_NEAR(value(again.get(), Variant(u"ts")).date(), serial(1970, 1, 1, 0, 0, 1), 1e-9);
    EXPECT_EQ(value(again.get(), Variant(u"vc")).str(), u"it's \"quoted\"");
    EXPECT_EQ(bytesOf(value(again.get(), Variant(u"by"))), std::vector<int>{});
    EXPECT_TRUE(value(again.get(), Variant(u"u")).isNull());
    EXPECT_EQ(value(again.get(), Variant(u"r8")).r8(), 0.1 + 0.2);
    EXPECT_EQ(value(again.get(), Variant(u"t")).date(), serial(1899, 12, 30, 23, 59, 58));
    EXPECT_EQ(value(again.get(), Variant(u"tx")).str(), u"short now");
    EXPECT_EQ(value(again.get(), Variant(u"vu")).str(), u"unbounded");
    // Untouched columns kept their values.
    EXPECT_EQ(value(again.get(), Variant(u"i8")).i8(), -9007199254740993LL);
    EXPECT_EQ(value(again.get(), Variant(u"c")).str(), u"xyz  ");
}

// Types without an equality of their own (json, xml) are compared as their text when an
// update checks that nobody changed them meanwhile.
TEST_F(PgTypes, ColumnsWithoutEqualityAreCheckedAsText) {
    exec(u"create table docs (id integer primary key, doc json, x xml)");
    exec(u"insert into docs values (1, '{\"a\": [1, 2]}', '<a>1</a>')");
    auto rs = open(u"select * from docs", adLockOptimistic);
    setValue(rs.get(), Variant(u"doc"), Variant(u"{\"a\": 3}"));
    setValue(rs.get(), Variant(u"x"), Variant(u"<b/>"));
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    EXPECT_EQ(text(scalarOf(u"select doc::text || x::text from docs")), "{\"a\": 3}<b/>");

    exec(u"update docs set doc = '[]'");
    setValue(rs.get(), Variant(u"doc"), Variant(u"{}"));
    rt::Error e = testing::errorOf([&] { rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{}))); });
    EXPECT_EQ(e.hresult(), kRowNotLocated);
    EXPECT_EQ(text(scalarOf(u"select doc::text from docs")), "[]");
}

// A numeric without declared precision may be longer than the driver announces: such values
// are read again whole, in the middle of a block of rows as well.
TEST_F(PgTypes, ValuesLongerThanAnnouncedAreReadWhole) {
    auto rs = open(u"select i, (i::text || repeat('7', 80) || '.5')::numeric as n from generate_series(1, 2500) as s(i)"
                   u" order by i");
    ASSERT_EQ(recordCount(rs.get()), 2500);
    for (int i : {1, 2, 1500}) {
        rt::check(rs->put_AbsolutePosition(i));
        EXPECT_EQ(text(value(rs.get(), Variant(u"n"))), std::to_string(i) + std::string(80, '7') + ".5");
    }
}

// Rows of a table without a key are found by all their values, char padding and fractions
// of seconds included.
TEST_F(PgTypes, RowsWithoutAKeyAreLocatedByTheirValues) {
    exec(u"create table nokey (c char(6), ts timestamp(6), r real, n numeric(10,3), g uuid, note varchar(10))");
    exec(u"insert into nokey values ('ab', '2024-01-02 03:04:05.123456', 0.3, 1.5, "
         u"'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', 'one')");
    exec(u"insert into nokey values ('cd', '2024-01-02 03:04:05.5', 0.7, 2.5, null, 'two')");
    auto rs = open(u"select * from nokey order by c", adLockOptimistic);
    setValue(rs.get(), Variant(u"note"), Variant(u"first"));
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    rt::check(rs->MoveNext());
    rt::check(rs->Delete(adAffectCurrent));
    EXPECT_EQ(text(scalarOf(u"select string_agg(note, ',' order by c) from nokey")), "first");
}

}  // namespace
}  // namespace ado::pgtest
