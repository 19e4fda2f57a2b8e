// Python values <-> variants, and the Python side of errors.
//
// Python to variant: str, bool, int (i4 when it fits, else i8; the dispatch engine narrows
// it to what the parameter declares), float, None (null, or nothing where the parameter is
// an object), velmora.Empty, velmora.Missing, decimal.Decimal, datetime.datetime and
// datetime.date, lists and tuples (arrays with lower bound 0), proxies (objects).
// Variant to Python: the reverse; currency and decimal give decimal.Decimal, dates give
// datetime.datetime, a null object gives None, an empty variant velmora.Empty.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

#include "runtime/dispatch.h"
#include "runtime/error.h"
#include "runtime/variant.h"

namespace pyvelmora {

namespace py = pybind11;

// The module's own Python objects, made once when the module is imported and kept for the
// life of the process (deliberately never released: they may be needed while the
// interpreter shuts down).
struct ModuleObjects {
    py::handle errorType;        // velmora.Error
    py::handle memberErrorType;  // velmora.MemberError (also an AttributeError)
    py::handle refType;          // velmora.Ref
    py::handle missing;          // velmora.Missing
    py::handle empty;            // velmora.Empty
    py::handle decimalType;      // decimal.Decimal
    py::handle datetimeType;     // datetime.datetime
    py::handle dateType;         // datetime.date
    py::handle makeMember;       // builds the Python function behind one member
    py::handle memberCache;      // dict: (interface table, dispatch id) -> that function
    py::handle attributeCache;   // dict: (interface table, name) -> (dispatch id, function or None)
    py::handle signatureType;    // inspect.Signature
    py::handle parameterType;    // inspect.Parameter
};
ModuleObjects& objects();

// The variant for value. declared: the parameter's type when known (None becomes nothing for
// an object parameter). Throws rt::Error 13 for a value of no known mapping, 6 for an int
// beyond 64 bits or a date out of range. Call with the interpreter lock held.
rt::Variant toVariant(py::handle value, const rt::TypeSpec* declared = nullptr);

// The Python value of v (by-reference variants followed). Call with the interpreter lock held.
py::object fromVariant(const rt::Variant& v);

// Raises e as velmora.Error (velmora.MemberError for an unknown member); argument names the
// argument the call failed on, or is None.
[[noreturn]] void raiseError(const rt::Error& e, py::object argument = py::none());

}  // namespace pyvelmora
