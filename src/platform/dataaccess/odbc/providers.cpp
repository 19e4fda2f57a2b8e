// The providers over ODBC: PostgreSQL, SQL Server (under the names its OLE DB providers go
// by) and MSDASQL, the driver manager itself.
#include "connect_string.h"
#include "odbc_session.h"

namespace ado::odbc {

namespace {

std::unique_ptr<Session> openPostgres(const ConnectRequest& r) {
    return connect(postgresConnectString(r, postgresDriverName()), r);
}

std::unique_ptr<Session> openSqlServer(const ConnectRequest& r) {
    return connect(sqlServerConnectString(r, sqlServerDriverName()), r);
}

std::unique_ptr<Session> openDriverManager(const ConnectRequest& r) {
    const DriverConnect how = driverManagerConnectString(r);
    if (!r.properties.get({u"DSN", u"FILEDSN", u"Driver", u"Extended Properties"}))
        throw rt::Error::status(rt::E_FAIL, u"The connection string names no ODBC data source (DSN=...) or driver "
                                            u"(Driver=...).");
    return connect(how, r);
}

const ProviderRegistrar postgres(u"PostgreSQL", openPostgres);
const ProviderRegistrar sqlOleDb(u"SQLOLEDB", openSqlServer);
const ProviderRegistrar sqlOleDb1(u"SQLOLEDB.1", openSqlServer);
const ProviderRegistrar nativeClient(u"SQLNCLI", openSqlServer);
const ProviderRegistrar nativeClient10(u"SQLNCLI10", openSqlServer);
const ProviderRegistrar nativeClient11(u"SQLNCLI11", openSqlServer);
const ProviderRegistrar msOleDbSql(u"MSOLEDBSQL", openSqlServer);
const ProviderRegistrar msOleDbSql19(u"MSOLEDBSQL19", openSqlServer);
const ProviderRegistrar msdasql(u"MSDASQL", openDriverManager);
const ProviderRegistrar msdasql1(u"MSDASQL.1", openDriverManager);

}  // namespace

}  // namespace ado::odbc
