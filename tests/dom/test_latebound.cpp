// Every member reached late-bound, by name, as scripts and the library reach them.
#include "dom_testing.h"

#include "runtime/classes.h"

using namespace dom;
using namespace dom::testing;
using rt::Variant;

namespace {

ComPtr<rt::IDispatch> obj(const Variant& v) { return rt::toObject(v); }
std::string text(const Variant& v) { return u8(rt::toText(v)); }
long number(const Variant& v) { return rt::toI4(v); }

}  // namespace

TEST(DomLateBound, DocumentMembers) {
    ComPtr<rt::IDispatch> doc = rt::createObject(u"MSXML2.DOMDocument");
    rt::putProperty(doc.get(), u"async", Variant(false));
    EXPECT_EQ(rt::getProperty(doc.get(), u"async").boolean(), rt::VARIANT_FALSE);
    EXPECT_EQ(rt::getProperty(doc.get(), u"preserveWhiteSpace").boolean(), rt::VARIANT_FALSE);
    rt::putProperty(doc.get(), u"validateOnParse", Variant(false));
    rt::putProperty(doc.get(), u"resolveExternals", Variant(false));
    EXPECT_EQ(rt::getProperty(doc.get(), u"resolveExternals").boolean(), rt::VARIANT_FALSE);
    EXPECT_EQ(number(rt::getProperty(doc.get(), u"readyState")), 4);

    EXPECT_EQ(rt::callMethod(doc.get(), u"loadXML", {Variant(u"<?xml version='1.0'?><kainterface/>")}).boolean(),
              rt::VARIANT_TRUE);
    EXPECT_EQ(text(rt::getProperty(doc.get(), u"xml")), "<?xml version=\"1.0\"?>\r\n<kainterface/>\r\n");
    ComPtr<rt::IDispatch> root = obj(rt::getProperty(doc.get(), u"documentElement"));
    EXPECT_EQ(text(rt::getProperty(root.get(), u"nodeName")), "kainterface");

    ComPtr<rt::IDispatch> e = obj(rt::callMethod(doc.get(), u"createElement", {Variant(u"voucher")}));
    ComPtr<rt::IDispatch> t = obj(rt::callMethod(doc.get(), u"createTextNode", {Variant(u"V01")}));
    rt::callMethod(e.get(), u"appendChild", {Variant(t)});
    rt::callMethod(root.get(), u"appendChild", {Variant(e)});
    EXPECT_EQ(text(rt::getProperty(doc.get(), u"text")), "V01");
    ComPtr<rt::IDispatch> c = obj(rt::callMethod(doc.get(), u"createComment", {Variant(u"c")}));
    rt::callMethod(doc.get(), u"appendChild", {Variant(c)});
    rt::callMethod(doc.get(), u"removeChild", {Variant(c)});
    ComPtr<rt::IDispatch> other = obj(rt::callMethod(doc.get(), u"createElement", {Variant(u"other")}));
    ComPtr<rt::IDispatch> old = obj(rt::callMethod(doc.get(), u"replaceChild", {Variant(other), Variant(root)}));
    EXPECT_EQ(old.get(), root.get());
    rt::invoke(doc.get(), u"documentElement", rt::DISPATCH_PROPERTYPUTREF, {Variant(root)});
    EXPECT_EQ(text(rt::getProperty(obj(rt::getProperty(doc.get(), u"documentElement")).get(), u"nodeName")),
              "kainterface");

    TempDir dir;
    std::string path = dir.file("late.xml");
    rt::callMethod(doc.get(), u"save", {Variant(rt::fromUtf8(path))});
    ComPtr<rt::IDispatch> again = rt::createObject(u"Microsoft.XMLDOM");
    EXPECT_EQ(rt::callMethod(again.get(), u"load", {Variant(rt::fromUtf8(path))}).boolean(), rt::VARIANT_TRUE);
    EXPECT_EQ(text(rt::getProperty(again.get(), u"url")), path);
    EXPECT_EQ(text(rt::getProperty(again.get(), u"xml")), text(rt::getProperty(doc.get(), u"xml")));

    EXPECT_EQ(rt::callMethod(again.get(), u"loadXML", {Variant(u"<a>\n<b></a>")}).boolean(), rt::VARIANT_FALSE);
    ComPtr<rt::IDispatch> pe = obj(rt::getProperty(again.get(), u"parseError"));
    EXPECT_NE(number(rt::getProperty(pe.get(), u"errorCode")), 0);
    EXPECT_NE(number(rt::invokeId(pe.get(), rt::DISPID_VALUE, rt::DISPATCH_PROPERTYGET)), 0) << "errorCode is the default member";
    EXPECT_FALSE(text(rt::getProperty(pe.get(), u"reason")).empty());
    EXPECT_EQ(number(rt::getProperty(pe.get(), u"line")), 2);
    EXPECT_GT(number(rt::getProperty(pe.get(), u"linepos")), 0);
    EXPECT_EQ(text(rt::getProperty(pe.get(), u"srcText")), "<b></a>");
    rt::getProperty(pe.get(), u"url");
    rt::getProperty(pe.get(), u"filepos");

    rt::callMethod(doc.get(), u"setProperty", {Variant(u"SelectionLanguage"), Variant(u"XPath")});
    EXPECT_EQ(text(rt::callMethod(doc.get(), u"getProperty", {Variant(u"SelectionLanguage")})), "XPath");
    ComPtr<rt::IDispatch> pi =
        obj(rt::callMethod(doc.get(), u"createProcessingInstruction", {Variant(u"app"), Variant(u"x")}));
    EXPECT_EQ(text(rt::getProperty(pi.get(), u"target")), "app");
    ComPtr<rt::IDispatch> cdata = obj(rt::callMethod(doc.get(), u"createCDATASection", {Variant(u"<")}));
    EXPECT_EQ(number(rt::getProperty(cdata.get(), u"nodeType")), 4);
}

TEST(DomLateBound, NodeAndElementMembers) {
    auto d = parsed("<r xmlns:p='urn:p'><a k='1'>x</a><p:b/><c/></r>");
    ComPtr<rt::IDispatch> doc(d.get());
    ComPtr<rt::IDispatch> r = obj(rt::getProperty(doc.get(), u"documentElement"));
    EXPECT_EQ(number(rt::getProperty(r.get(), u"nodeType")), 1);
    EXPECT_EQ(text(rt::getProperty(r.get(), u"tagName")), "r");
    EXPECT_TRUE(rt::getProperty(r.get(), u"nodeValue").isNull());
    EXPECT_EQ(obj(rt::getProperty(r.get(), u"parentNode")).get(), doc.get());
    EXPECT_EQ(obj(rt::getProperty(r.get(), u"ownerDocument")).get(), doc.get());
    ComPtr<rt::IDispatch> kids = obj(rt::getProperty(r.get(), u"childNodes"));
    EXPECT_EQ(number(rt::getProperty(kids.get(), u"length")), 3);
    ComPtr<rt::IDispatch> a = obj(rt::getProperty(kids.get(), u"item", {Variant(int32_t(0))}));
    EXPECT_EQ(obj(rt::invokeId(kids.get(), rt::DISPID_VALUE, rt::DISPATCH_PROPERTYGET, {Variant(int32_t(0))})).get(), a.get());
    EXPECT_EQ(obj(rt::callMethod(kids.get(), u"nextNode")).get(), a.get());
    rt::callMethod(kids.get(), u"reset");
    EXPECT_EQ(obj(rt::getProperty(r.get(), u"firstChild")).get(), a.get());
    ComPtr<rt::IDispatch> c = obj(rt::getProperty(r.get(), u"lastChild"));
    EXPECT_EQ(text(rt::getProperty(c.get(), u"nodeName")), "c");
    ComPtr<rt::IDispatch> b = obj(rt::getProperty(a.get(), u"nextSibling"));
    EXPECT_EQ(obj(rt::getProperty(b.get(), u"previousSibling")).get(), a.get());
    EXPECT_EQ(text(rt::getProperty(b.get(), u"namespaceURI")), "urn:p");
    EXPECT_EQ(text(rt::getProperty(b.get(), u"prefix")), "p");
    EXPECT_EQ(text(rt::getProperty(b.get(), u"baseName")), "b");
    EXPECT_EQ(text(rt::getProperty(b.get(), u"nodeTypeString")), "element");

    EXPECT_EQ(text(rt::callMethod(a.get(), u"getAttribute", {Variant(u"k")})), "1");
    EXPECT_TRUE(rt::callMethod(a.get(), u"getAttribute", {Variant(u"none")}).isNull());
    rt::callMethod(a.get(), u"setAttribute", {Variant(u"k"), Variant(u"2")});
    rt::callMethod(a.get(), u"setAttribute", {Variant(u"j"), Variant(int32_t(3))});
    rt::callMethod(a.get(), u"removeAttribute", {Variant(u"j")});
    ComPtr<rt::IDispatch> attrs = obj(rt::getProperty(a.get(), u"attributes"));
    EXPECT_EQ(number(rt::getProperty(attrs.get(), u"length")), 1);
    ComPtr<rt::IDispatch> k = obj(rt::callMethod(attrs.get(), u"getNamedItem", {Variant(u"k")}));
    EXPECT_EQ(text(rt::getProperty(k.get(), u"name")), "k");
    EXPECT_EQ(text(rt::getProperty(k.get(), u"value")), "2");
    rt::putProperty(k.get(), u"value", Variant(u"5"));
    EXPECT_EQ(obj(rt::getProperty(attrs.get(), u"item", {Variant(int32_t(0))})).get(), k.get());
    EXPECT_EQ(obj(rt::callMethod(a.get(), u"getAttributeNode", {Variant(u"k")})).get(), k.get());
    EXPECT_EQ(obj(rt::callMethod(attrs.get(), u"nextNode")).get(), k.get());
    rt::callMethod(attrs.get(), u"reset");

    EXPECT_EQ(text(rt::getProperty(a.get(), u"text")), "x");
    rt::putProperty(a.get(), u"text", Variant(u"y"));
    EXPECT_EQ(text(rt::getProperty(a.get(), u"xml")), "<a k=\"5\">y</a>");
    EXPECT_EQ(rt::callMethod(a.get(), u"hasChildNodes").boolean(), rt::VARIANT_TRUE);
    ComPtr<rt::IDispatch> clone = obj(rt::callMethod(a.get(), u"cloneNode", {Variant(true)}));
    EXPECT_EQ(text(rt::getProperty(clone.get(), u"xml")), "<a k=\"5\">y</a>");

    EXPECT_EQ(obj(rt::callMethod(r.get(), u"selectSingleNode", {Variant(u"p:b")})).get(), b.get());
    EXPECT_TRUE(rt::callMethod(r.get(), u"selectSingleNode", {Variant(u"zzz")}).isNothing());
    ComPtr<rt::IDispatch> sel = obj(rt::callMethod(r.get(), u"selectNodes", {Variant(u"*")}));
    EXPECT_EQ(number(rt::getProperty(sel.get(), u"length")), 3);
    EXPECT_EQ(obj(rt::getProperty(sel.get(), u"item", {Variant(int32_t(2))})).get(), c.get());

    ComPtr<rt::IDispatch> n = obj(rt::callMethod(doc.get(), u"createElement", {Variant(u"n")}));
    rt::callMethod(r.get(), u"insertBefore", {Variant(n), Variant(a)});
    ComPtr<rt::IDispatch> m = obj(rt::callMethod(doc.get(), u"createElement", {Variant(u"m")}));
    rt::callMethod(r.get(), u"insertBefore", {Variant(m)});  // refChild left out: appends
    ComPtr<rt::IDispatch> old = obj(rt::callMethod(r.get(), u"replaceChild", {Variant(clone), Variant(c)}));
    EXPECT_EQ(old.get(), c.get());
    rt::callMethod(r.get(), u"removeChild", {Variant(b)});
    EXPECT_EQ(text(rt::getProperty(r.get(), u"xml")),
              "<r xmlns:p=\"urn:p\"><n/><a k=\"5\">y</a><a k=\"5\">y</a><m/></r>");

    ComPtr<rt::IDispatch> txt = obj(rt::getProperty(a.get(), u"firstChild"));
    rt::putProperty(txt.get(), u"nodeValue", Variant(u"hello"));
    EXPECT_EQ(text(rt::getProperty(txt.get(), u"data")), "hello");
    EXPECT_EQ(number(rt::getProperty(txt.get(), u"length")), 5);
    rt::callMethod(txt.get(), u"appendData", {Variant(u"!")});
    EXPECT_EQ(text(rt::callMethod(txt.get(), u"substringData", {Variant(int32_t(0)), Variant(int32_t(2))})), "he");
    rt::callMethod(txt.get(), u"insertData", {Variant(int32_t(0)), Variant(u">")});
    rt::callMethod(txt.get(), u"deleteData", {Variant(int32_t(0)), Variant(int32_t(1))});
    rt::callMethod(txt.get(), u"replaceData", {Variant(int32_t(0)), Variant(int32_t(1)), Variant(u"H")});
    rt::putProperty(txt.get(), u"data", Variant(rt::toText(rt::getProperty(txt.get(), u"data")) + u"?"));
    ComPtr<rt::IDispatch> rest = obj(rt::callMethod(txt.get(), u"splitText", {Variant(int32_t(5))}));
    EXPECT_EQ(text(rt::getProperty(rest.get(), u"data")), "!?");
    EXPECT_EQ(text(rt::getProperty(a.get(), u"text")), "Hello!?");
}

TEST(DomLateBound, ErrorsComeBackAsRuntimeErrors) {
    ComPtr<rt::IDispatch> doc = rt::createObject(u"MSXML2.DOMDocument.3.0");
    EXPECT_EQ(errorOf([&] { rt::callMethod(doc.get(), u"noSuchMember"); }), 438);
    EXPECT_EQ(errorOf([&] { rt::callMethod(doc.get(), u"selectSingleNode", {Variant(u"a[")}); }), int32_t(rt::E_FAIL));
    EXPECT_EQ(errorOf([&] { rt::callMethod(doc.get(), u"appendChild", {Variant(u"text")}); }), 13);
}
