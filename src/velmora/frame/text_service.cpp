#include "frame/text_service.h"

#include "frame/module.h"
#include "runtime/classes.h"
#include "runtime/error.h"

namespace velmora {

namespace {

// A new object of the service through interface I. Throws the service's error.
template <class I>
rt::ComPtr<I> createService(const rt::CLSID& clsid) {
    rt::ComPtr<I> p;
    rt::check(rt::createInstance(clsid, I::IID_, reinterpret_cast<void**>(p.put())));
    if (!p) rt::raiseStatus(rt::E_NOINTERFACE);
    return p;
}

// gMsgBox through the box interface; made anew when the last renewal failed.
rt::ComPtr<svc::IMsgBox> messageBox() {
    ModuleState& m = moduleState();
    if (!m.gMsgBox) m.gMsgBox = createService<svc::IMsgBox>(kClsidMsgBox);
    rt::ComPtr<svc::IMsgBox> box = m.gMsgBox.as<svc::IMsgBox>();
    if (!box) rt::raiseStatus(rt::E_NOINTERFACE);
    return box;
}

}  // namespace

svc::ITextLoader* objTextLoader() {
    ModuleState& m = moduleState();
    if (!m.gTextLoader) {
        rt::ComPtr<svc::ITextLoader> loader = createService<svc::ITextLoader>(kClsidTextLoader);
        m.gTextLoader = loader;
        int32_t ignored = 0;
        rt::check(loader->InitTexts(0, &ignored));
    }
    // The module state keeps its reference, so the borrowed pointer stays valid.
    rt::ComPtr<svc::ITextLoader> loader = m.gTextLoader.as<svc::ITextLoader>();
    if (!loader) rt::raiseStatus(rt::E_NOINTERFACE);
    return loader.get();
}

rt::Str sGetText(const rt::Str& key) {
    svc::ITextLoader* loader = objTextLoader();
    rt::Str k = key;
    int32_t zero = 0;
    rt::Array none;
    rt::Str text;
    rt::check(loader->GetText(&k, &zero, &none, &text));
    return text;
}

rt::Str languageCode() {
    rt::Str code;
    rt::check(objTextLoader()->LanguageCode(&code));
    return code;
}

int32_t lMsgBox(const rt::Str& prompt, int32_t style, const rt::Str& title, const rt::Str& helpFile,
                int32_t helpContext) {
    rt::ComPtr<svc::IMsgBox> box = messageBox();
    int32_t button = 0;
    rt::check(box->ShowMsgBox(prompt, style, title, helpFile, helpContext, &button));
    return button;
}

void renewMessageBox() {
    rt::ComPtr<rt::IDispatch> box;
    rt::createInstance(kClsidMsgBox, rt::IDispatch::IID_, reinterpret_cast<void**>(box.put()));
    moduleState().gMsgBox = std::move(box);
}

}  // namespace velmora
