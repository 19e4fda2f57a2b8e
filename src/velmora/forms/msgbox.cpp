#include "frame/classes.h"
#include "frame/guards.h"

namespace velmora {

HRESULT CCommonFunction::iShowMsg(Variant*, int16_t*, Str*, int16_t*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.iShowMsg"); });
}

}  // namespace velmora
