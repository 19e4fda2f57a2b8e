// The PostgreSQL backend of the data-access behaviour suites (tests/dataaccess/behaviour), which
// are written once and parameterized by backend; test_behaviour.cpp runs them on PostgreSQL.
//
// The suites' DDL uses SQL Server's type names; the backend passes their statements through
// its `ddl` translation (pgtest::postgresDdl). Without a server the backend is unavailable
// and the PostgreSQL cases skip.
#pragma once

#include "dataaccess/behaviour/ado_testing.h"

namespace ado::testing {

// A fresh private database per case (pgtest::PrivateDatabase), dropped when the case ends.
Backend postgresBackend();

}  // namespace ado::testing
