#include "connect_string.h"

#include <cstdlib>

namespace ado::odbc {

namespace {

rt::Str fromEnvironment(const char* name, const char16_t* fallback) {
    const char* v = std::getenv(name);
    return v && *v ? rt::fromUtf8(v) : rt::Str(fallback);
}

rt::Str propertyOf(const ConnectRequest& r, std::initializer_list<rt::StrView> names) {
    return r.properties.get(names).value_or(rt::Str());
}

bool isTrue(rt::StrView v) {
    return rt::equalsAsciiNoCase(v, u"true") || rt::equalsAsciiNoCase(v, u"yes") || v == u"1" ||
           rt::equalsAsciiNoCase(v, u"sspi");
}

void append(rt::Str& out, rt::StrView name, rt::StrView value) {
    if (!out.empty()) out += u';';
    out += name;
    out += u'=';
    out += quoteValue(value);
}

void appendIfGiven(rt::Str& out, rt::StrView name, rt::StrView value) {
    if (!value.empty()) append(out, name, value);
}

rt::Str driverValue(rt::StrView driver) {
    if (driver.size() >= 2 && driver.front() == u'{' && driver.back() == u'}') return rt::Str(driver);
    return u"{" + rt::replaceAll(driver, u"}", u"}}") + u"}";
}

struct HostPort {
    rt::Str host;
    rt::Str port;
    rt::Str instance;
};

bool allDigits(rt::StrView s) {
    if (s.empty()) return false;
    for (char16_t c : s)
        if (c < u'0' || c > u'9') return false;
    return true;
}

// "HOST:PORT", "HOST,PORT", "[ADDRESS]:PORT" or "HOST"; a bare address with several colons
// is an IPv6 address without a port.
HostPort splitPostgresSource(rt::StrView s) {
    HostPort hp;
    if (!s.empty() && s.front() == u'[') {
        const size_t close = s.find(u']');
        if (close != rt::StrView::npos) {
            hp.host = rt::Str(s.substr(1, close - 1));
            rt::StrView rest = s.substr(close + 1);
            if (rest.size() > 1 && (rest.front() == u':' || rest.front() == u',')) hp.port = rt::Str(rest.substr(1));
            return hp;
        }
    }
    size_t sep = s.rfind(u',');
    if (sep == rt::StrView::npos && s.find(u':') == s.rfind(u':')) sep = s.rfind(u':');
    if (sep != rt::StrView::npos && allDigits(s.substr(sep + 1))) {
        hp.host = rt::Str(s.substr(0, sep));
        hp.port = rt::Str(s.substr(sep + 1));
    } else {
        hp.host = rt::Str(s);
    }
    return hp;
}

// "[tcp:]HOST[\INSTANCE][,PORT]"; "(local)" and "." are this machine.
HostPort splitSqlServerSource(rt::StrView s) {
    HostPort hp;
    if (s.size() > 4 && rt::equalsAsciiNoCase(s.substr(0, 4), u"tcp:")) s.remove_prefix(4);
    const size_t comma = s.rfind(u',');
    if (comma != rt::StrView::npos) {
        hp.port = rt::Str(rt::trimSpaces(s.substr(comma + 1)));
        s = s.substr(0, comma);
    }
    const size_t slash = s.find(u'\\');
    if (slash != rt::StrView::npos) {
        hp.instance = rt::Str(s.substr(slash + 1));
        s = s.substr(0, slash);
    }
    hp.host = rt::Str(rt::trimSpaces(s));
    if (hp.host.empty() || hp.host == u"." || rt::equalsAsciiNoCase(hp.host, u"(local)")) hp.host = u"localhost";
    return hp;
}

rt::Str targetText(const HostPort& hp, rt::StrView driver) {
    rt::Str t = u"server " + hp.host;
    if (!hp.instance.empty()) t += u"\\" + hp.instance;
    if (!hp.port.empty()) t += u":" + hp.port;
    return t + u" through the ODBC driver \"" + rt::Str(driver) + u"\"";
}

// A log level the connection string gives ("0" when absent or not a number).
rt::Str logLevel(const ConnectRequest& r, rt::StrView name) {
    const rt::Str v(rt::trimSpaces(propertyOf(r, {name})));
    return allDigits(v) && v.size() < 3 ? v : rt::Str(u"0");
}

bool isFreeTds(rt::StrView driver) { return rt::asciiLower(driver).find(u"freetds") != rt::Str::npos; }

}  // namespace

rt::Str postgresDriverName() { return fromEnvironment("VELMORA_POSTGRESQL_DRIVER", u"PostgreSQL Unicode"); }
rt::Str sqlServerDriverName() { return fromEnvironment("VELMORA_SQLSERVER_DRIVER", u"FreeTDS"); }

rt::Str quoteValue(rt::StrView v) {
    const bool plain = v.find_first_of(u";{}=") == rt::StrView::npos &&
                       (v.empty() || (v.front() != u' ' && v.back() != u' '));
    if (plain) return rt::Str(v);
    return u"{" + rt::replaceAll(v, u"}", u"}}") + u"}";
}

DriverConnect postgresConnectString(const ConnectRequest& r, rt::StrView driver) {
    HostPort hp = splitPostgresSource(propertyOf(r, {u"Data Source", u"DataSource", u"Server", u"Host"}));
    if (hp.host.empty()) hp.host = u"localhost";
    if (auto port = r.properties.get(u"Port")) hp.port = *port;
    if (hp.port.empty()) hp.port = u"5432";

    DriverConnect dc;
    dc.text = u"Driver=" + driverValue(driver);
    append(dc.text, u"Server", hp.host);
    append(dc.text, u"Port", hp.port);
    appendIfGiven(dc.text, u"Database", propertyOf(r, {u"Initial Catalog", u"Database"}));
    appendIfGiven(dc.text, u"UID", r.userId);
    appendIfGiven(dc.text, u"PWD", r.password);
    // The record sets want booleans as bits, text without an arbitrary length cut, the whole
    // result at once (client cursors) and, inside a transaction, a failed statement to undo
    // only itself, as on the other databases.
    dc.text +=
        u";BoolsAsChar=0;TextAsLongVarchar=1;UnknownsAsLongVarchar=1;MaxVarcharSize=10485760;UseDeclareFetch=0;"
        u"UpdatableCursors=0;Protocol=7.4-2;LFConversion=0";
    // Driver logs (a communication log, a debug log) only when asked for.
    append(dc.text, u"CommLog", logLevel(r, u"CommLog"));
    append(dc.text, u"Debug", logLevel(r, u"Debug"));
    // The driver reads the system's log settings when it loads and applies them again once
    // no connection that said otherwise is open; a connection that fails after reading its
    // options still counts as one (an invalid sslmode fails before any server is reached).
    // A debug log the system's settings turn on is written from the driver's first call,
    // before any connect string is read: only those settings can turn that one off.
    dc.quietConnect = u"Driver=" + driverValue(driver) +
                      u";Server=localhost;Port=1;Database=none;UID=none;SSLmode=no-connection;CommLog=0;Debug=0";
    dc.target = targetText(hp, driver);
    return dc;
}

DriverConnect sqlServerConnectString(const ConnectRequest& r, rt::StrView driver) {
    const HostPort hp = splitSqlServerSource(propertyOf(r, {u"Data Source", u"DataSource", u"Server", u"Address"}));
    const bool freeTds = isFreeTds(driver);

    DriverConnect dc;
    dc.text = u"Driver=" + driverValue(driver);
    if (freeTds) {
        // FreeTDS finds a named instance itself; a port, when given, wins over the instance.
        if (!hp.instance.empty() && hp.port.empty()) {
            append(dc.text, u"Server", hp.host + u"\\" + hp.instance);
        } else {
            append(dc.text, u"Server", hp.host);
            append(dc.text, u"Port", hp.port.empty() ? rt::Str(u"1433") : hp.port);
        }
    } else {
        rt::Str server = hp.host;
        if (!hp.instance.empty()) server += u"\\" + hp.instance;
        if (!hp.port.empty()) server += u"," + hp.port;
        append(dc.text, u"Server", server);
    }
    appendIfGiven(dc.text, u"Database", propertyOf(r, {u"Initial Catalog", u"Database"}));
    const rt::Str integrated = propertyOf(r, {u"Integrated Security", u"Trusted_Connection"});
    if (isTrue(integrated)) {
        append(dc.text, u"Trusted_Connection", u"Yes");
    } else {
        appendIfGiven(dc.text, u"UID", r.userId);
        appendIfGiven(dc.text, u"PWD", r.password);
    }
    appendIfGiven(dc.text, u"Language", propertyOf(r, {u"Current Language", u"Language"}));
    appendIfGiven(dc.text, u"APP", propertyOf(r, {u"Application Name", u"APP"}));
    appendIfGiven(dc.text, u"WSID", propertyOf(r, {u"Workstation ID", u"WSID"}));
    const bool encrypt = isTrue(propertyOf(r, {u"Use Encryption for Data", u"Encrypt"}));
    const bool trustCertificate = isTrue(propertyOf(r, {u"Trust Server Certificate", u"TrustServerCertificate"}));
    if (freeTds) {
        if (encrypt) append(dc.text, u"Encryption", u"require");
        // Text travels as UTF-16 to and from the record sets; the rest in UTF-8.
        dc.text += u";TDS_Version=7.4;ClientCharset=UTF-8";
    } else {
        if (encrypt) append(dc.text, u"Encrypt", u"yes");
        if (trustCertificate) append(dc.text, u"TrustServerCertificate", u"yes");
    }
    dc.target = targetText(hp, driver);
    return dc;
}

DriverConnect driverManagerConnectString(const ConnectRequest& r) {
    DriverConnect dc;
    if (auto extended = r.properties.get(u"Extended Properties"); extended && !extended->empty()) {
        dc.text = *extended;
        const auto inner = ConnectionString::parse(*extended);
        if (!inner.get(u"UID")) appendIfGiven(dc.text, u"UID", r.userId);
        if (!inner.get(u"PWD")) appendIfGiven(dc.text, u"PWD", r.password);
    } else {
        // The keywords the driver manager and the usual drivers read, in that spelling.
        static constexpr const char16_t* kKeywords[] = {
            u"DSN", u"FILEDSN", u"Driver", u"SAVEFILE", u"Server", u"Servername", u"Host", u"Port", u"Database",
            u"DB", u"Trusted_Connection", u"APP", u"WSID", u"Language", u"Encrypt", u"TrustServerCertificate",
            u"TDS_Version", u"ClientCharset", u"SSLmode", u"ReadOnly", u"Protocol", u"Option", u"Charset"};
        for (const char16_t* k : kKeywords) {
            auto v = r.properties.get(k);
            if (!v) continue;
            if (rt::equalsAsciiNoCase(k, u"Driver"))
                dc.text += (dc.text.empty() ? u"" : u";") + rt::Str(u"Driver=") + driverValue(*v);
            else
                append(dc.text, k, *v);
        }
        appendIfGiven(dc.text, u"UID", r.userId);
        appendIfGiven(dc.text, u"PWD", r.password);
    }
    const rt::Str dsn = propertyOf(r, {u"DSN", u"Driver"});
    dc.target = dsn.empty() ? rt::Str(u"the ODBC data source") : u"the ODBC data source \"" + dsn + u"\"";
    return dc;
}

}  // namespace ado::odbc
