// What `velmora --version`, `velmora --help` and `velmora COMMAND --help` print; the
// manual page is made from the same texts (cmake/manpage.cmake).
#pragma once

#include <string>
#include <string_view>

namespace host {

// "velmora 1.0".
std::string versionText();
// The overview: every command with its one-line summary, and the general options.
std::string overallHelp();
// The help of one command ("run", "call", ...) or topic ("environment"); empty when there
// is none of that name.
std::string helpOf(std::string_view command);

}  // namespace host
