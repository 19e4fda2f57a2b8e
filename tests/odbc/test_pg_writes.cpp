// Writing back to PostgreSQL, and what its errors look like.
#include "dataaccess/behaviour/ado_testing.h"
#include "dom/dom.h"
#include "pg/pg_testing.h"
#include "runtime/date.h"

namespace ado::pgtest {
namespace {

using rt::Str;
using rt::Variant;
using testing::errorOf;
using testing::openConnection;
using testing::recordCount;
using testing::scalar;
using testing::setValue;
using testing::text;
using testing::u8;
using testing::value;

using PgWrites = PgTest;

const Variant kMissing{rt::Missing{}};

void update(_Recordset* rs) { rt::check(rs->Update(kMissing, kMissing)); }
void addNew(_Recordset* rs) { rt::check(rs->AddNew(kMissing, kMissing)); }

TEST_F(PgWrites, ImmediateInsertsUpdatesAndDeletes) {
    exec(u"create table people (id serial primary key, name varchar(20) not null, born date)");
    exec(u"insert into people (name) values ('ann')");
    auto rs = open(u"select id, name, born from people order by id", adLockOptimistic);
    addNew(rs.get());
    setValue(rs.get(), Variant(u"name"), Variant(u"bob"));
    update(rs.get());
    EXPECT_EQ(rt::toI4(value(rs.get(), Variant(u"id"))), 2);  // RETURNING the new key
    addNew(rs.get());
    setValue(rs.get(), Variant(u"name"), Variant(u"cy"));
    setValue(rs.get(), Variant(u"born"), Variant(u"2001-02-03"));
    update(rs.get());
    EXPECT_EQ(rt::toI4(value(rs.get(), Variant(u"id"))), 3);
    EXPECT_EQ(text(scalarOf(u"select string_agg(id || ':' || name, ',' order by id) from people")),
              "1:ann,2:bob,3:cy");

    rt::check(rs->MoveFirst());
    setValue(rs.get(), Variant(u"name"), Variant(u"anne"));
    update(rs.get());
    rt::check(rs->MoveNext());
    rt::check(rs->Delete(adAffectCurrent));
    EXPECT_EQ(text(scalarOf(u"select string_agg(id || ':' || name, ',' order by id) from people")), "1:anne,3:cy");
    rt::CivilTime born;
    born.year = 2001;
    born.month = 2;
    born.day = 3;
    EXPECT_EQ(rt::toDate(scalarOf(u"select born from people where id = 3")), rt::serialFromCivil(born));
    EXPECT_EQ(recordCount(rs.get()), 2);
}

TEST_F(PgWrites, BatchChangesWaitForUpdateBatchAndGoInOneTransaction) {
    exec(u"create table items (id integer primary key, qty integer not null)");
    exec(u"insert into items values (1, 10), (2, 20), (3, 30)");
    auto other = openConnection(connectionString());  // another session watching
    auto rs = open(u"select id, qty from items order by id", adLockBatchOptimistic);
    setValue(rs.get(), Variant(u"qty"), Variant(int32_t(11)));
    update(rs.get());
    rt::check(rs->MoveNext());
    rt::check(rs->Delete(adAffectCurrent));
    addNew(rs.get());
    setValue(rs.get(), Variant(u"id"), Variant(int32_t(4)));
    setValue(rs.get(), Variant(u"qty"), Variant(int32_t(40)));
    update(rs.get());
    EXPECT_EQ(text(scalar(other.get(), u"select sum(qty) from items")), "60");  // nothing written yet

    rt::check(rs->UpdateBatch(adAffectAll));
    EXPECT_EQ(text(scalar(other.get(), u"select string_agg(id || '=' || qty, ',' order by id) from items")),
              "1=11,3=30,4=40");
}

TEST_F(PgWrites, AFailedBatchWritesNothingAndKeepsItsChanges) {
    exec(u"create table items (id integer primary key, qty integer not null check (qty >= 0))");
    exec(u"insert into items values (1, 10), (2, 20)");
    auto rs = open(u"select id, qty from items order by id", adLockBatchOptimistic);
    setValue(rs.get(), Variant(u"qty"), Variant(int32_t(5)));
    update(rs.get());
    addNew(rs.get());
    setValue(rs.get(), Variant(u"id"), Variant(int32_t(2)));  // the key exists already
    setValue(rs.get(), Variant(u"qty"), Variant(int32_t(1)));
    update(rs.get());
    rt::Error e = errorOf([&] { rt::check(rs->UpdateBatch(adAffectAll)); });
    EXPECT_EQ(e.hresult(), kIntegrityViolation);
    EXPECT_NE(u8(e.description()).find("duplicate key value violates unique constraint"), std::string::npos)
        << u8(e.description());
    EXPECT_EQ(text(scalarOf(u"select string_agg(id || '=' || qty, ',' order by id) from items")), "1=10,2=20");

    // The changes are still pending: mend the new row and write again.
    setValue(rs.get(), Variant(u"id"), Variant(int32_t(3)));
    update(rs.get());
    rt::check(rs->UpdateBatch(adAffectAll));
    EXPECT_EQ(text(scalarOf(u"select string_agg(id || '=' || qty, ',' order by id) from items")), "1=5,2=20,3=1");
}

// Changes made on SQLite, carried in a persisted document, written to PostgreSQL: the
// document's names (ShipperID) find the columns PostgreSQL folded to lower case.
TEST_F(PgWrites, ADocumentsPendingChangesWriteBackWhateverTheCaseOfItsNames) {
    exec(u"create table Shippers (ShipperID integer primary key, CompanyName varchar(40))");
    exec(u"insert into Shippers values (1, 'Speedy'), (2, 'United')");
    testing::TempDir dir;
    auto lite = openConnection(u"Provider=SQLite;Data Source=" + rt::fromUtf8(dir.file("s.db")));
    testing::execute(lite.get(), u"create table Shippers (ShipperID int primary key, CompanyName nvarchar(40))");
    testing::execute(lite.get(), u"insert into Shippers values (1, 'Speedy'), (2, 'United')");
    auto rs = testing::query(lite.get(), u"select ShipperID, CompanyName from Shippers order by ShipperID",
                             adLockBatchOptimistic);
    setValue(rs.get(), Variant(u"CompanyName"), Variant(u"Speedy Express"));
    update(rs.get());
    addNew(rs.get());
    setValue(rs.get(), Variant(u"ShipperID"), Variant(int32_t(3)));
    setValue(rs.get(), Variant(u"CompanyName"), Variant(u"Federal"));
    update(rs.get());
    auto doc = dom::newDocument();
    rt::check(rs->Save(Variant(rt::ComPtr<rt::IDispatch>(doc.get())), adPersistXML));

    auto carried = newRecordset();
    rt::check(carried->Open(Variant(rt::ComPtr<rt::IDispatch>(doc.get())), kMissing, adOpenForwardOnly,
                            adLockBatchOptimistic, -1));
    rt::check(carried->putref_ActiveConnection(conn()));
    rt::check(carried->UpdateBatch(adAffectAll));
    EXPECT_EQ(text(scalarOf(u"select string_agg(shipperid || '=' || companyname, ',' order by shipperid) "
                            u"from shippers")),
              "1=Speedy Express,2=United,3=Federal");
}

TEST_F(PgWrites, ARowChangedMeanwhileIsNotOverwritten) {
    exec(u"create table acct (id integer primary key, balance numeric(12,2))");
    exec(u"insert into acct values (1, 100)");
    auto rs = open(u"select balance from acct", adLockOptimistic);  // no key column in the record set
    auto other = openConnection(connectionString());
    testing::execute(other.get(), u"update acct set balance = 90");
    setValue(rs.get(), Variant(u"balance"), Variant(int32_t(150)));
    rt::Error e = errorOf([&] { update(rs.get()); });
    EXPECT_EQ(e.hresult(), kRowNotLocated) << u8(e.description());
    EXPECT_EQ(text(scalarOf(u"select balance from acct")), "90");
}

TEST_F(PgWrites, ErrorsCarryTheServersMessage) {
    rt::Error e = errorOf([&] { exec(u"selec 1"); });
    EXPECT_EQ(e.hresult(), kErrorsInCommand);
    EXPECT_NE(u8(e.description()).find("syntax error at or near \"selec\""), std::string::npos) << u8(e.description());

    e = errorOf([&] { exec(u"select * from no_such_table"); });
    EXPECT_EQ(e.hresult(), kErrorsInCommand);
    EXPECT_NE(u8(e.description()).find("relation \"no_such_table\" does not exist"), std::string::npos);

    exec(u"create table k (id integer primary key, v integer check (v > 0))");
    exec(u"insert into k values (1, 1)");
    e = errorOf([&] { exec(u"insert into k values (1, 2)"); });
    EXPECT_EQ(e.hresult(), kIntegrityViolation);
    e = errorOf([&] { exec(u"insert into k values (2, -1)"); });
    EXPECT_EQ(e.hresult(), kIntegrityViolation);
    EXPECT_NE(u8(e.description()).find("violates check constraint"), std::string::npos);
    e = errorOf([&] { exec(u"select 1/0"); });
    EXPECT_NE(u8(e.description()).find("division by zero"), std::string::npos);
    e = errorOf([&] { exec(u"select 'x'::integer"); });
    EXPECT_NE(u8(e.description()).find("invalid input syntax for type integer"), std::string::npos);

    // A failed statement inside a transaction undoes only itself, as elsewhere.
    int32_t level = 0;
    rt::check(conn()->BeginTrans(&level));
    exec(u"insert into k values (2, 2)");
    EXPECT_TRUE(rt::failed(errorOf([&] { exec(u"insert into k values (2, 3)"); }).hresult()));
    exec(u"insert into k values (3, 3)");
    rt::check(conn()->CommitTrans());
    EXPECT_EQ(text(scalarOf(u"select count(*) from k")), "3");
}

TEST_F(PgWrites, TheLibrarysTSqlIsRewrittenForPostgres) {
    exec(u"create table t (id integer, name varchar(10))");
    exec(u"insert into t values (1, N'a'), (2, N'it''s'), (3, N'top 1')");
    EXPECT_EQ(text(scalarOf(u"select top 1 name from t where name = N'it''s'")), "it's");
    auto rs = open(u"select top 2 id from t order by id desc");
    EXPECT_EQ(recordCount(rs.get()), 2);
    EXPECT_EQ(text(value(rs.get(), Variant(int32_t(0)))), "3");
    EXPECT_EQ(text(scalarOf(u"select count(*) from t where name = N'top 1'")), "1");
}

TEST_F(PgWrites, ExecuteCountsAndTransactionsNest) {
    exec(u"create table t (id integer)");
    Variant affected;
    rt::ComPtr<_Recordset> none;
    rt::check(conn()->Execute(u"insert into t values (1), (2), (3)", &affected, -1, none.put()));
    EXPECT_EQ(rt::toI4(affected), 3);
    none = nullptr;
    rt::check(conn()->Execute(u"update t set id = id where id > 5", &affected, -1, none.put()));
    EXPECT_EQ(rt::toI4(affected), 0);

    int32_t level = 0;
    rt::check(conn()->BeginTrans(&level));
    exec(u"insert into t values (4)");
    rt::check(conn()->BeginTrans(&level));
    EXPECT_EQ(level, 2);
    exec(u"insert into t values (5)");
    rt::check(conn()->RollbackTrans());
    rt::check(conn()->CommitTrans());
    EXPECT_EQ(text(scalarOf(u"select string_agg(id::text, ',' order by id) from t")), "1,2,3,4");
    rt::check(conn()->BeginTrans(&level));
    exec(u"delete from t");
    rt::check(conn()->RollbackTrans());
    EXPECT_EQ(text(scalarOf(u"select count(*) from t")), "4");
    EXPECT_TRUE(rt::failed(conn()->CommitTrans()));
}

}  // namespace
}  // namespace ado::pgtest
