// Record set and XML conversion: the bodies of the conversion members of CCommonFunction,
// named after them (frame/binding.h applies each member's guard, here the handler), and the
// private conversion of a row attribute's text. The bodies throw rt::Error where a step
// fails; the handler then answers nothing (false for AddEmptyRow). Documents and record
// sets handed out are new references owned by the caller.
#pragma once

#include "dataaccess/ado.h"
#include "dom/dom.h"
#include "runtime/com.h"
#include "runtime/variant.h"

namespace velmora::data {

// The typed value of a row attribute's text for a field of the given type code: false, 0
// or null for "" (boolean, numbers, dates), the text itself for text types, the calendar
// date of a time stamp written with "T"; null for other types and for text that does not
// convert. Never fails.
rt::Variant vStr2FldVal(int16_t type, const rt::Str& text);

// objRst saved into a new document in the persisted row format; nothing for nothing.
rt::ComPtr<dom::IXMLDOMDocument> Rs2Doc(ado::_Recordset* objRst);

// The rows of sql (run by vInRecord on a pooled connection for vDsn, always as a record
// set) as a new persisted row document. Throws when the query gives no record set.
rt::ComPtr<dom::IXMLDOMDocument> Sql2Doc(rt::Variant& vDsn, const rt::Str& sql);

// A new record set with the columns of objChild's schema (every visible column made
// writable and nullable) and one added row per child of its rs:data, fields set from the
// row's attributes through vStr2FldVal; attributes named in strRepel (",name,", without
// regard to case) or naming no field are skipped. The last row is still being added. No
// connection: set ActiveConnection, then UpdateBatch. strRepel becomes its folded form;
// objChild walks the rows of a detached copy and holds nothing after a complete walk.
// Nothing for nothing. Throws without rs:data, for a schema the platform cannot open, a
// row that is not an element, a lock type that cannot add rows, or a failing field.
rt::ComPtr<ado::_Recordset> Doc2Rs(rt::ComPtr<dom::IXMLDOMElement>& objChild, int32_t cursortype, int32_t locktype,
                                   rt::Str& strRepel);

// Appends to objOut a new "z:row" with an empty attribute for every field of objRst; true.
// Throws (nothing appended) when either is nothing or a step fails.
bool AddEmptyRow(dom::IXMLDOMElement* objOut, ado::_Recordset* objRst);

// Sets the name/value pairs of NameValuePair (0-based: name, value, name, value, ...) on
// every child element of the first s:ElementType below objIn whose rs:hidden is not
// "true". Nothing without such an element. Throws (attributes set so far stay) for a child
// that is not an element or a list that does not start at 0.
void SetRsAttribute(dom::IXMLDOMElement* objIn, const rt::Array& NameValuePair);

}  // namespace velmora::data
