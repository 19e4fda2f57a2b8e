// Node reading and path access: readers that turn absent nodes into empty text, the
// interchange document's payload locators, and the folding path accessors.
#include "frame/classes.h"
#include "frame/binding.h"
#include "frame/module.h"
#include "runtime/call.h"
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

// A name, path or value folded as the path accessors fold them: strTrim with its defaults,
// through the member so that its guard holds (a value without text folds to "").
Str folded(const Variant& v) {
    Variant copy(v.deref());
    VARIANT_BOOL lower = rt::VARIANT_TRUE;
    int32_t bothEnds = 2;
    return rt::call(gCommon(), &_CCommonFunction::strTrim, &copy, &lower, &bothEnds);
}

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

Str GetElementVal(const Str& sName, Element* node) {
    if (!node) return {};
    ComPtr<Element> e = selectElement(node, sName);
    if (!e) return {};
    Str text;
    rt::check(e->get_text(&text));
    return Str(rt::trimSpaces(text));
}

Str GetAttributeVal(const Str& sName, Element* node) {
    if (!node) return {};
    Variant value;
    rt::check(node->getAttribute(sName, &value));
    if (value.isNull()) return {};
    return Str(rt::trimSpaces(rt::toText(value)));
}

Str sRootTag(Document* doc) {
    if (!doc) rt::raise(rt::kErrObjectNotSet);
    return rt::toLower(GetAttributeVal(kRootTagAttribute, rootElement(doc).get()));
}

ComPtr<Element> objSelectRootTag(Document* doc) {
    if (!doc) return {};
    Str tag = sRootTag(doc);
    ComPtr<Element> root = rootElement(doc);
    if (tag.empty()) return root;
    if (!root) rt::raise(rt::kErrObjectNotSet);
    return selectElement(root.get(), tag);
}

int16_t iNodeCount(Element* pa) {
    if (!pa) return 0;
    ComPtr<dom::IXMLDOMNodeList> children;
    rt::check(pa->get_childNodes(children.put()));
    int32_t length = 0;
    rt::check(children->get_length(&length));
    if (length > 32767) rt::raise(rt::kErrOverflow);
    return int16_t(length);
}

void SetAttr(const Variant& vNodePath, const Variant& vAttrName, const Variant& vAttrVal, Element* objDom) {
    ComPtr<Element> target = resolveTarget(vNodePath, objDom);
    rt::check(target->setAttribute(folded(vAttrName), Variant(folded(vAttrVal))));
}

Str GetAttr(const Variant& vNodePath, const Variant& vAttrName, Element* objDom) {
    return GetAttributeVal(folded(vAttrName), resolveTarget(vNodePath, objDom).get());
}

Str GetNodeText(const Variant& vNodePath, Element* objDom) {
    Str text;
    rt::check(resolveTarget(vNodePath, objDom)->get_text(&text));
    return text;
}

void SetNodeText(const Variant& vNodePath, const Variant& vAttrVal, Element* objDom) {
    rt::check(resolveTarget(vNodePath, objDom)->put_text(folded(vAttrVal)));
}

}  // namespace velmora::xml

namespace velmora {

HRESULT CCommonFunction::GetElementVal(Str* sName, Element** node, Str* result) {
    return bind<&_CCommonFunction::GetElementVal>(&xml::GetElementVal, sName, node, result);
}

HRESULT CCommonFunction::GetAttributeVal(Str* sName, Element** node, Str* result) {
    return bind<&_CCommonFunction::GetAttributeVal>(&xml::GetAttributeVal, sName, node, result);
}

HRESULT CCommonFunction::sRootTag(Document** doc, Str* result) {
    return bind<&_CCommonFunction::sRootTag>(&xml::sRootTag, doc, result);
}

HRESULT CCommonFunction::objSelectRootTag(Document** doc, Element** result) {
    return bind<&_CCommonFunction::objSelectRootTag>(&xml::objSelectRootTag, doc, result);
}

HRESULT CCommonFunction::iNodeCount(Element** pa, int16_t* result) {
    return bind<&_CCommonFunction::iNodeCount>(&xml::iNodeCount, pa, result);
}

HRESULT CCommonFunction::SetAttr(Variant* vNodePath, Variant* vAttrName, Variant* vAttrVal, Element** objDom) {
    return bind<&_CCommonFunction::SetAttr>(&xml::SetAttr, vNodePath, vAttrName, vAttrVal, objDom);
}

HRESULT CCommonFunction::GetAttr(Variant* vNodePath, Variant* vAttrName, Element** objDom, Str* result) {
    return bind<&_CCommonFunction::GetAttr>(&xml::GetAttr, vNodePath, vAttrName, objDom, result);
}

HRESULT CCommonFunction::GetNodeText(Variant* vNodePath, Element** objDom, Str* result) {
    return bind<&_CCommonFunction::GetNodeText>(&xml::GetNodeText, vNodePath, objDom, result);
}

HRESULT CCommonFunction::SetNodeText(Variant* vNodePath, Variant* vAttrVal, Element** objDom) {
    return bind<&_CCommonFunction::SetNodeText>(&xml::SetNodeText, vNodePath, vAttrVal, objDom);
}

}  // namespace velmora
