// Helpers shared by the DOM tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "dom/dom.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "support/testing.h"

namespace dom::testing {

using rt::ComPtr;
using rt::Str;

inline std::string u8(rt::StrView s) { return rt::toUtf8(s); }

using support::descriptionOf;
using support::TempDir;

// The run-time error number (or failure status) that body raises; 0 when it returns.
template <class F>
int32_t errorOf(F&& body) {
    return support::errorNumberOf(std::forward<F>(body));
}

inline ComPtr<IXMLDOMDocument2> parsed(const std::string& xml) {
    auto doc = newDocument();
    int16_t ok = 0;
    rt::check(doc->loadXML(rt::fromUtf8(xml), &ok));
    EXPECT_EQ(ok, rt::VARIANT_TRUE) << xml;
    return doc;
}

inline ComPtr<IXMLDOMElement> rootOf(IXMLDOMDocument* doc) {
    ComPtr<IXMLDOMElement> root;
    rt::check(doc->get_documentElement(root.put()));
    return root;
}

inline ComPtr<IXMLDOMNode> select(IXMLDOMNode* context, const std::string& path) {
    ComPtr<IXMLDOMNode> n;
    rt::check(context->selectSingleNode(rt::fromUtf8(path), n.put()));
    return n;
}

template <class I>
ComPtr<I> as(const ComPtr<IXMLDOMNode>& n) {
    return n.template as<I>();
}

inline std::string xmlOf(IXMLDOMNode* n) {
    Str s;
    rt::check(n->get_xml(&s));
    return u8(s);
}

inline std::string textOf(IXMLDOMNode* n) {
    Str s;
    rt::check(n->get_text(&s));
    return u8(s);
}

inline std::string nameOf(IXMLDOMNode* n) {
    Str s;
    rt::check(n->get_nodeName(&s));
    return u8(s);
}

inline ComPtr<IXMLDOMElement> element(IXMLDOMDocument* doc, const std::string& name) {
    ComPtr<IXMLDOMElement> e;
    rt::check(doc->createElement(rt::fromUtf8(name), e.put()));
    return e;
}

inline void append(IXMLDOMNode* parent, IXMLDOMNode* child) {
    ComPtr<IXMLDOMNode> out;
    rt::check(parent->appendChild(child, out.put()));
}

inline int32_t lengthOf(IXMLDOMNodeList* list) {
    int32_t n = -1;
    rt::check(list->get_length(&n));
    return n;
}

inline ComPtr<IXMLDOMNodeList> children(IXMLDOMNode* n) {
    ComPtr<IXMLDOMNodeList> list;
    rt::check(n->get_childNodes(list.put()));
    return list;
}

inline std::string attr(IXMLDOMElement* e, const std::string& name) {
    rt::Variant v;
    rt::check(e->getAttribute(rt::fromUtf8(name), &v));
    return v.isNull() ? "<null>" : u8(v.str());
}

inline void setAttr(IXMLDOMElement* e, const std::string& name, const std::string& value) {
    rt::check(e->setAttribute(rt::fromUtf8(name), rt::Variant(rt::fromUtf8(value))));
}

// A small persisted row document: the namespaces its format declares, a schema part and rows.
inline std::string rowDocument(int rows) {
    std::string x =
        "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' "
        "xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882' "
        "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>\n"
        "<s:Schema id='RowsetSchema'>\n<s:ElementType name='row' content='eltOnly'>\n"
        "<s:AttributeType name='id' rs:number='1'><s:datatype dt:type='int'/></s:AttributeType>\n"
        "<s:AttributeType name='name' rs:number='2' rs:hidden='true'><s:datatype dt:type='string'/></s:AttributeType>\n"
        "<s:extends type='rs:rowbase'/>\n</s:ElementType>\n</s:Schema>\n<rs:data>\n";
    for (int i = 1; i <= rows; ++i)
        x += "<z:row id='" + std::to_string(i) + "' name='n" + std::to_string(i) + "'/>\n";
    x += "</rs:data>\n</xml>";
    return x;
}

}  // namespace dom::testing
