// A record set's fields enumerate through `_NewEnum` (dispatch id -4), on a real SQLite file.
#include <gtest/gtest.h>

#include "behaviour/ado_testing.h"
#include "runtime/enumerator.h"

namespace ado::testing {
namespace {

using rt::ComPtr;

TEST(FieldsEnumeration, EachColumnInOrderThenNone) {
    TempDir dir;
    auto c = openConnection(u"Provider=SQLite;Data Source=" + rt::fromUtf8(dir.file("books.db")));
    execute(c.get(), u"create table t (id integer primary key, name text, amount numeric)");
    execute(c.get(), u"insert into t values (1, 'one', 2.5)");
    auto rs = query(c.get(), u"select id, name, amount from t");
    ComPtr<Fields> fields;
    rt::check(rs->get_Fields(fields.put()));
    ComPtr<rt::IDispatch> e = rt::toObject(rt::invokeId(fields.get(), rt::DISPID_NEWENUM, rt::DISPATCH_PROPERTYGET));
    rt::Variant batch = rt::callMethod(e.get(), u"Next", {rt::Variant(int32_t(10))});
    ASSERT_TRUE(batch.isArray());
    std::vector<std::string> names;
    for (const rt::Variant& f : batch.array().items())
        names.push_back(rt::toUtf8(rt::toText(rt::getProperty(rt::toObject(f).get(), u"Name"))));
    EXPECT_EQ(names, (std::vector<std::string>{"id", "name", "amount"}));
    EXPECT_EQ(rt::callMethod(e.get(), u"Next", {rt::Variant(int32_t(10))}).array().items().size(), 0u);
}

TEST(FieldsEnumeration, AClosedRecordSetGivesItsError) {
    TempDir dir;
    auto c = openConnection(u"Provider=SQLite;Data Source=" + rt::fromUtf8(dir.file("books.db")));
    execute(c.get(), u"create table t (id integer)");
    auto rs = query(c.get(), u"select id from t");
    ComPtr<Fields> fields;
    rt::check(rs->get_Fields(fields.put()));
    rt::check(rs->Close());
    try {
        rt::invokeId(fields.get(), rt::DISPID_NEWENUM, rt::DISPATCH_PROPERTYGET);
        FAIL() << "enumerated the fields of a closed record set";
    } catch (const rt::Error& e) {
        EXPECT_EQ(e.numberValue(), 3704) << rt::toUtf8(e.description());
    }
}

}  // namespace
}  // namespace ado::testing
