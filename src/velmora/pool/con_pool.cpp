// The connection pool: idle connections kept per data source, lent and returned.
#include "pool/con_pool.h"

#include "frame/binding.h"
#include "frame/classes.h"

namespace velmora::pool {

rt::ComPtr<ado::_Connection> objDsn2Con(PoolState&, rt::Variant&) { notImplemented("CConPool.objDsn2Con"); }

int16_t GetConn(PoolState&, rt::Variant&, rt::ComPtr<ado::_Connection>&, int32_t) {
    notImplemented("CConPool.GetConn");
}

void ReleaseConn(GuardScope&, PoolState&, rt::ComPtr<ado::_Connection>&) { notImplemented("CConPool.ReleaseConn"); }

void ResetPool(GuardScope&, PoolState&) { notImplemented("CConPool.ResetPool"); }

int16_t get_MaxCon(PoolState& pool) { return pool.m_iMaxCon; }

void put_MaxCon(PoolState& pool, int16_t value) { pool.m_iMaxCon = value; }

}  // namespace velmora::pool

namespace velmora {

CConPool::CConPool() = default;

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
