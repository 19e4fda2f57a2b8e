#include "locale.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "error.h"

namespace rt {

namespace {

// "zh_cn.UTF-8@euro" -> "zh-CN"; "C", "POSIX" and "" -> "".
std::string canonicalTag(std::string_view tag) {
    tag = tag.substr(0, tag.find_first_of(".@"));
    if (tag == "C" || tag == "POSIX") return {};
    std::string out;
    bool region = false;
    for (char c : tag) {
        if (c == '_' || c == '-') {
            if (region) break;  // script or variant subtags are not needed
            region = true;
            out.push_back('-');
        } else if (c >= 'A' && c <= 'Z' && !region) {
            out.push_back(char(c + 32));
        } else if (c >= 'a' && c <= 'z' && region) {
            out.push_back(char(c - 32));
        } else {
            out.push_back(c);
        }
    }
    return out;
}

struct KnownLocale {
    const char* tag;
    int codePage;
    const char16_t* shortDate;
};

constexpr KnownLocale kKnown[] = {
    {"zh-CN", 936, u"yyyy-M-d"},    {"zh-SG", 936, u"d/M/yyyy"},     {"zh-TW", 950, u"yyyy/M/d"},
    {"zh-HK", 950, u"d/M/yyyy"},    {"zh-MO", 950, u"d/M/yyyy"},     {"en-US", 1252, u"M/d/yyyy"},
    {"en-GB", 1252, u"dd/MM/yyyy"}, {"en-AU", 1252, u"d/MM/yyyy"},   {"en-CA", 1252, u"yyyy-MM-dd"},
    {"de-DE", 1252, u"dd.MM.yyyy"}, {"fr-FR", 1252, u"dd/MM/yyyy"},  {"it-IT", 1252, u"dd/MM/yyyy"},
    {"es-ES", 1252, u"dd/MM/yyyy"}, {"nl-NL", 1252, u"d-M-yyyy"},    {"pt-BR", 1252, u"dd/MM/yyyy"},
    {"ja-JP", 932, u"yyyy/MM/dd"},  {"ko-KR", 949, u"yyyy-MM-dd"},  {"sv-SE", 1252, u"yyyy-MM-dd"},
};

// A language without a region takes its usual one.
std::string withDefaultRegion(const std::string& tag) {
    if (tag.empty()) return "en-US";
    if (tag.find('-') != std::string::npos) return tag;
    static const std::pair<const char*, const char*> kRegions[] = {
        {"zh", "zh-CN"}, {"en", "en-US"}, {"de", "de-DE"}, {"fr", "fr-FR"}, {"it", "it-IT"},
        {"es", "es-ES"}, {"nl", "nl-NL"}, {"pt", "pt-BR"}, {"ja", "ja-JP"}, {"ko", "ko-KR"}, {"sv", "sv-SE"}};
    for (const auto& [language, full] : kRegions)
        if (tag == language) return full;
    return tag;
}

SystemLocale fromEnvironment() {
    for (const char* name : {"VELMORA_LOCALE", "LC_ALL", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return localeFor(value);
    }
    return localeFor("en-US");
}

SystemLocale& processLocale() {
    static SystemLocale locale = fromEnvironment();
    return locale;
}

std::string iconvName(int codePage) {
    if (codePage == 65001) return "UTF-8";
    return "CP" + std::to_string(codePage);
}

// One converter per direction and code page per thread: iconv descriptors carry state and
// are costly to open.
class Converter {
public:
    Converter(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {
        if (cd_ == iconv_t(-1)) raise(kErrInvalidCall, u"Unsupported code page");
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of in; on an unconvertible or malformed unit, appends replacement and
    // skips `skip(in, left)` bytes of input.
    template <class Skip>
    std::string run(const char* in, size_t inLeft, std::string_view replacement, Skip skip) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out;
        char buf[256];
        while (inLeft > 0) {
            char* outPtr = buf;
            size_t outLeft = sizeof buf;
            const size_t rc = iconv(cd_, const_cast<char**>(&in), &inLeft, &outPtr, &outLeft);
            out.append(buf, size_t(outPtr - buf));
            if (rc == size_t(-1) && (errno == EILSEQ || errno == EINVAL)) {
                out.append(replacement);
                const size_t n = std::min(inLeft, skip(in, inLeft));
                in += n;
                inLeft -= n;
            } else if (rc == size_t(-1) && errno != E2BIG) {
                raise(kErrInvalidCall, u"Code page conversion failed");
            }
        }
        char* outPtr = buf;
        size_t outLeft = sizeof buf;
        iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buf, size_t(outPtr - buf));
        return out;
    }

private:
    iconv_t cd_;
};

Converter& converter(int codePage, bool toCodePage) {
    thread_local std::map<std::pair<int, bool>, std::unique_ptr<Converter>> cache;
    auto& slot = cache[{codePage, toCodePage}];
    if (!slot) {
        const std::string name = iconvName(codePage);
        slot = toCodePage ? std::make_unique<Converter>(name, "UTF-16LE")
                          : std::make_unique<Converter>("UTF-16LE", name);
    }
    return *slot;
}

}  // namespace

SystemLocale localeFor(std::string_view tag) {
    SystemLocale loc;
    loc.language = withDefaultRegion(canonicalTag(tag));
    loc.shortDatePattern = u"M/d/yyyy";
    for (const auto& known : kKnown) {
        if (loc.language == known.tag) {
            loc.codePage = known.codePage;
            loc.shortDatePattern = known.shortDate;
            return loc;
        }
    }
    if (loc.language.rfind("zh-", 0) == 0) loc.codePage = 936, loc.shortDatePattern = u"yyyy-M-d";
    return loc;
}

const SystemLocale& systemLocale() { return processLocale(); }

void overrideSystemLocale(const SystemLocale& loc) { processLocale() = loc; }

std::string toCodePage(StrView s, int codePage) {
    if (s.empty()) return {};
    std::u16string_view units = s;
    // UTF-16LE bytes in memory order; the platform is little-endian.
    const char* bytes = reinterpret_cast<const char*>(units.data());
    auto skipCodePoint = [](const char* in, size_t left) -> size_t {
        if (left >= 4) {
            char16_t first, second;
            std::memcpy(&first, in, 2);
            std::memcpy(&second, in + 2, 2);
            if (first >= 0xD800 && first <= 0xDBFF && second >= 0xDC00 && second <= 0xDFFF) return 4;
        }
        return 2;
    };
    return converter(codePage, true).run(bytes, units.size() * 2, "?", skipCodePoint);
}

Str fromCodePage(std::string_view bytes, int codePage) {
    if (bytes.empty()) return {};
    const char16_t replacement = 0xFFFD;
    const std::string units = converter(codePage, false).run(
        bytes.data(), bytes.size(), std::string_view(reinterpret_cast<const char*>(&replacement), 2),
        [](const char*, size_t) -> size_t { return 1; });
    Str out(units.size() / 2, u'\0');
    std::memcpy(out.data(), units.data(), out.size() * 2);
    return out;
}

}  // namespace rt
