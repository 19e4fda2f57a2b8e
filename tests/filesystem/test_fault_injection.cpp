// The file-system object with each of its file calls failing in turn: a clean error, no
// descriptor left open, and the file as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "runtime/classes.h"
#include "runtime/convert.h"
#include "runtime/dispatch.h"
#include "support/fault_walk.h"
#include "support/testing.h"

namespace {

using rt::ComPtr;
using rt::IDispatch;
using rt::Variant;
using rt::fault::Kind;
using support::TempDir;
using support::walkFailures;

size_t openDescriptors() {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

class FsoFaultInjection : public ::testing::Test {
protected:
    TempDir dir;
    ComPtr<IDispatch> fso = rt::createObject(u"Scripting.FileSystemObject");

    // The text of the file read through the object: OpenTextFile, ReadAll, Close.
    std::string readAll(const std::string& path) {
        ComPtr<IDispatch> in = rt::toObject(rt::callMethod(fso.get(), u"OpenTextFile", {Variant(rt::fromUtf8(path))}));
        const Variant all = rt::callMethod(in.get(), u"ReadAll", {});
        rt::callMethod(in.get(), u"Close", {});
        return rt::toUtf8(rt::toText(all));
    }
};

TEST_F(FsoFaultInjection, ReadingFailsCleanly) {
    const std::string file = dir.write("in.txt", "first\r\nsecond\r\n");
    const size_t descriptors = openDescriptors();
    const int64_t calls = walkFailures(
        Kind::File, [&] { EXPECT_EQ(readAll(file), "first\r\nsecond\r\n"); },
        [&](int64_t n, const rt::Error&) { EXPECT_EQ(openDescriptors(), descriptors) << "call " << n; });
    EXPECT_GE(calls, 3);  // open, read, read to the end
    EXPECT_EQ(TempDir::read(file), "first\r\nsecond\r\n");
}

TEST_F(FsoFaultInjection, AppendingFailsCleanlyAndKeepsWhatWasThere) {
    const std::string file = dir.write("log.txt", "kept\r\n");
    const size_t descriptors = openDescriptors();
    const int64_t calls = walkFailures(
        Kind::File,
        [&] {
            // OpenTextFile(path, ForAppending = 8), one WriteLine, Close.
            ComPtr<IDispatch> out = rt::toObject(
                rt::callMethod(fso.get(), u"OpenTextFile", {Variant(rt::fromUtf8(file)), Variant(int32_t(8))}));
            rt::callMethod(out.get(), u"WriteLine", {Variant(u"added")});
            rt::callMethod(out.get(), u"Close", {});
        },
        [&](int64_t n, const rt::Error&) {
            EXPECT_EQ(TempDir::read(file), "kept\r\n") << "call " << n;
            EXPECT_EQ(openDescriptors(), descriptors);
        });
    EXPECT_GE(calls, 2);  // open, write
    EXPECT_EQ(TempDir::read(file), "kept\r\nadded\r\n");
}

}  // namespace
