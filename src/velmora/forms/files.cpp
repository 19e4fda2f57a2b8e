#include "frame/classes.h"
#include "frame/guards.h"

namespace velmora {

HRESULT CCommonFunction::bWriteLine(Str*, Str*, VARIANT_BOOL*, VARIANT_BOOL*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.bWriteLine"); });
}

HRESULT CCommonFunction::ComputerName(Str*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.ComputerName"); });
}

}  // namespace velmora
