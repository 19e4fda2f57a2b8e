// Access to the suite's message text service: the text loader and the message box object.
#pragma once

#include "runtime/types.h"
#include "runtime/ustring.h"
#include "services/message_service.h"

namespace velmora {

inline constexpr rt::CLSID kClsidTextLoader = svc::kClsidTextLoader;
inline constexpr rt::CLSID kClsidMsgBox = svc::kClsidMsgBox;

// The private procedures over the service. No guard: a failure of the service raises
// rt::Error in the calling method, whose own guard decides what follows.

// The thread's text loader (gTextLoader): made and initialised with InitTexts(0) on first
// use, then kept for the life of the thread's module state. The pointer is owned by the
// module state. Throws rt::Error when the service cannot make or initialise it.
svc::ITextLoader* objTextLoader();
// The text for a message key ("Ostrel.FM.Velmora.00031"), unchanged from the text loader
// (the key itself when the service has no text for it). Throws rt::Error.
rt::Str sGetText(const rt::Str& key);
// LanguageCode of the thread's text loader ("zh-CN", "zh-TW", "en-US", ...). Throws rt::Error.
rt::Str languageCode();
// ShowMsgBox on gMsgBox; the number of the button chosen. Throws rt::Error when the box
// fails (or gMsgBox could not be made: the creation is tried again to report why).
int32_t lMsgBox(const rt::Str& prompt, int32_t style, const rt::Str& title, const rt::Str& helpFile,
                int32_t helpContext);

// Replaces gMsgBox by a new message box object (empty when the service cannot make one:
// the failure then surfaces at the first message box).
void renewMessageBox();

}  // namespace velmora
