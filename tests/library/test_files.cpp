// Lines written to text files in a temporary folder, and the computer's name.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <latch>
#include <sstream>
#include <thread>

#include "library_testing.h"
#include "runtime/locale.h"
#include "runtime/object.h"
#include "services/host_info.h"
#include "support/testing.h"

using namespace velmora;
using namespace velmora::testing;
using rt::ComPtr;
using rt::Str;
using rt::Variant;

namespace {

// The shared temporary folder, with names as the library's callers pass them.
class TempDir : public support::TempDir {
public:
    Str name(const std::string& n) const { return rt::fromUtf8(file(n)); }
    std::string read(const std::string& n) const { return support::TempDir::read(file(n)); }
};

using support::ScopedLocale;

class WriteLine : public ::testing::Test {
protected:
    bool writeLine(const std::string& name, Str content, bool replace = false) {
        Str file = dir.name(name);
        rt::VARIANT_BOOL flag = replace ? rt::VARIANT_TRUE : rt::VARIANT_FALSE;
        return rt::call(cf.get(), &_CCommonFunction::bWriteLine, &file, &content, &flag) != 0;
    }

    ComPtr<_CCommonFunction> cf = newCommon();
    TempDir dir;
};

std::string systemHostName() {
    char buf[HOST_NAME_MAX + 1] = {};
    ::gethostname(buf, sizeof buf - 1);
    return buf;
}

Str computerName(const ComPtr<_CCommonFunction>& cf) { return rt::call(cf.get(), &_CCommonFunction::ComputerName); }

// A host information object that reports a name and a length of its own choosing, for the
// fields the real query never produces.
class StandInHostInfo final : public rt::DispatchObject<StandInHostInfo, svc::IHostInfo> {
public:
    StandInHostInfo(Str written, int32_t reported) : written_(std::move(written)), reported_(reported) {}
    rt::HRESULT GetComputerName(Str* nameField, int32_t* length, int32_t* result) override {
        nameField->replace(0, written_.size(), written_);
        *length = reported_;
        *result = 1;
        return rt::S_OK;
    }

private:
    Str written_;
    int32_t reported_;
};

}  // namespace

TEST_F(WriteLine, AppendsToAnExistingFileAndStartsAMissingOne) {
    EXPECT_TRUE(writeLine("journal.txt", u"first"));
    EXPECT_TRUE(writeLine("journal.txt", u"second"));
    EXPECT_EQ(dir.read("journal.txt"), "first\r\nsecond\r\n") << "two lines, in call order";
    EXPECT_TRUE(writeLine("journal.txt", u""));
    EXPECT_EQ(dir.read("journal.txt"), "first\r\nsecond\r\n\r\n") << "an empty line";
    EXPECT_TRUE(writeLine("journal.txt", u"fresh", true));
    EXPECT_EQ(dir.read("journal.txt"), "fresh\r\n") << "bOpenFlag starts the file again";
}

TEST_F(WriteLine, AppendsToAHiddenFileInsteadOfReplacingIt) {
    std::ofstream(dir.file(".posting.log"), std::ios::binary) << "earlier\r\n";
    EXPECT_TRUE(writeLine(".posting.log", u"later"));
    EXPECT_EQ(dir.read(".posting.log"), "earlier\r\nlater\r\n") << "the lines written before stay";
}

TEST_F(WriteLine, FailsQuietlyWhereNoFileCanBeWritten) {
    EXPECT_FALSE(writeLine("missing/folder/journal.txt", u"x"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing"))) << "nothing is created";

    std::filesystem::create_directory(dir.file("archive"));
    EXPECT_FALSE(writeLine("archive", u"x")) << "a folder counts as missing, and cannot be created";
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("archive")));
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("archive")));

    Str none;
    Str content = u"x";
    rt::VARIANT_BOOL flag = rt::VARIANT_FALSE;
    EXPECT_FALSE(rt::call(cf.get(), &_CCommonFunction::bWriteLine, &none, &content, &flag));
    EXPECT_EQ(rt::takeErrorInfo(rt::E_FAIL).description(), Str(rt::standardDescription(int(rt::E_FAIL))))
        << "the error is cleared";
}

TEST_F(WriteLine, WritesTheSystemCodePage) {
    {
        ScopedLocale chinese("zh-CN");
        EXPECT_TRUE(writeLine("936.txt", u"中文"));
        EXPECT_EQ(dir.read("936.txt"), "\xD6\xD0\xCE\xC4\r\n");
    }
    {
        ScopedLocale english("en-US");
        EXPECT_TRUE(writeLine("1252.txt", u"中é"));
        EXPECT_EQ(dir.read("1252.txt"), "?\xE9\r\n");
    }
}

TEST_F(WriteLine, LateBoundWithTheDefaultFlag) {
    Variant r = late(cf, u"bWriteLine", {Variant(dir.name("late.txt")), Variant(u"one")});
    EXPECT_EQ(r.type(), rt::VT_BOOL);
    EXPECT_TRUE(rt::toBool(r));
    late(cf, u"bWriteLine", {Variant(dir.name("late.txt")), Variant(u"two")});
    EXPECT_EQ(dir.read("late.txt"), "one\r\ntwo\r\n");
    EXPECT_FALSE(rt::toBool(late(cf, u"bWriteLine", {Variant(dir.name("no/late.txt")), Variant(u"x")})));
}

TEST(ComputerName, IsTheHostsNameAndKeepsOneHostInfoPerThread) {
    std::thread([] {
        auto cf = newCommon();
        EXPECT_FALSE(moduleState().gHostInfo) << "made on the first call";
        EXPECT_EQ(rt::toUtf8(computerName(cf)), systemHostName());
        const void* first = rt::identityOf(moduleState().gHostInfo.get());
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(rt::toUtf8(rt::toText(late(cf, u"ComputerName", {}))), systemHostName());
        EXPECT_EQ(rt::identityOf(moduleState().gHostInfo.get()), first) << "kept";
    }).join();

    // Two threads at once: each has its own.
    std::latch bothAsked(2);
    const void* seen[2] = {};
    auto ask = [&](int i) {
        auto cf = newCommon();
        computerName(cf);
        seen[i] = rt::identityOf(moduleState().gHostInfo.get());
        bothAsked.arrive_and_wait();  // both objects are alive while they are compared
    };
    std::thread a(ask, 0), b(ask, 1);
    a.join();
    b.join();
    EXPECT_NE(seen[0], nullptr);
    EXPECT_NE(seen[1], nullptr);
    EXPECT_NE(seen[0], seen[1]);
}

TEST(ComputerName, ReturnsAsManyCharactersAsTheQueryReports) {
    std::thread([] {
        auto cf = newCommon();
        auto reporting = [](Str written, int32_t length) {
            moduleState().gHostInfo = rt::makeObject<StandInHostInfo>(std::move(written), length);
        };
        reporting(u"box-7   ", 5);
        EXPECT_EQ(computerName(cf), u"box-7") << "without the spaces or NULs of the field";
        reporting(u"box-7", 0);
        EXPECT_EQ(computerName(cf), u"");
        moduleState().gHostInfo = nullptr;
    }).join();
}
