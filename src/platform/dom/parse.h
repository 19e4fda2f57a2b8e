// Parsing files and text into trees for the document object.
#pragma once

#include <libxml/tree.h>

#include <string>

#include "runtime/ustring.h"

namespace dom::detail {

// The outcome of a load, as parseError reports it.
struct ParseInfo {
    int32_t errorCode = 0;
    rt::Str url;
    rt::Str reason;
    rt::Str srcText;
    int32_t line = 0;
    int32_t linepos = 0;
    int32_t filepos = 0;
};

struct ParseResult {
    xmlDocPtr doc = nullptr;  // owned by the caller; null on failure (then error says why)
    ParseInfo error;
    bool declaration = false;  // the source began with an XML declaration
    std::string encoding;      // the encoding that declaration names, "" when none
};

// Parses the file at path (never fetching anything else: no network, no external DTD or
// entity; entity expansion bounded). Whitespace-only text between elements is dropped
// unless preserveWhiteSpace (xml:space="preserve" is honoured either way). Elements nest
// at most kMaxDepth levels; a NUL character anywhere fails the parse. Documents without a
// DTD have no other size limits beyond memory. Only regular files are read: a folder, a
// pipe or a device fails at once.
ParseResult parseFile(const std::string& path, bool preserveWhiteSpace);
// The same for text already decoded (any encoding in its declaration is ignored).
ParseResult parseText(const std::string& utf8, bool preserveWhiteSpace);

}  // namespace dom::detail
