// The remaining members: cursor and lock properties, the three values of a field, sizes,
// and ActiveConnection's forms, on every backend.
#include "behaviour/ado_testing.h"
#include "runtime/dispatch.h"

namespace ado::testing {
namespace {

class MembersTest : public AdoTest {
protected:
    void SetUp() override {
        AdoTest::SetUp();
        if (IsSkipped()) return;
        exec(u"create table t (id int primary key, name nvarchar(20) null, data blob null)");
        exec(u"insert into t values (1, N'abc', x'010203')");
    }
};

TEST_P(MembersTest, CursorAndLockPropertiesAreSetBeforeOpening) {
    auto rs = newRecordset();
    int32_t v = 0;
    rt::check(rs->get_LockType(&v));
    EXPECT_EQ(v, adLockReadOnly);
    rt::check(rs->put_LockType(adLockBatchOptimistic));
    rt::check(rs->put_CursorType(adOpenKeyset));
    rt::check(rs->put_CursorLocation(adUseClient));
    EXPECT_EQ(adoErrorOf([&] { rt::check(rs->put_LockType(9)); }), adErrInvalidArgument);
    // Unspecified arguments take the properties.
    rt::check(rs->Open(Variant(u"select id, name from t"), Variant(rt::ComPtr<rt::IDispatch>(conn())),
                       adOpenUnspecified, adLockUnspecified, adCmdUnspecified));
    rt::check(rs->get_LockType(&v));
    EXPECT_EQ(v, adLockBatchOptimistic);
    rt::check(rs->get_CursorType(&v));
    EXPECT_EQ(v, adOpenStatic);  // rows in memory: static whatever was asked
    rt::check(rs->get_CursorLocation(&v));
    EXPECT_EQ(v, adUseClient);
    Str source;
    rt::check(rs->get_Source(&source));
    EXPECT_EQ(source, u"select id, name from t");
    EXPECT_EQ(adoErrorOf([&] { rt::check(rs->put_LockType(adLockReadOnly)); }), adErrObjectOpen);
    EXPECT_EQ(adoErrorOf([&] { rt::check(rs->put_CursorType(adOpenForwardOnly)); }), adErrObjectOpen);
}

TEST_P(MembersTest, ValueUnderlyingValueAndOriginalValue) {
    auto rs = open(u"select id, name from t", adLockBatchOptimistic);
    setValue(rs.get(), Variant(u"name"), Variant(u"pending"));
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    setValue(rs.get(), Variant(u"name"), Variant(u"editing"));
    rt::ComPtr<Field> f = field(rs.get(), Variant(u"name"));
    Variant current, underlying, original;
    rt::check(f->get_Value(&current));
    rt::check(f->get_UnderlyingValue(&underlying));
    rt::check(f->get_OriginalValue(&original));
    EXPECT_EQ(text(current), "editing");
    EXPECT_EQ(text(underlying), "pending");
    EXPECT_EQ(text(original), "abc");
    int32_t size = 0;
    rt::check(f->get_ActualSize(&size));
    EXPECT_EQ(size, 7);
    rt::check(rs->CancelUpdate());
    rt::check(f->get_Value(&current));
    EXPECT_EQ(text(current), "pending");
    rt::check(rs->CancelBatch(adAffectAll));
    rt::check(f->get_Value(&current));
    EXPECT_EQ(text(current), "abc");
}

TEST_P(MembersTest, BinaryValuesAreByteArrays) {
    auto rs = open(u"select id, data from t", adLockOptimistic);
    Variant v = value(rs.get(), Variant(u"data"));
    ASSERT_TRUE(v.isArray());
    ASSERT_EQ(v.array().size(), 3u);
    EXPECT_EQ(rt::toI4(v.array().items()[2]), 3);
    int32_t size = 0;
    rt::check(field(rs.get(), Variant(u"data"))->get_ActualSize(&size));
    EXPECT_EQ(size, 3);
    setValue(rs.get(), Variant(u"data"), Variant(rt::Array(0, {Variant(int16_t(255)), Variant(int32_t(0))})));
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    EXPECT_EQ(text(scalarOf(u"select hex(data) from t")), "FF00");
    EXPECT_EQ(errorOf([&] { setValue(rs.get(), Variant(u"data"), Variant(rt::Array(0, {Variant(int32_t(256))}))); })
                  .hresult(),
              kMultipleStepErrors);
}

TEST_P(MembersTest, ActiveConnectionTakesObjectsStringsAndNothing) {
    auto rs = open(u"select id from t");
    auto other = openConnection(connectionString());
    rt::check(rs->put_ActiveConnection(Variant(rt::ComPtr<rt::IDispatch>(other.get()))));
    Variant c;
    rt::check(rs->get_ActiveConnection(&c));
    EXPECT_EQ(rt::identityOf(c.object().get()), rt::identityOf(other.get()));
    rt::check(rs->put_ActiveConnection(Variant::nothing()));
    rt::check(rs->get_ActiveConnection(&c));
    EXPECT_TRUE(c.isNothing());
    auto notAConnection = newRecordset();
    EXPECT_EQ(adoErrorOf([&] { rt::check(rs->put_ActiveConnection(Variant(notAConnection))); }),
              adErrInvalidArgument);
    // Late-bound "Set rs.ActiveConnection = conn" goes through the put-ref member.
    rt::invoke(rs.get(), u"ActiveConnection", rt::DISPATCH_PROPERTYPUTREF,
               {Variant(rt::ComPtr<rt::IDispatch>(conn()))});
    rt::check(rs->get_ActiveConnection(&c));
    EXPECT_EQ(rt::identityOf(c.object().get()), rt::identityOf(conn()));
}

TEST_P(MembersTest, LateBoundOpenAndVersion) {
    rt::ComPtr<rt::IDispatch> rs = rt::createObject(u"ADODB.Recordset");
    rt::callMethod(rs.get(), u"Open",
                   {Variant(u"select name from t"), Variant(rt::ComPtr<rt::IDispatch>(conn())), Variant(int32_t(0)),
                    Variant(int32_t(1))});
    EXPECT_EQ(rt::toI4(rt::getProperty(rs.get(), u"State")), adStateOpen);
    const Variant f = rt::invokeId(rs.get(), rt::DISPID_VALUE, rt::DISPATCH_PROPERTYGET, {Variant(u"NAME")});
    EXPECT_EQ(text(rt::defaultValueOf(f.object().get())), "abc");
    EXPECT_EQ(text(rt::getProperty(conn(), u"Version")), "2.6");
    int32_t timeout = 0;
    rt::check(conn()->get_ConnectionTimeout(&timeout));
    EXPECT_EQ(timeout, 15);
    EXPECT_EQ(adoErrorOf([&] { rt::check(conn()->put_ConnectionTimeout(5)); }), adErrObjectOpen);
    EXPECT_EQ(rt::classIdOf(u"ADODB.Recordset"), kRecordsetClsid);
    EXPECT_EQ(rt::classIdOf(u"adodb.connection"), kConnectionClsid);
}

INSTANTIATE_TEST_SUITE_P(Providers, MembersTest, ::testing::Values(sqliteBackend()), backendName);

}  // namespace
}  // namespace ado::testing
