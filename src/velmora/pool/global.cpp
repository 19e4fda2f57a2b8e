// Global access to the thread's pool, and the transaction reset.
#include "frame/binding.h"
#include "frame/classes.h"
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
