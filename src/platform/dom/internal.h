// Internals of the DOM layer: trees, node objects, and the tree surgery that keeps node
// objects and libxml2 memory consistent.
//
// Every xmlDoc we manage has a Tree (stored in the xmlDoc's _private), owned jointly by its
// document object (while it is the current tree) and by every node object inside it. Every
// other node's _private holds its node object (NodeCore*), or null when it has none.
#pragma once

#include <libxml/tree.h>

#include <atomic>
#include <string>
#include <vector>

#include "dom/dom.h"
#include "runtime/object.h"

namespace dom::detail {

class DocumentObject;

struct Tree {
    Tree(xmlDocPtr d, DocumentObject* o);
    Tree(const Tree&) = delete;
    Tree& operator=(const Tree&) = delete;

    void addRef() { ++refs; }
    // Frees the xmlDoc with the last reference.
    void release();

    xmlDocPtr doc;
    DocumentObject* owner;  // never changes; alive while anything can reach this tree
    long refs = 1;
    // Set once names like "z:row" were made without a namespace: insertions then bind them.
    bool unboundPrefixes = false;

private:
    ~Tree();
};

// The tree of an xmlDoc we manage; null for foreign documents.
Tree* treeOf(xmlDocPtr doc);

// Bumped by every structural change, so that live lists know when to recount.
extern std::atomic<uint64_t> gMutations;
inline void noteMutation() { gMutations.fetch_add(1, std::memory_order_relaxed); }

// Identifies our node objects behind a foreign-looking interface pointer.
class NodeCore;
struct INodeCore : rt::IUnknown {
    static constexpr rt::IID IID_ = rt::guid("{6B1D3F52-2E8A-4C61-9A0B-7D4E5C3F2A19}");
    virtual NodeCore* core() = 0;

protected:
    ~INodeCore() = default;
};

// State shared by every node object: its libxml2 node, the tree holding its memory and
// the document object it belongs to.
class NodeCore {
public:
    NodeCore(const NodeCore&) = delete;
    NodeCore& operator=(const NodeCore&) = delete;

    xmlNodePtr node() const { return node_; }
    Tree* tree() const { return tree_; }
    // The document object (this one for a document).
    DocumentObject* owner() const;
    virtual IXMLDOMNode* asNode() = 0;
    // Moves the object to another tree after its node was adopted there.
    void retarget(Tree* tree);

protected:
    NodeCore(xmlNodePtr n, Tree* t);  // takes a reference to t
    virtual ~NodeCore();
    xmlNodePtr node_;
    Tree* tree_;
    rt::ComPtr<IXMLDOMDocument2> ownerRef_;  // null for the document object itself
    friend class DocumentObject;
};

// Our node object behind p; null for null or foreign objects. No reference is added.
NodeCore* coreOf(rt::IUnknown* p);
// Same, raising 424 for null and E_INVALIDARG for foreign objects.
NodeCore& requireCore(rt::IUnknown* p, const char16_t* what);

// ---- Tree surgery -----------------------------------------------------------------------

// True when some node object lives in the subtree of n (attributes included).
bool subtreeHasObject(xmlNodePtr n);
// Frees the subtree of n (which is outside any tree) when no node object lives in it, and
// makes it self-contained (namespaces) when one does.
void settleDetached(xmlNodePtr n);
// After the node object of n died: frees the detached subtree around n when it was the last.
void attemptDeallocation(xmlNodePtr n);
// Takes n out of its tree and settles it.
void detach(xmlNodePtr n);
// Removes all children of n, settling each.
void removeChildren(xmlNodePtr n);
// Inserts child into parent before ref (null: at the end), or in place of replaced. Moves
// child from wherever it is, across documents too. Raises on hierarchy errors.
void insertChild(xmlNodePtr parent, xmlNodePtr child, xmlNodePtr ref, xmlNodePtr replaced);
// The children list of n as the DOM sees it (none for entity references and DTDs).
xmlNodePtr firstChildOf(xmlNodePtr n);
xmlNodePtr lastChildOf(xmlNodePtr n);

// ---- What trees may hold ------------------------------------------------------------------

// The deepest level an element may have (the document element is on level 1). Loading,
// inserting and building refuse to go deeper, so that the walks of libxml2 that recurse
// (copies, for one) stay well within any thread's stack.
constexpr int kMaxDepth = 256;

// Position of the first character of s that would not survive a conversion to UTF-8 for
// libxml2 or the system unchanged (a NUL, which ends C strings, or an unpaired surrogate);
// npos when there is none.
size_t firstUnconvertible(rt::StrView s);
// s as UTF-8; raises E_FAIL naming what (a path, a name, ...) and the character when s
// holds one that firstUnconvertible finds. Nothing is ever cut or replaced.
std::string wholeUtf8(rt::StrView s, const char* what);
// text as UTF-8 content for a node of that type (text, CDATA, comment, processing
// instruction or attribute). Raises E_FAIL, naming the character, when text holds one that
// XML documents cannot hold (NUL and the other control characters but tab, LF and CR;
// U+FFFE, U+FFFF; unpaired surrogates), and when a comment would hold "--" or end with "-"
// or a processing instruction would hold "?>": such content would be cut short, or be
// written into documents that do not load again.
std::string checkedContent(xmlElementType type, rt::StrView text);
// Element levels from the top of n's tree (or detached subtree) down to n: 1 for a root, 0
// for a document or a node outside any element.
int levelOf(xmlNodePtr n);
// Element levels of the subtree of n: 0 without elements, 1 for an element without child
// elements.
int heightOf(xmlNodePtr n);

// ---- Names and text ----------------------------------------------------------------------

std::string qualifiedName(xmlNodePtr n);
rt::Str nodeName(xmlNodePtr n);
int32_t nodeType(xmlNodePtr n);
// Concatenated text of n and its descendants (UTF-8).
std::string textOf(xmlNodePtr n);
// The same text as the runtime's strings.
rt::Str textStrOf(xmlNodePtr n);
// Replaces the content: children of elements and attributes, data of character nodes.
// Raises, changing nothing, when n cannot hold text (see checkedContent).
void setText(xmlNodePtr n, rt::StrView text);
// The attribute of that qualified name; null when absent.
xmlAttrPtr findAttribute(xmlNodePtr element, const std::string& qname);
// name as UTF-8; raises E_FAIL with a clear description when it is no valid XML name (a
// QName when it holds a colon). what names the kind of name ("element", ...).
std::string checkedName(rt::StrView name, const char* what);
// New text node of doc (no parent).
xmlNodePtr newText(xmlDocPtr doc, const std::string& text);

// ---- Serialization -----------------------------------------------------------------------

// Writes the markup of n (and its subtree) to out, in encoding; the one way nodes are
// written, so that what is written reads back.
void dump(xmlOutputBufferPtr out, xmlNodePtr n, const char* encoding);
// Markup of a node; elements carry the namespace declarations they need from outside.
std::string markupOf(xmlNodePtr n);
// Text of a whole document: declaration (when wanted), top-level nodes each followed by CRLF.
std::string documentMarkup(xmlDocPtr doc, bool declaration, const std::string& encoding);

// ---- Paths -----------------------------------------------------------------------------

struct SelectionNamespace {
    std::string prefix;
    std::string uri;
};
// Nodes that path selects relative to context, in document order. Raises for paths the
// engine rejects or that do not select nodes.
std::vector<xmlNodePtr> selectPath(xmlNodePtr context, const std::string& path,
                                   const std::vector<SelectionNamespace>& extra);

// ---- Node objects ------------------------------------------------------------------------

rt::ComPtr<IXMLDOMNode> wrapNode(xmlNodePtr n);
template <class I>
rt::ComPtr<I> wrapAs(xmlNodePtr n) {
    return wrapNode(n).template as<I>();
}

// Stores a new reference to n's node object (null for nothing) in an out-parameter.
void putNode(IXMLDOMNode** out, xmlNodePtr n);
template <class I>
void putNodeAs(I** out, xmlNodePtr n) {
    rt::assignOut(out, wrapAs<I>(n));
}
// Raises E_POINTER for a null out-parameter.
using rt::need;

// Raises E_FAIL with the description; the DOM's way of refusing an operation.
[[noreturn]] void refuse(const std::string& description);

}  // namespace dom::detail
