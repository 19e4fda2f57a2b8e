// The module's literal marking of SQL text (sUnicodeSql): text literals get the national
// prefix, so that the database keeps every character.
#include "data/query.h"

namespace velmora {

namespace {

using rt::Str;

// Index just past the literal or quoted name that opens at start and closes with close
// (the close character doubled stands for itself); the end of the text when unterminated.
size_t endOfQuoted(const Str& text, size_t start, char16_t close) {
    size_t i = start + 1;
    while (i < text.size()) {
        if (text[i] != close) {
            ++i;
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == close) {
            i += 2;
            continue;
        }
        return i + 1;
    }
    return text.size();
}

// Index just past the comment that opens at start ("--" up to and with the line end, "/*"
// up to "*/"); the end of the text when it runs to there.
size_t endOfComment(const Str& text, size_t start) {
    if (text[start] == u'-') {
        const size_t e = text.find(u'\n', start + 2);
        return e == Str::npos ? text.size() : e + 1;
    }
    const size_t e = text.find(u"*/", start + 2);
    return e == Str::npos ? text.size() : e + 2;
}

bool opensComment(const Str& text, size_t i) {
    if (i + 1 >= text.size()) return false;
    return (text[i] == u'-' && text[i + 1] == u'-') || (text[i] == u'/' && text[i + 1] == u'*');
}

bool startsToken(const Str& text, size_t i) {
    const char16_t c = text[i];
    return c == u'\'' || c == u'"' || c == u'[' || opensComment(text, i);
}

}  // namespace

Str sUnicodeSql(const Str& text) {
    if (text.empty()) return {};
    if (text[0] == u'*') return text.substr(1);
    Str out;
    out.reserve(text.size() + text.size() / 8 + 8);
    size_t i = 0;
    while (i < text.size()) {
        if (!startsToken(text, i)) {
            const size_t from = i;
            while (i < text.size() && !startsToken(text, i)) ++i;
            out.append(text, from, i - from);
            continue;
        }
        size_t end;
        switch (text[i]) {
            case u'\'': {
                // A prefix already there (N'x', n'x') is kept as the only one.
                const bool prefixed = i > 0 && (text[i - 1] == u'N' || text[i - 1] == u'n');
                if (!prefixed) out += u'N';
                end = endOfQuoted(text, i, u'\'');
                break;
            }
            case u'"': end = endOfQuoted(text, i, u'"'); break;
            case u'[': end = endOfQuoted(text, i, u']'); break;
            default: end = endOfComment(text, i); break;
        }
        out.append(text, i, end - i);
        i = end;
    }
    return out;
}

}  // namespace velmora
