#include "typelib.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <unordered_set>

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

std::vector<const InterfaceInfo*> reachableInterfaces(const std::vector<const InterfaceInfo*>& roots) {
    std::vector<const InterfaceInfo*> out;
    std::unordered_set<const InterfaceInfo*> seen;
    auto meet = [&](const InterfaceInfo* info) {
        if (info && seen.insert(info).second) out.push_back(info);
    };
    auto meetType = [&](const TypeSpec& t) {
        if (t.table) meet(&t.table());
    };
    for (const InterfaceInfo* r : roots) meet(r);
    // out grows while it is walked: each interface met is walked in its turn.
    for (size_t i = 0; i < out.size(); ++i) {
        const InterfaceInfo& info = *out[i];
        meet(info.base());
        for (const MemberSpec& m : info.members()) {
            for (const ParamSpec& p : m.params) meetType(p.type);
            if (m.result) meetType(*m.result);
        }
    }
    return out;
}

// ---- The Markdown reference ----------------------------------------------------------------

namespace {

// Text for a table cell: "|" would end the cell, a backslash would escape what follows and "<"
// could open an HTML tag.
std::string cell(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '|' || c == '\\')
            out += {'\\', c};
        else if (c == '<')
            out += "&lt;";
        else
            out += c;
    }
    return out;
}

// The anchor of an interface's heading, as Markdown renderers derive it from the name.
std::string anchorOf(const InterfaceInfo& info) {
    std::string a = info.name();
    std::transform(a.begin(), a.end(), a.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return a;
}

std::string interfaceLink(const InterfaceInfo& info, const char* text) {
    return "[" + std::string(text) + "](#" + anchorOf(info) + ")";
}

// A declared type, linked to its interface's section when it has a table.
std::string typeText(const TypeSpec& t) {
    return t.table ? interfaceLink(t.table(), t.name) : std::string(t.name);
}

// Small ids in decimal, as public documentation quotes them; large ones in hex, as the
// type library listing does.
std::string idText(DISPID id) {
    if (id == DISPID_VALUE) return "0 (default)";
    if (id > -0x10000 && id < 0x10000) return std::to_string(id);
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08x", uint32_t(id));
    return buf;
}

std::string parametersText(const MemberSpec& m) {
    std::string out;
    for (const ParamSpec& p : m.params) {
        if (!out.empty()) out += ", ";
        if (p.optional) out += "Optional ";
        out += p.byRef ? "ByRef " : "ByVal ";
        out += std::string(p.name) + " As " + typeText(p.type);
        if (p.defaultValue) out += " = " + cell(describeValue(*p.defaultValue));
    }
    return out;
}

struct ClassRow {
    std::string progid;
    CLSID clsid;
    const InterfaceInfo* primary;
    std::string notes;
};

void writeClassTable(std::string& out, const std::vector<ClassRow>& rows) {
    out += "| Program identifier | Class id | Primary interface | Notes |\n";
    out += "|---|---|---|---|\n";
    for (const ClassRow& r : rows) {
        out += "| `" + r.progid + "` | `" + guidText(r.clsid) + "` | ";
        out += r.primary ? interfaceLink(*r.primary, r.primary->name()) : std::string("none");
        out += " | " + cell(r.notes) + " |\n";
    }
}

void writeInterface(std::string& out, const InterfaceInfo& info, const std::vector<ClassRow>& classes) {
    out += "### " + std::string(info.name()) + "\n\n";
    out += "Interface id `" + guidText(info.iid()) + "`";
    if (const InterfaceInfo* base = info.base())
        out += "; extends " + interfaceLink(*base, base->name()) + ", whose members it has too";
    std::string primaryOf;
    for (const ClassRow& c : classes)
        if (c.primary == &info) primaryOf += (primaryOf.empty() ? "" : ", ") + ("`" + c.progid + "`");
    if (!primaryOf.empty()) out += "; primary interface of " + primaryOf;
    out += ".\n\n";
    if (info.help() && *info.help()) out += cell(info.help()) + "\n\n";

    const auto& members = info.members();
    if (info.firstOwnMember() == members.size()) {
        out += "No members of its own.\n\n";
        return;
    }
    out += "| Id | Kind | Member | Parameters | Result | Description |\n";
    out += "|---|---|---|---|---|---|\n";
    for (size_t k = info.firstOwnMember(); k < members.size(); ++k) {
        const MemberSpec& m = members[k];
        out += "| " + idText(m.id) + " | " + describeKind(m.kind) + " | `" + m.name + "` | " + parametersText(m) +
               " | " + (m.result ? typeText(*m.result) : std::string()) + " | " + cell(m.help) + " |\n";
    }
    out += "\n";
}

}  // namespace

std::string referenceMarkdown(const TypeLibDesc& server, const std::vector<PlatformClass>& platform) {
    std::vector<ClassRow> serverRows;
    for (const ClassDesc& c : server.classes) {
        std::string notes;
        if (!c.creatable) notes = "not creatable: only the server makes instances";
        if (c.appObject) notes = "global application object";
        serverRows.push_back({std::string(server.name) + "." + c.name, c.clsid, c.iface, notes});
    }
    std::vector<ClassRow> platformRows;
    for (const PlatformClass& c : platform) platformRows.push_back({c.progid, c.clsid, c.primary, ""});

    std::string out;
    out += "# Reference\n\n";
    out += "Every class the runtime can create, its interfaces and their members, read from the member\n"
           "tables. Generated by `velmora describe --markdown`; do not edit by hand (the README says how\n"
           "to regenerate it).\n\n";
    out += "Kinds: a *method* is called; a *property get* reads a property, a *property let* assigns it a\n"
           "value and a *property set* assigns it an object reference. Parameters are passed by reference\n"
           "(ByRef: the member may change the caller's variable) unless marked ByVal; an Optional one may\n"
           "be left out and then takes the value after \"=\", or arrives as missing when none is shown.\n\n";

    out += "## Classes\n\n";
    out += "### Server classes: type library " + std::string(server.name) + " " + guidText(server.libid) +
           " version " + std::to_string(server.major) + "." + std::to_string(server.minor) + "\n\n";
    writeClassTable(out, serverRows);
    out += "\n### Platform classes\n\n";
    writeClassTable(out, platformRows);
    out += "\n";

    std::vector<const InterfaceInfo*> roots;
    for (const ClassRow& r : serverRows) roots.push_back(r.primary);
    for (const ClassRow& r : platformRows) roots.push_back(r.primary);
    std::vector<const InterfaceInfo*> all = reachableInterfaces(roots);
    // The server's interfaces first, as its type library orders them (the roots come first
    // in their order); the rest by name.
    auto isServers = [&](const InterfaceInfo* i) {
        return std::any_of(serverRows.begin(), serverRows.end(), [&](const ClassRow& r) { return r.primary == i; });
    };
    auto firstOther = std::stable_partition(all.begin(), all.end(), isServers);
    std::sort(firstOther, all.end(), [](const InterfaceInfo* a, const InterfaceInfo* b) {
        auto key = [](const InterfaceInfo* i) {
            std::string k = i->name();
            if (!k.empty() && k[0] == '_') k.erase(0, 1);
            std::transform(k.begin(), k.end(), k.begin(), [](unsigned char c) { return char(std::tolower(c)); });
            return k;
        };
        return key(a) != key(b) ? key(a) < key(b) : std::string(a->name()) < b->name();
    });

    std::vector<ClassRow> allRows = serverRows;
    allRows.insert(allRows.end(), platformRows.begin(), platformRows.end());
    out += "## Interfaces\n\n";
    for (const InterfaceInfo* info : all) writeInterface(out, *info, allRows);
    // One trailing newline, as the file is checked in.
    while (out.size() > 1 && out[out.size() - 1] == '\n' && out[out.size() - 2] == '\n') out.pop_back();
    return out;
}

}  // namespace rt
