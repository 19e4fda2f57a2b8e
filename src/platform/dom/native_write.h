// Building libxml2 trees directly, at native speed, for platform code that writes whole
// documents at once (the data-access layer, for one). Generic: elements, attributes and
// namespaces, nothing about what a document means.
//
// Ownership: a TreeBuilder owns the tree it builds until release(); the caller then owns it
// (dom::OwnedTree, or hand it to a document object with resetDocument, see native.h).
// Element, Namespace and Name handles point into the tree: the tree owns what they name and
// they are valid while it lives. A handle is only ever used with the builder that made it.
#pragma once

#include <libxml/tree.h>

#include <string>
#include <string_view>

#include "dom/native.h"

namespace dom::native {

class TreeBuilder;
class AttributeAppender;

// An element of a tree being built; the default handle is none.
class Element {
public:
    Element() = default;
    explicit operator bool() const { return node_ != nullptr; }

private:
    explicit Element(xmlNodePtr n) : node_(n) {}
    xmlNodePtr node_ = nullptr;
    friend class TreeBuilder;
    friend class AttributeAppender;
};

// A namespace declared on an element of a tree being built; the default handle stands for
// no namespace.
class Namespace {
public:
    Namespace() = default;

private:
    explicit Namespace(xmlNsPtr ns) : ns_(ns) {}
    xmlNsPtr ns_ = nullptr;
    friend class TreeBuilder;
    friend class AttributeAppender;
};

// A name stored once in a tree's dictionary, for names that many nodes share.
class Name {
public:
    Name() = default;
    // Equal names of one tree are the same stored name.
    bool operator==(const Name&) const = default;

private:
    explicit Name(const xmlChar* text) : text_(text) {}
    const xmlChar* text_ = nullptr;
    friend class TreeBuilder;
    friend class AttributeAppender;
};

class TreeBuilder {
public:
    // A new document (XML 1.0, element and attribute names kept once in its own
    // dictionary) whose document element is rootName, in no namespace. rootName must be a
    // valid XML name. Throws std::bad_alloc when memory runs out.
    explicit TreeBuilder(const char* rootName);
    // Frees the tree unless release() took it.
    ~TreeBuilder();
    TreeBuilder(const TreeBuilder&) = delete;
    TreeBuilder& operator=(const TreeBuilder&) = delete;

    // The document element.
    Element root() const;

    // Declares prefix for uri on element (written as xmlns:prefix there); the handle names
    // elements and attributes in that namespace anywhere inside element. Throws rt::Error
    // E_INVALIDARG when prefix is "xml" or already declared on element, std::bad_alloc when
    // memory runs out.
    Namespace declareNamespace(Element element, const char* uri, const char* prefix);

    // ---- General building: each call looks its names up ---------------------------------

    // A new last child of parent, named localName (a valid XML name without a colon) in ns.
    // Throws rt::Error E_INVALIDARG when it would lie deeper than 256 levels (the document
    // element is level 1), std::bad_alloc when memory runs out.
    Element appendElement(Element parent, Namespace ns, const char* localName);
    // Adds the attribute localName in ns with value (UTF-8, taken as text: nothing in it is
    // markup) at the end of element's attributes. The caller makes sure element has no
    // attribute of that name yet. Throws std::bad_alloc when memory runs out.
    void addAttribute(Element element, Namespace ns, const char* localName, const char* value);
    void addAttribute(Element element, Namespace ns, const char* localName, const std::string& value) {
        addAttribute(element, ns, localName, value.c_str());
    }

    // ---- Bulk building: many nodes sharing names ------------------------------------------

    // name (up to a NUL character, if it holds one) stored in the tree's dictionary: once,
    // however often it is asked for. Throws std::bad_alloc when memory runs out.
    Name intern(const std::string& name);
    // As appendElement above (the same depth limit), but linked in directly with a name from
    // intern(), without looking anything up: for the many elements of a large document.
    Element appendElement(Element parent, Namespace ns, Name name);

    // The tree, owned by the caller from now on; the builder holds nothing afterwards and
    // must not be used again.
    xmlDocPtr release();

private:
    xmlDocPtr doc_ = nullptr;
};

// Appends attributes at the end of one element's list without walking the list for each
// one: for elements that get many attributes in a row (attributes added to the element in
// other ways meanwhile are taken into account). Short values are stored inside their text
// node, as libxml2's own compact trees do; libxml2's functions read and free that form.
class AttributeAppender {
public:
    // element belongs to a tree being built.
    explicit AttributeAppender(Element element);
    // Appends name (from intern() of the same tree) = value (UTF-8 text), in no namespace.
    // The caller makes sure element has no attribute of that name yet. Throws
    // std::bad_alloc when memory runs out; the element is unchanged then.
    void append(Name name, std::string_view value);

private:
    xmlNodePtr element_;
    xmlAttrPtr last_ = nullptr;
};

// True when name can name an element or attribute in no namespace: a valid XML name
// without a colon (an NCName). False for "" and for names holding a NUL character.
bool isNCName(const std::string& name);

// What writeFile did.
enum class WriteOutcome {
    Written,
    CannotCreate,  // the file could not be created (a missing folder, no permission)
    WriteFailed,   // writing or closing it failed; part of the file may have been written
};
// Writes tree to the file at path (created or replaced) as UTF-8 markup without an XML
// declaration. The tree stays the caller's and unchanged.
WriteOutcome writeFile(xmlDocPtr tree, const std::string& path);

}  // namespace dom::native
