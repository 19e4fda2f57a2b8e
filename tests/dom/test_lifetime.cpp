// Lifetime of documents, nodes and detached subtrees. Run under ASan these also prove that no
// memory is used after it is freed and nothing leaks.
#include "dom_testing.h"

#include "dom/native.h"

using namespace dom;
using namespace dom::testing;

namespace {

long liveObjects() { return rt::liveObjectCount().load(); }

// Every test starts and ends with the same number of live objects.
class DomLifetime : public ::testing::Test {
protected:
    void SetUp() override { before_ = liveObjects(); }
    void TearDown() override { EXPECT_EQ(liveObjects(), before_) << "objects outlived their references"; }

private:
    long before_ = 0;
};

}  // namespace

TEST_F(DomLifetime, NodeKeepsItsDocumentAlive) {
    ComPtr<IXMLDOMNode> b;
    {
        auto doc = parsed("<a><b>text</b></a>");
        b = select(doc.get(), "//b");
    }
    ComPtr<IXMLDOMDocument> owner;
    rt::check(b->get_ownerDocument(owner.put()));
    ASSERT_TRUE(owner);
    EXPECT_EQ(xmlOf(owner.get()), "<a><b>text</b></a>\r\n");
    ComPtr<IXMLDOMNode> parent;
    rt::check(b->get_parentNode(parent.put()));
    EXPECT_EQ(nameOf(parent.get()), "a");
}

TEST_F(DomLifetime, RemovedNodeOutlivesItsDocument) {
    ComPtr<IXMLDOMNode> removed;
    {
        auto doc = parsed("<a xmlns:p='urn:p'><p:b k='v'><c>deep</c></p:b><d/></a>");
        ComPtr<IXMLDOMNode> b = select(doc.get(), "//p:b");
        rt::check(rootOf(doc.get())->removeChild(b.get(), removed.put()));
        EXPECT_EQ(xmlOf(doc.get()), "<a xmlns:p=\"urn:p\"><d/></a>\r\n");
    }
    // The old root (with the namespace declaration) may be gone; the subtree stands alone.
    EXPECT_EQ(xmlOf(removed.get()), "<p:b xmlns:p=\"urn:p\" k=\"v\"><c>deep</c></p:b>");
    EXPECT_EQ(textOf(select(removed.get(), "c").get()), "deep");
}

TEST_F(DomLifetime, DetachedSubtreeLivesWhileAnyNodeInsideIsReferenced) {
    ComPtr<IXMLDOMNode> inner;
    {
        auto doc = parsed("<a><b><c><d>x</d></c></b></a>");
        ComPtr<IXMLDOMNode> b = select(doc.get(), "//b"), out;
        inner = select(doc.get(), "//d");
        rt::check(rootOf(doc.get())->removeChild(b.get(), out.put()));
    }
    // Only a grandchild of the removed subtree is referenced now.
    ComPtr<IXMLDOMNode> up;
    rt::check(inner->get_parentNode(up.put()));
    ASSERT_TRUE(up);
    EXPECT_EQ(nameOf(up.get()), "c");
    ComPtr<IXMLDOMNode> top;
    rt::check(up->get_parentNode(top.put()));
    EXPECT_EQ(xmlOf(top.get()), "<b><c><d>x</d></c></b>");
}

TEST_F(DomLifetime, CreatedNodesNeverInsertedAreFreed) {
    auto doc = newDocument();
    for (int i = 0; i < 100; ++i) {
        auto e = element(doc.get(), "e");
        setAttr(e.get(), "k", "v");
        append(e.get(), element(doc.get(), "child").get());
        ComPtr<IXMLDOMText> t;
        rt::check(doc->createTextNode(u"t", t.put()));
        append(e.get(), t.get());
    }
    SUCCEED();  // ASan reports a leak if the never inserted nodes were kept
}

TEST_F(DomLifetime, ReloadKeepsOldNodesUsable) {
    auto doc = parsed("<old><x>1</x></old>");
    ComPtr<IXMLDOMNode> x = select(doc.get(), "//x");
    auto oldRoot = rootOf(doc.get());
    ASSERT_TRUE(parsed("<new/>"));
    int16_t ok = 0;
    rt::check(doc->loadXML(u"<new/>", &ok));
    EXPECT_EQ(xmlOf(doc.get()), "<new/>\r\n");
    EXPECT_EQ(textOf(x.get()), "1");
    ComPtr<IXMLDOMNode> parent;
    rt::check(oldRoot->get_parentNode(parent.put()));
    EXPECT_FALSE(parent) << "the old root is outside any tree now";
    // An old node can join the new tree.
    append(rootOf(doc.get()).get(), x.get());
    EXPECT_EQ(xmlOf(doc.get()), "<new><x>1</x></new>\r\n");
    rt::check(doc->loadXML(u"broken<", &ok));
    EXPECT_EQ(ok, rt::VARIANT_FALSE);
    EXPECT_EQ(xmlOf(x.get()), "<x>1</x>");
}

TEST_F(DomLifetime, ListsAndMapsKeepTheirNodesAlive) {
    ComPtr<IXMLDOMNodeList> list, selected;
    ComPtr<IXMLDOMNamedNodeMap> map;
    {
        auto doc = parsed("<a k='v'><b/><c/></a>");
        rt::check(rootOf(doc.get())->get_childNodes(list.put()));
        rt::check(rootOf(doc.get())->get_attributes(map.put()));
        rt::check(doc->selectNodes(u"//*", selected.put()));
    }
    EXPECT_EQ(lengthOf(list.get()), 2);
    EXPECT_EQ(lengthOf(selected.get()), 3);
    ComPtr<IXMLDOMNode> k;
    rt::check(map->getNamedItem(u"k", k.put()));
    EXPECT_EQ(textOf(k.get()), "v");
}

TEST_F(DomLifetime, ReplacedAndOverwrittenChildrenWithObjectsSurvive) {
    auto doc = parsed("<a><b><c/></b><d/></a>");
    ComPtr<IXMLDOMNode> b = select(doc.get(), "//b"), c = select(doc.get(), "//c"), d = select(doc.get(), "//d"), out;
    rt::check(rootOf(doc.get())->replaceChild(element(doc.get(), "e").get(), b.get(), out.put()));
    rt::check(rootOf(doc.get())->put_text(u"gone"));
    EXPECT_EQ(xmlOf(doc.get()), "<a>gone</a>\r\n");
    EXPECT_EQ(xmlOf(b.get()), "<b><c/></b>");
    EXPECT_EQ(xmlOf(d.get()), "<d/>");
    b = nullptr;
    EXPECT_EQ(nameOf(c.get()), "c") << "the grandchild keeps the removed subtree";
}

TEST_F(DomLifetime, ResetDocumentWithLivingNodes) {
    auto doc = parsed("<a><b>old</b></a>");
    ComPtr<IXMLDOMNode> b = select(doc.get(), "//b");
    xmlDocPtr fresh = xmlReadMemory("<n><m/></n>", 11, nullptr, nullptr, 0);
    ASSERT_TRUE(fresh);
    resetDocument(doc.get(), fresh);
    EXPECT_EQ(nativeDocument(doc.get()), fresh);
    EXPECT_EQ(xmlOf(doc.get()), "<n><m/></n>\r\n");
    EXPECT_EQ(textOf(b.get()), "old");
    EXPECT_EQ(errorOf([&] { resetDocument(nullptr, xmlNewDoc(BAD_CAST "1.0")); }), 424);
    EXPECT_EQ(errorOf([&] { resetDocument(doc.get(), fresh); }), int32_t(rt::E_INVALIDARG))
        << "a tree that already belongs to a document is refused";
    EXPECT_EQ(nativeDocument(nullptr), nullptr);
    EXPECT_EQ(nativeDocument(newDocument().get()), nullptr) << "empty";
}

TEST_F(DomLifetime, CloningADetachedAttributeWhoseTextMovedAway) {
    auto doc = parsed("<r a='v'><s/></r>");
    auto r = rootOf(doc.get());
    ComPtr<IXMLDOMNode> a = select(doc.get(), "/r/@a"), text;
    rt::check(r->removeAttribute(u"a"));
    rt::check(a->get_firstChild(text.put()));
    append(select(doc.get(), "/r/s").get(), text.get());
    ComPtr<IXMLDOMNode> copy;
    rt::check(a->cloneNode(rt::VARIANT_TRUE, copy.put()));
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.get(), a.get());
    EXPECT_EQ(nameOf(copy.get()), "a");
    EXPECT_EQ(textOf(copy.get()), "");
    ComPtr<IXMLDOMDocument> owner;
    rt::check(copy->get_ownerDocument(owner.put()));
    EXPECT_EQ(owner.get(), static_cast<IXMLDOMDocument*>(doc.get()));
    EXPECT_EQ(xmlOf(doc.get()), "<r><s>v</s></r>\r\n");
}

TEST_F(DomLifetime, ClonedAttributesKeepTheirQualifiedName) {
    auto doc = parsed("<r xmlns:p='urn:p' p:a='1'/>");
    ComPtr<IXMLDOMNode> a = select(doc.get(), "/r/@p:a"), attached, detached, removed;
    rt::check(a->cloneNode(rt::VARIANT_TRUE, attached.put()));
    ASSERT_TRUE(attached);
    EXPECT_EQ(nameOf(attached.get()), "p:a");
    EXPECT_EQ(textOf(attached.get()), "1");
    ComPtr<IXMLDOMNamedNodeMap> map;
    rt::check(rootOf(doc.get())->get_attributes(map.put()));
    rt::check(map->removeNamedItem(u"p:a", removed.put()));
    rt::check(removed->cloneNode(rt::VARIANT_FALSE, detached.put()));
    ASSERT_TRUE(detached);
    EXPECT_EQ(nameOf(detached.get()), "p:a");
    EXPECT_EQ(textOf(detached.get()), "1");
}
