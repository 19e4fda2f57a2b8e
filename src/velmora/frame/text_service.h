// Access to the suite's message text service: the text loader and the message box object.
#pragma once

#include "runtime/ustring.h"

namespace velmora {

inline constexpr rt::CLSID kClsidTextLoader = rt::guid("{83562A7C-439C-479F-B8D5-50487CE871A0}");
inline constexpr rt::CLSID kClsidMsgBox = rt::guid("{08546658-2E35-4CBA-8034-0BCBB69FD055}");

// Replaces gMsgBox by a new message box object (empty when the service cannot make one:
// the failure then surfaces at the first message box).
void renewMessageBox();

}  // namespace velmora
