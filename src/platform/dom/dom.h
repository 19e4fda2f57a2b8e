// The XML document object model: dual interfaces of the documents, nodes and collections
// that "MSXML2.DOMDocument" hands out, with the public interface ids and dispatch ids.
//
// Conventions shared by every member below:
// - A member that hands out a node, list or document stores a new reference in its last
//   parameter; the caller owns it. A "nothing" result is a null pointer.
// - A failure returns a failed status and leaves error information (rt::check turns it back
//   into an rt::Error): E_INVALIDARG-style misuse carries a description, a null node argument
//   is error 424 ("Object required").
// - The same underlying node always comes back as the same object, however it is reached.
// - Strings are UTF-16 (rt::Str); booleans are VARIANT_BOOL (-1 true, 0 false).
#pragma once

#include "runtime/dispatch.h"

namespace dom {

struct IXMLDOMNode;
struct IXMLDOMNodeList;
struct IXMLDOMNamedNodeMap;
struct IXMLDOMDocument;
struct IXMLDOMElement;
struct IXMLDOMAttribute;
struct IXMLDOMText;
struct IXMLDOMComment;
struct IXMLDOMCDATASection;
struct IXMLDOMProcessingInstruction;
struct IXMLDOMParseError;

// Node types as nodeType reports them.
enum DOMNodeType : int32_t {
    NODE_INVALID = 0,
    NODE_ELEMENT = 1,
    NODE_ATTRIBUTE = 2,
    NODE_TEXT = 3,
    NODE_CDATA_SECTION = 4,
    NODE_ENTITY_REFERENCE = 5,
    NODE_ENTITY = 6,
    NODE_PROCESSING_INSTRUCTION = 7,
    NODE_COMMENT = 8,
    NODE_DOCUMENT = 9,
    NODE_DOCUMENT_TYPE = 10,
    NODE_DOCUMENT_FRAGMENT = 11,
    NODE_NOTATION = 12,
};

struct IXMLDOMNode : rt::IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{2933BF80-7B36-11D2-B20E-00C04F983E60}");
    using Base = rt::IDispatch;
    static const rt::InterfaceInfo& info();

    // Qualified name for elements and attributes ("z:row"), the target for processing
    // instructions, "#text", "#cdata-section", "#comment", "#document" otherwise.
    virtual rt::HRESULT get_nodeName(rt::Str* name) = 0;
    // Text of text, CDATA, comment, PI and attribute nodes; Null for elements and documents.
    virtual rt::HRESULT get_nodeValue(rt::Variant* value) = 0;
    // Error for elements and documents (they have no value).
    virtual rt::HRESULT put_nodeValue(const rt::Variant& value) = 0;
    virtual rt::HRESULT get_nodeType(int32_t* type) = 0;
    // Nothing for documents, attributes and nodes outside any tree.
    virtual rt::HRESULT get_parentNode(IXMLDOMNode** parent) = 0;
    // Live list: it follows later changes of the children.
    virtual rt::HRESULT get_childNodes(IXMLDOMNodeList** children) = 0;
    virtual rt::HRESULT get_firstChild(IXMLDOMNode** child) = 0;
    virtual rt::HRESULT get_lastChild(IXMLDOMNode** child) = 0;
    virtual rt::HRESULT get_previousSibling(IXMLDOMNode** sibling) = 0;
    virtual rt::HRESULT get_nextSibling(IXMLDOMNode** sibling) = 0;
    // Live attribute map of an element; nothing for other nodes.
    virtual rt::HRESULT get_attributes(IXMLDOMNamedNodeMap** attributes) = 0;
    // Inserts newChild before refChild (a child of this node); refChild empty, missing,
    // Null or nothing appends. A node of another document moves here with its subtree.
    virtual rt::HRESULT insertBefore(IXMLDOMNode* newChild, const rt::Variant& refChild, IXMLDOMNode** result) = 0;
    // Puts newChild where oldChild is and returns oldChild, now outside the tree. newChild may
    // lie inside oldChild.
    virtual rt::HRESULT replaceChild(IXMLDOMNode* newChild, IXMLDOMNode* oldChild, IXMLDOMNode** result) = 0;
    // Takes child out of the tree and returns it; it lives on as long as it is referenced.
    virtual rt::HRESULT removeChild(IXMLDOMNode* child, IXMLDOMNode** result) = 0;
    // Appends newChild as the last child (moving it from wherever it was) and returns it.
    virtual rt::HRESULT appendChild(IXMLDOMNode* newChild, IXMLDOMNode** result) = 0;
    virtual rt::HRESULT hasChildNodes(int16_t* result) = 0;
    // The document the node belongs to; nothing for a document itself.
    virtual rt::HRESULT get_ownerDocument(IXMLDOMDocument** document) = 0;
    // A copy outside the tree, of the same document (deep: with the subtree; otherwise an
    // element keeps its attributes). Cloning a document gives a new document.
    virtual rt::HRESULT cloneNode(int16_t deep, IXMLDOMNode** result) = 0;
    // "element", "attribute", "text", "cdatasection", "comment", "processinginstruction", "document", ...
    virtual rt::HRESULT get_nodeTypeString(rt::Str* type) = 0;
    // Read: the concatenated text of the node and its descendants (comments and PIs left out).
    virtual rt::HRESULT get_text(rt::Str* text) = 0;
    // Write: replaces all children of an element by one text node (none for "").
    virtual rt::HRESULT put_text(const rt::Str& text) = 0;
    // Markup of the node and its subtree; for a document the text form that loadXML reads back.
    virtual rt::HRESULT get_xml(rt::Str* xml) = 0;
    // XPath 1.0 relative to this node; namespace prefixes in scope here may be used.
    // All matches in document order (a snapshot); a path the engine rejects is an error.
    virtual rt::HRESULT selectNodes(const rt::Str& path, IXMLDOMNodeList** result) = 0;
    // The first match in document order, or nothing.
    virtual rt::HRESULT selectSingleNode(const rt::Str& path, IXMLDOMNode** result) = 0;
    virtual rt::HRESULT get_namespaceURI(rt::Str* uri) = 0;
    virtual rt::HRESULT get_prefix(rt::Str* prefix) = 0;
    virtual rt::HRESULT get_baseName(rt::Str* name) = 0;

protected:
    ~IXMLDOMNode() = default;
};

struct IXMLDOMNodeList : rt::IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{2933BF82-7B36-11D2-B20E-00C04F983E60}");
    using Base = rt::IDispatch;
    static const rt::InterfaceInfo& info();
    // Zero-based; nothing when index is out of range.
    virtual rt::HRESULT get_item(int32_t index, IXMLDOMNode** item) = 0;
    virtual rt::HRESULT get_length(int32_t* length) = 0;
    // Iterator: the next node or nothing at the end; reset starts again.
    virtual rt::HRESULT nextNode(IXMLDOMNode** item) = 0;
    virtual rt::HRESULT reset() = 0;

protected:
    ~IXMLDOMNodeList() = default;
};

struct IXMLDOMNamedNodeMap : rt::IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{2933BF83-7B36-11D2-B20E-00C04F983E60}");
    using Base = rt::IDispatch;
    static const rt::InterfaceInfo& info();
    // The attribute of that qualified name, or nothing.
    virtual rt::HRESULT getNamedItem(const rt::Str& name, IXMLDOMNode** item) = 0;
    // Removes and returns the attribute, or nothing when absent.
    virtual rt::HRESULT removeNamedItem(const rt::Str& name, IXMLDOMNode** item) = 0;
    virtual rt::HRESULT get_item(int32_t index, IXMLDOMNode** item) = 0;
    virtual rt::HRESULT get_length(int32_t* length) = 0;
    virtual rt::HRESULT nextNode(IXMLDOMNode** item) = 0;
    virtual rt::HRESULT reset() = 0;

protected:
    ~IXMLDOMNamedNodeMap() = default;
};

struct IXMLDOMParseError : rt::IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{3EFAA426-272F-11D2-836F-0000F87A7782}");
    using Base = rt::IDispatch;
    static const rt::InterfaceInfo& info();
    // 0 after a successful load; otherwise a failure status (0xC00CE5xx for syntax errors,
    // 0x800C0006 for a file that cannot be found).
    virtual rt::HRESULT get_errorCode(int32_t* code) = 0;
    virtual rt::HRESULT get_url(rt::Str* url) = 0;
    virtual rt::HRESULT get_reason(rt::Str* reason) = 0;
    virtual rt::HRESULT get_srcText(rt::Str* text) = 0;
    // 1-based line and position in the line; 0 when not tied to a place.
    virtual rt::HRESULT get_line(int32_t* line) = 0;
    virtual rt::HRESULT get_linepos(int32_t* pos) = 0;
    virtual rt::HRESULT get_filepos(int32_t* pos) = 0;

protected:
    ~IXMLDOMParseError() = default;
};

struct IXMLDOMDocument : IXMLDOMNode {
    static constexpr rt::IID IID_ = rt::guid("{2933BF81-7B36-11D2-B20E-00C04F983E60}");
    using Base = IXMLDOMNode;
    static const rt::InterfaceInfo& info();
    // The root element, or nothing for an empty document.
    virtual rt::HRESULT get_documentElement(IXMLDOMElement** root) = 0;
    // Replaces the root element (or sets the first one); an element of another document moves here.
    virtual rt::HRESULT putref_documentElement(IXMLDOMElement* root) = 0;
    // A new element outside the tree. A prefixed name ("z:row") binds to the namespace that
    // the prefix has where the element is later inserted.
    virtual rt::HRESULT createElement(const rt::Str& tagName, IXMLDOMElement** element) = 0;
    virtual rt::HRESULT createTextNode(const rt::Str& data, IXMLDOMText** text) = 0;
    virtual rt::HRESULT createComment(const rt::Str& data, IXMLDOMComment** comment) = 0;
    virtual rt::HRESULT createCDATASection(const rt::Str& data, IXMLDOMCDATASection** cdata) = 0;
    virtual rt::HRESULT createProcessingInstruction(const rt::Str& target, const rt::Str& data,
                                                    IXMLDOMProcessingInstruction** pi) = 0;
    // Loads a file (a path, or a DOMDocument to copy). True on success; false leaves the
    // document empty with the reason in parseError. Never fetches anything from the network,
    // never loads external DTDs or entities.
    virtual rt::HRESULT load(const rt::Variant& source, int16_t* ok) = 0;
    // Always 4 (complete): loading is synchronous.
    virtual rt::HRESULT get_readyState(int32_t* state) = 0;
    // The outcome of the last load or loadXML (a snapshot).
    virtual rt::HRESULT get_parseError(IXMLDOMParseError** error) = 0;
    // The path of the last successful load; "" otherwise.
    virtual rt::HRESULT get_url(rt::Str* url) = 0;
    virtual rt::HRESULT get_async(int16_t* isAsync) = 0;
    // Accepted and remembered; loading stays synchronous.
    virtual rt::HRESULT put_async(int16_t isAsync) = 0;
    virtual rt::HRESULT abort() = 0;
    // Parses text. True on success; false leaves the document empty with parseError set.
    virtual rt::HRESULT loadXML(const rt::Str& xml, int16_t* ok) = 0;
    // Writes the document to a file path, in the encoding its declaration names (UTF-8 otherwise).
    virtual rt::HRESULT save(const rt::Variant& destination) = 0;
    virtual rt::HRESULT get_validateOnParse(int16_t* value) = 0;
    // Remembered only: documents are never validated against a DTD.
    virtual rt::HRESULT put_validateOnParse(int16_t value) = 0;
    virtual rt::HRESULT get_resolveExternals(int16_t* value) = 0;
    // Remembered only: external DTDs and entities are never resolved.
    virtual rt::HRESULT put_resolveExternals(int16_t value) = 0;
    virtual rt::HRESULT get_preserveWhiteSpace(int16_t* value) = 0;
    // False (the default): whitespace-only text between elements is dropped on the next load.
    virtual rt::HRESULT put_preserveWhiteSpace(int16_t value) = 0;

protected:
    ~IXMLDOMDocument() = default;
};

// The document's second interface: named properties.
struct IXMLDOMDocument2 : IXMLDOMDocument {
    static constexpr rt::IID IID_ = rt::guid("{2933BF95-7B36-11D2-B20E-00C04F983E60}");
    using Base = IXMLDOMDocument;
    static const rt::InterfaceInfo& info();
    // "SelectionLanguage" ("XPath"), "SelectionNamespaces" (the declarations set, "" when none).
    // Error for other names.
    virtual rt::HRESULT getProperty(const rt::Str& name, rt::Variant* value) = 0;
    // "SelectionLanguage": "XPath" or "XSLPattern" (both evaluate XPath 1.0).
    // "SelectionNamespaces": "xmlns:p='uri' ..." prefixes usable in every path of this document,
    // besides those in scope of the context node. Error for other names or bad values.
    virtual rt::HRESULT setProperty(const rt::Str& name, const rt::Variant& value) = 0;

protected:
    ~IXMLDOMDocument2() = default;
};

struct IXMLDOMElement : IXMLDOMNode {
    static constexpr rt::IID IID_ = rt::guid("{2933BF86-7B36-11D2-B20E-00C04F983E60}");
    using Base = IXMLDOMNode;
    static const rt::InterfaceInfo& info();
    virtual rt::HRESULT get_tagName(rt::Str* name) = 0;
    // The value of the attribute of that qualified name ("xmlns:p" gives the declared URI);
    // Null when absent.
    virtual rt::HRESULT getAttribute(const rt::Str& name, rt::Variant* value) = 0;
    // Creates or replaces the attribute; the value is taken as text (Null is error 94). A
    // prefixed name binds to the prefix's namespace in scope; "xmlns:p" declares a prefix.
    virtual rt::HRESULT setAttribute(const rt::Str& name, const rt::Variant& value) = 0;
    // No effect when absent.
    virtual rt::HRESULT removeAttribute(const rt::Str& name) = 0;
    // The attribute node, or nothing.
    virtual rt::HRESULT getAttributeNode(const rt::Str& name, IXMLDOMAttribute** attribute) = 0;

protected:
    ~IXMLDOMElement() = default;
};

struct IXMLDOMAttribute : IXMLDOMNode {
    static constexpr rt::IID IID_ = rt::guid("{2933BF85-7B36-11D2-B20E-00C04F983E60}");
    using Base = IXMLDOMNode;
    static const rt::InterfaceInfo& info();
    virtual rt::HRESULT get_name(rt::Str* name) = 0;
    // The value as a string.
    virtual rt::HRESULT get_value(rt::Variant* value) = 0;
    // The value taken as text (Null is error 94).
    virtual rt::HRESULT put_value(const rt::Variant& value) = 0;

protected:
    ~IXMLDOMAttribute() = default;
};

// Text, CDATA and comment nodes. Offsets and counts are in UTF-16 units; an offset past the
// end is error 5.
struct IXMLDOMCharacterData : IXMLDOMNode {
    static constexpr rt::IID IID_ = rt::guid("{2933BF84-7B36-11D2-B20E-00C04F983E60}");
    using Base = IXMLDOMNode;
    static const rt::InterfaceInfo& info();
    virtual rt::HRESULT get_data(rt::Str* data) = 0;
    virtual rt::HRESULT put_data(const rt::Str& data) = 0;
    virtual rt::HRESULT get_length(int32_t* length) = 0;
    // Up to count units from offset (fewer at the end).
    virtual rt::HRESULT substringData(int32_t offset, int32_t count, rt::Str* data) = 0;
    virtual rt::HRESULT appendData(const rt::Str& data) = 0;
    virtual rt::HRESULT insertData(int32_t offset, const rt::Str& data) = 0;
    virtual rt::HRESULT deleteData(int32_t offset, int32_t count) = 0;
    virtual rt::HRESULT replaceData(int32_t offset, int32_t count, const rt::Str& data) = 0;

protected:
    ~IXMLDOMCharacterData() = default;
};

struct IXMLDOMText : IXMLDOMCharacterData {
    static constexpr rt::IID IID_ = rt::guid("{2933BF87-7B36-11D2-B20E-00C04F983E60}");
    using Base = IXMLDOMCharacterData;
    static const rt::InterfaceInfo& info();
    // Keeps the first offset units here and moves the rest into a new text node that follows
    // this one (when the node has a parent) and is returned.
    virtual rt::HRESULT splitText(int32_t offset, IXMLDOMText** rest) = 0;

protected:
    ~IXMLDOMText() = default;
};

struct IXMLDOMComment : IXMLDOMCharacterData {
    static constexpr rt::IID IID_ = rt::guid("{2933BF88-7B36-11D2-B20E-00C04F983E60}");
    using Base = IXMLDOMCharacterData;
    static const rt::InterfaceInfo& info();

protected:
    ~IXMLDOMComment() = default;
};

struct IXMLDOMCDATASection : IXMLDOMText {
    static constexpr rt::IID IID_ = rt::guid("{2933BF8A-7B36-11D2-B20E-00C04F983E60}");
    using Base = IXMLDOMText;
    static const rt::InterfaceInfo& info();

protected:
    ~IXMLDOMCDATASection() = default;
};

struct IXMLDOMProcessingInstruction : IXMLDOMNode {
    static constexpr rt::IID IID_ = rt::guid("{2933BF89-7B36-11D2-B20E-00C04F983E60}");
    using Base = IXMLDOMNode;
    static const rt::InterfaceInfo& info();
    virtual rt::HRESULT get_target(rt::Str* target) = 0;
    virtual rt::HRESULT get_data(rt::Str* data) = 0;
    virtual rt::HRESULT put_data(const rt::Str& data) = 0;

protected:
    ~IXMLDOMProcessingInstruction() = default;
};

// Class ids of the document class.
inline constexpr rt::CLSID CLSID_DOMDocument = rt::guid("{F6D90F11-9C73-11D3-B32E-00C04F990BB4}");
inline constexpr rt::CLSID CLSID_DOMDocument30 = rt::guid("{F5078F32-C551-11D3-89B9-0000F81FE221}");
inline constexpr rt::CLSID CLSID_XMLDOM = rt::guid("{2933BF90-7B36-11D2-B20E-00C04F983E60}");

// A new empty document (what CreateObject("MSXML2.DOMDocument") gives); owned by the caller.
rt::ComPtr<IXMLDOMDocument2> newDocument();

}  // namespace dom
