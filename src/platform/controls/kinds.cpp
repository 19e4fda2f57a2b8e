// The kinds of control: text box, list box and combo box, command button.
#include "controls/objects.h"
#include "runtime/convert.h"

namespace controls::detail {

using rt::HRESULT;
using rt::Str;

namespace {

class TextBox final : public ControlImpl<TextBox, ITextBox> {
public:
    TextBox(Family& family, FormObject& form, Str name) : ControlImpl(family, form, std::move(name), u"Forms.TextBox") {}

    HRESULT get_Text(Str* result) override {
        return rt::boundary(source_, [&] { *need(result) = text_; });
    }
    HRESULT put_Text(const Str& value) override {
        return rt::boundary(source_, [&] {
            text_ = value;
            selStart_ = selLength_ = 0;
        });
    }
    HRESULT get_SelStart(int32_t* result) override {
        return rt::boundary(source_, [&] { *need(result) = selStart_; });
    }
    HRESULT put_SelStart(int32_t value) override {
        return rt::boundary(source_, [&] { selStart_ = checkedSelection(value); });
    }
    HRESULT get_SelLength(int32_t* result) override {
        return rt::boundary(source_, [&] { *need(result) = selLength_; });
    }
    HRESULT put_SelLength(int32_t value) override {
        return rt::boundary(source_, [&] { selLength_ = checkedSelection(value); });
    }
    HRESULT get_SelText(Str* result) override {
        return rt::boundary(source_, [&] {
            const size_t start = size_t(selStart_);
            *need(result) = start >= text_.size() ? Str() : text_.substr(start, size_t(selLength_));
        });
    }

private:
    static int32_t checkedSelection(int32_t value) {
        if (value < 0) rt::raise(kErrInvalidPropertyValue, u"Invalid property value");
        return value;
    }

    Str text_;
    int32_t selStart_ = 0;
    int32_t selLength_ = 0;
};

// A list box (Text is the selected item's) or a combo box (Text is its own edit text,
// which selecting an item overwrites).
class ListControl final : public ControlImpl<ListControl, IListControl> {
public:
    ListControl(Family& family, FormObject& form, Str name, bool combo)
        : ControlImpl(family, form, std::move(name), combo ? u"Forms.ComboBox" : u"Forms.ListBox"), combo_(combo) {}

    HRESULT get_Text(Str* result) override {
        return rt::boundary(source_, [&] {
            if (combo_) *need(result) = editText_;
            else *need(result) = selected_ < 0 ? Str() : items_[size_t(selected_)];
        });
    }
    HRESULT put_Text(const Str& value) override {
        return rt::boundary(source_, [&] {
            selected_ = -1;
            for (size_t i = 0; i < items_.size() && selected_ < 0; ++i)
                if (items_[i] == value) selected_ = int32_t(i);
            if (combo_) editText_ = value;
        });
    }
    HRESULT get_ListCount(int32_t* result) override {
        return rt::boundary(source_, [&] { *need(result) = int32_t(items_.size()); });
    }
    HRESULT get_List(int32_t index, Str* result) override {
        return rt::boundary(source_, [&] { *need(result) = items_[itemIndex(index)]; });
    }
    HRESULT put_List(int32_t index, const Str& value) override {
        return rt::boundary(source_, [&] { items_[itemIndex(index)] = value; });
    }
    HRESULT AddItem(const Str& item, const rt::Variant& index) override {
        return rt::boundary(source_, [&] {
            const rt::Variant& at = index.deref();
            int64_t position = int64_t(items_.size());
            if (!at.isMissing()) position = rt::toI8(at);
            if (position < 0 || position > int64_t(items_.size()) || items_.size() >= size_t(INT32_MAX))
                rt::raise(rt::kErrInvalidCall);
            items_.insert(items_.begin() + position, item);
            if (selected_ >= position) ++selected_;
        });
    }
    HRESULT RemoveItem(int32_t index) override {
        return rt::boundary(source_, [&] {
            if (index < 0 || size_t(index) >= items_.size()) rt::raise(rt::kErrInvalidCall);
            items_.erase(items_.begin() + index);
            if (selected_ == index) selected_ = -1;
            else if (selected_ > index) --selected_;
        });
    }
    HRESULT Clear() override {
        items_.clear();
        selected_ = -1;
        editText_.clear();
        return rt::S_OK;
    }
    HRESULT get_ListIndex(int32_t* result) override {
        return rt::boundary(source_, [&] { *need(result) = selected_; });
    }
    HRESULT put_ListIndex(int32_t value) override {
        return rt::boundary(source_, [&] {
            if (value < -1 || value >= int32_t(items_.size())) rt::raise(kErrInvalidPropertyValue, u"Invalid property value");
            selected_ = value;
            if (combo_ && value >= 0) editText_ = items_[size_t(value)];
        });
    }

private:
    size_t itemIndex(int32_t index) const {
        if (index < 0 || size_t(index) >= items_.size())
            rt::raise(kErrInvalidArrayIndex, u"Invalid property array index");
        return size_t(index);
    }

    bool combo_;
    std::vector<Str> items_;
    int32_t selected_ = -1;
    Str editText_;
};

class CommandButton final : public ControlImpl<CommandButton, ICommandButton> {
public:
    CommandButton(Family& family, FormObject& form, Str name)
        : ControlImpl(family, form, name, u"Forms.CommandButton"), caption_(std::move(name)) {}

    HRESULT get_Caption(Str* result) override {
        return rt::boundary(source_, [&] { *need(result) = caption_; });
    }
    HRESULT put_Caption(const Str& value) override {
        return rt::boundary(source_, [&] { caption_ = value; });
    }

private:
    Str caption_;
};

}  // namespace

bool kindOf(rt::StrView progid, Kind* kind) {
    static const std::pair<const char*, Kind> kKinds[] = {
        {kProgidTextBox, Kind::TextBox},
        {kProgidListBox, Kind::ListBox},
        {kProgidComboBox, Kind::ComboBox},
        {kProgidCommandButton, Kind::CommandButton},
    };
    for (const auto& [name, k] : kKinds) {
        if (rt::equalsAsciiNoCase(rt::ascii(name), progid)) {
            *kind = k;
            return true;
        }
    }
    return false;
}

ControlCore* makeControl(Family& family, FormObject& form, Kind kind, Str name) {
    switch (kind) {
        case Kind::TextBox: return family.adopt<TextBox>(family, form, std::move(name));
        case Kind::ListBox: return family.adopt<ListControl>(family, form, std::move(name), false);
        case Kind::ComboBox: return family.adopt<ListControl>(family, form, std::move(name), true);
        case Kind::CommandButton: return family.adopt<CommandButton>(family, form, std::move(name));
    }
    rt::raise(rt::kErrInternal, u"unknown kind of control");
}

}  // namespace controls::detail
