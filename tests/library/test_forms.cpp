// Focus and list helpers and message boxes, over the headless form controls, early-bound and
// late-bound. Message boxes go to a presenter installed by the test.
#include <vector>

#include "controls/controls.h"
#include "frame/text_service.h"
#include "library_testing.h"
#include "runtime/classes.h"
#include "runtime/locale.h"
#include "services/message_service.h"
#include "support/testing.h"

using namespace velmora;
using namespace velmora::testing;
using rt::ComPtr;
using rt::IDispatch;
using rt::Str;
using rt::Variant;

namespace {

ComPtr<IDispatch> obj(const Variant& v) { return rt::toObject(v); }
Variant get(IDispatch* o, rt::StrView name) { return rt::getProperty(o, name); }
void put(IDispatch* o, rt::StrView name, Variant v) { rt::putProperty(o, name, std::move(v)); }
bool truth(const Variant& v) { return rt::toBool(v) != 0; }
int32_t number(const Variant& v) { return rt::toI4(v); }
Str text(const Variant& v) { return rt::toText(v); }

template <class F>
int errorOf(F&& body) {
    try {
        body();
    } catch (const rt::Error& e) {
        return e.numberValue();
    }
    return 0;
}

using support::ScopedLocale;

// A data-entry form: a date edit with its look-up button, another edit, a cancel button.
class Forms : public ::testing::Test {
protected:
    void SetUp() override {
        svc::setMessageBoxPresenter([this](const svc::MessageBoxRequest& r) {
            shown.push_back(r);
            return answer;
        });
    }
    void TearDown() override { svc::setMessageBoxPresenter(nullptr); }

    ComPtr<IDispatch> add(const char16_t* progid, const char16_t* name) {
        return obj(rt::callMethod(form.get(), u"Add", {Variant(progid), Variant(name)}));
    }
    const void* activeControl() { return rt::identityOf(obj(get(form.get(), u"ActiveControl")).get()); }
    const void* identity(const ComPtr<IDispatch>& p) { return rt::identityOf(p.get()); }

    void setCtrFocus(IDispatch* ctrl, IDispatch* ref) { rt::call(cf.get(), &_CCommonFunction::SetCtrFocus, &ctrl, &ref); }
    void setCtrFocus2(IDispatch* ctrl, IDispatch* ref, Str active) {
        rt::call(cf.get(), &_CCommonFunction::SetCtrFocus2, &ctrl, &ref, &active);
    }
    bool dealFocus(Str active, Str hint = u"", Str exclude = u"") {
        IDispatch* edit = date.get();
        IDispatch* button = lookUp.get();
        return rt::call(cf.get(), &_CCommonFunction::DealFocus, &edit, &button, &active, &hint, &exclude) != 0;
    }

    ComPtr<_CCommonFunction> cf = newCommon();
    ComPtr<IDispatch> form = rt::createObject(u"Forms.Form");
    ComPtr<IDispatch> date = add(u"Forms.TextBox", u"txtDate");
    ComPtr<IDispatch> lookUp = add(u"Forms.CommandButton", u"cmdDate");
    ComPtr<IDispatch> amount = add(u"Forms.TextBox", u"txtAmount");
    ComPtr<IDispatch> cancel = add(u"Forms.CommandButton", u"cmdCancel");
    std::vector<svc::MessageBoxRequest> shown;
    int32_t answer = svc::kOk;
};

}  // namespace

// ---- SetCtrFocus and SetCtrFocus2 ------------------------------------------------------

TEST_F(Forms, SetCtrFocusFocusesSelectsInLenExUnitsAndShowsTheReference) {
    ScopedLocale chinese("zh-CN");
    put(date.get(), u"Text", Variant(u"二零零七"));
    put(lookUp.get(), u"Visible", Variant(false));
    setCtrFocus(date.get(), lookUp.get());
    EXPECT_EQ(activeControl(), identity(date));
    EXPECT_EQ(number(get(date.get(), u"SelStart")), 0);
    EXPECT_EQ(number(get(date.get(), u"SelLength")), 8) << "four double-byte characters";
    EXPECT_TRUE(truth(get(lookUp.get(), u"Visible")));

    put(amount.get(), u"Text", Variant(u"中文字"));
    put(amount.get(), u"SelStart", Variant(2));
    setCtrFocus(amount.get(), nullptr);  // no reference control: only that step fails
    EXPECT_EQ(activeControl(), identity(amount));
    EXPECT_EQ(number(get(amount.get(), u"SelStart")), 0);
    EXPECT_EQ(number(get(amount.get(), u"SelLength")), 6);

    put(amount.get(), u"Text", Variant(u"12.50   "));
    setCtrFocus(amount.get(), nullptr);
    EXPECT_EQ(number(get(amount.get(), u"SelLength")), 5) << "the selection stops before trailing spaces";
}

TEST_F(Forms, SetCtrFocusDoesNothingOnAHiddenOrDisabledControl) {
    put(date.get(), u"Text", Variant(u"2007-3-1"));
    put(lookUp.get(), u"Visible", Variant(false));
    for (const char16_t* setting : {u"Visible", u"Enabled"}) {
        put(date.get(), setting, Variant(false));
        setCtrFocus(date.get(), lookUp.get());
        EXPECT_EQ(activeControl(), nullptr);
        EXPECT_EQ(number(get(date.get(), u"SelLength")), 0);
        EXPECT_FALSE(truth(get(lookUp.get(), u"Visible"))) << "not even the reference control is shown";
        put(date.get(), setting, Variant(true));
    }
}

TEST_F(Forms, SetCtrFocusSkipsEachFailingStepAndNeverFails) {
    // The form is hidden: SetFocus refuses (error 5) and is skipped; the rest still runs.
    put(date.get(), u"Text", Variant(u"abc"));
    put(lookUp.get(), u"Visible", Variant(false));
    put(form.get(), u"Visible", Variant(false));
    setCtrFocus(date.get(), lookUp.get());
    EXPECT_EQ(activeControl(), nullptr);
    EXPECT_EQ(number(get(date.get(), u"SelLength")), 3);
    EXPECT_TRUE(truth(get(lookUp.get(), u"Visible")));
    put(form.get(), u"Visible", Variant(true));

    // A control without a selection or text: the focus moves, the rest is skipped.
    setCtrFocus(cancel.get(), nullptr);
    EXPECT_EQ(activeControl(), identity(cancel));
    // Nothing at all, or an object that is no control: every step fails, the call succeeds.
    setCtrFocus(nullptr, nullptr);
    ComPtr<IDispatch> notAControl = rt::createObject(u"Scripting.FileSystemObject");
    setCtrFocus(notAControl.get(), lookUp.get());
    EXPECT_EQ(rt::takeErrorInfo(rt::E_FAIL).description(), Str(rt::standardDescription(int(rt::E_FAIL))))
        << "no error is left behind";
}

TEST_F(Forms, SetCtrFocus2LeavesTheFocusWhereItIsWhenTheControlHasItAlready) {
    ScopedLocale chinese("zh-CN");
    rt::callMethod(cancel.get(), u"SetFocus");
    put(date.get(), u"Text", Variant(u"中文字"));
    put(lookUp.get(), u"Visible", Variant(false));
    setCtrFocus2(date.get(), lookUp.get(), u"  TXTDATE ");
    EXPECT_EQ(activeControl(), identity(cancel)) << "SetFocus was not called";
    EXPECT_EQ(number(get(date.get(), u"SelLength")), 6) << "the text is still selected";
    EXPECT_TRUE(truth(get(lookUp.get(), u"Visible"))) << "and the reference control shown";

    setCtrFocus2(date.get(), lookUp.get(), u"txtAmount");
    EXPECT_EQ(activeControl(), identity(date));
    setCtrFocus2(amount.get(), nullptr, u"");
    EXPECT_EQ(activeControl(), identity(amount)) << "an empty active name never matches a named control";
}

TEST_F(Forms, FocusHelpersLateBoundWithTheReferenceLeftOut) {
    put(date.get(), u"Text", Variant(u"2007-3-1"));
    late(cf, u"SetCtrFocus", {Variant(date)});
    EXPECT_EQ(activeControl(), identity(date));
    EXPECT_EQ(number(get(date.get(), u"SelLength")), 8);
    late(cf, u"SetCtrFocus2", {Variant(amount), rt::CallArg(Variant(rt::Missing{})), Variant(u"txtDate")});
    EXPECT_EQ(activeControl(), identity(amount));
    late(cf, u"SetCtrFocus", {Variant::nothing(), Variant::nothing()});
}

// ---- DealFocus -------------------------------------------------------------------------

TEST_F(Forms, DealFocusNormalisesAValidDateAndHidesTheButton) {
    put(date.get(), u"Text", Variant(u" 2007-3-1 "));
    EXPECT_TRUE(dealFocus(u"txtAmount"));
    EXPECT_EQ(text(get(date.get(), u"Text")), u"2007-03-01");
    EXPECT_FALSE(truth(get(lookUp.get(), u"Visible")));
    EXPECT_TRUE(shown.empty());
}

TEST_F(Forms, DealFocusTowardsTheButtonOnlyTrims) {
    put(date.get(), u"Text", Variant(u"  2007-13-45 "));
    EXPECT_FALSE(dealFocus(u"cmdDate"));
    EXPECT_EQ(text(get(date.get(), u"Text")), u"2007-13-45");
    EXPECT_TRUE(truth(get(lookUp.get(), u"Visible")));
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(activeControl(), nullptr);
}

TEST_F(Forms, DealFocusOnAnInvalidDateEmptiesTheEditShowsTheHintAndKeepsTheFocus) {
    rt::callMethod(amount.get(), u"SetFocus");
    put(date.get(), u"Text", Variant(u"2007-13-45"));
    EXPECT_FALSE(dealFocus(u"txtAmount", u"Enter the voucher date"));
    EXPECT_EQ(text(get(date.get(), u"Text")), u"");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].prompt, u"Enter the voucher date");
    EXPECT_EQ(shown[0].style, 64);
    EXPECT_EQ(shown[0].title, sGetText(u"Ostrel.FM.Pelvane.01034")) << "the default title";
    EXPECT_EQ(activeControl(), identity(date)) << "the focus went back";
    EXPECT_EQ(number(get(date.get(), u"SelLength")), 0);
    EXPECT_TRUE(truth(get(lookUp.get(), u"Visible"))) << "the button is left as it was";

    put(date.get(), u"Text", Variant(u"not a date"));
    put(lookUp.get(), u"Visible", Variant(false));
    EXPECT_FALSE(dealFocus(u"txtAmount"));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].prompt, sGetText(u"Ostrel.FM.Velmora.00030")) << "no hint: the library's own text";
    EXPECT_NE(shown[1].prompt, u"Ostrel.FM.Velmora.00030") << "the catalog has the text";
    EXPECT_FALSE(truth(get(lookUp.get(), u"Visible")));
}

TEST_F(Forms, DealFocusTowardsAnExcludedControlNormalisesSilently) {
    put(date.get(), u"Text", Variant(u"2007-13-45"));
    EXPECT_FALSE(dealFocus(u"cmdCancel", u"hint", u"cmdCancel,cmdClose"));
    EXPECT_EQ(text(get(date.get(), u"Text")), u"");
    EXPECT_FALSE(truth(get(lookUp.get(), u"Visible")));
    EXPECT_TRUE(shown.empty());

    put(date.get(), u"Text", Variant(u"2007/3/5"));
    put(lookUp.get(), u"Visible", Variant(true));
    EXPECT_FALSE(dealFocus(u"", u"", u"cmdCancel")) << "an empty active name counts as listed";
    EXPECT_EQ(text(get(date.get(), u"Text")), u"2007-03-05");
    EXPECT_FALSE(truth(get(lookUp.get(), u"Visible")));

    put(date.get(), u"Text", Variant(u"2007-3-5"));
    EXPECT_TRUE(dealFocus(u"cmdcancel", u"", u"cmdCancel")) << "the search is exact";
}

TEST_F(Forms, DealFocusOnAnEmptyEditHidesTheButtonWithoutAMessage) {
    put(date.get(), u"Text", Variant(u"   "));
    EXPECT_TRUE(dealFocus(u"txtAmount", u"hint"));
    EXPECT_EQ(text(get(date.get(), u"Text")), u"");
    EXPECT_FALSE(truth(get(lookUp.get(), u"Visible")));
    EXPECT_TRUE(shown.empty());
}

TEST_F(Forms, DealFocusFailuresReachTheCaller) {
    ComPtr<IDispatch> notAButton = rt::createObject(u"Scripting.FileSystemObject");
    IDispatch* edit = date.get();
    IDispatch* button = notAButton.get();
    Str active = u"txtAmount", hint, exclude;
    rt::HRESULT hr = cf->DealFocus(&edit, &button, &active, &hint, &exclude, nullptr);
    EXPECT_EQ(hr, rt::E_POINTER);
    rt::VARIANT_BOOL result = rt::VARIANT_TRUE;
    hr = cf->DealFocus(&edit, &button, &active, &hint, &exclude, &result);
    rt::Error e = rt::takeErrorInfo(hr);
    EXPECT_EQ(e.numberValue(), rt::kErrNoSuchMember) << "the button has no Name";
    EXPECT_EQ(e.source(), u"Velmora.CCommonFunction");

    answer = 0;
    svc::setMessageBoxPresenter([](const svc::MessageBoxRequest&) -> int32_t {
        throw rt::Error::number(7, u"no room for a box");
    });
    put(date.get(), u"Text", Variant(u"bad"));
    EXPECT_EQ(errorOf([&] { dealFocus(u"txtAmount"); }), 7) << "a failing message box too";
}

TEST_F(Forms, DealFocusLateBound) {
    put(date.get(), u"Text", Variant(u"2007-3-1"));
    Variant r = late(cf, u"DealFocus", {Variant(date), Variant(lookUp), Variant(u"txtAmount")});
    EXPECT_TRUE(truth(r));
    EXPECT_EQ(text(rt::invokeId(date.get(), rt::DISPID_VALUE, rt::DISPATCH_PROPERTYGET)), u"2007-03-01");
}

// ---- bContain and iItemPos ---------------------------------------------------------------

TEST_F(Forms, ListSearchesAreExact) {
    ComPtr<IDispatch> list = add(u"Forms.ListBox", u"lstAccounts");
    auto contains = [&](Str s) {
        IDispatch* l = list.get();
        return rt::call(cf.get(), &_CCommonFunction::bContain, &s, &l) != 0;
    };
    auto position = [&](Str s) {
        IDispatch* l = list.get();
        return rt::call(cf.get(), &_CCommonFunction::iItemPos, &s, &l);
    };
    EXPECT_FALSE(contains(u"Apple"));
    EXPECT_EQ(position(u"Apple"), -1);
    for (const char16_t* item : {u"Pear", u"Apple", u" Apple", u"Apple"}) rt::callMethod(list.get(), u"AddItem", {Variant(item)});
    EXPECT_TRUE(contains(u"Apple"));
    EXPECT_EQ(position(u"Apple"), 1) << "the first match";
    EXPECT_EQ(position(u" Apple"), 2);
    EXPECT_FALSE(contains(u"apple"));
    EXPECT_EQ(position(u"Apple "), -1);
    EXPECT_EQ(number(late(cf, u"iItemPos", {Variant(u"Pear"), Variant(list)})), 0);
    EXPECT_TRUE(truth(late(cf, u"bContain", {Variant(u" Apple"), Variant(list)})));

    ComPtr<IDispatch> combo = add(u"Forms.ComboBox", u"cboCurrency");
    rt::callMethod(combo.get(), u"AddItem", {Variant(u"USD")});
    EXPECT_EQ(number(late(cf, u"iItemPos", {Variant(u"USD"), Variant(combo)})), 0);
    EXPECT_EQ(errorOf([&] { late(cf, u"bContain", {Variant(u"x"), Variant(date)}); }), rt::kErrNoSuchMember)
        << "a text box is no list";
}

TEST_F(Forms, ListSearchesCountWithA16BitIndex) {
    ComPtr<controls::IListControl> list = add(u"Forms.ListBox", u"lstBig").as<controls::IListControl>();
    ASSERT_TRUE(list);
    for (int i = 0; i < 32768; ++i) ASSERT_EQ(list->AddItem(i == 32767 ? u"last" : u"x", Variant(rt::Missing{})), rt::S_OK);
    ComPtr<IDispatch> asDisp(list.get());
    EXPECT_EQ(number(late(cf, u"iItemPos", {Variant(u"last"), Variant(asDisp)})), 32767);
    ASSERT_EQ(list->AddItem(u"one too many", Variant(rt::Missing{})), rt::S_OK);
    EXPECT_EQ(errorOf([&] { late(cf, u"iItemPos", {Variant(u"last"), Variant(asDisp)}); }), rt::kErrOverflow);
    EXPECT_EQ(errorOf([&] { late(cf, u"bContain", {Variant(u"x"), Variant(asDisp)}); }), rt::kErrOverflow);
}

// ---- iWidthForAll ------------------------------------------------------------------------

TEST(WidthForAll, DigitsBeforeAndAfterThePoint) {
    auto cf = newCommon();
    auto width = [&](Variant& sum, int16_t& decimals, Str exclude) {
        return rt::call(cf.get(), &_CCommonFunction::iWidthForAll, &sum, &decimals, &exclude);
    };
    Variant sum(Str(u"1,234.56"));
    int16_t decimals = -1;
    EXPECT_EQ(width(sum, decimals, u","), 4);
    EXPECT_EQ(sum.str(), u"1234.56") << "the caller's variable loses the excluded characters";
    EXPECT_EQ(decimals, 2);

    Variant negative(Str(u"-12"));
    decimals = 9;
    EXPECT_EQ(width(negative, decimals, u""), 3);
    EXPECT_EQ(decimals, 9) << "left alone without a point";

    Variant word(Str(u"abc"));
    EXPECT_EQ(width(word, decimals, u"b"), 3) << "no number: its length, nothing removed";
    EXPECT_EQ(word.str(), u"abc");

    Variant real(1234.5);
    EXPECT_EQ(width(real, decimals, u""), 4);
    EXPECT_EQ(decimals, 1);
    EXPECT_EQ(real.type(), rt::VT_R8) << "nothing to remove: the value stays a number";

    Variant null(rt::Null{});
    EXPECT_EQ(errorOf([&] { width(null, decimals, u""); }), rt::kErrInvalidNull);

    Variant late1(Str(u"12,345.6"));
    Variant decimalsLate(int16_t(0));
    EXPECT_EQ(number(late(cf, u"iWidthForAll", {rt::CallArg::ref(late1), rt::CallArg::ref(decimalsLate), Variant(u",")})), 5);
    EXPECT_EQ(late1.str(), u"12345.6");
    EXPECT_EQ(number(decimalsLate), 1);
}

// ---- iShowMsg ----------------------------------------------------------------------------

class ShowMsg : public ::testing::Test {
protected:
    void SetUp() override {
        svc::setMessageBoxPresenter([this](const svc::MessageBoxRequest& r) {
            shown.push_back(r);
            return answer;
        });
    }
    void TearDown() override { svc::setMessageBoxPresenter(nullptr); }

    int16_t show(Variant& message, int16_t style, Str& title) {
        return rt::call(cf.get(), &_CCommonFunction::iShowMsg, &message, &style, &title);
    }

    ComPtr<_CCommonFunction> cf = newCommon();
    std::vector<svc::MessageBoxRequest> shown;
    int32_t answer = svc::kOk;
};

TEST_F(ShowMsg, AnEmptyMessageShowsNothing) {
    Variant spaces(Str(u"   "));
    Str title;
    EXPECT_EQ(show(spaces, 64, title), 0);
    EXPECT_TRUE(spaces.isString());
    EXPECT_EQ(spaces.str(), u"") << "the caller's variable holds empty text";
    Variant null(rt::Null{});
    EXPECT_EQ(show(null, 64, title), 0);
    Variant empty;
    EXPECT_EQ(show(empty, 64, title), 0);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(title, u"") << "no title is fetched for nothing";
}

TEST_F(ShowMsg, TheDefaultTitleComesFromTheSiblingModulesKey) {
    const Str defaultTitle = sGetText(u"Ostrel.FM.Pelvane.01034");
    ASSERT_NE(defaultTitle, u"Ostrel.FM.Pelvane.01034") << "the catalog has the title";
    Variant message(Str(u"  Saved.  "));
    Str title;
    answer = svc::kYes;
    EXPECT_EQ(show(message, 36, title), svc::kYes);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].prompt, u"Saved.");
    EXPECT_EQ(shown[0].style, 36);
    EXPECT_EQ(shown[0].title, defaultTitle);
    EXPECT_EQ(shown[0].helpFile, u"");
    EXPECT_EQ(shown[0].helpContext, 0);
    EXPECT_EQ(title, defaultTitle) << "handed back in the caller's title";
    EXPECT_EQ(message.str(), u"Saved.");

    Str spaces = u"   ";
    show(message, 64, spaces);
    EXPECT_EQ(shown.back().title, defaultTitle);
    Str own = u" Vouchers ";
    show(message, 64, own);
    EXPECT_EQ(shown.back().title, u" Vouchers ") << "a title of the caller's is used as it is";
}

TEST_F(ShowMsg, NumbersAreShownAsTheirTextAndLateBoundDefaultsApply) {
    Variant amount(12.5);
    Str title = u"T";
    show(amount, 64, title);
    EXPECT_EQ(shown.back().prompt, u"12.5");
    Variant r = late(cf, u"iShowMsg", {Variant(u"Done")});
    EXPECT_EQ(number(r), svc::kOk);
    EXPECT_EQ(r.type(), rt::VT_I2);
    EXPECT_EQ(shown.back().style, 64);
    EXPECT_EQ(shown.back().title, sGetText(u"Ostrel.FM.Pelvane.01034"));
}

TEST_F(ShowMsg, FailuresOfTheBoxAndButtonsBeyond16BitsReachTheCaller) {
    Variant message(Str(u"x"));
    Str title = u"T";
    answer = 70000;
    EXPECT_EQ(errorOf([&] { show(message, 64, title); }), rt::kErrOverflow);
    svc::setMessageBoxPresenter([](const svc::MessageBoxRequest&) -> int32_t { throw rt::Error::number(5); });
    rt::HRESULT hr = [&] {
        int16_t style = 64, result = 0;
        return cf->iShowMsg(&message, &style, &title, &result);
    }();
    EXPECT_EQ(rt::takeErrorInfo(hr).numberValue(), 5);
}
