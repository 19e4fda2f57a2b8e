#include <cstring>
#include <thread>

#include "runtime/error.h"
#include "runtime/value_testing.h"

using namespace rt;

namespace {

TEST(ErrorTexts, StandardDescriptions) {
    EXPECT_EQ(std::u16string(u"Invalid procedure call or argument"), standardDescription(5));
    EXPECT_EQ(std::u16string(u"Overflow"), standardDescription(6));
    EXPECT_EQ(std::u16string(u"Type mismatch"), standardDescription(13));
    EXPECT_EQ(std::u16string(u"Invalid use of Null"), standardDescription(94));
    EXPECT_EQ(std::u16string(u"Object required"), standardDescription(424));
    EXPECT_EQ(std::u16string(u"Object doesn't support this property or method"), standardDescription(438));
    EXPECT_EQ(std::u16string(u"This key is already associated with an element of this collection"),
              standardDescription(457));
    EXPECT_EQ(std::u16string(u""), standardDescription(31999));
    EXPECT_EQ(std::u16string(u"Member not found."), standardDescription(DISP_E_MEMBERNOTFOUND));
    EXPECT_EQ(std::u16string(u"Type mismatch"), standardDescription(runtimeErrorHr(13)));
}

TEST(ErrorValues, NumbersAndStatuses) {
    const Error e = Error::number(13);
    EXPECT_EQ(hr(0x800A000D), e.hresult());
    EXPECT_EQ(13, e.numberValue());
    EXPECT_EQ(u"Type mismatch", e.description());
    EXPECT_STREQ("Run-time error 13: Type mismatch", e.what());

    EXPECT_EQ(u"Application-defined or object-defined error", Error::number(31999).description());
    EXPECT_EQ(u"mine", Error::number(5, u"mine", u"src").description());
    EXPECT_EQ(u"src", Error::number(5, u"mine", u"src").source());

    const Error s = Error::status(DISP_E_TYPEMISMATCH);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, s.hresult());
    EXPECT_EQ(int32_t(0x80020005), s.numberValue());
    EXPECT_EQ(u"Type mismatch.", s.description());
    EXPECT_NE(nullptr, std::strstr(s.what(), "0x80020005"));
    EXPECT_EQ(u"Automation error", Error::status(hr(0x80041234)).description());
    EXPECT_EQ(6, Error::status(runtimeErrorHr(6)).numberValue());
}

TEST(ErrorValues, RaiseThrows) {
    EXPECT_RT_ERROR(9, rt::raise(kErrSubscript));
    EXPECT_RT_ERROR(int32_t(E_INVALIDARG), raiseStatus(E_INVALIDARG));
    try {
        rt::raise(53, u"no such file: x.txt");
    } catch (const Error& e) {
        EXPECT_EQ(u"no such file: x.txt", e.description());
    }
}

TEST(ErrorInfo, TakenOnceForTheMatchingStatus) {
    setErrorInfo(Error::number(70, u"locked", u"Files"));
    Error e = takeErrorInfo(runtimeErrorHr(70));
    EXPECT_EQ(u"locked", e.description());
    EXPECT_EQ(u"Files", e.source());
    // Taken: the next call finds only the bare status.
    e = takeErrorInfo(runtimeErrorHr(70));
    EXPECT_EQ(u"Permission denied", e.description());
    EXPECT_EQ(u"", e.source());

    setErrorInfo(Error::number(70, u"locked"));
    e = takeErrorInfo(E_FAIL);  // a different status: the stored info is not its
    EXPECT_EQ(E_FAIL, e.hresult());
    EXPECT_EQ(u"Unspecified error", e.description());
    EXPECT_EQ(u"Permission denied", takeErrorInfo(runtimeErrorHr(70)).description());

    setErrorInfo(Error::number(5));
    clearErrorInfo();
    EXPECT_EQ(u"Invalid procedure call or argument", takeErrorInfo(runtimeErrorHr(5)).description());
}

TEST(ErrorInfo, PerThread) {
    setErrorInfo(Error::number(5, u"main thread"));
    std::u16string seen;
    std::thread([&] { seen = takeErrorInfo(runtimeErrorHr(5)).description(); }).join();
    EXPECT_EQ(u"Invalid procedure call or argument", seen);
    EXPECT_EQ(u"main thread", takeErrorInfo(runtimeErrorHr(5)).description());
}

TEST(ErrorBoundary, TurnsErrorsIntoStatusesAndBack) {
    const HRESULT status = boundary(u"Velmora.Test", [] { rt::raise(11); });
    EXPECT_EQ(runtimeErrorHr(11), status);
    try {
        check(status);
        ADD_FAILURE() << "check did not throw";
    } catch (const Error& e) {
        EXPECT_EQ(11, e.numberValue());
        EXPECT_EQ(u"Velmora.Test", e.source());
    }
    EXPECT_EQ(S_OK, boundary(u"x", [] {}));
    EXPECT_EQ(runtimeErrorHr(7), boundary(u"x", [] { throw std::bad_alloc(); }));
}

TEST(Guids, TextIsUpperCaseWithBraces) {
    constexpr GUID g = guid("{00020400-0000-0000-c000-000000000046}");
    EXPECT_EQ("{00020400-0000-0000-C000-000000000046}", guidText(g));
    bool ok = false;
    EXPECT_TRUE(parseGuid(guidText(g), ok) == g);
    EXPECT_TRUE(ok);
    EXPECT_EQ("{00000000-0000-0000-0000-000000000000}", guidText(GUID{}));
}

}  // namespace
