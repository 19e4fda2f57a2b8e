#include "runtime/fault.h"

#include <new>

namespace rt::fault {

thread_local Plan* tPlan = nullptr;

void allocation() {
    if (injected(Kind::Alloc)) throw std::bad_alloc();
}

std::chrono::steady_clock::time_point steadyNow() noexcept {
    const auto now = std::chrono::steady_clock::now();
    Plan* plan = tPlan;
    if (!plan) return now;
    if (plan->count(Kind::Clock)) plan->clockSkew = std::chrono::hours(24);
    return now + plan->clockSkew;
}

Injection::Injection(Kind kind, int64_t failAt) : previous_(tPlan) {
    plan_.kind = kind;
    plan_.failAt = failAt;
    tPlan = &plan_;
}

Injection::~Injection() { tPlan = previous_; }

}  // namespace rt::fault
