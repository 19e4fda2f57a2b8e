// Field helpers: SQL text of a value for a field, field types, field lookup and emptiness.
#include "data/fields.h"

#include "frame/binding.h"
#include "frame/classes.h"
#include "frame/text_service.h"
#include "runtime/call.h"
#include "runtime/convert.h"
#include "text/strings.h"

namespace velmora::data {

using rt::Str;
using rt::Variant;

namespace {

// The message key of "a null for a field that does not accept null".
constexpr const char16_t* kNullNotAllowedKey = u"Ostrel.FM.Velmora.00001";

bool isQuotedType(int32_t type) {
    switch (type) {
        case ado::adDate:
        case ado::adBSTR:
        case ado::adWChar:
        case ado::adDBDate:
        case ado::adDBTime:
        case ado::adDBTimeStamp:
        case ado::adVarChar:
        case ado::adLongVarChar:
        case ado::adVarWChar:
        case ado::adLongVarBinary:
            return true;
        default:
            return false;  // char (129) among them: written bare, like a number
    }
}

// "'" + text + "'", each apostrophe inside doubled so that the literal stays one literal.
Str quotedLiteral(const Str& text) {
    Str out;
    out.reserve(text.size() + 2);
    out += u'\'';
    for (char16_t c : text) {
        out += c;
        if (c == u'\'') out += u'\'';
    }
    out += u'\'';
    return out;
}

rt::ComPtr<ado::Field> fieldNamed(ado::_Recordset* rs, const Str& name) {
    rt::ComPtr<ado::Fields> fields = rt::call(rs, &ado::_Recordset::get_Fields);
    return rt::call(fields.get(), &ado::Fields::get_Item, Variant(name));
}

// The type class of a field type code: 1 floating and fixed decimal, 2 integer (and
// single), 3 date and time, 4 boolean, 5 text (and long varbinary), 6 anything else.
int16_t typeClassOf(int32_t type) {
    switch (type) {
        case ado::adDouble:
        case ado::adCurrency:
        case ado::adDecimal:
        case ado::adNumeric:
            return 1;
        case ado::adSmallInt:
        case ado::adInteger:
        case ado::adSingle:
        case ado::adTinyInt:
        case ado::adUnsignedTinyInt:
        case ado::adUnsignedSmallInt:
        case ado::adUnsignedInt:
        case ado::adBigInt:
        case ado::adUnsignedBigInt:
            return 2;
        case ado::adDate:
        case ado::adDBDate:
        case ado::adDBTime:
        case ado::adDBTimeStamp:
            return 3;
        case ado::adBoolean:
            return 4;
        case ado::adBSTR:
        case ado::adChar:
        case ado::adWChar:
        case ado::adVarChar:
        case ado::adLongVarChar:
        case ado::adVarWChar:
        case ado::adLongVarBinary:
            return 5;
        default:
            return 6;
    }
}

}  // namespace

Str sCheckField(Variant& sVal, ado::Field* fld) {
    const int32_t attributes = rt::call(fld, &ado::Field::get_Attributes);
    const bool nullable = (attributes & ado::adFldIsNullable) != 0;
    if (sVal.deref().isNull()) {
        if (nullable) return u"null";
        throw rt::Error::number(1, sGetText(kNullNotAllowedKey));
    }
    Str text(rt::trimSpaces(rt::toText(sVal)));
    sVal = Variant(text);
    if (text.empty() && nullable) return u"null";
    if (isQuotedType(rt::call(fld, &ado::Field::get_Type))) return quotedLiteral(text);
    return text;
}

int16_t iFldType(ado::Field* objFld) { return typeClassOf(rt::call(objFld, &ado::Field::get_Type)); }

bool bColHasFld(rt::IDispatch* objCol, const Str& strFldName) {
    if (!objCol) rt::raise(rt::kErrObjectNotSet);
    // The default member with the name (a record set's reaches Fields.Item), then its Value.
    Variant item = rt::invokeId(objCol, rt::DISPID_VALUE, rt::DISPATCH_METHOD | rt::DISPATCH_PROPERTYGET,
                                {Variant(strFldName)});
    rt::getProperty(rt::toObject(item).get(), u"Value");
    return true;
}

bool IsFldEmpty(ado::_Recordset* objRst, const Str& strFldName, bool bZeroAsEmpty) {
    if (!objRst) rt::raise(rt::kErrObjectNotSet);
    rt::ComPtr<ado::Field> field = fieldNamed(objRst, strFldName);
    const int16_t typeClass = iFldType(field.get());
    Variant value = rt::call(field.get(), &ado::Field::get_Value);
    if (bZeroAsEmpty && typeClass < 3) return rt::toDecimal(text::strVal(value, true)).isZero();
    const Variant normalised = text::strVal(value, false);
    return normalised.isString() && normalised.str().empty();
}

}  // namespace velmora::data

namespace velmora {

HRESULT CCommonFunction::sCheckField(Variant* sVal, Field** fld, Str* result) {
    return bind<&_CCommonFunction::sCheckField>(&data::sCheckField, sVal, fld, result);
}

HRESULT CCommonFunction::iFldType(Field** objFld, int16_t* result) {
    return bind<&_CCommonFunction::iFldType>(&data::iFldType, objFld, result);
}

HRESULT CCommonFunction::bColHasFld(IDispatch** objCol, Str* strFldName, VARIANT_BOOL* result) {
    return bind<&_CCommonFunction::bColHasFld>(&data::bColHasFld, objCol, strFldName, result);
}

HRESULT CCommonFunction::IsFldEmpty(Recordset** objRst, Str* strFldName, VARIANT_BOOL* bZeroAsEmpty,
                                    VARIANT_BOOL* result) {
    return bind<&_CCommonFunction::IsFldEmpty>(&data::IsFldEmpty, objRst, strFldName, bZeroAsEmpty, result);
}

}  // namespace velmora
