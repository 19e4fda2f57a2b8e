// The connection-string reader and the ODBC strings built from what it reads, on any text:
// no failure, a value set is the value read, and every value quoted for the driver reads
// back as itself.
#include "dataaccess/connstring.h"
#include "dataaccess/odbc/connect_string.h"
#include "dataaccess/provider.h"
#include "fuzz_support.h"
#include "runtime/error.h"

using rt::Str;

namespace {

// The value of an ODBC pair as the driver manager reads it: braced (a doubled "}" stands for
// one) or plain; npos in end when a brace is not closed.
Str unquoted(const Str& quoted, bool& ok) {
    ok = true;
    if (quoted.empty() || quoted[0] != u'{') return quoted;
    Str out;
    size_t i = 1;
    for (; i < quoted.size(); ++i) {
        if (quoted[i] != u'}') {
            out.push_back(quoted[i]);
            continue;
        }
        if (i + 1 < quoted.size() && quoted[i + 1] == u'}') {
            out.push_back(u'}');
            ++i;
            continue;
        }
        break;
    }
    ok = i + 1 == quoted.size();
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Str text = fuzz::latin1(data, size);
    ado::ConnectRequest request;
    request.properties = ado::ConnectionString::parse(text);
    (void)request.properties.get({u"Data Source", u"DataSource", u"Provider"});

    ado::ConnectionString copy = request.properties;
    copy.set(u"Fuzz Value", text);
    if (copy.get(u"FUZZ VALUE") != text) fuzz::mismatch("set then get", text, copy.get(u"fuzz value").value_or(u"<none>"), text);

    const Str quoted = ado::odbc::quoteValue(text);
    bool ok = false;
    const Str back = unquoted(quoted, ok);
    // A plain value must hold nothing the driver manager reads as structure.
    if (quoted == text && text.find_first_of(u";{}") != Str::npos) fuzz::mismatch("left plain", text, quoted, u"braces");
    if (quoted != text && (!ok || back != text)) fuzz::mismatch("quoted value reads back", text, back, text);

    for (auto build : {+[](const ado::ConnectRequest& r) { return ado::odbc::postgresConnectString(r, u"PostgreSQL Unicode"); },
                       +[](const ado::ConnectRequest& r) { return ado::odbc::sqlServerConnectString(r, u"FreeTDS"); },
                       +[](const ado::ConnectRequest& r) { return ado::odbc::sqlServerConnectString(r, u"ODBC Driver 18"); },
                       +[](const ado::ConnectRequest& r) { return ado::odbc::driverManagerConnectString(r); }}) {
        try {
            (void)build(request);
        } catch (const rt::Error& e) {
            if (e.description().empty()) std::abort();  // refused: with a reason
        }
    }
    return 0;
}
