// A Python callable as the calling thread's message-box presenter.
#pragma once

#include <pybind11/pybind11.h>

namespace pyvelmora {

namespace py = pybind11;

// Installs presenter for the calling thread: each box the library shows on this thread is
// handed to presenter(prompt, style, title), which returns the button chosen (1 OK,
// 2 Cancel, ... 7 No) or None for the box's default button. None restores the thread's
// default presenter. An exception the presenter raises fails the call that showed the box
// and reaches the caller as it was raised.
void setPresenter(py::object presenter);

// Re-raises, on the calling thread, the exception a presenter raised during the last call;
// does nothing when none did. Call with the interpreter lock held.
void raisePresenterError();

}  // namespace pyvelmora
