// Query helpers: opening connections and running SQL text on pooled connections.
#include "dataaccess/ado.h"
#include "frame/binding.h"
#include "frame/classes.h"

namespace velmora::data {

rt::ComPtr<ado::_Connection> objOpenDB(const rt::Str&) { notImplemented("CCommonFunction.objOpenDB"); }

rt::Variant vInRecord2(rt::Variant&, rt::Variant&, rt::Str&, rt::Variant&, rt::Variant&) {
    notImplemented("CCommonFunction.vInRecord2");
}

rt::Variant vInRecord(rt::Variant&, rt::Variant&, int32_t, int32_t, int32_t, int32_t) {
    notImplemented("CCommonFunction.vInRecord");
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
