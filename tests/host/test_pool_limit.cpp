// The pool's limit comes from the default template beside the library file: a copy of the
// library is placed in a folder of its own with a template of the test's making, and the
// host loads that copy.
#include <filesystem>

#include "host_testing.h"

namespace host::testing {
namespace {

namespace fs = std::filesystem;

class PoolLimit : public HostTest {
protected:
    // MaxCon of a fresh pool whose library folder holds `templateText` as its default
    // template (no template file at all when templateText is empty).
    Json limitWith(const std::string& templateText) {
        const fs::path lib = fs::path(folder.file("lib"));
        fs::create_directories(lib / "xml");
        fs::copy_file(fs::path(VELMORA_OUT_DIR) / "libvelmora.so", lib / "libvelmora.so",
                      fs::copy_options::overwrite_existing);
        fs::remove(lib / "xml" / "fdtemplate.xml");
        if (!templateText.empty()) std::ofstream(lib / "xml" / "fdtemplate.xml") << templateText;
        HostOptions o = options();
        o.env.emplace_back("VELMORA_LIBRARY", (lib / "libvelmora.so").string());
        HostRun r = runHost({"run"},
                            lines({{{"call", "GetPoolInstance"}, {"as", "pool"}},
                                   {{"call", "MaxCon"}, {"on", "pool"}, {"kind", "get"}}}),
                            o);
        EXPECT_EQ(r.status, 0) << r.err;
        auto all = r.responses();
        if (all.size() != 2) {
            ADD_FAILURE() << r.out << r.err;
            return Json();
        }
        EXPECT_EQ(all[1]["ok"], true) << all[1];
        return all[1]["value"]["value"];
    }
};

std::string withLimit(const std::string& attribute) {
    return "<templates><budgetmgr><con_ref " + attribute + "/></budgetmgr></templates>";
}

TEST_F(PoolLimit, TheTemplatesMaxconIsTheLimit) {
    EXPECT_EQ(limitWith(withLimit("maxcon=\"10\"")), 10);
    EXPECT_EQ(limitWith(withLimit("maxcon=\" 0 \"")), 0);
}

TEST_F(PoolLimit, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(limitWith(withLimit("maxcon=\"7.5\"")), 8);
    EXPECT_EQ(limitWith(withLimit("maxcon=\"6.5\"")), 6);
}

TEST_F(PoolLimit, AnythingMissingOrUnreadableGivesFive) {
    EXPECT_EQ(limitWith(withLimit("other=\"10\"")), 5);         // no attribute
    EXPECT_EQ(limitWith(withLimit("maxcon=\"many\"")), 5);      // not a number
    EXPECT_EQ(limitWith(withLimit("maxcon=\"40000\"")), 5);     // beyond 16 bits
    EXPECT_EQ(limitWith("<templates><budgetmgr/></templates>"), 5);  // no element
    EXPECT_EQ(limitWith("<templates><budgetmgr>"), 5);          // does not parse
    EXPECT_EQ(limitWith(""), 5);                                // no template file
}

}  // namespace
}  // namespace host::testing
