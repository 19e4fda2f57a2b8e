// Reading libxml2 trees directly, at native speed, for platform code that reads whole
// documents at once (the data-access layer, for one). Generic: elements, attributes and
// namespaces, nothing about what a document means.
//
// ElementRef and AttributeRef are views: they own nothing, and are valid while the tree
// they point into lives and keeps its structure (see native.h for how long a document
// object's tree lives). The default views are none; every query on none is harmless and
// answers "none", "no" or "".
#pragma once

#include <libxml/tree.h>

#include <cstring>
#include <string>

#include "dom/dom.h"
#include "dom/native.h"

namespace dom::native {

// One attribute of an element.
class AttributeRef {
public:
    AttributeRef() = default;
    explicit operator bool() const { return attr_ != nullptr; }

    // The attribute's namespace URI: null when it is in no namespace, "" for a namespace
    // without one. A name written with a prefix that no declaration binds ("rs:name" made
    // as a plain name) is in no namespace; its name() keeps the prefix.
    const char* namespaceUri() const {
        if (!attr_ || !attr_->ns) return nullptr;
        return attr_->ns->href ? reinterpret_cast<const char*>(attr_->ns->href) : "";
    }
    // The local name as stored; "" for none.
    const char* name() const { return attr_ ? reinterpret_cast<const char*>(attr_->name) : ""; }
    // The value as text (UTF-8, entity references resolved).
    std::string value() const;
    // The next attribute of the same element; none after the last.
    AttributeRef next() const { return AttributeRef(attr_ ? attr_->next : nullptr); }

private:
    explicit AttributeRef(xmlAttrPtr a) : attr_(a) {}
    xmlAttrPtr attr_ = nullptr;
    friend class ElementRef;
};

// One element.
class ElementRef {
public:
    ElementRef() = default;
    // The element n; none when n is null or another kind of node.
    static ElementRef of(xmlNodePtr n) { return ElementRef(n && n->type == XML_ELEMENT_NODE ? n : nullptr); }
    explicit operator bool() const { return node_ != nullptr; }
    bool operator==(const ElementRef&) const = default;

    // True when the element is in the namespace uri (compared exactly).
    bool inNamespace(const char* uri) const {
        return node_ && node_->ns && node_->ns->href &&
               std::strcmp(reinterpret_cast<const char*>(node_->ns->href), uri) == 0;
    }
    // True when the element is localName in the namespace uri.
    bool is(const char* uri, const char* localName) const {
        return inNamespace(uri) && std::strcmp(reinterpret_cast<const char*>(node_->name), localName) == 0;
    }

    // Child elements in document order (other kinds of child are skipped); none when there
    // are no more.
    ElementRef firstChild() const { return node_ ? elementFrom(node_->children) : ElementRef(); }
    ElementRef nextSibling() const { return node_ ? elementFrom(node_->next) : ElementRef(); }
    // The first child element that is localName in the namespace uri; none when there is none.
    ElementRef firstChild(const char* uri, const char* localName) const {
        for (ElementRef c = firstChild(); c; c = c.nextSibling())
            if (c.is(uri, localName)) return c;
        return {};
    }

    // The element's attributes in document order (namespace declarations are not
    // attributes here); none when it has none.
    AttributeRef firstAttribute() const { return AttributeRef(node_ ? node_->properties : nullptr); }

    // The namespace URI that prefix is bound to where this element is (declarations on it
    // and its ancestors; "xml" is always bound): null when prefix is unbound, "" when it is
    // bound to a declaration without a URI.
    const char* namespaceOfPrefix(const std::string& prefix) const;

private:
    explicit ElementRef(xmlNodePtr n) : node_(n) {}
    static ElementRef elementFrom(xmlNodePtr n) {
        while (n && n->type != XML_ELEMENT_NODE) n = n->next;
        return ElementRef(n);
    }
    xmlNodePtr node_ = nullptr;
};

// The document element of a document object of this layer; none when doc is null, not one
// of ours, or empty. Valid as long as nativeDocument's tree (native.h).
ElementRef documentElement(IXMLDOMDocument* doc);
// The element behind a node object of this layer; none when node is null, foreign, or not
// an element. Valid while node is referenced and its tree keeps its structure.
ElementRef elementOf(IXMLDOMNode* node);
// The document element of tree; none when tree is null or has none.
ElementRef documentElement(const OwnedTree& tree);

// The tree of the XML file at path, owned by the caller; null when the file cannot be read
// (a folder, a pipe or a device, a name holding a NUL character) or is not well-formed.
// Parsed as the document object's load parses (whitespace kept): nothing outside the file
// is fetched, no message is printed, entity expansion is bounded, elements nest at most 256
// levels, and documents without a DTD have no other size limits beyond memory.
OwnedTree readFile(const std::string& path);

}  // namespace dom::native
