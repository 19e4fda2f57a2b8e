// Headless form controls: an in-memory form and the controls on it, made by program
// identifier ("Forms.Form", "Forms.TextBox", "Forms.ListBox", "Forms.ComboBox",
// "Forms.CommandButton"), so that the scripting host, tests and server-side jobs can drive
// code written against a form's controls, late-bound by member name, without a screen.
//
// Conventions shared by every member below:
// - A member that hands out an object stores a new reference in its last parameter; the
//   caller owns it. A "nothing" result is a null pointer.
// - A failure returns a failed status and leaves error information (rt::check turns it back
//   into an rt::Error) with the run-time error a form's user expects: 5 "Invalid procedure
//   call or argument", 9 "Subscript out of range", 380 "Invalid property value", 381
//   "Invalid property array index". A null out-parameter is E_POINTER.
// - A form and the controls on it share one lifetime: a reference to any of them keeps all
//   of them, so a control's Parent and a form's Controls never dangle.
// - Objects are used on the thread that made them (no locks).
#pragma once

#include "runtime/dispatch.h"

namespace controls {

struct IForm;

// Run-time errors of the controls, beyond the runtime's well-known ones.
inline constexpr int kErrInvalidPropertyValue = 380;  // Invalid property value
inline constexpr int kErrInvalidArrayIndex = 381;     // Invalid property array index

inline constexpr const char* kProgidForm = "Forms.Form";
inline constexpr const char* kProgidTextBox = "Forms.TextBox";
inline constexpr const char* kProgidListBox = "Forms.ListBox";
inline constexpr const char* kProgidComboBox = "Forms.ComboBox";
inline constexpr const char* kProgidCommandButton = "Forms.CommandButton";

inline constexpr rt::CLSID kClsidForm = rt::guid("{4CA01D93-B564-46B9-A85C-C74DA8CC2E5A}");
inline constexpr rt::CLSID kClsidTextBox = rt::guid("{2A5ADCE2-8085-46CE-97AE-CEE24435A63A}");
inline constexpr rt::CLSID kClsidListBox = rt::guid("{3AE7C8F6-1F3E-49D5-B842-484F0B2C246A}");
inline constexpr rt::CLSID kClsidComboBox = rt::guid("{F1CA2736-7437-4A2B-871D-336208351A4C}");
inline constexpr rt::CLSID kClsidCommandButton = rt::guid("{C97B65ED-F150-44A6-B90D-38DD2C87A930}");

// What every control offers.
struct IControl : rt::IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{C750B30B-1CC1-4F7A-B76A-699AFDE128C8}");
    using Base = rt::IDispatch;
    static const rt::InterfaceInfo& info();

    // The control's name on its form, given when it was made; fixed from then on.
    virtual rt::HRESULT get_Name(rt::Str* result) = 0;
    // The control's own settings (true when made); the form's settings are not folded in.
    virtual rt::HRESULT get_Visible(rt::VARIANT_BOOL* result) = 0;
    virtual rt::HRESULT put_Visible(rt::VARIANT_BOOL value) = 0;
    virtual rt::HRESULT get_Enabled(rt::VARIANT_BOOL* result) = 0;
    virtual rt::HRESULT put_Enabled(rt::VARIANT_BOOL value) = 0;
    // The form the control stands on (a control made by its program identifier stands on a
    // visible, enabled form of its own). Never nothing.
    virtual rt::HRESULT get_Parent(IForm** result) = 0;
    // Makes the control its form's ActiveControl. Error 5 when the control or its form is
    // hidden or disabled; nothing changes then.
    virtual rt::HRESULT SetFocus() = 0;

protected:
    ~IControl() = default;
};

// An edit control. The selection is kept as written, in whatever units the caller counts
// (a caller counting bytes of a double-byte code page selects beyond the characters).
struct ITextBox : IControl {
    static constexpr rt::IID IID_ = rt::guid("{07E651E8-3F24-4056-BB99-C329A8FE5FE4}");
    using Base = IControl;
    static const rt::InterfaceInfo& info();

    // The default member (dispatch id 0). Writing it puts SelStart and SelLength to 0.
    virtual rt::HRESULT get_Text(rt::Str* result) = 0;
    virtual rt::HRESULT put_Text(const rt::Str& value) = 0;
    // Any value from 0 up, kept as written (also past the end of the text); a negative
    // value is error 380 and changes nothing.
    virtual rt::HRESULT get_SelStart(int32_t* result) = 0;
    virtual rt::HRESULT put_SelStart(int32_t value) = 0;
    virtual rt::HRESULT get_SelLength(int32_t* result) = 0;
    virtual rt::HRESULT put_SelLength(int32_t value) = 0;
    // The characters from SelStart, at most SelLength of them, within the text ("" when
    // SelStart is at or past the end).
    virtual rt::HRESULT get_SelText(rt::Str* result) = 0;

protected:
    ~ITextBox() = default;
};

// A list box or a combo box: items indexed from 0, at most one selected.
struct IListControl : IControl {
    static constexpr rt::IID IID_ = rt::guid("{3D3E19C3-F39E-405F-BB9D-21A5E5FE72D2}");
    using Base = IControl;
    static const rt::InterfaceInfo& info();

    // The default member (dispatch id 0). Read: a list box gives the selected item's text
    // ("" when none), a combo box its edit text. Write: selects the first item of exactly
    // that text, or none; a combo box also takes the text as its edit text.
    virtual rt::HRESULT get_Text(rt::Str* result) = 0;
    virtual rt::HRESULT put_Text(const rt::Str& value) = 0;
    virtual rt::HRESULT get_ListCount(int32_t* result) = 0;
    // Item index's text; an index outside 0 .. ListCount - 1 is error 381.
    virtual rt::HRESULT get_List(int32_t index, rt::Str* result) = 0;
    virtual rt::HRESULT put_List(int32_t index, const rt::Str& value) = 0;
    // Inserts item at index (0 .. ListCount; missing: at the end). Error 5 for another index.
    // The selection stays on the item it was on.
    virtual rt::HRESULT AddItem(const rt::Str& item, const rt::Variant& index) = 0;
    // Removes item index (error 5 outside the list); removing the selected item leaves none
    // selected.
    virtual rt::HRESULT RemoveItem(int32_t index) = 0;
    // Removes every item; nothing stays selected and a combo box's edit text empties.
    virtual rt::HRESULT Clear() = 0;
    // The selected item's index, -1 when none. Writing -1 selects none; another value
    // outside the list is error 380. Selecting in a combo box copies the item's text into
    // its edit text.
    virtual rt::HRESULT get_ListIndex(int32_t* result) = 0;
    virtual rt::HRESULT put_ListIndex(int32_t value) = 0;

protected:
    ~IListControl() = default;
};

struct ICommandButton : IControl {
    static constexpr rt::IID IID_ = rt::guid("{ED917F13-EDCF-48F7-819A-E65B09003E2E}");
    using Base = IControl;
    static const rt::InterfaceInfo& info();

    // The default member (dispatch id 0); the button's name when made.
    virtual rt::HRESULT get_Caption(rt::Str* result) = 0;
    virtual rt::HRESULT put_Caption(const rt::Str& value) = 0;

protected:
    ~ICommandButton() = default;
};

// The controls of a form, in the order they were added.
struct IControls : rt::IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{23442E10-132F-4432-9034-DEA4F157D97A}");
    using Base = rt::IDispatch;
    static const rt::InterfaceInfo& info();

    virtual rt::HRESULT get_Count(int32_t* result) = 0;
    // The default member (dispatch id 0): by name (text, without regard to case) or by
    // index from 0 (a number). Error 9 for an unknown name or an index outside the list;
    // error 13 for a value that is neither.
    virtual rt::HRESULT get_Item(const rt::Variant& index, rt::IDispatch** result) = 0;

protected:
    ~IControls() = default;
};

struct IForm : rt::IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{2F3B0354-589B-4228-9A5F-5514DD865281}");
    using Base = rt::IDispatch;
    static const rt::InterfaceInfo& info();

    // "Form1" when made.
    virtual rt::HRESULT get_Name(rt::Str* result) = 0;
    virtual rt::HRESULT put_Name(const rt::Str& value) = 0;
    // The form's name when made.
    virtual rt::HRESULT get_Caption(rt::Str* result) = 0;
    virtual rt::HRESULT put_Caption(const rt::Str& value) = 0;
    // True when made. They matter to SetFocus alone: the form keeps its ActiveControl when
    // hidden or disabled.
    virtual rt::HRESULT get_Visible(rt::VARIANT_BOOL* result) = 0;
    virtual rt::HRESULT put_Visible(rt::VARIANT_BOOL value) = 0;
    virtual rt::HRESULT get_Enabled(rt::VARIANT_BOOL* result) = 0;
    virtual rt::HRESULT put_Enabled(rt::VARIANT_BOOL value) = 0;
    // The control that last took the focus; nothing before any did.
    virtual rt::HRESULT get_ActiveControl(rt::IDispatch** result) = 0;
    virtual rt::HRESULT get_Controls(IControls** result) = 0;
    // Puts a new control of class progid ("Forms.TextBox", any case) named name on this form
    // and returns it. Error 5 for another class, an empty name, or a name that a control of
    // this form has already (without regard to case).
    virtual rt::HRESULT Add(const rt::Str& progid, const rt::Str& name, rt::IDispatch** result) = 0;

protected:
    ~IForm() = default;
};

}  // namespace controls
