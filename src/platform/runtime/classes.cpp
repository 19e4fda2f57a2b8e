#include "classes.h"

#include <dlfcn.h>

#include <algorithm>
#include <mutex>
#include <new>
#include <unordered_map>

#include "error.h"
#include "object.h"
#include "registry.h"

namespace rt {

namespace {

class ClassFactory final : public UnknownObject<ClassFactory, IClassFactory> {
public:
    ClassFactory(CreateInstanceFn create, std::atomic<long>* locks) : create_(create), locks_(locks) {
        ++liveObjectCount();
    }
    // Whatever the class's creation throws comes back as a failure status with the
    // thread's error information; nothing gets past the factory.
    HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        try {
            return create_(iid, out);
        } catch (...) {
            return reportCurrentError(nullptr);
        }
    }
    HRESULT LockServer(VARIANT_BOOL lock) override {
        if (locks_) lock ? ++*locks_ : --*locks_;
        return S_OK;
    }

private:
    ~ClassFactory() override { --liveObjectCount(); }
    CreateInstanceFn create_;
    std::atomic<long>* locks_;
};

struct Entry {
    CLSID clsid;
    CreateInstanceFn create = nullptr;  // platform class
    std::string server;                 // or a server library
    bool replaceable = false;           // a registered server replaces the platform class
};

// A platform class's registration, kept for listings.
struct Registration {
    std::string progid;
    CLSID clsid;
    InterfaceInfoFn primary = nullptr;
};

struct Table {
    std::mutex mu;
    std::unordered_map<Str, CLSID> byProgid;  // folded progid
    std::unordered_map<CLSID, Entry, GuidHash> byClsid;
    std::unordered_map<std::string, void*> libraries;
    std::vector<Registration> platform;  // in registration order
};

Table& table() {
    static Table* t = new Table;  // outlives every static destructor that might create objects
    return *t;
}

using GetClassObjectFn = HRESULT (*)(const CLSID&, const IID&, void**);

HRESULT createFromServer(const std::string& path, const CLSID& clsid, const IID& iid, void** out) {
    void* lib = nullptr;
    {
        Table& t = table();
        std::lock_guard lock(t.mu);
        auto it = t.libraries.find(path);
        if (it != t.libraries.end()) {
            lib = it->second;
        } else {
            lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!lib) {
                setErrorInfo(Error::status(REGDB_E_CLASSNOTREG,
                                           u"Cannot load the component library " + fromUtf8(path) + u": " +
                                               fromUtf8(dlerror())));
                return REGDB_E_CLASSNOTREG;
            }
            t.libraries.emplace(path, lib);  // kept loaded: objects may outlive any one client
        }
    }
    auto get = reinterpret_cast<GetClassObjectFn>(dlsym(lib, "DllGetClassObject"));
    if (!get) return REGDB_E_CLASSNOTREG;
    ComPtr<IClassFactory> factory;
    HRESULT hr = get(clsid, IClassFactory::IID_, reinterpret_cast<void**>(factory.put()));
    if (failed(hr)) return hr;
    return factory->CreateInstance(nullptr, iid, out);
}

std::optional<Entry> findEntry(const CLSID& clsid) {
    Table& t = table();
    std::lock_guard lock(t.mu);
    auto it = t.byClsid.find(clsid);
    if (it == t.byClsid.end()) return std::nullopt;
    return it->second;
}

std::optional<CLSID> parseClsid(StrView s) {
    std::string u = toUtf8(trimSpaces(s));
    bool ok = false;
    GUID g = parseGuid(u, ok);
    if (!ok) return std::nullopt;
    return g;
}

}  // namespace

HRESULT makeClassFactory(CreateInstanceFn create, std::atomic<long>* locks, IClassFactory** out) {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) ClassFactory(create, locks);
    return *out ? S_OK : E_OUTOFMEMORY;
}

ClassRegistrar::ClassRegistrar(const char* progid, const CLSID& clsid, CreateInstanceFn create,
                               InterfaceInfoFn primary, Replaceable replaceable) {
    Table& t = table();
    std::lock_guard lock(t.mu);
    t.byProgid[asciiLower(fromUtf8(progid))] = clsid;
    t.byClsid[clsid] = Entry{clsid, create, {}, replaceable == Replaceable::ByRegistration};
    t.platform.push_back(Registration{progid, clsid, primary});
}

std::vector<PlatformClass> platformClasses() {
    std::vector<Registration> registered;
    {
        Table& t = table();
        std::lock_guard lock(t.mu);
        registered = t.platform;
    }
    // Outside the lock: the first call of a table function builds the table.
    std::vector<PlatformClass> out;
    out.reserve(registered.size());
    for (const auto& r : registered)
        out.push_back(PlatformClass{r.progid, r.clsid, r.primary ? &r.primary() : nullptr});
    std::sort(out.begin(), out.end(), [](const PlatformClass& a, const PlatformClass& b) {
        const Str fa = asciiLower(fromUtf8(a.progid)), fb = asciiLower(fromUtf8(b.progid));
        return fa != fb ? fa < fb : a.progid < b.progid;
    });
    return out;
}

void addKnownServer(const std::string& progid, const CLSID& clsid, const std::string& libraryPath) {
    Table& t = table();
    std::lock_guard lock(t.mu);
    t.byProgid[asciiLower(fromUtf8(progid))] = clsid;
    auto it = t.byClsid.find(clsid);
    if (it == t.byClsid.end() || !it->second.create) t.byClsid[clsid] = Entry{clsid, nullptr, libraryPath};
}

CLSID classIdOf(StrView progid) {
    if (auto g = parseClsid(progid)) return *g;
    {
        Table& t = table();
        std::lock_guard lock(t.mu);
        auto it = t.byProgid.find(asciiLower(trimSpaces(progid)));
        if (it != t.byProgid.end()) return it->second;
    }
    if (auto reg = findRegisteredClass(progid)) return reg->clsid;
    return CLSID{};
}

HRESULT createInstance(const CLSID& clsid, const IID& iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (auto e = findEntry(clsid)) {
        if (e->replaceable) {
            if (auto reg = findRegisteredClass(fromUtf8(guidText(clsid))))
                return createFromServer(reg->server, clsid, iid, out);
        }
        if (e->create) {
            try {
                return e->create(iid, out);
            } catch (std::bad_alloc&) {
                return E_OUTOFMEMORY;
            } catch (Error& err) {
                setErrorInfo(err);
                return err.hresult();
            }
        }
        return createFromServer(e->server, clsid, iid, out);
    }
    Str id = fromUtf8(guidText(clsid));
    if (auto reg = findRegisteredClass(id)) return createFromServer(reg->server, clsid, iid, out);
    return REGDB_E_CLASSNOTREG;
}

ComPtr<IDispatch> createObject(StrView progidOrClsid) {
    CLSID clsid = classIdOf(progidOrClsid);
    if (clsid.isNull()) throw Error::number(429, u"ActiveX component can't create object: " + Str(progidOrClsid));
    ComPtr<IDispatch> obj;
    clearErrorInfo();
    HRESULT hr = createInstance(clsid, IDispatch::IID_, reinterpret_cast<void**>(obj.put()));
    if (failed(hr) || !obj) {
        Error inner = takeErrorInfo(failed(hr) ? hr : E_NOINTERFACE);
        Str why = inner.description().empty() ? Str() : u" (" + inner.description() + u")";
        throw Error::number(429, u"ActiveX component can't create object: " + Str(progidOrClsid) + why);
    }
    return obj;
}

}  // namespace rt
