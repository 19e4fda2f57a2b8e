// The subcommands of `velmora` besides run.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace host {

struct CallOptions {
    std::string progid = "Velmora.CCommonFunction";  // the class of the object called
    bool json = false;  // one JSON document instead of the value and "name = value" lines
};

// One late-bound call on a new object of options.progid. Each argument (JSON text: a plain
// or typed value, or {"missing": true}) travels by reference. Writes the result's typed JSON,
// then "name = value" for each argument of a by-reference parameter; with options.json one
// line {"ok": true, "value", "byref": {NAME: VALUE}} instead, or {"ok": false, "error"} on
// failure. Returns 0, 1 when the call fails (the error goes to err, or to out as JSON) or
// out cannot be written, 2 for an argument that is not JSON.
int callCommand(const CallOptions& options, const std::string& member, const std::vector<std::string>& args,
                std::ostream& out, std::ostream& err);

enum class DescribeFormat {
    Listing,   // the library's type library as text: classes, then each interface's members
    Markdown,  // the reference (docs/reference.md): the library's and the platform's classes
               // and every interface they reach
    Json,      // the same as one JSON document (see describe.h)
};

// Writes the description in format: of everything, or of the class progid alone when it is
// not empty (Listing then gives its interfaces as text; Markdown is not offered for one
// class). Returns 0, or 1 when the library cannot be loaded, progid names no class or the
// output cannot be written (the reason goes to err when there is one).
int describeCommand(DescribeFormat format, const std::string& progid, std::ostream& out, std::ostream& err);

// DllRegisterServer (or DllUnregisterServer) of the library. Returns 0, or 1 on failure.
int registerCommand(bool unregister, std::ostream& out, std::ostream& err);

}  // namespace host
