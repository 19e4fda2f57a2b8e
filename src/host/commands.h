// The subcommands of `velmora` besides run.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace host {

// One late-bound call on a new CCommonFunction. Each argument (JSON text: a plain or typed
// value, or {"missing": true}) travels by reference; writes the result's typed JSON, then
// "name = value" for each argument of a by-reference parameter. Returns 0, 1 when the call
// fails (the error goes to err), 2 for an argument that is not JSON.
int callCommand(const std::string& member, const std::vector<std::string>& args, std::ostream& out,
                std::ostream& err);

enum class DescribeFormat {
    Listing,   // the library's type library as text: classes, then each interface's members
    Markdown,  // the reference (docs/reference.md): the library's and the platform's classes
               // and every interface they reach
};

// Writes the description in format. Returns 0, or 1 when the library cannot be loaded or
// the output cannot be written (the reason goes to err when there is one).
int describeCommand(DescribeFormat format, std::ostream& out, std::ostream& err);

// DllRegisterServer (or DllUnregisterServer) of the library. Returns 0, or 1 on failure.
int registerCommand(bool unregister, std::ostream& out, std::ostream& err);

}  // namespace host
