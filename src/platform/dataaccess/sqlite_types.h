// Data types of SQLite columns, from the types their tables declare.
#pragma once

#include <string_view>

#include "rowset.h"

namespace ado::sqlite {

// The field a declared column type maps to (type code, defined size, precision, scale,
// fixed / long flags); name left empty. Known type names are read without regard to case,
// with their size or precision and scale in parentheses ("VARCHAR(40)", "DECIMAL(18, 2)",
// "NVARCHAR(MAX)"); other names follow SQLite's affinity rules. An empty declared type
// (an expression) gives adVarWChar, to be settled from the values (typeFromValues).
FieldInfo fieldForDeclaredType(std::string_view declared);

// Which storage classes a column's values used, for typing columns without a declared type.
struct ValueKinds {
    bool integer = false, real = false, text = false, blob = false;
    bool integerBeyond32Bits = false;
    size_t longestText = 0;
};
// The field type of an expression column from its values: integers adInteger (adBigInt
// beyond 32 bits), reals (possibly mixed with integers) adDouble, text adVarWChar sized to
// the longest value, blobs adLongVarBinary, nothing at all adVarWChar.
FieldInfo typeFromValues(const ValueKinds& kinds);

}  // namespace ado::sqlite
