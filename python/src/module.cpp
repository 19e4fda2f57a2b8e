// The velmora module: the library and the platform's classes from Python, in-process.
#include <pybind11/eval.h>
#include <pybind11/pybind11.h>

#include "client.h"
#include "presenter.h"
#include "proxy.h"
#include "runtime/classes.h"
#include "runtime/ustring.h"
#include "values.h"

namespace py = pybind11;
using namespace pyvelmora;

namespace {

// The module's plain Python parts: the error types, the markers and the by-reference cell,
// and the factory of the functions that stand for members (so that help() shows them as
// functions, with their doc and signature).
constexpr const char* kPythonParts = R"PY(
class Error(Exception):
    """An error of a call: number, description and source as the object reported them,
    hresult (the failure status, 0x800A0000 + number for run-time errors) and argument
    (the name of the parameter whose argument failed, or None)."""

    def __init__(self, description="", number=0, source="", hresult=0, argument=None):
        super().__init__(description)
        self.number = number
        self.description = description
        self.source = source
        self.hresult = hresult
        self.argument = argument

    def __str__(self):
        where = f" ({self.source})" if self.source else ""
        arg = f" [argument {self.argument}]" if self.argument is not None else ""
        return f"error {self.number}: {self.description}{where}{arg}"


class MemberError(Error, AttributeError):
    """The object has no member of that name (error 438); an AttributeError as well."""


class _Marker:
    __slots__ = ("_name",)

    def __init__(self, name):
        self._name = name

    def __repr__(self):
        return "velmora." + self._name

    def __reduce__(self):
        return self._name


class Ref:
    """A by-reference argument: pass Ref(x) and read .value after the call, which holds
    what the member wrote into the parameter."""

    __slots__ = ("value",)

    def __init__(self, value=None):
        self.value = value

    def __repr__(self):
        return f"velmora.Ref({self.value!r})"


def _make_member(name, qualname, doc, signature, dispid):
    def member(self, *args, byref=False, **kwargs):
        return _invoke(self, dispid, args, kwargs, byref)
    member.__name__ = name
    member.__qualname__ = qualname
    member.__doc__ = doc
    if signature is not None:
        member.__signature__ = signature
    return member
)PY";

py::handle keep(py::object o) { return o.release(); }

void defineModuleParts(py::module_& m) {
    py::dict scope = m.attr("__dict__");
    py::exec(kPythonParts, scope);
    ModuleObjects& o = objects();
    o.errorType = keep(m.attr("Error"));
    o.memberErrorType = keep(m.attr("MemberError"));
    o.refType = keep(m.attr("Ref"));
    py::object marker = m.attr("_Marker");
    m.attr("Missing") = marker("Missing");
    m.attr("Empty") = marker("Empty");
    o.missing = keep(m.attr("Missing"));
    o.empty = keep(m.attr("Empty"));
    o.makeMember = keep(m.attr("_make_member"));
    o.memberCache = keep(py::dict());
    o.attributeCache = keep(py::dict());
    o.decimalType = keep(py::module_::import("decimal").attr("Decimal"));
    py::module_ datetime = py::module_::import("datetime");
    o.datetimeType = keep(datetime.attr("datetime"));
    o.dateType = keep(datetime.attr("date"));
    py::module_ inspect = py::module_::import("inspect");
    o.signatureType = keep(inspect.attr("Signature"));
    o.parameterType = keep(inspect.attr("Parameter"));
}

// A proxy over the calling thread's global object (made by the library on first use).
py::object globalObject() {
    try {
        return py::cast(Proxy(rt::ComPtr<rt::IDispatch>(velmora::client::global().get())));
    } catch (const rt::Error& e) {
        raiseError(e);
    }
}

}  // namespace

PYBIND11_MODULE(velmora, m) {
    m.doc() =
        "Velmora from Python: the library's classes and the platform's, called in-process.\n\n"
        "    import velmora\n"
        "    cf = velmora.Dispatch('Velmora.CCommonFunction')\n"
        "    cf.strTrim('  A b  ', bLowerCase=False)\n\n"
        "Members of the global object are the module's own: velmora.GetPoolInstance().";
    defineModuleParts(m);
    defineProxy(m);
    velmora::client::useLibrary();

    m.def(
        "Dispatch",
        [](const std::string& progid) {
            try {
                return py::cast(Proxy(rt::createObject(rt::fromUtf8(progid))));
            } catch (const rt::Error& e) {
                raiseError(e);
            }
        },
        py::arg("progid"),
        "A new object of the class named by progid (a program identifier such as\n"
        "'Velmora.CCommonFunction' or 'ADODB.Connection', or a class id '{...}'), as a velmora.Object.\n"
        "Raises velmora.Error 429 when no class of that name can be made.");
    m.def("GetGlobal", &globalObject, "The calling thread's global object (the one GetPoolInstance belongs to).");
    m.def("set_message_box_presenter", &setPresenter, py::arg("presenter"),
          "Installs presenter(prompt, style, title) -> button (or None for the default button) for the\n"
          "message boxes the library shows on the calling thread; None restores the default presenter.\n"
          "An exception it raises fails the call that showed the box and reaches its caller.");
    // Members of the global object, reached as the module's own: velmora.GetPoolInstance().
    m.def("__getattr__", [](const std::string& name) -> py::object {
        if (name.empty() || name[0] == '_') throw py::attribute_error("module 'velmora' has no attribute '" + name + "'");
        return globalObject().attr(name.c_str());
    });
}
