#include "rowset.h"

#include <algorithm>

namespace ado {

int32_t FieldInfo::attributes(bool lockAllowsWrites) const {
    int32_t a = 0;
    if (write == Writability::Writable) a |= lockAllowsWrites ? adFldUpdatable : adFldUnknownUpdatable;
    if (write == Writability::Unknown) a |= adFldUnknownUpdatable;
    if (fixedLength) a |= adFldFixed;
    if (nullable) a |= adFldIsNullable;
    if (mayBeNull) a |= adFldMayBeNull;
    if (isLong) a |= adFldLong;
    if (keyColumn) a |= adFldKeyColumn;
    return a;
}

namespace {

struct TypeDefaults {
    int32_t size;
    uint8_t precision;
    uint8_t scale;
    bool fixed;
    bool isLong;
};

TypeDefaults defaultsOf(DataType type) {
    switch (type) {
        case adSmallInt: return {2, 5, 255, true, false};
        case adInteger: return {4, 10, 255, true, false};
        case adBigInt: return {8, 19, 255, true, false};
        case adTinyInt:
        case adUnsignedTinyInt: return {1, 3, 255, true, false};
        case adUnsignedSmallInt: return {2, 5, 255, true, false};
        case adUnsignedInt: return {4, 10, 255, true, false};
        case adUnsignedBigInt: return {8, 20, 255, true, false};
        case adSingle: return {4, 7, 255, true, false};
        case adDouble: return {8, 15, 255, true, false};
        case adCurrency: return {8, 19, 4, true, false};
        case adDecimal:
        case adNumeric:
        case adVarNumeric: return {19, 18, 0, true, false};
        case adBoolean: return {2, 255, 255, true, false};
        case adDate: return {8, 255, 255, true, false};
        case adFileTime: return {8, 255, 255, true, false};
        case adDBDate: return {6, 10, 255, true, false};
        case adDBTime: return {6, 8, 255, true, false};
        case adDBTimeStamp: return {16, 23, 3, true, false};
        case adGUID: return {16, 255, 255, true, false};
        case adChar:
        case adWChar: return {1, 255, 255, true, false};
        case adBinary: return {1, 255, 255, true, false};
        case adLongVarChar: return {2147483647, 255, 255, false, true};
        case adLongVarWChar: return {1073741823, 255, 255, false, true};
        case adLongVarBinary: return {2147483647, 255, 255, false, true};
        case adVariant: return {16, 255, 255, false, false};
        default: return {255, 255, 255, false, false};  // variable text and binary
    }
}

}  // namespace

FieldInfo fieldOfType(rt::Str name, DataType type, int32_t size, int precision, int scale) {
    const TypeDefaults d = defaultsOf(type);
    FieldInfo f;
    f.name = std::move(name);
    f.type = type;
    f.definedSize = size >= 0 ? size : d.size;
    f.precision = precision >= 0 ? uint8_t(std::min(precision, 255)) : d.precision;
    f.scale = scale >= 0 ? uint8_t(std::min(scale, 255)) : d.scale;
    f.fixedLength = d.fixed;
    f.isLong = d.isLong;
    return f;
}

void RowsetData::schemaDone() {
    visible_.clear();
    for (size_t i = 0; i < fields.size(); ++i)
        if (!fields[i].hidden) visible_.push_back(i);
}

void RowsetData::appendFetched(const char* base) {
    Row r;
    r.base = base;
    r.ordinal = nextOrdinal_++;
    rows.push_back(r);
}

size_t RowsetData::appendNew() {
    Row r;
    r.ordinal = nextOrdinal_++;
    r.status = RowStatus::New;
    rows.push_back(r);
    overlayOf(rows.back());
    return rows.size() - 1;
}

CellView RowsetData::currentCell(const Row& row, size_t column) const {
    if (const Overlay* o = findOverlay(row)) return o->cells[column].view();
    return originalCell(row, column);
}

CellView RowsetData::originalCell(const Row& row, size_t column) const {
    return row.base ? RowStore::cell(row.base, column) : CellView::null();
}

const Overlay* RowsetData::findOverlay(const Row& row) const {
    return row.overlay == Row::kNoOverlay ? nullptr : &overlays_[row.overlay];
}

Overlay& RowsetData::overlayOf(Row& row) {
    if (row.overlay != Row::kNoOverlay) return overlays_[row.overlay];
    Overlay o;
    o.cells.resize(fields.size());
    o.changed.assign(fields.size(), 0);
    if (row.base) {
        std::vector<CellView> views(fields.size());
        RowStore::decodeRow(row.base, views.size(), views.data());
        for (size_t i = 0; i < views.size(); ++i) o.cells[i] = Cell(views[i]);
    }
    if (!freeOverlays_.empty()) {
        row.overlay = freeOverlays_.back();
        freeOverlays_.pop_back();
        overlays_[row.overlay] = std::move(o);
    } else {
        row.overlay = uint32_t(overlays_.size());
        overlays_.push_back(std::move(o));
    }
    return overlays_[row.overlay];
}

void RowsetData::dropOverlay(Row& row) {
    if (row.overlay == Row::kNoOverlay) return;
    overlays_[row.overlay] = Overlay();
    freeOverlays_.push_back(row.overlay);
    row.overlay = Row::kNoOverlay;
}

size_t RowsetData::positionOf(uint32_t ordinal) const {
    // Rows being added are the last ones: answered without the search.
    if (rows.empty() || rows.back().ordinal < ordinal) return rows.size();
    if (rows.back().ordinal == ordinal) return rows.size() - 1;
    auto it = std::lower_bound(rows.begin(), rows.end(), ordinal,
                               [](const Row& r, uint32_t o) { return r.ordinal < o; });
    return size_t(it - rows.begin());
}

bool RowsetData::contains(uint32_t ordinal) const {
    size_t i = positionOf(ordinal);
    return i < rows.size() && rows[i].ordinal == ordinal;
}

void RowsetData::rebase(Row& row, bool inserted) {
    if (inserted) row.insertedHere = true;
    if (const Overlay* o = findOverlay(row)) {
        std::vector<CellView> views(fields.size());
        for (size_t i = 0; i < views.size(); ++i) views[i] = o->cells[i].view();
        row.base = store.appendRow(views.data(), views.size());
        dropOverlay(row);
    }
    row.status = RowStatus::Unchanged;
}

bool RowsetData::hasPendingChanges() const {
    if (!deleted.empty()) return true;
    return std::any_of(rows.begin(), rows.end(), [](const Row& r) { return r.status != RowStatus::Unchanged; });
}

void RowsetData::markDeleted(size_t index) {
    Row row = rows[index];
    rows.erase(rows.begin() + std::ptrdiff_t(index));
    if (row.status == RowStatus::New) {
        dropOverlay(row);
        return;
    }
    dropOverlay(row);  // the deletion is located by the original values
    row.status = RowStatus::Unchanged;
    auto at = std::lower_bound(deleted.begin(), deleted.end(), row.ordinal,
                               [](const Row& r, uint32_t o) { return r.ordinal < o; });
    deleted.insert(at, row);
}

void RowsetData::removeRow(size_t index) {
    dropOverlay(rows[index]);
    rows.erase(rows.begin() + std::ptrdiff_t(index));
}

void RowsetData::cancelAll() {
    std::vector<Row> kept;
    kept.reserve(rows.size() + deleted.size());
    for (Row& r : rows) {
        if (r.status == RowStatus::New) {
            dropOverlay(r);
            continue;
        }
        dropOverlay(r);
        r.status = RowStatus::Unchanged;
        kept.push_back(r);
    }
    std::vector<Row> merged;
    merged.reserve(kept.size() + deleted.size());
    std::merge(kept.begin(), kept.end(), deleted.begin(), deleted.end(), std::back_inserter(merged),
               [](const Row& a, const Row& b) { return a.ordinal < b.ordinal; });
    rows = std::move(merged);
    deleted.clear();
}

}  // namespace ado
