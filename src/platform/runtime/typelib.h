// A type library: the classes a server publishes and their interfaces' tables.
#pragma once

#include <string>
#include <vector>

#include "dispatch.h"

namespace rt {

struct ClassDesc {
    const char* name;
    CLSID clsid;
    const InterfaceInfo* iface;
    bool creatable = true;   // false: only the server itself makes instances
    bool appObject = false;  // a global application object
};

struct TypeLibDesc {
    const char* name;
    GUID libid;
    int major = 1, minor = 0;
    std::vector<ClassDesc> classes;
};

// Readable listing: library, classes, interfaces, members with ids, parameters, defaults.
std::string describeTypeLibrary(const TypeLibDesc& lib);

}  // namespace rt
