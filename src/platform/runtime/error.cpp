#include "error.h"

#include <cstdio>
#include <new>
#include <optional>
#include <utility>

#include "ustring.h"

namespace rt {

namespace {

struct NumberText {
    int number;
    const char16_t* text;
};

// The runtime's own texts for its run-time errors.
constexpr NumberText kRuntimeTexts[] = {
    {3, u"Return without GoSub"},
    {5, u"Invalid procedure call or argument"},
    {6, u"Overflow"},
    {7, u"Out of memory"},
    {9, u"Subscript out of range"},
    {10, u"This array is fixed or temporarily locked"},
    {11, u"Division by zero"},
    {13, u"Type mismatch"},
    {14, u"Out of string space"},
    {17, u"Can't perform requested operation"},
    {28, u"Out of stack space"},
    {35, u"Sub or Function not defined"},
    {48, u"Error in loading DLL"},
    {51, u"Internal error"},
    {52, u"Bad file name or number"},
    {53, u"File not found"},
    {54, u"Bad file mode"},
    {55, u"File already open"},
    {57, u"Device I/O error"},
    {58, u"File already exists"},
    {61, u"Disk full"},
    {62, u"Input past end of file"},
    {67, u"Too many files"},
    {68, u"Device unavailable"},
    {70, u"Permission denied"},
    {71, u"Disk not ready"},
    {74, u"Can't rename with different drive"},
    {75, u"Path/File access error"},
    {76, u"Path not found"},
    {91, u"Object variable or With block variable not set"},
    {92, u"For loop not initialized"},
    {93, u"Invalid pattern string"},
    {94, u"Invalid use of Null"},
    {424, u"Object required"},
    {429, u"ActiveX component can't create object"},
    {430, u"Class doesn't support Automation"},
    {432, u"File name or class name not found during Automation operation"},
    {438, u"Object doesn't support this property or method"},
    {440, u"Automation error"},
    {445, u"Object doesn't support this action"},
    {446, u"Object doesn't support named arguments"},
    {447, u"Object doesn't support current locale setting"},
    {448, u"Named argument not found"},
    {449, u"Argument not optional"},
    {450, u"Wrong number of arguments or invalid property assignment"},
    {451, u"Object not a collection"},
    {457, u"This key is already associated with an element of this collection"},
    {458, u"Variable uses an Automation type not supported"},
    {462, u"The remote server machine does not exist or is unavailable"},
};

struct StatusText {
    HRESULT hr;
    const char16_t* text;
};

// The system's message texts for the failure statuses that cross the dispatch boundary.
constexpr StatusText kStatusTexts[] = {
    {E_NOTIMPL, u"Not implemented"},
    {E_NOINTERFACE, u"No such interface supported"},
    {E_POINTER, u"Invalid pointer"},
    {E_ABORT, u"Operation aborted"},
    {E_FAIL, u"Unspecified error"},
    {E_UNEXPECTED, u"Catastrophic failure"},
    {E_OUTOFMEMORY, u"Not enough storage is available to complete this operation."},
    {E_INVALIDARG, u"The parameter is incorrect."},
    {CLASS_E_NOAGGREGATION, u"Class does not support aggregation (or class object is remote)"},
    {CLASS_E_CLASSNOTAVAILABLE, u"ClassFactory cannot supply requested class"},
    {REGDB_E_CLASSNOTREG, u"Class not registered"},
    {CO_E_CLASSSTRING, u"Invalid class string"},
    {SELFREG_E_CLASS, u"Error registering the classes"},
    {TYPE_E_ELEMENTNOTFOUND, u"Element not found."},
    {RPC_E_WRONG_THREAD, u"The application called an interface that was marshalled for a different thread."},
    {DISP_E_UNKNOWNINTERFACE, u"Unknown interface."},
    {DISP_E_MEMBERNOTFOUND, u"Member not found."},
    {DISP_E_PARAMNOTFOUND, u"Parameter not found."},
    {DISP_E_TYPEMISMATCH, u"Type mismatch."},
    {DISP_E_UNKNOWNNAME, u"Unknown name."},
    {DISP_E_NONAMEDARGS, u"No named arguments."},
    {DISP_E_BADVARTYPE, u"Bad variable type."},
    {DISP_E_EXCEPTION, u"Exception occurred."},
    {DISP_E_OVERFLOW, u"Out of present range."},
    {DISP_E_BADINDEX, u"Invalid index."},
    {DISP_E_ARRAYISLOCKED, u"Memory is locked."},
    {DISP_E_BADPARAMCOUNT, u"Invalid number of parameters."},
    {DISP_E_PARAMNOTOPTIONAL, u"Parameter not optional."},
};

constexpr const char16_t* kApplicationDefined = u"Application-defined or object-defined error";

bool isRuntimeStatus(HRESULT hr) { return (uint32_t(hr) & 0xFFFF0000u) == 0x800A0000u; }

const char16_t* statusDescription(HRESULT hr) {
    if (isRuntimeStatus(hr)) return standardDescription(int(uint32_t(hr) & 0xFFFFu));
    for (const auto& s : kStatusTexts)
        if (s.hr == hr) return s.text;
    return u"";
}

thread_local std::optional<Error> tErrorInfo;

}  // namespace

const char16_t* standardDescription(int number) {
    if (number < 0) return statusDescription(HRESULT(number));
    for (const auto& t : kRuntimeTexts)
        if (t.number == number) return t.text;
    return u"";
}

Error Error::number(int n, std::u16string description, std::u16string source) {
    Error e;
    e.hr_ = runtimeErrorHr(n);
    if (description.empty()) {
        const char16_t* standard = standardDescription(n);
        description = *standard ? standard : kApplicationDefined;
    }
    e.description_ = std::move(description);
    e.source_ = std::move(source);
    return e;
}

Error Error::status(HRESULT hr, std::u16string description, std::u16string source) {
    Error e;
    e.hr_ = hr;
    if (description.empty()) {
        const char16_t* standard = statusDescription(hr);
        description = *standard ? standard : standardDescription(440);
    }
    e.description_ = std::move(description);
    e.source_ = std::move(source);
    return e;
}

HRESULT reportCurrentError(const char16_t* source) noexcept {
    Error e = currentError();
    try {
        if (e.source().empty() && source) e.setSource(source);
    } catch (...) {
        // No memory for the source: the error goes without it.
    }
    setErrorInfo(e);
    return e.hresult();
}

HRESULT wrongThread(const char16_t* source) noexcept {
    try {
        throw Error::status(RPC_E_WRONG_THREAD);
    } catch (...) {
        return reportCurrentError(source);
    }
}

HRESULT wrongThread(const char* source) noexcept {
    try {
        throw Error::status(RPC_E_WRONG_THREAD, {}, source ? fromUtf8(source) : Str());
    } catch (...) {
        return reportCurrentError(nullptr);
    }
}

Error Error::bare(HRESULT hr) noexcept {
    Error e;
    e.hr_ = hr;
    return e;
}

int32_t Error::numberValue() const {
    return isRuntimeStatus(hr_) ? int32_t(uint32_t(hr_) & 0xFFFFu) : int32_t(hr_);
}

const char* Error::what() const noexcept {
    try {
        char head[48];
        if (isRuntimeStatus(hr_))
            std::snprintf(head, sizeof head, "Run-time error %d: ", int(numberValue()));
        else
            std::snprintf(head, sizeof head, "Error 0x%08X: ", unsigned(hr_));
        what_ = head + toUtf8(description_);
        return what_.c_str();
    } catch (...) {
        return "rt::Error";
    }
}

void raise(int number, std::u16string description) { throw Error::number(number, std::move(description)); }

void raiseStatus(HRESULT hr, std::u16string description) { throw Error::status(hr, std::move(description)); }

void setErrorInfo(const Error& e) noexcept {
    try {
        tErrorInfo = e;
    } catch (...) {
        // No memory for the texts: the caller still gets the status, with its standard text.
        tErrorInfo.reset();
    }
}

Error currentError() noexcept {
    try {
        try {
            throw;
        } catch (const Error& e) {
            return e;
        } catch (const std::bad_alloc&) {
            return Error::number(kErrOutOfMemory);
        } catch (const std::exception& e) {
            return Error::number(kErrInternal, fromUtf8(e.what()));
        } catch (...) {
            return Error::number(kErrInternal);
        }
    } catch (...) {
        // Building the error itself ran out of memory.
        return Error::bare(runtimeErrorHr(kErrOutOfMemory));
    }
}

void clearErrorInfo() { tErrorInfo.reset(); }

Error takeErrorInfo(HRESULT hr) {
    std::optional<Error> stored = std::exchange(tErrorInfo, std::nullopt);
    if (stored && stored->hresult() == hr) return std::move(*stored);
    if (isRuntimeStatus(hr)) return Error::number(int(uint32_t(hr) & 0xFFFFu));
    return Error::status(hr);
}

std::string guidText(const GUID& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(g.d1),
                  unsigned(g.d2), unsigned(g.d3), g.d4[0], g.d4[1], g.d4[2], g.d4[3], g.d4[4], g.d4[5], g.d4[6],
                  g.d4[7]);
    return buf;
}

}  // namespace rt
