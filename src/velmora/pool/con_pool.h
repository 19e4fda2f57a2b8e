// The connection pool's state and the bodies of CConPool's members.
#pragma once

#include "dataaccess/ado.h"
#include "runtime/com.h"
#include "runtime/variant.h"

namespace velmora {
class GuardScope;
}

namespace velmora::pool {

// What one pool holds. Each thread has one pool (gConPool), used only on that thread.
struct PoolState {
    int16_t m_iMaxCon = 5;  // the connection limit
};

rt::ComPtr<ado::_Connection> objDsn2Con(PoolState& pool, rt::Variant& vDsn);
int16_t GetConn(PoolState& pool, rt::Variant& vDsn, rt::ComPtr<ado::_Connection>& objConTmp, int32_t lWaitTime);
void ReleaseConn(GuardScope& guard, PoolState& pool, rt::ComPtr<ado::_Connection>& objCon);
void ResetPool(GuardScope& guard, PoolState& pool);
// The limit, as stored: any 16-bit value, no range test.
int16_t get_MaxCon(PoolState& pool);
void put_MaxCon(PoolState& pool, int16_t value);

}  // namespace velmora::pool
