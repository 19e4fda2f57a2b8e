// The opt-in SQL trace. With VELMORA_TRACE=sql every statement a provider sends to its
// database is written as one line to standard error; with VELMORA_TRACE=sql:FILE the lines
// are appended to FILE. Unset (or any other value), nothing is written. The variable is
// read at each statement, so a process may turn the trace on and off.
//
// One line per statement, in logfmt:
//   velmora-sql provider=SQLite key="data source=/tmp/a.db;user id=;initial catalog=" ms=0.214 rows=3 sql="select ..."
//   velmora-sql provider=PostgreSQL key="..." ms=1.032 error="0x80040E14 relation \"x\" does not exist" sql="..."
// key is the connection's pool key: data source, user id and initial catalog of its
// connection string, in lower case as the pool files them; never the password. sql is the
// statement as sent, after every rewrite; rows are those returned (a result) or changed,
// left out when the database does not tell. Quotes, backslashes and line breaks inside a
// value are escaped (\", \\, \n, \r), so each statement stays on one line.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/ustring.h"

namespace ado {

struct ConnectRequest;

// The trace of one session's statements. A provider calls begin() with the text it sends,
// then end() with the rows, or fail() from the handler of the error that ends the
// statement. Costs a look at the environment when the trace is off.
class StatementTrace {
public:
    // Names the session in its lines: the provider and the pool key of the request.
    void identify(const ConnectRequest& request);

    void begin(std::string_view sql);
    void begin(rt::StrView sql);
    // Writes the statement's line; rows < 0: not known.
    void end(int64_t rows) noexcept;
    // Writes the statement's line with the error being handled; call only inside a catch
    // handler. Never throws.
    void fail() noexcept;

private:
    void write(const std::string& outcome) noexcept;

    std::string provider_;
    std::string key_;
    bool active_ = false;
    std::string sql_;
    std::chrono::steady_clock::time_point start_;
};

// Whether VELMORA_TRACE asks for the SQL trace now.
bool sqlTraceOn();

}  // namespace ado
