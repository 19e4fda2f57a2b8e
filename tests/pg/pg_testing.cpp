#include "pg_testing.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "dataaccess/behaviour/ado_testing.h"
#include "dataaccess/connstring.h"

namespace ado::pgtest {

using testing::execute;
using testing::openConnection;

std::string serverConnectionString() {
    const char* v = std::getenv("VELMORA_PG_CONN");
    return v ? std::string(v) : std::string();
}

rt::Str withPair(rt::StrView cs, rt::StrView name, rt::StrView value) {
    rt::Str out;
    bool replaced = false;
    size_t i = 0;
    while (i <= cs.size()) {
        size_t end = cs.find(u';', i);
        if (end == rt::StrView::npos) end = cs.size();
        rt::StrView pair = cs.substr(i, end - i);
        const size_t eq = pair.find(u'=');
        if (!pair.empty()) {
            if (!out.empty()) out += u';';
            if (eq != rt::StrView::npos && rt::equalsAsciiNoCase(rt::trimSpaces(pair.substr(0, eq)), name)) {
                out += rt::Str(name) + u"=" + rt::Str(value);
                replaced = true;
            } else {
                out += pair;
            }
        }
        i = end + 1;
    }
    if (!replaced) out += (out.empty() ? u"" : u";") + rt::Str(name) + u"=" + rt::Str(value);
    return out;
}

namespace {

bool isWordChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
}

// Index just past a "(...)" that follows i (after blanks), or i when none does.
size_t skipParenthesis(rt::StrView s, size_t i) {
    size_t j = i;
    while (j < s.size() && s[j] == u' ') ++j;
    if (j >= s.size() || s[j] != u'(') return i;
    const size_t close = s.find(u')', j);
    return close == rt::StrView::npos ? i : close + 1;
}

bool followedByMax(rt::StrView s, size_t i) {
    const size_t end = skipParenthesis(s, i);
    if (end == i) return false;
    rt::Str inside(s.substr(i, end - i));
    return rt::asciiLower(inside).find(u"max") != rt::Str::npos;
}

}  // namespace

rt::Str postgresDdl(rt::StrView s) {
    struct Word {
        const char16_t* from;
        const char16_t* to;
        bool dropSize;
    };
    static const Word kWords[] = {
        {u"nvarchar", u"varchar", false},   {u"nchar", u"char", false},
        {u"ntext", u"text", false},         {u"datetime", u"timestamp", false},
        {u"datetime2", u"timestamp", true}, {u"smalldatetime", u"timestamp", false},
        {u"bit", u"boolean", false},        {u"tinyint", u"smallint", false},
        {u"image", u"bytea", false},        {u"blob", u"bytea", false},
        {u"varbinary", u"bytea", true},     {u"binary", u"bytea", true},
        {u"uniqueidentifier", u"uuid", false}, {u"float", u"double precision", true},
    };
    rt::Str out;
    size_t i = 0;
    while (i < s.size()) {
        const char16_t c = s[i];
        if (c == u'\'' || c == u'"') {
            size_t j = s.find(c, i + 1);
            j = j == rt::StrView::npos ? s.size() : j + 1;
            out += s.substr(i, j - i);
            i = j;
            continue;
        }
        if ((c == u'x' || c == u'X') && i + 1 < s.size() && s[i + 1] == u'\'' && (i == 0 || !isWordChar(s[i - 1]))) {
            size_t j = s.find(u'\'', i + 2);
            if (j != rt::StrView::npos) {
                out += u"'\\x" + rt::Str(s.substr(i + 2, j - i - 2)) + u"'::bytea";
                i = j + 1;
                continue;
            }
        }
        if (!isWordChar(c)) {
            out += c;
            ++i;
            continue;
        }
        size_t j = i;
        while (j < s.size() && isWordChar(s[j])) ++j;
        const rt::StrView word = s.substr(i, j - i);
        const Word* hit = nullptr;
        for (const Word& w : kWords)
            if (rt::equalsAsciiNoCase(word, w.from)) hit = &w;
        if (!hit) {
            out += word;
        } else if ((rt::equalsAsciiNoCase(word, u"nvarchar") || rt::equalsAsciiNoCase(word, u"varbinary")) &&
                   followedByMax(s, j)) {
            out += rt::equalsAsciiNoCase(word, u"nvarchar") ? u"text" : u"bytea";
            j = skipParenthesis(s, j);
        } else {
            out += hit->to;
            if (hit->dropSize) j = skipParenthesis(s, j);
        }
        i = j;
    }
    return out;
}

namespace {

std::string lockPath() {
    const char* data = std::getenv("VELMORA_PG_DATA");
    if (data && *data) return (std::filesystem::path(data).parent_path() / "tests.lock").string();
    return (std::filesystem::temp_directory_path() / "velmora-pg-tests.lock").string();
}

std::string randomHex(size_t n) {
    static thread_local std::mt19937_64 gen{std::random_device{}()};
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) s.push_back(digits[gen() % 16]);
    return s;
}

rt::Str adminConnectionString() { return rt::fromUtf8(serverConnectionString()); }

}  // namespace

ServerLock::ServerLock(Mode mode) {
    fd_ = ::open(lockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ >= 0) flock(fd_, mode == Exclusive ? LOCK_EX : LOCK_SH);
}

ServerLock::~ServerLock() {
    if (fd_ >= 0) {
        flock(fd_, LOCK_UN);
        ::close(fd_);
    }
}

void adminExecute(const rt::Str& sql) {
    auto c = openConnection(adminConnectionString());
    execute(c.get(), sql);
}

PrivateDatabase::PrivateDatabase() {
    static std::atomic<int> counter{0};
    role_ = "t" + std::to_string(getpid()) + "_" + std::to_string(counter++) + "_" + randomHex(6);
    const std::string password = "p" + randomHex(16);
    const rt::Str admin = adminConnectionString();
    const rt::Str adminRole = ConnectionString::parse(admin).get(u"User ID").value_or(u"");
    const rt::Str role = rt::fromUtf8(role_);
    adminExecute(u"CREATE ROLE " + role + u" LOGIN PASSWORD '" + rt::fromUtf8(password) + u"'; GRANT " + role +
                 u" TO " + adminRole + u"; CREATE SCHEMA " + role + u" AUTHORIZATION " + role);
    connectionString_ = rt::toLower(withPair(withPair(admin, u"User ID", role), u"Password", rt::fromUtf8(password)));
}

PrivateDatabase::~PrivateDatabase() {
    try {
        const rt::Str role = rt::fromUtf8(role_);
        adminExecute(u"DROP SCHEMA IF EXISTS " + role + u" CASCADE; DROP ROLE IF EXISTS " + role);
    } catch (const rt::Error&) {
        // The server goes away with the test run; a leftover role harms nobody.
    }
}

void restartServer() {
    const char* ctl = std::getenv("VELMORA_PG_CTL");
    const char* data = std::getenv("VELMORA_PG_DATA");
    ASSERT_TRUE(ctl && data) << "VELMORA_PG_CTL and VELMORA_PG_DATA are needed to restart the server";
    const std::string command = std::string("'") + ctl + "' -D '" + data + "' -w -t 60 -m fast restart";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

void PgTest::SetUp() {
    if (serverConnectionString().empty()) GTEST_SKIP() << kNoServer;
    lock_ = std::make_unique<ServerLock>(ServerLock::Shared);
    db_ = std::make_unique<PrivateDatabase>();
    conn_ = openConnection(db_->connectionString());
}

void PgTest::TearDown() {
    conn_ = nullptr;
    db_.reset();
    lock_.reset();
}

void PgTest::exec(const rt::Str& sql) { execute(conn_.get(), sql); }

rt::ComPtr<_Recordset> PgTest::open(const rt::Str& sql, int32_t lockType) {
    return testing::query(conn_.get(), sql, lockType);
}

rt::Variant PgTest::scalarOf(const rt::Str& sql) { return testing::scalar(conn_.get(), sql); }

}  // namespace ado::pgtest
