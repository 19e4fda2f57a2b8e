// Connection behaviour, on every backend.
#include <chrono>

#include "runtime/dispatch.h"
#include "suites.h"

namespace ado::testing {
namespace {

int32_t stateOf(_Connection* c) {
    int32_t s = -1;
    rt::check(c->get_State(&s));
    return s;
}

TEST_P(ConnectionTest, OpensFromThePropertiesWhenTheArgumentsAreEmpty) {
    auto c = rt::createObject(u"ADODB.Connection").as<_Connection>();
    ASSERT_TRUE(c);
    EXPECT_EQ(stateOf(c.get()), adStateClosed);
    rt::check(c->put_ConnectionString(connectionString()));
    rt::check(c->put_CursorLocation(adUseClient));
    rt::check(c->put_ConnectionTimeout(120));
    rt::check(c->put_CommandTimeout(120));
    rt::check(c->Open(Str(), Str(), Str(), -1));
    EXPECT_EQ(stateOf(c.get()), adStateOpen);
    Str cs;
    rt::check(c->get_ConnectionString(&cs));
    EXPECT_EQ(cs, connectionString());
    int32_t t = 0;
    rt::check(c->get_CommandTimeout(&t));
    EXPECT_EQ(t, 120);
    rt::check(c->Close());
    EXPECT_EQ(stateOf(c.get()), adStateClosed);
    EXPECT_EQ(adoErrorOf([&] { rt::check(c->Close()); }), adErrObjectClosed);
}

TEST_P(ConnectionTest, OpenTakesTheStringArgumentAndRefusesASecondOpen) {
    auto c = newConnection();
    rt::check(c->Open(connectionString(), Str(), Str(), -1));
    Str cs;
    rt::check(c->get_ConnectionString(&cs));
    EXPECT_EQ(cs, connectionString());
    EXPECT_EQ(adoErrorOf([&] { rt::check(c->Open(connectionString(), Str(), Str(), -1)); }), adErrObjectOpen);
    EXPECT_EQ(adoErrorOf([&] { rt::check(c->put_ConnectionString(u"x")); }), adErrObjectOpen);
}

TEST_P(ConnectionTest, AnUnknownProviderIsError3706) {
    auto c = newConnection();
    rt::Error e = errorOf([&] { rt::check(c->Open(u"Provider=NoSuchThing;Data Source=x", Str(), Str(), -1)); });
    EXPECT_EQ(e.numberValue(), adErrProviderNotFound);
    EXPECT_EQ(stateOf(c.get()), adStateClosed);
}

TEST_P(ConnectionTest, ExecuteReturnsRowsAndCountsAffectedRecords) {
    exec(u"create table t (id int primary key, name nvarchar(20))");
    exec(u"insert into t values (1, N'a')");
    exec(u"insert into t values (2, N'b')");
    rt::ComPtr<_Recordset> rs;
    Variant affected;
    rt::check(conn()->Execute(u"update t set name = N'z'", &affected, -1, rs.put()));
    EXPECT_EQ(rt::toI4(affected), 2);
    int32_t state = -1;
    rt::check(rs->get_State(&state));
    EXPECT_EQ(state, adStateClosed);  // no rows: a closed record set

    rs = nullptr;
    rt::check(conn()->Execute(u"select id, name from t order by id", nullptr, -1, rs.put()));
    rt::check(rs->get_State(&state));
    EXPECT_EQ(state, adStateOpen);
    EXPECT_EQ(recordCount(rs.get()), 2);
    EXPECT_EQ(text(value(rs.get(), Variant(u"name"))), "z");
    EXPECT_EQ(adoErrorOf([&] { setValue(rs.get(), Variant(u"name"), Variant(u"q")); }), adErrFeatureNotAvailable);
}

TEST_P(ConnectionTest, DatabaseErrorsCarryTheStatusAndTheDatabasesMessage) {
    rt::Error e = errorOf([&] { exec(u"selec nonsense"); });
    EXPECT_EQ(e.hresult(), kErrorsInCommand);
    EXPECT_NE(u8(e.description()).find("syntax"), std::string::npos) << u8(e.description());

    e = errorOf([&] { exec(u"select * from no_such_table"); });
    EXPECT_TRUE(rt::failed(e.hresult()));
    EXPECT_NE(u8(e.description()).find("no_such_table"), std::string::npos) << u8(e.description());

    exec(u"create table k (id int primary key)");
    exec(u"insert into k values (1)");
    e = errorOf([&] { exec(u"insert into k values (1)"); });
    EXPECT_EQ(e.hresult(), kIntegrityViolation);
}

// A NUL in the command text is refused whole: a C interface below would take it for the
// end of the text and run the part before it (a delete without its condition).
TEST_P(ConnectionTest, ANulInTheCommandTextIsRefusedWhole) {
    exec(u"create table t (a int)");
    exec(u"insert into t values (1)");
    exec(u"insert into t values (2)");
    const Str sql = u"delete from t" + Str(1, u'\0') + u" where a = 1";
    rt::Error e = errorOf([&] { execute(conn(), sql); });
    EXPECT_EQ(e.hresult(), kErrorsInCommand);
    EXPECT_NE(u8(e.description()).find("NUL"), std::string::npos);
    EXPECT_EQ(text(scalarOf(u"select count(*) from t")), "2");
    auto rs = newRecordset();
    e = errorOf([&] {
        rt::check(rs->Open(Variant(sql), Variant(rt::ComPtr<rt::IDispatch>(conn())), adOpenStatic, adLockOptimistic,
                           adCmdText));
    });
    EXPECT_EQ(e.hresult(), kErrorsInCommand);
    EXPECT_EQ(text(scalarOf(u"select count(*) from t")), "2");
    execute(conn(), u"delete from t where a = 1");  // the connection goes on
    EXPECT_EQ(text(scalarOf(u"select count(*) from t")), "1");
}

// A runaway statement ends at the command time-out with the time-out status, and the
// connection goes on.
TEST_P(ConnectionTest, AStatementStopsAtItsCommandTimeout) {
    auto c = newConnection();
    rt::check(c->put_CommandTimeout(1));
    rt::check(c->Open(connectionString(), Str(), Str(), -1));
    const auto start = std::chrono::steady_clock::now();
    rt::Error e = errorOf([&] {
        query(c.get(), u"with recursive r(n) as (select 1 union all select n + 1 from r) select count(*) from r");
    });
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(e.hresult(), kTimeoutExpired) << u8(e.description());
    EXPECT_GE(waited, 0.9);
    EXPECT_LT(waited, 10.0);
    EXPECT_EQ(text(scalar(c.get(), u"select 1")), "1");
}

TEST_P(ConnectionTest, TransactionsNestCommitAndRollBack) {
    exec(u"create table t (id int)");
    int32_t level = 0;
    rt::check(conn()->BeginTrans(&level));
    EXPECT_EQ(level, 1);
    exec(u"insert into t values (1)");
    rt::check(conn()->BeginTrans(&level));
    EXPECT_EQ(level, 2);
    exec(u"insert into t values (2)");
    rt::check(conn()->RollbackTrans());  // drops 2 only
    rt::check(conn()->CommitTrans());
    EXPECT_EQ(text(scalarOf(u"select count(*) from t")), "1");
    EXPECT_EQ(text(scalarOf(u"select max(id) from t")), "1");

    rt::check(conn()->BeginTrans(&level));
    exec(u"insert into t values (3)");
    rt::check(conn()->RollbackTrans());
    EXPECT_EQ(text(scalarOf(u"select count(*) from t")), "1");
    EXPECT_TRUE(rt::failed(conn()->CommitTrans()));  // none active
}

TEST_P(ConnectionTest, TheLibrarysTSqlFormsReachTheDatabase) {
    exec(u"create table t (id int, name nvarchar(20))");
    exec(u"insert into t values (1, N'it''s')");
    exec(u"insert into t values (2, N'top')");
    exec(u"insert into t values (3, N'x')");
    EXPECT_EQ(text(scalarOf(u"select name from t where id = 1")), "it's");
    auto rs = open(u"select top 2 id from t order by id desc");
    EXPECT_EQ(recordCount(rs.get()), 2);
    EXPECT_EQ(text(value(rs.get(), Variant(int32_t(0)))), "3");
    rs = open(u"select distinct top 1 name from t where name = N'top'");
    EXPECT_EQ(recordCount(rs.get()), 1);
}

TEST_P(ConnectionTest, LateBoundCallsByName) {
    rt::ComPtr<rt::IDispatch> c = rt::createObject(u"ADODB.Connection");
    rt::putProperty(c.get(), u"ConnectionString", Variant(connectionString()));
    rt::putProperty(c.get(), u"CursorLocation", Variant(int32_t(3)));
    rt::callMethod(c.get(), u"Open", {Variant(Str()), Variant(Str()), Variant(Str()), Variant(int32_t(-1))});
    EXPECT_EQ(rt::toI4(rt::getProperty(c.get(), u"State")), 1);
    EXPECT_EQ(rt::toI4(rt::getProperty(c.get(), u"cursorlocation")), 3);
    rt::callMethod(c.get(), u"Execute", {Variant(u"create table t (a int)")});
    Variant affected;
    rt::callMethod(c.get(), u"Execute", {Variant(u"insert into t values (7)"), rt::CallArg::ref(affected)});
    EXPECT_EQ(rt::toI4(affected), 1);
    Variant rs = rt::callMethod(c.get(), u"Execute", {Variant(u"select a from t")});
    ASSERT_TRUE(rs.isObject());
    // rs(0): the record set's default member (Fields), then its default member (Item).
    Variant f = rt::invokeId(rs.object().get(), rt::DISPID_VALUE, rt::DISPATCH_PROPERTYGET, {Variant(int32_t(0))});
    ASSERT_TRUE(f.isObject());
    EXPECT_EQ(rt::toI4(rt::defaultValueOf(f.object().get())), 7);
    rt::callMethod(c.get(), u"Close");
    EXPECT_EQ(rt::toI4(rt::getProperty(c.get(), u"State")), 0);
}

}  // namespace
}  // namespace ado::testing
