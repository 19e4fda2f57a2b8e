// The per-thread module state and the start-up procedure `Main`.
#pragma once

#include "frame/interfaces.h"
#include "runtime/com.h"

namespace velmora {

// Each thread that uses the library has its own copy, all empty until filled.
struct ModuleState {
    rt::ComPtr<_CCommonFunction> gCommon;  // filled by Main, never replaced
    rt::ComPtr<_CConPool> gConPool;        // filled by Main, never replaced
    rt::ComPtr<IDispatch> gTextLoader;     // the text loader, made on first text lookup
    rt::ComPtr<IDispatch> gMsgBox;         // renewed by every construction of a CCommonFunction
    rt::ComPtr<IDispatch> gHostInfo;       // the host information object, made on first use
};

ModuleState& moduleState();

// Runs before the first object of the library is created on a thread (by a client's
// creation request); fills gCommon, then gConPool. Creation inside the library does not
// run it again. Throws rt::Error when a shared object cannot be made.
void Main();

// The thread's shared objects (Main has run when a client reached the library).
_CCommonFunction* gCommon();
_CConPool* gConPool();

// Count of the library's living objects and server locks, for DllCanUnloadNow.
std::atomic<long>& libraryObjectCount();
std::atomic<long>& libraryLockCount();

// Base for the library's objects: counts them while they live.
struct CountedObject {
    CountedObject() { ++libraryObjectCount(); }
    ~CountedObject() { --libraryObjectCount(); }
    CountedObject(const CountedObject&) = delete;
    CountedObject& operator=(const CountedObject&) = delete;
};

}  // namespace velmora
