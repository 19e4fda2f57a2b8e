// The component server: type library description and the standard entry points.
#pragma once

#include <string>

#include "runtime/typelib.h"

namespace velmora {

// The library's type library: its four classes and their interfaces' tables.
const rt::TypeLibDesc& typeLibrary();
// Absolute path of the loaded libvelmora.so.
std::string libraryFile();
// The folder of libraryFile(), without a trailing "/" (except for "/" itself).
std::string libraryFolder();

}  // namespace velmora

extern "C" {
// *out receives a class factory for one of the creatable classes; CLASS_E_CLASSNOTAVAILABLE
// for any other class id (CConPool included).
__attribute__((visibility("default"))) rt::HRESULT DllGetClassObject(const rt::CLSID& clsid, const rt::IID& iid,
                                                                    void** out);
// S_OK when no object of the library and no server lock is alive, else S_FALSE.
__attribute__((visibility("default"))) rt::HRESULT DllCanUnloadNow();
// Records the type library and the creatable classes in the registry file.
__attribute__((visibility("default"))) rt::HRESULT DllRegisterServer();
// Removes exactly what DllRegisterServer recorded.
__attribute__((visibility("default"))) rt::HRESULT DllUnregisterServer();
// *out receives the type library description (owned by the library, lives while it is loaded).
__attribute__((visibility("default"))) rt::HRESULT DllGetTypeLibrary(const rt::TypeLibDesc** out);
}
