// Control focus and list helpers, reaching form controls late-bound by member name.
#include "frame/binding.h"
#include "frame/classes.h"

namespace velmora::forms {

using rt::IDispatch;
using rt::Str;

void SetCtrFocus(GuardScope&, IDispatch*, IDispatch*) { notImplemented("CCommonFunction.SetCtrFocus"); }

void SetCtrFocus2(GuardScope&, IDispatch*, IDispatch*, Str&) { notImplemented("CCommonFunction.SetCtrFocus2"); }

bool DealFocus(IDispatch*, IDispatch*, Str&, Str&, Str&) { notImplemented("CCommonFunction.DealFocus"); }

bool bContain(Str&, IDispatch*) { notImplemented("CCommonFunction.bContain"); }

int16_t iItemPos(Str&, IDispatch*) { notImplemented("CCommonFunction.iItemPos"); }

int16_t iWidthForAll(rt::Variant&, int16_t, Str&) { notImplemented("CCommonFunction.iWidthForAll"); }

}  // namespace velmora::forms

namespace velmora {

HRESULT CCommonFunction::SetCtrFocus(IDispatch** objCtrl, IDispatch** objRef) {
    return bind<&_CCommonFunction::SetCtrFocus>(&forms::SetCtrFocus, objCtrl, objRef);
}

HRESULT CCommonFunction::SetCtrFocus2(IDispatch** objCtrl, IDispatch** objRef, Str* activeName) {
    return bind<&_CCommonFunction::SetCtrFocus2>(&forms::SetCtrFocus2, objCtrl, objRef, activeName);
}

HRESULT CCommonFunction::DealFocus(IDispatch** objEdit, IDispatch** objRefBtn, Str* strActiveName, Str* strHint,
                                   Str* strExclude, VARIANT_BOOL* result) {
    return bind<&_CCommonFunction::DealFocus>(&forms::DealFocus, objEdit, objRefBtn, strActiveName, strHint,
                                              strExclude, result);
}

HRESULT CCommonFunction::bContain(Str* str, IDispatch** ctrl, VARIANT_BOOL* result) {
    return bind<&_CCommonFunction::bContain>(&forms::bContain, str, ctrl, result);
}

HRESULT CCommonFunction::iItemPos(Str* str, IDispatch** ctrl, int16_t* result) {
    return bind<&_CCommonFunction::iItemPos>(&forms::iItemPos, str, ctrl, result);
}

HRESULT CCommonFunction::iWidthForAll(Variant* strSum, int16_t* iWidth, Str* strExclude, int16_t* result) {
    return bind<&_CCommonFunction::iWidthForAll>(&forms::iWidthForAll, strSum, iWidth, strExclude, result);
}

}  // namespace velmora
