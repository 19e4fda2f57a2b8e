// Member tables of the DOM interfaces, with the public dispatch ids.
#include "dom/dom.h"

namespace dom {

using namespace rt;
using namespace rt::types;

namespace {

const TypeSpec kNode = iface<IXMLDOMNode>("IXMLDOMNode");
const TypeSpec kNodeList = iface<IXMLDOMNodeList>("IXMLDOMNodeList");
const TypeSpec kElement = iface<IXMLDOMElement>("IXMLDOMElement");

}  // namespace

const InterfaceInfo& IXMLDOMNode::info() {
    static const InterfaceInfo table("IXMLDOMNode", IID_, {
        getter<&IXMLDOMNode::get_nodeName>("nodeName", 2, String),
        getter<&IXMLDOMNode::get_nodeValue>("nodeValue", 3, Variant_),
        setter<&IXMLDOMNode::put_nodeValue>("nodeValue", 3, {param("value", Variant_).byVal()}),
        getter<&IXMLDOMNode::get_nodeType>("nodeType", 4, TypeSpec{VT_I4, "DOMNodeType"}),
        getter<&IXMLDOMNode::get_parentNode>("parentNode", 6, kNode),
        getter<&IXMLDOMNode::get_childNodes>("childNodes", 7, kNodeList),
        getter<&IXMLDOMNode::get_firstChild>("firstChild", 8, kNode),
        getter<&IXMLDOMNode::get_lastChild>("lastChild", 9, kNode),
        getter<&IXMLDOMNode::get_previousSibling>("previousSibling", 10, kNode),
        getter<&IXMLDOMNode::get_nextSibling>("nextSibling", 11, kNode),
        getter<&IXMLDOMNode::get_attributes>("attributes", 12, iface<IXMLDOMNamedNodeMap>("IXMLDOMNamedNodeMap")),
        method<&IXMLDOMNode::insertBefore>("insertBefore", 13,
            {param("newChild", kNode).byVal(), param("refChild", Variant_).byVal().opt()}, kNode),
        method<&IXMLDOMNode::replaceChild>("replaceChild", 14,
            {param("newChild", kNode).byVal(), param("oldChild", kNode).byVal()}, kNode),
        method<&IXMLDOMNode::removeChild>("removeChild", 15, {param("childNode", kNode).byVal()}, kNode),
        method<&IXMLDOMNode::appendChild>("appendChild", 16, {param("newChild", kNode).byVal()}, kNode),
        method<&IXMLDOMNode::hasChildNodes>("hasChildNodes", 17, {}, Boolean),
        getter<&IXMLDOMNode::get_ownerDocument>("ownerDocument", 18, iface<IXMLDOMDocument>("IXMLDOMDocument")),
        method<&IXMLDOMNode::cloneNode>("cloneNode", 19, {param("deep", Boolean).byVal()}, kNode),
        getter<&IXMLDOMNode::get_nodeTypeString>("nodeTypeString", 21, String),
        getter<&IXMLDOMNode::get_text>("text", 24, String),
        setter<&IXMLDOMNode::put_text>("text", 24, {param("text", String).byVal()}),
        getter<&IXMLDOMNode::get_xml>("xml", 27, String),
        method<&IXMLDOMNode::selectNodes>("selectNodes", 29, {param("queryString", String).byVal()}, kNodeList),
        method<&IXMLDOMNode::selectSingleNode>("selectSingleNode", 30, {param("queryString", String).byVal()}, kNode),
        getter<&IXMLDOMNode::get_namespaceURI>("namespaceURI", 32, String),
        getter<&IXMLDOMNode::get_prefix>("prefix", 33, String),
        getter<&IXMLDOMNode::get_baseName>("baseName", 34, String),
    });
    return table;
}

const InterfaceInfo& IXMLDOMNodeList::info() {
    static const InterfaceInfo table("IXMLDOMNodeList", IID_, {
        getter<&IXMLDOMNodeList::get_item>("item", DISPID_VALUE, kNode, {param("index", Int32).byVal()}),
        getter<&IXMLDOMNodeList::get_length>("length", 74, Int32),
        method<&IXMLDOMNodeList::nextNode>("nextNode", 76, {}, kNode),
        sub<&IXMLDOMNodeList::reset>("reset", 77, {}),
    });
    return table;
}

const InterfaceInfo& IXMLDOMNamedNodeMap::info() {
    static const InterfaceInfo table("IXMLDOMNamedNodeMap", IID_, {
        method<&IXMLDOMNamedNodeMap::getNamedItem>("getNamedItem", 83, {param("name", String).byVal()}, kNode),
        method<&IXMLDOMNamedNodeMap::removeNamedItem>("removeNamedItem", 85, {param("name", String).byVal()}, kNode),
        getter<&IXMLDOMNamedNodeMap::get_item>("item", DISPID_VALUE, kNode, {param("index", Int32).byVal()}),
        getter<&IXMLDOMNamedNodeMap::get_length>("length", 74, Int32),
        method<&IXMLDOMNamedNodeMap::nextNode>("nextNode", 89, {}, kNode),
        sub<&IXMLDOMNamedNodeMap::reset>("reset", 90, {}),
    });
    return table;
}

const InterfaceInfo& IXMLDOMParseError::info() {
    static const InterfaceInfo table("IXMLDOMParseError", IID_, {
        getter<&IXMLDOMParseError::get_errorCode>("errorCode", DISPID_VALUE, Int32),
        getter<&IXMLDOMParseError::get_url>("url", 179, String),
        getter<&IXMLDOMParseError::get_reason>("reason", 180, String),
        getter<&IXMLDOMParseError::get_srcText>("srcText", 181, String),
        getter<&IXMLDOMParseError::get_line>("line", 182, Int32),
        getter<&IXMLDOMParseError::get_linepos>("linepos", 183, Int32),
        getter<&IXMLDOMParseError::get_filepos>("filepos", 184, Int32),
    });
    return table;
}

const InterfaceInfo& IXMLDOMDocument::info() {
    static const InterfaceInfo table("IXMLDOMDocument", IID_, {
        getter<&IXMLDOMDocument::get_documentElement>("documentElement", 40, kElement),
        setterRef<&IXMLDOMDocument::putref_documentElement>("documentElement", 40, {param("value", kElement).byVal()}),
        method<&IXMLDOMDocument::createElement>("createElement", 41, {param("tagName", String).byVal()}, kElement),
        method<&IXMLDOMDocument::createTextNode>("createTextNode", 43, {param("data", String).byVal()},
            iface<IXMLDOMText>("IXMLDOMText")),
        method<&IXMLDOMDocument::createComment>("createComment", 44, {param("data", String).byVal()},
            iface<IXMLDOMComment>("IXMLDOMComment")),
        method<&IXMLDOMDocument::createCDATASection>("createCDATASection", 45, {param("data", String).byVal()},
            iface<IXMLDOMCDATASection>("IXMLDOMCDATASection")),
        method<&IXMLDOMDocument::createProcessingInstruction>("createProcessingInstruction", 46,
            {param("target", String).byVal(), param("data", String).byVal()},
            iface<IXMLDOMProcessingInstruction>("IXMLDOMProcessingInstruction")),
        method<&IXMLDOMDocument::load>("load", 58, {param("xmlSource", Variant_).byVal()}, Boolean),
        getter<&IXMLDOMDocument::get_readyState>("readyState", -525, Int32),
        getter<&IXMLDOMDocument::get_parseError>("parseError", 59, iface<IXMLDOMParseError>("IXMLDOMParseError")),
        getter<&IXMLDOMDocument::get_url>("url", 60, String),
        getter<&IXMLDOMDocument::get_async>("async", 61, Boolean),
        setter<&IXMLDOMDocument::put_async>("async", 61, {param("isAsync", Boolean).byVal()}),
        sub<&IXMLDOMDocument::abort>("abort", 62, {}),
        method<&IXMLDOMDocument::loadXML>("loadXML", 63, {param("bstrXML", String).byVal()}, Boolean),
        sub<&IXMLDOMDocument::save>("save", 64, {param("destination", Variant_).byVal()}),
        getter<&IXMLDOMDocument::get_validateOnParse>("validateOnParse", 65, Boolean),
        setter<&IXMLDOMDocument::put_validateOnParse>("validateOnParse", 65, {param("isValidating", Boolean).byVal()}),
        getter<&IXMLDOMDocument::get_resolveExternals>("resolveExternals", 66, Boolean),
        setter<&IXMLDOMDocument::put_resolveExternals>("resolveExternals", 66, {param("isResolving", Boolean).byVal()}),
        getter<&IXMLDOMDocument::get_preserveWhiteSpace>("preserveWhiteSpace", 67, Boolean),
        setter<&IXMLDOMDocument::put_preserveWhiteSpace>("preserveWhiteSpace", 67,
            {param("isPreserving", Boolean).byVal()}),
    }, &IXMLDOMNode::info());
    return table;
}

const InterfaceInfo& IXMLDOMDocument2::info() {
    static const InterfaceInfo table("IXMLDOMDocument2", IID_, {
        sub<&IXMLDOMDocument2::setProperty>("setProperty", 204,
            {param("name", String).byVal(), param("value", Variant_).byVal()}),
        method<&IXMLDOMDocument2::getProperty>("getProperty", 205, {param("name", String).byVal()}, Variant_),
    }, &IXMLDOMDocument::info());
    return table;
}

const InterfaceInfo& IXMLDOMElement::info() {
    static const InterfaceInfo table("IXMLDOMElement", IID_, {
        getter<&IXMLDOMElement::get_tagName>("tagName", 97, String),
        method<&IXMLDOMElement::getAttribute>("getAttribute", 99, {param("name", String).byVal()}, Variant_),
        sub<&IXMLDOMElement::setAttribute>("setAttribute", 100,
            {param("name", String).byVal(), param("value", Variant_).byVal()}),
        sub<&IXMLDOMElement::removeAttribute>("removeAttribute", 101, {param("name", String).byVal()}),
        method<&IXMLDOMElement::getAttributeNode>("getAttributeNode", 102, {param("name", String).byVal()},
            iface<IXMLDOMAttribute>("IXMLDOMAttribute")),
    }, &IXMLDOMNode::info());
    return table;
}

const InterfaceInfo& IXMLDOMAttribute::info() {
    static const InterfaceInfo table("IXMLDOMAttribute", IID_, {
        getter<&IXMLDOMAttribute::get_name>("name", 118, String),
        getter<&IXMLDOMAttribute::get_value>("value", 120, Variant_),
        setter<&IXMLDOMAttribute::put_value>("value", 120, {param("attributeValue", Variant_).byVal()}),
    }, &IXMLDOMNode::info());
    return table;
}

const InterfaceInfo& IXMLDOMCharacterData::info() {
    static const InterfaceInfo table("IXMLDOMCharacterData", IID_, {
        getter<&IXMLDOMCharacterData::get_data>("data", 109, String),
        setter<&IXMLDOMCharacterData::put_data>("data", 109, {param("data", String).byVal()}),
        getter<&IXMLDOMCharacterData::get_length>("length", 110, Int32),
        method<&IXMLDOMCharacterData::substringData>("substringData", 111,
            {param("offset", Int32).byVal(), param("count", Int32).byVal()}, String),
        sub<&IXMLDOMCharacterData::appendData>("appendData", 112, {param("data", String).byVal()}),
        sub<&IXMLDOMCharacterData::insertData>("insertData", 113,
            {param("offset", Int32).byVal(), param("data", String).byVal()}),
        sub<&IXMLDOMCharacterData::deleteData>("deleteData", 114,
            {param("offset", Int32).byVal(), param("count", Int32).byVal()}),
        sub<&IXMLDOMCharacterData::replaceData>("replaceData", 115,
            {param("offset", Int32).byVal(), param("count", Int32).byVal(), param("data", String).byVal()}),
    }, &IXMLDOMNode::info());
    return table;
}

const InterfaceInfo& IXMLDOMText::info() {
    static const InterfaceInfo table("IXMLDOMText", IID_, {
        method<&IXMLDOMText::splitText>("splitText", 123, {param("offset", Int32).byVal()},
            iface<IXMLDOMText>("IXMLDOMText")),
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
        getter<&IXMLDOMProcessingInstruction::get_target>("target", 127, String),
        getter<&IXMLDOMProcessingInstruction::get_data>("data", 128, String),
        setter<&IXMLDOMProcessingInstruction::put_data>("data", 128, {param("data", String).byVal()}),
    }, &IXMLDOMNode::info());
    return table;
}

}  // namespace dom
