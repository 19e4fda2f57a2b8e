// Node building: objMakeNode, objMakeNode2, objMakeNode3 and the interchange document,
// early-bound and late-bound by member name.
#include "xml/nodes.h"
#include "xml_testing.h"

using namespace velmora;
using namespace velmora::testing;
using rt::Array;
using rt::CallArg;
using rt::ComPtr;
using rt::Str;
using rt::Variant;

namespace {

const char* const kEmptyInterchange = "<?xml version=\"1.0\"?>\r\n<kainterface/>\r\n";

class XmlBuild : public ::testing::Test {
protected:
    ComPtr<_CCommonFunction> cf = newCommon();

    ComPtr<Element> makeNode(const Str& name, Array attr) {
        return client::call(cf.get(), &_CCommonFunction::objMakeNode, name, &attr);
    }
    // doc is the caller's variable: the method may store a new document in it.
    ComPtr<Element> makeNode2(const Str& name, ComPtr<Document>& doc, Variant& text, Array attr) {
        Document* slot = doc.detach();
        try {
            auto e = client::call(cf.get(), &_CCommonFunction::objMakeNode2, name, &slot, &text, &attr);
            doc = ComPtr<Document>::adopt(slot);
            return e;
        } catch (...) {
            doc = ComPtr<Document>::adopt(slot);
            throw;
        }
    }
    ComPtr<Element> makeNode3(Str name, Array entries) {
        return client::call(cf.get(), &_CCommonFunction::objMakeNode3, &name, &entries);
    }
    ComPtr<Document> kaDom(Array attr) { return client::call(cf.get(), &_CCommonFunction::objGenerateKaDom, &attr); }
    Str rootTag(Document* doc) { return client::call(cf.get(), &_CCommonFunction::sRootTag, &doc); }
    ComPtr<Element> selectRootTag(Document* doc) {
        return client::call(cf.get(), &_CCommonFunction::objSelectRootTag, &doc);
    }
    Variant late(rt::StrView name, std::vector<CallArg> args) { return velmora::testing::late(cf, name, std::move(args)); }
};

ComPtr<Document> ownerOf(dom::IXMLDOMNode* n) {
    present(n);
    ComPtr<Document> doc;
    rt::check(n->get_ownerDocument(doc.put()));
    return doc;
}

ComPtr<dom::IXMLDOMNode> parentOf(dom::IXMLDOMNode* n) {
    present(n);
    ComPtr<dom::IXMLDOMNode> p;
    rt::check(n->get_parentNode(p.put()));
    return p;
}

}  // namespace

// ---- objMakeNode ---------------------------------------------------------------------------

TEST_F(XmlBuild, MakeNodeTrimsValuesAndSkipsEmptyPairs) {
    auto e = makeNode(u"row", list({str(u"host"), str(u" srv1 "), str(u"user"), str(u"")}));
    ASSERT_TRUE(e);
    EXPECT_EQ(xmlOf(e.get()), "<row host=\"srv1\"/>");
    // A private document holds it, unattached.
    EXPECT_FALSE(parentOf(e.get()));
    auto owner = ownerOf(e.get());
    ASSERT_TRUE(owner);
    EXPECT_FALSE(rootOf(owner.get()));
}

TEST_F(XmlBuild, MakeNodeReadsPairsUpToTheUpperBound) {
    EXPECT_EQ(xmlOf(makeNode(u"a", list({str(u"x"), str(u"1"), str(u"y")})).get()), "<a x=\"1\"/>");
    EXPECT_EQ(xmlOf(makeNode(u"a", list({str(u"x")})).get()), "<a/>");
    EXPECT_EQ(xmlOf(makeNode(u"a", list({})).get()), "<a/>");
    // Null on either side, or a name of spaces, skips the pair; a repeated name keeps its last value.
    auto e = makeNode(u"a", list({Variant(rt::Null{}), str(u"v"), str(u"n"), Variant(rt::Null{}), str(u"  "),
                                  str(u"w"), str(u"k"), Variant(int32_t(5)), str(u"k"), Variant(2.5),
                                  str(u" t "), Variant(true)}));
    EXPECT_EQ(xmlOf(e.get()), "<a k=\"2.5\" t=\"True\"/>");
    // Each call has its own private document.
    auto other = makeNode(u"a", list({}));
    EXPECT_FALSE(sameObject(ownerOf(e.get()).get(), ownerOf(other.get()).get()));
}

TEST_F(XmlBuild, MakeNodeUsesTheNameUnchanged) {
    EXPECT_EQ(xmlOf(makeNode(u"Row", list({})).get()), "<Row/>");
    EXPECT_THROW(makeNode(u" row", list({})), rt::Error);
    EXPECT_THROW(makeNode(u"a b", list({})), rt::Error);
    EXPECT_THROW(makeNode(u"", list({})), rt::Error);
}

TEST_F(XmlBuild, MakeNodeFailuresReachTheCaller) {
    EXPECT_EQ(errorNumber([&] { makeNode(u"a", Array()); }), rt::kErrSubscript);          // never sized
    EXPECT_EQ(errorNumber([&] { makeNode(u"a", Array(1, {str(u"x"), str(u"1")})); }), rt::kErrSubscript);
    EXPECT_EQ(errorNumber([&] { makeNode(u"a", list({str(u"x"), Variant(list({}))})); }), rt::kErrTypeMismatch);
    // An attribute name the object model rejects.
    EXPECT_THROW(makeNode(u"a", list({str(u"1x"), str(u"v")})), rt::Error);
    // An empty list whose first index is not 0 has no pairs to read.
    EXPECT_EQ(xmlOf(makeNode(u"a", Array(1, {})).get()), "<a/>");
}

TEST_F(XmlBuild, MakeNodeAttributeListLimit) {
    std::vector<Variant> items;
    for (int i = 0; i < 32767; ++i) items.push_back(i % 2 ? Variant(int32_t(i)) : str(u"n"));
    auto e = makeNode(u"a", list(items));
    EXPECT_EQ(attrOf(e.get(), u"n"), "32765");  // the last full pair; the 32,767th element is a lone name
    items.push_back(Variant(int32_t(32767)));
    EXPECT_EQ(errorNumber([&] { makeNode(u"a", list(items)); }), rt::kErrOverflow);
}

// ---- objMakeNode2 --------------------------------------------------------------------------

TEST_F(XmlBuild, MakeNode2HandsBackANewDocumentWithoutTheElement) {
    ComPtr<Document> doc;
    Variant text(Str(u"  12.5  "));
    auto e = makeNode2(u"amount", doc, text, list({str(u"cur"), str(u" CNY")}));
    ASSERT_TRUE(doc);
    EXPECT_FALSE(rootOf(doc.get()));  // not appended
    EXPECT_TRUE(sameObject(ownerOf(e.get()).get(), doc.get()));
    ASSERT_TRUE(text.isString());
    EXPECT_EQ(text.str(), u"12.5");
    EXPECT_EQ(xmlOf(e.get()), "<amount cur=\"CNY\">12.5</amount>");
}

TEST_F(XmlBuild, MakeNode2UsesTheCallersDocument) {
    auto doc = parse(u"<map/>");
    auto given = doc;
    Variant text(int32_t(7));
    auto e = makeNode2(u"row", doc, text, list({}));
    EXPECT_TRUE(sameObject(doc.get(), given.get()));
    EXPECT_TRUE(sameObject(ownerOf(e.get()).get(), doc.get()));
    EXPECT_EQ(xmlOf(e.get()), "<row>7</row>");
    EXPECT_EQ(text.str(), u"7");
    EXPECT_EQ(xmlOf(rootOf(doc.get()).get()), "<map/>");
}

TEST_F(XmlBuild, MakeNode2NullOrEmptyTextSetsNoText) {
    ComPtr<Document> doc;
    Variant null(rt::Null{});
    auto e = makeNode2(u"row", doc, null, list({}));
    ASSERT_TRUE(e);
    ASSERT_TRUE(null.isString());
    EXPECT_EQ(null.str(), u"");
    int16_t children = -1;
    rt::check(e->hasChildNodes(&children));
    EXPECT_EQ(children, 0);

    Variant empty;
    makeNode2(u"row", doc, empty, list({}));
    EXPECT_TRUE(empty.isString());
    Variant spaces(Str(u"   "));
    EXPECT_EQ(xmlOf(makeNode2(u"row", doc, spaces, list({})).get()), "<row/>");
    EXPECT_EQ(spaces.str(), u"");
}

TEST_F(XmlBuild, MakeNode2KeepsTheNewDocumentWhenALaterStepFails) {
    ComPtr<Document> doc;
    Variant text(Str(u" x "));
    EXPECT_THROW(makeNode2(u"a b", doc, text, list({})), rt::Error);
    EXPECT_TRUE(doc);
    EXPECT_EQ(text.str(), u" x ");  // the failure came before the text step
    EXPECT_EQ(errorNumber([&] { makeNode2(u"a", doc, text, Array()); }), rt::kErrSubscript);
}

// ---- objMakeNode3 --------------------------------------------------------------------------

TEST_F(XmlBuild, MakeNode3EntriesAddressEarlierChildren) {
    auto v = makeNode3(u"voucher", list({Variant(int16_t(1)), str(u"voucher"), str(u"head"), str(u""),
                                         Variant(int16_t(0)), str(u"head"), str(u"code"), str(u"V01")}));
    ASSERT_TRUE(v);
    EXPECT_EQ(xmlOf(v.get()), "<voucher><head code=\"V01\"/></voucher>");
    EXPECT_FALSE(parentOf(v.get()));
}

TEST_F(XmlBuild, MakeNode3SkipsEntriesWhoseParentIsMissing) {
    auto v = makeNode3(u"v", list({Variant(int16_t(0)), str(u"nowhere"), str(u"a"), str(u"1"),
                                   Variant(int16_t(1)), str(u"v"), str(u"line"), str(u" L1 "),
                                   Variant(int16_t(1)), str(u"line"), str(u"qty"), Variant(3.5),
                                   str(u"1"), str(u"v"), str(u"memo"), str(u"m"),
                                   Variant(int16_t(2)), str(u"line/qty"), str(u"unit"), Variant(int32_t(4))}));
    ASSERT_TRUE(v);
    // Texts and values are used untrimmed; a kind of text "1" counts as 1.
    EXPECT_EQ(xmlOf(v.get()), "<v><line> L1 <qty unit=\"4\">3.5</qty></line><memo>m</memo></v>");
}

TEST_F(XmlBuild, MakeNode3ComparesTheRootNameExactly) {
    // "V" is no name of the root and, as a path, matches nothing.
    auto v = makeNode3(u"v", list({Variant(int16_t(0)), str(u"V"), str(u"a"), str(u"1")}));
    EXPECT_EQ(xmlOf(v.get()), "<v/>");
    // A kind other than 1 sets an attribute with the value as given.
    auto w = makeNode3(u"w", list({str(u"x"), str(u"w"), str(u"a"), Variant(int32_t(9)),
                                   Variant(rt::Null{}), str(u"w"), str(u"b"), str(u"2")}));
    EXPECT_EQ(xmlOf(w.get()), "<w a=\"9\" b=\"2\"/>");
    // A lone trailing group that cannot be read is never reached (i stays below the bound).
    EXPECT_EQ(xmlOf(makeNode3(u"x", list({Variant(int16_t(1))})).get()), "<x/>");
}

TEST_F(XmlBuild, MakeNode3FailuresGiveNothing) {
    auto fails = [&](Str name, Array entries) { return !makeNode3(std::move(name), std::move(entries)); };
    EXPECT_TRUE(fails(u"a b", list({})));
    EXPECT_TRUE(fails(u"x", Array()));  // a list that was never sized has no bounds
    EXPECT_TRUE(fails(u"v", list({Variant(int16_t(1)), str(u"v"), str(u"bad name"), str(u"")})));
    // A parent path that selects an attribute, not an element.
    EXPECT_TRUE(fails(u"v", list({Variant(int16_t(0)), str(u"v"), str(u"a"), str(u"1"),
                                  Variant(int16_t(0)), str(u"@a"), str(u"b"), str(u"2")})));
    EXPECT_TRUE(fails(u"v", list({Variant(int16_t(0)), str(u"v["), str(u"a"), str(u"1")})));  // rejected path
    // The last group is incomplete and its parent is found.
    EXPECT_TRUE(fails(u"v", list({Variant(int16_t(0)), str(u"v"), str(u"a")})));
    // Null names and texts.
    EXPECT_TRUE(fails(u"v", list({Variant(int16_t(1)), str(u"v"), Variant(rt::Null{}), str(u"t")})));
    EXPECT_TRUE(fails(u"v", list({Variant(int16_t(1)), str(u"v"), str(u"c"), Variant(rt::Null{})})));
    EXPECT_TRUE(fails(u"v", list({Variant(int16_t(0)), str(u"v"), str(u"c"), Variant(rt::Null{})})));
    // A list that does not start at index 0, once a parent is found.
    EXPECT_TRUE(fails(u"v", Array(1, {str(u"v"), str(u"a"), str(u"1"), Variant(int16_t(0))})));
    // An incomplete last group whose parent is not found is skipped.
    EXPECT_FALSE(fails(u"v", list({Variant(int16_t(0)), str(u"none"), str(u"a")})));
}

// ---- objGenerateKaDom ----------------------------------------------------------------------

TEST_F(XmlBuild, KaDomWithoutPairsIsTheBareInterchangeDocument) {
    EXPECT_EQ(xmlOf(kaDom(list({})).get()), kEmptyInterchange);
    EXPECT_EQ(xmlOf(kaDom(Array()).get()), kEmptyInterchange);
    EXPECT_EQ(xmlOf(kaDom(list({str(u"con_map")})).get()), kEmptyInterchange);
}

TEST_F(XmlBuild, KaDomRootTagMakesThePayloadElement) {
    auto doc = kaDom(list({str(u"roottag"), str(u" voucher "), str(u"ver"), Variant(int16_t(1))}));
    EXPECT_EQ(xmlOf(doc.get()),
              "<?xml version=\"1.0\"?>\r\n<kainterface roottag=\"voucher\" ver=\"1\"><voucher/></kainterface>\r\n");
    auto payload = selectRootTag(doc.get());
    ASSERT_TRUE(payload);
    EXPECT_EQ(xmlOf(payload.get()), "<voucher/>");
}

TEST_F(XmlBuild, KaDomRootTagIsLowerCaseOnly) {
    EXPECT_EQ(xmlOf(kaDom(list({str(u"RootTag"), str(u"voucher")})).get()),
              "<?xml version=\"1.0\"?>\r\n<kainterface RootTag=\"voucher\"/>\r\n");
    EXPECT_EQ(xmlOf(kaDom(list({str(u"roottag"), str(u" ")})).get()), kEmptyInterchange);
    // The later root tag wins, and only one payload element is made.
    EXPECT_EQ(xmlOf(kaDom(list({str(u"roottag"), str(u"a"), str(u"roottag"), str(u"b")})).get()),
              "<?xml version=\"1.0\"?>\r\n<kainterface roottag=\"b\"><b/></kainterface>\r\n");
}

TEST_F(XmlBuild, KaDomCapitalRootTagIsNotFoundAgain) {
    auto doc = kaDom(list({str(u"roottag"), str(u"Voucher")}));
    EXPECT_EQ(xmlOf(doc.get()),
              "<?xml version=\"1.0\"?>\r\n<kainterface roottag=\"Voucher\"><Voucher/></kainterface>\r\n");
    EXPECT_EQ(rootTag(doc.get()), u"voucher");
    EXPECT_FALSE(selectRootTag(doc.get()));
}

TEST_F(XmlBuild, KaDomSkipsFailingSteps) {
    // A rejected attribute name, entries without text and a rejected payload name are
    // skipped; the other pairs still apply.
    auto doc = kaDom(list({str(u"bad name"), str(u"1"), Variant(rt::Null{}), str(u"x"), Variant(list({})),
                           str(u"y"), str(u"roottag"), str(u"not valid"), str(u"ok"), str(u" yes ")}));
    EXPECT_EQ(xmlOf(doc.get()),
              "<?xml version=\"1.0\"?>\r\n<kainterface roottag=\"not valid\" ok=\"yes\"/>\r\n");
    // Bounds that do not start at 0: the unreadable pair is skipped.
    EXPECT_EQ(xmlOf(kaDom(Array(1, {str(u"a"), str(u"1")})).get()), kEmptyInterchange);
}

TEST_F(XmlBuild, KaDomStopsAtTheCountersLimit) {
    std::vector<Variant> items;
    for (int i = 0; i < 32770; ++i) items.push_back(i % 2 ? Variant(int32_t(i)) : str(u"n"));
    auto doc = kaDom(list(items));
    EXPECT_EQ(attrOf(rootOf(doc.get()).get(), u"n"), "32767");
}

// ---- Plain functions for the library's own callers -------------------------------------

// The library's own code reaches the builders through the thread's shared object, so that
// each keeps its guard.
TEST(XmlNodes, TheLibrarysOwnCallsKeepTheGuards) {
    _CCommonFunction* cf = shared();
    Variant text;
    ComPtr<Document> doc;
    Array pairs = list({str(u"pos"), str(u"12k")}), none = list({}), kaPairs = list({str(u"con_map")});
    auto row = client::call(cf, &_CCommonFunction::objMakeNode2, Str(u"row"), doc.put(), &text, &pairs);
    EXPECT_EQ(xmlOf(row.get()), "<row pos=\"12k\"/>");
    EXPECT_THROW(client::call(cf, &_CCommonFunction::objMakeNode, Str(u""), &none), rt::Error);
    Str empty;
    EXPECT_FALSE(client::call(cf, &_CCommonFunction::objMakeNode3, &empty, &none));
    auto map = client::call(cf, &_CCommonFunction::objGenerateKaDom, &kaPairs);
    Document* m = map.get();
    auto root = client::call(cf, &_CCommonFunction::objSelectRootTag, &m);
    ASSERT_TRUE(root);
    ComPtr<dom::IXMLDOMNode> added;
    rt::check(root->appendChild(row.get(), added.put()));  // an element of another document is accepted
    EXPECT_EQ(xmlOf(map.get()), "<?xml version=\"1.0\"?>\r\n<kainterface><row pos=\"12k\"/></kainterface>\r\n");
}

// ---- Late-bound ------------------------------------------------------------------------

TEST_F(XmlBuild, LateBoundBuilding) {
    Variant e = late(u"objMakeNode", {str(u"row"), Variant(list({str(u"host"), str(u" srv1 ")}))});
    EXPECT_EQ(xmlOf(objectAs<Element>(e).get()), "<row host=\"srv1\"/>");

    Variant doc = Variant::nothing();
    Variant text(Str(u" 3 "));
    Variant e2 = late(u"OBJMAKENODE2", {str(u"n"), CallArg::ref(doc), CallArg::ref(text), Variant(list({}))});
    auto d = objectAs<Document>(doc);
    ASSERT_TRUE(d);
    EXPECT_TRUE(sameObject(ownerOf(objectAs<Element>(e2).get()).get(), d.get()));
    EXPECT_EQ(text.str(), u"3");
    EXPECT_EQ(xmlOf(objectAs<Element>(e2).get()), "<n>3</n>");

    Variant tree = late(u"objMakeNode3", {str(u"voucher"),
                                          Variant(list({Variant(int16_t(1)), str(u"voucher"), str(u"head"), str(u""),
                                                        Variant(int16_t(0)), str(u"head"), str(u"code"),
                                                        str(u"V01")}))});
    EXPECT_EQ(xmlOf(objectAs<Element>(tree).get()), "<voucher><head code=\"V01\"/></voucher>");
    Variant none = late(u"objMakeNode3", {str(u"a b"), Variant(list({}))});
    EXPECT_TRUE(none.isNothing());

    Variant ka = late(u"objGenerateKaDom", {Variant(list({str(u"roottag"), str(u"voucher"), str(u"ver"), str(u"1")}))});
    EXPECT_EQ(xmlOf(objectAs<Document>(ka).get()),
              "<?xml version=\"1.0\"?>\r\n<kainterface roottag=\"voucher\" ver=\"1\"><voucher/></kainterface>\r\n");
    Variant bare = late(u"objGenerateKaDom", {Variant(Array())});
    EXPECT_EQ(xmlOf(objectAs<Document>(bare).get()), kEmptyInterchange);
}

TEST_F(XmlBuild, LateBoundFailuresCarryTheirNumber) {
    try {
        late(u"objMakeNode", {str(u"a"), Variant(Array(1, {str(u"x"), str(u"1")}))});
        FAIL();
    } catch (rt::Error& e) {
        EXPECT_EQ(e.numberValue(), rt::kErrSubscript);
        EXPECT_EQ(e.source(), u"Velmora.CCommonFunction");
    }
    EXPECT_THROW(late(u"objMakeNode", {str(u"bad name"), Variant(list({}))}), rt::Error);
}
