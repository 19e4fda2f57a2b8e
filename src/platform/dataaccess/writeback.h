// Writing changed rows back to their base tables through a session.
#pragma once

#include <map>
#include <utility>
#include <vector>

#include "provider.h"

namespace ado {

// The row values a write-back sends: current cells and which of them were set or changed.
struct RowValues {
    const std::vector<Cell>* cells = nullptr;
    const std::vector<uint8_t>* changed = nullptr;
};

class WriteBack {
public:
    WriteBack(const RowsetData& data, Session& session) : data_(data), session_(session) {}

    // Writes one row: an insert of the set columns, an update of the changed ones, or a
    // delete, per base table the row's fields come from. Updates and deletes find the row by
    // its key columns' original values (every column's, long ones aside, for a table without
    // a key); an update also by the original values of the columns it writes, so that a
    // change another user made to one of them meanwhile is never overwritten (a column this
    // record set inserted as null is left out: the database may have filled it). Returns the
    // values the database assigned to auto-increment fields left unset, as (field index,
    // value). Throws kRowNotLocated when no row matches (nothing is written then), E_FAIL
    // "Insufficient key column information..." when more than one row matched (the caller's
    // transaction must undo the change), E_FAIL "Insufficient base table information..." when
    // no field names a base table, and the provider's errors.
    std::vector<std::pair<size_t, int64_t>> write(const Row& row, RowChange::Kind kind, RowValues values);

private:
    struct Table {
        rt::Str catalog, schema, name;
        std::vector<size_t> fields;
    };
    std::vector<Table> tables() const;
    std::vector<size_t> locatingFields(const Table& t);
    // The fields an update of row finds its row by: the locating ones, then the written ones
    // whose original value is known.
    std::vector<size_t> updateCriteria(const Table& t, const Row& row, const std::vector<uint8_t>& changed);

    const RowsetData& data_;
    Session& session_;
    std::map<rt::Str, std::vector<rt::Str>> keyCache_;
};

}  // namespace ado
