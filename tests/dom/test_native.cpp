// Building and reading trees at native speed: what the builder makes is an ordinary tree
// the object model and libxml2 work on, and the reader sees what the object model sees.
#include "dom_testing.h"

#include <sys/stat.h>

#include <chrono>

#include "dom/native_read.h"
#include "dom/native_write.h"

using namespace dom;
using namespace dom::native;
using namespace dom::testing;

namespace {

// A document object holding the builder's tree.
ComPtr<IXMLDOMDocument2> adopt(TreeBuilder& b) {
    auto doc = newDocument();
    resetDocument(doc.get(), b.release());
    return doc;
}

std::vector<std::string> attributeNames(ElementRef e) {
    std::vector<std::string> names;
    for (AttributeRef a = e.firstAttribute(); a; a = a.next()) names.push_back(a.name());
    return names;
}

}  // namespace

TEST(DomNative, BuiltTreeIsAnOrdinaryDocument) {
    TreeBuilder b("r");
    const Namespace p = b.declareNamespace(b.root(), "urn:p", "p");
    const Element general = b.appendElement(b.root(), p, "general");
    b.addAttribute(general, {}, "plain", "a<b&c\"d");
    b.addAttribute(general, p, "qualified", std::string("v"));
    const Name row = b.intern("row"), shortName = b.intern("s"), longName = b.intern("l");
    EXPECT_EQ(b.intern("row"), row) << "interned once";
    const Element bulk = b.appendElement(b.root(), {}, row);
    AttributeAppender attributes(bulk);
    attributes.append(shortName, "");                                    // inside the text node
    attributes.append(longName, std::string(40, 'x') + "<&>\xE4\xB8\xAD");  // on the heap
    auto doc = adopt(b);
    EXPECT_EQ(xmlOf(doc.get()),
              "<r xmlns:p=\"urn:p\"><p:general plain=\"a&lt;b&amp;c&quot;d\" p:qualified=\"v\"/><row s=\"\" l=\"" +
                  std::string(40, 'x') + "&lt;&amp;&gt;&#x4E2D;\"/></r>\r\n");

    // The object model changes and frees short values stored inside their text node.
    auto rowElement = as<IXMLDOMElement>(select(doc.get(), "//row"));
    setAttr(rowElement.get(), "s", "replaced");
    rt::check(rowElement->removeAttribute(u"l"));
    EXPECT_EQ(xmlOf(rowElement.get()), "<row s=\"replaced\"/>");
    EXPECT_EQ(attr(as<IXMLDOMElement>(select(doc.get(), "//p:general")).get(), "p:qualified"), "v");
}

TEST(DomNative, AppenderKeepsAttributesAddedAroundIt) {
    TreeBuilder b("r");
    const Element e = b.appendElement(b.root(), {}, b.intern("e"));
    b.addAttribute(e, {}, "before", "1");
    AttributeAppender attributes(e);
    attributes.append(b.intern("first"), "2");
    b.addAttribute(e, {}, "between", "3");
    attributes.append(b.intern("last"), "4");
    auto doc = adopt(b);
    EXPECT_EQ(attributeNames(documentElement(doc.get()).firstChild()),
              (std::vector<std::string>{"before", "first", "between", "last"}));
}

TEST(DomNative, NamespaceDeclarationsThatCannotBeMadeAreRefused) {
    TreeBuilder b("r");
    b.declareNamespace(b.root(), "urn:a", "a");
    EXPECT_EQ(errorOf([&] { b.declareNamespace(b.root(), "urn:b", "a"); }), int32_t(rt::E_INVALIDARG));
    EXPECT_EQ(errorOf([&] { b.declareNamespace(b.root(), "urn:x", "xml"); }), int32_t(rt::E_INVALIDARG));
    const Element child = b.appendElement(b.root(), {}, "c");
    EXPECT_EQ(errorOf([&] { b.declareNamespace(child, "urn:b", "a"); }), 0) << "a child may bind the prefix again";
    // The unreleased tree is freed with the builder (the sanitizer build checks for leaks).
}

TEST(DomNative, NCNames) {
    for (const char* good : {"a", "_x1", "z-row.2", "\xE4\xB8\xAD"}) EXPECT_TRUE(isNCName(good)) << good;
    for (const std::string& bad : std::vector<std::string>{"", "1a", "a:b", "a b", "-a", std::string("ab\0c", 4)})
        EXPECT_FALSE(isNCName(bad)) << bad;
}

TEST(DomNative, FilesWrittenAndRead) {
    TempDir dir;
    TreeBuilder b("r");
    b.addAttribute(b.root(), {}, "a", "1");
    const OwnedTree tree(b.release());
    EXPECT_EQ(writeFile(tree.get(), dir.file("t.xml")), WriteOutcome::Written);
    EXPECT_EQ(TempDir::read(dir.file("t.xml")), "<r a=\"1\"/>\n") << "no declaration";
    EXPECT_EQ(writeFile(tree.get(), dir.file("missing/t.xml")), WriteOutcome::CannotCreate);

    const OwnedTree back = readFile(dir.file("t.xml"));
    ASSERT_TRUE(back);
    EXPECT_EQ(documentElement(back).firstAttribute().value(), "1");
    EXPECT_FALSE(readFile(dir.file("absent.xml")));
    EXPECT_FALSE(readFile(dir.write("bad.xml", "<r><unclosed></r>")));
}

TEST(DomNative, ReaderSeesElementsAttributesAndNamespaces) {
    auto doc = parsed(
        "<!DOCTYPE r [<!ENTITY e 'ent'>]>"
        "<r xmlns:p='urn:p'>text<!-- c --><p:a plain='x&amp;&#x4E2D;y&e;' p:q='1'/>more<b/><p:a/></r>");
    const ElementRef r = documentElement(doc.get());
    ASSERT_TRUE(r);
    EXPECT_FALSE(r.inNamespace("urn:p"));
    const ElementRef a = r.firstChild();
    EXPECT_TRUE(a.is("urn:p", "a")) << "text and comments are skipped";
    EXPECT_FALSE(a.is("urn:p", "b"));
    ASSERT_TRUE(a.nextSibling());
    EXPECT_FALSE(a.nextSibling().inNamespace("urn:p")) << "b, in no namespace";
    EXPECT_TRUE(a.nextSibling().nextSibling().is("urn:p", "a"));
    EXPECT_FALSE(a.nextSibling().nextSibling().nextSibling());
    EXPECT_EQ(r.firstChild("urn:p", "a"), a);
    EXPECT_FALSE(r.firstChild("urn:other", "a"));

    const AttributeRef plain = a.firstAttribute();
    EXPECT_EQ(plain.namespaceUri(), nullptr);
    EXPECT_STREQ(plain.name(), "plain");
    EXPECT_EQ(plain.value(), "x&\xE4\xB8\xADyent");
    EXPECT_STREQ(plain.next().namespaceUri(), "urn:p");
    EXPECT_STREQ(plain.next().name(), "q");
    EXPECT_FALSE(plain.next().next());

    EXPECT_STREQ(a.namespaceOfPrefix("p"), "urn:p") << "declared on an ancestor";
    EXPECT_STREQ(a.namespaceOfPrefix("xml"), "http://www.w3.org/XML/1998/namespace");
    EXPECT_EQ(a.namespaceOfPrefix("rs"), nullptr);

    // A prefixed name set without a binding is a plain name keeping its prefix.
    setAttr(as<IXMLDOMElement>(select(doc.get(), "//b")).get(), "rs:flag", "true");
    const AttributeRef flag = a.nextSibling().firstAttribute();
    EXPECT_EQ(flag.namespaceUri(), nullptr);
    EXPECT_STREQ(flag.name(), "rs:flag");
    EXPECT_EQ(elementOf(select(doc.get(), "//b").get()), a.nextSibling());
}

TEST(DomNative, NothingToReadIsHarmless) {
    const ElementRef none;
    EXPECT_FALSE(none.firstChild());
    EXPECT_FALSE(none.nextSibling());
    EXPECT_FALSE(none.firstChild("urn:p", "a"));
    EXPECT_FALSE(none.is("urn:p", "a"));
    EXPECT_FALSE(none.firstAttribute());
    EXPECT_EQ(none.namespaceOfPrefix("xml"), nullptr);
    const AttributeRef noAttribute;
    EXPECT_EQ(noAttribute.namespaceUri(), nullptr);
    EXPECT_STREQ(noAttribute.name(), "");
    EXPECT_EQ(noAttribute.value(), "");
    EXPECT_FALSE(noAttribute.next());

    EXPECT_FALSE(documentElement(nullptr));
    EXPECT_FALSE(documentElement(newDocument().get())) << "empty";
    EXPECT_FALSE(documentElement(OwnedTree()));
    EXPECT_FALSE(elementOf(nullptr));
    auto doc = parsed("<r>t</r>");
    EXPECT_FALSE(elementOf(select(doc.get(), "/r/text()").get())) << "not an element";
    EXPECT_FALSE(elementOf(doc.get())) << "the document node is not an element";
    EXPECT_FALSE(ElementRef::of(nullptr));
}

TEST(DomNative, HostileFilesAreRefusedQuickly) {
    TempDir dir;
    std::string deep;
    for (int i = 0; i < 70000; ++i) deep += "<a>";
    for (int i = 0; i < 70000; ++i) deep += "</a>";
    EXPECT_FALSE(readFile(dir.write("deep.xml", deep)));
    std::string laughs = "<!DOCTYPE r [<!ENTITY l0 'lol'>";
    for (int i = 1; i <= 9; ++i) {
        std::string prev = "&l" + std::to_string(i - 1) + ";";
        laughs += "<!ENTITY l" + std::to_string(i) + " '";
        for (int k = 0; k < 10; ++k) laughs += prev;
        laughs += "'>";
    }
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(readFile(dir.write("laughs.xml", laughs + "]><r a='&l9;'/>")));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0);
    EXPECT_FALSE(readFile(dir.write("nul.xml", std::string("<r/>\0<x/>", 9))));
    std::string good = dir.write("good.xml", "<r/>");
    EXPECT_FALSE(readFile(good + std::string("\0.bak", 5))) << "not the file named before the NUL";

    // A pipe: nobody writes to it, nobody reads from it. Neither call may wait.
    std::string fifo = dir.file("pipe.xml");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    TreeBuilder b("r");
    const OwnedTree tree(b.release());
    start = std::chrono::steady_clock::now();
    EXPECT_FALSE(readFile(fifo));
    EXPECT_EQ(writeFile(tree.get(), fifo), WriteOutcome::CannotCreate);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0);
    EXPECT_EQ(writeFile(tree.get(), dir.file("out.xml") + std::string("\0.txt", 5)), WriteOutcome::CannotCreate);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.xml")));
}

TEST(DomNative, BuiltTreesNestAtMost256Levels) {
    TreeBuilder b("r");
    Element at = b.root();
    const Name a = b.intern("a");
    for (int level = 2; level <= 256; ++level) at = level % 2 ? b.appendElement(at, {}, a) : b.appendElement(at, {}, "a");
    EXPECT_EQ(errorOf([&] { b.appendElement(at, {}, a); }), int32_t(rt::E_INVALIDARG));
    EXPECT_EQ(errorOf([&] { b.appendElement(at, {}, "a"); }), int32_t(rt::E_INVALIDARG));
    auto doc = adopt(b);
    ComPtr<IXMLDOMNode> copy;
    rt::check(doc->cloneNode(rt::VARIANT_TRUE, copy.put()));
    EXPECT_EQ(xmlOf(copy.get()), xmlOf(doc.get()));
}
