// Fault injection: a test arms a plan on its thread and the Nth call of one kind fails, so
// that every error path of an operation can be walked (fail call 1, then 2, ... until the
// operation no longer makes that many calls).
//
// Code that calls out (files, the clock, allocations, SQLite, ODBC, libxml2) asks
// `injected(kind)` just before the call and, when it answers true, behaves as if the call had
// failed the way that call reports failure. With no plan armed the check is one thread-local
// load and a comparison with null.
#pragma once

#include <chrono>
#include <cstdint>

namespace rt::fault {

enum class Kind : uint8_t {
    File,    // opening, reading, writing, renaming or closing a file
    Clock,   // reading the steady clock: the injected reading is a day late, and so are the later ones
    Alloc,   // an allocation (a libxml2 object, a buffer)
    Sqlite,  // a call into SQLite that returns a result code
    Odbc,    // a call into the ODBC driver manager that returns a SQLRETURN
    Xml,     // a call into libxml2 that parses or writes
};
inline constexpr int kKindCount = 6;

// What a test arms: the call of `kind` numbered `failAt` (from 1) fails; calls of every kind
// are counted.
struct Plan {
    Kind kind = Kind::File;
    int64_t failAt = 0;
    int64_t calls[kKindCount] = {};
    bool fired = false;
    std::chrono::steady_clock::duration clockSkew{};

    bool count(Kind k) noexcept {
        const int64_t n = ++calls[int(k)];
        if (k != kind || n != failAt) return false;
        fired = true;
        return true;
    }
};

// The plan armed on this thread; null when none is (always, outside tests).
extern thread_local Plan* tPlan;

// Whether this call of kind is to fail. Counts the call when a plan is armed.
inline bool injected(Kind kind) noexcept {
    Plan* plan = tPlan;
    return plan && plan->count(kind);
}

// Throws std::bad_alloc when this allocation is to fail.
void allocation();

// The steady clock as the code under test sees it (late after an injected Clock failure).
std::chrono::steady_clock::time_point steadyNow() noexcept;

// Arms a plan on this thread for its lifetime; the previous plan (if any) comes back after.
class Injection {
public:
    Injection(Kind kind, int64_t failAt);
    ~Injection();
    Injection(const Injection&) = delete;
    Injection& operator=(const Injection&) = delete;

    // Whether the planned call was reached (and failed).
    bool fired() const { return plan_.fired; }
    // The calls of kind counted so far.
    int64_t calls(Kind kind) const { return plan_.calls[int(kind)]; }

private:
    Plan plan_;
    Plan* previous_;
};

}  // namespace rt::fault
