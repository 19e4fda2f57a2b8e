// The persisted row format: the schema and rows of a record set written into a tree through
// the DOM layer's builder, and read back through its reader (see persist.h).
#include "persist.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "dom/native_write.h"
#include "runtime/error.h"
#include "values.h"

namespace ado::persist {

namespace {

using dom::native::AttributeRef;
using dom::native::Element;
using dom::native::ElementRef;
using dom::native::Name;
using dom::native::Namespace;

// ---- types in the format ------------------------------------------------------------------

struct XmlType {
    const char* dtType;
    const char* dbType;  // rs:dbtype, or null
};

XmlType xmlTypeOf(DataType t) {
    switch (t) {
        case adSmallInt: return {"i2", nullptr};
        case adInteger: return {"int", nullptr};
        case adSingle: return {"r4", nullptr};
        case adDouble: return {"float", nullptr};
        case adCurrency: return {"number", "currency"};
        case adDate: return {"dateTime", "variantdate"};
        case adBSTR: return {"string", "bstr"};
        case adBoolean: return {"boolean", nullptr};
        case adVariant: return {"string", "variant"};
        case adDecimal: return {"number", "decimal"};
        case adTinyInt: return {"i1", nullptr};
        case adUnsignedTinyInt: return {"ui1", nullptr};
        case adUnsignedSmallInt: return {"ui2", nullptr};
        case adUnsignedInt: return {"ui4", nullptr};
        case adBigInt: return {"i8", nullptr};
        case adUnsignedBigInt: return {"ui8", nullptr};
        case adFileTime: return {"dateTime", "filetime"};
        case adGUID: return {"uuid", nullptr};
        case adBinary:
        case adVarBinary:
        case adLongVarBinary: return {"bin.hex", nullptr};
        case adChar:
        case adVarChar:
        case adLongVarChar: return {"string", "str"};
        case adNumeric: return {"number", "numeric"};
        case adVarNumeric: return {"number", "varnumeric"};
        case adDBDate: return {"date", nullptr};
        case adDBTime: return {"time", nullptr};
        case adDBTimeStamp: return {"dateTime", "timestamp"};
        default: return {"string", nullptr};
    }
}

DataType typeOfXml(std::string_view dt, std::string_view db, bool fixed, bool isLong) {
    if (dt == "i1") return adTinyInt;
    if (dt == "ui1") return adUnsignedTinyInt;
    if (dt == "i2") return adSmallInt;
    if (dt == "ui2") return adUnsignedSmallInt;
    if (dt == "int" || dt == "i4") return adInteger;
    if (dt == "ui4") return adUnsignedInt;
    if (dt == "i8") return adBigInt;
    if (dt == "ui8") return adUnsignedBigInt;
    if (dt == "r4") return adSingle;
    if (dt == "float" || dt == "r8") return adDouble;
    if (dt == "boolean") return adBoolean;
    if (dt == "uuid") return adGUID;
    if (dt == "date") return adDBDate;
    if (dt == "time" || dt == "time.tz") return adDBTime;
    if (dt == "dateTime" || dt == "dateTime.tz") {
        if (db == "variantdate") return adDate;
        if (db == "filetime") return adFileTime;
        return adDBTimeStamp;
    }
    if (dt == "fixed.14.4") return adCurrency;
    if (dt == "number") {
        if (db == "currency") return adCurrency;
        if (db == "decimal") return adDecimal;
        if (db == "varnumeric") return adVarNumeric;
        return adNumeric;
    }
    if (dt == "bin.hex" || dt == "bin.base64") return fixed ? adBinary : isLong ? adLongVarBinary : adVarBinary;
    if (dt == "char") return adChar;
    if (db == "str") return fixed ? adChar : isLong ? adLongVarChar : adVarChar;
    if (db == "bstr") return adBSTR;
    if (db == "variant") return adVariant;
    return fixed ? adWChar : isLong ? adLongVarWChar : adVarWChar;
}

// ---- writing ------------------------------------------------------------------------------

struct Writer {
    dom::native::TreeBuilder tree{"xml"};
    Namespace s, dt, rs, z;
    std::vector<std::string> xmlNames;  // per field: the attribute name in rows
    std::vector<Name> interned;         // the same, in the document's dictionary
    Name rowName;
    std::string text;                   // scratch for values
    std::string mark;                   // scratch: how a value is to be read back
    std::vector<CellView> cells;        // scratch for a row's cells

    void prop(Element n, Namespace ns, const char* name, const char* value) { tree.addAttribute(n, ns, name, value); }
    void prop(Element n, Namespace ns, const char* name, const std::string& value) {
        tree.addAttribute(n, ns, name, value);
    }
    void flag(Element n, const char* name, bool on) {
        if (on) prop(n, rs, name, "true");
    }

    void chooseNames(const RowsetData& data) {
        std::unordered_set<std::string> used;
        for (const FieldInfo& f : data.fields) used.insert(rt::toUtf8(f.name));
        std::unordered_set<std::string> taken;
        for (size_t i = 0; i < data.fields.size(); ++i) {
            std::string name = rt::toUtf8(data.fields[i].name);
            if (!dom::native::isNCName(name) || taken.count(name)) {
                std::string alias = "c";
                alias += std::to_string(i);
                while (taken.count(alias) || (used.count(alias) && alias != name)) alias += "_";
                name = alias;
            }
            taken.insert(name);
            interned.push_back(tree.intern(name));
            xmlNames.push_back(std::move(name));
        }
        rowName = tree.intern("row");
    }

    void writeField(Element parent, const FieldInfo& f, size_t index, bool lockAllowsWrites) {
        Element at = tree.appendElement(parent, s, "AttributeType");
        prop(at, {}, "name", xmlNames[index]);
        const std::string real = rt::toUtf8(f.name);
        if (real != xmlNames[index]) prop(at, rs, "name", real);
        prop(at, rs, "number", std::to_string(index + 1));
        flag(at, "nullable", f.nullable);
        const int32_t attrs = f.attributes(lockAllowsWrites);
        flag(at, "write", (attrs & adFldUpdatable) != 0);
        flag(at, "writeunknown", (attrs & adFldUnknownUpdatable) != 0);
        if (!f.baseCatalog.empty()) prop(at, rs, "basecatalog", rt::toUtf8(f.baseCatalog));
        if (!f.baseSchema.empty()) prop(at, rs, "baseschema", rt::toUtf8(f.baseSchema));
        if (!f.baseTable.empty()) prop(at, rs, "basetable", rt::toUtf8(f.baseTable));
        if (!f.baseColumn.empty()) prop(at, rs, "basecolumn", rt::toUtf8(f.baseColumn));
        flag(at, "keycolumn", f.keyColumn);
        flag(at, "autoincrement", f.autoIncrement);
        flag(at, "hidden", f.hidden);

        Element d = tree.appendElement(at, s, "datatype");
        const XmlType t = xmlTypeOf(f.type);
        prop(d, dt, "type", t.dtType);
        if (t.dbType) prop(d, rs, "dbtype", t.dbType);
        prop(d, dt, "maxLength", std::to_string(f.definedSize));
        if (f.scale != 255) prop(d, rs, "scale", std::to_string(f.scale));
        if (f.precision != 255) prop(d, rs, "precision", std::to_string(f.precision));
        flag(d, "fixedlength", f.fixedLength);
        flag(d, "long", f.isLong);
        if (!f.mayBeNull) prop(d, rs, "maybenull", "false");
        else if (!f.nullable) prop(d, rs, "maybenull", "true");
    }

    // A z:row with the given columns of a row (all of them when only is null). Rows are the
    // bulk of a document: their elements and attributes go through the builder's bulk calls,
    // with names interned once.
    Element writeRow(Element parent, const RowsetData& data, const Row& row, bool original,
                     const std::vector<uint8_t>* only) {
        Element e = tree.appendElement(parent, z, rowName);
        dom::native::AttributeAppender attributes(e);
        std::string nulls, stored;
        const size_t n = data.fields.size();
        cells.resize(n);
        const Overlay* overlay = original ? nullptr : data.findOverlay(row);
        if (overlay)
            for (size_t i = 0; i < n; ++i) cells[i] = overlay->cells[i].view();
        else if (row.base)
            RowStore::decodeRow(row.base, n, cells.data());
        else
            std::fill(cells.begin(), cells.end(), CellView::null());
        for (size_t i = 0; i < n; ++i) {
            if (only && !(*only)[i]) continue;
            text.clear();
            if (appendXmlText(text, cells[i], data.fields[i], mark)) {
                attributes.append(interned[i], text);
                if (!mark.empty()) {
                    if (!stored.empty()) stored.push_back(' ');
                    stored += xmlNames[i] + ":" + mark;
                }
            } else if (only) {
                if (!nulls.empty()) nulls.push_back(' ');
                nulls += xmlNames[i];
            }
        }
        if (!nulls.empty() || !stored.empty()) {
            const Namespace ext = tree.declareNamespace(e, kExtensionNs, "vm");
            if (!nulls.empty()) prop(e, ext, "null", nulls);
            if (!stored.empty()) prop(e, ext, "stored", stored);
        }
        return e;
    }

    void writeData(Element root, const RowsetData& data) {
        Element rsData = tree.appendElement(root, rs, "data");
        Element inserts;
        for (const Row& row : data.rows) {
            if (row.status == RowStatus::New) {
                if (!inserts) inserts = tree.appendElement(rsData, rs, "insert");
                writeRow(inserts, data, row, false, nullptr);
                continue;
            }
            inserts = Element();
            if (row.status == RowStatus::Modified) {
                Element update = tree.appendElement(rsData, rs, "update");
                Element original = tree.appendElement(update, rs, "original");
                writeRow(original, data, row, true, nullptr);
                const Overlay* o = data.findOverlay(row);
                writeRow(update, data, row, false, o ? &o->changed : nullptr);
                continue;
            }
            writeRow(rsData, data, row, false, nullptr);
        }
        if (!data.deleted.empty()) {
            Element del = tree.appendElement(rsData, rs, "delete");
            for (const Row& row : data.deleted) writeRow(del, data, row, true, nullptr);
        }
    }
};

}  // namespace

xmlDocPtr write(const RowsetData& data, bool lockAllowsWrites) {
    Writer w;
    const Element root = w.tree.root();
    w.s = w.tree.declareNamespace(root, kSchemaNs, "s");
    w.dt = w.tree.declareNamespace(root, kDataTypeNs, "dt");
    w.rs = w.tree.declareNamespace(root, kRowsetNs, "rs");
    w.z = w.tree.declareNamespace(root, kRowNs, "z");

    Element schema = w.tree.appendElement(root, w.s, "Schema");
    w.prop(schema, {}, "id", "RowsetSchema");
    Element type = w.tree.appendElement(schema, w.s, "ElementType");
    w.prop(type, {}, "name", "row");
    w.prop(type, {}, "content", "eltOnly");
    if (lockAllowsWrites || data.hasPendingChanges()) w.prop(type, w.rs, "updatable", "true");
    w.chooseNames(data);
    for (size_t i = 0; i < data.fields.size(); ++i) w.writeField(type, data.fields[i], i, lockAllowsWrites);
    Element ext = w.tree.appendElement(type, w.s, "extends");
    w.prop(ext, {}, "type", "rs:rowbase");

    w.writeData(root, data);
    return w.tree.release();
}

// ---- reading ------------------------------------------------------------------------------

namespace {

[[noreturn]] void invalidSource() {
    throw rt::Error::status(rt::E_FAIL, u"Recordset cannot be created. Source XML is incomplete or invalid.");
}

// The attribute ns:local of n. An attribute written with its prefix in the name but no
// namespace binding ("rs:nullable" set as a plain name) counts too, its prefix resolved
// where the element is, or taken at face value. The last such attribute wins.
std::optional<std::string> attr(ElementRef n, const char* ns, const char* local) {
    std::optional<std::string> found;
    for (AttributeRef a = n.firstAttribute(); a; a = a.next()) {
        const char* name = a.name();
        if (const char* uri = a.namespaceUri()) {
            if (ns && std::strcmp(uri, ns) == 0 && std::strcmp(name, local) == 0) found = a.value();
            continue;
        }
        if (!ns) {
            if (std::strcmp(name, local) == 0) found = a.value();
            continue;
        }
        const char* colon = std::strchr(name, ':');
        if (!colon || std::strcmp(colon + 1, local) != 0) continue;
        const std::string prefix(name, colon);
        const char* bound = n.namespaceOfPrefix(prefix);
        const bool matches = bound ? std::strcmp(bound, ns) == 0
                                   : (prefix == "rs" && std::strcmp(ns, kRowsetNs) == 0) ||
                                         (prefix == "dt" && std::strcmp(ns, kDataTypeNs) == 0);
        if (matches) found = a.value();
    }
    return found;
}

bool truthy(const std::optional<std::string>& v) {
    if (!v) return false;
    std::string s;
    for (char c : *v)
        if (c != ' ') s.push_back(char(std::tolower(static_cast<unsigned char>(c))));
    return s == "true" || s == "1" || s == "-1" || s == "yes";
}

int number(const std::optional<std::string>& v, int fallback) {
    if (!v || v->empty()) return fallback;
    try {
        return std::stoi(*v);
    } catch (...) {
        return fallback;
    }
}

// A precision or scale: 0 to 254, or -1 (the type's default) for anything else. 255 stands
// for "none" and is not written, so a value clipped to it would read back as the default.
int byteNumber(const std::optional<std::string>& v) {
    const int n = number(v, -1);
    return n >= 0 && n < 255 ? n : -1;
}

struct ColumnDef {
    FieldInfo field;
    std::string xmlName;
    int number = 0;
};

ColumnDef readColumn(ElementRef at) {
    ColumnDef c;
    c.xmlName = attr(at, nullptr, "name").value_or("");
    const auto realName = attr(at, kRowsetNs, "name");
    // The type may sit on the column itself or in an s:datatype child.
    const ElementRef d = at.firstChild(kSchemaNs, "datatype");
    auto typeAttr = [&](const char* ns, const char* local) {
        auto v = d ? attr(d, ns, local) : std::nullopt;
        return v ? v : attr(at, ns, local);
    };
    const std::string dt = typeAttr(kDataTypeNs, "type").value_or("string");
    const std::string db = typeAttr(kRowsetNs, "dbtype").value_or("");
    const bool fixed = truthy(typeAttr(kRowsetNs, "fixedlength"));
    const bool isLong = truthy(typeAttr(kRowsetNs, "long"));
    const DataType type = typeOfXml(dt, db, fixed, isLong);
    c.field = fieldOfType(rt::fromUtf8(realName ? *realName : c.xmlName), type,
                          number(typeAttr(kDataTypeNs, "maxLength"), -1), byteNumber(typeAttr(kRowsetNs, "precision")),
                          byteNumber(typeAttr(kRowsetNs, "scale")));
    if (fixed) c.field.fixedLength = true;
    if (isLong) c.field.isLong = true;
    c.field.nullable = truthy(attr(at, kRowsetNs, "nullable"));
    const auto mayBeNull = typeAttr(kRowsetNs, "maybenull");
    c.field.mayBeNull = mayBeNull ? truthy(mayBeNull) : c.field.nullable;
    c.field.write = truthy(attr(at, kRowsetNs, "write"))          ? Writability::Writable
                    : truthy(attr(at, kRowsetNs, "writeunknown")) ? Writability::Unknown
                                                                  : Writability::ReadOnly;
    c.field.baseCatalog = rt::fromUtf8(attr(at, kRowsetNs, "basecatalog").value_or(""));
    c.field.baseSchema = rt::fromUtf8(attr(at, kRowsetNs, "baseschema").value_or(""));
    c.field.baseTable = rt::fromUtf8(attr(at, kRowsetNs, "basetable").value_or(""));
    c.field.baseColumn = rt::fromUtf8(attr(at, kRowsetNs, "basecolumn").value_or(""));
    c.field.keyColumn = truthy(attr(at, kRowsetNs, "keycolumn"));
    c.field.autoIncrement = truthy(attr(at, kRowsetNs, "autoincrement"));
    c.field.hidden = truthy(attr(at, kRowsetNs, "hidden"));
    c.number = number(attr(at, kRowsetNs, "number"), 0);
    return c;
}

std::vector<ColumnDef> readSchema(ElementRef root) {
    const ElementRef schema = root.firstChild(kSchemaNs, "Schema");
    if (!schema) invalidSource();
    const ElementRef type = schema.firstChild(kSchemaNs, "ElementType");
    if (!type) invalidSource();
    std::unordered_map<std::string, ElementRef> shared;  // columns defined beside the row type
    for (ElementRef c = schema.firstChild(); c; c = c.nextSibling())
        if (c.is(kSchemaNs, "AttributeType"))
            if (auto name = attr(c, nullptr, "name")) shared.emplace(*name, c);
    std::vector<ColumnDef> columns;
    for (ElementRef c = type.firstChild(); c; c = c.nextSibling()) {
        if (c.is(kSchemaNs, "AttributeType")) {
            columns.push_back(readColumn(c));
        } else if (c.is(kSchemaNs, "attribute")) {
            auto ref = attr(c, nullptr, "type");
            auto it = ref ? shared.find(*ref) : shared.end();
            if (it != shared.end()) columns.push_back(readColumn(it->second));
        }
    }
    if (columns.empty()) invalidSource();
    const bool numbered = std::all_of(columns.begin(), columns.end(), [](const ColumnDef& c) { return c.number > 0; });
    if (numbered)
        std::stable_sort(columns.begin(), columns.end(),
                         [](const ColumnDef& a, const ColumnDef& b) { return a.number < b.number; });
    return columns;
}

struct Reader {
    RowsetData& data;
    std::unordered_map<std::string, size_t> byXmlName;
    std::vector<Cell> cells;
    std::vector<uint8_t> present;

    // Cells of a row element; present marks the attributes it had. Columns listed in the
    // extension's null list count as present and null; those in its stored list are read
    // as their marks say.
    void readCells(ElementRef row) {
        cells.assign(data.fields.size(), Cell());
        present.assign(data.fields.size(), 0);
        std::optional<std::string> stored;
        for (AttributeRef a = row.firstAttribute(); a; a = a.next()) {
            if (const char* uri = a.namespaceUri()) {
                if (std::strcmp(uri, kExtensionNs) == 0) {
                    if (std::strcmp(a.name(), "null") == 0) markNulls(a.value());
                    if (std::strcmp(a.name(), "stored") == 0) stored = a.value();
                }
                continue;
            }
            auto it = byXmlName.find(a.name());
            if (it == byXmlName.end()) continue;  // not a column: ignored, as the format says
            cells[it->second] = cellFromXmlText(a.value(), data.fields[it->second]);
            present[it->second] = 1;
        }
        if (stored) readStored(row, *stored);
    }

    // The list "name:mark name:mark ..." of values written in their storage class's form.
    void readStored(ElementRef row, std::string_view list) {
        size_t i = 0;
        while (i < list.size()) {
            size_t e = list.find(' ', i);
            if (e == std::string_view::npos) e = list.size();
            const std::string_view item = list.substr(i, e - i);
            i = e + 1;
            const size_t colon = item.find(':');
            if (colon == std::string_view::npos) continue;
            const std::string name(item.substr(0, colon));
            auto it = byXmlName.find(name);
            if (it == byXmlName.end() || !present[it->second]) continue;
            for (AttributeRef a = row.firstAttribute(); a; a = a.next()) {
                if (a.namespaceUri() || name != a.name()) continue;
                if (auto cell = cellFromMarkedXmlText(a.value(), item.substr(colon + 1)))
                    cells[it->second] = std::move(*cell);
                break;
            }
        }
    }

    void markNulls(const std::string& list) {
        size_t i = 0;
        while (i < list.size()) {
            size_t e = list.find(' ', i);
            if (e == std::string::npos) e = list.size();
            auto it = byXmlName.find(list.substr(i, e - i));
            if (it != byXmlName.end()) {
                cells[it->second] = Cell();
                present[it->second] = 1;
            }
            i = e + 1;
        }
    }

    const char* encodeCells() {
        for (const Cell& c : cells) data.store.add(c.view());
        return data.store.finishRow();
    }

    void addUnchanged(ElementRef row) {
        readCells(row);
        data.appendFetched(encodeCells());
    }

    void addInserted(ElementRef row) {
        readCells(row);
        const size_t i = data.appendNew();
        Overlay& o = data.overlayOf(data.rows[i]);
        for (size_t c = 0; c < cells.size(); ++c) {
            o.cells[c] = std::move(cells[c]);
            o.changed[c] = present[c];
        }
    }

    void addUpdated(ElementRef update) {
        const ElementRef original = update.firstChild(kRowsetNs, "original");
        const ElementRef originalRow = original.firstChild();
        if (!originalRow) invalidSource();
        readCells(originalRow);
        data.appendFetched(encodeCells());
        Row& row = data.rows.back();
        for (ElementRef c = update.firstChild(); c; c = c.nextSibling()) {
            if (c == original) continue;
            readCells(c);
            Overlay& o = data.overlayOf(row);
            for (size_t i = 0; i < cells.size(); ++i) {
                if (!present[i]) continue;
                o.cells[i] = std::move(cells[i]);
                o.changed[i] = 1;
                row.status = RowStatus::Modified;
            }
        }
        if (row.status != RowStatus::Modified) data.dropOverlay(row);
    }

    void addDeleted(ElementRef row) {
        readCells(row);
        data.appendFetched(encodeCells());
        data.markDeleted(data.rows.size() - 1);
    }
};

}  // namespace

std::shared_ptr<RowsetData> read(dom::native::ElementRef root) {
    if (!root) invalidSource();
    auto data = std::make_shared<RowsetData>();
    Reader reader{*data, {}, {}, {}};
    for (ColumnDef& c : readSchema(root)) {
        reader.byXmlName.emplace(c.xmlName, data->fields.size());
        data->fields.push_back(std::move(c.field));
    }
    data->schemaDone();
    const ElementRef rows = root.firstChild(kRowsetNs, "data");
    for (ElementRef c = rows.firstChild(); c; c = c.nextSibling()) {
        if (c.is(kRowsetNs, "insert")) {
            for (ElementRef r = c.firstChild(); r; r = r.nextSibling()) reader.addInserted(r);
        } else if (c.is(kRowsetNs, "update")) {
            reader.addUpdated(c);
        } else if (c.is(kRowsetNs, "delete")) {
            for (ElementRef r = c.firstChild(); r; r = r.nextSibling()) reader.addDeleted(r);
        } else {
            reader.addUnchanged(c);
        }
    }
    return data;
}

}  // namespace ado::persist
