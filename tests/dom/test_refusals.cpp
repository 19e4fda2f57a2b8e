// What the object model refuses so that its trees stay sound and every document it writes
// loads again: reference children that are no children, NUL characters (never cut short),
// characters XML forbids, comments and processing instructions that would not read back.
#include "dom_testing.h"

#include <sys/stat.h>

using namespace dom;
using namespace dom::testing;

namespace {

constexpr int32_t kFail = int32_t(rt::E_FAIL);

ComPtr<IXMLDOMNode> firstChildOf(IXMLDOMNode* n) {
    ComPtr<IXMLDOMNode> c;
    rt::check(n->get_firstChild(c.put()));
    return c;
}

bool loads(IXMLDOMDocument* doc, const Str& xml) {
    int16_t ok = 0;
    rt::check(doc->loadXML(xml, &ok));
    return ok == rt::VARIANT_TRUE;
}

int32_t parseErrorCode(IXMLDOMDocument* doc) {
    ComPtr<IXMLDOMParseError> e;
    rt::check(doc->get_parseError(e.put()));
    int32_t code = 0;
    rt::check(e->get_errorCode(&code));
    return code;
}

// Text with a NUL character inside, and with it at the end.
const Str kNulInside(u"ab\0cd", 5);
const Str kNulAtEnd(u"ab\0", 3);

}  // namespace

TEST(DomRefusals, AnAttributeOrAnotherNodeIsNoReferenceChild) {
    auto doc = parsed("<r a='1'><b/><c/></r>");
    auto r = rootOf(doc.get());
    ComPtr<IXMLDOMNode> a = select(doc.get(), "/r/@a"), c = select(doc.get(), "/r/c"), out;
    ComPtr<IXMLDOMNode> aText = firstChildOf(a.get());
    ComPtr<IXMLDOMNode> grandchild = firstChildOf(parsed("<s><t/></s>").get());
    auto fresh = element(doc.get(), "n");
    for (IXMLDOMNode* notAChild : {a.get(), aText.get()}) {
        EXPECT_EQ(errorOf([&] { rt::check(r->replaceChild(fresh.get(), notAChild, out.put())); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(r->insertBefore(fresh.get(), rt::Variant(ComPtr<IXMLDOMNode>(notAChild)), out.put())); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(r->removeChild(notAChild, out.put())); }), kFail);
        // An existing child given as the new one stays where it is.
        EXPECT_EQ(errorOf([&] { rt::check(r->replaceChild(c.get(), notAChild, out.put())); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(r->insertBefore(c.get(), rt::Variant(ComPtr<IXMLDOMNode>(notAChild)), out.put())); }), kFail);
    }
    EXPECT_EQ(descriptionOf([&] { rt::check(r->insertBefore(fresh.get(), rt::Variant(a), out.put())); }),
              "The reference node is not a child of this node.");
    EXPECT_EQ(descriptionOf([&] { rt::check(r->replaceChild(fresh.get(), a.get(), out.put())); }),
              "The node to replace is not a child of this node.");
    EXPECT_NE(errorOf([&] { rt::check(r->replaceChild(fresh.get(), grandchild.get(), out.put())); }), 0);
    EXPECT_EQ(xmlOf(doc.get()), "<r a=\"1\"><b/><c/></r>\r\n");
    EXPECT_EQ(xmlOf(a.get()), "a=\"1\"");
    // The tree works on as before.
    rt::check(r->insertBefore(fresh.get(), rt::Variant(c), out.put()));
    rt::check(r->replaceChild(element(doc.get(), "m").get(), c.get(), out.put()));
    EXPECT_EQ(xmlOf(doc.get()), "<r a=\"1\"><b/><n/><m/></r>\r\n");
}

TEST(DomRefusals, TheDocumentTypeCannotBeReplaced) {
    auto doc = parsed("<!DOCTYPE r [<!ENTITY co 'Ostrel Ltd.'>]><r>&co;</r>");
    ComPtr<IXMLDOMNode> doctype = firstChildOf(doc.get()), out;
    ComPtr<IXMLDOMComment> comment;
    rt::check(doc->createComment(u"note", comment.put()));
    EXPECT_EQ(errorOf([&] { rt::check(doc->replaceChild(comment.get(), doctype.get(), out.put())); }), kFail);
    doctype = nullptr;  // the entity declarations must live on with the document
    EXPECT_EQ(textOf(rootOf(doc.get()).get()), "Ostrel Ltd.");
    EXPECT_TRUE(parsed(xmlOf(doc.get())));
}

TEST(DomRefusals, NulCharactersAreRefusedNeverCut) {
    auto doc = parsed("<r a='1'>t<!--c--><?p d?></r>");
    auto r = rootOf(doc.get());
    ComPtr<IXMLDOMElement> e;
    ComPtr<IXMLDOMText> t;
    ComPtr<IXMLDOMComment> comment;
    ComPtr<IXMLDOMCDATASection> cdata;
    ComPtr<IXMLDOMProcessingInstruction> pi;
    ComPtr<IXMLDOMNodeList> list;
    ComPtr<IXMLDOMNode> found;
    for (const Str& bad : {kNulInside, kNulAtEnd}) {
        SCOPED_TRACE(u8(bad));
        EXPECT_EQ(errorOf([&] { rt::check(doc->createElement(bad, e.put())); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(r->setAttribute(bad, rt::Variant(u"v"))); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(r->setAttribute(u"a", rt::Variant(bad))); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(r->setAttribute(u"fresh", rt::Variant(bad))); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(r->put_text(bad)); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(doc->createTextNode(bad, t.put())); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(doc->createComment(bad, comment.put())); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(doc->createCDATASection(bad, cdata.put())); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(doc->createProcessingInstruction(u"p", bad, pi.put())); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(doc->createProcessingInstruction(bad, u"d", pi.put())); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(r->selectNodes(u"*[.='" + bad + u"']", list.put())); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(r->selectSingleNode(bad, found.put())); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(doc->setProperty(u"SelectionNamespaces", rt::Variant(u"xmlns:p='urn:" + bad + u"'"))); }), kFail);
    }
    auto text = as<IXMLDOMText>(firstChildOf(r.get()));
    auto attribute = as<IXMLDOMAttribute>(select(doc.get(), "/r/@a"));
    EXPECT_EQ(errorOf([&] { rt::check(text->put_data(kNulInside)); }), kFail);
    EXPECT_EQ(errorOf([&] { rt::check(text->appendData(kNulAtEnd)); }), kFail);
    EXPECT_EQ(errorOf([&] { rt::check(text->insertData(0, kNulAtEnd)); }), kFail);
    EXPECT_EQ(errorOf([&] { rt::check(text->put_nodeValue(rt::Variant(kNulInside))); }), kFail);
    EXPECT_EQ(errorOf([&] { rt::check(attribute->put_value(rt::Variant(kNulInside))); }), kFail);
    EXPECT_EQ(errorOf([&] { rt::check(as<IXMLDOMProcessingInstruction>(select(doc.get(), "//processing-instruction()"))->put_data(kNulAtEnd)); }), kFail);
    EXPECT_EQ(xmlOf(doc.get()), "<r a=\"1\">t<!--c--><?p d?></r>\r\n") << "refused calls change nothing";
    EXPECT_EQ(descriptionOf([&] { rt::check(r->put_text(kNulInside)); }),
              "The text holds the character U+0000, which XML documents cannot hold.");
}

TEST(DomRefusals, LoadXmlRefusesTextWithANulCharacter) {
    auto doc = parsed("<before/>");
    // Behind the document element a NUL once ended the text silently.
    for (const Str& xml : {Str(u"<r/>\0<junk", 10), Str(u"<r/>\0", 5), Str(u"<r>a\0b</r>", 10), Str(u"<r a='\0'/>", 9)}) {
        SCOPED_TRACE(u8(xml));
        EXPECT_FALSE(loads(doc.get(), xml));
        EXPECT_FALSE(rootOf(doc.get()));
        EXPECT_EQ(uint32_t(parseErrorCode(doc.get())), 0xC00CE508u) << "an invalid character";
    }
    // Files too.
    TempDir dir;
    std::string path = dir.write("nul.xml", std::string("<r/>\0<junk/>", 12));
    int16_t ok = 1;
    rt::check(doc->load(rt::Variant(rt::fromUtf8(path)), &ok));
    EXPECT_EQ(ok, rt::VARIANT_FALSE);
    EXPECT_EQ(uint32_t(parseErrorCode(doc.get())), 0xC00CE508u);
    ComPtr<IXMLDOMParseError> e;
    rt::check(doc->get_parseError(e.put()));
    int32_t line = 0, pos = 0;
    rt::check(e->get_line(&line));
    rt::check(e->get_linepos(&pos));
    EXPECT_EQ(line, 1);
    EXPECT_EQ(pos, 5);
}

TEST(DomRefusals, FileNamesWithANulCharacterAreRefused) {
    TempDir dir;
    std::string good = dir.write("good.xml", "<good/>");
    auto doc = parsed("<keep/>");
    int16_t ok = 1;
    rt::check(doc->load(rt::Variant(rt::fromUtf8(good) + Str(u"\0.other", 7)), &ok));
    EXPECT_EQ(ok, rt::VARIANT_FALSE) << "not the file named before the NUL";
    EXPECT_FALSE(rootOf(doc.get()));
    EXPECT_EQ(parseErrorCode(doc.get()), int32_t(rt::E_INVALIDARG));

    doc = parsed("<keep/>");
    Str target = rt::fromUtf8(dir.file("out.xml")) + Str(u"\0.txt", 5);
    EXPECT_EQ(errorOf([&] { rt::check(doc->save(rt::Variant(target))); }), 52);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.xml")));
    EXPECT_EQ(TempDir::read(good), "<good/>");
}

TEST(DomRefusals, CharactersXmlForbidsAreRefused) {
    auto doc = parsed("<r a='1'>t</r>");
    auto r = rootOf(doc.get());
    ComPtr<IXMLDOMText> t;
    ComPtr<IXMLDOMComment> comment;
    ComPtr<IXMLDOMCDATASection> cdata;
    ComPtr<IXMLDOMProcessingInstruction> pi;
    ComPtr<IXMLDOMElement> e;
    for (const Str& bad : {Str(u"x\x01y"), Str(u"\x1F"), Str(u"\xFFFF"), Str(u"\xFFFE"), Str(u"a\xD800"), Str(u"\xDC00z")}) {
        SCOPED_TRACE(u8(bad));
        EXPECT_EQ(errorOf([&] { rt::check(doc->createTextNode(bad, t.put())); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(doc->createComment(bad, comment.put())); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(doc->createCDATASection(bad, cdata.put())); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(doc->createProcessingInstruction(u"p", bad, pi.put())); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(r->setAttribute(u"a", rt::Variant(bad))); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(r->put_text(bad)); }), kFail);
        EXPECT_EQ(errorOf([&] { rt::check(doc->createElement(u"e" + bad, e.put())); }), kFail);
    }
    EXPECT_EQ(descriptionOf([&] { rt::check(doc->createTextNode(u"\xFFFF", t.put())); }),
              "The text holds the character U+FFFF, which XML documents cannot hold.");
    EXPECT_EQ(descriptionOf([&] { rt::check(doc->createTextNode(u"\xD800", t.put())); }),
              "The text holds an unpaired surrogate (U+D800), which XML documents cannot hold.");
    // Splitting a surrogate pair would leave halves that no document can hold.
    rt::check(doc->createTextNode(u"a\xD83D\xDE00", t.put()));
    EXPECT_EQ(errorOf([&] { rt::check(t->deleteData(2, 1)); }), kFail);
    EXPECT_EQ(errorOf([&] { rt::check(t->insertData(2, u"x")); }), kFail);
    ComPtr<IXMLDOMText> rest;
    EXPECT_EQ(errorOf([&] { rt::check(t->splitText(2, rest.put())); }), kFail);
    Str data;
    rt::check(t->get_data(&data));
    EXPECT_EQ(data, u"a\xD83D\xDE00");
    EXPECT_EQ(xmlOf(doc.get()), "<r a=\"1\">t</r>\r\n");
}

TEST(DomRefusals, CommentsAndInstructionsThatWouldNotReadBack) {
    auto doc = parsed("<r><!--note--><?p d?></r>");
    ComPtr<IXMLDOMComment> comment;
    for (const char16_t* bad : {u"a--b", u"--", u"end-", u"-"}) {
        EXPECT_EQ(errorOf([&] { rt::check(doc->createComment(bad, comment.put())); }), kFail) << u8(bad);
    }
    auto existing = as<IXMLDOMComment>(select(doc.get(), "//comment()"));
    EXPECT_EQ(errorOf([&] { rt::check(existing->put_data(u"a--b")); }), kFail);
    EXPECT_EQ(errorOf([&] { rt::check(existing->appendData(u"-")); }), kFail);
    EXPECT_EQ(errorOf([&] { rt::check(existing->insertData(2, u"--")); }), kFail);
    EXPECT_EQ(errorOf([&] { rt::check(existing->put_text(u"x-")); }), kFail);
    EXPECT_EQ(descriptionOf([&] { rt::check(doc->createComment(u"a--b", comment.put())); }),
              "A comment cannot hold \"--\" or end with \"-\".");
    ComPtr<IXMLDOMProcessingInstruction> pi;
    EXPECT_EQ(errorOf([&] { rt::check(doc->createProcessingInstruction(u"p", u"a?>b", pi.put())); }), kFail);
    EXPECT_EQ(errorOf([&] { rt::check(doc->createProcessingInstruction(u"p:q", u"d", pi.put())); }), kFail)
        << "a target with a colon does not read back in a document with namespaces";
    EXPECT_EQ(errorOf([&] { rt::check(doc->createProcessingInstruction(u"XmL", u"d", pi.put())); }), kFail);
    auto existingPi = as<IXMLDOMProcessingInstruction>(select(doc.get(), "//processing-instruction()"));
    EXPECT_EQ(errorOf([&] { rt::check(existingPi->put_data(u"?>")); }), kFail);
    EXPECT_EQ(errorOf([&] { rt::check(existingPi->put_nodeValue(rt::Variant(u"x?>"))); }), kFail);
    EXPECT_EQ(xmlOf(doc.get()), "<r><!--note--><?p d?></r>\r\n");
    // What XML does allow is kept.
    rt::check(doc->createComment(u"-starts with a dash", comment.put()));
    rt::check(doc->createProcessingInstruction(u"p", u"a ? b > c", pi.put()));
}

TEST(DomRefusals, WhatIsAcceptedIsSavedSoThatItLoadsAgainUnchanged) {
    auto doc = parsed("<r/>");
    auto r = rootOf(doc.get());
    const Str tricky = u"tab\there\r\ncr ]]> <&> \xD83D\xDE00 \xFFFD \xE000 end";
    setAttr(r.get(), "a", u8(tricky));
    auto child = element(doc.get(), "t");
    rt::check(child->put_text(tricky));
    append(r.get(), child.get());
    ComPtr<IXMLDOMCDATASection> cdata;
    rt::check(doc->createCDATASection(u"x]]>y", cdata.put()));
    append(r.get(), cdata.get());
    ComPtr<IXMLDOMComment> comment;
    rt::check(doc->createComment(u"- a - b -x", comment.put()));
    append(r.get(), comment.get());
    ComPtr<IXMLDOMProcessingInstruction> pi;
    rt::check(doc->createProcessingInstruction(u"app", u"a?b>c ?", pi.put()));
    append(r.get(), pi.get());

    TempDir dir;
    rt::check(doc->save(rt::Variant(rt::fromUtf8(dir.file("t.xml")))));
    auto again = newDocument();
    rt::check(again->put_preserveWhiteSpace(rt::VARIANT_TRUE));
    int16_t ok = 0;
    rt::check(again->load(rt::Variant(rt::fromUtf8(dir.file("t.xml"))), &ok));
    ASSERT_EQ(ok, rt::VARIANT_TRUE) << TempDir::read(dir.file("t.xml"));
    auto back = rootOf(again.get());
    rt::Variant v;
    rt::check(back->getAttribute(u"a", &v));
    EXPECT_EQ(v.str(), tricky);
    Str s;
    rt::check(select(back.get(), "t")->get_text(&s));
    EXPECT_EQ(s, tricky);
    EXPECT_EQ(textOf(back.get()), u8(tricky) + "x]]>y");
    EXPECT_EQ(textOf(select(back.get(), "comment()").get()), "- a - b -x");
    EXPECT_EQ(textOf(select(back.get(), "processing-instruction('app')").get()), "a?b>c ?");
}

TEST(DomRefusals, NamespaceDeclarationsThatWouldNotReadBack) {
    auto doc = parsed("<r xmlns:p='urn:p'/>");
    auto r = rootOf(doc.get());
    EXPECT_EQ(errorOf([&] { setAttr(r.get(), "xmlns:q", ""); }), kFail) << "a prefix cannot be undeclared";
    EXPECT_EQ(errorOf([&] { setAttr(r.get(), "xmlns:xmlns", "urn:x"); }), kFail);
    EXPECT_EQ(errorOf([&] { setAttr(r.get(), "xmlns:xml", "urn:x"); }), kFail);
    EXPECT_EQ(errorOf([&] { setAttr(r.get(), "xmlns:q", "http://www.w3.org/XML/1998/namespace"); }), kFail);
    EXPECT_EQ(errorOf([&] { setAttr(r.get(), "xmlns", "http://www.w3.org/2000/xmlns/"); }), kFail);
    EXPECT_EQ(xmlOf(doc.get()), "<r xmlns:p=\"urn:p\"/>\r\n");
    setAttr(r.get(), "xmlns:q", "urn:q");
    auto child = element(doc.get(), "c");
    append(r.get(), child.get());
    setAttr(child.get(), "xmlns", "");  // the default namespace may be undeclared
    EXPECT_TRUE(parsed(xmlOf(doc.get())));
}

TEST(DomRefusals, TheInsideOfEntityDeclarationsIsNotHandedOut) {
    auto doc = parsed("<!DOCTYPE r [<!ENTITY e '<g>inner</g>'>]><r><a/>&e;<b/></r>");
    ComPtr<IXMLDOMNode> a = select(doc.get(), "/r/a"), reference;
    rt::check(children(rootOf(doc.get()).get())->get_item(1, reference.put()));
    int32_t type = 0;
    rt::check(reference->get_nodeType(&type));
    ASSERT_EQ(type, NODE_ENTITY_REFERENCE);
    ComPtr<IXMLDOMNodeList> following;
    rt::check(a->selectNodes(u"following::node()", following.put()));
    std::string names;
    for (int32_t i = 0; i < lengthOf(following.get()); ++i) {
        ComPtr<IXMLDOMNode> n;
        rt::check(following->get_item(i, n.put()));
        names += nameOf(n.get()) + ";";
    }
    EXPECT_EQ(names, "b;") << "entity references are no node() of a path, nor is what they stand for";
    ComPtr<IXMLDOMNodeList> inside;
    rt::check(reference->selectNodes(u"node()", inside.put()));
    EXPECT_EQ(lengthOf(inside.get()), 0) << "the declaration behind the reference";
    EXPECT_EQ(textOf(rootOf(doc.get()).get()), "inner");
}

TEST(DomRefusals, NamespaceUrisWithMarkupCharactersAreWrittenEscaped) {
    const std::string uri = "urn:a&b'c";
    auto doc = parsed("<r xmlns:p='urn:x&amp;y' p:a='1' xmlns='urn:d&#38;e'/>");
    auto r = rootOf(doc.get());
    Str found;
    rt::check(select(doc.get(), "/*/@p:a")->get_namespaceURI(&found));
    EXPECT_EQ(u8(found), "urn:x&y");
    rt::check(r->get_namespaceURI(&found));
    EXPECT_EQ(u8(found), "urn:d&e");
    // Namespaces are bound only to what loading takes for a URI.
    EXPECT_EQ(errorOf([&] { setAttr(r.get(), "xmlns:bad", "urn:a<b"); }), kFail);
    EXPECT_EQ(errorOf([&] { setAttr(r.get(), "xmlns:bad", "urn:a b"); }), kFail);
    EXPECT_EQ(errorOf([&] { setAttr(element(doc.get(), "e").get(), "xmlns", "urn:\""); }), kFail);
    setAttr(r.get(), "xmlns:q", uri);
    setAttr(r.get(), "q:b", "2");
    auto inner = element(doc.get(), "q:c");
    append(r.get(), inner.get());
    for (const std::string& xml : {xmlOf(doc.get()), xmlOf(inner.get())}) {
        auto again = parsed(xml);
        ASSERT_TRUE(rootOf(again.get())) << xml;
    }
    TempDir dir;
    rt::check(doc->save(rt::Variant(rt::fromUtf8(dir.file("ns.xml")))));
    auto again = newDocument();
    int16_t ok = 0;
    rt::check(again->load(rt::Variant(rt::fromUtf8(dir.file("ns.xml"))), &ok));
    ASSERT_EQ(ok, rt::VARIANT_TRUE) << TempDir::read(dir.file("ns.xml"));
    rt::check(select(again.get(), "/*/q:c")->get_namespaceURI(&found));
    EXPECT_EQ(u8(found), uri);
    rt::check(select(again.get(), "/*/@p:a")->get_namespaceURI(&found));
    EXPECT_EQ(u8(found), "urn:x&y");
    rt::check(inner->get_namespaceURI(&found));
    EXPECT_EQ(u8(found), uri) << "the tree itself keeps the URI as it was";
    rt::check(rootOf(again.get())->get_namespaceURI(&found));
    EXPECT_EQ(u8(found), "urn:d&e");
}
