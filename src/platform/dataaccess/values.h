// Values between their storage classes (cells), the variants of Field.Value, and the text
// forms of the persisted row format.
//
// Cells keep what the database gave (SQLite's loosely typed values included); the field's
// data type decides the variant a cell reads as. Values the record set stores itself are
// kept in a canonical cell form per type: integers and booleans as Integer, floating
// numbers as Real, currency and decimals as their exact decimal text, dates as ISO text
// ("YYYY-MM-DD HH:MM:SS", "YYYY-MM-DD" for dates, "HH:MM:SS" for times), GUIDs as
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", binary as Blob, other text as Text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "runtime/variant.h"
#include "rowset.h"

namespace ado {

bool isIntegerType(DataType t);
bool isFloatType(DataType t);
bool isExactNumericType(DataType t);  // currency, decimal, numeric
bool isDateType(DataType t);
bool isBinaryType(DataType t);
bool isTextType(DataType t);

// The variant Field.Value gives for a cell of this field: null for a null cell; otherwise
// the field type's variant (I2/I4/I8, R8, CY, DECIMAL, DATE, BOOL, BSTR; binary as a
// 0-based array of byte values). A cell that does not read as the field's type (text in an
// integer column, say) comes back as the variant of what it holds. Never fails.
rt::Variant variantOf(CellView cell, const FieldInfo& field);

// The cell a value is stored as in this field (null and empty give a null cell; an object
// gives its default value). Throws rt::Error with status kMultipleStepErrors when the value
// does not convert to the field's type or is out of its range.
Cell cellFor(const rt::Variant& value, const FieldInfo& field);

// "YYYY-MM-DD", "HH:MM:SS" or "YYYY-MM-DD<sep>HH:MM:SS" by the field's type.
std::string isoDateText(double serial, DataType type, char separator = ' ');
// Reads "YYYY-MM-DD", "YYYY-MM-DD[T| ]HH:MM[:SS[.fff]]" (a trailing "Z" or offset ignored)
// and "HH:MM[:SS[.fff]]" (a time alone: the serial's fraction). nullopt for other text and
// for dates that do not exist.
std::optional<double> parseIsoDate(std::string_view text);

// The persisted format's text of a cell (dates "YYYY-MM-DDTHH:MM:SS", booleans "True" /
// "False", numbers with "." and no grouping, binary as hexadecimal, GUIDs without braces),
// appended to out. Returns false for a null cell (written as an absent attribute).
//
// Some cells would not read back as the same value from that text: a value SQLite keeps
// against its column's declared type (2.5 in an integer column, a time of day in a date
// column), text holding characters XML cannot carry. Such a cell is written in its storage
// class's own form instead, and mark tells how to read it back (cellFromMarkedXmlText):
// "i" integer, "r" real, "t" text, "b" bytes in hexadecimal, or "h:" and the text's UTF-8
// bytes in hexadecimal (out then holds the text without what XML cannot carry). mark is
// left empty for every other cell.
bool appendXmlText(std::string& out, CellView cell, const FieldInfo& field, std::string& mark);
// A cell read from the persisted format's text for this field (text that does not read as
// the field's type is kept as text).
Cell cellFromXmlText(std::string_view text, const FieldInfo& field);
// The cell of a value written with a mark (see appendXmlText); nullopt when the mark is not
// one of ours or the text does not read as it says.
std::optional<Cell> cellFromMarkedXmlText(std::string_view text, std::string_view mark);

// "{...}" upper case from a GUID text with or without braces; nullopt when not a GUID.
std::optional<std::string> canonicalGuid(std::string_view text);

}  // namespace ado
