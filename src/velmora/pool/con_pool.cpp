// The connection pool: idle connections kept per pool key, lent and returned.
#include "pool/con_pool.h"

#include "frame/binding.h"
#include "frame/classes.h"
#include "frame/text_service.h"
#include "runtime/apartment.h"
#include "runtime/call.h"
#include "runtime/classes.h"
#include "runtime/convert.h"
#include "runtime/fault.h"
#include "text/strings.h"

namespace velmora::pool {

using rt::ComPtr;
using rt::Str;
using rt::Variant;
using Connection = ado::_Connection;
using Document = dom::IXMLDOMDocument;
using Element = dom::IXMLDOMElement;

namespace {

// The text of the message shown when the pool is full and no wait is allowed.
constexpr const char16_t* kPoolFullKey = u"Ostrel.FM.Velmora.00031";
constexpr int kErrPoolFull = 8888;
constexpr int32_t kRetryWait = 20;
// A return draws a fresh key this many times when the drawn one is taken.
constexpr int kKeyAttempts = 8;

// ---- The map document, through the XML members --------------------------------------------

// A new empty map for the pool, with its root element taken once: the map's root never
// changes while the map lives.
void newMap(PoolState& pool) {
    rt::Array attr(0, {Variant(Str(u"con_map"))});
    ComPtr<Document> map = rt::call(gCommon(), &_CCommonFunction::objGenerateKaDom, &attr);
    Document* doc = map.get();
    ComPtr<Element> root = rt::call(gCommon(), &_CCommonFunction::objSelectRootTag, &doc);
    pool.m_docMap = std::move(map);
    pool.m_mapRoot = std::move(root);
}

Element* mapRoot(const PoolState& pool) {
    if (!pool.m_mapRoot) rt::raise(rt::kErrObjectNotSet, u"The connection map has no root element.");
    return pool.m_mapRoot.get();
}

// A new row for an idle connection, appended as the root's last child.
ComPtr<Element> appendRow(PoolState& pool, const Str& pos, const PoolKey& key) {
    rt::Array attr(0, {Variant(Str(u"pos")), Variant(pos), Variant(Str(u"host")), Variant(key.host),
                       Variant(Str(u"user")), Variant(key.user), Variant(Str(u"database")), Variant(key.database)});
    Variant noText(Str{});
    Document* doc = pool.m_docMap.get();
    ComPtr<Element> row =
        rt::call(gCommon(), &_CCommonFunction::objMakeNode2, Str(u"row"), &doc, &noText, &attr);
    ComPtr<dom::IXMLDOMNode> appended;
    rt::check(mapRoot(pool)->appendChild(row.get(), appended.put()));
    return row;
}

void removeRow(const PoolState& pool, Element* row) {
    ComPtr<dom::IXMLDOMNode> removed;
    rt::check(mapRoot(pool)->removeChild(row, removed.put()));
}

// ---- Connections ----------------------------------------------------------------------------

int32_t stateOf(Connection* con) {
    int32_t state = ado::adStateClosed;
    rt::check(con->get_State(&state));
    return state;
}

Str connectionStringOf(Connection* con) {
    Str text;
    rt::check(con->get_ConnectionString(&text));
    return text;
}

ComPtr<Connection> newConnection() {
    ComPtr<Connection> con;
    rt::check(rt::createInstance(ado::kConnectionClsid, Connection::IID_, reinterpret_cast<void**>(con.put())));
    return con;
}

// Opens a new connection into objConTmp (it is there before it opens, so that the handler
// empties it when the opening fails).
void openNew(const Str& text, ComPtr<Connection>& objConTmp) {
    objConTmp = newConnection();
    rt::check(objConTmp->put_ConnectionString(text));
    rt::check(objConTmp->put_CursorLocation(ado::adUseClient));
    rt::check(objConTmp->put_ConnectionTimeout(120));
    rt::check(objConTmp->put_CommandTimeout(120));
    rt::check(objConTmp->Open(Str(), Str(), Str(), -1));
}

// GetConn once more through the pool's own interface.
int16_t retry(PoolState& pool, const Str& text, ComPtr<Connection>& objConTmp, int32_t wait) {
    Variant dsn(text);
    Connection* slot = objConTmp.detach();
    int16_t result = 0;
    rt::HRESULT hr = pool.self->GetConn(&dsn, &slot, &wait, &result);
    objConTmp = ComPtr<Connection>::adopt(slot);
    rt::check(hr);
    return result;
}

// The idle row of key whose connection may serve the request text; nullptr when none. An
// idle connection goes only to a request with its own data source, user and password.
const IdleRow* idleRowFor(const PoolState& pool, const PoolKey& key, const Str& requested) {
    auto it = pool.m_rowsByKey.find(key);
    if (it == pool.m_rowsByKey.end()) return nullptr;
    const Str& opened = it->second.opened;
    if (opened != requested && !sameCredentials(opened, requested)) return nullptr;
    return &it->second;
}

// Lends the idle connection of row: out of the map, then out of the collection.
int16_t lendIdle(PoolState& pool, const PoolKey& key, const Str& text, ComPtr<Connection>& objConTmp) {
    const IdleRow idle = pool.m_rowsByKey.at(key);
    objConTmp = rt::toObject(pool.m_colCon.item(idle.pos)).as<Connection>();
    removeRow(pool, idle.row.get());
    pool.m_rowsByKey.erase(key);
    pool.m_colCon.remove(idle.pos);
    // An idle connection that has been closed (or whose server has gone) is dropped, and
    // another is looked for.
    if (!objConTmp || stateOf(objConTmp.get()) == ado::adStateClosed) return retry(pool, text, objConTmp, kRetryWait);
    return 1;
}

}  // namespace

// ---- Construction -------------------------------------------------------------------------------

void Class_Initialize(GuardScope& guard, PoolState& pool) {
    Variant config;
    guard.step([&] {
        Str name = u"budgetmgr/con_ref", file;
        VARIANT_BOOL asDom = rt::VARIANT_TRUE;
        rt::call(gCommon(), &_CCommonFunction::LoadFromTemplate, &name, &config, &file, &asDom);
    });
    ComPtr<Element> limitElement;
    guard.step([&] {
        ComPtr<Document> doc = rt::toObject(config).as<Document>();
        Document* d = doc.get();
        limitElement = rt::call(gCommon(), &_CCommonFunction::objSelectRootTag, &d);
    });
    guard.step([&] {
        if (!limitElement) rt::raise(rt::kErrObjectNotSet);
        Variant maxcon;
        rt::check(limitElement->getAttribute(u"maxcon", &maxcon));
        pool.m_iMaxCon = rt::toI2(maxcon);  // halves to even; errors for null, text, range
    });
    if (guard.failed()) pool.m_iMaxCon = 5;
    guard.step([&] { newMap(pool); });
    pool.m_colCon = rt::Collection();
}

// ---- Lending --------------------------------------------------------------------------------------

int16_t GetConn(GuardScope& guard, PoolState& pool, Variant& vDsn, ComPtr<Connection>& objConTmp, int32_t lWaitTime) {
    guard.onError([&objConTmp] { objConTmp = nullptr; });
    const Variant& dsn = vDsn.deref();
    if (dsn.isObject()) {
        objConTmp = nullptr;
        if (dsn.object()) {
            objConTmp = dsn.object().as<Connection>();
            if (!objConTmp) rt::raise(rt::kErrTypeMismatch, u"The data source object is not a connection.");
        }
        return 1;
    }
    // The caller's own text (normalised in the caller's variable: trimmed) opens the
    // connection, so that a password keeps its case; the key comes from its lower-cased form.
    const Str text = text::strVal(vDsn, false).str();
    const PoolKey key = poolKeyOf(normalizedText(text));
    if (idleRowFor(pool, key, text)) return lendIdle(pool, key, text, objConTmp);

    if (pool.m_colCon.count() <= pool.m_iMaxCon) {
        openNew(text, objConTmp);
        return 1;
    }
    if (lWaitTime < 1) rt::raise(kErrPoolFull, sGetText(kPoolFullKey));
    WaitSeconds(lWaitTime);
    retry(pool, text, objConTmp, 0);
    return objConTmp ? 1 : 0;  // the single retry after the wait may have obtained nothing
}

ComPtr<Connection> objDsn2Con(PoolState& pool, Variant& vDsn) {
    Connection* slot = nullptr;
    int32_t wait = kRetryWait;
    int16_t result = 0;  // not looked at: the connection variable tells
    rt::HRESULT hr = pool.self->GetConn(&vDsn, &slot, &wait, &result);
    ComPtr<Connection> con = ComPtr<Connection>::adopt(slot);
    rt::check(hr);
    return con;
}

void WaitSeconds(int32_t n) {
    rt::Apartment& apartment = rt::Apartment::current();
    const auto deadline = rt::fault::steadyNow() + std::chrono::seconds(n);
    // Work posted to this thread meanwhile runs inside the wait; between pieces of work the
    // thread sleeps for what is left. The monotonic clock does not jump at midnight.
    for (;;) {
        apartment.processPending();
        const auto left = deadline - rt::fault::steadyNow();
        if (left <= rt::Apartment::Clock::duration::zero()) return;
        apartment.waitForWork(rt::Apartment::Clock::now() + left);
    }
}

// ---- Return and reset -------------------------------------------------------------------------

void ReleaseConn(GuardScope& guard, PoolState& pool, ComPtr<Connection>& objCon) {
    if (!objCon) return;
    bool closed = false;
    guard.step([&] { closed = stateOf(objCon.get()) == ado::adStateClosed; });
    if (closed) {
        objCon = nullptr;  // a closed connection is not pooled
        return;
    }
    PoolKey key;
    Str opened;
    guard.step([&] {
        opened = connectionStringOf(objCon.get());
        key = poolKeyOf(rt::toLower(opened));
    });
    // A return of the same pool key displaces the idle connection (released, not closed).
    if (auto it = pool.m_rowsByKey.find(key); it != pool.m_rowsByKey.end()) {
        const IdleRow displaced = it->second;
        pool.m_rowsByKey.erase(it);
        guard.step([&] { pool.m_colCon.remove(displaced.pos); });
        guard.step([&] { removeRow(pool, displaced.row.get()); });
    }
    // A drawn key that is already taken is drawn again, a bounded number of times; any other
    // failure of the addition leaves the connection out of the pool.
    Str pos;
    bool added = false;
    for (int attempt = 0; attempt < kKeyAttempts && !added; ++attempt) {
        pos = sNewKey();
        if (pool.m_colCon.contains(pos)) continue;
        guard.step([&] {
            pool.m_colCon.add(Variant(ComPtr<rt::IDispatch>(objCon.get())), pos);
            added = true;
        });
        if (!added) break;
    }
    if (added) {
        guard.step([&] { pool.m_rowsByKey[key] = IdleRow{appendRow(pool, pos, key), pos, std::move(opened)}; });
    }
    objCon = nullptr;
}

void ResetPool(GuardScope& guard, PoolState& pool) {
    guard.step([&] {
        pool.m_colCon = rt::Collection();
        pool.m_rowsByKey.clear();
    });
    guard.step([&] { newMap(pool); });
}

int16_t get_MaxCon(PoolState& pool) { return pool.m_iMaxCon; }

void put_MaxCon(PoolState& pool, int16_t value) { pool.m_iMaxCon = value; }

}  // namespace velmora::pool

namespace velmora {

CConPool::CConPool() {
    state_.self = this;
    runGuarded(Guard::Skip, kSourceOf<_CConPool>, [&](GuardScope& guard) { pool::Class_Initialize(guard, state_); });
}

HRESULT CConPool::objDsn2Con(Variant* vDsn, ado::_Connection** result) {
    return bind<&_CConPool::objDsn2Con>(&pool::objDsn2Con, &state_, vDsn, result);
}

HRESULT CConPool::GetConn(Variant* vDsn, ado::_Connection** objConTmp, int32_t* lWaitTime, int16_t* result) {
    return bind<&_CConPool::GetConn>(&pool::GetConn, &state_, vDsn, objConTmp, lWaitTime, result);
}

HRESULT CConPool::ReleaseConn(ado::_Connection** objCon) {
    return bind<&_CConPool::ReleaseConn>(&pool::ReleaseConn, &state_, objCon);
}

HRESULT CConPool::ResetPool() { return bind<&_CConPool::ResetPool>(&pool::ResetPool, &state_); }

HRESULT CConPool::get_MaxCon(int16_t* result) { return bind<&_CConPool::get_MaxCon>(&pool::get_MaxCon, &state_, result); }

HRESULT CConPool::put_MaxCon(int16_t value) { return bind<&_CConPool::put_MaxCon>(&pool::put_MaxCon, &state_, value); }

}  // namespace velmora
