// The suite's message text service: the text loader (localized texts by message key) and
// the message box object. Both are components of their own, created at run time by class id
// or program identifier ("Ostrel.TextLoader", "Ostrel.MsgBox"); the library reaches them only
// through the interfaces below.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "runtime/com.h"
#include "runtime/dispatch.h"
#include "runtime/variant.h"

namespace svc {

inline constexpr rt::CLSID kClsidTextLoader = rt::guid("{83562A7C-439C-479F-B8D5-50487CE871A0}");
inline constexpr rt::CLSID kClsidMsgBox = rt::guid("{08546658-2E35-4CBA-8034-0BCBB69FD055}");
inline constexpr const char* kProgidTextLoader = "Ostrel.TextLoader";
inline constexpr const char* kProgidMsgBox = "Ostrel.MsgBox";

// Texts by message key, in the suite's current language (fixed when the loader is made).
struct ITextLoader : rt::IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{F6CD5979-27A0-4CE1-B3D2-6C84027FEDC0}");
    using Base = rt::IDispatch;
    static const rt::InterfaceInfo& info();

    // Loads the language's catalog (once per process; later loaders share it). reserved is
    // not used (callers pass 0). *result: the number of texts in the catalog. Fails when the
    // catalog cannot be read or is malformed (the description names file and line).
    virtual rt::HRESULT InitTexts(int32_t reserved, int32_t* result) = 0;
    // *result: the text for key; the key itself when the catalog lacks it. Items of inserts
    // (when it has any) replace "%1" .. "%9" in the text by their text values. reserved is
    // not used (callers pass 0). Fails as InitTexts when the catalog cannot be had.
    virtual rt::HRESULT GetText(rt::Str* key, int32_t* reserved, rt::Array* inserts, rt::Str* result) = 0;
    // *result: the suite's current language code ("zh-CN", "zh-TW", "en-US", ...).
    virtual rt::HRESULT LanguageCode(rt::Str* result) = 0;
};

// Button numbers of a message box, as ShowMsgBox returns them.
enum Button : int32_t { kOk = 1, kCancel = 2, kAbort = 3, kRetry = 4, kIgnore = 5, kYes = 6, kNo = 7 };

struct IMsgBox : rt::IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{E3634BD7-F35C-40B9-B1FA-4EEBF3A10A37}");
    using Base = rt::IDispatch;
    static const rt::InterfaceInfo& info();

    // *result: the button chosen in the last box this object showed; 0 before the first.
    virtual rt::HRESULT LastAnswer(int32_t* result) = 0;
    // Shows a box through the calling thread's presenter and blocks until it is answered.
    // style: buttons in the low four bits (0 OK, 1 OK/Cancel, 2 Abort/Retry/Ignore,
    // 3 Yes/No/Cancel, 4 Yes/No, 5 Retry/Cancel), icon in 0x10..0x40, default button in
    // 0x100 / 0x200. *result: the number of the button chosen (Button). Fails with the
    // presenter's error when it raises one.
    virtual rt::HRESULT ShowMsgBox(const rt::Str& prompt, int32_t style, const rt::Str& title,
                                   const rt::Str& helpFile, int32_t helpContext, int32_t* result) = 0;
};

// ---- Presenting boxes ------------------------------------------------------------------

struct MessageBoxRequest {
    rt::Str prompt;
    int32_t style = 0;
    rt::Str title;
    rt::Str helpFile;
    int32_t helpContext = 0;
};

// Shows a box and returns the button chosen; may throw rt::Error.
using MessageBoxPresenter = std::function<int32_t(const MessageBoxRequest&)>;

// Installs the calling thread's presenter (an empty one restores the default presenter).
// Returns the previous presenter (empty when it was the default).
MessageBoxPresenter setMessageBoxPresenter(MessageBoxPresenter presenter);

// The calling thread's presenter applied to request.
int32_t presentMessageBox(const MessageBoxRequest& request);

// The default presenter. With a controlling terminal (/dev/tty) it shows the box there and
// reads the answer (a button's number, name or initial; an empty line takes the default
// button; end of input takes Cancel when the box has it, else the default button).
// Without one it writes the box to standard error and returns the default button.
int32_t presentOnTerminal(const MessageBoxRequest& request);

// The buttons that a style asks for, left to right (an unknown button set gives OK only).
std::vector<int32_t> buttonsOf(int32_t style);
// The button that 0x100 / 0x200 select among buttonsOf(style); the first when out of range.
int32_t defaultButtonOf(int32_t style);
// "OK", "Cancel", ... ; "?" for a number that is no button.
const char* buttonName(int32_t button);

}  // namespace svc
