// Markup of nodes and documents.
#include <libxml/xmlsave.h>

#include <cstring>
#include <memory>
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

// The form of a namespace URI inside a quoted attribute value; "" when it needs none.
std::string escapedUri(const char* uri) {
    if (!std::strpbrk(uri, "&<>\"'\t\n\r")) return {};
    std::string out;
    for (const char* p = uri; *p; ++p) {
        switch (*p) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        case '\t': out += "&#9;"; break;
        case '\n': out += "&#10;"; break;
        case '\r': out += "&#13;"; break;
        default: out += *p;
        }
    }
    return out;
}

// libxml2 writes namespace URIs as they are: an "&", "<" or quote in one makes the markup
// unreadable, and white space reads back as spaces. While markup is written, declarations
// whose URI needs it carry the escaped form.
class EscapedNamespaceUris {
public:
    explicit EscapedNamespaceUris(xmlNodePtr top) {
        std::vector<xmlNodePtr> pending{top};
        while (!pending.empty()) {
            xmlNodePtr n = pending.back();
            pending.pop_back();
            if (n->type != XML_ELEMENT_NODE) continue;
            for (xmlNsPtr d = n->nsDef; d; d = d->next) {
                if (!d->href) continue;
                std::string escaped = escapedUri(reinterpret_cast<const char*>(d->href));
                if (escaped.empty()) continue;
                texts_.push_back(std::make_unique<std::string>(std::move(escaped)));
                swapped_.push_back({d, d->href});
                d->href = reinterpret_cast<const xmlChar*>(texts_.back()->c_str());
            }
            for (xmlNodePtr c = n->children; c; c = c->next) pending.push_back(c);
        }
    }
    EscapedNamespaceUris(const EscapedNamespaceUris&) = delete;
    EscapedNamespaceUris& operator=(const EscapedNamespaceUris&) = delete;
    ~EscapedNamespaceUris() {
        for (auto& [ns, href] : swapped_) ns->href = href;
    }

private:
    std::vector<std::pair<xmlNsPtr, const xmlChar*>> swapped_;
    std::vector<std::unique_ptr<std::string>> texts_;
};

}  // namespace

void dump(xmlOutputBufferPtr out, xmlNodePtr n, const char* encoding) {
    EscapedNamespaceUris escaped(n);
    xmlNodeDumpOutput(out, n->doc, n, 0, 0, encoding);
}

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
