// The PostgreSQL backend of the data-access behaviour suites (tests/dataaccess), which are
// written once and parameterized by backend; suite_*.cpp here run them on PostgreSQL.
//
// The suites' DDL uses SQL Server's type names, so the backend needs them to pass their
// statements through its `ddl` translation (pgtest::postgresDdl). Until Backend offers that
// hook, the backend reports itself unavailable and the PostgreSQL cases skip.
#pragma once

#include "dataaccess/ado_testing.h"

namespace ado::testing {

// A fresh private database per case (pgtest::PrivateDatabase), dropped when the case ends.
Backend postgresBackend();

}  // namespace ado::testing
