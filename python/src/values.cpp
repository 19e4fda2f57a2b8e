#include "values.h"

#include <climits>

#include "proxy.h"
#include "runtime/convert.h"
#include "runtime/date.h"
#include "runtime/decimal.h"
#include "runtime/ustring.h"

namespace pyvelmora {

ModuleObjects& objects() {
    static ModuleObjects o;
    return o;
}

namespace {

rt::Str textOf(py::handle s) {
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(s.ptr(), &size);
    if (!utf8) throw py::error_already_set();
    return rt::fromUtf8(std::string_view(utf8, size_t(size)));
}

py::str pythonText(const rt::Str& s) {
    const std::string utf8 = rt::toUtf8(s);
    return py::reinterpret_steal<py::str>(PyUnicode_DecodeUTF8(utf8.data(), Py_ssize_t(utf8.size()), "replace"));
}

rt::Variant integerVariant(py::handle value) {
    int overflow = 0;
    const long long n = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
    if (overflow) rt::raise(rt::kErrOverflow);
    if (n == -1 && PyErr_Occurred()) throw py::error_already_set();
    if (n >= INT32_MIN && n <= INT32_MAX) return rt::Variant(int32_t(n));
    return rt::Variant(int64_t(n));
}

rt::Variant decimalVariant(py::handle value) {
    const rt::Str text = textOf(py::str(value));
    std::optional<rt::Decimal> d = rt::Decimal::parse(text);
    if (!d) rt::raise(rt::kErrTypeMismatch, u"Type mismatch: " + text + u" is not a decimal number");
    return rt::Variant(*d);
}

int intAttr(py::handle value, const char* name) { return value.attr(name).cast<int>(); }

rt::Variant dateVariant(py::handle value, bool withTime) {
    rt::CivilTime t;
    t.year = intAttr(value, "year");
    t.month = intAttr(value, "month");
    t.day = intAttr(value, "day");
    if (!rt::isValidCivilDate(t.year, t.month, t.day)) rt::raise(rt::kErrOverflow);
    double fraction = 0;
    if (withTime) {
        t.hour = intAttr(value, "hour");
        t.minute = intAttr(value, "minute");
        t.second = intAttr(value, "second");
        fraction = intAttr(value, "microsecond") / 86400e6;
    }
    double serial = rt::serialFromCivil(t);
    // Before 1899-12-30 the serial is negative and the time is its fraction's magnitude.
    serial += serial < 0 ? -fraction : fraction;
    return rt::Variant(rt::DateValue{serial});
}

rt::Variant arrayVariant(py::handle sequence) {
    std::vector<rt::Variant> items;
    for (py::handle item : sequence) items.push_back(toVariant(item));
    return rt::Variant(rt::Array(0, std::move(items)));
}

py::object pythonDecimal(const rt::Decimal& d) { return objects().decimalType(pythonText(d.toText())); }

py::object pythonDate(double serial) {
    const rt::CivilTime t = rt::civilFromSerial(serial);
    return objects().datetimeType(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

py::object pythonList(const rt::Array& a) {
    py::list out;
    for (const rt::Variant& item : a.items()) out.append(fromVariant(item));
    return out;
}

}  // namespace

rt::Variant toVariant(py::handle value, const rt::TypeSpec* declared) {
    const ModuleObjects& o = objects();
    PyObject* p = value.ptr();
    if (p == Py_None) return declared && declared->vt == rt::VT_DISPATCH ? rt::Variant::nothing() : rt::Variant(rt::Null{});
    if (PyUnicode_Check(p)) return rt::Variant(textOf(value));
    if (PyBool_Check(p)) return rt::Variant(p == Py_True);
    if (PyLong_Check(p)) return integerVariant(value);
    if (PyFloat_Check(p)) return rt::Variant(PyFloat_AS_DOUBLE(p));
    if (p == o.empty.ptr()) return rt::Variant();
    if (p == o.missing.ptr()) return rt::Variant(rt::Missing{});
    if (py::isinstance<Proxy>(value)) return rt::Variant(value.cast<Proxy&>().object());
    if (py::isinstance(value, o.decimalType)) return decimalVariant(value);
    if (py::isinstance(value, o.datetimeType)) return dateVariant(value, true);
    if (py::isinstance(value, o.dateType)) return dateVariant(value, false);
    if (PyList_Check(p) || PyTuple_Check(p)) return arrayVariant(value);
    if (py::isinstance(value, o.refType))
        rt::raise(rt::kErrTypeMismatch, u"Type mismatch: a velmora.Ref is passed as an argument of a call, not inside a value");
    rt::raise(rt::kErrTypeMismatch,
              u"Type mismatch: no variant holds a Python " + textOf(py::str(py::type::handle_of(value).attr("__name__"))));
}

py::object fromVariant(const rt::Variant& value) {
    const rt::Variant& v = value.deref();
    const ModuleObjects& o = objects();
    if (v.isArray()) return pythonList(v.array());
    switch (v.type()) {
        case rt::VT_EMPTY: return py::reinterpret_borrow<py::object>(o.empty);
        case rt::VT_NULL: return py::none();
        case rt::VT_I2: return py::int_(v.i2());
        case rt::VT_I4: return py::int_(v.i4());
        case rt::VT_I8: return py::int_(v.i8());
        case rt::VT_R8: return py::float_(v.r8());
        case rt::VT_BOOL: return py::bool_(v.boolean() != 0);
        case rt::VT_BSTR: return pythonText(v.str());
        case rt::VT_CY: return pythonDecimal(rt::Decimal::fromCurrency(v.cy()));
        case rt::VT_DECIMAL: return pythonDecimal(v.decimal());
        case rt::VT_DATE: return pythonDate(v.date());
        case rt::VT_DISPATCH:
            if (!v.object()) return py::none();
            return py::cast(Proxy(v.object()));
        case rt::VT_ERROR:
            if (v.isMissing()) return py::reinterpret_borrow<py::object>(o.missing);
            return py::int_(v.scode());
        default: break;
    }
    if (v.isNumberType()) return py::float_(rt::toDouble(v));
    return pythonText(rt::toText(v));
}

void raiseError(const rt::Error& e, py::object argument) {
    const ModuleObjects& o = objects();
    const bool noMember = e.numberValue() == rt::kErrNoSuchMember;
    py::handle type = noMember ? o.memberErrorType : o.errorType;
    py::object error = type(pythonText(e.description()), e.numberValue(), pythonText(e.source()),
                            int64_t(uint32_t(e.hresult())), argument);
    PyErr_SetObject(type.ptr(), error.ptr());
    throw py::error_already_set();
}

}  // namespace pyvelmora
