// Opening a 100,000-row, 8-column record set from a SQLite file, against stepping the same
// statement with the SQLite C API and copying every value; and the memory the open record
// set holds against the size of its values.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "dataaccess/objects.h"
#include "support/sample_table.h"

namespace {

constexpr int kRows = 100000;
const char* kQuery = "select id, name, amount, qty, price, created, flag, note from t";

std::string databasePath() {
    static const std::string path = bench::writeSampleTable("velmora-bench-open.db", kRows, false);
    return path;
}

using Value = std::variant<std::monostate, int64_t, double, std::string>;

// The baseline: step the statement and copy every value out.
void BM_SqliteStepAndCopy(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(databasePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    size_t bytes = 0;
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, kQuery, -1, &st, nullptr);
        // One flat table of values, the leanest copy that keeps every value.
        std::vector<Value> cells;
        const int n = sqlite3_column_count(st);
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int i = 0; i < n; ++i) {
                switch (sqlite3_column_type(st, i)) {
                    case SQLITE_INTEGER: cells.emplace_back(sqlite3_column_int64(st, i)); break;
                    case SQLITE_FLOAT: cells.emplace_back(sqlite3_column_double(st, i)); break;
                    case SQLITE_NULL: cells.emplace_back(); break;
                    default:
                        cells.emplace_back(std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, i)),
                                                       size_t(sqlite3_column_bytes(st, i))));
                        break;
                }
            }
        }
        sqlite3_finalize(st);
        bytes = 0;
        for (const Value& v : cells) bytes += v.index() == 3 ? std::get<3>(v).size() : v.index() == 0 ? 0 : 8;
        benchmark::DoNotOptimize(cells.data());
    }
    state.counters["rows"] = kRows;
    state.counters["value_bytes"] = double(bytes);
    sqlite3_close(db);
}
BENCHMARK(BM_SqliteStepAndCopy)->Unit(benchmark::kMillisecond);

// For reference, the floor: stepping and reading every value without keeping any.
void BM_SqliteStepOnly(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(databasePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, kQuery, -1, &st, nullptr);
        const int n = sqlite3_column_count(st);
        int64_t sum = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int i = 0; i < n; ++i) {
                switch (sqlite3_column_type(st, i)) {
                    case SQLITE_INTEGER: sum += sqlite3_column_int64(st, i); break;
                    case SQLITE_FLOAT: sum += int64_t(sqlite3_column_double(st, i)); break;
                    case SQLITE_NULL: break;
                    default:
                        sum += reinterpret_cast<const char*>(sqlite3_column_text(st, i))[0];
                        sum += sqlite3_column_bytes(st, i);
                        break;
                }
            }
        }
        sqlite3_finalize(st);
        benchmark::DoNotOptimize(sum);
    }
    sqlite3_close(db);
}
BENCHMARK(BM_SqliteStepOnly)->Unit(benchmark::kMillisecond);

void BM_RecordsetOpen(benchmark::State& state) {
    auto conn = ado::newConnection();
    rt::check(conn->Open(u"Provider=SQLite;Data Source=" + rt::fromUtf8(databasePath()) + u";Mode=Read", {}, {}, -1));
    size_t held = 0, values = 0;
    for (auto _ : state) {
        auto rs = ado::newRecordset();
        rt::check(rs->Open(rt::Variant(rt::fromUtf8(kQuery)), rt::Variant(rt::ComPtr<rt::IDispatch>(conn.get())),
                           ado::adOpenStatic, ado::adLockReadOnly, ado::adCmdText));
        state.PauseTiming();
        const ado::RowsetData& data = *ado::recordsetObjectOf(rs.get())->data();
        held = data.store.allocatedBytes() + data.rows.capacity() * sizeof(ado::Row);
        values = 0;
        for (const ado::Row& r : data.rows) {
            for (size_t c = 0; c < data.fieldCount(); ++c) {
                const ado::CellView v = ado::RowStore::cell(r.base, c);
                values += v.kind == ado::CellKind::Null                                     ? 0
                          : v.kind == ado::CellKind::Text || v.kind == ado::CellKind::Blob ? v.bytes.size()
                                                                                           : 8;
            }
        }
        state.ResumeTiming();
    }
    state.counters["rows"] = kRows;
    state.counters["held_bytes"] = double(held);
    state.counters["value_bytes"] = double(values);
    state.counters["memory_ratio"] = double(held) / double(values);
    state.counters["file_bytes"] = double(std::filesystem::file_size(databasePath()));
}
BENCHMARK(BM_RecordsetOpen)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
