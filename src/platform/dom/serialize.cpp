// Markup of nodes and documents.
#include <libxml/xmlsave.h>

#include <set>

#include "dom/internal.h"

namespace dom::detail {

namespace {

// Collects what the serializer writes into a string.
class StringSink {
public:
    StringSink() : buf_(xmlOutputBufferCreateIO(&StringSink::write, nullptr, this, nullptr)) {
        if (!buf_) throw std::bad_alloc();
    }
    StringSink(const StringSink&) = delete;
    StringSink& operator=(const StringSink&) = delete;
    ~StringSink() {
        if (buf_) xmlOutputBufferClose(buf_);
    }
    xmlOutputBufferPtr buffer() { return buf_; }
    std::string take() {
        xmlOutputBufferClose(std::exchange(buf_, nullptr));
        return std::move(out_);
    }

private:
    static int write(void* self, const char* data, int len) {
        static_cast<StringSink*>(self)->out_.append(data, size_t(len));
        return len;
    }
    xmlOutputBufferPtr buf_;
    std::string out_;
};

// Namespaces that the subtree of e uses but declares outside itself.
std::vector<xmlNsPtr> outsideNamespaces(xmlNodePtr e) {
    std::set<xmlNsPtr> used, declared;
    std::vector<xmlNsPtr> order;
    std::vector<xmlNodePtr> pending{e};
    while (!pending.empty()) {
        xmlNodePtr n = pending.back();
        pending.pop_back();
        if (n->type != XML_ELEMENT_NODE) continue;
        for (xmlNsPtr d = n->nsDef; d; d = d->next) declared.insert(d);
        auto use = [&](xmlNsPtr ns) {
            if (ns && ns->prefix && std::string(reinterpret_cast<const char*>(ns->prefix)) == "xml") return;
            if (ns && used.insert(ns).second) order.push_back(ns);
        };
        use(n->ns);
        for (xmlAttrPtr a = n->properties; a; a = a->next) use(a->ns);
        for (xmlNodePtr c = n->children; c; c = c->next) pending.push_back(c);
    }
    std::vector<xmlNsPtr> out;
    std::set<std::string> prefixes;
    for (xmlNsPtr ns : order) {
        if (declared.count(ns)) continue;
        std::string p = ns->prefix ? reinterpret_cast<const char*>(ns->prefix) : "";
        if (prefixes.insert(p).second) out.push_back(ns);
    }
    return out;
}

void dump(xmlOutputBufferPtr out, xmlNodePtr n, const char* encoding) {
    xmlNodeDumpOutput(out, n->doc, n, 0, 0, encoding);
}

}  // namespace

std::string markupOf(xmlNodePtr n) {
    StringSink sink;
    if (n->type != XML_ELEMENT_NODE) {
        dump(sink.buffer(), n, "UTF-8");
        std::string s = sink.take();
        if (n->type == XML_ATTRIBUTE_NODE && !s.empty() && s.front() == ' ') s.erase(0, 1);
        return s;
    }
    // Declarations from outside go on the element for the time of writing, so that the
    // markup reads back on its own.
    std::vector<xmlNsPtr> added;
    for (xmlNsPtr ns : outsideNamespaces(n)) {
        xmlNsPtr copy = xmlNewNs(nullptr, ns->href, ns->prefix);
        if (!copy) continue;
        copy->next = n->nsDef;
        n->nsDef = copy;
        added.push_back(copy);
    }
    dump(sink.buffer(), n, "UTF-8");
    for (size_t i = 0; i < added.size(); ++i) {
        xmlNsPtr first = n->nsDef;
        n->nsDef = first->next;
        xmlFreeNs(first);
    }
    return sink.take();
}

std::string declarationText(xmlDocPtr doc, const std::string& encoding) {
    std::string d = "<?xml version=\"";
    d += doc->version ? reinterpret_cast<const char*>(doc->version) : "1.0";
    d += "\"";
    if (!encoding.empty()) d += " encoding=\"" + encoding + "\"";
    if (doc->standalone == 1) d += " standalone=\"yes\"";
    if (doc->standalone == 0) d += " standalone=\"no\"";
    d += "?>\r\n";
    return d;
}

std::string documentMarkup(xmlDocPtr doc, bool declaration, const std::string& encoding) {
    std::string out;
    if (!doc->children) return out;
    if (declaration) out = declarationText(doc, encoding);
    for (xmlNodePtr c = doc->children; c; c = c->next) {
        StringSink sink;
        dump(sink.buffer(), c, "UTF-8");
        out += sink.take();
        out += "\r\n";
    }
    return out;
}

}  // namespace dom::detail
