// Member tables of the DOM interfaces: names, the public dispatch ids, parameters and a help
// line for each member and interface (listings and docs/reference.md are read from here).
#include "dom/dom.h"
#include "runtime/enumerator.h"

namespace dom {

using namespace rt;
using namespace rt::types;

namespace {

constexpr TypeSpec kNode = iface<IXMLDOMNode>("IXMLDOMNode");
constexpr TypeSpec kNodeList = iface<IXMLDOMNodeList>("IXMLDOMNodeList");
constexpr TypeSpec kElement = iface<IXMLDOMElement>("IXMLDOMElement");

constexpr TypeSpec kDocument = iface<IXMLDOMDocument>("IXMLDOMDocument");
constexpr TypeSpec kAttribute = iface<IXMLDOMAttribute>("IXMLDOMAttribute");
constexpr TypeSpec kCDATASection = iface<IXMLDOMCDATASection>("IXMLDOMCDATASection");
constexpr TypeSpec kComment = iface<IXMLDOMComment>("IXMLDOMComment");
constexpr TypeSpec kNamedNodeMap = iface<IXMLDOMNamedNodeMap>("IXMLDOMNamedNodeMap");
constexpr TypeSpec kParseError = iface<IXMLDOMParseError>("IXMLDOMParseError");
constexpr TypeSpec kProcessingInstruction = iface<IXMLDOMProcessingInstruction>("IXMLDOMProcessingInstruction");
constexpr TypeSpec kText = iface<IXMLDOMText>("IXMLDOMText");
constexpr TypeSpec kNodeType{VT_I4, "DOMNodeType"};
}  // namespace

const InterfaceInfo& IXMLDOMNode::info() {
    static const InterfaceInfo table("IXMLDOMNode", IID_, {
        getter<&IXMLDOMNode::get_nodeName, String>("nodeName", 2,
            "The node's name: the qualified name of an element or attribute (\"z:row\"), a processing "
            "instruction's target, else \"#text\", \"#cdata-section\", \"#comment\" or \"#document\"."),
        getter<&IXMLDOMNode::get_nodeValue, Variant_>("nodeValue", 3,
            "The text of a text, CDATA, comment, processing-instruction or attribute node; Null for elements and "
            "documents."),
        setter<&IXMLDOMNode::put_nodeValue>("nodeValue", 3,
            "Replaces the text of a text, CDATA, comment, processing-instruction or attribute node by value's "
            "text; an error for elements and documents.",
            arg<Variant_>("value").byVal()),
        getter<&IXMLDOMNode::get_nodeType, kNodeType>("nodeType", 4,
            "The node's type: 1 element, 2 attribute, 3 text, 4 CDATA section, 5 entity reference, 7 processing "
            "instruction, 8 comment, 9 document, 10 document type."),
        getter<&IXMLDOMNode::get_parentNode, kNode>("parentNode", 6,
            "The parent node; nothing for documents, attributes and nodes outside any tree."),
        getter<&IXMLDOMNode::get_childNodes, kNodeList>("childNodes", 7,
            "The node's children as a live list: it follows later changes of the children."),
        getter<&IXMLDOMNode::get_firstChild, kNode>("firstChild", 8,
            "The first child; nothing when the node has none."),
        getter<&IXMLDOMNode::get_lastChild, kNode>("lastChild", 9,
            "The last child; nothing when the node has none."),
        getter<&IXMLDOMNode::get_previousSibling, kNode>("previousSibling", 10,
            "The node before this one under the same parent; nothing for a first child, an attribute or a document."),
        getter<&IXMLDOMNode::get_nextSibling, kNode>("nextSibling", 11,
            "The node after this one under the same parent; nothing for a last child, an attribute or a document."),
        getter<&IXMLDOMNode::get_attributes, kNamedNodeMap>("attributes", 12,
            "An element's attributes as a live map; nothing for other nodes."),
        method<&IXMLDOMNode::insertBefore, kNode>("insertBefore", 13,
            "Inserts newChild before refChild, a child of this node (refChild empty, missing, Null or nothing "
            "appends), moving it from wherever it was, also from another document; returns newChild.",
            arg<kNode>("newChild").byVal(), arg<Variant_>("refChild").byVal().opt()),
        method<&IXMLDOMNode::replaceChild, kNode>("replaceChild", 14,
            "Puts newChild where oldChild, a child of this node, is and returns oldChild, now outside the tree; an "
            "error when oldChild is not a child.",
            arg<kNode>("newChild").byVal(), arg<kNode>("oldChild").byVal()),
        method<&IXMLDOMNode::removeChild, kNode>("removeChild", 15,
            "Takes childNode, a child of this node, out of the tree and returns it (it lives on while referenced); "
            "an error when it is not a child.",
            arg<kNode>("childNode").byVal()),
        method<&IXMLDOMNode::appendChild, kNode>("appendChild", 16,
            "Appends newChild as the last child, moving it from wherever it was, also from another document; "
            "returns newChild.",
            arg<kNode>("newChild").byVal()),
        method<&IXMLDOMNode::hasChildNodes, Boolean>("hasChildNodes", 17,
            "True when the node has at least one child."),
        getter<&IXMLDOMNode::get_ownerDocument, kDocument>("ownerDocument", 18,
            "The document the node belongs to; nothing for a document itself."),
        method<&IXMLDOMNode::cloneNode, kNode>("cloneNode", 19,
            "A copy outside the tree, of the same document: with the whole subtree when deep, else an element "
            "keeps only its attributes; a document's copy is a new document.",
            arg<Boolean>("deep").byVal()),
        getter<&IXMLDOMNode::get_nodeTypeString, String>("nodeTypeString", 21,
            "The node's type as a word: \"element\", \"attribute\", \"text\", \"cdatasection\", "
            "\"processinginstruction\", \"comment\", \"document\", ..."),
        getter<&IXMLDOMNode::get_text, String>("text", 24,
            "The text of the node: a character-data node's own data, else the concatenated text and CDATA of its "
            "descendants (comments and processing instructions left out)."),
        setter<&IXMLDOMNode::put_text>("text", 24,
            "Replaces the children of an element or attribute by one text node (none for \"\"), or a "
            "character-data node's data; an error for a document.",
            arg<String>("text").byVal()),
        getter<&IXMLDOMNode::get_xml, String>("xml", 27,
            "The markup of the node and its subtree; for a document its whole text (declaration as loaded, CRLF "
            "after each top-level node), as loadXML reads it back."),
        method<&IXMLDOMNode::selectNodes, kNodeList>("selectNodes", 29,
            "Every node the XPath 1.0 expression queryString selects from this node, in document order, as a "
            "snapshot list (empty when none); an error for an expression that is not valid.",
            arg<String>("queryString").byVal()),
        method<&IXMLDOMNode::selectSingleNode, kNode>("selectSingleNode", 30,
            "The first node in document order that the XPath 1.0 expression queryString selects from this node; "
            "nothing when none; an error for an expression that is not valid.",
            arg<String>("queryString").byVal()),
        getter<&IXMLDOMNode::get_namespaceURI, String>("namespaceURI", 32,
            "The namespace URI an element's or attribute's name is bound to; \"\" when none and for other nodes."),
        getter<&IXMLDOMNode::get_prefix, String>("prefix", 33,
            "The prefix of an element's or attribute's name (\"z\" of \"z:row\"); \"\" when none and for other nodes."),
        getter<&IXMLDOMNode::get_baseName, String>("baseName", 34,
            "The local part of an element's or attribute's name (\"row\" of \"z:row\"), a processing instruction's "
            "target; \"\" for other nodes."),
    },
    nullptr,
    "Any node of a document tree: name, value and type, navigation, editing of the children, text, markup and path "
    "selection.");
    return table;
}

const InterfaceInfo& IXMLDOMNodeList::info() {
    static const InterfaceInfo table("IXMLDOMNodeList", IID_, {
        getter<&IXMLDOMNodeList::get_item, kNode>("item", DISPID_VALUE,
            "The node at the zero-based index; nothing when index is out of range.",
            arg<Int32>("index").byVal()),
        getter<&IXMLDOMNodeList::get_length, Int32>("length", 74,
            "The number of nodes in the list."),
        method<&IXMLDOMNodeList::nextNode, kNode>("nextNode", 76,
            "The next node of the list's own iteration (the first after reset); nothing past the last."),
        sub<&IXMLDOMNodeList::reset>("reset", 77,
            "Starts the iteration of nextNode again at the first node."),
        newEnumMember<IXMLDOMNodeList>(),
    },
    nullptr,
    "An ordered list of nodes: the live children of a node (childNodes) or a snapshot of what a path selected "
    "(selectNodes).");
    return table;
}

const InterfaceInfo& IXMLDOMNamedNodeMap::info() {
    static const InterfaceInfo table("IXMLDOMNamedNodeMap", IID_, {
        method<&IXMLDOMNamedNodeMap::getNamedItem, kNode>("getNamedItem", 83,
            "The attribute with the qualified name name (exact case); nothing when absent.",
            arg<String>("name").byVal()),
        method<&IXMLDOMNamedNodeMap::removeNamedItem, kNode>("removeNamedItem", 85,
            "Removes the attribute with the qualified name name and returns it; nothing when absent.",
            arg<String>("name").byVal()),
        getter<&IXMLDOMNamedNodeMap::get_item, kNode>("item", DISPID_VALUE,
            "The attribute at the zero-based index; nothing when index is out of range.",
            arg<Int32>("index").byVal()),
        getter<&IXMLDOMNamedNodeMap::get_length, Int32>("length", 74,
            "The number of attributes."),
        method<&IXMLDOMNamedNodeMap::nextNode, kNode>("nextNode", 89,
            "The next attribute of the map's own iteration (the first after reset); nothing past the last."),
        sub<&IXMLDOMNamedNodeMap::reset>("reset", 90,
            "Starts the iteration of nextNode again at the first attribute."),
        newEnumMember<IXMLDOMNamedNodeMap>(),
    },
    nullptr, "An element's attributes by qualified name or position, live.");
    return table;
}

const InterfaceInfo& IXMLDOMParseError::info() {
    static const InterfaceInfo table("IXMLDOMParseError", IID_, {
        getter<&IXMLDOMParseError::get_errorCode, Int32>("errorCode", DISPID_VALUE,
            "0 after a successful load; else the failure status: 0xC00CE5xx for a syntax error, 0x800C0006 for a "
            "file that cannot be found."),
        getter<&IXMLDOMParseError::get_url, String>("url", 179,
            "The path of the file whose load failed; \"\" after loadXML or a successful load."),
        getter<&IXMLDOMParseError::get_reason, String>("reason", 180,
            "Why the load failed, in words; \"\" after a successful load."),
        getter<&IXMLDOMParseError::get_srcText, String>("srcText", 181,
            "The text of the line where the error was found (at most 1000 characters); \"\" when the error is tied "
            "to no line."),
        getter<&IXMLDOMParseError::get_line, Int32>("line", 182,
            "The 1-based line of the error; 0 when the error is tied to no place."),
        getter<&IXMLDOMParseError::get_linepos, Int32>("linepos", 183,
            "The 1-based position of the error in its line; 0 when the error is tied to no place."),
        getter<&IXMLDOMParseError::get_filepos, Int32>("filepos", 184,
            "Always 0: the place of an error is told by line and linepos."),
    },
    nullptr, "The outcome of a document's last load or loadXML.");
    return table;
}

const InterfaceInfo& IXMLDOMDocument::info() {
    static const InterfaceInfo table("IXMLDOMDocument", IID_, {
        getter<&IXMLDOMDocument::get_documentElement, kElement>("documentElement", 40,
            "The root element; nothing for an empty document."),
        setterRef<&IXMLDOMDocument::putref_documentElement>("documentElement", 40,
            "Makes the element value the root element, replacing the current one (an element of another document "
            "moves here); an error for a node that is not an element.",
            arg<kElement>("value").byVal()),
        method<&IXMLDOMDocument::createElement, kElement>("createElement", 41,
            "A new element tagName of this document, outside the tree; a prefixed name binds to the prefix's "
            "namespace where the element is inserted; an error for a name that is not valid.",
            arg<String>("tagName").byVal()),
        method<&IXMLDOMDocument::createTextNode, kText>("createTextNode", 43,
            "A new text node holding data, outside the tree.",
            arg<String>("data").byVal()),
        method<&IXMLDOMDocument::createComment, kComment>("createComment", 44,
            "A new comment holding data, outside the tree.",
            arg<String>("data").byVal()),
        method<&IXMLDOMDocument::createCDATASection, kCDATASection>("createCDATASection", 45,
            "A new CDATA section holding data, outside the tree.",
            arg<String>("data").byVal()),
        method<&IXMLDOMDocument::createProcessingInstruction, kProcessingInstruction>("createProcessingInstruction", 46,
            "A new processing instruction target with data, outside the tree; an error for a target that is not a "
            "valid name or is \"xml\".",
            arg<String>("target").byVal(), arg<String>("data").byVal()),
        method<&IXMLDOMDocument::load, Boolean>("load", 58,
            "Loads the file at the path xmlSource (\"\\\" read as \"/\", \"file://\" allowed) or a copy of the "
            "document xmlSource; True on success, False leaves the document empty with the reason in parseError; "
            "nothing is fetched from the network.",
            arg<Variant_>("xmlSource").byVal()),
        getter<&IXMLDOMDocument::get_readyState, Int32>("readyState", -525,
            "Always 4 (complete): loading is synchronous."),
        getter<&IXMLDOMDocument::get_parseError, kParseError>("parseError", 59,
            "The outcome of the last load or loadXML (errorCode 0 after a success), as a snapshot."),
        getter<&IXMLDOMDocument::get_url, String>("url", 60,
            "The path of the last successful load; \"\" otherwise."),
        getter<&IXMLDOMDocument::get_async, Boolean>("async", 61,
            "The asynchronous-loading flag as last set (True until then); loading is synchronous whatever it says."),
        setter<&IXMLDOMDocument::put_async>("async", 61,
            "Remembers the asynchronous-loading flag; loading stays synchronous.",
            arg<Boolean>("isAsync").byVal()),
        sub<&IXMLDOMDocument::abort>("abort", 62,
            "Does nothing: no load is ever in progress when it can be called."),
        method<&IXMLDOMDocument::loadXML, Boolean>("loadXML", 63,
            "Parses the text bstrXML as the document's new content; True on success, False leaves the document "
            "empty with the reason in parseError.",
            arg<String>("bstrXML").byVal()),
        sub<&IXMLDOMDocument::save>("save", 64,
            "Writes the document to the file path destination in the encoding its declaration names (UTF-8 "
            "otherwise), or copies it into the document destination; an error when the file cannot be written.",
            arg<Variant_>("destination").byVal()),
        getter<&IXMLDOMDocument::get_validateOnParse, Boolean>("validateOnParse", 65,
            "The validation flag as last set (True until then); documents are never validated against a DTD."),
        setter<&IXMLDOMDocument::put_validateOnParse>("validateOnParse", 65,
            "Remembers the validation flag; documents are never validated against a DTD.",
            arg<Boolean>("isValidating").byVal()),
        getter<&IXMLDOMDocument::get_resolveExternals, Boolean>("resolveExternals", 66,
            "The flag for resolving external definitions as last set (True until then); external DTDs and entities "
            "are never loaded."),
        setter<&IXMLDOMDocument::put_resolveExternals>("resolveExternals", 66,
            "Remembers the flag for resolving external definitions; external DTDs and entities are never loaded.",
            arg<Boolean>("isResolving").byVal()),
        getter<&IXMLDOMDocument::get_preserveWhiteSpace, Boolean>("preserveWhiteSpace", 67,
            "Whether the next load keeps whitespace-only text between elements (False until set)."),
        setter<&IXMLDOMDocument::put_preserveWhiteSpace>("preserveWhiteSpace", 67,
            "True keeps whitespace-only text between elements on the next load or loadXML; False drops it "
            "(xml:space=\"preserve\" is honoured either way).",
            arg<Boolean>("isPreserving").byVal()),
    },
    &IXMLDOMNode::info(),
    "A whole XML document, itself the root node of its tree: loading, parsing, saving and making new nodes.");
    return table;
}

const InterfaceInfo& IXMLDOMDocument2::info() {
    static const InterfaceInfo table("IXMLDOMDocument2", IID_, {
        sub<&IXMLDOMDocument2::setProperty>("setProperty", 204,
            "Sets \"SelectionLanguage\" (\"XPath\" or \"XSLPattern\", both evaluated as XPath 1.0) or "
            "\"SelectionNamespaces\" (\"xmlns:p='uri' ...\", prefixes for every path of the document); an error "
            "for other names or bad values.",
            arg<String>("name").byVal(), arg<Variant_>("value").byVal()),
        method<&IXMLDOMDocument2::getProperty, Variant_>("getProperty", 205,
            "The value of \"SelectionLanguage\" (\"XPath\" until set) or \"SelectionNamespaces\" (\"\" until set); "
            "an error for other names.",
            arg<String>("name").byVal()),
    },
    &IXMLDOMDocument::info(),
    "The document with its named properties: the selection language and the namespaces that paths may use.");
    return table;
}

const InterfaceInfo& IXMLDOMElement::info() {
    static const InterfaceInfo table("IXMLDOMElement", IID_, {
        getter<&IXMLDOMElement::get_tagName, String>("tagName", 97,
            "The element's qualified name (\"z:row\")."),
        method<&IXMLDOMElement::getAttribute, Variant_>("getAttribute", 99,
            "The value of the attribute with the qualified name name (\"xmlns:p\" gives the URI declared for p); "
            "Null when absent.",
            arg<String>("name").byVal()),
        sub<&IXMLDOMElement::setAttribute>("setAttribute", 100,
            "Creates or replaces the attribute name with value's text (Null is error 94); a prefixed name binds to "
            "the prefix's namespace in scope, \"xmlns:p\" declares p; an error for a name that is not valid.",
            arg<String>("name").byVal(), arg<Variant_>("value").byVal()),
        sub<&IXMLDOMElement::removeAttribute>("removeAttribute", 101,
            "Removes the attribute with the qualified name name; nothing happens when it is absent.",
            arg<String>("name").byVal()),
        method<&IXMLDOMElement::getAttributeNode, kAttribute>("getAttributeNode", 102,
            "The attribute node with the qualified name name; nothing when absent.",
            arg<String>("name").byVal()),
    },
    &IXMLDOMNode::info(), "An element node: its tag name and its attributes by qualified name.");
    return table;
}

const InterfaceInfo& IXMLDOMAttribute::info() {
    static const InterfaceInfo table("IXMLDOMAttribute", IID_, {
        getter<&IXMLDOMAttribute::get_name, String>("name", 118,
            "The attribute's qualified name."),
        getter<&IXMLDOMAttribute::get_value, Variant_>("value", 120,
            "The attribute's value, as a string."),
        setter<&IXMLDOMAttribute::put_value>("value", 120,
            "Replaces the attribute's value by attributeValue's text (Null is error 94).",
            arg<Variant_>("attributeValue").byVal()),
    },
    &IXMLDOMNode::info(), "An attribute node: its name and value.");
    return table;
}

const InterfaceInfo& IXMLDOMCharacterData::info() {
    static const InterfaceInfo table("IXMLDOMCharacterData", IID_, {
        getter<&IXMLDOMCharacterData::get_data, String>("data", 109,
            "The node's text."),
        setter<&IXMLDOMCharacterData::put_data>("data", 109,
            "Replaces the node's text by data.",
            arg<String>("data").byVal()),
        getter<&IXMLDOMCharacterData::get_length, Int32>("length", 110,
            "The length of the node's text in UTF-16 units."),
        method<&IXMLDOMCharacterData::substringData, String>("substringData", 111,
            "Up to count units of the text from offset (fewer at the end); error 5 for an offset outside the text "
            "or a negative count.",
            arg<Int32>("offset").byVal(), arg<Int32>("count").byVal()),
        sub<&IXMLDOMCharacterData::appendData>("appendData", 112,
            "Adds data at the end of the text.",
            arg<String>("data").byVal()),
        sub<&IXMLDOMCharacterData::insertData>("insertData", 113,
            "Inserts data at offset; error 5 for an offset outside the text.",
            arg<Int32>("offset").byVal(), arg<String>("data").byVal()),
        sub<&IXMLDOMCharacterData::deleteData>("deleteData", 114,
            "Removes up to count units from offset; error 5 for an offset outside the text or a negative count.",
            arg<Int32>("offset").byVal(), arg<Int32>("count").byVal()),
        sub<&IXMLDOMCharacterData::replaceData>("replaceData", 115,
            "Replaces up to count units from offset by data; error 5 for an offset outside the text or a negative "
            "count.",
            arg<Int32>("offset").byVal(), arg<Int32>("count").byVal(), arg<String>("data").byVal()),
    },
    &IXMLDOMNode::info(),
    "A node that holds text (text, CDATA section, comment), edited by offset and count in UTF-16 units.");
    return table;
}

const InterfaceInfo& IXMLDOMText::info() {
    static const InterfaceInfo table("IXMLDOMText", IID_, {
        method<&IXMLDOMText::splitText, kText>("splitText", 123,
            "Keeps the first offset units here and returns a new node of the same kind with the rest, placed after "
            "this one when it has a parent; error 5 for an offset outside the text.",
            arg<Int32>("offset").byVal()),
    },
    &IXMLDOMCharacterData::info(), "A text node; it can be split in two.");
    return table;
}

const InterfaceInfo& IXMLDOMComment::info() {
    static const InterfaceInfo table("IXMLDOMComment", IID_, {}, &IXMLDOMCharacterData::info(),
                                     "A comment node: character data without members of its own.");
    return table;
}

const InterfaceInfo& IXMLDOMCDATASection::info() {
    static const InterfaceInfo table("IXMLDOMCDATASection", IID_, {}, &IXMLDOMText::info(),
                                     "A CDATA section: a text node whose text is written out unescaped.");
    return table;
}

const InterfaceInfo& IXMLDOMProcessingInstruction::info() {
    static const InterfaceInfo table("IXMLDOMProcessingInstruction", IID_, {
        getter<&IXMLDOMProcessingInstruction::get_target, String>("target", 127,
            "The instruction's target, the name that opens it."),
        getter<&IXMLDOMProcessingInstruction::get_data, String>("data", 128,
            "The instruction's content after the target."),
        setter<&IXMLDOMProcessingInstruction::put_data>("data", 128,
            "Replaces the instruction's content after the target by data.",
            arg<String>("data").byVal()),
    },
    &IXMLDOMNode::info(), "A processing instruction: its target and its data.");
    return table;
}

}  // namespace dom
