// The data-access behaviour suites (tests/dataaccess/behaviour) on PostgreSQL; each case gets
// a private database of its own and skips without a server.
#include "dataaccess/behaviour/suites.h"
#include "pg_backend.h"

namespace ado::testing {
namespace {

INSTANTIATE_TEST_SUITE_P(PostgreSQL, ConnectionTest, ::testing::Values(postgresBackend()), backendName);
INSTANTIATE_TEST_SUITE_P(PostgreSQL, PersistTest, ::testing::Values(postgresBackend()), backendName);
INSTANTIATE_TEST_SUITE_P(PostgreSQL, ThreeRows, ::testing::Values(postgresBackend()), backendName);
INSTANTIATE_TEST_SUITE_P(PostgreSQL, WritesTest, ::testing::Values(postgresBackend()), backendName);

}  // namespace
}  // namespace ado::testing
