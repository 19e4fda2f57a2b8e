#include "collection.h"

#include <random>

#include "error.h"

namespace rt {

std::vector<Collection::Entry>::const_iterator Collection::findKey(StrView key) const {
    for (auto it = items_.begin(); it != items_.end(); ++it)
        if (it->key && equalsNoCase(*it->key, key)) return it;
    return items_.end();
}

void Collection::add(Variant item, std::optional<Str> key) {
    if (key && findKey(*key) != items_.end()) raise(kErrDuplicateKey);
    items_.push_back(Entry{std::move(item), std::move(key)});
}

const Variant& Collection::item(StrView key) const {
    auto it = findKey(key);
    if (it == items_.end()) raise(kErrInvalidCall);
    return it->value;
}

const Variant& Collection::item(long index) const {
    if (index < 1 || index > count()) raise(kErrSubscript);
    return items_[size_t(index - 1)].value;
}

void Collection::remove(StrView key) {
    auto it = findKey(key);
    if (it == items_.end()) raise(kErrInvalidCall);
    items_.erase(it);
}

void Collection::remove(long index) {
    if (index < 1 || index > count()) raise(kErrSubscript);
    items_.erase(items_.begin() + (index - 1));
}

bool Collection::contains(StrView key) const { return findKey(key) != items_.end(); }

namespace {
std::mt19937_64& generator() {
    thread_local std::mt19937_64 gen{std::random_device{}()};
    return gen;
}
}  // namespace

double randomFraction() {
    // 53 random bits: uniform in [0, 1), never 1.
    return double(generator()() >> 11) * (1.0 / 9007199254740992.0);
}

void seedRandom(uint64_t seed) { generator().seed(seed); }

}  // namespace rt
