// The opt-in SQL trace on SQLite: off unless VELMORA_TRACE asks; one line per statement sent,
// with the provider, the pool key without the password, the statement after the dialect
// rewrite, the time, the rows or the error.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "behaviour/ado_testing.h"

namespace ado::testing {
namespace {

using support::ScopedEnv;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool contains(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }

class SqlTrace : public ::testing::Test {
protected:
    // A connection string that names a user, a password and a catalog, as the pool's are.
    Str connectionString() const {
        return u"Provider=SQLite;Data Source=" + rt::fromUtf8(dir.file("Books.db")) +
               u";User ID=Clerk;Password=S3cret-Word;Initial Catalog=Ledger";
    }
    std::string key() const { return "key=\"data source=" + rt::toUtf8(rt::toLower(rt::fromUtf8(dir.file("Books.db")))) +
                                     ";user id=clerk;initial catalog=ledger\""; }
    std::string traceFile() const { return dir.file("trace.log"); }
    std::vector<std::string> traced() const { return linesOf(TempDir::read(traceFile())); }

    TempDir dir;
};

TEST_F(SqlTrace, NothingIsWrittenUnlessAsked) {
    ScopedEnv off("VELMORA_TRACE", std::nullopt);
    ::testing::internal::CaptureStderr();
    auto c = openConnection(connectionString());
    execute(c.get(), u"create table t (id integer primary key, name text)");
    query(c.get(), u"select * from t");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(SqlTrace, EachStatementSentIsOneLineInTheFile) {
    ScopedEnv on("VELMORA_TRACE", "sql:" + traceFile());
    auto c = openConnection(connectionString());
    execute(c.get(), u"create table t (id integer primary key, name text)");
    execute(c.get(), u"insert into t (id, name) values (1, N'one'), (2, N'two')");
    query(c.get(), u"select top 1 name from t where name = N'two'");
    query(c.get(), u"select id,\n name from t");
    EXPECT_NE(errorOf([&] { query(c.get(), u"select * from missing"); }).hresult(), rt::S_OK);

    const std::vector<std::string> lines = traced();
    ASSERT_EQ(lines.size(), 5u) << TempDir::read(traceFile());
    for (const std::string& line : lines) {
        EXPECT_EQ(line.rfind("velmora-sql provider=SQLite " + key() + " ms=", 0), 0u) << line;
        EXPECT_FALSE(contains(rt::toUtf8(rt::toLower(rt::fromUtf8(line))), "s3cret")) << "a password in " << line;
    }
    EXPECT_TRUE(contains(lines[1], " rows=2 sql=\"insert into t (id, name) values (1, 'one'), (2, 'two')\""))
        << "the statement as sent: without the national-character marks SQLite does not know: " << lines[1];
    EXPECT_TRUE(contains(lines[2], " rows=1 sql=\"select name from t where name = 'two' LIMIT 1\"")) << lines[2];
    EXPECT_TRUE(contains(lines[3], " rows=2 sql=\"select id,\\n name from t\"")) << "one line per statement: "
                                                                                    << lines[3];
    EXPECT_TRUE(contains(lines[4], " error=\"0x80040E14 no such table: missing\" sql=\"select * from missing\""))
        << lines[4];
}

TEST_F(SqlTrace, WritesBackAndTransactionsAreTracedToo) {
    auto c = openConnection(connectionString());
    execute(c.get(), u"create table t (id integer primary key, name text)");
    execute(c.get(), u"insert into t values (1, 'one')");
    ScopedEnv on("VELMORA_TRACE", "sql:" + traceFile());
    int32_t level = 0;
    rt::check(c->BeginTrans(&level));
    auto rs = query(c.get(), u"select id, name from t", adLockOptimistic);
    setValue(rs.get(), Variant(Str(u"name")), Variant(Str(u"uno")));
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    rt::check(c->CommitTrans());

    // The write-back is one batch inside a savepoint: its statements are sent, so traced.
    const std::vector<std::string> lines = traced();
    ASSERT_EQ(lines.size(), 6u) << TempDir::read(traceFile());
    EXPECT_TRUE(contains(lines[0], " sql=\"BEGIN\"")) << lines[0];
    EXPECT_TRUE(contains(lines[1], " rows=1 sql=\"select id, name from t\"")) << lines[1];
    EXPECT_TRUE(contains(lines[2], " sql=\"SAVEPOINT ")) << lines[2];
    EXPECT_TRUE(contains(lines[3], " rows=1 sql=\"UPDATE \\\"t\\\" SET \\\"name\\\" = ?1 WHERE ")) << lines[3];
    EXPECT_TRUE(contains(lines[4], " sql=\"RELEASE ")) << lines[4];
    EXPECT_TRUE(contains(lines[5], " sql=\"COMMIT\"")) << lines[5];
}

TEST_F(SqlTrace, StandardErrorUnlessAFileIsNamed) {
    auto c = openConnection(connectionString());
    ScopedEnv on("VELMORA_TRACE", "sql");
    ::testing::internal::CaptureStderr();
    query(c.get(), u"select 1 as one");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("velmora-sql provider=SQLite " + key(), 0), 0u) << err;
    EXPECT_TRUE(contains(err, " rows=1 sql=\"select 1 as one\"\n")) << err;
}

TEST_F(SqlTrace, AFileThatCannotBeOpenedFallsBackToStandardErrorAndAnUnknownValueIsReported) {
    auto c = openConnection(connectionString());
    {
        ScopedEnv on("VELMORA_TRACE", "sql:" + dir.file("no/such/folder/trace.log"));
        ::testing::internal::CaptureStderr();
        query(c.get(), u"select 2 as two");
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_TRUE(contains(err, "cannot open the SQL trace file " + dir.file("no/such/folder/trace.log"))) << err;
        EXPECT_TRUE(contains(err, " sql=\"select 2 as two\"")) << err;
    }
    {
        ScopedEnv bogus("VELMORA_TRACE", "everything");
        ::testing::internal::CaptureStderr();
        query(c.get(), u"select 3 as three");
        query(c.get(), u"select 4 as four");
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(err, "velmora: VELMORA_TRACE=everything is not understood (sql or sql:FILE); no trace\n");
    }
}

}  // namespace
}  // namespace ado::testing
