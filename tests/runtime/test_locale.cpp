#include "runtime/locale.h"
#include "runtime/value_testing.h"

using namespace rt;

namespace {

TEST(Locale, TagsFromEnvironmentForms) {
    EXPECT_EQ("zh-CN", localeFor("zh_CN.UTF-8").language);
    EXPECT_EQ("zh-CN", localeFor("zh-CN").language);
    EXPECT_EQ("zh-TW", localeFor("zh_TW.Big5").language);
    EXPECT_EQ("de-DE", localeFor("de_DE.UTF-8@euro").language);
    EXPECT_EQ("en-US", localeFor("C").language);
    EXPECT_EQ("en-US", localeFor("POSIX").language);
    EXPECT_EQ("en-US", localeFor("C.UTF-8").language);
    EXPECT_EQ("en-US", localeFor("").language);
    EXPECT_EQ("zh-CN", localeFor("zh").language);
    EXPECT_EQ("en-GB", localeFor("EN_gb").language);
}

TEST(Locale, CodePagesAndShortDates) {
    EXPECT_EQ(936, localeFor("zh-CN").codePage);
    EXPECT_EQ(936, localeFor("zh-SG").codePage);
    EXPECT_EQ(950, localeFor("zh-TW").codePage);
    EXPECT_EQ(950, localeFor("zh-HK").codePage);
    EXPECT_EQ(1252, localeFor("en-US").codePage);
    EXPECT_EQ(1252, localeFor("fr_FR.UTF-8").codePage);
    EXPECT_EQ(u"yyyy-M-d", localeFor("zh-CN").shortDatePattern);
    EXPECT_EQ(u"yyyy/M/d", localeFor("zh-TW").shortDatePattern);
    EXPECT_EQ(u"M/d/yyyy", localeFor("en-US").shortDatePattern);
    EXPECT_EQ(u"dd.MM.yyyy", localeFor("de-DE").shortDatePattern);
    EXPECT_FALSE(localeFor("xx-YY").shortDatePattern.empty());
}

TEST(Locale, OverrideReplacesTheProcessLocale) {
    const SystemLocale saved = systemLocale();
    overrideSystemLocale(localeFor("zh-TW"));
    EXPECT_EQ("zh-TW", systemLocale().language);
    EXPECT_EQ(950, systemLocale().codePage);
    overrideSystemLocale(saved);
    EXPECT_EQ(saved.language, systemLocale().language);
}

TEST(CodePage, ChineseCharactersTakeTwoBytes) {
    const std::u16string text = u"\u4E2D\u6587a";  // two ideographs and a letter
    EXPECT_EQ(5u, toCodePage(text, 936).size());
    EXPECT_EQ(5u, toCodePage(text, 950).size());
    EXPECT_EQ("\xD6\xD0\xCE\xC4" "a", toCodePage(text, 936));
    EXPECT_EQ("\xA4\xA4\xA4\xE5" "a", toCodePage(text, 950));
    EXPECT_EQ(text, fromCodePage("\xD6\xD0\xCE\xC4" "a", 936));
    EXPECT_EQ(text, fromCodePage("\xA4\xA4\xA4\xE5" "a", 950));
}

TEST(CodePage, UnrepresentableCharactersBecomeQuestionMarks) {
    EXPECT_EQ("a?b", toCodePage(u"a\u4E2Db", 1252));
    EXPECT_EQ("caf\xE9", toCodePage(u"caf\u00E9", 1252));
    EXPECT_EQ("\x80", toCodePage(u"\u20AC", 1252));
    EXPECT_EQ("?x", toCodePage(u"\U0001F600x", 936));    // a pair of surrogates is one character
    EXPECT_EQ("?x", toCodePage(std::u16string(u"\xD800x"), 936));  // a lone surrogate too
    EXPECT_EQ("??", toCodePage(u"\u0E01\u0E02", 950));
    EXPECT_EQ("", toCodePage(u"", 936));
    std::u16string longText(1000, u'\u4E2D');
    longText += u"\U0001F600";
    EXPECT_EQ(2001u, toCodePage(longText, 936).size());
}

TEST(CodePage, BadBytesAndCodePages) {
    EXPECT_EQ(u"a\uFFFD", fromCodePage("a\xD6", 936));  // a lead byte without its trail
    EXPECT_EQ(u"\u00E9", fromCodePage("\xE9", 1252));
    EXPECT_EQ(u"\u4E2D", fromCodePage("\xE4\xB8\xAD", 65001));
    EXPECT_RT_ERROR(5, toCodePage(u"x", 12345));
}

}  // namespace
