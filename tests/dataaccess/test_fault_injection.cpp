// Every call into SQLite, every file call and every libxml2 call of an operation failing in
// turn: each failure is a clean error and leaves the database and the files as they were.
#include <filesystem>

#include "behaviour/ado_testing.h"
#include "support/fault_walk.h"

namespace ado::testing {
namespace {

using rt::fault::Kind;
using support::walkFailures;

class FaultInjection : public ::testing::Test {
protected:
    void SetUp() override {
        auto c = openConnection(connectionString());
        execute(c.get(), u"create table t (a integer primary key, b text)");
        execute(c.get(), u"insert into t values (1, 'one'), (2, 'two'), (3, 'three')");
    }
    Str connectionString() const { return u"Provider=SQLite;Data Source=" + rt::fromUtf8(dir.file("data.db")); }
    // The rows of t as "a=b;..." read on a connection of its own, outside any injection.
    std::string rows() const {
        auto c = openConnection(connectionString());
        auto rs = query(c.get(), u"select a, b from t order by a");
        std::string all;
        while (!isEOF(rs.get())) {
            all += text(value(rs.get(), Variant(0))) + "=" + text(value(rs.get(), Variant(1))) + ";";
            rt::check(rs->MoveNext());
        }
        return all;
    }

    TempDir dir;
    const std::string original = "1=one;2=two;3=three;";
};

TEST_F(FaultInjection, AStatementLeavesTheTableAsItWasWhenAnySqliteCallFails) {
    const int64_t calls = walkFailures(
        Kind::Sqlite,
        [&] {
            auto c = openConnection(connectionString());
            execute(c.get(), u"update t set b = b || '!' where a >= 2");
        },
        [&](int64_t n, const rt::Error&) { EXPECT_EQ(rows(), original) << "call " << n; });
    EXPECT_GE(calls, 3);  // open, prepare, step
    EXPECT_EQ(rows(), "1=one;2=two!;3=three!;");
}

TEST_F(FaultInjection, ABatchOfChangesIsWrittenWholeOrNotAtAll) {
    const int64_t calls = walkFailures(
        Kind::Sqlite,
        [&] {
            auto c = openConnection(connectionString());
            auto rs = query(c.get(), u"select a, b from t order by a", adLockBatchOptimistic);
            setValue(rs.get(), Variant(u"b"), Variant(u"uno"));
            rt::check(rs->MoveNext());
            setValue(rs.get(), Variant(u"b"), Variant(u"dos"));
            rt::check(rs->UpdateBatch(adAffectAll));
        },
        [&](int64_t n, const rt::Error&) { EXPECT_EQ(rows(), original) << "call " << n; });
    EXPECT_GE(calls, 5);
    EXPECT_EQ(rows(), "1=uno;2=dos;3=three;");
}

TEST_F(FaultInjection, SavingIntoADocumentLeavesTheDocumentAsItWas) {
    auto c = openConnection(connectionString());
    auto rs = query(c.get(), u"select a, b from t order by a");
    auto doc = loadDocument(u"<kept/>");
    const int64_t calls = walkFailures(
        Kind::Alloc, [&] { rt::check(rs->Save(Variant(rt::ComPtr<rt::IDispatch>(doc)), adPersistXML)); },
        [&](int64_t n, const rt::Error&) {
            Str xml;
            rt::check(doc->get_xml(&xml));
            EXPECT_EQ(u8(xml), "<kept/>\r\n") << "call " << n;
        });
    EXPECT_GE(calls, 10);  // a node record for each column of each row at least
}

TEST_F(FaultInjection, SavingToAFileLeavesNoFileBehindWhenWritingFails) {
    auto c = openConnection(connectionString());
    auto rs = query(c.get(), u"select a, b from t order by a");
    const std::string file = dir.file("saved.xml");
    for (Kind kind : {Kind::File, Kind::Xml, Kind::Alloc}) {
        const int64_t calls = walkFailures(
            kind, [&] { rt::check(rs->Save(Variant(rt::fromUtf8(file)), adPersistXML)); },
            [&](int64_t n, const rt::Error&) { EXPECT_FALSE(std::filesystem::exists(file)) << "call " << n; });
        EXPECT_GE(calls, 1);
        EXPECT_TRUE(std::filesystem::exists(file));
        std::filesystem::remove(file);
    }
}

TEST_F(FaultInjection, OpeningASavedFileFailsCleanly) {
    const std::string file = dir.file("saved.xml");
    {
        auto c = openConnection(connectionString());
        auto rs = query(c.get(), u"select a, b from t order by a");
        rt::check(rs->Save(Variant(rt::fromUtf8(file)), adPersistXML));
    }
    const std::string bytes = TempDir::read(file);
    for (Kind kind : {Kind::File, Kind::Xml}) {
        const int64_t calls = walkFailures(
            kind,
            [&] {
                auto rs = newRecordset();
                rt::check(rs->Open(Variant(rt::fromUtf8(file)), Variant(rt::Missing{}), adOpenStatic,
                                   adLockBatchOptimistic, -1));
                EXPECT_EQ(recordCount(rs.get()), 3);
            },
            [&](int64_t n, const rt::Error&) { EXPECT_EQ(TempDir::read(file), bytes) << "call " << n; });
        EXPECT_GE(calls, 1);
    }
}

}  // namespace
}  // namespace ado::testing
