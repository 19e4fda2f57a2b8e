// The library's public surface: its four dual interfaces, class ids and interface ids.
//
// Early-bound: every member returns a status and delivers its result through a final
// output argument. Arguments are by reference unless the member table marks them by value.
// The member tables (tables.cpp) give the dispatch ids, optional marks and defaults.
#pragma once

#include "runtime/com.h"
#include "runtime/dispatch.h"

namespace ado {
struct _Connection;
struct _Recordset;
struct Field;
}  // namespace ado
namespace dom {
struct IXMLDOMDocument;
struct IXMLDOMElement;
}  // namespace dom

namespace velmora {

using rt::Array;
using rt::HRESULT;
using rt::IDispatch;
using rt::Str;
using rt::Variant;
using rt::VARIANT_BOOL;

inline constexpr rt::GUID kLibId = rt::guid("{34C2A9B4-2816-407F-B800-321AD9580557}");
inline constexpr rt::CLSID kClsidCConPool = rt::guid("{D616CF25-DDCB-4BA4-AEF1-3932C2EAE311}");
inline constexpr rt::CLSID kClsidCGlobal = rt::guid("{3D326DED-3AED-47E8-8D70-ADAD4E879767}");
inline constexpr rt::CLSID kClsidCCommonFunction = rt::guid("{360368EA-6C86-4148-AC64-E4345EF03619}");
inline constexpr rt::CLSID kClsidCReset = rt::guid("{EB55FFE3-28D4-45C6-ADAF-E4EF090E5AE8}");

struct _CConPool : IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{0A367FD5-FF6E-4764-9738-B5459882E190}");
    using Base = IDispatch;
    static const rt::InterfaceInfo& info();

    virtual HRESULT objDsn2Con(Variant* vDsn, ado::_Connection** result) = 0;
    virtual HRESULT GetConn(Variant* vDsn, ado::_Connection** objConTmp, int32_t* lWaitTime, int16_t* result) = 0;
    virtual HRESULT ReleaseConn(ado::_Connection** objCon) = 0;
    virtual HRESULT ResetPool() = 0;
    virtual HRESULT get_MaxCon(int16_t* result) = 0;
    virtual HRESULT put_MaxCon(int16_t value) = 0;
};

struct _CGlobal : IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{07322EE8-ECBD-4D51-8A31-2E7901DF65D4}");
    using Base = IDispatch;
    static const rt::InterfaceInfo& info();

    virtual HRESULT GetPoolInstance(_CConPool** result) = 0;
};

struct _CReset : IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{5A593A0B-F680-4D32-A137-B21452217374}");
    using Base = IDispatch;
    static const rt::InterfaceInfo& info();

    virtual HRESULT Transaction(VARIANT_BOOL* result) = 0;
};

// The members of _CCommonFunction in interface order, with their early-bound signatures.
#define VELMORA_CCOMMONFUNCTION_MEMBERS(X) \
    X(objOpenDB, (Str* sConn, Connection** result)) \
    X(vInRecord2, (Variant* sName, Variant* vVal, Str* strSql, Variant* con, Variant* strError, Variant* result)) \
    X(vInRecord, (Variant* sql, Variant* con, int32_t* lFlag, int32_t* cursortype, int32_t* locktype, int32_t* line, Variant* result)) \
    X(sCheckField, (Variant* sVal, Field** fld, Str* result)) \
    X(GetElementVal, (Str* sName, Element** node, Str* result)) \
    X(GetAttributeVal, (Str* sName, Element** node, Str* result)) \
    X(sRootTag, (Document** doc, Str* result)) \
    X(objSelectRootTag, (Document** doc, Element** result)) \
    X(objMakeNode, (const Str& nodeName, Array* attr, Element** result)) \
    X(objMakeNode2, (const Str& nodeName, Document** doc, Variant* nodeText, Array* attr, Element** result)) \
    X(objGenerateKaDom, (Array* attr, Document** result)) \
    X(sCurrentPath, (Str* strPath, Str* result)) \
    X(sCheckDateNull, (Variant* sDate, Str* result)) \
    X(sCheckDate, (Variant* sDate, Str* result)) \
    X(sCheckNull, (Variant* sParam, Str* result)) \
    X(sCheckMoney, (Variant* sMon, Str* result)) \
    X(bCheckDate, (Str* sDate, VARIANT_BOOL* result)) \
    X(iDateDiff, (Variant* date1, Variant* date2, Str* para, int32_t* result)) \
    X(bContain, (Str* str, IDispatch** ctrl, VARIANT_BOOL* result)) \
    X(iItemPos, (Str* str, IDispatch** ctrl, int16_t* result)) \
    X(iNodeCount, (Element** pa, int16_t* result)) \
    X(LoadFromTemplate, (Str* strTemplateName, Variant* objRtnDoc, Str* strFileName, VARIANT_BOOL* bAsDom)) \
    X(sMoneyFormat, (Variant* vMny, int16_t* hasdot, int16_t* count, int16_t* mode, Str* result)) \
    X(SetCtrFocus, (IDispatch** objCtrl, IDispatch** objRef)) \
    X(SetCtrFocus2, (IDispatch** objCtrl, IDispatch** objRef, Str* activeName)) \
    X(strAdd, (Variant* vFore, Variant* vBack, VARIANT_BOOL* bMode, int16_t* iDotCount, Str* result)) \
    X(iShowMsg, (Variant* strMsg, int16_t* iType, Str* strTitle, int16_t* result)) \
    X(LittleToBig, (Variant* money, Str* result)) \
    X(DealFocus, (IDispatch** objEdit, IDispatch** objRefBtn, Str* strActiveName, Str* strHint, Str* strExclude, VARIANT_BOOL* result)) \
    X(iWidthForAll, (Variant* strSum, int16_t* iWidth, Str* strExclude, int16_t* result)) \
    X(bWriteLine, (Str* strFileName, Str* strContent, VARIANT_BOOL* bOpenFlag, VARIANT_BOOL* result)) \
    X(LenEx, (Variant* vData, int32_t* result)) \
    X(LeftEx, (Variant* vData, int32_t* llen, Str* result)) \
    X(RightEx, (Variant* vData, int32_t* llen, Str* result)) \
    X(MidEx, (Variant* vData, int32_t* lstart, int32_t* llen, Str* result)) \
    X(InstrEx, (int32_t* istart, Variant* vData, Variant* vfind, int32_t* compare, int16_t* result)) \
    X(iBitVal, (Variant* vVal, int32_t* lPos, int16_t* result)) \
    X(iFldType, (Field** objFld, int16_t* result)) \
    X(strVal, (Variant* vVal, VARIANT_BOOL* bNumFlag, Variant* result)) \
    X(Vround, (double* val1, int16_t* dec, Variant* result)) \
    X(bGetNextPart, (Variant* strAll, Variant* strPart, int16_t* iPos, Str* strSeparator, VARIANT_BOOL* result)) \
    X(ComputerName, (Str* result)) \
    X(objMakeNode3, (Str* strNodeName, Array* TripleSet, Element** result)) \
    X(Doc2Rs, (Element** objChild, int32_t* cursortype, int32_t* locktype, Str* strRepel, Recordset** result)) \
    X(Rs2Doc, (Recordset** objRst, Document** result)) \
    X(Sql2Doc, (Variant* vDsn, Str* sql, Document** result)) \
    X(strTrim, (Variant* vData, VARIANT_BOOL* bLowerCase, int32_t* lTrimMode, Str* result)) \
    X(AddEmptyRow, (Element** objOut, Recordset** objRst, VARIANT_BOOL* result)) \
    X(bColHasFld, (IDispatch** objCol, Str* strFldName, VARIANT_BOOL* result)) \
    X(SetAttr, (Variant* vNodePath, Variant* vAttrName, Variant* vAttrVal, Element** objDom)) \
    X(GetAttr, (Variant* vNodePath, Variant* vAttrName, Element** objDom, Str* result)) \
    X(SetRsAttribute, (Element** objIn, Array* NameValuePair)) \
    X(GetNodeText, (Variant* vNodePath, Element** objDom, Str* result)) \
    X(SetNodeText, (Variant* vNodePath, Variant* vAttrVal, Element** objDom)) \
    X(IsFldEmpty, (Recordset** objRst, Str* strFldName, VARIANT_BOOL* bZeroAsEmpty, VARIANT_BOOL* result))

#define VELMORA_PURE_MEMBER(name, sig) virtual HRESULT name sig = 0;
#define VELMORA_OVERRIDE_MEMBER(name, sig) HRESULT name sig override;

struct _CCommonFunction : IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{2A3F1F1D-35D9-456B-A91F-39E4CE551186}");
    using Base = IDispatch;
    static const rt::InterfaceInfo& info();

    using Connection = ado::_Connection;
    using Recordset = ado::_Recordset;
    using Field = ado::Field;
    using Document = dom::IXMLDOMDocument;
    using Element = dom::IXMLDOMElement;

    VELMORA_CCOMMONFUNCTION_MEMBERS(VELMORA_PURE_MEMBER)
};

}  // namespace velmora
