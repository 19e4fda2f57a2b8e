#include "services/catalog.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "runtime/error.h"
#include "runtime/locale.h"

#ifndef VELMORA_CATALOG_DIR
#define VELMORA_CATALOG_DIR ""
#endif

namespace svc {

namespace fs = std::filesystem;
using rt::Str;

namespace {

[[noreturn]] void malformed(const std::string& source, size_t line, const std::string& why) {
    rt::raise(rt::kErrInvalidCall,
              rt::fromUtf8("Message catalog " + source + ", line " + std::to_string(line) + ": " + why));
}

// Length of the UTF-8 sequence at s[i], or 0 when it is not well-formed (overlong forms,
// surrogates and values above U+10FFFF included).
size_t utf8SequenceAt(std::string_view s, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(i);
    if (b < 0x80) return 1;
    size_t n;
    uint32_t cp;
    if (b >= 0xC2 && b <= 0xDF) n = 2, cp = b & 0x1F;
    else if (b >= 0xE0 && b <= 0xEF) n = 3, cp = b & 0x0F;
    else if (b >= 0xF0 && b <= 0xF4) n = 4, cp = b & 0x07;
    else return 0;
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return 0;
    if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
    return n;
}

bool isUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        size_t n = utf8SequenceAt(s, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string_view trimBlanks(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

std::string unescape(std::string_view text, const std::string& source, size_t line) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out.push_back(text[i]);
            continue;
        }
        if (++i == text.size()) malformed(source, line, "a lone \\ ends the text (write \\\\ for a backslash)");
        switch (text[i]) {
            case 'n': out.push_back('\n'); break;
            case 't': out.push_back('\t'); break;
            case 's': out.push_back(' '); break;
            case '\\': out.push_back('\\'); break;
            default: malformed(source, line, std::string("unknown escape \\") + text[i]);
        }
    }
    return out;
}

// The folder of the platform library, found from one of its own functions.
std::optional<fs::path> platformLibraryFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&catalogFolder), &info) == 0 || !info.dli_fname) return std::nullopt;
    std::error_code ec;
    fs::path lib = fs::canonical(info.dli_fname, ec);
    if (ec) return std::nullopt;
    return lib.parent_path();
}

std::string withoutTrailingSlash(std::string s) {
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

struct CacheEntry {
    std::shared_ptr<const Catalog> catalog;
    std::optional<rt::Error> failure;
};

}  // namespace

Catalog Catalog::parse(std::string_view content, const std::string& source) {
    if (content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);
    Catalog catalog;
    std::map<Str, size_t> firstLine;
    size_t lineNo = 0;
    while (!content.empty()) {
        ++lineNo;
        size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!isUtf8(line)) malformed(source, lineNo, "the line is not UTF-8 text (save the catalog as UTF-8)");
        std::string_view body = trimBlanks(line);
        if (body.empty() || body.front() == '#') continue;
        size_t eq = body.find('=');
        if (eq == std::string_view::npos) malformed(source, lineNo, "expected key = text");
        std::string_view key = trimBlanks(body.substr(0, eq));
        if (key.empty()) malformed(source, lineNo, "the key before \"=\" is empty");
        if (key.find_first_of(" \t") != std::string_view::npos)
            malformed(source, lineNo, "the key \"" + std::string(key) + "\" holds blanks");
        Str k = rt::fromUtf8(key);
        if (auto [it, fresh] = firstLine.emplace(k, lineNo); !fresh)
            malformed(source, lineNo,
                      "the key " + std::string(key) + " is given twice (first on line " + std::to_string(it->second) +
                          ")");
        catalog.texts_.emplace(std::move(k), rt::fromUtf8(unescape(trimBlanks(body.substr(eq + 1)), source, lineNo)));
    }
    return catalog;
}

Catalog Catalog::load(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT)
        rt::raise(rt::kErrFileNotFound, rt::fromUtf8("Message catalog " + path + " not found"));
    std::string content;
    int readError = fd < 0 ? errno : 0;
    while (fd >= 0 && readError == 0) {
        char buf[8192];
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) content.append(buf, size_t(n));
        else if (n == 0) break;
        else if (errno != EINTR) readError = errno;
    }
    if (fd >= 0) ::close(fd);
    if (readError)
        rt::raise(75, rt::fromUtf8("Message catalog " + path + " cannot be read: " + std::strerror(readError)));
    return parse(content, path);
}

const Str* Catalog::find(rt::StrView key) const {
    auto it = texts_.find(Str(key));
    return it == texts_.end() ? nullptr : &it->second;
}

std::vector<Str> Catalog::keys() const {
    std::vector<Str> out;
    out.reserve(texts_.size());
    for (const auto& [k, text] : texts_) out.push_back(k);
    std::sort(out.begin(), out.end());
    return out;
}

std::string catalogFolder() {
    if (const char* p = std::getenv("VELMORA_CATALOGS"); p && *p) return withoutTrailingSlash(p);
    const std::optional<fs::path> folder = platformLibraryFolder();
    if (!folder) return "catalogs";  // a platform without a file of its own: the working folder
    // A build folder holds the catalogs beside the platform library; an installed tree in
    // the library's private folder beside it (lib/velmora/catalogs). When neither exists,
    // the installed place is named, so that the loader's error says where it looked.
    std::error_code ec;
    const fs::path beside = *folder / "catalogs";
    if (fs::is_directory(beside, ec)) return beside.string();
    return (*folder / "velmora" / "catalogs").string();
}

std::string currentLanguage() {
    if (const char* p = std::getenv("VELMORA_LANGUAGE"); p && *p) return rt::localeFor(p).language;
    return rt::systemLocale().language;
}

std::string catalogFileFor(const std::string& folder, const std::string& language) {
    std::vector<std::string> candidates{language};
    if (language == "zh-HK" || language == "zh-MO") candidates.push_back("zh-TW");
    else if (language.rfind("zh", 0) == 0) candidates.push_back("zh-CN");
    candidates.push_back("en-US");
    for (const auto& c : candidates) {
        std::error_code ec;
        std::string path = folder + "/" + c + ".txt";
        if (fs::is_regular_file(path, ec)) return path;
    }
    return folder + "/" + language + ".txt";
}

std::shared_ptr<const Catalog> catalogFor(const std::string& language) {
    static std::mutex mu;
    static auto* cache = new std::map<std::string, CacheEntry>;  // shared by threads that outlive statics
    const std::string path = catalogFileFor(catalogFolder(), language);
    std::lock_guard lock(mu);
    auto [it, fresh] = cache->try_emplace(path);
    CacheEntry& entry = it->second;
    if (fresh) {
        try {
            entry.catalog = std::make_shared<const Catalog>(Catalog::load(path));
        } catch (rt::Error& e) {
            entry.failure = e;
        }
    }
    if (entry.failure) throw *entry.failure;
    return entry.catalog;
}

}  // namespace svc
