// Query helpers: the module's SQL quoting function, and the bodies of the query members of
// CCommonFunction, named after them (frame/binding.h applies each member's guard, here the
// handler). The bodies throw rt::Error where a step fails; what the handler then answers
// is said with each.
#pragma once

#include "dataaccess/ado.h"
#include "runtime/com.h"
#include "runtime/variant.h"

namespace velmora {

class GuardScope;

// The statement with every string literal marked as a national-character literal: an "N"
// before each literal's opening apostrophe. The statement is read as SQL reads it: an
// apostrophe doubled inside a literal stays inside it, and apostrophes inside "quoted" or
// [bracketed] names and inside -- and /* */ comments open no literal; a literal that already
// carries an N or n prefix keeps that one prefix; an unterminated literal runs to the end.
// A text starting with "*" comes back without that star and is otherwise untouched (a
// statement sent as written); the empty text gives "". Never fails.
rt::Str sUnicodeSql(const rt::Str& text);

}  // namespace velmora

namespace velmora::data {

// A new connection of its own (not pooled) opened on sConn with client-side cursors; the
// caller owns and closes it. Throws when it cannot be opened (the handler answers nothing).
rt::ComPtr<ado::_Connection> objOpenDB(const rt::Str& sConn);

// Runs sql (after sUnicodeSql) on a connection borrowed from the thread's pool for con (a
// connection string, or a connection object used as it is), handing the connection back
// before the result is looked at. result: the value of the single column of the first row
// when the units digit of |lFlag| is not 0 (null without a row); otherwise the open record
// set, or nothing for a result without rows unless the tens digit is not 0. The caller owns
// the record set; it keeps its connection, which the pool may lend again meanwhile. lFlag
// becomes |lFlag|. On failure the handler makes the result null; the connection is back in
// the pool either way.
void vInRecord(GuardScope& guard, rt::Variant& sql, rt::Variant& con, int32_t& lFlag, int32_t cursortype,
               int32_t locktype, int32_t line, rt::Variant& result);

// Reads ("select top 1 " + sName + " " + strSql) or overwrites the named columns of its first
// row. Read mode (vVal holds the missing marker): the single column's value, or the open
// record set for several columns (the caller owns it), or empty without a row. Write mode:
// the previous values joined by "," ("null" for blank ones), the columns set from vVal's
// parts (null for blank or missing parts) and written with Update. Rewrites sName and vVal
// (normalised), strSql (the statement in read mode, the last column name in write mode) and
// strError (""). Does nothing for a blank sName or strSql. On failure the handler leaves the
// error's description in strError and the result as far as it was gathered; a connection
// whose record set failed to open is dropped, not handed back to the pool.
void vInRecord2(GuardScope& guard, rt::Variant& sName, rt::Variant& vVal, rt::Str& strSql, rt::Variant& con,
                rt::Variant& strError, rt::Variant& result);

}  // namespace velmora::data
