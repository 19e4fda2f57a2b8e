// The text loader as the library and other clients reach it: created by class id or program
// identifier, called early- and late-bound.
#include "runtime/classes.h"
#include "runtime/dispatch.h"
#include "runtime/error.h"
#include "services/message_service.h"
#include "services_testing.h"

namespace svc {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

rt::ComPtr<ITextLoader> newLoader() {
    rt::ComPtr<ITextLoader> loader;
    rt::check(rt::createInstance(kClsidTextLoader, ITextLoader::IID_, reinterpret_cast<void**>(loader.put())));
    return loader;
}

std::string getText(ITextLoader* loader, const std::string& key, rt::Array inserts = {}) {
    rt::Str k = rt::fromUtf8(key), text;
    int32_t zero = 0;
    rt::check(loader->GetText(&k, &zero, &inserts, &text));
    return rt::toUtf8(text);
}

class TextLoaderTest : public ::testing::Test {
protected:
    TextLoaderTest() {
        dir.write("zh-CN.txt", "A.1 = 简体\nA.2 = 第%1张，共%2张\n");
        dir.write("zh-TW.txt", "A.1 = 繁體\n");
        dir.write("en-US.txt", "A.1 = English\nA.3 = 100%\n");
    }
    TempDir dir;
    ScopedEnv folder{"VELMORA_CATALOGS", dir.path()};
};

TEST_F(TextLoaderTest, ClassIdAndProgramIdentifierMakeLoaders) {
    ScopedEnv language("VELMORA_LANGUAGE", "zh-CN");
    rt::ComPtr<ITextLoader> early = newLoader();
    ASSERT_TRUE(early);
    int32_t count = -1;
    ASSERT_EQ(early->InitTexts(0, &count), rt::S_OK);
    EXPECT_EQ(count, 2);

    rt::ComPtr<rt::IDispatch> late = rt::createObject(u"Ostrel.TextLoader");
    EXPECT_TRUE(late.as<ITextLoader>());
    EXPECT_EQ(rt::toI4(rt::callMethod(late.get(), u"InitTexts", {rt::Variant(int32_t(0))})), 2);
    EXPECT_EQ(rt::toUtf8(rt::toText(rt::callMethod(late.get(), u"GetText", {rt::Variant(u"A.1")}))), "简体");
}

TEST_F(TextLoaderTest, TextsComeFromTheCatalogOfTheLanguageAtCreation) {
    rt::ComPtr<ITextLoader> simplified, traditional;
    {
        ScopedEnv language("VELMORA_LANGUAGE", "zh-CN");
        simplified = newLoader();
    }
    {
        ScopedEnv language("VELMORA_LANGUAGE", "zh_TW.UTF-8");
        traditional = newLoader();
    }
    EXPECT_EQ(getText(simplified.get(), "A.1"), "简体");
    EXPECT_EQ(getText(traditional.get(), "A.1"), "繁體");
    rt::Str code;
    ASSERT_EQ(traditional->LanguageCode(&code), rt::S_OK);
    EXPECT_EQ(rt::toUtf8(code), "zh-TW");
}

TEST_F(TextLoaderTest, ALanguageWithoutCatalogKeepsItsCodeAndReadsEnglish) {
    ScopedEnv language("VELMORA_LANGUAGE", "de-DE");
    rt::ComPtr<ITextLoader> loader = newLoader();
    rt::Str code;
    ASSERT_EQ(loader->LanguageCode(&code), rt::S_OK);
    EXPECT_EQ(rt::toUtf8(code), "de-DE");
    EXPECT_EQ(getText(loader.get(), "A.1"), "English");
}

TEST_F(TextLoaderTest, AMissingKeyGivesTheKeyItself) {
    ScopedEnv language("VELMORA_LANGUAGE", "zh-TW");
    rt::ComPtr<ITextLoader> loader = newLoader();
    EXPECT_EQ(getText(loader.get(), "A.2"), "A.2") << "zh-TW lacks it; no fallback to another language";
    EXPECT_EQ(getText(loader.get(), ""), "");
}

TEST_F(TextLoaderTest, InsertsReplaceNumberedPlaceholders) {
    ScopedEnv language("VELMORA_LANGUAGE", "zh-CN");
    rt::ComPtr<ITextLoader> loader = newLoader();
    EXPECT_EQ(getText(loader.get(), "A.2", rt::Array(0, {rt::Variant(int32_t(3)), rt::Variant(u"九")})),
              "第3张，共九张");
    EXPECT_EQ(getText(loader.get(), "A.2", rt::Array(0, {rt::Variant(u"x")})), "第x张，共%2张");
    EXPECT_EQ(getText(loader.get(), "A.2"), "第%1张，共%2张") << "no inserts: the text unchanged";

    ScopedEnv english("VELMORA_LANGUAGE", "en-US");
    rt::ComPtr<ITextLoader> en = newLoader();
    EXPECT_EQ(getText(en.get(), "A.3", rt::Array(0, {rt::Variant(u"x")})), "100%");
}

TEST_F(TextLoaderTest, AnUnreadableCatalogFailsWithItsReason) {
    dir.write("zh-CN.txt", "A.1 = fine\nA.1 = twice\n");  // a fresh folder: nothing of it is cached yet
    ScopedEnv language("VELMORA_LANGUAGE", "zh-CN");

    rt::ComPtr<ITextLoader> loader = newLoader();
    int32_t count = 0;
    rt::HRESULT hr = loader->InitTexts(0, &count);
    ASSERT_TRUE(rt::failed(hr));
    rt::Error e = rt::takeErrorInfo(hr);
    EXPECT_EQ(e.numberValue(), 5);
    EXPECT_EQ(rt::toUtf8(e.source()), "Ostrel.TextLoader");
    EXPECT_EQ(rt::toUtf8(e.description()),
              "Message catalog " + dir.file("zh-CN.txt") + ", line 2: the key A.1 is given twice (first on line 1)");

    rt::ComPtr<rt::IDispatch> late = rt::createObject(u"Ostrel.TextLoader");
    try {
        rt::callMethod(late.get(), u"GetText", {rt::Variant(u"A.1")});
        FAIL() << "GetText succeeded on a broken catalog";
    } catch (const rt::Error& err) {
        EXPECT_EQ(err.description(), e.description());
    }
}

TEST(TextLoaderShipped, FindsTheShippedCatalogsBesideThePlatformLibrary) {
    ScopedEnv folder("VELMORA_CATALOGS", std::nullopt);
    ScopedEnv language("VELMORA_LANGUAGE", "zh-CN");
    rt::ComPtr<ITextLoader> loader = newLoader();
    int32_t count = 0;
    ASSERT_EQ(loader->InitTexts(0, &count), rt::S_OK);
    EXPECT_GE(count, int32_t(testing::libraryKeys().size()));
    EXPECT_EQ(getText(loader.get(), "Ostrel.FM.Velmora.00019"), "壹");
    EXPECT_EQ(getText(loader.get(), "Ostrel.FM.Pelvane.01034"), "提示");
}

}  // namespace
}  // namespace svc
