// velmora.Object: a Python proxy over one automation object, calling it late-bound.
//
// The proxy holds one reference to the object (released with the proxy's last Python
// reference) and remembers the thread that made it: like the object itself, it may be used
// only there. Members are found through the object's type information (its member table),
// which also gives the declared types of parameters, their names for keyword arguments,
// which of them are by reference, and the help text shown by help().
#pragma once

#include <pybind11/pybind11.h>

#include <thread>

#include "runtime/com.h"
#include "runtime/dispatch.h"

namespace pyvelmora {

namespace py = pybind11;

class Proxy {
public:
    explicit Proxy(rt::ComPtr<rt::IDispatch> object);

    const rt::ComPtr<rt::IDispatch>& object() const { return object_; }
    // The object's member table; nullptr when it gives no type information.
    const rt::InterfaceInfo* table() const { return table_; }

    // Raises velmora.Error (RPC_E_WRONG_THREAD) when called on another thread than the one
    // that made the proxy.
    void checkThread() const;

    // A late-bound call of member id with Python arguments; see invokeMember.
    py::object invoke(rt::DISPID id, uint16_t flags, const py::tuple& args, const py::dict& kwargs, bool byref) const;

    // obj.name: a property without arguments is read at once; any other member comes back
    // as a bound method (with help text and signature). Raises velmora.MemberError (an
    // AttributeError too) when the object has no such member.
    py::object getAttribute(const std::string& name, py::handle self) const;
    // obj.name = value: a property put (a put by reference for objects).
    void setAttribute(const std::string& name, py::handle value) const;
    // The names of the object's members, as dir() lists them.
    py::list memberNames() const;
    // Items of a collection, as they are when the loop starts. Raises velmora.Error when the
    // object is no collection.
    py::list items() const;
    // "<velmora.Object CCommonFunction>".
    std::string repr() const;
    // Identity of the object (its IUnknown), equal for two proxies of one object.
    uintptr_t identity() const;

private:
    // The dispatch id of name (case-insensitive); DISPID_UNKNOWN when none.
    rt::DISPID idOf(const std::string& name) const;

    rt::ComPtr<rt::IDispatch> object_;
    const rt::InterfaceInfo* table_ = nullptr;
    std::thread::id owner_;
};

// Registers velmora.Object and the module's call entry (_invoke) in m.
void defineProxy(py::module_& m);

}  // namespace pyvelmora
