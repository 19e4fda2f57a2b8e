// Connection strings: "name=value" pairs separated by ";".
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/ustring.h"

namespace ado {

class ConnectionString {
public:
    ConnectionString() = default;
    // Names are trimmed and compared without regard to case; values are trimmed and may be
    // quoted with ' or " (a quoted value may hold ";"; the quote doubled stands for itself).
    // A later pair of the same name wins. Never fails: text without "=" is ignored.
    static ConnectionString parse(rt::StrView text);

    // The value of the first name present among names; nullopt when none is.
    std::optional<rt::Str> get(std::initializer_list<rt::StrView> names) const;
    std::optional<rt::Str> get(rt::StrView name) const { return get({name}); }
    void set(rt::StrView name, rt::Str value);
    bool empty() const { return pairs_.empty(); }

private:
    std::vector<std::pair<rt::Str, rt::Str>> pairs_;
};

}  // namespace ado
