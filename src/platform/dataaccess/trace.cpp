#include "dataaccess/trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include "dataaccess/provider.h"
#include "runtime/error.h"

namespace ado {

namespace {

constexpr std::string_view kSqlWord = "sql";

// Where the lines go for one value of VELMORA_TRACE: a file descriptor, or -1 (no trace).
// Files are opened once per process and kept: a statement must not pay for an open.
class Sinks {
public:
    static Sinks& instance() {
        static Sinks* sinks = new Sinks;  // outlives the statics of threads still tracing
        return *sinks;
    }

    int sinkFor(const char* value) {
        if (!value || !*value) return -1;
        const std::string_view v = value;
        if (v == kSqlWord) return STDERR_FILENO;
        if (v.substr(0, kSqlWord.size() + 1) != "sql:" || v.size() == kSqlWord.size() + 1) {
            warnOnce(std::string(v), "VELMORA_TRACE=" + std::string(v) + " is not understood (sql or sql:FILE); no trace");
            return -1;
        }
        const std::string path(v.substr(kSqlWord.size() + 1));
        std::lock_guard lock(mu_);
        auto it = files_.find(path);
        if (it != files_.end()) return it->second;
        int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            const std::string why = std::strerror(errno);
            fd = STDERR_FILENO;
            writeLine(STDERR_FILENO, "velmora: cannot open the SQL trace file " + path + ": " + why +
                                         "; tracing to standard error\n");
        }
        files_.emplace(path, fd);
        return fd;
    }

    // One write per line (O_APPEND), so lines of threads and processes never interleave.
    static void writeLine(int fd, const std::string& line) noexcept {
        size_t done = 0;
        while (done < line.size()) {
            const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;  // a trace that cannot be written is dropped, never fatal
            done += size_t(n);
        }
    }

private:
    void warnOnce(const std::string& value, const std::string& message) {
        std::lock_guard lock(mu_);
        if (warned_.insert(value).second) writeLine(STDERR_FILENO, "velmora: " + message + "\n");
    }

    std::mutex mu_;
    std::map<std::string, int> files_;
    std::set<std::string> warned_;
};

int currentSink() { return Sinks::instance().sinkFor(std::getenv("VELMORA_TRACE")); }

std::string quoted(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default: out += c;
        }
    }
    return out + "\"";
}

std::string keyOf(const ConnectRequest& r) {
    auto part = [&](std::initializer_list<rt::StrView> names, const rt::Str& fallback = {}) {
        return rt::toUtf8(rt::toLower(r.properties.get(names).value_or(fallback)));
    };
    return "data source=" + part({u"Data Source"}) + ";user id=" + part({u"User ID", u"UID"}, r.userId) +
           ";initial catalog=" + part({u"Initial Catalog", u"Database"});
}

}  // namespace

bool sqlTraceOn() { return currentSink() >= 0; }

void StatementTrace::identify(const ConnectRequest& request) {
    provider_ = rt::toUtf8(request.provider);
    key_ = keyOf(request);
}

void StatementTrace::begin(std::string_view sql) {
    active_ = sqlTraceOn();
    if (!active_) return;
    sql_.assign(sql);
    start_ = std::chrono::steady_clock::now();
}

void StatementTrace::begin(rt::StrView sql) {
    active_ = sqlTraceOn();
    if (!active_) return;
    sql_ = rt::toUtf8(sql);
    start_ = std::chrono::steady_clock::now();
}

void StatementTrace::end(int64_t rows) noexcept {
    if (!active_) return;
    write(rows < 0 ? std::string() : " rows=" + std::to_string(rows));
}

void StatementTrace::fail() noexcept {
    if (!active_) return;
    const rt::Error e = rt::currentError();
    char status[16];
    std::snprintf(status, sizeof status, "0x%08X", uint32_t(e.hresult()));
    try {
        write(" error=" + quoted(std::string(status) + " " + rt::toUtf8(e.description())));
    } catch (...) {
        // No memory for the line: the statement goes untraced.
    }
}

void StatementTrace::write(const std::string& outcome) noexcept {
    active_ = false;
    try {
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
        char elapsed[32];
        std::snprintf(elapsed, sizeof elapsed, "%.3f", ms);
        const int fd = currentSink();
        if (fd < 0) return;
        Sinks::writeLine(fd, "velmora-sql provider=" + provider_ + " key=" + quoted(key_) + " ms=" + elapsed + outcome +
                                 " sql=" + quoted(sql_) + "\n");
    } catch (...) {
        // No memory for the line: the statement goes untraced.
    }
}

}  // namespace ado
