#include "frame/module.h"

#include "frame/classes.h"

namespace velmora {

ModuleState& moduleState() {
    thread_local ModuleState state;
    return state;
}

void Main() {
    ModuleState& m = moduleState();
    if (!m.gCommon) m.gCommon = rt::makeObject<CCommonFunction>();
    if (!m.gConPool) m.gConPool = rt::makeObject<CConPool>();
}

_CCommonFunction* gCommon() {
    ModuleState& m = moduleState();
    if (!m.gCommon) rt::raise(rt::kErrObjectNotSet);
    return m.gCommon.get();
}

_CConPool* gConPool() {
    ModuleState& m = moduleState();
    if (!m.gConPool) rt::raise(rt::kErrObjectNotSet);
    return m.gConPool.get();
}

std::atomic<long>& libraryObjectCount() {
    static std::atomic<long> n{0};
    return n;
}

std::atomic<long>& libraryLockCount() {
    static std::atomic<long> n{0};
    return n;
}

}  // namespace velmora
