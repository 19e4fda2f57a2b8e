// Collections of the object model enumerate through `_NewEnum` (dispatch id -4), as loops
// over childNodes, attributes and selected nodes do.
#include "dom_testing.h"

#include "runtime/classes.h"
#include "runtime/enumerator.h"

using namespace dom;
using namespace dom::testing;
using rt::Variant;

namespace {

ComPtr<rt::IDispatch> obj(const Variant& v) { return rt::toObject(v); }
std::string text(const Variant& v) { return u8(rt::toText(v)); }

ComPtr<rt::IDispatch> loaded(const char16_t* xml) {
    ComPtr<rt::IDispatch> doc = rt::createObject(u"MSXML2.DOMDocument");
    EXPECT_EQ(rt::callMethod(doc.get(), u"loadXML", {Variant(xml)}).boolean(), rt::VARIANT_TRUE);
    return doc;
}

ComPtr<rt::IDispatch> newEnum(rt::IDispatch* collection) {
    return obj(rt::invokeId(collection, rt::DISPID_NEWENUM, rt::DISPATCH_PROPERTYGET));
}

// The names of the nodes that one Next(count) gives.
std::vector<std::string> nextNames(rt::IDispatch* e, int32_t count) {
    Variant batch = rt::callMethod(e, u"Next", {Variant(count)});
    EXPECT_TRUE(batch.isArray());
    std::vector<std::string> names;
    for (const Variant& item : batch.array().items()) names.push_back(text(rt::getProperty(obj(item).get(), u"nodeName")));
    return names;
}

using Names = std::vector<std::string>;

}  // namespace

TEST(DomEnumeration, ChildNodesComeInOrderInBatchesThenNone) {
    ComPtr<rt::IDispatch> doc = loaded(u"<r><a/><b/><c/></r>");
    ComPtr<rt::IDispatch> root = obj(rt::getProperty(doc.get(), u"documentElement"));
    ComPtr<rt::IDispatch> e = newEnum(obj(rt::getProperty(root.get(), u"childNodes")).get());
    EXPECT_EQ(nextNames(e.get(), 2), (Names{"a", "b"}));
    EXPECT_EQ(nextNames(e.get(), 5), (Names{"c"}));
    EXPECT_EQ(nextNames(e.get(), 1), Names{});
    rt::callMethod(e.get(), u"Reset");
    EXPECT_EQ(rt::callMethod(e.get(), u"Skip", {Variant(int32_t(2))}).boolean(), rt::VARIANT_TRUE);
    ComPtr<rt::IDispatch> copy = obj(rt::callMethod(e.get(), u"Clone"));
    EXPECT_EQ(rt::callMethod(e.get(), u"Skip", {Variant(int32_t(2))}).boolean(), rt::VARIANT_FALSE);
    EXPECT_EQ(nextNames(e.get(), 1), Names{});
    EXPECT_EQ(nextNames(copy.get(), 3), (Names{"c"})) << "a clone keeps its own place";
    EXPECT_THROW(rt::callMethod(e.get(), u"Next", {Variant(int32_t(-1))}), rt::Error);
}

TEST(DomEnumeration, AnEnumeratorKeepsTheItemsOfItsMoment) {
    ComPtr<rt::IDispatch> doc = loaded(u"<r><a/><b/></r>");
    ComPtr<rt::IDispatch> root = obj(rt::getProperty(doc.get(), u"documentElement"));
    ComPtr<rt::IDispatch> children = obj(rt::getProperty(root.get(), u"childNodes"));
    ComPtr<rt::IDispatch> e = newEnum(children.get());
    rt::callMethod(root.get(), u"removeChild", {Variant(obj(rt::getProperty(root.get(), u"firstChild")))});
    EXPECT_EQ(rt::toI4(rt::getProperty(children.get(), u"length")), 1) << "the list itself is live";
    EXPECT_EQ(nextNames(e.get(), 10), (Names{"a", "b"}));
}

TEST(DomEnumeration, AttributesAndSelectedNodesEnumerateToo) {
    ComPtr<rt::IDispatch> doc = loaded(u"<r x='1' y='2'><v/><w/><v/></r>");
    ComPtr<rt::IDispatch> root = obj(rt::getProperty(doc.get(), u"documentElement"));
    EXPECT_EQ(nextNames(newEnum(obj(rt::getProperty(root.get(), u"attributes")).get()).get(), 10), (Names{"x", "y"}));
    ComPtr<rt::IDispatch> selected = obj(rt::callMethod(doc.get(), u"selectNodes", {Variant(u"/r/v")}));
    EXPECT_EQ(nextNames(newEnum(selected.get()).get(), 10), (Names{"v", "v"}));
    ComPtr<rt::IDispatch> empty = obj(rt::callMethod(doc.get(), u"selectNodes", {Variant(u"/r/none")}));
    EXPECT_EQ(nextNames(newEnum(empty.get()).get(), 10), Names{});
}

TEST(DomEnumeration, TheMemberIsListedWithItsIdAndNameInTheTables) {
    for (const rt::InterfaceInfo* info : {&IXMLDOMNodeList::info(), &IXMLDOMNamedNodeMap::info()}) {
        EXPECT_EQ(info->idOfName(u"_NewEnum"), rt::DISPID_NEWENUM) << info->name();
        const rt::MemberSpec* m = info->find(rt::DISPID_NEWENUM, rt::DISPATCH_PROPERTYGET);
        ASSERT_NE(m, nullptr) << info->name();
        ASSERT_TRUE(m->result.has_value());
        EXPECT_STREQ(m->result->name, "IEnumItems");
    }
}
