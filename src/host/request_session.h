// One host thread's requests: its variables, handles and message box answers.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "runtime/error.h"

#include "values.h"
#include "services/message_service.h"

namespace host {

// The argument of a call that the dispatch engine refused (a type mismatch or overflow).
struct ArgumentAt {
    uint32_t index = 0;    // the engine's index: 0 is the last argument passed
    int position = 0;      // 1-based place in the request's arguments; 0 for a named one
    std::string name;      // the parameter's declared name; empty when unknown
    std::string text() const;  // "argument 2 (Amount)"
    Json toJson() const;       // {"index", "position"?, "name"?}
};

// A call's error together with the argument it concerns.
struct ArgumentError {
    rt::Error error;
    ArgumentAt at;
};

// Lives on its thread and is used only there: the objects it holds belong to that thread.
class RequestSession final : public Scope {
public:
    // thread: the host thread's number. scriptedBoxes: message boxes take their answers from
    // the "msgbox" queue (else the default button) and are reported in the responses; when
    // false the thread's default presenter (the terminal) answers them.
    RequestSession(int thread, bool scriptedBoxes);
    ~RequestSession() override;
    RequestSession(const RequestSession&) = delete;
    RequestSession& operator=(const RequestSession&) = delete;

    // The response to one request: {"id"?, "ok": true, "value", "byref", "messages"} or
    // {"id"?, "ok": false, "error": {...}}. Never throws.
    Json execute(const Json& request);

    const rt::Variant& lookup(const std::string& name) override;
    // Binds obj to a fresh handle; empty (nothing bound) while a result is reported that
    // the request does not keep.
    std::string bindHandle(const rt::ComPtr<rt::IDispatch>& obj) override;

private:
    struct Outcome {
        Json value;
        Json byref = Json::object();
    };
    Outcome perform(const Json& request);
    Outcome create(const Json& request);
    Outcome call(const Json& request);
    Outcome let(const Json& request);
    Outcome print(const Json& request);
    Outcome queueAnswers(const Json& request);
    Outcome release(const Json& request);
    // The JSON of a result; with keep false its objects get no handles (and die with the
    // request unless something else holds them).
    Json reportResult(const rt::Variant& value, bool keep);

    void bindName(const std::string& name, rt::Variant value);
    int32_t answerBox(const svc::MessageBoxRequest& box);

    const int thread_;
    const bool scriptedBoxes_;
    std::map<std::string, rt::Variant> vars_;  // node-based: by-reference arguments point into it
    std::deque<int32_t> answers_;
    Json messages_ = Json::array();
    svc::MessageBoxPresenter previousPresenter_;
    bool keepObjects_ = true;
};

}  // namespace host
