// Path selection: XPath 1.0 relative to a context node, with the prefixes in scope there,
// over compiled expressions cached per thread.
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <cstdarg>
#include <cstdio>
#include <list>
#include <unordered_map>
#include <vector>

#include "dom/native.h"
#include "dom/internal.h"
#include "runtime/error.h"

namespace dom::detail {

namespace {

constexpr size_t kCachedPaths = 512;

struct ErrorText {
    int code = 0;
    std::string message;
};

const char* describeXPathError(int code) {
    switch (code) {
    case XML_XPATH_UNDEF_PREFIX_ERROR: return "a namespace prefix is not declared";
    case XML_XPATH_UNDEF_VARIABLE_ERROR: return "a variable is not defined";
    case XML_XPATH_UNKNOWN_FUNC_ERROR: return "a function is unknown";
    case XML_XPATH_INVALID_ARITY: return "a function is called with the wrong number of arguments";
    case XML_XPATH_INVALID_PREDICATE_ERROR: return "a predicate is invalid";
    case XML_XPATH_UNFINISHED_LITERAL_ERROR: return "a literal is not closed";
    case XML_XPATH_INVALID_TYPE: return "a value has the wrong type";
    default: return "it is not a valid XPath expression";
    }
}

void captureXPathError(void* data, xmlErrorPtr e) {
    auto* t = static_cast<ErrorText*>(data);
    if (!t || !e || t->code) return;
    t->code = e->code ? e->code : -1;
    if (e->message) {
        t->message = e->message;
        while (!t->message.empty() && (t->message.back() == '\n' || t->message.back() == ' ')) t->message.pop_back();
    }
}

// Some evaluation errors are printed rather than reported; they are kept with the rest.
void collectGeneric(void* data, const char* format, ...) {
    auto* t = static_cast<ErrorText*>(data);
    if (!t || !t->message.empty()) return;
    char buf[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    t->message = buf;
    while (!t->message.empty() && (t->message.back() == '\n' || t->message.back() == ' ')) t->message.pop_back();
}

class QuietErrors {
public:
    explicit QuietErrors(ErrorText& sink) : fn_(xmlGenericError), ctx_(xmlGenericErrorContext) {
        xmlSetGenericErrorFunc(&sink, collectGeneric);
    }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;
    ~QuietErrors() { xmlSetGenericErrorFunc(ctx_, fn_); }

private:
    xmlGenericErrorFunc fn_;
    void* ctx_;
};

// One context per thread, reused for every evaluation (making one registers every
// function of the library again).
class Evaluator {
public:
    Evaluator() : ctx_(xmlXPathNewContext(nullptr)), scratch_(xmlNewDoc(BAD_CAST "1.0")) {
        if (!ctx_ || !scratch_) throw std::bad_alloc();
        ctx_->error = captureXPathError;
    }
    Evaluator(const Evaluator&) = delete;
    Evaluator& operator=(const Evaluator&) = delete;
    ~Evaluator() {
        for (auto& e : lru_) xmlXPathFreeCompExpr(e.second);
        xmlXPathFreeContext(ctx_);
        xmlFreeDoc(scratch_);
    }

    xmlXPathContextPtr context() { return ctx_; }
    // A document node that stands in as the root of a subtree outside any tree.
    xmlDocPtr scratch() { return scratch_; }

    xmlXPathCompExprPtr compiled(const std::string& path, ErrorText& err) {
        if (auto it = index_.find(path); it != index_.end()) {
            lru_.splice(lru_.begin(), lru_, it->second);
            return it->second->second;
        }
        ctx_->userData = &err;
        xmlXPathCompExprPtr comp = xmlXPathCtxtCompile(ctx_, BAD_CAST path.c_str());
        ctx_->userData = nullptr;
        ++compilations_;
        if (!comp) return nullptr;
        lru_.emplace_front(path, comp);
        index_[path] = lru_.begin();
        if (lru_.size() > kCachedPaths) {
            index_.erase(lru_.back().first);
            xmlXPathFreeCompExpr(lru_.back().second);
            lru_.pop_back();
        }
        return comp;
    }

    size_t compilations() const { return compilations_; }

private:
    xmlXPathContextPtr ctx_;
    xmlDocPtr scratch_;
    std::list<std::pair<std::string, xmlXPathCompExprPtr>> lru_;
    std::unordered_map<std::string, std::list<std::pair<std::string, xmlXPathCompExprPtr>>::iterator> index_;
    size_t compilations_ = 0;
};

Evaluator& evaluator() {
    thread_local Evaluator e;
    return e;
}

bool isDocument(const xmlNode* n) { return n->type == XML_DOCUMENT_NODE || n->type == XML_HTML_DOCUMENT_NODE; }

// The element whose in-scope prefixes a path from n may use.
xmlNodePtr scopeElement(xmlNodePtr n) {
    if (isDocument(n)) return xmlDocGetRootElement(reinterpret_cast<xmlDocPtr>(n));
    while (n && n->type != XML_ELEMENT_NODE) n = n->parent;
    return n;
}

// Lends a detached subtree the scratch document as its root for one evaluation, so that
// "//x" searches the subtree as its own tree.
class RootLoan {
public:
    RootLoan(xmlNodePtr context, xmlDocPtr scratch) {
        xmlNodePtr top = context;
        while (top->parent) top = top->parent;
        if (isDocument(top) || top->type == XML_ATTRIBUTE_NODE) return;
        top_ = top;
        scratch_ = scratch;
        top->parent = reinterpret_cast<xmlNodePtr>(scratch);
        scratch->children = scratch->last = top;
    }
    RootLoan(const RootLoan&) = delete;
    RootLoan& operator=(const RootLoan&) = delete;
    ~RootLoan() {
        if (!top_) return;
        top_->parent = nullptr;
        scratch_->children = scratch_->last = nullptr;
    }
    xmlDocPtr rootDoc(xmlNodePtr context) const {
        return top_ ? scratch_ : (context->doc ? context->doc : reinterpret_cast<xmlDocPtr>(context));
    }

private:
    xmlNodePtr top_ = nullptr;
    xmlDocPtr scratch_ = nullptr;
};

bool declaresEntities(xmlDocPtr doc) {
    auto has = [](xmlDtdPtr d) { return d && d->entities && xmlHashSize(static_cast<xmlHashTablePtr>(d->entities)) > 0; };
    return doc && (has(doc->intSubset) || has(doc->extSubset));
}

// While a path is evaluated, entity references show no children. libxml2's following and
// preceding axes would otherwise walk from a reference into the entity's declaration, on to
// the document type and round the document again, without end. (String values look
// entities up by name and are not affected.)
class HiddenEntityContent {
public:
    HiddenEntityContent(xmlDocPtr owner, xmlNodePtr root) {
        if (!declaresEntities(owner)) return;
        std::vector<xmlNodePtr> pending{root};
        while (!pending.empty()) {
            xmlNodePtr n = pending.back();
            pending.pop_back();
            if (n->type == XML_ENTITY_REF_NODE) {
                if (n->children) hidden_.push_back({n, n->children, n->last});
                n->children = n->last = nullptr;
                continue;
            }
            if (n->type == XML_DTD_NODE) continue;
            for (xmlNodePtr c = n->children; c; c = c->next) pending.push_back(c);
            if (n->type == XML_ELEMENT_NODE)
                for (xmlAttrPtr a = n->properties; a; a = a->next) pending.push_back(reinterpret_cast<xmlNodePtr>(a));
        }
    }
    HiddenEntityContent(const HiddenEntityContent&) = delete;
    HiddenEntityContent& operator=(const HiddenEntityContent&) = delete;
    ~HiddenEntityContent() {
        for (const Hidden& h : hidden_) {
            h.node->children = h.children;
            h.node->last = h.last;
        }
    }

private:
    struct Hidden {
        xmlNodePtr node, children, last;
    };
    std::vector<Hidden> hidden_;
};

// Nodes inside the declaration of an entity (the following axis walks into them through
// an entity reference) belong to the document type, not to the tree.
bool insideDeclaration(xmlNodePtr n) {
    for (; n; n = n->parent)
        if (n->type == XML_ENTITY_DECL || n->type == XML_DTD_NODE) return true;
    return false;
}

[[noreturn]] void rejectPath(const std::string& path, const ErrorText& err) {
    std::string why = err.message.empty() ? describeXPathError(err.code) : err.message;
    refuse("The path '" + path + "' cannot be evaluated: " + why + ".");
}

}  // namespace

std::vector<xmlNodePtr> selectPath(xmlNodePtr context, const std::string& path,
                                   const std::vector<SelectionNamespace>& extra) {
    Evaluator& ev = evaluator();
    ErrorText err;
    QuietErrors quiet(err);
    xmlXPathCompExprPtr comp = ev.compiled(path, err);
    if (!comp) rejectPath(path, err);

    xmlNodePtr scope = scopeElement(context);
    xmlNsPtr* inScope = scope ? xmlGetNsList(scope->doc, scope) : nullptr;
    std::vector<xmlNsPtr> namespaces;
    for (xmlNsPtr* p = inScope; p && *p; ++p)
        if ((*p)->prefix) namespaces.push_back(*p);
    std::vector<xmlNs> extras(extra.size());
    for (size_t i = 0; i < extra.size(); ++i) {
        extras[i] = xmlNs{};
        extras[i].type = XML_NAMESPACE_DECL;
        extras[i].href = BAD_CAST extra[i].uri.c_str();
        extras[i].prefix = BAD_CAST extra[i].prefix.c_str();
        namespaces.push_back(&extras[i]);
    }

    xmlXPathObjectPtr result = nullptr;
    {
        RootLoan loan(context, ev.scratch());
        xmlDocPtr root = loan.rootDoc(context);
        HiddenEntityContent hidden(context->doc, reinterpret_cast<xmlNodePtr>(root));
        xmlXPathContextPtr ctx = ev.context();
        ctx->doc = root;
        ctx->node = context;
        ctx->namespaces = namespaces.empty() ? nullptr : namespaces.data();
        ctx->nsNr = int(namespaces.size());
        ctx->userData = &err;
        result = xmlXPathCompiledEval(comp, ctx);
        ctx->userData = nullptr;
        ctx->namespaces = nullptr;
        ctx->nsNr = 0;
        ctx->node = nullptr;
        ctx->doc = nullptr;
    }
    if (inScope) xmlFree(inScope);
    if (!result) rejectPath(path, err);
    std::vector<xmlNodePtr> nodes;
    if (result->type != XPATH_NODESET) {
        xmlXPathFreeObject(result);
        refuse("The path '" + path + "' does not select nodes.");
    }
    if (xmlNodeSetPtr set = result->nodesetval) {
        xmlXPathNodeSetSort(set);
        for (int i = 0; i < set->nodeNr; ++i) {
            xmlNodePtr n = set->nodeTab[i];
            if (!n || n->type == XML_NAMESPACE_DECL || insideDeclaration(n)) continue;
            if (reinterpret_cast<xmlDocPtr>(n) == ev.scratch()) continue;
            nodes.push_back(n);
        }
    }
    xmlXPathFreeObject(result);
    return nodes;
}

}  // namespace dom::detail

namespace dom {

size_t pathCompilations() { return detail::evaluator().compilations(); }

}  // namespace dom
