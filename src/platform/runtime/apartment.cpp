#include "apartment.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace rt {

struct Apartment::Impl {
    std::mutex mu;
    std::condition_variable cv;
    std::deque<Work> queue;
};

Apartment::Apartment() : impl_(std::make_unique<Impl>()) {}
Apartment::~Apartment() = default;

struct ApartmentHolder {
    std::shared_ptr<Apartment> apt;
    ApartmentHolder() : apt(std::shared_ptr<Apartment>(new Apartment)) { apt->self_ = apt; }
};

Apartment& Apartment::current() {
    thread_local ApartmentHolder holder;
    return *holder.apt;
}

std::shared_ptr<Apartment> Apartment::handle() { return self_.lock(); }

void Apartment::post(Work w) {
    {
        std::lock_guard lock(impl_->mu);
        impl_->queue.push_back(std::move(w));
    }
    impl_->cv.notify_all();
}

size_t Apartment::processPending() {
    size_t ran = 0;
    for (;;) {
        Work w;
        {
            std::lock_guard lock(impl_->mu);
            if (impl_->queue.empty()) return ran;
            w = std::move(impl_->queue.front());
            impl_->queue.pop_front();
        }
        w();
        ++ran;
    }
}

bool Apartment::waitForWork(Clock::time_point deadline) {
    std::unique_lock lock(impl_->mu);
    return impl_->cv.wait_until(lock, deadline, [&] { return !impl_->queue.empty(); });
}

bool Apartment::hasWork() {
    std::lock_guard lock(impl_->mu);
    return !impl_->queue.empty();
}

}  // namespace rt
