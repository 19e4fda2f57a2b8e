#include "result_reader.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>

#include "dataaccess/values.h"

namespace ado::odbc {

namespace {

// Bytes of bound buffers per fetch: large enough to amortise the calls, small enough to
// stay in cache.
constexpr size_t kFetchBudget = size_t(1) << 20;
constexpr SQLULEN kMaxRowsPerFetch = 1024;

rt::Str textAttribute(SQLHSTMT st, SQLUSMALLINT column, SQLUSMALLINT field) {
    SQLWCHAR buf[256];
    SQLSMALLINT bytes = 0;
    const SQLRETURN rc = SQLColAttributeW(st, column, field, buf, sizeof buf, &bytes, nullptr);
    if (!succeeded(rc) || bytes <= 0) return {};
    const size_t units = std::min<size_t>(size_t(bytes) / sizeof(SQLWCHAR), std::size(buf) - 1);
    return rt::Str(reinterpret_cast<const char16_t*>(buf), units);
}

SQLLEN numericAttribute(SQLHSTMT st, SQLUSMALLINT column, SQLUSMALLINT field) {
    SQLLEN v = 0;
    if (!succeeded(SQLColAttributeW(st, column, field, nullptr, 0, nullptr, &v))) return 0;
    return v;
}

// ---- cells from the driver's bytes ----------------------------------------------------

char* putDigits(char* p, unsigned v, int width) {
    for (int i = width - 1; i >= 0; --i) {
        p[i] = char('0' + v % 10);
        v /= 10;
    }
    return p + width;
}

// "YYYY-MM-DD"; years beyond four digits are written in full.
char* putDate(char* p, int year, unsigned month, unsigned day) {
    if (year < 0) {
        *p++ = '-';
        year = -year;
    }
    p = putDigits(p, unsigned(year), year > 9999 ? 5 : 4);
    *p++ = '-';
    p = putDigits(p, month, 2);
    *p++ = '-';
    return putDigits(p, day, 2);
}

char* putTime(char* p, unsigned hour, unsigned minute, unsigned second) {
    p = putDigits(p, hour, 2);
    *p++ = ':';
    p = putDigits(p, minute, 2);
    *p++ = ':';
    return putDigits(p, second, 2);
}

// ".fffffffff" without trailing zeros; nothing for a whole second.
char* putFraction(char* p, SQLUINTEGER nanoseconds) {
    if (nanoseconds == 0) return p;
    *p++ = '.';
    char* start = p;
    p = putDigits(p, nanoseconds % 1000000000u, 9);
    while (p > start && p[-1] == '0') --p;
    return p;
}

// The shortest decimal of a 4-byte float, read back as a double: the value the database
// holds, not the float's binary expansion.
double tidySingle(double d) {
    const float f = float(d);
    if (double(f) != d) return d;
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, f);
    double out = d;
    std::from_chars(buf, r.ptr, out);
    return out;
}

class CellWriter {
public:
    explicit CellWriter(RowStore& store) : store_(store) {}

    // One cell from the bytes the driver left (ind bytes, or SQL_NULL_DATA).
    void put(const ColumnPlan& plan, const char* data, SQLLEN ind) {
        if (ind == SQL_NULL_DATA) {
            store_.addNull();
            return;
        }
        switch (plan.fetch) {
            case Fetch::Integer: {
                SQLBIGINT v;
                std::memcpy(&v, data, sizeof v);
                store_.addInteger(v);
                return;
            }
            case Fetch::Real:
            case Fetch::Single: {
                double v;
                std::memcpy(&v, data, sizeof v);
                store_.addReal(plan.fetch == Fetch::Single ? tidySingle(v) : v);
                return;
            }
            case Fetch::Exact: store_.addText(std::string_view(data, size_t(ind))); return;
            case Fetch::Money: store_.addText(plainMoneyText(std::string_view(data, size_t(ind)))); return;
            case Fetch::Guid: {
                const std::string_view s(data, size_t(ind));
                if (auto g = canonicalGuid(s))
                    store_.addText(*g);
                else
                    store_.addText(s);
                return;
            }
            case Fetch::Date: {
                SQL_DATE_STRUCT v;
                std::memcpy(&v, data, sizeof v);
                char buf[16];
                char* end = putDate(buf, v.year, v.month, v.day);
                store_.addText(std::string_view(buf, size_t(end - buf)));
                return;
            }
            case Fetch::Time: {
                SQL_TIME_STRUCT v;
                std::memcpy(&v, data, sizeof v);
                char buf[16];
                char* end = putTime(buf, v.hour, v.minute, v.second);
                store_.addText(std::string_view(buf, size_t(end - buf)));
                return;
            }
            case Fetch::Timestamp: {
                SQL_TIMESTAMP_STRUCT v;
                std::memcpy(&v, data, sizeof v);
                char buf[40];
                char* p = putDate(buf, v.year, v.month, v.day);
                *p++ = ' ';
                p = putTime(p, v.hour, v.minute, v.second);
                p = putFraction(p, v.fraction);
                store_.addText(std::string_view(buf, size_t(p - buf)));
                return;
            }
            case Fetch::Text: {
                text_.clear();
                rt::appendUtf8(text_, rt::StrView(reinterpret_cast<const char16_t*>(data), size_t(ind) / sizeof(char16_t)));
                store_.addText(text_);
                return;
            }
            case Fetch::Binary: store_.addBlob(std::string_view(data, size_t(ind))); return;
        }
    }

private:
    RowStore& store_;
    std::string text_;
};

// Bytes of the terminator the driver writes after character data of this C type.
SQLLEN terminatorOf(SQLSMALLINT cType) {
    return cType == SQL_C_WCHAR ? SQLLEN(sizeof(SQLWCHAR)) : cType == SQL_C_CHAR ? 1 : 0;
}

bool isFixedSize(Fetch f) {
    return f == Fetch::Integer || f == Fetch::Real || f == Fetch::Single || f == Fetch::Date || f == Fetch::Time ||
           f == Fetch::Timestamp;
}

// A whole value with SQLGetData, piece by piece; ind receives its bytes or SQL_NULL_DATA.
void getWhole(SQLHSTMT st, SQLUSMALLINT column, const ColumnPlan& plan, std::string& out, SQLLEN& ind) {
    out.clear();
    if (isFixedSize(plan.fetch)) {
        out.resize(32);
        const SQLRETURN rc = SQLGetData(st, column, plan.cType, out.data(), SQLLEN(out.size()), &ind);
        check(rc, SQL_HANDLE_STMT, st, u"Reading a column value");
        if (ind != SQL_NULL_DATA) ind = SQLLEN(plan.bufferBytes);
        return;
    }
    const SQLLEN terminator = terminatorOf(plan.cType);
    char chunk[8192];
    for (;;) {
        SQLLEN got = 0;
        const SQLRETURN rc = SQLGetData(st, column, plan.cType, chunk, sizeof chunk, &got);
        if (rc == SQL_NO_DATA) break;
        check(rc, SQL_HANDLE_STMT, st, u"Reading a column value");
        if (got == SQL_NULL_DATA) {
            ind = SQL_NULL_DATA;
            return;
        }
        const SQLLEN room = SQLLEN(sizeof chunk) - terminator;
        const bool more = rc == SQL_SUCCESS_WITH_INFO && (got == SQL_NO_TOTAL || got > room);
        const SQLLEN n = more ? room : std::min(got, room);
        // Wide data is whole units: an odd room would split one.
        out.append(chunk, size_t(n - (plan.cType == SQL_C_WCHAR ? n % 2 : 0)));
        if (!more) break;
    }
    ind = SQLLEN(out.size());
}

struct BoundColumn {
    std::unique_ptr<char[]> buffer;
    std::unique_ptr<SQLLEN[]> indicators;
};

// Resets the statement's fetch attributes and bindings whatever way the fetch ends.
struct FetchCleanup {
    SQLHSTMT st;
    ~FetchCleanup() {
        SQLFreeStmt(st, SQL_UNBIND);
        SQLSetStmtAttr(st, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(1)), 0);
        SQLSetStmtAttr(st, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
        SQLSetStmtAttr(st, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
    }
};

bool truncated(const ColumnPlan& plan, SQLLEN ind) {
    if (ind == SQL_NULL_DATA || isFixedSize(plan.fetch)) return false;
    return ind == SQL_NO_TOTAL || ind > plan.bufferBytes - terminatorOf(plan.cType);
}

}  // namespace

std::vector<ColumnDescriptor> describeResult(SQLHSTMT st) {
    SQLSMALLINT count = 0;
    check(SQLNumResultCols(st, &count), SQL_HANDLE_STMT, st, u"Describing the result");
    std::vector<ColumnDescriptor> out(size_t(std::max<SQLSMALLINT>(count, 0)));
    for (SQLUSMALLINT i = 1; i <= SQLUSMALLINT(out.size()); ++i) {
        ColumnDescriptor& d = out[i - 1];
        SQLWCHAR name[256];
        SQLSMALLINT nameLength = 0;
        check(SQLDescribeColW(st, i, name, SQLSMALLINT(std::size(name)), &nameLength, &d.sqlType, &d.size, &d.digits,
                              &d.nullable),
              SQL_HANDLE_STMT, st, u"Describing a result column");
        d.name.assign(reinterpret_cast<const char16_t*>(name),
                      std::min<size_t>(size_t(std::max<SQLSMALLINT>(nameLength, 0)), std::size(name) - 1));
        if (nameLength >= SQLSMALLINT(std::size(name))) d.name = textAttribute(st, i, SQL_DESC_LABEL);
        d.isUnsigned = numericAttribute(st, i, SQL_DESC_UNSIGNED) == SQL_TRUE && d.sqlType != SQL_BIT;
        d.autoUnique = numericAttribute(st, i, SQL_DESC_AUTO_UNIQUE_VALUE) == SQL_TRUE;
        d.typeName = textAttribute(st, i, SQL_DESC_TYPE_NAME);
        d.baseTable = textAttribute(st, i, SQL_DESC_BASE_TABLE_NAME);
        if (d.baseTable.empty()) d.baseTable = textAttribute(st, i, SQL_DESC_TABLE_NAME);
        if (!d.baseTable.empty()) {
            d.baseColumn = textAttribute(st, i, SQL_DESC_BASE_COLUMN_NAME);
            d.baseSchema = textAttribute(st, i, SQL_DESC_SCHEMA_NAME);
            d.baseCatalog = textAttribute(st, i, SQL_DESC_CATALOG_NAME);
        }
    }
    return out;
}

void fetchResult(SQLHSTMT st, const std::vector<ColumnPlan>& plans, SQLUINTEGER extensions, RowsetData& out) {
    const size_t n = plans.size();
    FetchCleanup cleanup{st};

    // Columns from the first long one on are read with SQLGetData, in order; bound columns
    // may follow them only when the driver allows reading any column that way.
    const auto firstLong =
        size_t(std::find_if(plans.begin(), plans.end(), [](const ColumnPlan& p) { return p.isLong; }) - plans.begin());
    const bool anyColumn = (extensions & SQL_GD_ANY_COLUMN) != 0;
    std::vector<uint8_t> bound(n, 0);
    size_t rowBytes = 0;
    for (size_t i = 0; i < n; ++i) {
        bound[i] = !plans[i].isLong && (anyColumn || i < firstLong);
        if (bound[i]) rowBytes += size_t(plans[i].bufferBytes) + sizeof(SQLLEN);
    }
    const bool piecewise = firstLong < n;
    SQLULEN rowsPerFetch = 1;
    if (!piecewise && rowBytes > 0)
        rowsPerFetch = std::clamp<SQLULEN>(kFetchBudget / rowBytes, 1, kMaxRowsPerFetch);

    std::vector<BoundColumn> columns(n);
    for (size_t i = 0; i < n; ++i) {
        if (!bound[i]) continue;
        columns[i].buffer.reset(new char[size_t(plans[i].bufferBytes) * rowsPerFetch]);
        columns[i].indicators.reset(new SQLLEN[rowsPerFetch]);
        check(SQLBindCol(st, SQLUSMALLINT(i + 1), plans[i].cType, columns[i].buffer.get(), plans[i].bufferBytes,
                         columns[i].indicators.get()),
              SQL_HANDLE_STMT, st, u"Binding a result column");
    }
    SQLULEN fetched = 0;
    std::vector<SQLUSMALLINT> status(rowsPerFetch, SQL_ROW_SUCCESS);
    if (rowsPerFetch > 1) {
        check(SQLSetStmtAttr(st, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rowsPerFetch), 0),
              SQL_HANDLE_STMT, st, u"Setting the fetch size");
    }
    check(SQLSetStmtAttr(st, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), SQL_HANDLE_STMT, st, u"Setting up the fetch");
    check(SQLSetStmtAttr(st, SQL_ATTR_ROW_STATUS_PTR, status.data(), 0), SQL_HANDLE_STMT, st, u"Setting up the fetch");

    // A bound value longer than announced is read again whole, which needs the driver to
    // read bound columns, and to position within a block of rows when there is one.
    const bool canReread =
        (extensions & SQL_GD_BOUND) != 0 && (rowsPerFetch == 1 || (extensions & SQL_GD_BLOCK) != 0);

    RowStore& store = out.store;
    CellWriter writer(store);
    std::string whole;
    for (;;) {
        const SQLRETURN rc = SQLFetchScroll(st, SQL_FETCH_NEXT, 0);
        if (rc == SQL_NO_DATA) break;
        check(rc, SQL_HANDLE_STMT, st, u"Fetching rows");
        for (SQLULEN r = 0; r < fetched; ++r) {
            if (status[r] == SQL_ROW_ERROR) throw errorOf(SQL_HANDLE_STMT, st, u"The driver could not read a row.");
            if (status[r] == SQL_ROW_NOROW) continue;
            for (size_t i = 0; i < n; ++i) {
                const ColumnPlan& plan = plans[i];
                const auto column = SQLUSMALLINT(i + 1);
                if (!bound[i]) {
                    SQLLEN ind = 0;
                    getWhole(st, column, plan, whole, ind);
                    writer.put(plan, whole.data(), ind);
                    continue;
                }
                const SQLLEN ind = columns[i].indicators[r];
                if (!truncated(plan, ind)) {
                    writer.put(plan, columns[i].buffer.get() + size_t(plan.bufferBytes) * r, ind);
                    continue;
                }
                if (!canReread)
                    throw rt::Error::status(rt::E_FAIL, u"A value of column '" + plan.field.name +
                                                            u"' is longer than the driver announced, and the driver "
                                                            u"cannot read it again whole.");
                if (rowsPerFetch > 1)
                    check(SQLSetPos(st, SQLSETPOSIROW(r + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE), SQL_HANDLE_STMT, st,
                          u"Positioning on a row");
                SQLLEN wholeInd = 0;
                getWhole(st, column, plan, whole, wholeInd);
                writer.put(plan, whole.data(), wholeInd);
            }
            out.appendFetched(store.finishRow());
        }
    }
}

}  // namespace ado::odbc
