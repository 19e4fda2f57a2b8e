// The objects behind the controls' interfaces, and the one lifetime a form shares with its
// controls.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "controls/controls.h"
#include "runtime/error.h"
#include "runtime/object.h"

namespace controls::detail {

// Anything a family owns; deleted with the family.
struct Member {
    virtual ~Member() = default;
};

// A form, its Controls collection and its controls: one reference count for all of them.
// A reference to any member keeps the whole family, so members point at each other with
// plain pointers and no reference cycle arises. The family deletes itself (and every
// member) when the last reference to any member goes.
class Family {
public:
    Family() = default;
    Family(const Family&) = delete;
    Family& operator=(const Family&) = delete;

    uint32_t addRef() { return ++refs_; }
    uint32_t release() {
        const uint32_t n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    // A new member owned by the family.
    template <class T, class... A>
    T* adopt(A&&... args) {
        auto member = std::make_unique<T>(std::forward<A>(args)...);
        T* raw = member.get();
        members_.push_back(std::move(member));
        return raw;
    }

private:
    ~Family() = default;

    std::atomic<uint32_t> refs_{0};
    std::vector<std::unique_ptr<Member>> members_;
};

// A dispatch object whose references count for its family.
template <class D, class I>
class FamilyObject : public rt::DispatchObject<D, I>, public Member {
public:
    explicit FamilyObject(Family& family) : family_(family) {}
    uint32_t AddRef() override { return family_.addRef(); }
    uint32_t Release() override { return family_.release(); }

protected:
    Family& family_;
};

using rt::need;  // raises E_POINTER for a null out-parameter

inline rt::VARIANT_BOOL boolValue(bool b) { return b ? rt::VARIANT_TRUE : rt::VARIANT_FALSE; }

class FormObject;

// What a form knows of each of its controls.
class ControlCore {
public:
    // source: the error source the control reports ("Forms.TextBox", ...); static text.
    ControlCore(FormObject& form, rt::Str name, const char16_t* source)
        : form_(form), name_(std::move(name)), source_(source) {}
    virtual ~ControlCore() = default;
    ControlCore(const ControlCore&) = delete;
    ControlCore& operator=(const ControlCore&) = delete;

    const rt::Str& name() const { return name_; }
    // The control's dispatch interface (no new reference).
    virtual rt::IDispatch* dispatch() = 0;

protected:
    FormObject& form_;
    rt::Str name_;
    const char16_t* source_;
    bool visible_ = true;
    bool enabled_ = true;
};

// The kinds of control a form can hold.
enum class Kind { TextBox, ListBox, ComboBox, CommandButton };

// The kind that a program identifier names (without regard to case); false when none.
bool kindOf(rt::StrView progid, Kind* kind);
// A new control of kind on form, owned by family.
ControlCore* makeControl(Family& family, FormObject& form, Kind kind, rt::Str name);

class ControlsObject;

class FormObject final : public FamilyObject<FormObject, IForm> {
public:
    static constexpr const char16_t* kSource = u"Forms.Form";

    explicit FormObject(Family& family);

    // A new form in a family of its own, with one reference for the caller.
    static rt::ComPtr<IForm> make();

    rt::HRESULT get_Name(rt::Str* result) override;
    rt::HRESULT put_Name(const rt::Str& value) override;
    rt::HRESULT get_Caption(rt::Str* result) override;
    rt::HRESULT put_Caption(const rt::Str& value) override;
    rt::HRESULT get_Visible(rt::VARIANT_BOOL* result) override;
    rt::HRESULT put_Visible(rt::VARIANT_BOOL value) override;
    rt::HRESULT get_Enabled(rt::VARIANT_BOOL* result) override;
    rt::HRESULT put_Enabled(rt::VARIANT_BOOL value) override;
    rt::HRESULT get_ActiveControl(rt::IDispatch** result) override;
    rt::HRESULT get_Controls(IControls** result) override;
    rt::HRESULT Add(const rt::Str& progid, const rt::Str& name, rt::IDispatch** result) override;

    // The control named name (without regard to case), or null.
    ControlCore* find(rt::StrView name) const;
    const std::vector<ControlCore*>& controls() const { return controls_; }
    // A new control on this form. Throws rt::Error 5 for an empty or taken name.
    ControlCore* addControl(Kind kind, const rt::Str& name);
    // Whether a control on this form may take the focus: the form is visible and enabled.
    bool acceptsFocus() const { return visible_ && enabled_; }
    void activate(ControlCore* control) { active_ = control; }

private:
    rt::Str name_ = u"Form1";
    rt::Str caption_ = u"Form1";
    bool visible_ = true;
    bool enabled_ = true;
    ControlCore* active_ = nullptr;
    std::vector<ControlCore*> controls_;  // owned by the family, in the order added
    ControlsObject* collection_;
};

// The members every control shares, over the control's own interface I (derived from
// IControl).
template <class D, class I>
class ControlImpl : public FamilyObject<D, I>, public ControlCore {
public:
    ControlImpl(Family& family, FormObject& form, rt::Str name, const char16_t* source)
        : FamilyObject<D, I>(family), ControlCore(form, std::move(name), source) {}

    rt::IDispatch* dispatch() override { return static_cast<I*>(this); }

    rt::HRESULT get_Name(rt::Str* result) override {
        return rt::boundary(source_, [&] { *need(result) = name_; });
    }
    rt::HRESULT get_Visible(rt::VARIANT_BOOL* result) override {
        return rt::boundary(source_, [&] { *need(result) = boolValue(visible_); });
    }
    rt::HRESULT put_Visible(rt::VARIANT_BOOL value) override {
        visible_ = value != 0;
        return rt::S_OK;
    }
    rt::HRESULT get_Enabled(rt::VARIANT_BOOL* result) override {
        return rt::boundary(source_, [&] { *need(result) = boolValue(enabled_); });
    }
    rt::HRESULT put_Enabled(rt::VARIANT_BOOL value) override {
        enabled_ = value != 0;
        return rt::S_OK;
    }
    rt::HRESULT get_Parent(IForm** result) override {
        return rt::boundary(source_, [&] { rt::assignOut(need(result), form_.self()); });
    }
    rt::HRESULT SetFocus() override {
        return rt::boundary(source_, [&] {
            if (!visible_ || !enabled_ || !form_.acceptsFocus()) rt::raise(rt::kErrInvalidCall);
            form_.activate(this);
        });
    }
};

}  // namespace controls::detail
