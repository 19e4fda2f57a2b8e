// Loading and saving documents with each file call, libxml2 call and allocation failing in
// turn: a failed load reports a parse error and leaves an empty document, a failed save
// raises an error and leaves the file as it was (or absent, when there was none).
#include <unistd.h>

#include <filesystem>

#include "dom_testing.h"
#include "support/fault_walk.h"

namespace dom::testing {
namespace {

using rt::fault::Kind;
using support::walkFailures;

constexpr Kind kKinds[] = {Kind::File, Kind::Xml, Kind::Alloc};

const char* name(Kind k) { return k == Kind::File ? "file" : k == Kind::Xml ? "xml" : "alloc"; }

// The files in dir: a failed save leaves no file of its own behind.
size_t fileCount(const TempDir& dir) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++n;
    return n;
}

// Loads path into doc; a failed load becomes an rt::Error carrying the parse error.
void loadOrRaise(IXMLDOMDocument2* doc, const std::string& path) {
    int16_t ok = 0;
    rt::check(doc->load(rt::Variant(rt::fromUtf8(path)), &ok));
    if (ok) return;
    ComPtr<IXMLDOMParseError> error;
    rt::check(doc->get_parseError(error.put()));
    int32_t code = 0;
    Str reason;
    rt::check(error->get_errorCode(&code));
    rt::check(error->get_reason(&reason));
    EXPECT_NE(code, 0);
    throw rt::Error::number(75, reason);
}

TEST(DomFaultInjection, AFailedLoadLeavesAnEmptyDocumentAndTheFileAsItWas) {
    TempDir dir;
    const std::string content = "<?xml version=\"1.0\"?>\r\n<a><b x=\"1\">text</b><c/></a>\r\n";
    const std::string file = dir.write("in.xml", content);
    for (Kind kind : kKinds) {
        auto doc = newDocument();
        const int64_t calls = walkFailures(
            kind, [&] { loadOrRaise(doc.get(), file); },
            [&](int64_t n, const rt::Error&) {
                EXPECT_EQ(rootOf(doc.get()).get(), nullptr) << name(kind) << " call " << n;
                EXPECT_EQ(TempDir::read(file), content);
            });
        EXPECT_GE(calls, 1) << name(kind);
        EXPECT_EQ(nameOf(rootOf(doc.get()).get()), "a");
    }
}

TEST(DomFaultInjection, AFailedSaveKeepsTheOldFile) {
    TempDir dir;
    const std::string old = "<old/>";
    const std::string file = dir.write("out.xml", old);
    auto doc = parsed("<new><child>text</child></new>");
    for (Kind kind : kKinds) {
        const int64_t calls = walkFailures(
            kind, [&] { rt::check(doc->save(rt::Variant(rt::fromUtf8(file)))); },
            [&](int64_t n, const rt::Error&) {
                EXPECT_EQ(TempDir::read(file), old) << name(kind) << " call " << n;
                EXPECT_EQ(fileCount(dir), 1u);
            });
        EXPECT_GE(calls, 1) << name(kind);
        EXPECT_EQ(TempDir::read(file), "<new><child>text</child></new>\r\n");
        dir.write("out.xml", old);
    }
}

TEST(DomFaultInjection, AFailedSaveToANewFileLeavesNoFile) {
    TempDir dir;
    const std::string file = dir.file("new.xml");
    auto doc = parsed("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>\xC3\xA9</r>");  // written through an encoder
    for (Kind kind : kKinds) {
        const int64_t calls = walkFailures(
            kind, [&] { rt::check(doc->save(rt::Variant(rt::fromUtf8(file)))); },
            [&](int64_t n, const rt::Error&) { EXPECT_EQ(fileCount(dir), 0u) << name(kind) << " call " << n; });
        EXPECT_GE(calls, 1) << name(kind);
        EXPECT_NE(TempDir::read(file).find("<r>\xE9</r>"), std::string::npos);
        std::filesystem::remove(file);
    }
}

TEST(DomFaultInjection, SavingThroughALinkReplacesTheFileItNames) {
    TempDir dir;
    const std::string real = dir.write("real.xml", "<old/>");
    const std::string link = dir.file("link.xml");
    std::filesystem::create_symlink(real, link);
    auto doc = parsed("<new/>");
    rt::check(doc->save(rt::Variant(rt::fromUtf8(link))));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(TempDir::read(real), "<new/>\r\n");
    EXPECT_EQ(fileCount(dir), 2u);
}

TEST(DomFaultInjection, ASavedFileKeepsItsPermissions) {
    TempDir dir;
    const std::string file = dir.write("private.xml", "<old/>");
    std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    rt::check(parsed("<new/>")->save(rt::Variant(rt::fromUtf8(file))));
    EXPECT_EQ(TempDir::read(file), "<new/>\r\n");
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(DomFaultInjection, AWritableFileInAFolderThatIsNotIsSavedInPlace) {
    if (::geteuid() == 0) GTEST_SKIP() << "folder permissions do not hold for root";
    TempDir dir;
    const std::string folder = dir.file("locked");
    std::filesystem::create_directory(folder);
    const std::string file = dir.write("locked/doc.xml", "<old/>");
    std::filesystem::permissions(folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const rt::HRESULT hr = parsed("<new/>")->save(rt::Variant(rt::fromUtf8(file)));
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    EXPECT_EQ(hr, rt::S_OK);
    EXPECT_EQ(TempDir::read(file), "<new/>\r\n");
}

TEST(DomFaultInjection, SavingToADeviceWritesItDirectly) {
    auto doc = parsed("<a/>");
    EXPECT_EQ(errorOf([&] { rt::check(doc->save(rt::Variant(Str(u"/dev/null")))); }), 0);
}

}  // namespace
}  // namespace dom::testing
