// Reading record sets: opening, navigation, fields, types and nulls, on every backend.
#include "ado_testing.h"
#include "runtime/date.h"
#include "runtime/dispatch.h"

namespace ado::testing {
namespace {

using RecordsetTest = AdoTest;

class ThreeRows : public RecordsetTest {
protected:
    void SetUp() override {
        RecordsetTest::SetUp();
        if (IsSkipped()) return;
        exec(u"create table t (id int primary key, name nvarchar(20) null)");
        int32_t level = 0;
        rt::check(conn()->BeginTrans(&level));
        exec(u"insert into t values (1, N'one')");
        exec(u"insert into t values (2, N'two')");
        exec(u"insert into t values (3, null)");
        rt::check(conn()->CommitTrans());
    }
    int32_t position(_Recordset* rs) {
        int32_t p = 0;
        rt::check(rs->get_AbsolutePosition(&p));
        return p;
    }
};

TEST_P(ThreeRows, NavigatesBothWaysWithBOFAndEOF) {
    auto rs = open(u"select id, name from t order by id");
    EXPECT_EQ(recordCount(rs.get()), 3);
    EXPECT_FALSE(isBOF(rs.get()));
    EXPECT_EQ(position(rs.get()), 1);
    std::string seen;
    while (!isEOF(rs.get())) {
        seen += text(value(rs.get(), Variant(u"id")));
        rt::check(rs->MoveNext());
    }
    EXPECT_EQ(seen, "123");
    EXPECT_EQ(position(rs.get()), adPosEOF);
    EXPECT_EQ(adoErrorOf([&] { rt::check(rs->MoveNext()); }), adErrNoCurrentRecord);
    EXPECT_EQ(adoErrorOf([&] { value(rs.get(), Variant(u"id")); }), adErrNoCurrentRecord);
    rt::check(rs->MovePrevious());
    EXPECT_EQ(text(value(rs.get(), Variant(u"id"))), "3");
    rt::check(rs->MoveFirst());
    rt::check(rs->MovePrevious());
    EXPECT_TRUE(isBOF(rs.get()));
    EXPECT_EQ(position(rs.get()), adPosBOF);
    EXPECT_EQ(adoErrorOf([&] { rt::check(rs->MovePrevious()); }), adErrNoCurrentRecord);
    rt::check(rs->MoveLast());
    EXPECT_EQ(position(rs.get()), 3);
    rt::check(rs->put_AbsolutePosition(2));
    EXPECT_EQ(text(value(rs.get(), Variant(u"name"))), "two");
    EXPECT_EQ(adoErrorOf([&] { rt::check(rs->put_AbsolutePosition(4)); }), adErrInvalidArgument);
}

TEST_P(ThreeRows, AnEmptyResultIsAtBothEnds) {
    auto rs = open(u"select id from t where id > 10");
    EXPECT_EQ(recordCount(rs.get()), 0);
    EXPECT_TRUE(isBOF(rs.get()));
    EXPECT_TRUE(isEOF(rs.get()));
    EXPECT_EQ(fieldCount(rs.get()), 1);
    EXPECT_EQ(adoErrorOf([&] { rt::check(rs->MoveFirst()); }), adErrNoCurrentRecord);
}

TEST_P(ThreeRows, FieldsByPositionAndByNameWithoutRegardToCase) {
    auto rs = open(u"select id, name from t order by id");
    EXPECT_EQ(fieldCount(rs.get()), 2);
    EXPECT_EQ(text(value(rs.get(), Variant(int32_t(1)))), "one");
    EXPECT_EQ(text(value(rs.get(), Variant(int16_t(0)))), "1");
    EXPECT_EQ(text(value(rs.get(), Variant(u"NAME"))), "one");
    Str name;
    rt::check(field(rs.get(), Variant(int32_t(1)))->get_Name(&name));
    EXPECT_EQ(name, u"name");
    EXPECT_EQ(adoErrorOf([&] { field(rs.get(), Variant(u"missing")); }), adErrItemNotFound);
    EXPECT_EQ(adoErrorOf([&] { field(rs.get(), Variant(int32_t(2))); }), adErrItemNotFound);
    EXPECT_EQ(adoErrorOf([&] { field(rs.get(), Variant(int32_t(-1))); }), adErrItemNotFound);
    rt::check(rs->MoveLast());
    EXPECT_TRUE(value(rs.get(), Variant(u"name")).isNull());
}

TEST_P(ThreeRows, OpenWithAConnectionStringOwnsItsConnection) {
    auto rs = newRecordset();
    rt::check(rs->Open(Variant(u"select count(*) as n from t"), Variant(connectionString()), adOpenForwardOnly,
                       adLockReadOnly, -1));
    EXPECT_EQ(text(value(rs.get(), Variant(u"n"))), "3");
    Variant c;
    rt::check(rs->get_ActiveConnection(&c));
    ASSERT_TRUE(c.isObject() && c.object());
    EXPECT_EQ(rt::toI4(rt::getProperty(c.object().get(), u"State")), adStateOpen);
}

TEST_P(ThreeRows, ClosedAndReopenedStates) {
    auto rs = open(u"select id from t");
    EXPECT_EQ(adoErrorOf([&] {
                  rt::check(rs->Open(Variant(u"select 1"), Variant(rt::ComPtr<rt::IDispatch>(conn())), -1, -1, -1));
              }),
              adErrObjectOpen);
    rt::ComPtr<Field> f = field(rs.get(), Variant(int32_t(0)));
    rt::check(rs->Close());
    int32_t state = -1;
    rt::check(rs->get_State(&state));
    EXPECT_EQ(state, adStateClosed);
    EXPECT_EQ(adoErrorOf([&] { isEOF(rs.get()); }), adErrObjectClosed);
    Variant v;
    EXPECT_EQ(adoErrorOf([&] { rt::check(f->get_Value(&v)); }), adErrObjectClosed);
    EXPECT_EQ(adoErrorOf([&] { rt::check(rs->Close()); }), adErrObjectClosed);
    // The connection stays: it can be reopened without naming it again.
    rt::check(rs->Open(Variant(u"select id from t"), Variant(rt::Missing{}), -1, -1, -1));
    EXPECT_EQ(recordCount(rs.get()), 3);
}

TEST_P(ThreeRows, TableCommandsAndNoConnection) {
    auto rs = newRecordset();
    rt::check(rs->Open(Variant(u"t"), Variant(rt::ComPtr<rt::IDispatch>(conn())), -1, -1, adCmdTable));
    EXPECT_EQ(recordCount(rs.get()), 3);
    auto lone = newRecordset();
    EXPECT_EQ(adoErrorOf([&] { rt::check(lone->Open(Variant(u"select 1"), Variant(rt::Missing{}), -1, -1, -1)); }),
              adErrInvalidConnection);
}

TEST_P(ThreeRows, LateBoundRecordSetMembers) {
    auto rs = open(u"select id, name from t order by id");
    rt::IDispatch* d = rs.get();
    EXPECT_EQ(rt::toI4(rt::getProperty(d, u"RecordCount")), 3);
    EXPECT_FALSE(rt::toBool(rt::getProperty(d, u"EOF")));
    Variant fields = rt::getProperty(d, u"Fields");
    EXPECT_EQ(rt::toI4(rt::getProperty(fields.object().get(), u"Count")), 2);
    Variant item = rt::getProperty(fields.object().get(), u"Item", {Variant(u"Name")});
    EXPECT_EQ(text(rt::getProperty(item.object().get(), u"Value")), "one");
    // rs("name") reaches Fields.Item("name") through the default members; its default is Value.
    Variant f = rt::invokeId(d, rt::DISPID_VALUE, rt::DISPATCH_PROPERTYGET, {Variant(u"name")});
    EXPECT_EQ(text(rt::defaultValueOf(f.object().get())), "one");
    rt::callMethod(d, u"MoveNext");
    EXPECT_EQ(text(rt::defaultValueOf(f.object().get())), "two");  // a field follows the current row
    EXPECT_EQ(rt::toI4(rt::getProperty(item.object().get(), u"Type")), adVarWChar);
    EXPECT_EQ(rt::toI4(rt::getProperty(d, u"AbsolutePosition")), 2);
}

INSTANTIATE_TEST_SUITE_P(Providers, ThreeRows, ::testing::Values(sqliteBackend()), backendName);

// ---- types -----------------------------------------------------------------------------------

struct TypeCase {
    const char16_t* declared;
    const char16_t* literal;
    DataType type;
    rt::VarType variant;
    std::string text;  // the value's text as read back
};

class TypesTest : public RecordsetTest {};

TEST_P(TypesTest, EveryMappedTypeReadsWithItsCodeAndVariant) {
    const TypeCase cases[] = {
        {u"INTEGER", u"-7", adInteger, rt::VT_I4, "-7"},
        {u"INT", u"2147483647", adInteger, rt::VT_I4, "2147483647"},
        {u"SMALLINT", u"-32768", adSmallInt, rt::VT_I2, "-32768"},
        {u"TINYINT", u"255", adUnsignedTinyInt, rt::VT_I2, "255"},
        {u"BIGINT", u"9007199254740993", adBigInt, rt::VT_I8, "9007199254740993"},
        {u"REAL", u"1.5", adSingle, rt::VT_R8, "1.5"},
        {u"FLOAT", u"0.1", adDouble, rt::VT_R8, "0.1"},
        {u"DOUBLE", u"-2.5e10", adDouble, rt::VT_R8, "-25000000000"},
        {u"DECIMAL(18,2)", u"'12.30'", adNumeric, rt::VT_DECIMAL, "12.3"},
        {u"NUMERIC(10,4)", u"'-0.0001'", adNumeric, rt::VT_DECIMAL, "-0.0001"},
        {u"MONEY", u"'1234.5678'", adCurrency, rt::VT_CY, "1234.5678"},
        {u"BIT", u"1", adBoolean, rt::VT_BOOL, "True"},
        {u"BOOLEAN", u"0", adBoolean, rt::VT_BOOL, "False"},
        {u"DATE", u"'2007-03-05'", adDBDate, rt::VT_DATE, "2007-03-05"},
        {u"TIME", u"'10:20:30'", adDBTime, rt::VT_DATE, "10:20:30"},
        {u"DATETIME", u"'2007-03-05 10:20:30'", adDBTimeStamp, rt::VT_DATE, "2007-03-05 10:20:30"},
        {u"TIMESTAMP", u"'2007-03-05T23:59:59'", adDBTimeStamp, rt::VT_DATE, "2007-03-05 23:59:59"},
        {u"CHAR(3)", u"'abc'", adChar, rt::VT_BSTR, "abc"},
        {u"NCHAR(2)", u"N'中文'", adWChar, rt::VT_BSTR, "中文"},
        {u"VARCHAR(40)", u"'it''s'", adVarChar, rt::VT_BSTR, "it's"},
        {u"NVARCHAR(40)", u"N'Grüße'", adVarWChar, rt::VT_BSTR, "Grüße"},
        {u"TEXT", u"'long text'", adLongVarChar, rt::VT_BSTR, "long text"},
        {u"NTEXT", u"N'长文本'", adLongVarWChar, rt::VT_BSTR, "长文本"},
        {u"BLOB", u"x'00ff10'", adLongVarBinary, rt::VarType(rt::VT_ARRAY | rt::VT_VARIANT), ""},
        {u"VARBINARY(8)", u"x'0102'", adVarBinary, rt::VarType(rt::VT_ARRAY | rt::VT_VARIANT), ""},
        {u"UNIQUEIDENTIFIER", u"'6f9619ff-8b86-d011-b42d-00c04fc964ff'", adGUID, rt::VT_BSTR,
         "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"},
    };
    Str create = u"create table t (";
    Str insert = u"insert into t values (";
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Str col = u"c" + rt::ascii(std::to_string(i));
        create += (i ? u", " : u"") + col + u" " + cases[i].declared;
        insert += (i ? u", " : u"") + Str(cases[i].literal);
    }
    exec(create + u")");
    exec(insert + u")");
    exec(u"insert into t default values");
    auto rs = open(u"select * from t");
    ASSERT_EQ(fieldCount(rs.get()), int32_t(std::size(cases)));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(u8(cases[i].declared));
        rt::ComPtr<Field> f = field(rs.get(), Variant(int32_t(i)));
        int32_t type = 0;
        rt::check(f->get_Type(&type));
        EXPECT_EQ(type, cases[i].type);
        Variant v;
        rt::check(f->get_Value(&v));
        EXPECT_EQ(v.type(), cases[i].variant);
        if (cases[i].type == adDBDate || cases[i].type == adDBTime || cases[i].type == adDBTimeStamp) {
            rt::CivilTime t = rt::civilFromSerial(v.date());
            char buf[32];
            if (cases[i].type == adDBDate)
                std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
            else if (cases[i].type == adDBTime)
                std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
            else
                std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                              t.minute, t.second);
            EXPECT_EQ(buf, cases[i].text);
        } else if (v.isArray()) {
            EXPECT_GT(v.array().size(), 0u);
        } else {
            EXPECT_EQ(text(v), cases[i].text);
        }
    }
    // The second row holds nulls in every column.
    rt::check(rs->MoveNext());
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_TRUE(value(rs.get(), Variant(int32_t(i))).isNull()) << i;
}

TEST_P(TypesTest, SizesPrecisionAndAttributesFromTheTable) {
    exec(u"create table t (id int primary key, code varchar(12) not null, amount decimal(18, 2) null, note text, "
         u"price money)");
    exec(u"insert into t values (1, 'a', 1.5, 'n', 2)");
    auto ro = open(u"select id, code, amount, note, price, id + 1 as nextid from t");
    auto attributes = [&](_Recordset* rs, int i) {
        int32_t a = 0;
        rt::check(field(rs, Variant(int32_t(i)))->get_Attributes(&a));
        return a;
    };
    int32_t size = 0;
    int16_t precision = 0, scale = 0;
    rt::check(field(ro.get(), Variant(u"code"))->get_DefinedSize(&size));
    EXPECT_EQ(size, 12);
    rt::check(field(ro.get(), Variant(u"amount"))->get_Precision(&precision));
    rt::check(field(ro.get(), Variant(u"amount"))->get_NumericScale(&scale));
    EXPECT_EQ(precision, 18);
    EXPECT_EQ(scale, 2);
    EXPECT_EQ(attributes(ro.get(), 0), adFldKeyColumn | adFldFixed | adFldUnknownUpdatable);
    EXPECT_EQ(attributes(ro.get(), 1), adFldUnknownUpdatable);
    EXPECT_EQ(attributes(ro.get(), 2), adFldIsNullable | adFldMayBeNull | adFldFixed | adFldUnknownUpdatable);
    EXPECT_EQ(attributes(ro.get(), 3) & adFldLong, adFldLong);
    EXPECT_EQ(attributes(ro.get(), 5) & (adFldUpdatable | adFldUnknownUpdatable), 0);  // an expression
    auto rw = open(u"select id, code from t", adLockOptimistic);
    EXPECT_EQ(attributes(rw.get(), 1), adFldUpdatable);
}

TEST_P(TypesTest, ExpressionsAreTypedFromTheirValues) {
    auto rs = open(u"select 1 + 1 as n, 'abcd' as s, 1.5 as r, 5000000000 as big, null as nothing_at_all, "
                   u"x'01' as b");
    const std::pair<const char16_t*, DataType> expected[] = {{u"n", adInteger},  {u"s", adVarWChar},
                                                             {u"r", adDouble},   {u"big", adBigInt},
                                                             {u"nothing_at_all", adVarWChar}, {u"b", adLongVarBinary}};
    for (const auto& [name, type] : expected) {
        int32_t t = 0;
        rt::check(field(rs.get(), Variant(name))->get_Type(&t));
        EXPECT_EQ(t, type) << u8(name);
    }
    int32_t size = 0;
    rt::check(field(rs.get(), Variant(u"s"))->get_DefinedSize(&size));
    EXPECT_EQ(size, 4);
    EXPECT_EQ(text(value(rs.get(), Variant(u"big"))), "5000000000");
}

INSTANTIATE_TEST_SUITE_P(Providers, TypesTest, ::testing::Values(sqliteBackend()), backendName);

}  // namespace
}  // namespace ado::testing
