// Opening a record set of 100,000 rows x 8 columns from PostgreSQL, against fetching the
// same rows through the ODBC API directly (bound columns, row-array fetch), on the same
// server and driver settings. Needs the server of tests/pg/with-server.sh:
//
//   tests/pg/with-server.sh build/out/bench_odbc_open
#include <benchmark/benchmark.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "dataaccess/ado.h"
#include "dataaccess/connstring.h"
#include "dataaccess/odbc/connect_string.h"
#include "runtime/error.h"

namespace {

constexpr int kRows = 100000;
constexpr const char16_t* kQuery = u"select id, code, name, amount, price, created, active, qty from bench_rows";

const char* serverConnectionString() {
    const char* cs = std::getenv("VELMORA_PG_CONN");
    return cs && *cs ? cs : nullptr;
}

rt::ComPtr<ado::_Connection> openConnection() {
    auto c = ado::newConnection();
    rt::check(c->put_CursorLocation(ado::adUseClient));
    rt::check(c->Open(rt::fromUtf8(serverConnectionString()), rt::Str(), rt::Str(), -1));
    return c;
}

// The table, made once per run.
void ensureTable() {
    static bool done = false;
    if (done) return;
    auto c = openConnection();
    rt::ComPtr<ado::_Recordset> none;
    rt::check(c->Execute(
        u"drop table if exists bench_rows;"
        u"create unlogged table bench_rows (id integer primary key, code varchar(20) not null, name varchar(40),"
        u" amount numeric(14,2), price double precision, created timestamp, active boolean, qty bigint);"
        u"insert into bench_rows select i, 'C' || lpad(i::text, 8, '0'), 'item number ' || i || ' \u00E9',"
        u" (i * 37 % 100000) / 100.0, i * 1.25, timestamp '2020-01-01' + i * interval '1 minute', i % 3 = 0,"
        u" i::bigint * 1000003 from generate_series(1, 100000) as s(i);"
        u"analyze bench_rows",
        nullptr, -1, none.put()));
    done = true;
}

void BM_RecordsetOpen(benchmark::State& state) {
    if (!serverConnectionString()) {
        state.SkipWithError("VELMORA_PG_CONN is not set: run under tests/pg/with-server.sh");
        return;
    }
    ensureTable();
    auto c = openConnection();
    for (auto _ : state) {
        auto rs = ado::newRecordset();
        rt::check(rs->Open(rt::Variant(rt::Str(kQuery)), rt::Variant(c), ado::adOpenStatic, ado::adLockReadOnly,
                           ado::adCmdText));
        int32_t count = 0;
        rt::check(rs->get_RecordCount(&count));
        if (count != kRows) state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(count);
        rt::check(rs->Close());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_RecordsetOpen)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// ---- the baseline: the ODBC API by hand ----------------------------------------------

void odbcCheck(SQLRETURN rc, const char* what) {
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) throw std::runtime_error(what);
}

struct Column {
    SQLSMALLINT cType;
    SQLLEN bytes;
    std::vector<char> buffer;
    std::vector<SQLLEN> ind;
};

void BM_OdbcBoundFetch(benchmark::State& state) {
    if (!serverConnectionString()) {
        state.SkipWithError("VELMORA_PG_CONN is not set: run under tests/pg/with-server.sh");
        return;
    }
    ensureTable();
    // The driver and its options exactly as the provider uses them.
    ado::ConnectRequest request;
    request.properties = ado::ConnectionString::parse(rt::fromUtf8(serverConnectionString()));
    request.userId = request.properties.get(u"User ID").value_or(u"");
    request.password = request.properties.get(u"Password").value_or(u"");
    const rt::Str text =
        ado::odbc::postgresConnectString(request, ado::odbc::postgresDriverName()).text;

    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    odbcCheck(SQLDriverConnectW(dbc, nullptr, reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(text.c_str())),
                                SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
              "connect");

    // The C types a record set reads these columns as.
    constexpr SQLULEN kArray = 1000;
    std::vector<Column> columns = {
        {SQL_C_SBIGINT, 8, {}, {}},          {SQL_C_WCHAR, (20 * 2 + 1) * 2, {}, {}},
        {SQL_C_WCHAR, (40 * 2 + 1) * 2, {}, {}}, {SQL_C_CHAR, 64, {}, {}},
        {SQL_C_DOUBLE, 8, {}, {}},           {SQL_C_TYPE_TIMESTAMP, sizeof(SQL_TIMESTAMP_STRUCT), {}, {}},
        {SQL_C_SBIGINT, 8, {}, {}},          {SQL_C_SBIGINT, 8, {}, {}},
    };
    for (Column& c : columns) {
        c.buffer.resize(size_t(c.bytes) * kArray);
        c.ind.resize(kArray);
    }
    SQLHSTMT st = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
    const std::u16string query(kQuery);
    for (auto _ : state) {
        odbcCheck(SQLExecDirectW(st, reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(query.c_str())), SQL_NTS),
                  "execute");
        for (size_t i = 0; i < columns.size(); ++i)
            odbcCheck(SQLBindCol(st, SQLUSMALLINT(i + 1), columns[i].cType, columns[i].buffer.data(), columns[i].bytes,
                                 columns[i].ind.data()),
                      "bind");
        SQLULEN fetched = 0;
        SQLSetStmtAttr(st, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kArray), 0);
        SQLSetStmtAttr(st, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
        int64_t rows = 0, touched = 0;
        for (;;) {
            const SQLRETURN rc = SQLFetchScroll(st, SQL_FETCH_NEXT, 0);
            if (rc == SQL_NO_DATA) break;
            odbcCheck(rc, "fetch");
            rows += int64_t(fetched);
            for (const Column& c : columns)
                for (SQLULEN r = 0; r < fetched; ++r) touched += c.ind[r];
        }
        benchmark::DoNotOptimize(touched);
        if (rows != kRows) state.SkipWithError("wrong row count");
        SQLFreeStmt(st, SQL_CLOSE);
        SQLFreeStmt(st, SQL_UNBIND);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
}
BENCHMARK(BM_OdbcBoundFetch)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
