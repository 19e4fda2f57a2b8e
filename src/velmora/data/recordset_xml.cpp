#include "frame/classes.h"
#include "frame/guards.h"

namespace velmora {

HRESULT CCommonFunction::Doc2Rs(Element**, int32_t*, int32_t*, Str*, Recordset**) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.Doc2Rs"); });
}

HRESULT CCommonFunction::Rs2Doc(Recordset**, Document**) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.Rs2Doc"); });
}

HRESULT CCommonFunction::Sql2Doc(Variant*, Str*, Document**) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.Sql2Doc"); });
}

HRESULT CCommonFunction::AddEmptyRow(Element**, Recordset**, VARIANT_BOOL*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.AddEmptyRow"); });
}

HRESULT CCommonFunction::SetRsAttribute(Element**, Array*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.SetRsAttribute"); });
}

}  // namespace velmora
