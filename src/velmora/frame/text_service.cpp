#include "frame/text_service.h"

#include "frame/module.h"
#include "runtime/classes.h"

namespace velmora {

void renewMessageBox() {
    rt::ComPtr<rt::IDispatch> box;
    rt::createInstance(kClsidMsgBox, rt::IDispatch::IID_, reinterpret_cast<void**>(box.put()));
    moduleState().gMsgBox = std::move(box);
}

}  // namespace velmora
