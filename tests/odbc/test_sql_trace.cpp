// The SQL trace on PostgreSQL: the provider's name, the pool key without the password, and
// the statement as the server receives it, after the dialect rewrite.
#include <sstream>

#include "dataaccess/behaviour/ado_testing.h"
#include "dataaccess/connstring.h"
#include "pg/pg_testing.h"

namespace ado::pgtest {
namespace {

using rt::Str;
using support::ScopedEnv;
using support::TempDir;

using PgSqlTrace = PgTest;

TEST_F(PgSqlTrace, LinesNameThePoolKeyAndTheRewrittenStatement) {
    TempDir dir;
    const std::string file = dir.file("trace.log");
    ScopedEnv on("VELMORA_TRACE", "sql:" + file);
    auto c = testing::openConnection(connectionString());
    testing::execute(c.get(), u"create table vouchers (no integer primary key, memo varchar(20))");
    testing::execute(c.get(), u"insert into vouchers values (17, N'rent'), (18, N'power')");
    testing::query(c.get(), u"select top 1 memo from vouchers order by no");

    const std::string trace = TempDir::read(file);
    std::istringstream in(trace);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_GE(lines.size(), 4u) << trace;  // the session's own settings first
    const ConnectionString cs = ConnectionString::parse(connectionString());
    auto part = [&](const char16_t* name) { return rt::toUtf8(cs.get(name).value_or(Str())); };
    const std::string start = "velmora-sql provider=" + part(u"Provider") + " key=\"data source=" +
                              part(u"Data Source") + ";user id=" + db_->role() + ";initial catalog=" +
                              part(u"Initial Catalog") + "\" ms=";
    for (const std::string& line : lines) {
        EXPECT_EQ(line.rfind(start, 0), 0u) << line;
        EXPECT_EQ(line.find("password"), std::string::npos) << line;
    }
    const std::string& insert = lines[lines.size() - 2];
    EXPECT_NE(insert.find(" rows=2 sql=\"insert into vouchers values (17, 'rent'), (18, 'power')\""),
              std::string::npos)
        << insert;
    const std::string& select = lines.back();
    EXPECT_NE(select.find(" rows=1 sql=\"select memo from vouchers order by no LIMIT 1\""), std::string::npos)
        << select;
}

}  // namespace
}  // namespace ado::pgtest
