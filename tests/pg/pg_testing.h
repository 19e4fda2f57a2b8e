// Helpers for the tests that need a PostgreSQL server (tests/pg/with-server.sh starts one
// and exports VELMORA_PG_CONN; without it these tests skip).
//
// Each test gets a database of its own: a new role whose schema (named after it, first in
// its search path) holds every table the test makes, so tests may run side by side on one
// server. A test that restarts the server holds the server lock exclusively; every other
// server test holds it shared while it runs.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "dataaccess/ado.h"
#include "runtime/ustring.h"

namespace ado::pgtest {

// VELMORA_PG_CONN, or "" when no server was started for the tests.
std::string serverConnectionString();

// The reason given when a server test skips.
inline constexpr const char* kNoServer =
    "VELMORA_PG_CONN is not set: run the tests under tests/pg/with-server.sh to test against PostgreSQL";

// A connection string with one pair replaced (or added).
rt::Str withPair(rt::StrView connectionString, rt::StrView name, rt::StrView value);

// The data-access suites' CREATE TABLE text (SQL Server's and SQLite's type names) in
// PostgreSQL's words: nvarchar -> varchar, datetime -> timestamp, bit -> boolean, blob and
// varbinary(n) -> bytea, uniqueidentifier -> uuid, float -> double precision, ...; x'0102'
// blob literals become bytea literals. Quoted text and identifiers are left alone.
rt::Str postgresDdl(rt::StrView sql);

// Blocks until the server lock is held; released with the object.
class ServerLock {
public:
    enum Mode { Shared, Exclusive };
    explicit ServerLock(Mode mode);
    ~ServerLock();
    ServerLock(const ServerLock&) = delete;
    ServerLock& operator=(const ServerLock&) = delete;

private:
    int fd_ = -1;
};

// A role with its own schema, dropped (with everything in it) with the object. Throws
// rt::Error when the server refuses.
class PrivateDatabase {
public:
    PrivateDatabase();
    ~PrivateDatabase();
    PrivateDatabase(const PrivateDatabase&) = delete;
    PrivateDatabase& operator=(const PrivateDatabase&) = delete;

    // Connection string for the role (lower case, as the pool would leave it).
    const rt::Str& connectionString() const { return connectionString_; }
    const std::string& role() const { return role_; }

private:
    std::string role_;
    rt::Str connectionString_;
};

// Runs a statement on a new connection of the test role of the server (not a private one).
void adminExecute(const rt::Str& sql);

// Restarts the server (fast shutdown, wait for the start); the caller holds the lock
// exclusively. Fails the test when pg_ctl fails.
void restartServer();

// The fixture of the server tests: skips without a server, holds the lock shared, makes a
// private database and an open connection to it.
class PgTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    rt::Str connectionString() const { return db_->connectionString(); }
    _Connection* conn() const { return conn_.get(); }
    void exec(const rt::Str& sql);
    rt::ComPtr<_Recordset> open(const rt::Str& sql, int32_t lockType = adLockReadOnly);
    rt::Variant scalarOf(const rt::Str& sql);

    std::unique_ptr<ServerLock> lock_;
    std::unique_ptr<PrivateDatabase> db_;
    rt::ComPtr<_Connection> conn_;
};

}  // namespace ado::pgtest
