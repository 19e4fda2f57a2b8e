// The registry file: where registration records servers, classes and type libraries.
//
// Location: $VELMORA_REGISTRY, else $XDG_CONFIG_HOME/velmora/registry.json, else
// ~/.config/velmora/registry.json. A JSON document; entries written by one server are
// removed by that server's unregistration and by nothing else.
#pragma once

#include <optional>
#include <string>

#include "typelib.h"

namespace rt {

std::string registryPath();

struct RegisteredClass {
    std::string progid;
    CLSID clsid;
    std::string server;     // absolute path of the library
    std::string threading;  // "Apartment"
};

// The registered class for a program identifier or "{class id}"; nullopt when none (or the
// file is missing or unreadable).
std::optional<RegisteredClass> findRegisteredClass(StrView progidOrClsid);

// Records lib's creatable classes under "<lib.name>.<class name>" and its type library
// description, all pointing at serverPath. Throws rt::Error when the file cannot be written.
void registerServer(const TypeLibDesc& lib, const std::string& serverPath);
// Removes exactly the entries registerServer wrote for lib and serverPath.
void unregisterServer(const TypeLibDesc& lib, const std::string& serverPath);

}  // namespace rt
