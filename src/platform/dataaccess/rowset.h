// The data behind a record set: column descriptions, the fetched rows and the pending
// changes. Shared by a record set and its clones.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ado.h"
#include "rowstore.h"

namespace ado {

enum class Writability : uint8_t { ReadOnly, Unknown, Writable };

// One column of a record set, as its provider or its persisted schema describes it.
struct FieldInfo {
    rt::Str name;
    DataType type = adVarWChar;
    int32_t definedSize = 0;
    uint8_t precision = 255;
    uint8_t scale = 255;
    bool nullable = true;
    bool mayBeNull = true;
    bool fixedLength = false;
    bool isLong = false;
    bool keyColumn = false;
    bool autoIncrement = false;
    bool hidden = false;  // carried for writing back, not listed in Fields
    Writability write = Writability::ReadOnly;
    rt::Str baseCatalog, baseSchema, baseTable, baseColumn;

    // FieldAttribute flags; a writable column reports adFldUpdatable only when the record
    // set's lock type allows writes (adFldUnknownUpdatable otherwise).
    int32_t attributes(bool lockAllowsWrites) const;
};

// A field of the given type with ADO's usual size, precision, scale and fixed-length flag
// for it (size, precision and scale given as -1 take the type's defaults).
FieldInfo fieldOfType(rt::Str name, DataType type, int32_t size = -1, int precision = -1, int scale = -1);

enum class RowStatus : uint8_t { Unchanged, Modified, New };

struct Row {
    static constexpr uint32_t kNoOverlay = UINT32_MAX;
    const char* base = nullptr;  // encoded original values; null for added rows
    uint32_t overlay = kNoOverlay;
    uint32_t ordinal = 0;  // position among all rows ever made; rows stay sorted by it
    RowStatus status = RowStatus::Unchanged;
    // Inserted through this record set: a column it left null may hold what the database
    // chose (a default), so its original value is not known.
    bool insertedHere = false;
};

// Current values of a changed or added row, and which of them were set.
struct Overlay {
    std::vector<Cell> cells;
    std::vector<uint8_t> changed;
};

class RowsetData {
public:
    std::vector<FieldInfo> fields;
    RowStore store;
    std::vector<Row> rows;     // present rows, in order
    std::vector<Row> deleted;  // rows whose deletion is pending, in order

    size_t fieldCount() const { return fields.size(); }
    // Indexes of the fields that Fields lists (hidden ones left out); set by schemaDone.
    const std::vector<size_t>& visibleFields() const { return visible_; }
    void schemaDone();

    // Appends a fetched, unchanged row.
    void appendFetched(const char* base);
    // A new added row at the end (its overlay all null); returns its index in rows.
    size_t appendNew();

    CellView currentCell(const Row& row, size_t column) const;
    CellView originalCell(const Row& row, size_t column) const;
    // The overlay of a row, made from its current values when it has none.
    Overlay& overlayOf(Row& row);
    const Overlay* findOverlay(const Row& row) const;
    void dropOverlay(Row& row);

    // Index in rows of the row with that ordinal, or of the first row after it when it is
    // gone; rows.size() when none follows.
    size_t positionOf(uint32_t ordinal) const;
    bool contains(uint32_t ordinal) const;

    // The row's current values become its original ones (after they were written back;
    // inserted: the row was new).
    void rebase(Row& row, bool inserted = false);
    bool hasPendingChanges() const;
    // Moves rows[index] to the pending deletions (an added row is simply dropped).
    void markDeleted(size_t index);
    // Takes rows[index] out for good (its deletion was written back).
    void removeRow(size_t index);
    // Drops every pending change: added rows go, changed rows get their original values,
    // deleted rows come back in their places.
    void cancelAll();

private:
    std::vector<Overlay> overlays_;
    std::vector<uint32_t> freeOverlays_;
    std::vector<size_t> visible_;
    uint32_t nextOrdinal_ = 0;
};

}  // namespace ado
