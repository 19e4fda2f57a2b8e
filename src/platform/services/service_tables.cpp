// Member tables of the service interfaces.
#include "services/host_info.h"
#include "services/message_service.h"

namespace svc {

using namespace rt::types;
using rt::getter;
using rt::InterfaceInfo;
using rt::method;
using rt::arg;

const InterfaceInfo& ITextLoader::info() {
    using I = ITextLoader;
    static const InterfaceInfo table(
        "ITextLoader", IID_,
        {
            method<&I::InitTexts, Int32>("InitTexts", 1, "loads the language's catalog; the number of texts", arg<Int32>("reserved").byVal()),
            method<&I::GetText, String>("GetText", 2, "the text for a message key (the key itself when it has none)", arg<String>("key"), arg<Int32>("reserved").opt(rt::Variant(int32_t(0))), arg<VariantArray>("inserts").opt()),
            method<&I::LanguageCode, String>("LanguageCode", 3, "the suite's current language code"),
        });
    return table;
}

const InterfaceInfo& IMsgBox::info() {
    using I = IMsgBox;
    static const InterfaceInfo table(
        "IMsgBox", IID_,
        {
            getter<&I::LastAnswer, Int32>("LastAnswer", 1, "the button chosen in the last box shown"),
            method<&I::ShowMsgBox, Int32>("ShowMsgBox", 2, "shows a box and waits; the number of the button chosen", arg<String>("prompt").byVal(), arg<Int32>("style").byVal().opt(rt::Variant(int32_t(0))), arg<String>("title").byVal().opt(rt::Variant(rt::Str())), arg<String>("helpFile").byVal().opt(rt::Variant(rt::Str())), arg<Int32>("helpContext").byVal().opt(rt::Variant(int32_t(0)))),
        });
    return table;
}

const InterfaceInfo& IHostInfo::info() {
    using I = IHostInfo;
    static const InterfaceInfo table(
        "IHostInfo", IID_,
        {
            method<&I::GetComputerName, Int32>("GetComputerName", 1, "writes the computer's name into nameField; 1 when it fits", arg<String>("nameField"), arg<Int32>("length")),
        });
    return table;
}

}  // namespace svc
