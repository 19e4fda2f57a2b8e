// The Fields collection and Field objects of a record set: views of its columns that read
// and write through the record set (its current row, its edit buffer).
#include "recordset_internal.h"
#include "runtime/convert.h"

namespace ado {

namespace recordset {

// A field by position (0-based) or name without regard to case, among the listed fields.
size_t resolveField(const RowsetData& data, const rt::Variant& index) {
    const rt::Variant& v = index.deref();
    const std::vector<size_t>& visible = data.visibleFields();
    if (v.isString()) {
        for (size_t i : visible)
            if (rt::equalsNoCase(data.fields[i].name, v.str())) return i;
    } else if (v.isNumberType() || v.type() == rt::VT_BOOL) {
        int64_t n = -1;
        try {
            n = rt::toI8(v);
        } catch (const rt::Error&) {
        }
        if (n >= 0 && n < int64_t(visible.size())) return visible[size_t(n)];
    }
    raiseAdo(adErrItemNotFound,
             u"Item cannot be found in the collection corresponding to the requested name or ordinal.");
}

}  // namespace recordset

using namespace recordset;

rt::HRESULT FieldsObject::get_Count(int32_t* count) {
    return boundary(u"Fields", [&] { *rt::need(count) = int32_t(rs_->data()->visibleFields().size()); });
}

rt::HRESULT FieldsObject::get_Item(const rt::Variant& index, Field** field) {
    return boundary(u"Fields", [&] {
        rt::need(field);
        const std::shared_ptr<RowsetData>& data = rs_->data();
        auto f = rt::makeObject<FieldObject>(rs_, data, resolveField(*data, index));
        rt::assignOut(field, rt::ComPtr<Field>(f.get()));
    });
}

rt::HRESULT FieldsObject::Refresh() {
    return boundary(u"Fields", [] {});
}

const FieldInfo& FieldObject::info() const {
    if (rs_->data() != data_) raiseAdo(adErrObjectClosed, u"Operation is not allowed when the object is closed.");
    return data_->fields[index_];
}

rt::HRESULT FieldObject::get_ActualSize(int32_t* size) {
    return boundary(u"Field", [&] {
        rt::need(size);
        const FieldInfo& f = info();
        const rt::Variant v = rs_->value(index_);
        if (v.isNull())
            *size = 0;
        else if (v.isString())
            *size = int32_t(v.str().size());
        else if (v.isArray())
            *size = int32_t(v.array().size());
        else
            *size = f.definedSize;
    });
}

rt::HRESULT FieldObject::get_Attributes(int32_t* attributes) {
    return boundary(u"Field", [&] { *rt::need(attributes) = info().attributes(rs_->lockAllowsWrites()); });
}

rt::HRESULT FieldObject::get_DefinedSize(int32_t* size) {
    return boundary(u"Field", [&] { *rt::need(size) = info().definedSize; });
}

rt::HRESULT FieldObject::get_Name(rt::Str* name) {
    return boundary(u"Field", [&] { *rt::need(name) = info().name; });
}

rt::HRESULT FieldObject::get_Type(int32_t* type) {
    return boundary(u"Field", [&] { *rt::need(type) = info().type; });
}

rt::HRESULT FieldObject::get_Value(rt::Variant* value) {
    return boundary(u"Field", [&] {
        rt::need(value);
        info();
        *value = rs_->value(index_);
    });
}

rt::HRESULT FieldObject::put_Value(const rt::Variant& value) {
    return boundary(u"Field", [&] {
        info();
        rs_->setValue(index_, value);
    });
}

rt::HRESULT FieldObject::get_Precision(int16_t* precision) {
    return boundary(u"Field", [&] { *rt::need(precision) = info().precision; });
}

rt::HRESULT FieldObject::get_NumericScale(int16_t* scale) {
    return boundary(u"Field", [&] { *rt::need(scale) = info().scale; });
}

rt::HRESULT FieldObject::get_OriginalValue(rt::Variant* value) {
    return boundary(u"Field", [&] {
        rt::need(value);
        info();
        *value = rs_->originalValue(index_);
    });
}

rt::HRESULT FieldObject::get_UnderlyingValue(rt::Variant* value) {
    return boundary(u"Field", [&] {
        rt::need(value);
        info();
        *value = rs_->underlyingValue(index_);
    });
}

}  // namespace ado
