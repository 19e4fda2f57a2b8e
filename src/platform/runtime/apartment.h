// Apartments: each thread has a queue of work that other threads post to it; the thread
// runs that work when it processes its pending messages.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace rt {

class Apartment {
public:
    using Work = std::function<void()>;
    using Clock = std::chrono::steady_clock;

    // The calling thread's apartment (made on first use).
    static Apartment& current();
    // A handle other threads can post to; stays valid after the thread ends (posts are dropped).
    std::shared_ptr<Apartment> handle();

    // Queues work for this apartment's thread. Callable from any thread.
    void post(Work w);
    // Runs every queued piece of work (including work queued meanwhile). Returns how many ran.
    // Call on the apartment's own thread only.
    size_t processPending();
    // Sleeps until work is queued or the deadline passes (monotonic clock). True when work waits.
    bool waitForWork(Clock::time_point deadline);
    bool hasWork();

    ~Apartment();

private:
    struct Impl;
    Apartment();
    std::unique_ptr<Impl> impl_;
    std::weak_ptr<Apartment> self_;
    friend struct ApartmentHolder;
};

}  // namespace rt
