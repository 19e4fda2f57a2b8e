// Releasing objects in `velmora run`: the release request, results not kept under a handle,
// and a long script's memory staying flat when it releases what it gets.
#include <fstream>

#include "host_testing.h"

namespace host::testing {
namespace {

class Release : public HostTest {};

const Json kMakeDocument = {{"call", "objGenerateKaDom"},
                            {"on", "cf"},
                            {"args", Json::array({Json::array({"roottag", "voucher", "ver", "1"})})}};

TEST_F(Release, ReleasingAHandleOrAVariableDropsJustThatReference) {
    Json doc = kMakeDocument;
    doc["as"] = "doc";
    auto r = answers({kCreateCommon,
                      doc,
                      {{"let", "alias"}, {"value", {{"type", "object"}, {"ref", "doc"}}}},
                      {{"release", "doc"}},
                      {{"print", "doc"}},
                      {{"call", "xml"}, {"on", "alias"}},
                      {{"release", Json::array({"alias", "$2", "$3"})}},
                      {{"call", "xml"}, {"on", "$2"}},
                      {{"print", "alias"}}});
    for (size_t i : {0, 1, 2, 3, 5, 6}) EXPECT_EQ(r[i]["ok"], true) << i << ": " << r[i];
    EXPECT_EQ(r[3]["value"], (Json{{"type", "empty"}}));
    EXPECT_NE(r[4]["error"]["description"].get<std::string>().find("variable \"doc\" is not bound"), std::string::npos);
    EXPECT_NE(r[5]["value"]["value"].get<std::string>().find("<kainterface"), std::string::npos)
        << "the other variable still holds the document";
    EXPECT_EQ(r[7]["error"]["description"], "there is no handle $2");
    EXPECT_EQ(r[8]["ok"], false);
}

TEST_F(Release, AListWithAnUnknownNameReleasesNothing) {
    auto r = answers({{{"let", "a"}, {"value", 1}},
                      {{"release", Json::array({"a", "never bound"})}},
                      {{"print", "a"}},
                      {{"release", 3}},
                      {{"release", Json::array({"a", 3})}},
                      {{"release", "a"}, {"as", "b"}}});
    EXPECT_EQ(r[1]["ok"], false);
    EXPECT_NE(r[1]["error"]["description"].get<std::string>().find("\"never bound\" is not bound"), std::string::npos);
    EXPECT_EQ(r[2]["value"], (Json{{"type", "i4"}, {"value", 1}})) << "a survived the failed release";
    EXPECT_EQ(r[3]["error"]["description"], "\"release\" must be a non-empty string, not 3");
    EXPECT_EQ(r[4]["error"]["description"], "\"release\" names variables or handles, not 3");
    EXPECT_EQ(r[5]["error"]["description"], "unknown field \"as\" in a release request");
}

TEST_F(Release, AHandleOfAnotherThreadCannotBeReleasedHere) {
    auto r = answers({kCreateCommon, {{"release", "$1"}, {"thread", 1}}, {{"call", "strTrim"}, {"on", "$1"}, {"args", {" A "}}}});
    EXPECT_EQ(r[1]["ok"], false);
    EXPECT_NE(r[1]["error"]["description"].get<std::string>().find("belongs to thread 0"), std::string::npos);
    EXPECT_EQ(r[2]["value"]["value"], "a") << "still alive on its own thread";
}

TEST_F(Release, AResultNotKeptIsReportedWithoutAHandle) {
    Json unkept = kMakeDocument;
    unkept["keep"] = false;
    Json both = unkept;
    both["as"] = "d";
    auto r = answers({kCreateCommon, unkept, {{"print", "$2"}}, both,
                      {{"create", "MSXML2.DOMDocument"}, {"keep", false}},
                      {{"call", "strTrim"}, {"on", "cf"}, {"args", {" Text "}}, {"keep", false}},
                      {{"create", "MSXML2.DOMDocument"}, {"keep", "no"}}});
    EXPECT_EQ(r[1]["value"], (Json{{"type", "object"}, {"class", "IXMLDOMDocument2"}})) << "class only: no ref, no id";
    EXPECT_EQ(r[2]["error"]["description"], "there is no handle $2");
    EXPECT_EQ(r[3]["error"]["description"], "\"keep\": false and \"as\" exclude each other: \"as\" keeps the result");
    EXPECT_EQ(r[4]["value"]["type"], "object");
    EXPECT_FALSE(r[4]["value"].contains("ref"));
    EXPECT_EQ(r[5]["value"], (Json{{"type", "string"}, {"value", "text"}})) << "plain values are unchanged";
    EXPECT_EQ(r[6]["error"]["description"], "\"keep\" must be true or false, not \"no\"");
}

// The resident set of a running process, in kB, from /proc; -1 when it cannot be read.
long residentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

// Drives one host process request by request, so its memory can be read between requests.
class Conversation {
public:
    explicit Conversation(const std::string& registry) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) || ::pipe2(out, O_CLOEXEC)) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::setenv("VELMORA_REGISTRY", registry.c_str(), 1);
#if defined(__SANITIZE_ADDRESS__)
            // Freed memory is reused at once instead of waiting in quarantine, or the
            // resident set would grow by the quarantine's size whatever the host releases.
            const char* given = std::getenv("ASAN_OPTIONS");
            const std::string options = std::string(given ? given : "") + ":quarantine_size_mb=0";
            ::setenv("ASAN_OPTIONS", options.c_str(), 1);
#endif
            ::execl(kHost, kHost, "run", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        to_ = ::fdopen(in[1], "w");
        from_ = ::fdopen(out[0], "r");
    }
    ~Conversation() {
        if (to_) std::fclose(to_);
        if (from_) std::fclose(from_);
        int status = 0;
        if (pid_ > 0) ::waitpid(pid_, &status, 0);
    }
    pid_t pid() const { return pid_; }

    // The answer to one request; a discarded JSON value when the host did not answer.
    Json ask(const Json& request) {
        const std::string text = request.dump() + "\n";
        if (!to_ || std::fwrite(text.data(), 1, text.size(), to_) != text.size() || std::fflush(to_) != 0)
            return Json(Json::value_t::discarded);
        std::string line;
        for (int c; (c = std::fgetc(from_)) != EOF && c != '\n';) line += char(c);
        return Json::parse(line, nullptr, false);
    }

private:
    pid_t pid_ = -1;
    FILE* to_ = nullptr;
    FILE* from_ = nullptr;
};

// 100,000 calls that each return a new document, released by handle or never kept: the
// host's resident set after the first 10,000 (heap and caches warmed up) and at the end stay
// within a few megabytes. Unreleased, each document would hold about 7 kB: 630 MB more.
TEST_F(Release, OneHundredThousandReturnedDocumentsReleasedLeaveMemoryFlat) {
    constexpr int kCalls = 100000, kWarmUp = 10000;
    constexpr long kAllowedGrowthKb = 8 * 1024;
    Conversation host(registry());
    ASSERT_GT(host.pid(), 0);
    ASSERT_EQ(host.ask(kCreateCommon)["ok"], true);
    Json unkept = kMakeDocument;
    unkept["keep"] = false;

    long warmKb = -1;
    for (int i = 0; i < kCalls; ++i) {
        if (i == kWarmUp) warmKb = residentKb(host.pid());
        if (i % 2 == 0) {
            Json made = host.ask(kMakeDocument);
            ASSERT_EQ(made["ok"], true) << "call " << i << ": " << made;
            Json released = host.ask(Json{{"release", made["value"]["ref"]}});
            ASSERT_EQ(released["ok"], true) << "release " << i << ": " << released;
        } else {
            Json made = host.ask(unkept);
            ASSERT_EQ(made["ok"], true) << "call " << i << ": " << made;
        }
    }
    const long endKb = residentKb(host.pid());
    ASSERT_GT(warmKb, 0);
    ASSERT_GT(endKb, 0);
    ::testing::Test::RecordProperty("rss_warm_kb", std::to_string(warmKb));
    ::testing::Test::RecordProperty("rss_end_kb", std::to_string(endKb));
    std::printf("resident set: %ld kB after %d calls, %ld kB after %d\n", warmKb, kWarmUp, endKb, kCalls);
    EXPECT_LT(endKb - warmKb, kAllowedGrowthKb) << "from " << warmKb << " kB to " << endKb << " kB";
}

}  // namespace
}  // namespace host::testing
