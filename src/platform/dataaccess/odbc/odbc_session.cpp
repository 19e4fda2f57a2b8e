#include "odbc_session.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "dataaccess/values.h"
#include "odbc_api.h"
#include "odbc_types.h"
#include "result_reader.h"
#include "runtime/fault.h"
#include "socket_watch.h"

namespace ado::odbc {

DbmsTraits traitsOf(rt::StrView dbms) {
    const rt::Str name = rt::asciiLower(dbms);
    DbmsTraits t;
    if (name.find(u"postgres") != rt::Str::npos) {
        t.rewrite = true;
        t.rules = DialectRules{false, false};
        t.generatedKeys = DbmsTraits::GeneratedKeys::Returning;
        t.foldsNames = true;
        t.postgres = true;
        t.longTextAs = u"TEXT";  // json, xml and the like have no equality of their own
    } else if (name.find(u"sql server") != rt::Str::npos || name.find(u"adaptive server") != rt::Str::npos) {
        t.savepoints = DbmsTraits::Savepoints::TransactSql;
        t.generatedKeys = DbmsTraits::GeneratedKeys::Identity;
        t.quoteOpen = u'[';
        t.quoteClose = u']';
        t.catalogInNames = true;
        t.longTextAs = u"NVARCHAR(MAX)";  // text and ntext cannot be compared
        t.longBinaryAs = u"VARBINARY(MAX)";  // nor image
    } else if (name.find(u"sqlite") != rt::Str::npos) {
        t.rewrite = true;
        t.rules = DialectRules{false, false};
    } else if (name.find(u"mysql") != rt::Str::npos || name.find(u"mariadb") != rt::Str::npos) {
        t.rewrite = true;
        t.rules = DialectRules{true, false};
        t.quoteOpen = t.quoteClose = u'`';
    }
    return t;
}

namespace {

// Whether a test fails this call into the driver manager; the call then returns SQL_ERROR.
bool odbcFailureInjected() { return rt::fault::injected(rt::fault::Kind::Odbc); }


rt::Str infoText(SQLHDBC dbc, SQLUSMALLINT what) {
    SQLWCHAR buf[256] = {};
    SQLSMALLINT bytes = 0;
    if (!succeeded(SQLGetInfoW(dbc, what, buf, sizeof buf, &bytes)) || bytes <= 0) return {};
    return rt::Str(reinterpret_cast<const char16_t*>(buf),
                   std::min<size_t>(size_t(bytes) / sizeof(SQLWCHAR), std::size(buf) - 1));
}

SQLUINTEGER infoNumber(SQLHDBC dbc, SQLUSMALLINT what) {
    SQLUINTEGER v = 0;
    if (!succeeded(SQLGetInfoW(dbc, what, &v, sizeof v, nullptr))) return 0;
    return v;
}

// True for statements that only read, which leave the cached table descriptions valid.
bool onlyReads(rt::StrView sql) {
    size_t i = 0;
    for (;;) {
        while (i < sql.size() && (sql[i] == u' ' || sql[i] == u'\t' || sql[i] == u'\r' || sql[i] == u'\n' ||
                                  sql[i] == u'('))
            ++i;
        if (sql.compare(i, 2, u"--") == 0) {
            const size_t e = sql.find(u'\n', i);
            i = e == rt::StrView::npos ? sql.size() : e + 1;
            continue;
        }
        if (sql.compare(i, 2, u"/*") == 0) {
            const size_t e = sql.find(u"*/", i + 2);
            i = e == rt::StrView::npos ? sql.size() : e + 2;
            continue;
        }
        break;
    }
    size_t j = i;
    while (j < sql.size() && ((sql[j] >= u'a' && sql[j] <= u'z') || (sql[j] >= u'A' && sql[j] <= u'Z'))) ++j;
    const rt::StrView word = sql.substr(i, j - i);
    for (const char16_t* w : {u"select", u"with", u"values", u"show", u"table"})
        if (rt::equalsAsciiNoCase(word, w)) return true;
    return false;
}

// Closes the statement's cursor and drops its parameters however the call ends.
struct CursorGuard {
    SQLHSTMT st;
    ~CursorGuard() {
        SQLFreeStmt(st, SQL_CLOSE);
        SQLFreeStmt(st, SQL_RESET_PARAMS);
    }
};

class OdbcSession final : public Session {
public:
    OdbcSession(Handle dbc, DbmsTraits traits, SQLUINTEGER getDataExtensions, SocketWatch watch,
                int32_t commandTimeout)
        : dbc_(std::move(dbc)),
          traits_(traits),
          extensions_(getDataExtensions),
          watch_(watch),
          commandTimeout_(commandTimeout) {}

    ~OdbcSession() override {
        prepared_.clear();
        exec_.reset();
        catalog_.reset();
        if (depth_ > 0) SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), SQL_ROLLBACK);
        SQLDisconnect(dbc_.get());
    }

    // Settings the record sets rely on, made once after connecting.
    void prepareSession() {
        // Money text in a fixed form ("$1,234.56"), whatever the server's locale.
        if (traits_.postgres) run(u"SET lc_monetary TO 'C'");
    }

    ExecuteResult execute(rt::StrView sql, RowsetData* out) override try {
        requireCompleteCommand(sql);
        const rt::Str text = traits_.rewrite ? rt::fromUtf8(rewriteStatement(rt::toUtf8(sql), traits_.rules))
                                             : rt::Str(sql);
        trace_.begin(text);
        if (!onlyReads(text)) forgetTables();
        SQLHSTMT st = statement(exec_);
        applyTimeout(st);
        CursorGuard guard{st};
        SQLRETURN rc = odbcFailureInjected() ? SQL_ERROR : SQLExecDirectW(st, wide(text), SQL_NTS);
        noteFailure(rc);
        ExecuteResult result;
        int64_t changed = 0;
        bool counted = false;
        if (rc == SQL_NO_DATA) {
            counted = true;  // a change that matched no rows
        } else {
            check(rc, SQL_HANDLE_STMT, st, u"Running the statement");
            for (;;) {
                SQLSMALLINT columns = 0;
                check(SQLNumResultCols(st, &columns), SQL_HANDLE_STMT, st, u"Reading the result");
                if (columns > 0) {
                    if (!result.hasRows && out) fillResult(st, *out);
                    result.hasRows = true;
                } else {
                    SQLLEN n = -1;
                    if (succeeded(SQLRowCount(st, &n)) && n >= 0) {
                        changed += n;
                        counted = true;
                    }
                }
                rc = SQLMoreResults(st);
                if (rc == SQL_NO_DATA) break;
                noteFailure(rc);
                check(rc, SQL_HANDLE_STMT, st, u"Running the statement");
            }
        }
        SQLFreeStmt(st, SQL_CLOSE);
        // Key columns are looked up only now: some drivers allow one active result at a time.
        if (result.hasRows && out) markKeyColumns(*out);
        result.recordsAffected = counted ? changed : -1;
        trace_.end(result.hasRows && out ? int64_t(out->rows.size()) : result.recordsAffected);
        return result;
    } catch (...) {
        trace_.fail();
        throw;
    }

    ChangeResult apply(const RowChange& change) override try {
        const rt::Str autoColumn = change.kind == RowChange::Insert ? unsetAutoColumn(change) : rt::Str();
        const bool returning =
            !autoColumn.empty() && traits_.generatedKeys == DbmsTraits::GeneratedKeys::Returning;
        const rt::Str sql = changeSql(change, returning ? autoColumn : rt::Str(), namesOf(change.schema, change.table));
        trace_.begin(sql);
        SQLHSTMT st = preparedStatement(sql);
        applyTimeout(st);
        CursorGuard guard{st};

        std::vector<Parameter> params;
        params.reserve(change.set.size() + change.where.size());
        for (const ColumnValue& c : change.set) params.push_back(parameterFor(c.value, *c.field));
        for (const ColumnValue& c : change.where)
            if (!c.value.isNull()) params.push_back(parameterFor(c.value, *c.field));
        for (size_t i = 0; i < params.size(); ++i) {
            Parameter& p = params[i];
            // Never a null buffer (drivers refuse one even for an empty value): data() is not.
            check(SQLBindParameter(st, SQLUSMALLINT(i + 1), SQL_PARAM_INPUT, p.cType, p.sqlType, p.columnSize,
                                   p.digits, p.bytes.data(), SQLLEN(p.bytes.size()), &p.indicator),
                  SQL_HANDLE_STMT, st, u"Binding a value");
        }
        SQLRETURN rc = odbcFailureInjected() ? SQL_ERROR : SQLExecute(st);
        noteFailure(rc);
        ChangeResult result;
        if (rc == SQL_NO_DATA) {
            trace_.end(0);
            return result;  // nothing matched
        }
        check(rc, SQL_HANDLE_STMT, st, u"Writing the row");
        SQLLEN n = -1;
        if (succeeded(SQLRowCount(st, &n)) && n >= 0) result.rowsAffected = n;
        if (returning) {
            if (auto key = firstInteger(st)) {
                result.generatedKey = key;
                if (result.rowsAffected == 0) result.rowsAffected = 1;
            }
        }
        if (!autoColumn.empty() && traits_.generatedKeys == DbmsTraits::GeneratedKeys::Identity) {
            SQLFreeStmt(st, SQL_CLOSE);  // one active statement at a time on such servers
            trace_.end(result.rowsAffected);
            result.generatedKey = scalarInteger(u"SELECT CAST(@@IDENTITY AS BIGINT)");
        }
        trace_.end(result.rowsAffected);
        return result;
    } catch (...) {
        trace_.fail();
        throw;
    }

    std::vector<rt::Str> keyColumns(rt::StrView schema, rt::StrView table) override {
        const rt::Str key = tableKey(schema, table);
        auto it = keys_.find(key);
        if (it != keys_.end()) return it->second;
        rt::Str s(schema), t(namesOf(schema, table).table);
        SQLHSTMT st = statement(catalog_);
        CursorGuard guard{st};
        const SQLRETURN rc = SQLPrimaryKeysW(st, nullptr, 0, schema.empty() ? nullptr : wide(s),
                                             schema.empty() ? 0 : SQL_NTS, wide(t), SQL_NTS);
        noteFailure(rc);
        check(rc, SQL_HANDLE_STMT, st, u"Reading the table's key");
        std::vector<std::pair<SQLSMALLINT, rt::Str>> found;
        for (;;) {
            const SQLRETURN f = SQLFetch(st);
            if (f == SQL_NO_DATA) break;
            check(f, SQL_HANDLE_STMT, st, u"Reading the table's key");
            SQLWCHAR name[256] = {};
            SQLLEN nameBytes = 0;
            SQLSMALLINT seq = 0;
            SQLLEN seqInd = 0;
            check(SQLGetData(st, 4, SQL_C_WCHAR, name, sizeof name, &nameBytes), SQL_HANDLE_STMT, st,
                  u"Reading the table's key");
            check(SQLGetData(st, 5, SQL_C_SSHORT, &seq, 0, &seqInd), SQL_HANDLE_STMT, st, u"Reading the table's key");
            if (nameBytes <= 0) continue;
            found.emplace_back(seq, rt::Str(reinterpret_cast<const char16_t*>(name),
                                            std::min<size_t>(size_t(nameBytes) / 2, std::size(name) - 1)));
        }
        std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<rt::Str> names;
        for (auto& f : found) names.push_back(std::move(f.second));
        keys_.emplace(key, names);
        return names;
    }

    int beginTransaction() override {
        if (depth_ == 0) {
            setAutocommit(false);
        } else {
            run(traits_.savepoints == DbmsTraits::Savepoints::TransactSql ? u"SAVE TRANSACTION " + savepoint(depth_ + 1)
                                                                         : u"SAVEPOINT " + savepoint(depth_ + 1));
        }
        return ++depth_;
    }

    void commitTransaction() override {
        requireTransaction();
        if (depth_ == 1) {
            endTransaction(SQL_COMMIT);
        } else {
            if (traits_.savepoints == DbmsTraits::Savepoints::Standard) run(u"RELEASE SAVEPOINT " + savepoint(depth_));
            --depth_;
        }
    }

    void rollbackTransaction() override {
        requireTransaction();
        if (depth_ == 1) {
            endTransaction(SQL_ROLLBACK);
        } else {
            if (traits_.savepoints == DbmsTraits::Savepoints::TransactSql) {
                run(u"ROLLBACK TRANSACTION " + savepoint(depth_));
            } else {
                run(u"ROLLBACK TO SAVEPOINT " + savepoint(depth_));
                run(u"RELEASE SAVEPOINT " + savepoint(depth_));
            }
            --depth_;
        }
    }

    int transactionDepth() const override { return depth_; }

    bool alive() override {
        if (dead_) return false;
        SQLUINTEGER state = SQL_CD_FALSE;
        if (succeeded(SQLGetConnectAttrW(dbc_.get(), SQL_ATTR_CONNECTION_DEAD, &state, 0, nullptr)) &&
            state == SQL_CD_TRUE)
            dead_ = true;
        else if (watch_.peerClosed())
            dead_ = true;
        return !dead_;
    }

    void setCommandTimeout(int32_t seconds) override { commandTimeout_ = std::max(seconds, 0); }

private:
    SQLHSTMT statement(Handle& h) {
        if (!h) h = allocate(SQL_HANDLE_STMT, dbc_.get());
        return h.get();
    }

    void applyTimeout(SQLHSTMT st) {
        SQLSetStmtAttrW(st, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(SQLULEN(commandTimeout_)), 0);
    }

    // After a failed call, whether the connection itself is gone (the driver says so, or a
    // communication-link SQLSTATE).
    void noteFailure(SQLRETURN rc) {
        if (succeeded(rc) || rc == SQL_NO_DATA) return;
        SQLUINTEGER state = SQL_CD_FALSE;
        if (succeeded(SQLGetConnectAttrW(dbc_.get(), SQL_ATTR_CONNECTION_DEAD, &state, 0, nullptr)) &&
            state == SQL_CD_TRUE)
            dead_ = true;
    }

    void run(const rt::Str& sql) try {
        trace_.begin(sql);
        SQLHSTMT st = statement(exec_);
        applyTimeout(st);
        CursorGuard guard{st};
        const SQLRETURN rc = SQLExecDirectW(st, wide(sql), SQL_NTS);
        noteFailure(rc);
        if (rc != SQL_NO_DATA) check(rc, SQL_HANDLE_STMT, st, u"Running the statement");
        trace_.end(-1);
    } catch (...) {
        trace_.fail();
        throw;
    }

    std::optional<int64_t> firstInteger(SQLHSTMT st) {
        SQLSMALLINT columns = 0;
        if (!succeeded(SQLNumResultCols(st, &columns)) || columns < 1) return std::nullopt;
        const SQLRETURN f = SQLFetch(st);
        if (f == SQL_NO_DATA) return std::nullopt;
        check(f, SQL_HANDLE_STMT, st, u"Reading the new key");
        SQLBIGINT v = 0;
        SQLLEN ind = 0;
        check(SQLGetData(st, 1, SQL_C_SBIGINT, &v, 0, &ind), SQL_HANDLE_STMT, st, u"Reading the new key");
        if (ind == SQL_NULL_DATA) return std::nullopt;
        return int64_t(v);
    }

    std::optional<int64_t> scalarInteger(const rt::Str& sql) {
        SQLHSTMT st = statement(exec_);
        CursorGuard guard{st};
        const SQLRETURN rc = SQLExecDirectW(st, wide(sql), SQL_NTS);
        noteFailure(rc);
        check(rc, SQL_HANDLE_STMT, st, u"Reading the new key");
        return firstInteger(st);
    }

    void setAutocommit(bool on) {
        const SQLRETURN rc = SQLSetConnectAttrW(
            dbc_.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQLULEN(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)),
            0);
        noteFailure(rc);
        check(rc, SQL_HANDLE_DBC, dbc_.get(), on ? u"Ending the transaction" : u"Beginning a transaction");
    }

    // Ends the outermost transaction. A failed commit rolls back, so that the connection is
    // back in autocommit mode either way; the commit's error is then raised.
    void endTransaction(SQLSMALLINT how) {
        const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), how);
        noteFailure(rc);
        if (!succeeded(rc)) {
            rt::Error e = errorOf(SQL_HANDLE_DBC, dbc_.get(), u"Ending the transaction failed.");
            if (how == SQL_COMMIT) SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), SQL_ROLLBACK);
            SQLSetConnectAttrW(dbc_.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQLULEN(SQL_AUTOCOMMIT_ON)),
                               0);
            depth_ = 0;
            throw e;
        }
        depth_ = 0;
        setAutocommit(true);
    }

    void requireTransaction() const {
        if (depth_ == 0) throw rt::Error::status(rt::E_FAIL, u"No transaction is active.");
    }

    static rt::Str savepoint(int level) { return u"velmora_" + rt::ascii(std::to_string(level)); }

    // ---- result descriptions --------------------------------------------------------

    void fillResult(SQLHSTMT st, RowsetData& out) {
        const std::vector<ColumnDescriptor> descriptors = describeResult(st);
        std::vector<ColumnPlan> plans;
        plans.reserve(descriptors.size());
        out.fields.clear();
        for (const ColumnDescriptor& d : descriptors) {
            plans.push_back(planColumn(d));
            const FieldInfo& f = plans.back().field;
            if (f.autoIncrement && !f.baseTable.empty()) autoColumns_[tableKey(f.baseSchema, f.baseTable)] = f.baseColumn;
            out.fields.push_back(f);
        }
        out.schemaDone();
        fetchResult(st, plans, extensions_, out);
    }

    // Marks the fields that are key columns of their base tables. The mark is a description
    // only (a write-back asks for the key again): a table whose key cannot be read leaves its
    // fields unmarked rather than failing a result already fetched.
    void markKeyColumns(RowsetData& out) {
        std::map<rt::Str, std::vector<rt::Str>> tables;
        for (FieldInfo& f : out.fields) {
            if (f.baseTable.empty() || f.baseColumn.empty()) continue;
            const rt::Str key = tableKey(f.baseSchema, f.baseTable);
            auto it = tables.find(key);
            if (it == tables.end()) {
                std::vector<rt::Str> keys;
                try {
                    keys = keyColumns(f.baseSchema, f.baseTable);
                } catch (const rt::Error&) {
                }
                it = tables.emplace(key, std::move(keys)).first;
            }
            f.keyColumn = std::any_of(it->second.begin(), it->second.end(),
                                      [&](const rt::Str& k) { return k == f.baseColumn; });
        }
    }

    static rt::Str tableKey(rt::StrView schema, rt::StrView table) {
        return rt::Str(schema) + u'\x1F' + rt::Str(table);
    }

    void forgetTables() {
        keys_.clear();
        names_.clear();
        autoColumns_.clear();
        prepared_.clear();
    }

    // The table's auto-increment column when the insert leaves it to the database.
    rt::Str unsetAutoColumn(const RowChange& c) const {
        auto it = autoColumns_.find(tableKey(c.schema, c.table));
        if (it == autoColumns_.end()) return {};
        for (const ColumnValue& v : c.set)
            if (v.field->baseColumn == it->second) return {};
        return it->second;
    }

    // ---- write-back statements ------------------------------------------------------

    rt::Str quote(rt::StrView name) const {
        rt::Str out(1, traits_.quoteOpen);
        for (char16_t c : name) {
            if (c == traits_.quoteClose) out.push_back(c);
            out.push_back(c);
        }
        out.push_back(traits_.quoteClose);
        return out;
    }

    // A table's name and its columns' names as the database spells them.
    struct TableNames {
        rt::Str table;
        std::vector<rt::Str> columns;

        // The table's spelling of a column: the same name, else the one name equal to it
        // without regard to case, else the name as given.
        const rt::Str& column(const rt::Str& name) const {
            const rt::Str* folded = nullptr;
            int matches = 0;
            for (const rt::Str& c : columns) {
                if (c == name) return c;
                if (rt::equalsNoCase(c, name)) {
                    folded = &c;
                    ++matches;
                }
            }
            return matches == 1 ? *folded : name;
        }
    };

    // The names of a table, for databases that fold unquoted names (so that a record set
    // whose names came from elsewhere, a persisted document say, finds its table); the
    // names as given, with no catalog query, for the others.
    const TableNames& namesOf(rt::StrView schema, rt::StrView table) {
        const rt::Str key = tableKey(schema, table);
        auto it = names_.find(key);
        if (it != names_.end()) return it->second;
        TableNames names;
        names.table = rt::Str(table);
        if (traits_.foldsNames) {
            names.columns = columnNames(schema, table);
            if (names.columns.empty() && rt::toLower(table) != table) {
                const rt::Str lower = rt::toLower(table);
                names.columns = columnNames(schema, lower);
                if (!names.columns.empty()) names.table = lower;
            }
        }
        return names_.emplace(key, std::move(names)).first->second;
    }

    // The columns of a table (catalog function SQLColumns, the name taken literally); empty
    // when there is no such table.
    std::vector<rt::Str> columnNames(rt::StrView schema, rt::StrView table) {
        SQLHSTMT st = statement(catalog_);
        CursorGuard guard{st};
        const rt::Str s = escapePattern(schema), t = escapePattern(table);
        const SQLRETURN rc = SQLColumnsW(st, nullptr, 0, schema.empty() ? nullptr : wide(s),
                                         schema.empty() ? 0 : SQL_NTS, wide(t), SQL_NTS, nullptr, 0);
        noteFailure(rc);
        check(rc, SQL_HANDLE_STMT, st, u"Reading the table's columns");
        std::vector<rt::Str> names;
        for (;;) {
            const SQLRETURN f = SQLFetch(st);
            if (f == SQL_NO_DATA) break;
            check(f, SQL_HANDLE_STMT, st, u"Reading the table's columns");
            SQLWCHAR name[256] = {};
            SQLLEN bytes = 0;
            check(SQLGetData(st, 4, SQL_C_WCHAR, name, sizeof name, &bytes), SQL_HANDLE_STMT, st,
                  u"Reading the table's columns");
            if (bytes > 0)
                names.emplace_back(reinterpret_cast<const char16_t*>(name),
                                   std::min<size_t>(size_t(bytes) / 2, std::size(name) - 1));
        }
        return names;
    }

    // A name as a catalog function's search pattern that matches only itself.
    rt::Str escapePattern(rt::StrView name) {
        if (patternEscape_.empty()) patternEscape_ = infoText(dbc_.get(), SQL_SEARCH_PATTERN_ESCAPE);
        if (patternEscape_.empty()) return rt::Str(name);
        rt::Str out;
        for (char16_t c : name) {
            if (c == u'_' || c == u'%' || patternEscape_ == rt::StrView(&c, 1)) out += patternEscape_;
            out += c;
        }
        return out;
    }

    rt::Str tableName(const RowChange& c, const TableNames& names) const {
        rt::Str t;
        if (traits_.catalogInNames && !c.catalog.empty())
            t = quote(c.catalog) + u"." + (c.schema.empty() ? u"" : quote(c.schema)) + u".";
        else if (!c.schema.empty())
            t = quote(c.schema) + u".";
        return t + quote(names.table);
    }

    rt::Str changeSql(const RowChange& c, const rt::Str& returning, const TableNames& names) const {
        rt::Str sql;
        if (c.kind == RowChange::Insert) {
            sql = u"INSERT INTO " + tableName(c, names);
            if (c.set.empty()) {
                sql += u" DEFAULT VALUES";
            } else {
                rt::Str values;
                sql += u" (";
                for (size_t i = 0; i < c.set.size(); ++i) {
                    if (i) {
                        sql += u", ";
                        values += u", ";
                    }
                    sql += quote(names.column(c.set[i].field->baseColumn));
                    values += u"?";
                }
                sql += u") VALUES (" + values + u")";
            }
            if (!returning.empty()) sql += u" RETURNING " + quote(names.column(returning));
            return sql;
        }
        if (c.kind == RowChange::Update) {
            sql = u"UPDATE " + tableName(c, names) + u" SET ";
            for (size_t i = 0; i < c.set.size(); ++i) {
                if (i) sql += u", ";
                sql += quote(names.column(c.set[i].field->baseColumn)) + u" = ?";
            }
        } else {
            sql = u"DELETE FROM " + tableName(c, names);
        }
        sql += u" WHERE ";
        for (size_t i = 0; i < c.where.size(); ++i) {
            if (i) sql += u" AND ";
            sql += comparable(*c.where[i].field, quote(names.column(c.where[i].field->baseColumn))) +
                   (c.where[i].value.isNull() ? u" IS NULL" : u" = ?");
        }
        return sql;
    }

    // A column as a write-back's condition compares it: long columns cast to what the
    // database can compare.
    rt::Str comparable(const FieldInfo& f, rt::Str column) const {
        if (!f.isLong) return column;
        const char16_t* as = isBinaryType(f.type) ? traits_.longBinaryAs : traits_.longTextAs;
        return as ? u"CAST(" + column + u" AS " + as + u")" : column;
    }

    SQLHSTMT preparedStatement(const rt::Str& sql) {
        auto it = prepared_.find(sql);
        if (it != prepared_.end()) return it->second.get();
        if (prepared_.size() >= 32) prepared_.clear();
        Handle h = allocate(SQL_HANDLE_STMT, dbc_.get());
        const SQLRETURN rc = SQLPrepareW(h.get(), wide(sql), SQL_NTS);
        noteFailure(rc);
        check(rc, SQL_HANDLE_STMT, h.get(), u"Preparing the write-back");
        return prepared_.emplace(sql, std::move(h)).first->second.get();
    }

    Handle dbc_;
    DbmsTraits traits_;
    SQLUINTEGER extensions_;
    SocketWatch watch_;
    int32_t commandTimeout_;
    int depth_ = 0;
    bool dead_ = false;
    Handle exec_;     // statements run as given
    Handle catalog_;  // catalog functions
    std::unordered_map<rt::Str, Handle> prepared_;
    std::map<rt::Str, std::vector<rt::Str>> keys_;
    std::map<rt::Str, TableNames> names_;
    rt::Str patternEscape_;
    std::map<rt::Str, rt::Str> autoColumns_;
};

// The driver manager could not find or load the driver (unixODBC takes an unregistered
// driver name for a library file, and reports that it cannot open it).
bool driverUnknown(const std::vector<Diagnostic>& records) {
    return std::any_of(records.begin(), records.end(), [](const Diagnostic& d) {
        return d.state == "IM002" || d.state == "IM003" || d.message.find(u"Can't open lib") != rt::Str::npos;
    });
}

// Runs the driver's failing connect (DriverConnect::quietConnect) on a handle of its own,
// while the connection just made keeps the driver loaded. Its failure is the point.
void keepDriverQuiet(const rt::Str& quietConnect) {
    if (quietConnect.empty()) return;
    SQLHDBC h = SQL_NULL_HDBC;
    if (!succeeded(SQLAllocHandle(SQL_HANDLE_DBC, environment(), &h))) return;
    rt::Str text = quietConnect;
    const SQLRETURN rc = SQLDriverConnectW(h, nullptr, wide(text), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (succeeded(rc)) SQLDisconnect(h);
    SQLFreeHandle(SQL_HANDLE_DBC, h);
}

}  // namespace

std::unique_ptr<Session> connect(const DriverConnect& how, const ConnectRequest& request) {
    requireCompleteName(how.text, u"The connection string");
    Handle dbc = allocate(SQL_HANDLE_DBC, environment());
    SQLSetConnectAttrW(dbc.get(), SQL_ATTR_LOGIN_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(SQLULEN(std::max(request.connectionTimeout, 0))), 0);
    const auto before = SocketWatch::snapshot();
    const SQLRETURN rc = odbcFailureInjected() ? SQL_ERROR
                                               : SQLDriverConnectW(dbc.get(), nullptr, wide(how.text), SQL_NTS, nullptr,
                                                                   0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!succeeded(rc)) {
        const std::vector<Diagnostic> records = diagnosticsOf(SQL_HANDLE_DBC, dbc.get());
        rt::Error e = errorOf(SQL_HANDLE_DBC, dbc.get(), u"the driver gave no reason");
        if (driverUnknown(records))
            throw rt::Error::status(rt::E_FAIL, u"Cannot connect to " + how.target +
                                                    u": the driver manager does not know that driver or data source, "
                                                    u"or cannot load its library (odbcinst -q -d lists the registered "
                                                    u"drivers): " +
                                                    e.description());
        e.setDescription(u"Cannot connect to " + how.target + u": " + e.description());
        throw e;
    }
    SocketWatch watch;
    watch.adopt(before, SocketWatch::snapshot());
    keepDriverQuiet(how.quietConnect);
    DbmsTraits traits = traitsOf(infoText(dbc.get(), SQL_DBMS_NAME));
    if (!traits.postgres && traits.quoteOpen == u'"') {
        const rt::Str q = infoText(dbc.get(), SQL_IDENTIFIER_QUOTE_CHAR);
        if (q.size() == 1 && q[0] != u' ') traits.quoteOpen = traits.quoteClose = q[0];
    }
    const SQLUINTEGER extensions = infoNumber(dbc.get(), SQL_GETDATA_EXTENSIONS);
    auto session = std::make_unique<OdbcSession>(std::move(dbc), traits, extensions, watch, request.commandTimeout);
    session->identifyForTrace(request);
    session->prepareSession();
    return session;
}

}  // namespace ado::odbc
