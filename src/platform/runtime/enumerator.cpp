#include "enumerator.h"

#include <algorithm>

#include "error.h"
#include "object.h"

namespace rt {

namespace {

constexpr const char16_t* kSource = u"IEnumItems";
constexpr TypeSpec kEnumItems = types::iface<IEnumItems>("IEnumItems");

class Enumerator final : public DispatchObject<Enumerator, IEnumItems> {
public:
    Enumerator(std::shared_ptr<const std::vector<Variant>> items, size_t next) : items_(std::move(items)), next_(next) {}

    HRESULT Next(int32_t count, Variant* items) override {
        return boundary(kSource, [&] {
            need(items);
            if (count < 0) raise(kErrInvalidCall);
            const size_t take = std::min(size_t(count), items_->size() - next_);
            std::vector<Variant> batch(items_->begin() + long(next_), items_->begin() + long(next_ + take));
            next_ += take;
            *items = Variant(Array(0, std::move(batch)));
        });
    }
    HRESULT Skip(int32_t count, VARIANT_BOOL* all) override {
        return boundary(kSource, [&] {
            need(all);
            if (count < 0) raise(kErrInvalidCall);
            const size_t left = items_->size() - next_;
            *all = size_t(count) <= left ? VARIANT_TRUE : VARIANT_FALSE;
            next_ += std::min(size_t(count), left);
        });
    }
    HRESULT Reset() override {
        return boundary(kSource, [&] { next_ = 0; });
    }
    HRESULT Clone(IEnumItems** copy) override {
        return boundary(kSource, [&] { assignOut(need(copy), makeObject<Enumerator>(items_, next_)->self()); });
    }

private:
    std::shared_ptr<const std::vector<Variant>> items_;  // shared by clones: never changed
    size_t next_;
};

// The dispatch id of the first of names that table has; DISPID_UNKNOWN when none.
DISPID firstMember(const InterfaceInfo& table, std::initializer_list<const char16_t*> names) {
    for (const char16_t* n : names)
        if (DISPID id = table.idOfName(n); id != DISPID_UNKNOWN) return id;
    return DISPID_UNKNOWN;
}

}  // namespace

const InterfaceInfo& IEnumItems::info() {
    using namespace types;
    using I = IEnumItems;
    static const InterfaceInfo table(
        "IEnumItems", IID_,
        {
            method<&I::Next, Variant_>("Next", 1,
                "An array of the next Count items (fewer at the end, none after it); error 5 for a negative count.",
                arg<Int32>("Count").byVal()),
            method<&I::Skip, Boolean>("Skip", 2,
                "Passes over Count items; False when fewer were left (the enumerator is then at the end).",
                arg<Int32>("Count").byVal()),
            sub<&I::Reset>("Reset", 3, "Back to the first item."),
            method<&I::Clone, kEnumItems>("Clone", 4, "A new enumerator at the same place over the same items."),
        },
        nullptr,
        "The items of a collection as they were when its _NewEnum (dispatch id -4) was read, one batch at a time.");
    return table;
}

ComPtr<IEnumItems> makeEnumerator(std::vector<Variant> items) {
    return makeObject<Enumerator>(std::make_shared<const std::vector<Variant>>(std::move(items)), 0)->self();
}

std::vector<Variant> collectionItems(IDispatch* collection) {
    if (!collection) raise(kErrObjectNotSet);
    ComPtr<ITypeInfo> type;
    const InterfaceInfo* table = nullptr;
    if (failed(collection->GetTypeInfo(0, 0, type.put())) || !type || failed(type->GetInterfaceInfo(&table)) || !table)
        raise(kErrNoSuchMember);
    const DISPID countId = firstMember(*table, {u"Count", u"length"});
    const DISPID itemId = firstMember(*table, {u"Item", u"item"});
    if (countId == DISPID_UNKNOWN || itemId == DISPID_UNKNOWN) raise(kErrNoSuchMember);
    const Variant count = invokeId(collection, countId, DISPATCH_PROPERTYGET);
    const int32_t n = count.type() == VT_I4 ? count.i4() : int32_t(count.type() == VT_I2 ? count.i2() : 0);
    std::vector<Variant> items;
    items.reserve(size_t(std::max(n, 0)));
    for (int32_t i = 0; i < n; ++i)
        items.push_back(invokeId(collection, itemId, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {Variant(i)}));
    return items;
}

namespace enum_detail {

HRESULT newEnumOf(IDispatch* collection, Variant* result) noexcept {
    return boundary(u"_NewEnum", [&] {
        ComPtr<IEnumItems> e = makeEnumerator(collectionItems(collection));
        *need(result) = Variant(e);
    });
}

MemberSpec newEnumRow(Thunk thunk) {
    MemberSpec m;
    m.name = "_NewEnum";
    m.id = DISPID_NEWENUM;
    m.kind = MemberKind::Get;
    m.result = kEnumItems;
    m.thunk = thunk;
    m.help = "An enumerator (IEnumItems) over the items as they are now, for For Each and other loops.";
    return m;
}

}  // namespace enum_detail

}  // namespace rt
