// The record set object: its state and current row, values and the edit buffer, the
// properties, writes (AddNew, Update, Delete, UpdateBatch and their cancelling) and
// navigation, and its class. Opening and saving live in recordset_open.cpp, the Fields and
// Field objects in recordset_fields.cpp.
#include <algorithm>

#include "recordset_internal.h"
#include "runtime/classes.h"
#include "runtime/convert.h"
#include "values.h"
#include "writeback.h"

namespace ado {

using namespace recordset;

namespace {

[[noreturn]] void noCurrentRecord() {
    raiseAdo(adErrNoCurrentRecord,
             u"Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a "
             u"current record.");
}

// The session's transaction around one write: committed by done(), rolled back otherwise.
class TransactionScope {
public:
    explicit TransactionScope(Session& s) : s_(s), depth_(s.beginTransaction()) {}
    ~TransactionScope() {
        if (open_ && s_.transactionDepth() == depth_) {
            try {
                s_.rollbackTransaction();
            } catch (const rt::Error&) {
                // The write's own error is the one to report.
            }
        }
    }
    void done() {
        s_.commitTransaction();
        open_ = false;
    }

private:
    Session& s_;
    int depth_;
    bool open_ = true;
};

void applyGenerated(Overlay& o, const std::vector<std::pair<size_t, int64_t>>& generated) {
    for (const auto& [field, value] : generated) {
        o.cells[field] = Cell(CellView::ofInteger(value));
        o.changed[field] = 1;
    }
}

}  // namespace

RecordsetObject* recordsetObjectOf(rt::IUnknown* object) {
    if (!object) return nullptr;
    rt::ComPtr<_Recordset> r;
    if (rt::failed(object->QueryInterface(_Recordset::IID_, reinterpret_cast<void**>(r.put())))) return nullptr;
    return dynamic_cast<RecordsetObject*>(r.get());
}

// ---- state ---------------------------------------------------------------------------------

void RecordsetObject::requireOpen() const {
    if (!open_) raiseAdo(adErrObjectClosed, u"Operation is not allowed when the object is closed.");
}

void RecordsetObject::requireClosed() const {
    if (open_) raiseAdo(adErrObjectOpen, u"Operation is not allowed when the object is open.");
}

bool RecordsetObject::lockAllowsWrites() const {
    return lockType_ == adLockPessimistic || lockType_ == adLockOptimistic || lockType_ == adLockBatchOptimistic;
}

void RecordsetObject::requireUpdatable() const {
    if (!lockAllowsWrites())
        raiseAdo(adErrFeatureNotAvailable,
                 u"Current Recordset does not support updating. This may be a limitation of the provider, or of the "
                 u"selected locktype.");
}

const std::shared_ptr<RowsetData>& RecordsetObject::data() const {
    requireOpen();
    return data_;
}

Session* RecordsetObject::liveSession() const {
    ConnectionObject* c = connectionObjectOf(connection_.get());
    return c && c->isOpen() ? &c->session() : nullptr;
}

bool RecordsetObject::immediateMode() const {
    return (lockType_ == adLockPessimistic || lockType_ == adLockOptimistic) && liveSession();
}

bool RecordsetObject::isBOF() const { return data_->rows.empty() || at_ == At::Before; }
bool RecordsetObject::isEOF() const { return data_->rows.empty() || at_ == At::After; }

bool RecordsetObject::onDeletedRow() const { return at_ == At::Row && !data_->contains(ordinal_); }

size_t RecordsetObject::currentIndex() const {
    requireOpen();
    if (at_ != At::Row) noCurrentRecord();
    const size_t i = data_->positionOf(ordinal_);
    if (i >= data_->rows.size() || data_->rows[i].ordinal != ordinal_) noCurrentRecord();
    return i;
}

void RecordsetObject::moveToIndex(size_t index) {
    if (index >= data_->rows.size()) {
        at_ = At::After;
        return;
    }
    at_ = At::Row;
    ordinal_ = data_->rows[index].ordinal;
}

void RecordsetObject::moveToStart() {
    if (data_->rows.empty())
        at_ = At::Before;
    else
        moveToIndex(0);
}

// ---- values --------------------------------------------------------------------------------

rt::Variant RecordsetObject::value(size_t field) const {
    requireOpen();
    const FieldInfo& f = data_->fields[field];
    if (edit_.active && at_ == At::Row && ordinal_ == edit_.ordinal) return variantOf(edit_.cells[field].view(), f);
    return variantOf(data_->currentCell(data_->rows[currentIndex()], field), f);
}

rt::Variant RecordsetObject::underlyingValue(size_t field) const {
    const size_t i = currentIndex();
    return variantOf(data_->currentCell(data_->rows[i], field), data_->fields[field]);
}

rt::Variant RecordsetObject::originalValue(size_t field) const {
    const size_t i = currentIndex();
    return variantOf(data_->originalCell(data_->rows[i], field), data_->fields[field]);
}

void RecordsetObject::setValue(size_t field, const rt::Variant& v) {
    requireOpen();
    requireUpdatable();
    const FieldInfo& f = data_->fields[field];
    if (f.write == Writability::ReadOnly)
        throw rt::Error::status(kMultipleStepErrors, u"Field '" + f.name + u"' cannot be updated.");
    currentIndex();
    Cell c = cellFor(v, f);
    beginEdit();
    edit_.cells[field] = std::move(c);
    edit_.changed[field] = 1;
}

// ---- editing -------------------------------------------------------------------------------

void RecordsetObject::beginEdit() {
    if (edit_.active) return;
    Row& row = data_->rows[currentIndex()];
    edit_ = Edit();
    edit_.active = true;
    edit_.ordinal = row.ordinal;
    const size_t n = data_->fieldCount();
    edit_.cells.resize(n);
    for (size_t i = 0; i < n; ++i) edit_.cells[i] = Cell(data_->currentCell(row, i));
    if (const Overlay* o = data_->findOverlay(row))
        edit_.changed = o->changed;
    else
        edit_.changed.assign(n, 0);
}

void RecordsetObject::dropEdit() { edit_ = Edit(); }

void RecordsetObject::writeRowNow(size_t index, const std::vector<Cell>& cells, const std::vector<uint8_t>& changed,
                                  bool insert) {
    Session& s = *liveSession();
    std::vector<std::pair<size_t, int64_t>> generated;
    {
        TransactionScope tx(s);
        WriteBack wb(*data_, s);
        generated = wb.write(data_->rows[index], insert ? RowChange::Insert : RowChange::Update, {&cells, &changed});
        tx.done();
    }
    Row& row = data_->rows[index];
    Overlay& o = data_->overlayOf(row);
    o.cells = cells;
    applyGenerated(o, generated);
    data_->rebase(row, insert);
}

void RecordsetObject::commitEdit() {
    const size_t index = data_->positionOf(edit_.ordinal);
    if (index >= data_->rows.size() || data_->rows[index].ordinal != edit_.ordinal) {
        dropEdit();
        return;
    }
    Row& row = data_->rows[index];
    const bool anyChange = std::any_of(edit_.changed.begin(), edit_.changed.end(), [](uint8_t c) { return c; });
    if (immediateMode()) {
        const bool insert = row.status == RowStatus::New;
        if (insert || anyChange) writeRowNow(index, edit_.cells, edit_.changed, insert);
        dropEdit();
        return;
    }
    // Batch mode, or no connection: the change waits for UpdateBatch.
    if (row.status == RowStatus::Unchanged && !anyChange) {
        dropEdit();
        return;
    }
    Overlay& o = data_->overlayOf(row);
    for (size_t i = 0; i < edit_.cells.size(); ++i) {
        if (!edit_.changed[i]) continue;
        o.cells[i] = std::move(edit_.cells[i]);
        o.changed[i] = 1;
    }
    if (row.status == RowStatus::Unchanged) row.status = RowStatus::Modified;
    dropEdit();
}

void RecordsetObject::finishEdit() {
    if (edit_.active) commitEdit();
}

void RecordsetObject::assignFieldValues(const rt::Variant& fields, const rt::Variant& values) {
    const rt::Variant& f = fields.deref();
    const rt::Variant& v = values.deref();
    if (f.isArray()) {
        if (!v.isArray() || v.array().size() != f.array().size()) invalidArgument();
        for (size_t i = 0; i < f.array().size(); ++i)
            setValue(resolveField(*data_, f.array().items()[i]), v.array().items()[i]);
    } else {
        setValue(resolveField(*data_, f), v);
    }
}

// ---- _Recordset ------------------------------------------------------------------------------

rt::HRESULT RecordsetObject::get_AbsolutePosition(int32_t* position) {
    return boundary(kSource, [&] {
        rt::need(position);
        requireOpen();
        if (at_ == At::Before || data_->rows.empty())
            *position = adPosBOF;
        else if (at_ == At::After)
            *position = adPosEOF;
        else if (onDeletedRow())
            *position = adPosUnknown;
        else
            *position = int32_t(currentIndex() + 1);
    });
}

rt::HRESULT RecordsetObject::put_AbsolutePosition(int32_t position) {
    return boundary(kSource, [&] {
        requireOpen();
        if (position < 1 || size_t(position) > data_->rows.size()) invalidArgument();
        finishEdit();
        moveToIndex(size_t(position - 1));
    });
}

rt::HRESULT RecordsetObject::get_ActiveConnection(rt::Variant* connection) {
    return boundary(kSource, [&] {
        rt::need(connection);
        *connection = connection_ ? rt::Variant(connection_) : rt::Variant::nothing();
    });
}

void RecordsetObject::resolveConnection(const rt::Variant& connection) {
    const rt::Variant& v = connection.deref();
    if (v.isObject()) {
        if (!v.object()) {
            connection_ = nullptr;
            return;
        }
        ConnectionObject* c = connectionObjectOf(v.object().get());
        if (!c) invalidArgument();
        connection_ = rt::ComPtr<_Connection>(c);
        return;
    }
    if (v.isEmpty() || v.isNull() || v.isMissing()) {
        connection_ = nullptr;
        return;
    }
    const rt::Str text = rt::toText(v);
    if (text.empty()) {
        connection_ = nullptr;
        return;
    }
    auto c = rt::makeObject<ConnectionObject>();
    c->open(text, {}, {});
    connection_ = rt::ComPtr<_Connection>(c.get());
}

rt::HRESULT RecordsetObject::put_ActiveConnection(const rt::Variant& connection) {
    return boundary(kSource, [&] { resolveConnection(connection); });
}

rt::HRESULT RecordsetObject::putref_ActiveConnection(rt::IDispatch* connection) {
    return boundary(kSource, [&] {
        if (!connection) {
            connection_ = nullptr;
            return;
        }
        ConnectionObject* c = connectionObjectOf(connection);
        if (!c) invalidArgument();
        connection_ = rt::ComPtr<_Connection>(c);
    });
}

rt::HRESULT RecordsetObject::get_BOF(int16_t* bof) {
    return boundary(kSource, [&] {
        rt::need(bof);
        requireOpen();
        *bof = isBOF() ? rt::VARIANT_TRUE : rt::VARIANT_FALSE;
    });
}

rt::HRESULT RecordsetObject::get_EOF(int16_t* eof) {
    return boundary(kSource, [&] {
        rt::need(eof);
        requireOpen();
        *eof = isEOF() ? rt::VARIANT_TRUE : rt::VARIANT_FALSE;
    });
}

rt::HRESULT RecordsetObject::get_CursorType(int32_t* cursorType) {
    return boundary(kSource, [&] { *rt::need(cursorType) = cursorType_; });
}

rt::HRESULT RecordsetObject::put_CursorType(int32_t cursorType) {
    return boundary(kSource, [&] {
        requireClosed();
        if (cursorType < adOpenUnspecified || cursorType > adOpenStatic) invalidArgument();
        cursorType_ = cursorType == adOpenUnspecified ? adOpenForwardOnly : cursorType;
    });
}

rt::HRESULT RecordsetObject::get_LockType(int32_t* lockType) {
    return boundary(kSource, [&] { *rt::need(lockType) = lockType_; });
}

rt::HRESULT RecordsetObject::put_LockType(int32_t lockType) {
    return boundary(kSource, [&] {
        requireClosed();
        if (lockType != adLockUnspecified && !validLockType(lockType)) invalidArgument();
        lockType_ = lockType == adLockUnspecified ? adLockReadOnly : lockType;
    });
}

rt::HRESULT RecordsetObject::get_CursorLocation(int32_t* location) {
    return boundary(kSource, [&] { *rt::need(location) = cursorLocation_; });
}

rt::HRESULT RecordsetObject::put_CursorLocation(int32_t location) {
    return boundary(kSource, [&] {
        requireClosed();
        if (location != adUseServer && location != adUseClient && location != 1) invalidArgument();
        cursorLocation_ = location;
    });
}

rt::HRESULT RecordsetObject::get_RecordCount(int32_t* count) {
    return boundary(kSource, [&] {
        rt::need(count);
        requireOpen();
        *count = int32_t(data_->rows.size());
    });
}

rt::HRESULT RecordsetObject::get_Source(rt::Str* source) {
    return boundary(kSource, [&] { *rt::need(source) = source_; });
}

rt::HRESULT RecordsetObject::get_Fields(Fields** fields) {
    return boundary(kSource, [&] {
        rt::need(fields);
        requireOpen();
        auto f = rt::makeObject<FieldsObject>(rt::ComPtr<RecordsetObject>(this));
        rt::assignOut(fields, rt::ComPtr<Fields>(f.get()));
    });
}

rt::HRESULT RecordsetObject::get_EditMode(int32_t* mode) {
    return boundary(kSource, [&] {
        rt::need(mode);
        requireOpen();
        if (edit_.active)
            *mode = edit_.adding ? adEditAdd : adEditInProgress;
        else if (onDeletedRow())
            *mode = adEditDelete;
        else
            *mode = adEditNone;
    });
}

rt::HRESULT RecordsetObject::get_State(int32_t* state) {
    return boundary(kSource, [&] { *rt::need(state) = open_ ? adStateOpen : adStateClosed; });
}

rt::HRESULT RecordsetObject::AddNew(const rt::Variant& fieldList, const rt::Variant& values) {
    return boundary(kSource, [&] {
        requireOpen();
        requireUpdatable();
        finishEdit();
        const At previousAt = at_;
        const uint32_t previousOrdinal = ordinal_;
        const size_t index = data_->appendNew();
        moveToIndex(index);
        edit_ = Edit();
        edit_.active = true;
        edit_.adding = true;
        edit_.ordinal = data_->rows[index].ordinal;
        edit_.cells.assign(data_->fieldCount(), Cell());
        edit_.changed.assign(data_->fieldCount(), 0);
        edit_.previousAt = previousAt;
        edit_.previousOrdinal = previousOrdinal;
        if (!fieldList.deref().isMissing()) {
            assignFieldValues(fieldList, values);
            commitEdit();
        }
    });
}

rt::HRESULT RecordsetObject::Update(const rt::Variant& fields, const rt::Variant& values) {
    return boundary(kSource, [&] {
        requireOpen();
        if (!fields.deref().isMissing()) assignFieldValues(fields, values);
        if (edit_.active) commitEdit();
    });
}

rt::HRESULT RecordsetObject::CancelUpdate() {
    return boundary(kSource, [&] {
        requireOpen();
        if (!edit_.active) return;
        if (edit_.adding) {
            const size_t i = data_->positionOf(edit_.ordinal);
            if (i < data_->rows.size() && data_->rows[i].ordinal == edit_.ordinal) data_->markDeleted(i);
            at_ = edit_.previousAt;
            ordinal_ = edit_.previousOrdinal;
            if (at_ == At::Row && !data_->contains(ordinal_)) moveToIndex(data_->positionOf(ordinal_));
        }
        dropEdit();
    });
}

rt::HRESULT RecordsetObject::Delete(int32_t affect) {
    return boundary(kSource, [&] {
        requireOpen();
        requireUpdatable();
        if (affect != adAffectCurrent) invalidArgument();
        const size_t index = currentIndex();
        dropEdit();
        Row& row = data_->rows[index];
        if (row.status == RowStatus::New) {
            data_->markDeleted(index);  // never written: simply dropped
            return;
        }
        if (immediateMode()) {
            Session& s = *liveSession();
            TransactionScope tx(s);
            WriteBack(*data_, s).write(row, RowChange::Delete, {});
            tx.done();
            data_->removeRow(index);
            return;
        }
        data_->markDeleted(index);
    });
}

rt::HRESULT RecordsetObject::UpdateBatch(int32_t affect) {
    return boundary(kSource, [&] {
        requireOpen();
        if (affect != adAffectAll && affect != adAffectCurrent) invalidArgument();
        finishEdit();
        if (!data_->hasPendingChanges()) return;
        requireUpdatable();
        Session* s = liveSession();
        if (!s)
            raiseAdo(adErrInvalidConnection,
                     u"The connection cannot be used to perform this operation. It is either closed or invalid in "
                     u"this context.");
        const bool onlyCurrent = affect == adAffectCurrent;
        const uint32_t current = ordinal_;
        auto selected = [&](const Row& r) { return !onlyCurrent || (at_ == At::Row && r.ordinal == current); };

        std::vector<std::pair<size_t, std::vector<std::pair<size_t, int64_t>>>> written;
        std::vector<uint32_t> deletedWritten;
        {
            TransactionScope tx(*s);
            WriteBack wb(*data_, *s);
            for (const Row& d : data_->deleted) {
                if (!selected(d)) continue;
                wb.write(d, RowChange::Delete, {});
                deletedWritten.push_back(d.ordinal);
            }
            for (size_t i = 0; i < data_->rows.size(); ++i) {
                const Row& r = data_->rows[i];
                if (r.status == RowStatus::Unchanged || !selected(r)) continue;
                const Overlay* o = data_->findOverlay(r);
                const RowChange::Kind kind = r.status == RowStatus::New ? RowChange::Insert : RowChange::Update;
                written.emplace_back(i, wb.write(r, kind, {&o->cells, &o->changed}));
            }
            tx.done();
        }
        // Written: the rows' current values become their original ones.
        for (auto& [index, generated] : written) {
            Row& r = data_->rows[index];
            applyGenerated(data_->overlayOf(r), generated);
            data_->rebase(r, r.status == RowStatus::New);
        }
        auto& del = data_->deleted;
        del.erase(std::remove_if(del.begin(), del.end(),
                                 [&](const Row& r) {
                                     return std::find(deletedWritten.begin(), deletedWritten.end(), r.ordinal) !=
                                            deletedWritten.end();
                                 }),
                  del.end());
    });
}

rt::HRESULT RecordsetObject::CancelBatch(int32_t affect) {
    return boundary(kSource, [&] {
        requireOpen();
        if (affect != adAffectAll) invalidArgument();
        dropEdit();
        data_->cancelAll();
        if (at_ == At::Row && !data_->contains(ordinal_)) moveToStart();
    });
}

rt::HRESULT RecordsetObject::MoveFirst() {
    return boundary(kSource, [&] {
        requireOpen();
        finishEdit();
        if (data_->rows.empty()) noCurrentRecord();
        moveToIndex(0);
    });
}

rt::HRESULT RecordsetObject::MoveLast() {
    return boundary(kSource, [&] {
        requireOpen();
        finishEdit();
        if (data_->rows.empty()) noCurrentRecord();
        moveToIndex(data_->rows.size() - 1);
    });
}

rt::HRESULT RecordsetObject::MoveNext() {
    return boundary(kSource, [&] {
        requireOpen();
        finishEdit();
        if (isEOF()) noCurrentRecord();
        if (at_ == At::Before) {
            moveToIndex(0);
            return;
        }
        const size_t i = data_->positionOf(ordinal_);
        // On a deleted row, the next row already sits at its old place.
        moveToIndex(data_->contains(ordinal_) ? i + 1 : i);
    });
}

rt::HRESULT RecordsetObject::MovePrevious() {
    return boundary(kSource, [&] {
        requireOpen();
        finishEdit();
        if (isBOF()) noCurrentRecord();
        const size_t i = at_ == At::After ? data_->rows.size() : data_->positionOf(ordinal_);
        if (i == 0)
            at_ = At::Before;
        else
            moveToIndex(i - 1);
    });
}

// ---- creation ------------------------------------------------------------------------------

rt::ComPtr<_Recordset> newRecordset() {
    auto r = rt::makeObject<RecordsetObject>();
    return rt::ComPtr<_Recordset>(r.get());
}

namespace {
const rt::ClassRegistrar recordsetClass("ADODB.Recordset", kRecordsetClsid,
                                        [](const rt::IID& iid, void** out) -> rt::HRESULT {
                                            auto r = rt::makeObject<RecordsetObject>();
                                            return r->QueryInterface(iid, out);
                                        },
                                        &_Recordset::info);
}  // namespace

}  // namespace ado
