// Connection strings for the drivers, and connecting where no server answers: no server needed.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "dataaccess/behaviour/ado_testing.h"
#include "dataaccess/odbc/connect_string.h"
#include "dataaccess/odbc/odbc_session.h"
#include "dataaccess/odbc/socket_watch.h"

namespace ado::odbc {
namespace {

using testing::errorOf;
using testing::u8;

ConnectRequest requestOf(rt::StrView text) {
    ConnectRequest r;
    r.properties = ConnectionString::parse(text);
    r.userId = r.properties.get({u"User ID", u"UID"}).value_or(u"");
    r.password = r.properties.get({u"Password", u"PWD"}).value_or(u"");
    return r;
}

const rt::Str kPostgresOptions =
    u";BoolsAsChar=0;TextAsLongVarchar=1;UnknownsAsLongVarchar=1;MaxVarcharSize=10485760;UseDeclareFetch=0;"
    u"UpdatableCursors=0;Protocol=7.4-2;LFConversion=0;CommLog=0;Debug=0";

TEST(PostgresConnectString, HostPortUserPasswordAndDatabase) {
    auto dc = postgresConnectString(
        requestOf(u"Provider=PostgreSQL;Data Source=db.example:6543;User ID=app;Password=s3cret;Initial Catalog=ledger"),
        u"PostgreSQL Unicode");
    EXPECT_EQ(dc.text, u"Driver={PostgreSQL Unicode};Server=db.example;Port=6543;Database=ledger;UID=app;PWD=s3cret" +
                           kPostgresOptions);
    EXPECT_EQ(u8(dc.target), "server db.example:6543 through the ODBC driver \"PostgreSQL Unicode\"");

    // No port: the server's default; no data source at all: this machine.
    dc = postgresConnectString(requestOf(u"Provider=PostgreSQL;Data Source=db;User ID=a"), u"PostgreSQL Unicode");
    EXPECT_EQ(dc.text, u"Driver={PostgreSQL Unicode};Server=db;Port=5432;UID=a" + kPostgresOptions);
    dc = postgresConnectString(requestOf(u"Provider=PostgreSQL"), u"PostgreSQL Unicode");
    EXPECT_EQ(dc.text, u"Driver={PostgreSQL Unicode};Server=localhost;Port=5432" + kPostgresOptions);
}

TEST(PostgresConnectString, OtherSpellingsOfTheAddress) {
    auto hostOf = [](rt::StrView ds) {
        rt::Str text = postgresConnectString(requestOf(u"Data Source=" + rt::Str(ds)), u"d").text;
        const size_t s = text.find(u"Server=");
        return u8(text.substr(s, text.find(u";Bools") - s));
    };
    EXPECT_EQ(hostOf(u"10.0.0.5,5433"), "Server=10.0.0.5;Port=5433");
    EXPECT_EQ(hostOf(u"[::1]:5434"), "Server=::1;Port=5434");
    EXPECT_EQ(hostOf(u"fe80::1"), "Server=fe80::1;Port=5432");
    EXPECT_EQ(u8(postgresConnectString(requestOf(u"Data Source=h;Port=7000"), u"d").text.substr(0, 34)),
              "Driver={d};Server=h;Port=7000;Bool");
}

TEST(PostgresConnectString, ValuesWithSeparatorsAreBraced) {
    EXPECT_EQ(quoteValue(u"plain"), u"plain");
    EXPECT_EQ(quoteValue(u"a;b"), u"{a;b}");
    EXPECT_EQ(quoteValue(u"x}y"), u"{x}}y}");
    EXPECT_EQ(quoteValue(u"k=v"), u"{k=v}");
    EXPECT_EQ(quoteValue(u" lead"), u"{ lead}");
    ConnectRequest r = requestOf(u"Provider=PostgreSQL;Data Source=h");
    r.userId = u"u";
    r.password = u"p;w{}";
    EXPECT_NE(postgresConnectString(r, u"d").text.find(u";PWD={p;w{}}};"), rt::Str::npos);
}

TEST(SqlServerConnectString, FreeTdsKeywords) {
    auto dc = sqlServerConnectString(requestOf(u"Provider=SQLOLEDB;Data Source=SRV\\INST;User ID=sa;Password=pw;"
                                               u"Initial Catalog=Db1;Current Language=English"),
                                     u"FreeTDS");
    EXPECT_EQ(dc.text, u"Driver={FreeTDS};Server=SRV\\INST;Database=Db1;UID=sa;PWD=pw;Language=English;"
                       u"TDS_Version=7.4;ClientCharset=UTF-8");
    EXPECT_EQ(u8(dc.target), "server SRV\\INST through the ODBC driver \"FreeTDS\"");

    dc = sqlServerConnectString(requestOf(u"Provider=SQLNCLI11;Data Source=tcp:10.1.2.3,1450;Initial Catalog=x;"
                                          u"Integrated Security=SSPI;User ID=ignored;Application Name=Ledger"),
                                u"FreeTDS");
    EXPECT_EQ(dc.text, u"Driver={FreeTDS};Server=10.1.2.3;Port=1450;Database=x;Trusted_Connection=Yes;APP=Ledger;"
                       u"TDS_Version=7.4;ClientCharset=UTF-8");

    dc = sqlServerConnectString(requestOf(u"Data Source=(local);Use Encryption for Data=True"), u"FreeTDS");
    EXPECT_EQ(dc.text, u"Driver={FreeTDS};Server=localhost;Port=1433;Encryption=require;TDS_Version=7.4;"
                       u"ClientCharset=UTF-8");
}

TEST(SqlServerConnectString, AnotherDriverGetsTheServerInOnePiece) {
    auto dc = sqlServerConnectString(
        requestOf(u"Provider=MSOLEDBSQL;Data Source=SRV\\INST,1500;User ID=sa;Password=pw;Initial Catalog=Db1;"
                  u"Use Encryption for Data=yes;Trust Server Certificate=true;Workstation ID=pc7"),
        u"ODBC Driver 18 for SQL Server");
    EXPECT_EQ(dc.text, u"Driver={ODBC Driver 18 for SQL Server};Server=SRV\\INST,1500;Database=Db1;UID=sa;PWD=pw;"
                       u"WSID=pc7;Encrypt=yes;TrustServerCertificate=yes");
}

TEST(SqlServerConnectString, TheDriverComesFromTheEnvironment) {
    unsetenv("VELMORA_SQLSERVER_DRIVER");
    EXPECT_EQ(sqlServerDriverName(), u"FreeTDS");
    setenv("VELMORA_SQLSERVER_DRIVER", "ODBC Driver 17 for SQL Server", 1);
    EXPECT_EQ(sqlServerDriverName(), u"ODBC Driver 17 for SQL Server");
    unsetenv("VELMORA_SQLSERVER_DRIVER");
    unsetenv("VELMORA_POSTGRESQL_DRIVER");
    EXPECT_EQ(postgresDriverName(), u"PostgreSQL Unicode");
}

TEST(DriverManagerConnectString, DsnAndDriverPairsPassThrough) {
    EXPECT_EQ(driverManagerConnectString(requestOf(u"Provider=MSDASQL;DSN=ledger;UID=a;PWD=b")).text,
              u"DSN=ledger;UID=a;PWD=b");
    EXPECT_EQ(driverManagerConnectString(
                  requestOf(u"Provider=MSDASQL;Driver={PostgreSQL Unicode};Server=h;Port=1;Database=d;User ID=u"))
                  .text,
              u"Driver={PostgreSQL Unicode};Server=h;Port=1;Database=d;UID=u");
    EXPECT_EQ(driverManagerConnectString(requestOf(u"Provider=MSDASQL;Extended Properties=\"DSN=x;Port=9\";User ID=u"))
                  .text,
              u"DSN=x;Port=9;UID=u");
    EXPECT_TRUE(driverManagerConnectString(requestOf(u"Provider=MSDASQL")).text.empty());
}

TEST(DbmsTraits, DialectFollowsTheDatabase) {
    DbmsTraits pg = traitsOf(u"PostgreSQL");
    EXPECT_TRUE(pg.rewrite);
    EXPECT_FALSE(pg.rules.nationalLiterals);
    EXPECT_FALSE(pg.rules.topClause);
    EXPECT_EQ(pg.generatedKeys, DbmsTraits::GeneratedKeys::Returning);
    DbmsTraits ss = traitsOf(u"Microsoft SQL Server");
    EXPECT_FALSE(ss.rewrite);  // T-SQL as written
    EXPECT_EQ(ss.savepoints, DbmsTraits::Savepoints::TransactSql);
    EXPECT_EQ(ss.quoteOpen, u'[');
    DbmsTraits my = traitsOf(u"MySQL");
    EXPECT_TRUE(my.rewrite);
    EXPECT_TRUE(my.rules.nationalLiterals);
    EXPECT_FALSE(traitsOf(u"Some Other Database").rewrite);
}

// ---- connecting where nobody answers ----------------------------------------------------

int32_t stateOf(_Connection* c) {
    int32_t s = -1;
    rt::check(c->get_State(&s));
    return s;
}

int closedPort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    close(s);  // nobody listens there now
    return ntohs(a.sin_port);
}

// A port that accepts connections (the kernel's backlog) but never says a word.
class SilentServer {
public:
    SilentServer() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(fd_, 8);
        socklen_t len = sizeof a;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
    }
    ~SilentServer() { close(fd_); }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

struct Attempt {
    rt::Error error;
    double seconds = 0;
    int32_t state = -1;
};

Attempt openWithTimeout(const rt::Str& cs, int32_t timeout) {
    auto c = newConnection();
    rt::check(c->put_ConnectionTimeout(timeout));
    const auto start = std::chrono::steady_clock::now();
    Attempt a;
    a.error = errorOf([&] { rt::check(c->Open(cs, rt::Str(), rt::Str(), -1)); });
    a.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    a.state = stateOf(c.get());
    return a;
}

TEST(SqlServerUnreachable, AClosedPortFailsAtOnceWithAClearMessage) {
    const int port = closedPort();
    const Attempt a = openWithTimeout(u"Provider=SQLOLEDB;Data Source=127.0.0.1," + rt::ascii(std::to_string(port)) +
                                          u";User ID=sa;Password=x;Initial Catalog=db",
                                      3);
    EXPECT_TRUE(rt::failed(a.error.hresult()));
    EXPECT_EQ(a.state, adStateClosed);
    const std::string text = u8(a.error.description());
    EXPECT_NE(text.find("Cannot connect to server 127.0.0.1:" + std::to_string(port) +
                        " through the ODBC driver \"FreeTDS\""),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Unable to connect"), std::string::npos) << text;  // the driver's own words
    EXPECT_EQ(text.find("PWD="), std::string::npos);  // the driver's string, password included, stays inside
    EXPECT_LT(a.seconds, 3.0);
}

TEST(SqlServerUnreachable, ASilentServerTimesOutAfterConnectionTimeout) {
    SilentServer server;
    const Attempt a = openWithTimeout(
        u"Provider=SQLOLEDB;Data Source=127.0.0.1," + rt::ascii(std::to_string(server.port())) + u";User ID=sa", 2);
    EXPECT_EQ(a.error.hresult(), kTimeoutExpired) << u8(a.error.description());
    EXPECT_GE(a.seconds, 1.8);
    EXPECT_LT(a.seconds, 6.0);
}

TEST(PostgresUnreachable, ASilentServerTimesOutAfterConnectionTimeout) {
    SilentServer server;
    const Attempt a = openWithTimeout(
        u"Provider=PostgreSQL;Data Source=127.0.0.1:" + rt::ascii(std::to_string(server.port())) + u";User ID=x", 2);
    EXPECT_TRUE(rt::failed(a.error.hresult()));
    EXPECT_NE(u8(a.error.description()).find("timeout"), std::string::npos) << u8(a.error.description());
    EXPECT_GE(a.seconds, 1.8);
    EXPECT_LT(a.seconds, 6.0);
}

TEST(OdbcDrivers, AnUnknownDriverIsNamedInTheError) {
    setenv("VELMORA_SQLSERVER_DRIVER", "No Such Driver 99", 1);
    const Attempt a = openWithTimeout(u"Provider=SQLOLEDB;Data Source=127.0.0.1", 2);
    unsetenv("VELMORA_SQLSERVER_DRIVER");
    EXPECT_EQ(a.error.hresult(), rt::E_FAIL);
    const std::string text = u8(a.error.description());
    EXPECT_NE(text.find("\"No Such Driver 99\""), std::string::npos) << text;
    EXPECT_NE(text.find("does not know that driver"), std::string::npos) << text;

    const Attempt b = openWithTimeout(u"Provider=MSDASQL;User ID=u", 2);
    EXPECT_NE(u8(b.error.description()).find("names no ODBC data source"), std::string::npos);
}

// ---- the socket watch -------------------------------------------------------------------

TEST(SocketWatch, SeesThePeerHangUp) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    socklen_t len = sizeof a;
    getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);

    const auto before = SocketWatch::snapshot();
    const int client = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    const int server = accept(listener, nullptr, nullptr);
    ASSERT_GE(server, 0);
    // The accepted end is new too: the watch must refuse to guess.
    SocketWatch ambiguous;
    ambiguous.adopt(before, SocketWatch::snapshot());
    EXPECT_FALSE(ambiguous.watching());

    auto withServer = SocketWatch::snapshot();
    SocketWatch watch;
    std::vector<SocketWatch::Entry> withoutClient;
    for (const auto& e : withServer)
        if (e.fd != client) withoutClient.push_back(e);
    watch.adopt(withoutClient, withServer);
    ASSERT_TRUE(watch.watching());
    EXPECT_FALSE(watch.peerClosed());
    ASSERT_EQ(write(server, "x", 1), 1);  // data waiting is no hang-up
    EXPECT_FALSE(watch.peerClosed());
    close(server);
    EXPECT_TRUE(watch.peerClosed());
    close(client);
    EXPECT_FALSE(watch.peerClosed());  // no longer the same socket: nothing known
    close(listener);
}

}  // namespace
}  // namespace ado::odbc
