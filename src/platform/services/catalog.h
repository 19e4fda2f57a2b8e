// Message catalogs: one file of texts per language, shipped in the folder "catalogs" beside
// the platform library.
//
// Format (UTF-8, optionally with a byte-order mark; LF or CRLF line ends):
//   # a comment line (leading blanks allowed); blank lines are skipped
//   Ostrel.FM.Velmora.00031 = text
// The key ends at the first "=", the text runs to the end of the line; blanks around both
// are dropped. In the text \n is a line break, \t a tab, \s a space (for texts that must
// begin or end with one) and \\ a backslash.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runtime/ustring.h"

namespace svc {

class Catalog {
public:
    // Parses a catalog's content; source names it in error descriptions. Throws rt::Error 5
    // naming source and line for a line without "=", an empty or blank-holding key, a key
    // given twice, an unknown escape or bytes that are not UTF-8.
    static Catalog parse(std::string_view content, const std::string& source);
    // Reads and parses a file. Throws rt::Error 53 when it does not exist, 75 when it cannot
    // be read, and the errors of parse.
    static Catalog load(const std::string& path);

    // The text for key (exact comparison); nullptr when the catalog lacks it. Owned by the
    // catalog.
    const rt::Str* find(rt::StrView key) const;
    size_t size() const { return texts_.size(); }
    // Every key, sorted.
    std::vector<rt::Str> keys() const;

private:
    std::unordered_map<rt::Str, rt::Str> texts_;
};

// The catalog folder: $VELMORA_CATALOGS, else "catalogs" beside the platform library (a
// build folder), else "velmora/catalogs" beside it (the library's private folder of an
// installed tree). Never ends with "/".
std::string catalogFolder();

// The suite's current language: $VELMORA_LANGUAGE (as a locale tag: "zh_TW.UTF-8" gives
// "zh-TW"), else the system locale's language.
std::string currentLanguage();

// The catalog file used for language in folder: "<language>.txt" when it exists, else the
// nearest shipped language (zh-HK and zh-MO: zh-TW; other zh: zh-CN), else en-US.
std::string catalogFileFor(const std::string& folder, const std::string& language);

// The shared catalog for language in the current catalog folder. Each file is read once
// per process (a failure too: it is raised again to later callers without reading again).
// Thread-safe. Throws the errors of Catalog::load.
std::shared_ptr<const Catalog> catalogFor(const std::string& language);

}  // namespace svc
