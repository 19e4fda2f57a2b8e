// Persisted row documents of the platform's own examples, opened without a database.
#include <filesystem>

#include "behaviour/ado_testing.h"
#include "dom/dom.h"

namespace ado::testing {
namespace {

using rt::IDispatch;

TEST(PersistedDocuments, ThePlatformsShippersExampleOpens) {
    auto doc = loadDocument(Str(u"<xml ") + kNamespaces + u">" + shippersSchema() +
                            u"<rs:data><z:row ShipperID='1' CompanyName='Speedy Express' Phone='(503) 555-9831'/>"
                            u"<z:row ShipperID='2' CompanyName='United Package' Phone='(503) 555-3199'/>"
                            u"<z:row ShipperID='3' CompanyName='Joe&apos;s Garage'/></rs:data></xml>");
    auto rs = openDocument(doc.get(), adLockOptimistic);
    EXPECT_EQ(fieldCount(rs.get()), 3);
    EXPECT_EQ(recordCount(rs.get()), 3);
    EXPECT_EQ(typeOf(rs.get(), Variant(u"ShipperID")), adInteger);
    EXPECT_EQ(typeOf(rs.get(), Variant(u"CompanyName")), adVarWChar);
    EXPECT_EQ(attributesOf(rs.get(), Variant(u"ShipperID")), adFldKeyColumn | adFldFixed);
    EXPECT_EQ(attributesOf(rs.get(), Variant(u"CompanyName")), adFldUpdatable | adFldIsNullable | adFldMayBeNull);
    int32_t size = 0;
    rt::check(field(rs.get(), Variant(u"Phone"))->get_DefinedSize(&size));
    EXPECT_EQ(size, 24);
    EXPECT_EQ(value(rs.get(), Variant(u"ShipperID")).type(), rt::VT_I4);
    EXPECT_EQ(text(value(rs.get(), Variant(u"CompanyName"))), "Speedy Express");
    rt::check(rs->MoveLast());
    EXPECT_EQ(text(value(rs.get(), Variant(u"CompanyName"))), "Joe's Garage");
    EXPECT_TRUE(value(rs.get(), Variant(u"Phone")).isNull());  // absent attribute: null
    // A column the schema does not mark writable stays read-only.
    EXPECT_EQ(errorOf([&] { setValue(rs.get(), Variant(u"ShipperID"), Variant(int32_t(9))); }).hresult(),
              kMultipleStepErrors);
}

TEST(PersistedDocuments, AliasesSharedDefinitionsAndAMinimalSchema) {
    auto doc = loadDocument(
        Str(u"<xml ") + kNamespaces + u"><s:Schema id='RowsetSchema'>"
        u"<s:ElementType name='row' content='eltOnly'><s:attribute type='s1'/><s:attribute type='s2'/>"
        u"<s:extends type='rs:rowbase'/></s:ElementType>"
        u"<s:AttributeType name='s1' rs:name='Shipper ID' rs:number='1' rs:writeunknown='true'>"
        u"<s:datatype dt:type='i4' dt:maxLength='4'/></s:AttributeType>"
        u"<s:AttributeType name='s2' rs:name='Company Name' rs:number='2' dt:type='string'/>"
        u"</s:Schema><rs:data><z:row s1='1' s2='Speedy Express' unknown='ignored'/></rs:data></xml>");
    auto rs = openDocument(doc.get());
    ASSERT_EQ(fieldCount(rs.get()), 2);
    EXPECT_EQ(typeOf(rs.get(), Variant(u"shipper id")), adInteger);
    EXPECT_EQ(text(value(rs.get(), Variant(u"Company Name"))), "Speedy Express");
    EXPECT_EQ(attributesOf(rs.get(), Variant(u"Shipper ID")) & adFldUnknownUpdatable, adFldUnknownUpdatable);

    auto minimal = loadDocument(Str(u"<root ") + kNamespaces +
                                u"><s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>"
                                u"<s:AttributeType name='A'/><s:AttributeType name='B'/></s:ElementType></s:Schema>"
                                u"<rs:data><z:row A='x'/><z:row B='7'/></rs:data></root>");
    rs = openDocument(minimal.get());
    EXPECT_EQ(typeOf(rs.get(), Variant(u"A")), adVarWChar);
    EXPECT_EQ(recordCount(rs.get()), 2);
    EXPECT_TRUE(value(rs.get(), Variant(u"B")).isNull());
}

TEST(PersistedDocuments, SomethingElseIsRefused) {
    auto doc = loadDocument(u"<xml><nothing/></xml>");
    auto rs = newRecordset();
    rt::Error e = errorOf([&] {
        rt::check(rs->Open(Variant(rt::ComPtr<IDispatch>(doc.get())), Variant(rt::Missing{}), -1, -1, -1));
    });
    EXPECT_EQ(u8(e.description()), "Recordset cannot be created. Source XML is incomplete or invalid.");
    int32_t state = -1;
    rt::check(rs->get_State(&state));
    EXPECT_EQ(state, adStateClosed);
}

// A file name holding a NUL is refused: the file system would take the part before it for
// the name, and another file would be written or read.
TEST(PersistedDocuments, AFileNameHoldingANulIsRefused) {
    TempDir dir;
    auto doc = loadDocument(Str(u"<xml ") + kNamespaces + u">" + shippersSchema() +
                            u"<rs:data><z:row ShipperID='1' CompanyName='Speedy Express'/></rs:data></xml>");
    auto rs = openDocument(doc.get());
    const Str cut = rt::fromUtf8(dir.file("a.xml"));
    const Str name = cut + Str(1, u'\0') + u".other";
    rt::Error e = errorOf([&] { rt::check(rs->Save(Variant(name), adPersistXML)); });
    EXPECT_EQ(e.hresult(), rt::E_FAIL);
    EXPECT_NE(u8(e.description()).find("NUL"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.xml")));

    rt::check(rs->Save(Variant(cut), adPersistXML));  // the file that the cut name would read
    for (int32_t options : {int32_t(adCmdFile), int32_t(-1)}) {
        auto other = newRecordset();
        e = errorOf([&] {
            rt::check(other->Open(Variant(name), Variant(rt::Missing{}), adOpenStatic, adLockBatchOptimistic, options));
        });
        EXPECT_TRUE(rt::failed(e.hresult())) << options;
        int32_t state = -1;
        rt::check(other->get_State(&state));
        EXPECT_EQ(state, adStateClosed) << options;
    }
}

// A precision or scale beyond what a field holds (255 and up: 255 itself stands for "none")
// takes the type's default, so the document written from the record set reads back the same.
TEST(PersistedDocuments, APrecisionOrScaleOutOfRangeTakesTheTypesDefault) {
    auto open = [](const Str& datatype) {
        return openDocument(loadDocument(Str(u"<xml ") + kNamespaces +
                                         u"><s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>"
                                         u"<s:AttributeType name='amount' rs:number='1'>" +
                                         datatype + u"</s:AttributeType></s:ElementType></s:Schema>"
                                         u"<rs:data><z:row amount='12.50'/></rs:data></xml>")
                                .get());
    };
    auto precisionAndScale = [](_Recordset* rs) {
        int16_t precision = -1, scale = -1;
        rt::check(field(rs, Variant(u"amount"))->get_Precision(&precision));
        rt::check(field(rs, Variant(u"amount"))->get_NumericScale(&scale));
        return std::pair<int, int>(precision, scale);
    };
    const std::pair<int, int> defaults = precisionAndScale(open(u"<s:datatype dt:type='number' rs:dbtype='decimal'/>").get());
    for (const char16_t* odd : {u"rs:precision='1810' rs:scale='300'", u"rs:precision='255' rs:scale='255'",
                                u"rs:precision='99999999999' rs:scale='-3'"}) {
        SCOPED_TRACE(u8(odd));
        auto rs = open(Str(u"<s:datatype dt:type='number' rs:dbtype='decimal' ") + odd + u"/>");
        EXPECT_EQ(precisionAndScale(rs.get()), defaults);
        auto written = dom::newDocument();
        rt::check(rs->Save(Variant(rt::ComPtr<IDispatch>(written.get())), adPersistXML));
        EXPECT_EQ(precisionAndScale(openDocument(written.get()).get()), defaults);
    }
    auto kept = open(u"<s:datatype dt:type='number' rs:dbtype='decimal' rs:precision='254' rs:scale='0'/>");
    EXPECT_EQ(precisionAndScale(kept.get()), (std::pair<int, int>(254, 0)));
}

}  // namespace
}  // namespace ado::testing
