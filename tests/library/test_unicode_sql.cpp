// The literal marking of SQL text: the documented cases, statements whose literals hold
// doubled apostrophes, comments, quoted names and prefixes, and a model of the plain rule
// that every ordinary statement must still follow exactly.
#include <random>

#include "data/query.h"
#include "library_testing.h"

using velmora::sUnicodeSql;
using rt::Str;

namespace {

// The plain rule: every odd apostrophe of the whole text gets an "N" in front, then every
// "NN'" becomes "N'" (one pass, left to right).
Str plainRule(const Str& text) {
    if (text.empty()) return {};
    if (text[0] == u'*') return text.substr(1);
    Str out;
    int count = 0;
    for (char16_t c : text) {
        if (c == u'\'') {
            ++count;
            if (count % 2 == 1) out += u'N';
        }
        out += c;
    }
    return rt::replaceAll(out, u"NN'", u"N'");
}

}  // namespace

TEST(UnicodeSql, TheDocumentedCases) {
    EXPECT_EQ(sUnicodeSql(u""), u"");
    EXPECT_EQ(sUnicodeSql(u"*"), u"");
    EXPECT_EQ(sUnicodeSql(u"*select 'a'"), u"select 'a'");
    EXPECT_EQ(sUnicodeSql(u"*select 'it''s' -- 'x"), u"select 'it''s' -- 'x");  // sent as written
    EXPECT_EQ(sUnicodeSql(u"select * from t where c='a'"), u"select * from t where c=N'a'");
    EXPECT_EQ(sUnicodeSql(u"where a='x' and b=N'y'"), u"where a=N'x' and b=N'y'");
    EXPECT_EQ(sUnicodeSql(u"select a, b from t where c = 1"), u"select a, b from t where c = 1");
    EXPECT_EQ(sUnicodeSql(u" *select 'a'"), u" *select N'a'");  // the star counts only in front
}

TEST(UnicodeSql, ADoubledApostropheStaysInsideItsLiteral) {
    EXPECT_EQ(sUnicodeSql(u"where a='it''s' and b='x'"), u"where a=N'it''s' and b=N'x'");
    EXPECT_EQ(sUnicodeSql(u"values ('''', 'O''Brien', '')"), u"values (N'''', N'O''Brien', N'')");
    EXPECT_EQ(sUnicodeSql(u"select 'a''''b','c'"), u"select N'a''''b',N'c'");
}

TEST(UnicodeSql, PrefixesInEitherCaseAreKeptOnce) {
    EXPECT_EQ(sUnicodeSql(u"c=n'x'"), u"c=n'x'");
    EXPECT_EQ(sUnicodeSql(u"c=N'x' or c=n'y' or c='z'"), u"c=N'x' or c=n'y' or c=N'z'");
    EXPECT_EQ(sUnicodeSql(u"c=N'it''s' and d=n'O''Brien'"), u"c=N'it''s' and d=n'O''Brien'");
    // An N inside a literal or just before its closing apostrophe is text, not a prefix.
    EXPECT_EQ(sUnicodeSql(u"c='AN' and d='NN' and e='n'"), u"c=N'AN' and d=N'NN' and e=N'n'");
}

TEST(UnicodeSql, CommentsOpenNoLiteral) {
    EXPECT_EQ(sUnicodeSql(u"select 1 -- don't\nwhere a='x'"), u"select 1 -- don't\nwhere a=N'x'");
    EXPECT_EQ(sUnicodeSql(u"/* it's */ select 'a' /* 'b' */"), u"/* it's */ select N'a' /* 'b' */");
    EXPECT_EQ(sUnicodeSql(u"select 'a' -- it's the end"), u"select N'a' -- it's the end");
    // Comment marks inside a literal are text.
    EXPECT_EQ(sUnicodeSql(u"where a='--' and b='/*' and c='x'"), u"where a=N'--' and b=N'/*' and c=N'x'");
    // A lone dash or slash is an operator.
    EXPECT_EQ(sUnicodeSql(u"select 5-1, 4/2, 'a'"), u"select 5-1, 4/2, N'a'");
}

TEST(UnicodeSql, QuotedAndBracketedNamesOpenNoLiteral) {
    EXPECT_EQ(sUnicodeSql(u"select \"it's\" from t where c='a'"), u"select \"it's\" from t where c=N'a'");
    EXPECT_EQ(sUnicodeSql(u"select [it's] from t where c='a'"), u"select [it's] from t where c=N'a'");
    EXPECT_EQ(sUnicodeSql(u"select [a]]'b], \"x\"\"'y\" from t where c='a'"),
              u"select [a]]'b], \"x\"\"'y\" from t where c=N'a'");
    // Quote marks inside a literal are text.
    EXPECT_EQ(sUnicodeSql(u"where a='[' and b='\"' and c='x'"), u"where a=N'[' and b=N'\"' and c=N'x'");
}

TEST(UnicodeSql, UnterminatedPartsRunToTheEnd) {
    EXPECT_EQ(sUnicodeSql(u"where a='abc"), u"where a=N'abc");
    EXPECT_EQ(sUnicodeSql(u"where a='it''s"), u"where a=N'it''s");
    EXPECT_EQ(sUnicodeSql(u"select 1 /* 'x' and 'y"), u"select 1 /* 'x' and 'y");
    EXPECT_EQ(sUnicodeSql(u"select [a 'b"), u"select [a 'b");
    EXPECT_EQ(sUnicodeSql(u"select \"a 'b"), u"select \"a 'b");
    EXPECT_EQ(sUnicodeSql(u"select 1 --"), u"select 1 --");
    EXPECT_EQ(sUnicodeSql(u"'"), u"N'");
}

TEST(UnicodeSql, MoreThan32767ApostrophesAreReadLikeAnyOthers) {
    // 20,000 literals, one of them with a doubled apostrophe: 40,002 apostrophes.
    Str in = u"select 1 from t where c in (";
    Str expected = in;
    for (int i = 0; i < 20000; ++i) {
        const Str sep = i ? u"," : u"";
        const Str content = i == 12345 ? Str(u"it''s") : rt::fromUtf8(std::to_string(i));
        in += sep + u"'" + content + u"'";
        expected += sep + u"N'" + content + u"'";
    }
    in += u")";
    expected += u")";
    EXPECT_EQ(sUnicodeSql(in), expected);
}

TEST(UnicodeSql, OrdinaryStatementsFollowThePlainRuleExactly) {
    // Statements built of words, operators and literals, N-prefixed or not, without doubled
    // apostrophes, comments, quoted names or lower-case prefixes.
    std::mt19937 gen(20070305);
    const Str wordChars = u"abcdefghijklmNopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_ ,=()<>*+.N";
    const Str literalChars = u"abc xyzN 0123,.;()=<>*+-/\"[]\u4E2D\u6587";
    auto pick = [&](const Str& from) { return from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(gen)]; };
    int checked = 0;
    for (int round = 0; round < 2000; ++round) {
        Str sql;
        const int parts = std::uniform_int_distribution<int>(1, 12)(gen);
        for (int p = 0; p < parts; ++p) {
            if (gen() % 2) {
                const int n = std::uniform_int_distribution<int>(1, 6)(gen);
                for (int k = 0; k < n; ++k) sql += pick(wordChars);
                if (!sql.empty() && sql.back() == u'n') sql += u' ';
                continue;
            }
            if (gen() % 3 == 0 && (sql.empty() || sql.back() != u'N')) sql += u'N';
            Str content;
            const int n = std::uniform_int_distribution<int>(0, 8)(gen);
            for (int k = 0; k < n; ++k) content += pick(literalChars);
            // The plain rule's "NN'" pass would cut a literal that ends in "NN" (it reaches
            // inside literals); such text is no ordinary statement.
            while (content.size() >= 2 && content.substr(content.size() - 2) == u"NN") content.pop_back();
            sql += u"'" + content + u"'";
            sql += u' ';  // literals never touch: no doubled apostrophe
        }
        if (!sql.empty() && sql[0] == u'*') sql.insert(sql.begin(), u' ');
        ASSERT_EQ(sUnicodeSql(sql), plainRule(sql)) << rt::toUtf8(sql);
        ++checked;
    }
    EXPECT_EQ(checked, 2000);
}
