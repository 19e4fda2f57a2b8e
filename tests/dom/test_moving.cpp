// Moving nodes within and between documents, with their namespace bindings.
#include "dom_testing.h"

#include "dom/native.h"

using namespace dom;
using namespace dom::testing;

TEST(DomMoving, ElementOfAnotherDocumentMovesWithItsSubtree) {
    auto target = parsed("<root/>");
    ComPtr<IXMLDOMNode> moved;
    {
        auto source = parsed("<src><item k='1'><sub>x</sub></item><stay/></src>");
        moved = select(source.get(), "//item");
        append(rootOf(target.get()).get(), moved.get());
        EXPECT_EQ(xmlOf(source.get()), "<src><stay/></src>\r\n");
    }
    EXPECT_EQ(xmlOf(target.get()), "<root><item k=\"1\"><sub>x</sub></item></root>\r\n");
    ComPtr<IXMLDOMDocument> owner;
    rt::check(moved->get_ownerDocument(owner.put()));
    EXPECT_EQ(owner.get(), static_cast<IXMLDOMDocument*>(target.get()));
    EXPECT_EQ(select(target.get(), "//sub").get(), select(moved.get(), "sub").get());
}

TEST(DomMoving, NamespaceBindingsTravelWithTheNode) {
    auto source = parsed(rowDocument(3));
    ComPtr<IXMLDOMNode> row = select(source.get(), "//z:row");
    auto target = parsed("<other/>");
    append(rootOf(target.get()).get(), row.get());
    source = nullptr;  // the document that declared z is gone
    std::string x = xmlOf(target.get());
    EXPECT_EQ(x, "<other><z:row xmlns:z=\"#RowsetSchema\" id=\"1\" name=\"n1\"/></other>\r\n");
    EXPECT_TRUE(parsed(x));
    Str uri;
    rt::check(row->get_namespaceURI(&uri));
    EXPECT_EQ(u8(uri), "#RowsetSchema");
}

TEST(DomMoving, MovedNodeReusesADeclarationInScopeAtItsNewPlace) {
    auto source = parsed(rowDocument(2));
    auto target = parsed(rowDocument(0));
    ComPtr<IXMLDOMNode> row = select(source.get(), "//z:row"), data = select(target.get(), "//rs:data");
    append(data.get(), row.get());
    EXPECT_EQ(xmlOf(row.get()), "<z:row xmlns:z=\"#RowsetSchema\" id=\"1\" name=\"n1\"/>");
    std::string whole = xmlOf(target.get());
    EXPECT_NE(whole.find("<rs:data><z:row id=\"1\" name=\"n1\"/></rs:data>"), std::string::npos) << whole;
}

TEST(DomMoving, InsertBeforeAndReplaceChildAcrossDocuments) {
    auto target = parsed("<r><a/><b/></r>");
    auto source = parsed("<s><x/><y/></s>");
    ComPtr<IXMLDOMNode> a = select(target.get(), "//a"), b = select(target.get(), "//b");
    ComPtr<IXMLDOMNode> x = select(source.get(), "//x"), y = select(source.get(), "//y"), out;
    rt::check(rootOf(target.get())->insertBefore(x.get(), rt::Variant(b), out.put()));
    rt::check(rootOf(target.get())->replaceChild(y.get(), a.get(), out.put()));
    EXPECT_EQ(out.get(), a.get());
    EXPECT_EQ(xmlOf(target.get()), "<r><y/><x/><b/></r>\r\n");
    EXPECT_EQ(xmlOf(source.get()), "<s/>\r\n");
}

TEST(DomMoving, ReplaceChildWithANodeFromInsideTheReplacedChild) {
    // The template pattern: the element found under the root becomes the root.
    auto doc = parsed("<kainterface roottag='budgetmgr'><budgetmgr><con_ref maxcon='10'/><other/></budgetmgr></kainterface>");
    ComPtr<IXMLDOMNode> tmpl = select(select(doc.get(), "/kainterface/budgetmgr").get(), "con_ref"), out;
    auto old = rootOf(doc.get());
    rt::check(doc->replaceChild(tmpl.get(), old.get(), out.put()));
    EXPECT_EQ(xmlOf(doc.get()), "<con_ref maxcon=\"10\"/>\r\n");
    EXPECT_EQ(attr(rootOf(doc.get()).get(), "maxcon"), "10");
    EXPECT_EQ(xmlOf(out.get()), "<kainterface roottag=\"budgetmgr\"><budgetmgr><other/></budgetmgr></kainterface>");

    auto inner = parsed("<a><b><c/></b></a>");
    ComPtr<IXMLDOMNode> b = select(inner.get(), "//b"), c = select(inner.get(), "//c");
    rt::check(rootOf(inner.get())->replaceChild(c.get(), b.get(), out.put()));
    EXPECT_EQ(xmlOf(inner.get()), "<a><c/></a>\r\n");
}

TEST(DomMoving, PrefixedCreatedElementBindsWhereItIsInserted) {
    auto doc = parsed(rowDocument(1));
    ComPtr<IXMLDOMNode> data = select(doc.get(), "//rs:data");
    // Made in a private document, as the node helpers do, then inserted into the row document.
    auto scratch = newDocument();
    auto row = element(scratch.get(), "z:row");
    setAttr(row.get(), "id", "9");
    EXPECT_EQ(xmlOf(row.get()), "<z:row id=\"9\"/>");
    append(data.get(), row.get());
    Str uri;
    rt::check(row->get_namespaceURI(&uri));
    EXPECT_EQ(u8(uri), "#RowsetSchema");
    EXPECT_EQ(nameOf(row.get()), "z:row");
    ComPtr<IXMLDOMNodeList> rows;
    rt::check(data->selectNodes(u"z:row", rows.put()));
    EXPECT_EQ(lengthOf(rows.get()), 2);
    EXPECT_EQ(select(doc.get(), "//z:row[@id='9']").get(), static_cast<IXMLDOMNode*>(row.get()));
    auto again = parsed(xmlOf(doc.get()));
    EXPECT_TRUE(select(again.get(), "//z:row[@id='9']"));

    // Within the same document too.
    auto local = element(doc.get(), "z:row");
    append(data.get(), local.get());
    rt::check(local->get_namespaceURI(&uri));
    EXPECT_EQ(u8(uri), "#RowsetSchema");
}

TEST(DomMoving, PrefixedAttributeBindsInScope) {
    auto doc = parsed(rowDocument(1));
    auto type = as<IXMLDOMElement>(select(doc.get(), "//s:AttributeType"));
    setAttr(type.get(), "rs:writeunknown", "True");
    EXPECT_TRUE(select(doc.get(), "//s:AttributeType[@rs:writeunknown='True']"));
    auto scratch = newDocument();
    auto loose = element(scratch.get(), "s:AttributeType");
    setAttr(loose.get(), "rs:nullable", "true");
    append(select(doc.get(), "//s:ElementType").get(), loose.get());
    EXPECT_TRUE(select(doc.get(), "//s:AttributeType[@rs:nullable='true']"));
}

TEST(DomMoving, PersistedRowRoundTripThroughACopy) {
    // What the record set conversion does: copy the root, stamp the schema, detach the rows,
    // hand the schema part to a new document.
    auto doc = parsed(rowDocument(5));
    ComPtr<IXMLDOMNode> copy;
    rt::check(rootOf(doc.get())->cloneNode(rt::VARIANT_TRUE, copy.put()));
    ComPtr<IXMLDOMNode> elementType = select(copy.get(), "//s:ElementType");
    ASSERT_TRUE(elementType);
    ComPtr<IXMLDOMNodeList> columns = children(elementType.get());
    for (int32_t i = 0; i < lengthOf(columns.get()); ++i) {
        ComPtr<IXMLDOMNode> c;
        rt::check(columns->get_item(i, c.put()));
        auto e = as<IXMLDOMElement>(c);
        if (attr(e.get(), "rs:hidden") != "true") setAttr(e.get(), "rs:nullable", "true");
    }
    ComPtr<IXMLDOMNode> data = select(copy.get(), "rs:data"), removed;
    ASSERT_TRUE(data);
    rt::check(copy->removeChild(data.get(), removed.put()));
    auto schemaDoc = newDocument();
    append(schemaDoc.get(), copy.get());
    doc = nullptr;
    EXPECT_EQ(lengthOf(children(data.get()).get()), 5);
    xmlDocPtr native = nativeDocument(schemaDoc.get());
    ASSERT_TRUE(native);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(xmlDocGetRootElement(native)->name)), "xml");
    auto reread = parsed(xmlOf(schemaDoc.get()));
    ComPtr<IXMLDOMNodeList> stamped;
    rt::check(reread->selectNodes(u"//s:AttributeType[@rs:nullable='true']", stamped.put()));
    EXPECT_EQ(lengthOf(stamped.get()), 1) << "the hidden column is left alone";
    EXPECT_FALSE(select(reread.get(), "//rs:data"));
    ComPtr<IXMLDOMNode> firstRow;
    rt::check(data->get_firstChild(firstRow.put()));
    EXPECT_EQ(xmlOf(firstRow.get()), "<z:row xmlns:z=\"#RowsetSchema\" id=\"1\" name=\"n1\"/>");
}

// The place a node leaves may be freed by the move (a detached subtree that nothing else
// references, the replaced document element); the node's namespaces were declared there.
TEST(DomMoving, LeavingASubtreeThatIsFreedKeepsTheNamespaces) {
    auto doc = parsed("<r xmlns:p='urn:p'><p:a p:k='1'><p:b/></p:a></r>");
    rt::check(doc->putref_documentElement(as<IXMLDOMElement>(select(doc.get(), "//p:a")).get()));
    EXPECT_EQ(xmlOf(doc.get()), "<p:a xmlns:p=\"urn:p\" p:k=\"1\"><p:b/></p:a>\r\n");

    for (bool otherDocument : {false, true}) {
        SCOPED_TRACE(otherDocument);
        auto source = parsed("<s><x xmlns:q='urn:q'><q:y q:k='2'><q:z/></q:y></x></s>");
        ComPtr<IXMLDOMNode> y = select(source.get(), "/s/x/*"), removed;
        rt::check(rootOf(source.get())->removeChild(select(source.get(), "/s/x").get(), removed.put()));
        removed = nullptr;  // only y holds the detached x now
        auto target = otherDocument ? parsed("<t/>") : source;
        append(rootOf(target.get()).get(), y.get());
        EXPECT_EQ(xmlOf(rootOf(target.get()).get()),
                  std::string(otherDocument ? "<t>" : "<s>") + "<q:y xmlns:q=\"urn:q\" q:k=\"2\"><q:z/></q:y>" +
                      (otherDocument ? "</t>" : "</s>"));
        Str uri;
        rt::check(select(y.get(), "*")->get_namespaceURI(&uri));
        EXPECT_EQ(u8(uri), "urn:q");
    }
}

// An entity reference keeps its name when it moves (alone, inside an element or inside an
// attribute's value; parsed or copied) to a document that outlives the one it came from.
TEST(DomMoving, EntityReferencesOutliveTheDocumentTheyCameFrom) {
    for (bool copied : {false, true}) {
        SCOPED_TRACE(copied);
        auto target = parsed("<t/>");
        {
            auto source = parsed("<!DOCTYPE r [<!ENTITY e 'ours'>]><r>&e;<b k='&e;!'>&e; and &e;</b></r>");
            ComPtr<IXMLDOMNode> reference, b = select(source.get(), "/r/b");
            rt::check(children(rootOf(source.get()).get())->get_item(0, reference.put()));
            if (copied) {
                ComPtr<IXMLDOMNode> copy;
                rt::check(reference->cloneNode(rt::VARIANT_TRUE, copy.put()));
                reference = copy;
                rt::check(b->cloneNode(rt::VARIANT_TRUE, copy.put()));
                b = copy;
            }
            append(rootOf(target.get()).get(), reference.get());
            append(rootOf(target.get()).get(), b.get());
        }
        EXPECT_EQ(xmlOf(target.get()), "<t>&e;<b k=\"&e;!\">&e; and &e;</b></t>\r\n");
        ComPtr<IXMLDOMNode> removed;
        rt::check(rootOf(target.get())->removeChild(select(target.get(), "/t/b").get(), removed.put()));
        removed = nullptr;  // freed with the target's nodes
        EXPECT_EQ(xmlOf(target.get()), "<t>&e;</t>\r\n");
    }
}
