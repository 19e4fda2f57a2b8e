// The connection pool on real SQLite files: keys, lending and return, the limit and the
// bounded wait, reset, global access, and threads. Early-bound through _CConPool, and
// late-bound by member name.
#include <atomic>
#include <chrono>
#include <thread>

#include "dataaccess/ado.h"
#include "dom/dom.h"
#include "frame/classes.h"
#include "library_testing.h"
#include "pool/con_pool.h"
#include "pool/pool_access.h"
#include "runtime/apartment.h"
#include "runtime/collection.h"
#include "support/testing.h"

using namespace velmora;
using namespace velmora::testing;
using rt::ComPtr;
using rt::Str;
using rt::Variant;
using Connection = ado::_Connection;

namespace {

ComPtr<_CConPool> threadPool() {
    useBuiltLibrary();
    return client::call(client::global().get(), &_CGlobal::GetPoolInstance);
}

bool same(rt::IUnknown* a, rt::IUnknown* b) { return rt::identityOf(a) == rt::identityOf(b); }

class Pool : public ::testing::Test {
protected:
    support::TempDir dir;
    ComPtr<_CConPool> pool;

    void SetUp() override {
        pool = threadPool();
        rt::check(pool->ResetPool());
        rt::check(pool->put_MaxCon(5));
    }
    void TearDown() override {
        rt::check(pool->ResetPool());
        rt::check(pool->put_MaxCon(5));
    }

    Str source(const std::string& name) const { return u"Provider=SQLite;Data Source=" + rt::fromUtf8(dir.file(name)); }

    // GetConn early-bound: the connection lent, and the result in *result.
    ComPtr<Connection> get(Variant dsn, int32_t wait = 20, int16_t* result = nullptr) {
        Connection* slot = nullptr;
        int16_t r = -7;
        EXPECT_EQ(pool->GetConn(&dsn, &slot, &wait, &r), rt::S_OK);  // GetConn never fails
        if (result) *result = r;
        return ComPtr<Connection>::adopt(slot);
    }
    void release(ComPtr<Connection>& con) {
        Connection* slot = con.detach();
        EXPECT_EQ(pool->ReleaseConn(&slot), rt::S_OK);
        EXPECT_EQ(slot, nullptr) << "the caller's variable is emptied";
        con = ComPtr<Connection>::adopt(slot);
    }

    // Fills the pool with n idle connections of distinct sources.
    void fillIdle(int n) {
        std::vector<ComPtr<Connection>> cons;
        for (int i = 0; i < n; ++i) cons.push_back(get(Variant(source("fill" + std::to_string(i) + ".db"))));
        for (auto& c : cons) release(c);
    }

    const pool::PoolState& state() const { return static_cast<CConPool*>(pool.get())->state(); }
    long idle() const { return state().m_colCon.count(); }
    // The map's root element as markup.
    std::string map() const {
        dom::IXMLDOMDocument* doc = state().m_docMap.get();
        rt::ComPtr<dom::IXMLDOMElement> root;
        rt::check(doc->get_documentElement(root.put()));
        Str xml;
        rt::check(root->get_xml(&xml));
        return rt::toUtf8(xml);
    }
};

int32_t stateOf(Connection* c) {
    int32_t s = -1;
    rt::check(c->get_State(&s));
    return s;
}

Str connectionString(Connection* c) {
    Str s;
    rt::check(c->get_ConnectionString(&s));
    return s;
}

}  // namespace

// ---- Keys ----------------------------------------------------------------------------------

TEST(PoolKeys, ConnectionStringsNormaliseAndGiveTheirKey) {
    const Str text = u"Provider=SQLOLEDB;Data Source=SRV\\INST;User ID=Sa;Initial Catalog=Db1;Current Language=English";
    const Str normal = pool::normalizedText(text);
    EXPECT_EQ(normal, u"provider=sqloledb;data source=srv\\inst;user id=sa;initial catalog=db1;current language=English");
    EXPECT_EQ(pool::normalizedText(u"Language=SIMPLIFIED CHINESE;x=Traditional Chinese"),
              u"language=Simplified Chinese;x=Traditional Chinese");
    pool::PoolKey key = pool::poolKeyOf(normal);
    EXPECT_EQ(key.host, u"srv|inst");
    EXPECT_EQ(key.user, u"sa");
    EXPECT_EQ(key.database, u"db1");
}

TEST(PoolKeys, ValuesRunToTheNextSemicolonOrTheEnd) {
    Str text = u"  user id=a;  ";
    EXPECT_EQ(pool::sConnPart(text, u"user id"), u"a");
    EXPECT_EQ(text, u"user id=a;") << "the caller's text is left trimmed";
    Str tail = u"data source=x;initial catalog=Books";
    EXPECT_EQ(pool::sConnPart(tail, u"initial catalog"), u"books");
    Str spaced = u"user id= a;password=p";
    EXPECT_EQ(pool::sConnPart(spaced, u"user id"), u" a");
    Str before = u"user id =a";
    EXPECT_EQ(pool::sConnPart(before, u"user id"), u"") << "a space before = does not match";
    Str absent = u"data source=x;user id=u";
    EXPECT_EQ(pool::sConnPart(absent, u"initial catalog"), u"") << "an absent name gives nothing";
    Str empty = u"data source=";
    EXPECT_EQ(pool::sConnPart(empty, u"data source"), u"");
}

TEST(PoolKeys, PositionsBeyondSixteenBitsOverflow) {
    Str farName = Str(40000, u'x') + u";user id=a";
    try {
        pool::sConnPart(farName, u"user id");
        ADD_FAILURE() << "no overflow";
    } catch (const rt::Error& e) {
        EXPECT_EQ(e.numberValue(), rt::kErrOverflow);
    }
    Str farEnd = u"user id=" + Str(40000, u'y') + u";x=1";
    EXPECT_THROW(pool::sConnPart(farEnd, u"user id"), rt::Error);
    Str longTail = u"user id=" + Str(40000, u'y');  // no ";" after it: no position overflows
    EXPECT_EQ(pool::sConnPart(longTail, u"user id").size(), 40000u);
}

TEST(PoolKeys, CollectionKeysAreDigitsThenK) {
    for (int i = 0; i < 200; ++i) {
        Str k = pool::sNewKey();
        ASSERT_GE(k.size(), 2u);
        EXPECT_EQ(k.back(), u'k');
        const long n = std::stol(rt::toUtf8(k.substr(0, k.size() - 1)));
        EXPECT_GE(n, 1);
        EXPECT_LE(n, 1000000000);
    }
}

TEST(PoolKeys, CredentialsCompareExactly) {
    EXPECT_TRUE(pool::sameCredentials(u"Data Source=A;Password=Secret", u"data source=A;PWD=Secret;x=1"));
    EXPECT_FALSE(pool::sameCredentials(u"Data Source=A;Password=Secret", u"Data Source=A;Password=secret"));
    EXPECT_FALSE(pool::sameCredentials(u"Data Source=/tmp/A.db", u"Data Source=/tmp/a.db"));
    EXPECT_FALSE(pool::sameCredentials(u"Data Source=A;User ID=Sa", u"Data Source=A;User ID=sa"));
    EXPECT_FALSE(pool::sameCredentials(u"Data Source=A;Password='x;y'", u"Data Source=A;Password='x;z'"));
}

// ---- Construction ----------------------------------------------------------------------------

TEST_F(Pool, StartsWithTheShippedLimitAndAnEmptyMap) {
    int16_t limit = 0;
    rt::check(pool->get_MaxCon(&limit));
    EXPECT_EQ(limit, 5);  // xml/fdtemplate.xml: budgetmgr/con_ref maxcon="5"
    EXPECT_EQ(idle(), 0);
    EXPECT_EQ(map(), "<kainterface/>");
}

// ---- Lending --------------------------------------------------------------------------------

TEST_F(Pool, AConnectionObjectIsLentAsItIs) {
    ComPtr<Connection> mine = get(source("mine.db"));
    int16_t result = 0;
    ComPtr<Connection> lent = get(Variant(ComPtr<rt::IDispatch>(mine.get())), 20, &result);
    EXPECT_TRUE(same(lent.get(), mine.get()));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(idle(), 0);
    ComPtr<Connection> none = get(Variant::nothing(), 20, &result);
    EXPECT_FALSE(none);
    EXPECT_EQ(result, 1);
    // An object that is not a connection ends in the handler.
    auto doc = rt::createObject(u"MSXML2.DOMDocument");
    ComPtr<Connection> refused = get(Variant(doc), 20, &result);
    EXPECT_FALSE(refused);
    EXPECT_EQ(result, 0);
}

TEST_F(Pool, ANewConnectionUsesClientCursorsAndLongTimeOuts) {
    int16_t result = 0;
    ComPtr<Connection> con = get(Variant(Str(u"  ") + source("Books.db") + u"  "), 20, &result);
    ASSERT_TRUE(con);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(stateOf(con.get()), ado::adStateOpen);
    int32_t location = 0, timeout = 0, command = 0;
    rt::check(con->get_CursorLocation(&location));
    rt::check(con->get_ConnectionTimeout(&timeout));
    rt::check(con->get_CommandTimeout(&command));
    EXPECT_EQ(location, ado::adUseClient);
    EXPECT_EQ(timeout, 120);
    EXPECT_EQ(command, 120);
    EXPECT_EQ(idle(), 0) << "a new connection is not pooled until it is returned";
    // The caller's own text opens it: a mixed-case file name names that very file.
    EXPECT_EQ(connectionString(con.get()), source("Books.db"));
    EXPECT_TRUE(std::filesystem::exists(dir.file("Books.db")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("books.db")));
}

TEST_F(Pool, AReturnedConnectionIsLentAgainAndLeavesThePool) {
    ComPtr<Connection> first = get(source("a.db"));
    Connection* raw = first.get();
    release(first);
    EXPECT_EQ(idle(), 1);
    const std::string m = map();
    EXPECT_NE(m.find("<row pos=\""), std::string::npos) << m;
    const std::string host = rt::toUtf8(rt::toLower(rt::fromUtf8(dir.file("a.db"))));
    // Pairs with an empty value are left out of a row: this source names no user or database.
    EXPECT_NE(m.find("\" host=\"" + host + "\"/>"), std::string::npos) << m;
    ComPtr<Connection> again = get(source("a.db"));
    EXPECT_TRUE(same(again.get(), raw));
    EXPECT_EQ(idle(), 0);
    EXPECT_EQ(map(), "<kainterface/>");
}

TEST_F(Pool, ARowCarriesPosHostUserAndDatabaseInThatOrder) {
    ComPtr<Connection> con = get(Variant(source("Branch\\Ledger.db") + u";User ID=Clerk;Initial Catalog=Books2024"));
    ASSERT_TRUE(con);
    release(con);
    const std::string m = map();
    const std::string host = rt::toUtf8(rt::toLower(rt::fromUtf8(dir.file("Branch|Ledger.db"))));
    EXPECT_NE(m.find("\" host=\"" + host + "\" user=\"clerk\" database=\"books2024\"/>"), std::string::npos) << m;
    EXPECT_EQ(m.find("<row pos=\""), std::string("<kainterface>").size()) << m;
}

TEST_F(Pool, TwoReturnsOfOneKeyLeaveOnlyTheSecondIdle) {
    ComPtr<Connection> a = get(source("same.db"));
    ComPtr<Connection> b = get(source("same.db"));
    Connection* second = b.get();
    release(a);
    release(b);
    EXPECT_EQ(idle(), 1);
    ComPtr<Connection> lent = get(source("same.db"));
    EXPECT_TRUE(same(lent.get(), second));
}

TEST_F(Pool, AClosedConnectionIsNeverPooled) {
    ComPtr<Connection> con = get(source("c.db"));
    rt::check(con->Close());
    release(con);
    EXPECT_EQ(idle(), 0);
    // Closed while idle: the next request drops it and lends another.
    ComPtr<Connection> idleOne = get(source("c.db"));
    Connection* raw = idleOne.get();
    ComPtr<Connection> keep(raw);
    release(idleOne);
    rt::check(keep->Close());
    ComPtr<Connection> next = get(source("c.db"));
    ASSERT_TRUE(next);
    EXPECT_FALSE(same(next.get(), raw));
    EXPECT_EQ(stateOf(next.get()), ado::adStateOpen);
    EXPECT_EQ(idle(), 0);
}

TEST_F(Pool, AnUnreachableSourceGivesNothingAndNoError) {
    int16_t result = 7;
    ComPtr<Connection> con = get(Variant(Str(u"Provider=SQLite;Data Source=") + rt::fromUtf8(dir.file("no/such/dir/x.db"))),
                                 20, &result);
    EXPECT_FALSE(con);
    EXPECT_EQ(result, 0);
    ComPtr<Connection> viaModule;
    Variant dsn(Str(u"Provider=NoSuchProvider;Data Source=x"));
    GetPoolConn(viaModule, dsn);
    EXPECT_FALSE(viaModule);
}

// ---- Credentials and lookups ----------------------------------------------------------------

TEST_F(Pool, AnIdleConnectionGoesOnlyToItsOwnPassword) {
    const Str base = source("secure.db");
    ComPtr<Connection> opened = get(Variant(base + u";Password=Secret"));
    Connection* raw = opened.get();
    release(opened);
    // The same pool key, another password: no lending, a connection of its own.
    ComPtr<Connection> other = get(Variant(base + u";Password=secret"));
    ASSERT_TRUE(other);
    EXPECT_FALSE(same(other.get(), raw));
    EXPECT_EQ(idle(), 1) << "the idle connection stays for its own password";
    ComPtr<Connection> own = get(Variant(base + u";Password=Secret"));
    EXPECT_TRUE(same(own.get(), raw));
}

TEST_F(Pool, QuotesInValuesNeitherBreakNorWidenTheLookup) {
    ComPtr<Connection> a = get(source("o'brien.db"));
    Connection* quoted = a.get();
    release(a);
    ComPtr<Connection> b = get(source("plain.db"));
    Connection* plain = b.get();
    release(b);
    EXPECT_EQ(idle(), 2);
    // A crafted value that would match every row of a concatenated path matches none.
    ComPtr<Connection> crafted = get(source("x' or '1'='1"));
    EXPECT_FALSE(crafted && (same(crafted.get(), plain) || same(crafted.get(), quoted)));
    EXPECT_EQ(idle(), 2);
    ComPtr<Connection> back = get(source("o'brien.db"));
    EXPECT_TRUE(same(back.get(), quoted));
}

// ---- The limit and the wait ------------------------------------------------------------------

TEST_F(Pool, TheLimitCountsIdleConnectionsOfEverySource) {
    fillIdle(5);
    int16_t result = 0;
    ComPtr<Connection> sixth = get(source("sixth.db"), 0, &result);  // 5 idle: at most the limit
    EXPECT_TRUE(sixth);
    release(sixth);
    ASSERT_EQ(idle(), 6);
    ComPtr<Connection> seventh = get(source("seventh.db"), 0, &result);
    EXPECT_FALSE(seventh);
    EXPECT_EQ(result, 0);
    ComPtr<Connection> negative = get(source("seventh.db"), -5, &result);  // a negative wait acts as 0
    EXPECT_FALSE(negative);
    EXPECT_EQ(result, 0);
    // An idle connection of the very source is still lent from a full pool.
    ComPtr<Connection> fill = get(source("fill0.db"), 0, &result);
    EXPECT_TRUE(fill);
    EXPECT_EQ(result, 1);
}

TEST_F(Pool, ALimitOfZeroStillAllowsTheFirstConnection) {
    rt::check(pool->put_MaxCon(0));
    int16_t result = 0;
    ComPtr<Connection> first = get(source("z.db"), 0, &result);
    EXPECT_TRUE(first);
    release(first);
    ComPtr<Connection> other = get(source("y.db"), 0, &result);
    EXPECT_FALSE(other);
    EXPECT_EQ(result, 0);
    rt::check(pool->put_MaxCon(-3));  // any value is stored
    int16_t limit = 0;
    rt::check(pool->get_MaxCon(&limit));
    EXPECT_EQ(limit, -3);
}

TEST_F(Pool, AFullPoolWaitsTheWholeTimeThenRetriesOnce) {
    rt::check(pool->put_MaxCon(0));
    fillIdle(1);
    int16_t result = 7;
    auto start = std::chrono::steady_clock::now();
    ComPtr<Connection> none = get(source("late.db"), 1, &result);
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::seconds(1));
    EXPECT_FALSE(none);
    EXPECT_EQ(result, 0) << "nothing obtained after the wait is no success";
}

TEST_F(Pool, WorkPostedToTheThreadRunsDuringTheWaitAndTheRetrySeesItsReturn) {
    rt::check(pool->put_MaxCon(0));
    ComPtr<Connection> forLate = get(source("late.db"));  // on loan before the pool fills
    ComPtr<Connection> other = get(source("other.db"));
    release(other);  // one idle connection of another source: the pool is full for late.db
    ASSERT_TRUE(forLate);
    Connection* expected = forLate.get();
    std::atomic<bool> ran{false};
    // Another thread posts work to this thread: it runs inside the wait and returns a
    // connection of the waiting source, which the single retry then lends.
    auto apartment = rt::Apartment::current().handle();
    std::thread poster([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        apartment->post([&] {
            release(forLate);
            ran = true;
        });
    });
    int16_t result = 0;
    auto start = std::chrono::steady_clock::now();
    ComPtr<Connection> lent = get(source("late.db"), 2, &result);
    auto waited = std::chrono::steady_clock::now() - start;
    poster.join();
    EXPECT_TRUE(ran);
    EXPECT_GE(waited, std::chrono::seconds(2)) << "the wait does not end early";
    EXPECT_TRUE(same(lent.get(), expected));
    EXPECT_EQ(result, 1);
}

// ---- Return, reset and key clashes ------------------------------------------------------------

TEST_F(Pool, ResetDropsTheIdleOnesAndTakesBackConnectionsLentBefore) {
    ComPtr<Connection> lent = get(source("r.db"));
    ComPtr<Connection> idleOne = get(source("s.db"));
    release(idleOne);
    rt::check(pool->put_MaxCon(9));
    rt::check(pool->ResetPool());
    EXPECT_EQ(idle(), 0);
    EXPECT_EQ(map(), "<kainterface/>");
    int16_t limit = 0;
    rt::check(pool->get_MaxCon(&limit));
    EXPECT_EQ(limit, 9) << "a reset keeps the limit";
    Connection* raw = lent.get();
    release(lent);
    EXPECT_EQ(idle(), 1);
    EXPECT_TRUE(same(get(source("r.db")).get(), raw));
}

TEST_F(Pool, AKeyClashDrawsAFreshKey) {
    rt::seedRandom(20261207);
    ComPtr<Connection> a = get(source("k1.db"));
    release(a);
    rt::seedRandom(20261207);  // the next draw repeats the key just used
    ComPtr<Connection> b = get(source("k2.db"));
    release(b);
    EXPECT_EQ(idle(), 2);
    EXPECT_EQ(state().m_rowsByKey.size(), 2u);
}

TEST_F(Pool, TransactionEmptiesThePoolAndIsAlwaysTrue) {
    ComPtr<Connection> lent = get(source("t.db"));
    ComPtr<Connection> idleOne = get(source("u.db"));
    ComPtr<Connection> oldIdle(idleOne.get());  // kept alive to compare with
    release(idleOne);
    auto reset = client::newReset();
    EXPECT_EQ(client::call(reset.get(), &_CReset::Transaction), rt::VARIANT_TRUE);
    EXPECT_EQ(idle(), 0);
    ComPtr<Connection> fresh = get(source("u.db"));
    EXPECT_FALSE(same(fresh.get(), oldIdle.get()));
    release(lent);  // on loan during the reset: it joins the emptied pool
    EXPECT_EQ(idle(), 1);
}

TEST_F(Pool, TheModuleProceduresBorrowAndReturn) {
    ComPtr<Connection> con;
    Variant dsn(source("m.db"));
    GetPoolConn(con, dsn);
    ASSERT_TRUE(con);
    Connection* raw = con.get();
    ReleasePoolConn(con);
    EXPECT_FALSE(con);
    EXPECT_EQ(idle(), 1);
    // A connection object handed to a helper joins the pool when it is given back.
    ComPtr<Connection> mine = get(source("n.db"));
    Variant asObject(ComPtr<rt::IDispatch>(mine.get()));
    ComPtr<Connection> borrowed;
    GetPoolConn(borrowed, asObject);
    EXPECT_TRUE(same(borrowed.get(), mine.get()));
    ReleasePoolConn(borrowed);
    EXPECT_EQ(idle(), 2);
    EXPECT_TRUE(same(get(source("m.db")).get(), raw));
}

TEST_F(Pool, Dsn2ConLendsWithoutAResult) {
    Variant dsn(source("d.db"));
    ado::_Connection* con = nullptr;
    ASSERT_EQ(pool->objDsn2Con(&dsn, &con), rt::S_OK);
    ComPtr<Connection> held = ComPtr<Connection>::adopt(con);
    EXPECT_TRUE(held);
    Variant bad(Str(u"Provider=NoSuchProvider"));
    ASSERT_EQ(pool->objDsn2Con(&bad, &con), rt::S_OK);
    EXPECT_EQ(con, nullptr);
}

// ---- Late-bound ---------------------------------------------------------------------------------

TEST_F(Pool, LateBoundLendingAndReturn) {
    rt::ComPtr<rt::IDispatch> d(pool.get());
    Variant slot = Variant::nothing();  // a connection variable that holds nothing yet
    Variant result = rt::callMethod(d.get(), u"GetConn", {Variant(source("late-bound.db")), rt::CallArg::ref(slot)});
    EXPECT_EQ(result.type(), rt::VT_I2);
    EXPECT_EQ(result.i2(), 1);
    ASSERT_TRUE(slot.isObject() && slot.object());
    const void* identity = rt::identityOf(slot.object().get());
    rt::callMethod(d.get(), u"ReleaseConn", {rt::CallArg::ref(slot)});
    EXPECT_TRUE(slot.isNothing()) << "the caller's variable is emptied";
    EXPECT_EQ(idle(), 1);
    Variant again = rt::callMethod(d.get(), u"objDsn2Con", {Variant(source("late-bound.db"))});
    EXPECT_EQ(rt::identityOf(again.object().get()), identity);
    rt::putProperty(d.get(), u"MaxCon", Variant(int16_t(3)));
    EXPECT_EQ(rt::getProperty(d.get(), u"MaxCon").i2(), 3);
    Variant full = Variant::nothing();
    Variant zero = rt::callMethod(d.get(), u"GetConn", {Variant(Str(u"Provider=NoSuchProvider")), rt::CallArg::ref(full), Variant(int32_t(0))});
    EXPECT_EQ(zero.i2(), 0);
}

// ---- Threads -----------------------------------------------------------------------------------

TEST_F(Pool, EachThreadHasItsOwnPool) {
    ComPtr<Connection> con = get(source("shared-name.db"));
    Connection* raw = con.get();
    release(con);
    const void* mine = rt::identityOf(pool.get());
    const void* theirs = nullptr;
    bool lentMine = true;
    std::thread other([&] {
        auto p = threadPool();
        theirs = rt::identityOf(p.get());
        Variant dsn(source("shared-name.db"));
        Connection* slot = nullptr;
        int32_t wait = 0;
        int16_t r = 0;
        p->GetConn(&dsn, &slot, &wait, &r);
        ComPtr<Connection> got = ComPtr<Connection>::adopt(slot);
        lentMine = same(got.get(), raw);
    });
    other.join();
    EXPECT_NE(theirs, nullptr);
    EXPECT_NE(theirs, mine);
    EXPECT_FALSE(lentMine) << "a connection returned on one thread is never lent on another";
    EXPECT_EQ(idle(), 1);
    EXPECT_EQ(rt::identityOf(threadPool().get()), mine) << "one pool per thread";
}
