// Rewriting the library's T-SQL for databases that speak another dialect.
//
// Only two forms change: the N prefix of a national string literal (N'abc' becomes 'abc')
// and a leading "select top N" / "select distinct top N", which becomes the dialect's row
// limit. Everything else is kept byte for byte. Literals, quoted identifiers and comments
// are read as SQL reads them (an apostrophe doubled inside a literal stays inside it), so an
// N or a "top" inside them is never touched.
#pragma once

#include <string>
#include <string_view>

namespace ado {

struct DialectRules {
    bool nationalLiterals = false;  // the database understands N'...' itself
    bool topClause = false;         // the database understands "select top N" itself
};

// The statement (UTF-8) rewritten for a database with these rules. Never fails: text that
// does not read as SQL (an unterminated literal, say) passes through with only the
// complete parts rewritten, and the database reports the error.
std::string rewriteStatement(std::string_view sql, const DialectRules& rules);

}  // namespace ado
