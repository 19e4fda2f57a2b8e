// The data helpers against the platform calls they are built on, on SQLite:
// - vInRecord of a one-row scalar query through the pool, against Recordset.Open of the same
//   text on an already open connection and a read of the value;
// - Sql2Doc of 10,000 rows x 8 columns, against Recordset.Open + Save into a new document;
// - Doc2Rs of that document, against Recordset.Open from the same document.
// Compare each pair's times: the ratios are the figures.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "client.h"
#include "dataaccess/ado.h"
#include "dom/dom.h"

namespace {

using rt::ComPtr;
using rt::Str;
using rt::Variant;
using velmora::_CCommonFunction;

constexpr int kRows = 10000;
const char16_t* const kTableQuery = u"select id, name, amount, qty, price, created, flag, note from t";
const char16_t* const kScalarQuery = u"select amount from t where id = 1234";

std::string databasePath() {
    static const std::string path = [] {
        auto p = std::filesystem::temp_directory_path() / "velmora-bench-data-helpers.db";
        std::filesystem::remove(p);
        sqlite3* db = nullptr;
        sqlite3_open(p.c_str(), &db);
        sqlite3_exec(db,
                     "create table t (id integer primary key, name nvarchar(40), amount decimal(18,2), qty int, "
                     "price float, created datetime, flag bit, note varchar(100));"
                     "begin;",
                     nullptr, nullptr, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "insert into t values (?,?,?,?,?,?,?,?)", -1, &st, nullptr);
        uint32_t seed = 12345;
        auto next = [&] { return seed = seed * 1103515245u + 12345u; };
        for (int i = 1; i <= kRows; ++i) {
            char name[48], amount[32], created[32], note[80];
            std::snprintf(name, sizeof name, "Customer %06u & Co", next() % 1000000);
            std::snprintf(amount, sizeof amount, "%u.%02u", next() % 100000, next() % 100);
            std::snprintf(created, sizeof created, "20%02u-%02u-%02u %02u:%02u:%02u", next() % 30, next() % 12 + 1,
                          next() % 28 + 1, next() % 24, next() % 60, next() % 60);
            std::snprintf(note, sizeof note, "note <%u> for row %d", next(), i);
            sqlite3_bind_int(st, 1, i);
            sqlite3_bind_text(st, 2, name, -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 3, amount, -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(st, 4, int(next() % 1000));
            sqlite3_bind_double(st, 5, (next() % 1000000) / 100.0);
            sqlite3_bind_text(st, 6, created, -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(st, 7, int(next() % 2));
            if (i % 10 == 0)
                sqlite3_bind_null(st, 8);
            else
                sqlite3_bind_text(st, 8, note, -1, SQLITE_TRANSIENT);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        sqlite3_exec(db, "commit;", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        return p.string();
    }();
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

// ---- one-row scalar ------------------------------------------------------------------------

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
