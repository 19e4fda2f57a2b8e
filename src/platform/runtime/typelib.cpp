#include "typelib.h"

namespace rt {

std::string describeTypeLibrary(const TypeLibDesc& lib) {
    std::string out = "library " + std::string(lib.name) + " " + guidText(lib.libid) + " version " +
                      std::to_string(lib.major) + "." + std::to_string(lib.minor) + "\n";
    for (const auto& c : lib.classes) {
        out += "class " + std::string(c.name) + " " + guidText(c.clsid) + " implements " + c.iface->name();
        if (!c.creatable) out += " (not creatable)";
        if (c.appObject) out += " (global application object)";
        out += "\n";
    }
    for (const auto& c : lib.classes) out += describeInterface(*c.iface);
    return out;
}

}  // namespace rt
