// The C++ client API: how a program outside the library reaches it.
//
// A client links only the platform (libvelmora_platform.so) and includes this header; the
// library itself (libvelmora.so) is loaded on first creation, through the registry or as a
// known server beside the client. Calls are early-bound with status codes, or through the
// throwing wrappers below, which return results and raise rt::Error on failure.
//
// Threads: every object belongs to the thread that created it (the apartment model); a call
// from any other thread fails with RPC_E_WRONG_THREAD. Each thread that uses the library
// has its own shared objects (its own pool, its own message box presenter).
#pragma once

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include "frame/interfaces.h"
#include "runtime/call.h"
#include "runtime/classes.h"
#include "runtime/error.h"
#include "runtime/typelib.h"
#include "services/message_service.h"

namespace velmora::client {

inline constexpr const char* kLibraryFile = "libvelmora.so";

// Where the library is: $VELMORA_LIBRARY, else beside the platform library (a build
// folder), else in the private folder velmora/ beside it (an installed tree), else beside
// the running program or in ../lib/velmora/ from it; the bare file name when none exists.
inline std::string libraryPath() {
    if (const char* p = std::getenv("VELMORA_LIBRARY"); p && *p) return p;
    namespace fs = std::filesystem;
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&rt::createObject), &info) && info.dli_fname) {
        const fs::path platformFolder = fs::path(info.dli_fname).parent_path();
        for (fs::path p : {platformFolder / kLibraryFile, platformFolder / "velmora" / kLibraryFile})
            if (fs::exists(p)) return p.string();
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

// ---- Message boxes -------------------------------------------------------------------
//
// The library shows its message boxes (iShowMsg, and DealFocus on a bad date) through the
// message text service's box object, which hands each box to the calling thread's
// presenter and returns the number of the button chosen (svc::Button: 1 OK, 2 Cancel, ...
// 7 No). Without a presenter of its own a thread asks on the terminal (/dev/tty); without
// a terminal the box goes to standard error and takes its default button.
//
// A client with its own way of asking (a window, a log with scripted answers, a test)
// installs a presenter on each thread that calls the library. A component registered in
// the registry file under the box's class id (svc::kClsidMsgBox, program identifier
// "Ostrel.MsgBox") replaces the built-in box object altogether, for every thread.
using svc::MessageBoxPresenter;
using svc::MessageBoxRequest;

// Installs presenter for the calling thread; an empty one restores the default. Returns
// the thread's previous presenter (empty when it was the default). The presenter may throw
// rt::Error: the call that showed the box fails with that error.
inline MessageBoxPresenter setMessageBoxPresenter(MessageBoxPresenter presenter) {
    return svc::setMessageBoxPresenter(std::move(presenter));
}

// A presenter installed for the calling thread while the object lives; the previous one
// is restored when it dies. Make and destroy it on the same thread.
class ScopedMessageBoxPresenter {
public:
    explicit ScopedMessageBoxPresenter(MessageBoxPresenter presenter)
        : previous_(client::setMessageBoxPresenter(std::move(presenter))) {}
    ~ScopedMessageBoxPresenter() { client::setMessageBoxPresenter(std::move(previous_)); }
    ScopedMessageBoxPresenter(const ScopedMessageBoxPresenter&) = delete;
    ScopedMessageBoxPresenter& operator=(const ScopedMessageBoxPresenter&) = delete;

private:
    MessageBoxPresenter previous_;
};

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
