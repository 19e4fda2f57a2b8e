// Member tables of the service interfaces, with a help line for each member and interface.
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
            method<&I::InitTexts, Int32>("InitTexts", 1,
                "Loads the catalog of the suite's language (once per process) and returns the number of its texts; "
                "reserved is not used; fails naming file and line when the catalog cannot be read.",
                arg<Int32>("reserved").byVal()),
            method<&I::GetText, String>("GetText", 2,
                "The text for the message key key (the key itself when the catalog lacks it), with \"%1\" .. "
                "\"%9\" replaced by the items of inserts; reserved is not used; fails as InitTexts.",
                arg<String>("key"), arg<Int32>("reserved").opt(rt::Variant(int32_t(0))),
                arg<VariantArray>("inserts").opt()),
            method<&I::LanguageCode, String>("LanguageCode", 3,
                "The suite's current language code (\"zh-CN\", \"zh-TW\", \"en-US\", ...), fixed when the loader "
                "was made."),
        },
        nullptr, "The suite's message texts by key, in its current language.");
    return table;
}

const InterfaceInfo& IMsgBox::info() {
    using I = IMsgBox;
    static const InterfaceInfo table(
        "IMsgBox", IID_,
        {
            getter<&I::LastAnswer, Int32>("LastAnswer", 1,
                "The number of the button chosen in the last box this object showed; 0 before the first."),
            method<&I::ShowMsgBox, Int32>("ShowMsgBox", 2,
                "Shows prompt under title in a box of style (buttons in the low four bits, icon 0x10..0x40, "
                "default button 0x100 or 0x200), waits for the answer and returns the chosen button's number (1 "
                "OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No).",
                arg<String>("prompt").byVal(), arg<Int32>("style").byVal().opt(rt::Variant(int32_t(0))),
                arg<String>("title").byVal().opt(rt::Variant(rt::Str())),
                arg<String>("helpFile").byVal().opt(rt::Variant(rt::Str())),
                arg<Int32>("helpContext").byVal().opt(rt::Variant(int32_t(0)))),
        },
        nullptr,
        "Message boxes, shown through the calling thread's presenter (the terminal by default) and answered with a "
        "button.");
    return table;
}

const InterfaceInfo& IHostInfo::info() {
    using I = IHostInfo;
    static const InterfaceInfo table(
        "IHostInfo", IID_,
        {
            method<&I::GetComputerName, Int32>("GetComputerName", 1,
                "When the computer's name fits in length characters, writes it over the start of nameField, sets "
                "length to its length and returns 1; otherwise writes nothing, sets length to the room needed and "
                "returns 0.",
                arg<String>("nameField"), arg<Int32>("length")),
        },
        nullptr, "Facts about the machine the program runs on.");
    return table;
}

}  // namespace svc
