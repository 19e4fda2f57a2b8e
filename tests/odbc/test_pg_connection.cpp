// PostgreSQL connections: state after the server drops them, and time-outs.
#include <chrono>
#include <thread>

#include "dataaccess/behaviour/ado_testing.h"
#include "dataaccess/connstring.h"
#include "pg/pg_testing.h"

namespace ado::pgtest {
namespace {

using rt::Str;
using rt::Variant;
using testing::errorOf;
using testing::execute;
using testing::openConnection;
using testing::scalar;
using testing::text;
using testing::u8;

int32_t stateOf(_Connection* c) {
    int32_t s = -1;
    rt::check(c->get_State(&s));
    return s;
}

// Polls State for up to `seconds`; true once it reads closed.
bool becomesClosed(_Connection* c, double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < until) {
        if (stateOf(c) == adStateClosed) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return stateOf(c) == adStateClosed;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Restarting the server is the one thing that disturbs other tests: it holds the lock alone.
TEST(PgServerRestart, OpenConnectionsReportClosedAndNewOnesWork) {
    if (serverConnectionString().empty()) GTEST_SKIP() << kNoServer;
    ServerLock lock(ServerLock::Exclusive);
    const Str cs = rt::fromUtf8(serverConnectionString());
    auto idle = openConnection(cs);
    auto busy = openConnection(cs);
    EXPECT_EQ(text(scalar(busy.get(), u"select 1")), "1");
    ASSERT_EQ(stateOf(idle.get()), adStateOpen);

    restartServer();
    if (HasFatalFailure()) return;

    // The idle connection is known closed without being used: a pool would not lend it.
    EXPECT_TRUE(becomesClosed(idle.get(), 5.0));
    // Using the other one fails, and it then reports closed as well.
    EXPECT_TRUE(rt::failed(errorOf([&] { scalar(busy.get(), u"select 1"); }).hresult()));
    EXPECT_EQ(stateOf(busy.get()), adStateClosed);

    auto fresh = openConnection(cs);
    EXPECT_EQ(stateOf(fresh.get()), adStateOpen);
    EXPECT_EQ(text(scalar(fresh.get(), u"select 40 + 2")), "42");
}

using PgConnection = PgTest;

TEST_F(PgConnection, AConnectionTheServerEndedReportsClosed) {
    auto victim = openConnection(connectionString());
    ASSERT_EQ(stateOf(victim.get()), adStateOpen);
    execute(conn(), u"select pg_terminate_backend(pid) from pg_stat_activity "
                    u"where usename = current_user and pid <> pg_backend_pid()");
    EXPECT_TRUE(becomesClosed(victim.get(), 5.0));
    EXPECT_EQ(stateOf(conn()), adStateOpen);  // the survivor is untouched
    EXPECT_EQ(text(scalarOf(u"select 1")), "1");
    rt::Error e = errorOf([&] { scalar(victim.get(), u"select 1"); });
    EXPECT_EQ(e.numberValue(), adErrInvalidConnection);
}

TEST_F(PgConnection, AStatementPastCommandTimeoutFailsWithATimeout) {
    rt::check(conn()->put_CommandTimeout(1));
    auto start = std::chrono::steady_clock::now();
    rt::Error e = errorOf([&] { exec(u"select pg_sleep(5)"); });
    const double waited = secondsSince(start);
    EXPECT_EQ(e.hresult(), kTimeoutExpired) << u8(e.description());
    EXPECT_NE(u8(e.description()).find("statement timeout"), std::string::npos) << u8(e.description());
    EXPECT_GE(waited, 0.9);
    EXPECT_LT(waited, 3.0);
    EXPECT_EQ(stateOf(conn()), adStateOpen);
    EXPECT_EQ(text(scalarOf(u"select 7")), "7");  // the connection is fine afterwards

    // Record set opens obey it as well; 0 lifts the limit.
    start = std::chrono::steady_clock::now();
    e = errorOf([&] { open(u"select pg_sleep(3), 1 as x"); });
    EXPECT_EQ(e.hresult(), kTimeoutExpired);
    EXPECT_LT(secondsSince(start), 2.5);
    rt::check(conn()->put_CommandTimeout(0));
    EXPECT_EQ(text(scalarOf(u"select 1 from pg_sleep(1.2)")), "1");
}

TEST_F(PgConnection, TheCommandTimeoutSetBeforeOpenApplies) {
    auto c = newConnection();
    rt::check(c->put_CommandTimeout(1));
    rt::check(c->Open(connectionString(), Str(), Str(), -1));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(errorOf([&] { execute(c.get(), u"select pg_sleep(4)"); }).hresult(), kTimeoutExpired);
    EXPECT_LT(secondsSince(start), 3.0);
}

TEST_F(PgConnection, AWrongPasswordFailsWithTheServersMessage) {
    auto c = newConnection();
    rt::Error e = errorOf([&] { rt::check(c->Open(withPair(connectionString(), u"Password", u"wrong"), Str(), Str(), -1)); });
    EXPECT_EQ(e.hresult(), rt::E_FAIL);
    EXPECT_NE(u8(e.description()).find("password authentication failed"), std::string::npos) << u8(e.description());
    EXPECT_NE(u8(e.description()).find("Cannot connect to server 127.0.0.1:"), std::string::npos);
    EXPECT_EQ(u8(e.description()).find("wrong"), std::string::npos);  // the password stays out of the text
    EXPECT_EQ(stateOf(c.get()), adStateClosed);
}

// A NUL would end the driver's connect string: the right password followed by a NUL and
// anything else would be taken for the right password. Refused before any connect.
TEST_F(PgConnection, APasswordHoldingANulIsRefusedNotCut) {
    const Str password = *ConnectionString::parse(connectionString()).get(u"Password");
    auto c = newConnection();
    rt::Error e = errorOf([&] {
        rt::check(c->Open(withPair(connectionString(), u"Password", password + Str(1, u'\0') + u"x"), Str(), Str(), -1));
    });
    EXPECT_EQ(e.hresult(), rt::E_FAIL);
    EXPECT_NE(u8(e.description()).find("NUL"), std::string::npos) << u8(e.description());
    EXPECT_EQ(stateOf(c.get()), adStateClosed);
}

TEST_F(PgConnection, OpenArgumentsAndTheStringsSpellingsAreAccepted) {
    // User and password as Open's arguments, names in any case, a quoted value.
    const Str cs = connectionString();
    const Str user = *ConnectionString::parse(cs).get(u"User ID");
    const Str password = *ConnectionString::parse(cs).get(u"Password");
    auto c = newConnection();
    rt::check(c->Open(withPair(withPair(cs, u"user id", u""), u"password", u""), user, password, -1));
    EXPECT_EQ(text(scalar(c.get(), u"select current_user")), u8(user));
    auto d = openConnection(withPair(withPair(cs, u"PROVIDER", u"PostgreSQL"), u"DATA SOURCE",
                                     u"'" + *ConnectionString::parse(cs).get(u"Data Source") + u"'"));
    EXPECT_EQ(stateOf(d.get()), adStateOpen);
}

// Through the driver manager as it stands: the dialect still follows the database.
TEST_F(PgConnection, MsdasqlWithADriverKeywordReachesTheSameServer) {
    const auto cs = ConnectionString::parse(connectionString());
    const Str source = *cs.get(u"Data Source");
    const size_t colon = source.rfind(u':');
    const Str odbc = u"Provider=MSDASQL;Driver={PostgreSQL Unicode};Server=" + source.substr(0, colon) +
                     u";Port=" + source.substr(colon + 1) + u";Database=" + *cs.get(u"Initial Catalog") +
                     u";UID=" + *cs.get(u"User ID") + u";PWD=" + *cs.get(u"Password");
    auto c = openConnection(odbc);
    EXPECT_EQ(text(scalar(c.get(), u"select top 1 current_user where N'a' = 'a'")), u8(*cs.get(u"User ID")));
}

}  // namespace
}  // namespace ado::pgtest
