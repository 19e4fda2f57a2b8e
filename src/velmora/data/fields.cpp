#include "frame/classes.h"
#include "frame/guards.h"

namespace velmora {

HRESULT CCommonFunction::sCheckField(Variant*, Field**, Str*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.sCheckField"); });
}

HRESULT CCommonFunction::iFldType(Field**, int16_t*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.iFldType"); });
}

HRESULT CCommonFunction::bColHasFld(IDispatch**, Str*, VARIANT_BOOL*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.bColHasFld"); });
}

HRESULT CCommonFunction::IsFldEmpty(Recordset**, Str*, VARIANT_BOOL*, VARIANT_BOOL*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.IsFldEmpty"); });
}

}  // namespace velmora
