// Every boundary is closed: whatever a member, an argument's conversion or a class's
// creation throws comes back to the caller as an error with a number and a description,
// and the process goes on.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <variant>

#include "runtime/call.h"
#include "runtime/classes.h"
#include "runtime/object.h"

using namespace rt;

namespace {

struct IThrower : IDispatch {
    static constexpr IID IID_ = guid("{6F1B2D40-1111-4A2B-9C3D-0000000000B1}");
    using Base = IDispatch;
    static const InterfaceInfo& info();
    // Bodies that throw without a boundary of their own: what a careless member does.
    virtual HRESULT Raw(int32_t* kind) = 0;
    // The same behind rt::boundary, as every early-bound method is written.
    virtual HRESULT Bounded(int32_t* kind) = 0;
};

const InterfaceInfo& IThrower::info() {
    using namespace types;
    static const InterfaceInfo table("IThrower", IID_,
                                     {
                                         sub<&IThrower::Raw>("Raw", 1, "throws without a boundary", arg<Int32>("kind")),
                                         sub<&IThrower::Bounded>("Bounded", 2, "throws behind the boundary",
                                                                 arg<Int32>("kind")),
                                     });
    return table;
}

// kind: 1 std::out_of_range, 2 std::bad_variant_access, 3 an int, 4 std::bad_alloc,
// 5 rt::Error 13.
[[noreturn]] void throwKind(int32_t kind) {
    switch (kind) {
        case 1: throw std::out_of_range("index 7 is past the end");
        case 2: {
            std::variant<int, double> v = 1.5;
            (void)std::get<int>(v);
            break;
        }
        case 3: throw 42;
        case 4: throw std::bad_alloc();
        default: break;
    }
    rt::raise(kErrTypeMismatch);
}

class Thrower final : public DispatchObject<Thrower, IThrower> {
public:
    HRESULT Raw(int32_t* kind) override { throwKind(*kind); }
    HRESULT Bounded(int32_t* kind) override {
        return boundary(u"Thrower", [&] { throwKind(*kind); });
    }
};

ComPtr<IDispatch> thrower() { return ComPtr<IDispatch>(makeObject<Thrower>().get()); }

Error lateError(IDispatch* d, const char16_t* member, int32_t kind) {
    try {
        callMethod(d, member, {Variant(kind)});
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << "the call did not fail";
    return {};
}

}  // namespace

TEST(Boundaries, AnyExceptionInAnEarlyBoundMethodBecomesInternalError) {
    auto obj = makeObject<Thrower>();
    int32_t kind = 1;
    HRESULT hr = obj->Bounded(&kind);
    Error e = takeErrorInfo(hr);
    EXPECT_EQ(e.numberValue(), kErrInternal);
    EXPECT_EQ(e.description(), u"index 7 is past the end");
    EXPECT_EQ(e.source(), u"Thrower");

    kind = 3;  // not even a standard exception
    e = takeErrorInfo(obj->Bounded(&kind));
    EXPECT_EQ(e.numberValue(), kErrInternal);
    EXPECT_EQ(e.description(), u"Internal error");

    kind = 4;
    EXPECT_EQ(takeErrorInfo(obj->Bounded(&kind)).numberValue(), kErrOutOfMemory);
    kind = 5;  // the runtime's own errors keep their number
    EXPECT_EQ(takeErrorInfo(obj->Bounded(&kind)).numberValue(), kErrTypeMismatch);
}

TEST(Boundaries, InvokeTurnsWhateverAMemberThrowsIntoTheCallsError) {
    auto d = thrower();
    Error e = lateError(d.get(), u"Raw", 1);
    EXPECT_EQ(e.numberValue(), kErrInternal);
    EXPECT_EQ(e.description(), u"index 7 is past the end");
    e = lateError(d.get(), u"Raw", 2);
    EXPECT_EQ(e.numberValue(), kErrInternal);
    EXPECT_FALSE(e.description().empty());
    EXPECT_EQ(lateError(d.get(), u"Raw", 3).numberValue(), kErrInternal);
    EXPECT_EQ(lateError(d.get(), u"Raw", 4).numberValue(), kErrOutOfMemory);
    EXPECT_EQ(lateError(d.get(), u"Raw", 5).numberValue(), kErrTypeMismatch);
    // Behind the boundary the same errors arrive with the member's source.
    e = lateError(d.get(), u"Bounded", 1);
    EXPECT_EQ(e.numberValue(), kErrInternal);
    EXPECT_EQ(e.source(), u"Thrower");
    // The object is still usable afterwards.
    EXPECT_EQ(lateError(d.get(), u"Raw", 5).numberValue(), kErrTypeMismatch);
}

namespace {

HRESULT throwingCreation(const IID&, void**) { throw std::runtime_error("the class could not start"); }

}  // namespace

TEST(Boundaries, AClassFactoryReportsWhatItsCreationThrows) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(makeClassFactory(&throwingCreation, nullptr, factory.put()), S_OK);
    void* out = reinterpret_cast<void*>(1);
    HRESULT hr = factory->CreateInstance(nullptr, IDispatch::IID_, &out);
    EXPECT_EQ(out, nullptr);
    Error e = takeErrorInfo(hr);
    EXPECT_EQ(e.numberValue(), kErrInternal);
    EXPECT_EQ(e.description(), u"the class could not start");
}

TEST(Boundaries, CurrentErrorKeepsTheRuntimesErrorsWhole) {
    try {
        raise(kErrOverflow, u"too big");
    } catch (...) {
        Error e = currentError();
        EXPECT_EQ(e.numberValue(), kErrOverflow);
        EXPECT_EQ(e.description(), u"too big");
    }
}
