#include "request_session.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "runtime/classes.h"
#include "runtime/dispatch.h"
#include "runtime/error.h"
#include "client.h"

namespace host {

namespace {

// Handle names are unique in the process, so a handle used on the wrong thread can be
// told apart from one that never existed.
class HandleBook {
public:
    static HandleBook& instance() {
        static HandleBook book;
        return book;
    }
    std::string issue(int thread) {
        std::lock_guard lock(mu_);
        std::string name = "$" + std::to_string(++last_);
        owners_.emplace(name, thread);
        return name;
    }
    // Forgets a released handle: later uses are told it does not exist.
    void forget(const std::string& name) {
        std::lock_guard lock(mu_);
        owners_.erase(name);
    }
    // The thread that issued name; -1 when none did (or it was released).
    int ownerOf(const std::string& name) {
        std::lock_guard lock(mu_);
        auto it = owners_.find(name);
        return it == owners_.end() ? -1 : it->second;
    }

private:
    std::mutex mu_;
    long last_ = 0;
    std::unordered_map<std::string, int> owners_;
};

void allowOnly(const Json& request, const char* form, std::initializer_list<const char*> keys) {
    for (auto it = request.begin(); it != request.end(); ++it) {
        if (it.key() == "id" || it.key() == "thread") continue;
        bool known = false;
        for (const char* k : keys) known = known || it.key() == k;
        if (!known) badRequest("unknown field \"" + cutText(it.key()) + "\" in a " + form + " request");
    }
}

std::string stringField(const Json& request, const char* key) {
    const Json& v = request[key];
    if (!v.is_string() || v.get<std::string>().empty())
        badRequest(std::string("\"") + key + "\" must be a non-empty string, not " + shortText(v));
    return v.get<std::string>();
}

bool isHandleName(const std::string& name) { return !name.empty() && name[0] == '$'; }

// The name that "as" asks to bind, checked before anything runs.
std::optional<std::string> resultName(const Json& request) {
    if (!request.contains("as")) return std::nullopt;
    std::string name = stringField(request, "as");
    if (isHandleName(name)) badRequest("names starting with \"$\" are the host's handles; choose another name than " + cutText(name));
    return name;
}

// "#1610809383", "#0x60030027", "#-4".
rt::DISPID parseDispId(const std::string& member) {
    const std::string digits = member.substr(1);
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(digits.c_str(), &end, 0);
    const bool hex = digits.rfind("0x", 0) == 0 || digits.rfind("0X", 0) == 0;
    if (digits.empty() || *end != '\0' || errno == ERANGE || v < INT32_MIN || v > (hex ? UINT32_MAX : INT32_MAX))
        badRequest("\"" + cutText(member) + "\" is not a dispatch id (write \"#\" and the id in decimal or 0x hex)");
    return rt::DISPID(uint32_t(v));
}

// The name of the member with dispatch id `id`, from the object's type information.
rt::Str memberNameOf(rt::IDispatch* obj, rt::DISPID id) {
    rt::ComPtr<rt::ITypeInfo> type;
    const rt::InterfaceInfo* info = nullptr;
    if (rt::succeeded(obj->GetTypeInfo(0, 0, type.put())) && type && rt::succeeded(type->GetInterfaceInfo(&info)) &&
        info) {
        for (const auto& m : info->members())
            if (m.id == id) return rt::fromUtf8(m.name);
    }
    throw rt::Error::number(rt::kErrNoSuchMember);
}

// "keep": false asks for the result without handles: its objects are reported and then
// released with the request. A name in "as" keeps the result, so the two exclude each other.
bool keepsResult(const Json& request, bool named) {
    if (!request.contains("keep")) return true;
    const Json& k = request["keep"];
    if (!k.is_boolean()) badRequest("\"keep\" must be true or false, not " + shortText(k));
    if (!k.get<bool>() && named) badRequest("\"keep\": false and \"as\" exclude each other: \"as\" keeps the result");
    return k.get<bool>();
}

uint16_t flagsOf(const Json& request) {
    if (!request.contains("kind")) return rt::DISPATCH_METHOD | rt::DISPATCH_PROPERTYGET;
    const Json& k = request["kind"];
    if (k == "method") return rt::DISPATCH_METHOD | rt::DISPATCH_PROPERTYGET;
    if (k == "get") return rt::DISPATCH_PROPERTYGET;
    if (k == "put") return rt::DISPATCH_PROPERTYPUT;
    badRequest("\"kind\" must be \"method\", \"get\" or \"put\", not " + shortText(k));
}

}  // namespace

std::string ArgumentAt::text() const {
    std::string t = position > 0 ? "argument " + std::to_string(position) : "argument";
    if (!name.empty()) t += " (" + name + ")";
    return t;
}

Json ArgumentAt::toJson() const {
    Json j{{"index", index}};
    if (position > 0) j["position"] = position;
    if (!name.empty()) j["name"] = name;
    return j;
}

namespace {

// The declared name of parameter i of the member that id and flags reach; empty when the
// type information does not tell.
std::string parameterName(rt::IDispatch* obj, rt::DISPID id, uint16_t flags, size_t i) {
    rt::ComPtr<rt::ITypeInfo> type;
    const rt::InterfaceInfo* info = nullptr;
    if (rt::failed(obj->GetTypeInfo(0, 0, type.put())) || !type || rt::failed(type->GetInterfaceInfo(&info)) || !info)
        return {};
    const rt::MemberSpec* m = info->find(id, flags);
    return m && i < m->params.size() ? m->params[i].name : std::string();
}

// Which argument of the request the dispatch engine's index names. The slots hold a put's
// value first, then the named arguments in request order, then the positional ones last
// to first.
ArgumentAt describeArgument(rt::IDispatch* obj, rt::DISPID id, uint16_t flags, uint32_t index,
                            const rt::DispParams& params, const std::vector<rt::Str>& paramNames) {
    ArgumentAt at;
    at.index = index;
    if (index >= params.argCount) return at;
    const uint32_t positional = params.argCount - params.namedCount;
    if (index >= params.namedCount) {
        const uint32_t fromFirst = params.argCount - 1 - index;
        at.position = int(fromFirst) + 1;
        at.name = parameterName(obj, id, flags, fromFirst);
        return at;
    }
    if (params.namedIds[index] == rt::DISPID_PROPERTYPUT) {
        at.position = int(positional) + 1;  // the put's value is the request's last argument
        at.name = "new value";
        return at;
    }
    const size_t namedAt = index - (params.namedCount > paramNames.size() ? 1 : 0);
    if (namedAt < paramNames.size()) at.name = rt::toUtf8(paramNames[namedAt]);
    return at;
}

}  // namespace

RequestSession::RequestSession(int thread, bool scriptedBoxes) : thread_(thread), scriptedBoxes_(scriptedBoxes) {
    if (scriptedBoxes_)
        previousPresenter_ =
            svc::setMessageBoxPresenter([this](const svc::MessageBoxRequest& box) { return answerBox(box); });
}

RequestSession::~RequestSession() {
    vars_.clear();  // the objects go while their thread still runs
    if (scriptedBoxes_) svc::setMessageBoxPresenter(std::move(previousPresenter_));
}

int32_t RequestSession::answerBox(const svc::MessageBoxRequest& box) {
    int32_t answer = svc::defaultButtonOf(box.style);
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    messages_.push_back(Json{{"prompt", rt::toUtf8(box.prompt)},
                             {"style", box.style},
                             {"title", rt::toUtf8(box.title)},
                             {"answer", answer}});
    return answer;
}

Json RequestSession::execute(const Json& request) {
    messages_ = Json::array();
    Json response = Json::object();
    if (request.is_object() && request.contains("id")) response["id"] = request["id"];
    try {
        Outcome outcome = perform(request);
        response["ok"] = true;
        response["value"] = std::move(outcome.value);
        response["byref"] = std::move(outcome.byref);
        response["messages"] = messages_;
    } catch (const ArgumentError& a) {
        response["ok"] = false;
        const rt::Error& e = a.error;
        response["error"] = errorToJson(e.numberValue(), rt::toUtf8(e.description()) + " in " + a.at.text(),
                                        rt::toUtf8(e.source()), e.hresult());
        response["error"]["argument"] = a.at.toJson();
    } catch (const rt::Error& e) {
        response["ok"] = false;
        response["error"] =
            errorToJson(e.numberValue(), rt::toUtf8(e.description()), rt::toUtf8(e.source()), e.hresult());
    } catch (const std::exception& e) {
        // Not an error of the protocol or the library: report it rather than end the host.
        response["ok"] = false;
        response["error"] = errorToJson(51, std::string("Internal error: ") + e.what(), "velmora",
                                        rt::runtimeErrorHr(51));
    } catch (...) {
        response["ok"] = false;
        response["error"] = errorToJson(51, "Internal error", "velmora", rt::runtimeErrorHr(51));
    }
    rt::clearErrorInfo();
    messages_ = Json::array();
    return response;
}

RequestSession::Outcome RequestSession::perform(const Json& request) {
    if (!request.is_object()) badRequest("a request must be a JSON object, not " + shortText(request));
    static const char* const kForms[] = {"create", "call", "let", "print", "msgbox", "release"};
    const char* form = nullptr;
    for (const char* f : kForms) {
        if (!request.contains(f)) continue;
        if (form) badRequest(std::string("a request holds one of create, call, let, print, msgbox, release; this one has both ") +
                             form + " and " + f);
        form = f;
    }
    if (!form)
        badRequest("unknown request " + shortText(request) + ": expected one of create, call, let, print, msgbox, release");
    const std::string f = form;
    if (f == "create") return create(request);
    if (f == "call") return call(request);
    if (f == "let") return let(request);
    if (f == "print") return print(request);
    if (f == "release") return release(request);
    return queueAnswers(request);
}

const rt::Variant& RequestSession::lookup(const std::string& name) {
    auto it = vars_.find(name);
    if (it != vars_.end()) return it->second;
    if (isHandleName(name)) {
        int owner = HandleBook::instance().ownerOf(name);
        if (owner >= 0 && owner != thread_)
            badRequest("handle " + cutText(name) + " belongs to thread " + std::to_string(owner) +
                       ": an object is used only on the thread that made it");
        badRequest("there is no handle " + cutText(name));
    }
    badRequest("variable \"" + cutText(name) + "\" is not bound (bind it with let, or with \"as\" on a create or call)");
}

std::string RequestSession::bindHandle(const rt::ComPtr<rt::IDispatch>& obj) {
    if (!keepObjects_) return {};
    std::string name = HandleBook::instance().issue(thread_);
    vars_[name] = rt::Variant(obj);
    return name;
}

void RequestSession::bindName(const std::string& name, rt::Variant value) {
    if (isHandleName(name)) badRequest("names starting with \"$\" are the host's handles; choose another name than " + cutText(name));
    vars_[name] = std::move(value);
}

Json RequestSession::reportResult(const rt::Variant& value, bool keep) {
    keepObjects_ = keep;
    try {
        Json j = valueToJson(value, *this);
        keepObjects_ = true;
        return j;
    } catch (...) {
        keepObjects_ = true;
        throw;
    }
}

RequestSession::Outcome RequestSession::release(const Json& request) {
    allowOnly(request, "release", {"release"});
    const Json& what = request["release"];
    std::vector<std::string> names;
    if (what.is_array()) {
        for (const Json& n : what) {
            if (!n.is_string() || n.get<std::string>().empty())
                badRequest("\"release\" names variables or handles, not " + shortText(n));
            names.push_back(n.get<std::string>());
        }
    } else {
        names.push_back(stringField(request, "release"));
    }
    // Every name is checked before any is dropped: a bad list drops nothing.
    for (const auto& name : names) lookup(name);
    for (const auto& name : names) {
        // Moved out first: an object's destructor may run script-visible code (a message
        // box) that must find the session in a consistent state.
        auto node = vars_.extract(name);
        if (node.empty()) continue;  // named twice in the list
        if (isHandleName(name)) HandleBook::instance().forget(name);
        node.mapped().clear();
    }
    return Outcome{Json{{"type", "empty"}}};
}

RequestSession::Outcome RequestSession::create(const Json& request) {
    allowOnly(request, "create", {"create", "as", "keep"});
    const std::string progid = stringField(request, "create");
    const std::optional<std::string> as = resultName(request);
    const bool keep = keepsResult(request, as.has_value());
    rt::Variant obj(rt::createObject(rt::fromUtf8(progid)));
    Outcome out{reportResult(obj, keep)};
    if (as) bindName(*as, obj);
    return out;
}

RequestSession::Outcome RequestSession::let(const Json& request) {
    allowOnly(request, "let", {"let", "value"});
    const std::string name = stringField(request, "let");
    if (!request.contains("value")) badRequest("a let request needs \"value\"");
    rt::Variant v = valueFromJson(request["value"], *this);
    Outcome out{valueToJson(v, *this)};
    bindName(name, std::move(v));
    return out;
}

RequestSession::Outcome RequestSession::print(const Json& request) {
    allowOnly(request, "print", {"print"});
    return Outcome{valueToJson(lookup(stringField(request, "print")), *this)};
}

RequestSession::Outcome RequestSession::queueAnswers(const Json& request) {
    allowOnly(request, "msgbox", {"msgbox"});
    const Json& list = request["msgbox"];
    if (!list.is_array()) badRequest("\"msgbox\" must be an array of button numbers, not " + shortText(list));
    std::vector<int32_t> answers;
    for (const Json& n : list) {
        if (!n.is_number_integer() || n.get<int64_t>() < INT32_MIN || n.get<int64_t>() > INT32_MAX)
            badRequest("a message box answer must be a button number (1 OK ... 7 No), not " + shortText(n));
        answers.push_back(int32_t(n.get<int64_t>()));
    }
    answers_.insert(answers_.end(), answers.begin(), answers.end());
    return Outcome{Json{{"type", "empty"}}};
}

RequestSession::Outcome RequestSession::call(const Json& request) {
    allowOnly(request, "call", {"call", "on", "args", "named", "kind", "as", "keep"});
    const std::string member = stringField(request, "call");
    const std::optional<std::string> as = resultName(request);
    const bool keep = keepsResult(request, as.has_value());
    const uint16_t kindFlags = flagsOf(request);
    const bool isPut = kindFlags == rt::DISPATCH_PROPERTYPUT;

    rt::ComPtr<rt::IDispatch> target;
    if (request.contains("on")) {
        const std::string on = stringField(request, "on");
        const rt::Variant& holder = lookup(on).deref();
        if (!holder.isObject()) rt::raise(rt::kErrObjectRequired, u"Object required: " + rt::fromUtf8(cutText(on)));
        if (!holder.object()) rt::raise(rt::kErrObjectNotSet);
        target = holder.object();
    } else {
        target = velmora::client::global();
    }

    // Arguments: values are temporaries, {"var": NAME} refers to the variable itself.
    std::vector<std::string> byRefNames;
    auto argument = [&](const Json& a) -> rt::Variant {
        if (a.is_object() && a.contains("var")) {
            if (a.size() != 1) badRequest("a by-reference argument is {\"var\": NAME} alone, not " + shortText(a));
            const std::string name = stringField(a, "var");
            if (isHandleName(name)) badRequest("a handle cannot be passed by reference; let a variable hold " + cutText(name));
            byRefNames.push_back(name);
            return rt::Variant::byRef(&vars_[name]);
        }
        if (a.is_object() && a.contains("missing")) {
            if (a.size() != 1 || a["missing"] != true) badRequest("a missing argument is {\"missing\": true}");
            return rt::Variant(rt::Missing{});
        }
        return valueFromJson(a, *this);
    };
    std::vector<rt::Variant> positional;
    if (request.contains("args")) {
        if (!request["args"].is_array()) badRequest("\"args\" must be an array, not " + shortText(request["args"]));
        for (const Json& a : request["args"]) positional.push_back(argument(a));
    }
    std::vector<rt::Str> paramNames;
    std::vector<rt::Variant> namedValues;
    if (request.contains("named")) {
        const Json& named = request["named"];
        if (!named.is_object()) badRequest("\"named\" must be an object of PARAM: ARG, not " + shortText(named));
        for (auto it = named.begin(); it != named.end(); ++it) {
            paramNames.push_back(rt::fromUtf8(it.key()));
            namedValues.push_back(argument(it.value()));
        }
    }
    if (isPut && positional.empty()) badRequest("a put needs the new value as its last argument");

    // Dispatch ids: the member's, and the parameters' for named arguments.
    const bool byId = member[0] == '#';
    rt::DISPID id = byId ? parseDispId(member) : rt::DISPID_UNKNOWN;
    std::vector<rt::DISPID> paramIds;
    if (!byId || !paramNames.empty()) {
        std::vector<rt::Str> names{byId ? memberNameOf(target.get(), id) : rt::fromUtf8(member)};
        names.insert(names.end(), paramNames.begin(), paramNames.end());
        std::vector<const char16_t*> raw;
        for (const auto& n : names) raw.push_back(n.c_str());
        std::vector<rt::DISPID> ids(names.size(), rt::DISPID_UNKNOWN);
        target->GetIDsOfNames(rt::IID{}, raw.data(), uint32_t(raw.size()), 0, ids.data());
        if (ids[0] == rt::DISPID_UNKNOWN)
            throw rt::Error::number(rt::kErrNoSuchMember, u"Object doesn't support this property or method: " + names[0]);
        for (size_t i = 1; i < ids.size(); ++i)
            if (ids[i] == rt::DISPID_UNKNOWN) throw rt::Error::number(448, u"Named argument not found: " + names[i]);
        if (!byId) id = ids[0];
        paramIds.assign(ids.begin() + 1, ids.end());
    }

    // The dispatch layout: named arguments first (a put's value leads them), then the
    // positional ones in reverse order.
    uint16_t flags = kindFlags;
    std::vector<rt::Variant> slots;
    std::vector<rt::DISPID> namedIds;
    if (isPut) {
        if (positional.back().deref().isObject()) flags = rt::DISPATCH_PROPERTYPUTREF;
        slots.push_back(std::move(positional.back()));
        positional.pop_back();
        namedIds.push_back(rt::DISPID_PROPERTYPUT);
    }
    for (size_t i = 0; i < namedValues.size(); ++i) {
        slots.push_back(std::move(namedValues[i]));
        namedIds.push_back(paramIds[i]);
    }
    for (auto it = positional.rbegin(); it != positional.rend(); ++it) slots.push_back(std::move(*it));
    rt::DispParams params;
    params.args = slots.data();
    params.argCount = uint32_t(slots.size());
    params.namedIds = namedIds.data();
    params.namedCount = uint32_t(namedIds.size());

    rt::Variant result;
    rt::ExcepInfo excep;
    uint32_t argErr = 0;
    rt::clearErrorInfo();
    rt::HRESULT hr = target->Invoke(id, rt::IID{}, 0, flags, &params, &result, &excep, &argErr);
    if (rt::failed(hr)) {
        rt::Error e = rt::invokeError(hr, excep);
        if (hr == rt::DISP_E_TYPEMISMATCH || hr == rt::DISP_E_OVERFLOW) {
            ArgumentAt where = describeArgument(target.get(), id, flags, argErr, params, paramNames);
            throw ArgumentError(std::move(e), std::move(where));
        }
        throw e;
    }

    Outcome out{reportResult(result, keep)};
    for (const auto& name : byRefNames) out.byref[name] = valueToJson(vars_[name], *this);
    if (as) bindName(*as, std::move(result));
    return out;
}

}  // namespace host
