// Member tables of the controls' interfaces.
#include "controls/controls.h"
#include "runtime/enumerator.h"

namespace controls {

using namespace rt;
using namespace rt::types;

namespace {
constexpr TypeSpec kForm = iface<IForm>("Form");
constexpr TypeSpec kControls = iface<IControls>("Controls");
}  // namespace

const InterfaceInfo& IControl::info() {
    using I = IControl;
    static const InterfaceInfo table(
        "IControl", IID_,
        {
            getter<&I::get_Name, String>("Name", 1, "The control's name on its form."),
            getter<&I::get_Visible, Boolean>("Visible", 2, "Whether the control itself is shown."),
            setter<&I::put_Visible>("Visible", 2, "Shows or hides the control.", arg<Boolean>("value").byVal()),
            getter<&I::get_Enabled, Boolean>("Enabled", 3, "Whether the control itself accepts input."),
            setter<&I::put_Enabled>("Enabled", 3, "Lets the control accept input, or not.", arg<Boolean>("value").byVal()),
            getter<&I::get_Parent, kForm>("Parent", 4, "The form the control stands on."),
            sub<&I::SetFocus>("SetFocus", 5, "Makes the control its form's active control; error 5 when it or its form is hidden or disabled."),
        },
        nullptr, "What every control offers.");
    return table;
}

const InterfaceInfo& ITextBox::info() {
    using I = ITextBox;
    static const InterfaceInfo table(
        "ITextBox", IID_,
        {
            getter<&I::get_Text, String>("Text", DISPID_VALUE, "The text in the box."),
            setter<&I::put_Text>("Text", DISPID_VALUE, "Replaces the text and puts SelStart and SelLength to 0.", arg<String>("value").byVal()),
            getter<&I::get_SelStart, Int32>("SelStart", 10, "Where the selection starts, as last written."),
            setter<&I::put_SelStart>("SelStart", 10, "Sets where the selection starts; error 380 when negative.", arg<Int32>("value").byVal()),
            getter<&I::get_SelLength, Int32>("SelLength", 11, "The selection's length, as last written."),
            setter<&I::put_SelLength>("SelLength", 11, "Sets the selection's length; error 380 when negative.", arg<Int32>("value").byVal()),
            getter<&I::get_SelText, String>("SelText", 12, "The selected characters that lie within the text."),
        },
        &IControl::info(), "An edit control (Forms.TextBox).");
    return table;
}

const InterfaceInfo& IListControl::info() {
    using I = IListControl;
    static const InterfaceInfo table(
        "IListControl", IID_,
        {
            getter<&I::get_Text, String>("Text", DISPID_VALUE, "The selected item's text (a combo box: its edit text)."),
            setter<&I::put_Text>("Text", DISPID_VALUE, "Selects the first item of exactly this text, or none; a combo box also shows the text.", arg<String>("value").byVal()),
            getter<&I::get_ListCount, Int32>("ListCount", 20, "The number of items."),
            getter<&I::get_List, String>("List", 21, "The text of the item at Index (from 0); error 381 outside the list.", arg<Int32>("Index").byVal()),
            setter<&I::put_List>("List", 21, "Replaces the text of the item at Index; error 381 outside the list.", arg<Int32>("Index").byVal(), arg<String>("value").byVal()),
            sub<&I::AddItem>("AddItem", 22, "Inserts Item at Index (at the end when omitted); error 5 for an index past the end.", arg<String>("Item").byVal(), arg<Variant_>("Index").byVal().opt()),
            sub<&I::RemoveItem>("RemoveItem", 23, "Removes the item at Index; error 5 outside the list.", arg<Int32>("Index").byVal()),
            sub<&I::Clear>("Clear", 24, "Removes every item and the selection."),
            getter<&I::get_ListIndex, Int32>("ListIndex", 25, "The selected item's index; -1 when none."),
            setter<&I::put_ListIndex>("ListIndex", 25, "Selects the item at this index (-1: none); error 380 outside the list.", arg<Int32>("value").byVal()),
        },
        &IControl::info(), "A list box or combo box (Forms.ListBox, Forms.ComboBox).");
    return table;
}

const InterfaceInfo& ICommandButton::info() {
    using I = ICommandButton;
    static const InterfaceInfo table(
        "ICommandButton", IID_,
        {
            getter<&I::get_Caption, String>("Caption", DISPID_VALUE, "The text on the button."),
            setter<&I::put_Caption>("Caption", DISPID_VALUE, "Replaces the text on the button.", arg<String>("value").byVal()),
        },
        &IControl::info(), "A command button (Forms.CommandButton).");
    return table;
}

const InterfaceInfo& IControls::info() {
    using I = IControls;
    static const InterfaceInfo table(
        "IControls", IID_,
        {
            getter<&I::get_Item, Object>("Item", DISPID_VALUE, "The control named Index (any case) or at Index from 0; error 9 when none.", arg<Variant_>("Index").byVal()),
            getter<&I::get_Count, Int32>("Count", 1, "The number of controls on the form."),
            rt::newEnumMember<I>(),
        },
        nullptr, "The controls of a form, in the order they were added.");
    return table;
}

const InterfaceInfo& IForm::info() {
    using I = IForm;
    static const InterfaceInfo table(
        "IForm", IID_,
        {
            getter<&I::get_Name, String>("Name", 1, "The form's name."),
            setter<&I::put_Name>("Name", 1, "Renames the form.", arg<String>("value").byVal()),
            getter<&I::get_Caption, String>("Caption", 2, "The form's title."),
            setter<&I::put_Caption>("Caption", 2, "Replaces the form's title.", arg<String>("value").byVal()),
            getter<&I::get_Visible, Boolean>("Visible", 3, "Whether the form is shown."),
            setter<&I::put_Visible>("Visible", 3, "Shows or hides the form; a hidden form's controls refuse the focus.", arg<Boolean>("value").byVal()),
            getter<&I::get_Enabled, Boolean>("Enabled", 4, "Whether the form accepts input."),
            setter<&I::put_Enabled>("Enabled", 4, "Lets the form accept input; a disabled form's controls refuse the focus.", arg<Boolean>("value").byVal()),
            getter<&I::get_ActiveControl, Object>("ActiveControl", 5, "The control that last took the focus; Nothing when none has."),
            getter<&I::get_Controls, kControls>("Controls", 6, "The controls on the form."),
            method<&I::Add, Object>("Add", 7, "Puts a new control of class ProgID named Name on the form and returns it; error 5 for an unknown class or a taken name.", arg<String>("ProgID").byVal(), arg<String>("Name").byVal()),
        },
        nullptr, "A form holding controls (Forms.Form).");
    return table;
}

}  // namespace controls
