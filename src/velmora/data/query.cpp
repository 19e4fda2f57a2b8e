// Query helpers: opening connections and running SQL text on pooled connections.
#include "data/query.h"

#include "dataaccess/ado.h"
#include "frame/binding.h"
#include "frame/classes.h"
#include "pool/pool_access.h"
#include "runtime/call.h"
#include "runtime/convert.h"
#include "text/strings.h"

namespace velmora::data {

using rt::ComPtr;
using rt::Str;
using rt::Variant;

namespace {

Variant connectionArgument(const ComPtr<ado::_Connection>& con) { return Variant(con); }

ComPtr<ado::Fields> fieldsOf(ado::_Recordset* rs) { return rt::call(rs, &ado::_Recordset::get_Fields); }

ComPtr<ado::Field> fieldAt(ado::Fields* fields, const Variant& index) {
    return rt::call(fields, &ado::Fields::get_Item, index);
}

Variant firstFieldValue(ado::Fields* fields) {
    return rt::call(fieldAt(fields, Variant(int32_t(0))).get(), &ado::Field::get_Value);
}

bool atEnd(ado::_Recordset* rs) { return rt::call(rs, &ado::_Recordset::get_EOF) != 0; }

// A record set opened on con (nothing when con is empty: the open then fails as the
// platform fails it) with the statement after its literal marking.
ComPtr<ado::_Recordset> openStatement(const Str& statement, const ComPtr<ado::_Connection>& con, int32_t cursorType,
                                      int32_t lockType, int32_t options) {
    ComPtr<ado::_Recordset> rs = ado::newRecordset();
    rt::check(rs->Open(Variant(sUnicodeSql(statement)), connectionArgument(con), cursorType, lockType, options));
    return rs;
}

// Hands a connection still held back to the pool on a failure path; a failure of the hand
// back itself changes nothing for the caller, whose own error is the one that counts.
void handBackQuietly(ComPtr<ado::_Connection>& con) noexcept {
    if (!con) return;
    try {
        ReleasePoolConn(con);
    } catch (...) {
        con = nullptr;
    }
}

// The digit of |flag| at pos counted from the right (iBitVal); flag becomes |flag|.
int16_t flagDigit(int32_t& flag, int32_t pos) {
    Variant v(flag);
    const int16_t digit = text::iBitVal(v, pos);
    flag = rt::toI4(v);
    return digit;
}

// One step of a comma list walk through the member, so that its guard holds.
bool nextPart(Variant& all, Variant& part, int16_t& pos) {
    Str separator = u",";
    return rt::call(gCommon(), &_CCommonFunction::bGetNextPart, &all, &part, &pos, &separator) != 0;
}

bool isBlank(const Variant& v) {
    Variant copy(v.deref());
    return rt::toText(text::strVal(copy)).empty();
}

// Write mode of vInRecord2: overwrites the named columns of the current row, collecting
// their previous values in result.
void overwriteColumns(ado::_Recordset* rs, Variant& sName, Variant& vVal, Str& strSql, Variant& result) {
    vVal = text::strVal(vVal);
    result = Variant(rt::StrView());
    ComPtr<ado::Fields> fields = fieldsOf(rs);
    int16_t namePos = 1;
    int16_t valuePos = 1;
    for (;;) {
        Variant name;
        if (!nextPart(sName, name, namePos)) break;
        strSql = rt::toText(name);
        Variant value{Str()};
        nextPart(vVal, value, valuePos);
        const Str valueText = rt::toText(value);

        ComPtr<ado::Field> field = fieldAt(fields.get(), Variant(strSql));
        const Variant current = rt::call(field.get(), &ado::Field::get_Value);
        result.str() += isBlank(current) ? Str(u"null") : rt::toText(current);
        result.str() += u',';
        rt::check(field->put_Value(isBlank(Variant(valueText)) ? Variant(rt::Null{}) : Variant(valueText)));
    }
    Str& list = result.str();
    if (!list.empty()) list.pop_back();
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    rt::check(rs->Close());
}

}  // namespace

ComPtr<ado::_Connection> objOpenDB(const Str& sConn) {
    ComPtr<ado::_Connection> con = ado::newConnection();
    rt::check(con->put_ConnectionString(sConn));
    rt::check(con->put_CursorLocation(ado::adUseClient));
    rt::check(con->Open(Str(), Str(), Str(), -1));
    return con;
}

void vInRecord2(GuardScope& guard, Variant& sName, Variant& vVal, Str& strSql, Variant& con, Variant& strError,
                Variant& result) {
    result = Variant();
    guard.onError([&strError] { strError = Variant(Str(rt::currentError().description())); });
    sName = text::strVal(sName);
    strError = Variant(rt::StrView());
    const Str columns = rt::toText(sName);
    if (rt::trimSpaces(strSql).empty() || columns.empty()) return;
    strSql = u"select top 1 " + columns + u" " + strSql;

    const bool readMode = vVal.deref().isMissing();
    ComPtr<ado::_Connection> connection;
    GetPoolConn(connection, con);
    // When the open fails the connection is dropped here, not handed back to the pool.
    ComPtr<ado::_Recordset> rs = openStatement(strSql, connection, ado::adOpenForwardOnly,
                                               readMode ? ado::adLockReadOnly : ado::adLockOptimistic, -1);
    ReleasePoolConn(connection);

    if (atEnd(rs.get())) {
        rt::check(rs->Close());
        return;
    }
    if (!readMode) {
        overwriteColumns(rs.get(), sName, vVal, strSql, result);
        return;
    }
    ComPtr<ado::Fields> fields = fieldsOf(rs.get());
    if (rt::call(fields.get(), &ado::Fields::get_Count) == 1) {
        result = firstFieldValue(fields.get());
        rt::check(rs->Close());
        return;
    }
    result = Variant(rs);
}

void vInRecord(GuardScope& guard, Variant& sql, Variant& con, int32_t& lFlag, int32_t cursortype, int32_t locktype,
               int32_t line, Variant& result) {
    result = Variant();
    guard.onError([&result] { result = Variant(rt::Null{}); });
    ComPtr<ado::_Connection> connection;
    try {
        GetPoolConn(connection, con);
        ComPtr<ado::_Recordset> rs = openStatement(rt::toText(sql), connection, cursortype, locktype, line);
        // Back to the pool before the result is looked at: the record set keeps its own
        // reference to the connection, which the pool may lend again meanwhile.
        ReleasePoolConn(connection);

        const int32_t rows = rt::call(rs.get(), &ado::_Recordset::get_RecordCount);
        ComPtr<ado::Fields> fields = fieldsOf(rs.get());
        const int32_t columns = rt::call(fields.get(), &ado::Fields::get_Count);
        const bool scalar = flagDigit(lFlag, 1) > 0;
        if (columns == 1 && scalar) {
            result = rows != 0 ? firstFieldValue(fields.get()) : Variant(rt::Null{});
            return;
        }
        if (rows != 0 || flagDigit(lFlag, 2) >= 1)
            result = Variant(rs);
        else
            result = Variant::nothing();
    } catch (...) {
        handBackQuietly(connection);
        throw;
    }
}

}  // namespace velmora::data

namespace velmora {

HRESULT CCommonFunction::objOpenDB(Str* sConn, Connection** result) {
    return bind<&_CCommonFunction::objOpenDB>(&data::objOpenDB, sConn, result);
}

HRESULT CCommonFunction::vInRecord2(Variant* sName, Variant* vVal, Str* strSql, Variant* con, Variant* strError,
                                    Variant* result) {
    return bind<&_CCommonFunction::vInRecord2>(&data::vInRecord2, sName, vVal, strSql, con, strError, result);
}

HRESULT CCommonFunction::vInRecord(Variant* sql, Variant* con, int32_t* lFlag, int32_t* cursortype, int32_t* locktype,
                                   int32_t* line, Variant* result) {
    return bind<&_CCommonFunction::vInRecord>(&data::vInRecord, sql, con, lFlag, cursortype, locktype, line, result);
}

}  // namespace velmora
