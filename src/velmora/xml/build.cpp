// Node building: elements from attribute lists, small trees from entry lists, and the
// interchange document.
#include <optional>

#include "frame/classes.h"
#include "frame/binding.h"
#include "runtime/classes.h"
#include "runtime/convert.h"
#include "text/strings.h"
#include "xml/nodes.h"

namespace velmora::xml {

using rt::Array;
using rt::ComPtr;
using rt::Str;
using rt::Variant;

namespace {

// The largest index a 16-bit loop counter reaches.
constexpr int32_t kMaxIndex = 32767;

const Array& emptyList() {
    static const Array none(0, {});
    return none;
}

// Trimmed text of a list entry; nullopt for Null. Throws error 13 for an entry without text.
std::optional<Str> trimmedText(const Variant& entry) {
    const Variant& v = entry.deref();
    if (v.isNull()) return std::nullopt;
    return Str(rt::trimSpaces(rt::toText(v)));
}

void setAttribute(Element* e, const Str& name, const Variant& value) { rt::check(e->setAttribute(name, value)); }

void appendChild(dom::IXMLDOMNode* parent, Element* child) {
    ComPtr<dom::IXMLDOMNode> added;
    rt::check(parent->appendChild(child, added.put()));
}

ComPtr<Element> createElement(Document* doc, const Str& name) {
    ComPtr<Element> e;
    rt::check(doc->createElement(name, e.put()));
    return e;
}

// The pairs of attr, applied in order, with the 16-bit counter's overflow where the
// counter would pass 32,767.
void applyAttributes(Element* e, const Array& attr) {
    const int32_t last = attr.ubound() - 1;
    if (last > kMaxIndex) rt::raise(rt::kErrOverflow);
    for (int32_t i = 0; i <= last; i += 2) {
        std::optional<Str> name = trimmedText(attr.at(i));
        std::optional<Str> value = trimmedText(attr.at(i + 1));
        if (name && value && !name->empty() && !value->empty()) setAttribute(e, *name, Variant(*value));
        if (i + 2 > kMaxIndex) rt::raise(rt::kErrOverflow);
    }
}

// Whether an entry's kind asks for a child element: the number 1 (or text reading as 1).
bool addsChild(const Variant& kind) {
    const Variant& k = kind.deref();
    if (k.isNull() || k.isEmpty() || !rt::isNumeric(k)) return false;
    return rt::toDouble(k) == 1.0;
}

// The element an entry addresses: the root itself when the parent names it, else the
// first match of the parent as a path below the root; nothing when none matches.
ComPtr<Element> entryTarget(const ComPtr<Element>& root, const Str& rootName, const Variant& parent) {
    Str path = rt::toText(parent.deref());
    if (path == rootName) return root;
    ComPtr<dom::IXMLDOMNode> found;
    rt::check(root->selectSingleNode(path, found.put()));
    if (!found) return {};
    auto e = found.as<Element>();
    if (!e) rt::raise(rt::kErrTypeMismatch);
    return e;
}

ComPtr<Element> buildTree(const Str& name, const Array& entries) {
    ComPtr<Element> root = objMakeNode(name, emptyList());
    if (!root) return {};
    Str rootName;
    rt::check(root->get_nodeName(&rootName));
    const int32_t last = entries.ubound() - 1;
    if (last > kMaxIndex) rt::raise(rt::kErrOverflow);
    for (int32_t i = 0; i <= last; i += 4) {
        ComPtr<Element> target = entryTarget(root, rootName, entries.at(i + 1));
        if (target) {
            const Variant& entryName = entries.at(i + 2);
            const Variant& entryValue = entries.at(i + 3);
            if (addsChild(entries.at(i))) {
                ComPtr<Element> child = objMakeNode(rt::toText(entryName.deref()), emptyList());
                rt::check(child->put_text(rt::toText(entryValue.deref())));
                appendChild(target.get(), child.get());
            } else {
                setAttribute(target.get(), rt::toText(entryName.deref()), entryValue.deref());
            }
        }
        if (i + 4 > kMaxIndex) rt::raise(rt::kErrOverflow);
    }
    return root;
}

}  // namespace

ComPtr<Document> newDocument() {
    ComPtr<Document> doc;
    rt::check(rt::createInstance(dom::CLSID_DOMDocument, Document::IID_, reinterpret_cast<void**>(doc.put())));
    return doc;
}

ComPtr<Element> objMakeNode(const Str& nodeName, const Array& attr) {
    ComPtr<Document> doc = newDocument();
    ComPtr<Element> e = createElement(doc.get(), nodeName);
    applyAttributes(e.get(), attr);
    return e;
}

ComPtr<Element> objMakeNode2(const Str& nodeName, ComPtr<Document>& doc, Variant& nodeText, const Array& attr) {
    if (!doc) doc = newDocument();  // the caller keeps it even when a later step fails
    ComPtr<Element> e = createElement(doc.get(), nodeName);
    applyAttributes(e.get(), attr);
    nodeText = text::strVal(nodeText, false);
    const Str& content = nodeText.str();
    if (!content.empty()) rt::check(e->put_text(content));
    return e;
}

ComPtr<Element> objMakeNode3(const Str& strNodeName, const Array& TripleSet) {
    return buildTree(strNodeName, TripleSet);
}

ComPtr<Document> objGenerateKaDom(GuardScope& guard, const Array& attr) {
    ComPtr<Document> doc = newDocument();
    int16_t loaded = 0;
    rt::check(doc->loadXML(kInterchangeSource, &loaded));
    ComPtr<Element> root;
    rt::check(doc->get_documentElement(root.put()));

    // From here each failing step is skipped and the document goes back as far as it got.
    guard.change();
    auto skip = [&guard](auto&& statement) { guard.step(statement); };
    int32_t last = -1;
    skip([&] { last = attr.ubound() - 1; });
    Str payload;
    // The 16-bit counter ends the walk at its limit rather than failing.
    for (int32_t i = 0; i <= last && i + 1 <= kMaxIndex; i += 2) {
        std::optional<Str> name, value;
        skip([&] {
            name = trimmedText(attr.at(i));
            value = trimmedText(attr.at(i + 1));
        });
        // A Null entry or one without text has nothing to set: the pair is left out.
        if (!name || !value) continue;
        if (*name == kRootTagAttribute && !value->empty()) {
            skip([&] { setAttribute(root.get(), *name, Variant(*value)); });
            payload = *value;
        } else if (!name->empty() && !value->empty()) {
            skip([&] { setAttribute(root.get(), *name, Variant(*value)); });
        }
    }
    if (!payload.empty()) skip([&] { appendChild(root.get(), objMakeNode(payload, emptyList()).get()); });
    return doc;
}

}  // namespace velmora::xml

namespace velmora {

HRESULT CCommonFunction::objMakeNode(const Str& nodeName, Array* attr, Element** result) {
    return bind<&_CCommonFunction::objMakeNode>(&xml::objMakeNode, nodeName, attr, result);
}

HRESULT CCommonFunction::objMakeNode2(const Str& nodeName, Document** doc, Variant* nodeText, Array* attr,
                                      Element** result) {
    return bind<&_CCommonFunction::objMakeNode2>(&xml::objMakeNode2, nodeName, doc, nodeText, attr, result);
}

HRESULT CCommonFunction::objMakeNode3(Str* strNodeName, Array* TripleSet, Element** result) {
    return bind<&_CCommonFunction::objMakeNode3>(&xml::objMakeNode3, strNodeName, TripleSet, result);
}

HRESULT CCommonFunction::objGenerateKaDom(Array* attr, Document** result) {
    return bind<&_CCommonFunction::objGenerateKaDom>(&xml::objGenerateKaDom, attr, result);
}

}  // namespace velmora
