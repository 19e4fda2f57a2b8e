#include "proxy.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <sstream>

#include "presenter.h"
#include "runtime/convert.h"
#include "runtime/enumerator.h"
#include "runtime/ustring.h"
#include "values.h"

namespace pyvelmora {

namespace {

const rt::InterfaceInfo* tableOf(rt::IDispatch* obj) {
    rt::ComPtr<rt::ITypeInfo> type;
    const rt::InterfaceInfo* info = nullptr;
    if (obj && rt::succeeded(obj->GetTypeInfo(0, 0, type.put())) && type &&
        rt::succeeded(type->GetInterfaceInfo(&info)))
        return info;
    return nullptr;
}

// The row a call of id with flags reaches; nullptr when the table has none (or no table).
const rt::MemberSpec* rowOf(const rt::InterfaceInfo* table, rt::DISPID id, uint16_t flags) {
    return table ? table->find(id, flags) : nullptr;
}

const rt::ParamSpec* paramAt(const rt::MemberSpec* row, size_t index) {
    return row && index < row->params.size() ? &row->params[index] : nullptr;
}

// One argument of a call as it travels: its variant, where a rewrite should go back to (a
// velmora.Ref), and its parameter's position in the member's table.
struct Argument {
    rt::Variant value;
    py::object ref = py::none();  // the velmora.Ref that receives the rewritten value, or None
    int param = -1;  // the parameter it fills; -1 beyond the table's parameters
    std::string keyword;  // the keyword it was passed under, if any
};

Argument argumentOf(py::handle value, const rt::ParamSpec* param, int index) {
    const ModuleObjects& o = objects();
    const rt::TypeSpec* declared = param ? &param->type : nullptr;
    Argument a;
    a.param = index;
    if (py::isinstance(value, o.refType)) {
        a.ref = py::reinterpret_borrow<py::object>(value);
        a.value = toVariant(value.attr("value"), declared);
    } else {
        a.value = toVariant(value, declared);
    }
    return a;
}

// The argument name an error names: the parameter's name from the table, else its
// keyword, else its position.
py::object argumentName(const rt::MemberSpec* row, const std::vector<Argument>& args, int failed) {
    if (failed < 0 || size_t(failed) >= args.size()) return py::none();
    const Argument& a = args[size_t(failed)];
    if (const rt::ParamSpec* p = a.param >= 0 ? paramAt(row, size_t(a.param)) : nullptr) return py::str(p->name);
    if (!a.keyword.empty()) return py::str(a.keyword);
    return py::int_(failed);
}

}  // namespace

Proxy::Proxy(rt::ComPtr<rt::IDispatch> object)
    : object_(std::move(object)), table_(tableOf(object_.get())), owner_(std::this_thread::get_id()) {}

void Proxy::checkThread() const {
    if (std::this_thread::get_id() == owner_) return;
    const rt::HRESULT hr = rt::wrongThread(u"velmora");
    raiseError(rt::takeErrorInfo(hr));
}

// The call itself: arguments converted while the interpreter lock is held, the object
// called without it (a call may wait: the pool's bounded wait, a message box), results and
// rewritten by-reference arguments converted back with it held again.
py::object Proxy::invoke(rt::DISPID id, uint16_t flags, const py::tuple& args, const py::dict& kwargs,
                         bool byref) const {
    checkThread();
    const rt::MemberSpec* row = rowOf(table_, id, flags);

    std::vector<Argument> all;
    py::object converting;  // the argument being converted, named as an error names it
    try {
        for (size_t i = 0; i < args.size(); ++i) {
            const rt::ParamSpec* p = paramAt(row, i);
            converting = p ? py::object(py::str(p->name)) : py::object(py::int_(i));
            all.push_back(argumentOf(args[i], p, int(i)));
        }
        for (auto item : kwargs) {
            const std::string name = py::str(item.first);
            converting = py::str(name);
            const int index = table_ ? table_->paramIndex(id, rt::fromUtf8(name)) : -1;
            if (index < 0) rt::raise(448, u"Named argument not found: " + rt::fromUtf8(name));
            Argument a = argumentOf(item.second, paramAt(row, size_t(index)), index);
            a.keyword = name;
            all.push_back(std::move(a));
        }
    } catch (const rt::Error& e) {
        raiseError(e, converting);
    }

    // Every argument travels by reference to its own cell when its rewrite is wanted back;
    // the engine writes a by-reference parameter's new value into the cell.
    std::deque<rt::Variant> cells;
    std::vector<rt::CallArg> positional;
    std::vector<rt::NamedCallArg> named;
    for (Argument& a : all) {
        const bool wantBack = byref || !a.ref.is_none();
        rt::CallArg arg = wantBack ? rt::CallArg::ref(cells.emplace_back(a.value)) : rt::CallArg(a.value);
        if (a.keyword.empty()) positional.push_back(std::move(arg));
        else named.push_back(rt::NamedCallArg{rt::DISPID(a.param), std::move(arg)});
    }

    rt::Variant result;
    std::optional<rt::Error> failure;
    int failedArg = -1;
    {
        py::gil_scoped_release unlocked;
        try {
            result = rt::invokeId(object_.get(), id, flags, std::move(positional), std::move(named), &failedArg);
        } catch (const rt::Error& e) {
            failure = e;
        } catch (...) {
            failure = rt::currentError();
        }
    }
    raisePresenterError();
    if (failure) raiseError(*failure, argumentName(row, all, failedArg));

    // Write back: each velmora.Ref receives its cell; with byref=True the rewritten values
    // follow the result in parameter order.
    std::vector<std::pair<int, py::object>> rewritten;
    size_t cell = 0;
    for (Argument& a : all) {
        if (!(byref || !a.ref.is_none())) continue;
        py::object value = fromVariant(cells[cell++]);
        if (!a.ref.is_none()) a.ref.attr("value") = value;
        const rt::ParamSpec* p = a.param >= 0 ? paramAt(row, size_t(a.param)) : nullptr;
        if (byref && !a.value.isMissing() && (!row || (p && p->byRef))) rewritten.emplace_back(a.param, value);
    }
    py::object value = fromVariant(result);
    if (!byref) return value;
    std::stable_sort(rewritten.begin(), rewritten.end(), [](auto& x, auto& y) { return x.first < y.first; });
    py::tuple out(rewritten.size() + 1);
    out[0] = value;
    for (size_t i = 0; i < rewritten.size(); ++i) out[i + 1] = rewritten[i].second;
    return out;
}

rt::DISPID Proxy::idOf(const std::string& name) const {
    const rt::Str wide = rt::fromUtf8(name);
    if (table_) return table_->idOfName(wide);
    const char16_t* names[] = {wide.c_str()};
    rt::DISPID id = rt::DISPID_UNKNOWN;
    if (object_) object_->GetIDsOfNames(rt::IID{}, names, 1, 0, &id);
    return id;
}

namespace {

[[noreturn]] void noSuchMember(const std::string& name) {
    raiseError(rt::Error::number(rt::kErrNoSuchMember,
                                 u"Object doesn't support this property or method: " + rt::fromUtf8(name)));
}

// A property read without arguments: a get with no required parameter and no method of
// the same name.
bool isPlainProperty(const rt::InterfaceInfo& table, rt::DISPID id) {
    bool get = false;
    for (const rt::MemberSpec& m : table.members()) {
        if (m.id != id) continue;
        if (m.kind == rt::MemberKind::Method) return false;
        if (m.kind == rt::MemberKind::Get)
            get = std::none_of(m.params.begin(), m.params.end(), [](const rt::ParamSpec& p) { return !p.optional; });
    }
    return get;
}

std::string typeWord(const rt::TypeSpec& t) { return t.name; }

// The doc text of a member: its help line, then its declaration as the listing shows it.
std::string docOf(const rt::InterfaceInfo& table, const rt::MemberSpec& m) {
    std::ostringstream out;
    out << (m.help.empty() ? "(no help text)" : m.help) << "\n\n";
    out << (m.kind == rt::MemberKind::Method ? (m.result ? "Function " : "Sub ") : "Property ") << table.name() << "."
        << m.name << "(";
    for (size_t i = 0; i < m.params.size(); ++i) {
        const rt::ParamSpec& p = m.params[i];
        if (i) out << ", ";
        if (p.optional) out << "Optional ";
        out << (p.byRef ? "ByRef " : "ByVal ") << p.name << " As " << typeWord(p.type);
        if (p.defaultValue) out << " = " << rt::describeValue(*p.defaultValue);
    }
    out << ")";
    if (m.result) out << " As " << typeWord(*m.result);
    out << "\n\nBy-reference arguments come back through velmora.Ref cells, or as a tuple after the result "
           "with byref=True.";
    return out.str();
}

// An inspect.Signature of the member: self, its parameters (optional ones default to their
// default value or velmora.Missing), the keyword byref.
py::object signatureOf(const rt::MemberSpec& m) {
    const ModuleObjects& o = objects();
    py::object positionalOrKeyword = o.parameterType.attr("POSITIONAL_OR_KEYWORD");
    py::list params;
    params.append(o.parameterType("self", positionalOrKeyword));
    for (const rt::ParamSpec& p : m.params) {
        py::dict kw;
        kw["annotation"] = py::str(typeWord(p.type));
        if (p.optional)
            kw["default"] = p.defaultValue ? fromVariant(*p.defaultValue) : py::reinterpret_borrow<py::object>(o.missing);
        params.append(o.parameterType(p.name, positionalOrKeyword, **kw));
    }
    params.append(o.parameterType("byref", o.parameterType.attr("KEYWORD_ONLY"), py::arg("default") = false));
    py::dict kw;
    if (m.result) kw["return_annotation"] = py::str(typeWord(*m.result));
    return o.signatureType(params, **kw);
}

// The Python function behind member id of table (made once per table and member), whose
// doc and signature come from the table; bound to a proxy, it is what obj.Member gives.
py::object memberFunction(const rt::InterfaceInfo* table, rt::DISPID id, const std::string& name) {
    const ModuleObjects& o = objects();
    py::tuple key = py::make_tuple(reinterpret_cast<uintptr_t>(table), id);
    py::dict cache = py::reinterpret_borrow<py::dict>(o.memberCache);
    if (table && cache.contains(key)) return cache[key];
    const rt::MemberSpec* row = nullptr;
    if (table) {
        row = table->find(id, rt::DISPATCH_METHOD);
        if (!row) row = table->find(id, rt::DISPATCH_PROPERTYGET);
    }
    const std::string memberName = row ? row->name : name;
    const std::string qualified = (table ? std::string(table->name()) + "." : std::string()) + memberName;
    py::object doc = row ? py::object(py::str(docOf(*table, *row))) : py::object(py::none());
    py::object signature = row ? signatureOf(*row) : py::object(py::none());
    py::object fn = o.makeMember(memberName, qualified, doc, signature, id);
    if (table) cache[key] = fn;
    return fn;
}

}  // namespace

// What obj.name resolves to is the same for every object with the same table, so it is
// looked up once per table and name: (dispatch id, member function), the function None for
// a plain property.
py::object Proxy::getAttribute(const std::string& name, py::handle self) const {
    checkThread();
    py::dict cache = py::reinterpret_borrow<py::dict>(objects().attributeCache);
    py::tuple key = py::make_tuple(reinterpret_cast<uintptr_t>(table_), name);
    py::object entry;
    if (table_) entry = py::reinterpret_borrow<py::object>(PyDict_GetItem(cache.ptr(), key.ptr()));
    if (!entry) {
        const rt::DISPID id = idOf(name);
        if (id == rt::DISPID_UNKNOWN) noSuchMember(name);
        const bool property = table_ && isPlainProperty(*table_, id);
        entry = py::make_tuple(id, property ? py::object(py::none()) : memberFunction(table_, id, name));
        if (table_) cache[key] = entry;
    }
    const rt::DISPID id = entry.cast<py::tuple>()[0].cast<rt::DISPID>();
    py::object fn = entry.cast<py::tuple>()[1];
    if (fn.is_none()) return invoke(id, rt::DISPATCH_PROPERTYGET, py::tuple(), py::dict(), false);
    return py::reinterpret_steal<py::object>(PyMethod_New(fn.ptr(), self.ptr()));
}

void Proxy::setAttribute(const std::string& name, py::handle value) const {
    checkThread();
    const rt::DISPID id = idOf(name);
    if (id == rt::DISPID_UNKNOWN) noSuchMember(name);
    uint16_t flags = rt::DISPATCH_PROPERTYPUT;
    if (py::isinstance<Proxy>(value)) flags = rt::DISPATCH_PROPERTYPUTREF;
    else if (value.is_none() && table_ && table_->find(id, rt::DISPATCH_PROPERTYPUTREF) &&
             !table_->find(id, rt::DISPATCH_PROPERTYPUT))
        flags = rt::DISPATCH_PROPERTYPUTREF;  // None sets an object property to nothing
    invoke(id, flags, py::make_tuple(value), py::dict(), false);
}

py::list Proxy::memberNames() const {
    py::list names;
    if (!table_) return names;
    std::vector<std::string> seen;
    for (const rt::MemberSpec& m : table_->members()) {
        if (std::find(seen.begin(), seen.end(), m.name) != seen.end()) continue;
        seen.emplace_back(m.name);
        names.append(py::str(m.name));
    }
    return names;
}

// A collection's items: through its enumerator (_NewEnum, dispatch id -4) when its table
// lists one, else the runtime's late-bound walk (Count or length, then Item or item).
py::list Proxy::items() const {
    checkThread();
    std::vector<rt::Variant> items;
    std::optional<rt::Error> failure;
    {
        py::gil_scoped_release unlocked;
        try {
            if (table_ && table_->find(rt::DISPID_NEWENUM, rt::DISPATCH_PROPERTYGET)) {
                rt::Variant enumerator = rt::invokeId(object_.get(), rt::DISPID_NEWENUM, rt::DISPATCH_PROPERTYGET);
                for (;;) {
                    rt::Variant batch = rt::callMethod(rt::toObject(enumerator).get(), u"Next", {int32_t(64)});
                    if (!batch.isArray() || batch.array().size() == 0) break;
                    for (rt::Variant& item : batch.array().items()) items.push_back(std::move(item));
                }
            } else {
                items = rt::collectionItems(object_.get());
            }
        } catch (const rt::Error& e) {
            failure = e;
        } catch (...) {
            failure = rt::currentError();
        }
    }
    if (failure) raiseError(*failure);
    py::list out;
    for (const rt::Variant& item : items) out.append(fromVariant(item));
    return out;
}

std::string Proxy::repr() const {
    return std::string("<velmora.Object ") + (table_ ? table_->name() : "(no type information)") + ">";
}

uintptr_t Proxy::identity() const {
    rt::ComPtr<rt::IUnknown> unknown;
    if (object_) object_->QueryInterface(rt::IUnknown::IID_, reinterpret_cast<void**>(unknown.put()));
    return reinterpret_cast<uintptr_t>(unknown.get());
}

void defineProxy(py::module_& m) {
    py::class_<Proxy>(m, "Object",
                      "A proxy over one automation object, called late-bound by member name.\n\n"
                      "obj.Member(args, name=value) calls a method or reads a property with arguments; "
                      "obj.Prop reads a property, obj.Prop = value writes it; obj(args) and obj[key] reach "
                      "the default member; for item in obj walks a collection. Made by velmora.Dispatch or "
                      "returned by calls; used only on the thread that made it.")
        .def("__getattr__", [](py::handle self, const std::string& name) {
            if (name.size() > 1 && name[0] == '_' && name[1] == '_') throw py::attribute_error(name);
            return self.cast<const Proxy&>().getAttribute(name, self);
        })
        .def("__setattr__", [](const Proxy& p, const std::string& name, py::handle value) { p.setAttribute(name, value); })
        .def("__call__", [](const Proxy& p, py::args args, py::kwargs kwargs) {
            return p.invoke(rt::DISPID_VALUE, rt::DISPATCH_METHOD | rt::DISPATCH_PROPERTYGET, args, kwargs, false);
        })
        .def("__getitem__", [](const Proxy& p, py::object key) {
            py::tuple args = py::isinstance<py::tuple>(key) ? key.cast<py::tuple>() : py::make_tuple(key);
            return p.invoke(rt::DISPID_VALUE, rt::DISPATCH_METHOD | rt::DISPATCH_PROPERTYGET, args, py::dict(), false);
        })
        .def("__setitem__", [](const Proxy& p, py::object key, py::object value) {
            py::list args;
            if (py::isinstance<py::tuple>(key)) for (auto k : key.cast<py::tuple>()) args.append(k);
            else args.append(key);
            args.append(value);
            const uint16_t flags = py::isinstance<Proxy>(value) ? rt::DISPATCH_PROPERTYPUTREF : rt::DISPATCH_PROPERTYPUT;
            p.invoke(rt::DISPID_VALUE, flags, py::tuple(args), py::dict(), false);
        })
        .def("__iter__", [](const Proxy& p) { return py::iter(p.items()); })
        .def("__dir__", &Proxy::memberNames)
        .def("__repr__", &Proxy::repr)
        .def("__eq__", [](const Proxy& a, py::handle b) {
            return py::isinstance<Proxy>(b) && a.identity() == b.cast<const Proxy&>().identity();
        })
        .def("__hash__", [](const Proxy& p) { return p.identity(); });

    m.def("_invoke", [](py::handle self, rt::DISPID id, const py::tuple& args, const py::dict& kwargs, bool byref) {
        if (!py::isinstance<Proxy>(self)) throw py::type_error("a velmora member is called on a velmora.Object");
        return self.cast<const Proxy&>().invoke(id, rt::DISPATCH_METHOD | rt::DISPATCH_PROPERTYGET, args, kwargs, byref);
    });
}

}  // namespace pyvelmora
