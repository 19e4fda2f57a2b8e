// Helpers for the data-access tests: backends, short ways to reach the objects' members, and
// persisted documents. Built with the behaviour suites (suites.h) into every program that
// tests a provider.
//
// The behaviour suites are parameterized by Backend: each backend gives a connection string
// for a fresh database and its spelling of the few DDL words that differ between databases.
// A backend that is not available on the machine gives an empty connection string, and its
// cases are skipped.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "dataaccess/ado.h"
#include "dom/dom.h"
#include "runtime/classes.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "support/testing.h"

namespace ado::testing {

using rt::Str;
using rt::Variant;

inline std::string u8(rt::StrView s) { return rt::toUtf8(s); }

using support::errorOf;
using support::TempDir;

struct Backend {
    std::string name;
    // Connection string for a new, empty database inside dir; empty when not available.
    std::function<Str(const std::filesystem::path& dir)> connectionString;
    // The column type that a key assigned by the database takes in CREATE TABLE.
    std::string autoKey;
    // Rewrites the suite's DDL and literals for the backend's dialect (none: sent as written).
    std::function<Str(const Str&)> ddl;
};

Backend sqliteBackend();
inline void PrintTo(const Backend& b, std::ostream* os) { *os << b.name; }

// An ADO run-time error number (3021, 3265, ...) raised by body, or 0.
template <class F>
int adoErrorOf(F&& body) {
    return support::errorNumberOf(std::forward<F>(body));
}

// ---- early-bound shortcuts that throw on failure --------------------------------------

rt::ComPtr<_Connection> openConnection(const Str& connectionString);
void execute(_Connection* c, const Str& sql);
rt::ComPtr<_Recordset> query(_Connection* c, const Str& sql, int32_t lockType = adLockReadOnly);
rt::ComPtr<Field> field(_Recordset* rs, const Variant& index);
Variant value(_Recordset* rs, const Variant& index);
void setValue(_Recordset* rs, const Variant& index, const Variant& v);
bool isEOF(_Recordset* rs);
bool isBOF(_Recordset* rs);
int32_t recordCount(_Recordset* rs);
int32_t fieldCount(_Recordset* rs);
// The single value of a one-row, one-column query (Null when there is no row).
Variant scalar(_Connection* c, const Str& sql);
// Text of a value for comparisons in tests ("<null>" for null).
std::string text(const Variant& v);

// ---- persisted documents -------------------------------------------------------------------

// The namespace declarations of the persisted row format (for the root element).
extern const char16_t* const kNamespaces;
// The shippers schema as the platform writes it in its documentation.
Str shippersSchema();
// A document parsed from xml; throws rt::Error when it does not parse.
rt::ComPtr<dom::IXMLDOMDocument2> loadDocument(const Str& xml);
// A new record set opened from a document (a DOM object).
rt::ComPtr<_Recordset> openDocument(rt::IDispatch* doc, int32_t lockType = adLockBatchOptimistic);
// A field's Attributes and Type.
int32_t attributesOf(_Recordset* rs, const Variant& f);
int32_t typeOf(_Recordset* rs, const Variant& f);

// The behaviour fixture: a fresh database per test on the backend of the parameter.
class AdoTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override;
    void TearDown() override;

    Str connectionString() const { return cs_; }
    _Connection* conn() const { return conn_.get(); }
    void exec(const Str& sql) { execute(conn_.get(), GetParam().ddl ? GetParam().ddl(sql) : sql); }
    rt::ComPtr<_Recordset> open(const Str& sql, int32_t lockType = adLockReadOnly) {
        return query(conn_.get(), sql, lockType);
    }
    Variant scalarOf(const Str& sql) { return scalar(conn_.get(), sql); }

    TempDir dir_;
    Str cs_;
    rt::ComPtr<_Connection> conn_;
};

std::string backendName(const ::testing::TestParamInfo<Backend>& info);

}  // namespace ado::testing
