// Navigation, identity, text, attributes and character data.
#include "dom_testing.h"

#include "dom/native.h"

using namespace dom;
using namespace dom::testing;

namespace {

ComPtr<IXMLDOMNode> child(IXMLDOMNode* n, int32_t i) {
    ComPtr<IXMLDOMNode> c;
    rt::check(children(n)->get_item(i, c.put()));
    return c;
}

int32_t typeOf(IXMLDOMNode* n) {
    int32_t t = -1;
    rt::check(n->get_nodeType(&t));
    return t;
}

}  // namespace

TEST(DomNodes, SameNodeIsAlwaysTheSameObject) {
    auto doc = parsed("<a><b id='1'/><c/></a>");
    auto root = rootOf(doc.get());
    ComPtr<IXMLDOMNode> first, viaPath, viaParent, viaSibling;
    rt::check(root->get_firstChild(first.put()));
    viaPath = select(doc.get(), "//b");
    ComPtr<IXMLDOMNode> c = select(doc.get(), "/a/c");
    rt::check(c->get_previousSibling(viaSibling.put()));
    ComPtr<IXMLDOMNode> attribute = select(doc.get(), "//b/@id");
    rt::check(attribute.as<IXMLDOMAttribute>()->get_parentNode(viaParent.put()));
    EXPECT_EQ(first.get(), viaPath.get());
    EXPECT_EQ(first.get(), viaSibling.get());
    EXPECT_EQ(first.get(), child(root.get(), 0).get());
    EXPECT_FALSE(viaParent) << "attributes have no parent node";
    ComPtr<IXMLDOMAttribute> again;
    rt::check(as<IXMLDOMElement>(first)->getAttributeNode(u"id", again.put()));
    EXPECT_EQ(static_cast<IXMLDOMNode*>(again.get()), attribute.get());
    EXPECT_EQ(rt::identityOf(first.get()), rt::identityOf(as<IXMLDOMElement>(viaPath).get()));
    EXPECT_EQ(wrap(nativeNode(first.get())).get(), first.get());
    EXPECT_FALSE(wrap(nullptr));
    EXPECT_EQ(nativeNode(nullptr), nullptr);
    EXPECT_EQ(wrap(nativeNode(doc.get())).get(), static_cast<IXMLDOMNode*>(doc.get()));

    ComPtr<IXMLDOMNode> up;
    rt::check(root->get_parentNode(up.put()));
    EXPECT_EQ(up.get(), static_cast<IXMLDOMNode*>(doc.get())) << "the document node is the document object";
    ComPtr<IXMLDOMDocument> owner;
    rt::check(first->get_ownerDocument(owner.put()));
    EXPECT_EQ(owner.get(), static_cast<IXMLDOMDocument*>(doc.get()));
}

TEST(DomNodes, NodeTypesNamesAndValues) {
    auto doc = parsed("<?pi data?><r a='v'>t<![CDATA[c]]><!--m--><e/></r>");
    auto r = rootOf(doc.get());
    struct Expect {
        ComPtr<IXMLDOMNode> node;
        int32_t type;
        const char* name;
        const char* typeString;
    } cases[] = {
        {ComPtr<IXMLDOMNode>(doc.get()), 9, "#document", "document"},
        {ComPtr<IXMLDOMNode>(r.get()), 1, "r", "element"},
        {select(doc.get(), "/r/@a"), 2, "a", "attribute"},
        {child(r.get(), 0), 3, "#text", "text"},
        {child(r.get(), 1), 4, "#cdata-section", "cdatasection"},
        {child(r.get(), 2), 8, "#comment", "comment"},
        {child(doc.get(), 0), 7, "pi", "processinginstruction"},
    };
    for (auto& c : cases) {
        ASSERT_TRUE(c.node) << c.name;
        EXPECT_EQ(typeOf(c.node.get()), c.type) << c.name;
        EXPECT_EQ(nameOf(c.node.get()), c.name);
        Str s;
        rt::check(c.node->get_nodeTypeString(&s));
        EXPECT_EQ(u8(s), c.typeString);
    }
    rt::Variant v;
    rt::check(r->get_nodeValue(&v));
    EXPECT_TRUE(v.isNull());
    rt::check(child(r.get(), 0)->get_nodeValue(&v));
    EXPECT_EQ(u8(v.str()), "t");
    rt::check(child(r.get(), 0)->put_nodeValue(rt::Variant(u"u")));
    EXPECT_EQ(xmlOf(r.get()), "<r a=\"v\">u<![CDATA[c]]><!--m--><e/></r>");
    EXPECT_NE(errorOf([&] { rt::check(r->put_nodeValue(rt::Variant(u"x"))); }), 0);
}

TEST(DomNodes, TextConcatenatesDescendantsButNotCommentsOrPIs) {
    auto doc = parsed("<r> a <b>b<!--no--><?p no?></b><![CDATA[ c ]]><d><e>e</e></d></r>");
    EXPECT_EQ(textOf(rootOf(doc.get()).get()), " a b c e");
    EXPECT_EQ(textOf(doc.get()), " a b c e");
    EXPECT_EQ(textOf(select(doc.get(), "//comment()").get()), "no");
}

TEST(DomNodes, SettingTextReplacesAllChildren) {
    auto doc = parsed("<r><a/>x<b><c/></b></r>");
    auto r = rootOf(doc.get());
    ComPtr<IXMLDOMNode> b = select(doc.get(), "//b");
    rt::check(r->put_text(u"paid in full"));
    EXPECT_EQ(xmlOf(r.get()), "<r>paid in full</r>");
    EXPECT_EQ(lengthOf(children(r.get()).get()), 1);
    EXPECT_EQ(xmlOf(b.get()), "<b><c/></b>") << "a child still referenced lives on outside the tree";
    rt::check(r->put_text(u""));
    EXPECT_EQ(xmlOf(r.get()), "<r/>");
    EXPECT_NE(errorOf([&] { rt::check(doc->put_text(u"x")); }), 0);
}

TEST(DomNodes, ChildListIsLive) {
    auto doc = parsed("<r><a/><b/></r>");
    auto r = rootOf(doc.get());
    auto list = children(r.get());
    EXPECT_EQ(lengthOf(list.get()), 2);
    append(r.get(), element(doc.get(), "c").get());
    EXPECT_EQ(lengthOf(list.get()), 3);
    ComPtr<IXMLDOMNode> item;
    rt::check(list->get_item(2, item.put()));
    EXPECT_EQ(nameOf(item.get()), "c");
    rt::check(list->get_item(3, item.put()));
    EXPECT_FALSE(item);
    rt::check(list->get_item(-1, item.put()));
    EXPECT_FALSE(item);
    std::string names;
    for (rt::check(list->nextNode(item.put())); item; rt::check(list->nextNode(item.put()))) names += nameOf(item.get());
    EXPECT_EQ(names, "abc");
    rt::check(list->reset());
    rt::check(list->nextNode(item.put()));
    EXPECT_EQ(nameOf(item.get()), "a");
    ComPtr<IXMLDOMNode> removed;
    rt::check(r->removeChild(item.get(), removed.put()));
    EXPECT_EQ(lengthOf(list.get()), 2);
    rt::check(list->get_item(0, item.put()));
    EXPECT_EQ(nameOf(item.get()), "b");
}

TEST(DomNodes, SequentialItemAccessOverManyChildren) {
    auto doc = parsed(rowDocument(20000));
    auto data = select(doc.get(), "//rs:data");
    auto list = children(data.get());
    ASSERT_EQ(lengthOf(list.get()), 20000);
    int64_t sum = 0;
    for (int32_t i = 0; i < 20000; ++i) {
        ComPtr<IXMLDOMNode> row;
        rt::check(list->get_item(i, row.put()));
        sum += std::stoi(attr(as<IXMLDOMElement>(row).get(), "id"));
    }
    EXPECT_EQ(sum, int64_t(20000) * 20001 / 2);
}

TEST(DomNodes, InsertBeforeAndHasChildNodes) {
    auto doc = parsed("<r><b/></r>");
    auto r = rootOf(doc.get());
    ComPtr<IXMLDOMNode> b = select(doc.get(), "/r/b"), out;
    rt::check(r->insertBefore(element(doc.get(), "a").get(), rt::Variant(b), out.put()));
    EXPECT_EQ(nameOf(out.get()), "a");
    rt::check(r->insertBefore(element(doc.get(), "c").get(), rt::Variant(), out.put()));
    rt::check(r->insertBefore(element(doc.get(), "d").get(), rt::Variant::nothing(), out.put()));
    EXPECT_EQ(xmlOf(r.get()), "<r><a/><b/><c/><d/></r>");
    ComPtr<IXMLDOMNode> foreign = select(parsed("<x/>").get(), "/x");
    EXPECT_NE(errorOf([&] { rt::check(r->insertBefore(element(doc.get(), "e").get(), rt::Variant(foreign), out.put())); }), 0);
    EXPECT_NE(errorOf([&] { rt::check(r->insertBefore(element(doc.get(), "e").get(), rt::Variant(u"b"), out.put())); }), 0);
    int16_t has = 0;
    rt::check(r->hasChildNodes(&has));
    EXPECT_EQ(has, rt::VARIANT_TRUE);
    rt::check(b->hasChildNodes(&has));
    EXPECT_EQ(has, rt::VARIANT_FALSE);
}

TEST(DomNodes, HierarchyErrorsAreRefused) {
    auto doc = parsed("<r><a><b/></a></r>");
    ComPtr<IXMLDOMNode> a = select(doc.get(), "//a"), b = select(doc.get(), "//b"), out;
    EXPECT_NE(errorOf([&] { rt::check(b->appendChild(a.get(), out.put())); }), 0);
    EXPECT_NE(errorOf([&] { rt::check(a->appendChild(a.get(), out.put())); }), 0);
    EXPECT_NE(errorOf([&] { rt::check(a->removeChild(rootOf(doc.get()).get(), out.put())); }), 0);
    auto attrNode = parsed("<q z='1'/>");
    EXPECT_NE(errorOf([&] { rt::check(a->appendChild(select(attrNode.get(), "//@z").get(), out.put())); }), 0);
    EXPECT_NE(errorOf([&] { rt::check(a->appendChild(doc.get(), out.put())); }), 0);
    EXPECT_EQ(xmlOf(doc.get()), "<r><a><b/></a></r>\r\n") << "refused operations change nothing";
}

TEST(DomNodes, AttributesAndElementMembers) {
    auto doc = parsed("<r xmlns:p='urn:p' a='1' p:b='2'/>");
    auto r = rootOf(doc.get());
    EXPECT_EQ(attr(r.get(), "a"), "1");
    EXPECT_EQ(attr(r.get(), "p:b"), "2");
    EXPECT_EQ(attr(r.get(), "missing"), "<null>");
    EXPECT_EQ(attr(r.get(), "xmlns:p"), "urn:p");
    setAttr(r.get(), "a", "one");
    setAttr(r.get(), "c", "3");
    setAttr(r.get(), "p:d", "4");
    EXPECT_EQ(xmlOf(r.get()), "<r xmlns:p=\"urn:p\" a=\"one\" p:b=\"2\" c=\"3\" p:d=\"4\"/>");
    Str tag;
    rt::check(r->get_tagName(&tag));
    EXPECT_EQ(u8(tag), "r");
    rt::check(r->setAttribute(u"n", rt::Variant(int32_t(42))));
    EXPECT_EQ(attr(r.get(), "n"), "42");
    EXPECT_EQ(errorOf([&] { rt::check(r->setAttribute(u"n", rt::Variant(rt::Null{}))); }), 94);
    EXPECT_NE(errorOf([&] { rt::check(r->setAttribute(u"1bad", rt::Variant(u"x"))); }), 0);
    rt::check(r->removeAttribute(u"c"));
    rt::check(r->removeAttribute(u"never"));
    EXPECT_EQ(attr(r.get(), "c"), "<null>");

    ComPtr<IXMLDOMNamedNodeMap> map;
    rt::check(r->get_attributes(map.put()));
    int32_t n = 0;
    rt::check(map->get_length(&n));
    EXPECT_EQ(n, 4);
    std::string seen;
    for (int32_t i = 0; i < n; ++i) {
        ComPtr<IXMLDOMNode> item;
        rt::check(map->get_item(i, item.put()));
        auto a = as<IXMLDOMAttribute>(item);
        Str name;
        rt::Variant value;
        rt::check(a->get_name(&name));
        rt::check(a->get_value(&value));
        seen += u8(name) + "=" + u8(value.str()) + ";";
    }
    EXPECT_EQ(seen, "a=one;p:b=2;p:d=4;n=42;");
    ComPtr<IXMLDOMNode> named;
    rt::check(map->getNamedItem(u"p:d", named.put()));
    rt::check(as<IXMLDOMAttribute>(named)->put_value(rt::Variant(u"a&b")));
    EXPECT_EQ(attr(r.get(), "p:d"), "a&b");
    Str ns;
    rt::check(named->get_namespaceURI(&ns));
    EXPECT_EQ(u8(ns), "urn:p");
    rt::check(named->get_baseName(&ns));
    EXPECT_EQ(u8(ns), "d");
    rt::check(named->get_prefix(&ns));
    EXPECT_EQ(u8(ns), "p");
    ComPtr<IXMLDOMNode> removed;
    rt::check(map->removeNamedItem(u"p:d", removed.put()));
    EXPECT_EQ(removed.get(), named.get());
    EXPECT_EQ(nameOf(removed.get()), "p:d") << "a removed attribute keeps its name";
    rt::check(map->getNamedItem(u"p:d", named.put()));
    EXPECT_FALSE(named);
    ComPtr<IXMLDOMNamedNodeMap> none;
    rt::check(doc->get_attributes(none.put()));
    EXPECT_FALSE(none);
}

TEST(DomNodes, CharacterData) {
    auto doc = newDocument();
    ComPtr<IXMLDOMText> t;
    rt::check(doc->createTextNode(u"hello world", t.put()));
    int32_t len = 0;
    rt::check(t->get_length(&len));
    EXPECT_EQ(len, 11);
    Str s;
    rt::check(t->substringData(6, 100, &s));
    EXPECT_EQ(u8(s), "world");
    rt::check(t->insertData(5, u","));
    rt::check(t->appendData(u"!"));
    rt::check(t->replaceData(0, 5, u"HELLO"));
    rt::check(t->deleteData(6, 1));
    rt::check(t->get_data(&s));
    EXPECT_EQ(u8(s), "HELLO,world!");
    EXPECT_EQ(errorOf([&] { rt::check(t->substringData(99, 1, &s)); }), 5);
    auto r = element(doc.get(), "r");
    append(r.get(), t.get());
    ComPtr<IXMLDOMText> rest;
    rt::check(t->splitText(6, rest.put()));
    EXPECT_EQ(lengthOf(children(r.get()).get()), 2);
    rt::check(rest->get_data(&s));
    EXPECT_EQ(u8(s), "world!");
    EXPECT_EQ(xmlOf(r.get()), "<r>HELLO,world!</r>");
    ComPtr<IXMLDOMCDATASection> cdata;
    rt::check(doc->createCDATASection(u"<x>", cdata.put()));
    append(r.get(), cdata.get());
    EXPECT_EQ(xmlOf(r.get()), "<r>HELLO,world!<![CDATA[<x>]]></r>");
}

TEST(DomNodes, CloneNode) {
    auto doc = parsed("<r xmlns:p='urn:p'><p:a k='v'><b>t</b></p:a></r>");
    ComPtr<IXMLDOMNode> a = select(doc.get(), "//p:a"), deep, shallow;
    rt::check(a->cloneNode(rt::VARIANT_TRUE, deep.put()));
    rt::check(a->cloneNode(rt::VARIANT_FALSE, shallow.put()));
    EXPECT_NE(deep.get(), a.get());
    EXPECT_EQ(xmlOf(deep.get()), "<p:a xmlns:p=\"urn:p\" k=\"v\"><b>t</b></p:a>");
    EXPECT_EQ(xmlOf(shallow.get()), "<p:a xmlns:p=\"urn:p\" k=\"v\"/>");
    ComPtr<IXMLDOMNode> parent;
    rt::check(deep->get_parentNode(parent.put()));
    EXPECT_FALSE(parent);
    ComPtr<IXMLDOMDocument> owner;
    rt::check(deep->get_ownerDocument(owner.put()));
    EXPECT_EQ(owner.get(), static_cast<IXMLDOMDocument*>(doc.get()));
    ComPtr<IXMLDOMNode> docCopy;
    rt::check(doc->cloneNode(rt::VARIANT_TRUE, docCopy.put()));
    EXPECT_EQ(xmlOf(docCopy.get()), xmlOf(doc.get()));
    EXPECT_NE(docCopy.get(), static_cast<IXMLDOMNode*>(doc.get()));
}

TEST(DomNodes, MarkupOfANodeCarriesTheNamespacesItNeeds) {
    auto doc = parsed(rowDocument(2));
    ComPtr<IXMLDOMNode> row = select(doc.get(), "//z:row");
    auto back = parsed(xmlOf(row.get()));
    EXPECT_EQ(xmlOf(back.get()), "<z:row xmlns:z=\"#RowsetSchema\" id=\"1\" name=\"n1\"/>\r\n");
    EXPECT_EQ(xmlOf(select(doc.get(), "//z:row/@id").get()), "id=\"1\"");
}
