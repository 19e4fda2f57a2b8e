// Message boxes with the suite's default title.
#include "frame/binding.h"
#include "frame/classes.h"
#include "frame/module.h"
#include "frame/text_service.h"
#include "runtime/call.h"
#include "runtime/convert.h"

namespace velmora::forms {

// Shows strMsg (rewritten to its trimmed text) in a box of style iType titled strTitle, or
// the suite's default title, which then goes back in strTitle. Returns the button chosen; 0
// without showing anything when the message is empty. Throws rt::Error when the message
// text service fails, error 6 for a button number beyond 16 bits.
int16_t iShowMsg(rt::Variant& strMsg, int16_t iType, rt::Str& strTitle) {
    VARIANT_BOOL asNumber = rt::VARIANT_FALSE;  // the message's text: Empty and Null give ""
    strMsg = rt::call(gCommon(), &_CCommonFunction::strVal, &strMsg, &asNumber);
    const rt::Str message = rt::toText(strMsg);
    if (message.empty()) return 0;
    if (rt::trimSpaces(strTitle).empty()) strTitle = sGetText(u"Ostrel.FM.Pelvane.01034");
    const int32_t button = lMsgBox(message, iType, strTitle, u"", 0);
    if (button < INT16_MIN || button > INT16_MAX) rt::raise(rt::kErrOverflow);
    return int16_t(button);
}

}  // namespace velmora::forms

namespace velmora {

HRESULT CCommonFunction::iShowMsg(Variant* strMsg, int16_t* iType, Str* strTitle, int16_t* result) {
    return bind<&_CCommonFunction::iShowMsg>(&forms::iShowMsg, strMsg, iType, strTitle, result);
}

}  // namespace velmora
