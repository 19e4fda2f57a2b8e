// The connection pool's state and the bodies of CConPool's members.
//
// A pool keeps only idle connections: each one is an entry of the keyed collection m_colCon
// and a `row` element (pos, host, user, database) of the map document m_docMap, under the
// pool key (data source, user id, initial catalog) of its connection string. A lent
// connection belongs to its borrower; the pool keeps no record of it. Each thread has one
// pool (gConPool), used only on that thread.
#pragma once

#include <string>
#include <unordered_map>

#include "dataaccess/ado.h"
#include "dom/dom.h"
#include "runtime/collection.h"
#include "runtime/com.h"
#include "runtime/variant.h"

namespace velmora {
struct _CConPool;
class GuardScope;
}  // namespace velmora

namespace velmora::pool {

// The triple a connection string is pooled under, each part lower case; a data source's
// backslashes read "|".
struct PoolKey {
    rt::Str host;
    rt::Str user;
    rt::Str database;
    bool operator==(const PoolKey&) const = default;
};

struct PoolKeyHash {
    size_t operator()(const PoolKey& k) const noexcept;
};

// One idle connection's row of the map, as the index finds it.
struct IdleRow {
    rt::ComPtr<dom::IXMLDOMElement> row;
    rt::Str pos;     // its key in m_colCon
    rt::Str opened;  // the connection's own connection string, for the credentials check
};

// What one pool holds.
struct PoolState {
    _CConPool* self = nullptr;                           // the pool's own interface (not owned)
    rt::ComPtr<dom::IXMLDOMDocument> m_docMap;           // the connection map
    rt::ComPtr<dom::IXMLDOMElement> m_mapRoot;           // its root element (objSelectRootTag)
    rt::Collection m_colCon;                             // the idle connections, by key
    int16_t m_iMaxCon = 5;                               // the connection limit
    // The map's rows by pool key: the map is searched by comparing the rows' values, and this
    // index, kept in step with every row added or removed, makes that search constant-time.
    std::unordered_map<PoolKey, IdleRow, PoolKeyHash> m_rowsByKey;
};

// ---- Construction and the members ---------------------------------------------------------

// Reads the limit from the default template ("budgetmgr/con_ref" maxcon, halves to even; 5
// when anything fails) and makes the empty map and collection. Runs under the skip guard.
void Class_Initialize(GuardScope& guard, PoolState& pool);

// A connection for vDsn through GetConn (wait 20); nothing when none was obtained.
rt::ComPtr<ado::_Connection> objDsn2Con(PoolState& pool, rt::Variant& vDsn);
// Lends a connection for vDsn into objConTmp: vDsn's own object when it holds one; else an
// idle connection of its pool key opened with the same data source and password; else a new
// connection while the idle ones number at most MaxCon; else, after waiting lWaitTime
// seconds once, what a single retry obtains. 1 when objConTmp holds a connection (or vDsn
// was an object), 0 otherwise. Throws when a step fails; the handler then empties objConTmp.
int16_t GetConn(GuardScope& guard, PoolState& pool, rt::Variant& vDsn, rt::ComPtr<ado::_Connection>& objConTmp,
                int32_t lWaitTime);
// Takes an open objCon back as idle (displacing an idle connection of the same pool key)
// and empties objCon. A closed connection is dropped. Runs under the skip guard.
void ReleaseConn(GuardScope& guard, PoolState& pool, rt::ComPtr<ado::_Connection>& objCon);
// Drops every idle connection and the map; the limit stays. Runs under the skip guard.
void ResetPool(GuardScope& guard, PoolState& pool);
// The limit, as stored: any 16-bit value, no range test.
int16_t get_MaxCon(PoolState& pool);
void put_MaxCon(PoolState& pool, int16_t value);

// ---- Connection strings and keys ------------------------------------------------------------

// The value of name in a connection string, lower-cased: text (trimmed in place) is searched
// case-sensitively for name followed by "="; the value runs to the next ";" or the end,
// spaces kept. "" when the text does not hold the name. Error 6 when a position passes 32767.
rt::Str sConnPart(rt::Str& text, rt::StrView name);
// The key text of a connection string: lower-cased, with the language words restored
// ("English", "Traditional Chinese", "Simplified Chinese").
rt::Str normalizedText(rt::StrView text);
// The pool key of a normalised (or lower-cased) connection string. Throws as sConnPart.
PoolKey poolKeyOf(rt::Str text);
// A new collection key: the digits of a pseudo-random integer from 1 to 1000000000, then "k".
rt::Str sNewKey();
// Whether a connection opened with the text `opened` may be lent to a request of the text
// `requested`: the same data source and the same password, compared exactly.
bool sameCredentials(rt::StrView opened, rt::StrView requested);

// Waits n seconds while the thread keeps running the work other threads post to it; the
// thread sleeps between pieces of work. Ends once n seconds have passed (never earlier).
void WaitSeconds(int32_t n);

}  // namespace velmora::pool
