// An early-bound caller that passes no place for a result gets E_POINTER from every member
// of the data-access objects, and nothing happens: no crash, no statement, no state change.
#include <gtest/gtest.h>

#include "behaviour/ado_testing.h"
#include "runtime/convert.h"

namespace ado::testing {
namespace {

class NullResults : public ::testing::Test {
protected:
    void SetUp() override {
        connection = openConnection(u"Data Source=" + rt::fromUtf8(dir.file("null.db")));
        execute(connection.get(), u"create table t (id integer primary key, name text)");
        execute(connection.get(), u"insert into t values (1, 'one')");
        records = query(connection.get(), u"select id, name from t");
        rt::check(records->get_Fields(fields.put()));
        first = field(records.get(), Variant(int32_t(0)));
    }

    static void expectPointerError(rt::HRESULT hr) {
        EXPECT_EQ(hr, rt::E_POINTER);
        EXPECT_EQ(rt::takeErrorInfo(hr).description(), u"Invalid pointer");
    }

    TempDir dir;
    rt::ComPtr<_Connection> connection;
    rt::ComPtr<_Recordset> records;
    rt::ComPtr<Fields> fields;
    rt::ComPtr<Field> first;
};

TEST_F(NullResults, ConnectionMembers) {
    expectPointerError(connection->get_ConnectionString(nullptr));
    expectPointerError(connection->get_CommandTimeout(nullptr));
    expectPointerError(connection->get_ConnectionTimeout(nullptr));
    expectPointerError(connection->get_Version(nullptr));
    expectPointerError(connection->get_CursorLocation(nullptr));
    expectPointerError(connection->get_Provider(nullptr));
    expectPointerError(connection->get_State(nullptr));
    expectPointerError(connection->Execute(u"insert into t values (2, 'two')", nullptr, 1, nullptr));
    expectPointerError(connection->BeginTrans(nullptr));

    // Neither the refused statement nor the refused transaction happened.
    EXPECT_EQ(rt::toText(value(query(connection.get(), u"select count(*) as n from t").get(), Variant(Str(u"n")))),
              u"1");
    int32_t level = 0;
    ASSERT_EQ(connection->BeginTrans(&level), rt::S_OK);
    EXPECT_EQ(level, 1) << "the refused BeginTrans left no transaction open";
    ASSERT_EQ(connection->RollbackTrans(), rt::S_OK);
}

TEST_F(NullResults, RecordsetMembers) {
    expectPointerError(records->get_AbsolutePosition(nullptr));
    expectPointerError(records->get_ActiveConnection(nullptr));
    expectPointerError(records->get_BOF(nullptr));
    expectPointerError(records->get_EOF(nullptr));
    expectPointerError(records->get_CursorType(nullptr));
    expectPointerError(records->get_LockType(nullptr));
    expectPointerError(records->get_CursorLocation(nullptr));
    expectPointerError(records->get_RecordCount(nullptr));
    expectPointerError(records->get_Source(nullptr));
    expectPointerError(records->get_Fields(nullptr));
    expectPointerError(records->get_EditMode(nullptr));
    expectPointerError(records->get_State(nullptr));
    expectPointerError(records->Clone(adLockReadOnly, nullptr));
    int32_t count = 0;
    ASSERT_EQ(records->get_RecordCount(&count), rt::S_OK);
    EXPECT_EQ(count, 1);
}

TEST_F(NullResults, FieldsAndFieldMembers) {
    expectPointerError(fields->get_Count(nullptr));
    expectPointerError(fields->get_Item(Variant(int32_t(0)), nullptr));
    expectPointerError(first->get_ActualSize(nullptr));
    expectPointerError(first->get_Attributes(nullptr));
    expectPointerError(first->get_DefinedSize(nullptr));
    expectPointerError(first->get_Name(nullptr));
    expectPointerError(first->get_Type(nullptr));
    expectPointerError(first->get_Value(nullptr));
    expectPointerError(first->get_Precision(nullptr));
    expectPointerError(first->get_NumericScale(nullptr));
    expectPointerError(first->get_OriginalValue(nullptr));
    expectPointerError(first->get_UnderlyingValue(nullptr));
    Str name;
    ASSERT_EQ(first->get_Name(&name), rt::S_OK);
    EXPECT_EQ(name, u"id");
}

}  // namespace
}  // namespace ado::testing
