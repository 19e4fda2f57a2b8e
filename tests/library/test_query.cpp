// Query helpers on pooled connections: objOpenDB, vInRecord's result shapes and its
// connection's way back to the pool, vInRecord2's read and write modes, statements whose
// literals need careful reading, and Sql2Doc with the whole road of a document back to the
// table. Early- and late-bound, on SQLite and PostgreSQL.
#include "data_testing.h"

using namespace velmora;
using namespace velmora::testing;
using rt::CallArg;
using rt::ComPtr;
using rt::Str;
using rt::Variant;

namespace {

class Query : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        if (IsSkipped()) return;
        pool = rt::call(client::global().get(), &_CGlobal::GetPoolInstance);
        rt::check(pool->ResetPool());
        exec(u"create table t (id int primary key, name nvarchar(20), amount decimal(10,2))");
        exec(u"insert into t values (1, N'a', 1.5)");
        exec(u"insert into t values (2, N'it''s', 2)");
        exec(u"insert into t values (3, N'\u4E2D\u6587', null)");
    }
    void TearDown() override {
        if (pool) rt::check(pool->ResetPool());
        DataTest::TearDown();
    }

    Variant cs() const { return Variant(connectionString()); }
    Variant inRecord(const Str& sql, Variant con, int32_t flag = 1, int32_t cursor = 0, int32_t lock = 1,
                     int32_t line = 0) {
        Variant s(sql);
        return client::call(cf.get(), &_CCommonFunction::vInRecord, &s, &con, &flag, &cursor, &lock, &line);
    }
    Variant inRecord(const Str& sql, int32_t flag = 1) { return inRecord(sql, cs(), flag); }
    // The connection the pool lends next for the test's data source.
    ComPtr<ado::_Connection> nextPooled() {
        Variant dsn = cs();
        return rt::call(pool.get(), &_CConPool::objDsn2Con, &dsn);
    }
    static ComPtr<ado::_Recordset> recordsetOf(const Variant& v) {
        if (!v.isObject() || !v.object()) return {};
        return v.object().as<ado::_Recordset>();
    }
    static ComPtr<ado::_Connection> connectionOf(ado::_Recordset* rs) {
        Variant c;
        rt::check(rs->get_ActiveConnection(&c));
        return c.isObject() && c.object() ? c.object().as<ado::_Connection>() : nullptr;
    }

    ComPtr<_CConPool> pool;
};

// ---- objOpenDB -------------------------------------------------------------------------------

TEST_P(Query, ObjOpenDBOpensAConnectionOfItsOwn) {
    Str s = connectionString();
    ComPtr<ado::_Connection> a = client::call(cf.get(), &_CCommonFunction::objOpenDB, &s);
    ASSERT_TRUE(a);
    int32_t state = 0, location = 0;
    rt::check(a->get_State(&state));
    rt::check(a->get_CursorLocation(&location));
    EXPECT_EQ(state, ado::adStateOpen);
    EXPECT_EQ(location, ado::adUseClient);
    EXPECT_EQ(text(ado::testing::scalar(a.get(), u"select name from t where id = 1")), "a");
    ComPtr<ado::_Connection> b = client::call(cf.get(), &_CCommonFunction::objOpenDB, &s);
    EXPECT_NE(a.get(), b.get()) << "never pooled";
    EXPECT_NE(nextPooled().get(), a.get());
    // Failures answer nothing.
    Str bad = u"provider=nothing-like-this;data source=x";
    EXPECT_FALSE(client::call(cf.get(), &_CCommonFunction::objOpenDB, &bad));
    Str unreachable = isPostgres() ? ado::pgtest::withPair(connectionString(), u"data source", u"127.0.0.1:1")
                                   : Str(u"provider=sqlite;data source=/nonexistent-folder/x/y.db");
    EXPECT_FALSE(client::call(cf.get(), &_CCommonFunction::objOpenDB, &unreachable));
    // Late-bound.
    Variant lateCon = late(cf, u"objOpenDB", {Variant(connectionString())});
    ASSERT_TRUE(lateCon.isObject() && lateCon.object());
    EXPECT_TRUE(late(cf, u"objOpenDB", {Variant(bad)}).isNothing());
}

// ---- vInRecord --------------------------------------------------------------------------------

TEST_P(Query, VInRecordResultShapes) {
    // One column with rows: the first row's value, not the record set.
    Variant v = inRecord(u"select name from t order by id");
    EXPECT_TRUE(v.isString());
    EXPECT_EQ(text(v), "a");
    EXPECT_EQ(text(inRecord(u"select amount from t where id = 1")), "1.5");
    EXPECT_TRUE(inRecord(u"select amount from t where id = 3").isNull()) << "a null value";
    // One column without rows: null.
    EXPECT_TRUE(inRecord(u"select name from t where id = 99").isNull());
    // Two columns without rows: nothing; with the keep-empty digit an empty record set.
    EXPECT_TRUE(inRecord(u"select id, name from t where id = 99").isNothing());
    auto empty = recordsetOf(inRecord(u"select id, name from t where id = 99", 10));
    ASSERT_TRUE(empty);
    EXPECT_EQ(recordCount(empty.get()), 0);
    EXPECT_EQ(fieldCount(empty.get()), 2);
    // Flag 10 keeps a one-column result a record set; so does 0.
    auto one = recordsetOf(inRecord(u"select name from t order by id", 10));
    ASSERT_TRUE(one);
    EXPECT_EQ(recordCount(one.get()), 3);
    EXPECT_TRUE(recordsetOf(inRecord(u"select name from t order by id", 0)));
    EXPECT_TRUE(inRecord(u"select name from t where id = 99", 0).isNothing());
    // Flag 11: scalar for one column, an empty record set for an empty wider result.
    EXPECT_EQ(text(inRecord(u"select name from t where id = 1", 11)), "a");
    EXPECT_TRUE(inRecord(u"select name from t where id = 99", 11).isNull());
    EXPECT_TRUE(recordsetOf(inRecord(u"select id, name from t where id = 99", 11)));
    // Several columns with rows: the open record set on its first row.
    auto many = recordsetOf(inRecord(u"select id, name from t order by id"));
    ASSERT_TRUE(many);
    EXPECT_EQ(text(value(many.get(), Variant(u"name"))), "a");
    EXPECT_EQ(recordCount(many.get()), 3);
}

TEST_P(Query, VInRecordRewritesItsFlagAndPassesItsOptions) {
    Variant s(u"select id, name from t where id = 99");
    Variant con = cs();
    int32_t flag = -11, cursor = 0, lock = 1, line = 0;
    Variant r = client::call(cf.get(), &_CCommonFunction::vInRecord, &s, &con, &flag, &cursor, &lock, &line);
    EXPECT_EQ(flag, 11);
    EXPECT_TRUE(recordsetOf(r)) << "|-11| keeps an empty record set";
    // The lock type reaches the record set; line reaches its options (2: a table name).
    auto table = recordsetOf(inRecord(u"t", cs(), 0, ado::adOpenStatic, ado::adLockOptimistic, ado::adCmdTable));
    ASSERT_TRUE(table);
    EXPECT_EQ(recordCount(table.get()), 3);
    int32_t lockType = 0;
    rt::check(table->get_LockType(&lockType));
    EXPECT_EQ(lockType, ado::adLockOptimistic);
}

TEST_P(Query, TheConnectionGoesBackToThePoolBeforeTheResultIsSeen) {
    auto rs = recordsetOf(inRecord(u"select id, name from t order by id"));
    ASSERT_TRUE(rs);
    ComPtr<ado::_Connection> used = connectionOf(rs.get());
    ASSERT_TRUE(used);
    // The record set keeps its connection, which is idle in the pool meanwhile: a second
    // query shares it.
    auto rs2 = recordsetOf(inRecord(u"select id, name from t order by id desc"));
    ASSERT_TRUE(rs2);
    EXPECT_EQ(connectionOf(rs2.get()).get(), used.get());
    EXPECT_EQ(text(value(rs.get(), Variant(u"id"))), "1");
    EXPECT_EQ(text(value(rs2.get(), Variant(u"id"))), "3");
    EXPECT_EQ(nextPooled().get(), used.get());
}

TEST_P(Query, AFailingStatementGivesNullAndReturnsTheConnection) {
    EXPECT_TRUE(recordsetOf(inRecord(u"select id, name from t")));  // one idle connection now
    ComPtr<ado::_Connection> idle = nextPooled();
    ComPtr<ado::_Connection> slot = idle;
    ado::_Connection* raw = slot.detach();
    rt::check(pool->ReleaseConn(&raw));
    for (const char16_t* bad : {u"select nonsense from", u"select * from no_such_table", u"select 'abc",
                                u"update t set name = N'z' where id = 99"}) {
        EXPECT_TRUE(inRecord(bad).isNull()) << rt::toUtf8(bad);
    }
    EXPECT_EQ(nextPooled().get(), idle.get()) << "the borrowed connection is idle again";
    // Without a usable data source: null.
    EXPECT_TRUE(inRecord(u"select 1", Variant(u"provider=nothing-like-this")).isNull());
    EXPECT_TRUE(late(cf, u"vInRecord", {Variant(u"select id from t")}).isNull()) << "con omitted";
    EXPECT_TRUE(inRecord(u"select 1", Variant(rt::Null{})).isNull());
}

TEST_P(Query, AConnectionObjectIsUsedAndJoinsThePool) {
    Variant con{rt::ComPtr<rt::IDispatch>(conn())};
    EXPECT_EQ(text(inRecord(u"select name from t where id = 1", con)), "a");
    EXPECT_EQ(nextPooled().get(), conn()) << "the caller's connection is idle in the pool now";
}

TEST_P(Query, StatementsWithLiteralsThatNeedReading) {
    EXPECT_EQ(text(inRecord(u"select id from t where name = 'it''s'")), "2");
    EXPECT_EQ(text(inRecord(u"select name from t where name = 'it''s' and id = 2")), "it's");
    EXPECT_EQ(text(inRecord(u"select id from t where name = n'a'")), "1");
    EXPECT_EQ(text(inRecord(u"select id from t where name = N'a'")), "1");
    EXPECT_EQ(text(inRecord(u"select id -- it's the key\nfrom t where name = 'a'")), "1");
    EXPECT_EQ(text(inRecord(u"select /* don't */ id from t where name = 'a'")), "1");
    EXPECT_EQ(text(inRecord(u"select \"name\" as \"it's\" from t where id = 2")), "it's");
    if (!isPostgres()) {
        EXPECT_EQ(text(inRecord(u"select [name] as [it's] from t where id = 2")), "it's");
    }
    EXPECT_EQ(text(inRecord(u"select id from t where name = '\u4E2D\u6587'")), "3");
    EXPECT_EQ(text(inRecord(u"*select id from t where name = 'a'")), "1");
    // A list of more than 32,767 apostrophes.
    Str in = u"select count(*) from t where name in (";
    for (int i = 0; i < 20000; ++i) in += u"'x" + rt::fromUtf8(std::to_string(i)) + u"',";
    in += u"'it''s', 'a')";
    EXPECT_EQ(rt::toI4(inRecord(in)), 2);
}

TEST_P(Query, VInRecordLateBound) {
    EXPECT_EQ(text(late(cf, u"vInRecord", {Variant(u"select name from t where id = 1"), cs()})), "a");
    Variant flag(int32_t(-10));
    Variant r = late(cf, u"vInRecord", {Variant(u"select name from t where id = 99"), cs(), CallArg::ref(flag)});
    EXPECT_TRUE(recordsetOf(r));
    EXPECT_EQ(rt::toI4(flag), 10);
}

// ---- vInRecord2 ---------------------------------------------------------------------------------

class Query2 : public Query {
protected:
    void SetUp() override {
        Query::SetUp();
        if (IsSkipped()) return;
        exec(u"create table w (id int primary key, a int, b nvarchar(10), c nvarchar(10))");
        exec(u"insert into w values (1, 7, null, N'x')");
        exec(u"insert into w values (2, 8, N'y', N'z')");
    }
    // Read mode: vVal holds the missing marker.
    Variant read(Variant& sName, Str& sql, Variant& error) {
        Variant missing(rt::Missing{});
        Variant con = cs();
        return client::call(cf.get(), &_CCommonFunction::vInRecord2, &sName, &missing, &sql, &con, &error);
    }
    Variant write(Variant& sName, Variant& vVal, Str& sql, Variant& error) {
        Variant con = cs();
        return client::call(cf.get(), &_CCommonFunction::vInRecord2, &sName, &vVal, &sql, &con, &error);
    }
    std::string row(int id) {
        return text(scalarOf(u"select coalesce(cast(a as varchar(10)), 'null') || ',' || coalesce(b, 'null') || ',' || "
                             u"coalesce(c, 'null') from w where id = " +
                             rt::fromUtf8(std::to_string(id))));
    }
};

TEST_P(Query2, NothingHappensWithoutNamesOrStatement) {
    struct Case {
        Variant name;
        Str sql;
        const char* normalisedName;
    };
    const Case cases[] = {{Variant(u"  "), u"from w", ""},
                          {Variant(rt::Null{}), u"from w", ""},
                          {Variant(u" a "), u"   ", "a"},
                          {Variant(u"a"), u"", "a"}};
    for (const Case& c : cases) {
        Variant name = c.name;
        Str sql = c.sql;
        Variant error(u"stale");
        Variant missing(rt::Missing{});
        Variant con(u"provider=nothing-like-this");  // never reached
        Variant r = client::call(cf.get(), &_CCommonFunction::vInRecord2, &name, &missing, &sql, &con, &error);
        EXPECT_TRUE(r.isEmpty());
        EXPECT_EQ(text(error), "");
        EXPECT_EQ(text(name), c.normalisedName);
        EXPECT_EQ(sql, c.sql) << "the statement is left alone";
    }
}

TEST_P(Query2, ReadModeGivesAValueOrTheRecordSet) {
    Variant name(u" a ");
    Str sql = u"from w where id = 2";
    Variant error;
    EXPECT_EQ(text(read(name, sql, error)), "8");
    EXPECT_EQ(text(name), "a");
    EXPECT_EQ(sql, u"select top 1 a from w where id = 2");
    EXPECT_EQ(text(error), "");
    // No matching row: empty.
    Variant n2(u"a");
    Str none = u"from w where id = 99";
    EXPECT_TRUE(read(n2, none, error).isEmpty());
    // Several columns: the open record set.
    Variant list(u"a,b");
    Str both = u"from w order by id";
    Variant rs = read(list, both, error);
    auto r = recordsetOf(rs);
    ASSERT_TRUE(r);
    EXPECT_EQ(text(value(r.get(), Variant(u"b"))), "<null>");
    EXPECT_EQ(fieldCount(r.get()), 2);
    // Late-bound with the missing marker in vVal's place: read mode too.
    Variant lateSql(u"from w where id = 1");
    Variant lateName(u"c");
    Variant lateError;
    Variant lr = late(cf, u"vInRecord2", {CallArg::ref(lateName), Variant(rt::Missing{}), CallArg::ref(lateSql), cs(),
                                          CallArg::ref(lateError)});
    EXPECT_EQ(text(lr), "x");
    EXPECT_EQ(text(lateSql), "select top 1 c from w where id = 1");
    EXPECT_EQ(row(1), "7,null,x") << "nothing written";
}

TEST_P(Query2, WriteModeOverwritesAndListsThePreviousValues) {
    Variant names(u"a,b,c");
    Variant values(u" 1,,3 ");
    Str sql = u"from w where id = 1";
    Variant error(u"stale");
    Variant r = write(names, values, sql, error);
    EXPECT_EQ(text(r), "7,null,x");
    EXPECT_EQ(text(error), "");
    EXPECT_EQ(sql, u"c") << "the last name walked";
    EXPECT_EQ(text(values), "1,,3") << "normalised";
    EXPECT_EQ(row(1), "1,3,null") << "the empty value part is skipped";
    EXPECT_EQ(row(2), "8,y,z");
    // vVal supplied but empty: every named column becomes null.
    Variant names2(u"b, c");
    Variant empty;
    Str sql2 = u"from w where id = 2";
    EXPECT_EQ(text(write(names2, empty, sql2, error)), "y,z");
    EXPECT_EQ(row(2), "8,null,null");
    // No matching row: empty result, nothing written.
    Variant names3(u"a");
    Variant v3(u"5");
    Str sql3 = u"from w where id = 99";
    EXPECT_TRUE(write(names3, v3, sql3, error).isEmpty());
    // Late-bound.
    Variant lateNames(u"a");
    Variant lateValues(u"42");
    Variant lateSql(u"from w where id = 2");
    Variant lateError;
    EXPECT_EQ(text(late(cf, u"vInRecord2", {CallArg::ref(lateNames), CallArg::ref(lateValues), CallArg::ref(lateSql),
                                            cs(), CallArg::ref(lateError)})),
              "8");
    EXPECT_EQ(row(2), "42,null,null");
}

TEST_P(Query2, FailuresLeaveTheirMessageInStrError) {
    Variant names(u"a");
    Str sql = u"from no_such_table";
    Variant error;
    Variant missing(rt::Missing{});
    Variant con = cs();
    EXPECT_TRUE(recordsetOf(inRecord(u"select id, a from w")));  // one idle connection
    ComPtr<ado::_Connection> idle = nextPooled();
    ado::_Connection* raw = ComPtr<ado::_Connection>(idle).detach();
    rt::check(pool->ReleaseConn(&raw));
    Variant r = client::call(cf.get(), &_CCommonFunction::vInRecord2, &names, &missing, &sql, &con, &error);
    EXPECT_TRUE(r.isEmpty());
    EXPECT_TRUE(error.isString());
    EXPECT_FALSE(error.str().empty());
    // The connection whose record set failed to open is dropped, not handed back.
    EXPECT_NE(nextPooled().get(), idle.get());

    // A value the column cannot take: the list gathered so far, still ending with ",".
    Variant names2(u"b,a");
    Variant values2(u"q,not a number");
    Str sql2 = u"from w where id = 1";
    Variant error2;
    EXPECT_EQ(text(write(names2, values2, sql2, error2)), "null,7,");
    EXPECT_FALSE(text(error2).empty());
    EXPECT_EQ(row(1), "7,null,x") << "nothing written";
}

// ---- Sql2Doc and the road back -------------------------------------------------------------------

TEST_P(Query, Sql2DocGivesTheRowsAsADocument) {
    Variant dsn = cs();
    Str sql = u"select id, name, amount from t order by id";
    ComPtr<dom::IXMLDOMDocument> doc = client::call(cf.get(), &_CCommonFunction::Sql2Doc, &dsn, &sql);
    ASSERT_TRUE(doc);
    auto root = rootOf(doc.get());
    EXPECT_EQ(countIn(root.get(), u"rs:data/z:row"), 3);
    EXPECT_EQ(attributeOf(selectIn(root.get(), u"rs:data/z:row[2]").get(), u"name"), "it's");
    EXPECT_EQ(attributeOf(selectIn(root.get(), u"rs:data/z:row[3]").get(), u"amount"), "<absent>");
    // No rows: a document whose rs:data is empty. One column stays a document too.
    Str none = u"select id, name from t where id = 99";
    doc = client::call(cf.get(), &_CCommonFunction::Sql2Doc, &dsn, &none);
    ASSERT_TRUE(doc);
    EXPECT_EQ(countIn(rootOf(doc.get()).get(), u"rs:data/*"), 0);
    EXPECT_EQ(countIn(rootOf(doc.get()).get(), u"rs:data"), 1);
    Str single = u"select name from t where id = 1";
    doc = client::call(cf.get(), &_CCommonFunction::Sql2Doc, &dsn, &single);
    ASSERT_TRUE(doc);
    EXPECT_EQ(countIn(rootOf(doc.get()).get(), u"rs:data/z:row"), 1);
    // A failing query: nothing.
    Str bad = u"select * from no_such_table";
    EXPECT_FALSE(client::call(cf.get(), &_CCommonFunction::Sql2Doc, &dsn, &bad));
    Variant badDsn(u"provider=nothing-like-this");
    EXPECT_FALSE(client::call(cf.get(), &_CCommonFunction::Sql2Doc, &badDsn, &sql));
    // Late-bound, with the literal marking on the way.
    Variant lateDoc = late(cf, u"Sql2Doc", {cs(), Variant(u"select id from t where name = 'it''s'")});
    ASSERT_TRUE(lateDoc.isObject() && lateDoc.object());
    EXPECT_EQ(attributeOf(selectIn(lateDoc.object().as<dom::IXMLDOMNode>().get(), u"//z:row").get(), u"id"), "2");
}

TEST_P(Query, TheRoadOfADocumentBackToTheTable) {
    exec(u"create table voucher (no int primary key, memo nvarchar(40), amount decimal(18,2), posted datetime, "
         u"done bit)");
    exec(u"insert into voucher values (17, N'Office rent', 1234.56, '2007-03-05 10:20:30', false)");
    exec(u"insert into voucher values (18, N'Travel', 80, null, true)");

    Variant dsn = cs();
    Str sql = u"select no, memo, amount, posted, done from voucher order by no";
    ComPtr<dom::IXMLDOMDocument> doc = client::call(cf.get(), &_CCommonFunction::Sql2Doc, &dsn, &sql);
    ASSERT_TRUE(doc);
    // Edit the document: new numbers for the two vouchers, a memo changed, a blank row filled.
    auto root = rootOf(doc.get());
    auto first = selectIn(root.get(), u"rs:data/z:row[@no='17']").as<dom::IXMLDOMElement>();
    auto second = selectIn(root.get(), u"rs:data/z:row[@no='18']").as<dom::IXMLDOMElement>();
    ASSERT_TRUE(first && second);
    rt::check(first->setAttribute(u"no", Variant(u"117")));
    rt::check(first->setAttribute(u"memo", Variant(u"Office rent, March")));
    rt::check(second->setAttribute(u"no", Variant(u"118")));
    auto data = selectIn(root.get(), u"rs:data").as<dom::IXMLDOMElement>();
    auto shape = openDocument(doc.get(), ado::adLockReadOnly);
    EXPECT_TRUE(rt::toBool(late(cf, u"AddEmptyRow", {Variant(rt::ComPtr<rt::IDispatch>(data.get())),
                                                     Variant(rt::ComPtr<rt::IDispatch>(shape.get()))})));
    auto blank = selectIn(root.get(), u"rs:data/z:row[3]").as<dom::IXMLDOMElement>();
    rt::check(blank->setAttribute(u"no", Variant(u"119")));
    rt::check(blank->setAttribute(u"memo", Variant(u"O'Brien's lunch")));
    rt::check(blank->setAttribute(u"amount", Variant(u"12.5")));

    // Back to a record set, late-bound as a form does it, and written to the table.
    Variant child(rt::ComPtr<rt::IDispatch>(root.get()));
    Variant rsv = late(cf, u"Doc2Rs", {CallArg::ref(child)});
    auto rs = recordsetOf(rsv);
    ASSERT_TRUE(rs);
    EXPECT_TRUE(child.isNothing());
    rt::putProperty(rs.get(), u"ActiveConnection", Variant(rt::ComPtr<rt::IDispatch>(conn())));
    rt::callMethod(rs.get(), u"UpdateBatch");

    auto check = open(u"select no, memo, amount, posted, done from voucher order by no");
    ASSERT_EQ(recordCount(check.get()), 5);
    rt::check(check->MoveFirst());
    rt::check(check->MoveNext());
    rt::check(check->MoveNext());
    EXPECT_EQ(text(value(check.get(), Variant(u"no"))), "117");
    EXPECT_EQ(text(value(check.get(), Variant(u"memo"))), "Office rent, March");
    EXPECT_EQ(text(value(check.get(), Variant(u"amount"))), "1234.56");
    EXPECT_FALSE(rt::toBool(value(check.get(), Variant(u"done"))));
    EXPECT_FALSE(value(check.get(), Variant(u"posted")).isNull());
    rt::check(check->MoveNext());
    EXPECT_EQ(text(value(check.get(), Variant(u"no"))), "118");
    EXPECT_TRUE(rt::toBool(value(check.get(), Variant(u"done"))));
    rt::check(check->MoveNext());
    EXPECT_EQ(text(value(check.get(), Variant(u"no"))), "119");
    EXPECT_EQ(text(value(check.get(), Variant(u"memo"))), "O'Brien's lunch");
    EXPECT_EQ(text(value(check.get(), Variant(u"amount"))), "12.5");
    EXPECT_TRUE(value(check.get(), Variant(u"posted")).isNull());
}

VELMORA_ON_BOTH_BACKENDS(Query);
VELMORA_ON_BOTH_BACKENDS(Query2);

}  // namespace

// The missing marker passed late-bound for a required Variant parameter reaches the member.
TEST(MissingMarker, ReachesTheLibrarysRequiredVariantParameters) {
    auto cf = newCommon();
    Variant r = late(cf, u"strVal", {Variant(rt::Missing{})});
    EXPECT_TRUE(r.isString());
    EXPECT_EQ(text(r), "");
    EXPECT_EQ(rt::toI4(late(cf, u"strVal", {Variant(rt::Missing{}), Variant(true)})), 0);
    // vInRecord2 takes it as the choice of read mode; with nothing to read it answers empty.
    Variant error(u"stale");
    EXPECT_TRUE(late(cf, u"vInRecord2", {Variant(u""), Variant(rt::Missing{}), Variant(u"from t"), Variant(u"x"),
                                         CallArg::ref(error)})
                    .isEmpty());
    EXPECT_EQ(text(error), "");
    // Left out altogether, a required argument is still refused.
    EXPECT_EQ(ado::testing::errorOf([&] { late(cf, u"strVal", {}); }).numberValue(), 449);
}
