// `velmora run`: request lines in, response lines out, each request on its apartment thread.
//
// The protocol (a public contract; keep it as it is):
//   requests, one JSON object per line, each with an optional "id" (echoed) and "thread"
//   (0..63, default 0; each thread has its own module state, variables and handles):
//     {"create": PROGID, "as": NAME}
//     {"call": MEMBER | "#ID", "on": NAME, "args": [ARG...], "named": {PARAM: ARG},
//      "kind": "method" | "get" | "put", "as": NAME}      ("on" omitted: the thread's CGlobal)
//     {"let": NAME, "value": VALUE}    {"print": NAME}    {"msgbox": [BUTTON...]}
//     {"release": NAME | [NAME...]}    (drops variables or handles; objects die with their
//                                       last reference)
//   "keep": false on a create or call reports the result's objects without handles.
//   ARG: a VALUE (a temporary), {"var": NAME} (by reference), {"missing": true}.
//   VALUE: plain JSON, or typed {"type": ..., "value": ...} (see values.h).
//   responses, one line each, in request order:
//     {"id"?, "ok": true, "value": VALUE, "byref": {NAME: VALUE}, "messages": [BOX...]}
//     {"id"?, "ok": false, "error": {"number", "description", "source", "hresult", "argument"?}}
//   Objects are reported as {"type": "object", "class", "ref": HANDLE, "id": IDENTITY}.
#pragma once

#include <istream>
#include <ostream>

namespace host {

// Whether the answers are shown with their requests (for a reader following a script).
enum class Echo : bool { Off, On };

// Answers every request line of in with one line on out, in order; blank lines and lines
// starting with "#" are skipped. With echo on, each answer follows the comment lines that
// came before its request and the request itself ("> " and the line), and a blank line
// follows it; comment lines after the last request close the output. Returns 0 at the end
// of input, 1 when out cannot be written, 2 after answering a line longer than
// kMaxLineBytes with an error (nothing after it is read).
int runRequests(std::istream& in, std::ostream& out, Echo echo = Echo::Off);

}  // namespace host
