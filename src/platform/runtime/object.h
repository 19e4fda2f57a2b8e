// Base for objects with dual interfaces: reference counting, QueryInterface over the
// interfaces' inheritance chains, and IDispatch served from the primary interface's table.
//
// An interface struct derives from IDispatch (or from another interface, named as its
// `Base`), declares its IID as `IID_` and its table as `static const InterfaceInfo& info()`.
#pragma once

#include <atomic>
#include <new>
#include <thread>
#include <type_traits>

#include "com.h"
#include "dispatch.h"

namespace rt {

// The thread an object belongs to: the one that made it (the apartment model). Calls from
// any other thread are refused with RPC_E_WRONG_THREAD rather than run on state that is
// not theirs; reference counting and QueryInterface stay free-threaded.
class ThreadAffinity {
public:
    bool onOwnThread() const noexcept { return std::this_thread::get_id() == owner_; }

private:
    std::thread::id owner_ = std::this_thread::get_id();
};

namespace object_detail {
template <class I>
bool chainHas(const IID& iid) {
    if (iid == I::IID_) return true;
    if constexpr (requires { typename I::Base; }) return chainHas<typename I::Base>(iid);
    return false;
}
}  // namespace object_detail

// Reference counting and QueryInterface over the inheritance chains of the interfaces
// Derived implements, for objects without a dispatch interface of their own (class
// factories, type information) and as the base of DispatchObject. The first interface
// answers for IUnknown (and for IDispatch when it is a dispatch interface). Objects are made with makeObject<Derived>() (or new, holding one
// reference) and die with their last reference.
template <class Derived, class First, class... Others>
class UnknownObject : public First, public Others... {
public:
    HRESULT QueryInterface(const IID& iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IUnknown::IID_ || (std::is_base_of_v<IDispatch, First> && iid == IDispatch::IID_) ||
            object_detail::chainHas<First>(iid)) {
            *out = static_cast<First*>(this);
        } else {
            (void)((object_detail::chainHas<Others>(iid) ? (*out = static_cast<Others*>(this), true) : false) || ...);
        }
        if (!*out) return queryExtra(iid, out);
        AddRef();
        return S_OK;
    }
    uint32_t AddRef() override { return ++refs_; }
    uint32_t Release() override {
        uint32_t n = --refs_;
        if (n == 0) delete this;  // the destructor is virtual: Derived's runs
        return n;
    }

protected:
    UnknownObject() = default;
    virtual ~UnknownObject() = default;
    UnknownObject(const UnknownObject&) = delete;
    UnknownObject& operator=(const UnknownObject&) = delete;
    // Interfaces outside the declared ones (for objects that expose extra ones on request).
    virtual HRESULT queryExtra(const IID&, void**) { return E_NOINTERFACE; }

private:
    std::atomic<uint32_t> refs_{1};
};

// Derived implements Primary (its dispatch interface) and optionally Others; IDispatch is
// served from Primary's member table. Objects are made with makeObject<Derived>() and die
// with their last reference.
template <class Derived, class Primary, class... Others>
class DispatchObject : public UnknownObject<Derived, Primary, Others...>, public ThreadAffinity {
public:
    HRESULT GetTypeInfoCount(uint32_t* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT GetTypeInfo(uint32_t index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        return makeTypeInfo(Primary::info(), info);
    }
    HRESULT GetIDsOfNames(const IID&, const char16_t* const* names, uint32_t count, LCID, DISPID* ids) override {
        return dispatchIdsOfNames(Primary::info(), names, count, ids);
    }
    // Late-bound calls of every object: refused on a thread other than the object's own.
    HRESULT Invoke(DISPID id, const IID&, LCID, uint16_t flags, DispParams* params, Variant* result,
                   ExcepInfo* excep, uint32_t* argErr) override {
        if (!this->onOwnThread()) return wrongThread(Primary::info().name());
        return dispatchInvoke(Primary::info(), static_cast<Primary*>(this), id, flags, params, result, excep,
                              argErr);
    }

    // A new reference to this object through its primary interface.
    ComPtr<Primary> self() { return ComPtr<Primary>(static_cast<Primary*>(this)); }

protected:
    // The interface boundary of the object's early-bound methods: runs body as rt::boundary
    // does (an exception becomes a failure status with the thread's error information),
    // after refusing a call from another thread than the object's own with
    // RPC_E_WRONG_THREAD.
    template <class F>
    HRESULT boundary(const char16_t* source, F&& body) noexcept {
        if (!this->onOwnThread()) return wrongThread(source);
        return rt::boundary(source, std::forward<F>(body));
    }

    DispatchObject() { ++liveObjectCount(); }
    ~DispatchObject() override { --liveObjectCount(); }
};

// A new object with one reference, owned by the returned pointer.
template <class T, class... A>
ComPtr<T> makeObject(A&&... a) {
    return ComPtr<T>::adopt(new T(std::forward<A>(a)...));
}

// Stores a new reference to p in an [in,out] or [out] interface slot, releasing the old one.
template <class I, class J>
void assignOut(I** slot, const ComPtr<J>& p) {
    I* old = *slot;
    *slot = p.get();
    if (*slot) (*slot)->AddRef();
    if (old) old->Release();
}
template <class I>
void assignOut(I** slot, std::nullptr_t) {
    if (I* old = *slot) old->Release();
    *slot = nullptr;
}

}  // namespace rt
