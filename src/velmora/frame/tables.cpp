// The member tables of the library's four interfaces: the one place that lists members,
// dispatch ids, parameters, optional marks, defaults and help. Dispatch, type information,
// registration, the host's listing and docs/reference.md are all read from here. Each row
// is checked against its member's C++ signature when this file is compiled.
#include "dataaccess/ado.h"
#include "dom/dom.h"
#include "frame/binding.h"
#include "frame/interfaces.h"

namespace velmora {

using namespace rt::types;
using rt::arg;
using rt::InterfaceInfo;

namespace {
constexpr rt::TypeSpec tConnection = iface<ado::_Connection>("Connection");
constexpr rt::TypeSpec tRecordset = iface<ado::_Recordset>("Recordset");
constexpr rt::TypeSpec tField = iface<ado::Field>("Field");
constexpr rt::TypeSpec tDocument = iface<dom::IXMLDOMDocument>("DOMDocument");
constexpr rt::TypeSpec tElement = iface<dom::IXMLDOMElement>("IXMLDOMElement");
constexpr rt::TypeSpec tPool = iface<_CConPool>("CConPool");
// Enumerations travel as 32-bit integers.
constexpr rt::TypeSpec tCursorType{rt::VT_I4, "CursorTypeEnum"};
constexpr rt::TypeSpec tLockType{rt::VT_I4, "LockTypeEnum"};
constexpr rt::TypeSpec tCompareMethod{rt::VT_I4, "VbCompareMethod"};

// The library's rows: the runtime's rows, each help line followed by the member's guard
// from the guard table (frame/binding.h).
template <auto M>
rt::MemberSpec withGuard(rt::MemberSpec row) {
    row.help += std::string(" Guard: ") + guardName(kGuardOf<M>) + ".";
    return row;
}
template <auto M, const rt::TypeSpec& R, class... P>
rt::MemberSpec methodRow(const char* name, rt::DISPID id, const char* help, P... params) {
    return withGuard<M>(rt::method<M, R>(name, id, help, std::move(params)...));
}
template <auto M, class... P>
rt::MemberSpec subRow(const char* name, rt::DISPID id, const char* help, P... params) {
    return withGuard<M>(rt::sub<M>(name, id, help, std::move(params)...));
}
template <auto M, const rt::TypeSpec& R>
rt::MemberSpec getterRow(const char* name, rt::DISPID id, const char* help) {
    return withGuard<M>(rt::getter<M, R>(name, id, help));
}
template <auto M, class... P>
rt::MemberSpec setterRow(const char* name, rt::DISPID id, const char* help, P... params) {
    return withGuard<M>(rt::setter<M>(name, id, help, std::move(params)...));
}

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
            methodRow<&I::objDsn2Con, tConnection>("objDsn2Con", 0x60030001, "Lends a connection for vDsn through GetConn with a wait of 20 seconds; nothing when none was obtained.", arg<Variant_>("vDsn")),
            methodRow<&I::GetConn, Int16>("GetConn", 0x60030002, "Lends an idle connection of vDsn's pool key into objConTmp, or opens a new one while the pool is not full, waiting up to lWaitTime seconds once when it is; 1 when a connection was lent.", arg<Variant_>("vDsn"), arg<tConnection>("objConTmp"), arg<Int32>("lWaitTime").opt(i4(20))),
            subRow<&I::ReleaseConn>("ReleaseConn", 0x60030003, "Takes objCon back into the pool as idle under a fresh key and empties the caller's variable.", arg<tConnection>("objCon")),
            subRow<&I::ResetPool>("ResetPool", 0x60030005, "Drops every idle connection and the connection map; connections on loan may still be returned."),
            getterRow<&I::get_MaxCon, Int16>("MaxCon", 0x68030000, "The limit of idle connections the pool keeps (the template's maxcon, halved to an even number; 5 by default)."),
            setterRow<&I::put_MaxCon>("MaxCon", 0x68030000, "The limit of idle connections the pool keeps (the template's maxcon, halved to an even number; 5 by default).", arg<Int16>("value").byVal()),
        },
        nullptr,
        "The calling thread's pool of database connections: lends idle connections by data source and takes them "
        "back.");
    return table;
}

const InterfaceInfo& _CGlobal::info() {
    static const InterfaceInfo table(
        "_CGlobal", IID_,
        {methodRow<&_CGlobal::GetPoolInstance, tPool>("GetPoolInstance", 0x60030000, "The calling thread's connection pool.")},
        nullptr, "The global application object: the way to the calling thread's connection pool.");
    return table;
}

const InterfaceInfo& _CReset::info() {
    static const InterfaceInfo table(
        "_CReset", IID_,
        {methodRow<&_CReset::Transaction, Boolean>("Transaction", 0x60030000, "Empties the calling thread's connection pool; always true.")},
        nullptr, "The reset object: empties the calling thread's connection pool.");
    return table;
}

const InterfaceInfo& _CCommonFunction::info() {
    using I = _CCommonFunction;
    static const InterfaceInfo table(
        "_CCommonFunction", IID_,
        {
            methodRow<&I::objOpenDB, tConnection>("objOpenDB", 0x60030000, "A new open connection for the connection string sConn (client-side cursors); nothing on failure.", arg<String>("sConn")),
            methodRow<&I::vInRecord2, Variant_>("vInRecord2", 0x60030001, "Reads (vVal missing) or writes the columns sName of the row strSql selects; the values as text (old values when writing); strError receives a failure's message.", arg<Variant_>("sName"), arg<Variant_>("vVal"), arg<String>("strSql"), arg<Variant_>("con"), arg<Variant_>("strError").opt()),
            methodRow<&I::vInRecord, Variant_>("vInRecord", 0x60030002, "Runs sql on a pooled connection (or con); lFlag's digits choose the result: a record set, the first row's values or the first value; null on failure.", arg<Variant_>("sql"), arg<Variant_>("con").opt(), arg<Int32>("lFlag").opt(i4(1)), arg<tCursorType>("cursortype").opt(i4(0)), arg<tLockType>("locktype").opt(i4(1)), arg<Int32>("line").opt()),
            methodRow<&I::sCheckField, String>("sCheckField", 0x60030003, "The SQL literal of sVal for the field fld: bare for numbers and char fields, quoted for text and dates, null for empty; error 1 for null in a field that takes none.", arg<Variant_>("sVal"), arg<tField>("fld")),
            methodRow<&I::GetElementVal, String>("GetElementVal", 0x60030004, "Trimmed text of the element the path sName selects below node; \"\" when nothing matches.", arg<String>("sName"), arg<tElement>("node")),
            methodRow<&I::GetAttributeVal, String>("GetAttributeVal", 0x60030005, "Trimmed value of node's attribute sName; \"\" when absent.", arg<String>("sName"), arg<tElement>("node")),
            methodRow<&I::sRootTag, String>("sRootTag", 0x60030006, "The interchange document's root tag (its kainterface roottag attribute), lower-cased.", arg<tDocument>("doc")),
            methodRow<&I::objSelectRootTag, tElement>("objSelectRootTag", 0x60030007, "The interchange document's payload element (named by its root tag), or its root element; nothing on failure.", arg<tDocument>("doc")),
            methodRow<&I::objMakeNode, tElement>("objMakeNode", 0x60030008, "A new element nodeName with the trimmed, non-empty name/value pairs of attr as attributes.", arg<String>("nodeName").byVal(), arg<VariantArray>("attr")),
            methodRow<&I::objMakeNode2, tElement>("objMakeNode2", 0x60030009, "A new element nodeName made by doc (a new document when nothing), with attr's pairs and the normalised nodeText as text.", arg<String>("nodeName").byVal(), arg<tDocument>("doc"), arg<Variant_>("nodeText"), arg<VariantArray>("attr")),
            methodRow<&I::objGenerateKaDom, tDocument>("objGenerateKaDom", 0x6003000a, "A new interchange document: a kainterface root with attr's pairs and, for a roottag pair, an empty payload element.", arg<VariantArray>("attr")),
            methodRow<&I::sCurrentPath, String>("sCurrentPath", 0x6003000b, "The library's folder, or strPath (trimmed) below it or as given when absolute, with one trailing \"/\".", arg<String>("strPath").opt()),
            methodRow<&I::sCheckDateNull, String>("sCheckDateNull", 0x6003000c, "'YYYY-MM-DD' for a date (sDate normalised), else null.", arg<Variant_>("sDate")),
            methodRow<&I::sCheckDate, String>("sCheckDate", 0x6003000d, "The canonical date text of sDate when it is a date in range, else \"\".", arg<Variant_>("sDate")),
            methodRow<&I::sCheckNull, String>("sCheckNull", 0x6003000e, "null for Null, else the value's text between apostrophes.", arg<Variant_>("sParam")),
            methodRow<&I::sCheckMoney, String>("sCheckMoney", 0x6003000f, "The amount's text without group separators when numeric, else null.", arg<Variant_>("sMon")),
            methodRow<&I::bCheckDate, Boolean>("bCheckDate", 0x60030010, "True when sDate is a date in range; sDate becomes its canonical text, otherwise \"\".", arg<String>("sDate")),
            methodRow<&I::iDateDiff, Int32>("iDateDiff", 0x60030011, "The number of para intervals (yyyy q m y d w ww h n s) from date1 to date2; 0 unless both are dates.", arg<Variant_>("date1"), arg<Variant_>("date2"), arg<String>("para").opt(text(u"d"))),
            methodRow<&I::bContain, Boolean>("bContain", 0x60030012, "True when the list control ctrl holds an item whose text is str.", arg<String>("str"), arg<Object>("ctrl")),
            methodRow<&I::iItemPos, Int16>("iItemPos", 0x60030013, "The index of the first item of the list control ctrl whose text is str; -1 when none.", arg<String>("str"), arg<Object>("ctrl")),
            methodRow<&I::iNodeCount, Int16>("iNodeCount", 0x60030014, "The number of child nodes of pa; 0 when pa is nothing.", arg<tElement>("pa")),
            subRow<&I::LoadFromTemplate>("LoadFromTemplate", 0x60030015, "Loads the template strTemplateName from strFileName (else the default template file) into objRtnDoc, as a document of its own (bAsDom) or as it lies; nothing on failure.", arg<String>("strTemplateName"), arg<Variant_>("objRtnDoc"), arg<String>("strFileName").opt(), arg<Boolean>("bAsDom").opt(boolean(true))),
            methodRow<&I::sMoneyFormat, String>("sMoneyFormat", 0x60030017, "The display text of an amount: hasdot 1 fixed count decimals, 0 up to four, else whole; grouped by three; mode's digits ask for percent, trimming, plain text and shown zero.", arg<Variant_>("vMny"), arg<Int16>("hasdot").opt(i2(1)), arg<Int16>("count").opt(i2(2)), arg<Int16>("mode").opt(i2(0))),
            subRow<&I::SetCtrFocus>("SetCtrFocus", 0x60030018, "When objCtrl is visible and enabled: focuses it, selects its whole text (in LenEx units) and shows objRef; never fails.", arg<Object>("objCtrl"), arg<Object>("objRef").opt()),
            subRow<&I::SetCtrFocus2>("SetCtrFocus2", 0x60030019, "As SetCtrFocus, but objCtrl is not focused again when activeName names it already (trimmed, any case).", arg<Object>("objCtrl"), arg<Object>("objRef").opt(), arg<String>("activeName").opt(text(u""))),
            methodRow<&I::strAdd, String>("strAdd", 0x6003001a, "The exact sum (bMode true) or difference of two amounts as plain decimal text; \"0\" when an operand is not a number.", arg<Variant_>("vFore"), arg<Variant_>("vBack"), arg<Boolean>("bMode").opt(boolean(true)), arg<Int16>("iDotCount").opt(i2(2))),
            methodRow<&I::iShowMsg, Int16>("iShowMsg", 0x6003001b, "Shows strMsg in a message box of style iType with strTitle (the suite's default title when empty); the button chosen, 0 for an empty message.", arg<Variant_>("strMsg"), arg<Int16>("iType").opt(i2(64)), arg<String>("strTitle").opt(text(u""))),
            methodRow<&I::LittleToBig, String>("LittleToBig", 0x6003001c, "The amount in Chinese capital numerals for cheques and vouchers; \"\" when not numeric or the language is neither zh-CN nor zh-TW.", arg<Variant_>("money")),
            methodRow<&I::DealFocus, Boolean>("DealFocus", 0x6003001d, "Checks a date edit before the focus leaves it; false with a message and the focus kept when its text is no date.", arg<Object>("objEdit"), arg<Object>("objRefBtn"), arg<String>("strActiveName"), arg<String>("strHint").opt(text(u"")), arg<String>("strExclude").opt(text(u""))),
            methodRow<&I::iWidthForAll, Int16>("iWidthForAll", 0x6003001e, "The digits before the point of the number strSum (strExclude's characters removed from it), the digits after it into iWidth; the length of a text that is no number.", arg<Variant_>("strSum"), arg<Int16>("iWidth"), arg<String>("strExclude").opt()),
            methodRow<&I::bWriteLine, Boolean>("bWriteLine", 0x6003001f, "Appends strContent as a line to the text file strFileName (made when missing, or replaced when bOpenFlag); true when written.", arg<String>("strFileName"), arg<String>("strContent"), arg<Boolean>("bOpenFlag").opt(boolean(false))),
            methodRow<&I::LenEx, Int32>("LenEx", 0x60030020, "Bytes of vData's text in the system code page (a double-byte character counts 2).", arg<Variant_>("vData")),
            methodRow<&I::LeftEx, String>("LeftEx", 0x60030021, "The first llen characters of vData's text.", arg<Variant_>("vData"), arg<Int32>("llen")),
            methodRow<&I::RightEx, String>("RightEx", 0x60030022, "The last llen characters of vData's text.", arg<Variant_>("vData"), arg<Int32>("llen")),
            methodRow<&I::MidEx, String>("MidEx", 0x60030023, "llen characters of vData's text from position lstart.", arg<Variant_>("vData"), arg<Int32>("lstart"), arg<Int32>("llen")),
            methodRow<&I::InstrEx, Int16>("InstrEx", 0x60030024, "The position of vfind in vData from istart (compare 0 exact, 1 without regard to case); 0 when absent.", arg<Int32>("istart"), arg<Variant_>("vData"), arg<Variant_>("vfind"), arg<tCompareMethod>("compare").opt(i4(1))),
            methodRow<&I::iBitVal, Int16>("iBitVal", 0x60030025, "The decimal digit at position lPos from the right of |vVal|; 0 when vVal is not numeric.", arg<Variant_>("vVal"), arg<Int32>("lPos").opt(i4(1))),
            methodRow<&I::iFldType, Int16>("iFldType", 0x60030026, "The data type code of the field objFld.", arg<tField>("objFld")),
            methodRow<&I::strVal, Variant_>("strVal", 0x60030027, "vVal's trimmed text, written back; \"\" (or 0 with bNumFlag) for empty, null, missing and nothing.", arg<Variant_>("vVal"), arg<Boolean>("bNumFlag").opt(boolean(false))),
            methodRow<&I::Vround, Variant_>("Vround", 0x60030028, "val1 rounded to dec decimals, halves away from zero: text while fraction digits remain, else a number.", arg<Double>("val1"), arg<Int16>("dec")),
            methodRow<&I::bGetNextPart, Boolean>("bGetNextPart", 0x60030029, "One step of walking the strSeparator-separated list strAll: the next part into strPart and iPos past it; false when exhausted.", arg<Variant_>("strAll"), arg<Variant_>("strPart").opt(), arg<Int16>("iPos").opt(i2(1)), arg<String>("strSeparator").opt(text(u","))),
            methodRow<&I::ComputerName, String>("ComputerName", 0x6003002a, "The computer's name."),
            methodRow<&I::objMakeNode3, tElement>("objMakeNode3", 0x6003002b, "A small tree rooted at a new element strNodeName from TripleSet's groups of four (kind, parent, name, value); nothing on failure.", arg<String>("strNodeName"), arg<VariantArray>("TripleSet")),
            methodRow<&I::Doc2Rs, tRecordset>("Doc2Rs", 0x6003002c, "An updatable record set made from the persisted row document of objChild, its rows added from rs:data; attributes in strRepel are left out.", arg<tElement>("objChild"), arg<tCursorType>("cursortype").opt(i4(0)), arg<tLockType>("locktype").opt(i4(3)), arg<String>("strRepel").opt(text(u""))),
            methodRow<&I::Rs2Doc, tDocument>("Rs2Doc", 0x6003002d, "A new persisted row document of the record set objRst.", arg<tRecordset>("objRst")),
            methodRow<&I::Sql2Doc, tDocument>("Sql2Doc", 0x6003002e, "A persisted row document of the rows sql selects on a pooled connection of vDsn.", arg<Variant_>("vDsn"), arg<String>("sql")),
            methodRow<&I::strTrim, String>("strTrim", 0x6003002f, "vData's text trimmed (lTrimMode 0 leading, 1 trailing, else both) and lower-cased (or upper-cased); \"\" for a value without text.", arg<Variant_>("vData"), arg<Boolean>("bLowerCase").opt(boolean(true)), arg<Int32>("lTrimMode").opt(i4(2))),
            methodRow<&I::AddEmptyRow, Boolean>("AddEmptyRow", 0x60030030, "Adds to objOut an empty row element with an attribute for each field of objRst; true when added.", arg<tElement>("objOut"), arg<tRecordset>("objRst")),
            methodRow<&I::bColHasFld, Boolean>("bColHasFld", 0x60030031, "True when the record set or fields collection objCol has a field strFldName.", arg<Object>("objCol"), arg<String>("strFldName")),
            subRow<&I::SetAttr>("SetAttr", 0x60030033, "Sets the attribute vAttrName (folded) of the element vNodePath addresses below objDom to vAttrVal (folded).", arg<Variant_>("vNodePath"), arg<Variant_>("vAttrName"), arg<Variant_>("vAttrVal"), arg<tElement>("objDom").opt()),
            methodRow<&I::GetAttr, String>("GetAttr", 0x60030034, "The value of the attribute vAttrName (folded) of the element vNodePath addresses below objDom; \"\" when none.", arg<Variant_>("vNodePath"), arg<Variant_>("vAttrName"), arg<tElement>("objDom").opt()),
            subRow<&I::SetRsAttribute>("SetRsAttribute", 0x60030035, "Sets the rs: schema attributes of objIn from NameValuePair's name/value pairs.", arg<tElement>("objIn"), arg<VariantArray>("NameValuePair")),
            methodRow<&I::GetNodeText, String>("GetNodeText", 0x60030036, "The text of the element vNodePath addresses below objDom, as stored; \"\" when none.", arg<Variant_>("vNodePath"), arg<tElement>("objDom").opt()),
            subRow<&I::SetNodeText>("SetNodeText", 0x60030037, "Replaces the children of the element vNodePath addresses below objDom by vAttrVal's folded text.", arg<Variant_>("vNodePath"), arg<Variant_>("vAttrVal"), arg<tElement>("objDom").opt()),
            methodRow<&I::IsFldEmpty, Boolean>("IsFldEmpty", 0x60030038, "True when the field strFldName of objRst is null, empty text or (bZeroAsEmpty) zero.", arg<tRecordset>("objRst"), arg<String>("strFldName"), arg<Boolean>("bZeroAsEmpty").opt(boolean(true))),
        },
        nullptr,
        "The toolbox of helpers: SQL on pooled connections, fields, record sets and XML, XML building and path "
        "access, templates, money and dates, tolerant strings, form controls, message boxes and files.");
    return table;
}

}  // namespace velmora
