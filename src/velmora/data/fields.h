// Field helpers: the bodies of the field members of CCommonFunction, named after them
// (frame/binding.h applies each member's guard). They throw rt::Error where a step fails.
#pragma once

#include "dataaccess/ado.h"
#include "runtime/variant.h"

namespace velmora::data {

// The SQL text of sVal for fld: "null" for null (or a blank text) when the field accepts
// null; the trimmed text between apostrophes, each apostrophe inside it doubled, for date
// and text fields (char, 129, aside); the trimmed text bare for the others. sVal is
// rewritten with its trimmed text unless it is null. Throws error 1 with the text of
// "Ostrel.FM.Velmora.00001" for null on a field that does not accept null, error 91 when
// fld is nothing, the platform's error when the field fails.
rt::Str sCheckField(rt::Variant& sVal, ado::Field* fld);

// The field's type class: 1 floating and fixed decimal, 2 integer (and single), 3 date and
// time, 4 boolean, 5 text (and long varbinary), 6 any other type. Throws error 91 when
// objFld is nothing, the platform's error when the field fails.
int16_t iFldType(ado::Field* objFld);

// True when objCol's default member finds an item named strFldName (for a record set: a
// field, without regard to case) whose Value can be read. Throws when either step fails
// (the member's handler answers false).
bool bColHasFld(rt::IDispatch* objCol, const rt::Str& strFldName);

// Whether the field strFldName of the current row is empty: null or a blank text; for a
// number field with bZeroAsEmpty, also a value that is 0. Throws for no record set, no
// such field, no current row, or a number that is no decimal (the handler answers false).
bool IsFldEmpty(ado::_Recordset* objRst, const rt::Str& strFldName, bool bZeroAsEmpty);

}  // namespace velmora::data
