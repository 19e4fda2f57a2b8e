// Building and reading XML nodes: the plain functions behind the node methods of
// CCommonFunction, for the library's own callers (the connection pool, the record-set
// conversions). Each carries the guard of the method it serves, so a direct call behaves as
// a call through gCommon: "throws" functions let rt::Error reach the caller (guard N), the
// noexcept ones swallow every failure and answer with their default (guard H).
//
// Everything handed out is a new reference owned by the caller.
#pragma once

#include "dom/dom.h"
#include "runtime/com.h"
#include "runtime/variant.h"

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
rt::ComPtr<Element> makeNode(const rt::Str& nodeName, const rt::Array& attr);

// As makeNode, but the element is made by doc (a new document is made and stored in doc
// when it is nothing; the element is not appended to it). nodeText is replaced by its
// normalised text (strVal), which becomes the element's text when not empty. Throws as
// makeNode; doc keeps the new document even then.
rt::ComPtr<Element> makeNode2(const rt::Str& nodeName, rt::ComPtr<Document>& doc, rt::Variant& nodeText,
                              const rt::Array& attr);

// A small tree rooted at a new element named name, from groups of four entries (kind,
// parent name or path relative to the root, name, text or value): kind 1 appends a child
// element, any other kind sets an attribute. Entries whose parent is not found are skipped.
// Nothing on any failure (no partial tree).
rt::ComPtr<Element> makeNode3(const rt::Str& name, const rt::Array& entries) noexcept;

// A new interchange document: a kainterface root with attr's pairs as attributes and, when
// a "roottag" pair is given, an empty payload element of that name. Throws only when the
// document cannot be made; a failing attribute or payload step is skipped.
rt::ComPtr<Document> generateKaDom(const rt::Array& attr);

// ---- Reading --------------------------------------------------------------------------

// Trimmed text of the element that path selects below node; "" when node is nothing or
// nothing matches. Throws: a rejected path, error 13 when the match is not an element.
rt::Str elementVal(const rt::Str& path, Element* node);
// Trimmed value of node's attribute name; "" when node is nothing or the attribute absent.
// Throws only when the object model fails.
rt::Str attributeVal(const rt::Str& name, Element* node);
// The lower-cased roottag of doc's root element; "" without root or attribute. Throws error
// 91 when doc is nothing.
rt::Str rootTag(Document* doc);
// The payload element named by the root tag, or the root element when there is no root
// tag; nothing when doc is nothing, the payload is missing, or anything fails.
rt::ComPtr<Element> selectRootTag(Document* doc) noexcept;
// Child nodes of every kind; 0 when pa is nothing. Throws error 6 above 32,767.
int16_t nodeCount(Element* pa);

// ---- Path access ------------------------------------------------------------------------
// A node reference is an element object (used directly) or a node path, trimmed and
// lower-cased, evaluated below the context element objDom. Names and written values are
// folded the same way; values read back are not. Every failure is swallowed: the getters
// then answer "", the setters change nothing.

void setAttr(const rt::Variant& nodePath, const rt::Variant& attrName, const rt::Variant& attrVal,
             Element* objDom) noexcept;
rt::Str getAttr(const rt::Variant& nodePath, const rt::Variant& attrName, Element* objDom) noexcept;
// The target's text exactly as stored (not trimmed).
rt::Str getNodeText(const rt::Variant& nodePath, Element* objDom) noexcept;
// Replaces all of the target's children by one text.
void setNodeText(const rt::Variant& nodePath, const rt::Variant& attrVal, Element* objDom) noexcept;

}  // namespace velmora::xml
