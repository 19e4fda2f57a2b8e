// Enumeration of collections: the `_NewEnum` member (dispatch id -4) that a collection's
// table lists, and the enumerator object it returns.
#pragma once

#include <vector>

#include "dispatch.h"

namespace rt {

// An enumerator over a snapshot of a collection's items, taken when `_NewEnum` was called:
// later changes of the collection do not move it. Late-bound callers (scripts, the host)
// loop with Next until it returns an empty array.
struct IEnumItems : IDispatch {
    static constexpr IID IID_ = guid("{6B1E2C7A-43D8-4F0B-9E51-2C7D0A8F3B64}");
    using Base = IDispatch;
    static const InterfaceInfo& info();

    // *items: an array (lower bound 0) of the next count items, fewer at the end, none past
    // it; E_INVALIDARG (error 5) for a negative count.
    virtual HRESULT Next(int32_t count, Variant* items) = 0;
    // Passes over count items; *all: whether there were that many (false at the end).
    virtual HRESULT Skip(int32_t count, VARIANT_BOOL* all) = 0;
    // Back to the first item.
    virtual HRESULT Reset() = 0;
    // *copy: a new enumerator (owned by the caller) at the same place over the same items.
    virtual HRESULT Clone(IEnumItems** copy) = 0;

protected:
    ~IEnumItems() = default;
};

// A new enumerator (owned by the caller) over items, at the first.
ComPtr<IEnumItems> makeEnumerator(std::vector<Variant> items);

// The items of a collection read late-bound: "Count" (or "length") items, each by "Item"
// (or "item") with its 0-based position. Throws the collection's error.
std::vector<Variant> collectionItems(IDispatch* collection);

namespace enum_detail {
HRESULT newEnumOf(IDispatch* collection, Variant* result) noexcept;
template <class I>
HRESULT newEnumThunk(void* self, Variant* const*, Variant* result, VarType) {
    return newEnumOf(static_cast<I*>(self), result);
}
MemberSpec newEnumRow(Thunk thunk);
}  // namespace enum_detail

// The `_NewEnum` row of the table of collection interface I (whose table has Count or
// length, and Item or item by 0-based position): a property get with dispatch id -4 that
// returns an enumerator (IEnumItems) over the items as they are at the call.
template <class I>
MemberSpec newEnumMember() {
    return enum_detail::newEnumRow(&enum_detail::newEnumThunk<I>);
}

}  // namespace rt
