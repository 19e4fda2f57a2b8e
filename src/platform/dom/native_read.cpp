// Reading libxml2 trees directly (see native_read.h).
#include "dom/native_read.h"

#include <libxml/parser.h>

#include "dom/parse.h"

namespace dom::native {

std::string AttributeRef::value() const {
    if (!attr_) return {};
    const xmlNodePtr c = attr_->children;
    // The common case, one text child, is read in place.
    if (c && c->type == XML_TEXT_NODE && !c->next)
        return c->content ? reinterpret_cast<const char*>(c->content) : "";
    xmlChar* s = xmlNodeListGetString(attr_->doc, c, 1);
    std::string r = s ? reinterpret_cast<const char*>(s) : "";
    xmlFree(s);
    return r;
}

const char* ElementRef::namespaceOfPrefix(const std::string& prefix) const {
    if (!node_) return nullptr;
    xmlNsPtr bound = xmlSearchNs(node_->doc, node_, reinterpret_cast<const xmlChar*>(prefix.c_str()));
    if (!bound) return nullptr;
    return bound->href ? reinterpret_cast<const char*>(bound->href) : "";
}

ElementRef documentElement(IXMLDOMDocument* doc) {
    xmlDocPtr tree = nativeDocument(doc);
    return ElementRef::of(tree ? xmlDocGetRootElement(tree) : nullptr);
}

ElementRef elementOf(IXMLDOMNode* node) { return ElementRef::of(nativeNode(node)); }

ElementRef documentElement(const OwnedTree& tree) {
    return ElementRef::of(tree ? xmlDocGetRootElement(tree.get()) : nullptr);
}

OwnedTree readFile(const std::string& path) {
    // The document object's own parser: whitespace kept, since readers skip it anyway.
    return OwnedTree(detail::parseFile(path, true).doc);
}

}  // namespace dom::native
