// `velmora describe --json` and `describe PROGID`: the classes the host can create and their
// interfaces, read from the member tables (the same tables that dispatch calls).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "runtime/typelib.h"
#include "values.h"

namespace host {

// {"library": {...}, "classes": [CLASS...], "interfaces": [INTERFACE...]}:
//   CLASS      {"progid", "clsid", "origin": "server" | "platform", "interface": NAME | null,
//               "creatable", "application"}
//   INTERFACE  {"name", "iid", "base": NAME | null, "help", "members": [MEMBER...]}
//              (members include the base's, as dispatch serves them)
//   MEMBER     {"name", "id", "kind": "method" | "property get" | "property let" |
//               "property set", "params": [PARAM...], "result": TYPE | null, "help"}
//   PARAM      {"name", "type": TYPE, "byRef", "optional", "default"?: VALUE}
//   TYPE       {"name", "vt", "interface"?: NAME}
// Every interface reachable from the classes appears once.
Json describeAllJson(const rt::TypeLibDesc& server, const std::vector<rt::PlatformClass>& platform);

// {"class": CLASS, "interfaces": [INTERFACE...]} for the class registered as progid (without
// regard to case), with the interfaces reachable from its primary one; nullopt when no class
// has that program identifier.
std::optional<Json> describeClassJson(const rt::TypeLibDesc& server, const std::vector<rt::PlatformClass>& platform,
                                      const std::string& progid);

// The same as text: the class line, then each interface as `velmora describe` lists them;
// nullopt when no class has that program identifier.
std::optional<std::string> describeClassText(const rt::TypeLibDesc& server,
                                             const std::vector<rt::PlatformClass>& platform, const std::string& progid);

}  // namespace host
