// Writing back: immediate and batch mode, keyed and keyless tables, failures, on every backend.
#include "suites.h"

namespace ado::testing {

void WritesTest::SetUp() {
    AdoTest::SetUp();
    if (IsSkipped()) return;
    exec(u"create table keyed (id int primary key, name nvarchar(20) null, amount decimal(18,2) null)");
    exec(u"create table loose (a int null, b nvarchar(10) null)");
    int32_t level = 0;
    rt::check(conn()->BeginTrans(&level));
    exec(u"insert into keyed values (1, N'one', 1.10)");
    exec(u"insert into keyed values (2, N'two', 2.20)");
    exec(u"insert into keyed values (3, N'three', null)");
    exec(u"insert into loose values (1, N'x')");
    exec(u"insert into loose values (1, N'y')");
    exec(u"insert into loose values (2, null)");
    rt::check(conn()->CommitTrans());
}

std::string WritesTest::keyedRows() {
    auto rs = open(u"select id, name, amount from keyed order by id");
    std::string out;
    while (!isEOF(rs.get())) {
        out += text(value(rs.get(), Variant(int32_t(0)))) + ":" + text(value(rs.get(), Variant(int32_t(1)))) + ":" +
               text(value(rs.get(), Variant(int32_t(2)))) + ";";
        rt::check(rs->MoveNext());
    }
    return out;
}

std::string WritesTest::looseRows() {
    auto rs = open(u"select a, b from loose order by a, b");
    std::string out;
    while (!isEOF(rs.get())) {
        out += text(value(rs.get(), Variant(int32_t(0)))) + ":" + text(value(rs.get(), Variant(int32_t(1)))) + ";";
        rt::check(rs->MoveNext());
    }
    return out;
}

const std::string WritesTest::kOriginal = "1:one:1.1;2:two:2.2;3:three:<null>;";

namespace {

TEST_P(WritesTest, ImmediateUpdateWritesTheRowAtOnce) {
    auto rs = open(u"select id, name, amount from keyed order by id", adLockOptimistic);
    setValue(rs.get(), Variant(u"name"), Variant(u"uno"));
    int32_t mode = 0;
    rt::check(rs->get_EditMode(&mode));
    EXPECT_EQ(mode, adEditInProgress);
    EXPECT_EQ(keyedRows(), kOriginal);  // not before Update
    Variant original;
    rt::check(field(rs.get(), Variant(u"name"))->get_OriginalValue(&original));
    EXPECT_EQ(text(original), "one");
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    EXPECT_EQ(keyedRows(), "1:uno:1.1;2:two:2.2;3:three:<null>;");
    rt::check(field(rs.get(), Variant(u"name"))->get_OriginalValue(&original));
    EXPECT_EQ(text(original), "uno");  // written back: the new value is the original now
    rt::check(rs->get_EditMode(&mode));
    EXPECT_EQ(mode, adEditNone);
}

TEST_P(WritesTest, MovingAwayUpdatesAndCancelUpdateReverts) {
    auto rs = open(u"select id, name, amount from keyed order by id", adLockOptimistic);
    setValue(rs.get(), Variant(u"amount"), Variant(u"9.99"));
    rt::check(rs->MoveNext());  // the edit is written on the way
    setValue(rs.get(), Variant(u"name"), Variant(u"lost"));
    EXPECT_EQ(text(value(rs.get(), Variant(u"name"))), "lost");
    rt::check(rs->CancelUpdate());
    EXPECT_EQ(text(value(rs.get(), Variant(u"name"))), "two");
    rt::check(rs->MoveNext());
    setValue(rs.get(), Variant(u"amount"), Variant(rt::Null{}));
    setValue(rs.get(), Variant(u"name"), Variant(rt::Null{}));
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    EXPECT_EQ(keyedRows(), "1:one:9.99;2:two:2.2;3:<null>:<null>;");
}

TEST_P(WritesTest, AddNewInsertsAndDeleteRemovesImmediately) {
    auto rs = open(u"select id, name, amount from keyed order by id", adLockOptimistic);
    rt::check(rs->AddNew(Variant(rt::Missing{}), Variant(rt::Missing{})));
    int32_t mode = 0;
    rt::check(rs->get_EditMode(&mode));
    EXPECT_EQ(mode, adEditAdd);
    EXPECT_EQ(recordCount(rs.get()), 4);
    EXPECT_TRUE(value(rs.get(), Variant(u"name")).isNull());
    setValue(rs.get(), Variant(u"id"), Variant(int32_t(4)));
    setValue(rs.get(), Variant(u"name"), Variant(u"four"));
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    EXPECT_EQ(keyedRows(), kOriginal + "4:four:<null>;");

    // AddNew with field and value lists completes the row at once.
    Variant names(rt::Array(0, {Variant(u"id"), Variant(u"amount")}));
    Variant values(rt::Array(0, {Variant(int32_t(5)), Variant(2.5)}));
    rt::check(rs->AddNew(names, values));
    rt::check(rs->get_EditMode(&mode));
    EXPECT_EQ(mode, adEditNone);
    EXPECT_EQ(text(scalarOf(u"select amount from keyed where id = 5")), "2.5");

    rt::check(rs->MoveFirst());
    rt::check(rs->Delete(adAffectCurrent));
    EXPECT_EQ(text(scalarOf(u"select count(*) from keyed where id = 1")), "0");
    EXPECT_EQ(recordCount(rs.get()), 4);
    EXPECT_EQ(adoErrorOf([&] { value(rs.get(), Variant(u"id")); }), adErrNoCurrentRecord);  // still on it
    rt::check(rs->MoveNext());
    EXPECT_EQ(text(value(rs.get(), Variant(u"id"))), "2");
}

TEST_P(WritesTest, CancelUpdateAfterAddNewDropsTheRow) {
    auto rs = open(u"select id, name from keyed order by id", adLockOptimistic);
    rt::check(rs->MoveNext());
    rt::check(rs->AddNew(Variant(rt::Missing{}), Variant(rt::Missing{})));
    setValue(rs.get(), Variant(u"id"), Variant(int32_t(9)));
    rt::check(rs->CancelUpdate());
    EXPECT_EQ(recordCount(rs.get()), 3);
    EXPECT_EQ(text(value(rs.get(), Variant(u"id"))), "2");  // back where AddNew started
    EXPECT_EQ(keyedRows(), kOriginal);
}

TEST_P(WritesTest, TheDatabaseAssignsAnIntegerKeyLeftOut) {
    exec(rt::ascii("create table auto (id " + GetParam().autoKey + ", name nvarchar(10))"));
    auto rs = open(u"select id, name from auto", adLockOptimistic);
    rt::check(rs->AddNew(Variant(rt::Missing{}), Variant(rt::Missing{})));
    setValue(rs.get(), Variant(u"name"), Variant(u"first"));
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    const Variant id = value(rs.get(), Variant(u"id"));
    ASSERT_FALSE(id.isNull());
    // The key found lets the same row be changed again.
    setValue(rs.get(), Variant(u"name"), Variant(u"renamed"));
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    EXPECT_EQ(text(scalarOf(u"select name from auto where id = " + rt::toText(id))), "renamed");
}

TEST_P(WritesTest, KeylessTablesAreLocatedByEveryOriginalValue) {
    auto rs = open(u"select a, b from loose order by a, b", adLockOptimistic);
    rt::check(rs->MoveNext());  // 1, y
    setValue(rs.get(), Variant(u"b"), Variant(u"why"));
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    EXPECT_EQ(looseRows(), "1:why;1:x;2:<null>;");
    rt::check(rs->MoveNext());  // 2, null: located with "is null"
    setValue(rs.get(), Variant(u"b"), Variant(u"z"));
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    EXPECT_EQ(looseRows(), "1:why;1:x;2:z;");
    rt::check(rs->MoveFirst());
    rt::check(rs->Delete(adAffectCurrent));
    EXPECT_EQ(looseRows(), "1:why;2:z;");
}

// Two rows equal in every value cannot be told apart: changing or deleting one must not
// change or delete the other.
TEST_P(WritesTest, RowsThatCannotBeToldApartAreNotWritten) {
    exec(u"insert into loose values (1, N'x')");  // a second (1, x)
    auto rs = open(u"select a, b from loose order by a, b", adLockOptimistic);
    setValue(rs.get(), Variant(u"b"), Variant(u"changed"));
    rt::Error e = errorOf([&] { rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{}))); });
    EXPECT_EQ(e.hresult(), rt::E_FAIL);
    EXPECT_EQ(u8(e.description()), "Insufficient key column information for updating or refreshing.");
    rt::check(rs->CancelUpdate());
    EXPECT_EQ(looseRows(), "1:x;1:x;1:y;2:<null>;");
    e = errorOf([&] { rt::check(rs->Delete(adAffectCurrent)); });
    EXPECT_EQ(e.hresult(), rt::E_FAIL);
    EXPECT_EQ(looseRows(), "1:x;1:x;1:y;2:<null>;");
    // In a batch, the whole batch.
    auto batch = open(u"select a, b from loose order by a desc, b desc", adLockBatchOptimistic);
    setValue(batch.get(), Variant(u"b"), Variant(u"two"));  // (2, null): unique
    rt::check(batch->MoveLast());
    rt::check(batch->Delete(adAffectCurrent));  // one (1, x) of two
    EXPECT_EQ(errorOf([&] { rt::check(batch->UpdateBatch(adAffectAll)); }).hresult(), rt::E_FAIL);
    EXPECT_EQ(looseRows(), "1:x;1:x;1:y;2:<null>;");
}

TEST_P(WritesTest, ARowChangedUnderneathCannotBeLocated) {
    auto rs = open(u"select a, b from loose order by a, b", adLockOptimistic);
    exec(u"update loose set b = N'moved' where b = N'x'");
    setValue(rs.get(), Variant(u"b"), Variant(u"mine"));
    rt::Error e = errorOf([&] { rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{}))); });
    EXPECT_EQ(e.hresult(), kRowNotLocated);
    EXPECT_EQ(u8(e.description()).rfind("Row cannot be located for updating", 0), 0u);
    int32_t mode = 0;
    rt::check(rs->get_EditMode(&mode));
    EXPECT_EQ(mode, adEditInProgress);  // the edit stays for the caller to cancel
    rt::check(rs->CancelUpdate());
}

// Another user's change between the read and the write: a column both wrote is never
// overwritten; a column only the other wrote is kept.
TEST_P(WritesTest, AnUpdateNeverOverwritesAChangeMadeMeanwhile) {
    auto rs = open(u"select id, name, amount from keyed order by id", adLockOptimistic);
    auto other = openConnection(connectionString());
    execute(other.get(), u"update keyed set name = N'theirs' where id = 1");
    setValue(rs.get(), Variant(u"name"), Variant(u"mine"));
    rt::Error e = errorOf([&] { rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{}))); });
    EXPECT_EQ(e.hresult(), kRowNotLocated);
    EXPECT_EQ(int32_t(e.hresult()), -2147217864);
    EXPECT_EQ(u8(e.description()),
              "Row cannot be located for updating. Some values may have been changed since it was last read.");
    EXPECT_EQ(keyedRows(), "1:theirs:1.1;2:two:2.2;3:three:<null>;");  // nothing written
    rt::check(rs->CancelUpdate());

    // A null read, a value meanwhile: the null no longer matches either.
    execute(other.get(), u"update keyed set amount = 5 where id = 3");
    rt::check(rs->MoveLast());
    setValue(rs.get(), Variant(u"amount"), Variant(int32_t(7)));
    e = errorOf([&] { rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{}))); });
    EXPECT_EQ(e.hresult(), kRowNotLocated);
    rt::check(rs->CancelUpdate());

    // Only the other user changed amount: the update of name goes through and keeps it.
    execute(other.get(), u"update keyed set amount = 4.5 where id = 2");
    rt::check(rs->MoveFirst());
    rt::check(rs->MoveNext());
    setValue(rs.get(), Variant(u"name"), Variant(u"dos"));
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    EXPECT_EQ(keyedRows(), "1:theirs:1.1;2:dos:4.5;3:three:5;");
    // Written: the value written is the one the next update is checked against.
    setValue(rs.get(), Variant(u"name"), Variant(u"deux"));
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    EXPECT_EQ(keyedRows(), "1:theirs:1.1;2:deux:4.5;3:three:5;");
}

TEST_P(WritesTest, ABatchWithARowChangedMeanwhileWritesNothing) {
    auto rs = open(u"select id, name, amount from keyed order by id", adLockBatchOptimistic);
    setValue(rs.get(), Variant(u"name"), Variant(u"uno"));  // row 1: nobody else touched it
    rt::check(rs->MoveNext());
    setValue(rs.get(), Variant(u"amount"), Variant(u"9.5"));  // row 2: changed meanwhile
    rt::check(rs->MoveNext());
    setValue(rs.get(), Variant(u"name"), Variant(u"tres"));  // row 3: another column changed meanwhile
    auto other = openConnection(connectionString());
    execute(other.get(), u"update keyed set amount = 8 where id = 2");
    execute(other.get(), u"update keyed set amount = 3 where id = 3");

    rt::Error e = errorOf([&] { rt::check(rs->UpdateBatch(adAffectAll)); });
    EXPECT_EQ(e.hresult(), kRowNotLocated);
    EXPECT_EQ(keyedRows(), "1:one:1.1;2:two:8;3:three:3;");  // all or nothing

    // Row by row: rows 1 and 3 go through (the other user's amount of row 3 kept), row 2 is
    // refused again.
    rt::check(rs->MoveFirst());
    rt::check(rs->UpdateBatch(adAffectCurrent));
    rt::check(rs->MoveLast());
    rt::check(rs->UpdateBatch(adAffectCurrent));
    EXPECT_EQ(keyedRows(), "1:uno:1.1;2:two:8;3:tres:3;");
    EXPECT_EQ(errorOf([&] { rt::check(rs->UpdateBatch(adAffectAll)); }).hresult(), kRowNotLocated);
    EXPECT_EQ(keyedRows(), "1:uno:1.1;2:two:8;3:tres:3;");
}

TEST_P(WritesTest, AColumnTheDatabaseFilledOnInsertDoesNotBlockTheNextUpdate) {
    exec(u"create table defaults (id int primary key, status int not null default 7, name nvarchar(10) null)");
    auto rs = open(u"select id, status, name from defaults", adLockOptimistic);
    Variant names(rt::Array(0, {Variant(u"id"), Variant(u"name")}));
    rt::check(rs->AddNew(names, Variant(rt::Array(0, {Variant(int32_t(1)), Variant(u"a")}))));
    EXPECT_EQ(text(scalarOf(u"select status from defaults where id = 1")), "7");
    setValue(rs.get(), Variant(u"status"), Variant(int32_t(8)));  // read as null here, 7 there
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    EXPECT_EQ(text(scalarOf(u"select status from defaults where id = 1")), "8");
    // Written once, the value is known: a change meanwhile is caught again.
    auto other = openConnection(connectionString());
    execute(other.get(), u"update defaults set status = 9 where id = 1");
    setValue(rs.get(), Variant(u"status"), Variant(int32_t(10)));
    EXPECT_EQ(errorOf([&] { rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{}))); }).hresult(),
              kRowNotLocated);
}

// The values an update is checked against are the ones read, in every type: inexact
// numbers, fractions of seconds and long columns included.
TEST_P(WritesTest, EveryTypeIsCheckedAgainstTheValueRead) {
    exec(u"create table typed (id int primary key, i int null, b bigint null, f float null, r real null, "
         u"d decimal(18,4) null, t datetime null, bo bit null, s ntext null, bin blob null, "
         u"g uniqueidentifier null)");
    exec(u"insert into typed (id, i, b, f, r, d, t, s) values (1, 7, 9007199254740993, 0.1, 0.3, 12345.6789, "
         u"'2024-02-29 13:45:59.125', N'a long text')");
    auto first = open(u"select * from typed", adLockOptimistic);
    setValue(first.get(), Variant(u"bo"), Variant(true));
    setValue(first.get(), Variant(u"bin"), Variant(rt::Array(0, {Variant(int16_t(0)), Variant(int16_t(255))})));
    setValue(first.get(), Variant(u"g"), Variant(u"{6F9619FF-8B86-D011-B42D-00C04FC964FF}"));
    rt::check(first->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));

    auto rs = open(u"select * from typed", adLockOptimistic);
    setValue(rs.get(), Variant(u"i"), Variant(int32_t(8)));
    setValue(rs.get(), Variant(u"b"), Variant(int64_t(-1)));
    setValue(rs.get(), Variant(u"f"), Variant(1.0 / 3));
    setValue(rs.get(), Variant(u"r"), Variant(2.5));
    setValue(rs.get(), Variant(u"d"), Variant(u"-0.5"));
    setValue(rs.get(), Variant(u"t"), Variant(u"2001-02-03 04:05:06"));
    setValue(rs.get(), Variant(u"bo"), Variant(false));
    setValue(rs.get(), Variant(u"s"), Variant(u"another long text"));
    setValue(rs.get(), Variant(u"bin"), Variant(rt::Array(0, {Variant(int16_t(1))})));
    setValue(rs.get(), Variant(u"g"), Variant(u"{11111111-2222-3333-4444-555555555555}"));
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));

    auto again = open(u"select * from typed");
    EXPECT_EQ(text(value(again.get(), Variant(u"i"))), "8");
    EXPECT_EQ(text(value(again.get(), Variant(u"b"))), "-1");
    EXPECT_EQ(value(again.get(), Variant(u"f")).r8(), 1.0 / 3);
    EXPECT_EQ(rt::toDouble(value(again.get(), Variant(u"r"))), 2.5);
    EXPECT_EQ(text(value(again.get(), Variant(u"d"))), "-0.5");
    EXPECT_EQ(text(value(again.get(), Variant(u"s"))), "another long text");
    EXPECT_EQ(u8(rt::toText(value(again.get(), Variant(u"g")))), "{11111111-2222-3333-4444-555555555555}");
}

TEST_P(WritesTest, BatchModeWritesEverythingAtUpdateBatch) {
    auto rs = open(u"select id, name, amount from keyed order by id", adLockBatchOptimistic);
    setValue(rs.get(), Variant(u"name"), Variant(u"uno"));
    rt::check(rs->MoveNext());
    rt::check(rs->Delete(adAffectCurrent));
    rt::check(rs->MoveNext());
    setValue(rs.get(), Variant(u"amount"), Variant(int32_t(3)));
    rt::check(rs->AddNew(Variant(rt::Missing{}), Variant(rt::Missing{})));
    setValue(rs.get(), Variant(u"id"), Variant(int32_t(7)));
    setValue(rs.get(), Variant(u"name"), Variant(u"seven"));
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    EXPECT_EQ(recordCount(rs.get()), 3);  // the deleted row no longer counts
    EXPECT_EQ(keyedRows(), kOriginal);    // nothing written yet
    rt::check(rs->UpdateBatch(adAffectAll));
    EXPECT_EQ(keyedRows(), "1:uno:1.1;3:three:3;7:seven:<null>;");
    // Written rows are plain rows again: a second UpdateBatch has nothing to send.
    rt::check(rs->UpdateBatch(adAffectAll));
    EXPECT_EQ(keyedRows(), "1:uno:1.1;3:three:3;7:seven:<null>;");
}

TEST_P(WritesTest, AFailureInTheMiddleOfABatchWritesNothing) {
    auto rs = open(u"select id, name, amount from keyed order by id", adLockBatchOptimistic);
    setValue(rs.get(), Variant(u"name"), Variant(u"uno"));  // row 1: fine
    rt::check(rs->MoveNext());
    setValue(rs.get(), Variant(u"name"), Variant(u"dos"));  // row 2: will be gone
    rt::check(rs->AddNew(Variant(rt::Missing{}), Variant(rt::Missing{})));
    setValue(rs.get(), Variant(u"id"), Variant(int32_t(8)));
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    exec(u"delete from keyed where id = 2");

    rt::Error e = errorOf([&] { rt::check(rs->UpdateBatch(adAffectAll)); });
    EXPECT_EQ(e.hresult(), kRowNotLocated);
    EXPECT_EQ(keyedRows(), "1:one:1.1;3:three:<null>;");  // row 1 not half-written, 8 not inserted
    // The changes are still pending; once the obstacle is gone they go through.
    rt::check(rs->MoveFirst());
    rt::check(rs->MoveNext());
    rt::check(rs->Delete(adAffectCurrent));  // pending delete of a vanished row: fails again
    e = errorOf([&] { rt::check(rs->UpdateBatch(adAffectAll)); });
    EXPECT_EQ(e.hresult(), kRowNotLocated);
    rt::check(rs->CancelBatch(adAffectAll));
    EXPECT_EQ(recordCount(rs.get()), 3);
    rt::check(rs->MoveFirst());
    EXPECT_EQ(text(value(rs.get(), Variant(u"name"))), "one");
}

TEST_P(WritesTest, AConstraintFailureRollsTheBatchBack) {
    auto rs = open(u"select id, name from keyed order by id", adLockBatchOptimistic);
    setValue(rs.get(), Variant(u"name"), Variant(u"uno"));
    rt::check(rs->AddNew(Variant(rt::Missing{}), Variant(rt::Missing{})));
    setValue(rs.get(), Variant(u"id"), Variant(int32_t(3)));  // the key exists
    rt::Error e = errorOf([&] { rt::check(rs->UpdateBatch(adAffectAll)); });
    EXPECT_EQ(e.hresult(), kIntegrityViolation);
    EXPECT_EQ(keyedRows(), kOriginal);
}

TEST_P(WritesTest, ReadOnlyAndTablelessRecordSetsRefuseWrites) {
    auto ro = open(u"select id, name from keyed");
    EXPECT_EQ(adoErrorOf([&] { setValue(ro.get(), Variant(u"name"), Variant(u"x")); }), adErrFeatureNotAvailable);
    EXPECT_EQ(adoErrorOf([&] { rt::check(ro->AddNew(Variant(rt::Missing{}), Variant(rt::Missing{}))); }),
              adErrFeatureNotAvailable);
    EXPECT_EQ(adoErrorOf([&] { rt::check(ro->Delete(adAffectCurrent)); }), adErrFeatureNotAvailable);

    auto expr = open(u"select 1 as one, 'a' as letter", adLockOptimistic);
    rt::Error e = errorOf([&] { setValue(expr.get(), Variant(u"one"), Variant(int32_t(2))); });
    EXPECT_EQ(e.hresult(), kMultipleStepErrors);
    rt::check(expr->AddNew(Variant(rt::Missing{}), Variant(rt::Missing{})));
    e = errorOf([&] { rt::check(expr->Update(Variant(rt::Missing{}), Variant(rt::Missing{}))); });
    EXPECT_EQ(e.hresult(), rt::E_FAIL);
    EXPECT_EQ(u8(e.description()), "Insufficient base table information for updating or refreshing.");
}

TEST_P(WritesTest, AValueTheFieldCannotTakeLeavesTheRowAlone) {
    auto rs = open(u"select id, name, amount from keyed order by id", adLockOptimistic);
    rt::Error e = errorOf([&] { setValue(rs.get(), Variant(u"amount"), Variant(u"not a number")); });
    EXPECT_EQ(e.hresult(), kMultipleStepErrors);
    int32_t mode = -1;
    rt::check(rs->get_EditMode(&mode));
    EXPECT_EQ(mode, adEditNone);
    EXPECT_EQ(text(value(rs.get(), Variant(u"amount"))), "1.1");
    e = errorOf([&] { setValue(rs.get(), Variant(u"id"), Variant(5000000000.0)); });
    EXPECT_EQ(e.hresult(), kMultipleStepErrors);
}

TEST_P(WritesTest, DisconnectedChangesWaitForAConnection) {
    auto rs = open(u"select id, name, amount from keyed order by id", adLockOptimistic);
    rt::check(rs->putref_ActiveConnection(nullptr));
    Variant c;
    rt::check(rs->get_ActiveConnection(&c));
    EXPECT_TRUE(c.isNothing());
    setValue(rs.get(), Variant(u"name"), Variant(u"offline"));
    rt::check(rs->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));  // kept as pending
    EXPECT_EQ(keyedRows(), kOriginal);
    EXPECT_EQ(adoErrorOf([&] { rt::check(rs->UpdateBatch(adAffectAll)); }), adErrInvalidConnection);
    rt::check(rs->put_ActiveConnection(Variant(connectionString())));  // a string opens a new connection
    rt::check(rs->UpdateBatch(adAffectAll));
    EXPECT_EQ(keyedRows(), "1:offline:1.1;2:two:2.2;3:three:<null>;");
}

TEST_P(WritesTest, ClonesShareTheRowsButNotThePosition) {
    auto rs = open(u"select id, name from keyed order by id", adLockBatchOptimistic);
    rt::ComPtr<_Recordset> clone;
    rt::check(rs->Clone(adLockUnspecified, clone.put()));
    rt::check(rs->MoveLast());
    EXPECT_EQ(text(value(clone.get(), Variant(u"id"))), "1");
    setValue(clone.get(), Variant(u"name"), Variant(u"shared"));
    rt::check(clone->Update(Variant(rt::Missing{}), Variant(rt::Missing{})));
    rt::check(rs->MoveFirst());
    EXPECT_EQ(text(value(rs.get(), Variant(u"name"))), "shared");
    rt::check(rs->UpdateBatch(adAffectAll));
    EXPECT_EQ(text(scalarOf(u"select name from keyed where id = 1")), "shared");

    rt::ComPtr<_Recordset> readOnly;
    rt::check(rs->Clone(adLockReadOnly, readOnly.put()));
    EXPECT_EQ(adoErrorOf([&] { setValue(readOnly.get(), Variant(u"name"), Variant(u"x")); }),
              adErrFeatureNotAvailable);
    EXPECT_EQ(recordCount(readOnly.get()), 3);
}

TEST_P(WritesTest, CloseWithAPendingImmediateEditIsRefused) {
    auto rs = open(u"select id, name from keyed", adLockOptimistic);
    setValue(rs.get(), Variant(u"name"), Variant(u"x"));
    EXPECT_EQ(adoErrorOf([&] { rt::check(rs->Close()); }), adErrIllegalOperation);
    rt::check(rs->CancelUpdate());
    rt::check(rs->Close());
}

TEST_P(WritesTest, LateBoundEditing) {
    auto rs = open(u"select id, name from keyed order by id", adLockOptimistic);
    rt::IDispatch* d = rs.get();
    Variant f = rt::invokeId(d, rt::DISPID_VALUE, rt::DISPATCH_PROPERTYGET, {Variant(u"name")});
    rt::putProperty(f.object().get(), u"Value", Variant(u"late"));
    rt::callMethod(d, u"Update");
    EXPECT_EQ(text(scalarOf(u"select name from keyed where id = 1")), "late");
    rt::callMethod(d, u"AddNew");
    Variant item = rt::getProperty(rt::getProperty(d, u"Fields").object().get(), u"Item", {Variant(u"id")});
    rt::putProperty(item.object().get(), u"Value", Variant(int32_t(11)));
    rt::callMethod(d, u"Update");
    EXPECT_EQ(text(scalarOf(u"select count(*) from keyed where id = 11")), "1");
}

}  // namespace
}  // namespace ado::testing
