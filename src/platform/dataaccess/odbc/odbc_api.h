// The few pieces of the ODBC call interface the providers share: the process's environment,
// owned handles, wide text at the call boundary, and diagnostics turned into rt::Error.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>
#include <vector>

#include "runtime/error.h"
#include "runtime/ustring.h"

namespace ado::odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the driver manager's wide characters are UTF-16 units");

inline SQLWCHAR* wide(const rt::Str& s) { return reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(s.c_str())); }

// The environment handle of the process (ODBC 3 behaviour), made on first use and kept for
// the process's life. Throws rt::Error when the driver manager cannot make one.
SQLHENV environment();

// A handle that is freed with its owner.
class Handle {
public:
    Handle() = default;
    Handle(SQLSMALLINT type, SQLHANDLE h) : type_(type), h_(h) {}
    Handle(Handle&& o) noexcept : type_(o.type_), h_(o.h_) { o.h_ = SQL_NULL_HANDLE; }
    Handle& operator=(Handle&& o) noexcept {
        if (this != &o) {
            reset();
            type_ = o.type_;
            h_ = o.h_;
            o.h_ = SQL_NULL_HANDLE;
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { reset(); }

    SQLHANDLE get() const { return h_; }
    SQLSMALLINT type() const { return type_; }
    explicit operator bool() const { return h_ != SQL_NULL_HANDLE; }
    void reset();

private:
    SQLSMALLINT type_ = SQL_HANDLE_STMT;
    SQLHANDLE h_ = SQL_NULL_HANDLE;
};

// A new handle of that type under parent; throws rt::Error on failure.
Handle allocate(SQLSMALLINT type, SQLHANDLE parent);

// One diagnostic record.
struct Diagnostic {
    std::string state;  // five-character SQLSTATE
    SQLINTEGER native = 0;
    rt::Str message;
};

// Every diagnostic record of the handle's last call, in the driver's order.
std::vector<Diagnostic> diagnosticsOf(SQLSMALLINT type, SQLHANDLE h);

// The status a failure with this SQLSTATE reports (the OLE DB numbers ADO uses).
rt::HRESULT statusOfState(std::string_view state);

// The error behind a failed call: the status of the first record that says what went wrong
// and the messages of all records (duplicates dropped). `fallback` describes the failure
// when the driver left no record.
rt::Error errorOf(SQLSMALLINT type, SQLHANDLE h, std::u16string_view fallback);

// Throws errorOf(...) unless rc reports success (SQL_SUCCESS_WITH_INFO counts as success,
// SQL_NO_DATA when allowed).
void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE h, std::u16string_view what);

inline bool succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

}  // namespace ado::odbc
