#include "writeback.h"

#include <algorithm>

#include "runtime/error.h"

namespace ado {

std::vector<WriteBack::Table> WriteBack::tables() const {
    std::vector<Table> out;
    for (size_t i = 0; i < data_.fields.size(); ++i) {
        const FieldInfo& f = data_.fields[i];
        if (f.baseTable.empty() || f.baseColumn.empty()) continue;
        auto it = std::find_if(out.begin(), out.end(), [&](const Table& t) {
            return t.name == f.baseTable && t.schema == f.baseSchema && t.catalog == f.baseCatalog;
        });
        if (it == out.end()) {
            out.push_back({f.baseCatalog, f.baseSchema, f.baseTable, {}});
            it = out.end() - 1;
        }
        it->fields.push_back(i);
    }
    if (out.empty())
        throw rt::Error::status(rt::E_FAIL, u"Insufficient base table information for updating or refreshing.");
    return out;
}

std::vector<size_t> WriteBack::locatingFields(const Table& t) {
    std::vector<size_t> keys;
    for (size_t i : t.fields)
        if (data_.fields[i].keyColumn) keys.push_back(i);
    if (!keys.empty()) return keys;
    // No key among the fields: the table's own key, when the record set has all of it.
    const rt::Str cacheKey = t.schema + u"." + t.name;
    auto cached = keyCache_.find(cacheKey);
    if (cached == keyCache_.end())
        cached = keyCache_.emplace(cacheKey, session_.keyColumns(t.schema, t.name)).first;
    bool complete = !cached->second.empty();
    for (const rt::Str& k : cached->second) {
        auto it = std::find_if(t.fields.begin(), t.fields.end(),
                               [&](size_t i) { return rt::equalsNoCase(data_.fields[i].baseColumn, k); });
        if (it == t.fields.end()) {
            complete = false;
            break;
        }
        keys.push_back(*it);
    }
    if (complete) return keys;
    keys.clear();
    for (size_t i : t.fields)
        if (!data_.fields[i].isLong) keys.push_back(i);
    return keys.empty() ? t.fields : keys;
}

std::vector<size_t> WriteBack::updateCriteria(const Table& t, const Row& row, const std::vector<uint8_t>& changed) {
    std::vector<size_t> criteria = locatingFields(t);
    for (size_t i : t.fields) {
        if (!changed[i] || std::find(criteria.begin(), criteria.end(), i) != criteria.end()) continue;
        if (row.insertedHere && data_.originalCell(row, i).isNull()) continue;
        criteria.push_back(i);
    }
    return criteria;
}

std::vector<std::pair<size_t, int64_t>> WriteBack::write(const Row& row, RowChange::Kind kind, RowValues values) {
    std::vector<std::pair<size_t, int64_t>> generated;
    const std::vector<Table> all = tables();
    for (const Table& t : all) {
        RowChange change;
        change.kind = kind;
        change.table = t.name;
        change.schema = t.schema;
        change.catalog = t.catalog;
        if (kind != RowChange::Delete) {
            for (size_t i : t.fields)
                if ((*values.changed)[i]) change.set.push_back({&data_.fields[i], (*values.cells)[i].view()});
            if (change.set.empty() && (kind == RowChange::Update || all.size() > 1)) continue;
        }
        if (kind != RowChange::Insert) {
            const std::vector<size_t> criteria =
                kind == RowChange::Update ? updateCriteria(t, row, *values.changed) : locatingFields(t);
            for (size_t i : criteria) change.where.push_back({&data_.fields[i], data_.originalCell(row, i)});
        }

        const ChangeResult result = session_.apply(change);
        if (kind != RowChange::Insert && result.rowsAffected == 0)
            throw rt::Error::status(kRowNotLocated,
                                    u"Row cannot be located for updating. Some values may have been changed since "
                                    u"it was last read.");
        // Rows equal in every value the change is located by (a table without a key): the
        // change reached more than its row. The caller's transaction undoes it.
        if (kind != RowChange::Insert && result.rowsAffected > 1)
            throw rt::Error::status(rt::E_FAIL, u"Insufficient key column information for updating or refreshing.");
        if (kind == RowChange::Insert && result.generatedKey)
            for (size_t i : t.fields)
                if (data_.fields[i].autoIncrement && !(*values.changed)[i])
                    generated.emplace_back(i, *result.generatedKey);
    }
    return generated;
}

}  // namespace ado
