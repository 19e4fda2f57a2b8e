// The catalog format, the choice of catalog file and the process-wide sharing of catalogs.
#include <sys/stat.h>

#include <thread>
#include <vector>

#include "runtime/error.h"
#include "services/catalog.h"
#include "services_testing.h"

namespace svc {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

std::string u8(const rt::Str* s) { return s ? rt::toUtf8(*s) : "<none>"; }

// The error that parsing content raises, as "number: description"; "" when it parses.
std::string parseError(const std::string& content) {
    try {
        Catalog::parse(content, "test.txt");
    } catch (const rt::Error& e) {
        return std::to_string(e.numberValue()) + ": " + rt::toUtf8(e.description());
    }
    return "";
}

TEST(CatalogFormat, ReadsKeysAndTextsSkippingCommentsAndBlankLines) {
    Catalog c = Catalog::parse(
        "# a comment\n"
        "\n"
        "   # an indented comment\n"
        "A.B.00001 = first text\n"
        "\tA.B.00002=second   \n"
        "A.B.00003 = text = with equals # and a hash\n",
        "t");
    EXPECT_EQ(c.size(), 3u);
    EXPECT_EQ(u8(c.find(u"A.B.00001")), "first text");
    EXPECT_EQ(u8(c.find(u"A.B.00002")), "second");
    EXPECT_EQ(u8(c.find(u"A.B.00003")), "text = with equals # and a hash");
    EXPECT_EQ(c.find(u"A.B.00004"), nullptr);
    EXPECT_EQ(c.find(u"a.b.00001"), nullptr) << "keys compare exactly";
}

TEST(CatalogFormat, AcceptsByteOrderMarkCrLfAndAMissingLastLineEnd) {
    Catalog c = Catalog::parse("\xEF\xBB\xBFK1 = 壹\r\nK2 = 贰", "t");
    EXPECT_EQ(u8(c.find(u"K1")), "壹");
    EXPECT_EQ(u8(c.find(u"K2")), "贰");
}

TEST(CatalogFormat, EscapesGiveLineBreaksTabsSpacesAndBackslashes) {
    Catalog c = Catalog::parse("K = \\sline one\\nline\\ttwo\\\\end\\s\nE =\n", "t");
    EXPECT_EQ(u8(c.find(u"K")), " line one\nline\ttwo\\end ");
    EXPECT_EQ(u8(c.find(u"E")), "") << "an empty text is a text";
}

TEST(CatalogFormat, MalformedLinesAreErrorsNamingFileAndLine) {
    EXPECT_EQ(parseError("K = fine\nno equals sign\n"), "5: Message catalog test.txt, line 2: expected key = text");
    EXPECT_EQ(parseError(" = text\n"), "5: Message catalog test.txt, line 1: the key before \"=\" is empty");
    EXPECT_EQ(parseError("A B = text\n"), "5: Message catalog test.txt, line 1: the key \"A B\" holds blanks");
    EXPECT_EQ(parseError("K = a\n# c\nK = b\n"),
              "5: Message catalog test.txt, line 3: the key K is given twice (first on line 1)");
    EXPECT_EQ(parseError("K = a\\q\n"), "5: Message catalog test.txt, line 1: unknown escape \\q");
    EXPECT_EQ(parseError("K = a\\\n"),
              "5: Message catalog test.txt, line 1: a lone \\ ends the text (write \\\\ for a backslash)");
}

TEST(CatalogFormat, TextThatIsNotUtf8IsAnError) {
    // "零" in GB2312, as an editor might save a Chinese catalog.
    EXPECT_EQ(parseError("K1 = ok\nK2 = \xC1\xE3\n"),
              "5: Message catalog test.txt, line 2: the line is not UTF-8 text (save the catalog as UTF-8)");
    EXPECT_NE(parseError("K = \xC0\x80\n"), "") << "overlong form";
    EXPECT_NE(parseError("K = \xED\xA0\x80\n"), "") << "encoded surrogate";
    EXPECT_NE(parseError("K = \xE4\xB8\n"), "") << "truncated sequence";
    EXPECT_EQ(parseError("K = 𠀀 (outside the basic plane)\n"), "");
}

TEST(CatalogFiles, MissingAndUnreadableFilesAreErrorsWithTheirPath) {
    TempDir dir;
    try {
        Catalog::load(dir.file("xx-XX.txt"));
        FAIL() << "a missing file loaded";
    } catch (const rt::Error& e) {
        EXPECT_EQ(e.numberValue(), 53);
        EXPECT_EQ(rt::toUtf8(e.description()), "Message catalog " + dir.file("xx-XX.txt") + " not found");
    }
    ::mkdir(dir.file("dir.txt").c_str(), 0755);
    try {
        Catalog::load(dir.file("dir.txt"));
        FAIL() << "a folder loaded";
    } catch (const rt::Error& e) {
        EXPECT_EQ(e.numberValue(), 75);
        EXPECT_NE(rt::toUtf8(e.description()).find(dir.file("dir.txt") + " cannot be read"), std::string::npos);
    }
}

TEST(CatalogFiles, LanguageFallsBackToTheNearestShippedCatalog) {
    TempDir dir;
    dir.write("zh-CN.txt", "K = 简\n");
    dir.write("zh-TW.txt", "K = 繁\n");
    dir.write("en-US.txt", "K = en\n");
    EXPECT_EQ(catalogFileFor(dir.path(), "zh-TW"), dir.file("zh-TW.txt"));
    EXPECT_EQ(catalogFileFor(dir.path(), "zh-HK"), dir.file("zh-TW.txt"));
    EXPECT_EQ(catalogFileFor(dir.path(), "zh-MO"), dir.file("zh-TW.txt"));
    EXPECT_EQ(catalogFileFor(dir.path(), "zh-SG"), dir.file("zh-CN.txt"));
    EXPECT_EQ(catalogFileFor(dir.path(), "de-DE"), dir.file("en-US.txt"));
    TempDir empty;
    EXPECT_EQ(catalogFileFor(empty.path(), "de-DE"), empty.file("de-DE.txt")) << "so the error names the language";
}

TEST(CatalogFiles, FolderAndLanguageFollowTheirVariables) {
    {
        ScopedEnv folder("VELMORA_CATALOGS", "/some/where/");
        EXPECT_EQ(catalogFolder(), "/some/where");
    }
    {
        ScopedEnv folder("VELMORA_CATALOGS", std::nullopt);
        // Beside the platform library, as the build and the installation place it.
        EXPECT_EQ(catalogFolder(), VELMORA_OUT_DIR "/catalogs");
    }
    ScopedEnv language("VELMORA_LANGUAGE", "zh_TW.UTF-8");
    EXPECT_EQ(currentLanguage(), "zh-TW");
}

TEST(CatalogSharing, AFileIsReadOncePerProcessAndSharedByThreads) {
    TempDir dir;
    dir.write("zh-CN.txt", "K = before\n");
    ScopedEnv folder("VELMORA_CATALOGS", dir.path());

    std::vector<std::shared_ptr<const Catalog>> seen(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i) threads.emplace_back([&, i] { seen[i] = catalogFor("zh-CN"); });
    for (auto& t : threads) t.join();
    for (const auto& c : seen) EXPECT_EQ(c.get(), seen[0].get());

    dir.write("zh-CN.txt", "K = after\n");
    EXPECT_EQ(u8(catalogFor("zh-CN")->find(u"K")), "before") << "the file was read again";
}

TEST(CatalogSharing, AFailureIsRememberedAndRaisedAgain) {
    TempDir dir;
    dir.write("en-US.txt", "broken line\n");
    ScopedEnv folder("VELMORA_CATALOGS", dir.path());
    EXPECT_THROW(catalogFor("en-US"), rt::Error);
    dir.write("en-US.txt", "K = fixed\n");
    try {
        catalogFor("en-US");
        FAIL() << "the repaired file was read again";
    } catch (const rt::Error& e) {
        EXPECT_NE(rt::toUtf8(e.description()).find("line 1: expected key = text"), std::string::npos);
    }
}

}  // namespace
}  // namespace svc
