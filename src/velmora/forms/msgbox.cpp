// Message boxes with the suite's default title.
#include "frame/binding.h"
#include "frame/classes.h"

namespace velmora::forms {

int16_t iShowMsg(rt::Variant&, int16_t, rt::Str&) { notImplemented("CCommonFunction.iShowMsg"); }

}  // namespace velmora::forms

namespace velmora {

HRESULT CCommonFunction::iShowMsg(Variant* strMsg, int16_t* iType, Str* strTitle, int16_t* result) {
    return bind<&_CCommonFunction::iShowMsg>(&forms::iShowMsg, strMsg, iType, strTitle, result);
}

}  // namespace velmora
