// Sessions over ODBC connections, and what differs between the databases behind them.
#pragma once

#include <memory>

#include "connect_string.h"
#include "dataaccess/dialect.h"
#include "dataaccess/provider.h"

namespace ado::odbc {

// What the session does differently per database, known from the driver's SQL_DBMS_NAME.
struct DbmsTraits {
    enum class Savepoints : uint8_t { Standard, TransactSql };  // SAVEPOINT x / SAVE TRANSACTION x
    enum class GeneratedKeys : uint8_t { None, Returning, Identity };  // INSERT ... RETURNING / @@IDENTITY

    bool rewrite = false;  // statements pass through rewriteStatement with `rules`
    DialectRules rules;
    Savepoints savepoints = Savepoints::Standard;
    GeneratedKeys generatedKeys = GeneratedKeys::None;
    char16_t quoteOpen = u'"', quoteClose = u'"';
    bool catalogInNames = false;  // tables are named catalog.schema.table when the catalog is known
    // Unquoted names fold to lower case; names written back are matched to the table's own
    // spelling without regard to case, as on databases that ignore it.
    bool foldsNames = false;
    bool postgres = false;
    // The type a long text or binary column is cast to where a write-back compares it with a
    // value (the database cannot compare its long types, or some of them, directly); null:
    // compared as it is.
    const char16_t* longTextAs = nullptr;
    const char16_t* longBinaryAs = nullptr;
};

// The traits of a database by its SQL_DBMS_NAME: PostgreSQL (T-SQL rewritten, LIMIT rows),
// SQL Server and Sybase (text as written), SQLite, MySQL / MariaDB; anything else gets its
// text as written and standard savepoints.
DbmsTraits traitsOf(rt::StrView dbmsName);

// Connects through the driver manager with the connection string, honouring the request's
// connection and command time-outs. Throws rt::Error: E_FAIL with "Cannot connect to
// <target>: <driver's message>" (kTimeoutExpired when the login timed out), or a message
// naming the driver when the driver manager does not know it.
std::unique_ptr<Session> connect(const DriverConnect& how, const ConnectRequest& request);

}  // namespace ado::odbc
