#include "frame/classes.h"
#include "frame/guards.h"

namespace velmora {

HRESULT CCommonFunction::objOpenDB(Str*, Connection**) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.objOpenDB"); });
}

HRESULT CCommonFunction::vInRecord2(Variant*, Variant*, Str*, Variant*, Variant*, Variant*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.vInRecord2"); });
}

HRESULT CCommonFunction::vInRecord(Variant*, Variant*, int32_t*, int32_t*, int32_t*, int32_t*, Variant*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.vInRecord"); });
}

}  // namespace velmora
