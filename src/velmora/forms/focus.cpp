// Control focus and list helpers, reaching form controls late-bound by member name, so
// that any control offering the names below can be passed: Visible, Enabled, SetFocus,
// SelStart, SelLength, text, Name, the default member (dispatch id 0), ListCount, List.
#include "frame/binding.h"
#include "frame/classes.h"
#include "frame/module.h"
#include "frame/text_service.h"
#include "runtime/call.h"
#include "runtime/convert.h"

namespace velmora::forms {

using rt::IDispatch;
using rt::Str;
using rt::Variant;

namespace {

Variant property(IDispatch* control, rt::StrView name) { return rt::getProperty(control, name); }

Str textOf(IDispatch* control, rt::StrView name) { return rt::toText(property(control, name)); }

Variant defaultValue(IDispatch* control) { return rt::invokeId(control, rt::DISPID_VALUE, rt::DISPATCH_PROPERTYGET); }

void setDefaultValue(IDispatch* control, Variant value) {
    std::vector<rt::CallArg> args;
    args.emplace_back(std::move(value));
    rt::invokeId(control, rt::DISPID_VALUE, rt::DISPATCH_PROPERTYPUT, std::move(args));
}

Str folded(rt::StrView s) { return rt::toLower(rt::trimSpaces(s)); }

// sCheckDate of the control's text, through the shared object as a client calls it.
Str checkedDate(IDispatch* control) {
    Variant text = property(control, u"text");
    return rt::call(gCommon(), &_CCommonFunction::sCheckDate, &text);
}

// Steps 2 to 5 of the focus helpers: focus (when asked), select the whole text counted as
// LenEx counts it, show the reference control. Each step that fails is skipped.
void focusAndSelect(GuardScope& guard, IDispatch* objCtrl, IDispatch* objRef, bool moveFocus) {
    if (moveFocus) guard.step([&] { rt::callMethod(objCtrl, u"SetFocus"); });
    guard.step([&] { rt::putProperty(objCtrl, u"SelStart", Variant(int16_t(0))); });
    guard.step([&] {
        Variant text = property(objCtrl, u"text");
        const int32_t length = rt::call(gCommon(), &_CCommonFunction::LenEx, &text);
        rt::putProperty(objCtrl, u"SelLength", Variant(length));
    });
    guard.step([&] { rt::putProperty(objRef, u"Visible", Variant(true)); });
}

// Whether the control is shown and accepts input. A test that fails counts as passed: the
// failing statement is skipped and the statements inside the test run.
bool mayTakeFocus(GuardScope& guard, IDispatch* objCtrl) {
    bool may = true;
    guard.step([&] {
        const Variant visible = property(objCtrl, u"Visible");  // both are read, as the test
        const Variant enabled = property(objCtrl, u"Enabled");  // is one statement
        may = rt::toBool(visible) && rt::toBool(enabled);
    });
    return may;
}

// The list's last index, as the 16-bit loop counter holds it (error 6 beyond 32767 items).
int16_t lastIndex(IDispatch* ctrl) { return rt::toI2(Variant(rt::toDouble(property(ctrl, u"ListCount")) - 1)); }

// The first index whose item equals str exactly; -1 when none.
int16_t firstMatch(const Str& str, IDispatch* ctrl) {
    const int16_t last = lastIndex(ctrl);
    const Variant wanted(str);
    for (int32_t i = 0; i <= last; ++i) {
        const Variant item = rt::getProperty(ctrl, u"List", {Variant(int16_t(i))});
        if (rt::compareValues(item, wanted) == 0) return int16_t(i);
    }
    return -1;
}

int16_t lengthAsInt16(size_t n) {
    if (n > 32767) rt::raise(rt::kErrOverflow);
    return int16_t(n);
}

}  // namespace

// Focuses objCtrl when it is shown and enabled, selects its whole text and shows objRef.
// Skip guard throughout, then none: never fails, whatever the controls lack or refuse.
void SetCtrFocus(GuardScope& guard, IDispatch* objCtrl, IDispatch* objRef) {
    if (mayTakeFocus(guard, objCtrl)) focusAndSelect(guard, objCtrl, objRef, true);
    guard.change();
}

// SetCtrFocus, without focusing a control that activeName names already (both trimmed and
// lower-cased): its text is still selected and objRef still shown.
void SetCtrFocus2(GuardScope& guard, IDispatch* objCtrl, IDispatch* objRef, const Str& activeName) {
    if (mayTakeFocus(guard, objCtrl)) {
        // A control that has the focus already is not focused again; a failing comparison
        // counts as "differs".
        bool differs = true;
        guard.step([&] { differs = folded(activeName) != folded(textOf(objCtrl, u"Name")); });
        focusAndSelect(guard, objCtrl, objRef, differs);
    }
    guard.change();
}

// Checks the date edit objEdit as the focus leaves it for the control named strActiveName.
// True when the edit holds a valid date (normalised) or nothing; false when the focus went to
// objRefBtn, to a control listed in strExclude (the edit normalised silently), or when the
// text is no date (emptied, a message box shown, the focus put back). Throws rt::Error when
// a control lacks a member or the message box fails.
bool DealFocus(IDispatch* objEdit, IDispatch* objRefBtn, const Str& strActiveName, const Str& strHint,
               const Str& strExclude) {
    setDefaultValue(objEdit, Variant(Str(rt::trimSpaces(rt::toText(defaultValue(objEdit))))));
    if (textOf(objRefBtn, u"Name") == strActiveName) return false;  // the focus went to the button

    const bool excluded = !strExclude.empty() && (strActiveName.empty() || strExclude.find(strActiveName) != Str::npos);
    if (excluded) {
        setDefaultValue(objEdit, Variant(checkedDate(objEdit)));
        rt::putProperty(objRefBtn, u"Visible", Variant(false));
        return false;
    }
    if (rt::toText(defaultValue(objEdit)).empty()) {
        rt::putProperty(objRefBtn, u"Visible", Variant(false));
        return true;
    }
    setDefaultValue(objEdit, Variant(checkedDate(objEdit)));
    if (!rt::toText(defaultValue(objEdit)).empty()) {
        rt::putProperty(objRefBtn, u"Visible", Variant(false));
        return true;
    }

    const Str fetched = sGetText(u"Ostrel.FM.Velmora.00030");
    Variant message(strHint.empty() ? fetched : strHint);
    int16_t style = 64;
    Str title;
    rt::call(gCommon(), &_CCommonFunction::iShowMsg, &message, &style, &title);
    IDispatch* edit = objEdit;
    IDispatch* none = nullptr;
    rt::call(gCommon(), &_CCommonFunction::SetCtrFocus, &edit, &none);
    return false;
}

// Whether the list control ctrl holds an item equal to str (exact). Throws rt::Error when
// ctrl lacks ListCount or List, or holds more than 32,768 items (error 6).
bool bContain(const Str& str, IDispatch* ctrl) { return firstMatch(str, ctrl) >= 0; }

// The index of ctrl's first item equal to str; -1 when none. Fails as bContain.
int16_t iItemPos(const Str& str, IDispatch* ctrl) { return firstMatch(str, ctrl); }

// For numeric text: strSum loses every character of strExclude, iWidth receives the number
// of characters after its first ".", and the result is the number before it (the whole
// length when there is no point; iWidth is then left alone). Text that is no number gives
// its length and is left alone. Throws error 94 for Null, 6 for a length beyond 32,767.
int16_t iWidthForAll(Variant& strSum, int16_t& iWidth, const Str& strExclude) {
    if (!rt::isNumeric(strSum)) return lengthAsInt16(rt::toText(strSum).size());
    for (char16_t c : strExclude) strSum = Variant(rt::replaceAll(rt::toText(strSum), rt::StrView(&c, 1), u""));
    const Str sum = rt::toText(strSum);
    const size_t point = sum.find(u'.');
    if (point == Str::npos) return lengthAsInt16(sum.size());
    iWidth = lengthAsInt16(sum.size() - (point + 1));
    return lengthAsInt16(point);
}

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
