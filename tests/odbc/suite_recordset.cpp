// tests/dataaccess/test_recordset.cpp, once more on PostgreSQL.
#include "dataaccess/test_recordset.cpp"
#include "pg_backend.h"

namespace ado::testing {
namespace {
INSTANTIATE_TEST_SUITE_P(PostgreSQL, ThreeRows, ::testing::Values(postgresBackend()), backendName);
}  // namespace
}  // namespace ado::testing
