// Member tables of the DOM interfaces, with the public dispatch ids.
#include "dom/dom.h"

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
        getter<&IXMLDOMNode::get_nodeName, String>("nodeName", 2, ""),
        getter<&IXMLDOMNode::get_nodeValue, Variant_>("nodeValue", 3, ""),
        setter<&IXMLDOMNode::put_nodeValue>("nodeValue", 3, "", arg<Variant_>("value").byVal()),
        getter<&IXMLDOMNode::get_nodeType, kNodeType>("nodeType", 4, ""),
        getter<&IXMLDOMNode::get_parentNode, kNode>("parentNode", 6, ""),
        getter<&IXMLDOMNode::get_childNodes, kNodeList>("childNodes", 7, ""),
        getter<&IXMLDOMNode::get_firstChild, kNode>("firstChild", 8, ""),
        getter<&IXMLDOMNode::get_lastChild, kNode>("lastChild", 9, ""),
        getter<&IXMLDOMNode::get_previousSibling, kNode>("previousSibling", 10, ""),
        getter<&IXMLDOMNode::get_nextSibling, kNode>("nextSibling", 11, ""),
        getter<&IXMLDOMNode::get_attributes, kNamedNodeMap>("attributes", 12, ""),
        method<&IXMLDOMNode::insertBefore, kNode>("insertBefore", 13, "", arg<kNode>("newChild").byVal(), arg<Variant_>("refChild").byVal().opt()),
        method<&IXMLDOMNode::replaceChild, kNode>("replaceChild", 14, "", arg<kNode>("newChild").byVal(), arg<kNode>("oldChild").byVal()),
        method<&IXMLDOMNode::removeChild, kNode>("removeChild", 15, "", arg<kNode>("childNode").byVal()),
        method<&IXMLDOMNode::appendChild, kNode>("appendChild", 16, "", arg<kNode>("newChild").byVal()),
        method<&IXMLDOMNode::hasChildNodes, Boolean>("hasChildNodes", 17, ""),
        getter<&IXMLDOMNode::get_ownerDocument, kDocument>("ownerDocument", 18, ""),
        method<&IXMLDOMNode::cloneNode, kNode>("cloneNode", 19, "", arg<Boolean>("deep").byVal()),
        getter<&IXMLDOMNode::get_nodeTypeString, String>("nodeTypeString", 21, ""),
        getter<&IXMLDOMNode::get_text, String>("text", 24, ""),
        setter<&IXMLDOMNode::put_text>("text", 24, "", arg<String>("text").byVal()),
        getter<&IXMLDOMNode::get_xml, String>("xml", 27, ""),
        method<&IXMLDOMNode::selectNodes, kNodeList>("selectNodes", 29, "", arg<String>("queryString").byVal()),
        method<&IXMLDOMNode::selectSingleNode, kNode>("selectSingleNode", 30, "", arg<String>("queryString").byVal()),
        getter<&IXMLDOMNode::get_namespaceURI, String>("namespaceURI", 32, ""),
        getter<&IXMLDOMNode::get_prefix, String>("prefix", 33, ""),
        getter<&IXMLDOMNode::get_baseName, String>("baseName", 34, ""),
    });
    return table;
}

const InterfaceInfo& IXMLDOMNodeList::info() {
    static const InterfaceInfo table("IXMLDOMNodeList", IID_, {
        getter<&IXMLDOMNodeList::get_item, kNode>("item", DISPID_VALUE, "", arg<Int32>("index").byVal()),
        getter<&IXMLDOMNodeList::get_length, Int32>("length", 74, ""),
        method<&IXMLDOMNodeList::nextNode, kNode>("nextNode", 76, ""),
        sub<&IXMLDOMNodeList::reset>("reset", 77, ""),
    });
    return table;
}

const InterfaceInfo& IXMLDOMNamedNodeMap::info() {
    static const InterfaceInfo table("IXMLDOMNamedNodeMap", IID_, {
        method<&IXMLDOMNamedNodeMap::getNamedItem, kNode>("getNamedItem", 83, "", arg<String>("name").byVal()),
        method<&IXMLDOMNamedNodeMap::removeNamedItem, kNode>("removeNamedItem", 85, "", arg<String>("name").byVal()),
        getter<&IXMLDOMNamedNodeMap::get_item, kNode>("item", DISPID_VALUE, "", arg<Int32>("index").byVal()),
        getter<&IXMLDOMNamedNodeMap::get_length, Int32>("length", 74, ""),
        method<&IXMLDOMNamedNodeMap::nextNode, kNode>("nextNode", 89, ""),
        sub<&IXMLDOMNamedNodeMap::reset>("reset", 90, ""),
    });
    return table;
}

const InterfaceInfo& IXMLDOMParseError::info() {
    static const InterfaceInfo table("IXMLDOMParseError", IID_, {
        getter<&IXMLDOMParseError::get_errorCode, Int32>("errorCode", DISPID_VALUE, ""),
        getter<&IXMLDOMParseError::get_url, String>("url", 179, ""),
        getter<&IXMLDOMParseError::get_reason, String>("reason", 180, ""),
        getter<&IXMLDOMParseError::get_srcText, String>("srcText", 181, ""),
        getter<&IXMLDOMParseError::get_line, Int32>("line", 182, ""),
        getter<&IXMLDOMParseError::get_linepos, Int32>("linepos", 183, ""),
        getter<&IXMLDOMParseError::get_filepos, Int32>("filepos", 184, ""),
    });
    return table;
}

const InterfaceInfo& IXMLDOMDocument::info() {
    static const InterfaceInfo table("IXMLDOMDocument", IID_, {
        getter<&IXMLDOMDocument::get_documentElement, kElement>("documentElement", 40, ""),
        setterRef<&IXMLDOMDocument::putref_documentElement>("documentElement", 40, "", arg<kElement>("value").byVal()),
        method<&IXMLDOMDocument::createElement, kElement>("createElement", 41, "", arg<String>("tagName").byVal()),
        method<&IXMLDOMDocument::createTextNode, kText>("createTextNode", 43, "", arg<String>("data").byVal()),
        method<&IXMLDOMDocument::createComment, kComment>("createComment", 44, "", arg<String>("data").byVal()),
        method<&IXMLDOMDocument::createCDATASection, kCDATASection>("createCDATASection", 45, "", arg<String>("data").byVal()),
        method<&IXMLDOMDocument::createProcessingInstruction, kProcessingInstruction>("createProcessingInstruction", 46, "", arg<String>("target").byVal(), arg<String>("data").byVal()),
        method<&IXMLDOMDocument::load, Boolean>("load", 58, "", arg<Variant_>("xmlSource").byVal()),
        getter<&IXMLDOMDocument::get_readyState, Int32>("readyState", -525, ""),
        getter<&IXMLDOMDocument::get_parseError, kParseError>("parseError", 59, ""),
        getter<&IXMLDOMDocument::get_url, String>("url", 60, ""),
        getter<&IXMLDOMDocument::get_async, Boolean>("async", 61, ""),
        setter<&IXMLDOMDocument::put_async>("async", 61, "", arg<Boolean>("isAsync").byVal()),
        sub<&IXMLDOMDocument::abort>("abort", 62, ""),
        method<&IXMLDOMDocument::loadXML, Boolean>("loadXML", 63, "", arg<String>("bstrXML").byVal()),
        sub<&IXMLDOMDocument::save>("save", 64, "", arg<Variant_>("destination").byVal()),
        getter<&IXMLDOMDocument::get_validateOnParse, Boolean>("validateOnParse", 65, ""),
        setter<&IXMLDOMDocument::put_validateOnParse>("validateOnParse", 65, "", arg<Boolean>("isValidating").byVal()),
        getter<&IXMLDOMDocument::get_resolveExternals, Boolean>("resolveExternals", 66, ""),
        setter<&IXMLDOMDocument::put_resolveExternals>("resolveExternals", 66, "", arg<Boolean>("isResolving").byVal()),
        getter<&IXMLDOMDocument::get_preserveWhiteSpace, Boolean>("preserveWhiteSpace", 67, ""),
        setter<&IXMLDOMDocument::put_preserveWhiteSpace>("preserveWhiteSpace", 67, "", arg<Boolean>("isPreserving").byVal()),
    }, &IXMLDOMNode::info());
    return table;
}

const InterfaceInfo& IXMLDOMDocument2::info() {
    static const InterfaceInfo table("IXMLDOMDocument2", IID_, {
        sub<&IXMLDOMDocument2::setProperty>("setProperty", 204, "", arg<String>("name").byVal(), arg<Variant_>("value").byVal()),
        method<&IXMLDOMDocument2::getProperty, Variant_>("getProperty", 205, "", arg<String>("name").byVal()),
    }, &IXMLDOMDocument::info());
    return table;
}

const InterfaceInfo& IXMLDOMElement::info() {
    static const InterfaceInfo table("IXMLDOMElement", IID_, {
        getter<&IXMLDOMElement::get_tagName, String>("tagName", 97, ""),
        method<&IXMLDOMElement::getAttribute, Variant_>("getAttribute", 99, "", arg<String>("name").byVal()),
        sub<&IXMLDOMElement::setAttribute>("setAttribute", 100, "", arg<String>("name").byVal(), arg<Variant_>("value").byVal()),
        sub<&IXMLDOMElement::removeAttribute>("removeAttribute", 101, "", arg<String>("name").byVal()),
        method<&IXMLDOMElement::getAttributeNode, kAttribute>("getAttributeNode", 102, "", arg<String>("name").byVal()),
    }, &IXMLDOMNode::info());
    return table;
}

const InterfaceInfo& IXMLDOMAttribute::info() {
    static const InterfaceInfo table("IXMLDOMAttribute", IID_, {
        getter<&IXMLDOMAttribute::get_name, String>("name", 118, ""),
        getter<&IXMLDOMAttribute::get_value, Variant_>("value", 120, ""),
        setter<&IXMLDOMAttribute::put_value>("value", 120, "", arg<Variant_>("attributeValue").byVal()),
    }, &IXMLDOMNode::info());
    return table;
}

const InterfaceInfo& IXMLDOMCharacterData::info() {
    static const InterfaceInfo table("IXMLDOMCharacterData", IID_, {
        getter<&IXMLDOMCharacterData::get_data, String>("data", 109, ""),
        setter<&IXMLDOMCharacterData::put_data>("data", 109, "", arg<String>("data").byVal()),
        getter<&IXMLDOMCharacterData::get_length, Int32>("length", 110, ""),
        method<&IXMLDOMCharacterData::substringData, String>("substringData", 111, "", arg<Int32>("offset").byVal(), arg<Int32>("count").byVal()),
        sub<&IXMLDOMCharacterData::appendData>("appendData", 112, "", arg<String>("data").byVal()),
        sub<&IXMLDOMCharacterData::insertData>("insertData", 113, "", arg<Int32>("offset").byVal(), arg<String>("data").byVal()),
        sub<&IXMLDOMCharacterData::deleteData>("deleteData", 114, "", arg<Int32>("offset").byVal(), arg<Int32>("count").byVal()),
        sub<&IXMLDOMCharacterData::replaceData>("replaceData", 115, "", arg<Int32>("offset").byVal(), arg<Int32>("count").byVal(), arg<String>("data").byVal()),
    }, &IXMLDOMNode::info());
    return table;
}

const InterfaceInfo& IXMLDOMText::info() {
    static const InterfaceInfo table("IXMLDOMText", IID_, {
        method<&IXMLDOMText::splitText, kText>("splitText", 123, "", arg<Int32>("offset").byVal()),
    }, &IXMLDOMCharacterData::info());
    return table;
}

const InterfaceInfo& IXMLDOMComment::info() {
    static const InterfaceInfo table("IXMLDOMComment", IID_, {}, &IXMLDOMCharacterData::info());
    return table;
}

const InterfaceInfo& IXMLDOMCDATASection::info() {
    static const InterfaceInfo table("IXMLDOMCDATASection", IID_, {}, &IXMLDOMText::info());
    return table;
}

const InterfaceInfo& IXMLDOMProcessingInstruction::info() {
    static const InterfaceInfo table("IXMLDOMProcessingInstruction", IID_, {
        getter<&IXMLDOMProcessingInstruction::get_target, String>("target", 127, ""),
        getter<&IXMLDOMProcessingInstruction::get_data, String>("data", 128, ""),
        setter<&IXMLDOMProcessingInstruction::put_data>("data", 128, "", arg<String>("data").byVal()),
    }, &IXMLDOMNode::info());
    return table;
}

}  // namespace dom
