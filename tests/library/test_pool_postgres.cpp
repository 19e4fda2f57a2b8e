// The connection pool against the private PostgreSQL server that tests/pg/with-server.sh
// starts: passwords keep their case, an idle connection never goes to another password,
// and a connection whose server went away while it was idle is never lent.
#include "dataaccess/behaviour/ado_testing.h"
#include "frame/classes.h"
#include "library_testing.h"
#include "pg/pg_testing.h"

using namespace velmora;
using namespace velmora::testing;
using rt::ComPtr;
using rt::Str;
using rt::Variant;
using Connection = ado::_Connection;
namespace pg = ado::pgtest;

namespace {

class PoolOnPostgres : public ::testing::Test {
protected:
    void SetUp() override {
        if (pg::serverConnectionString().empty()) GTEST_SKIP() << pg::kNoServer;
        useBuiltLibrary();
        pool = client::call(client::global().get(), &_CGlobal::GetPoolInstance);
        rt::check(pool->ResetPool());
        rt::check(pool->put_MaxCon(5));
    }
    void TearDown() override {
        if (pool) rt::check(pool->ResetPool());
    }

    // A role of the test's own whose password has upper- and lower-case letters; its
    // connection string as a caller writes it.
    Str mixedCaseLogin(const pg::PrivateDatabase& db) {
        const Str password = u"MiXeD-Case-" + rt::fromUtf8(db.role());
        pg::adminExecute(u"ALTER ROLE " + rt::fromUtf8(db.role()) + u" PASSWORD '" + password + u"'");
        const Str admin = rt::fromUtf8(pg::serverConnectionString());
        return pg::withPair(pg::withPair(admin, u"User ID", rt::fromUtf8(db.role())), u"Password", password);
    }

    ComPtr<Connection> get(const Str& dsn, int32_t wait = 0, int16_t* result = nullptr) {
        Variant v(dsn);
        Connection* slot = nullptr;
        int16_t r = 0;
        EXPECT_EQ(pool->GetConn(&v, &slot, &wait, &r), rt::S_OK);
        if (result) *result = r;
        return ComPtr<Connection>::adopt(slot);
    }
    void release(ComPtr<Connection>& con) {
        Connection* slot = con.detach();
        EXPECT_EQ(pool->ReleaseConn(&slot), rt::S_OK);
        con = ComPtr<Connection>::adopt(slot);
    }
    long idle() const { return static_cast<CConPool*>(pool.get())->state().m_colCon.count(); }

    ComPtr<_CConPool> pool;
};

Variant selectOne(Connection* con) { return ado::testing::scalar(con, u"select 1"); }

}  // namespace

TEST_F(PoolOnPostgres, AMixedCasePasswordLogsIn) {
    pg::ServerLock lock(pg::ServerLock::Shared);
    pg::PrivateDatabase db;
    const Str login = mixedCaseLogin(db);
    int16_t result = 0;
    ComPtr<Connection> con = get(login, 0, &result);
    ASSERT_TRUE(con) << "the password was not sent as written";
    EXPECT_EQ(result, 1);
    EXPECT_EQ(rt::toI4(selectOne(con.get())), 1);
}

TEST_F(PoolOnPostgres, AnotherPasswordNeverReceivesTheIdleConnection) {
    pg::ServerLock lock(pg::ServerLock::Shared);
    pg::PrivateDatabase db;
    const Str login = mixedCaseLogin(db);
    ComPtr<Connection> con = get(login);
    ASSERT_TRUE(con);
    Connection* raw = con.get();
    release(con);
    ASSERT_EQ(idle(), 1);
    // The same pool key (host, user, database), the password in other case: it opens its
    // own connection, which the server refuses.
    const Str wrong = pg::withPair(login, u"Password", rt::toLower(u"MiXeD-Case-" + rt::fromUtf8(db.role())));
    int16_t result = 7;
    ComPtr<Connection> refused = get(wrong, 0, &result);
    EXPECT_FALSE(refused);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(idle(), 1);
    ComPtr<Connection> own = get(login);
    EXPECT_EQ(rt::identityOf(own.get()), rt::identityOf(raw));
}

TEST_F(PoolOnPostgres, AnIdleConnectionWhoseServerRestartedIsNotLent) {
    pg::ServerLock lock(pg::ServerLock::Exclusive);
    pg::PrivateDatabase db;
    ComPtr<Connection> con = get(db.connectionString());
    ASSERT_TRUE(con);
    ComPtr<Connection> dead(con.get());  // kept to compare with
    release(con);
    ASSERT_EQ(idle(), 1);
    pg::restartServer();
    int16_t result = 0;
    ComPtr<Connection> next = get(db.connectionString(), 0, &result);
    ASSERT_TRUE(next);
    EXPECT_EQ(result, 1);
    EXPECT_NE(rt::identityOf(next.get()), rt::identityOf(dead.get()));
    EXPECT_EQ(rt::toI4(selectOne(next.get())), 1);
    EXPECT_EQ(idle(), 0);
}
