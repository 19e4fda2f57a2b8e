#include "persist.h"

#include <libxml/dict.h>
#include <libxml/parserInternals.h>
#include <libxml/valid.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <cstddef>
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "runtime/error.h"
#include "values.h"

namespace ado::persist {

namespace {

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

static_assert(offsetof(xmlNode, nsDef) == offsetof(xmlNode, properties) + sizeof(void*),
              "short text is kept in a text node's properties and nsDef fields");
const char* C(const xmlChar* s) { return reinterpret_cast<const char*>(s); }

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

// Rows are the bulk of a document: their elements and attributes are linked in directly,
// with names interned once, instead of through the general tree calls that look every
// name up again and walk the attribute list for each new attribute.
xmlNodePtr appendElement(xmlNodePtr parent, xmlNsPtr ns, const xmlChar* internedName) {
    auto* n = static_cast<xmlNodePtr>(xmlMalloc(sizeof(xmlNode)));
    if (!n) throw std::bad_alloc();
    std::memset(n, 0, sizeof *n);
    n->type = XML_ELEMENT_NODE;
    n->name = internedName;
    n->ns = ns;
    n->doc = parent->doc;
    n->parent = parent;
    if (parent->last) {
        parent->last->next = n;
        n->prev = parent->last;
    } else {
        parent->children = n;
    }
    parent->last = n;
    return n;
}

void appendAttribute(xmlNodePtr element, xmlAttrPtr& last, const xmlChar* internedName, const std::string& value) {
    auto* a = static_cast<xmlAttrPtr>(xmlMalloc(sizeof(xmlAttr)));
    if (!a) throw std::bad_alloc();
    std::memset(a, 0, sizeof *a);
    a->type = XML_ATTRIBUTE_NODE;
    a->name = internedName;
    a->parent = element;
    a->doc = element->doc;
    auto* text = static_cast<xmlNodePtr>(xmlMalloc(sizeof(xmlNode)));
    if (!text) {
        xmlFree(a);
        throw std::bad_alloc();
    }
    std::memset(text, 0, sizeof *text);
    text->type = XML_TEXT_NODE;
    text->name = xmlStringText;
    text->doc = element->doc;
    text->parent = reinterpret_cast<xmlNodePtr>(a);
    // Short values live inside the text node itself, in the fields a text node does not use:
    // libxml2's own compact trees do the same, and its functions know the form.
    constexpr size_t kInline = 2 * sizeof(void*);
    if (value.size() < kInline) {
        auto* inside = reinterpret_cast<xmlChar*>(&text->properties);
        std::memcpy(inside, value.data(), value.size());
        inside[value.size()] = 0;
        text->content = inside;
    } else {
        text->content = xmlStrndup(X(value.data()), int(value.size()));
        if (!text->content) {
            xmlFree(text);
            xmlFree(a);
            throw std::bad_alloc();
        }
    }
    a->children = a->last = text;
    if (last) {
        last->next = a;
        a->prev = last;
    } else {
        element->properties = a;
    }
    last = a;
}

struct Writer {
    xmlDocPtr doc = nullptr;
    xmlNsPtr s = nullptr, dt = nullptr, rs = nullptr, z = nullptr;
    std::vector<std::string> xmlNames;       // per field: the attribute name in rows
    std::vector<const xmlChar*> interned;    // the same, in the document's dictionary
    const xmlChar* rowName = nullptr;
    std::string text;                        // scratch for values
    std::vector<CellView> cells;             // scratch for a row's cells

    void prop(xmlNodePtr n, xmlNsPtr ns, const char* name, const char* value) {
        if (ns)
            xmlNewNsProp(n, ns, X(name), X(value));
        else
            xmlNewProp(n, X(name), X(value));
    }
    void prop(xmlNodePtr n, xmlNsPtr ns, const char* name, const std::string& value) {
        prop(n, ns, name, value.c_str());
    }
    void flag(xmlNodePtr n, const char* name, bool on) {
        if (on) prop(n, rs, name, "true");
    }

    void chooseNames(const RowsetData& data) {
        std::unordered_set<std::string> used;
        for (const FieldInfo& f : data.fields) used.insert(rt::toUtf8(f.name));
        std::unordered_set<std::string> taken;
        for (size_t i = 0; i < data.fields.size(); ++i) {
            std::string name = rt::toUtf8(data.fields[i].name);
            const bool valid = !name.empty() && xmlValidateNCName(X(name.c_str()), 0) == 0;
            if (!valid || taken.count(name)) {
                std::string alias = "c";
                alias += std::to_string(i);
                while (taken.count(alias) || (used.count(alias) && alias != name)) alias += "_";
                name = alias;
            }
            taken.insert(name);
            interned.push_back(xmlDictLookup(doc->dict, X(name.c_str()), -1));
            xmlNames.push_back(std::move(name));
        }
        rowName = xmlDictLookup(doc->dict, X("row"), -1);
    }

    void writeField(xmlNodePtr parent, const FieldInfo& f, size_t index, bool lockAllowsWrites) {
        xmlNodePtr at = xmlNewChild(parent, s, X("AttributeType"), nullptr);
        prop(at, nullptr, "name", xmlNames[index]);
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

        xmlNodePtr d = xmlNewChild(at, s, X("datatype"), nullptr);
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

    // A z:row with the given columns of a row (all of them when only is null).
    xmlNodePtr writeRow(xmlNodePtr parent, const RowsetData& data, const Row& row, bool original,
                        const std::vector<uint8_t>* only) {
        xmlNodePtr e = appendElement(parent, z, rowName);
        xmlAttrPtr last = nullptr;
        std::string nulls;
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
            if (appendXmlText(text, cells[i], data.fields[i])) {
                appendAttribute(e, last, interned[i], text);
            } else if (only) {
                if (!nulls.empty()) nulls.push_back(' ');
                nulls += xmlNames[i];
            }
        }
        if (!nulls.empty()) {
            xmlNsPtr ext = xmlNewNs(e, X(kExtensionNs), X("vm"));
            xmlNewNsProp(e, ext, X("null"), X(nulls.c_str()));
        }
        return e;
    }

    void writeData(xmlNodePtr root, const RowsetData& data) {
        xmlNodePtr rsData = xmlNewChild(root, rs, X("data"), nullptr);
        xmlNodePtr inserts = nullptr;
        for (const Row& row : data.rows) {
            if (row.status == RowStatus::New) {
                if (!inserts) inserts = xmlNewChild(rsData, rs, X("insert"), nullptr);
                writeRow(inserts, data, row, false, nullptr);
                continue;
            }
            inserts = nullptr;
            if (row.status == RowStatus::Modified) {
                xmlNodePtr update = xmlNewChild(rsData, rs, X("update"), nullptr);
                xmlNodePtr original = xmlNewChild(update, rs, X("original"), nullptr);
                writeRow(original, data, row, true, nullptr);
                const Overlay* o = data.findOverlay(row);
                writeRow(update, data, row, false, o ? &o->changed : nullptr);
                continue;
            }
            writeRow(rsData, data, row, false, nullptr);
        }
        if (!data.deleted.empty()) {
            xmlNodePtr del = xmlNewChild(rsData, rs, X("delete"), nullptr);
            for (const Row& row : data.deleted) writeRow(del, data, row, true, nullptr);
        }
    }
};

}  // namespace

xmlDocPtr write(const RowsetData& data, bool lockAllowsWrites) {
    Writer w;
    w.doc = xmlNewDoc(X("1.0"));
    w.doc->dict = xmlDictCreate();  // element and attribute names are stored once
    xmlNodePtr root = xmlNewDocNode(w.doc, nullptr, X("xml"), nullptr);
    xmlDocSetRootElement(w.doc, root);
    w.s = xmlNewNs(root, X(kSchemaNs), X("s"));
    w.dt = xmlNewNs(root, X(kDataTypeNs), X("dt"));
    w.rs = xmlNewNs(root, X(kRowsetNs), X("rs"));
    w.z = xmlNewNs(root, X(kRowNs), X("z"));

    xmlNodePtr schema = xmlNewChild(root, w.s, X("Schema"), nullptr);
    w.prop(schema, nullptr, "id", "RowsetSchema");
    xmlNodePtr type = xmlNewChild(schema, w.s, X("ElementType"), nullptr);
    w.prop(type, nullptr, "name", "row");
    w.prop(type, nullptr, "content", "eltOnly");
    if (lockAllowsWrites || data.hasPendingChanges()) w.prop(type, w.rs, "updatable", "true");
    w.chooseNames(data);
    for (size_t i = 0; i < data.fields.size(); ++i) w.writeField(type, data.fields[i], i, lockAllowsWrites);
    xmlNodePtr ext = xmlNewChild(type, w.s, X("extends"), nullptr);
    w.prop(ext, nullptr, "type", "rs:rowbase");

    w.writeData(root, data);
    return w.doc;
}

// ---- reading ------------------------------------------------------------------------------

namespace {

[[noreturn]] void invalidSource() {
    throw rt::Error::status(rt::E_FAIL, u"Recordset cannot be created. Source XML is incomplete or invalid.");
}

bool inNs(xmlNodePtr n, const char* ns) {
    return n->ns && n->ns->href && std::strcmp(C(n->ns->href), ns) == 0;
}

bool isElement(xmlNodePtr n, const char* ns, const char* local) {
    return n && n->type == XML_ELEMENT_NODE && inNs(n, ns) && std::strcmp(C(n->name), local) == 0;
}

xmlNodePtr firstChild(xmlNodePtr parent, const char* ns, const char* local) {
    for (xmlNodePtr c = parent ? parent->children : nullptr; c; c = c->next)
        if (isElement(c, ns, local)) return c;
    return nullptr;
}

std::string attrText(xmlAttrPtr a) {
    if (a->children && a->children->type == XML_TEXT_NODE && !a->children->next)
        return a->children->content ? C(a->children->content) : "";
    xmlChar* s = xmlNodeListGetString(a->doc, a->children, 1);
    std::string r = s ? C(s) : "";
    xmlFree(s);
    return r;
}

// The attribute ns:local of n. An attribute written with its prefix in the name but no
// namespace binding ("rs:nullable" set as a plain name) counts too, its prefix resolved
// where the element is, or taken at face value. The last such attribute wins.
std::optional<std::string> attr(xmlNodePtr n, const char* ns, const char* local) {
    std::optional<std::string> found;
    for (xmlAttrPtr a = n->properties; a; a = a->next) {
        const char* name = C(a->name);
        if (a->ns) {
            if (ns && a->ns->href && std::strcmp(C(a->ns->href), ns) == 0 && std::strcmp(name, local) == 0)
                found = attrText(a);
            continue;
        }
        if (!ns) {
            if (std::strcmp(name, local) == 0) found = attrText(a);
            continue;
        }
        const char* colon = std::strchr(name, ':');
        if (!colon || std::strcmp(colon + 1, local) != 0) continue;
        const std::string prefix(name, colon);
        xmlNsPtr bound = xmlSearchNs(n->doc, n, X(prefix.c_str()));
        const bool matches = bound ? std::strcmp(C(bound->href), ns) == 0
                                   : (prefix == "rs" && std::strcmp(ns, kRowsetNs) == 0) ||
                                         (prefix == "dt" && std::strcmp(ns, kDataTypeNs) == 0);
        if (matches) found = attrText(a);
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

struct ColumnDef {
    FieldInfo field;
    std::string xmlName;
    int number = 0;
};

ColumnDef readColumn(xmlNodePtr at) {
    ColumnDef c;
    c.xmlName = attr(at, nullptr, "name").value_or("");
    const auto realName = attr(at, kRowsetNs, "name");
    // The type may sit on the column itself or in an s:datatype child.
    xmlNodePtr d = firstChild(at, kSchemaNs, "datatype");
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
                          number(typeAttr(kDataTypeNs, "maxLength"), -1), number(typeAttr(kRowsetNs, "precision"), -1),
                          number(typeAttr(kRowsetNs, "scale"), -1));
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

std::vector<ColumnDef> readSchema(xmlNodePtr root) {
    xmlNodePtr schema = firstChild(root, kSchemaNs, "Schema");
    if (!schema) invalidSource();
    xmlNodePtr type = firstChild(schema, kSchemaNs, "ElementType");
    if (!type) invalidSource();
    std::unordered_map<std::string, xmlNodePtr> shared;  // columns defined beside the row type
    for (xmlNodePtr c = schema->children; c; c = c->next)
        if (isElement(c, kSchemaNs, "AttributeType"))
            if (auto name = attr(c, nullptr, "name")) shared.emplace(*name, c);
    std::vector<ColumnDef> columns;
    for (xmlNodePtr c = type->children; c; c = c->next) {
        if (isElement(c, kSchemaNs, "AttributeType")) {
            columns.push_back(readColumn(c));
        } else if (isElement(c, kSchemaNs, "attribute")) {
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
    // extension's null list count as present and null.
    void readCells(xmlNodePtr row) {
        cells.assign(data.fields.size(), Cell());
        present.assign(data.fields.size(), 0);
        for (xmlAttrPtr a = row->properties; a; a = a->next) {
            if (a->ns) {
                if (a->ns->href && std::strcmp(C(a->ns->href), kExtensionNs) == 0 &&
                    std::strcmp(C(a->name), "null") == 0)
                    markNulls(attrText(a));
                continue;
            }
            auto it = byXmlName.find(C(a->name));
            if (it == byXmlName.end()) continue;  // not a column: ignored, as the format says
            cells[it->second] = cellFromXmlText(attrText(a), data.fields[it->second]);
            present[it->second] = 1;
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

    void addUnchanged(xmlNodePtr row) {
        readCells(row);
        data.appendFetched(encodeCells());
    }

    void addInserted(xmlNodePtr row) {
        readCells(row);
        const size_t i = data.appendNew();
        Overlay& o = data.overlayOf(data.rows[i]);
        for (size_t c = 0; c < cells.size(); ++c) {
            o.cells[c] = std::move(cells[c]);
            o.changed[c] = present[c];
        }
    }

    void addUpdated(xmlNodePtr update) {
        xmlNodePtr original = firstChild(update, kRowsetNs, "original");
        xmlNodePtr originalRow = nullptr;
        for (xmlNodePtr c = original ? original->children : nullptr; c; c = c->next)
            if (c->type == XML_ELEMENT_NODE) {
                originalRow = c;
                break;
            }
        if (!originalRow) invalidSource();
        readCells(originalRow);
        data.appendFetched(encodeCells());
        Row& row = data.rows.back();
        for (xmlNodePtr c = update->children; c; c = c->next) {
            if (c->type != XML_ELEMENT_NODE || c == original) continue;
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

    void addDeleted(xmlNodePtr row) {
        readCells(row);
        data.appendFetched(encodeCells());
        data.markDeleted(data.rows.size() - 1);
    }
};

}  // namespace

std::shared_ptr<RowsetData> read(xmlNodePtr root) {
    if (!root || root->type != XML_ELEMENT_NODE) invalidSource();
    auto data = std::make_shared<RowsetData>();
    Reader reader{*data, {}, {}, {}};
    for (ColumnDef& c : readSchema(root)) {
        reader.byXmlName.emplace(c.xmlName, data->fields.size());
        data->fields.push_back(std::move(c.field));
    }
    data->schemaDone();
    xmlNodePtr rows = firstChild(root, kRowsetNs, "data");
    for (xmlNodePtr c = rows ? rows->children : nullptr; c; c = c->next) {
        if (c->type != XML_ELEMENT_NODE) continue;
        if (isElement(c, kRowsetNs, "insert")) {
            for (xmlNodePtr r = c->children; r; r = r->next)
                if (r->type == XML_ELEMENT_NODE) reader.addInserted(r);
        } else if (isElement(c, kRowsetNs, "update")) {
            reader.addUpdated(c);
        } else if (isElement(c, kRowsetNs, "delete")) {
            for (xmlNodePtr r = c->children; r; r = r->next)
                if (r->type == XML_ELEMENT_NODE) reader.addDeleted(r);
        } else {
            reader.addUnchanged(c);
        }
    }
    return data;
}

}  // namespace ado::persist
