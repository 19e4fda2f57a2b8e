// Member tables of the data-access interfaces: names, ADO's dispatch ids, parameters and a
// help line for each member and interface (listings and docs/reference.md are read from here).
#include "ado.h"
#include "runtime/enumerator.h"

namespace ado {

using namespace rt;
using namespace rt::types;

namespace {
constexpr TypeSpec kField = iface<Field>("Field");
constexpr TypeSpec kFields = iface<Fields>("Fields");
constexpr TypeSpec kRecordset = iface<_Recordset>("_Recordset");
}  // namespace

const InterfaceInfo& Field::info() {
    static const InterfaceInfo table("Field", IID_, {
        getter<&Field::get_ActualSize, Int32>("ActualSize", 1109,
            "The length of the current value: characters for text, bytes for binary data, the defined size for "
            "other types; 0 for Null."),
        getter<&Field::get_Attributes, Int32>("Attributes", 1114,
            "The field's FieldAttribute flags: 0x4 updatable (0x8 instead when that is unknown, as on a read-only "
            "record set), 0x10 fixed length, 0x20 nullable, 0x40 may be null, 0x80 long, 0x8000 key column."),
        getter<&Field::get_DefinedSize, Int32>("DefinedSize", 1103,
            "The size the column is declared with."),
        getter<&Field::get_Name, String>("Name", 1100,
            "The column's name."),
        getter<&Field::get_Type, Int32>("Type", 1102,
            "The column's data type code, in ADO's DataTypeEnum numbering (3 integer, 5 double, 131 numeric, 202 "
            "text, ...)."),
        getter<&Field::get_Value, Variant_>("Value", DISPID_VALUE,
            "The value in the current row (the pending edit's value while the row is edited); Null when unset; "
            "error 3021 without a current row, 3704 once the record set is closed."),
        setter<&Field::put_Value>("Value", DISPID_VALUE,
            "Sets the value in the current row and starts an edit of it; converted to the column's type (a value "
            "that does not convert fails and changes nothing); error 3251 on a read-only record set, 3021 without "
            "a current row.",
            arg<Variant_>("pvar").byVal()),
        getter<&Field::get_Precision, Int16>("Precision", 1112,
            "The column's precision: the number of digits of a numeric column."),
        getter<&Field::get_NumericScale, Int16>("NumericScale", 1113,
            "The column's scale: the number of digits after the decimal point."),
        getter<&Field::get_OriginalValue, Variant_>("OriginalValue", 1104,
            "The value as read from the database or as last written back; Null for a row added since; error 3021 "
            "without a current row."),
        getter<&Field::get_UnderlyingValue, Variant_>("UnderlyingValue", 1105,
            "The value in the record set's copy of the row, without the row's edit in progress; error 3021 without "
            "a current row."),
    },
    nullptr, "One column of a record set: its description and its value in the current row.");
    return table;
}

const InterfaceInfo& Fields::info() {
    static const InterfaceInfo table("Fields", IID_, {
        getter<&Fields::get_Count, Int32>("Count", 1,
            "The number of fields; error 3704 when the record set is closed."),
        getter<&Fields::get_Item, kField>("Item", DISPID_VALUE,
            "The field at a 0-based position or with a name (without regard to case); error 3265 when there is "
            "none, 3704 when the record set is closed.",
            arg<Variant_>("Index").byVal()),
        sub<&Fields::Refresh>("Refresh", 2,
            "Does nothing: the fields always follow the record set."),
        rt::newEnumMember<Fields>(),
    },
    nullptr, "The columns of an open record set, by position or name.");
    return table;
}

const InterfaceInfo& _Recordset::info() {
    static const InterfaceInfo table("_Recordset", IID_, {
        getter<&_Recordset::get_AbsolutePosition, Int32>("AbsolutePosition", 1000,
            "The 1-based position of the current row; -2 before the first row or without rows (BOF), -3 after the "
            "last (EOF), -1 on a deleted row; error 3704 when closed."),
        setter<&_Recordset::put_AbsolutePosition>("AbsolutePosition", 1000,
            "Moves to the row at that 1-based position (after updating an edit in progress); error 3001 for a "
            "position outside the rows.",
            arg<Int32>("pl").byVal()),
        getter<&_Recordset::get_ActiveConnection, Variant_>("ActiveConnection", 1001,
            "The connection the record set reads and writes through; nothing when it has none."),
        setter<&_Recordset::put_ActiveConnection>("ActiveConnection", 1001,
            "Uses a connection object, or a connection string (a new connection is opened on it); empty, Null or "
            "nothing disconnects, keeping the rows and pending changes; error 3001 for another object.",
            arg<Variant_>("pvar").byVal()),
        setterRef<&_Recordset::putref_ActiveConnection>("ActiveConnection", 1001,
            "Uses the connection object pCon; nothing disconnects, keeping the rows and pending changes; error "
            "3001 for another object.",
            arg<Object>("pCon").byVal()),
        getter<&_Recordset::get_BOF, Boolean>("BOF", 1002,
            "True before the first row or when there are no rows; error 3704 when closed."),
        getter<&_Recordset::get_EOF, Boolean>("EOF", 1006,
            "True after the last row or when there are no rows; error 3704 when closed."),
        getter<&_Recordset::get_CursorType, Int32>("CursorType", 1005,
            "The cursor type: 3 (static) once open, as every row is held in memory; 0 (forward-only) until set."),
        setter<&_Recordset::put_CursorType>("CursorType", 1005,
            "Sets the cursor type asked for (-1 means 0, up to 3); error 3705 while open, 3001 out of range.",
            arg<Int32>("plCursorType").byVal()),
        getter<&_Recordset::get_LockType, Int32>("LockType", 1008,
            "The lock type: 1 read-only (until set), 2 pessimistic or 3 optimistic (changes written on Update), 4 "
            "batch optimistic (changes written on UpdateBatch)."),
        setter<&_Recordset::put_LockType>("LockType", 1008,
            "Sets the lock type (-1 means 1, up to 4); error 3705 while open, 3001 out of range.",
            arg<Int32>("plLockType").byVal()),
        getter<&_Recordset::get_CursorLocation, Int32>("CursorLocation", 1051,
            "The cursor location: 3 (client) once open; 2 (server) until set."),
        setter<&_Recordset::put_CursorLocation>("CursorLocation", 1051,
            "Sets the cursor location asked for (1, 2 or 3; rows are held in memory whatever it is); error 3705 "
            "while open, 3001 for other values.",
            arg<Int32>("plCursorLoc").byVal()),
        getter<&_Recordset::get_RecordCount, Int32>("RecordCount", 1010,
            "The number of rows, deleted ones excluded even when not yet written; error 3704 when closed."),
        getter<&_Recordset::get_Source, String>("Source", 1011,
            "The SQL text, table name or file the record set was opened from; \"\" for a document or before the "
            "first Open."),
        getter<&_Recordset::get_Fields, kFields>("Fields", DISPID_VALUE,
            "The record set's fields, a new collection; error 3704 when closed."),
        getter<&_Recordset::get_EditMode, Int32>("EditMode", 1026,
            "0 no edit, 1 the current row is being edited, 2 a new row is being added, 4 the current row is "
            "deleted; error 3704 when closed."),
        getter<&_Recordset::get_State, Int32>("State", 1054,
            "1 when open, 0 when closed."),
        sub<&_Recordset::AddNew>("AddNew", 1012,
            "Adds an empty row at the end and makes it current (after updating an edit in progress); given "
            "FieldList and Values (one field or an array of them, and their values) it sets them and updates the "
            "row at once; error 3251 on a read-only record set.",
            arg<Variant_>("FieldList").byVal().opt(), arg<Variant_>("Values").byVal().opt()),
        sub<&_Recordset::Update>("Update", 1025,
            "Sets Fields to Values when given, then ends the edit of the current row: written to the database at "
            "once with lock type 2 or 3 on an open connection, else kept as a pending change.",
            arg<Variant_>("Fields").byVal().opt(), arg<Variant_>("Values").byVal().opt()),
        sub<&_Recordset::CancelUpdate>("CancelUpdate", 1013,
            "Drops the edit of the current row; a row being added goes and the row current before AddNew is "
            "current again."),
        sub<&_Recordset::Delete>("Delete", 1015,
            "Deletes the current row (AffectRecords must be 1): from the database at once with lock type 2 or 3 on "
            "an open connection, else as a pending change; error 3021 without a current row.",
            arg<Int32>("AffectRecords").byVal().opt(Variant(int32_t(adAffectCurrent)))),
        sub<&_Recordset::UpdateBatch>("UpdateBatch", 1035,
            "Writes every pending change (AffectRecords 3) or the current row's (1) to the database in one "
            "transaction; on failure nothing is written and the changes stay pending; error 3709 when changes are "
            "pending without an open connection.",
            arg<Int32>("AffectRecords").byVal().opt(Variant(int32_t(adAffectAll)))),
        sub<&_Recordset::CancelBatch>("CancelBatch", 1049,
            "Drops every pending change (AffectRecords must be 3): added rows go, changed and deleted rows come "
            "back as read.",
            arg<Int32>("AffectRecords").byVal().opt(Variant(int32_t(adAffectAll)))),
        sub<&_Recordset::MoveFirst>("MoveFirst", 1020,
            "Makes the first row current (after updating an edit in progress); error 3021 when there are no rows."),
        sub<&_Recordset::MoveLast>("MoveLast", 1021,
            "Makes the last row current (after updating an edit in progress); error 3021 when there are no rows."),
        sub<&_Recordset::MoveNext>("MoveNext", 1018,
            "Moves to the next row, or past the last one to EOF, after updating an edit in progress; error 3021 "
            "when already at EOF."),
        sub<&_Recordset::MovePrevious>("MovePrevious", 1019,
            "Moves to the previous row, or before the first one to BOF, after updating an edit in progress; error "
            "3021 when already at BOF."),
        sub<&_Recordset::Open>("Open", 1022,
            "Fetches every row of Source: SQL text, or a table name with Options 2, run on ActiveConnection (a "
            "connection or a connection string); a persisted file (Options 256, or an existing file without "
            "connection); a DOMDocument holding a persisted row document. A statement without rows leaves it "
            "closed; error 3705 when open.",
            arg<Variant_>("Source").byVal().opt(), arg<Variant_>("ActiveConnection").byVal().opt(),
            arg<Int32>("CursorType").byVal().opt(Variant(int32_t(adOpenUnspecified))),
            arg<Int32>("LockType").byVal().opt(Variant(int32_t(adLockUnspecified))),
            arg<Int32>("Options").byVal().opt(Variant(int32_t(adCmdUnspecified)))),
        sub<&_Recordset::Close>("Close", 1014,
            "Closes the record set, dropping its rows and pending changes; error 3704 when closed, 3219 while an "
            "edit that Update would write at once is in progress."),
        sub<&_Recordset::Save>("Save", 1057,
            "Saves the rows in the XML persistence format into the DOMDocument Destination (its content replaced) "
            "or a new file at the path Destination (an error when it exists); PersistFormat must be 1 (the default "
            "0 is refused).",
            arg<Variant_>("Destination").byVal().opt(),
            arg<Int32>("PersistFormat").byVal().opt(Variant(int32_t(adPersistADTG)))),
        method<&_Recordset::Clone, kRecordset>("Clone", 1034,
            "A second record set over the same rows, whose changes show in both, with the same lock type or "
            "read-only (LockType 1); error 3001 for other lock types, 3704 when closed.",
            arg<Int32>("LockType").byVal().opt(Variant(int32_t(adLockUnspecified)))),
    },
    nullptr,
    "Rows of a query, a table or a persisted document, all held in memory, with navigation and edits written back "
    "to the base table.");
    return table;
}

const InterfaceInfo& _Connection::info() {
    static const InterfaceInfo table("_Connection", IID_, {
        getter<&_Connection::get_ConnectionString, String>("ConnectionString", DISPID_VALUE,
            "The connection string as set or as last passed to Open."),
        setter<&_Connection::put_ConnectionString>("ConnectionString", DISPID_VALUE,
            "Sets the connection string: name=value pairs separated by \";\" (Provider, Data Source, User ID, "
            "Password, ...); error 3705 while open.",
            arg<String>("pbstr").byVal()),
        getter<&_Connection::get_CommandTimeout, Int32>("CommandTimeout", 2,
            "Seconds a statement may wait for the database before it fails; 30 until set, 0 for no limit."),
        setter<&_Connection::put_CommandTimeout>("CommandTimeout", 2,
            "Sets the statement time-out in seconds (0: no limit), on an open connection too; error 3001 when "
            "negative.",
            arg<Int32>("plTimeout").byVal()),
        getter<&_Connection::get_ConnectionTimeout, Int32>("ConnectionTimeout", 3,
            "Seconds Open may take to connect; 15 until set."),
        setter<&_Connection::put_ConnectionTimeout>("ConnectionTimeout", 3,
            "Sets the connect time-out in seconds for the next Open; error 3705 while open, 3001 when negative.",
            arg<Int32>("plTimeout").byVal()),
        getter<&_Connection::get_Version, String>("Version", 4,
            "The version of these data-access objects: \"2.6\"."),
        sub<&_Connection::Close>("Close", 5,
            "Closes the connection to the database; error 3704 when it is not open."),
        method<&_Connection::Execute, kRecordset>("Execute", 6,
            "Runs CommandText (a table name with Options 2) and returns its rows as an open read-only record set, "
            "or a closed record set when it gives none; RecordsAffected receives the rows changed; error 3709 when "
            "closed.",
            arg<String>("CommandText").byVal(), arg<Variant_>("RecordsAffected").opt(),
            arg<Int32>("Options").byVal().opt(Variant(int32_t(adCmdUnspecified)))),
        method<&_Connection::BeginTrans, Int32>("BeginTrans", 7,
            "Starts a transaction, nested in the current one if any, and returns the new nesting level (1 for the "
            "outermost); error 3709 when closed."),
        sub<&_Connection::CommitTrans>("CommitTrans", 8,
            "Commits the innermost transaction; an error when none is active, 3709 when closed."),
        sub<&_Connection::RollbackTrans>("RollbackTrans", 9,
            "Rolls back the innermost transaction; an error when none is active, 3709 when closed."),
        sub<&_Connection::Open>("Open", 10,
            "Connects with ConnectionString (the property when \"\"), UserID and Password taking the place of "
            "those in it; its Provider (else the property, else SQLite) picks the database; error 3705 when open, "
            "3706 for an unknown provider.",
            arg<String>("ConnectionString").byVal().opt(Variant(Str())),
            arg<String>("UserID").byVal().opt(Variant(Str())), arg<String>("Password").byVal().opt(Variant(Str())),
            arg<Int32>("Options").byVal().opt(Variant(int32_t(-1)))),
        getter<&_Connection::get_CursorLocation, Int32>("CursorLocation", 15,
            "The cursor location as set: 2 (server) until set; record sets hold their rows in memory whatever it is."),
        setter<&_Connection::put_CursorLocation>("CursorLocation", 15,
            "Sets the cursor location (1, 2 or 3); error 3001 for other values.",
            arg<Int32>("plCursorLoc").byVal()),
        getter<&_Connection::get_Provider, String>("Provider", 17,
            "The provider: the one the connection string names, else the one set, else \"SQLite\"."),
        setter<&_Connection::put_Provider>("Provider", 17,
            "Sets the provider used when the connection string names none (\"SQLite\", \"PostgreSQL\", "
            "\"SQLOLEDB\", \"SQLNCLI\", \"MSDASQL\", ...); error 3705 while open.",
            arg<String>("pbstr").byVal()),
        getter<&_Connection::get_State, Int32>("State", 18,
            "1 (open) while the database connection is usable as far as can be told without a round trip, else 0."),
    },
    nullptr,
    "A connection to a database through a provider: SQLite (the default), PostgreSQL or SQL Server over ODBC, or "
    "an ODBC data source.");
    return table;
}

}  // namespace ado
