// Files and machine: lines appended to text files, and the computer's name.
#include "frame/binding.h"
#include "frame/classes.h"
#include "frame/module.h"
#include "runtime/call.h"
#include "runtime/classes.h"
#include "runtime/convert.h"
#include "services/host_info.h"

namespace velmora::forms {

using rt::ComPtr;
using rt::IDispatch;
using rt::Str;
using rt::Variant;

namespace {

constexpr int32_t kForAppending = 8;
constexpr size_t kNameFieldLength = 128;

ComPtr<IDispatch> objectOf(const Variant& v) { return rt::toObject(v); }

// The thread's host information object (gHostInfo), made on first use and kept.
ComPtr<svc::IHostInfo> hostInfo() {
    ComPtr<IDispatch>& held = moduleState().gHostInfo;
    if (!held) {
        ComPtr<svc::IHostInfo> made;
        rt::check(rt::createInstance(svc::kClsidHostInfo, svc::IHostInfo::IID_, reinterpret_cast<void**>(made.put())));
        held = made;
    }
    ComPtr<svc::IHostInfo> info = held.as<svc::IHostInfo>();
    if (!info) rt::raiseStatus(rt::E_NOINTERFACE);
    return info;
}

}  // namespace

// Writes strContent and a line end to strFileName: appended to an existing file (hidden or
// not), or into a new file when there is none or bOpenFlag asks for one. True when written.
// Throws rt::Error when the file cannot be opened, created or written; the member's handler
// guard turns that into false. A stream opened before a failure closes as it is released.
bool bWriteLine(const Str& strFileName, const Str& strContent, bool bOpenFlag) {
    ComPtr<IDispatch> fso = rt::createObject(u"Scripting.FileSystemObject");
    // An existing file is any file of that name, hidden or not; a folder counts as missing
    // (creating the file then fails).
    const bool exists = rt::toBool(rt::callMethod(fso.get(), u"FileExists", {Variant(strFileName)}));
    ComPtr<IDispatch> stream;
    if (exists && !bOpenFlag) {
        ComPtr<IDispatch> file = objectOf(rt::callMethod(fso.get(), u"GetFile", {Variant(strFileName)}));
        stream = objectOf(rt::callMethod(file.get(), u"OpenAsTextStream", {Variant(kForAppending)}));
    } else {
        stream = objectOf(rt::callMethod(fso.get(), u"CreateTextFile", {Variant(strFileName)}));
    }
    rt::callMethod(stream.get(), u"WriteLine", {Variant(strContent)});
    rt::callMethod(stream.get(), u"Close");
    return true;
}

// The local computer's name, from the thread's host information object (made on the first
// call and kept in gHostInfo). Throws rt::Error when that object cannot be made or asked.
Str ComputerName() {
    ComPtr<svc::IHostInfo> info = hostInfo();
    Str field(kNameFieldLength, u'\0');
    int32_t length = int32_t(kNameFieldLength) - 1;
    int32_t ignored = 0;
    rt::check(info->GetComputerName(&field, &length, &ignored));
    // The fixed-length field takes the text back: cut or filled up with spaces to its length.
    field.resize(kNameFieldLength, u' ');
    Variant name(std::move(field));
    return rt::call(gCommon(), &_CCommonFunction::LeftEx, &name, &length);
}

}  // namespace velmora::forms

namespace velmora {

HRESULT CCommonFunction::bWriteLine(Str* strFileName, Str* strContent, VARIANT_BOOL* bOpenFlag,
                                    VARIANT_BOOL* result) {
    return bind<&_CCommonFunction::bWriteLine>(&forms::bWriteLine, strFileName, strContent, bOpenFlag, result);
}

HRESULT CCommonFunction::ComputerName(Str* result) {
    return bind<&_CCommonFunction::ComputerName>(&forms::ComputerName, result);
}

}  // namespace velmora
