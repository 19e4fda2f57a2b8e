#include "frame/classes.h"
#include "frame/guards.h"

namespace velmora {

HRESULT CCommonFunction::sMoneyFormat(Variant*, int16_t*, int16_t*, int16_t*, Str*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.sMoneyFormat"); });
}

HRESULT CCommonFunction::strAdd(Variant*, Variant*, VARIANT_BOOL*, int16_t*, Str*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.strAdd"); });
}

HRESULT CCommonFunction::Vround(double*, int16_t*, Variant*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.Vround"); });
}

}  // namespace velmora
