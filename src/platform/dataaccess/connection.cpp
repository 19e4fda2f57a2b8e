#include "runtime/classes.h"
#include "runtime/error.h"
#include "objects.h"

namespace ado {

namespace {

constexpr const char16_t* kSource = u"ADODB.Connection";

[[noreturn]] void raiseAdo(int number, const char16_t* text) { throw rt::Error::number(number, text); }

[[noreturn]] void invalidArgument() {
    raiseAdo(adErrInvalidArgument,
             u"Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another.");
}

[[noreturn]] void alreadyOpen() { raiseAdo(adErrObjectOpen, u"Operation is not allowed when the object is open."); }

}  // namespace

ConnectionObject* connectionObjectOf(rt::IDispatch* object) {
    if (!object) return nullptr;
    rt::ComPtr<_Connection> c;
    if (rt::failed(object->QueryInterface(_Connection::IID_, reinterpret_cast<void**>(c.put())))) return nullptr;
    return dynamic_cast<ConnectionObject*>(c.get());
}

bool ConnectionObject::isOpen() { return session_ && session_->alive(); }

Session& ConnectionObject::session() {
    if (!isOpen())
        raiseAdo(adErrInvalidConnection,
                 u"The connection cannot be used to perform this operation. It is either closed or invalid in this "
                 u"context.");
    return *session_;
}

void ConnectionObject::open(const rt::Str& connectionString, const rt::Str& userId, const rt::Str& password) {
    if (session_) alreadyOpen();
    if (!connectionString.empty()) connectionString_ = connectionString;
    ConnectRequest request;
    request.properties = ConnectionString::parse(connectionString_);
    request.userId = !userId.empty() ? userId : request.properties.get({u"User ID", u"UID"}).value_or(rt::Str());
    request.password = !password.empty() ? password : request.properties.get({u"Password", u"PWD"}).value_or(rt::Str());
    request.connectionTimeout = connectionTimeout_;
    request.commandTimeout = commandTimeout_;
    const rt::Str provider = request.properties.get(u"Provider").value_or(provider_);
    request.provider = provider.empty() ? rt::Str(kDefaultProvider) : provider;
    session_ = providerNamed(provider)(request);
}

rt::HRESULT ConnectionObject::get_ConnectionString(rt::Str* text) {
    return boundary(kSource, [&] { *rt::need(text) = connectionString_; });
}

rt::HRESULT ConnectionObject::put_ConnectionString(const rt::Str& text) {
    return boundary(kSource, [&] {
        if (session_) alreadyOpen();
        connectionString_ = text;
    });
}

rt::HRESULT ConnectionObject::get_CommandTimeout(int32_t* seconds) {
    return boundary(kSource, [&] { *rt::need(seconds) = commandTimeout_; });
}

rt::HRESULT ConnectionObject::put_CommandTimeout(int32_t seconds) {
    return boundary(kSource, [&] {
        if (seconds < 0) invalidArgument();
        commandTimeout_ = seconds;
        if (session_) session_->setCommandTimeout(seconds);
    });
}

rt::HRESULT ConnectionObject::get_ConnectionTimeout(int32_t* seconds) {
    return boundary(kSource, [&] { *rt::need(seconds) = connectionTimeout_; });
}

rt::HRESULT ConnectionObject::put_ConnectionTimeout(int32_t seconds) {
    return boundary(kSource, [&] {
        if (session_) alreadyOpen();
        if (seconds < 0) invalidArgument();
        connectionTimeout_ = seconds;
    });
}

rt::HRESULT ConnectionObject::get_Version(rt::Str* version) {
    return boundary(kSource, [&] { *rt::need(version) = u"2.6"; });
}

rt::HRESULT ConnectionObject::Close() {
    return boundary(kSource, [&] {
        if (!session_) raiseAdo(adErrObjectClosed, u"Operation is not allowed when the object is closed.");
        session_.reset();
    });
}

rt::HRESULT ConnectionObject::Execute(const rt::Str& commandText, rt::Variant* recordsAffected, int32_t options,
                                      _Recordset** result) {
    return boundary(kSource, [&] {
        rt::need(result);
        Session& s = session();
        const bool table = options > 0 && (options & (adCmdTable | adCmdTableDirect));
        const rt::Str sql = table ? u"select * from " + commandText : commandText;
        auto data = std::make_shared<RowsetData>();
        const ExecuteResult r = s.execute(sql, data.get());
        if (recordsAffected) *recordsAffected = rt::Variant(int32_t(r.recordsAffected < 0 ? 0 : r.recordsAffected));
        auto rs = rt::makeObject<RecordsetObject>();
        if (r.hasRows) rs->openOver(std::move(data), self(), adLockReadOnly, sql);
        rt::assignOut(result, rt::ComPtr<_Recordset>(rs.get()));
    });
}

rt::HRESULT ConnectionObject::BeginTrans(int32_t* level) {
    return boundary(kSource, [&] {
        rt::need(level);
        *level = session().beginTransaction();
    });
}

rt::HRESULT ConnectionObject::CommitTrans() {
    return boundary(kSource, [&] { session().commitTransaction(); });
}

rt::HRESULT ConnectionObject::RollbackTrans() {
    return boundary(kSource, [&] { session().rollbackTransaction(); });
}

rt::HRESULT ConnectionObject::Open(const rt::Str& connectionString, const rt::Str& userId, const rt::Str& password,
                                   int32_t) {
    return boundary(kSource, [&] { open(connectionString, userId, password); });
}

rt::HRESULT ConnectionObject::get_CursorLocation(int32_t* location) {
    return boundary(kSource, [&] { *rt::need(location) = cursorLocation_; });
}

rt::HRESULT ConnectionObject::put_CursorLocation(int32_t location) {
    return boundary(kSource, [&] {
        if (location != adUseServer && location != adUseClient && location != 1)
            invalidArgument();
        cursorLocation_ = location;
    });
}

rt::HRESULT ConnectionObject::get_Provider(rt::Str* provider) {
    return boundary(kSource, [&] {
        rt::need(provider);
        auto named = ConnectionString::parse(connectionString_).get(u"Provider");
        *provider = named ? *named : !provider_.empty() ? provider_ : rt::Str(kDefaultProvider);
    });
}

rt::HRESULT ConnectionObject::put_Provider(const rt::Str& provider) {
    return boundary(kSource, [&] {
        if (session_) alreadyOpen();
        provider_ = provider;
    });
}

rt::HRESULT ConnectionObject::get_State(int32_t* state) {
    return boundary(kSource, [&] { *rt::need(state) = isOpen() ? adStateOpen : adStateClosed; });
}

rt::ComPtr<_Connection> newConnection() {
    auto c = rt::makeObject<ConnectionObject>();
    return rt::ComPtr<_Connection>(c.get());
}

namespace {
const rt::ClassRegistrar connectionClass("ADODB.Connection", kConnectionClsid,
                                         [](const rt::IID& iid, void** out) -> rt::HRESULT {
                                             auto c = rt::makeObject<ConnectionObject>();
                                             return c->QueryInterface(iid, out);
                                         },
                                         &_Connection::info);
}  // namespace

}  // namespace ado
