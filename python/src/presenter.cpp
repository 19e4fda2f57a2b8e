#include "presenter.h"

#include <memory>

#include "runtime/error.h"
#include "runtime/ustring.h"
#include "services/message_service.h"

namespace pyvelmora {

namespace {

// The callable, released under the interpreter lock (the presenter may be replaced or die
// with its thread while no lock is held), or leaked when the interpreter is already gone.
struct Callable {
    py::object fn;
    explicit Callable(py::object f) : fn(std::move(f)) {}
    Callable(const Callable&) = delete;
    ~Callable() {
        if (!Py_IsInitialized()) {
            fn.release();
            return;
        }
        py::gil_scoped_acquire lock;
        fn = py::object();
    }
};

// The exception a presenter raised, kept until the call that showed the box returns.
struct PendingError {
    PyObject* type = nullptr;
    PyObject* value = nullptr;
    PyObject* traceback = nullptr;
};
thread_local PendingError pending;

py::str text(const rt::Str& s) { return py::str(rt::toUtf8(s)); }

int32_t present(const Callable& presenter, const svc::MessageBoxRequest& box) {
    py::gil_scoped_acquire lock;
    try {
        py::object answer = presenter.fn(text(box.prompt), box.style, text(box.title));
        if (answer.is_none()) return svc::defaultButtonOf(box.style);
        return answer.cast<int32_t>();
    } catch (py::error_already_set& e) {
        const std::string what = e.what();
        e.restore();
        if (!pending.type) PyErr_Fetch(&pending.type, &pending.value, &pending.traceback);
        else PyErr_Clear();
        throw rt::Error::number(rt::kErrInvalidCall, u"The message box presenter raised " + rt::fromUtf8(what));
    } catch (const py::cast_error&) {
        throw rt::Error::number(rt::kErrTypeMismatch,
                                u"Type mismatch: a message box presenter returns a button number or None");
    }
}

}  // namespace

void setPresenter(py::object presenter) {
    if (presenter.is_none()) {
        svc::setMessageBoxPresenter({});
        return;
    }
    if (!PyCallable_Check(presenter.ptr())) throw py::type_error("a message box presenter is a callable or None");
    auto callable = std::make_shared<Callable>(std::move(presenter));
    svc::setMessageBoxPresenter([callable](const svc::MessageBoxRequest& box) { return present(*callable, box); });
}

void raisePresenterError() {
    if (!pending.type) return;
    PyErr_Restore(pending.type, pending.value, pending.traceback);
    pending = {};
    throw py::error_already_set();
}

}  // namespace pyvelmora
