// The node object classes. NodeImpl serves IXMLDOMNode for every kind of node; the
// classes below add the members of their own interfaces.
#pragma once

#include "dom/internal.h"
#include "dom/parse.h"
#include "runtime/error.h"

namespace dom::detail {

// IXMLDOMNode over any node, implemented once in node.cpp.
struct NodeOps {
    static void nodeValue(NodeCore& self, rt::Variant* value);
    static void setNodeValue(NodeCore& self, const rt::Variant& value);
    static void parentNode(NodeCore& self, IXMLDOMNode** out);
    static void childNodes(NodeCore& self, IXMLDOMNodeList** out);
    static void attributes(NodeCore& self, IXMLDOMNamedNodeMap** out);
    static void insertBefore(NodeCore& self, IXMLDOMNode* newChild, const rt::Variant& ref, IXMLDOMNode** out);
    static void replaceChild(NodeCore& self, IXMLDOMNode* newChild, IXMLDOMNode* oldChild, IXMLDOMNode** out);
    static void removeChild(NodeCore& self, IXMLDOMNode* child, IXMLDOMNode** out);
    static void appendChild(NodeCore& self, IXMLDOMNode* newChild, IXMLDOMNode** out);
    static void ownerDocument(NodeCore& self, IXMLDOMDocument** out);
    static void cloneNode(NodeCore& self, bool deep, IXMLDOMNode** out);
    static rt::Str nodeTypeString(NodeCore& self);
    static void selectNodes(NodeCore& self, const rt::Str& path, IXMLDOMNodeList** out);
    static void selectSingleNode(NodeCore& self, const rt::Str& path, IXMLDOMNode** out);
    static rt::Str namespaceURI(NodeCore& self);
    static rt::Str prefix(NodeCore& self);
    static rt::Str baseName(NodeCore& self);
    static rt::Str xml(NodeCore& self);
    static rt::Str text(NodeCore& self);
    static void setText(NodeCore& self, const rt::Str& text);
};

#define DOM_GUARD(...) return this->boundary(kSource, [&] { __VA_ARGS__; })

template <class D, class I>
class NodeImpl : public rt::DispatchObject<D, I, INodeCore>, public NodeCore {
public:
    static constexpr const char16_t* kSource = u"msxml3.dll";

    NodeCore* core() override { return this; }
    IXMLDOMNode* asNode() override { return static_cast<I*>(this); }

    rt::HRESULT get_nodeName(rt::Str* r) override { DOM_GUARD(*need(r) = detail::nodeName(node())); }
    rt::HRESULT get_nodeValue(rt::Variant* r) override { DOM_GUARD(NodeOps::nodeValue(*this, need(r))); }
    rt::HRESULT put_nodeValue(const rt::Variant& v) override { DOM_GUARD(NodeOps::setNodeValue(*this, v)); }
    rt::HRESULT get_nodeType(int32_t* r) override { DOM_GUARD(*need(r) = detail::nodeType(node())); }
    rt::HRESULT get_parentNode(IXMLDOMNode** r) override { DOM_GUARD(NodeOps::parentNode(*this, need(r))); }
    rt::HRESULT get_childNodes(IXMLDOMNodeList** r) override { DOM_GUARD(NodeOps::childNodes(*this, need(r))); }
    rt::HRESULT get_firstChild(IXMLDOMNode** r) override { DOM_GUARD(putNode(need(r), firstChildOf(node()))); }
    rt::HRESULT get_lastChild(IXMLDOMNode** r) override { DOM_GUARD(putNode(need(r), lastChildOf(node()))); }
    rt::HRESULT get_previousSibling(IXMLDOMNode** r) override { DOM_GUARD(putNode(need(r), sibling(false))); }
    rt::HRESULT get_nextSibling(IXMLDOMNode** r) override { DOM_GUARD(putNode(need(r), sibling(true))); }
    rt::HRESULT get_attributes(IXMLDOMNamedNodeMap** r) override { DOM_GUARD(NodeOps::attributes(*this, need(r))); }
    rt::HRESULT insertBefore(IXMLDOMNode* c, const rt::Variant& ref, IXMLDOMNode** r) override {
        DOM_GUARD(NodeOps::insertBefore(*this, c, ref, r));
    }
    rt::HRESULT replaceChild(IXMLDOMNode* c, IXMLDOMNode* old, IXMLDOMNode** r) override {
        DOM_GUARD(NodeOps::replaceChild(*this, c, old, r));
    }
    rt::HRESULT removeChild(IXMLDOMNode* c, IXMLDOMNode** r) override { DOM_GUARD(NodeOps::removeChild(*this, c, r)); }
    rt::HRESULT appendChild(IXMLDOMNode* c, IXMLDOMNode** r) override { DOM_GUARD(NodeOps::appendChild(*this, c, r)); }
    rt::HRESULT hasChildNodes(int16_t* r) override {
        DOM_GUARD(*need(r) = firstChildOf(node()) ? rt::VARIANT_TRUE : rt::VARIANT_FALSE);
    }
    rt::HRESULT get_ownerDocument(IXMLDOMDocument** r) override { DOM_GUARD(NodeOps::ownerDocument(*this, need(r))); }
    rt::HRESULT cloneNode(int16_t deep, IXMLDOMNode** r) override { DOM_GUARD(NodeOps::cloneNode(*this, deep != 0, need(r))); }
    rt::HRESULT get_nodeTypeString(rt::Str* r) override { DOM_GUARD(*need(r) = NodeOps::nodeTypeString(*this)); }
    rt::HRESULT get_text(rt::Str* r) override { DOM_GUARD(*need(r) = NodeOps::text(*this)); }
    rt::HRESULT put_text(const rt::Str& t) override { DOM_GUARD(NodeOps::setText(*this, t)); }
    rt::HRESULT get_xml(rt::Str* r) override { DOM_GUARD(*need(r) = NodeOps::xml(*this)); }
    rt::HRESULT selectNodes(const rt::Str& p, IXMLDOMNodeList** r) override {
        DOM_GUARD(NodeOps::selectNodes(*this, p, need(r)));
    }
    rt::HRESULT selectSingleNode(const rt::Str& p, IXMLDOMNode** r) override {
        DOM_GUARD(NodeOps::selectSingleNode(*this, p, need(r)));
    }
    rt::HRESULT get_namespaceURI(rt::Str* r) override { DOM_GUARD(*need(r) = NodeOps::namespaceURI(*this)); }
    rt::HRESULT get_prefix(rt::Str* r) override { DOM_GUARD(*need(r) = NodeOps::prefix(*this)); }
    rt::HRESULT get_baseName(rt::Str* r) override { DOM_GUARD(*need(r) = NodeOps::baseName(*this)); }

protected:
    NodeImpl(xmlNodePtr n, Tree* t) : NodeCore(n, t) {}

private:
    xmlNodePtr sibling(bool next) const {
        xmlNodePtr n = node();
        if (n->type == XML_ATTRIBUTE_NODE || n->type == XML_DOCUMENT_NODE) return nullptr;
        return next ? n->next : n->prev;
    }
};

// Nodes without an interface of their own (entity references, DTDs, fragments).
class PlainNode final : public NodeImpl<PlainNode, IXMLDOMNode> {
public:
    PlainNode(xmlNodePtr n, Tree* t) : NodeImpl(n, t) {}
};

class ElementNode final : public NodeImpl<ElementNode, IXMLDOMElement> {
public:
    ElementNode(xmlNodePtr n, Tree* t) : NodeImpl(n, t) {}
    rt::HRESULT get_tagName(rt::Str* r) override { DOM_GUARD(*need(r) = detail::nodeName(node())); }
    rt::HRESULT getAttribute(const rt::Str& name, rt::Variant* r) override;
    rt::HRESULT setAttribute(const rt::Str& name, const rt::Variant& value) override;
    rt::HRESULT removeAttribute(const rt::Str& name) override;
    rt::HRESULT getAttributeNode(const rt::Str& name, IXMLDOMAttribute** r) override;
};

class AttributeNode final : public NodeImpl<AttributeNode, IXMLDOMAttribute> {
public:
    AttributeNode(xmlNodePtr n, Tree* t) : NodeImpl(n, t) {}
    rt::HRESULT get_name(rt::Str* r) override { DOM_GUARD(*need(r) = detail::nodeName(node())); }
    rt::HRESULT get_value(rt::Variant* r) override;
    rt::HRESULT put_value(const rt::Variant& v) override;
};

// Text, CDATA and comments: the character data members over the node's content.
struct CharOps {
    static rt::Str data(xmlNodePtr n);
    static void setData(xmlNodePtr n, const rt::Str& s);
    static rt::Str substring(xmlNodePtr n, int32_t offset, int32_t count);
    static void splice(xmlNodePtr n, int32_t offset, int32_t count, const rt::Str& with);
    static void splitText(xmlNodePtr n, int32_t offset, IXMLDOMText** out);
};

template <class D, class I>
class CharNodeImpl : public NodeImpl<D, I> {
public:
    using NodeImpl<D, I>::kSource;
    rt::HRESULT get_data(rt::Str* r) override { DOM_GUARD(*need(r) = CharOps::data(this->node())); }
    rt::HRESULT put_data(const rt::Str& s) override { DOM_GUARD(CharOps::setData(this->node(), s)); }
    rt::HRESULT get_length(int32_t* r) override { DOM_GUARD(*need(r) = int32_t(CharOps::data(this->node()).size())); }
    rt::HRESULT substringData(int32_t o, int32_t c, rt::Str* r) override {
        DOM_GUARD(*need(r) = CharOps::substring(this->node(), o, c));
    }
    rt::HRESULT appendData(const rt::Str& s) override {
        DOM_GUARD(CharOps::setData(this->node(), CharOps::data(this->node()) + s));
    }
    rt::HRESULT insertData(int32_t o, const rt::Str& s) override { DOM_GUARD(CharOps::splice(this->node(), o, 0, s)); }
    rt::HRESULT deleteData(int32_t o, int32_t c) override { DOM_GUARD(CharOps::splice(this->node(), o, c, {})); }
    rt::HRESULT replaceData(int32_t o, int32_t c, const rt::Str& s) override {
        DOM_GUARD(CharOps::splice(this->node(), o, c, s));
    }

protected:
    CharNodeImpl(xmlNodePtr n, Tree* t) : NodeImpl<D, I>(n, t) {}
};

template <class D, class I>
class TextNodeImpl : public CharNodeImpl<D, I> {
public:
    using NodeImpl<D, I>::kSource;
    rt::HRESULT splitText(int32_t offset, IXMLDOMText** r) override {
        DOM_GUARD(CharOps::splitText(this->node(), offset, need(r)));
    }

protected:
    TextNodeImpl(xmlNodePtr n, Tree* t) : CharNodeImpl<D, I>(n, t) {}
};

class TextNode final : public TextNodeImpl<TextNode, IXMLDOMText> {
public:
    TextNode(xmlNodePtr n, Tree* t) : TextNodeImpl(n, t) {}
};
class CDataNode final : public TextNodeImpl<CDataNode, IXMLDOMCDATASection> {
public:
    CDataNode(xmlNodePtr n, Tree* t) : TextNodeImpl(n, t) {}
};
class CommentNode final : public CharNodeImpl<CommentNode, IXMLDOMComment> {
public:
    CommentNode(xmlNodePtr n, Tree* t) : CharNodeImpl(n, t) {}
};

class PINode final : public NodeImpl<PINode, IXMLDOMProcessingInstruction> {
public:
    PINode(xmlNodePtr n, Tree* t) : NodeImpl(n, t) {}
    rt::HRESULT get_target(rt::Str* r) override { DOM_GUARD(*need(r) = detail::nodeName(node())); }
    rt::HRESULT get_data(rt::Str* r) override { DOM_GUARD(*need(r) = CharOps::data(node())); }
    rt::HRESULT put_data(const rt::Str& s) override { DOM_GUARD(CharOps::setData(node(), s)); }
};

class DocumentObject final : public NodeImpl<DocumentObject, IXMLDOMDocument2> {
public:
    DocumentObject();
    ~DocumentObject() override;

    xmlDocPtr doc() const { return reinterpret_cast<xmlDocPtr>(node_); }
    // Takes ownership of fresh (a tree no document object holds); the old tree goes out
    // of the document and lives on only for the node objects still inside it.
    void replaceTree(xmlDocPtr fresh, bool declaration, std::string encoding);
    // An empty tree in place of the current one.
    void clear();
    bool hasDeclaration() const { return declaration_; }
    const std::string& encoding() const { return encoding_; }
    // Forgets the last load's outcome and address (after a tree was handed over natively).
    void resetOutcome() {
        parse_ = ParseInfo{};
        url_.clear();
    }
    const std::vector<SelectionNamespace>& selectionNamespaces() const { return selectionNs_; }
    // The text of the whole document: declaration (as loaded) and top-level nodes, CRLF after each.
    rt::Str markup() const;

    rt::HRESULT get_documentElement(IXMLDOMElement** r) override;
    rt::HRESULT putref_documentElement(IXMLDOMElement* root) override;
    rt::HRESULT createElement(const rt::Str& name, IXMLDOMElement** r) override;
    rt::HRESULT createTextNode(const rt::Str& data, IXMLDOMText** r) override;
    rt::HRESULT createComment(const rt::Str& data, IXMLDOMComment** r) override;
    rt::HRESULT createCDATASection(const rt::Str& data, IXMLDOMCDATASection** r) override;
    rt::HRESULT createProcessingInstruction(const rt::Str& target, const rt::Str& data,
                                            IXMLDOMProcessingInstruction** r) override;
    rt::HRESULT load(const rt::Variant& source, int16_t* ok) override;
    rt::HRESULT get_readyState(int32_t* r) override { DOM_GUARD(*need(r) = 4); }
    rt::HRESULT get_parseError(IXMLDOMParseError** r) override;
    rt::HRESULT get_url(rt::Str* r) override { DOM_GUARD(*need(r) = url_); }
    rt::HRESULT get_async(int16_t* r) override { DOM_GUARD(*need(r) = async_); }
    rt::HRESULT put_async(int16_t v) override { DOM_GUARD(async_ = flag(v)); }
    rt::HRESULT abort() override { return rt::S_OK; }
    rt::HRESULT loadXML(const rt::Str& xml, int16_t* ok) override;
    rt::HRESULT save(const rt::Variant& destination) override;
    rt::HRESULT get_validateOnParse(int16_t* r) override { DOM_GUARD(*need(r) = validateOnParse_); }
    rt::HRESULT put_validateOnParse(int16_t v) override { DOM_GUARD(validateOnParse_ = flag(v)); }
    rt::HRESULT get_resolveExternals(int16_t* r) override { DOM_GUARD(*need(r) = resolveExternals_); }
    rt::HRESULT put_resolveExternals(int16_t v) override { DOM_GUARD(resolveExternals_ = flag(v)); }
    rt::HRESULT get_preserveWhiteSpace(int16_t* r) override { DOM_GUARD(*need(r) = preserveWhiteSpace_); }
    rt::HRESULT put_preserveWhiteSpace(int16_t v) override { DOM_GUARD(preserveWhiteSpace_ = flag(v)); }
    rt::HRESULT getProperty(const rt::Str& name, rt::Variant* r) override;
    rt::HRESULT setProperty(const rt::Str& name, const rt::Variant& value) override;

private:
    static int16_t flag(int16_t v) { return v ? rt::VARIANT_TRUE : rt::VARIANT_FALSE; }
    bool loadFile(const rt::Str& path);
    bool loadCopy(rt::IUnknown* source);
    void saveFile(const rt::Str& path);
    template <class I>
    void create(xmlNodePtr n, I** out);

    ParseInfo parse_;
    rt::Str url_;
    bool declaration_ = false;
    std::string encoding_;  // as the loaded declaration named it; "" when none
    int16_t async_ = rt::VARIANT_TRUE;
    int16_t validateOnParse_ = rt::VARIANT_TRUE;
    int16_t resolveExternals_ = rt::VARIANT_TRUE;
    int16_t preserveWhiteSpace_ = rt::VARIANT_FALSE;
    rt::Str selectionLanguage_ = u"XPath";
    rt::Str selectionNsText_;
    std::vector<SelectionNamespace> selectionNs_;
};

// Lists: children of a node (live) and path results (a snapshot).
rt::ComPtr<IXMLDOMNodeList> makeChildList(NodeCore& parent);
rt::ComPtr<IXMLDOMNodeList> makeSnapshotList(std::vector<rt::ComPtr<IXMLDOMNode>> nodes);
rt::ComPtr<IXMLDOMNamedNodeMap> makeAttributeMap(NodeCore& element);
rt::ComPtr<IXMLDOMParseError> makeParseError(const ParseInfo& info);

}  // namespace dom::detail
