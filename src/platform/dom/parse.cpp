// Parsing files and text into trees, safely: no network, no external DTD or entity, entity
// expansion bounded; failures described as parseError reports them.
#include "dom/parse.h"

#include <fcntl.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/SAX2.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unordered_map>
#include <utility>
#include <vector>

#include "dom/internal.h"
#include "runtime/error.h"
#include "runtime/fault.h"

namespace dom::detail {

namespace {

// ---- What the prolog says ----------------------------------------------------------------

struct Prolog {
    bool declaration = false;
    std::string encoding;
    // A DOCTYPE (or a prolog we could not read to its end): entity declarations may follow,
    // so the parser keeps its own expansion limits.
    bool mayDeclareEntities = false;
};

// ASCII view of the first bytes, whatever the byte order of UTF-16 input.
std::string asciiView(const char* p, size_t n) {
    auto u = [&](size_t i) { return static_cast<unsigned char>(p[i]); };
    if (n >= 3 && u(0) == 0xEF && u(1) == 0xBB && u(2) == 0xBF) return std::string(p + 3, n - 3);
    bool le = n >= 2 && ((u(0) == 0xFF && u(1) == 0xFE) || (u(1) == 0 && u(0) != 0));
    bool be = n >= 2 && ((u(0) == 0xFE && u(1) == 0xFF) || (u(0) == 0 && u(1) != 0));
    if (!le && !be) return std::string(p, n);
    std::string out;
    size_t start = (u(0) == 0xFF || u(0) == 0xFE) ? 2 : 0;
    for (size_t i = start + (be ? 1 : 0); i < n; i += 2) out += p[i];
    return out;
}

std::string attributeIn(const std::string& decl, const std::string& name) {
    size_t at = decl.find(name);
    if (at == std::string::npos) return {};
    at = decl.find_first_of("\"'", at);
    if (at == std::string::npos) return {};
    size_t end = decl.find(decl[at], at + 1);
    return end == std::string::npos ? std::string() : decl.substr(at + 1, end - at - 1);
}

Prolog readProlog(const char* p, size_t n) {
    Prolog r;
    std::string s = asciiView(p, n);
    if (s.rfind("<?xml", 0) == 0 && s.size() > 5 && std::strchr(" \t\r\n", s[5])) {
        r.declaration = true;
        size_t end = s.find("?>");
        std::string decl = s.substr(0, end == std::string::npos ? s.size() : end);
        r.encoding = attributeIn(decl, "encoding");
    }
    for (size_t at = 0;;) {
        at = s.find('<', at);
        if (at == std::string::npos || at + 1 >= s.size()) {
            r.mayDeclareEntities = true;  // the root element was not reached
            return r;
        }
        if (s.compare(at, 9, "<!DOCTYPE") == 0) {
            r.mayDeclareEntities = true;
            return r;
        }
        if (s.compare(at, 4, "<!--") == 0) {
            size_t end = s.find("-->", at + 4);
            at = end == std::string::npos ? s.size() : end + 3;
        } else if (s[at + 1] == '?') {
            size_t end = s.find("?>", at + 2);
            at = end == std::string::npos ? s.size() : end + 2;
        } else {
            return r;  // the root element starts here
        }
    }
}

int parseOptions(bool preserveWhiteSpace, const Prolog& prolog) {
    int o = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    if (!preserveWhiteSpace) o |= XML_PARSE_NOBLANKS;
    // Without a DTD no entity can be declared, so the huge-document option cannot open the
    // door to entity expansion; with one, the parser's own limits stay in force.
    if (!prolog.mayDeclareEntities) o |= XML_PARSE_HUGE;
    return o;
}

// ---- Errors ------------------------------------------------------------------------------

// Failures this layer finds itself, beside libxml2's codes.
constexpr int kTooDeep = -1;

struct Capture {
    bool has = false;
    int code = 0;
    std::string message;
    int line = 0;
    int column = 0;
};
thread_local Capture* tCapture = nullptr;

void captureError(void*, xmlErrorPtr e) {
    if (!tCapture || tCapture->has || !e || e->level < XML_ERR_ERROR) return;
    tCapture->has = true;
    tCapture->code = e->code;
    tCapture->message = e->message ? e->message : "";
    while (!tCapture->message.empty() && std::strchr("\r\n ", tCapture->message.back())) tCapture->message.pop_back();
    tCapture->line = e->line;
    tCapture->column = e->int2;
}

struct Mapped {
    uint32_t code;
    const char* reason;  // null: libxml2's own text
};

Mapped mapError(int code) {
    switch (code) {
    case XML_ERR_DOCUMENT_EMPTY: return {0xC00CE558, "XML document must have a top level element."};
    case XML_ERR_DOCUMENT_END: return {0xC00CE556, "Only one top level element is allowed in an XML document."};
    case XML_ERR_TAG_NAME_MISMATCH: return {0xC00CE56D, "End tag does not match the start tag."};
    case XML_ERR_TAG_NOT_FINISHED: return {0xC00CE55F, "The following tags were not closed."};
    case XML_ERR_UNDECLARED_ENTITY:
    case XML_WAR_UNDECLARED_ENTITY: return {0xC00CE002, "Reference to undefined entity."};
    case XML_ERR_ENTITY_LOOP: return {0xC00CE003, "Entity expansion exceeds the allowed limit."};
    case XML_NS_ERR_UNDEFINED_NAMESPACE: return {0xC00CE01D, "Reference to undeclared namespace prefix."};
    case XML_ERR_ATTRIBUTE_WITHOUT_VALUE: return {0xC00CE501, "Missing equals sign between attribute and attribute value."};
    case XML_ERR_ATTRIBUTE_NOT_STARTED:
    case XML_ERR_STRING_NOT_STARTED: return {0xC00CE502, "A string literal was expected, but no opening quote character was found."};
    case XML_ERR_COMMENT_NOT_FINISHED: return {0xC00CE503, "Incorrect syntax was used in a comment."};
    case XML_ERR_NAME_REQUIRED: return {0xC00CE504, "A name was started with an invalid character."};
    case XML_ERR_LT_IN_ATTRIBUTE: return {0xC00CE506, "The character '<' cannot be used in an attribute value."};
    case XML_ERR_XMLDECL_NOT_FINISHED:
    case XML_ERR_XMLDECL_NOT_STARTED:
    case XML_ERR_RESERVED_XML_NAME: return {0xC00CE507, "Invalid syntax for an xml declaration."};
    case XML_ERR_INVALID_CHAR: return {0xC00CE508, "An invalid character was found in text content."};
    case XML_ERR_SPACE_REQUIRED: return {0xC00CE509, "Required white space was missing."};
    case XML_ERR_GT_REQUIRED: return {0xC00CE50A, "The character '>' was expected."};
    case XML_ERR_ENTITYREF_SEMICOL_MISSING: return {0xC00CE50D, "A semi colon character was expected."};
    case kTooDeep: return {0xC00CE500, nullptr};
    default: return {0xC00CE500, nullptr};
    }
}

ParseInfo describe(const Capture& c, const std::string& fallback) {
    ParseInfo info;
    Mapped m = c.has ? mapError(c.code) : Mapped{0xC00CE500, nullptr};
    info.errorCode = int32_t(m.code);
    std::string reason = m.reason ? m.reason : (c.has && !c.message.empty() ? c.message : fallback);
    info.reason = rt::fromUtf8(reason);
    info.line = c.line;
    info.linepos = c.column;
    return info;
}

std::string lineOf(std::istream& in, int line) {
    std::string text;
    for (int i = 1; i <= line && std::getline(in, text); ++i) {
    }
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text.size() > 1000) text.resize(1000);
    return text;
}

// ---- Entity expansion bound ------------------------------------------------------------

constexpr size_t kExpansionFloor = 4u << 20;
constexpr size_t kExpansionFactor = 10;

size_t saturatingAdd(size_t a, size_t b) { return a > SIZE_MAX - b ? SIZE_MAX : a + b; }

class ExpansionMeter {
public:
    explicit ExpansionMeter(xmlDocPtr doc) : doc_(doc) {}

    // Length of an entity's full replacement text, SIZE_MAX for loops.
    size_t sizeOf(xmlEntityPtr e) {
        if (!e || !e->content || e->etype == XML_INTERNAL_PREDEFINED_ENTITY) return e && e->content ? 1 : 0;
        if (auto it = memo_.find(e); it != memo_.end()) return it->second;
        memo_[e] = SIZE_MAX;  // in progress: a reference back here is a loop
        size_t total = 0;
        const char* s = reinterpret_cast<const char*>(e->content);
        for (const char* p = s; *p; ++p) {
            if (*p != '&' || p[1] == '#') {
                ++total;
                continue;
            }
            const char* end = std::strchr(p, ';');
            if (!end) {
                ++total;
                continue;
            }
            std::string name(p + 1, end);
            total = saturatingAdd(total, sizeOf(xmlGetDocEntity(doc_, BAD_CAST name.c_str())));
            p = end;
        }
        memo_[e] = total;
        return total;
    }

private:
    xmlDocPtr doc_;
    std::unordered_map<xmlEntityPtr, size_t> memo_;
};

bool declaresEntities(xmlDocPtr doc) {
    auto has = [](xmlDtdPtr d) { return d && d->entities && xmlHashSize(static_cast<xmlHashTablePtr>(d->entities)) > 0; };
    return has(doc->intSubset) || has(doc->extSubset);
}

// True when the entity references of the tree expand to at most budget characters.
bool expansionWithinBudget(xmlDocPtr doc, size_t budget) {
    if (!declaresEntities(doc)) return true;
    ExpansionMeter meter(doc);
    size_t total = 0;
    std::vector<xmlNodePtr> pending;
    for (xmlNodePtr c = doc->children; c; c = c->next) pending.push_back(c);
    while (!pending.empty()) {
        xmlNodePtr n = pending.back();
        pending.pop_back();
        if (n->type == XML_ENTITY_REF_NODE) {
            total = saturatingAdd(total, meter.sizeOf(xmlGetDocEntity(doc, n->name)));
            if (total > budget) return false;
            continue;
        }
        if (n->type == XML_DTD_NODE) continue;
        for (xmlNodePtr c = n->children; c; c = c->next) pending.push_back(c);
        if (n->type == XML_ELEMENT_NODE)
            for (xmlAttrPtr a = n->properties; a; a = a->next) pending.push_back(reinterpret_cast<xmlNodePtr>(a));
    }
    return true;
}

// ---- Whitespace ----------------------------------------------------------------------------

bool allSpace(const xmlChar* s) {
    for (; s && *s; ++s)
        if (!std::strchr(" \t\r\n", *s)) return false;
    return true;
}

// The parser keeps whitespace that is an element's only content ("<rs:data>\n</rs:data>");
// the document model drops it like any other whitespace between tags.
void endElementDroppingBlankContent(void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri) {
    auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
    xmlNodePtr e = ctxt->node;
    bool preserve = ctxt->space && *ctxt->space == 1;  // -2 only marks content seen
    if (e && !preserve && e->children && e->children == e->last && e->children->type == XML_TEXT_NODE &&
        allSpace(e->children->content)) {
        xmlNodePtr blank = e->children;
        xmlUnlinkNode(blank);
        xmlFreeNode(blank);
    }
    xmlSAX2EndElementNs(ctx, localname, prefix, uri);
}

// ---- Depth ---------------------------------------------------------------------------------

// Records a failure found by this layer while the parser runs (the first one counts) and
// stops the parser; the document it was building is then dropped.
void stopWith(xmlParserCtxtPtr ctxt, int code, std::string message) {
    if (tCapture && !tCapture->has) {
        tCapture->has = true;
        tCapture->code = code;
        tCapture->message = std::move(message);
        tCapture->line = ctxt->input ? ctxt->input->line : 0;
        tCapture->column = ctxt->input ? ctxt->input->col : 0;
    }
    xmlStopParser(ctxt);
}

// The parser keeps an "&" of a namespace URI as "&#38;" (as it does in attribute values,
// which are decoded when their text is built); the URI itself holds the "&".
void decodeAmpersands(xmlNodePtr element) {
    static constexpr char kEncoded[] = "&#38;";
    for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next) {
        const char* href = reinterpret_cast<const char*>(ns->href);
        if (!href || !std::strstr(href, kEncoded)) continue;
        std::string decoded;
        for (const char* p = href; *p;) {
            if (std::strncmp(p, kEncoded, sizeof kEncoded - 1) == 0) {
                decoded += '&';
                p += sizeof kEncoded - 1;
            } else {
                decoded += *p++;
            }
        }
        xmlChar* copy = xmlStrdup(reinterpret_cast<const xmlChar*>(decoded.c_str()));
        if (!copy) continue;  // out of memory: the encoded form stays
        xmlFree(const_cast<xmlChar*>(ns->href));
        ns->href = copy;
    }
}

// Elements deeper than kMaxDepth end the parse (the parser's own limit is lifted for large
// documents, and it would not hold for the trees built from them anyway).
void startElementWithinDepth(void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri,
                             int nbNamespaces, const xmlChar** namespaces, int nbAttributes, int nbDefaulted,
                             const xmlChar** attributes) {
    auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
    if (ctxt->nodeNr >= kMaxDepth) {
        stopWith(ctxt, kTooDeep, "Elements are nested more than " + std::to_string(kMaxDepth) + " levels deep.");
        return;
    }
    xmlSAX2StartElementNs(ctx, localname, prefix, uri, nbNamespaces, namespaces, nbAttributes, nbDefaulted, attributes);
    if (nbNamespaces > 0 && ctxt->node) decodeAmpersands(ctxt->node);
}

// True when the parser stopped before the end of its input: at a NUL character, which it
// takes for the end of the text once the document element is closed.
bool stoppedEarly(xmlParserCtxtPtr ctxt) {
    xmlParserInputPtr in = ctxt->input;
    return in && in->cur && in->end && in->cur < in->end;
}

// ---- Running the parser --------------------------------------------------------------------

template <class Run>
ParseResult runParser(const Prolog& prolog, size_t inputSize, bool preserveWhiteSpace, Run&& run) {
    ParseResult r;
    r.declaration = prolog.declaration;
    r.encoding = prolog.encoding;
    xmlParserCtxtPtr ctxt = rt::fault::injected(rt::fault::Kind::Alloc) ? nullptr : xmlNewParserCtxt();
    if (!ctxt) throw std::bad_alloc();
    ctxt->sax->serror = captureError;
    ctxt->sax->startElementNs = startElementWithinDepth;
    if (!preserveWhiteSpace) ctxt->sax->endElementNs = endElementDroppingBlankContent;
    Capture capture;
    Capture* outer = std::exchange(tCapture, &capture);
    // An injected failure of the parser reads as a document that could not be parsed.
    xmlDocPtr doc = rt::fault::injected(rt::fault::Kind::Xml) ? nullptr : run(ctxt);
    if (doc && !capture.has && stoppedEarly(ctxt)) {
        capture = Capture{true, XML_ERR_INVALID_CHAR, "", ctxt->input->line, ctxt->input->col};
    }
    tCapture = outer;
    bool ok = doc && ctxt->wellFormed && ctxt->nsWellFormed && !capture.has;
    xmlFreeParserCtxt(ctxt);
    if (ok && !expansionWithinBudget(doc, std::max(kExpansionFloor, kExpansionFactor * inputSize))) {
        capture = Capture{true, XML_ERR_ENTITY_LOOP, "", 0, 0};
        ok = false;
    }
    if (!ok) {
        if (doc) xmlFreeDoc(doc);
        r.error = describe(capture, "The document could not be parsed.");
        return r;
    }
    r.doc = doc;
    return r;
}

}  // namespace

ParseResult parseFile(const std::string& path, bool preserveWhiteSpace) {
    ParseResult failed;
    failed.error.errorCode = int32_t(0x800C0006u);
    failed.error.reason = u"The system cannot locate the object specified.";
    if (path.find('\0') != std::string::npos) return failed;  // the system would open another file
    // Not blocking: opening a pipe would wait for a writer. Only regular files are read; a
    // pipe or a device may never end.
    int fd = rt::fault::injected(rt::fault::Kind::File) ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        if (fd >= 0) ::close(fd);
        return failed;
    }
    if (!S_ISREG(st.st_mode) || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        failed.error.errorCode = int32_t(0x800C0005u);
        failed.error.reason = rt::fromUtf8("'" + path + "' is not a regular file.");
        return failed;
    }
    char head[65536];
    ssize_t got = ::pread(fd, head, sizeof head, 0);
    Prolog prolog = readProlog(head, got > 0 ? size_t(got) : 0);
    ParseResult r = runParser(prolog, size_t(st.st_size), preserveWhiteSpace, [&](xmlParserCtxtPtr ctxt) {
        return xmlCtxtReadFd(ctxt, fd, path.c_str(), nullptr, parseOptions(preserveWhiteSpace, prolog));
    });
    ::close(fd);
    if (!r.doc && r.error.line > 0) {
        std::ifstream in(path, std::ios::binary);
        r.error.srcText = rt::fromUtf8(lineOf(in, r.error.line));
    }
    return r;
}

ParseResult parseText(const std::string& utf8, bool preserveWhiteSpace) {
    if (utf8.size() > size_t(INT32_MAX)) {
        ParseResult r;
        r.error.errorCode = int32_t(0x8007000Eu);
        r.error.reason = u"The text is too large to parse.";
        return r;
    }
    Prolog prolog = readProlog(utf8.data(), std::min<size_t>(utf8.size(), 65536));
    ParseResult r = runParser(prolog, utf8.size(), preserveWhiteSpace, [&](xmlParserCtxtPtr ctxt) {
        return xmlCtxtReadMemory(ctxt, utf8.data(), int(utf8.size()), nullptr, "UTF-8",
                                 parseOptions(preserveWhiteSpace, prolog) | XML_PARSE_IGNORE_ENC);
    });
    if (!r.doc && r.error.line > 0) {
        std::istringstream in(utf8);
        r.error.srcText = rt::fromUtf8(lineOf(in, r.error.line));
    }
    return r;
}

}  // namespace dom::detail
