// The headless form and its controls, late-bound by member name as the library and scripts
// reach them, and early-bound through their interfaces.
#include <gtest/gtest.h>

#include "controls/controls.h"
#include "runtime/classes.h"
#include "runtime/convert.h"
#include "runtime/dispatch.h"
#include "runtime/error.h"
#include "runtime/object.h"

using rt::ComPtr;
using rt::IDispatch;
using rt::Str;
using rt::Variant;

namespace {

ComPtr<IDispatch> obj(const Variant& v) { return rt::toObject(v); }
Str text(const Variant& v) { return rt::toText(v); }
bool truth(const Variant& v) { return rt::toBool(v) != 0; }
Variant get(IDispatch* o, rt::StrView name, std::vector<rt::CallArg> args = {}) {
    return rt::getProperty(o, name, std::move(args));
}
void put(IDispatch* o, rt::StrView name, Variant v) { rt::putProperty(o, name, std::move(v)); }
Variant call(IDispatch* o, rt::StrView name, std::vector<rt::CallArg> args = {}) {
    return rt::callMethod(o, name, std::move(args));
}
Variant defaultOf(IDispatch* o) { return rt::invokeId(o, rt::DISPID_VALUE, rt::DISPATCH_PROPERTYGET); }
void putDefault(IDispatch* o, Variant v) {
    std::vector<rt::CallArg> args;
    args.emplace_back(std::move(v));
    rt::invokeId(o, rt::DISPID_VALUE, rt::DISPATCH_PROPERTYPUT, std::move(args));
}

// The number of the run-time error that body raises; 0 when it raises none.
template <class F>
int errorOf(F&& body) {
    try {
        body();
    } catch (const rt::Error& e) {
        return e.numberValue();
    }
    return 0;
}

const void* identity(const ComPtr<IDispatch>& p) { return rt::identityOf(p.get()); }

class Form : public ::testing::Test {
protected:
    ComPtr<IDispatch> form = rt::createObject(u"Forms.Form");
    ComPtr<IDispatch> add(const char16_t* progid, const char16_t* name) {
        return obj(call(form.get(), u"Add", {Variant(progid), Variant(name)}));
    }
    ComPtr<IDispatch> controls() { return obj(get(form.get(), u"Controls")); }
    ComPtr<IDispatch> active() { return obj(get(form.get(), u"ActiveControl")); }
};

}  // namespace

TEST_F(Form, StartsVisibleEnabledAndEmpty) {
    EXPECT_EQ(text(get(form.get(), u"Name")), u"Form1");
    EXPECT_EQ(text(get(form.get(), u"Caption")), u"Form1");
    EXPECT_TRUE(truth(get(form.get(), u"Visible")));
    EXPECT_TRUE(truth(get(form.get(), u"Enabled")));
    EXPECT_FALSE(active()) << "no control has had the focus";
    EXPECT_EQ(rt::toI4(get(controls().get(), u"Count")), 0);
    put(form.get(), u"Name", Variant(u"frmVoucher"));
    put(form.get(), u"Caption", Variant(u"Voucher"));
    put(form.get(), u"Visible", Variant(false));
    EXPECT_EQ(text(get(form.get(), u"Name")), u"frmVoucher");
    EXPECT_EQ(text(get(form.get(), u"Caption")), u"Voucher");
    EXPECT_FALSE(truth(get(form.get(), u"Visible")));
}

TEST_F(Form, ControlsAreFoundByNameInAnyCaseOrByIndexFromZero) {
    ComPtr<IDispatch> date = add(u"Forms.TextBox", u"txtDate");
    ComPtr<IDispatch> button = add(u"forms.commandbutton", u"cmdRef");
    ComPtr<IDispatch> list = controls();
    EXPECT_EQ(rt::toI4(get(list.get(), u"Count")), 2);
    EXPECT_EQ(identity(obj(get(list.get(), u"Item", {Variant(u"TXTDATE")}))), identity(date));
    EXPECT_EQ(identity(obj(get(list.get(), u"Item", {Variant(int16_t(1))}))), identity(button));
    EXPECT_EQ(identity(obj(get(list.get(), u"Item", {Variant(0.0)}))), identity(date));
    // Item is the default member: form.Controls("cmdRef") and Controls(0).
    EXPECT_EQ(identity(obj(get(form.get(), u"Controls", {Variant(u"cmdref")}))), identity(button));
    EXPECT_EQ(identity(obj(rt::invokeId(list.get(), rt::DISPID_VALUE, rt::DISPATCH_PROPERTYGET, {Variant(0)}))),
              identity(date));

    EXPECT_EQ(errorOf([&] { get(list.get(), u"Item", {Variant(2)}); }), 9);
    EXPECT_EQ(errorOf([&] { get(list.get(), u"Item", {Variant(-1)}); }), 9);
    EXPECT_EQ(errorOf([&] { get(list.get(), u"Item", {Variant(u"txtAmount")}); }), 9);
    EXPECT_EQ(errorOf([&] { get(list.get(), u"Item", {Variant(rt::Null{})}); }), 13);
    try {
        get(list.get(), u"Item", {Variant(u"nope")});
    } catch (const rt::Error& e) {
        EXPECT_EQ(e.description(), u"Subscript out of range");
    }
}

TEST_F(Form, AddRefusesUnknownClassesAndTakenOrEmptyNames) {
    add(u"Forms.TextBox", u"txtDate");
    EXPECT_EQ(errorOf([&] { add(u"Forms.TextBox", u"TXTDATE"); }), 5) << "names are unique without regard to case";
    EXPECT_EQ(errorOf([&] { add(u"Forms.Label", u"lblDate"); }), 5);
    EXPECT_EQ(errorOf([&] { add(u"Forms.ListBox", u""); }), 5);
    EXPECT_EQ(rt::toI4(get(controls().get(), u"Count")), 1) << "a refused Add adds nothing";
    EXPECT_EQ(errorOf([&] { put(add(u"Forms.ListBox", u"lstA").get(), u"Name", Variant(u"lstB")); }), 438)
        << "a control's name is fixed when it is made";
}

TEST_F(Form, SetFocusMakesTheActiveControlUnlessTheControlOrItsFormRefuses) {
    ComPtr<IDispatch> date = add(u"Forms.TextBox", u"txtDate");
    ComPtr<IDispatch> amount = add(u"Forms.TextBox", u"txtAmount");
    call(date.get(), u"SetFocus");
    EXPECT_EQ(identity(active()), identity(date));

    auto refusedWith = [&](auto&& change, auto&& undo) {
        change();
        int number = errorOf([&] { call(amount.get(), u"SetFocus"); });
        undo();
        EXPECT_EQ(identity(active()), identity(date)) << "a refused SetFocus moves nothing";
        return number;
    };
    EXPECT_EQ(refusedWith([&] { put(amount.get(), u"Visible", Variant(false)); },
                          [&] { put(amount.get(), u"Visible", Variant(true)); }),
              5);
    EXPECT_EQ(refusedWith([&] { put(amount.get(), u"Enabled", Variant(false)); },
                          [&] { put(amount.get(), u"Enabled", Variant(true)); }),
              5);
    EXPECT_EQ(refusedWith([&] { put(form.get(), u"Visible", Variant(false)); },
                          [&] { put(form.get(), u"Visible", Variant(true)); }),
              5);
    EXPECT_EQ(refusedWith([&] { put(form.get(), u"Enabled", Variant(false)); },
                          [&] { put(form.get(), u"Enabled", Variant(true)); }),
              5);

    put(form.get(), u"Visible", Variant(false));
    EXPECT_TRUE(truth(get(amount.get(), u"Visible"))) << "the control's own setting, not its form's";
    put(form.get(), u"Visible", Variant(true));
    call(amount.get(), u"SetFocus");
    EXPECT_EQ(identity(active()), identity(amount));
    EXPECT_EQ(identity(obj(get(amount.get(), u"Parent"))), identity(form));
}

TEST_F(Form, TextBoxKeepsTheSelectionAsWrittenAndWritingTextResetsIt) {
    ComPtr<IDispatch> box = add(u"Forms.TextBox", u"txtName");
    putDefault(box.get(), Variant(u"中文字"));
    EXPECT_EQ(text(get(box.get(), u"Text")), u"中文字") << "Text is the default member";
    put(box.get(), u"SelStart", Variant(int16_t(0)));
    put(box.get(), u"SelLength", Variant(6));  // counted in bytes of a double-byte code page
    EXPECT_EQ(rt::toI4(get(box.get(), u"SelLength")), 6);
    EXPECT_EQ(text(get(box.get(), u"SelText")), u"中文字") << "the characters within the text";

    EXPECT_EQ(errorOf([&] { put(box.get(), u"SelLength", Variant(-1)); }), 380);
    EXPECT_EQ(errorOf([&] { put(box.get(), u"SelStart", Variant(-2)); }), 380);
    EXPECT_EQ(rt::toI4(get(box.get(), u"SelLength")), 6) << "a refused value changes nothing";

    put(box.get(), u"Text", Variant(u"abcdef"));
    EXPECT_EQ(rt::toI4(get(box.get(), u"SelStart")), 0);
    EXPECT_EQ(rt::toI4(get(box.get(), u"SelLength")), 0);
    EXPECT_EQ(text(get(box.get(), u"SelText")), u"");
    put(box.get(), u"SelStart", Variant(2));
    put(box.get(), u"SelLength", Variant(3));
    EXPECT_EQ(text(get(box.get(), u"SelText")), u"cde");
    put(box.get(), u"SelStart", Variant(7));
    EXPECT_EQ(rt::toI4(get(box.get(), u"SelStart")), 7) << "also past the end";
    EXPECT_EQ(text(get(box.get(), u"SelText")), u"");
}

TEST_F(Form, ListBoxItemsSelectionAndErrors) {
    ComPtr<IDispatch> list = add(u"Forms.ListBox", u"lstAccounts");
    EXPECT_EQ(rt::toI4(get(list.get(), u"ListCount")), 0);
    EXPECT_EQ(rt::toI4(get(list.get(), u"ListIndex")), -1);
    EXPECT_EQ(text(defaultOf(list.get())), u"") << "no item selected";
    for (const char16_t* item : {u"1001", u"1002", u"2201"}) call(list.get(), u"AddItem", {Variant(item)});
    EXPECT_EQ(rt::toI4(get(list.get(), u"ListCount")), 3);
    EXPECT_EQ(text(get(list.get(), u"List", {Variant(int16_t(2))})), u"2201");
    EXPECT_EQ(errorOf([&] { get(list.get(), u"List", {Variant(3)}); }), 381);
    EXPECT_EQ(errorOf([&] { get(list.get(), u"List", {Variant(-1)}); }), 381);
    EXPECT_EQ(errorOf([&] { rt::invoke(list.get(), u"List", rt::DISPATCH_PROPERTYPUT, {Variant(3), Variant(u"x")}); }), 381);
    rt::invoke(list.get(), u"List", rt::DISPATCH_PROPERTYPUT, {Variant(0), Variant(u"1000")});
    EXPECT_EQ(text(get(list.get(), u"List", {Variant(0)})), u"1000");

    put(list.get(), u"ListIndex", Variant(1));
    EXPECT_EQ(text(get(list.get(), u"Text")), u"1002");
    call(list.get(), u"AddItem", {Variant(u"0999"), Variant(0)});
    EXPECT_EQ(rt::toI4(get(list.get(), u"ListIndex")), 2) << "the selection stays on its item";
    EXPECT_EQ(text(get(list.get(), u"Text")), u"1002");
    call(list.get(), u"RemoveItem", {Variant(0)});
    EXPECT_EQ(rt::toI4(get(list.get(), u"ListIndex")), 1);
    call(list.get(), u"RemoveItem", {Variant(1)});
    EXPECT_EQ(rt::toI4(get(list.get(), u"ListIndex")), -1) << "the selected item went";
    EXPECT_EQ(errorOf([&] { call(list.get(), u"AddItem", {Variant(u"x"), Variant(5)}); }), 5);
    EXPECT_EQ(errorOf([&] { call(list.get(), u"RemoveItem", {Variant(2)}); }), 5);
    EXPECT_EQ(errorOf([&] { put(list.get(), u"ListIndex", Variant(2)); }), 380);
    EXPECT_EQ(errorOf([&] { put(list.get(), u"ListIndex", Variant(-2)); }), 380);

    putDefault(list.get(), Variant(u"2201"));
    EXPECT_EQ(rt::toI4(get(list.get(), u"ListIndex")), 1);
    putDefault(list.get(), Variant(u"2201 "));
    EXPECT_EQ(rt::toI4(get(list.get(), u"ListIndex")), -1) << "only an item of exactly that text is selected";
    EXPECT_EQ(text(defaultOf(list.get())), u"");
    call(list.get(), u"Clear");
    EXPECT_EQ(rt::toI4(get(list.get(), u"ListCount")), 0);
}

TEST_F(Form, ComboBoxTextIsItsEditTextAndSelectsTheFirstExactItem) {
    ComPtr<IDispatch> combo = add(u"Forms.ComboBox", u"cboCurrency");
    for (const char16_t* item : {u"CNY", u"USD", u"USD"}) call(combo.get(), u"AddItem", {Variant(item)});
    putDefault(combo.get(), Variant(u"USD"));
    EXPECT_EQ(rt::toI4(get(combo.get(), u"ListIndex")), 1) << "the first of two";
    putDefault(combo.get(), Variant(u"usd"));
    EXPECT_EQ(rt::toI4(get(combo.get(), u"ListIndex")), -1);
    EXPECT_EQ(text(get(combo.get(), u"Text")), u"usd") << "the edit text stays";
    put(combo.get(), u"ListIndex", Variant(0));
    EXPECT_EQ(text(get(combo.get(), u"Text")), u"CNY");
    call(combo.get(), u"Clear");
    EXPECT_EQ(text(get(combo.get(), u"Text")), u"");
    EXPECT_EQ(rt::toI4(get(combo.get(), u"ListIndex")), -1);
}

TEST_F(Form, CommandButtonCaptionIsItsDefaultMember) {
    ComPtr<IDispatch> button = add(u"Forms.CommandButton", u"cmdOK");
    EXPECT_EQ(text(defaultOf(button.get())), u"cmdOK");
    putDefault(button.get(), Variant(u"OK"));
    EXPECT_EQ(text(get(button.get(), u"Caption")), u"OK");
    EXPECT_EQ(text(get(button.get(), u"Name")), u"cmdOK");
    EXPECT_EQ(errorOf([&] { get(button.get(), u"SelStart"); }), 438) << "only a text box has a selection";
}

TEST(LoneControl, AControlMadeByItsProgramIdentifierStandsOnAFormOfItsOwn) {
    for (const char16_t* progid : {u"Forms.TextBox", u"Forms.ListBox", u"Forms.ComboBox", u"Forms.CommandButton"}) {
        ComPtr<IDispatch> control = rt::createObject(progid);
        ComPtr<IDispatch> form = obj(get(control.get(), u"Parent"));
        ASSERT_TRUE(form);
        EXPECT_TRUE(truth(get(form.get(), u"Visible")));
        EXPECT_TRUE(truth(get(form.get(), u"Enabled")));
        ComPtr<IDispatch> list = obj(get(form.get(), u"Controls"));
        EXPECT_EQ(rt::toI4(get(list.get(), u"Count")), 1);
        EXPECT_EQ(identity(obj(get(list.get(), u"Item", {Variant(0)}))), identity(control));
        call(control.get(), u"SetFocus");
        EXPECT_EQ(identity(obj(get(form.get(), u"ActiveControl"))), identity(control));
    }
    EXPECT_EQ(text(get(rt::createObject(u"Forms.TextBox").get(), u"Name")), u"Text1");
}

TEST(LoneControl, AFormAndItsControlsLiveWhileAnyOfThemIsHeldAndNoLonger) {
    const long before = rt::liveObjectCount();
    {
        ComPtr<IDispatch> control;
        {
            ComPtr<IDispatch> form = rt::createObject(u"Forms.Form");
            control = obj(rt::callMethod(form.get(), u"Add", {Variant(u"Forms.TextBox"), Variant(u"txtA")}));
            rt::callMethod(control.get(), u"SetFocus");
        }
        // The form is held through its control alone.
        ComPtr<IDispatch> form = obj(get(control.get(), u"Parent"));
        EXPECT_EQ(identity(obj(get(form.get(), u"ActiveControl"))), identity(control));
        control = nullptr;
        EXPECT_EQ(text(get(obj(get(form.get(), u"Controls", {Variant(0)})).get(), u"Name")), u"txtA")
            << "and the control through its form";
        EXPECT_GT(rt::liveObjectCount(), before);
    }
    EXPECT_EQ(rt::liveObjectCount(), before) << "no reference cycle keeps a form alive";
}

TEST(EarlyBound, ErrorsComeBackAsStatusWithErrorInformation) {
    ComPtr<controls::ITextBox> box = rt::createObject(u"Forms.TextBox").as<controls::ITextBox>();
    ASSERT_TRUE(box);
    rt::HRESULT hr = box->put_SelLength(-1);
    ASSERT_TRUE(rt::failed(hr));
    rt::Error e = rt::takeErrorInfo(hr);
    EXPECT_EQ(e.numberValue(), 380);
    EXPECT_EQ(e.description(), u"Invalid property value");
    EXPECT_EQ(e.source(), u"Forms.TextBox");
    EXPECT_EQ(box->get_Text(nullptr), rt::E_POINTER);
    EXPECT_EQ(box->get_Parent(nullptr), rt::E_POINTER);

    ComPtr<controls::IListControl> list = rt::createObject(u"Forms.ComboBox").as<controls::IListControl>();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->AddItem(u"a", Variant(rt::Missing{})), rt::S_OK);
    Str item;
    hr = list->get_List(1, &item);
    EXPECT_EQ(rt::takeErrorInfo(hr).numberValue(), 381);
    EXPECT_EQ(rt::takeErrorInfo(list->AddItem(u"b", Variant(u"x"))).numberValue(), 13);

    ComPtr<controls::IForm> form;
    ASSERT_EQ(box->get_Parent(form.put()), rt::S_OK);
    ComPtr<IDispatch> added;
    hr = form->Add(u"Forms.Grid", u"grd", added.put());
    EXPECT_EQ(rt::takeErrorInfo(hr).numberValue(), 5);
    EXPECT_FALSE(added);
}

TEST(Tables, EveryMemberHasItsHelpLine) {
    for (const rt::InterfaceInfo* info :
         {&controls::IForm::info(), &controls::IControls::info(), &controls::ITextBox::info(),
          &controls::IListControl::info(), &controls::ICommandButton::info()}) {
        for (const auto& m : info->members()) EXPECT_FALSE(m.help.empty()) << info->name() << "." << m.name;
    }
    EXPECT_EQ(controls::ITextBox::info().idOfName(u"setfocus"), 5) << "a text box has the common members";
    EXPECT_EQ(controls::IListControl::info().idOfName(u"Visible"), 2);
}
