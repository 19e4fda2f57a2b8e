// The missing-argument marker in late-bound calls: a value for a required Variant
// parameter, an omission for an optional one, refused for required parameters of other
// types and when the caller passes fewer arguments than the member requires.
#include <gtest/gtest.h>

#include "runtime/object.h"

using namespace rt;

namespace {

struct IMarker : IDispatch {
    static constexpr IID IID_ = guid("{6F1B2D40-1111-4A2B-9C3D-000000000002}");
    using Base = IDispatch;
    static const InterfaceInfo& info();
    // "missing" when value holds the marker, else the value's text; tail is optional.
    virtual HRESULT Mode(Variant* value, Variant* tail, Str* result) = 0;
    virtual HRESULT Typed(Str* text, int32_t* number, Str* result) = 0;
    virtual HRESULT Pair(Variant* first, Variant* second, Str* result) = 0;
};

const InterfaceInfo& IMarker::info() {
    using namespace types;
    static const InterfaceInfo table(
        "IMarker", IID_,
        {
            method<&IMarker::Mode, String>("Mode", 1, "", arg<Variant_>("value"), arg<Variant_>("tail").opt()),
            method<&IMarker::Typed, String>("Typed", 2, "", arg<String>("text"), arg<Int32>("number")),
            method<&IMarker::Pair, String>("Pair", 3, "", arg<Variant_>("first"), arg<Variant_>("second")),
        });
    return table;
}

Str describe(const Variant& v) { return v.deref().isMissing() ? Str(u"missing") : toText(v); }

class Marker final : public DispatchObject<Marker, IMarker> {
public:
    HRESULT Mode(Variant* value, Variant* tail, Str* result) override {
        *result = describe(*value) + u"/" + describe(*tail);
        if (!value->deref().isMissing()) *value = Variant(u"seen");
        return S_OK;
    }
    HRESULT Typed(Str* text, int32_t* number, Str* result) override {
        *result = *text + u":" + toText(Variant(*number));
        return S_OK;
    }
    HRESULT Pair(Variant* first, Variant* second, Str* result) override {
        *result = describe(*first) + u"," + describe(*second);
        return S_OK;
    }
};

ComPtr<IDispatch> marker() { return ComPtr<IDispatch>(makeObject<Marker>().get()); }

HRESULT rawInvoke(IDispatch* d, DISPID id, std::vector<Variant> reversedArgs, Variant* result,
                  std::vector<DISPID> named = {}) {
    DispParams dp;
    dp.args = reversedArgs.data();
    dp.argCount = uint32_t(reversedArgs.size());
    dp.namedIds = named.data();
    dp.namedCount = uint32_t(named.size());
    return d->Invoke(id, IID{}, 0, DISPATCH_METHOD, &dp, result, nullptr, nullptr);
}

}  // namespace

TEST(DispatchMissingMarker, ReachesARequiredVariantParameter) {
    auto d = marker();
    EXPECT_EQ(toText(callMethod(d.get(), u"Mode", {Variant(Missing{})})), u"missing/missing");
    EXPECT_EQ(toText(callMethod(d.get(), u"Mode", {Variant(Missing{}), Variant(u"t")})), u"missing/t");
    EXPECT_EQ(toText(callMethod(d.get(), u"Mode", {Variant(u"v")})), u"v/missing");
    EXPECT_EQ(toText(callMethod(d.get(), u"Pair", {Variant(Missing{}), Variant(Missing{})})), u"missing,missing");
    // By reference: the caller's variable keeps the marker, as the member left it.
    Variant held(Missing{});
    EXPECT_EQ(toText(callMethod(d.get(), u"Mode", {CallArg::ref(held)})), u"missing/missing");
    EXPECT_TRUE(held.isMissing());
    Variant text(u"x");
    callMethod(d.get(), u"Mode", {CallArg::ref(text)});
    EXPECT_EQ(toText(text), u"seen");
}

TEST(DispatchMissingMarker, NamedArgumentsCarryItToo) {
    auto d = marker();
    Variant r;
    // Pair(first:="a", second:=missing), and the other way round.
    ASSERT_EQ(rawInvoke(d.get(), 3, {Variant(u"a"), Variant(Missing{})}, &r, {0, 1}), S_OK);
    EXPECT_EQ(toText(r), u"a,missing");
    ASSERT_EQ(rawInvoke(d.get(), 3, {Variant(u"a"), Variant(Missing{})}, &r, {1, 0}), S_OK);
    EXPECT_EQ(toText(r), u"missing,a");
}

TEST(DispatchMissingMarker, RefusedForRequiredParametersOfOtherTypes) {
    auto d = marker();
    Variant r;
    // Typed(text, number): the marker in either place cannot become a string or a number.
    EXPECT_EQ(rawInvoke(d.get(), 2, {Variant(int32_t(1)), Variant(Missing{})}, &r), DISP_E_PARAMNOTOPTIONAL);
    EXPECT_EQ(rawInvoke(d.get(), 2, {Variant(Missing{}), Variant(u"a")}, &r), DISP_E_PARAMNOTOPTIONAL);
    ASSERT_EQ(rawInvoke(d.get(), 2, {Variant(int32_t(7)), Variant(u"a")}, &r), S_OK);
    EXPECT_EQ(toText(r), u"a:7");
}

TEST(DispatchMissingMarker, FewerArgumentsThanRequiredAreStillRefused) {
    auto d = marker();
    Variant r;
    EXPECT_EQ(rawInvoke(d.get(), 1, {}, &r), DISP_E_PARAMNOTOPTIONAL);
    EXPECT_EQ(rawInvoke(d.get(), 3, {Variant(u"a")}, &r), DISP_E_PARAMNOTOPTIONAL);
    EXPECT_EQ(rawInvoke(d.get(), 3, {Variant(Missing{})}, &r), DISP_E_PARAMNOTOPTIONAL);
    try {
        callMethod(d.get(), u"Pair", {Variant(u"a")});
        FAIL() << "a required argument left out";
    } catch (Error& e) {
        EXPECT_EQ(e.numberValue(), 449);
    }
}
