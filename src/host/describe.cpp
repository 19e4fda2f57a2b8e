#include "describe.h"

#include "runtime/error.h"

namespace host {

namespace {

// A class as the host can create it, from the server's type library or the platform's table.
struct ClassEntry {
    std::string progid;
    rt::CLSID clsid;
    const rt::InterfaceInfo* primary;  // nullptr: no dispatch interface
    bool fromServer;
    bool creatable = true;
    bool application = false;
};

std::vector<ClassEntry> allClasses(const rt::TypeLibDesc& server, const std::vector<rt::PlatformClass>& platform) {
    std::vector<ClassEntry> out;
    for (const rt::ClassDesc& c : server.classes)
        out.push_back({std::string(server.name) + "." + c.name, c.clsid, c.iface, true, c.creatable, c.appObject});
    for (const rt::PlatformClass& c : platform) out.push_back({c.progid, c.clsid, c.primary, false});
    return out;
}

std::optional<ClassEntry> findClass(const rt::TypeLibDesc& server, const std::vector<rt::PlatformClass>& platform,
                                    const std::string& progid) {
    for (ClassEntry& c : allClasses(server, platform))
        if (rt::equalsAsciiNoCase(rt::fromUtf8(c.progid), rt::fromUtf8(progid))) return std::move(c);
    return std::nullopt;
}

// Default values are plain values: nothing to look up, no objects to keep.
class ValuesOnly final : public Scope {
public:
    const rt::Variant& lookup(const std::string& name) override { badRequest("no variable " + name); }
    std::string bindHandle(const rt::ComPtr<rt::IDispatch>&) override { return {}; }
};

Json typeJson(const rt::TypeSpec& t) {
    Json j{{"name", t.name}, {"vt", int(t.vt)}};
    if (t.table) j["interface"] = t.table().name();
    return j;
}

Json memberJson(const rt::MemberSpec& m) {
    ValuesOnly scope;
    Json params = Json::array();
    for (const rt::ParamSpec& p : m.params) {
        Json pj{{"name", p.name}, {"type", typeJson(p.type)}, {"byRef", p.byRef}, {"optional", p.optional}};
        if (p.defaultValue) pj["default"] = valueToJson(*p.defaultValue, scope);
        params.push_back(std::move(pj));
    }
    return Json{{"name", m.name},
                {"id", m.id},
                {"kind", rt::describeKind(m.kind)},
                {"params", std::move(params)},
                {"result", m.result ? typeJson(*m.result) : Json(nullptr)},
                {"help", m.help}};
}

Json interfaceJson(const rt::InterfaceInfo& info) {
    Json members = Json::array();
    for (const rt::MemberSpec& m : info.members()) members.push_back(memberJson(m));
    return Json{{"name", info.name()},
                {"iid", rt::guidText(info.iid())},
                {"base", info.base() ? Json(info.base()->name()) : Json(nullptr)},
                {"help", info.help() ? info.help() : ""},
                {"members", std::move(members)}};
}

Json classJson(const ClassEntry& c) {
    return Json{{"progid", c.progid},
                {"clsid", rt::guidText(c.clsid)},
                {"origin", c.fromServer ? "server" : "platform"},
                {"interface", c.primary ? Json(c.primary->name()) : Json(nullptr)},
                {"creatable", c.creatable},
                {"application", c.application}};
}

Json interfacesJson(const std::vector<const rt::InterfaceInfo*>& roots) {
    Json out = Json::array();
    for (const rt::InterfaceInfo* info : rt::reachableInterfaces(roots)) out.push_back(interfaceJson(*info));
    return out;
}

}  // namespace

Json describeAllJson(const rt::TypeLibDesc& server, const std::vector<rt::PlatformClass>& platform) {
    Json classes = Json::array();
    std::vector<const rt::InterfaceInfo*> roots;
    for (const ClassEntry& c : allClasses(server, platform)) {
        classes.push_back(classJson(c));
        roots.push_back(c.primary);
    }
    Json library{{"name", server.name},
                 {"libid", rt::guidText(server.libid)},
                 {"version", std::to_string(server.major) + "." + std::to_string(server.minor)}};
    return Json{{"library", std::move(library)}, {"classes", std::move(classes)}, {"interfaces", interfacesJson(roots)}};
}

std::optional<Json> describeClassJson(const rt::TypeLibDesc& server, const std::vector<rt::PlatformClass>& platform,
                                      const std::string& progid) {
    const std::optional<ClassEntry> c = findClass(server, platform, progid);
    if (!c) return std::nullopt;
    return Json{{"class", classJson(*c)}, {"interfaces", interfacesJson({c->primary})}};
}

std::optional<std::string> describeClassText(const rt::TypeLibDesc& server,
                                             const std::vector<rt::PlatformClass>& platform, const std::string& progid) {
    const std::optional<ClassEntry> c = findClass(server, platform, progid);
    if (!c) return std::nullopt;
    std::string out = "class " + c->progid + " " + rt::guidText(c->clsid);
    out += c->primary ? " implements " + std::string(c->primary->name()) : std::string(" (no dispatch interface)");
    if (!c->creatable) out += " (not creatable)";
    if (c->application) out += " (global application object)";
    out += "\n";
    for (const rt::InterfaceInfo* info : rt::reachableInterfaces({c->primary})) out += rt::describeInterface(*info);
    return out;
}

}  // namespace host
