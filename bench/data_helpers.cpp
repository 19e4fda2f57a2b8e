// The data helpers against the platform calls they are built on, on SQLite:
// - vInRecord of a one-row scalar query through the pool, against Recordset.Open of the same
//   text on an already open connection and a read of the value;
// - Sql2Doc of 10,000 rows x 8 columns, against Recordset.Open + Save into a new document;
// - Doc2Rs of that document, against Recordset.Open from the same document.
// Compare each pair's times: the ratios are the figures. The floors beside them step the same
// statement with SQLite's own calls and keep nothing, which no layer above can beat.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "client.h"
#include "dataaccess/ado.h"
#include "dom/dom.h"
#include "support/sample_table.h"

namespace {

using rt::ComPtr;
using rt::Str;
using rt::Variant;
using velmora::_CCommonFunction;

constexpr int kRows = 10000;
const char16_t* const kTableQuery = u"select id, name, amount, qty, price, created, flag, note from t";
const char16_t* const kScalarQuery = u"select amount from t where id = 1234";

std::string databasePath() {
    static const std::string path = bench::writeSampleTable("velmora-bench-data-helpers.db", kRows, true);
    return path;
}

// Lower case, as the pool keeps connection strings.
Str connectionString() { return u"provider=sqlite;data source=" + rt::fromUtf8(databasePath()); }

ComPtr<ado::_Connection> openConnection() {
    static ComPtr<ado::_Connection> conn = [] {
        auto c = ado::newConnection();
        rt::check(c->put_CursorLocation(ado::adUseClient));
        rt::check(c->Open(connectionString(), {}, {}, -1));
        return c;
    }();
    return conn;
}

ComPtr<_CCommonFunction> common() {
    static ComPtr<_CCommonFunction> cf = [] {
        velmora::client::useLibrary();
        return velmora::client::newCommonFunction();
    }();
    return cf;
}

Variant connectionArgument(ado::_Connection* c) { return Variant(ComPtr<rt::IDispatch>(c)); }

ComPtr<ado::_Recordset> openText(const Str& sql) {
    auto rs = ado::newRecordset();
    rt::check(rs->Open(Variant(sql), connectionArgument(openConnection().get()), ado::adOpenForwardOnly,
                       ado::adLockReadOnly, ado::adCmdText));
    return rs;
}

Variant firstValue(ado::_Recordset* rs) {
    ComPtr<ado::Fields> fields;
    rt::check(rs->get_Fields(fields.put()));
    ComPtr<ado::Field> f;
    rt::check(fields->get_Item(Variant(int32_t(0)), f.put()));
    Variant v;
    rt::check(f->get_Value(&v));
    return v;
}

ComPtr<dom::IXMLDOMDocument> sql2Doc(const Str& sql) {
    Variant dsn(connectionString());
    Str text = sql;
    return velmora::client::call(common().get(), &_CCommonFunction::Sql2Doc, &dsn, &text);
}

ComPtr<dom::IXMLDOMDocument> tableDocument() {
    static ComPtr<dom::IXMLDOMDocument> doc = sql2Doc(kTableQuery);
    return doc;
}

// SQLite's own handle on the same file, for the floors.
sqlite3* rawDatabase() {
    static sqlite3* db = [] {
        sqlite3* d = nullptr;
        sqlite3_open_v2(databasePath().c_str(), &d, SQLITE_OPEN_READONLY, nullptr);
        return d;
    }();
    return db;
}

// Prepares, steps every row and finalizes; returns the rows stepped.
int stepAll(const char* sql) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(rawDatabase(), sql, -1, &st, nullptr);
    int rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) ++rows;
    sqlite3_finalize(st);
    return rows;
}

// ---- one-row scalar ------------------------------------------------------------------------

void BM_ScalarSqliteStepFloor(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(stepAll("select amount from t where id = 1234"));
}
BENCHMARK(BM_ScalarSqliteStepFloor);

void BM_ScalarRecordsetOpen(benchmark::State& state) {
    openConnection();
    for (auto _ : state) {
        auto rs = openText(kScalarQuery);
        benchmark::DoNotOptimize(firstValue(rs.get()));
    }
}
BENCHMARK(BM_ScalarRecordsetOpen);

void BM_ScalarVInRecord(benchmark::State& state) {
    auto cf = common();
    for (auto _ : state) {
        Variant sql(kScalarQuery);
        Variant con(connectionString());
        int32_t flag = 1, cursor = 0, lock = 1, line = 0;
        Variant v = velmora::client::call(cf.get(), &_CCommonFunction::vInRecord, &sql, &con, &flag, &cursor, &lock,
                                          &line);
        if (!v.isString() && !v.isNumberType()) state.SkipWithError("vInRecord gave no value");
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_ScalarVInRecord);

// ---- 10,000 rows to a document ------------------------------------------------------------

void BM_TableSqliteStepFloor(benchmark::State& state) {
    for (auto _ : state) {
        if (stepAll("select id, name, amount, qty, price, created, flag, note from t") != kRows)
            state.SkipWithError("the table is not whole");
    }
}
BENCHMARK(BM_TableSqliteStepFloor)->Unit(benchmark::kMillisecond);

void BM_TableOpenAndSave(benchmark::State& state) {
    openConnection();
    for (auto _ : state) {
        auto rs = openText(kTableQuery);
        auto doc = dom::newDocument();
        rt::check(rs->Save(Variant(ComPtr<rt::IDispatch>(doc.get())), ado::adPersistXML));
        benchmark::DoNotOptimize(doc.get());
    }
}
BENCHMARK(BM_TableOpenAndSave)->Unit(benchmark::kMillisecond);

void BM_TableSql2Doc(benchmark::State& state) {
    for (auto _ : state) {
        auto doc = sql2Doc(kTableQuery);
        if (!doc) state.SkipWithError("Sql2Doc gave nothing");
        benchmark::DoNotOptimize(doc.get());
    }
}
BENCHMARK(BM_TableSql2Doc)->Unit(benchmark::kMillisecond);

// ---- the document back to a record set ----------------------------------------------------

void BM_DocumentRecordsetOpen(benchmark::State& state) {
    auto doc = tableDocument();
    for (auto _ : state) {
        auto rs = ado::newRecordset();
        rt::check(rs->Open(Variant(ComPtr<rt::IDispatch>(doc.get())), Variant(rt::Missing{}), ado::adOpenForwardOnly,
                           ado::adLockOptimistic, -1));
        benchmark::DoNotOptimize(rs.get());
    }
}
BENCHMARK(BM_DocumentRecordsetOpen)->Unit(benchmark::kMillisecond);

void BM_DocumentDoc2Rs(benchmark::State& state) {
    auto doc = tableDocument();
    auto cf = common();
    ComPtr<dom::IXMLDOMElement> root;
    rt::check(doc->get_documentElement(root.put()));
    for (auto _ : state) {
        dom::IXMLDOMElement* child = root.get();
        child->AddRef();
        int32_t cursor = 0, lock = 3;
        Str repel;
        ComPtr<ado::_Recordset> rs;
        rt::check(cf->Doc2Rs(&child, &cursor, &lock, &repel, rs.put()));
        if (child) child->Release();
        if (!rs) state.SkipWithError("Doc2Rs gave nothing");
        benchmark::DoNotOptimize(rs.get());
    }
}
BENCHMARK(BM_DocumentDoc2Rs)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
