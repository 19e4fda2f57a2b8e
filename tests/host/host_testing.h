// Runs the real `velmora` executable for the host tests, with its own registry file.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/testing.h"

namespace host::testing {

using Json = nlohmann::ordered_json;

inline const char* const kHost = VELMORA_OUT_DIR "/velmora";

struct HostRun {
    int status = -1;  // exit status; -1 when the host did not exit normally
    std::string out;
    std::string err;

    // Each line of standard output as JSON (a line that is not JSON fails the test).
    std::vector<Json> responses() const {
        std::vector<Json> all;
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);) {
            Json j = Json::parse(line, nullptr, false);
            EXPECT_FALSE(j.is_discarded()) << "not JSON: " << line;
            all.push_back(j);
        }
        return all;
    }
};

struct HostOptions {
    std::vector<std::pair<std::string, std::string>> env;
    bool closedOutput = false;  // standard output is a pipe nobody reads
};

using support::TempDir;

// Runs the host with args, input on its standard input; gives up (and kills it) after 60 s.
inline HostRun runHost(const std::vector<std::string>& args, const std::string& input, const HostOptions& options = {}) {
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) || ::pipe2(out, O_CLOEXEC) || ::pipe2(err, O_CLOEXEC)) return {};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        for (const auto& [k, v] : options.env) ::setenv(k.c_str(), v.c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(kHost)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(kHost, argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    if (options.closedOutput) ::close(out[0]);

    std::thread feeder([fd = in[1], input] {
        ::signal(SIGPIPE, SIG_IGN);
        size_t done = 0;
        while (done < input.size()) {
            ssize_t n = ::write(fd, input.data() + done, input.size() - done);
            if (n <= 0) break;
            done += size_t(n);
        }
        ::close(fd);
    });

    HostRun run;
    std::vector<pollfd> fds;
    if (!options.closedOutput) fds.push_back({out[0], POLLIN, 0});
    fds.push_back({err[0], POLLIN, 0});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fds.empty() && std::chrono::steady_clock::now() < deadline) {
        if (::poll(fds.data(), fds.size(), 200) <= 0) continue;
        for (size_t i = 0; i < fds.size();) {
            if (!fds[i].revents) {
                ++i;
                continue;
            }
            char buf[4096];
            ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                (fds[i].fd == err[0] ? run.err : run.out).append(buf, size_t(n));
                ++i;
            } else {
                ::close(fds[i].fd);
                fds.erase(fds.begin() + long(i));
            }
        }
    }
    for (const auto& f : fds) ::close(f.fd);
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (::waitpid(pid, &status, WNOHANG) == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ADD_FAILURE() << "the host did not finish";
        }
    }
    feeder.join();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// Requests as lines of JSON.
inline std::string lines(const std::vector<Json>& requests) {
    std::string s;
    for (const auto& r : requests) s += r.dump() + "\n";
    return s;
}

// A fixture whose host runs use a registry file of their own.
class HostTest : public ::testing::Test {
protected:
    HostRun run(const std::vector<Json>& requests) { return runText(lines(requests)); }
    HostRun runText(const std::string& text) { return runHost({"run"}, text, options()); }
    // The responses to requests, after checking that the host ended well.
    std::vector<Json> answers(const std::vector<Json>& requests) {
        HostRun r = run(requests);
        EXPECT_EQ(r.status, 0) << r.err;
        std::vector<Json> all = r.responses();
        EXPECT_EQ(all.size(), requests.size()) << r.out << r.err;
        all.resize(requests.size());
        return all;
    }
    HostOptions options() const { return HostOptions{{{"VELMORA_REGISTRY", registry()}}}; }
    std::string registry() const { return folder.file("registry.json"); }

    TempDir folder;
};

inline const Json kCreateCommon = {{"create", "Velmora.CCommonFunction"}, {"as", "cf"}};

}  // namespace host::testing
