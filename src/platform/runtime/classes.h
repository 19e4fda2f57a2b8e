// Class factories and object creation by program identifier or class id.
#pragma once

#include <string>
#include <vector>

#include "com.h"
#include "dispatch.h"

namespace rt {

struct IClassFactory : IUnknown {
    static constexpr IID IID_ = guid("{00000001-0000-0000-C000-000000000046}");
    virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) = 0;
    virtual HRESULT LockServer(VARIANT_BOOL lock) = 0;

protected:
    ~IClassFactory() = default;
};

// Makes a new instance and queries it for iid; the caller owns what *out receives.
using CreateInstanceFn = HRESULT (*)(const IID& iid, void** out);

// A class factory over a creation function. Counts server locks in `locks` when given.
HRESULT makeClassFactory(CreateInstanceFn create, std::atomic<long>* locks, IClassFactory** out);

// Classes of the platform itself (DOM, data access, file system, services), registered by
// each layer as it loads. Known to createObject without any registration. primary is the
// table of the interface the class's objects serve IDispatch from (their primary interface):
// listings and the reference describe the class by it; nullptr only for a class without a
// dispatch interface, which listings then show without one.
//
// A replaceable class stands for a component that the suite may supply itself (the message
// box of the message text service): a server registered in the registry file under its
// class id is created instead of the built-in class. The registry file is read at each
// creation of such a class, and never for the others.
enum class Replaceable : bool { No, ByRegistration };
struct ClassRegistrar {
    ClassRegistrar(const char* progid, const CLSID& clsid, CreateInstanceFn create, InterfaceInfoFn primary,
                   Replaceable replaceable = Replaceable::No);
};

// One platform class as registered.
struct PlatformClass {
    std::string progid;  // as registered ("MSXML2.DOMDocument")
    CLSID clsid;
    const InterfaceInfo* primary = nullptr;  // lives as long as the process; nullptr when none
};

// Every platform class registered so far, sorted by program identifier without regard to
// case; empty when none is. A class registered under several program identifiers appears
// once for each.
std::vector<PlatformClass> platformClasses();

// An in-process server that a client knows without registration: the class is created
// from the library at libraryPath (loaded on first use).
void addKnownServer(const std::string& progid, const CLSID& clsid, const std::string& libraryPath);

// CreateObject: a program identifier ("MSXML2.DOMDocument") or a class id ("{...}").
// Looks in the platform's classes (a replaceable one: the registry file first), then the
// known servers, then the registry file.
// Throws Error 429 ("ActiveX component can't create object") when the class is unknown or
// its server refuses it, carrying the server's status where there is one.
ComPtr<IDispatch> createObject(StrView progidOrClsid);
// The same by class id, for any interface. Returns the status; *out owned by the caller.
HRESULT createInstance(const CLSID& clsid, const IID& iid, void** out);

// The class id behind a program identifier (platform, known servers, registry); null GUID if none.
CLSID classIdOf(StrView progid);

}  // namespace rt
