// Building and reading XML nodes: the bodies of the node members of CCommonFunction,
// named after them (frame/binding.h applies each member's guard). They throw rt::Error
// where a step fails. The library's own code calls the members whose guard is not "none"
// through gCommon(), so that their guard holds.
//
// Everything handed out is a new reference owned by the caller.
#pragma once

#include "dom/dom.h"
#include "runtime/com.h"
#include "runtime/variant.h"

namespace velmora {
class GuardScope;
}

namespace velmora::xml {

using Document = dom::IXMLDOMDocument;
using Element = dom::IXMLDOMElement;

// The text the interchange document starts from.
inline constexpr const char16_t* kInterchangeSource = u"<?xml version='1.0'?><kainterface/>";
// The root attribute that names the interchange document's payload element.
inline constexpr const char16_t* kRootTagAttribute = u"roottag";

// A new empty document of the object model's version-independent class. Throws rt::Error
// when the class cannot be created.
rt::ComPtr<Document> newDocument();

// ---- Building -------------------------------------------------------------------------

// A new element named nodeName (unchanged) in a private document, carrying the trimmed,
// non-empty name/value pairs of attr (a zero-based list: 0 name, 1 value, 2 name, ...).
// Throws: the name rejected by the object model, error 9 for a list that is undimensioned
// or does not start at 0, error 13 for an entry without text, error 6 past 32,767 entries.
rt::ComPtr<Element> objMakeNode(const rt::Str& nodeName, const rt::Array& attr);

// As objMakeNode, but the element is made by doc (a new document is made and stored in doc
// when it is nothing; the element is not appended to it). nodeText is replaced by its
// normalised text (strVal), which becomes the element's text when not empty. Throws as
// objMakeNode; doc keeps the new document even then.
rt::ComPtr<Element> objMakeNode2(const rt::Str& nodeName, rt::ComPtr<Document>& doc, rt::Variant& nodeText,
                                 const rt::Array& attr);

// A small tree rooted at a new element named strNodeName, from groups of four entries
// (kind, parent name or path relative to the root, name, text or value): kind 1 appends a
// child element, any other kind sets an attribute. Entries whose parent is not found are
// skipped. Throws on any other failure (the member's handler then answers nothing: no
// partial tree).
rt::ComPtr<Element> objMakeNode3(const rt::Str& strNodeName, const rt::Array& TripleSet);

// A new interchange document: a kainterface root with attr's pairs as attributes and, when
// a "roottag" pair is given, an empty payload element of that name. Throws only when the
// document cannot be made; from then on the guard changes to skip and a failing attribute
// or payload step is skipped.
rt::ComPtr<Document> objGenerateKaDom(GuardScope& guard, const rt::Array& attr);

// ---- Reading --------------------------------------------------------------------------

// Trimmed text of the element that the path sName selects below node; "" when node is
// nothing or nothing matches. Throws: a rejected path, error 13 when the match is not an
// element.
rt::Str GetElementVal(const rt::Str& sName, Element* node);
// Trimmed value of node's attribute sName; "" when node is nothing or the attribute absent.
// Throws only when the object model fails.
rt::Str GetAttributeVal(const rt::Str& sName, Element* node);
// The lower-cased roottag of doc's root element; "" without root or attribute. Throws error
// 91 when doc is nothing.
rt::Str sRootTag(Document* doc);
// The payload element named by the root tag, or the root element when there is no root
// tag; nothing when doc is nothing or the payload is missing. Throws when a step fails (a
// rejected root tag, a match that is not an element); the member's handler answers nothing.
rt::ComPtr<Element> objSelectRootTag(Document* doc);
// Child nodes of every kind; 0 when pa is nothing. Throws error 6 above 32,767.
int16_t iNodeCount(Element* pa);

// ---- Path access ------------------------------------------------------------------------
// A node reference is an element object (used directly) or a node path, trimmed and
// lower-cased, evaluated below the context element objDom. Names and written values are
// folded the same way; values read back are not. Each throws when a step fails (no context
// element, a rejected path, no match, a reference that is not an element); the members'
// handlers then answer "" or change nothing.

void SetAttr(const rt::Variant& vNodePath, const rt::Variant& vAttrName, const rt::Variant& vAttrVal,
             Element* objDom);
rt::Str GetAttr(const rt::Variant& vNodePath, const rt::Variant& vAttrName, Element* objDom);
// The target's text exactly as stored (not trimmed).
rt::Str GetNodeText(const rt::Variant& vNodePath, Element* objDom);
// Replaces all of the target's children by one text.
void SetNodeText(const rt::Variant& vNodePath, const rt::Variant& vAttrVal, Element* objDom);

}  // namespace velmora::xml
