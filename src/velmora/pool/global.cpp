// Global access to the thread's pool, and the transaction reset.
#include "frame/binding.h"
#include "frame/classes.h"
#include "pool/pool_access.h"
#include "runtime/call.h"

namespace velmora::pool {

// The calling thread's pool (gConPool).
rt::ComPtr<_CConPool> GetPoolInstance() { return rt::ComPtr<_CConPool>(gConPool()); }

// Empties the thread's pool; true in every case (a failing reset is skipped).
bool Transaction(GuardScope& guard) {
    guard.step([] { rt::call(gConPool(), &_CConPool::ResetPool); });
    return true;
}

}  // namespace velmora::pool

namespace velmora {

HRESULT CGlobal::GetPoolInstance(_CConPool** result) {
    return bind<&_CGlobal::GetPoolInstance>(&pool::GetPoolInstance, result);
}

HRESULT CReset::Transaction(VARIANT_BOOL* result) {
    return bind<&_CReset::Transaction>(&pool::Transaction, result);
}

}  // namespace velmora

namespace velmora {

void GetPoolConn(rt::ComPtr<ado::_Connection>& objCon, rt::Variant& vDsn) {
    int32_t wait = 20;
    (void)rt::call(gConPool(), &_CConPool::GetConn, &vDsn, objCon.put(), &wait);
}

void ReleasePoolConn(rt::ComPtr<ado::_Connection>& objCon) {
    _CConPool* pool = gConPool();
    // The pool's in-and-out slot takes the reference; what it leaves (nothing once the
    // connection is taken back) comes back to objCon, on failure too.
    ado::_Connection* slot = objCon.detach();
    rt::HRESULT hr = pool->ReleaseConn(&slot);
    objCon = rt::ComPtr<ado::_Connection>::adopt(slot);
    rt::check(hr);
}

}  // namespace velmora
