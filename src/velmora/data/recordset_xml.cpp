// Record set and XML conversion: record sets to persisted row documents and back.
#include "dataaccess/ado.h"
#include "dom/dom.h"
#include "frame/binding.h"
#include "frame/classes.h"

namespace velmora::data {

using Element = dom::IXMLDOMElement;

rt::ComPtr<ado::_Recordset> Doc2Rs(rt::ComPtr<Element>&, int32_t, int32_t, const rt::Str&) {
    notImplemented("CCommonFunction.Doc2Rs");
}

rt::ComPtr<dom::IXMLDOMDocument> Rs2Doc(ado::_Recordset*) { notImplemented("CCommonFunction.Rs2Doc"); }

rt::ComPtr<dom::IXMLDOMDocument> Sql2Doc(rt::Variant&, const rt::Str&) { notImplemented("CCommonFunction.Sql2Doc"); }

bool AddEmptyRow(Element*, ado::_Recordset*) { notImplemented("CCommonFunction.AddEmptyRow"); }

void SetRsAttribute(Element*, const rt::Array&) { notImplemented("CCommonFunction.SetRsAttribute"); }

}  // namespace velmora::data

namespace velmora {

HRESULT CCommonFunction::Doc2Rs(Element** objChild, int32_t* cursortype, int32_t* locktype, Str* strRepel,
                                Recordset** result) {
    return bind<&_CCommonFunction::Doc2Rs>(&data::Doc2Rs, objChild, cursortype, locktype, strRepel, result);
}

HRESULT CCommonFunction::Rs2Doc(Recordset** objRst, Document** result) {
    return bind<&_CCommonFunction::Rs2Doc>(&data::Rs2Doc, objRst, result);
}

HRESULT CCommonFunction::Sql2Doc(Variant* vDsn, Str* sql, Document** result) {
    return bind<&_CCommonFunction::Sql2Doc>(&data::Sql2Doc, vDsn, sql, result);
}

HRESULT CCommonFunction::AddEmptyRow(Element** objOut, Recordset** objRst, VARIANT_BOOL* result) {
    return bind<&_CCommonFunction::AddEmptyRow>(&data::AddEmptyRow, objOut, objRst, result);
}

HRESULT CCommonFunction::SetRsAttribute(Element** objIn, Array* NameValuePair) {
    return bind<&_CCommonFunction::SetRsAttribute>(&data::SetRsAttribute, objIn, NameValuePair);
}

}  // namespace velmora
