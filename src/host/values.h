// Values of the request protocol: JSON <-> variants.
//
// Input accepts plain JSON (a string is a string, an integer an i4, another number an r8,
// true/false a boolean, null a null, an array an array with lower bound 0) and typed values
// ({"type": "decimal", "value": "1234.56"}, ...). Output is always typed.
#pragma once

#include <nlohmann/json.hpp>
#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/com.h"
#include "runtime/variant.h"

namespace host {

using Json = nlohmann::ordered_json;

// The names a value may refer to, and the place where returned objects get their handles.
class Scope {
public:
    virtual ~Scope() = default;
    // The value bound to name. Throws rt::Error (a bad request) when name is unbound.
    virtual const rt::Variant& lookup(const std::string& name) = 0;
    // Binds obj to a fresh handle name ("$1", "$2", ...) and returns the name; empty when the
    // object is to be reported without a handle.
    virtual std::string bindHandle(const rt::ComPtr<rt::IDispatch>& obj) = 0;
};

// A request that the host cannot carry out as written: error 5 from source "velmora",
// with why as the description.
[[noreturn]] void badRequest(const std::string& why);

// The variant a VALUE describes. Throws rt::Error: badRequest for a malformed value, 6 for a
// number or date out of its type's range.
rt::Variant valueFromJson(const Json& j, Scope& scope);

// The typed JSON of v. Every object gets a fresh handle from scope ("ref") and an "id" equal
// for two references to one living object; its class name comes from its type information.
// An object that scope gives no handle is reported by its class alone.
Json valueToJson(const rt::Variant& v, Scope& scope);

// The JSON of an error: number, description, source, hresult ("0x800A000D").
Json errorToJson(int32_t number, const std::string& description, const std::string& source, int32_t hresult);

// The most bytes of caller input an error description quotes, and the longest description an
// answer carries.
inline constexpr size_t kMaxQuotedBytes = 80;
inline constexpr size_t kMaxDescriptionBytes = 1024;

// text cut to at most max bytes at a character boundary, ending in "..." when cut.
std::string cutText(std::string_view text, size_t max = kMaxQuotedBytes);

// Text of a JSON value for error descriptions, cut to kMaxQuotedBytes.
std::string shortText(const Json& j);

}  // namespace host
