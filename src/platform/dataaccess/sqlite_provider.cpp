// The embedded default provider: "Provider=SQLite;Data Source=PATH" over the SQLite C library.
// "Mode=Read" opens the file read-only (and nothing else is written through the connection);
// "Uri=True" reads a Data Source beginning with "file:" as a SQLite URI, which otherwise is
// a file name. The connection's command time-out bounds both the wait for a lock and each
// statement's run.
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <list>
#include <unordered_map>

#include "dialect.h"
#include "runtime/error.h"
#include "runtime/fault.h"
#include "provider.h"
#include "sqlite_types.h"
#include "values.h"

namespace ado::sqlite {

namespace {

rt::HRESULT statusOf(int rc, bool preparing) {
    switch (rc & 0xFF) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED: return kTimeoutExpired;
        case SQLITE_CONSTRAINT: return kIntegrityViolation;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH: return kPermissionDenied;
        case SQLITE_ERROR: return preparing ? kErrorsInCommand : rt::E_FAIL;
        default: return rt::E_FAIL;
    }
}

// Whether a test fails this call into SQLite; the call then reports a disk I/O error.
bool failureInjected() { return rt::fault::injected(rt::fault::Kind::Sqlite); }

[[noreturn]] void fail(sqlite3* db, int rc, bool preparing = false) {
    // Only the session's own clock interrupts a statement (see SqliteSession::Deadline).
    if ((rc & 0xFF) == SQLITE_INTERRUPT) throw rt::Error::status(kTimeoutExpired, u"Query timeout expired");
    // The connection's message belongs to this failure only when its code is rc.
    const char* message = db && sqlite3_errcode(db) == rc ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    throw rt::Error::status(statusOf(rc, preparing), rt::fromUtf8(message ? message : "SQLite error"));
}

// prefix followed by n (built in steps: GCC 12 warns falsely on "literal" + std::to_string).
std::string numbered(const char* prefix, int n) {
    std::string s = prefix;
    s += std::to_string(n);
    return s;
}

std::string quoteIdentifier(rt::StrView name) {
    std::string s = rt::toUtf8(name);
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

struct StatementDeleter {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

void bindCell(sqlite3* db, sqlite3_stmt* st, int index, CellView v) {
    int rc = SQLITE_OK;
    switch (v.kind) {
        case CellKind::Null: rc = sqlite3_bind_null(st, index); break;
        case CellKind::Integer: rc = sqlite3_bind_int64(st, index, v.integer); break;
        case CellKind::Real: rc = sqlite3_bind_double(st, index, v.real); break;
        case CellKind::Text:
            rc = sqlite3_bind_text(st, index, v.bytes.data(), int(v.bytes.size()), SQLITE_STATIC);
            break;
        case CellKind::Blob:
            rc = sqlite3_bind_blob(st, index, v.bytes.data(), int(v.bytes.size()), SQLITE_STATIC);
            break;
    }
    if (rc != SQLITE_OK) fail(db, rc);
}

// Describes result column i of a prepared statement, from its declared type and, for a
// column of a table, the table's metadata.
FieldInfo describeColumn(sqlite3* db, sqlite3_stmt* st, int i, bool& typed) {
    const char* declared = sqlite3_column_decltype(st, i);
    typed = declared && *declared;
    FieldInfo f = fieldForDeclaredType(declared ? declared : "");
    const char* name = sqlite3_column_name(st, i);
    f.name = rt::fromUtf8(name ? name : "");
    const char* table = sqlite3_column_table_name(st, i);
    const char* origin = sqlite3_column_origin_name(st, i);
    const char* database = sqlite3_column_database_name(st, i);
    if (!table || !origin) {
        f.nullable = true;
        f.mayBeNull = true;
        f.write = Writability::ReadOnly;
        return f;
    }
    f.baseTable = rt::fromUtf8(table);
    f.baseColumn = rt::fromUtf8(origin);
    if (database && std::string_view(database) != "main") f.baseSchema = rt::fromUtf8(database);
    f.write = Writability::Writable;
    const char* colType = nullptr;
    const char* collation = nullptr;
    int notNull = 0, primaryKey = 0, autoIncrement = 0;
    if (sqlite3_table_column_metadata(db, database, table, origin, &colType, &collation, &notNull, &primaryKey,
                                      &autoIncrement) == SQLITE_OK) {
        f.keyColumn = primaryKey != 0;
        // An INTEGER PRIMARY KEY is the row id: never null, assigned when left out.
        const bool rowId = primaryKey && colType && sqlite3_stricmp(colType, "INTEGER") == 0;
        f.autoIncrement = autoIncrement != 0 || rowId;
        // Key columns count as not null, as standard SQL has them (SQLite alone lets some hold null).
        f.nullable = !notNull && !primaryKey;
        f.mayBeNull = f.nullable;
    }
    return f;
}

// Columns without a declared type get theirs from the values fetched.
void typeUntypedColumns(RowsetData& out, const std::vector<bool>& typed) {
    for (size_t c = 0; c < typed.size(); ++c) {
        if (typed[c]) continue;
        ValueKinds k;
        for (const Row& r : out.rows) {
            CellView v = RowStore::cell(r.base, c);
            switch (v.kind) {
                case CellKind::Integer:
                    k.integer = true;
                    if (v.integer < INT32_MIN || v.integer > INT32_MAX) k.integerBeyond32Bits = true;
                    break;
                case CellKind::Real: k.real = true; break;
                case CellKind::Text:
                    k.text = true;
                    k.longestText = std::max(k.longestText, rt::fromUtf8(v.bytes).size());
                    break;
                case CellKind::Blob: k.blob = true; break;
                default: break;
            }
        }
        FieldInfo t = typeFromValues(k);
        FieldInfo& f = out.fields[c];
        f.type = t.type;
        f.definedSize = t.definedSize;
        f.precision = t.precision;
        f.scale = t.scale;
        f.fixedLength = t.fixedLength;
        f.isLong = t.isLong;
    }
}

void fetchRows(sqlite3* db, sqlite3_stmt* st, RowsetData& out) {
    const int n = sqlite3_column_count(st);
    RowStore& store = out.store;
    for (;;) {
        const int rc = failureInjected() ? SQLITE_IOERR : sqlite3_step(st);
        if (rc == SQLITE_DONE) return;
        if (rc != SQLITE_ROW) fail(db, rc);
        for (int i = 0; i < n; ++i) {
            switch (sqlite3_column_type(st, i)) {
                case SQLITE_INTEGER: store.addInteger(sqlite3_column_int64(st, i)); break;
                case SQLITE_FLOAT: store.addReal(sqlite3_column_double(st, i)); break;
                case SQLITE_TEXT: {
                    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
                    store.addText(std::string_view(p, size_t(sqlite3_column_bytes(st, i))));
                    break;
                }
                case SQLITE_BLOB: {
                    const auto* p = static_cast<const char*>(sqlite3_column_blob(st, i));
                    store.addBlob(std::string_view(p, size_t(sqlite3_column_bytes(st, i))));
                    break;
                }
                default: store.addNull(); break;
            }
        }
        out.appendFetched(store.finishRow());
    }
}

class SqliteSession final : public Session {
public:
    explicit SqliteSession(sqlite3* db) : db_(db) {}
    ~SqliteSession() override {
        cache_.clear();
        sqlite3_close_v2(db_);
    }

    ExecuteResult execute(rt::StrView sql, RowsetData* out) override try {
        requireCompleteCommand(sql);
        const Deadline deadline(*this);
        const std::string text = rewriteStatement(rt::toUtf8(sql), DialectRules{});
        trace_.begin(text);
        ExecuteResult result;
        const char* tail = text.c_str();
        const char* end = tail + text.size();
        int64_t changed = 0;
        bool anyChange = false;
        while (tail < end) {
            sqlite3_stmt* raw = nullptr;
            const char* next = nullptr;
            int rc = failureInjected() ? SQLITE_IOERR : sqlite3_prepare_v2(db_, tail, int(end - tail), &raw, &next);
            if (rc != SQLITE_OK) fail(db_, rc, true);
            Statement st(raw);
            tail = next;
            if (!st) continue;  // only blanks or comments
            if (sqlite3_column_count(st.get()) > 0 && !result.hasRows) {
                result.hasRows = true;
                if (out) {
                    fillResult(st.get(), *out);
                    continue;
                }
            }
            for (;;) {
                rc = failureInjected() ? SQLITE_IOERR : sqlite3_step(st.get());
                if (rc == SQLITE_DONE) break;
                if (rc != SQLITE_ROW) fail(db_, rc);
            }
            if (sqlite3_column_count(st.get()) == 0 && !sqlite3_stmt_readonly(st.get())) {
                changed += sqlite3_changes64(db_);
                anyChange = true;
            }
        }
        syncDepth();
        result.recordsAffected = anyChange ? changed : -1;
        trace_.end(result.hasRows && out ? int64_t(out->rows.size()) : result.recordsAffected);
        return result;
    } catch (...) {
        trace_.fail();
        throw;
    }

    ChangeResult apply(const RowChange& change) override try {
        const Deadline deadline(*this);
        const std::string sql = changeSql(change);
        trace_.begin(sql);
        sqlite3_stmt* st = cached(sql);
        int index = 1;
        for (const ColumnValue& c : change.set) bindCell(db_, st, index++, c.value);
        for (const ColumnValue& c : change.where)
            if (!c.value.isNull()) bindCell(db_, st, index++, c.value);
        const int rc = failureInjected() ? SQLITE_IOERR : sqlite3_step(st);
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
        if (rc != SQLITE_DONE && rc != SQLITE_ROW) fail(db_, rc);
        ChangeResult r;
        r.rowsAffected = sqlite3_changes64(db_);
        if (change.kind == RowChange::Insert) r.generatedKey = sqlite3_last_insert_rowid(db_);
        trace_.end(r.rowsAffected);
        return r;
    } catch (...) {
        trace_.fail();
        throw;
    }

    std::vector<rt::Str> keyColumns(rt::StrView schema, rt::StrView table) override {
        const std::string sql = "PRAGMA " + (schema.empty() ? std::string() : quoteIdentifier(schema) + ".") +
                                "table_info(" + quoteIdentifier(table) + ")";
        sqlite3_stmt* raw = nullptr;
        int rc = sqlite3_prepare_v2(db_, sql.c_str(), -1, &raw, nullptr);
        if (rc != SQLITE_OK) fail(db_, rc, true);
        Statement st(raw);
        std::vector<std::pair<int, rt::Str>> keys;
        while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
            const int pk = sqlite3_column_int(st.get(), 5);
            if (pk > 0)
                keys.emplace_back(pk, rt::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 1))));
        }
        if (rc != SQLITE_DONE) fail(db_, rc);
        std::sort(keys.begin(), keys.end());
        std::vector<rt::Str> names;
        for (auto& k : keys) names.push_back(std::move(k.second));
        return names;
    }

    int beginTransaction() override {
        syncDepth();
        run(depth_ == 0 ? "BEGIN" : numbered("SAVEPOINT velmora_", depth_ + 1));
        return ++depth_;
    }
    void commitTransaction() override {
        syncDepth();
        requireTransaction();
        run(depth_ == 1 ? "COMMIT" : numbered("RELEASE velmora_", depth_));
        --depth_;
    }
    void rollbackTransaction() override {
        syncDepth();
        requireTransaction();
        if (depth_ == 1) {
            run("ROLLBACK");
        } else {
            const std::string sp = numbered("velmora_", depth_);
            run("ROLLBACK TO " + sp);
            run("RELEASE " + sp);
        }
        --depth_;
    }
    int transactionDepth() const override { return depth_; }

    bool alive() override { return db_ != nullptr; }
    void setCommandTimeout(int32_t seconds) override {
        // 0 means "wait as long as it takes", for the lock as for the statement.
        sqlite3_busy_timeout(db_, seconds <= 0 ? INT_MAX : (seconds >= INT_MAX / 1000 ? INT_MAX : seconds * 1000));
        timeout_ = std::chrono::seconds(std::max(seconds, 0));
    }

private:
    using Clock = std::chrono::steady_clock;
    // Virtual machine steps between two looks at the clock: often enough to stop within a
    // few milliseconds, rarely enough to cost nothing measurable.
    static constexpr int kStepsPerLook = 10000;

    // The command time-out of one execute or apply: SQLite calls back every kStepsPerLook
    // steps, and a statement past its time is interrupted (SQLITE_INTERRUPT, reported by
    // fail as the time-out). No time-out, no callback.
    class Deadline {
    public:
        explicit Deadline(SqliteSession& s) : s_(s) {
            if (s_.timeout_.count() <= 0) return;
            s_.deadline_ = Clock::now() + s_.timeout_;
            sqlite3_progress_handler(s_.db_, kStepsPerLook, &SqliteSession::pastDeadline, &s_);
            armed_ = true;
        }
        ~Deadline() {
            if (armed_) sqlite3_progress_handler(s_.db_, 0, nullptr, nullptr);
        }
        Deadline(const Deadline&) = delete;
        Deadline& operator=(const Deadline&) = delete;

    private:
        SqliteSession& s_;
        bool armed_ = false;
    };

    static int pastDeadline(void* session) {
        return Clock::now() >= static_cast<SqliteSession*>(session)->deadline_ ? 1 : 0;
    }

    void fillResult(sqlite3_stmt* st, RowsetData& out) {
        const int n = sqlite3_column_count(st);
        std::vector<bool> typed(size_t(n), true);
        out.fields.clear();
        for (int i = 0; i < n; ++i) {
            bool t = true;
            out.fields.push_back(describeColumn(db_, st, i, t));
            typed[size_t(i)] = t;
        }
        out.schemaDone();
        fetchRows(db_, st, out);
        typeUntypedColumns(out, typed);
    }

    static std::string tableName(const RowChange& c) {
        std::string t;
        if (!c.schema.empty()) t = quoteIdentifier(c.schema) + ".";
        return t + quoteIdentifier(c.table);
    }

    static std::string changeSql(const RowChange& c) {
        std::string sql;
        int index = 1;
        if (c.kind == RowChange::Insert) {
            sql = "INSERT INTO " + tableName(c);
            if (c.set.empty()) return sql + " DEFAULT VALUES";
            std::string values;
            sql += " (";
            for (size_t i = 0; i < c.set.size(); ++i) {
                if (i) {
                    sql += ", ";
                    values += ", ";
                }
                sql += quoteIdentifier(c.set[i].field->baseColumn);
                values += numbered("?", index++);
            }
            return sql + ") VALUES (" + values + ")";
        }
        if (c.kind == RowChange::Update) {
            sql = "UPDATE " + tableName(c) + " SET ";
            for (size_t i = 0; i < c.set.size(); ++i) {
                if (i) sql += ", ";
                sql += quoteIdentifier(c.set[i].field->baseColumn) + " = " + numbered("?", index++);
            }
        } else {
            sql = "DELETE FROM " + tableName(c);
        }
        sql += " WHERE ";
        for (size_t i = 0; i < c.where.size(); ++i) {
            if (i) sql += " AND ";
            const FieldInfo& f = *c.where[i].field;
            const std::string col = quoteIdentifier(f.baseColumn);
            if (c.where[i].value.isNull()) {
                sql += col + " IS NULL";
                continue;
            }
            const std::string p = numbered("?", index++);
            // Dates may be stored in another of SQLite's date forms than the one read back.
            const char* fn = f.type == adDBDate ? "date" : f.type == adDBTime ? "time" : "datetime";
            if (isDateType(f.type))
                sql += "(" + col + " = " + p + " OR " + fn + "(" + col + ") = " + fn + "(" + p + "))";
            else
                sql += col + " = " + p;
        }
        return sql;
    }

    sqlite3_stmt* cached(const std::string& sql) {
        auto it = cache_.find(sql);
        if (it != cache_.end()) return it->second.get();
        if (cache_.size() >= 64) cache_.clear();
        sqlite3_stmt* raw = nullptr;
        const int rc =
            failureInjected() ? SQLITE_IOERR : sqlite3_prepare_v2(db_, sql.c_str(), int(sql.size()), &raw, nullptr);
        if (rc != SQLITE_OK) fail(db_, rc, true);
        return cache_.emplace(sql, Statement(raw)).first->second.get();
    }

    void run(const std::string& sql) try {
        trace_.begin(sql);
        char* message = nullptr;
        const int rc = failureInjected() ? SQLITE_IOERR : sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message);
        if (rc != SQLITE_OK) {
            rt::Str text = rt::fromUtf8(message ? message : sqlite3_errstr(rc));
            sqlite3_free(message);
            throw rt::Error::status(statusOf(rc, false), text);
        }
        trace_.end(-1);
    } catch (...) {
        trace_.fail();
        throw;
    }

    void requireTransaction() {
        if (depth_ == 0) throw rt::Error::status(rt::E_FAIL, u"No transaction is active.");
    }

    // The database ends a transaction by itself on some errors; the depth follows it.
    void syncDepth() {
        if (depth_ > 0 && sqlite3_get_autocommit(db_)) depth_ = 0;
    }

    sqlite3* db_;
    std::chrono::seconds timeout_{0};
    Clock::time_point deadline_;
    int depth_ = 0;
    std::unordered_map<std::string, Statement> cache_;
};

bool isTrue(rt::StrView v) {
    return rt::equalsAsciiNoCase(v, u"true") || rt::equalsAsciiNoCase(v, u"yes") || v == u"1";
}

// The file name SQLite is given for a Data Source: a name that begins with "file:" is a
// file of that name unless the connection string asks for URIs ("Uri=True"), as SQLite
// would otherwise take it for a URI with options of its own.
std::string fileNameOf(rt::StrView dataSource, bool uris) {
    std::string file = rt::toUtf8(dataSource);
    if (!uris && file.compare(0, 5, "file:") == 0) file.insert(0, "./");
    return file;
}

// A read-only connection writes nothing anywhere: no other database attached (which
// would create its file), hence no VACUUM INTO (which attaches its target) either.
int readOnlyAuthorizer(void*, int action, const char*, const char*, const char*, const char*) {
    return action == SQLITE_ATTACH ? SQLITE_DENY : SQLITE_OK;
}

std::unique_ptr<Session> openSession(const ConnectRequest& request) {
    const auto path = request.properties.get({u"Data Source", u"DataSource"});
    if (!path || path->empty())
        throw rt::Error::status(rt::E_FAIL, u"The connection string names no Data Source (the database file).");
    requireCompleteName(*path, u"The Data Source");
    const auto mode = request.properties.get(u"Mode");
    const bool readOnly = mode && rt::equalsAsciiNoCase(*mode, u"Read");
    const bool uris = isTrue(request.properties.get(u"Uri").value_or(rt::Str()));
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) |
                      SQLITE_OPEN_NOMUTEX | (uris ? SQLITE_OPEN_URI : 0);
    sqlite3* db = nullptr;
    const std::string file = fileNameOf(*path, uris);
    const int rc = failureInjected() ? SQLITE_CANTOPEN : sqlite3_open_v2(file.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        rt::Str message = rt::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        throw rt::Error::status(statusOf(rc, false), message + u" (" + *path + u")");
    }
    if (readOnly) sqlite3_set_authorizer(db, readOnlyAuthorizer, nullptr);
    auto session = std::make_unique<SqliteSession>(db);
    session->identifyForTrace(request);
    session->setCommandTimeout(request.commandTimeout);
    return session;
}

const ProviderRegistrar registrar(u"SQLite", openSession);

}  // namespace

}  // namespace ado::sqlite
