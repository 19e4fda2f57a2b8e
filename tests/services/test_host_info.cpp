// The host information object's computer-name query.
#include <unistd.h>

#include <climits>

#include "runtime/classes.h"
#include "runtime/convert.h"
#include "runtime/dispatch.h"
#include "runtime/error.h"
#include "services/host_info.h"
#include "services_testing.h"

namespace svc {
namespace {

std::string systemHostName() {
    char buf[HOST_NAME_MAX + 1] = {};
    ::gethostname(buf, sizeof buf - 1);
    return buf;
}

rt::ComPtr<IHostInfo> newHostInfo() {
    rt::ComPtr<IHostInfo> info;
    rt::check(rt::createInstance(kClsidHostInfo, IHostInfo::IID_, reinterpret_cast<void**>(info.put())));
    return info;
}

TEST(HostInfo, WritesTheNameOverTheStartOfTheFieldAndItsLength) {
    const std::string name = systemHostName();
    ASSERT_FALSE(name.empty());
    rt::Str field(128, u'\0');
    int32_t length = 127, ok = 0;
    ASSERT_EQ(newHostInfo()->GetComputerName(&field, &length, &ok), rt::S_OK);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(length, int32_t(name.size()));
    EXPECT_EQ(field.size(), 128u) << "the field keeps its size";
    EXPECT_EQ(rt::toUtf8(field.substr(0, size_t(length))), name);
    EXPECT_EQ(field[size_t(length)], u'\0') << "the rest of the field is left alone";
}

TEST(HostInfo, ANameThatDoesNotFitIsNotWritten) {
    const std::string name = systemHostName();
    rt::Str field(u"xx");
    int32_t length = 0, ok = -1;
    ASSERT_EQ(newHostInfo()->GetComputerName(&field, &length, &ok), rt::S_OK);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(length, int32_t(name.size())) << "the room needed";
    EXPECT_EQ(field, u"xx");

    rt::Str shortField;  // room given, but a field shorter than the name: it grows
    length = 127;
    ASSERT_EQ(newHostInfo()->GetComputerName(&shortField, &length, &ok), rt::S_OK);
    EXPECT_EQ(rt::toUtf8(shortField), name);
}

TEST(HostInfo, LateBoundTheFieldAndLengthComeBackByReference) {
    rt::ComPtr<rt::IDispatch> info = rt::createObject(u"Ostrel.HostInfo");
    rt::Variant field(rt::Str(128, u'\0'));
    rt::Variant length(int32_t(127));
    rt::Variant ok = rt::callMethod(info.get(), u"GetComputerName", {rt::CallArg::ref(field), rt::CallArg::ref(length)});
    EXPECT_EQ(rt::toI4(ok), 1);
    EXPECT_EQ(rt::toUtf8(field.str().substr(0, size_t(length.i4()))), systemHostName());
}

}  // namespace
}  // namespace svc
