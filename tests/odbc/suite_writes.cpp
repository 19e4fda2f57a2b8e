// tests/dataaccess/test_writes.cpp, once more on PostgreSQL.
#include "dataaccess/test_writes.cpp"
#include "pg_backend.h"

namespace ado::testing {
namespace {
INSTANTIATE_TEST_SUITE_P(PostgreSQL, WritesTest, ::testing::Values(postgresBackend()), backendName);
}  // namespace
}  // namespace ado::testing
