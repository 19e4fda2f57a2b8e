// Hostile input and misuse: entity expansion, external resources, empty handles.
#include "dom_testing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <thread>

using namespace dom;
using namespace dom::testing;

namespace {

std::string laughs(const std::string& use) {
    std::string x = "<?xml version='1.0'?><!DOCTYPE lolz [<!ENTITY lol 'lol'>";
    x += "<!ENTITY lol1 '&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;'>";
    for (int i = 2; i <= 9; ++i) {
        std::string prev = "&lol" + std::to_string(i - 1) + ";";
        std::string body;
        for (int k = 0; k < 10; ++k) body += prev;
        x += "<!ENTITY lol" + std::to_string(i) + " '" + body + "'>";
    }
    return x + "]>" + use;
}

bool loads(IXMLDOMDocument* doc, const std::string& xml) {
    int16_t ok = 0;
    rt::check(doc->loadXML(rt::fromUtf8(xml), &ok));
    return ok == rt::VARIANT_TRUE;
}

double secondsFor(const std::function<void()>& f) {
    auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(DomSafety, BillionLaughsIsRejectedQuickly) {
    for (const std::string& use : {std::string("<lolz>&lol9;</lolz>"), std::string("<lolz a='&lol9;'/>")}) {
        auto doc = newDocument();
        bool ok = true;
        double s = secondsFor([&] { ok = loads(doc.get(), laughs(use)); });
        EXPECT_FALSE(ok) << use;
        EXPECT_LT(s, 2.0) << use;
        EXPECT_FALSE(rootOf(doc.get()));
        ComPtr<IXMLDOMParseError> e;
        rt::check(doc->get_parseError(e.put()));
        int32_t code = 0;
        rt::check(e->get_errorCode(&code));
        EXPECT_NE(code, 0);
    }
    TempDir dir;
    auto doc = newDocument();
    int16_t ok = 1;
    double s = secondsFor([&] {
        rt::check(doc->load(rt::Variant(rt::fromUtf8(dir.write("lol.xml", laughs("<lolz>&lol9;</lolz>")))), &ok));
    });
    EXPECT_EQ(ok, rt::VARIANT_FALSE);
    EXPECT_LT(s, 2.0);
}

TEST(DomSafety, ManyReferencesToALargeEntityAreBounded) {
    std::string big(100000, 'x');
    std::string body;
    for (int i = 0; i < 2000; ++i) body += "&big;";
    auto doc = newDocument();
    EXPECT_FALSE(loads(doc.get(), "<!DOCTYPE r [<!ENTITY big '" + big + "'>]><r>" + body + "</r>"));
    EXPECT_TRUE(loads(doc.get(), "<!DOCTYPE r [<!ENTITY co 'Ostrel Ltd.'>]><r>&co; and &co;</r>"))
        << "ordinary entities still work";
    EXPECT_EQ(textOf(rootOf(doc.get()).get()), "Ostrel Ltd. and Ostrel Ltd.");
}

TEST(DomSafety, ExternalEntitiesAndDtdsAreNotFetched) {
    TempDir dir;
    std::string secret = dir.write("secret.txt", "TOP-SECRET");
    std::string dtd = dir.write("ext.dtd", "<!ATTLIST r added CDATA 'from-dtd'><!ENTITY leak 'LEAKED'>");
    auto doc = newDocument();
    std::string withEntity = "<!DOCTYPE r [<!ENTITY e SYSTEM 'file://" + secret + "'>]><r>&e;</r>";
    if (loads(doc.get(), withEntity)) {
        EXPECT_EQ(xmlOf(doc.get()).find("TOP-SECRET"), std::string::npos);
        EXPECT_EQ(textOf(doc.get()).find("TOP-SECRET"), std::string::npos);
    }
    std::string withDtd = "<!DOCTYPE r SYSTEM 'file://" + dtd + "'><r/>";
    ASSERT_TRUE(loads(doc.get(), withDtd));
    EXPECT_EQ(attr(rootOf(doc.get()).get(), "added"), "<null>") << "the external DTD was not read";
    std::string path = dir.write("doc.xml", withEntity);
    int16_t ok = 0;
    rt::check(doc->load(rt::Variant(rt::fromUtf8(path)), &ok));
    if (ok) {
        EXPECT_EQ(xmlOf(doc.get()).find("TOP-SECRET"), std::string::npos);
    }
    // Nothing is fetched over the network either (this must answer at once, not time out).
    double s = secondsFor([&] { loads(doc.get(), "<!DOCTYPE r SYSTEM 'http://127.0.0.1:9/x.dtd'><r/>"); });
    EXPECT_LT(s, 2.0);
}

TEST(DomSafety, LargeTextNodesLoad) {
    std::string text(12u << 20, 'a');  // beyond the parser's default limit for one text node
    auto doc = newDocument();
    ASSERT_TRUE(loads(doc.get(), "<r>" + text + "</r>"));
    Str t;
    rt::check(rootOf(doc.get())->get_text(&t));
    EXPECT_EQ(t.size(), text.size());
}

TEST(DomSafety, EmptyDocumentIsHarmless) {
    auto doc = newDocument();
    EXPECT_FALSE(rootOf(doc.get()));
    EXPECT_EQ(xmlOf(doc.get()), "");
    EXPECT_EQ(textOf(doc.get()), "");
    EXPECT_FALSE(select(doc.get(), "//x"));
    EXPECT_EQ(select(doc.get(), "/").get(), static_cast<IXMLDOMNode*>(doc.get()));
    ComPtr<IXMLDOMNodeList> list;
    rt::check(doc->selectNodes(u"//*", list.put()));
    EXPECT_EQ(lengthOf(list.get()), 0);
    EXPECT_EQ(lengthOf(children(doc.get()).get()), 0);
    ComPtr<IXMLDOMNode> n;
    rt::check(doc->get_firstChild(n.put()));
    EXPECT_FALSE(n);
    ComPtr<IXMLDOMParseError> e;
    rt::check(doc->get_parseError(e.put()));
    int32_t code = 1;
    rt::check(e->get_errorCode(&code));
    EXPECT_EQ(code, 0);
    TempDir dir;
    rt::check(doc->save(rt::Variant(rt::fromUtf8(dir.file("empty.xml")))));
    EXPECT_EQ(TempDir::read(dir.file("empty.xml")), "");
}

TEST(DomSafety, NothingArgumentsAreClearErrors) {
    auto doc = parsed("<r><a/></r>");
    auto r = rootOf(doc.get());
    ComPtr<IXMLDOMNode> out;
    EXPECT_EQ(errorOf([&] { rt::check(r->appendChild(nullptr, out.put())); }), 424);
    EXPECT_EQ(errorOf([&] { rt::check(r->insertBefore(nullptr, rt::Variant(), out.put())); }), 424);
    EXPECT_EQ(errorOf([&] { rt::check(r->removeChild(nullptr, out.put())); }), 424);
    EXPECT_EQ(errorOf([&] { rt::check(r->replaceChild(nullptr, nullptr, out.put())); }), 424);
    EXPECT_EQ(errorOf([&] { rt::check(doc->putref_documentElement(nullptr)); }), 424);
    EXPECT_EQ(errorOf([&] { rt::check(doc->replaceChild(element(doc.get(), "x").get(), nullptr, out.put())); }), 424);
    EXPECT_EQ(errorOf([&] { rt::check(r->get_xml(nullptr)); }), int32_t(rt::E_POINTER));
    // Late-bound, a nothing argument reaches the method the same way.
    EXPECT_EQ(errorOf([&] { rt::callMethod(r.get(), u"appendChild", {rt::Variant::nothing()}); }), 424);
    EXPECT_EQ(xmlOf(doc.get()), "<r><a/></r>\r\n");
}

TEST(DomSafety, BadNamesAreRefused) {
    auto doc = newDocument();
    ComPtr<IXMLDOMElement> e;
    for (const char16_t* bad : {u"", u"1x", u"a b", u"<x>", u"a:"}) {
        EXPECT_NE(errorOf([&] { rt::check(doc->createElement(bad, e.put())); }), 0) << u8(bad);
    }
    EXPECT_EQ(errorOf([&] { rt::check(doc->createElement(u"fine-name.x", e.put())); }), 0);
}

namespace {

std::string nested(int depth, const std::string& inner = "x") {
    std::string x;
    x.reserve(size_t(depth) * 8 + inner.size());
    for (int i = 0; i < depth; ++i) x += "<a>";
    x += inner;
    for (int i = 0; i < depth; ++i) x += "</a>";
    return x;
}

int32_t parseErrorCode(IXMLDOMDocument* doc, Str* reason = nullptr) {
    ComPtr<IXMLDOMParseError> e;
    rt::check(doc->get_parseError(e.put()));
    int32_t code = 0;
    rt::check(e->get_errorCode(&code));
    if (reason) rt::check(e->get_reason(reason));
    return code;
}

// Runs body on a thread of its own and waits at most a few seconds for it. On time-out,
// unblock is called, which must make body return; when even that does not help, the
// program stops here rather than wait forever.
void finishesQuickly(const std::function<void()>& body, const std::function<void()>& unblock) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread worker([&body, done] {
        body();
        done->set_value();
    });
    bool inTime = finished.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    if (!inTime) {
        unblock();
        if (finished.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            std::fprintf(stderr, "the call blocked and could not be released\n");
            std::abort();
        }
    }
    worker.join();
    EXPECT_TRUE(inTime) << "the call blocked";
}

}  // namespace

TEST(DomSafety, DeepNestingIsAParseError) {
    TempDir dir;
    for (const std::string& prolog : {std::string(), std::string("<?xml version='1.0'?><!DOCTYPE a>")}) {
        SCOPED_TRACE(prolog);
        auto doc = parsed("<kept/>");
        EXPECT_FALSE(loads(doc.get(), prolog + nested(70000)));
        EXPECT_FALSE(rootOf(doc.get()));
        Str reason;
        EXPECT_EQ(uint32_t(parseErrorCode(doc.get(), &reason)), 0xC00CE500u);
        EXPECT_EQ(u8(reason), "Elements are nested more than 256 levels deep.");
        EXPECT_FALSE(loads(doc.get(), prolog + nested(257)));
        EXPECT_TRUE(loads(doc.get(), prolog + nested(256)));
        int16_t ok = 1;
        rt::check(doc->load(rt::Variant(rt::fromUtf8(dir.write("deep.xml", prolog + nested(70000)))), &ok));
        EXPECT_EQ(ok, rt::VARIANT_FALSE);
    }
}

TEST(DomSafety, DocumentsAtTheDepthLimitCloneSaveAndCopy) {
    TempDir dir;
    auto doc = newDocument();
    ASSERT_TRUE(loads(doc.get(), nested(256, "<!--c-->t")));
    ComPtr<IXMLDOMNode> copy;
    rt::check(doc->cloneNode(rt::VARIANT_TRUE, copy.put()));
    rt::check(rootOf(doc.get())->cloneNode(rt::VARIANT_TRUE, copy.put()));
    auto other = newDocument();
    int16_t ok = 0;
    rt::check(other->load(rt::Variant(ComPtr<IXMLDOMNode>(doc.get())), &ok));
    EXPECT_EQ(ok, rt::VARIANT_TRUE);
    rt::check(doc->save(rt::Variant(ComPtr<IXMLDOMNode>(other.get()))));
    rt::check(doc->save(rt::Variant(rt::fromUtf8(dir.file("deep.xml")))));
    rt::check(other->load(rt::Variant(rt::fromUtf8(dir.file("deep.xml"))), &ok));
    EXPECT_EQ(ok, rt::VARIANT_TRUE);
    EXPECT_EQ(xmlOf(other.get()), xmlOf(doc.get()));
}

TEST(DomSafety, TreesCannotBeBuiltDeeperThanTheLimit) {
    auto doc = newDocument();
    ASSERT_TRUE(loads(doc.get(), nested(255)));
    ComPtr<IXMLDOMNode> deepest = select(doc.get(), "//a[not(*)]"), out;
    ASSERT_TRUE(deepest);
    append(deepest.get(), element(doc.get(), "last").get());  // level 256
    ComPtr<IXMLDOMNode> last = select(doc.get(), "//last");
    EXPECT_EQ(errorOf([&] { rt::check(last->appendChild(element(doc.get(), "over").get(), out.put())); }),
              int32_t(rt::E_FAIL));
    EXPECT_EQ(descriptionOf([&] { rt::check(last->appendChild(element(doc.get(), "over").get(), out.put())); }),
              "Elements cannot be nested more than 256 levels deep.");
    // Nor by inserting a subtree whose own depth carries it over the limit, or by chaining
    // detached elements and then inserting the chain.
    auto chain = parsed(nested(3));
    ComPtr<IXMLDOMNode> top = rootOf(chain.get()).as<IXMLDOMNode>();
    ComPtr<IXMLDOMNode> level254 = select(doc.get(), "//a[count(ancestor::*) = 253]");
    ASSERT_TRUE(level254);
    EXPECT_EQ(errorOf([&] { rt::check(level254->appendChild(top.get(), out.put())); }), int32_t(rt::E_FAIL));
    EXPECT_EQ(xmlOf(chain.get()), nested(3) + "\r\n") << "the refused subtree stays where it was";
    ComPtr<IXMLDOMNode> head = element(doc.get(), "c").as<IXMLDOMNode>(), tail = head;
    int32_t refused = 0;
    for (int i = 0; i < 300 && !refused; ++i) {
        ComPtr<IXMLDOMNode> next = element(doc.get(), "c").as<IXMLDOMNode>();
        refused = errorOf([&] { rt::check(tail->appendChild(next.get(), out.put())); });
        tail = next;
    }
    EXPECT_EQ(refused, int32_t(rt::E_FAIL)) << "a detached chain is capped too";
    ComPtr<IXMLDOMNode> copy;
    rt::check(head->cloneNode(rt::VARIANT_TRUE, copy.put()));
}

TEST(DomSafety, LoadingAPipeOrADeviceIsAnError) {
    TempDir dir;
    std::string fifo = dir.file("pipe.xml");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto doc = parsed("<kept/>");
    int16_t ok = 1;
    finishesQuickly([&] { rt::check(doc->load(rt::Variant(rt::fromUtf8(fifo)), &ok)); },
                    [&] { ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK)); });
    EXPECT_EQ(ok, rt::VARIANT_FALSE);
    EXPECT_FALSE(rootOf(doc.get()));
    Str reason;
    EXPECT_NE(parseErrorCode(doc.get(), &reason), 0);
    EXPECT_EQ(u8(reason), "'" + fifo + "' is not a regular file.");
    ok = 1;
    finishesQuickly([&] { rt::check(doc->load(rt::Variant(u"/dev/zero"), &ok)); }, [] {});
    EXPECT_EQ(ok, rt::VARIANT_FALSE);
    // Saving into a pipe that nobody reads fails instead of waiting for a reader.
    doc = parsed("<r/>");
    int32_t error = 0;
    int reader = -1;
    finishesQuickly([&] { error = errorOf([&] { rt::check(doc->save(rt::Variant(rt::fromUtf8(fifo)))); }); },
                    [&] { reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK); });
    if (reader >= 0) ::close(reader);
    EXPECT_NE(error, 0);
}
