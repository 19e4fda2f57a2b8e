// The data-access behaviour suites: cases written once against the ADODB objects and
// parameterized by Backend. They are built once (the object library dataaccess_behaviour) and
// linked into each test program that tests a provider; the program instantiates every suite
// below for its own backends only, e.g.
//
//   INSTANTIATE_TEST_SUITE_P(Providers, ConnectionTest, ::testing::Values(sqliteBackend()), backendName);
//
// A suite that a program leaves uninstantiated shows up as a failing test of that program.
#pragma once

#include <string>

#include "ado_testing.h"

namespace ado::testing {

// test_connection.cpp: opening and closing, Execute, database errors, transactions, the
// library's T-SQL forms, late-bound calls.
using ConnectionTest = AdoTest;

// test_persist.cpp: record sets saved as documents and reopened, pending changes written back
// later, the library's schema-only round trip.
using PersistTest = AdoTest;

// test_recordset.cpp: reading the table t (id int primary key, name nvarchar(20) null) that
// holds 1 'one', 2 'two', 3 null.
class ThreeRows : public AdoTest {
protected:
    void SetUp() override;
    int32_t position(_Recordset* rs);  // its AbsolutePosition
};

// test_writes.cpp: writing back to the tables keyed (id int primary key, name, amount) and
// loose (a, b; no key), each holding three rows.
class WritesTest : public AdoTest {
protected:
    void SetUp() override;
    // The table's rows as "id:name:amount;" text, in key order.
    std::string keyedRows();
    // loose's rows as "a:b;" text, ordered by a, b.
    std::string looseRows();
    // keyedRows() as SetUp leaves them.
    static const std::string kOriginal;
};

}  // namespace ado::testing
