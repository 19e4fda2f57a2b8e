// The member tables of the library's four interfaces: the one place that lists members,
// dispatch ids, parameters, optional marks and defaults. Dispatch, type information,
// registration and the host's listing are all read from here.
#include "dataaccess/ado.h"
#include "dom/dom.h"
#include "frame/interfaces.h"

namespace velmora {

using namespace rt::types;
using rt::getter;
using rt::InterfaceInfo;
using rt::method;
using rt::param;
using rt::setter;
using rt::sub;

namespace {
const rt::TypeSpec tConnection = iface<ado::_Connection>("Connection");
const rt::TypeSpec tRecordset = iface<ado::_Recordset>("Recordset");
const rt::TypeSpec tField = iface<ado::Field>("Field");
const rt::TypeSpec tDocument = iface<dom::IXMLDOMDocument>("DOMDocument");
const rt::TypeSpec tElement = iface<dom::IXMLDOMElement>("IXMLDOMElement");
const rt::TypeSpec tPool = iface<_CConPool>("CConPool");
// Enumerations travel as 32-bit integers.
const rt::TypeSpec tCursorType{rt::VT_I4, "CursorTypeEnum"};
const rt::TypeSpec tLockType{rt::VT_I4, "LockTypeEnum"};
const rt::TypeSpec tCompareMethod{rt::VT_I4, "VbCompareMethod"};

Variant i2(int16_t v) { return Variant(v); }
Variant i4(int32_t v) { return Variant(v); }
Variant boolean(bool v) { return Variant(v); }
Variant text(const char16_t* s) { return Variant(Str(s)); }
}  // namespace

const InterfaceInfo& _CConPool::info() {
    using I = _CConPool;
    static const InterfaceInfo table(
        "_CConPool", IID_,
        {
            method<&I::objDsn2Con>("objDsn2Con", 0x60030001, {param("vDsn", Variant_)}, tConnection),
            method<&I::GetConn>("GetConn", 0x60030002,
                                {param("vDsn", Variant_), param("objConTmp", tConnection),
                                 param("lWaitTime", Int32).opt(i4(20))},
                                Int16),
            sub<&I::ReleaseConn>("ReleaseConn", 0x60030003, {param("objCon", tConnection)}),
            sub<&I::ResetPool>("ResetPool", 0x60030005, {}),
            getter<&I::get_MaxCon>("MaxCon", 0x68030000, Int16),
            setter<&I::put_MaxCon>("MaxCon", 0x68030000, {param("value", Int16).byVal()}),
        });
    return table;
}

const InterfaceInfo& _CGlobal::info() {
    static const InterfaceInfo table("_CGlobal", IID_,
                                     {method<&_CGlobal::GetPoolInstance>("GetPoolInstance", 0x60030000, {}, tPool)});
    return table;
}

const InterfaceInfo& _CReset::info() {
    static const InterfaceInfo table("_CReset", IID_,
                                     {method<&_CReset::Transaction>("Transaction", 0x60030000, {}, Boolean)});
    return table;
}

const InterfaceInfo& _CCommonFunction::info() {
    using I = _CCommonFunction;
    static const InterfaceInfo table(
        "_CCommonFunction", IID_,
        {
            method<&I::objOpenDB>("objOpenDB", 0x60030000, {param("sConn", String)}, tConnection),
            method<&I::vInRecord2>("vInRecord2", 0x60030001,
                                   {param("sName", Variant_), param("vVal", Variant_), param("strSql", String),
                                    param("con", Variant_), param("strError", Variant_).opt()},
                                   Variant_),
            method<&I::vInRecord>("vInRecord", 0x60030002,
                                  {param("sql", Variant_), param("con", Variant_).opt(),
                                   param("lFlag", Int32).opt(i4(1)), param("cursortype", tCursorType).opt(i4(0)),
                                   param("locktype", tLockType).opt(i4(1)), param("line", Int32).opt()},
                                  Variant_),
            method<&I::sCheckField>("sCheckField", 0x60030003, {param("sVal", Variant_), param("fld", tField)},
                                    String),
            method<&I::GetElementVal>("GetElementVal", 0x60030004, {param("sName", String), param("node", tElement)},
                                      String),
            method<&I::GetAttributeVal>("GetAttributeVal", 0x60030005,
                                        {param("sName", String), param("node", tElement)}, String),
            method<&I::sRootTag>("sRootTag", 0x60030006, {param("doc", tDocument)}, String),
            method<&I::objSelectRootTag>("objSelectRootTag", 0x60030007, {param("doc", tDocument)}, tElement),
            method<&I::objMakeNode>("objMakeNode", 0x60030008,
                                    {param("nodeName", String).byVal(), param("attr", VariantArray)}, tElement),
            method<&I::objMakeNode2>("objMakeNode2", 0x60030009,
                                     {param("nodeName", String).byVal(), param("doc", tDocument),
                                      param("nodeText", Variant_), param("attr", VariantArray)},
                                     tElement),
            method<&I::objGenerateKaDom>("objGenerateKaDom", 0x6003000a, {param("attr", VariantArray)}, tDocument),
            method<&I::sCurrentPath>("sCurrentPath", 0x6003000b, {param("strPath", String).opt()}, String),
            method<&I::sCheckDateNull>("sCheckDateNull", 0x6003000c, {param("sDate", Variant_)}, String),
            method<&I::sCheckDate>("sCheckDate", 0x6003000d, {param("sDate", Variant_)}, String),
            method<&I::sCheckNull>("sCheckNull", 0x6003000e, {param("sParam", Variant_)}, String),
            method<&I::sCheckMoney>("sCheckMoney", 0x6003000f, {param("sMon", Variant_)}, String),
            method<&I::bCheckDate>("bCheckDate", 0x60030010, {param("sDate", String)}, Boolean),
            method<&I::iDateDiff>("iDateDiff", 0x60030011,
                                  {param("date1", Variant_), param("date2", Variant_),
                                   param("para", String).opt(text(u"d"))},
                                  Int32),
            method<&I::bContain>("bContain", 0x60030012, {param("str", String), param("ctrl", Object)}, Boolean),
            method<&I::iItemPos>("iItemPos", 0x60030013, {param("str", String), param("ctrl", Object)}, Int16),
            method<&I::iNodeCount>("iNodeCount", 0x60030014, {param("pa", tElement)}, Int16),
            sub<&I::LoadFromTemplate>("LoadFromTemplate", 0x60030015,
                                      {param("strTemplateName", String), param("objRtnDoc", Variant_),
                                       param("strFileName", String).opt(), param("bAsDom", Boolean).opt(boolean(true))}),
            method<&I::sMoneyFormat>("sMoneyFormat", 0x60030017,
                                     {param("vMny", Variant_), param("hasdot", Int16).opt(i2(1)),
                                      param("count", Int16).opt(i2(2)), param("mode", Int16).opt(i2(0))},
                                     String),
            sub<&I::SetCtrFocus>("SetCtrFocus", 0x60030018, {param("objCtrl", Object), param("objRef", Object).opt()}),
            sub<&I::SetCtrFocus2>("SetCtrFocus2", 0x60030019,
                                  {param("objCtrl", Object), param("objRef", Object).opt(),
                                   param("activeName", String).opt(text(u""))}),
            method<&I::strAdd>("strAdd", 0x6003001a,
                               {param("vFore", Variant_), param("vBack", Variant_),
                                param("bMode", Boolean).opt(boolean(true)), param("iDotCount", Int16).opt(i2(2))},
                               String),
            method<&I::iShowMsg>("iShowMsg", 0x6003001b,
                                 {param("strMsg", Variant_), param("iType", Int16).opt(i2(64)),
                                  param("strTitle", String).opt(text(u""))},
                                 Int16),
            method<&I::LittleToBig>("LittleToBig", 0x6003001c, {param("money", Variant_)}, String),
            method<&I::DealFocus>("DealFocus", 0x6003001d,
                                  {param("objEdit", Object), param("objRefBtn", Object), param("strActiveName", String),
                                   param("strHint", String).opt(text(u"")), param("strExclude", String).opt(text(u""))},
                                  Boolean),
            method<&I::iWidthForAll>("iWidthForAll", 0x6003001e,
                                     {param("strSum", Variant_), param("iWidth", Int16),
                                      param("strExclude", String).opt()},
                                     Int16),
            method<&I::bWriteLine>("bWriteLine", 0x6003001f,
                                   {param("strFileName", String), param("strContent", String),
                                    param("bOpenFlag", Boolean).opt(boolean(false))},
                                   Boolean),
            method<&I::LenEx>("LenEx", 0x60030020, {param("vData", Variant_)}, Int32),
            method<&I::LeftEx>("LeftEx", 0x60030021, {param("vData", Variant_), param("llen", Int32)}, String),
            method<&I::RightEx>("RightEx", 0x60030022, {param("vData", Variant_), param("llen", Int32)}, String),
            method<&I::MidEx>("MidEx", 0x60030023,
                              {param("vData", Variant_), param("lstart", Int32), param("llen", Int32)}, String),
            method<&I::InstrEx>("InstrEx", 0x60030024,
                                {param("istart", Int32), param("vData", Variant_), param("vfind", Variant_),
                                 param("compare", tCompareMethod).opt(i4(1))},
                                Int16),
            method<&I::iBitVal>("iBitVal", 0x60030025, {param("vVal", Variant_), param("lPos", Int32).opt(i4(1))},
                                Int16),
            method<&I::iFldType>("iFldType", 0x60030026, {param("objFld", tField)}, Int16),
            method<&I::strVal>("strVal", 0x60030027,
                               {param("vVal", Variant_), param("bNumFlag", Boolean).opt(boolean(false))}, Variant_),
            method<&I::Vround>("Vround", 0x60030028, {param("val1", Double), param("dec", Int16)}, Variant_),
            method<&I::bGetNextPart>("bGetNextPart", 0x60030029,
                                     {param("strAll", Variant_), param("strPart", Variant_).opt(),
                                      param("iPos", Int16).opt(i2(1)), param("strSeparator", String).opt(text(u","))},
                                     Boolean),
            method<&I::ComputerName>("ComputerName", 0x6003002a, {}, String),
            method<&I::objMakeNode3>("objMakeNode3", 0x6003002b,
                                     {param("strNodeName", String), param("TripleSet", VariantArray)}, tElement),
            method<&I::Doc2Rs>("Doc2Rs", 0x6003002c,
                               {param("objChild", tElement), param("cursortype", tCursorType).opt(i4(0)),
                                param("locktype", tLockType).opt(i4(3)), param("strRepel", String).opt(text(u""))},
                               tRecordset),
            method<&I::Rs2Doc>("Rs2Doc", 0x6003002d, {param("objRst", tRecordset)}, tDocument),
            method<&I::Sql2Doc>("Sql2Doc", 0x6003002e, {param("vDsn", Variant_), param("sql", String)}, tDocument),
            method<&I::strTrim>("strTrim", 0x6003002f,
                                {param("vData", Variant_), param("bLowerCase", Boolean).opt(boolean(true)),
                                 param("lTrimMode", Int32).opt(i4(2))},
                                String),
            method<&I::AddEmptyRow>("AddEmptyRow", 0x60030030, {param("objOut", tElement), param("objRst", tRecordset)},
                                    Boolean),
            method<&I::bColHasFld>("bColHasFld", 0x60030031, {param("objCol", Object), param("strFldName", String)},
                                   Boolean),
            sub<&I::SetAttr>("SetAttr", 0x60030033,
                             {param("vNodePath", Variant_), param("vAttrName", Variant_), param("vAttrVal", Variant_),
                              param("objDom", tElement).opt()}),
            method<&I::GetAttr>("GetAttr", 0x60030034,
                                {param("vNodePath", Variant_), param("vAttrName", Variant_),
                                 param("objDom", tElement).opt()},
                                String),
            sub<&I::SetRsAttribute>("SetRsAttribute", 0x60030035,
                                    {param("objIn", tElement), param("NameValuePair", VariantArray)}),
            method<&I::GetNodeText>("GetNodeText", 0x60030036,
                                    {param("vNodePath", Variant_), param("objDom", tElement).opt()}, String),
            sub<&I::SetNodeText>("SetNodeText", 0x60030037,
                                 {param("vNodePath", Variant_), param("vAttrVal", Variant_),
                                  param("objDom", tElement).opt()}),
            method<&I::IsFldEmpty>("IsFldEmpty", 0x60030038,
                                   {param("objRst", tRecordset), param("strFldName", String),
                                    param("bZeroAsEmpty", Boolean).opt(boolean(true))},
                                   Boolean),
        });
    return table;
}

}  // namespace velmora
