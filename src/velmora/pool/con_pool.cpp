#include "frame/classes.h"
#include "frame/guards.h"

namespace velmora {

CConPool::CConPool() = default;

HRESULT CConPool::objDsn2Con(Variant*, ado::_Connection**) {
    return guardNone(kSourcePool, [] { notImplemented("CConPool.objDsn2Con"); });
}

HRESULT CConPool::GetConn(Variant*, ado::_Connection**, int32_t*, int16_t*) {
    return guardNone(kSourcePool, [] { notImplemented("CConPool.GetConn"); });
}

HRESULT CConPool::ReleaseConn(ado::_Connection**) {
    return guardNone(kSourcePool, [] { notImplemented("CConPool.ReleaseConn"); });
}

HRESULT CConPool::ResetPool() {
    return guardNone(kSourcePool, [] { notImplemented("CConPool.ResetPool"); });
}

HRESULT CConPool::get_MaxCon(int16_t* result) {
    return guardNone(kSourcePool, [&] { *result = m_iMaxCon; });
}

HRESULT CConPool::put_MaxCon(int16_t value) {
    return guardNone(kSourcePool, [&] { m_iMaxCon = value; });
}

}  // namespace velmora
