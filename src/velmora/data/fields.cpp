// Field helpers: SQL text of a value for a field, field types, field lookup and emptiness.
#include "dataaccess/ado.h"
#include "frame/binding.h"
#include "frame/classes.h"

namespace velmora::data {

rt::Str sCheckField(rt::Variant&, ado::Field*) { notImplemented("CCommonFunction.sCheckField"); }

int16_t iFldType(ado::Field*) { notImplemented("CCommonFunction.iFldType"); }

bool bColHasFld(rt::IDispatch*, const rt::Str&) { notImplemented("CCommonFunction.bColHasFld"); }

bool IsFldEmpty(ado::_Recordset*, const rt::Str&, bool) { notImplemented("CCommonFunction.IsFldEmpty"); }

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
