// The C++ client API: how a program outside the library reaches it.
//
// A client links only the platform (libvelmora_platform.so) and includes this header; the
// library itself (libvelmora.so) is loaded on first creation, through the registry or as a
// known server beside the client. Calls are early-bound with status codes, or through the
// throwing wrappers below, which return results and raise rt::Error on failure.
#pragma once

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "frame/interfaces.h"
#include "runtime/call.h"
#include "runtime/classes.h"
#include "runtime/error.h"
#include "runtime/typelib.h"

namespace velmora::client {

inline constexpr const char* kLibraryFile = "libvelmora.so";

// Where the library is: $VELMORA_LIBRARY, else beside the platform library, else beside
// ../lib/velmora/ of the running program.
inline std::string libraryPath() {
    if (const char* p = std::getenv("VELMORA_LIBRARY"); p && *p) return p;
    namespace fs = std::filesystem;
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&rt::createObject), &info) && info.dli_fname) {
        fs::path beside = fs::path(info.dli_fname).parent_path() / kLibraryFile;
        if (fs::exists(beside)) return beside.string();
    }
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        for (fs::path p : {exe.parent_path() / kLibraryFile, exe.parent_path() / "../lib/velmora" / kLibraryFile})
            if (fs::exists(p)) return fs::weakly_canonical(p).string();
    }
    return kLibraryFile;
}

// Makes the library's creatable classes known to rt::createObject without registration.
inline void useLibrary(const std::string& path = libraryPath()) {
    rt::addKnownServer("Velmora.CCommonFunction", kClsidCCommonFunction, path);
    rt::addKnownServer("Velmora.CGlobal", kClsidCGlobal, path);
    rt::addKnownServer("Velmora.CReset", kClsidCReset, path);
    rt::addKnownServer("Velmora.CConPool", kClsidCConPool, path);
}

// A new instance of a creatable class, through its interface. Throws rt::Error.
template <class I>
rt::ComPtr<I> create(const rt::CLSID& clsid) {
    rt::ComPtr<I> p;
    rt::check(rt::createInstance(clsid, I::IID_, reinterpret_cast<void**>(p.put())));
    return p;
}
inline rt::ComPtr<_CCommonFunction> newCommonFunction() { return create<_CCommonFunction>(kClsidCCommonFunction); }
inline rt::ComPtr<_CReset> newReset() { return create<_CReset>(kClsidCReset); }

// The calling thread's global application object (made on first use).
inline rt::ComPtr<_CGlobal> global() {
    thread_local rt::ComPtr<_CGlobal> instance;
    if (!instance) instance = create<_CGlobal>(kClsidCGlobal);
    return instance;
}

// Throwing wrapper of an early-bound call whose last parameter receives the result:
//   Str s = call(cf.get(), &_CCommonFunction::strTrim, &v, &lower, &mode);
using rt::call;

// The library's type library, read from the library file itself.
inline const rt::TypeLibDesc* typeLibrary(const std::string& path = libraryPath()) {
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) return nullptr;
    using Fn = rt::HRESULT (*)(const rt::TypeLibDesc**);
    auto fn = reinterpret_cast<Fn>(dlsym(lib, "DllGetTypeLibrary"));
    const rt::TypeLibDesc* desc = nullptr;
    return fn && rt::succeeded(fn(&desc)) ? desc : nullptr;
}

}  // namespace velmora::client
