#include "run.h"

#include <chrono>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "request_reader.h"
#include "request_session.h"
#include "runtime/apartment.h"
#include "runtime/error.h"

namespace host {

namespace {

constexpr int kMaxThreads = 64;

// One apartment thread with its session. Requests are posted to the thread's apartment
// and answered there; the caller waits for each answer, so answers keep their order.
class HostThread {
public:
    explicit HostThread(int number) {
        auto ready = std::make_shared<std::promise<void>>();
        std::future<void> started = ready->get_future();
        thread_ = std::thread([this, number, ready] { serve(number, *ready); });
        started.wait();
    }
    ~HostThread() {
        apartment_->post([this] { stopping_ = true; });
        thread_.join();
    }
    HostThread(const HostThread&) = delete;
    HostThread& operator=(const HostThread&) = delete;

    Json execute(const Json& request) {
        // Shared with the work item: the promise must outlive set_value on the other thread.
        auto answer = std::make_shared<std::promise<Json>>();
        std::future<Json> response = answer->get_future();
        apartment_->post([this, answer, &request] { answer->set_value(session_->execute(request)); });
        return response.get();
    }

private:
    void serve(int number, std::promise<void>& ready) {
        rt::Apartment& apartment = rt::Apartment::current();
        RequestSession session(number, true);
        apartment_ = apartment.handle();
        session_ = &session;
        ready.set_value();
        while (!stopping_) {
            apartment.waitForWork(rt::Apartment::Clock::now() + std::chrono::hours(1));
            apartment.processPending();
        }
    }

    std::thread thread_;
    std::shared_ptr<rt::Apartment> apartment_;
    RequestSession* session_ = nullptr;  // lives on the thread's stack while it serves
    bool stopping_ = false;       // touched only on the thread itself
};

Json failure(const rt::Error& e) {
    return Json{{"ok", false},
                {"error", errorToJson(e.numberValue(), rt::toUtf8(e.description()), rt::toUtf8(e.source()),
                                      e.hresult())}};
}

// The thread a request names; throws a bad request for anything but 0 .. kMaxThreads-1.
int threadOf(const Json& request) {
    if (!request.contains("thread")) return 0;
    const Json& t = request["thread"];
    if (!t.is_number_integer() || t.get<int64_t>() < 0 || t.get<int64_t>() >= kMaxThreads)
        badRequest("\"thread\" must be an integer from 0 to " + std::to_string(kMaxThreads - 1) + ", not " +
                   shortText(t));
    return int(t.get<int64_t>());
}

class Runner {
public:
    Json answer(const std::string& line) {
        Json request;
        try {
            request = parseJsonText(line);
        } catch (const rt::Error& e) {
            return failure(e);
        }
        try {
            if (!request.is_object()) badRequest("a request must be a JSON object, not " + shortText(request));
            return thread(threadOf(request)).execute(request);
        } catch (const rt::Error& e) {
            Json response = failure(e);
            if (request.is_object() && request.contains("id")) {
                Json withId{{"id", request["id"]}};
                withId.update(response);
                return withId;
            }
            return response;
        }
    }

private:
    HostThread& thread(int number) {
        auto& slot = threads_[number];
        if (!slot) slot = std::make_unique<HostThread>(number);
        return *slot;
    }

    std::map<int, std::unique_ptr<HostThread>> threads_;
};

bool isBlank(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

std::string trimmedLeft(const std::string& line) {
    const size_t first = line.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : line.substr(first);
}

bool skipped(const std::string& line) {
    size_t first = line.find_first_not_of(" \t");
    return first == std::string::npos || line[first] == '#';
}

}  // namespace

int runRequests(std::istream& in, std::ostream& out, Echo echo) {
    Runner runner;
    std::string line;
    std::string comments;  // echoed: the comment lines since the last request
    for (LineRead read; (read = readLine(in, line)) != LineRead::End;) {
        if (read == LineRead::TooLong) {
            const Json response = failure(rt::Error::number(
                rt::kErrInvalidCall,
                rt::fromUtf8("the line is longer than " + std::to_string(kMaxLineBytes) + " bytes; no request is read after it"),
                u"velmora"));
            out << response.dump() << '\n' << std::flush;
            return 2;
        }
        if (skipped(line)) {
            if (echo == Echo::On && !isBlank(line)) comments += trimmedLeft(line) + "\n";
            continue;
        }
        if (echo == Echo::On) out << comments << "> " << trimmedLeft(line) << '\n';
        comments.clear();
        out << runner.answer(line).dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
        if (echo == Echo::On) out << '\n';
        out << std::flush;
        if (!out) return 1;
    }
    if (echo == Echo::On && !comments.empty()) out << comments << std::flush;
    return out ? 0 : 1;
}

}  // namespace host
