#include "dialect.h"

#include <cctype>
#include <optional>

namespace ado {

namespace {

bool isIdentChar(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return std::isalnum(u) || c == '_' || c == '$' || c == '@' || c == '#' || u >= 0x80;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// Index just past the comment starting at i, or i when there is none there.
size_t skipComment(std::string_view s, size_t i) {
    if (s.compare(i, 2, "--") == 0) {
        size_t e = s.find('\n', i);
        return e == std::string_view::npos ? s.size() : e + 1;
    }
    if (s.compare(i, 2, "/*") == 0) {
        size_t e = s.find("*/", i + 2);
        return e == std::string_view::npos ? s.size() : e + 2;
    }
    return i;
}

size_t skipBlanksAndComments(std::string_view s, size_t i) {
    for (;;) {
        while (i < s.size() && isBlank(s[i])) ++i;
        size_t j = skipComment(s, i);
        if (j == i) return i;
        i = j;
    }
}

// Matches a keyword (any case) at i that is not the start of a longer word.
bool keywordAt(std::string_view s, size_t i, std::string_view word) {
    if (i + word.size() > s.size()) return false;
    for (size_t k = 0; k < word.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(s[i + k])) != word[k]) return false;
    return i + word.size() == s.size() || !isIdentChar(s[i + word.size()]);
}

struct TopClause {
    size_t begin = 0;  // "top" ...
    size_t end = 0;    // ... up to the next token
    std::string count;
};

// A leading "select [distinct|all] top N" or "top (N)".
std::optional<TopClause> findLeadingTop(std::string_view s) {
    size_t i = skipBlanksAndComments(s, 0);
    if (!keywordAt(s, i, "select")) return std::nullopt;
    i = skipBlanksAndComments(s, i + 6);
    if (keywordAt(s, i, "distinct")) i = skipBlanksAndComments(s, i + 8);
    else if (keywordAt(s, i, "all")) i = skipBlanksAndComments(s, i + 3);
    if (!keywordAt(s, i, "top")) return std::nullopt;
    TopClause t;
    t.begin = i;
    i = skipBlanksAndComments(s, i + 3);
    const bool paren = i < s.size() && s[i] == '(';
    if (paren) i = skipBlanksAndComments(s, i + 1);
    size_t digits = i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
    if (i == digits) return std::nullopt;
    t.count = std::string(s.substr(digits, i - digits));
    if (paren) {
        i = skipBlanksAndComments(s, i);
        if (i >= s.size() || s[i] != ')') return std::nullopt;
        ++i;
    } else if (i < s.size() && isIdentChar(s[i])) {
        return std::nullopt;  // "top 10x": not a count
    }
    // "percent" and "with ties" have no row-limit equivalent: leave the statement alone.
    size_t next = skipBlanksAndComments(s, i);
    if (keywordAt(s, next, "percent") || keywordAt(s, next, "with")) return std::nullopt;
    t.end = next;
    return t;
}

}  // namespace

std::string rewriteStatement(std::string_view sql, const DialectRules& rules) {
    std::optional<TopClause> top;
    if (!rules.topClause) top = findLeadingTop(sql);

    std::string out;
    out.reserve(sql.size() + 16);
    size_t lastLineComment = std::string::npos;  // where the last "--" comment starts in out
    size_t i = 0;
    while (i < sql.size()) {
        if (top && i == top->begin) {
            i = top->end;
            continue;
        }
        const char c = sql[i];
        if (c == '\'') {
            size_t j = i + 1;
            while (j < sql.size()) {
                if (sql[j] == '\'') {
                    if (j + 1 < sql.size() && sql[j + 1] == '\'') {
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
            if (j > sql.size()) j = sql.size();
            out.append(sql.substr(i, j - i));
            i = j;
            continue;
        }
        if (c == '"' || c == '[' || c == '`') {
            const char close = c == '[' ? ']' : c;
            size_t e = sql.find(close, i + 1);
            size_t j = e == std::string_view::npos ? sql.size() : e + 1;
            out.append(sql.substr(i, j - i));
            i = j;
            continue;
        }
        if (size_t j = skipComment(sql, i); j != i) {
            if (sql[i] == '-') lastLineComment = out.size();
            out.append(sql.substr(i, j - i));
            i = j;
            continue;
        }
        if ((c == 'N' || c == 'n') && !rules.nationalLiterals && i + 1 < sql.size() && sql[i + 1] == '\'' &&
            (i == 0 || (!isIdentChar(sql[i - 1]) && sql[i - 1] != '\''))) {
            ++i;  // the literal itself follows
            continue;
        }
        if (isIdentChar(c)) {
            size_t j = i;
            while (j < sql.size() && isIdentChar(sql[j])) ++j;
            out.append(sql.substr(i, j - i));
            i = j;
            continue;
        }
        out.push_back(c);
        ++i;
    }

    if (top) {
        while (!out.empty() && (isBlank(out.back()) || out.back() == ';')) out.pop_back();
        // A limit after a trailing "--" comment would be commented out: start a new line.
        const bool inLineComment =
            lastLineComment != std::string::npos && lastLineComment < out.size() &&
            out.find('\n', lastLineComment) == std::string::npos;
        out += inLineComment ? "\nLIMIT " : " LIMIT ";
        out += top->count;
    }
    return out;
}

}  // namespace ado
