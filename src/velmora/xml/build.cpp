#include "frame/classes.h"
#include "frame/guards.h"

namespace velmora {

HRESULT CCommonFunction::objMakeNode(const Str&, Array*, Element**) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.objMakeNode"); });
}

HRESULT CCommonFunction::objMakeNode2(const Str&, Document**, Variant*, Array*, Element**) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.objMakeNode2"); });
}

HRESULT CCommonFunction::objMakeNode3(Str*, Array*, Element**) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.objMakeNode3"); });
}

HRESULT CCommonFunction::objGenerateKaDom(Array*, Document**) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.objGenerateKaDom"); });
}

}  // namespace velmora
