#include "registry.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "error.h"

namespace rt {

namespace fs = std::filesystem;
using nlohmann::json;

std::string registryPath() {
    if (const char* p = std::getenv("VELMORA_REGISTRY"); p && *p) return p;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return std::string(x) + "/velmora/registry.json";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/velmora/registry.json";
}

namespace {

json readRegistry() {
    std::ifstream in(registryPath());
    if (!in) return json::object();
    json j = json::parse(in, nullptr, false);
    return j.is_object() ? j : json::object();
}

void writeRegistry(const json& j) {
    fs::path path = registryPath();
    std::error_code ec;
    if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
    // Write beside and rename, so a crash never leaves half a registry.
    fs::path tmp = path;
    tmp += ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(tmp, std::ios::trunc);
        out << j.dump(2) << "\n";
        if (!out) throw Error::number(kErrPermissionDenied, u"Cannot write the registry file " + fromUtf8(path.string()));
    }
    fs::rename(tmp, path, ec);
    if (ec) {
        fs::remove(tmp, ec);
        throw Error::number(kErrPermissionDenied, u"Cannot write the registry file " + fromUtf8(path.string()));
    }
}

std::string progidOf(const TypeLibDesc& lib, const ClassDesc& c) { return std::string(lib.name) + "." + c.name; }

}  // namespace

std::optional<RegisteredClass> findRegisteredClass(StrView progidOrClsid) {
    json j = readRegistry();
    std::string key = toUtf8(trimSpaces(progidOrClsid));
    bool isGuid = false;
    GUID g = parseGuid(key, isGuid);
    const json& classes = j.contains("classes") ? j["classes"] : json::object();
    for (auto it = classes.begin(); it != classes.end(); ++it) {
        const json& c = it.value();
        if (!c.is_object() || !c.contains("clsid") || !c.contains("server")) continue;
        bool ok = false;
        GUID cg = parseGuid(c["clsid"].get<std::string>(), ok);
        bool match = isGuid ? (ok && cg == g) : equalsAsciiNoCase(fromUtf8(it.key()), fromUtf8(key));
        if (!match) continue;
        return RegisteredClass{it.key(), cg, c["server"].get<std::string>(), c.value("threading", "Apartment")};
    }
    return std::nullopt;
}

void registerServer(const TypeLibDesc& lib, const std::string& serverPath) {
    json j = readRegistry();
    for (const auto& c : lib.classes) {
        if (!c.creatable) continue;
        j["classes"][progidOf(lib, c)] = {
            {"clsid", guidText(c.clsid)}, {"server", serverPath}, {"threading", "Apartment"}, {"typelib", guidText(lib.libid)}};
    }
    json classes = json::array();
    for (const auto& c : lib.classes) classes.push_back({{"name", c.name}, {"clsid", guidText(c.clsid)}});
    j["typelibs"][guidText(lib.libid)] = {{"name", lib.name},
                                          {"version", std::to_string(lib.major) + "." + std::to_string(lib.minor)},
                                          {"server", serverPath},
                                          {"classes", classes},
                                          {"description", describeTypeLibrary(lib)}};
    writeRegistry(j);
}

void unregisterServer(const TypeLibDesc& lib, const std::string& serverPath) {
    json j = readRegistry();
    auto ownedBy = [&](const json& e) { return e.is_object() && e.value("server", "") == serverPath; };
    if (j.contains("classes")) {
        for (const auto& c : lib.classes) {
            std::string key = progidOf(lib, c);
            if (j["classes"].contains(key) && ownedBy(j["classes"][key])) j["classes"].erase(key);
        }
        if (j["classes"].empty()) j.erase("classes");
    }
    if (j.contains("typelibs")) {
        std::string key = guidText(lib.libid);
        if (j["typelibs"].contains(key) && ownedBy(j["typelibs"][key])) j["typelibs"].erase(key);
        if (j["typelibs"].empty()) j.erase("typelibs");
    }
    if (j.empty()) {
        std::error_code ec;
        fs::remove(registryPath(), ec);
        return;
    }
    writeRegistry(j);
}

}  // namespace rt
