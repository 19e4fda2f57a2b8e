// Reading a statement's current result into a record set's rows.
#pragma once

#include <vector>

#include "odbc_types.h"

namespace ado::odbc {

// The descriptors of the current result's columns (none when it has no columns). Throws
// rt::Error with the driver's message on failure.
std::vector<ColumnDescriptor> describeResult(SQLHSTMT statement);

// Fetches every row of the current result into out, whose fields are the plans' fields in
// the same order. Columns are bound and fetched many rows at a time; long ones, and columns
// the driver lets be read only in order after them, are read piece by piece. A value longer
// than the driver announced is read again whole. `getDataExtensions` is the driver's
// SQL_GETDATA_EXTENSIONS. Leaves the statement's cursor at the end of the result; the
// statement keeps no bindings afterwards. Throws rt::Error with the driver's message on
// failure (out then holds the rows fetched so far).
void fetchResult(SQLHSTMT statement, const std::vector<ColumnPlan>& plans, SQLUINTEGER getDataExtensions,
                 RowsetData& out);

}  // namespace ado::odbc
