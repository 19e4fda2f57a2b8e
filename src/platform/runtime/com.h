// Object model: IUnknown- and IDispatch-shaped interfaces, and the smart pointer over them.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

#include "types.h"
#include "ustring.h"

namespace rt {

class Variant;
struct ITypeInfo;

struct IUnknown {
    static constexpr IID IID_ = guid("{00000000-0000-0000-C000-000000000046}");
    virtual HRESULT QueryInterface(const IID& iid, void** out) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

protected:
    ~IUnknown() = default;
};

// Arguments of Invoke, in the dispatch mechanism's order: args[0] is the LAST positional
// argument; named arguments come first (args[0..namedCount)) with their ids in namedIds.
// A by-reference argument is a Variant of kind ByRef pointing at the caller's Variant.
struct DispParams {
    Variant* args = nullptr;
    const DISPID* namedIds = nullptr;
    uint32_t argCount = 0;
    uint32_t namedCount = 0;
};

struct ExcepInfo {
    uint16_t code = 0;
    Str source;
    Str description;
    Str helpFile;
    uint32_t helpContext = 0;
    SCODE scode = 0;
};

struct IDispatch : IUnknown {
    static constexpr IID IID_ = guid("{00020400-0000-0000-C000-000000000046}");
    virtual HRESULT GetTypeInfoCount(uint32_t* count) = 0;
    virtual HRESULT GetTypeInfo(uint32_t index, LCID lcid, ITypeInfo** info) = 0;
    virtual HRESULT GetIDsOfNames(const IID& iid, const char16_t* const* names, uint32_t count, LCID lcid,
                                  DISPID* ids) = 0;
    virtual HRESULT Invoke(DISPID id, const IID& iid, LCID lcid, uint16_t flags, DispParams* params,
                           Variant* result, ExcepInfo* excep, uint32_t* argErr) = 0;

protected:
    ~IDispatch() = default;
};

template <class I>
constexpr const IID& iidOf() {
    return I::IID_;
}

// Owning reference to an interface. Null means "nothing".
template <class I>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Adopts nothing: takes a new reference to p.
    explicit ComPtr(I* p) : p_(p) {
        if (p_) p_->AddRef();
    }
    ComPtr(const ComPtr& o) : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template <class J>
    ComPtr(const ComPtr<J>& o) : p_(o.get()) {
        if (p_) p_->AddRef();
    }
    ~ComPtr() { reset(); }

    ComPtr& operator=(const ComPtr& o) {
        ComPtr(o).swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& o) noexcept {
        ComPtr(std::move(o)).swap(*this);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) {
        reset();
        return *this;
    }

    // Takes over a reference the caller already owns (an out-parameter's result).
    static ComPtr adopt(I* p) {
        ComPtr c;
        c.p_ = p;
        return c;
    }
    I* detach() { return std::exchange(p_, nullptr); }
    void reset() {
        if (I* p = std::exchange(p_, nullptr)) p->Release();
    }
    void swap(ComPtr& o) noexcept { std::swap(p_, o.p_); }

    I* get() const { return p_; }
    I* operator->() const { return p_; }
    I& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: releases what is held and hands the slot out.
    I** put() {
        reset();
        return &p_;
    }

    // QueryInterface; null when the object lacks J (or is null).
    template <class J>
    ComPtr<J> as() const {
        ComPtr<J> r;
        if (p_) p_->QueryInterface(iidOf<J>(), reinterpret_cast<void**>(r.put()));
        return r;
    }

    friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.p_ == b.p_; }

private:
    I* p_ = nullptr;
};

// The object's identity: its IUnknown pointer (equal for two references to one object).
const void* identityOf(IUnknown* p);

// Live object count of the process, for DllCanUnloadNow-style answers.
std::atomic<long>& liveObjectCount();

}  // namespace rt
