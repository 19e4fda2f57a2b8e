// Dispatch driven by member tables: names, ids, argument coercion, defaults, by-reference
// write-back, errors, default members, type information.
#include <gtest/gtest.h>

#include "runtime/object.h"

using namespace rt;

namespace {

struct ISample : IDispatch {
    static constexpr IID IID_ = guid("{6F1B2D40-1111-4A2B-9C3D-000000000001}");
    using Base = IDispatch;
    static const InterfaceInfo& info();
    virtual HRESULT Echo(Variant* value, Variant* result) = 0;
    virtual HRESULT Concat(Str* left, const Str& right, int16_t* times, Str* result) = 0;
    virtual HRESULT Trim(Str* text) = 0;  // rewrites its by-reference argument
    virtual HRESULT Fail(int32_t* number) = 0;
    virtual HRESULT get_Count(int32_t* result) = 0;
    virtual HRESULT put_Count(int32_t value) = 0;
    virtual HRESULT get_Item(Variant* key, Variant* result) = 0;
    virtual HRESULT Flag(VARIANT_BOOL* on, VARIANT_BOOL* result) = 0;
    virtual HRESULT Child(ISample** result) = 0;
    virtual HRESULT Size(Array* items, int32_t* result) = 0;
};

constexpr TypeSpec kSample = types::iface<ISample>("ISample");

const InterfaceInfo& ISample::info() {
    using namespace types;
    static const InterfaceInfo table(
        "ISample", IID_,
        {
            method<&ISample::Echo, Variant_>("Echo", 1, "", arg<Variant_>("value").opt()),
            method<&ISample::Concat, String>("Concat", 2, "", arg<String>("left"), arg<String>("right").byVal(), arg<Int16>("times").opt(Variant(int16_t(1)))),
            sub<&ISample::Trim>("Trim", 3, "", arg<String>("text")),
            sub<&ISample::Fail>("Fail", 4, "", arg<Int32>("number")),
            getter<&ISample::get_Count, Int32>("Count", 5, ""),
            setter<&ISample::put_Count>("Count", 5, "", arg<Int32>("value").byVal()),
            getter<&ISample::get_Item, Variant_>("Item", 0, "", arg<Variant_>("key")),
            method<&ISample::Flag, Boolean>("Flag", 6, "", arg<Boolean>("on")),
            method<&ISample::Child, kSample>("Child", 7, ""),
            method<&ISample::Size, Int32>("Size", 8, "", arg<VariantArray>("items")),
        });
    return table;
}

class Sample final : public DispatchObject<Sample, ISample> {
public:
    HRESULT Echo(Variant* value, Variant* result) override {
        *result = *value;
        return S_OK;
    }
    HRESULT Concat(Str* left, const Str& right, int16_t* times, Str* result) override {
        Str r;
        for (int i = 0; i < *times; ++i) r += *left + right;
        *result = r;
        *left = u"used";
        return S_OK;
    }
    HRESULT Trim(Str* text) override {
        *text = Str(trimSpaces(*text));
        return S_OK;
    }
    HRESULT Fail(int32_t* number) override {
        return boundary(u"Sample", [&] { rt::raise(*number); });
    }
    HRESULT get_Count(int32_t* result) override {
        *result = count;
        return S_OK;
    }
    HRESULT put_Count(int32_t value) override {
        count = value;
        return S_OK;
    }
    HRESULT get_Item(Variant* key, Variant* result) override {
        *result = Variant(Str(u"item:") + toText(*key));
        return S_OK;
    }
    HRESULT Flag(VARIANT_BOOL* on, VARIANT_BOOL* result) override {
        *result = *on ? VARIANT_FALSE : VARIANT_TRUE;
        *on = VARIANT_FALSE;
        return S_OK;
    }
    HRESULT Child(ISample** result) override {
        assignOut(result, self());
        return S_OK;
    }
    HRESULT Size(Array* items, int32_t* result) override {
        *result = int32_t(items->size());
        return S_OK;
    }
    int32_t count = 0;
};

ComPtr<IDispatch> sample() { return ComPtr<IDispatch>(makeObject<Sample>().get()); }

HRESULT rawInvoke(IDispatch* d, DISPID id, uint16_t flags, std::vector<Variant> reversedArgs, Variant* result,
                  ExcepInfo* ex = nullptr, uint32_t* argErr = nullptr, std::vector<DISPID> named = {}) {
    DispParams dp;
    dp.args = reversedArgs.data();
    dp.argCount = uint32_t(reversedArgs.size());
    dp.namedIds = named.data();
    dp.namedCount = uint32_t(named.size());
    return d->Invoke(id, IID{}, 0, flags, &dp, result, ex, argErr);
}

}  // namespace

TEST(Dispatch, NamesResolveWithoutRegardToCase) {
    auto d = sample();
    const char16_t* names[] = {u"cONCAT", u"TIMES", u"left"};
    DISPID ids[3] = {};
    ASSERT_EQ(d->GetIDsOfNames(IID{}, names, 3, 0, ids), S_OK);
    EXPECT_EQ(ids[0], 2);
    EXPECT_EQ(ids[1], 2);  // parameter index of "times"
    EXPECT_EQ(ids[2], 0);
    const char16_t* bad[] = {u"Nope"};
    EXPECT_EQ(d->GetIDsOfNames(IID{}, bad, 1, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_UNKNOWN);
    const char16_t* badParam[] = {u"concat", u"nope"};
    EXPECT_EQ(d->GetIDsOfNames(IID{}, badParam, 2, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 2);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
}

TEST(Dispatch, DefaultsFillOmittedOptionals) {
    auto d = sample();
    EXPECT_EQ(toText(callMethod(d.get(), u"Concat", {Variant(u"a"), Variant(u"b")})), u"ab");
    EXPECT_EQ(toText(callMethod(d.get(), u"Concat", {Variant(u"a"), Variant(u"b"), Variant(int32_t(3))})),
              u"ababab");
    // The missing marker in a position counts as omitted.
    EXPECT_EQ(toText(callMethod(d.get(), u"Concat", {Variant(u"a"), Variant(u"b"), Variant(Missing{})})), u"ab");
    // An optional Variant without default receives the missing marker.
    EXPECT_TRUE(callMethod(d.get(), u"Echo").isMissing());
}

TEST(Dispatch, ArgumentCountAndOptionalityAreChecked) {
    auto d = sample();
    Variant r;
    EXPECT_EQ(rawInvoke(d.get(), 2, DISPATCH_METHOD, {Variant(u"b")}, &r), DISP_E_PARAMNOTOPTIONAL);
    EXPECT_EQ(rawInvoke(d.get(), 2, DISPATCH_METHOD,
                        {Variant(1), Variant(1), Variant(u"b"), Variant(u"a")}, &r),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(rawInvoke(d.get(), 99, DISPATCH_METHOD, {}, &r), DISP_E_MEMBERNOTFOUND);
    try {
        callMethod(d.get(), u"Concat", {Variant(u"a")});
        FAIL();
    } catch (Error& e) {
        EXPECT_EQ(e.numberValue(), 449);
    }
}

TEST(Dispatch, CoercionFailureNamesTheArgument) {
    auto d = sample();
    Variant r;
    uint32_t argErr = 99;
    // Concat(left, right, times="x"): times is args[0] in reverse order.
    EXPECT_EQ(rawInvoke(d.get(), 2, DISPATCH_METHOD, {Variant(u"x"), Variant(u"b"), Variant(u"a")}, &r, nullptr,
                        &argErr),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);
    EXPECT_EQ(rawInvoke(d.get(), 2, DISPATCH_METHOD, {Variant(int32_t(70000)), Variant(u"b"), Variant(u"a")}, &r),
              DISP_E_OVERFLOW);
    // Numbers coerce to the declared string type; numeric text to the declared int16.
    EXPECT_EQ(toText(callMethod(d.get(), u"Concat", {Variant(12), Variant(3.5), Variant(u"2")})), u"123.5123.5");
}

TEST(Dispatch, ByReferenceArgumentsAreWrittenBackInTheDeclaredType) {
    auto d = sample();
    Variant left(int32_t(7));  // declared String: coerced, then written back as a string
    callMethod(d.get(), u"Concat", {CallArg::ref(left), Variant(u"b")});
    ASSERT_TRUE(left.isString());
    EXPECT_EQ(left.str(), u"used");

    Variant text(Str(u"  x  "));  // already a string: the method works on the caller's value
    callMethod(d.get(), u"Trim", {CallArg::ref(text)});
    EXPECT_EQ(text.str(), u"x");

    Variant on(int32_t(5));
    Variant r = callMethod(d.get(), u"Flag", {CallArg::ref(on)});
    EXPECT_EQ(r.type(), VT_BOOL);
    EXPECT_EQ(r.boolean(), VARIANT_FALSE);
    EXPECT_EQ(on.type(), VT_BOOL);
    EXPECT_EQ(on.boolean(), VARIANT_FALSE);

    Variant temp(Str(u"  y "));  // by value from the caller's side: its rewrite is lost
    callMethod(d.get(), u"Trim", {temp});
    EXPECT_EQ(temp.str(), u"  y ");
}

TEST(Dispatch, NamedArguments) {
    auto d = sample();
    Variant r;
    // Concat(times:=2, left:="p", right:="q"): named ones first in args.
    ASSERT_EQ(rawInvoke(d.get(), 2, DISPATCH_METHOD, {Variant(int32_t(2)), Variant(u"p"), Variant(u"q")}, &r,
                        nullptr, nullptr, {2, 0, 1}),
              S_OK);
    EXPECT_EQ(r.str(), u"pqpq");
}

TEST(Dispatch, MethodErrorsBecomeExceptionsWithNumberDescriptionAndSource) {
    auto d = sample();
    ExcepInfo ex;
    Variant r;
    ASSERT_EQ(rawInvoke(d.get(), 4, DISPATCH_METHOD, {Variant(int32_t(13))}, &r, &ex), DISP_E_EXCEPTION);
    EXPECT_EQ(uint32_t(ex.scode), 0x800A000Du);
    EXPECT_EQ(ex.description, u"Type mismatch");
    EXPECT_EQ(ex.source, u"Sample");
    try {
        callMethod(d.get(), u"Fail", {Variant(int32_t(94))});
        FAIL();
    } catch (Error& e) {
        EXPECT_EQ(e.numberValue(), 94);
        EXPECT_EQ(e.description(), u"Invalid use of Null");
    }
}

TEST(Dispatch, PropertiesAndTheDefaultMember) {
    auto d = sample();
    putProperty(d.get(), u"count", Variant(int32_t(41)));
    EXPECT_EQ(toI4(getProperty(d.get(), u"Count")), 41);
    Variant r = invokeId(d.get(), DISPID_VALUE, DISPATCH_PROPERTYGET, {Variant(u"k")});
    EXPECT_EQ(r.str(), u"item:k");
    // A member without parameters that returns an object passes extra arguments on to that
    // object's default member.
    Variant viaChild = callMethod(d.get(), u"Child", {Variant(u"z")});
    EXPECT_EQ(viaChild.str(), u"item:z");
}

TEST(Dispatch, ObjectResultsKeepIdentity) {
    auto d = sample();
    Variant c = callMethod(d.get(), u"Child");
    ASSERT_TRUE(c.isObject());
    EXPECT_EQ(identityOf(c.object().get()), identityOf(d.get()));
}

TEST(Dispatch, ArraysPassAsVariantArrays) {
    auto d = sample();
    Array a(1, {Variant(1), Variant(2), Variant(3)});
    EXPECT_EQ(toI4(callMethod(d.get(), u"Size", {Variant(a)})), 3);
    EXPECT_THROW(callMethod(d.get(), u"Size", {Variant(5)}), Error);
}

TEST(Dispatch, TypeInfoListsTheTable) {
    auto d = sample();
    uint32_t n = 0;
    ASSERT_EQ(d->GetTypeInfoCount(&n), S_OK);
    EXPECT_EQ(n, 1u);
    ITypeInfo* ti = nullptr;
    ASSERT_EQ(d->GetTypeInfo(0, 0, &ti), S_OK);
    const InterfaceInfo* info = nullptr;
    ASSERT_EQ(ti->GetInterfaceInfo(&info), S_OK);
    ti->Release();
    EXPECT_EQ(info, &ISample::info());
    std::string listing = describeInterface(*info);
    EXPECT_NE(listing.find("[id(0x00000002)] method Concat(ByRef left As String, ByVal right As String, "
                           "Optional ByRef times As Integer = 1) As String"),
              std::string::npos)
        << listing;
    EXPECT_NE(listing.find("property let Count(ByVal value As Long)"), std::string::npos) << listing;
}

TEST(Dispatch, QueryInterfaceAndReferenceCounts) {
    long before = liveObjectCount();
    {
        auto s = makeObject<Sample>();
        EXPECT_EQ(liveObjectCount(), before + 1);
        EXPECT_TRUE(s->self().as<ISample>());
        EXPECT_TRUE(s->self().as<IDispatch>());
        EXPECT_FALSE(s->self().as<ITypeInfo>());
    }
    EXPECT_EQ(liveObjectCount(), before);
}
