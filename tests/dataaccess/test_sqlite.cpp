// SQLite specifics: the database file and its modes, in-memory databases, waiting for a lock,
// and the field types that SQLite's declared column types and expressions map to.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "behaviour/ado_testing.h"
#include "runtime/date.h"

namespace ado::testing {
namespace {

// ---- the database file, its modes and its locks --------------------------------------------

TEST(SqliteConnection, CreatesTheFileUnlessModeIsRead) {
    TempDir dir;
    const std::filesystem::path file = dir.file("new.db");
    auto c = newConnection();
    EXPECT_TRUE(rt::failed(c->Open(u"Provider=SQLite;Data Source=" + rt::fromUtf8(file.string()) + u";Mode=Read",
                                   Str(), Str(), -1)));
    EXPECT_FALSE(std::filesystem::exists(file));
    rt::check(c->Open(u"provider=sqlite;data source=" + rt::fromUtf8(file.string()), Str(), Str(), -1));
    EXPECT_TRUE(std::filesystem::exists(file));
    execute(c.get(), u"create table t (a int)");
    rt::check(c->Close());

    auto ro = openConnection(u"Provider=SQLite;Data Source=" + rt::fromUtf8(file.string()) + u";Mode=Read");
    EXPECT_EQ(text(scalar(ro.get(), u"select count(*) from t")), "0");
    rt::Error e = errorOf([&] { execute(ro.get(), u"insert into t values (1)"); });
    EXPECT_EQ(e.hresult(), kPermissionDenied);
}

TEST(SqliteConnection, MemoryDatabasesAndTheDefaultProvider) {
    auto a = openConnection(u"Data Source=:memory:");  // no Provider: the embedded default
    execute(a.get(), u"create table t (x int)");
    auto b = openConnection(u"Provider=SQLite;Data Source=:memory:");
    EXPECT_TRUE(errorOf([&] { execute(b.get(), u"select * from t"); }).hresult() != rt::S_OK);
    Str provider;
    rt::check(a->get_Provider(&provider));
    EXPECT_EQ(provider, u"SQLite");
}

TEST(SqliteConnection, WithoutADataSourceOpenFails) {
    auto c = newConnection();
    rt::Error e = errorOf([&] { rt::check(c->Open(u"Provider=SQLite", Str(), Str(), -1)); });
    EXPECT_EQ(e.hresult(), rt::E_FAIL);
    EXPECT_NE(u8(e.description()).find("Data Source"), std::string::npos);
}

TEST(SqliteConnection, BusyWaitFollowsCommandTimeout) {
    TempDir dir;
    const Str cs = u"Provider=SQLite;Data Source=" + rt::fromUtf8(dir.file("busy.db"));
    auto holder = openConnection(cs);
    execute(holder.get(), u"create table t (a int)");
    int32_t level = 0;
    rt::check(holder->BeginTrans(&level));
    execute(holder.get(), u"insert into t values (1)");  // holds the write lock

    auto waiter = newConnection();
    rt::check(waiter->put_CommandTimeout(1));
    rt::check(waiter->Open(cs, Str(), Str(), -1));
    const auto start = std::chrono::steady_clock::now();
    rt::Error e = errorOf([&] { execute(waiter.get(), u"insert into t values (2)"); });
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(e.hresult(), kTimeoutExpired);
    EXPECT_GE(waited, 0.9);
    EXPECT_LT(waited, 10.0);
    rt::check(holder->CommitTrans());
    execute(waiter.get(), u"insert into t values (2)");
    EXPECT_EQ(text(scalar(waiter.get(), u"select count(*) from t")), "2");
}

TEST(SqliteConnection, ReadOnlyConnectionsWriteNoFileAnywhere) {
    TempDir dir;
    const std::string file = dir.file("ro.db");
    execute(openConnection(u"Data Source=" + rt::fromUtf8(file)).get(), u"create table t (a int)");
    auto ro = openConnection(u"Data Source=" + rt::fromUtf8(file) + u";Mode=Read");
    const std::string copy = dir.file("copy.db"), attached = dir.file("attached.db");
    rt::Error e = errorOf([&] { execute(ro.get(), u"vacuum into '" + rt::fromUtf8(copy) + u"'"); });
    EXPECT_EQ(e.hresult(), kPermissionDenied);
    e = errorOf([&] {
        execute(ro.get(), u"attach database '" + rt::fromUtf8(attached) + u"' as other; create table other.x (a int)");
    });
    EXPECT_EQ(e.hresult(), kPermissionDenied);
    e = errorOf([&] { execute(ro.get(), u"attach database ':memory:' as scratch"); });
    EXPECT_EQ(e.hresult(), kPermissionDenied);
    EXPECT_FALSE(std::filesystem::exists(copy));
    EXPECT_FALSE(std::filesystem::exists(attached));
    EXPECT_EQ(text(scalar(ro.get(), u"select count(*) from t")), "0");  // reading still works
    // A writable connection may attach and copy.
    auto rw = openConnection(u"Data Source=" + rt::fromUtf8(file));
    execute(rw.get(), u"vacuum into '" + rt::fromUtf8(copy) + u"'");
    EXPECT_TRUE(std::filesystem::exists(copy));
}

TEST(SqliteConnection, AFileDataSourceIsAFileNameUnlessUrisAreAskedFor) {
    TempDir dir;
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    struct Back {
        std::filesystem::path p;
        ~Back() { std::filesystem::current_path(p); }
    } back{before};
    // The options of a URI are not read: this is the file "file:x.db?mode=memory".
    auto c = openConnection(u"Data Source=file:x.db?mode=memory");
    execute(c.get(), u"create table t (a int)");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "file:x.db?mode=memory"));
    // Asked for, a URI is one.
    auto u = openConnection(u"Data Source=file:y.db?mode=memory;Uri=True");
    execute(u.get(), u"create table t (a int)");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "y.db"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "file:y.db?mode=memory"));
    // A URI cannot make a read-only connection writable.
    EXPECT_TRUE(rt::failed(newConnection()->Open(u"Data Source=file:z.db?mode=rwc;Uri=True;Mode=Read", Str(), Str(), -1)));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "z.db"));
}

TEST(SqliteConnection, ANulNeverCutsTheFileName) {
    TempDir dir;
    const Str file = rt::fromUtf8(dir.file("a.db"));
    auto c = newConnection();
    rt::Error e = errorOf([&] { rt::check(c->Open(u"Data Source=" + file + Str(1, u'\0') + u"b.db", Str(), Str(), -1)); });
    EXPECT_EQ(e.hresult(), rt::E_FAIL);
    EXPECT_NE(u8(e.description()).find("NUL"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.db")));
}

TEST(SqliteCommands, AStatementPastItsCommandTimeoutIsInterrupted) {
    auto c = newConnection();
    rt::check(c->put_CommandTimeout(1));
    rt::check(c->Open(u"Data Source=:memory:", Str(), Str(), -1));
    execute(c.get(), u"create table t (a int); insert into t values (1)");
    const auto start = std::chrono::steady_clock::now();
    rt::Error e = errorOf([&] {
        query(c.get(), u"with recursive r(n) as (select 1 union all select n + 1 from r) select count(*) from r");
    });
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(e.hresult(), kTimeoutExpired);
    EXPECT_EQ(u8(e.description()), "Query timeout expired");
    EXPECT_GE(waited, 0.9);
    EXPECT_LT(waited, 10.0);
    // Inside a transaction the interrupted statement undoes itself; the connection goes on.
    int32_t level = 0;
    rt::check(c->BeginTrans(&level));
    e = errorOf([&] {
        execute(c.get(), u"insert into t with recursive r(n) as (select 1 union all select n + 1 from r) "
                         u"select n from r");
    });
    EXPECT_EQ(e.hresult(), kTimeoutExpired);
    EXPECT_EQ(text(scalar(c.get(), u"select count(*) from t")), "1");
    // No time-out: a long statement runs to its end.
    rt::check(c->put_CommandTimeout(0));
    EXPECT_EQ(text(scalar(c.get(), u"with recursive r(n) as (select 1 union all select n + 1 from r where n < 300000) "
                                   u"select count(*) from r")),
              "300000");
}

// ---- the persisted row format: values against their declared types ---------------------------

// A value's type and exact content, for comparisons.
std::string exactly(const Variant& v) {
    std::string out = std::to_string(int(v.type())) + ":";
    if (v.isArray()) {
        for (const Variant& item : v.array().items()) out += exactly(item) + ",";
        return out;
    }
    switch (v.type()) {
        case rt::VT_R8:
        case rt::VT_DATE: {
            char buf[40];
            std::snprintf(buf, sizeof buf, "%.17g", v.type() == rt::VT_R8 ? v.r8() : v.date());
            return out + buf;
        }
        case rt::VT_NULL: return out;
        case rt::VT_BSTR: {
            for (char16_t c : v.str()) out += std::to_string(int(c)) + " ";
            return out;
        }
        default: return out + text(v);
    }
}

// Every value of every row (Value of each field).
std::vector<std::string> allValues(_Recordset* rs) {
    std::vector<std::string> out;
    rt::check(rs->MoveFirst());
    while (!isEOF(rs)) {
        for (int32_t i = 0; i < fieldCount(rs); ++i) out.push_back(exactly(value(rs, Variant(i))));
        rt::check(rs->MoveNext());
    }
    return out;
}

// Values SQLite keeps whatever the column's declared type says, and text that XML cannot
// carry as it is: Save then Open gives each of them back equal (type and value), through a
// document object and through a file.
TEST(SqlitePersist, ValuesAgainstTheirDeclaredTypesSurviveSaveAndOpen) {
    TempDir dir;
    auto c = openConnection(u"Data Source=" + rt::fromUtf8(dir.file("odd.db")));
    execute(c.get(), u"create table odd (id integer primary key, i int, d decimal(18,2), m money, dt date, tm time, "
                     u"ts datetime, b bit, bin varbinary(10), f float, t nvarchar(10), g uniqueidentifier)");
    execute(c.get(), u"insert into odd values (1, 2.5, 1e30, 1e30, '2024-01-02 10:30:00', '2024-01-02 10:30:00', "
                     u"'2024-01-02 10:30:00.5', 2, 5, 'abc', x'0102', x'00112233445566778899aabbccddeeff')");
    execute(c.get(), u"insert into odd values (2, '12 apples', 'abc', 'abc', 90000, 2460000.25, 1e9, 'yes', 'text', "
                     u"x'616263', 'a' || char(1) || 'b' || char(65535), 'not a guid')");
    execute(c.get(), u"insert into odd values (3, ' 12', 1e-30, -0.5, 'abc', '25:00', '2024-02-30', 0.5, x'', 1e999, "
                     u"'tab' || char(9) || 'cr' || char(13) || 'lf' || char(10), 12)");
    execute(c.get(), u"insert into odd values (4, 9223372036854775807, 12.5, 3, '2024-01-02', '10:30:00', "
                     u"'2024-01-02 10:30:00', 1, x'ff', -1e999, char(55296 + 0), null)");
    auto rs = query(c.get(), u"select * from odd order by id", adLockBatchOptimistic);
    // A pending change holding such values too.
    rt::check(rs->MoveFirst());
    setValue(rs.get(), Variant(u"t"), Variant(u"x" + Str(1, u'\x02')));
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    const std::vector<std::string> before = allValues(rs.get());

    auto doc = dom::newDocument();
    rt::check(rs->Save(Variant(rt::ComPtr<rt::IDispatch>(doc.get())), adPersistXML));
    auto fromDoc = openDocument(doc.get(), adLockBatchOptimistic);
    EXPECT_EQ(allValues(fromDoc.get()), before);

    const Str file = rt::fromUtf8(dir.file("odd.xml"));
    rt::check(rs->Save(Variant(file), adPersistXML));
    auto fromFile = newRecordset();
    rt::check(fromFile->Open(Variant(file), Variant(rt::Missing{}), adOpenStatic, adLockBatchOptimistic, adCmdFile));
    EXPECT_EQ(allValues(fromFile.get()), before);
    // The pending change is still one, and the row it writes is the row read.
    rt::check(fromFile->put_ActiveConnection(Variant(rt::ComPtr<rt::IDispatch>(c.get()))));
    rt::check(fromFile->UpdateBatch(adAffectAll));
    EXPECT_EQ(exactly(scalar(c.get(), u"select t from odd where id = 1")), exactly(Variant(u"x" + Str(1, u'\x02'))));
}

// ---- the types of declared columns and of expressions ----------------------------------------

struct TypeCase {
    const char16_t* declared;
    const char16_t* literal;
    DataType type;
    rt::VarType variant;
    std::string text;  // the value's text as read back
};

class TypesTest : public AdoTest {};

TEST_P(TypesTest, EveryMappedTypeReadsWithItsCodeAndVariant) {
    const TypeCase cases[] = {
        {u"INTEGER", u"-7", adInteger, rt::VT_I4, "-7"},
        {u"INT", u"2147483647", adInteger, rt::VT_I4, "2147483647"},
        {u"SMALLINT", u"-32768", adSmallInt, rt::VT_I2, "-32768"},
        {u"TINYINT", u"255", adUnsignedTinyInt, rt::VT_I2, "255"},
        {u"BIGINT", u"9007199254740993", adBigInt, rt::VT_I8, "9007199254740993"},
        {u"REAL", u"1.5", adSingle, rt::VT_R8, "1.5"},
        {u"FLOAT", u"0.1", adDouble, rt::VT_R8, "0.1"},
        {u"DOUBLE", u"-2.5e10", adDouble, rt::VT_R8, "-25000000000"},
        {u"DECIMAL(18,2)", u"'12.30'", adNumeric, rt::VT_DECIMAL, "12.3"},
        {u"NUMERIC(10,4)", u"'-0.0001'", adNumeric, rt::VT_DECIMAL, "-0.0001"},
        {u"MONEY", u"'1234.5678'", adCurrency, rt::VT_CY, "1234.5678"},
        {u"BIT", u"1", adBoolean, rt::VT_BOOL, "True"},
        {u"BOOLEAN", u"0", adBoolean, rt::VT_BOOL, "False"},
        {u"DATE", u"'2007-03-05'", adDBDate, rt::VT_DATE, "2007-03-05"},
        {u"TIME", u"'10:20:30'", adDBTime, rt::VT_DATE, "10:20:30"},
        {u"DATETIME", u"'2007-03-05 10:20:30'", adDBTimeStamp, rt::VT_DATE, "2007-03-05 10:20:30"},
        {u"TIMESTAMP", u"'2007-03-05T23:59:59'", adDBTimeStamp, rt::VT_DATE, "2007-03-05 23:59:59"},
        {u"CHAR(3)", u"'abc'", adChar, rt::VT_BSTR, "abc"},
        {u"NCHAR(2)", u"N'中文'", adWChar, rt::VT_BSTR, "中文"},
        {u"VARCHAR(40)", u"'it''s'", adVarChar, rt::VT_BSTR, "it's"},
        {u"NVARCHAR(40)", u"N'Grüße'", adVarWChar, rt::VT_BSTR, "Grüße"},
        {u"TEXT", u"'long text'", adLongVarChar, rt::VT_BSTR, "long text"},
        {u"NTEXT", u"N'长文本'", adLongVarWChar, rt::VT_BSTR, "长文本"},
        {u"BLOB", u"x'00ff10'", adLongVarBinary, rt::VarType(rt::VT_ARRAY | rt::VT_VARIANT), ""},
        {u"VARBINARY(8)", u"x'0102'", adVarBinary, rt::VarType(rt::VT_ARRAY | rt::VT_VARIANT), ""},
        {u"UNIQUEIDENTIFIER", u"'6f9619ff-8b86-d011-b42d-00c04fc964ff'", adGUID, rt::VT_BSTR,
         "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"},
    };
    Str create = u"create table t (";
    Str insert = u"insert into t values (";
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Str col = u"c" + rt::ascii(std::to_string(i));
        create += (i ? u", " : u"") + col + u" " + cases[i].declared;
        insert += (i ? u", " : u"") + Str(cases[i].literal);
    }
    exec(create + u")");
    exec(insert + u")");
    exec(u"insert into t default values");
    auto rs = open(u"select * from t");
    ASSERT_EQ(fieldCount(rs.get()), int32_t(std::size(cases)));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(u8(cases[i].declared));
        rt::ComPtr<Field> f = field(rs.get(), Variant(int32_t(i)));
        int32_t type = 0;
        rt::check(f->get_Type(&type));
        EXPECT_EQ(type, cases[i].type);
        Variant v;
        rt::check(f->get_Value(&v));
        EXPECT_EQ(v.type(), cases[i].variant);
        if (cases[i].type == adDBDate || cases[i].type == adDBTime || cases[i].type == adDBTimeStamp) {
            rt::CivilTime t = rt::civilFromSerial(v.date());
            char buf[32];
            if (cases[i].type == adDBDate)
                std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
            else if (cases[i].type == adDBTime)
                std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
            else
                std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                              t.minute, t.second);
            EXPECT_EQ(buf, cases[i].text);
        } else if (v.isArray()) {
            EXPECT_GT(v.array().size(), 0u);
        } else {
            EXPECT_EQ(text(v), cases[i].text);
        }
    }
    // The second row holds nulls in every column.
    rt::check(rs->MoveNext());
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_TRUE(value(rs.get(), Variant(int32_t(i))).isNull()) << i;
}

TEST_P(TypesTest, SizesPrecisionAndAttributesFromTheTable) {
    exec(u"create table t (id int primary key, code varchar(12) not null, amount decimal(18, 2) null, note text, "
         u"price money)");
    exec(u"insert into t values (1, 'a', 1.5, 'n', 2)");
    auto ro = open(u"select id, code, amount, note, price, id + 1 as nextid from t");
    auto attributes = [&](_Recordset* rs, int i) {
        int32_t a = 0;
        rt::check(field(rs, Variant(int32_t(i)))->get_Attributes(&a));
        return a;
    };
    int32_t size = 0;
    int16_t precision = 0, scale = 0;
    rt::check(field(ro.get(), Variant(u"code"))->get_DefinedSize(&size));
    EXPECT_EQ(size, 12);
    rt::check(field(ro.get(), Variant(u"amount"))->get_Precision(&precision));
    rt::check(field(ro.get(), Variant(u"amount"))->get_NumericScale(&scale));
    EXPECT_EQ(precision, 18);
    EXPECT_EQ(scale, 2);
    EXPECT_EQ(attributes(ro.get(), 0), adFldKeyColumn | adFldFixed | adFldUnknownUpdatable);
    EXPECT_EQ(attributes(ro.get(), 1), adFldUnknownUpdatable);
    EXPECT_EQ(attributes(ro.get(), 2), adFldIsNullable | adFldMayBeNull | adFldFixed | adFldUnknownUpdatable);
    EXPECT_EQ(attributes(ro.get(), 3) & adFldLong, adFldLong);
    EXPECT_EQ(attributes(ro.get(), 5) & (adFldUpdatable | adFldUnknownUpdatable), 0);  // an expression
    auto rw = open(u"select id, code from t", adLockOptimistic);
    EXPECT_EQ(attributes(rw.get(), 1), adFldUpdatable);
}

TEST_P(TypesTest, ExpressionsAreTypedFromTheirValues) {
    auto rs = open(u"select 1 + 1 as n, 'abcd' as s, 1.5 as r, 5000000000 as big, null as nothing_at_all, "
                   u"x'01' as b");
    const std::pair<const char16_t*, DataType> expected[] = {{u"n", adInteger},  {u"s", adVarWChar},
                                                             {u"r", adDouble},   {u"big", adBigInt},
                                                             {u"nothing_at_all", adVarWChar}, {u"b", adLongVarBinary}};
    for (const auto& [name, type] : expected) {
        int32_t t = 0;
        rt::check(field(rs.get(), Variant(name))->get_Type(&t));
        EXPECT_EQ(t, type) << u8(name);
    }
    int32_t size = 0;
    rt::check(field(rs.get(), Variant(u"s"))->get_DefinedSize(&size));
    EXPECT_EQ(size, 4);
    EXPECT_EQ(text(value(rs.get(), Variant(u"big"))), "5000000000");
}

INSTANTIATE_TEST_SUITE_P(Providers, TypesTest, ::testing::Values(sqliteBackend()), backendName);

}  // namespace
}  // namespace ado::testing
