#include "frame/classes.h"
#include "frame/guards.h"

namespace velmora {

HRESULT CCommonFunction::SetCtrFocus(IDispatch**, IDispatch**) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.SetCtrFocus"); });
}

HRESULT CCommonFunction::SetCtrFocus2(IDispatch**, IDispatch**, Str*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.SetCtrFocus2"); });
}

HRESULT CCommonFunction::DealFocus(IDispatch**, IDispatch**, Str*, Str*, Str*, VARIANT_BOOL*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.DealFocus"); });
}

HRESULT CCommonFunction::bContain(Str*, IDispatch**, VARIANT_BOOL*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.bContain"); });
}

HRESULT CCommonFunction::iItemPos(Str*, IDispatch**, int16_t*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.iItemPos"); });
}

HRESULT CCommonFunction::iWidthForAll(Variant*, int16_t*, Str*, int16_t*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.iWidthForAll"); });
}

}  // namespace velmora
