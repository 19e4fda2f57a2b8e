#include "frame/classes.h"
#include "frame/guards.h"

namespace velmora {

HRESULT CGlobal::GetPoolInstance(_CConPool** result) {
    return guardNone(kSourceGlobal, [&] { rt::assignOut(result, rt::ComPtr<_CConPool>(gConPool())); });
}

HRESULT CReset::Transaction(VARIANT_BOOL* result) {
    SkipGuard skip;
    skip([] { rt::check(gConPool()->ResetPool()); });
    *result = rt::VARIANT_TRUE;
    rt::clearErrorInfo();
    return rt::S_OK;
}

}  // namespace velmora
