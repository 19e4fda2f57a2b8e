// Member tables of the service interfaces.
#include "services/host_info.h"
#include "services/message_service.h"

namespace svc {

using namespace rt::types;
using rt::getter;
using rt::InterfaceInfo;
using rt::method;
using rt::param;

const InterfaceInfo& ITextLoader::info() {
    using I = ITextLoader;
    static const InterfaceInfo table(
        "ITextLoader", IID_,
        {
            method<&I::InitTexts>("InitTexts", 1, {param("reserved", Int32).byVal()}, Int32,
                                  "loads the language's catalog; the number of texts"),
            method<&I::GetText>("GetText", 2,
                                {param("key", String), param("reserved", Int32).opt(rt::Variant(int32_t(0))),
                                 param("inserts", VariantArray).opt()},
                                String, "the text for a message key (the key itself when it has none)"),
            method<&I::LanguageCode>("LanguageCode", 3, {}, String, "the suite's current language code"),
        });
    return table;
}

const InterfaceInfo& IMsgBox::info() {
    using I = IMsgBox;
    static const InterfaceInfo table(
        "IMsgBox", IID_,
        {
            getter<&I::LastAnswer>("LastAnswer", 1, Int32, {}, "the button chosen in the last box shown"),
            method<&I::ShowMsgBox>("ShowMsgBox", 2,
                                   {param("prompt", String).byVal(),
                                    param("style", Int32).byVal().opt(rt::Variant(int32_t(0))),
                                    param("title", String).byVal().opt(rt::Variant(rt::Str())),
                                    param("helpFile", String).byVal().opt(rt::Variant(rt::Str())),
                                    param("helpContext", Int32).byVal().opt(rt::Variant(int32_t(0)))},
                                   Int32, "shows a box and waits; the number of the button chosen"),
        });
    return table;
}

const InterfaceInfo& IHostInfo::info() {
    using I = IHostInfo;
    static const InterfaceInfo table(
        "IHostInfo", IID_,
        {
            method<&I::GetComputerName>("GetComputerName", 1, {param("nameField", String), param("length", Int32)},
                                        Int32, "writes the computer's name into nameField; 1 when it fits"),
        });
    return table;
}

}  // namespace svc
