// Record sets to persisted row documents and back: Rs2Doc, Doc2Rs with its conversions and
// repel list, AddEmptyRow and SetRsAttribute, early- and late-bound, on documents of the
// persisted format's samples and on real tables of SQLite and PostgreSQL.
#include "data_testing.h"
#include "runtime/date.h"

using namespace velmora;
using namespace velmora::testing;
using rt::CallArg;
using rt::ComPtr;
using rt::Str;
using rt::Variant;
using Element = dom::IXMLDOMElement;

namespace {

// The shippers example of the format's documentation (the schema the data-access tests use),
// with rows.
Str shippersXml(const Str& rows) {
    return u"<xml " + Str(kNamespaces) + u">" + shippersSchema() + u"<rs:data>" + rows + u"</rs:data></xml>";
}
const char16_t* const kShippersRows =
    u"<z:row ShipperID='1' CompanyName='Speedy Express' Phone='(503) 555-9831'/>"
    u"<z:row ShipperID='2' CompanyName='United Package' Phone='(503) 555-3199'/>"
    u"<z:row ShipperID='3' CompanyName='Joe&apos;s Garage'/>";

// One column of each kind the conversion knows, none of them writable or nullable in the
// document itself.
const char16_t* const kTypedColumns =
    u"<s:AttributeType name='n'><s:datatype dt:type='int'/></s:AttributeType>"
    u"<s:AttributeType name='big'><s:datatype dt:type='i8'/></s:AttributeType>"
    u"<s:AttributeType name='amount'><s:datatype dt:type='number' rs:dbtype='numeric' rs:precision='18' "
    u"rs:scale='2'/></s:AttributeType>"
    u"<s:AttributeType name='rate'><s:datatype dt:type='float'/></s:AttributeType>"
    u"<s:AttributeType name='ok'><s:datatype dt:type='boolean'/></s:AttributeType>"
    u"<s:AttributeType name='memo'><s:datatype dt:type='string' dt:maxLength='40'/></s:AttributeType>"
    u"<s:AttributeType name='stamp'><s:datatype dt:type='dateTime'/></s:AttributeType>"
    u"<s:AttributeType name='at'><s:datatype dt:type='time'/></s:AttributeType>"
    u"<s:AttributeType name='id' rs:hidden='true'><s:datatype dt:type='uuid'/></s:AttributeType>";

double dateOf(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
    return rt::serialFromCivil({y, m, d, hh, mm, ss});
}

class RecordsetXml : public ::testing::Test {
protected:
    rt::ComPtr<_CCommonFunction> cf = newCommon();

    ComPtr<ado::_Recordset> doc2Rs(ComPtr<Element>& child, int32_t cursor = 0, int32_t lock = 3, Str repel = u"") {
        Element* slot = child.get();
        if (slot) slot->AddRef();
        ComPtr<ado::_Recordset> rs;
        rt::HRESULT hr = cf->Doc2Rs(&slot, &cursor, &lock, &repel, rs.put());
        child = ComPtr<Element>::adopt(slot);
        rt::check(hr);
        lastRepel = repel;
        return rs;
    }
    ComPtr<ado::_Recordset> doc2RsOf(const Str& xml, int32_t lock = 3, Str repel = u"") {
        document = loadDocument(xml);
        ComPtr<Element> root = rootOf(document.get());
        return doc2Rs(root, 0, lock, repel);
    }
    ComPtr<dom::IXMLDOMDocument> rs2Doc(ado::_Recordset* rs) {
        return client::call(cf.get(), &_CCommonFunction::Rs2Doc, &rs);
    }
    bool addEmptyRow(Element* out, ado::_Recordset* rs) {
        return client::call(cf.get(), &_CCommonFunction::AddEmptyRow, &out, &rs) != 0;
    }
    void setRsAttribute(Element* in, rt::Array pairs) {
        client::call(cf.get(), &_CCommonFunction::SetRsAttribute, &in, &pairs);
    }

    ComPtr<dom::IXMLDOMDocument2> document;
    Str lastRepel;
};

}  // namespace

// ---- Rs2Doc --------------------------------------------------------------------------------

TEST_F(RecordsetXml, Rs2DocSavesIntoANewDocument) {
    auto source = openDocument(loadDocument(shippersXml(kShippersRows)).get(), ado::adLockReadOnly);
    auto doc = rs2Doc(source.get());
    ASSERT_TRUE(doc);
    auto root = rootOf(doc.get());
    EXPECT_EQ(countIn(root.get(), u"rs:data/z:row"), 3);
    EXPECT_EQ(attributeOf(selectIn(root.get(), u"rs:data/z:row[3]").get(), u"CompanyName"), "Joe's Garage");
    EXPECT_EQ(countIn(root.get(), u"s:Schema/s:ElementType/s:AttributeType"), 3);
    // Nothing in, nothing out; late-bound the same.
    EXPECT_FALSE(rs2Doc(nullptr));
    EXPECT_TRUE(late(cf, u"Rs2Doc", {Variant::nothing()}).isNothing());
    Variant lateDoc = late(cf, u"Rs2Doc", {Variant(rt::ComPtr<rt::IDispatch>(source.get()))});
    ASSERT_TRUE(lateDoc.isObject() && lateDoc.object());
    EXPECT_EQ(countIn(lateDoc.object().as<dom::IXMLDOMNode>().get(), u"//z:row"), 3);
    // A closed record set cannot be saved: the handler answers nothing.
    rt::check(source->Close());
    EXPECT_FALSE(rs2Doc(source.get()));
}

// ---- Doc2Rs --------------------------------------------------------------------------------

TEST_F(RecordsetXml, ADocumentFromRs2DocComesBackWithTheSameColumnsAndAddedRows) {
    auto source = openDocument(loadDocument(shippersXml(kShippersRows)).get(), ado::adLockReadOnly);
    auto doc = rs2Doc(source.get());
    ComPtr<Element> root = rootOf(doc.get());
    const Str before = xmlOf(root.get());
    auto rs = doc2Rs(root);
    ASSERT_TRUE(rs);
    EXPECT_FALSE(root) << "the caller's variable walked the rows and holds nothing now";
    ASSERT_EQ(fieldCount(rs.get()), 3);
    EXPECT_EQ(recordCount(rs.get()), 3);
    EXPECT_EQ(editMode(rs.get()), ado::adEditAdd) << "the last row is still being added";
    rt::check(rs->MoveFirst());
    EXPECT_EQ(text(value(rs.get(), Variant(u"ShipperID"))), "1");
    EXPECT_EQ(text(value(rs.get(), Variant(u"CompanyName"))), "Speedy Express");
    rt::check(rs->MoveLast());
    EXPECT_EQ(text(value(rs.get(), Variant(u"CompanyName"))), "Joe's Garage");
    EXPECT_TRUE(value(rs.get(), Variant(u"Phone")).isNull()) << "a field absent from the row stays null";
    // Every column is writable and nullable now, the key column too.
    for (const char16_t* name : {u"ShipperID", u"CompanyName", u"Phone"}) {
        int32_t a = 0;
        rt::check(fieldOf(rs.get(), Variant(name))->get_Attributes(&a));
        EXPECT_EQ(a & ado::adFldIsNullable, ado::adFldIsNullable) << rt::toUtf8(name);
        EXPECT_NE(a & (ado::adFldUpdatable | ado::adFldUnknownUpdatable), 0) << rt::toUtf8(name);
    }
    // The document given in is untouched: the attributes went on a copy.
    EXPECT_EQ(xmlOf(rootOf(doc.get()).get()), before);
}

TEST_F(RecordsetXml, EmptyDataGivesAnOpenRecordSetWithoutRows) {
    auto rs = doc2RsOf(shippersXml(u""));
    ASSERT_TRUE(rs);
    EXPECT_EQ(recordCount(rs.get()), 0);
    EXPECT_EQ(fieldCount(rs.get()), 3);
    int32_t state = 0;
    rt::check(rs->get_State(&state));
    EXPECT_EQ(state, ado::adStateOpen);
}

TEST_F(RecordsetXml, RowAttributesConvertByFieldType) {
    auto rs = doc2RsOf(rowsetXml(kTypedColumns,
                                 u"<z:row n='12' big='42' amount='10.5' rate='0.25' ok='True' memo=' text ' "
                                 u"stamp='2007-03-05T10:20:30' at='10:20:30'/>"
                                 u"<z:row n='' big='' amount='' rate='' ok='' memo='' stamp='' at=''/>"
                                 u"<z:row n='abc' big='3000000000' amount='x' rate='1e3' ok='maybe' memo='m' "
                                 u"stamp='not a date' at='late'/>"
                                 u"<z:row ok='0' memo='only' n='12.5'/>"));
    ASSERT_TRUE(rs);
    ASSERT_EQ(recordCount(rs.get()), 4);
    rt::check(rs->MoveFirst());
    EXPECT_EQ(value(rs.get(), Variant(u"n")).type(), rt::VT_I4);
    EXPECT_EQ(text(value(rs.get(), Variant(u"n"))), "12");
    EXPECT_EQ(text(value(rs.get(), Variant(u"big"))), "42");
    EXPECT_EQ(text(value(rs.get(), Variant(u"amount"))), "10.5");
    EXPECT_EQ(rt::toDouble(value(rs.get(), Variant(u"rate"))), 0.25);
    EXPECT_TRUE(rt::toBool(value(rs.get(), Variant(u"ok"))));
    EXPECT_EQ(text(value(rs.get(), Variant(u"memo"))), " text ") << "text is taken as it is";
    // A time stamp keeps its calendar date only; a time converts whole.
    EXPECT_EQ(rt::toDate(value(rs.get(), Variant(u"stamp"))), dateOf(2007, 3, 5));
    EXPECT_NEAR(rt::toDate(value(rs.get(), Variant(u"at"))), (10 * 3600 + 20 * 60 + 30) / 86400.0, 1e-9);

    rt::check(rs->MoveNext());  // empty texts
    EXPECT_EQ(text(value(rs.get(), Variant(u"n"))), "0");
    EXPECT_EQ(text(value(rs.get(), Variant(u"big"))), "0");
    EXPECT_EQ(text(value(rs.get(), Variant(u"amount"))), "0");
    EXPECT_EQ(text(value(rs.get(), Variant(u"rate"))), "0");
    EXPECT_FALSE(rt::toBool(value(rs.get(), Variant(u"ok"))));
    EXPECT_EQ(text(value(rs.get(), Variant(u"memo"))), "");
    EXPECT_TRUE(value(rs.get(), Variant(u"stamp")).isNull());
    EXPECT_TRUE(value(rs.get(), Variant(u"at")).isNull());

    rt::check(rs->MoveNext());  // texts that do not convert leave their field unset
    EXPECT_TRUE(value(rs.get(), Variant(u"n")).isNull());
    EXPECT_TRUE(value(rs.get(), Variant(u"big")).isNull()) << "integers convert to 32 bits";
    EXPECT_TRUE(value(rs.get(), Variant(u"amount")).isNull());
    EXPECT_EQ(rt::toDouble(value(rs.get(), Variant(u"rate"))), 1000.0);
    EXPECT_TRUE(value(rs.get(), Variant(u"ok")).isNull());
    EXPECT_EQ(text(value(rs.get(), Variant(u"memo"))), "m") << "the other fields of the row are still written";
    EXPECT_TRUE(value(rs.get(), Variant(u"stamp")).isNull());
    EXPECT_TRUE(value(rs.get(), Variant(u"at")).isNull());

    rt::check(rs->MoveNext());  // attributes in any order, others absent
    EXPECT_FALSE(rt::toBool(value(rs.get(), Variant(u"ok"))));
    EXPECT_EQ(text(value(rs.get(), Variant(u"memo"))), "only");
    EXPECT_EQ(text(value(rs.get(), Variant(u"n"))), "12") << "rounded half to even";
    EXPECT_TRUE(value(rs.get(), Variant(u"rate")).isNull());
}

TEST_F(RecordsetXml, TheRepelListNeedsItsFramingCommas) {
    const Str rows = u"<z:row n='1' amount='2.5' memo='a'/>";
    auto rs = doc2RsOf(rowsetXml(kTypedColumns, rows), 3, u" ,Amount, ");
    ASSERT_TRUE(rs);
    EXPECT_EQ(lastRepel, u",amount,") << "the caller's list is folded";
    EXPECT_TRUE(value(rs.get(), Variant(u"amount")).isNull());
    EXPECT_EQ(text(value(rs.get(), Variant(u"n"))), "1");
    // Attribute names are folded too: AMOUNT is repelled by ,amount,.
    rs = doc2RsOf(rowsetXml(u"<s:AttributeType name='AMOUNT'><s:datatype dt:type='float'/></s:AttributeType>"
                            u"<s:AttributeType name='n'><s:datatype dt:type='int'/></s:AttributeType>",
                            u"<z:row AMOUNT='2.5' n='1'/>"),
                  3, u",x,amount,");
    EXPECT_TRUE(value(rs.get(), Variant(u"AMOUNT")).isNull());
    EXPECT_EQ(text(value(rs.get(), Variant(u"n"))), "1");
    // Without framing commas the first and last names are not reached.
    rs = doc2RsOf(rowsetXml(kTypedColumns, u"<z:row amount='2.5' memo='a' n='3'/>"), 3, u"amount,n");
    EXPECT_EQ(text(value(rs.get(), Variant(u"amount"))), "2.5");
    EXPECT_EQ(text(value(rs.get(), Variant(u"n"))), "3");
    rs = doc2RsOf(rowsetXml(kTypedColumns, u"<z:row amount='2.5' memo='a' n='3'/>"), 3, u"amount,memo,n");
    EXPECT_EQ(text(value(rs.get(), Variant(u"amount"))), "2.5");
    EXPECT_TRUE(value(rs.get(), Variant(u"memo")).isNull()) << "framed by the commas around it";
    EXPECT_EQ(text(value(rs.get(), Variant(u"n"))), "3");
}

TEST_F(RecordsetXml, AttributesThatNameNoFieldAreIgnored) {
    auto rs = doc2RsOf(rowsetXml(kTypedColumns, u"<z:row n='1' nope='x' memo='m' xmlns:q='urn:q' q:n='9'/>"));
    ASSERT_TRUE(rs);
    EXPECT_EQ(text(value(rs.get(), Variant(u"n"))), "1");
    EXPECT_EQ(text(value(rs.get(), Variant(u"memo"))), "m");
    // A hidden column is no field of the record set: its attribute is ignored like any other.
    auto hidden = doc2RsOf(rowsetXml(kTypedColumns, u"<z:row id='{6F1B2D40-1111-4A2B-9C3D-000000000001}' n='2'/>"));
    ASSERT_TRUE(hidden);
    EXPECT_EQ(fieldCount(hidden.get()), 8);
    EXPECT_EQ(text(value(hidden.get(), Variant(u"n"))), "2");
}

TEST_F(RecordsetXml, RowsOfAnyNameCountAndTheWalkKeepsTheLastRowWhenItStops) {
    // Every child of rs:data is a row, whatever its name.
    auto rs = doc2RsOf(rowsetXml(kTypedColumns, u"<z:row n='1'/><other n='2'/><rs:insert><z:row n='3'/></rs:insert>"));
    ASSERT_TRUE(rs);
    EXPECT_EQ(recordCount(rs.get()), 3);
    rt::check(rs->MoveLast());
    EXPECT_TRUE(value(rs.get(), Variant(u"n")).isNull()) << "the wrapper element has no attributes of its own";

    // A comment among the rows stops the walk: nothing comes back, and the caller's variable
    // holds the last row reached.
    document = loadDocument(rowsetXml(kTypedColumns, u"<z:row n='1'/><z:row n='2'/><!-- a note --><z:row n='3'/>"));
    ComPtr<Element> walker = rootOf(document.get());
    EXPECT_FALSE(doc2Rs(walker));
    ASSERT_TRUE(walker);
    EXPECT_EQ(attributeOf(walker.get(), u"n"), "2");
    // That row is a copy: changing it leaves the caller's document as it was.
    rt::check(walker->setAttribute(u"n", Variant(u"changed")));
    EXPECT_EQ(attributeOf(selectIn(rootOf(document.get()).get(), u"rs:data/z:row[2]").get(), u"n"), "2");

    // Stopped before the first row: the variable still holds the caller's own element.
    document = loadDocument(rowsetXml(kTypedColumns, u"<!-- first --><z:row n='1'/>"));
    ComPtr<Element> root = rootOf(document.get());
    walker = root;
    EXPECT_FALSE(doc2Rs(walker));
    EXPECT_EQ(walker.get(), root.get());
}

TEST_F(RecordsetXml, FailuresAnswerNothing) {
    ComPtr<Element> none;
    EXPECT_FALSE(doc2Rs(none));
    // No rs:data.
    EXPECT_FALSE(doc2RsOf(u"<xml " + Str(kNamespaces) + u"><s:Schema id='RowsetSchema'><s:ElementType "
                          u"name='row'><s:AttributeType name='a'/></s:ElementType></s:Schema></xml>"));
    // A schema the platform cannot open.
    EXPECT_FALSE(doc2RsOf(u"<xml " + Str(kNamespaces) + u"><rs:data><z:row a='1'/></rs:data></xml>"));
    // A lock type that forbids adding rows.
    EXPECT_FALSE(doc2RsOf(rowsetXml(kTypedColumns, u"<z:row n='1'/>"), ado::adLockReadOnly));
    // ... but is fine when there is no row to add.
    EXPECT_TRUE(doc2RsOf(rowsetXml(kTypedColumns, u""), ado::adLockReadOnly));
    // Batch locking works like optimistic.
    auto batch = doc2RsOf(rowsetXml(kTypedColumns, u"<z:row n='1'/><z:row n='2'/>"), ado::adLockBatchOptimistic);
    ASSERT_TRUE(batch);
    EXPECT_EQ(recordCount(batch.get()), 2);
}

TEST_F(RecordsetXml, LateBoundTheCallersVariableIsRewritten) {
    document = loadDocument(rowsetXml(kTypedColumns, u"<z:row n='7'/>"));
    Variant child(rt::ComPtr<rt::IDispatch>(rootOf(document.get()).get()));
    Variant repel(u" ,N, ");
    Variant rs = late(cf, u"Doc2Rs", {CallArg::ref(child), Variant(int32_t(0)), Variant(int32_t(3)), CallArg::ref(repel)});
    ASSERT_TRUE(rs.isObject() && rs.object());
    EXPECT_TRUE(child.isNothing());
    EXPECT_EQ(repel.str(), u",n,");
    auto r = rs.object().as<ado::_Recordset>();
    EXPECT_EQ(recordCount(r.get()), 1);
    EXPECT_TRUE(value(r.get(), Variant(u"n")).isNull()) << "repelled";
    // Defaults: forward-only, optimistic, no repel list.
    Variant child2(rt::ComPtr<rt::IDispatch>(rootOf(document.get()).get()));
    Variant rs2 = late(cf, u"Doc2Rs", {CallArg::ref(child2)});
    ASSERT_TRUE(rs2.isObject() && rs2.object());
    auto r2 = rs2.object().as<ado::_Recordset>();
    int32_t lock = 0;
    rt::check(r2->get_LockType(&lock));
    EXPECT_EQ(lock, ado::adLockOptimistic);
    EXPECT_EQ(text(value(r2.get(), Variant(u"n"))), "7");
    EXPECT_TRUE(late(cf, u"Doc2Rs", {Variant::nothing()}).isNothing());
}

TEST_F(RecordsetXml, TheFormatsSamplesComeBackAsAddedRows) {
    // The shippers example, and the example with shared column definitions and aliases.
    auto rs = doc2RsOf(shippersXml(kShippersRows));
    ASSERT_TRUE(rs);
    EXPECT_EQ(recordCount(rs.get()), 3);
    rt::check(rs->MoveFirst());
    EXPECT_EQ(text(value(rs.get(), Variant(u"Phone"))), "(503) 555-9831");

    auto aliased = doc2RsOf(
        u"<xml " + Str(kNamespaces) + u"><s:Schema id='RowsetSchema'>"
        u"<s:ElementType name='row' content='eltOnly'><s:attribute type='s1'/><s:attribute type='s2'/>"
        u"<s:extends type='rs:rowbase'/></s:ElementType>"
        u"<s:AttributeType name='s1' rs:name='Shipper ID' rs:number='1' rs:writeunknown='true'>"
        u"<s:datatype dt:type='i4' dt:maxLength='4'/></s:AttributeType>"
        u"<s:AttributeType name='s2' rs:name='Company Name' rs:number='2' dt:type='string'/>"
        u"</s:Schema><rs:data><z:row s1='1' s2='Speedy Express' unknown='ignored'/></rs:data></xml>");
    ASSERT_TRUE(aliased);
    EXPECT_EQ(fieldCount(aliased.get()), 2);
    EXPECT_EQ(recordCount(aliased.get()), 1);
    // Row attributes are matched to field names as written: the aliases s1 and s2 name no field.
    EXPECT_TRUE(value(aliased.get(), Variant(u"Shipper ID")).isNull());
    EXPECT_TRUE(value(aliased.get(), Variant(u"Company Name")).isNull());
}

// ---- AddEmptyRow and SetRsAttribute --------------------------------------------------------

TEST_F(RecordsetXml, AddEmptyRowAppendsABlankRow) {
    auto rs = openDocument(loadDocument(rowsetXml(u"<s:AttributeType name='A'/><s:AttributeType name='B'/>", u"")).get());
    auto out = loadDocument(rowsetXml(u"<s:AttributeType name='A'/><s:AttributeType name='B'/>", u"<z:row A='1'/>"));
    auto data = selectIn(rootOf(out.get()).get(), u"rs:data").as<Element>();
    ASSERT_TRUE(data);
    EXPECT_TRUE(addEmptyRow(data.get(), rs.get()));
    ASSERT_EQ(countIn(data.get(), u"z:row"), 2);
    auto added = selectIn(data.get(), u"z:row[2]");
    EXPECT_EQ(attributeOf(added.get(), u"A"), "");
    EXPECT_EQ(attributeOf(added.get(), u"B"), "");
    Str name;
    rt::check(added->get_nodeName(&name));
    EXPECT_EQ(name, u"z:row");
    EXPECT_EQ(countIn(added.get(), u"@*"), 2);
    // The new row is a row of the format: the document reopens with it.
    auto reopened = openDocument(out.get());
    EXPECT_EQ(recordCount(reopened.get()), 2);
    // Failures answer false and append nothing.
    EXPECT_FALSE(addEmptyRow(nullptr, rs.get()));
    EXPECT_FALSE(addEmptyRow(data.get(), nullptr));
    EXPECT_EQ(countIn(data.get(), u"z:row"), 2);
    // Late-bound.
    EXPECT_TRUE(rt::toBool(late(cf, u"AddEmptyRow", {Variant(rt::ComPtr<rt::IDispatch>(data.get())),
                                                     Variant(rt::ComPtr<rt::IDispatch>(rs.get()))})));
    EXPECT_EQ(countIn(data.get(), u"z:row"), 3);
}

TEST_F(RecordsetXml, SetRsAttributeStampsEveryVisibleColumn) {
    auto doc = loadDocument(rowsetXml(u"<s:AttributeType name='a'/>"
                                  u"<s:AttributeType name='b' rs:hidden='true'/>"
                                  u"<s:AttributeType name='c' rs:hidden='TRUE'/>"
                                  u"<s:AttributeType name='d' rs:hidden=' true '/>",
                                  u""));
    auto root = rootOf(doc.get());
    setRsAttribute(root.get(), rt::Array(0, {Variant(u"rs:nullable"), Variant(u"true"), Variant(u"mark"),
                                             Variant(u"1"), Variant(u"mark"), Variant(u"2")}));
    auto column = [&](const char16_t* name) { return selectIn(root.get(), u"//s:AttributeType[@name='" + Str(name) + u"']"); };
    EXPECT_EQ(attributeOf(column(u"a").get(), u"rs:nullable"), "true");
    EXPECT_EQ(attributeOf(column(u"a").get(), u"mark"), "2") << "a later pair overwrites an earlier one";
    EXPECT_EQ(attributeOf(column(u"b").get(), u"rs:nullable"), "<absent>");
    EXPECT_EQ(attributeOf(column(u"c").get(), u"rs:nullable"), "true") << "TRUE is not the hidden mark";
    EXPECT_EQ(attributeOf(column(u"d").get(), u"rs:nullable"), "<absent>") << "the mark is trimmed";
    // s:extends is a child like the others.
    EXPECT_EQ(attributeOf(selectIn(root.get(), u"//s:extends").get(), u"mark"), "2");
    // The attribute is in the format's namespace, so the platform reads it.
    auto rs = openDocument(doc.get());
    int32_t a = 0;
    rt::check(fieldOf(rs.get(), Variant(u"a"))->get_Attributes(&a));
    EXPECT_EQ(a & ado::adFldIsNullable, ado::adFldIsNullable);
}

TEST_F(RecordsetXml, SetRsAttributeStopsQuietlyWhereItFails) {
    auto doc = loadDocument(rowsetXml(u"<s:AttributeType name='a'/><!-- note --><s:AttributeType name='b'/>", u""));
    auto root = rootOf(doc.get());
    setRsAttribute(root.get(), rt::Array(0, {Variant(u"x"), Variant(u"1")}));
    EXPECT_EQ(attributeOf(selectIn(root.get(), u"//s:AttributeType[@name='a']").get(), u"x"), "1");
    EXPECT_EQ(attributeOf(selectIn(root.get(), u"//s:AttributeType[@name='b']").get(), u"x"), "<absent>");
    // A list that does not start at 0 fails at its first use: nothing is set.
    doc = loadDocument(rowsetXml(u"<s:AttributeType name='a'/>", u""));
    root = rootOf(doc.get());
    setRsAttribute(root.get(), rt::Array(1, {Variant(u"x"), Variant(u"1"), Variant(u"y"), Variant(u"2")}));
    EXPECT_EQ(attributeOf(selectIn(root.get(), u"//s:AttributeType").get(), u"x"), "<absent>");
    // No schema, no element, an empty list: nothing happens, nothing fails.
    auto plain = loadDocument(u"<a><b/></a>");
    setRsAttribute(rootOf(plain.get()).get(), rt::Array(0, {Variant(u"x"), Variant(u"1")}));
    EXPECT_EQ(xmlOf(rootOf(plain.get()).get()), u"<a><b/></a>");
    setRsAttribute(nullptr, rt::Array(0, {Variant(u"x"), Variant(u"1")}));
    setRsAttribute(root.get(), rt::Array(0, {}));
    setRsAttribute(root.get(), rt::Array());
    EXPECT_EQ(countIn(root.get(), u"//@x"), 0);
    // Late-bound.
    late(cf, u"SetRsAttribute", {Variant(rt::ComPtr<rt::IDispatch>(root.get())),
                                 Variant(rt::Array(0, {Variant(u"x"), Variant(u"3")}))});
    EXPECT_EQ(attributeOf(selectIn(root.get(), u"//s:AttributeType").get(), u"x"), "3");
}

// ---- on a database ---------------------------------------------------------------------------

class RecordsetXmlTables : public DataTest {};

TEST_P(RecordsetXmlTables, ADocumentEditedAndTurnedBackIsWrittenByUpdateBatch) {
    exec(u"create table acct (code nvarchar(10) primary key, amount decimal(18,2) not null, opened datetime, "
         u"active bit, memo nvarchar(40))");
    exec(u"insert into acct values (N'A1', 10.5, '2007-03-05 10:20:30', true, N'first')");
    exec(u"insert into acct values (N'B2', -3, null, false, N'second')");
    auto doc = [&] {
        auto rs = open(u"select code, amount, opened, active, memo from acct order by code");
        ado::_Recordset* p = rs.get();
        return client::call(cf.get(), &_CCommonFunction::Rs2Doc, &p);
    }();
    ASSERT_TRUE(doc);
    exec(u"delete from acct");

    // Edit the document: a changed amount, a removed memo, and a new row made by AddEmptyRow.
    auto root = rootOf(doc.get());
    auto first = selectIn(root.get(), u"rs:data/z:row[@code='A1']").as<Element>();
    ASSERT_TRUE(first);
    rt::check(first->setAttribute(u"amount", Variant(u"99.25")));
    rt::check(first->removeAttribute(u"memo"));
    auto data = selectIn(root.get(), u"rs:data").as<Element>();
    auto schemaRs = openDocument(doc.get(), ado::adLockReadOnly);
    Element* dataArg = data.get();
    ado::_Recordset* schemaArg = schemaRs.get();
    ASSERT_TRUE(client::call(cf.get(), &_CCommonFunction::AddEmptyRow, &dataArg, &schemaArg));
    auto added = selectIn(root.get(), u"rs:data/z:row[3]").as<Element>();
    rt::check(added->setAttribute(u"code", Variant(u"C3")));
    rt::check(added->setAttribute(u"amount", Variant(u"7")));
    rt::check(added->setAttribute(u"active", Variant(u"True")));

    Element* child = root.get();
    child->AddRef();
    int32_t cursor = 0, lock = 3;
    Str repel = u",memo,";
    ComPtr<ado::_Recordset> rs;
    ASSERT_EQ(cf->Doc2Rs(&child, &cursor, &lock, &repel, rs.put()), rt::S_OK);
    ASSERT_TRUE(rs);
    EXPECT_EQ(child, nullptr);
    EXPECT_EQ(recordCount(rs.get()), 3);

    rt::check(rs->putref_ActiveConnection(conn()));
    rt::check(rs->UpdateBatch(ado::adAffectAll));
    auto check = open(u"select code, amount, opened, active, memo from acct order by code");
    ASSERT_EQ(recordCount(check.get()), 3);
    EXPECT_EQ(text(value(check.get(), Variant(u"amount"))), "99.25");
    EXPECT_EQ(rt::toDate(value(check.get(), Variant(u"opened"))), dateOf(2007, 3, 5)) << "the date without its time";
    EXPECT_TRUE(rt::toBool(value(check.get(), Variant(u"active"))));
    EXPECT_TRUE(value(check.get(), Variant(u"memo")).isNull()) << "repelled";
    rt::check(check->MoveNext());
    EXPECT_EQ(text(value(check.get(), Variant(u"code"))), "B2");
    EXPECT_EQ(text(value(check.get(), Variant(u"amount"))), "-3");
    EXPECT_TRUE(value(check.get(), Variant(u"opened")).isNull());
    EXPECT_FALSE(rt::toBool(value(check.get(), Variant(u"active"))));
    rt::check(check->MoveNext());
    EXPECT_EQ(text(value(check.get(), Variant(u"code"))), "C3");
    EXPECT_EQ(text(value(check.get(), Variant(u"amount"))), "7");
    EXPECT_TRUE(value(check.get(), Variant(u"opened")).isNull()) << "the empty date of the blank row stays null";
}

VELMORA_ON_BOTH_BACKENDS(RecordsetXmlTables);
