// The host information object: facts about the machine, created at run time by class id
// or program identifier ("Ostrel.HostInfo").
#pragma once

#include <cstdint>

#include "runtime/com.h"
#include "runtime/dispatch.h"

namespace svc {

inline constexpr rt::CLSID kClsidHostInfo = rt::guid("{191CE66D-CC0B-44F2-A4E2-481399105B8F}");
inline constexpr const char* kProgidHostInfo = "Ostrel.HostInfo";

struct IHostInfo : rt::IDispatch {
    static constexpr rt::IID IID_ = rt::guid("{DF71D2C1-8BC3-4A2E-9FA6-BE0F7BE9E8E4}");
    using Base = rt::IDispatch;
    static const rt::InterfaceInfo& info();

    // The computer-name query. On entry *length is the room in nameField (in characters).
    // When the name fits: it is written over the start of nameField (which grows when it is
    // shorter than the name), *length becomes the name's length and *result 1. When it does
    // not fit: nothing is written, *length becomes the room needed and *result 0. Fails (with
    // the system's reason) only when the system cannot tell the name.
    virtual rt::HRESULT GetComputerName(rt::Str* nameField, int32_t* length, int32_t* result) = 0;
};

}  // namespace svc
