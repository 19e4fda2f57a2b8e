// The persisted row format on a database: the platform's pending-changes example written
// back, our own documents reopened, pending changes, and the library's schema-only round trip.
#include "dom/dom.h"
#include "runtime/dispatch.h"
#include "suites.h"

namespace ado::testing {
namespace {

using rt::IDispatch;

rt::ComPtr<dom::IXMLDOMDocument2> saveToDocument(_Recordset* rs) {
    auto doc = dom::newDocument();
    rt::check(rs->Save(Variant(rt::ComPtr<IDispatch>(doc.get())), adPersistXML));
    return doc;
}

Str xmlOf(dom::IXMLDOMNode* node) {
    Str xml;
    rt::check(node->get_xml(&xml));
    return xml;
}

// Every field's name, type, size, precision, scale and attributes, then every row's values.
std::string describe(_Recordset* rs) {
    std::string out;
    const int32_t n = fieldCount(rs);
    for (int32_t i = 0; i < n; ++i) {
        rt::ComPtr<Field> f = field(rs, Variant(i));
        Str name;
        int32_t type = 0, size = 0, attrs = 0;
        int16_t precision = 0, scale = 0;
        rt::check(f->get_Name(&name));
        rt::check(f->get_Type(&type));
        rt::check(f->get_DefinedSize(&size));
        rt::check(f->get_Attributes(&attrs));
        rt::check(f->get_Precision(&precision));
        rt::check(f->get_NumericScale(&scale));
        out += u8(name) + " " + std::to_string(type) + " " + std::to_string(size) + " " + std::to_string(precision) +
               " " + std::to_string(scale) + " " + std::to_string(attrs) + "\n";
    }
    if (recordCount(rs) > 0) rt::check(rs->MoveFirst());
    while (!isEOF(rs)) {
        for (int32_t i = 0; i < n; ++i) {
            const Variant v = value(rs, Variant(i));
            out += std::to_string(v.type()) + ":";
            if (v.isArray()) {
                for (const Variant& b : v.array().items()) out += std::to_string(rt::toI4(b)) + ".";
            } else if (v.type() == rt::VT_R8) {
                char buf[40];
                std::snprintf(buf, sizeof buf, "%.17g", v.r8());
                out += buf;
            } else if (v.type() == rt::VT_DATE) {
                char buf[40];
                std::snprintf(buf, sizeof buf, "%.10f", v.date());
                out += buf;
            } else {
                out += text(v);
            }
            out += "|";
        }
        out += "\n";
        rt::check(rs->MoveNext());
    }
    return out;
}

TEST_P(PersistTest, ThePlatformsPendingChangesExampleWritesBack) {
    exec(u"create table shippers (ShipperID int primary key, CompanyName nvarchar(40), Phone nvarchar(24))");
    exec(u"insert into shippers values (1, N'Speedy Express', N'(503) 555-9831')");
    exec(u"insert into shippers values (2, N'United Package', N'(503) 555-3199')");
    exec(u"insert into shippers values (3, N'Federal Shipping', N'(503) 555-9931')");
    auto doc = loadDocument(
        Str(u"<xml ") + kNamespaces + u">" + shippersSchema() +
        u"<rs:data><z:row ShipperID='2' CompanyName='United Package' Phone='(503) 555-3199'/>"
        u"<rs:update><rs:original><z:row ShipperID='3' CompanyName='Federal Shipping' Phone='(503) 555-9931'/>"
        u"</rs:original><z:row Phone='(503) 552-7134'/></rs:update>"
        u"<rs:insert><z:row ShipperID='12' CompanyName='Lightning Shipping' Phone='(505) 111-2222'/>"
        u"<z:row ShipperID='13' CompanyName='Thunder Overnight' Phone='(505) 111-2222'/>"
        u"<z:row ShipperID='14' CompanyName='Blue Angel Air Delivery' Phone='(505) 111-2222'/></rs:insert>"
        u"<rs:delete><z:row ShipperID='1' CompanyName='Speedy Express' Phone='(503) 555-9831'/></rs:delete>"
        u"</rs:data></xml>");
    auto rs = openDocument(doc.get());
    EXPECT_EQ(recordCount(rs.get()), 5);
    rt::check(rs->MoveNext());
    EXPECT_EQ(text(value(rs.get(), Variant(u"Phone"))), "(503) 552-7134");
    Variant original;
    rt::check(field(rs.get(), Variant(u"Phone"))->get_OriginalValue(&original));
    EXPECT_EQ(text(original), "(503) 555-9931");
    EXPECT_EQ(text(value(rs.get(), Variant(u"CompanyName"))), "Federal Shipping");

    rt::check(rs->putref_ActiveConnection(conn()));
    rt::check(rs->UpdateBatch(adAffectAll));
    auto check = open(u"select ShipperID, Phone from shippers order by ShipperID");
    std::string rows;
    while (!isEOF(check.get())) {
        rows += text(value(check.get(), Variant(int32_t(0)))) + "=" + text(value(check.get(), Variant(int32_t(1)))) +
                ";";
        rt::check(check->MoveNext());
    }
    EXPECT_EQ(rows, "2=(503) 555-3199;3=(503) 552-7134;12=(505) 111-2222;13=(505) 111-2222;14=(505) 111-2222;");
}

TEST_P(PersistTest, OurDocumentsReopenToEqualRecordSets) {
    exec(u"create table t (id int primary key, \"Order Date\" datetime, \"x:y\" nvarchar(10), "
         u"amount decimal(18,4), price money, ok bit, r float, s real, d date, tm time, b varbinary(4), "
         u"g uniqueidentifier, big bigint, small smallint, tiny tinyint, c char(3), note text, "
         u"u nvarchar(30) not null)");
    exec(u"insert into t values (1, '2007-03-05 10:20:30', N'a<b>&\"c''', 12345.6789, 1234.5678, true, 0.1, 1.25, "
         u"'2007-03-05', '23:59:59', x'00ff', '6f9619ff-8b86-d011-b42d-00c04fc964ff', -9007199254740993, -3, 200, "
         u"'abc', 'line1\nline2\ttab', N'中文 Grüße')");
    exec(u"insert into t (id, u) values (2, N'')");
    auto rs = open(u"select id, \"Order Date\", \"x:y\", amount, price, ok, r, s, d, tm, b, g, big, small, tiny, c, "
                   u"note, u, id * 2 as twice from t order by id",
                   adLockBatchOptimistic);
    const std::string before = describe(rs.get());
    auto doc = saveToDocument(rs.get());
    const std::string xml = u8(xmlOf(doc.get()));
    EXPECT_NE(xml.find("rs:name=\"Order Date\""), std::string::npos);
    EXPECT_NE(xml.find("\"2007-03-05T10:20:30\""), std::string::npos);
    EXPECT_NE(xml.find("ok=\"True\""), std::string::npos);

    auto again = openDocument(doc.get());
    EXPECT_EQ(describe(again.get()), before);

    // The same through a file, and the file can be found without a connection.
    TempDir dir;
    const Str path = rt::fromUtf8(dir.file("saved.xml"));
    rt::check(rs->Save(Variant(path), adPersistXML));
    auto fromFile = newRecordset();
    rt::check(fromFile->Open(Variant(path), Variant(rt::Missing{}), -1, adLockBatchOptimistic, adCmdFile));
    EXPECT_EQ(describe(fromFile.get()), before);
    auto implicitFile = newRecordset();
    rt::check(implicitFile->Open(Variant(path), Variant(rt::Missing{}), -1, adLockBatchOptimistic, -1));
    EXPECT_EQ(recordCount(implicitFile.get()), 2);
    EXPECT_TRUE(rt::failed(rs->Save(Variant(path), adPersistXML)));  // it exists
    EXPECT_EQ(adoErrorOf([&] { rt::check(rs->Save(Variant(path + u"2"), adPersistADTG)); }), adErrInvalidArgument);
}

TEST_P(PersistTest, PendingChangesSurviveTheDocumentAndWriteBackLater) {
    exec(u"create table t (id int primary key, name nvarchar(20) null, n int null)");
    exec(u"insert into t values (1, N'one', 1)");
    exec(u"insert into t values (2, N'two', 2)");
    exec(u"insert into t values (3, N'three', 3)");
    auto rs = open(u"select id, name, n from t order by id", adLockBatchOptimistic);
    setValue(rs.get(), Variant(u"name"), Variant(rt::Null{}));  // changed to null
    setValue(rs.get(), Variant(u"n"), Variant(int32_t(10)));
    rt::check(rs->MoveNext());
    rt::check(rs->Delete(adAffectCurrent));
    rt::check(rs->AddNew(Variant(rt::Missing{}), Variant(rt::Missing{})));
    setValue(rs.get(), Variant(u"id"), Variant(int32_t(4)));
    setValue(rs.get(), Variant(u"name"), Variant(u"four"));

    auto doc = saveToDocument(rs.get());  // the added row is completed first
    const std::string xml = u8(xmlOf(doc.get()));
    EXPECT_NE(xml.find("<rs:update>"), std::string::npos);
    EXPECT_NE(xml.find("<rs:insert>"), std::string::npos);
    EXPECT_NE(xml.find("<rs:delete>"), std::string::npos);

    auto reopened = openDocument(doc.get());
    EXPECT_EQ(recordCount(reopened.get()), 3);
    EXPECT_TRUE(value(reopened.get(), Variant(u"name")).isNull());
    Variant original;
    rt::check(field(reopened.get(), Variant(u"name"))->get_OriginalValue(&original));
    EXPECT_EQ(text(original), "one");
    rt::check(reopened->putref_ActiveConnection(conn()));
    rt::check(reopened->UpdateBatch(adAffectAll));
    auto check = open(u"select id, name, n from t order by id");
    std::string rows;
    while (!isEOF(check.get())) {
        rows += text(value(check.get(), Variant(int32_t(0)))) + ":" + text(value(check.get(), Variant(int32_t(1)))) +
                ":" + text(value(check.get(), Variant(int32_t(2)))) + ";";
        rt::check(check->MoveNext());
    }
    EXPECT_EQ(rows, "1:<null>:10;3:three:3;4:four:<null>;");
}

// The library's Doc2Rs: the schema part alone, made writable, opened without a connection,
// then filled with AddNew and Field.Value.
TEST_P(PersistTest, TheSchemaOnlyRoundTripOfTheLibrary) {
    exec(u"create table acct (code nvarchar(10) primary key, amount decimal(18,2) not null, opened datetime, "
         u"active bit)");
    exec(u"insert into acct values (N'A1', 10.5, '2007-03-05 10:20:30', true)");
    exec(u"insert into acct values (N'B2', -3, null, false)");
    auto rs = newRecordset();
    rt::check(rs->Open(Variant(u"select code, amount, opened, active from acct order by code"),
                       Variant(rt::ComPtr<IDispatch>(conn())), adOpenForwardOnly, adLockReadOnly, 0));
    auto saved = saveToDocument(rs.get());
    rt::check(rs->Close());
    exec(u"delete from acct");

    rt::ComPtr<dom::IXMLDOMElement> root;
    rt::check(saved->get_documentElement(root.put()));
    rt::ComPtr<dom::IXMLDOMNode> copy;
    rt::check(root->cloneNode(rt::VARIANT_TRUE, copy.put()));
    Variant elementType = rt::callMethod(copy.get(), u"selectSingleNode", {Variant(u"//s:ElementType")});
    ASSERT_TRUE(elementType.isObject() && elementType.object());
    Variant children = rt::getProperty(elementType.object().get(), u"childNodes");
    const int32_t n = rt::toI4(rt::getProperty(children.object().get(), u"length"));
    for (int32_t i = 0; i < n; ++i) {
        Variant child = rt::getProperty(children.object().get(), u"item", {Variant(i)});
        rt::callMethod(child.object().get(), u"setAttribute", {Variant(u"rs:writeunknown"), Variant(u"True")});
        rt::callMethod(child.object().get(), u"setAttribute", {Variant(u"rs:nullable"), Variant(u"true")});
    }
    Variant data = rt::callMethod(copy.get(), u"selectSingleNode", {Variant(u"rs:data")});
    ASSERT_TRUE(data.isObject() && data.object());
    rt::callMethod(copy.get(), u"removeChild", {data});
    auto schemaOnly = dom::newDocument();
    rt::callMethod(schemaOnly.get(), u"appendChild", {Variant(copy)});

    auto target = newRecordset();
    rt::check(target->Open(Variant(rt::ComPtr<IDispatch>(schemaOnly.get())), Variant(rt::Missing{}), adOpenForwardOnly,
                           adLockOptimistic, -1));
    EXPECT_EQ(recordCount(target.get()), 0);
    EXPECT_EQ(attributesOf(target.get(), Variant(u"amount")) & adFldIsNullable, adFldIsNullable);
    Variant rows = rt::getProperty(data.object().get(), u"childNodes");
    const int32_t rowCount = rt::toI4(rt::getProperty(rows.object().get(), u"length"));
    ASSERT_EQ(rowCount, 2);
    for (int32_t i = 0; i < rowCount; ++i) {
        rt::check(target->AddNew(Variant(rt::Missing{}), Variant(rt::Missing{})));
        Variant row = rt::getProperty(rows.object().get(), u"item", {Variant(i)});
        Variant attrs = rt::getProperty(row.object().get(), u"attributes");
        const int32_t count = rt::toI4(rt::getProperty(attrs.object().get(), u"length"));
        for (int32_t a = 0; a < count; ++a) {
            Variant attr = rt::getProperty(attrs.object().get(), u"item", {Variant(a)});
            const Str name = rt::toText(rt::getProperty(attr.object().get(), u"name"));
            Str valueText = rt::toText(rt::getProperty(attr.object().get(), u"value"));
            // As the library converts: booleans and numbers from their text, dates up to the "T".
            Variant v(valueText);
            const int32_t type = typeOf(target.get(), Variant(name));
            if (type == adDBTimeStamp) v = Variant(valueText.substr(0, valueText.find(u'T')));
            if (type == adNumeric) v = Variant(rt::toDouble(Variant(valueText)));
            setValue(target.get(), Variant(name), v);
        }
    }
    // The last row is still being added, as the library hands it back.
    int32_t mode = 0;
    rt::check(target->get_EditMode(&mode));
    EXPECT_EQ(mode, adEditAdd);
    EXPECT_EQ(recordCount(target.get()), 2);

    rt::check(target->putref_ActiveConnection(conn()));
    rt::check(target->UpdateBatch(adAffectAll));
    auto check = open(u"select code, amount, opened, active from acct order by code");
    EXPECT_EQ(recordCount(check.get()), 2);
    EXPECT_EQ(text(value(check.get(), Variant(u"amount"))), "10.5");
    EXPECT_TRUE(rt::toBool(value(check.get(), Variant(u"active"))));
    EXPECT_EQ(value(check.get(), Variant(u"opened")).type(), rt::VT_DATE);
    rt::check(check->MoveNext());
    EXPECT_EQ(text(value(check.get(), Variant(u"code"))), "B2");
    EXPECT_TRUE(value(check.get(), Variant(u"opened")).isNull());
}

TEST_P(PersistTest, SavedDocumentsCanBeEditedThroughTheDom) {
    exec(u"create table t (id int primary key, ok bit, name nvarchar(40))");
    exec(u"insert into t values (1, true, N'a name longer than sixteen bytes')");
    auto doc = saveToDocument(open(u"select id, ok, name from t").get());
    Variant row = rt::callMethod(doc.get(), u"selectSingleNode", {Variant(u"//z:row")});
    ASSERT_TRUE(row.isObject() && row.object());
    EXPECT_EQ(text(rt::callMethod(row.object().get(), u"getAttribute", {Variant(u"ok")})), "True");
    rt::callMethod(row.object().get(), u"setAttribute", {Variant(u"id"), Variant(u"999")});
    rt::callMethod(row.object().get(), u"setAttribute", {Variant(u"name"), Variant(u"short")});
    rt::callMethod(row.object().get(), u"removeAttribute", {Variant(u"ok")});
    auto rs = openDocument(doc.get());
    EXPECT_EQ(text(value(rs.get(), Variant(u"id"))), "999");
    EXPECT_EQ(text(value(rs.get(), Variant(u"name"))), "short");
    EXPECT_TRUE(value(rs.get(), Variant(u"ok")).isNull());
    Variant copy = rt::callMethod(row.object().get(), u"cloneNode", {Variant(true)});
    EXPECT_NE(u8(rt::toText(rt::getProperty(copy.object().get(), u"xml"))).find("id=\"999\""), std::string::npos);
}

TEST_P(PersistTest, ARecordSetFromADocumentKeepsItsLockType) {
    exec(u"create table t (id int primary key)");
    exec(u"insert into t values (1)");
    auto doc = saveToDocument(open(u"select id from t").get());
    auto ro = openDocument(doc.get(), adLockReadOnly);
    EXPECT_EQ(adoErrorOf([&] { rt::check(ro->AddNew(Variant(rt::Missing{}), Variant(rt::Missing{}))); }),
              adErrFeatureNotAvailable);
    auto rw = openDocument(doc.get(), adLockOptimistic);
    rt::check(rw->AddNew(Variant(rt::Missing{}), Variant(rt::Missing{})));
    setValue(rw.get(), Variant(u"id"), Variant(int32_t(2)));
    rt::check(rw->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));  // no connection: kept pending
    EXPECT_EQ(text(scalarOf(u"select count(*) from t")), "1");
}

}  // namespace
}  // namespace ado::testing
