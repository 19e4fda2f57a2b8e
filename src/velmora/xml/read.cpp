#include "frame/classes.h"
#include "frame/guards.h"

namespace velmora {

HRESULT CCommonFunction::GetElementVal(Str*, Element**, Str*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.GetElementVal"); });
}

HRESULT CCommonFunction::GetAttributeVal(Str*, Element**, Str*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.GetAttributeVal"); });
}

HRESULT CCommonFunction::sRootTag(Document**, Str*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.sRootTag"); });
}

HRESULT CCommonFunction::objSelectRootTag(Document**, Element**) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.objSelectRootTag"); });
}

HRESULT CCommonFunction::iNodeCount(Element**, int16_t*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.iNodeCount"); });
}

HRESULT CCommonFunction::SetAttr(Variant*, Variant*, Variant*, Element**) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.SetAttr"); });
}

HRESULT CCommonFunction::GetAttr(Variant*, Variant*, Element**, Str*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.GetAttr"); });
}

HRESULT CCommonFunction::GetNodeText(Variant*, Element**, Str*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.GetNodeText"); });
}

HRESULT CCommonFunction::SetNodeText(Variant*, Variant*, Element**) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.SetNodeText"); });
}

}  // namespace velmora
