// The library's own uses of the fault-injection seam: templates read through the DOM with
// each file, libxml2 and allocation call failing, and the pool's wait when the clock jumps.
#include <chrono>

#include "pool/con_pool.h"
#include "runtime/fault.h"
#include "xml_testing.h"

using namespace velmora;
using namespace velmora::testing;
using rt::ComPtr;
using rt::Str;
using rt::Variant;
using rt::fault::Kind;

namespace {

const char* const kBooks =
    "<?xml version='1.0'?><kainterface roottag='books'><books><sale kind='retail'/></books></kainterface>";

// The root element's name of a template result; "" for nothing or an empty document.
std::string rootName(const Variant& result) {
    if (!result.isObject() || !result.object()) return "";
    auto root = rootOf(objectAs<Document>(result).get());
    if (!root) return "";
    Str name;
    rt::check(root->get_nodeName(&name));
    return rt::toUtf8(name);
}

TEST(LibraryFaultInjection, ATemplateThatCannotBeReadGivesTheGuardsResult) {
    support::TempDir dir;
    const Str file = rt::fromUtf8(dir.write("books.xml", kBooks));
    ComPtr<_CCommonFunction> cf = newCommon();
    for (Kind kind : {Kind::File, Kind::Xml, Kind::Alloc}) {
        int64_t n = 1;
        for (;; ++n) {
            Variant out;
            bool fired = false;
            {
                rt::fault::Injection injection(kind, n);
                Str name = u"sale", path = file;
                VARIANT_BOOL asDom = rt::VARIANT_TRUE;
                client::call(cf.get(), &_CCommonFunction::LoadFromTemplate, &name, &out, &path, &asDom);
                fired = injection.fired();
            }
            if (!fired) {
                EXPECT_EQ(rootName(out), "sale");
                break;
            }
            // The handler's result, or the empty document an unreadable file leaves.
            EXPECT_EQ(rootName(out), "") << "call " << n;
        }
        EXPECT_GE(n, 2) << "the template load makes no call of this kind";
    }
}

TEST(LibraryFaultInjection, ThePoolsWaitEndsWhenTheClockJumpsAhead) {
    rt::fault::Injection injection(Kind::Clock, 2);
    const auto started = std::chrono::steady_clock::now();
    pool::WaitSeconds(600);
    EXPECT_TRUE(injection.fired());
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
}

TEST(LibraryFaultInjection, ThePoolsWaitLastsItsTimeOnAClockThatIsLateFromTheStart) {
    // Every reading a day late: the wait is measured on that clock and still lasts one second.
    rt::fault::Injection injection(Kind::Clock, 1);
    const auto started = std::chrono::steady_clock::now();
    pool::WaitSeconds(1);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(990));
}

}  // namespace
