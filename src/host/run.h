// `velmora run`: request lines in, response lines out, each request on its apartment thread.
#pragma once

#include <istream>
#include <ostream>

namespace host {

// Answers every request line of in with one line on out, in order; blank lines and lines
// starting with "#" are skipped. Returns 0 at the end of input, 1 when out cannot be written.
int runRequests(std::istream& in, std::ostream& out);

}  // namespace host
