// Bridge between the DOM objects and the libxml2 trees behind them, for platform code that
// reads or builds whole documents at native speed (the data-access layer, for one).
// native_write.h builds trees and native_read.h reads them; both rest on this.
// Not part of the public interfaces.
//
// Ownership model: a document object owns its current tree (xmlDoc). Every node object
// keeps its document object alive, and the memory of its tree. A node taken out of a tree
// (removed, replaced, or made and never inserted) lives, with its subtree, while something
// references a node object inside that subtree; the subtree is freed when the last of them
// goes. The node object of a libxml2 node is stored in its _private field; that field
// belongs to this layer and must not be used by callers.
#pragma once

#include <libxml/tree.h>

#include <cstddef>
#include <memory>

#include "dom/dom.h"

namespace dom {

// Frees a tree that no document object holds (xmlFreeDoc); null is fine.
struct FreeTree {
    void operator()(xmlDocPtr tree) const noexcept;
};
// A tree owned by its holder and freed with it.
using OwnedTree = std::unique_ptr<xmlDoc, FreeTree>;

// The current tree of a document made by this layer. Null when doc is null, not one of
// ours, or empty (no document element). The document keeps ownership: the tree is valid
// until the document's next load, loadXML or resetDocument, or its release. Callers may
// read it freely; they must not change its structure (build a new tree and hand it over
// with resetDocument instead), since node objects and live lists rely on it.
xmlDocPtr nativeDocument(IXMLDOMDocument* doc);

// Hands doc a new tree, which it owns from then on (tree must not be null, must not belong
// to any document object yet, and its nodes' _private fields must be null). The old tree is
// taken out of the document: node objects still held in it keep working, now outside any
// tree, and it is freed when the last of them goes. parseError is cleared. Error 424 when
// doc is null, E_INVALIDARG when it is not one of ours or tree is unusable (tree is then
// freed, so the caller never keeps it).
void resetDocument(IXMLDOMDocument* doc, xmlDocPtr tree);

// The libxml2 node behind a node object of this layer (the xmlDoc node for a document);
// null for null or foreign objects. Owned by its tree; valid while node is referenced.
xmlNodePtr nativeNode(IXMLDOMNode* node);

// The one factory of node objects: the node object of n, made on first use and the same
// object every later time (identity). Null for null n and for namespace nodes. n must
// belong to a tree held by a document object of this layer (directly, or outside the tree
// but reached from a living node object). The caller owns the returned reference.
rt::ComPtr<IXMLDOMNode> wrap(xmlNodePtr n);

// Number of path compilations on the calling thread so far (paths are compiled once and
// cached); for tests and diagnostics.
size_t pathCompilations();

}  // namespace dom
