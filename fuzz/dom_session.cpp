// A document loaded from the input, then a random sequence of node operations on it and on a
// second document: moving, inserting, replacing and removing nodes (attributes and nodes of
// the other document given where children are expected), cloning, creating nodes from odd
// names and texts, setting text and attributes, lists, paths and copies. Every call must
// either work or fail cleanly; afterwards every node object is gone again and the markup of
// each document loads again (whitespace and adjacent texts may come back merged or dropped,
// so only loading is checked).
//
// Input: the text loaded first, ended by a backslash and another character; what follows
// drives the session (operations are read from the end of the input, texts from the front).
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dom/dom.h"
#include "dom/native.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "runtime/object.h"

using rt::ComPtr;
using rt::Str;
using rt::Variant;
using namespace dom;

namespace {

constexpr size_t kMaxNodes = 24;
constexpr int kMaxSteps = 64;

const std::array<const char16_t*, 12> kNames = {u"a",     u"b",       u"z:row", u"p:x",   u"xmlns:p", u"xml:lang",
                                               u"rs:data", u"xmlns",  u"s:id",  u"x-1.y", u"a:b:c",   u"1bad"};
const std::array<Str, 14> kTexts = {Str(u""),       Str(u"t"),       Str(u"a--b"),     Str(u"end-"),  Str(u"?>"),
                                    Str(u"]]>"),    Str(u"\x01"),    Str(u"\xFFFF"),   Str(u"a\0b", 3), Str(u"&amp; <"),
                                    Str(u"\xD800"), Str(u"\xD83D\xDE00"), Str(u"urn:p"), Str(u"  \r\n\t ")};
const std::array<const char16_t*, 12> kPaths = {u"//node()", u"//@*",   u"//*",   u"/",        u"..",   u"*",
                                               u"text()",   u"//z:row", u"@*",   u"//comment()", u"/*/*", u"//processing-instruction()"};

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "DOM SESSION: %s\n%s\n", what, detail.c_str());
    std::abort();
}

class Session {
public:
    explicit Session(FuzzedDataProvider& in) : in_(in) {
        docs_[0] = newDocument();
        docs_[1] = newDocument();
    }

    void run(const std::string& first) {
        int16_t ok = 0;
        docs_[0]->loadXML(rt::fromUtf8(first), &ok);
        keep(ComPtr<IXMLDOMNode>(docs_[0].get()));
        keep(ComPtr<IXMLDOMNode>(docs_[1].get()));
        for (int step = 0; step < kMaxSteps && in_.remaining_bytes() > 0; ++step) this->step();
        nodes_.clear();
        for (auto& d : docs_) checkReloads(d.get());
    }

private:
    void step() {
        switch (in_.ConsumeIntegralInRange<int>(0, 25)) {
            case 0: loadText(); break;
            case 1: selectInto(); break;
            case 2: navigate(); break;
            case 3: call([&](IXMLDOMNode* p, ComPtr<IXMLDOMNode>& out) { ComPtr<IXMLDOMNode> c = node(); return p->appendChild(c.get(), out.put()); }); break;
            case 4: {
                ComPtr<IXMLDOMNode> child = node(), ref = node();
                Variant r = ref ? Variant(ref) : (in_.ConsumeBool() ? Variant() : Variant(u"x"));
                call([&](IXMLDOMNode* p, ComPtr<IXMLDOMNode>& out) { return p->insertBefore(child.get(), r, out.put()); });
                break;
            }
            case 5: {
                ComPtr<IXMLDOMNode> fresh = node(), old = node();
                call([&](IXMLDOMNode* p, ComPtr<IXMLDOMNode>& out) { return p->replaceChild(fresh.get(), old.get(), out.put()); });
                break;
            }
            case 6: call([&](IXMLDOMNode* p, ComPtr<IXMLDOMNode>& out) { ComPtr<IXMLDOMNode> c = node(); return p->removeChild(c.get(), out.put()); }); break;
            case 7: {
                int16_t deep = in_.ConsumeBool() ? rt::VARIANT_TRUE : rt::VARIANT_FALSE;
                call([&](IXMLDOMNode* p, ComPtr<IXMLDOMNode>& out) { return p->cloneNode(deep, out.put()); });
                break;
            }
            case 8: create(); break;
            case 9: withElement([&](IXMLDOMElement* e) { e->setAttribute(name(), Variant(text())); }); break;
            case 10: withElement([&](IXMLDOMElement* e) { e->removeAttribute(name()); }); break;
            case 11: if (auto n = node()) n->put_text(text()); break;
            case 12: if (auto n = node()) n->put_nodeValue(Variant(text())); break;
            case 13: characterData(); break;
            case 14: attributes(); break;
            case 15: childList(); break;
            case 16: {
                auto e = node().as<IXMLDOMElement>();
                doc()->putref_documentElement(e.get());
                break;
            }
            case 17: {
                Variant other(ComPtr<IXMLDOMNode>(doc().get()));
                if (in_.ConsumeBool()) doc()->save(other);
                else {
                    int16_t ok = 0;
                    doc()->load(other, &ok);
                }
                break;
            }
            case 18: if (auto n = node()) { Str s; n->get_xml(&s); n->get_text(&s); } break;
            case 19: if (!nodes_.empty()) nodes_.erase(nodes_.begin() + long(pick(nodes_.size()))); break;
            case 20: {
                rt::Variant v(text());
                doc()->setProperty(u"SelectionNamespaces", in_.ConsumeBool() ? v : Variant(u"xmlns:p='urn:p' xmlns:z='#RowsetSchema'"));
                break;
            }
            case 21: if (auto n = node()) { Variant v; n->get_nodeValue(&v); } break;
            case 22: identity(); break;
            case 23: if (auto t = node().as<IXMLDOMText>()) { ComPtr<IXMLDOMText> rest; if (t->splitText(in_.ConsumeIntegralInRange<int32_t>(-1, 8), rest.put()) == rt::S_OK) keep(rest); } break;
            case 24: withElement([&](IXMLDOMElement* e) { ComPtr<IXMLDOMAttribute> a; e->getAttributeNode(name(), a.put()); keep(a); }); break;
            default: {
                ComPtr<IXMLDOMNode> ancestor = node();
                if (!ancestor) break;
                ComPtr<IXMLDOMNodeList> list;
                if (ancestor->selectNodes(text(), list.put()) == rt::S_OK) takeList(list.get());
                break;
            }
        }
    }

    // ---- picking ------------------------------------------------------------------------

    size_t pick(size_t n) { return in_.ConsumeIntegralInRange<size_t>(0, n - 1); }
    ComPtr<IXMLDOMDocument2> doc() { return docs_[in_.ConsumeBool() ? 1 : 0]; }
    // A node of the pool; now and then nothing, to try empty handles.
    ComPtr<IXMLDOMNode> node() {
        if (nodes_.empty()) return nullptr;
        size_t i = in_.ConsumeIntegralInRange<size_t>(0, nodes_.size());
        return i == nodes_.size() ? nullptr : nodes_[i];
    }
    Str name() {
        size_t i = in_.ConsumeIntegralInRange<size_t>(0, kNames.size());
        return i < kNames.size() ? Str(kNames[i]) : rt::fromUtf8(in_.ConsumeRandomLengthString(12));
    }
    Str text() {
        size_t i = in_.ConsumeIntegralInRange<size_t>(0, kTexts.size());
        if (i < kTexts.size()) return kTexts[i];
        std::string raw = in_.ConsumeRandomLengthString(24);
        Str s;
        for (size_t k = 0; k + 1 < raw.size(); k += 2) s.push_back(char16_t(uint8_t(raw[k]) | uint8_t(raw[k + 1]) << 8));
        return s;
    }
    template <class I>
    void keep(const ComPtr<I>& n) {
        if (!n) return;
        ComPtr<IXMLDOMNode> node = n.template as<IXMLDOMNode>();
        if (!node) return;
        if (nodes_.size() >= kMaxNodes) nodes_.erase(nodes_.begin() + long(pick(nodes_.size())));
        nodes_.push_back(node);
    }

    // Runs f on a node of the pool and keeps what it hands out.
    template <class F>
    void call(F&& f) {
        ComPtr<IXMLDOMNode> target = node(), out;
        if (!target) return;
        if (rt::succeeded(f(target.get(), out))) keep(out);
    }
    template <class F>
    void withElement(F&& f) {
        if (auto e = node().as<IXMLDOMElement>()) f(e.get());
    }

    // ---- operations -----------------------------------------------------------------------

    void loadText() {
        int16_t ok = 0;
        doc()->loadXML(rt::fromUtf8(in_.ConsumeRandomLengthString(256)), &ok);
    }

    void selectInto() {
        ComPtr<IXMLDOMNode> context = node();
        if (!context) return;
        ComPtr<IXMLDOMNodeList> list;
        if (context->selectNodes(kPaths[pick(kPaths.size())], list.put()) == rt::S_OK) takeList(list.get());
    }

    void takeList(IXMLDOMNodeList* list) {
        int32_t length = 0;
        list->get_length(&length);
        for (int k = 0; k < 3 && length > 0; ++k) {
            ComPtr<IXMLDOMNode> item;
            list->get_item(in_.ConsumeIntegralInRange<int32_t>(0, length - 1), item.put());
            keep(item);
        }
    }

    void navigate() {
        ComPtr<IXMLDOMNode> n = node(), out;
        if (!n) return;
        switch (in_.ConsumeIntegralInRange<int>(0, 5)) {
            case 0: n->get_firstChild(out.put()); break;
            case 1: n->get_lastChild(out.put()); break;
            case 2: n->get_nextSibling(out.put()); break;
            case 3: n->get_previousSibling(out.put()); break;
            case 4: n->get_parentNode(out.put()); break;
            default: {
                ComPtr<IXMLDOMDocument> owner;
                n->get_ownerDocument(owner.put());
                keep(owner);
                return;
            }
        }
        keep(out);
    }

    void create() {
        auto d = doc();
        switch (in_.ConsumeIntegralInRange<int>(0, 4)) {
            case 0: { ComPtr<IXMLDOMElement> e; d->createElement(name(), e.put()); keep(e); break; }
            case 1: { ComPtr<IXMLDOMText> t; d->createTextNode(text(), t.put()); keep(t); break; }
            case 2: { ComPtr<IXMLDOMComment> c; d->createComment(text(), c.put()); keep(c); break; }
            case 3: { ComPtr<IXMLDOMCDATASection> c; d->createCDATASection(text(), c.put()); keep(c); break; }
            default: { ComPtr<IXMLDOMProcessingInstruction> p; d->createProcessingInstruction(name(), text(), p.put()); keep(p); break; }
        }
    }

    void characterData() {
        auto c = node().as<IXMLDOMCharacterData>();
        if (!c) {
            if (auto p = node().as<IXMLDOMProcessingInstruction>()) p->put_data(text());
            return;
        }
        int32_t at = in_.ConsumeIntegralInRange<int32_t>(-1, 6), count = in_.ConsumeIntegralInRange<int32_t>(-1, 6);
        Str s;
        switch (in_.ConsumeIntegralInRange<int>(0, 4)) {
            case 0: c->appendData(text()); break;
            case 1: c->insertData(at, text()); break;
            case 2: c->deleteData(at, count); break;
            case 3: c->replaceData(at, count, text()); break;
            default: c->substringData(at, count, &s); break;
        }
    }

    void attributes() {
        ComPtr<IXMLDOMNode> n = node();
        if (!n) return;
        ComPtr<IXMLDOMNamedNodeMap> map;
        if (n->get_attributes(map.put()) != rt::S_OK || !map) return;
        ComPtr<IXMLDOMNode> item;
        switch (in_.ConsumeIntegralInRange<int>(0, 2)) {
            case 0: map->get_item(in_.ConsumeIntegralInRange<int32_t>(-1, 4), item.put()); break;
            case 1: map->getNamedItem(name(), item.put()); break;
            default: map->removeNamedItem(name(), item.put()); break;
        }
        keep(item);
    }

    void childList() {
        ComPtr<IXMLDOMNode> n = node();
        if (!n) return;
        ComPtr<IXMLDOMNodeList> list;
        if (n->get_childNodes(list.put()) != rt::S_OK) return;
        ComPtr<IXMLDOMNode> item;
        if (in_.ConsumeBool())
            list->get_item(in_.ConsumeIntegralInRange<int32_t>(-1, 4), item.put());
        else
            list->nextNode(item.put());
        keep(item);
    }

    // The factory hands out the same object for the same node, however it is reached.
    void identity() {
        ComPtr<IXMLDOMNode> n = node();
        if (!n) return;
        if (wrap(nativeNode(n.get())).get() != n.get()) fail("identity", "wrap(nativeNode(n)) is another object");
        ComPtr<IXMLDOMNode> parent, child;
        int32_t type = 0;
        n->get_nodeType(&type);
        if (type == NODE_ATTRIBUTE || n->get_parentNode(parent.put()) != rt::S_OK || !parent) return;
        ComPtr<IXMLDOMNodeList> list;
        parent->get_childNodes(list.put());
        for (list->nextNode(child.put()); child; list->nextNode(child.put()))
            if (child.get() == n.get()) return;
        fail("identity", "a node is not among its parent's children");
    }

    // What a document writes must load again.
    static void checkReloads(IXMLDOMDocument2* d) {
        ComPtr<IXMLDOMElement> root;
        d->get_documentElement(root.put());
        if (!root) return;
        Str xml;
        if (d->get_xml(&xml) != rt::S_OK) fail("xml", "get_xml failed");
        auto again = newDocument();
        int16_t ok = 0;
        again->loadXML(xml, &ok);
        if (ok) return;
        ComPtr<IXMLDOMParseError> e;
        again->get_parseError(e.put());
        int32_t code = 0;
        Str reason;
        e->get_errorCode(&code);
        e->get_reason(&reason);
        // A prefix that no declaration binds, or an entity of another document, is the
        // caller's doing and stays visible as such.
        if (uint32_t(code) == 0xC00CE01Du || uint32_t(code) == 0xC00CE002u) return;
        fail("the markup of a document does not load again", rt::toUtf8(reason) + "\n" + rt::toUtf8(xml));
    }

    FuzzedDataProvider& in_;
    std::array<ComPtr<IXMLDOMDocument2>, 2> docs_;
    std::vector<ComPtr<IXMLDOMNode>> nodes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    long before = rt::liveObjectCount().load();
    {
        FuzzedDataProvider in(data, size);
        std::string first = in.ConsumeRandomLengthString(4096);
        Session(in).run(first);
    }
    if (rt::liveObjectCount().load() != before) fail("objects outlived the session", std::to_string(rt::liveObjectCount().load() - before));
    return 0;
}
