// Field helpers: SQL text of a value for a field, type classes, field lookup and emptiness,
// early- and late-bound, on fields described by persisted documents and on real tables of
// SQLite and PostgreSQL.
#include <optional>

#include "data/query.h"
#include "data_testing.h"
#include "frame/text_service.h"

using namespace velmora;
using namespace velmora::testing;
using rt::CallArg;
using rt::Str;
using rt::Variant;

namespace {

struct TypeCase {
    int32_t code;
    const char16_t* datatype;  // the s:datatype attributes that give the code
    int16_t typeClass;
    bool quoted;
};

// One column per field type code the format can describe, with the class and quoting that
// the helpers give it.
const TypeCase kTypeCases[] = {
    {2, u"dt:type='i2'", 2, false},
    {3, u"dt:type='int'", 2, false},
    {4, u"dt:type='r4'", 2, false},
    {5, u"dt:type='float'", 1, false},
    {6, u"dt:type='number' rs:dbtype='currency'", 1, false},
    {7, u"dt:type='dateTime' rs:dbtype='variantdate'", 3, true},
    {8, u"dt:type='string' rs:dbtype='bstr'", 5, true},
    {11, u"dt:type='boolean'", 4, false},
    {12, u"dt:type='string' rs:dbtype='variant'", 6, false},
    {14, u"dt:type='number' rs:dbtype='decimal'", 1, false},
    {16, u"dt:type='i1'", 2, false},
    {17, u"dt:type='ui1'", 2, false},
    {18, u"dt:type='ui2'", 2, false},
    {19, u"dt:type='ui4'", 2, false},
    {20, u"dt:type='i8'", 2, false},
    {21, u"dt:type='ui8'", 2, false},
    {64, u"dt:type='dateTime' rs:dbtype='filetime'", 6, false},
    {72, u"dt:type='uuid'", 6, false},
    {128, u"dt:type='bin.hex' rs:fixedlength='true'", 6, false},
    {129, u"dt:type='string' rs:dbtype='str' rs:fixedlength='true'", 5, false},
    {130, u"dt:type='string' rs:fixedlength='true'", 5, true},
    {131, u"dt:type='number'", 1, false},
    {133, u"dt:type='date'", 3, true},
    {134, u"dt:type='time'", 3, true},
    {135, u"dt:type='dateTime'", 3, true},
    {139, u"dt:type='number' rs:dbtype='varnumeric'", 6, false},
    {200, u"dt:type='string' rs:dbtype='str'", 5, true},
    {201, u"dt:type='string' rs:dbtype='str' rs:long='true'", 5, true},
    {202, u"dt:type='string'", 5, true},
    {203, u"dt:type='string' rs:long='true'", 6, false},
    {204, u"dt:type='bin.hex'", 6, false},
    {205, u"dt:type='bin.hex' rs:long='true'", 5, true},
};

// A record set with one column per type case, named c<code>, nullable or not, one row.
rt::ComPtr<ado::_Recordset> typedRecordset(bool nullable) {
    Str columns;
    for (const TypeCase& t : kTypeCases) {
        const Str name = u"c" + rt::fromUtf8(std::to_string(t.code));
        columns += u"<s:AttributeType name='" + name + u"'" + (nullable ? u" rs:nullable='true'" : u"") +
                   u" rs:write='true'><s:datatype " + t.datatype + u"/></s:AttributeType>";
    }
    auto doc = loadDocument(rowsetXml(columns, u"<z:row/>"));
    return openDocument(doc.get());
}

class FieldHelpers : public ::testing::Test {
protected:
    rt::ComPtr<_CCommonFunction> cf = newCommon();

    Str checkField(Variant& v, ado::Field* f) { return client::call(cf.get(), &_CCommonFunction::sCheckField, &v, &f); }
    Str checkField(Variant&& v, ado::Field* f) { return checkField(v, f); }
    int16_t typeClass(ado::Field* f) { return client::call(cf.get(), &_CCommonFunction::iFldType, &f); }
    bool hasField(rt::IDispatch* col, Str name) {
        return client::call(cf.get(), &_CCommonFunction::bColHasFld, &col, &name) != 0;
    }
};

}  // namespace

TEST_F(FieldHelpers, EveryTypeCodeFallsIntoItsClass) {
    auto rs = typedRecordset(true);
    for (const TypeCase& t : kTypeCases) {
        auto f = fieldOf(rs.get(), Variant(u"c" + rt::fromUtf8(std::to_string(t.code))));
        int32_t code = 0;
        rt::check(f->get_Type(&code));
        ASSERT_EQ(code, t.code) << "the document describes the type the case names";
        EXPECT_EQ(typeClass(f.get()), t.typeClass) << "type " << t.code;
        // Late-bound, as the suite's forms call it.
        EXPECT_EQ(rt::toI4(late(cf, u"iFldType", {Variant(rt::ComPtr<rt::IDispatch>(f.get()))})), t.typeClass)
            << "type " << t.code;
    }
}

TEST_F(FieldHelpers, ValuesAreQuotedForTextAndDateFieldsOnly) {
    auto rs = typedRecordset(false);
    for (const TypeCase& t : kTypeCases) {
        auto f = fieldOf(rs.get(), Variant(u"c" + rt::fromUtf8(std::to_string(t.code))));
        EXPECT_EQ(checkField(Variant(u" 12 "), f.get()), t.quoted ? u"'12'" : u"12") << "type " << t.code;
        // An empty text on a field that does not take null: bare "" or two apostrophes.
        EXPECT_EQ(checkField(Variant(u""), f.get()), t.quoted ? u"''" : u"") << "type " << t.code;
    }
}

TEST_F(FieldHelpers, SCheckFieldAndNull) {
    auto nullable = typedRecordset(true);
    auto required = typedRecordset(false);
    auto intN = fieldOf(nullable.get(), Variant(u"c3"));
    auto vcN = fieldOf(nullable.get(), Variant(u"c200"));
    auto intR = fieldOf(required.get(), Variant(u"c3"));
    EXPECT_EQ(checkField(Variant(rt::Null{}), intN.get()), u"null");
    EXPECT_EQ(checkField(Variant(rt::Null{}), vcN.get()), u"null");
    EXPECT_EQ(checkField(Variant(u""), intN.get()), u"null");
    EXPECT_EQ(checkField(Variant(u"   "), vcN.get()), u"null");
    EXPECT_EQ(checkField(Variant(), intN.get()), u"null");  // the empty value's text is ""
    // Null where the field does not take it: error 1 with the service's text.
    rt::Error e = ado::testing::errorOf([&] { checkField(Variant(rt::Null{}), intR.get()); });
    EXPECT_EQ(e.numberValue(), 1);
    EXPECT_EQ(e.description(), sGetText(u"Ostrel.FM.Velmora.00001"));
    EXPECT_NE(e.description(), u"Ostrel.FM.Velmora.00001") << "the catalog has the text";
    EXPECT_EQ(e.source(), u"Velmora.CCommonFunction");
    // Late-bound the same failure reaches the caller.
    try {
        late(cf, u"sCheckField", {Variant(rt::Null{}), Variant(rt::ComPtr<rt::IDispatch>(intR.get()))});
        ADD_FAILURE() << "null on a field without null";
    } catch (rt::Error& le) {
        EXPECT_EQ(le.numberValue(), 1);
    }
}

TEST_F(FieldHelpers, SCheckFieldRewritesItsArgumentWithTheTrimmedText) {
    auto rs = typedRecordset(true);
    auto vc = fieldOf(rs.get(), Variant(u"c200"));
    Variant v(u" abc ");
    EXPECT_EQ(checkField(v, vc.get()), u"'abc'");
    EXPECT_EQ(v.str(), u"abc");
    Variant n(int32_t(12));
    EXPECT_EQ(checkField(n, fieldOf(rs.get(), Variant(u"c3")).get()), u"12");
    EXPECT_TRUE(n.isString());
    Variant null(rt::Null{});
    checkField(null, vc.get());
    EXPECT_TRUE(null.isNull()) << "null stays null";
    Variant lateV(u"  x  ");
    EXPECT_EQ(rt::toText(late(cf, u"sCheckField", {CallArg::ref(lateV), Variant(rt::ComPtr<rt::IDispatch>(vc.get()))})),
              u"'x'");
    EXPECT_EQ(lateV.str(), u"x");
}

TEST_F(FieldHelpers, ApostrophesInsideAQuotedValueAreDoubled) {
    auto rs = typedRecordset(true);
    auto vc = fieldOf(rs.get(), Variant(u"c202"));
    EXPECT_EQ(checkField(Variant(u"O'Brien"), vc.get()), u"'O''Brien'");
    EXPECT_EQ(checkField(Variant(u"'"), vc.get()), u"''''");
    EXPECT_EQ(checkField(Variant(u"x' or '1'='1"), vc.get()), u"'x'' or ''1''=''1'");
    // A char field takes its value bare, as it always did.
    EXPECT_EQ(checkField(Variant(u"x"), fieldOf(rs.get(), Variant(u"c129")).get()), u"x");
}

TEST_F(FieldHelpers, SCheckFieldAndITypeFailWithoutAField) {
    EXPECT_EQ(ado::testing::errorOf([&] { checkField(Variant(u"x"), nullptr); }).numberValue(), 91);
    EXPECT_EQ(ado::testing::errorOf([&] { typeClass(nullptr); }).numberValue(), 91);
    // A closed record set's field fails with the platform's error.
    auto rs = typedRecordset(true);
    auto f = fieldOf(rs.get(), Variant(u"c3"));
    rt::check(rs->Close());
    EXPECT_EQ(ado::testing::errorOf([&] { typeClass(f.get()); }).numberValue(), ado::adErrObjectClosed);
}

TEST_F(FieldHelpers, BColHasFldLooksNamesUpWithoutRegardToCase) {
    auto doc = loadDocument(rowsetXml(u"<s:AttributeType name='NAME'><s:datatype dt:type='string'/></s:AttributeType>",
                                  u"<z:row NAME='x'/>"));
    auto rs = openDocument(doc.get());
    EXPECT_TRUE(hasField(rs.get(), u"name"));
    EXPECT_TRUE(hasField(rs.get(), u"NAME"));
    EXPECT_FALSE(hasField(rs.get(), u"other"));
    EXPECT_FALSE(hasField(nullptr, u"name"));
    // A fields collection works too (its default member is Item).
    rt::ComPtr<ado::Fields> fields;
    rt::check(rs->get_Fields(fields.put()));
    EXPECT_TRUE(hasField(fields.get(), u"Name"));
    EXPECT_FALSE(hasField(fields.get(), u"x"));
    // An object without a default member taking a name: false.
    EXPECT_FALSE(hasField(cf.get(), u"name"));
    // Without a current row the field's Value fails: false.
    auto empty = openDocument(loadDocument(rowsetXml(
        u"<s:AttributeType name='a'><s:datatype dt:type='int'/></s:AttributeType>", u"")).get());
    EXPECT_FALSE(hasField(empty.get(), u"a"));
    // Late-bound.
    EXPECT_TRUE(rt::toBool(late(cf, u"bColHasFld", {Variant(rt::ComPtr<rt::IDispatch>(rs.get())), Variant(u"Name")})));
    EXPECT_FALSE(rt::toBool(late(cf, u"bColHasFld", {Variant::nothing(), Variant(u"Name")})));
}

// ---- On real tables ---------------------------------------------------------------------

class FieldTables : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        if (IsSkipped()) return;
        exec(u"create table f (id int primary key, num decimal(10,2), n2 int not null, txt nvarchar(20), "
             u"code char(4), ok bit, d datetime)");
        exec(u"insert into f values (1, 0, 5, N'   ', 'ab', false, null)");
        exec(u"insert into f values (2, 0.00, 0, N'x', null, true, '2007-03-05 10:20:30')");
        exec(u"insert into f values (3, null, -1, null, 'cd', null, null)");
        rs = open(u"select id, num, n2, txt, code, ok, d from f order by id");
    }
    bool isEmpty(Str name, bool zeroAsEmpty = true) {
        ado::_Recordset* r = rs.get();
        VARIANT_BOOL z = zeroAsEmpty ? rt::VARIANT_TRUE : rt::VARIANT_FALSE;
        return client::call(cf.get(), &_CCommonFunction::IsFldEmpty, &r, &name, &z) != 0;
    }
    bool lateIsEmpty(Str name, std::optional<bool> zeroAsEmpty = std::nullopt) {
        std::vector<CallArg> args{Variant(rt::ComPtr<rt::IDispatch>(rs.get())), Variant(name)};
        if (zeroAsEmpty) args.emplace_back(Variant(*zeroAsEmpty));
        return rt::toBool(late(cf, u"IsFldEmpty", std::move(args)));
    }
    Str checkField(Variant v, Str field) {
        auto f = fieldOf(rs.get(), Variant(field));
        ado::Field* p = f.get();
        return client::call(cf.get(), &_CCommonFunction::sCheckField, &v, &p);
    }
    rt::ComPtr<ado::_Recordset> rs;
};

TEST_P(FieldTables, IsFldEmptyOnNumberTextAndTruthValueFields) {
    // Row 1: num 0, n2 5, txt "   ", ok false.
    EXPECT_TRUE(isEmpty(u"num"));
    EXPECT_FALSE(isEmpty(u"num", false));
    EXPECT_FALSE(isEmpty(u"n2"));
    EXPECT_TRUE(isEmpty(u"txt"));
    EXPECT_FALSE(isEmpty(u"ok")) << "false is a value, not emptiness";
    EXPECT_TRUE(isEmpty(u"d")) << "a null date";
    EXPECT_FALSE(isEmpty(u"missing"));
    EXPECT_TRUE(lateIsEmpty(u"NUM"));
    EXPECT_FALSE(lateIsEmpty(u"num", false));
    rt::check(rs->MoveNext());
    // Row 2: num 0.00, n2 0, txt x, ok true.
    EXPECT_TRUE(isEmpty(u"num"));
    EXPECT_TRUE(isEmpty(u"n2"));
    EXPECT_FALSE(isEmpty(u"n2", false));
    EXPECT_FALSE(isEmpty(u"txt"));
    EXPECT_TRUE(isEmpty(u"code")) << "null text";
    EXPECT_FALSE(isEmpty(u"d"));
    rt::check(rs->MoveNext());
    // Row 3: nulls count as empty whether zero does or not.
    EXPECT_TRUE(isEmpty(u"num"));
    EXPECT_TRUE(isEmpty(u"num", false));
    EXPECT_FALSE(isEmpty(u"n2"));
    EXPECT_TRUE(isEmpty(u"ok"));
    rt::check(rs->MoveNext());
    // Past the last row the field has no value: false.
    EXPECT_FALSE(isEmpty(u"num"));
    ado::_Recordset* none = nullptr;
    Str name = u"num";
    VARIANT_BOOL z = rt::VARIANT_TRUE;
    EXPECT_FALSE(client::call(cf.get(), &_CCommonFunction::IsFldEmpty, &none, &name, &z));
}

TEST_P(FieldTables, SCheckFieldFollowsTheColumnsTypesAndNullability) {
    EXPECT_EQ(checkField(Variant(u" 12 "), u"n2"), u"12");
    EXPECT_EQ(checkField(Variant(u""), u"n2"), u"") << "an empty text on a column without null";
    EXPECT_EQ(checkField(Variant(u""), u"num"), u"null");
    EXPECT_EQ(checkField(Variant(u"O'Brien"), u"txt"), u"'O''Brien'");
    EXPECT_EQ(checkField(Variant(u"2007-03-05"), u"d"), u"'2007-03-05'");
    int32_t codeType = 0;
    rt::check(fieldOf(rs.get(), Variant(u"code"))->get_Type(&codeType));
    EXPECT_EQ(checkField(Variant(u"zz"), u"code"), codeType == ado::adChar ? u"zz" : u"'zz'");
    EXPECT_EQ(checkField(Variant(rt::Null{}), u"txt"), u"null");
}

TEST_P(FieldTables, AQuotedValueGoesBackIntoTheDatabaseWhole) {
    // The literal with its doubled apostrophe, in a statement the literal marking reads.
    const Str literal = checkField(Variant(u"O'Brien's"), u"txt");
    exec(u"update f set txt = " + literal + u" where id = 2");
    EXPECT_EQ(text(scalarOf(u"select txt from f where id = 2")), "O'Brien's");
    const Str marked = sUnicodeSql(u"update f set txt = " + literal + u" where id = 3");
    EXPECT_EQ(marked, u"update f set txt = N'O''Brien''s' where id = 3");
    exec(marked);
    EXPECT_EQ(text(scalarOf(u"select txt from f where id = 3")), "O'Brien's");
}

TEST_P(FieldTables, BColHasFldOnARealRecordSet) {
    auto hasField = [&](Str name) {
        rt::IDispatch* col = rs.get();
        return client::call(cf.get(), &_CCommonFunction::bColHasFld, &col, &name) != 0;
    };
    EXPECT_TRUE(hasField(u"TXT"));
    EXPECT_TRUE(hasField(u"id"));
    EXPECT_FALSE(hasField(u"nope"));
}

VELMORA_ON_BOTH_BACKENDS(FieldTables);
