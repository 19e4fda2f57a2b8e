#include "odbc_api.h"

#include "dataaccess/ado.h"

namespace ado::odbc {

SQLHENV environment() {
    // Kept for the life of the process: connections may be closed from static destructors.
    static const SQLHENV env = [] {
        SQLHENV h = SQL_NULL_HENV;
        if (!succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h)))
            throw rt::Error::status(rt::E_FAIL, u"The ODBC driver manager could not make an environment.");
        SQLSetEnvAttr(h, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        return h;
    }();
    return env;
}

void Handle::reset() {
    if (h_ == SQL_NULL_HANDLE) return;
    SQLFreeHandle(type_, h_);
    h_ = SQL_NULL_HANDLE;
}

Handle allocate(SQLSMALLINT type, SQLHANDLE parent) {
    SQLHANDLE h = SQL_NULL_HANDLE;
    const SQLRETURN rc = SQLAllocHandle(type, parent, &h);
    if (!succeeded(rc)) {
        const SQLSMALLINT parentType = type == SQL_HANDLE_STMT ? SQL_HANDLE_DBC : SQL_HANDLE_ENV;
        throw errorOf(parentType, parent, u"The ODBC driver could not allocate a handle.");
    }
    return Handle(type, h);
}

std::vector<Diagnostic> diagnosticsOf(SQLSMALLINT type, SQLHANDLE h) {
    std::vector<Diagnostic> out;
    if (h == SQL_NULL_HANDLE) return out;
    for (SQLSMALLINT i = 1; i < 50; ++i) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        std::u16string text(512, u'\0');
        SQLRETURN rc = SQLGetDiagRecW(type, h, i, state, &native, wide(text), SQLSMALLINT(text.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= SQLSMALLINT(text.size())) {
            text.assign(size_t(length) + 1, u'\0');
            rc = SQLGetDiagRecW(type, h, i, state, &native, wide(text), SQLSMALLINT(text.size()), &length);
        }
        if (!succeeded(rc)) break;
        text.resize(std::min<size_t>(size_t(std::max<SQLSMALLINT>(length, 0)), text.size()));
        while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' ' ||
                                 text.back() == u'\0'))
            text.pop_back();
        Diagnostic d;
        for (int k = 0; k < 5 && state[k]; ++k) d.state.push_back(char(state[k]));
        d.native = native;
        d.message = std::move(text);
        out.push_back(std::move(d));
    }
    return out;
}

rt::HRESULT statusOfState(std::string_view state) {
    if (state.size() < 2) return rt::E_FAIL;
    const std::string_view cls = state.substr(0, 2);
    if (state == "HYT00" || state == "HYT01" || state == "57014") return kTimeoutExpired;  // 57014: canceled
    if (cls == "23") return kIntegrityViolation;
    if (state == "42501" || state == "25006") return kPermissionDenied;  // privilege; read-only transaction
    if (cls == "42" || cls == "37") return kErrorsInCommand;            // syntax, unknown objects (37: ODBC 2)
    return rt::E_FAIL;
}

rt::Error errorOf(SQLSMALLINT type, SQLHANDLE h, std::u16string_view fallback) {
    const std::vector<Diagnostic> records = diagnosticsOf(type, h);
    rt::HRESULT status = rt::E_FAIL;
    bool statusSet = false;
    rt::Str text;
    std::vector<const rt::Str*> seen;
    for (const Diagnostic& d : records) {
        // Warnings and informational records (class 01) only add to the text.
        if (!statusSet && d.state.compare(0, 2, "01") != 0) {
            status = statusOfState(d.state);
            statusSet = true;
        }
        if (d.message.empty()) continue;
        bool duplicate = false;
        for (const rt::Str* s : seen) duplicate = duplicate || *s == d.message;
        if (duplicate) continue;
        seen.push_back(&d.message);
        if (!text.empty()) text += u"\n";
        text += d.message;
    }
    if (text.empty()) text = rt::Str(fallback);
    return rt::Error::status(status, std::move(text));
}

void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE h, std::u16string_view what) {
    if (succeeded(rc)) return;
    if (rc == SQL_INVALID_HANDLE) throw rt::Error::status(rt::E_FAIL, rt::Str(what) + u": invalid ODBC handle.");
    throw errorOf(type, h, rt::Str(what) + u" failed.");
}

}  // namespace ado::odbc
