// The data-access and PostgreSQL test helpers, built into this program too (the build makes
// one program per test folder).
#include "dataaccess/ado_testing.cpp"
#include "odbc/pg_testing.cpp"
