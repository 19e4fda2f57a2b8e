// The reference and the help lines it is made of: every class the runtime can create is
// described by the table its objects dispatch through, every interface and member has a help
// line, `velmora describe` prints them, and docs/reference.md is what the host writes now.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "client.h"
#include "host_testing.h"
#include "runtime/classes.h"
#include "runtime/typelib.h"

namespace host::testing {
namespace {

const std::string kReferenceFile = VELMORA_SOURCE_DIR "/docs/reference.md";

std::string regenerateHint() {
    return "Regenerate it with:\n  " + std::string(kHost) + " describe --markdown > " + kReferenceFile + "\n";
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

const rt::TypeLibDesc& libraryTypes() {
    const rt::TypeLibDesc* lib = velmora::client::typeLibrary();
    if (!lib) throw std::runtime_error("the library's type library cannot be read");
    return *lib;
}

// Every interface the reference covers: reachable from the library's and the platform's classes.
std::vector<const rt::InterfaceInfo*> everyInterface() {
    std::vector<const rt::InterfaceInfo*> roots;
    for (const auto& c : libraryTypes().classes) roots.push_back(c.iface);
    for (const auto& c : rt::platformClasses()) roots.push_back(c.primary);
    return rt::reachableInterfaces(roots);
}

TEST(ReferenceTables, EveryPlatformClassIsListedWithTheTableItsObjectsDispatchThrough) {
    const std::vector<rt::PlatformClass> classes = rt::platformClasses();
    std::set<std::string> progids;
    for (const auto& c : classes) progids.insert(c.progid);
    for (const char* expected : {"ADODB.Connection", "ADODB.Recordset", "Microsoft.XMLDOM", "MSXML2.DOMDocument",
                                 "MSXML2.DOMDocument.3.0", "Ostrel.HostInfo", "Ostrel.MsgBox", "Ostrel.TextLoader"})
        EXPECT_EQ(progids.count(expected), 1u) << expected << " is not listed once";
    auto folded = [](const rt::PlatformClass& c) { return rt::asciiLower(rt::fromUtf8(c.progid)); };
    EXPECT_TRUE(std::is_sorted(classes.begin(), classes.end(),
                               [&](const auto& a, const auto& b) { return folded(a) < folded(b); }));

    for (const auto& c : classes) {
        SCOPED_TRACE(c.progid);
        ASSERT_NE(c.primary, nullptr);
        EXPECT_EQ(rt::classIdOf(rt::fromUtf8(c.progid)), c.clsid);
        rt::ComPtr<rt::IDispatch> obj = rt::createObject(rt::fromUtf8(c.progid));
        rt::ComPtr<rt::ITypeInfo> type;
        ASSERT_EQ(obj->GetTypeInfo(0, 0, type.put()), rt::S_OK);
        const rt::InterfaceInfo* served = nullptr;
        ASSERT_EQ(type->GetInterfaceInfo(&served), rt::S_OK);
        EXPECT_EQ(served, c.primary) << "listed with " << c.primary->name() << ", dispatches through "
                                     << served->name();
    }
}

TEST(ReferenceTables, EveryReachableInterfaceAndMemberHasAOneLineHelp) {
    const std::vector<const rt::InterfaceInfo*> all = everyInterface();
    std::set<std::string> names;
    for (const rt::InterfaceInfo* info : all) names.insert(info->name());
    // Reached only as a base, a parameter or a result, never as a class's primary interface.
    for (const char* reached : {"IXMLDOMNode", "IXMLDOMCharacterData", "IXMLDOMCDATASection", "IXMLDOMParseError",
                                "IXMLDOMNamedNodeMap", "IXMLDOMNodeList", "Fields", "Field", "_CConPool"})
        EXPECT_EQ(names.count(reached), 1u) << reached << " is not reached";
    EXPECT_EQ(names.size(), all.size()) << "an interface is listed twice";

    size_t members = 0;
    for (const rt::InterfaceInfo* info : all) {
        const std::string help = info->help();
        EXPECT_FALSE(help.empty()) << "interface " << info->name() << " has no help";
        EXPECT_EQ(help.find('\n'), std::string::npos) << info->name();
        const auto& ms = info->members();
        for (size_t k = info->firstOwnMember(); k < ms.size(); ++k, ++members) {
            EXPECT_FALSE(ms[k].help.empty()) << info->name() << "." << ms[k].name << " has no help";
            EXPECT_EQ(ms[k].help.find('\n'), std::string::npos) << info->name() << "." << ms[k].name;
        }
    }
    EXPECT_GT(members, 200u);
}

class Reference : public HostTest {
protected:
    HostRun describe(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args{"describe"};
        args.insert(args.end(), extra.begin(), extra.end());
        return runHost(args, "", options());
    }
};

TEST_F(Reference, DescribePrintsAHelpLineBelowEveryMemberOfTheLibrary) {
    HostRun r = describe();
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = linesOf(r.out);
    size_t members = 0, interfaces = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const bool member = lines[i].rfind("  [id(", 0) == 0;
        const bool iface = lines[i].rfind("interface ", 0) == 0;
        if (!member && !iface) continue;
        (member ? members : interfaces)++;
        const std::string prefix = member ? "      ' " : "  ' ";
        const std::string next = i + 1 < lines.size() ? lines[i + 1] : "";
        EXPECT_TRUE(next.rfind(prefix, 0) == 0 && next.size() > prefix.size())
            << "no help line below: " << lines[i] << "\n  (next line: " << next << ")";
    }
    size_t expected = 0;
    for (const auto& c : libraryTypes().classes) expected += c.iface->members().size() - c.iface->firstOwnMember();
    EXPECT_EQ(members, expected) << "the listing was not read whole";
    EXPECT_EQ(interfaces, libraryTypes().classes.size());
}

TEST_F(Reference, MarkdownTablesKeepEveryMemberInItsOwnRow) {
    HostRun r = describe({"--markdown"});
    ASSERT_EQ(r.status, 0) << r.err;
    // Cells split on "|" that is not escaped; a help text with "|" in it must not add cells.
    auto cellsOf = [](const std::string& row) {
        size_t bars = 0;
        for (size_t i = 0; i < row.size(); ++i)
            if (row[i] == '|' && (i == 0 || row[i - 1] != '\\')) ++bars;
        return bars - 1;
    };
    std::map<std::string, size_t> rows;  // interface -> member rows
    bool inInterfaces = false;
    std::string current;
    for (const std::string& line : linesOf(r.out)) {
        if (line == "## Interfaces") inInterfaces = true;
        if (!inInterfaces) continue;
        if (line.rfind("### ", 0) == 0) current = line.substr(4);
        if (line.rfind("| ", 0) != 0 || line.rfind("| Id ", 0) == 0) continue;  // not a member row
        EXPECT_EQ(cellsOf(line), 6u) << line;
        ++rows[current];
    }
    EXPECT_TRUE(inInterfaces) << "no interfaces section";
    for (const rt::InterfaceInfo* info : everyInterface())
        EXPECT_EQ(rows[info->name()], info->members().size() - info->firstOwnMember()) << info->name();
    EXPECT_NE(r.out.find("from the right of \\|vVal\\|"), std::string::npos) << "the help of iBitVal is not escaped";
}

TEST_F(Reference, CheckedInReferenceIsWhatTheHostWrites) {
    HostRun r = describe({"--markdown"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::ifstream in(kReferenceFile, std::ios::binary);
    ASSERT_TRUE(in) << kReferenceFile << " is missing. " << regenerateHint();
    const std::string checkedIn{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (checkedIn == r.out) return;
    const std::vector<std::string> want = linesOf(r.out), have = linesOf(checkedIn);
    size_t i = 0;
    while (i < want.size() && i < have.size() && want[i] == have[i]) ++i;
    FAIL() << "docs/reference.md differs from the member tables, first at line " << i + 1 << ":\n  checked in: "
           << (i < have.size() ? have[i] : "(end of file)") << "\n  generated:  "
           << (i < want.size() ? want[i] : "(end of output)") << "\n"
           << regenerateHint();
}

TEST_F(Reference, DescribeTakesOnlyTheMarkdownOption) {
    EXPECT_EQ(describe({"--html"}).status, 2);
    EXPECT_EQ(describe({"--markdown", "extra"}).status, 2);
}

}  // namespace
}  // namespace host::testing
