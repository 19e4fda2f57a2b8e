// The module's SQL quoting function, used by the query helpers before any statement
// reaches the database.
#pragma once

#include "runtime/ustring.h"

namespace velmora {

// The statement with every string literal marked as a national-character literal: an "N"
// before each literal's opening apostrophe. The statement is read as SQL reads it: an
// apostrophe doubled inside a literal stays inside it, and apostrophes inside "quoted" or
// [bracketed] names and inside -- and /* */ comments open no literal; a literal that already
// carries an N or n prefix keeps that one prefix; an unterminated literal runs to the end.
// A text starting with "*" comes back without that star and is otherwise untouched (a
// statement sent as written); the empty text gives "". Never fails.
rt::Str sUnicodeSql(const rt::Str& text);

}  // namespace velmora
