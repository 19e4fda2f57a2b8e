// The message box object and the per-thread presenter behind it.
#include <utility>

#include "runtime/classes.h"
#include "runtime/object.h"
#include "services/message_service.h"

namespace svc {

namespace {

constexpr const char16_t* kSource = u"Ostrel.MsgBox";

MessageBoxPresenter& threadPresenter() {
    thread_local MessageBoxPresenter presenter;
    return presenter;
}

class MsgBox final : public rt::DispatchObject<MsgBox, IMsgBox> {
public:
    rt::HRESULT LastAnswer(int32_t* result) override {
        if (!result) return rt::E_POINTER;
        *result = last_;
        return rt::S_OK;
    }

    rt::HRESULT ShowMsgBox(const rt::Str& prompt, int32_t style, const rt::Str& title, const rt::Str& helpFile,
                           int32_t helpContext, int32_t* result) override {
        if (!result) return rt::E_POINTER;
        return boundary(kSource, [&] {
            last_ = presentMessageBox(MessageBoxRequest{prompt, style, title, helpFile, helpContext});
            *result = last_;
        });
    }

private:
    int32_t last_ = 0;
};

// The suite may register a message box component of its own under the same class id.
const rt::ClassRegistrar registrar(
    kProgidMsgBox, kClsidMsgBox,
    [](const rt::IID& iid, void** out) { return rt::makeObject<MsgBox>()->QueryInterface(iid, out); },
    &IMsgBox::info, rt::Replaceable::ByRegistration);

}  // namespace

MessageBoxPresenter setMessageBoxPresenter(MessageBoxPresenter presenter) {
    return std::exchange(threadPresenter(), std::move(presenter));
}

int32_t presentMessageBox(const MessageBoxRequest& request) {
    // A copy, so that a presenter may replace itself while it runs.
    MessageBoxPresenter presenter = threadPresenter();
    return presenter ? presenter(request) : presentOnTerminal(request);
}

std::vector<int32_t> buttonsOf(int32_t style) {
    switch (style & 0xF) {
        case 1: return {kOk, kCancel};
        case 2: return {kAbort, kRetry, kIgnore};
        case 3: return {kYes, kNo, kCancel};
        case 4: return {kYes, kNo};
        case 5: return {kRetry, kCancel};
        default: return {kOk};
    }
}

int32_t defaultButtonOf(int32_t style) {
    const std::vector<int32_t> buttons = buttonsOf(style);
    const size_t index = size_t((style >> 8) & 0xF);
    return index < buttons.size() ? buttons[index] : buttons.front();
}

const char* buttonName(int32_t button) {
    switch (button) {
        case kOk: return "OK";
        case kCancel: return "Cancel";
        case kAbort: return "Abort";
        case kRetry: return "Retry";
        case kIgnore: return "Ignore";
        case kYes: return "Yes";
        case kNo: return "No";
        default: return "?";
    }
}

}  // namespace svc
