// Node reading and path access: the readers, the payload locators, the child counter and
// the folding path accessors, early-bound and late-bound by member name.
#include "xml/nodes.h"
#include "xml_testing.h"

using namespace velmora;
using namespace velmora::testing;
using rt::CallArg;
using rt::ComPtr;
using rt::Str;
using rt::Variant;

namespace {

class XmlRead : public ::testing::Test {
protected:
    ComPtr<_CCommonFunction> cf = newCommon();

    Str elementVal(Str path, Element* node) {
        return client::call(cf.get(), &_CCommonFunction::GetElementVal, &path, &node);
    }
    Str attributeVal(Str name, Element* node) {
        return client::call(cf.get(), &_CCommonFunction::GetAttributeVal, &name, &node);
    }
    Str rootTag(Document* doc) { return client::call(cf.get(), &_CCommonFunction::sRootTag, &doc); }
    ComPtr<Element> selectRootTag(Document* doc) {
        return client::call(cf.get(), &_CCommonFunction::objSelectRootTag, &doc);
    }
    int16_t nodeCount(Element* pa) { return client::call(cf.get(), &_CCommonFunction::iNodeCount, &pa); }
    void setAttr(Variant path, Variant name, Variant value, Element* dom) {
        client::call(cf.get(), &_CCommonFunction::SetAttr, &path, &name, &value, &dom);
    }
    Str getAttr(Variant path, Variant name, Element* dom) {
        return client::call(cf.get(), &_CCommonFunction::GetAttr, &path, &name, &dom);
    }
    Str getNodeText(Variant path, Element* dom) {
        return client::call(cf.get(), &_CCommonFunction::GetNodeText, &path, &dom);
    }
    void setNodeText(Variant path, Variant value, Element* dom) {
        client::call(cf.get(), &_CCommonFunction::SetNodeText, &path, &value, &dom);
    }
    Variant late(rt::StrView name, std::vector<CallArg> args) { return velmora::testing::late(cf, name, std::move(args)); }
};

const char16_t* const kVoucher =
    u"<kainterface roottag='Voucher'><voucher><Head><code id='upper'/></Head>"
    u"<head><code id='lower' name=' Kept Case '/></head><memo>  A01  </memo></voucher></kainterface>";

}  // namespace

// ---- Readers ---------------------------------------------------------------------------

TEST_F(XmlRead, GetElementValTrimsTheSelectedText) {
    auto doc = parse(u"<r><code>  A01  </code><n><a>x</a><b> y</b></n></r>");
    auto root = rootOf(doc.get());
    EXPECT_EQ(elementVal(u"code", root.get()), u"A01");
    EXPECT_EQ(elementVal(u"n", root.get()), u"x y");  // the text of the descendants
    EXPECT_EQ(elementVal(u"missing", root.get()), u"");
    EXPECT_EQ(elementVal(u"code", nullptr), u"");
}

TEST_F(XmlRead, GetElementValFailuresReachTheCaller) {
    auto doc = parse(u"<r a='1'><code>x</code></r>");
    auto root = rootOf(doc.get());
    EXPECT_EQ(errorNumber([&] { elementVal(u"@a", root.get()); }), rt::kErrTypeMismatch);
    EXPECT_EQ(errorNumber([&] { elementVal(u"code/text()", root.get()); }), rt::kErrTypeMismatch);
    EXPECT_THROW(elementVal(u"code[", root.get()), rt::Error);
}

TEST_F(XmlRead, GetAttributeValTurnsAbsenceIntoEmptyText) {
    auto doc = parse(u"<r a='  Mixed Case  ' e=''/>");
    auto root = rootOf(doc.get());
    EXPECT_EQ(attributeVal(u"a", root.get()), u"Mixed Case");
    EXPECT_EQ(attributeVal(u"e", root.get()), u"");
    EXPECT_EQ(attributeVal(u"absent", root.get()), u"");
    EXPECT_EQ(attributeVal(u"A", root.get()), u"");  // names are case-sensitive
    EXPECT_EQ(attributeVal(u"a", nullptr), u"");
}

TEST_F(XmlRead, RootTagIsReadInLowerCase) {
    auto doc = parse(kVoucher);
    EXPECT_EQ(rootTag(doc.get()), u"voucher");
    EXPECT_EQ(rootTag(parse(u"<kainterface/>").get()), u"");
    EXPECT_EQ(rootTag(newDoc().get()), u"");  // no root element
    EXPECT_EQ(errorNumber([&] { rootTag(nullptr); }), rt::kErrObjectNotSet);
}

TEST_F(XmlRead, SelectRootTagFindsThePayloadByTheLowerCaseTag) {
    auto doc = parse(kVoucher);
    auto payload = selectRootTag(doc.get());
    ASSERT_TRUE(payload);
    Str name;
    rt::check(payload->get_nodeName(&name));
    EXPECT_EQ(name, u"voucher");

    auto bare = parse(u"<kainterface ver='1'><row/></kainterface>");
    EXPECT_TRUE(sameObject(selectRootTag(bare.get()).get(), rootOf(bare.get()).get()));
}

TEST_F(XmlRead, SelectRootTagAnswersNothingInsteadOfFailing) {
    EXPECT_FALSE(selectRootTag(parse(u"<kainterface roottag='bill'><voucher/></kainterface>").get()));
    EXPECT_FALSE(selectRootTag(nullptr));
    EXPECT_FALSE(selectRootTag(newDoc().get()));
    // A tag that selects an attribute, or that the path engine rejects.
    EXPECT_FALSE(selectRootTag(parse(u"<k roottag='@roottag'/>").get()));
    EXPECT_FALSE(selectRootTag(parse(u"<k roottag='a['/>").get()));
}

TEST_F(XmlRead, NodeCountCountsEveryKindOfChild) {
    auto doc = parse(u"<r>text<a/><!-- c --><?pi x?><b><c/></b></r>");
    EXPECT_EQ(nodeCount(rootOf(doc.get()).get()), 5);
    EXPECT_EQ(nodeCount(select(doc.get(), u"r/a").get()), 0);
    EXPECT_EQ(nodeCount(nullptr), 0);
}

TEST_F(XmlRead, NodeCountOverflowsPast32767) {
    Str many = u"<r>";
    for (int i = 0; i < 32768; ++i) many += u"<a/>";
    many += u"</r>";
    auto doc = parse(many.c_str());
    EXPECT_EQ(errorNumber([&] { nodeCount(rootOf(doc.get()).get()); }), rt::kErrOverflow);
    ComPtr<dom::IXMLDOMNode> first;
    rt::check(rootOf(doc.get())->get_firstChild(first.put()));
    ComPtr<dom::IXMLDOMNode> gone;
    rt::check(rootOf(doc.get())->removeChild(first.get(), gone.put()));
    EXPECT_EQ(nodeCount(rootOf(doc.get()).get()), 32767);
}

// ---- Path accessors ----------------------------------------------------------------------

TEST_F(XmlRead, SetAttrFoldsPathNameAndValue) {
    auto doc = parse(kVoucher);
    auto payload = select(doc.get(), u"kainterface/voucher");
    setAttr(str(u" Head/Code "), str(u"ID"), str(u" AB 1 "), payload.get());
    EXPECT_EQ(attrOf(select(payload.get(), u"head/code").get(), u"id"), "ab 1");
    EXPECT_EQ(attrOf(select(payload.get(), u"Head/code").get(), u"id"), "upper");  // not found, unchanged
    EXPECT_EQ(attrOf(select(payload.get(), u"head/code").get(), u"ID"), "<absent>");
}

TEST_F(XmlRead, GetAttrKeepsTheCaseOfTheValue) {
    auto doc = parse(kVoucher);
    auto payload = select(doc.get(), u"kainterface/voucher");
    EXPECT_EQ(getAttr(str(u"HEAD/code"), str(u" NAME "), payload.get()), u"Kept Case");
    EXPECT_EQ(getAttr(str(u"head/code"), str(u"absent"), payload.get()), u"");
    EXPECT_EQ(getAttr(str(u"nowhere"), str(u"id"), payload.get()), u"");
}

TEST_F(XmlRead, PredicatesAreFoldedWhole) {
    auto doc = parse(u"<r><item name='X' v='upper'/><item name='x' v='lower'/></r>");
    auto root = rootOf(doc.get());
    EXPECT_EQ(getAttr(str(u"item[@name='X']"), str(u"v"), root.get()), u"lower");
    setAttr(str(u"item[@name='X']"), str(u"v"), str(u"Set"), root.get());
    EXPECT_EQ(xmlOf(root.get()), "<r><item name=\"X\" v=\"upper\"/><item name=\"x\" v=\"set\"/></r>");
}

TEST_F(XmlRead, NodeTextIsStoredFoldedAndReadExactly) {
    auto doc = parse(u"<r><status>  Left By Another Writer </status><memo>old<b>child</b></memo></r>");
    auto root = rootOf(doc.get());
    EXPECT_EQ(getNodeText(str(u"status"), root.get()), u"  Left By Another Writer ");
    setNodeText(str(u"MEMO"), str(u" Paid In Full "), root.get());
    EXPECT_EQ(getNodeText(str(u"memo"), root.get()), u"paid in full");
    EXPECT_EQ(xmlOf(select(root.get(), u"memo").get()), "<memo>paid in full</memo>");  // children replaced
    setNodeText(str(u"memo"), Variant(rt::Null{}), root.get());  // no text: the empty text
    EXPECT_EQ(xmlOf(select(root.get(), u"memo").get()), "<memo/>");
}

TEST_F(XmlRead, TextPathsNeedAContextElement) {
    auto doc = parse(u"<r a='1'><c>t</c></r>");
    setAttr(str(u"c"), str(u"x"), str(u"1"), nullptr);
    setNodeText(str(u"c"), str(u"new"), nullptr);
    EXPECT_EQ(getAttr(str(u"."), str(u"a"), nullptr), u"");
    EXPECT_EQ(getNodeText(str(u"c"), nullptr), u"");
    EXPECT_EQ(xmlOf(rootOf(doc.get()).get()), "<r a=\"1\"><c>t</c></r>");
}

TEST_F(XmlRead, AnElementReferenceIsUsedDirectly) {
    auto doc = parse(u"<r><c Mixed='Value'>t</c></r>");
    auto other = parse(u"<other><c/></other>");
    auto c = select(doc.get(), u"r/c");
    Variant ref(c);
    setAttr(ref, str(u"X"), str(u"Y"), rootOf(other.get()).get());
    EXPECT_EQ(attrOf(c.get(), u"x"), "y");
    EXPECT_EQ(getAttr(ref, str(u"x"), nullptr), u"y");
    EXPECT_EQ(getNodeText(ref, nullptr), u"t");
    setNodeText(ref, str(u"U"), nullptr);
    EXPECT_EQ(textOf(c.get()), "u");
    // Folded names do not find mixed-case attributes.
    EXPECT_EQ(getAttr(ref, str(u"Mixed"), nullptr), u"");
    EXPECT_EQ(xmlOf(rootOf(other.get()).get()), "<other><c/></other>");
}

TEST_F(XmlRead, PathAccessorsSwallowEveryFailure) {
    auto doc = parse(u"<r a='1'><c>t</c></r>");
    auto root = rootOf(doc.get());
    // A rejected path, a selected node that is not an element, an object that is not one.
    EXPECT_EQ(getAttr(str(u"c["), str(u"a"), root.get()), u"");
    EXPECT_EQ(getNodeText(str(u"@a"), root.get()), u"");
    EXPECT_EQ(getNodeText(Variant(doc), root.get()), u"");
    EXPECT_EQ(getNodeText(Variant::nothing(), root.get()), u"");
    setNodeText(str(u"c/text()"), str(u"x"), root.get());
    setAttr(Variant(doc), str(u"x"), str(u"1"), root.get());
    setAttr(str(u"c"), str(u"bad name"), str(u"1"), root.get());
    setAttr(str(u"missing"), str(u"x"), str(u"1"), root.get());
    EXPECT_EQ(xmlOf(root.get()), "<r a=\"1\"><c>t</c></r>");
    // Values without text fold to the empty text.
    setAttr(str(u"c"), str(u"v"), Variant(rt::Array(0, {})), root.get());
    EXPECT_EQ(attrOf(select(root.get(), u"c").get(), u"v"), "");
}

// ---- Plain functions and late-bound calls ------------------------------------------------

// The library's own code reaches the readers through the thread's shared object, so that
// each keeps its guard.
TEST(XmlNodes, TheLibrarysOwnReadingKeepsTheGuards) {
    _CCommonFunction* cf = shared();
    auto doc = parse(u"<kainterface roottag='con_map'><con_map><row pos='1k' host='srv|a'/></con_map></kainterface>");
    Document* d = doc.get();
    auto map = client::call(cf, &_CCommonFunction::objSelectRootTag, &d);
    ASSERT_TRUE(map);
    auto selected = select(map.get(), u"row[@host='srv|a']");
    Element* row = selected.get();
    Str pos = u"pos";
    EXPECT_EQ(client::call(cf, &_CCommonFunction::GetAttributeVal, &pos, &row), u"1k");
    Element* m = map.get();
    EXPECT_EQ(client::call(cf, &_CCommonFunction::iNodeCount, &m), 1);
    Document* none = nullptr;
    EXPECT_FALSE(client::call(cf, &_CCommonFunction::objSelectRootTag, &none));
    EXPECT_THROW(client::call(cf, &_CCommonFunction::sRootTag, &none), rt::Error);
    Str badPath = u"row[@host='it's']";
    EXPECT_THROW(client::call(cf, &_CCommonFunction::GetElementVal, &badPath, &m), rt::Error);
    Variant path = str(u"row"), name = str(u"POS");
    EXPECT_EQ(client::call(cf, &_CCommonFunction::GetAttr, &path, &name, &m), u"1k");
}

TEST_F(XmlRead, LateBoundReading) {
    auto doc = parse(kVoucher);
    Variant d(doc);
    EXPECT_EQ(late(u"sRootTag", {d}).str(), u"voucher");
    Variant payload = late(u"objSelectRootTag", {d});
    auto p = objectAs<Element>(payload);
    ASSERT_TRUE(p);
    EXPECT_EQ(late(u"GetElementVal", {str(u"memo"), payload}).str(), u"A01");
    EXPECT_EQ(late(u"getattributeval", {str(u"roottag"), Variant(rootOf(doc.get()))}).str(), u"Voucher");
    EXPECT_EQ(rt::toI4(late(u"iNodeCount", {payload})), 3);
    EXPECT_EQ(rt::toI4(late(u"iNodeCount", {Variant::nothing()})), 0);
    EXPECT_TRUE(late(u"objSelectRootTag", {Variant::nothing()}).isNothing());

    late(u"SetAttr", {str(u"Head/Code"), str(u"ID"), str(u"AB 1"), payload});
    EXPECT_EQ(late(u"GetAttr", {str(u"head/code"), str(u"id"), payload}).str(), u"ab 1");
    late(u"SetNodeText", {str(u"memo"), str(u"Paid In Full"), payload});
    EXPECT_EQ(late(u"GetNodeText", {str(u"memo"), payload}).str(), u"paid in full");
    // objDom left out: nothing to evaluate a text path against.
    EXPECT_EQ(late(u"GetNodeText", {str(u"memo")}).str(), u"");
    late(u"SetNodeText", {str(u"memo"), str(u"x")});
    // An element as the node reference needs no context.
    Variant memo(select(p.get(), u"memo"));
    EXPECT_EQ(late(u"GetNodeText", {memo}).str(), u"paid in full");

    try {
        late(u"sRootTag", {Variant::nothing()});
        FAIL();
    } catch (rt::Error& e) {
        EXPECT_EQ(e.numberValue(), rt::kErrObjectNotSet);
        EXPECT_EQ(e.source(), u"Velmora.CCommonFunction");
    }
}
