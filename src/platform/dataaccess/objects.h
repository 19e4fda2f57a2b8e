// The objects behind the data-access interfaces (internal to this layer).
#pragma once

#include <memory>

#include "ado.h"
#include "provider.h"
#include "rowset.h"

namespace ado {

class ConnectionObject final : public rt::DispatchObject<ConnectionObject, _Connection> {
public:
    rt::HRESULT get_ConnectionString(rt::Str* text) override;
    rt::HRESULT put_ConnectionString(const rt::Str& text) override;
    rt::HRESULT get_CommandTimeout(int32_t* seconds) override;
    rt::HRESULT put_CommandTimeout(int32_t seconds) override;
    rt::HRESULT get_ConnectionTimeout(int32_t* seconds) override;
    rt::HRESULT put_ConnectionTimeout(int32_t seconds) override;
    rt::HRESULT get_Version(rt::Str* version) override;
    rt::HRESULT Close() override;
    rt::HRESULT Execute(const rt::Str& commandText, rt::Variant* recordsAffected, int32_t options,
                        _Recordset** result) override;
    rt::HRESULT BeginTrans(int32_t* level) override;
    rt::HRESULT CommitTrans() override;
    rt::HRESULT RollbackTrans() override;
    rt::HRESULT Open(const rt::Str& connectionString, const rt::Str& userId, const rt::Str& password,
                     int32_t options) override;
    rt::HRESULT get_CursorLocation(int32_t* location) override;
    rt::HRESULT put_CursorLocation(int32_t location) override;
    rt::HRESULT get_Provider(rt::Str* provider) override;
    rt::HRESULT put_Provider(const rt::Str& provider) override;
    rt::HRESULT get_State(int32_t* state) override;

    // The open session; error 3709 when the connection is closed or dropped.
    Session& session();
    bool isOpen();
    // Opens with the connection string given (the properties otherwise); throws rt::Error.
    void open(const rt::Str& connectionString, const rt::Str& userId, const rt::Str& password);

private:
    rt::Str connectionString_;
    rt::Str provider_;
    int32_t commandTimeout_ = 30;
    int32_t connectionTimeout_ = 15;
    int32_t cursorLocation_ = adUseServer;
    std::unique_ptr<Session> session_;
};

// Our connection object behind an object reference; nullptr for anything else.
ConnectionObject* connectionObjectOf(rt::IDispatch* object);

class RecordsetObject final : public rt::DispatchObject<RecordsetObject, _Recordset> {
public:
    rt::HRESULT get_AbsolutePosition(int32_t* position) override;
    rt::HRESULT put_AbsolutePosition(int32_t position) override;
    rt::HRESULT get_ActiveConnection(rt::Variant* connection) override;
    rt::HRESULT put_ActiveConnection(const rt::Variant& connection) override;
    rt::HRESULT putref_ActiveConnection(rt::IDispatch* connection) override;
    rt::HRESULT get_BOF(int16_t* bof) override;
    rt::HRESULT get_EOF(int16_t* eof) override;
    rt::HRESULT get_CursorType(int32_t* cursorType) override;
    rt::HRESULT put_CursorType(int32_t cursorType) override;
    rt::HRESULT get_LockType(int32_t* lockType) override;
    rt::HRESULT put_LockType(int32_t lockType) override;
    rt::HRESULT get_CursorLocation(int32_t* location) override;
    rt::HRESULT put_CursorLocation(int32_t location) override;
    rt::HRESULT get_RecordCount(int32_t* count) override;
    rt::HRESULT get_Source(rt::Str* source) override;
    rt::HRESULT get_Fields(Fields** fields) override;
    rt::HRESULT get_EditMode(int32_t* mode) override;
    rt::HRESULT get_State(int32_t* state) override;
    rt::HRESULT AddNew(const rt::Variant& fieldList, const rt::Variant& values) override;
    rt::HRESULT Update(const rt::Variant& fields, const rt::Variant& values) override;
    rt::HRESULT CancelUpdate() override;
    rt::HRESULT Delete(int32_t affect) override;
    rt::HRESULT UpdateBatch(int32_t affect) override;
    rt::HRESULT CancelBatch(int32_t affect) override;
    rt::HRESULT MoveFirst() override;
    rt::HRESULT MoveLast() override;
    rt::HRESULT MoveNext() override;
    rt::HRESULT MovePrevious() override;
    rt::HRESULT Open(const rt::Variant& source, const rt::Variant& activeConnection, int32_t cursorType,
                     int32_t lockType, int32_t options) override;
    rt::HRESULT Close() override;
    rt::HRESULT Save(const rt::Variant& destination, int32_t persistFormat) override;
    rt::HRESULT Clone(int32_t lockType, _Recordset** clone) override;

    // Opens over rows already fetched (Connection.Execute).
    void openOver(std::shared_ptr<RowsetData> data, rt::ComPtr<_Connection> connection, int32_t lockType,
                  rt::Str source);

    // ---- for Fields and Field --------------------------------------------------------
    // The open data; error 3704 when closed.
    const std::shared_ptr<RowsetData>& data() const;
    // The field's value in the current row (the edit buffer while editing); error 3021
    // without a current row.
    rt::Variant value(size_t field) const;
    rt::Variant originalValue(size_t field) const;
    rt::Variant underlyingValue(size_t field) const;
    void setValue(size_t field, const rt::Variant& v);
    bool lockAllowsWrites() const;

private:
    enum class At : uint8_t { Before, Row, After };  // before the first row, on one, after the last
    struct Edit {
        bool active = false;
        bool adding = false;
        uint32_t ordinal = 0;
        std::vector<Cell> cells;
        std::vector<uint8_t> changed;
        At previousAt = At::Before;  // where AddNew came from, for CancelUpdate
        uint32_t previousOrdinal = 0;
    };

    void requireOpen() const;
    void requireClosed() const;
    void requireUpdatable() const;
    // Index of the current row in data_->rows; error 3021 when there is none (BOF, EOF, or
    // a deleted row).
    size_t currentIndex() const;
    bool onDeletedRow() const;
    bool isBOF() const;
    bool isEOF() const;
    void moveToIndex(size_t index);
    void moveToStart();
    // A session when the record set can write now; null when it is disconnected.
    Session* liveSession() const;
    bool immediateMode() const;

    void beginEdit();
    void commitEdit();
    void finishEdit();
    void dropEdit();
    void assignFieldValues(const rt::Variant& fields, const rt::Variant& values);
    void writeRowNow(size_t index, const std::vector<Cell>& cells, const std::vector<uint8_t>& changed, bool insert);
    void openFromDocument(rt::IDispatch* document, int32_t lockType);
    void openFromFile(const rt::Str& path, int32_t lockType);
    void openPersisted(std::shared_ptr<RowsetData> data, int32_t lockType, rt::Str source);
    void resolveConnection(const rt::Variant& connection);

    bool open_ = false;
    std::shared_ptr<RowsetData> data_;
    rt::ComPtr<_Connection> connection_;
    int32_t cursorType_ = adOpenForwardOnly;
    int32_t lockType_ = adLockReadOnly;
    int32_t cursorLocation_ = adUseServer;
    rt::Str source_;
    At at_ = At::Before;
    uint32_t ordinal_ = 0;
    Edit edit_;
};

// Our record set behind an interface pointer; nullptr for anything else.
RecordsetObject* recordsetObjectOf(rt::IUnknown* object);

class FieldsObject final : public rt::DispatchObject<FieldsObject, Fields> {
public:
    explicit FieldsObject(rt::ComPtr<RecordsetObject> rs) : rs_(std::move(rs)) {}
    rt::HRESULT get_Count(int32_t* count) override;
    rt::HRESULT get_Item(const rt::Variant& index, Field** field) override;
    rt::HRESULT Refresh() override;

private:
    rt::ComPtr<RecordsetObject> rs_;
};

class FieldObject final : public rt::DispatchObject<FieldObject, Field> {
public:
    FieldObject(rt::ComPtr<RecordsetObject> rs, std::shared_ptr<RowsetData> data, size_t index)
        : rs_(std::move(rs)), data_(std::move(data)), index_(index) {}
    rt::HRESULT get_ActualSize(int32_t* size) override;
    rt::HRESULT get_Attributes(int32_t* attributes) override;
    rt::HRESULT get_DefinedSize(int32_t* size) override;
    rt::HRESULT get_Name(rt::Str* name) override;
    rt::HRESULT get_Type(int32_t* type) override;
    rt::HRESULT get_Value(rt::Variant* value) override;
    rt::HRESULT put_Value(const rt::Variant& value) override;
    rt::HRESULT get_Precision(int16_t* precision) override;
    rt::HRESULT get_NumericScale(int16_t* scale) override;
    rt::HRESULT get_OriginalValue(rt::Variant* value) override;
    rt::HRESULT get_UnderlyingValue(rt::Variant* value) override;

private:
    // The field's description; error 3704 when the record set was closed or reopened.
    const FieldInfo& info() const;
    rt::ComPtr<RecordsetObject> rs_;
    std::shared_ptr<RowsetData> data_;
    size_t index_;
};

}  // namespace ado
