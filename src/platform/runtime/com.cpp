#include "com.h"

namespace rt {

const void* identityOf(IUnknown* p) {
    if (!p) return nullptr;
    IUnknown* id = nullptr;
    if (failed(p->QueryInterface(IUnknown::IID_, reinterpret_cast<void**>(&id))) || !id) return p;
    id->Release();
    return id;
}

std::atomic<long>& liveObjectCount() {
    static std::atomic<long> count{0};
    return count;
}

}  // namespace rt
