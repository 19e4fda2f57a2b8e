#include "ado_testing.h"

#include <atomic>
#include <random>

namespace ado::testing {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("velmora-ado-" + std::to_string(rd()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

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

void AdoTest::SetUp() {
    cs_ = GetParam().connectionString(dir_.path());
    if (cs_.empty()) GTEST_SKIP() << GetParam().name << " is not available here";
    conn_ = openConnection(cs_);
}

void AdoTest::TearDown() { conn_ = nullptr; }

std::string backendName(const ::testing::TestParamInfo<Backend>& info) { return info.param.name; }

}  // namespace ado::testing
