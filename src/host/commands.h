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

// The library's type library as text. Returns 0, or 1 when the library cannot be loaded.
int describeCommand(std::ostream& out, std::ostream& err);

// DllRegisterServer (or DllUnregisterServer) of the library. Returns 0, or 1 on failure.
int registerCommand(bool unregister, std::ostream& out, std::ostream& err);

}  // namespace host
