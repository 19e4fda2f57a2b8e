// Loading, parse errors, serialization and saving of documents.
#include "dom_testing.h"

#include "dom/native.h"
#include "runtime/classes.h"

using namespace dom;
using namespace dom::testing;

namespace {

struct Outcome {
    int32_t code = 0;
    std::string reason;
    int32_t line = 0;
    int32_t linepos = 0;
    std::string srcText;
};

Outcome outcomeOf(IXMLDOMDocument* doc) {
    ComPtr<IXMLDOMParseError> e;
    rt::check(doc->get_parseError(e.put()));
    Outcome o;
    Str s;
    rt::check(e->get_errorCode(&o.code));
    rt::check(e->get_reason(&s));
    o.reason = u8(s);
    rt::check(e->get_line(&o.line));
    rt::check(e->get_linepos(&o.linepos));
    rt::check(e->get_srcText(&s));
    o.srcText = u8(s);
    return o;
}

bool loadText(IXMLDOMDocument* doc, const std::string& xml) {
    int16_t ok = 0;
    rt::check(doc->loadXML(rt::fromUtf8(xml), &ok));
    return ok == rt::VARIANT_TRUE;
}

bool loadPath(IXMLDOMDocument* doc, const std::string& path) {
    int16_t ok = 0;
    rt::check(doc->load(rt::Variant(rt::fromUtf8(path)), &ok));
    return ok == rt::VARIANT_TRUE;
}

}  // namespace

TEST(DomDocument, CreatedByEveryProgramIdentifier) {
    for (const char16_t* id : {u"MSXML2.DOMDocument", u"MSXML2.DOMDocument.3.0", u"Microsoft.XMLDOM",
                               u"{F6D90F11-9C73-11D3-B32E-00C04F990BB4}", u"{F5078F32-C551-11D3-89B9-0000F81FE221}"}) {
        ComPtr<rt::IDispatch> obj = rt::createObject(id);
        ASSERT_TRUE(obj) << u8(id);
        auto doc = obj.as<IXMLDOMDocument>();
        ASSERT_TRUE(doc) << u8(id);
        EXPECT_TRUE(loadText(doc.get(), "<a/>"));
        EXPECT_TRUE(nativeDocument(doc.get()));
    }
}

TEST(DomDocument, LoadXmlSerializesWithDeclarationAndCrlf) {
    auto doc = parsed("<?xml version='1.0'?><kainterface/>");
    EXPECT_EQ(xmlOf(doc.get()), "<?xml version=\"1.0\"?>\r\n<kainterface/>\r\n");
    auto plain = parsed("<a x='1'><b>t&amp;&lt;</b><!--c--></a>");
    EXPECT_EQ(xmlOf(plain.get()), "<a x=\"1\"><b>t&amp;&lt;</b><!--c--></a>\r\n");
    EXPECT_EQ(xmlOf(rootOf(plain.get()).get()), "<a x=\"1\"><b>t&amp;&lt;</b><!--c--></a>");
}

TEST(DomDocument, XmlReadsBackToAnEqualTree) {
    std::string source =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!-- head --><?app go?>"
        "<r xmlns:p='urn:p' a='&quot;q&quot; &amp; &lt;'><p:x p:y='1'>\xE4\xB8\xAD\xE6\x96\x87 text</p:x>"
        "<![CDATA[<raw>]]><e/></r>";
    auto first = parsed(source);
    std::string once = xmlOf(first.get());
    auto second = parsed(once);
    EXPECT_EQ(xmlOf(second.get()), once);
    EXPECT_EQ(once.find("encoding"), std::string::npos) << "the text form is Unicode: no encoding is declared";
    EXPECT_EQ(textOf(select(second.get(), "//p:x").get()), "\xE4\xB8\xAD\xE6\x96\x87 text");
}

TEST(DomDocument, WhitespaceBetweenElementsIsDroppedUnlessPreserved) {
    auto doc = parsed("<a>\n  <b> x </b>\n  <c xml:space='preserve'>  </c>\n</a>");
    EXPECT_EQ(lengthOf(children(rootOf(doc.get()).get()).get()), 2);
    EXPECT_EQ(textOf(select(doc.get(), "/a/b").get()), " x ") << "text keeps its own spaces";
    EXPECT_EQ(textOf(select(doc.get(), "/a/c").get()), "  ");
    auto blank = parsed("<a><rows>\n  \n</rows></a>");
    EXPECT_EQ(lengthOf(children(select(blank.get(), "//rows").get()).get()), 0) << "whitespace-only content too";

    auto keep = newDocument();
    rt::check(keep->put_preserveWhiteSpace(rt::VARIANT_TRUE));
    ASSERT_TRUE(loadText(keep.get(), "<a>\n  <b/>\n</a>"));
    EXPECT_EQ(lengthOf(children(rootOf(keep.get()).get()).get()), 3);
}

TEST(DomDocument, FailedLoadLeavesDocumentEmptyWithParseError) {
    auto doc = parsed("<keep/>");
    EXPECT_FALSE(loadText(doc.get(), "<a>\n<b></c></a>"));
    EXPECT_FALSE(rootOf(doc.get()));
    EXPECT_EQ(xmlOf(doc.get()), "");
    Outcome o = outcomeOf(doc.get());
    EXPECT_EQ(uint32_t(o.code), 0xC00CE56Du);
    EXPECT_EQ(o.line, 2);
    EXPECT_GT(o.linepos, 0);
    EXPECT_EQ(o.srcText, "<b></c></a>");
    EXPECT_FALSE(o.reason.empty());

    EXPECT_TRUE(loadText(doc.get(), "<ok/>"));
    EXPECT_EQ(outcomeOf(doc.get()).code, 0) << "a good load clears the error";
}

TEST(DomDocument, ParseErrorCodesForCommonMistakes) {
    auto doc = newDocument();
    struct Case {
        const char* xml;
        uint32_t code;
    } cases[] = {
        {"", 0xC00CE558},
        {"<a/><b/>", 0xC00CE556},
        {"<a>", 0xC00CE55F},
        {"<z:row/>", 0xC00CE01D},
        {"<a>&nope;</a>", 0xC00CE002},
        {"<a x=1/>", 0xC00CE502},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(loadText(doc.get(), c.xml)) << c.xml;
        EXPECT_EQ(uint32_t(outcomeOf(doc.get()).code), c.code) << c.xml;
    }
}

TEST(DomDocument, LoadsAndSavesFiles) {
    TempDir dir;
    std::string path = dir.write("in.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>\n  <b v='1'>x</b>\n</a>\n");
    auto doc = newDocument();
    ASSERT_TRUE(loadPath(doc.get(), path));
    Str url;
    rt::check(doc->get_url(&url));
    EXPECT_EQ(u8(url), path);
    std::string out = dir.file("out.xml");
    rt::check(doc->save(rt::Variant(rt::fromUtf8(out))));
    EXPECT_EQ(TempDir::read(out), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<a><b v=\"1\">x</b></a>\r\n");
    auto back = newDocument();
    ASSERT_TRUE(loadPath(back.get(), out));
    EXPECT_EQ(xmlOf(back.get()), xmlOf(doc.get()));
}

TEST(DomDocument, SavesInTheDeclaredEncoding) {
    TempDir dir;
    auto doc = parsed("<?xml version='1.0' encoding='GB2312'?><a>\xE4\xB8\xAD</a>");
    std::string out = dir.file("gb.xml");
    rt::check(doc->save(rt::Variant(rt::fromUtf8(out))));
    EXPECT_EQ(TempDir::read(out), "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<a>\xD6\xD0</a>\r\n");
    auto back = newDocument();
    ASSERT_TRUE(loadPath(back.get(), out));
    EXPECT_EQ(textOf(rootOf(back.get()).get()), "\xE4\xB8\xAD");
}

TEST(DomDocument, BackslashPathsNameTheSameFile) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("xml"));
    dir.write("xml/t.xml", "<t/>");
    auto doc = newDocument();
    EXPECT_TRUE(loadPath(doc.get(), dir.file("xml\\t.xml")));
    rt::check(doc->save(rt::Variant(rt::fromUtf8(dir.file("xml\\copy.xml")))));
    EXPECT_EQ(TempDir::read(dir.file("xml/copy.xml")), "<t/>\r\n");
}

TEST(DomDocument, MissingFileAndBadSource) {
    TempDir dir;
    auto doc = parsed("<keep/>");
    EXPECT_FALSE(loadPath(doc.get(), dir.file("absent.xml")));
    EXPECT_EQ(uint32_t(outcomeOf(doc.get()).code), 0x800C0006u);
    EXPECT_FALSE(rootOf(doc.get()));
    EXPECT_FALSE(loadPath(doc.get(), dir.file("")));  // a folder
    int16_t ok = 1;
    rt::check(doc->load(rt::Variant(int32_t(5)), &ok));
    EXPECT_EQ(ok, rt::VARIANT_FALSE);
    EXPECT_EQ(errorOf([&] { rt::check(doc->save(rt::Variant(rt::fromUtf8(dir.file("no/such/dir/x.xml"))))); }), 76);
}

TEST(DomDocument, LoadAndSaveBetweenDocuments) {
    auto a = parsed("<?xml version='1.0'?><a><b/></a>");
    auto b = newDocument();
    int16_t ok = 0;
    rt::check(b->load(rt::Variant(ComPtr<IXMLDOMDocument>(a.get())), &ok));
    EXPECT_EQ(ok, rt::VARIANT_TRUE);
    EXPECT_EQ(xmlOf(b.get()), xmlOf(a.get()));
    auto c = newDocument();
    rt::check(a->save(rt::Variant(ComPtr<IXMLDOMDocument>(c.get()))));
    EXPECT_EQ(xmlOf(c.get()), xmlOf(a.get()));
    EXPECT_NE(rootOf(c.get()).get(), rootOf(a.get()).get()) << "a copy, not the same nodes";
}

TEST(DomDocument, DocumentElementCanBeReplaced) {
    auto doc = parsed("<old><keep/></old>");
    auto old = rootOf(doc.get());
    auto fresh = element(doc.get(), "fresh");
    rt::check(doc->putref_documentElement(fresh.get()));
    EXPECT_EQ(nameOf(rootOf(doc.get()).get()), "fresh");
    ComPtr<IXMLDOMNode> parent;
    rt::check(old->get_parentNode(parent.put()));
    EXPECT_FALSE(parent) << "the old root is out of the tree";
    EXPECT_EQ(xmlOf(old.get()), "<old><keep/></old>");

    auto empty = newDocument();
    rt::check(empty->putref_documentElement(element(empty.get(), "first").get()));
    EXPECT_EQ(xmlOf(empty.get()), "<first/>\r\n");
}

TEST(DomDocument, ChildrenOfTheDocumentItself) {
    auto doc = newDocument();
    auto root = element(doc.get(), "root");
    ComPtr<IXMLDOMComment> comment;
    rt::check(doc->createComment(u"note", comment.put()));
    append(doc.get(), comment.get());
    append(doc.get(), root.get());
    EXPECT_EQ(xmlOf(doc.get()), "<!--note-->\r\n<root/>\r\n");
    EXPECT_NE(descriptionOf([&] { append(doc.get(), element(doc.get(), "second").get()); }), "");
    ComPtr<IXMLDOMText> text;
    rt::check(doc->createTextNode(u"loose", text.put()));
    EXPECT_NE(errorOf([&] { append(doc.get(), text.get()); }), 0);

    auto other = element(doc.get(), "other");
    ComPtr<IXMLDOMNode> replaced;
    rt::check(doc->replaceChild(other.get(), root.get(), replaced.put()));
    EXPECT_EQ(replaced.get(), static_cast<IXMLDOMNode*>(root.get()));
    ComPtr<IXMLDOMNode> removed;
    rt::check(doc->removeChild(comment.get(), removed.put()));
    EXPECT_EQ(xmlOf(doc.get()), "<other/>\r\n");
}

TEST(DomDocument, DeclarationAndProcessingInstructions) {
    auto doc = newDocument();
    ComPtr<IXMLDOMProcessingInstruction> pi;
    EXPECT_NE(errorOf([&] { rt::check(doc->createProcessingInstruction(u"xml", u"version='1.0'", pi.put())); }), 0);
    rt::check(doc->createProcessingInstruction(u"app", u"run", pi.put()));
    Str s;
    rt::check(pi->get_target(&s));
    EXPECT_EQ(u8(s), "app");
    rt::check(pi->put_data(u"stop"));
    rt::check(pi->get_data(&s));
    EXPECT_EQ(u8(s), "stop");
}

TEST(DomDocument, SelectionProperties) {
    auto doc = parsed("<a xmlns='urn:d'><b/></a>");
    rt::check(doc->setProperty(u"SelectionLanguage", rt::Variant(u"XPath")));
    rt::check(doc->setProperty(u"SelectionNamespaces", rt::Variant(u"xmlns:d='urn:d'")));
    EXPECT_TRUE(select(doc.get(), "/d:a/d:b"));
    rt::Variant v;
    rt::check(doc->getProperty(u"SelectionNamespaces", &v));
    EXPECT_EQ(u8(v.str()), "xmlns:d='urn:d'");
    EXPECT_NE(errorOf([&] { rt::check(doc->setProperty(u"SelectionLanguage", rt::Variant(u"SQL"))); }), 0);
    EXPECT_NE(errorOf([&] { rt::check(doc->setProperty(u"SelectionNamespaces", rt::Variant(u"xmlns:d=urn"))); }), 0);
    EXPECT_NE(errorOf([&] { rt::check(doc->getProperty(u"NoSuchProperty", &v)); }), 0);
}

TEST(DomDocument, FlagsAreRemembered) {
    auto doc = newDocument();
    int16_t v = 0;
    rt::check(doc->get_async(&v));
    EXPECT_EQ(v, rt::VARIANT_TRUE);
    rt::check(doc->put_async(rt::VARIANT_FALSE));
    rt::check(doc->get_async(&v));
    EXPECT_EQ(v, rt::VARIANT_FALSE);
    rt::check(doc->put_resolveExternals(rt::VARIANT_FALSE));
    rt::check(doc->get_resolveExternals(&v));
    EXPECT_EQ(v, rt::VARIANT_FALSE);
    rt::check(doc->put_validateOnParse(rt::VARIANT_FALSE));
    rt::check(doc->get_validateOnParse(&v));
    EXPECT_EQ(v, rt::VARIANT_FALSE);
    int32_t state = 0;
    rt::check(doc->get_readyState(&state));
    EXPECT_EQ(state, 4);
}
