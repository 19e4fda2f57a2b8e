// Hostile input and misuse: entity expansion, external resources, empty handles.
#include "dom_testing.h"

#include <chrono>
#include <functional>

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
