// From an ADO connection string to the one the ODBC driver manager is given.
//
// Drivers are named, not located: the driver manager finds a driver's library through its
// own configuration (odbcinst.ini), where the project's scripts register them.
#pragma once

#include "dataaccess/provider.h"

namespace ado::odbc {

struct DriverConnect {
    rt::Str text;    // for SQLDriverConnect
    rt::Str target;  // what is being reached, for messages: "server 127.0.0.1:5432 through the ODBC driver ..."
    // For drivers that fall back to the system's log settings once their last connection
    // closes: a connect string for the same driver that fails before reaching any server, and
    // by failing keeps "no log" in force for the driver's life (see connect). Empty for
    // other drivers.
    rt::Str quietConnect;
};

// The driver the PostgreSQL provider uses: VELMORA_POSTGRESQL_DRIVER, else "PostgreSQL Unicode".
rt::Str postgresDriverName();
// The driver the SQL Server providers use: VELMORA_SQLSERVER_DRIVER, else "FreeTDS".
rt::Str sqlServerDriverName();

// "Data Source=HOST[:PORT]" (also "HOST,PORT", "[V6ADDRESS]:PORT"), "User ID", "Password",
// "Initial Catalog" for the PostgreSQL driver, with the driver options the record sets rely
// on (booleans as bits, text as long text, statement-level rollback in transactions). The
// driver writes no log files unless the connection string asks for them ("CommLog=1",
// "Debug=1", the driver's own keywords).
DriverConnect postgresConnectString(const ConnectRequest& request, rt::StrView driver);

// "Data Source=HOST\INSTANCE", "HOST,PORT" or "HOST", "User ID", "Password", "Initial
// Catalog", "Current Language", "Integrated Security", "Application Name", "Workstation ID"
// and the encryption settings, in the keywords of the named driver (FreeTDS's own when its
// name says FreeTDS, the SQL Server drivers' otherwise).
DriverConnect sqlServerConnectString(const ConnectRequest& request, rt::StrView driver);

// "Provider=MSDASQL": the ODBC part of the string ("Extended Properties" when given, else
// the pairs the driver manager and the common drivers know: DSN, Driver, UID, ...), with the
// user and password of the request.
DriverConnect driverManagerConnectString(const ConnectRequest& request);

// A value as an ODBC connection string holds it: in braces (closing braces doubled) when it
// has ";", braces, "=" or spaces at its ends.
rt::Str quoteValue(rt::StrView value);

}  // namespace ado::odbc
