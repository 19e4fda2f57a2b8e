// The data-access behaviour suites (behaviour/) on SQLite, the embedded provider; each case
// gets a new database file in a temporary folder.
#include "behaviour/suites.h"

namespace ado::testing {
namespace {

INSTANTIATE_TEST_SUITE_P(Providers, ConnectionTest, ::testing::Values(sqliteBackend()), backendName);
INSTANTIATE_TEST_SUITE_P(Providers, PersistTest, ::testing::Values(sqliteBackend()), backendName);
INSTANTIATE_TEST_SUITE_P(Providers, ThreeRows, ::testing::Values(sqliteBackend()), backendName);
INSTANTIATE_TEST_SUITE_P(Providers, WritesTest, ::testing::Values(sqliteBackend()), backendName);

}  // namespace
}  // namespace ado::testing
