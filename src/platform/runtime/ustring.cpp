#include "ustring.h"

#include <unicode/uchar.h>

namespace rt {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

void appendCodePoint(Str& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(char16_t(cp));
    } else {
        cp -= 0x10000;
        out.push_back(char16_t(0xD800 + (cp >> 10)));
        out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    }
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

// Decodes one UTF-8 sequence at s[i]; advances i past it. A malformed sequence yields
// U+FFFD and consumes its maximal valid prefix (at least one byte), as the Unicode
// recommendation for replacement says.
char32_t decodeUtf8(std::string_view s, size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i++]);
    if (b0 < 0x80) return b0;
    int extra;
    char32_t cp;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1, cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2, cp = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;  // no encoded surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3, cp = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        return kReplacement;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size()) return kReplacement;
        const auto b = static_cast<unsigned char>(s[i]);
        if (k == 0 ? (b < lo || b > hi) : !isContinuation(b)) return kReplacement;
        cp = (cp << 6) | (b & 0x3F);
        ++i;
    }
    return cp;
}

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Next code point of UTF-16 text; a lone surrogate is returned as itself.
char32_t nextCodePoint(StrView s, size_t& i) {
    char16_t c = s[i++];
    if (isHighSurrogate(c) && i < s.size() && isLowSurrogate(s[i])) {
        char32_t cp = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(s[i]) - 0xDC00);
        ++i;
        return cp;
    }
    return c;
}

template <class Map>
Str mapCodePoints(StrView s, Map map) {
    Str out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) appendCodePoint(out, map(nextCodePoint(s, i)));
    return out;
}

char16_t asciiFold(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

}  // namespace

Str fromUtf8(std::string_view s) {
    Str out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) appendCodePoint(out, decodeUtf8(s, i));
    return out;
}

void appendUtf8(std::string& out, StrView s) {
    for (size_t i = 0; i < s.size();) {
        char32_t cp = nextCodePoint(s, i);
        if (cp >= 0xD800 && cp <= 0xDFFF) cp = kReplacement;  // lone surrogate
        appendUtf8(out, cp);
    }
}

std::string toUtf8(StrView s) {
    std::string out;
    out.reserve(s.size());
    appendUtf8(out, s);
    return out;
}

Str ascii(std::string_view s) { return Str(s.begin(), s.end()); }

StrView trimLeadingSpaces(StrView s) {
    size_t b = 0;
    while (b < s.size() && s[b] == u' ') ++b;
    return s.substr(b);
}

StrView trimTrailingSpaces(StrView s) {
    size_t e = s.size();
    while (e > 0 && s[e - 1] == u' ') --e;
    return s.substr(0, e);
}

StrView trimSpaces(StrView s) { return trimTrailingSpaces(trimLeadingSpaces(s)); }

Str toLower(StrView s) {
    // ASCII text (connection strings, names, keys) maps without asking ICU.
    return mapCodePoints(s, [](char32_t c) {
        if (c < 0x80) return (c >= U'A' && c <= U'Z') ? char32_t(c + 32) : c;
        return char32_t(u_tolower(UChar32(c)));
    });
}

Str toUpper(StrView s) {
    return mapCodePoints(s, [](char32_t c) {
        if (c < 0x80) return (c >= U'a' && c <= U'z') ? char32_t(c - 32) : c;
        return char32_t(u_toupper(UChar32(c)));
    });
}

bool equalsNoCase(StrView a, StrView b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t ca = nextCodePoint(a, i);
        const char32_t cb = nextCodePoint(b, j);
        if (ca < 0x80 && cb < 0x80) {  // ASCII folds without asking ICU
            if (asciiFold(char16_t(ca)) != asciiFold(char16_t(cb))) return false;
            continue;
        }
        if (ca != cb && u_foldCase(UChar32(ca), U_FOLD_CASE_DEFAULT) != u_foldCase(UChar32(cb), U_FOLD_CASE_DEFAULT))
            return false;
    }
    return i == a.size() && j == b.size();
}

bool equalsAsciiNoCase(StrView a, StrView b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiFold(a[i]) != asciiFold(b[i])) return false;
    return true;
}

Str asciiLower(StrView s) {
    Str out(s);
    for (auto& c : out) c = asciiFold(c);
    return out;
}

Str replaceAll(StrView s, StrView what, StrView with) {
    if (what.empty()) return Str(s);
    Str out;
    out.reserve(s.size());
    size_t pos = 0;
    for (size_t hit; (hit = s.find(what, pos)) != StrView::npos; pos = hit + what.size()) {
        out.append(s.substr(pos, hit - pos));
        out.append(with);
    }
    out.append(s.substr(pos));
    return out;
}

size_t findFrom(StrView s, StrView what, size_t start) {
    if (start < 1) start = 1;
    if (start > s.size() + 1) return 0;
    if (what.empty()) return start <= s.size() ? start : 0;
    const size_t hit = s.find(what, start - 1);
    return hit == StrView::npos ? 0 : hit + 1;
}

}  // namespace rt
