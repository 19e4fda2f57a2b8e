// A type library: the classes a server publishes and their interfaces' tables; and the
// listings read from type libraries and the platform's class table.
#pragma once

#include <string>
#include <vector>

#include "classes.h"
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

// Every interface reachable from roots: the roots, their bases, and the interfaces that
// their members take or return, transitively. Each once: the roots first in their order,
// then the others in the order they are met. Null roots are skipped.
std::vector<const InterfaceInfo*> reachableInterfaces(const std::vector<const InterfaceInfo*>& roots);

// The reference of everything the runtime can create, as Markdown: the server's classes
// (from its type library) and the platform's classes, then every interface reachable from
// them with each member's dispatch id, kind, parameters, result and help line. The same
// tables always give the same text (nothing depends on paths, time or locale).
std::string referenceMarkdown(const TypeLibDesc& server, const std::vector<PlatformClass>& platform);

}  // namespace rt
