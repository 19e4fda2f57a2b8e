// Node reading and path access: readers that turn absent nodes into empty text, the
// interchange document's payload locators, and the folding path accessors.
#include "frame/classes.h"
#include "frame/guards.h"
#include "runtime/convert.h"
#include "text/strings.h"
#include "xml/nodes.h"

namespace velmora::xml {

using rt::ComPtr;
using rt::Str;
using rt::Variant;

namespace {

// The element a path selects below context; nothing when none matches. Error 13 when the
// match is another kind of node.
ComPtr<Element> selectElement(dom::IXMLDOMNode* context, const Str& path) {
    ComPtr<dom::IXMLDOMNode> found;
    rt::check(context->selectSingleNode(path, found.put()));
    if (!found) return {};
    auto e = found.as<Element>();
    if (!e) rt::raise(rt::kErrTypeMismatch, u"The node selected by '" + path + u"' is not an element.");
    return e;
}

ComPtr<Element> rootElement(Document* doc) {
    ComPtr<Element> root;
    rt::check(doc->get_documentElement(root.put()));
    return root;
}

Str folded(const Variant& v) { return text::strTrim(v); }

// The element a node reference addresses: an object used directly, or a folded path below
// objDom. Error 91 when there is none to work on.
ComPtr<Element> resolveTarget(const Variant& nodePath, Element* objDom) {
    const Variant& ref = nodePath.deref();
    ComPtr<Element> target;
    if (ref.isObject()) {
        if (ref.object()) {
            target = ref.object().as<Element>();
            if (!target) rt::raise(rt::kErrTypeMismatch, u"The node reference is not an element.");
        }
    } else {
        if (!objDom) rt::raise(rt::kErrObjectNotSet, u"A node path needs a context element.");
        target = selectElement(objDom, folded(ref));
    }
    if (!target) rt::raise(rt::kErrObjectNotSet, u"The node reference addresses no element.");
    return target;
}

}  // namespace

Str elementVal(const Str& path, Element* node) {
    if (!node) return {};
    ComPtr<Element> e = selectElement(node, path);
    if (!e) return {};
    Str text;
    rt::check(e->get_text(&text));
    return Str(rt::trimSpaces(text));
}

Str attributeVal(const Str& name, Element* node) {
    if (!node) return {};
    Variant value;
    rt::check(node->getAttribute(name, &value));
    if (value.isNull()) return {};
    return Str(rt::trimSpaces(rt::toText(value)));
}

Str rootTag(Document* doc) {
    if (!doc) rt::raise(rt::kErrObjectNotSet);
    return rt::toLower(attributeVal(kRootTagAttribute, rootElement(doc).get()));
}

ComPtr<Element> selectRootTag(Document* doc) noexcept {
    ComPtr<Element> result;
    guardHandler([&] {
        if (!doc) return;
        Str tag = rootTag(doc);
        ComPtr<Element> root = rootElement(doc);
        if (tag.empty()) {
            result = root;
        } else {
            if (!root) rt::raise(rt::kErrObjectNotSet);
            result = selectElement(root.get(), tag);
        }
    });
    return result;
}

int16_t nodeCount(Element* pa) {
    if (!pa) return 0;
    ComPtr<dom::IXMLDOMNodeList> children;
    rt::check(pa->get_childNodes(children.put()));
    int32_t length = 0;
    rt::check(children->get_length(&length));
    if (length > 32767) rt::raise(rt::kErrOverflow);
    return int16_t(length);
}

void setAttr(const Variant& nodePath, const Variant& attrName, const Variant& attrVal, Element* objDom) noexcept {
    guardHandler([&] {
        ComPtr<Element> target = resolveTarget(nodePath, objDom);
        rt::check(target->setAttribute(folded(attrName), Variant(folded(attrVal))));
    });
}

Str getAttr(const Variant& nodePath, const Variant& attrName, Element* objDom) noexcept {
    Str result;
    guardHandler([&] { result = attributeVal(folded(attrName), resolveTarget(nodePath, objDom).get()); });
    return result;
}

Str getNodeText(const Variant& nodePath, Element* objDom) noexcept {
    Str result;
    guardHandler([&] {
        Str text;
        rt::check(resolveTarget(nodePath, objDom)->get_text(&text));
        result = std::move(text);
    });
    return result;
}

void setNodeText(const Variant& nodePath, const Variant& attrVal, Element* objDom) noexcept {
    guardHandler([&] { rt::check(resolveTarget(nodePath, objDom)->put_text(folded(attrVal))); });
}

}  // namespace velmora::xml

namespace velmora {

namespace {

// An interface argument passed by reference: nothing when the slot itself is missing.
template <class I>
I* in(I** slot) {
    return slot ? *slot : nullptr;
}

const Variant& valueOr(const Variant* v) {
    static const Variant empty;
    return v ? *v : empty;
}

void need(const void* out) {
    if (!out) rt::raiseStatus(rt::E_POINTER);
}

}  // namespace

HRESULT CCommonFunction::GetElementVal(Str* sName, Element** node, Str* result) {
    return guardNone(kSourceCommon, [&] {
        need(sName);
        need(result);
        *result = xml::elementVal(*sName, in(node));
    });
}

HRESULT CCommonFunction::GetAttributeVal(Str* sName, Element** node, Str* result) {
    return guardNone(kSourceCommon, [&] {
        need(sName);
        need(result);
        *result = xml::attributeVal(*sName, in(node));
    });
}

HRESULT CCommonFunction::sRootTag(Document** doc, Str* result) {
    return guardNone(kSourceCommon, [&] {
        need(result);
        *result = xml::rootTag(in(doc));
    });
}

HRESULT CCommonFunction::objSelectRootTag(Document** doc, Element** result) {
    return guardHandler([&] {
        if (result) rt::assignOut(result, xml::selectRootTag(in(doc)));
    });
}

HRESULT CCommonFunction::iNodeCount(Element** pa, int16_t* result) {
    return guardNone(kSourceCommon, [&] {
        need(result);
        *result = xml::nodeCount(in(pa));
    });
}

HRESULT CCommonFunction::SetAttr(Variant* vNodePath, Variant* vAttrName, Variant* vAttrVal, Element** objDom) {
    return guardHandler(
        [&] { xml::setAttr(valueOr(vNodePath), valueOr(vAttrName), valueOr(vAttrVal), in(objDom)); });
}

HRESULT CCommonFunction::GetAttr(Variant* vNodePath, Variant* vAttrName, Element** objDom, Str* result) {
    return guardHandler([&] {
        if (result) *result = xml::getAttr(valueOr(vNodePath), valueOr(vAttrName), in(objDom));
    });
}

HRESULT CCommonFunction::GetNodeText(Variant* vNodePath, Element** objDom, Str* result) {
    return guardHandler([&] {
        if (result) *result = xml::getNodeText(valueOr(vNodePath), in(objDom));
    });
}

HRESULT CCommonFunction::SetNodeText(Variant* vNodePath, Variant* vAttrVal, Element** objDom) {
    return guardHandler([&] { xml::setNodeText(valueOr(vNodePath), valueOr(vAttrVal), in(objDom)); });
}

}  // namespace velmora
