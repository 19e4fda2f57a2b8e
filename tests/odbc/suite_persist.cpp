// tests/dataaccess/test_persist.cpp, once more on PostgreSQL.
#include "dataaccess/test_persist.cpp"
#include "pg_backend.h"

namespace ado::testing {
namespace {
INSTANTIATE_TEST_SUITE_P(PostgreSQL, PersistTest, ::testing::Values(postgresBackend()), backendName);
}  // namespace
}  // namespace ado::testing
