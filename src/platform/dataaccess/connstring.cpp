#include "connstring.h"

namespace ado {

namespace {

bool isSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

rt::StrView trim(rt::StrView s) {
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

ConnectionString ConnectionString::parse(rt::StrView text) {
    ConnectionString cs;
    size_t i = 0;
    while (i < text.size()) {
        size_t eq = text.find(u'=', i);
        size_t semi = text.find(u';', i);
        if (eq == rt::StrView::npos || (semi != rt::StrView::npos && semi < eq)) {
            if (semi == rt::StrView::npos) break;
            i = semi + 1;  // a piece without "=": skipped
            continue;
        }
        rt::Str name(trim(text.substr(i, eq - i)));
        size_t j = eq + 1;
        while (j < text.size() && isSpace(text[j])) ++j;
        rt::Str value;
        if (j < text.size() && (text[j] == u'\'' || text[j] == u'"')) {
            const char16_t quote = text[j++];
            while (j < text.size()) {
                if (text[j] == quote) {
                    if (j + 1 < text.size() && text[j + 1] == quote) {
                        value += quote;
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                value += text[j++];
            }
            size_t end = text.find(u';', j);
            i = end == rt::StrView::npos ? text.size() : end + 1;
        } else {
            size_t end = text.find(u';', j);
            if (end == rt::StrView::npos) end = text.size();
            value = rt::Str(trim(text.substr(j, end - j)));
            i = end + 1;
        }
        if (!name.empty()) cs.set(name, std::move(value));
    }
    return cs;
}

std::optional<rt::Str> ConnectionString::get(std::initializer_list<rt::StrView> names) const {
    for (rt::StrView n : names)
        for (const auto& p : pairs_)
            if (rt::equalsAsciiNoCase(p.first, n)) return p.second;
    return std::nullopt;
}

void ConnectionString::set(rt::StrView name, rt::Str value) {
    for (auto& p : pairs_) {
        if (rt::equalsAsciiNoCase(p.first, name)) {
            p.second = std::move(value);
            return;
        }
    }
    pairs_.emplace_back(rt::Str(name), std::move(value));
}

}  // namespace ado
