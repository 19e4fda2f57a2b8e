#include "frame/binding.h"

namespace velmora {

const char* guardName(Guard g) {
    switch (g) {
        case Guard::None: return "none";
        case Guard::Handler: return "handler";
        case Guard::Skip: return "skip";
        case Guard::NoneThenSkip: return "none, then skip";
        case Guard::SkipThenNone: return "skip, then none";
        case Guard::NoneThenHandler: return "none, then handler";
    }
    return "?";
}

Guard GuardScope::initialOf(Guard declared) {
    switch (declared) {
        case Guard::NoneThenSkip:
        case Guard::NoneThenHandler: return Guard::None;
        case Guard::SkipThenNone: return Guard::Skip;
        default: return declared;
    }
}

void GuardScope::change() {
    switch (declared_) {
        case Guard::NoneThenSkip: current_ = Guard::Skip; break;
        case Guard::SkipThenNone: current_ = Guard::None; break;
        case Guard::NoneThenHandler: current_ = Guard::Handler; break;
        default: rt::raise(rt::kErrInternal, u"the member declares no change of guard");
    }
}

void GuardScope::onError(std::function<void()> action) { handler_.push_back(std::move(action)); }

void GuardScope::runHandler() noexcept {
    std::vector<std::function<void()>> actions = std::move(handler_);
    handler_.clear();
    for (auto& action : actions) {
        try {
            action();
        } catch (...) {
            // A handler has nothing to report to: the call ends quietly whatever happens here.
        }
    }
}

}  // namespace velmora
