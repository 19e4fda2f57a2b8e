// Database access objects: Connection, Recordset, Fields and Field, early- and late-bound.
//
// Record sets always keep their rows in memory (client cursors): Open fetches every row,
// and writes go back to the base table on Update (immediate mode) or UpdateBatch (batch
// mode, lock type 4). Errors are rt::Error values raised through the usual boundary: ADO's
// own run-time errors keep their numbers (3021, 3265, 3704, ...), database failures carry
// the provider's status and the database's own message.
#pragma once

#include "runtime/dispatch.h"
#include "runtime/object.h"

namespace ado {

// ---- Enumerations (ADO's values) -----------------------------------------------------

enum ObjectState : int32_t { adStateClosed = 0, adStateOpen = 1 };
enum CursorLocation : int32_t { adUseServer = 2, adUseClient = 3 };
enum CursorType : int32_t {
    adOpenUnspecified = -1,
    adOpenForwardOnly = 0,
    adOpenKeyset = 1,
    adOpenDynamic = 2,
    adOpenStatic = 3
};
enum LockType : int32_t {
    adLockUnspecified = -1,
    adLockReadOnly = 1,
    adLockPessimistic = 2,
    adLockOptimistic = 3,
    adLockBatchOptimistic = 4
};
enum CommandType : int32_t {
    adCmdUnspecified = -1,
    adCmdText = 1,
    adCmdTable = 2,
    adCmdStoredProc = 4,
    adCmdUnknown = 8,
    adCmdFile = 256,
    adCmdTableDirect = 512
};
enum Position : int32_t { adPosUnknown = -1, adPosBOF = -2, adPosEOF = -3 };
enum Affect : int32_t { adAffectCurrent = 1, adAffectGroup = 2, adAffectAll = 3 };
enum EditMode : int32_t { adEditNone = 0, adEditInProgress = 1, adEditAdd = 2, adEditDelete = 4 };
enum PersistFormat : int32_t { adPersistADTG = 0, adPersistXML = 1 };

enum DataType : int32_t {
    adEmpty = 0,
    adSmallInt = 2,
    adInteger = 3,
    adSingle = 4,
    adDouble = 5,
    adCurrency = 6,
    adDate = 7,
    adBSTR = 8,
    adIDispatch = 9,
    adError = 10,
    adBoolean = 11,
    adVariant = 12,
    adIUnknown = 13,
    adDecimal = 14,
    adTinyInt = 16,
    adUnsignedTinyInt = 17,
    adUnsignedSmallInt = 18,
    adUnsignedInt = 19,
    adBigInt = 20,
    adUnsignedBigInt = 21,
    adFileTime = 64,
    adGUID = 72,
    adBinary = 128,
    adChar = 129,
    adWChar = 130,
    adNumeric = 131,
    adUserDefined = 132,
    adDBDate = 133,
    adDBTime = 134,
    adDBTimeStamp = 135,
    adChapter = 136,
    adPropVariant = 138,
    adVarNumeric = 139,
    adVarChar = 200,
    adLongVarChar = 201,
    adVarWChar = 202,
    adLongVarWChar = 203,
    adVarBinary = 204,
    adLongVarBinary = 205,
};

enum FieldAttribute : int32_t {
    adFldUpdatable = 0x4,
    adFldUnknownUpdatable = 0x8,
    adFldFixed = 0x10,
    adFldIsNullable = 0x20,
    adFldMayBeNull = 0x40,
    adFldLong = 0x80,
    adFldRowID = 0x100,
    adFldKeyColumn = 0x8000,
};

// ADO's run-time error numbers used by this layer.
enum AdoError : int {
    adErrInvalidArgument = 3001,
    adErrNoCurrentRecord = 3021,
    adErrIllegalOperation = 3219,
    adErrFeatureNotAvailable = 3251,
    adErrItemNotFound = 3265,
    adErrObjectClosed = 3704,
    adErrObjectOpen = 3705,
    adErrProviderNotFound = 3706,
    adErrInvalidConnection = 3709,
};

// Statuses of the provider layer (OLE DB's numbers, as ADO reports them).
inline constexpr rt::HRESULT kErrorsInCommand = rt::hr(0x80040E14);      // statement the database refused
inline constexpr rt::HRESULT kIntegrityViolation = rt::hr(0x80040E2F);   // constraint failed
inline constexpr rt::HRESULT kTimeoutExpired = rt::hr(0x80040E31);       // busy past the time-out
inline constexpr rt::HRESULT kPermissionDenied = rt::hr(0x80040E09);     // read-only database
inline constexpr rt::HRESULT kRowNotLocated = rt::hr(0x80040E38);        // "Row cannot be located for updating"
inline constexpr rt::HRESULT kMultipleStepErrors = rt::hr(0x80040E21);   // a value the field cannot take

// ---- Interfaces ----------------------------------------------------------------------

struct Field : rt::IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{00000569-0000-0010-8000-00AA006D2EA4}");
    using Base = rt::IDispatch;
    static const rt::InterfaceInfo& info();
    // Bytes of the current value (text: characters); 0 for null.
    virtual rt::HRESULT get_ActualSize(int32_t* size) = 0;
    // FieldAttribute flags.
    virtual rt::HRESULT get_Attributes(int32_t* attributes) = 0;
    virtual rt::HRESULT get_DefinedSize(int32_t* size) = 0;
    virtual rt::HRESULT get_Name(rt::Str* name) = 0;
    // A DataType code.
    virtual rt::HRESULT get_Type(int32_t* type) = 0;
    // The current row's value (null when unset); error 3021 without a current row.
    virtual rt::HRESULT get_Value(rt::Variant* value) = 0;
    // Converts to the field's type; a value that does not convert fails with status
    // kMultipleStepErrors and leaves the row unchanged. Starts an edit of the current row.
    virtual rt::HRESULT put_Value(const rt::Variant& value) = 0;
    virtual rt::HRESULT get_Precision(int16_t* precision) = 0;
    virtual rt::HRESULT get_NumericScale(int16_t* scale) = 0;
    // The value as read from the database (or last written back); null for added rows.
    virtual rt::HRESULT get_OriginalValue(rt::Variant* value) = 0;
    // The value in the record set's copy of the row, pending edits of the row not included.
    virtual rt::HRESULT get_UnderlyingValue(rt::Variant* value) = 0;

protected:
    ~Field() = default;
};

struct Fields : rt::IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{00000564-0000-0010-8000-00AA006D2EA4}");
    using Base = rt::IDispatch;
    static const rt::InterfaceInfo& info();
    virtual rt::HRESULT get_Count(int32_t* count) = 0;
    // By 0-based position or by name without regard to case; error 3265 when there is none.
    // The field returned is a new reference owned by the caller.
    virtual rt::HRESULT get_Item(const rt::Variant& index, Field** field) = 0;
    virtual rt::HRESULT Refresh() = 0;

protected:
    ~Fields() = default;
};

struct _Connection;

struct _Recordset : rt::IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{00000556-0000-0010-8000-00AA006D2EA4}");
    using Base = rt::IDispatch;
    static const rt::InterfaceInfo& info();
    // 1-based position of the current row; adPosBOF / adPosEOF at the ends. Put moves there
    // (error 3001 out of range).
    virtual rt::HRESULT get_AbsolutePosition(int32_t* position) = 0;
    virtual rt::HRESULT put_AbsolutePosition(int32_t position) = 0;
    // The connection object, or nothing.
    virtual rt::HRESULT get_ActiveConnection(rt::Variant* connection) = 0;
    // A connection object, a connection string (a new connection is opened), or nothing
    // (disconnects; rows and pending changes stay).
    virtual rt::HRESULT put_ActiveConnection(const rt::Variant& connection) = 0;
    virtual rt::HRESULT putref_ActiveConnection(rt::IDispatch* connection) = 0;
    virtual rt::HRESULT get_BOF(int16_t* bof) = 0;
    virtual rt::HRESULT get_EOF(int16_t* eof) = 0;
    virtual rt::HRESULT get_CursorType(int32_t* cursorType) = 0;
    virtual rt::HRESULT put_CursorType(int32_t cursorType) = 0;
    virtual rt::HRESULT get_LockType(int32_t* lockType) = 0;
    virtual rt::HRESULT put_LockType(int32_t lockType) = 0;
    virtual rt::HRESULT get_CursorLocation(int32_t* location) = 0;
    virtual rt::HRESULT put_CursorLocation(int32_t location) = 0;
    // Rows present, pending deletions excluded.
    virtual rt::HRESULT get_RecordCount(int32_t* count) = 0;
    virtual rt::HRESULT get_Source(rt::Str* source) = 0;
    // The fields collection (a new reference); error 3704 when closed.
    virtual rt::HRESULT get_Fields(Fields** fields) = 0;
    virtual rt::HRESULT get_EditMode(int32_t* mode) = 0;
    virtual rt::HRESULT get_State(int32_t* state) = 0;

    // Starts a new row at the end and makes it current; a pending edit is updated first.
    virtual rt::HRESULT AddNew(const rt::Variant& fieldList, const rt::Variant& values) = 0;
    // Ends the edit of the current row: writes it back at once in immediate mode on an open
    // connection, else keeps it as a pending change.
    virtual rt::HRESULT Update(const rt::Variant& fields, const rt::Variant& values) = 0;
    virtual rt::HRESULT CancelUpdate() = 0;
    // Deletes the current row (immediate mode: at once; batch mode: pending).
    virtual rt::HRESULT Delete(int32_t affect) = 0;
    // Writes every pending change in one transaction; on failure nothing is written and the
    // changes stay pending.
    virtual rt::HRESULT UpdateBatch(int32_t affect) = 0;
    virtual rt::HRESULT CancelBatch(int32_t affect) = 0;
    virtual rt::HRESULT MoveFirst() = 0;
    virtual rt::HRESULT MoveLast() = 0;
    virtual rt::HRESULT MoveNext() = 0;
    virtual rt::HRESULT MovePrevious() = 0;
    // Source: SQL text, a table name (adCmdTable), a persisted file (adCmdFile) or a
    // DOMDocument holding a persisted row document (no connection then).
    virtual rt::HRESULT Open(const rt::Variant& source, const rt::Variant& activeConnection, int32_t cursorType,
                             int32_t lockType, int32_t options) = 0;
    virtual rt::HRESULT Close() = 0;
    // Destination: a DOMDocument (its content is replaced) or a file path (must not exist).
    // Only adPersistXML is supported.
    virtual rt::HRESULT Save(const rt::Variant& destination, int32_t persistFormat) = 0;
    // A second record set over the same rows (changes show in both); the caller owns it.
    virtual rt::HRESULT Clone(int32_t lockType, _Recordset** clone) = 0;

protected:
    ~_Recordset() = default;
};

struct _Connection : rt::IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{00000550-0000-0010-8000-00AA006D2EA4}");
    using Base = rt::IDispatch;
    static const rt::InterfaceInfo& info();
    virtual rt::HRESULT get_ConnectionString(rt::Str* text) = 0;
    // Error 3705 while open.
    virtual rt::HRESULT put_ConnectionString(const rt::Str& text) = 0;
    virtual rt::HRESULT get_CommandTimeout(int32_t* seconds) = 0;
    virtual rt::HRESULT put_CommandTimeout(int32_t seconds) = 0;
    virtual rt::HRESULT get_ConnectionTimeout(int32_t* seconds) = 0;
    virtual rt::HRESULT put_ConnectionTimeout(int32_t seconds) = 0;
    virtual rt::HRESULT get_Version(rt::Str* version) = 0;
    virtual rt::HRESULT Close() = 0;
    // Runs a statement; a result with rows comes back as an open read-only record set, any
    // other as a closed one. recordsAffected (when given) receives the rows changed.
    virtual rt::HRESULT Execute(const rt::Str& commandText, rt::Variant* recordsAffected, int32_t options,
                                _Recordset** result) = 0;
    // Returns the new nesting level (1 for the outermost transaction).
    virtual rt::HRESULT BeginTrans(int32_t* level) = 0;
    virtual rt::HRESULT CommitTrans() = 0;
    virtual rt::HRESULT RollbackTrans() = 0;
    // Empty arguments use the properties (ConnectionString, and user id / password in it).
    virtual rt::HRESULT Open(const rt::Str& connectionString, const rt::Str& userId, const rt::Str& password,
                             int32_t options) = 0;
    virtual rt::HRESULT get_CursorLocation(int32_t* location) = 0;
    virtual rt::HRESULT put_CursorLocation(int32_t location) = 0;
    virtual rt::HRESULT get_Provider(rt::Str* provider) = 0;
    virtual rt::HRESULT put_Provider(const rt::Str& provider) = 0;
    // adStateOpen while the database connection is usable as far as the provider can tell
    // without a round trip; adStateClosed otherwise.
    virtual rt::HRESULT get_State(int32_t* state) = 0;

protected:
    ~_Connection() = default;
};

inline constexpr rt::CLSID kConnectionClsid = rt::guid("{00000514-0000-0010-8000-00AA006D2EA4}");
inline constexpr rt::CLSID kRecordsetClsid = rt::guid("{00000535-0000-0010-8000-00AA006D2EA4}");

// New objects (one reference, owned by the caller), as CreateObject makes them.
rt::ComPtr<_Connection> newConnection();
rt::ComPtr<_Recordset> newRecordset();

}  // namespace ado
