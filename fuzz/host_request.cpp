// The host's request reader on any line: parsing (nesting, numbers, invalid JSON) gives a
// value or an rt::Error, never another exception; a parsed value converts to a variant and
// back, and the typed JSON it gives reads back to the same typed JSON.
#include <string_view>

#include "request_reader.h"
#include "runtime/error.h"
#include "values.h"

namespace {

// A scope with no variables: every name is unbound, as in a fresh session.
class EmptyScope final : public host::Scope {
public:
    const rt::Variant& lookup(const std::string& name) override { host::badRequest("unbound: " + host::cutText(name)); }
    std::string bindHandle(const rt::ComPtr<rt::IDispatch>&) override { return "$1"; }
};

void roundTrip(const host::Json& value) {
    EmptyScope scope;
    rt::Variant v;
    try {
        v = host::valueFromJson(value, scope);
    } catch (const rt::Error&) {
        return;  // a value the host refuses, with a clear error
    }
    const host::Json typed = host::valueToJson(v, scope);
    const host::Json again = host::valueToJson(host::valueFromJson(typed, scope), scope);
    if (typed != again) {
        std::fprintf(stderr, "MISMATCH typed value\n  first:  %s\n  second: %s\n", typed.dump().c_str(),
                     again.dump().c_str());
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    host::Json request;
    try {
        request = host::parseJsonText(line);
    } catch (const rt::Error& e) {
        if (e.description().empty()) std::abort();
        return 0;
    }
    (void)host::shortText(request);
    if (request.is_object() && request.contains("value")) roundTrip(request["value"]);
    else roundTrip(request);
    return 0;
}
