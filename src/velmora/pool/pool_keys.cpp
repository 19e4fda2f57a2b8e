// Connection strings as the pool reads them: values by name, the key text, pool keys,
// collection keys and the credentials an idle connection may be lent under.
#include <cmath>
#include <functional>
#include <utility>

#include "dataaccess/connstring.h"
#include "pool/con_pool.h"
#include "runtime/error.h"

namespace velmora::pool {

using rt::Str;
using rt::StrView;

namespace {

// Positions in the key functions are 16-bit integers.
constexpr size_t kMaxPosition = 32767;

size_t position16(size_t p) {
    if (p > kMaxPosition) rt::raise(rt::kErrOverflow);
    return p;
}

}  // namespace

size_t PoolKeyHash::operator()(const PoolKey& k) const noexcept {
    std::hash<Str> h;
    size_t seed = h(k.host);
    seed ^= h(k.user) + 0x9e3779b97f4a7c15ull + (seed << 6) + (seed >> 2);
    seed ^= h(k.database) + 0x9e3779b97f4a7c15ull + (seed << 6) + (seed >> 2);
    return seed;
}

Str sConnPart(Str& text, StrView name) {
    if (const StrView trimmed = rt::trimSpaces(text); trimmed.size() != text.size()) text = Str(trimmed);
    const Str pair = Str(name) + u"=";
    const size_t p = position16(rt::findFrom(text, pair, 1));
    if (p == 0) return {};  // the text does not hold the name
    const size_t start = position16(p + name.size() + 1);
    const size_t e = position16(rt::findFrom(text, u";", start));
    const size_t first = start - 1;
    if (first >= text.size()) return {};
    const size_t length = e == 0 ? Str::npos : e - start;
    return rt::toLower(StrView(text).substr(first, length));
}

Str normalizedText(StrView text) {
    Str s = rt::toLower(text);
    // Most connection strings name no language: only the words present are replaced.
    for (auto [lower, restored] : {std::pair<StrView, StrView>{u"english", u"English"},
                                   {u"traditional chinese", u"Traditional Chinese"},
                                   {u"simplified chinese", u"Simplified Chinese"}}) {
        if (s.find(lower) != Str::npos) s = rt::replaceAll(s, lower, restored);
    }
    return s;
}

PoolKey poolKeyOf(Str text) {
    PoolKey key;
    key.host = rt::replaceAll(sConnPart(text, u"data source"), u"\\", u"|");
    key.user = sConnPart(text, u"user id");
    key.database = sConnPart(text, u"initial catalog");
    return key;
}

Str sNewKey() {
    // Nearest integer, halves to even (the current rounding mode's default).
    const double n = std::nearbyint(rt::randomFraction() * 1000000000.0 + 1.0);
    return rt::fromUtf8(std::to_string(int32_t(n))) + u"k";
}

bool sameCredentials(StrView opened, StrView requested) {
    // Read as the provider reads them, so that what is compared is what logs in.
    const ado::ConnectionString a = ado::ConnectionString::parse(opened);
    const ado::ConnectionString b = ado::ConnectionString::parse(requested);
    for (auto names : {std::initializer_list<StrView>{u"Data Source"}, std::initializer_list<StrView>{u"User ID", u"UID"},
                       std::initializer_list<StrView>{u"Password", u"PWD"}}) {
        if (a.get(names) != b.get(names)) return false;
    }
    return true;
}

}  // namespace velmora::pool
