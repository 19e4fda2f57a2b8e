// The host information object.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "runtime/classes.h"
#include "runtime/error.h"
#include "runtime/object.h"
#include "services/host_info.h"

namespace svc {

namespace {

constexpr const char16_t* kSource = u"Ostrel.HostInfo";

rt::Str hostName() {
    char buf[HOST_NAME_MAX + 2] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0)
        rt::raise(rt::kErrInvalidCall, rt::fromUtf8(std::string("The computer's name is unknown: ") + std::strerror(errno)));
    return rt::fromUtf8(buf);
}

class HostInfo final : public rt::DispatchObject<HostInfo, IHostInfo> {
public:
    rt::HRESULT GetComputerName(rt::Str* nameField, int32_t* length, int32_t* result) override {
        if (!nameField || !length || !result) return rt::E_POINTER;
        return boundary(kSource, [&] {
            const rt::Str name = hostName();
            const int32_t needed = int32_t(name.size());
            if (needed > *length) {
                *length = needed;
                *result = 0;
                return;
            }
            if (nameField->size() < name.size()) nameField->resize(name.size());
            nameField->replace(0, name.size(), name);
            *length = needed;
            *result = 1;
        });
    }
};

const rt::ClassRegistrar registrar(
    kProgidHostInfo, kClsidHostInfo,
    [](const rt::IID& iid, void** out) { return rt::makeObject<HostInfo>()->QueryInterface(iid, out); },
    &IHostInfo::info);

}  // namespace

}  // namespace svc
