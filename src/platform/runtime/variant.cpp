#include "variant.h"

#include "error.h"

namespace rt {

Array::Array(int32_t lbound, std::vector<Variant> items)
    : dimensioned_(true), lbound_(lbound), items_(std::move(items)) {}

Array Array::ofSize(int32_t lbound, size_t count) { return Array(lbound, std::vector<Variant>(count)); }

int32_t Array::lbound() const {
    if (!dimensioned_) raise(kErrSubscript);
    return lbound_;
}

int32_t Array::ubound() const {
    if (!dimensioned_) raise(kErrSubscript);
    const int64_t ub = int64_t(lbound_) + int64_t(items_.size()) - 1;
    if (ub > INT32_MAX) raise(kErrOverflow);
    return int32_t(ub);
}

Variant& Array::at(int32_t index) {
    return const_cast<Variant&>(static_cast<const Array&>(*this).at(index));
}

const Variant& Array::at(int32_t index) const {
    const int64_t offset = int64_t(index) - int64_t(lbound_);
    if (!dimensioned_ || offset < 0 || offset >= int64_t(items_.size())) raise(kErrSubscript);
    return items_[size_t(offset)];
}

Variant::Variant(const Variant& o) : vt_(o.vt_) {
    std::visit(
        [this](const auto& value) {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::unique_ptr<Array>>)
                data_ = value ? std::make_unique<Array>(*value) : nullptr;
            else
                data_ = value;
        },
        o.data_);
}

Variant& Variant::operator=(const Variant& o) {
    // Copy first: o may live inside this variant's own array.
    if (this != &o) *this = Variant(o);
    return *this;
}

bool Variant::isNumberType() const {
    switch (deref().type()) {
        case VT_I2:
        case VT_I4:
        case VT_R4:
        case VT_R8:
        case VT_CY:
        case VT_DECIMAL:
        case VT_I1:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_I8:
        case VT_UI8:
            return true;
        default:
            return false;
    }
}

}  // namespace rt
