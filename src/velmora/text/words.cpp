#include "frame/classes.h"
#include "frame/guards.h"

namespace velmora {

HRESULT CCommonFunction::LittleToBig(Variant*, Str*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.LittleToBig"); });
}

}  // namespace velmora
