// A keyed collection of values, as the automation runtime's Collection object keeps them:
// insertion order, 1-based indexes, optional text keys compared without regard to case.
#pragma once

#include <optional>
#include <vector>

#include "variant.h"

namespace rt {

class Collection {
public:
    // Adds at the end. Error 457 when key is already taken (the collection is unchanged).
    void add(Variant item, std::optional<Str> key = std::nullopt);
    // By key; error 5 when no item has it.
    const Variant& item(StrView key) const;
    // By 1-based index; error 9 out of range.
    const Variant& item(long index) const;
    // Error 5 for an unknown key, 9 for an index out of range.
    void remove(StrView key);
    void remove(long index);
    long count() const { return long(items_.size()); }
    bool contains(StrView key) const;

private:
    struct Entry {
        Variant value;
        std::optional<Str> key;
    };
    std::vector<Entry>::const_iterator findKey(StrView key) const;
    std::vector<Entry> items_;
};

// The next pseudo-random fraction in [0, 1) of the calling thread's generator.
double randomFraction();
// Reseeds the calling thread's generator (tests use a fixed seed).
void seedRandom(uint64_t seed);

}  // namespace rt
