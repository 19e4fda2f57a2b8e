#include "frame/classes.h"
#include "frame/guards.h"

namespace velmora {

HRESULT CCommonFunction::sCheckDateNull(Variant*, Str*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.sCheckDateNull"); });
}

HRESULT CCommonFunction::sCheckDate(Variant*, Str*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.sCheckDate"); });
}

HRESULT CCommonFunction::sCheckNull(Variant*, Str*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.sCheckNull"); });
}

HRESULT CCommonFunction::sCheckMoney(Variant*, Str*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.sCheckMoney"); });
}

HRESULT CCommonFunction::bCheckDate(Str*, VARIANT_BOOL*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.bCheckDate"); });
}

HRESULT CCommonFunction::iDateDiff(Variant*, Variant*, Str*, int32_t*) {
    return guardNone(kSourceCommon, [] { notImplemented("CCommonFunction.iDateDiff"); });
}

}  // namespace velmora
