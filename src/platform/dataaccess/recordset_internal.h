// What the record set's source files share: recordset.cpp (state, navigation, writes and
// properties), recordset_open.cpp (opening, closing, saving and cloning) and
// recordset_fields.cpp (the Fields and Field objects). Internal to this folder.
#pragma once

#include "objects.h"
#include "runtime/error.h"

namespace ado::recordset {

// The source the record set's errors name.
inline constexpr const char16_t* kSource = u"ADODB.Recordset";

// Throws rt::Error carrying the data-access error number and description.
[[noreturn]] inline void raiseAdo(int number, const char16_t* text) { throw rt::Error::number(number, text); }

// Throws error 3001, the record set's answer to arguments it cannot use.
[[noreturn]] inline void invalidArgument() {
    raiseAdo(adErrInvalidArgument,
             u"Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another.");
}

// True for the lock types a record set can be opened with (adLockReadOnly to
// adLockBatchOptimistic).
inline bool validLockType(int32_t lock) { return lock >= adLockReadOnly && lock <= adLockBatchOptimistic; }

// The index in data.fields of a listed field given by position (0-based) or by name
// without regard to case. Throws error 3265 when there is no such field.
size_t resolveField(const RowsetData& data, const rt::Variant& index);

}  // namespace ado::recordset
