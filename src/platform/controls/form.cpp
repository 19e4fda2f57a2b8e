// The form, its Controls collection, and the classes made by program identifier.
#include "controls/objects.h"
#include "runtime/classes.h"
#include "runtime/convert.h"

namespace controls::detail {

using rt::HRESULT;
using rt::Str;

class ControlsObject final : public FamilyObject<ControlsObject, IControls> {
public:
    static constexpr const char16_t* kSource = u"Forms.Form";

    ControlsObject(Family& family, FormObject& form) : FamilyObject(family), form_(form) {}

    HRESULT get_Count(int32_t* result) override {
        return rt::boundary(kSource, [&] { *need(result) = int32_t(form_.controls().size()); });
    }
    HRESULT get_Item(const rt::Variant& index, rt::IDispatch** result) override {
        return rt::boundary(kSource, [&] {
            need(result);
            rt::assignOut(result, rt::ComPtr<rt::IDispatch>(lookUp(index.deref())->dispatch()));
        });
    }

private:
    ControlCore* lookUp(const rt::Variant& index) const {
        if (index.isString()) {
            if (ControlCore* found = form_.find(index.str())) return found;
            rt::raise(rt::kErrSubscript);
        }
        if (!index.isNumberType()) rt::raise(rt::kErrTypeMismatch);
        const int64_t i = rt::toI8(index);
        const auto& all = form_.controls();
        if (i < 0 || uint64_t(i) >= all.size()) rt::raise(rt::kErrSubscript);
        return all[size_t(i)];
    }

    FormObject& form_;
};

FormObject::FormObject(Family& family) : FamilyObject(family), collection_(family.adopt<ControlsObject>(family, *this)) {}

rt::ComPtr<IForm> FormObject::make() {
    Family* family = new Family;
    return rt::ComPtr<IForm>(family->adopt<FormObject>(*family));  // the family's first reference
}

HRESULT FormObject::get_Name(Str* result) {
    return rt::boundary(kSource, [&] { *need(result) = name_; });
}
HRESULT FormObject::put_Name(const Str& value) {
    return rt::boundary(kSource, [&] { name_ = value; });
}
HRESULT FormObject::get_Caption(Str* result) {
    return rt::boundary(kSource, [&] { *need(result) = caption_; });
}
HRESULT FormObject::put_Caption(const Str& value) {
    return rt::boundary(kSource, [&] { caption_ = value; });
}
HRESULT FormObject::get_Visible(rt::VARIANT_BOOL* result) {
    return rt::boundary(kSource, [&] { *need(result) = boolValue(visible_); });
}
HRESULT FormObject::put_Visible(rt::VARIANT_BOOL value) {
    visible_ = value != 0;
    return rt::S_OK;
}
HRESULT FormObject::get_Enabled(rt::VARIANT_BOOL* result) {
    return rt::boundary(kSource, [&] { *need(result) = boolValue(enabled_); });
}
HRESULT FormObject::put_Enabled(rt::VARIANT_BOOL value) {
    enabled_ = value != 0;
    return rt::S_OK;
}
HRESULT FormObject::get_ActiveControl(rt::IDispatch** result) {
    return rt::boundary(kSource, [&] {
        need(result);
        rt::assignOut(result, rt::ComPtr<rt::IDispatch>(active_ ? active_->dispatch() : nullptr));
    });
}
HRESULT FormObject::get_Controls(IControls** result) {
    return rt::boundary(kSource, [&] { rt::assignOut(need(result), collection_->self()); });
}
HRESULT FormObject::Add(const Str& progid, const Str& name, rt::IDispatch** result) {
    return rt::boundary(kSource, [&] {
        need(result);
        Kind kind;
        if (!kindOf(progid, &kind)) rt::raise(rt::kErrInvalidCall, u"'" + progid + u"' is no class of control");
        rt::assignOut(result, rt::ComPtr<rt::IDispatch>(addControl(kind, name)->dispatch()));
    });
}

ControlCore* FormObject::find(rt::StrView name) const {
    for (ControlCore* c : controls_)
        if (rt::equalsNoCase(c->name(), name)) return c;
    return nullptr;
}

ControlCore* FormObject::addControl(Kind kind, const Str& name) {
    if (name.empty()) rt::raise(rt::kErrInvalidCall, u"A control needs a name");
    if (find(name)) rt::raise(rt::kErrInvalidCall, u"There is already a control named '" + name + u"' on this form");
    ControlCore* control = makeControl(family_, *this, kind, name);
    controls_.push_back(control);
    return control;
}

namespace {

// A control made by its program identifier, on a form of its own.
HRESULT createLoneControl(Kind kind, const char16_t* name, const rt::IID& iid, void** out) {
    try {
        rt::ComPtr<IForm> form = FormObject::make();
        auto* owner = static_cast<FormObject*>(form.get());
        return owner->addControl(kind, name)->dispatch()->QueryInterface(iid, out);
    } catch (...) {
        return rt::reportCurrentError(u"Forms");
    }
}

const rt::ClassRegistrar kForm(kProgidForm, kClsidForm, [](const rt::IID& iid, void** out) {
    try {
        return FormObject::make()->QueryInterface(iid, out);
    } catch (...) {
        return rt::reportCurrentError(u"Forms.Form");
    }
}, &IForm::info);
const rt::ClassRegistrar kTextBox(kProgidTextBox, kClsidTextBox, [](const rt::IID& iid, void** out) {
    return createLoneControl(Kind::TextBox, u"Text1", iid, out);
}, &ITextBox::info);
const rt::ClassRegistrar kListBox(kProgidListBox, kClsidListBox, [](const rt::IID& iid, void** out) {
    return createLoneControl(Kind::ListBox, u"List1", iid, out);
}, &IListControl::info);
const rt::ClassRegistrar kComboBox(kProgidComboBox, kClsidComboBox, [](const rt::IID& iid, void** out) {
    return createLoneControl(Kind::ComboBox, u"Combo1", iid, out);
}, &IListControl::info);
const rt::ClassRegistrar kCommandButton(kProgidCommandButton, kClsidCommandButton, [](const rt::IID& iid, void** out) {
    return createLoneControl(Kind::CommandButton, u"Command1", iid, out);
}, &ICommandButton::info);

}  // namespace

}  // namespace controls::detail
