// The PostgreSQL driver's log files: none unless the connection string asks for one, even
// where the system's driver settings turn the communication log on.
//
// The driver reads its settings when it loads and writes its log as the process's last
// connection closes, so each run happens in a process of its own: this program started
// again with only the child case selected, its driver settings (ODBCSYSINI) in a folder of
// the test's own that also receives the logs.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dataaccess/behaviour/ado_testing.h"
#include "dataaccess/odbc/connect_string.h"
#include "pg/pg_testing.h"

extern char** environ;

namespace ado::pgtest {
namespace {

using rt::Str;
using testing::execute;
using testing::openConnection;
using testing::scalar;
using testing::text;
using testing::u8;

constexpr const char* kChildSwitch = "VELMORA_DRIVER_LOG_CHILD";  // "quiet", or "asks" for a log

// The child's part: connections opened, used and closed or dropped.
TEST(PgDriverLog, ChildConnectsAndCloses) {
    const char* how = std::getenv(kChildSwitch);
    if (!how) GTEST_SKIP() << "run by the other PgDriverLog cases";
    Str cs = rt::fromUtf8(serverConnectionString());
    if (std::string(how) == "asks") cs = withPair(cs, u"CommLog", u"1");
    for (int round = 0; round < 2; ++round) {
        auto c = openConnection(cs);
        EXPECT_EQ(text(scalar(c.get(), u"select 1")), "1");
        rt::check(c->Close());
    }
    // One more dropped without Close: its last reference goes.
    EXPECT_EQ(text(scalar(openConnection(cs).get(), u"select 2")), "2");
}

// The value of key in section of an ini file; "" when absent.
std::string iniValue(const std::string& path, const std::string& section, const std::string& key) {
    std::ifstream in(path);
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() == '[') {
            inSection = line == "[" + section + "]";
            continue;
        }
        const size_t eq = line.find('=');
        if (inSection && eq != std::string::npos && line.substr(0, eq) == key) return line.substr(eq + 1);
    }
    return {};
}

// The system's driver settings file, as the driver manager reports it; "" when unknown.
std::string systemDriverSettings() {
    FILE* p = ::popen("odbcinst -j 2>/dev/null", "r");
    if (!p) return {};
    std::string out;
    char buf[256];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    ::pclose(p);
    const size_t at = out.find("DRIVERS");
    if (at == std::string::npos) return {};
    const size_t colon = out.find(": ", at);
    const size_t end = out.find('\n', at);
    return colon == std::string::npos || end == std::string::npos ? std::string() : out.substr(colon + 2, end - colon - 2);
}

struct ChildRun {
    int status = -1;  // the exit status; -1 when it could not run or did not exit
    pid_t pid = 0;
};

// Runs the child case in a new process with the extra environment, and waits for it.
ChildRun runChild(const std::vector<std::string>& extraEnvironment) {
    std::vector<std::string> env(extraEnvironment);
    for (char** e = environ; *e; ++e) env.emplace_back(*e);  // the first of a name wins
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string filter = "--gtest_filter=PgDriverLog.ChildConnectsAndCloses";
    char* argv[] = {self.data(), filter.data(), nullptr};
    ChildRun run;
    if (::posix_spawn(&run.pid, self.c_str(), nullptr, nullptr, argv, envp.data()) != 0) return run;
    int status = 0;
    if (::waitpid(run.pid, &status, 0) == run.pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    return run;
}

// Names of the driver's log files in dir; with a pid, only those of that process (the
// driver ends their names with it: "psqlodbc_PROGRAM_USERPID.log").
std::vector<std::string> logFiles(const std::filesystem::path& dir, pid_t pid = 0) {
    const std::string ending = std::to_string(pid) + ".log";
    auto ofThePid = [&](const std::string& name) {
        if (pid == 0) return true;
        if (name.size() <= ending.size() || name.compare(name.size() - ending.size(), ending.size(), ending) != 0)
            return false;
        const char before = name[name.size() - ending.size() - 1];
        return before < '0' || before > '9';
    };
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        if ((name.rfind("psqlodbc_", 0) == 0 || name.rfind("mylog_", 0) == 0) && ofThePid(name)) found.push_back(name);
    }
    return found;
}

// The driver's settings for the test: its library, the communication log on (as the
// system's packaged settings have it), and extra lines. (A debug log turned on there is
// written from the driver's first call, before any connection string is read: that one is
// the system administrator's to turn off.)
void writeDriverSettings(const std::filesystem::path& dir, const std::string& driver, const std::string& library,
                         const std::string& extra) {
    std::ofstream(dir / "odbcinst.ini") << "[" << driver << "]\nDriver=" << library << "\nCommLog=1\nDebug=0\n"
                                        << extra;
    std::ofstream(dir / "odbc.ini") << "";
}

std::vector<std::string> childEnvironment(const std::filesystem::path& settings, const std::string& driver,
                                          const char* how) {
    return {"ODBCSYSINI=" + settings.string(), "ODBCINSTINI=odbcinst.ini", "VELMORA_POSTGRESQL_DRIVER=" + driver,
            std::string(kChildSwitch) + "=" + how};
}

TEST(PgDriverLog, NoLogFileUnlessOneIsAskedFor) {
    if (serverConnectionString().empty()) GTEST_SKIP() << kNoServer;
    const std::string driver = u8(odbc::postgresDriverName());
    const std::string library = iniValue(systemDriverSettings(), driver, "Driver");
    if (library.empty()) GTEST_SKIP() << "the driver manager does not know the driver " << driver;
    ServerLock lock(ServerLock::Shared);

    // Settings that turn the communication log on for every connection of the driver, and
    // send the logs to the test's folder.
    testing::TempDir dir;
    writeDriverSettings(dir.path(), driver, library, "Logdir=" + dir.path().string() + "\n");
    ASSERT_EQ(runChild(childEnvironment(dir.path(), driver, "quiet")).status, 0);
    const std::vector<std::string> written = logFiles(dir.path());
    EXPECT_EQ(written, std::vector<std::string>{});
    for (const std::string& name : written) std::filesystem::remove(dir.path() / name);

    // The same settings do write a log when the connection string asks for one.
    ASSERT_EQ(runChild(childEnvironment(dir.path(), driver, "asks")).status, 0);
    EXPECT_EQ(logFiles(dir.path()).size(), 1u);
}

// Without a folder of its own the driver logs to the temp folder, which the process shares
// with everyone: nothing of this process may appear there.
TEST(PgDriverLog, NothingAppearsInTheTempFolder) {
    if (serverConnectionString().empty()) GTEST_SKIP() << kNoServer;
    const std::string driver = u8(odbc::postgresDriverName());
    const std::string library = iniValue(systemDriverSettings(), driver, "Driver");
    if (library.empty()) GTEST_SKIP() << "the driver manager does not know the driver " << driver;
    ServerLock lock(ServerLock::Shared);

    testing::TempDir settings;
    writeDriverSettings(settings.path(), driver, library, "");
    const std::filesystem::path temp = "/tmp";  // the driver's own default, whatever TMPDIR says

    // A file left there earlier by another process that had the same number is no news.
    std::vector<std::string> before = logFiles(temp);
    std::sort(before.begin(), before.end());
    auto newFilesOf = [&](pid_t pid) {
        std::vector<std::string> found;
        for (std::string& name : logFiles(temp, pid))
            if (!std::binary_search(before.begin(), before.end(), name)) found.push_back(std::move(name));
        return found;
    };

    const ChildRun quiet = runChild(childEnvironment(settings.path(), driver, "quiet"));
    ASSERT_EQ(quiet.status, 0);
    const std::vector<std::string> left = newFilesOf(quiet.pid);
    EXPECT_EQ(left, std::vector<std::string>{});
    for (const std::string& name : left) std::filesystem::remove(temp / name);

    // The check sees the driver's files: asked for, they are there (and then removed).
    const ChildRun asks = runChild(childEnvironment(settings.path(), driver, "asks"));
    ASSERT_EQ(asks.status, 0);
    const std::vector<std::string> written = newFilesOf(asks.pid);
    EXPECT_FALSE(written.empty());
    for (const std::string& name : written) std::filesystem::remove(temp / name);
}

}  // namespace
}  // namespace ado::pgtest
