// The one error type inside the platform and the library.
//
// Code raises rt::Error (a C++ exception) where the automation runtime would raise a
// run-time error; the interface boundary (guards, Invoke) turns it into an HRESULT plus
// the thread's error information, and clients turn that back into an rt::Error.
#pragma once

#include <exception>
#include <string>

#include "types.h"

namespace rt {

// Well-known run-time error numbers.
enum ErrNum : int {
    kErrInvalidCall = 5,        // Invalid procedure call or argument
    kErrOverflow = 6,           // Overflow
    kErrOutOfMemory = 7,        // Out of memory
    kErrSubscript = 9,          // Subscript out of range
    kErrDivByZero = 11,         // Division by zero
    kErrInternal = 51,          // Internal error
    kErrTypeMismatch = 13,      // Type mismatch
    kErrObjectNotSet = 91,      // Object variable or With block variable not set
    kErrInvalidNull = 94,       // Invalid use of Null
    kErrObjectRequired = 424,   // Object required
    kErrNoSuchMember = 438,     // Object doesn't support this property or method
    kErrDuplicateKey = 457,     // This key is already associated with an element of this collection
    kErrNotImplemented = 445,   // Object doesn't support this action
    kErrFileNotFound = 53,      // File not found
    kErrPathNotFound = 76,      // Path not found
    kErrBadFileMode = 54,       // Bad file mode
    kErrPermissionDenied = 70,  // Permission denied
};

// The runtime's standard description for a run-time error number ("" when it has none).
// A negative number is read as a failure status and gives the system's text for it
// (0x800A#### statuses give their run-time error's text). Static storage; never null.
const char16_t* standardDescription(int number);

class Error : public std::exception {
public:
    // A run-time error by number (5, 6, 13, ...), with the standard description when none given.
    static Error number(int n, std::u16string description = {}, std::u16string source = {});
    // A failure status from an interface call; its number is the status itself.
    static Error status(HRESULT hr, std::u16string description = {}, std::u16string source = {});

    // hr alone, without texts; never allocates (the error of last resort).
    static Error bare(HRESULT hr) noexcept;

    Error() = default;

    // 0x800A0000 | number for run-time errors, otherwise the status itself.
    HRESULT hresult() const { return hr_; }
    // Low 16 bits for 0x800A#### statuses, otherwise the status as a signed number.
    int32_t numberValue() const;
    const std::u16string& description() const { return description_; }
    const std::u16string& source() const { return source_; }
    void setSource(std::u16string s) { source_ = std::move(s); }
    void setDescription(std::u16string d) { description_ = std::move(d); }

    const char* what() const noexcept override;

private:
    HRESULT hr_ = E_FAIL;
    std::u16string description_;
    std::u16string source_;
    mutable std::string what_;
};

[[noreturn]] void raise(int number, std::u16string description = {});
[[noreturn]] void raiseStatus(HRESULT hr, std::u16string description = {});

// Per-thread error information, as an interface call leaves it behind on failure.
void setErrorInfo(const Error& e) noexcept;
void clearErrorInfo();
// The error information left for hr: what setErrorInfo stored if it matches, else a bare
// error carrying hr (with a standard description for run-time errors).
Error takeErrorInfo(HRESULT hr);

// Throws the error behind a failed status; no-op on success. The call boundary in reverse.
inline void check(HRESULT hr) {
    if (failed(hr)) throw takeErrorInfo(hr);
}

// The error behind the exception being handled; call it only inside a catch block. An
// rt::Error comes back as it is, out of memory as error 7, and any other exception (a
// standard one, or one of no known type) as error 51 "Internal error" whose description is
// the exception's own text. Never throws.
Error currentError() noexcept;

// The exception being handled (call only inside a catch block) as a failure status, left
// behind as the thread's error information with source filled in when the error has none.
// Never throws.
HRESULT reportCurrentError(const char16_t* source) noexcept;

// out itself; raises E_POINTER when it is null (an early-bound caller's missing result slot).
template <class T>
T* need(T* out) {
    if (!out) raiseStatus(E_POINTER);
    return out;
}

// RPC_E_WRONG_THREAD, the refusal of a call on an object from another thread than its own,
// left as the thread's error information with source (when given). Never throws.
HRESULT wrongThread(const char16_t* source) noexcept;
HRESULT wrongThread(const char* source) noexcept;

// Runs body; any exception it throws becomes a failure status with the thread's error
// information (see currentError). This is the interface boundary of every early-bound
// method: nothing thrown inside gets past it.
template <class F>
HRESULT boundary(const char16_t* source, F&& body) noexcept {
    try {
        clearErrorInfo();
        body();
        return S_OK;
    } catch (...) {
        return reportCurrentError(source);
    }
}

}  // namespace rt
