// Building libxml2 trees directly (see native_write.h).
#include "dom/native_write.h"

#include <fcntl.h>
#include <libxml/dict.h>
#include <libxml/parserInternals.h>
#include <libxml/valid.h>
#include <libxml/xmlsave.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <new>

#include "dom/internal.h"
#include "runtime/error.h"
#include "runtime/fault.h"

namespace dom::native {

namespace {

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

template <class T>
T* required(T* p) {
    if (!p) throw std::bad_alloc();
    return p;
}

// A zeroed node record from libxml2's allocator, so that libxml2 frees it with the tree.
template <class T>
T* allocateZeroed() {
    rt::fault::allocation();
    auto* p = static_cast<T*>(required(xmlMalloc(sizeof(T))));
    std::memset(p, 0, sizeof(T));
    return p;
}

static_assert(offsetof(xmlNode, nsDef) == offsetof(xmlNode, properties) + sizeof(void*),
              "short text is kept in a text node's properties and nsDef fields");

// A text node (no parent yet) holding value. Short values live inside the node itself, in
// the two pointer fields a text node does not use: libxml2's own compact trees do the
// same, and its functions know the form (content pointing into the node is not freed).
xmlNodePtr newTextNode(xmlDocPtr doc, std::string_view value) {
    auto* text = allocateZeroed<xmlNode>();
    text->type = XML_TEXT_NODE;
    text->name = xmlStringText;
    text->doc = doc;
    constexpr size_t kInline = 2 * sizeof(void*);
    if (value.size() < kInline) {
        auto* inside = reinterpret_cast<xmlChar*>(&text->properties);
        std::memcpy(inside, value.data(), value.size());
        inside[value.size()] = 0;
        text->content = inside;
        return text;
    }
    text->content = xmlStrndup(reinterpret_cast<const xmlChar*>(value.data()), int(value.size()));
    if (!text->content) {
        xmlFree(text);
        throw std::bad_alloc();
    }
    return text;
}

// Elements below parent would lie deeper than documents may nest.
void requireRoomBelow(xmlNodePtr parent) {
    if (detail::levelOf(parent) >= detail::kMaxDepth)
        rt::raiseStatus(rt::E_INVALIDARG, u"Elements cannot be nested more than " +
                                              rt::ascii(std::to_string(detail::kMaxDepth)) + u" levels deep.");
}

bool declaresPrefix(xmlNodePtr element, const char* prefix) {
    for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next)
        if (ns->prefix && std::strcmp(reinterpret_cast<const char*>(ns->prefix), prefix) == 0) return true;
    return false;
}

}  // namespace

// ---- TreeBuilder ----------------------------------------------------------------------------

TreeBuilder::TreeBuilder(const char* rootName) {
    doc_ = required(xmlNewDoc(X("1.0")));
    doc_->dict = xmlDictCreate();
    if (!doc_->dict) {
        xmlFreeDoc(doc_);
        throw std::bad_alloc();
    }
    xmlNodePtr root = xmlNewDocNode(doc_, nullptr, X(rootName), nullptr);
    if (!root) {
        xmlFreeDoc(doc_);
        throw std::bad_alloc();
    }
    xmlDocSetRootElement(doc_, root);
}

TreeBuilder::~TreeBuilder() {
    if (doc_) xmlFreeDoc(doc_);
}

Element TreeBuilder::root() const { return Element(xmlDocGetRootElement(doc_)); }

Namespace TreeBuilder::declareNamespace(Element element, const char* uri, const char* prefix) {
    if (std::strcmp(prefix, "xml") == 0 || declaresPrefix(element.node_, prefix))
        rt::raiseStatus(rt::E_INVALIDARG, u"The prefix is reserved or already declared on this element.");
    return Namespace(required(xmlNewNs(element.node_, X(uri), X(prefix))));
}

Element TreeBuilder::appendElement(Element parent, Namespace ns, const char* localName) {
    requireRoomBelow(parent.node_);
    return Element(required(xmlNewChild(parent.node_, ns.ns_, X(localName), nullptr)));
}

void TreeBuilder::addAttribute(Element element, Namespace ns, const char* localName, const char* value) {
    if (ns.ns_)
        required(xmlNewNsProp(element.node_, ns.ns_, X(localName), X(value)));
    else
        required(xmlNewProp(element.node_, X(localName), X(value)));
}

Name TreeBuilder::intern(const std::string& name) {
    return Name(required(xmlDictLookup(doc_->dict, X(name.c_str()), -1)));
}

// Linked in by hand: the general calls look the name up again and check what a bulk
// writer already knows.
Element TreeBuilder::appendElement(Element parent, Namespace ns, Name name) {
    xmlNodePtr p = parent.node_;
    requireRoomBelow(p);
    auto* n = allocateZeroed<xmlNode>();
    n->type = XML_ELEMENT_NODE;
    n->name = name.text_;
    n->ns = ns.ns_;
    n->doc = p->doc;
    n->parent = p;
    if (p->last) {
        p->last->next = n;
        n->prev = p->last;
    } else {
        p->children = n;
    }
    p->last = n;
    return Element(n);
}

xmlDocPtr TreeBuilder::release() {
    xmlDocPtr d = doc_;
    doc_ = nullptr;
    return d;
}

// ---- AttributeAppender ------------------------------------------------------------------------

AttributeAppender::AttributeAppender(Element element) : element_(element.node_) {}

void AttributeAppender::append(Name name, std::string_view value) {
    // Catch up with attributes added some other way since the last append.
    if (!last_) last_ = element_->properties;
    while (last_ && last_->next) last_ = last_->next;

    auto* a = allocateZeroed<xmlAttr>();
    a->type = XML_ATTRIBUTE_NODE;
    a->name = name.text_;
    a->parent = element_;
    a->doc = element_->doc;
    xmlNodePtr text;
    try {
        text = newTextNode(element_->doc, value);
    } catch (const std::bad_alloc&) {
        xmlFree(a);
        throw;
    }
    text->parent = reinterpret_cast<xmlNodePtr>(a);
    a->children = a->last = text;
    if (last_) {
        last_->next = a;
        a->prev = last_;
    } else {
        element_->properties = a;
    }
    last_ = a;
}

// ---- names and files --------------------------------------------------------------------------

bool isNCName(const std::string& name) {
    return !name.empty() && name.find('\0') == std::string::npos && xmlValidateNCName(X(name.c_str()), 0) == 0;
}

WriteOutcome writeFile(xmlDocPtr tree, const std::string& path) {
    if (path.find('\0') != std::string::npos) return WriteOutcome::CannotCreate;  // another file's name
    // Not blocking: a pipe that nobody reads cannot be created rather than waited for.
    int fd = rt::fault::injected(rt::fault::Kind::File)
                 ? -1
                 : ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return WriteOutcome::CannotCreate;
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return WriteOutcome::CannotCreate;
    }
    xmlSaveCtxtPtr ctx = xmlSaveToFd(fd, "UTF-8", XML_SAVE_NO_DECL);
    if (!ctx) {
        ::close(fd);
        return WriteOutcome::CannotCreate;
    }
    const long written = rt::fault::injected(rt::fault::Kind::Xml) ? -1 : xmlSaveDoc(ctx, tree);
    const int flushed = xmlSaveClose(ctx);
    const int closed = ::close(fd);
    if (flushed < 0 || written < 0 || closed != 0) return WriteOutcome::WriteFailed;
    return WriteOutcome::Written;
}

}  // namespace dom::native
