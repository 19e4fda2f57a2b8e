#include "commands.h"

#include <dlfcn.h>

#include <optional>

#include "describe.h"
#include "request_reader.h"
#include "request_session.h"
#include "runtime/error.h"
#include "runtime/registry.h"
#include "runtime/typelib.h"
#include "client.h"

namespace host {

namespace {

std::string dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

void printError(const Json& error, std::ostream& err) {
    err << "velmora: error " << error["number"].get<int64_t>() << ": " << error["description"].get<std::string>();
    const std::string source = error["source"].get<std::string>();
    err << " (" << (source.empty() ? "" : source + ", ") << error["hresult"].get<std::string>() << ")\n";
}

// Names of the member's parameters and whether each is by reference; empty when the type
// information does not tell.
std::vector<std::pair<std::string, bool>> parametersOf(const rt::Variant& obj, const std::string& member) {
    std::vector<std::pair<std::string, bool>> out;
    if (!obj.isObject() || !obj.object()) return out;
    rt::ComPtr<rt::ITypeInfo> type;
    const rt::InterfaceInfo* info = nullptr;
    if (rt::failed(obj.object()->GetTypeInfo(0, 0, type.put())) || !type || rt::failed(type->GetInterfaceInfo(&info)) ||
        !info)
        return out;
    for (const auto& m : info->members()) {
        if (!rt::equalsAsciiNoCase(rt::fromUtf8(m.name), rt::fromUtf8(member)) || m.kind != rt::MemberKind::Method)
            continue;
        for (const auto& p : m.params) out.emplace_back(p.name, p.byRef);
        break;
    }
    return out;
}

}  // namespace

int callCommand(const CallOptions& options, const std::string& member, const std::vector<std::string>& args,
                std::ostream& out, std::ostream& err) {
    std::vector<Json> values;
    for (size_t i = 0; i < args.size(); ++i) {
        Json v;
        try {
            v = parseJsonText(args[i]);
        } catch (const rt::Error& e) {
            err << "velmora: argument " << i + 1 << " is not a JSON value: " << cutText(args[i]) << "\n  ("
                << rt::toUtf8(e.description()) << ")\n  (write text in double quotes, e.g. '\"  Hello \"')\n";
            return 2;
        }
        if (v.is_object() && v.size() == 1 && v.contains("missing") && v["missing"] == true) v = Json{{"type", "missing"}};
        values.push_back(std::move(v));
    }

    velmora::client::useLibrary();
    RequestSession session(0, false);  // a box asks on the terminal, as for any interactive program
    auto run = [&](const Json& request) {
        Json response = session.execute(request);
        if (response["ok"] == true) return response;
        if (options.json) {
            Json failure{{"ok", false}, {"error", response["error"]}};
            out << dump(failure) << "\n" << std::flush;
        } else {
            printError(response["error"], err);
        }
        return response;
    };
    if (run(Json{{"create", options.progid}, {"as", "cf"}})["ok"] != true) return 1;
    Json callArgs = Json::array();
    for (size_t i = 0; i < values.size(); ++i) {
        const std::string name = "arg" + std::to_string(i + 1);
        if (run(Json{{"let", name}, {"value", values[i]}})["ok"] != true) return 1;
        callArgs.push_back(Json{{"var", name}});
    }
    Json response = run(Json{{"call", member}, {"on", "cf"}, {"args", callArgs}});
    if (response["ok"] != true) return 1;

    const auto params = parametersOf(session.lookup("cf"), member);
    Json byref = Json::object();
    for (size_t i = 0; i < values.size(); ++i) {
        const bool known = i < params.size();
        if (known && !params[i].second) continue;  // by value: the call cannot change it
        const std::string label = known ? params[i].first : "argument " + std::to_string(i + 1);
        byref[label] = response["byref"]["arg" + std::to_string(i + 1)];
    }
    if (options.json) {
        out << dump(Json{{"ok", true}, {"value", response["value"]}, {"byref", byref}}) << "\n";
    } else {
        out << dump(response["value"]) << "\n";
        for (auto it = byref.begin(); it != byref.end(); ++it) out << it.key() << " = " << dump(it.value()) << "\n";
    }
    return out.flush() ? 0 : 1;
}

int describeCommand(DescribeFormat format, const std::string& progid, std::ostream& out, std::ostream& err) {
    const std::string path = velmora::client::libraryPath();
    const rt::TypeLibDesc* lib = velmora::client::typeLibrary(path);
    if (!lib) {
        const char* why = dlerror();
        err << "velmora: cannot read the type library of " << path << (why ? std::string(": ") + why : "") << "\n";
        return 1;
    }
    const std::vector<rt::PlatformClass> platform = rt::platformClasses();
    if (!progid.empty()) {
        std::optional<std::string> text;
        if (format == DescribeFormat::Json) {
            if (std::optional<Json> one = describeClassJson(*lib, platform, progid)) text = dump(*one) + "\n";
        } else {
            text = describeClassText(*lib, platform, progid);
        }
        if (!text) {
            err << "velmora: no class \"" << progid << "\" (velmora describe lists them)\n";
            return 1;
        }
        out << *text;
        return out.flush() ? 0 : 1;
    }
    if (format == DescribeFormat::Markdown)
        out << rt::referenceMarkdown(*lib, platform);
    else if (format == DescribeFormat::Json)
        out << dump(describeAllJson(*lib, platform)) << "\n";
    else
        out << rt::describeTypeLibrary(*lib);
    return out.flush() ? 0 : 1;
}

int registerCommand(bool unregister, std::ostream& out, std::ostream& err) {
    const std::string path = velmora::client::libraryPath();
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        err << "velmora: cannot load " << path << ": " << dlerror() << "\n";
        return 1;
    }
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto fn = reinterpret_cast<rt::HRESULT (*)()>(dlsym(lib, entry));
    if (!fn) {
        err << "velmora: " << path << " has no " << entry << "\n";
        return 1;
    }
    rt::clearErrorInfo();
    rt::HRESULT hr = fn();
    if (rt::failed(hr)) {
        rt::Error e = rt::takeErrorInfo(hr);
        err << "velmora: " << entry << " failed: error " << e.numberValue() << ": " << rt::toUtf8(e.description())
            << "\n";
        return 1;
    }
    out << (unregister ? "unregistered " : "registered ") << path << (unregister ? " from " : " in ")
        << rt::registryPath() << "\n";
    return 0;
}

}  // namespace host
