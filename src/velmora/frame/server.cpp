#include "frame/server.h"

#include <dlfcn.h>

#include <filesystem>

#include "frame/classes.h"
#include "runtime/classes.h"
#include "runtime/registry.h"

namespace velmora {

const rt::TypeLibDesc& typeLibrary() {
    static const rt::TypeLibDesc lib{
        "Velmora",
        kLibId,
        1,
        0,
        {
            {"CConPool", kClsidCConPool, &_CConPool::info(), false, false},
            {"CGlobal", kClsidCGlobal, &_CGlobal::info(), true, true},
            {"CCommonFunction", kClsidCCommonFunction, &_CCommonFunction::info(), true, false},
            {"CReset", kClsidCReset, &_CReset::info(), true, false},
        }};
    return lib;
}

std::string libraryFile() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&DllGetClassObject), &info) == 0 || !info.dli_fname) return {};
    std::error_code ec;
    auto p = std::filesystem::canonical(info.dli_fname, ec);
    return ec ? std::string(info.dli_fname) : p.string();
}

std::string libraryFolder() {
    std::filesystem::path p(libraryFile());
    return p.parent_path().string();
}

namespace {

// A client's creation request: Main runs first, then the object is made.
template <class T>
rt::HRESULT createForClient(const rt::IID& iid, void** out) {
    Main();
    auto obj = rt::makeObject<T>();
    return obj->QueryInterface(iid, out);
}

rt::CreateInstanceFn creatorFor(const rt::CLSID& clsid) {
    if (clsid == kClsidCCommonFunction) return &createForClient<CCommonFunction>;
    if (clsid == kClsidCGlobal) return &createForClient<CGlobal>;
    if (clsid == kClsidCReset) return &createForClient<CReset>;
    return nullptr;  // CConPool and unknown classes: only the library makes them
}

}  // namespace

}  // namespace velmora

using namespace velmora;

rt::HRESULT DllGetClassObject(const rt::CLSID& clsid, const rt::IID& iid, void** out) {
    if (!out) return rt::E_POINTER;
    *out = nullptr;
    rt::CreateInstanceFn create = creatorFor(clsid);
    if (!create) return rt::CLASS_E_CLASSNOTAVAILABLE;
    rt::ComPtr<rt::IClassFactory> factory;
    rt::HRESULT hr = rt::makeClassFactory(create, &libraryLockCount(), factory.put());
    if (rt::failed(hr)) return hr;
    return factory->QueryInterface(iid, out);
}

rt::HRESULT DllCanUnloadNow() {
    return libraryObjectCount() == 0 && libraryLockCount() == 0 ? rt::S_OK : rt::S_FALSE;
}

rt::HRESULT DllRegisterServer() {
    return rt::boundary(u"Velmora", [] { rt::registerServer(typeLibrary(), libraryFile()); });
}

rt::HRESULT DllUnregisterServer() {
    return rt::boundary(u"Velmora", [] { rt::unregisterServer(typeLibrary(), libraryFile()); });
}

rt::HRESULT DllGetTypeLibrary(const rt::TypeLibDesc** out) {
    if (!out) return rt::E_POINTER;
    *out = &typeLibrary();
    return rt::S_OK;
}
