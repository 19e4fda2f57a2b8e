#include "pg_backend.h"

#include <memory>

#include "pg/pg_testing.h"

namespace ado::testing {

namespace {

// The private database of the running case; dropped when the case ends, so that its lock is
// not held into a case that restarts the server.
struct CurrentDatabase {
    std::unique_ptr<pgtest::ServerLock> lock;
    std::unique_ptr<pgtest::PrivateDatabase> db;
};

CurrentDatabase& current() {
    static CurrentDatabase c;
    return c;
}

class DropAfterEachCase : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override {
        current().db.reset();
        current().lock.reset();
    }
};

const bool listening = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new DropAfterEachCase);
    return true;
}();

}  // namespace

Backend postgresBackend() {
    Backend b;
    b.name = "PostgreSQL";
    b.autoKey = "SERIAL PRIMARY KEY";
    b.ddl = [](const Str& sql) { return pgtest::postgresDdl(sql); };
    b.connectionString = [](const std::filesystem::path&) -> Str {
        if (pgtest::serverConnectionString().empty()) return {};
        current().lock = std::make_unique<pgtest::ServerLock>(pgtest::ServerLock::Shared);
        current().db = std::make_unique<pgtest::PrivateDatabase>();
        return current().db->connectionString();
    };
    return b;
}

}  // namespace ado::testing
