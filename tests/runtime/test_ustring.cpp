#include "runtime/ustring.h"
#include "runtime/value_testing.h"

using namespace rt;

namespace {

TEST(Utf, RoundTripsAllPlanes) {
    const std::string text = "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80z";  // a e-acute, an ideograph, an emoji
    const Str units = fromUtf8(text);
    EXPECT_EQ(u"a\u00E9\u4E2D\U0001F600z", units);
    EXPECT_EQ(6u, units.size());
    EXPECT_EQ(text, toUtf8(units));
}

TEST(Utf, InvalidSequencesBecomeReplacementCharacters) {
    EXPECT_EQ(u"a\uFFFDb", fromUtf8("a\xFF" "b"));
    EXPECT_EQ(u"\uFFFD", fromUtf8("\xE4\xB8"));             // truncated
    EXPECT_EQ(u"\uFFFDA", fromUtf8("\xE4\xB8" "A"));         // interrupted
    EXPECT_EQ(u"\uFFFD\uFFFD", fromUtf8("\xC0\xAF"));        // overlong
    EXPECT_EQ(u"\uFFFD\uFFFD\uFFFD", fromUtf8("\xED\xA0\x80"));  // an encoded surrogate
    EXPECT_EQ(u"\uFFFD\uFFFD\uFFFD", fromUtf8("\xF4\x90\x80"));  // beyond U+10FFFF
    EXPECT_EQ("\xEF\xBF\xBDx", toUtf8(std::u16string(u"\xDC00x")));  // lone low surrogate
    EXPECT_EQ("x\xEF\xBF\xBD", toUtf8(std::u16string(u"x\xD800")));  // lone high surrogate at the end
}

TEST(Trim, SpacesOnly) {
    EXPECT_EQ(u"x", trimSpaces(u"  x  "));
    EXPECT_EQ(u"\tx\t", trimSpaces(u" \tx\t "));
    EXPECT_EQ(u"\u3000x", trimSpaces(u"\u3000x "));
    EXPECT_EQ(u"x  ", trimLeadingSpaces(u"  x  "));
    EXPECT_EQ(u"  x", trimTrailingSpaces(u"  x  "));
    EXPECT_EQ(u"", trimSpaces(u"   "));
    EXPECT_EQ(u"", trimSpaces(u""));
}

TEST(Case, UnicodeSimpleMapping) {
    EXPECT_EQ(u"abc\u00E9\u03C3", toLower(u"AbC\u00C9\u03A3"));
    EXPECT_EQ(u"ABC\u00C9", toUpper(u"abc\u00E9"));
    EXPECT_EQ(u"\u4E2D1", toUpper(u"\u4E2D1"));
    EXPECT_EQ(u"\U00010428", toLower(u"\U00010400"));  // Deseret, outside the basic plane
    EXPECT_EQ(u"STRASSE", ascii("STRASSE"));
    EXPECT_EQ(1u, toUpper(u"\u00DF").size());  // unit count kept: sharp s has no simple upper case
    EXPECT_TRUE(equalsNoCase(u"Stra\u00C9e", u"STRA\u00E9E"));
    EXPECT_FALSE(equalsNoCase(u"abc", u"abd"));
    EXPECT_FALSE(equalsNoCase(u"abc", u"abcd"));
    EXPECT_TRUE(equalsAsciiNoCase(u"GetConn", u"getconn"));
    EXPECT_FALSE(equalsAsciiNoCase(u"\u00C9", u"\u00E9"));
    EXPECT_EQ(u"maxcon\u00C9", asciiLower(u"MaxCon\u00C9"));
}

TEST(Search, ReplaceAndFind) {
    EXPECT_EQ(u"2007-3-5", replaceAll(u"2007.3.5", u".", u"-"));
    EXPECT_EQ(u"xbxb", replaceAll(u"aab", u"aab", u"xbxb"));
    EXPECT_EQ(u"bbb", replaceAll(u"aaaab", u"aa", u"b"));  // left to right, no overlaps
    EXPECT_EQ(u"ba", replaceAll(u"aaa", u"aa", u"b"));
    EXPECT_EQ(u"abc", replaceAll(u"abc", u"", u"x"));
    EXPECT_EQ(u"", replaceAll(u"", u"a", u"x"));
    EXPECT_EQ(3u, findFrom(u"a,b,c", u"b", 1));
    EXPECT_EQ(4u, findFrom(u"a,b,c", u",", 3));
    EXPECT_EQ(0u, findFrom(u"a,b,c", u",", 5));
    EXPECT_EQ(0u, findFrom(u"abc", u"x", 1));
    EXPECT_EQ(0u, findFrom(u"abc", u"a", 9));
    EXPECT_EQ(1u, findFrom(u"abc", u"a", 0));
    EXPECT_EQ(2u, findFrom(u"abc", u"", 2));
    EXPECT_EQ(0u, findFrom(u"abc", u"", 4));
}

}  // namespace
