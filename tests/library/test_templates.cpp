// Templates: sCurrentPath and LoadFromTemplate over real files in a temporary folder and
// the default template file shipped beside the built library.
#include <filesystem>

#include "frame/binding.h"
#include "frame/server.h"
#include "xml/nodes.h"
#include "xml/templates.h"
#include "xml_testing.h"

using namespace velmora;
using namespace velmora::testing;
using rt::CallArg;
using rt::ComPtr;
using rt::Str;
using rt::Variant;
namespace fs = std::filesystem;

namespace {

// The shared temporary folder, with its files named as the library takes them (UTF-16).
class TempFolder {
public:
    Str write(const std::string& name, const std::string& content) const {
        return rt::fromUtf8(dir_.write(name, content));
    }
    Str file(const std::string& name) const { return rt::fromUtf8(dir_.file(name)); }
    const fs::path& path() const { return dir_.path(); }

private:
    support::TempDir dir_;
};

const char* const kBooks =
    "<?xml version='1.0'?><kainterface roottag='books'><other/>"
    "<books><sale kind='retail'><line/></sale><refund/></books></kainterface>";

class Templates : public ::testing::Test {
protected:
    ComPtr<_CCommonFunction> cf = newCommon();
    TempFolder dir;

    // The library folder as the test build lays it out.
    static Str outFolder() { return rt::fromUtf8(fs::canonical(VELMORA_OUT_DIR).string()) + u"/"; }

    Str currentPath(Str& path) { return client::call(cf.get(), &_CCommonFunction::sCurrentPath, &path); }
    Variant load(Str name, Str& file, bool asDom = true) {
        Variant out(Str(u"stale"));
        VARIANT_BOOL flag = asDom ? rt::VARIANT_TRUE : rt::VARIANT_FALSE;
        client::call(cf.get(), &_CCommonFunction::LoadFromTemplate, &name, &out, &file, &flag);
        return out;
    }
    Variant load(Str name, bool asDom = true) {
        Str file;
        return load(std::move(name), file, asDom);
    }
    Str rootName(const Variant& doc) {
        auto root = rootOf(objectAs<Document>(doc).get());
        if (!root) return u"<none>";
        Str name;
        rt::check(root->get_nodeName(&name));
        return name;
    }
};

}  // namespace

// ---- sCurrentPath ----------------------------------------------------------------------

TEST_F(Templates, CurrentPathIsTheLibraryFolderWithOneSeparator) {
    Str none;
    EXPECT_EQ(currentPath(none), outFolder());
    Str spaces = u"   ";
    EXPECT_EQ(currentPath(spaces), outFolder());
    EXPECT_EQ(spaces, u"");  // trimmed in the caller's variable
    EXPECT_EQ(rt::toUtf8(outFolder()), libraryFolder() + "/");
}

TEST_F(Templates, CurrentPathOfAGivenPath) {
    Str absolute = u"  /var/data//  ";
    EXPECT_EQ(currentPath(absolute), u"/var/data/");
    EXPECT_EQ(absolute, u"/var/data//");
    Str relative = u"reports/2024";
    EXPECT_EQ(currentPath(relative), outFolder() + u"reports/2024/");
    Str root = u"/";
    EXPECT_EQ(currentPath(root), u"/");
}

TEST(TemplatePaths, AFolderAtTheRootKeepsItsSingleSeparator) {
    Str none;
    EXPECT_EQ(xml::currentPathIn(u"/", none), u"/");
    EXPECT_EQ(xml::currentPathIn(u"/opt/lib", none), u"/opt/lib/");
    Str rel = u"xml";
    EXPECT_EQ(xml::currentPathIn(u"/", rel), u"/xml/");
    EXPECT_EQ(xml::withSeparator(u"/a///"), u"/a/");
}

TEST_F(Templates, TheDefaultTemplateFileShipsBesideTheLibrary) {
    EXPECT_EQ(xml::defaultTemplateFile(), outFolder() + u"xml/fdtemplate.xml");
    EXPECT_TRUE(xml::fileExists(xml::defaultTemplateFile()));
}

TEST_F(Templates, LateBoundCurrentPath) {
    EXPECT_EQ(late(cf, u"sCurrentPath", {}).str(), outFolder());
    Variant path(Str(u" sub "));
    EXPECT_EQ(late(cf, u"SCURRENTPATH", {CallArg::ref(path)}).str(), outFolder() + u"sub/");
    EXPECT_EQ(path.str(), u"sub");
}

// ---- File lookup -------------------------------------------------------------------------

TEST_F(Templates, OnlyVisibleRegularFilesExist) {
    EXPECT_TRUE(xml::fileExists(dir.write("t.xml", "<a/>")));
    EXPECT_FALSE(xml::fileExists(dir.write(".hidden.xml", "<a/>")));
    EXPECT_FALSE(xml::fileExists(dir.file("missing.xml")));
    fs::create_directory(dir.path() / "folder.xml");
    EXPECT_FALSE(xml::fileExists(dir.file("folder.xml")));
    EXPECT_FALSE(xml::fileExists(u""));
}

// ---- LoadFromTemplate --------------------------------------------------------------------

TEST_F(Templates, TheDefaultTemplateGivesThePoolLimit) {
    Variant doc = load(u"budgetmgr/con_ref");
    ASSERT_TRUE(objectAs<Document>(doc));
    EXPECT_EQ(xmlOf(rootOf(objectAs<Document>(doc).get()).get()), "<con_ref maxcon=\"5\"/>");
    // The pool's reading: the template's root, then its attribute.
    auto root = xml::objSelectRootTag(objectAs<Document>(doc).get());
    EXPECT_EQ(xml::GetAttributeVal(u"maxcon", root.get()), u"5");
}

TEST_F(Templates, AsDomMakesTheTemplateTheRoot) {
    Str file = dir.write("books.xml", kBooks);
    Variant doc = load(u"sale", file);
    EXPECT_EQ(rootName(doc), u"sale");
    EXPECT_EQ(xmlOf(rootOf(objectAs<Document>(doc).get()).get()), "<sale kind=\"retail\"><line/></sale>");
    EXPECT_EQ(file, dir.file("books.xml"));
}

TEST_F(Templates, WithoutAsDomTheTemplateStaysInTheLoadedDocument) {
    Str file = dir.write("books.xml", kBooks);
    Variant e = load(u"sale/line", file, false);
    auto line = objectAs<Element>(e);
    ASSERT_TRUE(line);
    ComPtr<Document> owner;
    rt::check(line->get_ownerDocument(owner.put()));
    Str name;
    rt::check(rootOf(owner.get())->get_nodeName(&name));
    EXPECT_EQ(name, u"kainterface");
    EXPECT_TRUE(load(u"missing", file, false).isNothing());
}

TEST_F(Templates, AnEmptyNameGivesTheWholeDocument) {
    Str file = dir.write("books.xml", kBooks);
    for (bool asDom : {true, false}) {
        Variant doc = load(u"", file, asDom);
        EXPECT_EQ(rootName(doc), u"kainterface");
    }
    EXPECT_EQ(rootName(load(u"")), u"templates");
}

TEST_F(Templates, TemplatesWithoutRootTagLieBelowTheRoot) {
    Str file = dir.write("plain.xml", "<set><a x='1'/><b/></set>");
    EXPECT_EQ(xmlOf(rootOf(objectAs<Document>(load(u"a", file)).get()).get()), "<a x=\"1\"/>");
    // The template parent itself as the template: it stays the root.
    EXPECT_EQ(xmlOf(rootOf(objectAs<Document>(load(u".", file)).get()).get()), "<set><a x=\"1\"/><b/></set>");
}

TEST_F(Templates, MissingOrHiddenFilesFallBackToTheDefault) {
    Str spaces = u"   ";
    EXPECT_EQ(rootName(load(u"budgetmgr", spaces)), u"budgetmgr");
    EXPECT_EQ(spaces, u"");
    Str hidden = dir.write(".books.xml", kBooks);
    EXPECT_EQ(rootName(load(u"budgetmgr", hidden)), u"budgetmgr");
    Str missing = dir.file("none.xml");
    EXPECT_EQ(rootName(load(u"budgetmgr", missing)), u"budgetmgr");
    Str padded = u"  " + dir.write("books.xml", kBooks) + u" ";
    EXPECT_EQ(rootName(load(u"refund", padded)), u"refund");
    EXPECT_EQ(padded, dir.file("books.xml"));
}

TEST_F(Templates, EveryFailureLeavesNothing) {
    Str file = dir.write("books.xml", kBooks);
    EXPECT_TRUE(load(u"missing", file, true).isNothing());
    EXPECT_TRUE(load(u"sale[", file).isNothing());      // rejected path
    EXPECT_TRUE(load(u"sale/@kind", file).isNothing());  // not an element
    EXPECT_TRUE(load(u"sale/@kind", file, false).isNothing());
    Str lost = dir.write("lost.xml", "<kainterface roottag='gone'><books/></kainterface>");
    EXPECT_TRUE(load(u"books", lost).isNothing());  // no template parent
    // A file that does not parse leaves the document empty.
    Str broken = dir.write("broken.xml", "<a><b></a>");
    EXPECT_EQ(rootName(load(u"", broken)), u"<none>");
    EXPECT_TRUE(load(u"a", broken).isNothing());
}

TEST_F(Templates, AMissingDefaultFileGivesAnEmptyDocument) {
    Str missingDefault = dir.file("xml/fdtemplate.xml");
    // LoadFromTemplate's body under its guard, with another default template file.
    auto loadFrom = [&](const Str& name, Variant& out, Str& file, bool asDom) {
        runGuarded(Guard::Handler, u"test", [&](GuardScope& guard) {
            xml::loadTemplateFrom(guard, missingDefault, name, out, file, asDom);
        });
    };
    Str file;
    Variant doc;
    loadFrom(u"", doc, file, true);
    EXPECT_EQ(rootName(doc), u"<none>");
    Variant out(Str(u"stale"));
    loadFrom(u"budgetmgr/con_ref", out, file, true);
    EXPECT_TRUE(out.isNothing());
    loadFrom(u"budgetmgr/con_ref", out, file, false);
    EXPECT_TRUE(out.isNothing());
}

TEST_F(Templates, LateBoundLoading) {
    Str file = dir.write("books.xml", kBooks);
    Variant out;
    late(cf, u"LoadFromTemplate", {str(u"sale"), CallArg::ref(out), Variant(file)});
    EXPECT_EQ(rootName(out), u"sale");

    Variant element;
    Variant fileArg(u"  " + file);
    late(cf, u"loadfromtemplate", {str(u"refund"), CallArg::ref(element), CallArg::ref(fileArg), Variant(false)});
    auto refund = objectAs<Element>(element);
    ASSERT_TRUE(refund);
    EXPECT_EQ(xmlOf(refund.get()), "<refund/>");
    EXPECT_EQ(fileArg.str(), file);

    Variant pool;
    late(cf, u"LoadFromTemplate", {str(u"budgetmgr/con_ref"), CallArg::ref(pool)});
    EXPECT_EQ(rootName(pool), u"con_ref");

    Variant none(int32_t(1));
    late(cf, u"LoadFromTemplate", {str(u"nowhere"), CallArg::ref(none)});
    EXPECT_TRUE(none.isNothing());
}
