#include "frame/classes.h"
#include "frame/guards.h"

namespace velmora {

HRESULT CCommonFunction::LoadFromTemplate(Str*, Variant*, Str*, VARIANT_BOOL*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.LoadFromTemplate"); });
}

HRESULT CCommonFunction::sCurrentPath(Str*, Str*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.sCurrentPath"); });
}

}  // namespace velmora
