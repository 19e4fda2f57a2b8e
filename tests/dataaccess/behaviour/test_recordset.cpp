// Reading record sets: opening, navigation, fields and nulls, on every backend.
#include "runtime/dispatch.h"
#include "suites.h"

namespace ado::testing {

void ThreeRows::SetUp() {
    AdoTest::SetUp();
    if (IsSkipped()) return;
    exec(u"create table t (id int primary key, name nvarchar(20) null)");
    int32_t level = 0;
    rt::check(conn()->BeginTrans(&level));
    exec(u"insert into t values (1, N'one')");
    exec(u"insert into t values (2, N'two')");
    exec(u"insert into t values (3, null)");
    rt::check(conn()->CommitTrans());
}

int32_t ThreeRows::position(_Recordset* rs) {
    int32_t p = 0;
    rt::check(rs->get_AbsolutePosition(&p));
    return p;
}

namespace {

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

}  // namespace
}  // namespace ado::testing
