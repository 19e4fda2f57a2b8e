// IXMLDOMNode and the element, attribute and character-data members.
#include <libxml/parser.h>
#include <libxml/uri.h>

#include <algorithm>
#include <cstring>

#include "dom/objects.h"
#include "runtime/convert.h"

namespace dom::detail {

namespace {

std::string utf8(const xmlChar* s) { return s ? reinterpret_cast<const char*>(s) : ""; }

bool isDocument(const xmlNode* n) { return n->type == XML_DOCUMENT_NODE || n->type == XML_HTML_DOCUMENT_NODE; }

bool isCharacterData(const xmlNode* n) {
    return n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE || n->type == XML_COMMENT_NODE ||
           n->type == XML_PI_NODE;
}

// The namespace a node's name is bound to (elements and attributes only).
xmlNsPtr nsOf(xmlNodePtr n) {
    if (n->type == XML_ELEMENT_NODE || n->type == XML_ATTRIBUTE_NODE) return n->ns;
    return nullptr;
}

// The prefix and local part of a name that carries its prefix itself ("z:row" made unbound).
std::pair<std::string, std::string> splitName(const std::string& name) {
    size_t colon = name.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == name.size()) return {"", name};
    return {name.substr(0, colon), name.substr(colon + 1)};
}

}  // namespace

// ---- Names -----------------------------------------------------------------------------

std::string qualifiedName(xmlNodePtr n) {
    std::string local = utf8(n->name);
    xmlNsPtr ns = nsOf(n);
    if (ns && ns->prefix) return utf8(ns->prefix) + ":" + local;
    return local;
}

rt::Str nodeName(xmlNodePtr n) {
    switch (n->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE: return rt::fromUtf8(qualifiedName(n));
    case XML_TEXT_NODE: return u"#text";
    case XML_CDATA_SECTION_NODE: return u"#cdata-section";
    case XML_COMMENT_NODE: return u"#comment";
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE: return u"#document";
    case XML_DOCUMENT_FRAG_NODE: return u"#document-fragment";
    default: return rt::fromUtf8(utf8(n->name));
    }
}

int32_t nodeType(xmlNodePtr n) {
    switch (n->type) {
    case XML_ELEMENT_NODE: return NODE_ELEMENT;
    case XML_ATTRIBUTE_NODE: return NODE_ATTRIBUTE;
    case XML_TEXT_NODE: return NODE_TEXT;
    case XML_CDATA_SECTION_NODE: return NODE_CDATA_SECTION;
    case XML_ENTITY_REF_NODE: return NODE_ENTITY_REFERENCE;
    case XML_ENTITY_NODE:
    case XML_ENTITY_DECL: return NODE_ENTITY;
    case XML_PI_NODE: return NODE_PROCESSING_INSTRUCTION;
    case XML_COMMENT_NODE: return NODE_COMMENT;
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE: return NODE_DOCUMENT;
    case XML_DOCUMENT_TYPE_NODE:
    case XML_DTD_NODE: return NODE_DOCUMENT_TYPE;
    case XML_DOCUMENT_FRAG_NODE: return NODE_DOCUMENT_FRAGMENT;
    case XML_NOTATION_NODE: return NODE_NOTATION;
    default: return NODE_INVALID;
    }
}

std::string checkedName(rt::StrView name, const char* what) {
    if (name.empty()) refuse(std::string("The ") + what + " name cannot be empty.");
    std::string n = wholeUtf8(name, (std::string(what) + " name").c_str());
    bool prefixed = n.find(':') != std::string::npos;
    if ((prefixed ? xmlValidateQName(BAD_CAST n.c_str(), 0) : xmlValidateName(BAD_CAST n.c_str(), 0)) != 0)
        refuse("'" + n + "' is not a valid " + what + " name.");
    return n;
}

// ---- Text ------------------------------------------------------------------------------

std::string textOf(xmlNodePtr n) {
    if (isCharacterData(n)) return utf8(n->content);
    std::string out;
    std::vector<xmlNodePtr> pending;
    auto pushChildren = [&](xmlNodePtr first) {
        size_t mark = pending.size();
        for (xmlNodePtr c = first; c; c = c->next) pending.push_back(c);
        std::reverse(pending.begin() + long(mark), pending.end());
    };
    pushChildren(n->type == XML_ENTITY_REF_NODE ? nullptr : firstChildOf(n));
    if (n->type == XML_ENTITY_REF_NODE && n->children) pushChildren(n->children->children);
    while (!pending.empty()) {
        xmlNodePtr c = pending.back();
        pending.pop_back();
        switch (c->type) {
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
            if (c->content) out += reinterpret_cast<const char*>(c->content);
            break;
        case XML_ENTITY_REF_NODE:
            // Entity content was bounded when the document was parsed.
            if (c->children) pushChildren(c->children->children);
            break;
        case XML_ELEMENT_NODE:
            pushChildren(c->children);
            break;
        default:
            break;
        }
    }
    return out;
}

// Without the intermediate UTF-8 copy in the common cases: character data, and a node whose
// one child is text (an attribute's value, the content of most elements).
rt::Str textStrOf(xmlNodePtr n) {
    auto view = [](const xmlChar* s) { return std::string_view(s ? reinterpret_cast<const char*>(s) : ""); };
    if (isCharacterData(n)) return rt::fromUtf8(view(n->content));
    if (n->type != XML_ENTITY_REF_NODE) {
        xmlNodePtr only = firstChildOf(n);
        if (only && !only->next && (only->type == XML_TEXT_NODE || only->type == XML_CDATA_SECTION_NODE))
            return rt::fromUtf8(view(only->content));
    }
    return rt::fromUtf8(textOf(n));
}

xmlNodePtr newText(xmlDocPtr doc, const std::string& text) {
    xmlNodePtr t = xmlNewDocTextLen(doc, BAD_CAST text.data(), int(text.size()));
    if (!t) throw std::bad_alloc();
    return t;
}

void setText(xmlNodePtr n, rt::StrView text) {
    if (isCharacterData(n)) {
        std::string content = checkedContent(n->type, text);
        xmlNodeSetContentLen(n, BAD_CAST content.data(), int(content.size()));
        noteMutation();
        return;
    }
    if (n->type != XML_ELEMENT_NODE && n->type != XML_ATTRIBUTE_NODE && n->type != XML_DOCUMENT_FRAG_NODE)
        refuse("The text of this node cannot be set.");
    std::string content = checkedContent(n->type == XML_ATTRIBUTE_NODE ? XML_ATTRIBUTE_NODE : XML_TEXT_NODE, text);
    removeChildren(n);
    if (!content.empty()) {
        xmlNodePtr t = newText(n->doc, content);
        t->parent = n;
        n->children = n->last = t;
    }
    noteMutation();
}

xmlAttrPtr findAttribute(xmlNodePtr element, const std::string& qname) {
    if (element->type != XML_ELEMENT_NODE) return nullptr;
    for (xmlAttrPtr a = element->properties; a; a = a->next)
        if (qualifiedName(reinterpret_cast<xmlNodePtr>(a)) == qname) return a;
    return nullptr;
}

// ---- IXMLDOMNode -----------------------------------------------------------------------

void NodeOps::nodeValue(NodeCore& self, rt::Variant* value) {
    xmlNodePtr n = self.node();
    if (isCharacterData(n) || n->type == XML_ATTRIBUTE_NODE)
        *value = rt::Variant(textStrOf(n));
    else
        *value = rt::Variant(rt::Null{});
}

void NodeOps::setNodeValue(NodeCore& self, const rt::Variant& value) {
    xmlNodePtr n = self.node();
    if (!isCharacterData(n) && n->type != XML_ATTRIBUTE_NODE) refuse("This node has no value to set.");
    detail::setText(n, rt::toText(value));
}

void NodeOps::parentNode(NodeCore& self, IXMLDOMNode** out) {
    xmlNodePtr n = self.node();
    putNode(out, n->type == XML_ATTRIBUTE_NODE ? nullptr : n->parent);
}

void NodeOps::childNodes(NodeCore& self, IXMLDOMNodeList** out) { rt::assignOut(out, makeChildList(self)); }

void NodeOps::attributes(NodeCore& self, IXMLDOMNamedNodeMap** out) {
    if (self.node()->type == XML_ELEMENT_NODE)
        rt::assignOut(out, makeAttributeMap(self));
    else
        rt::assignOut(out, nullptr);
}

void NodeOps::insertBefore(NodeCore& self, IXMLDOMNode* newChild, const rt::Variant& ref, IXMLDOMNode** out) {
    NodeCore& child = requireCore(newChild, u"newChild");
    const rt::Variant& r = ref.deref();
    xmlNodePtr refNode = nullptr;
    if (r.isObject() && r.object()) {
        refNode = requireCore(r.object().get(), u"refChild").node();
    } else if (!r.isEmpty() && !r.isNull() && !r.isMissing() && !r.isObject()) {
        rt::raise(rt::kErrTypeMismatch, u"refChild must be a node, or nothing to append.");
    }
    insertChild(self.node(), child.node(), refNode, nullptr);
    if (out) putNode(out, child.node());
}

void NodeOps::replaceChild(NodeCore& self, IXMLDOMNode* newChild, IXMLDOMNode* oldChild, IXMLDOMNode** out) {
    NodeCore& fresh = requireCore(newChild, u"newChild");
    NodeCore& old = requireCore(oldChild, u"oldChild");
    rt::ComPtr<IXMLDOMNode> keep(old.asNode());
    insertChild(self.node(), fresh.node(), nullptr, old.node());
    if (out) putNode(out, old.node());
}

void NodeOps::removeChild(NodeCore& self, IXMLDOMNode* child, IXMLDOMNode** out) {
    NodeCore& c = requireCore(child, u"childNode");
    if (c.node()->parent != self.node() || c.node()->type == XML_ATTRIBUTE_NODE)
        refuse("The node to remove is not a child of this node.");
    detach(c.node());
    if (out) putNode(out, c.node());
}

void NodeOps::appendChild(NodeCore& self, IXMLDOMNode* newChild, IXMLDOMNode** out) {
    NodeCore& child = requireCore(newChild, u"newChild");
    insertChild(self.node(), child.node(), nullptr, nullptr);
    if (out) putNode(out, child.node());
}

void NodeOps::ownerDocument(NodeCore& self, IXMLDOMDocument** out) {
    if (isDocument(self.node())) {
        rt::assignOut(out, nullptr);
        return;
    }
    rt::assignOut(out, rt::ComPtr<IXMLDOMDocument>(static_cast<IXMLDOMDocument2*>(self.owner())));
}

namespace {

// A copy of attribute a outside any element, of a's document. Like a removed attribute it
// keeps its prefix in its name.
xmlNodePtr copyAttribute(xmlNodePtr a) {
    xmlNodePtr copy = xmlDocCopyNode(a, a->doc, 1);
    if (!copy) throw std::bad_alloc();
    if (a->ns && a->ns->prefix) {
        std::string name = qualifiedName(a);
        xmlNodeSetName(copy, BAD_CAST name.c_str());
    }
    copy->ns = nullptr;
    return copy;
}

}  // namespace

void NodeOps::cloneNode(NodeCore& self, bool deep, IXMLDOMNode** out) {
    xmlNodePtr n = self.node();
    if (isDocument(n)) {
        xmlDocPtr copy = xmlCopyDoc(reinterpret_cast<xmlDocPtr>(n), deep ? 1 : 0);
        if (!copy) throw std::bad_alloc();
        auto doc = rt::makeObject<DocumentObject>();
        DocumentObject* src = static_cast<DocumentObject*>(self.owner());
        doc->replaceTree(copy, src->hasDeclaration(), src->encoding());
        rt::assignOut(out, rt::ComPtr<IXMLDOMNode>(static_cast<IXMLDOMDocument2*>(doc.get())));
        return;
    }
    if (n->type == XML_DTD_NODE) refuse("The document type node cannot be cloned.");
    xmlNodePtr copy = n->type == XML_ATTRIBUTE_NODE ? copyAttribute(n) : xmlDocCopyNode(n, n->doc, deep ? 1 : 2);
    if (!copy) throw std::bad_alloc();
    copy->parent = nullptr;
    // A copy never shares node objects with its original.
    std::vector<xmlNodePtr> pending{copy};
    while (!pending.empty()) {
        xmlNodePtr x = pending.back();
        pending.pop_back();
        x->_private = nullptr;
        for (xmlNodePtr c = firstChildOf(x); c; c = c->next) pending.push_back(c);
        if (x->type == XML_ELEMENT_NODE)
            for (xmlAttrPtr a = x->properties; a; a = a->next) pending.push_back(reinterpret_cast<xmlNodePtr>(a));
    }
    rt::ComPtr<IXMLDOMNode> object = wrapNode(copy);  // owns the copy from here
    if (!object) {
        settleDetached(copy);
        refuse("The node cannot be cloned.");
    }
    rt::assignOut(out, object);
}

rt::Str NodeOps::nodeTypeString(NodeCore& self) {
    switch (nodeType(self.node())) {
    case NODE_ELEMENT: return u"element";
    case NODE_ATTRIBUTE: return u"attribute";
    case NODE_TEXT: return u"text";
    case NODE_CDATA_SECTION: return u"cdatasection";
    case NODE_ENTITY_REFERENCE: return u"entityreference";
    case NODE_ENTITY: return u"entity";
    case NODE_PROCESSING_INSTRUCTION: return u"processinginstruction";
    case NODE_COMMENT: return u"comment";
    case NODE_DOCUMENT: return u"document";
    case NODE_DOCUMENT_TYPE: return u"documenttype";
    case NODE_DOCUMENT_FRAGMENT: return u"documentfragment";
    case NODE_NOTATION: return u"notation";
    default: return u"";
    }
}

namespace {

std::vector<xmlNodePtr> select(NodeCore& self, const rt::Str& path) {
    return selectPath(self.node(), wholeUtf8(path, "path"), self.owner()->selectionNamespaces());
}

}  // namespace

void NodeOps::selectNodes(NodeCore& self, const rt::Str& path, IXMLDOMNodeList** out) {
    std::vector<rt::ComPtr<IXMLDOMNode>> nodes;
    for (xmlNodePtr n : select(self, path))
        if (auto w = wrapNode(n)) nodes.push_back(std::move(w));
    rt::assignOut(out, makeSnapshotList(std::move(nodes)));
}

void NodeOps::selectSingleNode(NodeCore& self, const rt::Str& path, IXMLDOMNode** out) {
    for (xmlNodePtr n : select(self, path))
        if (auto w = wrapNode(n)) {
            rt::assignOut(out, w);
            return;
        }
    rt::assignOut(out, nullptr);
}

rt::Str NodeOps::namespaceURI(NodeCore& self) {
    xmlNsPtr ns = nsOf(self.node());
    return ns ? rt::fromUtf8(utf8(ns->href)) : rt::Str();
}

rt::Str NodeOps::prefix(NodeCore& self) {
    xmlNodePtr n = self.node();
    if (xmlNsPtr ns = nsOf(n)) return rt::fromUtf8(utf8(ns->prefix));
    if (n->type == XML_ELEMENT_NODE || n->type == XML_ATTRIBUTE_NODE) return rt::fromUtf8(splitName(utf8(n->name)).first);
    return {};
}

rt::Str NodeOps::baseName(NodeCore& self) {
    xmlNodePtr n = self.node();
    if (n->type == XML_ELEMENT_NODE || n->type == XML_ATTRIBUTE_NODE) {
        if (nsOf(n)) return rt::fromUtf8(utf8(n->name));
        return rt::fromUtf8(splitName(utf8(n->name)).second);
    }
    if (n->type == XML_PI_NODE || n->type == XML_ENTITY_REF_NODE) return rt::fromUtf8(utf8(n->name));
    return {};
}

rt::Str NodeOps::xml(NodeCore& self) {
    xmlNodePtr n = self.node();
    if (isDocument(n)) {
        return self.owner()->markup();
    }
    return rt::fromUtf8(markupOf(n));
}

rt::Str NodeOps::text(NodeCore& self) { return textStrOf(self.node()); }

void NodeOps::setText(NodeCore& self, const rt::Str& text) {
    if (isDocument(self.node())) refuse("The text of a document cannot be set.");
    detail::setText(self.node(), text);
}

// ---- Element ---------------------------------------------------------------------------

namespace {

// The namespace an "xmlns" or "xmlns:p" name declares on element, or null.
xmlNsPtr declarationOf(xmlNodePtr element, const std::string& name) {
    if (name != "xmlns" && name.rfind("xmlns:", 0) != 0) return nullptr;
    std::string prefix = name == "xmlns" ? "" : name.substr(6);
    for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next)
        if (utf8(ns->prefix) == prefix) return ns;
    return nullptr;
}

bool isDeclarationName(const std::string& name) { return name == "xmlns" || name.rfind("xmlns:", 0) == 0; }

constexpr const char* kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr const char* kXmlnsNamespace = "http://www.w3.org/2000/xmlns/";

// Refuses the declarations that the namespaces of XML forbid (a document holding one does
// not load again): a prefix bound to no URI, the reserved prefixes and their URIs.
void requireDeclarable(const std::string& prefix, const std::string& uri) {
    if (!prefix.empty() && uri.empty()) refuse("The prefix '" + prefix + "' cannot be declared with an empty namespace URI.");
    // What loading refuses in a document.
    if (!uri.empty()) {
        xmlURIPtr parsed = xmlParseURI(uri.c_str());
        if (!parsed) refuse("'" + uri + "' is not a valid namespace URI.");
        xmlFreeURI(parsed);
    }
    if (prefix == "xml" || prefix == "xmlns") refuse("The prefix '" + prefix + "' is reserved and cannot be declared.");
    if (uri == kXmlNamespace || uri == kXmlnsNamespace) refuse("The namespace URI '" + uri + "' is reserved.");
}

}  // namespace

rt::HRESULT ElementNode::getAttribute(const rt::Str& name, rt::Variant* r) {
    DOM_GUARD({
        need(r);
        std::string q = rt::toUtf8(name);
        if (xmlAttrPtr a = findAttribute(node(), q))
            *r = rt::Variant(textStrOf(reinterpret_cast<xmlNodePtr>(a)));
        else if (xmlNsPtr ns = declarationOf(node(), q))
            *r = rt::Variant(rt::fromUtf8(utf8(ns->href)));
        else
            *r = rt::Variant(rt::Null{});
    });
}

rt::HRESULT ElementNode::setAttribute(const rt::Str& name, const rt::Variant& value) {
    DOM_GUARD({
        std::string q = checkedName(name, "attribute");
        rt::Str text = rt::toText(value.deref());
        std::string v = checkedContent(XML_ATTRIBUTE_NODE, text);
        xmlNodePtr e = node();
        if (isDeclarationName(q)) {
            std::string prefix = q == "xmlns" ? "" : q.substr(6);
            requireDeclarable(prefix, v);
            if (xmlNsPtr ns = declarationOf(e, q)) {
                if (utf8(ns->href) != v) refuse("The namespace declaration '" + q + "' cannot be changed.");
                return;
            }
            if (!xmlNewNs(e, BAD_CAST v.c_str(), prefix.empty() ? nullptr : BAD_CAST prefix.c_str()))
                refuse("The namespace declaration '" + q + "' is not valid.");
            return;
        }
        if (xmlAttrPtr a = findAttribute(e, q)) {
            detail::setText(reinterpret_cast<xmlNodePtr>(a), text);
            return;
        }
        auto [prefix, local] = splitName(q);
        xmlNsPtr ns = prefix.empty() ? nullptr : xmlSearchNs(e->doc, e, BAD_CAST prefix.c_str());
        xmlAttrPtr a = ns ? xmlNewNsProp(e, ns, BAD_CAST local.c_str(), nullptr)
                          : xmlNewProp(e, BAD_CAST q.c_str(), nullptr);
        if (!a) throw std::bad_alloc();
        if (!prefix.empty() && !ns) tree()->unboundPrefixes = true;
        if (!v.empty()) {
            xmlNodePtr t = newText(e->doc, v);
            t->parent = reinterpret_cast<xmlNodePtr>(a);
            a->children = a->last = t;
        }
        noteMutation();
    });
}

rt::HRESULT ElementNode::removeAttribute(const rt::Str& name) {
    DOM_GUARD({
        if (xmlAttrPtr a = findAttribute(node(), rt::toUtf8(name))) detach(reinterpret_cast<xmlNodePtr>(a));
    });
}

rt::HRESULT ElementNode::getAttributeNode(const rt::Str& name, IXMLDOMAttribute** r) {
    DOM_GUARD(putNodeAs(need(r), reinterpret_cast<xmlNodePtr>(findAttribute(node(), rt::toUtf8(name)))));
}

// ---- Attribute -------------------------------------------------------------------------

rt::HRESULT AttributeNode::get_value(rt::Variant* r) {
    DOM_GUARD(*need(r) = rt::Variant(textStrOf(node())));
}

rt::HRESULT AttributeNode::put_value(const rt::Variant& v) {
    DOM_GUARD(detail::setText(node(), rt::toText(v.deref())));
}

// ---- Character data --------------------------------------------------------------------

namespace {

size_t checkedOffset(const rt::Str& s, int32_t offset) {
    if (offset < 0 || size_t(offset) > s.size()) rt::raise(rt::kErrInvalidCall, u"The offset is outside the data.");
    return size_t(offset);
}

size_t checkedCount(int32_t count) {
    if (count < 0) rt::raise(rt::kErrInvalidCall, u"The count cannot be negative.");
    return size_t(count);
}

}  // namespace

rt::Str CharOps::data(xmlNodePtr n) { return rt::fromUtf8(utf8(n->content)); }

void CharOps::setData(xmlNodePtr n, const rt::Str& s) { detail::setText(n, s); }

rt::Str CharOps::substring(xmlNodePtr n, int32_t offset, int32_t count) {
    rt::Str s = data(n);
    size_t at = checkedOffset(s, offset);
    return s.substr(at, checkedCount(count));
}

void CharOps::splice(xmlNodePtr n, int32_t offset, int32_t count, const rt::Str& with) {
    rt::Str s = data(n);
    size_t at = checkedOffset(s, offset);
    s.replace(at, std::min(checkedCount(count), s.size() - at), with);
    setData(n, s);
}

void CharOps::splitText(xmlNodePtr n, int32_t offset, IXMLDOMText** out) {
    rt::Str s = data(n);
    size_t at = checkedOffset(s, offset);
    // Both halves are checked first: a split inside a surrogate pair is refused.
    std::string head = checkedContent(n->type, rt::StrView(s).substr(0, at));
    std::string tail = checkedContent(n->type, rt::StrView(s).substr(at));
    xmlNodePtr rest = n->type == XML_CDATA_SECTION_NODE
                          ? xmlNewCDataBlock(n->doc, BAD_CAST tail.data(), int(tail.size()))
                          : newText(n->doc, tail);
    if (!rest) throw std::bad_alloc();
    rt::ComPtr<IXMLDOMText> restObject = wrapAs<IXMLDOMText>(rest);  // owns rest from here
    xmlNodeSetContentLen(n, BAD_CAST head.data(), int(head.size()));
    if (n->parent) {
        rest->parent = n->parent;
        rest->prev = n;
        rest->next = n->next;
        if (n->next)
            n->next->prev = rest;
        else
            n->parent->last = rest;
        n->next = rest;
    }
    noteMutation();
    rt::assignOut(out, restObject);
}

}  // namespace dom::detail
