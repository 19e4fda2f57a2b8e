// Path selection: XPath relative to the context node, prefixes in scope, errors, caching.
#include "dom_testing.h"

#include "dom/native.h"

using namespace dom;
using namespace dom::testing;

TEST(DomPaths, RelativeToTheContextNodeFirstMatchInDocumentOrder) {
    auto doc = parsed("<r><a n='1'><b n='2'/></a><b n='3'/><a n='4'/></r>");
    auto r = rootOf(doc.get());
    EXPECT_EQ(attr(as<IXMLDOMElement>(select(r.get(), "a")).get(), "n"), "1");
    EXPECT_EQ(attr(as<IXMLDOMElement>(select(r.get(), "//b")).get(), "n"), "2");
    EXPECT_EQ(attr(as<IXMLDOMElement>(select(r.get(), "b | a/b")).get(), "n"), "2") << "document order, not path order";
    ComPtr<IXMLDOMNode> a = select(r.get(), "a");
    EXPECT_EQ(attr(as<IXMLDOMElement>(select(a.get(), "b")).get(), "n"), "2");
    EXPECT_EQ(attr(as<IXMLDOMElement>(select(a.get(), "../a[2]")).get(), "n"), "4");
    EXPECT_FALSE(select(r.get(), "nothing/here"));
    ComPtr<IXMLDOMNodeList> all;
    rt::check(r->selectNodes(u"//@n", all.put()));
    ASSERT_EQ(lengthOf(all.get()), 4);
    std::string order;
    for (int32_t i = 0; i < 4; ++i) {
        ComPtr<IXMLDOMNode> n;
        rt::check(all->get_item(i, n.put()));
        order += textOf(n.get());
    }
    EXPECT_EQ(order, "1234");
}

TEST(DomPaths, PrefixesInScopeOfTheContextNode) {
    auto doc = parsed(rowDocument(3));
    auto root = rootOf(doc.get());
    EXPECT_TRUE(select(root.get(), "rs:data"));
    EXPECT_TRUE(select(root.get(), "//s:ElementType"));
    EXPECT_TRUE(select(doc.get(), "//s:ElementType")) << "from the document, the root element's prefixes";
    ComPtr<IXMLDOMNode> data = select(root.get(), "rs:data");
    ComPtr<IXMLDOMNodeList> rows;
    rt::check(data->selectNodes(u"z:row[@id > 1]", rows.put()));
    EXPECT_EQ(lengthOf(rows.get()), 2);
    // A prefix declared lower down is in scope only there.
    auto nested = parsed("<r><q:x xmlns:q='urn:q'><q:y/></q:x></r>");
    EXPECT_NE(errorOf([&] { select(nested.get(), "//q:y"); }), 0);
    EXPECT_TRUE(select(select(nested.get(), "/r/*").get(), "q:y"));
}

TEST(DomPaths, DetachedSubtreeIsItsOwnTree) {
    auto doc = parsed(rowDocument(2));
    ComPtr<IXMLDOMNode> copy;
    rt::check(rootOf(doc.get())->cloneNode(rt::VARIANT_TRUE, copy.put()));
    EXPECT_TRUE(select(copy.get(), "//s:ElementType"));
    ComPtr<IXMLDOMNode> row = select(copy.get(), "//z:row[@id='2']");
    ASSERT_TRUE(row);
    EXPECT_EQ(select(row.get(), "/").get(), nullptr) << "no document above a detached subtree";
    EXPECT_NE(select(doc.get(), "//z:row[@id='2']").get(), row.get()) << "the copy is searched, not the document";
    ComPtr<IXMLDOMNode> parent;
    rt::check(copy->get_parentNode(parent.put()));
    EXPECT_FALSE(parent) << "the search left the subtree as it was";
}

TEST(DomPaths, RejectedPathsAreErrorsWithADescription) {
    auto doc = parsed("<r/>");
    for (const char* bad : {"r[", "//", "r/@", "@@x", "unknown:thing", "fn()"}) {
        std::string d = descriptionOf([&] { select(doc.get(), bad); });
        EXPECT_NE(d.find(bad), std::string::npos) << bad << " -> " << d;
    }
    std::string d = descriptionOf([&] { select(doc.get(), "count(//r)"); });
    EXPECT_NE(d.find("does not select nodes"), std::string::npos) << d;
    EXPECT_EQ(errorOf([&] { select(doc.get(), "r["); }), int32_t(rt::E_FAIL));
}

TEST(DomPaths, RepeatedPathsAreCompiledOnce) {
    auto doc = parsed("<r><row host='h' user='u'/></r>");
    auto root = rootOf(doc.get());
    const std::string path = "//row[@host='h' and @user='u' and @marker='cache-test']";
    select(root.get(), path);
    size_t after = pathCompilations();
    for (int i = 0; i < 50; ++i) select(root.get(), path);
    EXPECT_EQ(pathCompilations(), after);
    select(root.get(), path + "[1]");
    EXPECT_EQ(pathCompilations(), after + 1);
}

TEST(DomPaths, SelectedNodesOfEveryKind) {
    auto doc = parsed("<r a='1'>t<!--c--><?p d?></r>");
    EXPECT_EQ(textOf(select(doc.get(), "/r/text()").get()), "t");
    EXPECT_EQ(textOf(select(doc.get(), "/r/comment()").get()), "c");
    EXPECT_EQ(nameOf(select(doc.get(), "/r/processing-instruction()").get()), "p");
    EXPECT_EQ(nameOf(select(doc.get(), "/").get()), "#document");
    EXPECT_FALSE(select(doc.get(), "/r/namespace::*")) << "namespace nodes are not DOM nodes";
}
