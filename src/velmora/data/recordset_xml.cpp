// Record set and XML conversion: record sets to persisted row documents and back.
#include "data/recordset_xml.h"

#include <unordered_map>

#include "dataaccess/ado.h"
#include "dom/dom.h"
#include "frame/binding.h"
#include "frame/classes.h"
#include "runtime/call.h"
#include "runtime/convert.h"
#include "text/strings.h"
#include "xml/nodes.h"

namespace velmora::data {

using rt::Array;
using rt::ComPtr;
using rt::Str;
using rt::Variant;
using Element = dom::IXMLDOMElement;
using Node = dom::IXMLDOMNode;

namespace {

// The persisted row format's save format (adPersistXML).
constexpr int32_t kPersistXml = 1;

// A record set saved into a new document.
ComPtr<dom::IXMLDOMDocument> savedDocument(ado::_Recordset* rs) {
    ComPtr<dom::IXMLDOMDocument> doc = xml::newDocument();
    rt::check(rs->Save(Variant(doc), kPersistXml));
    return doc;
}

ComPtr<Node> selectNode(Node* context, const Str& path) {
    ComPtr<Node> found;
    rt::check(context->selectSingleNode(path, found.put()));
    return found;
}

ComPtr<dom::IXMLDOMNodeList> childrenOf(Node* node) {
    ComPtr<dom::IXMLDOMNodeList> children;
    rt::check(node->get_childNodes(children.put()));
    return children;
}

int32_t lengthOf(dom::IXMLDOMNodeList* list) { return rt::call(list, &dom::IXMLDOMNodeList::get_length); }

ComPtr<Node> itemOf(dom::IXMLDOMNodeList* list, int32_t i) {
    ComPtr<Node> item;
    rt::check(list->get_item(i, item.put()));
    return item;
}

// A node the method walks as an element; error 13 when it is another kind of node.
ComPtr<Element> asElement(const ComPtr<Node>& node) {
    ComPtr<Element> e = node.as<Element>();
    if (!e) rt::raise(rt::kErrTypeMismatch, u"The node is not an element.");
    return e;
}

ComPtr<ado::Fields> fieldsOf(ado::_Recordset* rs) { return rt::call(rs, &ado::_Recordset::get_Fields); }

// strTrim with its defaults (lower case, both ends), through the member so its guard holds.
Str folded(const Str& text) {
    Variant v(text);
    VARIANT_BOOL lower = rt::VARIANT_TRUE;
    int32_t bothEnds = 2;
    return rt::call(gCommon(), &_CCommonFunction::strTrim, &v, &lower, &bothEnds);
}

bool hasField(ado::_Recordset* rs, const Str& name) {
    rt::IDispatch* collection = rs;
    Str copy = name;
    return rt::call(gCommon(), &_CCommonFunction::bColHasFld, &collection, &copy) != 0;
}

// Left(text, p) where p is the position of the first "T" (any case) minus 1, or the
// whole text when that is not above 0: the calendar date of a time stamp.
Str dateTextOf(const Str& text) {
    const size_t t = rt::toUpper(text).find(u'T');
    if (t == Str::npos || t == 0) return text;
    return text.substr(0, t);
}

}  // namespace

// The typed value of a row attribute's text for a field of the given type; null for a
// type the conversion does not know and for text that does not convert.
Variant vStr2FldVal(int16_t type, const Str& text) {
    try {
        switch (type) {
            case ado::adBoolean: return text.empty() ? Variant(false) : Variant::boolean(rt::toBool(Variant(text)));
            case ado::adBSTR:
            case ado::adChar:
            case ado::adWChar:
            case ado::adChapter:
            case ado::adVarNumeric:
            case ado::adVarChar:
            case ado::adLongVarChar:
            case ado::adVarWChar:
            case ado::adLongVarWChar:
            case ado::adVarBinary:
            case ado::adLongVarBinary: return Variant(text);
            case ado::adSingle:
            case ado::adDouble:
            case ado::adCurrency:
            case ado::adDecimal:
            case ado::adNumeric: return Variant(text.empty() ? 0.0 : rt::toDouble(Variant(text)));
            case ado::adDate:
            case ado::adFileTime:
            case ado::adDBDate:
            case ado::adDBTime:
            case ado::adDBTimeStamp:
                if (text.empty()) return Variant(rt::Null{});
                return Variant(rt::DateValue{rt::toDate(Variant(dateTextOf(text)))});
            case ado::adSmallInt:
            case ado::adInteger:
            case ado::adTinyInt:
            case ado::adUnsignedTinyInt:
            case ado::adUnsignedSmallInt:
            case ado::adUnsignedInt:
            case ado::adBigInt:
            case ado::adUnsignedBigInt: return Variant(text.empty() ? int32_t(0) : rt::toI4(Variant(text)));
            default: return Variant(rt::Null{});
        }
    } catch (...) {
        return Variant(rt::Null{});  // a text that does not convert leaves the field unset
    }
}

ComPtr<dom::IXMLDOMDocument> Rs2Doc(ado::_Recordset* objRst) {
    if (!objRst) return {};
    return savedDocument(objRst);
}

ComPtr<dom::IXMLDOMDocument> Sql2Doc(Variant& vDsn, const Str& sql) {
    Variant statement(sql);
    int32_t flag = 10;  // always a record set, an empty one too
    int32_t cursorType = ado::adOpenForwardOnly;
    int32_t lockType = ado::adLockReadOnly;
    int32_t options = 0;
    Variant result =
        rt::call(gCommon(), &_CCommonFunction::vInRecord, &statement, &vDsn, &flag, &cursorType, &lockType, &options);
    ComPtr<rt::IDispatch> object = rt::toObject(result);  // the null of a failed query: error 424
    if (!object) return {};
    ComPtr<ado::_Recordset> rs = object.as<ado::_Recordset>();
    if (!rs) rt::raise(rt::kErrTypeMismatch);
    return savedDocument(rs.get());
}

// Adds one row to rs from a row element's attributes. The fields met are remembered by
// attribute name: the repel test and the field lookup give the same answer for the same
// name throughout one walk (the record set's fields do not change meanwhile).
class RowFiller {
public:
    RowFiller(ado::_Recordset* rs, const Str& repel) : rs_(rs), fields_(fieldsOf(rs)), repel_(repel) {}

    void addRow(Element* row) {
        rt::check(rs_->AddNew(Variant(rt::Missing{}), Variant(rt::Missing{})));
        ComPtr<dom::IXMLDOMNamedNodeMap> attributes;
        rt::check(row->get_attributes(attributes.put()));
        const int32_t count = rt::call(attributes.get(), &dom::IXMLDOMNamedNodeMap::get_length);
        for (int32_t i = 0; i < count; ++i) {
            ComPtr<Node> attribute;
            rt::check(attributes->get_item(i, attribute.put()));
            const Target& target = targetOf(rt::call(attribute.get(), &Node::get_nodeName));
            if (!target.field) continue;
            const Variant text = rt::call(attribute.get(), &Node::get_nodeValue);
            const Variant value = vStr2FldVal(target.type, text.isString() ? text.str() : rt::toText(text));
            if (!value.isNull()) rt::check(target.field->put_Value(value));
        }
    }

private:
    struct Target {
        ComPtr<ado::Field> field;  // nothing: the attribute is skipped
        int16_t type = 0;
    };

    const Target& targetOf(const Str& name) {
        auto found = targets_.find(name);
        if (found != targets_.end()) return found->second;
        Target t;
        if (!repelled(name) && hasField(rs_, name)) {
            t.field = rt::call(fields_.get(), &ado::Fields::get_Item, Variant(name));
            t.type = int16_t(rt::call(t.field.get(), &ado::Field::get_Type));
        }
        return targets_.emplace(name, std::move(t)).first->second;
    }

    bool repelled(const Str& name) const {
        return repel_.find(u"," + folded(name) + u",") != Str::npos;
    }

    ado::_Recordset* rs_;
    ComPtr<ado::Fields> fields_;
    const Str& repel_;
    std::unordered_map<Str, Target> targets_;
};

namespace {

ComPtr<Node> cloneOf(Node* node, bool deep) {
    ComPtr<Node> copy;
    rt::check(node->cloneNode(deep ? rt::VARIANT_TRUE : rt::VARIANT_FALSE, copy.put()));
    return copy;
}

// A detached copy of element without its child rows: the element itself (attributes and
// namespace declarations), then a deep copy of every child but rows. The same as a deep copy
// with rows removed, without copying the rows, which are most of a document.
ComPtr<Element> copyWithout(Element* element, Node* rows) {
    ComPtr<Element> copy = asElement(cloneOf(element, false));
    ComPtr<dom::IXMLDOMNodeList> children = childrenOf(element);
    const int32_t count = lengthOf(children.get());
    for (int32_t i = 0; i < count; ++i) {
        ComPtr<Node> child = itemOf(children.get(), i);
        if (child.get() == rows) continue;  // one object per node: identity is comparison
        ComPtr<Node> appended;
        rt::check(copy->appendChild(cloneOf(child.get(), true).get(), appended.put()));
    }
    return copy;
}

}  // namespace

ComPtr<ado::_Recordset> Doc2Rs(ComPtr<Element>& objChild, int32_t cursortype, int32_t locktype, Str& strRepel) {
    if (!objChild) return {};
    strRepel = folded(strRepel);

    // The schema part alone, with every visible column made writable and nullable.
    ComPtr<Node> rows = selectNode(objChild.get(), u"rs:data");
    if (!rows) rt::raise(rt::kErrObjectNotSet, u"The element has no rs:data child.");
    ComPtr<Element> copy = copyWithout(objChild.get(), rows.get());
    Array pairs(0, {Variant(u"rs:writeunknown"), Variant(u"True"), Variant(u"rs:nullable"), Variant(u"true")});
    Element* copyArg = copy.get();
    rt::call(gCommon(), &_CCommonFunction::SetRsAttribute, &copyArg, &pairs);

    ComPtr<dom::IXMLDOMDocument> schema = xml::newDocument();
    ComPtr<Node> appended;
    rt::check(schema->appendChild(copy.get(), appended.put()));
    ComPtr<ado::_Recordset> rs = ado::newRecordset();
    rt::check(rs->Open(Variant(schema), Variant(rt::Missing{}), cursortype, locktype, -1));

    // The caller's variable walks the rows; after a complete walk it holds nothing. The last
    // row is handed back still being added. The rows are read where they are, in the
    // caller's document, which nothing here changes; when the walk stops on an error, the
    // variable receives a copy of the last row reached, so that it never leads back into
    // the caller's document.
    RowFiller filler(rs.get(), strRepel);
    ComPtr<dom::IXMLDOMNodeList> rowList = childrenOf(rows.get());
    const int32_t count = lengthOf(rowList.get());
    bool onARow = false;  // until the first row is reached, the variable holds the caller's element
    try {
        for (int32_t i = 0; i < count; ++i) {
            objChild = asElement(itemOf(rowList.get(), i));
            onARow = true;
            filler.addRow(objChild.get());
        }
    } catch (...) {
        if (onARow) objChild = asElement(cloneOf(objChild.get(), true));
        throw;
    }
    objChild = nullptr;
    return rs;
}

bool AddEmptyRow(Element* objOut, ado::_Recordset* objRst) {
    ComPtr<Element> row = xml::objMakeNode(u"z:row", Array(0, {}));
    ComPtr<ado::Fields> fields = fieldsOf(objRst);
    const int32_t count = rt::call(fields.get(), &ado::Fields::get_Count);
    for (int32_t i = 0; i < count; ++i) {
        ComPtr<ado::Field> field = rt::call(fields.get(), &ado::Fields::get_Item, Variant(i));
        rt::check(row->setAttribute(rt::call(field.get(), &ado::Field::get_Name), Variant(Str())));
    }
    if (!objOut) rt::raise(rt::kErrObjectNotSet);
    ComPtr<Node> appended;
    rt::check(objOut->appendChild(row.get(), appended.put()));
    return true;
}

void SetRsAttribute(Element* objIn, const Array& NameValuePair) {
    if (!objIn) rt::raise(rt::kErrObjectNotSet);
    ComPtr<Node> elementType = selectNode(objIn, u"//s:ElementType");
    if (!elementType) return;
    ComPtr<dom::IXMLDOMNodeList> columns = childrenOf(elementType.get());
    const int32_t count = lengthOf(columns.get());
    for (int32_t i = 0; i < count; ++i) {
        ComPtr<Element> column = asElement(itemOf(columns.get(), i));
        if (xml::GetAttributeVal(u"rs:hidden", column.get()) == u"true") continue;
        for (int32_t j = 0; j <= NameValuePair.ubound() - 1; j += 2)
            rt::check(column->setAttribute(rt::toText(NameValuePair.at(j)), NameValuePair.at(j + 1)));
    }
}

}  // namespace velmora::data

namespace velmora {

HRESULT CCommonFunction::Doc2Rs(Element** objChild, int32_t* cursortype, int32_t* locktype, Str* strRepel,
                                Recordset** result) {
    return bind<&_CCommonFunction::Doc2Rs>(&data::Doc2Rs, objChild, cursortype, locktype, strRepel, result);
}

HRESULT CCommonFunction::Rs2Doc(Recordset** objRst, Document** result) {
    return bind<&_CCommonFunction::Rs2Doc>(&data::Rs2Doc, objRst, result);
}

HRESULT CCommonFunction::Sql2Doc(Variant* vDsn, Str* sql, Document** result) {
    return bind<&_CCommonFunction::Sql2Doc>(&data::Sql2Doc, vDsn, sql, result);
}

HRESULT CCommonFunction::AddEmptyRow(Element** objOut, Recordset** objRst, VARIANT_BOOL* result) {
    return bind<&_CCommonFunction::AddEmptyRow>(&data::AddEmptyRow, objOut, objRst, result);
}

HRESULT CCommonFunction::SetRsAttribute(Element** objIn, Array* NameValuePair) {
    return bind<&_CCommonFunction::SetRsAttribute>(&data::SetRsAttribute, objIn, NameValuePair);
}

}  // namespace velmora
