// Node objects and tree surgery: identity, lifetime of detached subtrees, moving nodes
// within and between documents.
#include <libxml/parser.h>

#include <cstring>

#include "dom/native.h"
#include "dom/objects.h"

namespace dom::detail {

std::atomic<uint64_t> gMutations{0};

Tree::Tree(xmlDocPtr d, DocumentObject* o) : doc(d), owner(o) { doc->_private = this; }

Tree::~Tree() {
    doc->_private = nullptr;
    xmlFreeDoc(doc);
}

void Tree::release() {
    if (--refs == 0) delete this;
}

Tree* treeOf(xmlDocPtr doc) { return doc ? static_cast<Tree*>(doc->_private) : nullptr; }

NodeCore::NodeCore(xmlNodePtr n, Tree* t) : node_(n), tree_(t) {
    if (!t) return;  // the document object sets its own tree
    t->addRef();
    ownerRef_ = rt::ComPtr<IXMLDOMDocument2>(static_cast<IXMLDOMDocument2*>(t->owner));
    n->_private = this;
}

NodeCore::~NodeCore() {
    if (ownerRef_) {
        node_->_private = nullptr;
        attemptDeallocation(node_);
    }
    if (tree_) tree_->release();
}

DocumentObject* NodeCore::owner() const { return tree_->owner; }

void NodeCore::retarget(Tree* t) {
    if (t == tree_) return;
    t->addRef();
    Tree* old = std::exchange(tree_, t);
    rt::ComPtr<IXMLDOMDocument2> oldOwner = std::exchange(
        ownerRef_, rt::ComPtr<IXMLDOMDocument2>(static_cast<IXMLDOMDocument2*>(t->owner)));
    old->release();
}

NodeCore* coreOf(rt::IUnknown* p) {
    if (!p) return nullptr;
    INodeCore* c = nullptr;
    if (rt::failed(p->QueryInterface(INodeCore::IID_, reinterpret_cast<void**>(&c))) || !c) return nullptr;
    NodeCore* core = c->core();
    c->Release();  // the caller holds p, which keeps the object alive
    return core;
}

NodeCore& requireCore(rt::IUnknown* p, const char16_t* what) {
    if (!p) rt::raise(rt::kErrObjectRequired, rt::Str(u"Object required: ") + what + u" is nothing.");
    NodeCore* c = coreOf(p);
    if (!c) rt::raiseStatus(rt::E_INVALIDARG, rt::Str(what) + u" is not a node of this document object model.");
    return *c;
}

void refuse(const std::string& description) { rt::raiseStatus(rt::E_FAIL, rt::fromUtf8(description)); }

// ---- Walking ---------------------------------------------------------------------------

namespace {

bool isDocument(const xmlNode* n) { return n->type == XML_DOCUMENT_NODE || n->type == XML_HTML_DOCUMENT_NODE; }

// Children that belong to n itself (entity references point into their entity, DTDs hold
// declarations: neither is walked).
xmlNodePtr ownChildren(xmlNodePtr n) {
    switch (n->type) {
    case XML_ENTITY_REF_NODE:
    case XML_DTD_NODE:
    case XML_ENTITY_DECL:
    case XML_ATTRIBUTE_DECL:
    case XML_ELEMENT_DECL:
        return nullptr;
    default:
        return n->children;
    }
}

// Calls f on every node of the subtree of top (attributes and their children included),
// in document order, without recursion. Stops when f returns true; returns whether it did.
template <class F>
bool walk(xmlNodePtr top, F&& f) {
    std::vector<xmlNodePtr> pending{top};
    while (!pending.empty()) {
        xmlNodePtr n = pending.back();
        pending.pop_back();
        if (f(n)) return true;
        for (xmlNodePtr c = lastChildOf(n); c; c = c->prev) pending.push_back(c);
        if (n->type == XML_ELEMENT_NODE)
            for (xmlAttrPtr a = n->properties; a; a = a->next) pending.push_back(reinterpret_cast<xmlNodePtr>(a));
    }
    return false;
}

void freeSubtree(xmlNodePtr top) {
    if (top->type == XML_ATTRIBUTE_NODE)
        xmlFreeProp(reinterpret_cast<xmlAttrPtr>(top));
    else if (top->type == XML_DTD_NODE)
        xmlFreeDtd(reinterpret_cast<xmlDtdPtr>(top));
    else
        xmlFreeNode(top);
}

// A detached attribute cannot hold a namespace declaration: it keeps its prefix in its name.
void unbindDetachedAttribute(xmlAttrPtr a) {
    if (!a->ns) return;
    std::string name = qualifiedName(reinterpret_cast<xmlNodePtr>(a));
    xmlNodeSetName(reinterpret_cast<xmlNodePtr>(a), BAD_CAST name.c_str());
    a->ns = nullptr;
    if (Tree* t = treeOf(a->doc)) t->unboundPrefixes = true;
}

}  // namespace

xmlNodePtr firstChildOf(xmlNodePtr n) { return ownChildren(n); }
xmlNodePtr lastChildOf(xmlNodePtr n) { return ownChildren(n) ? n->last : nullptr; }

bool subtreeHasObject(xmlNodePtr n) {
    return walk(n, [](xmlNodePtr x) { return x->_private != nullptr; });
}

void settleDetached(xmlNodePtr n) {
    if (!subtreeHasObject(n)) {
        freeSubtree(n);
        return;
    }
    if (n->type == XML_ELEMENT_NODE)
        xmlDOMWrapReconcileNamespaces(nullptr, n, 0);
    else if (n->type == XML_ATTRIBUTE_NODE)
        unbindDetachedAttribute(reinterpret_cast<xmlAttrPtr>(n));
}

void attemptDeallocation(xmlNodePtr n) {
    xmlNodePtr top = n;
    while (top->parent) top = top->parent;
    if (isDocument(top)) return;
    if (!subtreeHasObject(top)) freeSubtree(top);
}

void detach(xmlNodePtr n) {
    if (n->type == XML_DTD_NODE) refuse("The document type node cannot be removed.");
    xmlUnlinkNode(n);
    noteMutation();
    settleDetached(n);
}

void removeChildren(xmlNodePtr n) {
    for (xmlNodePtr c = firstChildOf(n); c;) {
        xmlNodePtr next = c->next;
        if (c->type != XML_DTD_NODE) detach(c);
        c = next;
    }
}

// ---- Insertion -------------------------------------------------------------------------

namespace {

const char* typeWord(xmlNodePtr n) {
    switch (nodeType(n)) {
    case NODE_ELEMENT: return "ELEMENT";
    case NODE_ATTRIBUTE: return "ATTRIBUTE";
    case NODE_TEXT: return "TEXT";
    case NODE_CDATA_SECTION: return "CDATA";
    case NODE_ENTITY_REFERENCE: return "ENTITYREF";
    case NODE_PROCESSING_INSTRUCTION: return "PROCESSING INSTRUCTION";
    case NODE_COMMENT: return "COMMENT";
    case NODE_DOCUMENT: return "DOCUMENT";
    case NODE_DOCUMENT_TYPE: return "DOCUMENTTYPE";
    case NODE_DOCUMENT_FRAGMENT: return "DOCUMENTFRAGMENT";
    default: return "UNKNOWN";
    }
}

// Nodes that are in their parent's list of children.
bool isChild(xmlNodePtr n) {
    switch (n->type) {
    case XML_ATTRIBUTE_NODE:
    case XML_NAMESPACE_DECL:
    case XML_ENTITY_DECL:
    case XML_ELEMENT_DECL:
    case XML_ATTRIBUTE_DECL:
        return false;
    default:
        return true;
    }
}

void checkInsertion(xmlNodePtr parent, xmlNodePtr child, xmlNodePtr ref, xmlNodePtr replaced) {
    switch (parent->type) {
    case XML_ELEMENT_NODE:
    case XML_DOCUMENT_NODE:
    case XML_DOCUMENT_FRAG_NODE:
        break;
    default:
        refuse(std::string("This operation cannot be performed with a node of type ") + typeWord(parent) + ".");
    }
    switch (child->type) {
    case XML_ELEMENT_NODE:
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_ENTITY_REF_NODE:
    case XML_PI_NODE:
    case XML_COMMENT_NODE:
        break;
    default:
        refuse(std::string("Nodes of type ") + typeWord(child) + " cannot be inserted.");
    }
    for (xmlNodePtr a = parent; a; a = a->parent)
        if (a == child) refuse("Inserting a node or its ancestor under itself is not allowed.");
    // An attribute names its element as its parent too, but is no child of it.
    if (ref && (ref->parent != parent || !isChild(ref))) refuse("The reference node is not a child of this node.");
    if (replaced && (replaced->parent != parent || !isChild(replaced)))
        refuse("The node to replace is not a child of this node.");
    // Entity references of the tree point into the declarations of the document type.
    if (replaced && replaced->type == XML_DTD_NODE) refuse("The document type node cannot be replaced.");
    if (levelOf(parent) + heightOf(child) > kMaxDepth)
        refuse("Elements cannot be nested more than " + std::to_string(kMaxDepth) + " levels deep.");
    if (!isDocument(parent)) return;
    if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE || child->type == XML_ENTITY_REF_NODE)
        refuse("This operation cannot be performed with a node of type " + std::string(typeWord(child)) +
               " at the top level of a document.");
    if (child->type != XML_ELEMENT_NODE) return;
    for (xmlNodePtr c = parent->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE && c != replaced && c != child)
            refuse("Only one top level element is allowed in an XML document.");
}

void linkBefore(xmlNodePtr ref, xmlNodePtr child) {
    child->parent = ref->parent;
    child->next = ref;
    child->prev = ref->prev;
    if (ref->prev)
        ref->prev->next = child;
    else
        ref->parent->children = child;
    ref->prev = child;
}

void linkLast(xmlNodePtr parent, xmlNodePtr child) {
    child->parent = parent;
    child->next = nullptr;
    child->prev = parent->last;
    if (parent->last)
        parent->last->next = child;
    else
        parent->children = child;
    parent->last = child;
}

// Gives names like "z:row" (made while no such prefix was in scope) the namespace that
// the prefix has at their new place.
void bindPrefixes(xmlNodePtr top) {
    walk(top, [](xmlNodePtr n) {
        if ((n->type != XML_ELEMENT_NODE && n->type != XML_ATTRIBUTE_NODE) || n->ns) return false;
        const char* name = reinterpret_cast<const char*>(n->name);
        const char* colon = std::strchr(name, ':');
        if (!colon || colon == name || !colon[1]) return false;
        std::string prefix(name, colon);
        if (prefix == "xmlns") return false;
        xmlNodePtr scope = n->type == XML_ATTRIBUTE_NODE ? n->parent : n;
        if (!scope) return false;
        xmlNsPtr ns = xmlSearchNs(n->doc, scope, BAD_CAST prefix.c_str());
        if (!ns) return false;
        std::string local(colon + 1);
        xmlNodeSetName(n, BAD_CAST local.c_str());
        n->ns = ns;
        return false;
    });
}

// libxml2's adoption moves names and texts out of the source document's dictionary, except
// the names of entity references, which copying puts there: left in place they would dangle
// once the source document is freed, and freeing them with the target's nodes would free what
// the dictionary owns. They get their own storage first, which either document may free.
void ownReferenceNames(xmlNodePtr top, xmlDictPtr sourceDict) {
    if (!sourceDict) return;
    walk(top, [sourceDict](xmlNodePtr n) {
        if (n->type == XML_ENTITY_REF_NODE && n->name && xmlDictOwns(sourceDict, n->name) == 1) {
            xmlChar* own = xmlStrdup(n->name);
            if (!own) throw std::bad_alloc();
            n->name = own;
        }
        return false;
    });
}

}  // namespace

void insertChild(xmlNodePtr parent, xmlNodePtr child, xmlNodePtr ref, xmlNodePtr replaced) {
    checkInsertion(parent, child, ref, replaced);
    if (child == ref || child == replaced) return;
    xmlNodePtr oldParent = child->parent;
    xmlDocPtr sourceDoc = child->doc;
    xmlDocPtr targetDoc = parent->doc ? parent->doc : reinterpret_cast<xmlDocPtr>(parent);
    Tree* source = treeOf(sourceDoc);
    Tree* target = treeOf(targetDoc);
    if (!source || !target) refuse("The node does not belong to a document of this object model.");
    bool crossing = sourceDoc != targetDoc;
    if (crossing && sourceDoc->dict != targetDoc->dict) ownReferenceNames(child, sourceDoc->dict);

    xmlUnlinkNode(child);
    noteMutation();
    // What the node left (a detached subtree nobody references now, or the replaced child)
    // is freed only once the node's namespaces are declared where it goes: until then the
    // node may use declarations there.
    auto settleWhatWasLeft = [&] {
        if (oldParent && !isDocument(oldParent)) attemptDeallocation(oldParent);
        if (replaced) {
            xmlUnlinkNode(replaced);
            settleDetached(replaced);
        }
    };
    if (crossing) {
        xmlNodePtr scope = isDocument(parent) ? nullptr : parent;
        if (xmlDOMWrapAdoptNode(nullptr, sourceDoc, child, targetDoc, scope, 0) != 0) {
            settleDetached(child);
            replaced = nullptr;
            settleWhatWasLeft();
            refuse("The node cannot be moved into this document.");
        }
    }
    if (ref || replaced)
        linkBefore(ref ? ref : replaced, child);
    else
        linkLast(parent, child);
    if (!crossing && child->type == XML_ELEMENT_NODE) xmlDOMWrapReconcileNamespaces(nullptr, child, 0);
    if (source->unboundPrefixes || target->unboundPrefixes) {
        target->unboundPrefixes = true;
        bindPrefixes(child);
    }
    settleWhatWasLeft();
    noteMutation();
    if (crossing) {
        // Last: moving the node objects may release the source document.
        std::vector<NodeCore*> moved;
        walk(child, [&](xmlNodePtr n) {
            if (n->_private) moved.push_back(static_cast<NodeCore*>(n->_private));
            return false;
        });
        for (NodeCore* c : moved) c->retarget(target);
    }
}

// ---- The factory -----------------------------------------------------------------------

rt::ComPtr<IXMLDOMNode> wrapNode(xmlNodePtr n) {
    // Declarations inside the document type are no nodes of this model (a path can reach
    // them through an entity reference): removing one would free what references use.
    if (!n || n->type == XML_NAMESPACE_DECL || n->type == XML_ENTITY_DECL || n->type == XML_ELEMENT_DECL ||
        n->type == XML_ATTRIBUTE_DECL)
        return nullptr;
    if (isDocument(n)) {
        Tree* t = treeOf(reinterpret_cast<xmlDocPtr>(n));
        if (!t || t->owner->doc() != reinterpret_cast<xmlDocPtr>(n)) return nullptr;
        return rt::ComPtr<IXMLDOMNode>(static_cast<IXMLDOMDocument2*>(t->owner));
    }
    if (n->_private) return rt::ComPtr<IXMLDOMNode>(static_cast<NodeCore*>(n->_private)->asNode());
    Tree* t = treeOf(n->doc);
    if (!t) return nullptr;
    switch (n->type) {
    case XML_ELEMENT_NODE: return rt::makeObject<ElementNode>(n, t);
    case XML_ATTRIBUTE_NODE: return rt::makeObject<AttributeNode>(n, t);
    case XML_TEXT_NODE: return rt::makeObject<TextNode>(n, t);
    case XML_CDATA_SECTION_NODE: return rt::makeObject<CDataNode>(n, t);
    case XML_COMMENT_NODE: return rt::makeObject<CommentNode>(n, t);
    case XML_PI_NODE: return rt::makeObject<PINode>(n, t);
    default: return rt::makeObject<PlainNode>(n, t);
    }
}

void putNode(IXMLDOMNode** out, xmlNodePtr n) { rt::assignOut(out, wrapNode(n)); }

}  // namespace dom::detail

namespace dom {

rt::ComPtr<IXMLDOMNode> wrap(xmlNodePtr n) { return detail::wrapNode(n); }

xmlNodePtr nativeNode(IXMLDOMNode* node) {
    detail::NodeCore* c = detail::coreOf(node);
    return c ? c->node() : nullptr;
}

}  // namespace dom
