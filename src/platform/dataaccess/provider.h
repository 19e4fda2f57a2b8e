// The provider interface: what a database driver offers the record set and connection
// objects. A provider is chosen by the connection string's Provider name; each one
// registers itself with a ProviderRegistrar in its own source file.
//
// Statements arrive in the library's dialect (T-SQL: N'...' literals, "select top N"); a
// provider whose database speaks another one rewrites them on the way in (see dialect.h).
// Failures are rt::Error values whose number is a failure status (E_FAIL unless a more
// precise one applies) and whose description is the database's own message.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "connstring.h"
#include "rowset.h"
#include "trace.h"

namespace ado {

// One column named in a write-back, with the value it gets or is located by.
struct ColumnValue {
    const FieldInfo* field = nullptr;  // the record set's description (type, base column)
    CellView value;
};

// A row written back to one base table.
struct RowChange {
    enum Kind { Insert, Update, Delete } kind = Insert;
    rt::Str table;                  // base table (with schema and catalog when known)
    rt::Str schema, catalog;
    std::vector<ColumnValue> set;    // Insert, Update: the columns written
    std::vector<ColumnValue> where;  // Update, Delete: the original values locating the row
};

struct ChangeResult {
    int64_t rowsAffected = 0;
    std::optional<int64_t> generatedKey;  // Insert: the key the database assigned, if any
};

struct ExecuteResult {
    bool hasRows = false;        // the statement produced a result (possibly without rows)
    int64_t recordsAffected = -1;  // rows changed, -1 when not known
};

// An open database connection.
class Session {
public:
    virtual ~Session() = default;

    // Runs one statement in the library's dialect. A statement with a result fills out's
    // fields (schemaDone called) and rows; out may be null when the caller wants none.
    virtual ExecuteResult execute(rt::StrView sql, RowsetData* out) = 0;
    // Writes one row back with bound values. Returns the rows affected (0: the row was not
    // found); throws for a database failure.
    virtual ChangeResult apply(const RowChange& change) = 0;
    // Primary key columns of a base table, in key order; empty when it has none or is
    // unknown. schema may be empty (the default one).
    virtual std::vector<rt::Str> keyColumns(rt::StrView schema, rt::StrView table) = 0;

    // Transactions nest: the outermost begins a transaction, inner levels are savepoints.
    // begin returns the new depth; commit and rollback act on the innermost level and throw
    // when there is none.
    virtual int beginTransaction() = 0;
    virtual void commitTransaction() = 0;
    virtual void rollbackTransaction() = 0;
    virtual int transactionDepth() const = 0;

    // False once the connection is known to be unusable, as far as the provider can tell
    // without asking the database.
    virtual bool alive() = 0;
    virtual void setCommandTimeout(int32_t seconds) = 0;

    // Names the session in the SQL trace; the provider calls it as it opens the session.
    void identifyForTrace(const ConnectRequest& request) { trace_.identify(request); }

protected:
    // The SQL trace of the statements this session sends (trace.h).
    StatementTrace trace_;
};

struct ConnectRequest {
    rt::Str provider;  // the provider's name, as the connection chose it
    ConnectionString properties;
    rt::Str userId;
    rt::Str password;
    int32_t connectionTimeout = 15;
    int32_t commandTimeout = 30;
};

// Opens a session; throws rt::Error (status and the database's message) on failure.
using ProviderFactory = std::function<std::unique_ptr<Session>(const ConnectRequest&)>;

struct ProviderRegistrar {
    // name is matched without regard to case; a second registration of a name replaces it.
    ProviderRegistrar(const char16_t* name, ProviderFactory factory);
};

// The C interfaces under the providers take U+0000 for the end of a text, so a text holding
// one would be cut there (a statement run in part, another file opened). These throw when
// text holds one: requireCompleteCommand with kErrorsInCommand, requireCompleteName with
// E_FAIL naming what the text is ("The Data Source", ...). Return normally otherwise.
void requireCompleteCommand(rt::StrView sql);
void requireCompleteName(rt::StrView text, rt::StrView what);

// The provider of that name; an empty name gives the embedded default ("SQLite"). Throws
// error 3706 when none is registered.
const ProviderFactory& providerNamed(rt::StrView name);
inline constexpr char16_t kDefaultProvider[] = u"SQLite";

}  // namespace ado
