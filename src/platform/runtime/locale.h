// The system locale: language, legacy code page, short-date pattern.
#pragma once

#include <string>

#include "ustring.h"

namespace rt {

struct SystemLocale {
    std::string language;      // "zh-CN", "zh-TW", "en-US", ...
    int codePage = 1252;       // 936 zh-CN/zh-SG, 950 zh-TW/zh-HK, 932 ja-JP, 949 ko-KR, 1252 otherwise
    Str shortDatePattern;      // zh-CN "yyyy-M-d", zh-TW "yyyy/M/d", en-US "M/d/yyyy"
};

// From VELMORA_LOCALE, else LC_ALL/LANG (zh_CN.UTF-8 gives zh-CN), else en-US. Read once.
const SystemLocale& systemLocale();
// Builds the locale for a language tag ("zh-CN", "zh_CN.UTF-8", "C", ...).
SystemLocale localeFor(std::string_view tag);
// Tests switch locales; this replaces the process's one (not thread-safe, tests only).
void overrideSystemLocale(const SystemLocale& loc);

// Text in a legacy code page; characters the code page lacks become "?".
std::string toCodePage(StrView s, int codePage);
Str fromCodePage(std::string_view bytes, int codePage);

}  // namespace rt
