// The library's four classes.
#pragma once

#include "frame/binding.h"
#include "frame/interfaces.h"
#include "frame/module.h"
#include "pool/con_pool.h"
#include "runtime/object.h"

namespace velmora {

// The toolbox of helper methods. Each method is a one-line adapter (frame/binding.h) over
// the plain function of its name in its subsystem (data/, xml/, text/, forms/); this folder
// holds only its construction.
class CCommonFunction final : public rt::DispatchObject<CCommonFunction, _CCommonFunction>,
                              public LibraryObject<CCommonFunction> {
public:
    // Renews the thread's gMsgBox (every construction does).
    CCommonFunction();
    VELMORA_CCOMMONFUNCTION_MEMBERS(VELMORA_OVERRIDE_MEMBER)
};

// The connection pool. Only the library makes it (in Main).
class CConPool final : public rt::DispatchObject<CConPool, _CConPool>,
                       public LibraryObject<CConPool> {
public:
    CConPool();
    HRESULT objDsn2Con(Variant* vDsn, ado::_Connection** result) override;
    HRESULT GetConn(Variant* vDsn, ado::_Connection** objConTmp, int32_t* lWaitTime, int16_t* result) override;
    HRESULT ReleaseConn(ado::_Connection** objCon) override;
    HRESULT ResetPool() override;
    HRESULT get_MaxCon(int16_t* result) override;
    HRESULT put_MaxCon(int16_t value) override;

    // What the pool holds, for diagnostics and tests (read only).
    const pool::PoolState& state() const { return state_; }

private:
    pool::PoolState state_;
};

// The global application object: hands out the calling thread's pool.
class CGlobal final : public rt::DispatchObject<CGlobal, _CGlobal>,
                      public LibraryObject<CGlobal> {
public:
    HRESULT GetPoolInstance(_CConPool** result) override;
};

class CReset final : public rt::DispatchObject<CReset, _CReset>,
                     public LibraryObject<CReset> {
public:
    HRESULT Transaction(VARIANT_BOOL* result) override;
};

}  // namespace velmora
