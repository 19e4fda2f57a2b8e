// Calls into the ODBC driver manager failing in turn on PostgreSQL: connecting, a statement
// and a batch of changes each fail cleanly and leave the table as it was.
#include "dataaccess/behaviour/ado_testing.h"
#include "pg/pg_testing.h"
#include "support/fault_walk.h"

namespace ado::pgtest {
namespace {

using rt::Str;
using rt::Variant;
using rt::fault::Kind;
using support::walkFailures;
using testing::openConnection;
using testing::setValue;
using testing::text;

class PgFaultInjection : public PgTest {
protected:
    void SetUp() override {
        PgTest::SetUp();
        if (IsSkipped()) return;
        exec(u"create table t (a integer primary key, b varchar(20))");
        exec(u"insert into t values (1, 'one'), (2, 'two'), (3, 'three')");
    }
    std::string rows() { return text(scalarOf(u"select string_agg(a || '=' || b, ';' order by a) from t")); }
    const std::string original = "1=one;2=two;3=three";
};

TEST_F(PgFaultInjection, AStatementLeavesTheTableAsItWas) {
    const int64_t calls = walkFailures(
        Kind::Odbc,
        [&] {
            auto c = openConnection(connectionString());
            testing::execute(c.get(), u"update t set b = b || '!' where a >= 2");
        },
        [&](int64_t n, const rt::Error&) { EXPECT_EQ(rows(), original) << "call " << n; });
    EXPECT_GE(calls, 2);  // connect, execute
    EXPECT_EQ(rows(), "1=one;2=two!;3=three!");
}

TEST_F(PgFaultInjection, ABatchOfChangesIsWrittenWholeOrNotAtAll) {
    const int64_t calls = walkFailures(
        Kind::Odbc,
        [&] {
            auto rs = open(u"select a, b from t order by a", adLockBatchOptimistic);
            setValue(rs.get(), Variant(u"b"), Variant(u"uno"));
            rt::check(rs->MoveNext());
            setValue(rs.get(), Variant(u"b"), Variant(u"dos"));
            rt::check(rs->UpdateBatch(adAffectAll));
        },
        [&](int64_t n, const rt::Error&) { EXPECT_EQ(rows(), original) << "call " << n; });
    EXPECT_GE(calls, 3);
    EXPECT_EQ(rows(), "1=uno;2=dos;3=three");
}

}  // namespace
}  // namespace ado::pgtest
