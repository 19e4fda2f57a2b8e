#include "ado_testing.h"

namespace ado::testing {

Backend sqliteBackend() {
    Backend b;
    b.name = "SQLite";
    b.connectionString = [](const std::filesystem::path& dir) {
        return u"Provider=SQLite;Data Source=" + rt::fromUtf8((dir / "test.db").string());
    };
    b.autoKey = "INTEGER PRIMARY KEY";
    return b;
}

rt::ComPtr<_Connection> openConnection(const Str& cs) {
    auto c = rt::createObject(u"ADODB.Connection").as<_Connection>();
    if (!c) throw rt::Error::number(429);
    rt::check(c->Open(cs, Str(), Str(), -1));
    return c;
}

void execute(_Connection* c, const Str& sql) {
    rt::ComPtr<_Recordset> rs;
    rt::check(c->Execute(sql, nullptr, -1, rs.put()));
}

rt::ComPtr<_Recordset> query(_Connection* c, const Str& sql, int32_t lockType) {
    rt::ComPtr<_Recordset> rs = newRecordset();
    rt::check(rs->Open(Variant(sql), Variant(rt::ComPtr<rt::IDispatch>(c)), adOpenStatic, lockType, adCmdText));
    return rs;
}

rt::ComPtr<Field> field(_Recordset* rs, const Variant& index) {
    rt::ComPtr<Fields> fields;
    rt::check(rs->get_Fields(fields.put()));
    rt::ComPtr<Field> f;
    rt::check(fields->get_Item(index, f.put()));
    return f;
}

Variant value(_Recordset* rs, const Variant& index) {
    Variant v;
    rt::check(field(rs, index)->get_Value(&v));
    return v;
}

void setValue(_Recordset* rs, const Variant& index, const Variant& v) { rt::check(field(rs, index)->put_Value(v)); }

bool isEOF(_Recordset* rs) {
    int16_t b = 0;
    rt::check(rs->get_EOF(&b));
    return b != 0;
}

bool isBOF(_Recordset* rs) {
    int16_t b = 0;
    rt::check(rs->get_BOF(&b));
    return b != 0;
}

int32_t recordCount(_Recordset* rs) {
    int32_t n = 0;
    rt::check(rs->get_RecordCount(&n));
    return n;
}

int32_t fieldCount(_Recordset* rs) {
    rt::ComPtr<Fields> fields;
    rt::check(rs->get_Fields(fields.put()));
    int32_t n = 0;
    rt::check(fields->get_Count(&n));
    return n;
}

Variant scalar(_Connection* c, const Str& sql) {
    auto rs = query(c, sql);
    if (isEOF(rs.get())) return Variant(rt::Null{});
    return value(rs.get(), Variant(int32_t(0)));
}

std::string text(const Variant& v) {
    if (v.isNull()) return "<null>";
    if (v.isEmpty()) return "<empty>";
    return rt::toUtf8(rt::toText(v));
}

const char16_t* const kNamespaces =
    u"xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882' "
    u"xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'";

Str shippersSchema() {
    return u"<s:Schema id='RowsetSchema'>"
           u"<s:ElementType name='row' content='eltOnly' rs:updatable='true'>"
           u"<s:AttributeType name='ShipperID' rs:number='1' rs:basetable='shippers' rs:basecolumn='ShipperID' "
           u"rs:keycolumn='true'>"
           u"<s:datatype dt:type='int' dt:maxLength='4' rs:precision='10' rs:fixedlength='true' rs:maybenull='false'/>"
           u"</s:AttributeType>"
           u"<s:AttributeType name='CompanyName' rs:number='2' rs:nullable='true' rs:write='true' "
           u"rs:basetable='shippers' rs:basecolumn='CompanyName'>"
           u"<s:datatype dt:type='string' dt:maxLength='40'/></s:AttributeType>"
           u"<s:AttributeType name='Phone' rs:number='3' rs:nullable='true' rs:write='true' rs:basetable='shippers' "
           u"rs:basecolumn='Phone'><s:datatype dt:type='string' dt:maxLength='24'/></s:AttributeType>"
           u"<s:extends type='rs:rowbase'/></s:ElementType></s:Schema>";
}

rt::ComPtr<dom::IXMLDOMDocument2> loadDocument(const Str& xml) {
    auto doc = dom::newDocument();
    int16_t ok = 0;
    rt::check(doc->loadXML(xml, &ok));
    if (!ok) throw rt::Error::status(rt::E_FAIL, u"test document does not parse");
    return doc;
}

rt::ComPtr<_Recordset> openDocument(rt::IDispatch* doc, int32_t lockType) {
    auto rs = newRecordset();
    rt::check(rs->Open(Variant(rt::ComPtr<rt::IDispatch>(doc)), Variant(rt::Missing{}), adOpenForwardOnly, lockType, -1));
    return rs;
}

int32_t attributesOf(_Recordset* rs, const Variant& f) {
    int32_t a = 0;
    rt::check(field(rs, f)->get_Attributes(&a));
    return a;
}

int32_t typeOf(_Recordset* rs, const Variant& f) {
    int32_t t = 0;
    rt::check(field(rs, f)->get_Type(&t));
    return t;
}

void AdoTest::SetUp() {
    cs_ = GetParam().connectionString(dir_.path());
    if (cs_.empty()) GTEST_SKIP() << GetParam().name << " is not available here";
    conn_ = openConnection(cs_);
}

void AdoTest::TearDown() { conn_ = nullptr; }

std::string backendName(const ::testing::TestParamInfo<Backend>& info) { return info.param.name; }

}  // namespace ado::testing
