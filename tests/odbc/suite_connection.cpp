// tests/dataaccess/test_connection.cpp, once more on PostgreSQL.
#include "dataaccess/test_connection.cpp"
#include "pg_backend.h"

namespace ado::testing {
namespace {
INSTANTIATE_TEST_SUITE_P(PostgreSQL, ConnectionTest, ::testing::Values(postgresBackend()), backendName);
}  // namespace
}  // namespace ado::testing
