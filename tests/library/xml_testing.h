// Shared helpers of the XML helper tests: documents from text, markup of nodes, lists.
#pragma once

#include <functional>
#include <stdexcept>

#include "dom/dom.h"
#include "library_testing.h"
#include "support/testing.h"

namespace velmora::testing {

using Document = dom::IXMLDOMDocument;
using Element = dom::IXMLDOMElement;

inline rt::ComPtr<Document> newDoc() {
    rt::ComPtr<Document> doc;
    rt::check(rt::createInstance(dom::CLSID_DOMDocument, Document::IID_, reinterpret_cast<void**>(doc.put())));
    return doc;
}

inline rt::ComPtr<Document> parse(const char16_t* xml) {
    auto doc = newDoc();
    int16_t ok = 0;
    rt::check(doc->loadXML(xml, &ok));
    if (!ok) throw std::runtime_error("test document does not parse");
    return doc;
}

// Tests fail rather than crash on a missing node.
inline void present(const void* p) {
    if (!p) throw std::runtime_error("expected a node, got nothing");
}

inline rt::ComPtr<Element> rootOf(Document* doc) {
    present(doc);
    rt::ComPtr<Element> root;
    rt::check(doc->get_documentElement(root.put()));
    return root;
}

inline rt::ComPtr<Element> select(dom::IXMLDOMNode* context, const char16_t* path) {
    present(context);
    rt::ComPtr<dom::IXMLDOMNode> n;
    rt::check(context->selectSingleNode(path, n.put()));
    return n.as<Element>();
}

template <class I>
std::string xmlOf(I* node) {
    present(node);
    rt::Str s;
    rt::check(node->get_xml(&s));
    return rt::toUtf8(s);
}

inline std::string textOf(dom::IXMLDOMNode* node) {
    present(node);
    rt::Str s;
    rt::check(node->get_text(&s));
    return rt::toUtf8(s);
}

// An attribute's value as text; "<absent>" when the element lacks it.
inline std::string attrOf(Element* e, const char16_t* name) {
    present(e);
    rt::Variant v;
    rt::check(e->getAttribute(name, &v));
    return v.isNull() ? "<absent>" : rt::toUtf8(v.str());
}

// The object behind a late-bound result, as the interface I.
template <class I>
rt::ComPtr<I> objectAs(const rt::Variant& v) {
    if (!v.isObject()) throw std::runtime_error("not an object");
    return v.object().as<I>();
}

inline bool sameObject(rt::IUnknown* a, rt::IUnknown* b) { return rt::identityOf(a) == rt::identityOf(b); }

// A zero-based list of values.
inline rt::Array list(std::vector<rt::Variant> items) { return rt::Array(0, std::move(items)); }

// The run-time error number that call raises; 0 when it returns normally.
inline int errorNumber(const std::function<void()>& call) { return support::errorNumberOf(call); }

}  // namespace velmora::testing
