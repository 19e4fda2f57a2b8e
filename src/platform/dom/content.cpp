// What trees may hold: characters XML allows, comments and processing instructions that
// read back as they were written, and a bounded depth.
#include <cstdio>

#include "dom/internal.h"
#include "runtime/error.h"

namespace dom::detail {

namespace {

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// A code unit that XML 1.0 allows in a document (surrogates are checked in pairs apart).
bool isXmlUnit(char16_t c) {
    if (c < 0x20) return c == 0x09 || c == 0x0A || c == 0x0D;
    return c != 0xFFFE && c != 0xFFFF;
}

std::string codePointText(char16_t c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", unsigned(c));
    return buf;
}

// Position of the first unpaired surrogate of s at or after from; npos when there is none.
size_t unpairedSurrogate(rt::StrView s, size_t at) {
    if (isHighSurrogate(s[at])) return at + 1 < s.size() && isLowSurrogate(s[at + 1]) ? rt::Str::npos : at;
    if (isLowSurrogate(s[at])) return at > 0 && isHighSurrogate(s[at - 1]) ? rt::Str::npos : at;
    return rt::Str::npos;
}

[[noreturn]] void refuseCharacter(const char* what, rt::StrView s, size_t at) {
    if (isHighSurrogate(s[at]) || isLowSurrogate(s[at]))
        refuse(std::string("The ") + what + " holds an unpaired surrogate (" + codePointText(s[at]) +
               "), which XML documents cannot hold.");
    refuse(std::string("The ") + what + " holds the character " + codePointText(s[at]) +
           ", which XML documents cannot hold.");
}

const char* contentWord(xmlElementType type) {
    switch (type) {
        case XML_COMMENT_NODE: return "comment";
        case XML_PI_NODE: return "processing instruction";
        case XML_ATTRIBUTE_NODE: return "value";
        default: return "text";
    }
}

}  // namespace

size_t firstUnconvertible(rt::StrView s) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == 0) return i;
        if (unpairedSurrogate(s, i) != rt::Str::npos) return i;
    }
    return rt::Str::npos;
}

std::string wholeUtf8(rt::StrView s, const char* what) {
    size_t bad = firstUnconvertible(s);
    if (bad != rt::Str::npos) refuseCharacter(what, s, bad);
    return rt::toUtf8(s);
}

std::string checkedContent(xmlElementType type, rt::StrView text) {
    for (size_t i = 0; i < text.size(); ++i)
        if (!isXmlUnit(text[i]) || unpairedSurrogate(text, i) != rt::Str::npos) refuseCharacter(contentWord(type), text, i);
    if (type == XML_COMMENT_NODE && (text.find(u"--") != rt::StrView::npos || (!text.empty() && text.back() == u'-')))
        refuse("A comment cannot hold \"--\" or end with \"-\".");
    if (type == XML_PI_NODE && text.find(u"?>") != rt::StrView::npos)
        refuse("A processing instruction cannot hold \"?>\".");
    return rt::toUtf8(text);
}

int levelOf(xmlNodePtr n) {
    int level = 0;
    for (; n; n = n->parent)
        if (n->type == XML_ELEMENT_NODE) ++level;
    return level;
}

int heightOf(xmlNodePtr n) {
    if (n->type != XML_ELEMENT_NODE) return 0;
    // Depth-first over the elements, one level per step down, without recursion.
    int height = 1, level = 1;
    xmlNodePtr at = n;
    for (;;) {
        xmlNodePtr down = at->children;
        while (down && down->type != XML_ELEMENT_NODE) down = down->next;
        if (down) {
            at = down;
            if (++level > height) height = level;
            continue;
        }
        for (;;) {
            if (at == n) return height;
            xmlNodePtr next = at->next;
            while (next && next->type != XML_ELEMENT_NODE) next = next->next;
            if (next) {
                at = next;
                break;
            }
            at = at->parent;
            --level;
        }
    }
}

}  // namespace dom::detail
