// The sample table the data benchmarks read: t(id, name, amount, qty, price, created, flag,
// note), 8 columns of the usual kinds, every tenth note null, the same pseudo-random values in
// every run.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace bench {

// Writes a new SQLite file named fileName in the temporary folder holding rows rows of the
// sample table and returns its path. With markup, the names and notes hold characters XML
// escapes ("&", "<", ">"), for the benchmarks that save to XML.
inline std::string writeSampleTable(const char* fileName, int rows, bool markup) {
    auto p = std::filesystem::temp_directory_path() / fileName;
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
    for (int i = 1; i <= rows; ++i) {
        char name[48], amount[32], created[32], note[80];
        std::snprintf(name, sizeof name, markup ? "Customer %06u & Co" : "Customer %06u", next() % 1000000);
        std::snprintf(amount, sizeof amount, "%u.%02u", next() % 100000, next() % 100);
        std::snprintf(created, sizeof created, "20%02u-%02u-%02u %02u:%02u:%02u", next() % 30, next() % 12 + 1,
                      next() % 28 + 1, next() % 24, next() % 60, next() % 60);
        std::snprintf(note, sizeof note, markup ? "note <%u> for row %d" : "note %u for row %d", next(), i);
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
}

}  // namespace bench
