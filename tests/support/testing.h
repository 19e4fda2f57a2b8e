// Helpers every test program shares: a temporary folder per test, scoped environment
// variables, and the error a piece of code raises.
//
// Header only; the test programs see tests/ as an include folder and include it as
// "support/testing.h".
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "runtime/error.h"
#include "runtime/locale.h"
#include "runtime/ustring.h"

namespace support {

// A new, empty folder under the system's temporary folder, removed with everything in it when
// the object dies. The constructor throws std::runtime_error when the folder cannot be made.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmora-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;  // a leftover folder must not fail the test that made it
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The path of name inside the folder (name may hold subfolders; "" gives the folder with
    // a trailing separator). The file need not exist.
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // Writes content (bytes, as given) to name, replacing the file; its path.
    std::string write(const std::string& name, const std::string& content) const {
        std::ofstream(file(name), std::ios::binary) << content;
        return file(name);
    }
    // The bytes of the file at path; "" when it cannot be read.
    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::filesystem::path path_;
};

// Switches the runtime's system locale to the one of tag (as "zh-CN") for the object's
// lifetime, then restores the one before.
class ScopedLocale {
public:
    explicit ScopedLocale(const char* tag) : saved_(rt::systemLocale()) { rt::overrideSystemLocale(rt::localeFor(tag)); }
    ~ScopedLocale() { rt::overrideSystemLocale(saved_); }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    rt::SystemLocale saved_;
};

// Sets an environment variable (or removes it, for nullopt) for the object's lifetime, then
// restores what was there before.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) ::setenv(name, value->c_str(), 1);
        else ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// The rt::Error that body raises; nullopt when body returns normally. Other exceptions pass
// through.
template <class F>
std::optional<rt::Error> raisedBy(F&& body) {
    try {
        body();
    } catch (const rt::Error& e) {
        return e;
    }
    return std::nullopt;
}

// The rt::Error that body raises; an error with status S_OK when body returns normally.
template <class F>
rt::Error errorOf(F&& body) {
    std::optional<rt::Error> e = raisedBy(std::forward<F>(body));
    return e ? *e : rt::Error::status(rt::S_OK);
}

// The number of the rt::Error that body raises (a run-time error number such as 3021, else
// the failure status); 0 when body returns normally.
template <class F>
int errorNumberOf(F&& body) {
    std::optional<rt::Error> e = raisedBy(std::forward<F>(body));
    return e ? e->numberValue() : 0;
}

// The description (UTF-8) of the rt::Error that body raises; "" when body returns normally.
template <class F>
std::string descriptionOf(F&& body) {
    std::optional<rt::Error> e = raisedBy(std::forward<F>(body));
    return e ? rt::toUtf8(e->description()) : std::string();
}

// Runs body on a thread of its own, to its end.
template <class F>
void onOtherThread(F&& body) {
    std::thread t(std::forward<F>(body));
    t.join();
}

// Expects hr to be the refusal of a call made from a thread other than the object's own,
// with its error information (number, text, source).
inline void expectWrongThread(rt::HRESULT hr, const rt::Str& source) {
    EXPECT_EQ(hr, rt::RPC_E_WRONG_THREAD);
    const rt::Error e = rt::takeErrorInfo(hr);
    EXPECT_EQ(e.hresult(), rt::RPC_E_WRONG_THREAD);
    EXPECT_EQ(e.description(), u"The application called an interface that was marshalled for a different thread.");
    EXPECT_EQ(e.source(), source);
}

}  // namespace support
