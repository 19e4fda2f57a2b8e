// The document object: loading, saving, creating nodes, named properties, the class
// registration and the native bridge.
#include <fcntl.h>
#include <libxml/parser.h>
#include <libxml/xmlsave.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dom/native.h"
#include "dom/objects.h"
#include "runtime/classes.h"
#include "runtime/convert.h"
#include "runtime/fault.h"

namespace dom::detail {

std::string declarationText(xmlDocPtr doc, const std::string& encoding);

namespace {

xmlDocPtr newEmptyTree() {
    xmlDocPtr d = xmlNewDoc(BAD_CAST "1.0");
    if (!d) throw std::bad_alloc();
    return d;
}

bool isUtf8(const std::string& encoding) {
    std::string e = rt::toUtf8(rt::asciiLower(rt::fromUtf8(encoding)));
    return e.empty() || e == "utf-8" || e == "utf8";
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Paths written for the other platform ("xml\fdtemplate.xml") name the same file with "/".
std::string localPath(const rt::Str& path, bool forWriting) {
    std::string p = rt::toUtf8(path);
    if (p.rfind("file://", 0) == 0) p.erase(0, 7);
    if (p.find('\\') == std::string::npos || exists(p)) return p;
    std::string slashed = p;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    if (forWriting || exists(slashed)) return slashed;
    return p;
}

[[noreturn]] void raiseFileError(int err, const rt::Str& path) {
    rt::Str what = u"'" + path + u"'";
    switch (err) {
    case ENOENT:
    case ENOTDIR: rt::raise(rt::kErrPathNotFound, u"Path not found: " + what);
    case EACCES:
    case EPERM:
    case EROFS: rt::raise(rt::kErrPermissionDenied, u"Permission denied: " + what);
    default: rt::raise(75, u"Path/File access error: " + what);
    }
}

// Visual Basic's "Bad file name or number".
constexpr int32_t kErrBadFileName = 52;

// The outcome of text that holds a character no document can hold at position at (a NUL
// would otherwise end the text there, silently).
ParseResult invalidCharacterAt(const rt::Str& text, size_t at) {
    ParseResult r;
    r.error.errorCode = int32_t(0xC00CE508u);
    r.error.reason = u"An invalid character was found in text content.";
    size_t lineStart = 0;
    int32_t line = 1;
    for (size_t i = 0; i < at; ++i)
        if (text[i] == u'\n') {
            ++line;
            lineStart = i + 1;
        }
    r.error.line = line;
    r.error.linepos = int32_t(at - lineStart + 1);
    r.error.filepos = int32_t(at);
    size_t lineEnd = text.find(u'\n', lineStart);
    r.error.srcText = text.substr(lineStart, std::min<size_t>(lineEnd == rt::Str::npos ? text.size() - lineStart : lineEnd - lineStart, 1000));
    for (char16_t& c : r.error.srcText)
        if (c == 0 || (c >= 0xD800 && c <= 0xDFFF)) c = u'?';
    return r;
}

void ensureLibrary() {
    static const bool ready = (xmlInitParser(), true);
    (void)ready;
}

}  // namespace

DocumentObject::DocumentObject() : NodeImpl(nullptr, nullptr) {
    ensureLibrary();
    xmlDocPtr d = newEmptyTree();
    tree_ = new Tree(d, this);
    node_ = reinterpret_cast<xmlNodePtr>(d);
}

DocumentObject::~DocumentObject() = default;

void DocumentObject::replaceTree(xmlDocPtr fresh, bool declaration, std::string encoding) {
    Tree* old = tree_;
    for (xmlNodePtr c = old->doc->children; c;) {
        xmlNodePtr next = c->next;
        if (c->type != XML_DTD_NODE) {
            xmlUnlinkNode(c);
            settleDetached(c);
        }
        c = next;
    }
    tree_ = new Tree(fresh, this);
    node_ = reinterpret_cast<xmlNodePtr>(fresh);
    declaration_ = declaration;
    encoding_ = std::move(encoding);
    noteMutation();
    old->release();
}

void DocumentObject::clear() { replaceTree(newEmptyTree(), false, {}); }

rt::Str DocumentObject::markup() const { return rt::fromUtf8(documentMarkup(doc(), declaration_, {})); }

template <class I>
void DocumentObject::create(xmlNodePtr n, I** out) {
    if (!n) throw std::bad_alloc();
    rt::ComPtr<I> obj = wrapAs<I>(n);  // from here the node object owns the new node
    rt::assignOut(out, obj);
}

rt::HRESULT DocumentObject::get_documentElement(IXMLDOMElement** r) {
    DOM_GUARD(putNodeAs(need(r), xmlDocGetRootElement(doc())));
}

rt::HRESULT DocumentObject::putref_documentElement(IXMLDOMElement* root) {
    DOM_GUARD({
        NodeCore& e = requireCore(root, u"documentElement");
        if (e.node()->type != XML_ELEMENT_NODE) refuse("The document element must be an element.");
        xmlNodePtr old = xmlDocGetRootElement(doc());
        if (old == e.node()) return;
        insertChild(node(), e.node(), nullptr, old);
    });
}

rt::HRESULT DocumentObject::createElement(const rt::Str& name, IXMLDOMElement** r) {
    DOM_GUARD({
        need(r);
        std::string n = checkedName(name, "element");
        if (n.find(':') != std::string::npos) tree()->unboundPrefixes = true;
        create(xmlNewDocNode(doc(), nullptr, BAD_CAST n.c_str(), nullptr), r);
    });
}

rt::HRESULT DocumentObject::createTextNode(const rt::Str& data, IXMLDOMText** r) {
    DOM_GUARD(need(r); create(newText(doc(), checkedContent(XML_TEXT_NODE, data)), r));
}

rt::HRESULT DocumentObject::createComment(const rt::Str& data, IXMLDOMComment** r) {
    DOM_GUARD(need(r); create(xmlNewDocComment(doc(), BAD_CAST checkedContent(XML_COMMENT_NODE, data).c_str()), r));
}

rt::HRESULT DocumentObject::createCDATASection(const rt::Str& data, IXMLDOMCDATASection** r) {
    DOM_GUARD({
        need(r);
        std::string d = checkedContent(XML_CDATA_SECTION_NODE, data);
        create(xmlNewCDataBlock(doc(), BAD_CAST d.data(), int(d.size())), r);
    });
}

rt::HRESULT DocumentObject::createProcessingInstruction(const rt::Str& target, const rt::Str& data,
                                                        IXMLDOMProcessingInstruction** r) {
    DOM_GUARD({
        need(r);
        std::string t = checkedName(target, "processing instruction");
        // In a document with namespaces a target holds no colon.
        if (t.find(':') != std::string::npos) refuse("'" + t + "' is not a valid processing instruction name.");
        if (rt::asciiLower(target) == u"xml") refuse("The XML declaration cannot be created as a processing instruction.");
        create(xmlNewDocPI(doc(), BAD_CAST t.c_str(), BAD_CAST checkedContent(XML_PI_NODE, data).c_str()), r);
    });
}

// ---- Loading -----------------------------------------------------------------------------

bool DocumentObject::loadFile(const rt::Str& path) {
    ParseResult r;
    if (firstUnconvertible(path) != rt::Str::npos) {
        // The system would read the name only up to a NUL: another file.
        r.error.errorCode = int32_t(rt::E_INVALIDARG);
        r.error.reason = u"The file name holds a NUL character or an unpaired surrogate.";
    } else {
        r = parseFile(localPath(path, false), preserveWhiteSpace_ != 0);
    }
    if (!r.doc) {
        clear();
        parse_ = r.error;
        parse_.url = path;
        url_.clear();
        return false;
    }
    replaceTree(r.doc, r.declaration, r.encoding);
    parse_ = ParseInfo{};
    url_ = path;
    return true;
}

bool DocumentObject::loadCopy(rt::IUnknown* source) {
    NodeCore* c = coreOf(source);
    xmlNodePtr n = c ? c->node() : nullptr;
    if (!n || n->type != XML_DOCUMENT_NODE) {
        clear();
        parse_ = ParseInfo{};
        parse_.errorCode = int32_t(rt::E_INVALIDARG);
        parse_.reason = u"The source is neither a file path nor a document.";
        return false;
    }
    auto* src = static_cast<DocumentObject*>(c->owner());
    xmlDocPtr copy = xmlCopyDoc(reinterpret_cast<xmlDocPtr>(n), 1);
    if (!copy) throw std::bad_alloc();
    bool declaration = src->declaration_;
    std::string encoding = src->encoding_;
    replaceTree(copy, declaration, encoding);
    parse_ = ParseInfo{};
    return true;
}

rt::HRESULT DocumentObject::load(const rt::Variant& source, int16_t* ok) {
    DOM_GUARD({
        need(ok);
        const rt::Variant& s = source.deref();
        bool done = false;
        if (s.isString())
            done = loadFile(s.str());
        else
            done = loadCopy(s.isObject() ? s.object().get() : nullptr);
        *ok = done ? rt::VARIANT_TRUE : rt::VARIANT_FALSE;
    });
}

rt::HRESULT DocumentObject::loadXML(const rt::Str& xml, int16_t* ok) {
    DOM_GUARD({
        need(ok);
        size_t bad = firstUnconvertible(xml);
        ParseResult r = bad == rt::Str::npos ? parseText(rt::toUtf8(xml), preserveWhiteSpace_ != 0)
                                             : invalidCharacterAt(xml, bad);
        url_.clear();
        if (!r.doc) {
            clear();
            parse_ = r.error;
            *ok = rt::VARIANT_FALSE;
            return;
        }
        replaceTree(r.doc, r.declaration, r.encoding);
        parse_ = ParseInfo{};
        *ok = rt::VARIANT_TRUE;
    });
}

rt::HRESULT DocumentObject::get_parseError(IXMLDOMParseError** r) {
    DOM_GUARD(rt::assignOut(need(r), makeParseError(parse_)));
}

// ---- Saving ------------------------------------------------------------------------------

namespace {

// Where a save writes. Beside a regular (or new) file: a fresh file in the same folder that
// replaces the target once complete, so that a save failing part-way leaves the old document
// whole. Anything else (a device, a pipe): the target itself.
struct SaveTarget {
    int fd = -1;
    std::string writing;  // the file written
    bool replaces = false;
};

// The file a save replaces: the one a symbolic link names, so that the link stays a link.
std::string replacedFile(const std::string& target) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return target;
    char* real = ::realpath(target.c_str(), nullptr);
    if (!real) return target;  // a dangling link: written as the link's own name
    std::string resolved = real;
    std::free(real);
    return resolved;
}

SaveTarget openSaveTarget(const std::string& target, const rt::Str& path) {
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    bool inPlace = exists && !S_ISREG(st.st_mode);
    SaveTarget t;
    for (int attempt = 0;; ++attempt) {
        t.replaces = !inPlace;
        t.writing = inPlace ? target : target + ".~" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        // Not blocking: a pipe that nobody reads is an error rather than a wait without end.
        const int flags = (inPlace ? O_WRONLY | O_TRUNC : O_WRONLY | O_CREAT | O_EXCL) | O_CLOEXEC | O_NONBLOCK;
        errno = EIO;
        t.fd = rt::fault::injected(rt::fault::Kind::File) ? -1 : ::open(t.writing.c_str(), flags, 0666);
        // The replacement keeps the permissions of the file it replaces: a private document
        // stays private.
        const bool ready = t.fd >= 0 && (!t.replaces || !exists || ::fchmod(t.fd, st.st_mode & 07777) == 0) &&
                           ::fcntl(t.fd, F_SETFL, ::fcntl(t.fd, F_GETFL) & ~O_NONBLOCK) == 0;
        if (ready) return t;
        const int err = errno;
        if (t.fd >= 0) {
            ::close(t.fd);
            if (t.replaces) ::unlink(t.writing.c_str());  // ours: made with O_EXCL
        }
        // A folder the caller may not write to still lets an existing writable file be saved
        // over, as it always could; only the protection against a half-written file is lost.
        if (t.replaces && exists && (err == EACCES || err == EROFS || err == EPERM)) {
            inPlace = true;
            continue;
        }
        if (err != EEXIST || attempt >= 100) raiseFileError(err, path);
    }
}

// Closes what was written and puts it in place; on failure removes it and raises the error.
void finishSave(SaveTarget& t, const std::string& target, const rt::Str& path, bool written) {
    int err = written ? 0 : EIO;
    const int closed = ::close(t.fd);
    const int closeErr = errno;
    if (!err && (closed != 0 || rt::fault::injected(rt::fault::Kind::File))) err = closed != 0 ? closeErr : EIO;
    if (!err && t.replaces) {
        if (rt::fault::injected(rt::fault::Kind::File)) err = EIO;
        else if (::rename(t.writing.c_str(), target.c_str()) != 0) err = errno;
    }
    if (!err) return;
    if (t.replaces) ::unlink(t.writing.c_str());
    raiseFileError(err, path);
}

}  // namespace

void DocumentObject::saveFile(const rt::Str& path) {
    xmlCharEncodingHandlerPtr encoder = nullptr;
    if (!isUtf8(encoding_)) {
        encoder = xmlFindCharEncodingHandler(encoding_.c_str());
        if (!encoder) refuse("The document cannot be saved in the encoding '" + encoding_ + "'.");
    }
    if (firstUnconvertible(path) != rt::Str::npos) {
        if (encoder) xmlCharEncCloseFunc(encoder);
        rt::raise(kErrBadFileName, u"Bad file name: the name holds a NUL character or an unpaired surrogate.");
    }
    const std::string target = replacedFile(localPath(path, true));
    SaveTarget t;
    try {
        t = openSaveTarget(target, path);
    } catch (...) {
        if (encoder) xmlCharEncCloseFunc(encoder);
        throw;
    }
    xmlOutputBufferPtr out = rt::fault::injected(rt::fault::Kind::Alloc) ? nullptr : xmlOutputBufferCreateFd(t.fd, encoder);
    if (!out) {
        if (encoder) xmlCharEncCloseFunc(encoder);  // not taken over by a buffer never made
        ::close(t.fd);
        if (t.replaces) ::unlink(t.writing.c_str());
        throw std::bad_alloc();
    }
    const char* enc = isUtf8(encoding_) ? "UTF-8" : encoding_.c_str();
    if (doc()->children) {
        if (declaration_ || !encoding_.empty()) xmlOutputBufferWriteString(out, declarationText(doc(), encoding_).c_str());
        for (xmlNodePtr c = doc()->children; c; c = c->next) {
            dump(out, c, enc);
            xmlOutputBufferWriteString(out, "\r\n");
        }
    }
    const int written = xmlOutputBufferClose(out);
    finishSave(t, target, path, written >= 0 && !rt::fault::injected(rt::fault::Kind::Xml));
}

rt::HRESULT DocumentObject::save(const rt::Variant& destination) {
    DOM_GUARD({
        const rt::Variant& d = destination.deref();
        if (d.isString()) {
            saveFile(d.str());
            return;
        }
        NodeCore* c = d.isObject() ? coreOf(d.object().get()) : nullptr;
        if (!c || c->node()->type != XML_DOCUMENT_NODE)
            rt::raiseStatus(rt::E_INVALIDARG, u"The destination must be a file path or a document.");
        auto* target = static_cast<DocumentObject*>(c->owner());
        if (target == this) return;
        xmlDocPtr copy = xmlCopyDoc(doc(), 1);
        if (!copy) throw std::bad_alloc();
        target->replaceTree(copy, declaration_, encoding_);
        target->parse_ = ParseInfo{};
    });
}

// ---- Named properties ----------------------------------------------------------------------

namespace {

// "xmlns:a='uri' xmlns:b=\"uri\"" -> prefix/uri pairs; throws on malformed text.
std::vector<SelectionNamespace> parseSelectionNamespaces(const std::string& text) {
    std::vector<SelectionNamespace> out;
    size_t i = 0;
    auto skipSpace = [&] {
        while (i < text.size() && std::strchr(" \t\r\n", text[i])) ++i;
    };
    for (skipSpace(); i < text.size(); skipSpace()) {
        size_t eq = text.find('=', i);
        if (eq == std::string::npos || eq + 1 >= text.size()) refuse("SelectionNamespaces: a declaration has no value.");
        std::string name = text.substr(i, eq - i);
        while (!name.empty() && std::strchr(" \t", name.back())) name.pop_back();
        char quote = text[eq + 1];
        size_t end = (quote == '"' || quote == '\'') ? text.find(quote, eq + 2) : std::string::npos;
        if (end == std::string::npos) refuse("SelectionNamespaces: a namespace URI is not quoted.");
        std::string uri = text.substr(eq + 2, end - eq - 2);
        if (name.rfind("xmlns:", 0) == 0 && name.size() > 6)
            out.push_back({name.substr(6), uri});
        else if (name != "xmlns")
            refuse("SelectionNamespaces: '" + name + "' is not a namespace declaration.");
        i = end + 1;
    }
    return out;
}

}  // namespace

rt::HRESULT DocumentObject::getProperty(const rt::Str& name, rt::Variant* r) {
    DOM_GUARD({
        need(r);
        if (name == u"SelectionLanguage")
            *r = rt::Variant(selectionLanguage_);
        else if (name == u"SelectionNamespaces")
            *r = rt::Variant(selectionNsText_);
        else
            refuse("Property name is invalid: '" + rt::toUtf8(name) + "'.");
    });
}

rt::HRESULT DocumentObject::setProperty(const rt::Str& name, const rt::Variant& value) {
    DOM_GUARD({
        rt::Str v = rt::toText(value.deref());
        if (name == u"SelectionLanguage") {
            if (v != u"XPath" && v != u"XSLPattern") refuse("SelectionLanguage must be XPath or XSLPattern.");
            selectionLanguage_ = v;
        } else if (name == u"SelectionNamespaces") {
            selectionNs_ = parseSelectionNamespaces(wholeUtf8(v, "SelectionNamespaces value"));
            selectionNsText_ = v;
        } else {
            refuse("Property name is invalid: '" + rt::toUtf8(name) + "'.");
        }
    });
}

// ---- Registration ------------------------------------------------------------------------

namespace {

rt::HRESULT createDocument(const rt::IID& iid, void** out) {
    auto doc = rt::makeObject<DocumentObject>();
    return doc->QueryInterface(iid, out);
}

const rt::ClassRegistrar kVersionIndependent("MSXML2.DOMDocument", CLSID_DOMDocument, createDocument,
                                              &IXMLDOMDocument2::info);
const rt::ClassRegistrar kVersion3("MSXML2.DOMDocument.3.0", CLSID_DOMDocument30, createDocument,
                                   &IXMLDOMDocument2::info);
const rt::ClassRegistrar kLegacy("Microsoft.XMLDOM", CLSID_XMLDOM, createDocument, &IXMLDOMDocument2::info);

}  // namespace

}  // namespace dom::detail

namespace dom {

using detail::DocumentObject;

rt::ComPtr<IXMLDOMDocument2> newDocument() {
    auto doc = rt::makeObject<DocumentObject>();
    return rt::ComPtr<IXMLDOMDocument2>(static_cast<IXMLDOMDocument2*>(doc.get()));
}

namespace {

DocumentObject* ourDocument(IXMLDOMDocument* doc) {
    detail::NodeCore* c = detail::coreOf(doc);
    if (!c || c->node()->type != XML_DOCUMENT_NODE) return nullptr;
    return c->owner();
}

}  // namespace

void FreeTree::operator()(xmlDocPtr tree) const noexcept {
    if (tree) xmlFreeDoc(tree);
}

xmlDocPtr nativeDocument(IXMLDOMDocument* doc) {
    DocumentObject* d = ourDocument(doc);
    if (!d || !xmlDocGetRootElement(d->doc())) return nullptr;
    return d->doc();
}

void resetDocument(IXMLDOMDocument* doc, xmlDocPtr tree) {
    if (tree && detail::treeOf(tree)) rt::raiseStatus(rt::E_INVALIDARG, u"The tree already belongs to a document.");
    if (!doc) {
        if (tree) xmlFreeDoc(tree);
        rt::raise(rt::kErrObjectRequired, u"Object required: the document is nothing.");
    }
    DocumentObject* d = ourDocument(doc);
    if (!d || !tree) {
        if (tree) xmlFreeDoc(tree);
        rt::raiseStatus(rt::E_INVALIDARG, u"The document is not one of this object model, or the tree is missing.");
    }
    std::string encoding = tree->encoding ? reinterpret_cast<const char*>(tree->encoding) : "";
    d->replaceTree(tree, false, encoding);
    d->resetOutcome();
}

}  // namespace dom
