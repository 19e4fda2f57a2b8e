// Input a careless or hostile client sends: numbers beyond the doubles, deep nesting, huge
// texts and lines, folders. Each gets a clear error and the host goes on (or ends cleanly).
#include "host_testing.h"

namespace host::testing {
namespace {

class HostileInput : public HostTest {
protected:
    HostRun command(const std::vector<std::string>& args, const std::string& input = "") {
        return runHost(args, input, options());
    }
    static std::string description(const Json& response) { return response["error"]["description"].get<std::string>(); }
};

constexpr size_t kMaxNestingForTest = 128;  // the host's nesting limit

std::string nestedArrays(size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

const std::string kStillRunning = "{\"id\": \"after\", \"let\": \"ok\", \"value\": \"still running\"}\n";

TEST_F(HostileInput, ANumberBeyondTheDoublesFailsThatRequestOnly) {
    HostRun r = runText("{\"id\": 1, \"let\": \"x\", \"value\": 1e400}\n"
                        "{\"id\": 2, \"let\": \"x\", \"value\": [-1e400]}\n" +
                        kStillRunning);
    EXPECT_EQ(r.status, 0) << r.err;
    auto all = r.responses();
    ASSERT_EQ(all.size(), 3u) << r.out;
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(all[i]["ok"], false);
        EXPECT_EQ(all[i]["error"]["number"], 5);
        EXPECT_EQ(description(all[i]).rfind("the line holds a number no double holds: ", 0), 0u) << all[i];
        EXPECT_NE(description(all[i]).find("1e400"), std::string::npos) << all[i];
    }
    EXPECT_EQ(all[2]["ok"], true);
}

TEST_F(HostileInput, NestingBeyondTheLimitIsRefusedWherePutInARequest) {
    const std::string deep = nestedArrays(100000);
    HostRun r = runText("{\"id\": 1, \"let\": \"x\", \"value\": " + deep + "}\n" +
                        "{\"id\": " + deep + ", \"print\": \"x\"}\n" +
                        "{\"id\": 3, \"let\": \"x\", \"value\": {\"type\": \"date\", \"value\": " + deep + "}}\n" +
                        "{\"id\": 4, \"let\": \"x\", \"value\": " + nestedArrays(kMaxNestingForTest + 1) + "}\n" +
                        kStillRunning);
    EXPECT_EQ(r.status, 0) << r.err;
    auto all = r.responses();
    ASSERT_EQ(all.size(), 5u) << r.out.substr(0, 2000);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(all[i]["ok"], false) << i;
        EXPECT_EQ(description(all[i]), "the JSON nests arrays and objects deeper than 128 levels") << i;
    }
    EXPECT_EQ(all[4]["ok"], true);
}

TEST_F(HostileInput, NestingUpToTheLimitRoundTrips) {
    // The request object is one level: the value may nest one less.
    const Json value = Json::parse(nestedArrays(kMaxNestingForTest - 1));
    auto r = answers({{{"let", "x"}, {"value", value}}, {{"print", "x"}}});
    ASSERT_EQ(r[1]["ok"], true) << r[1].dump().substr(0, 500);
    Json echoed = r[1]["value"];
    size_t depth = 0;
    while (echoed.is_object() && echoed["type"] == "array" && !echoed["value"].empty()) {
        echoed = Json(echoed["value"][0]);
        ++depth;
    }
    EXPECT_EQ(depth, kMaxNestingForTest - 2);  // the innermost array is empty
    EXPECT_EQ(echoed, (Json{{"type", "array"}, {"lbound", 0}, {"value", Json::array()}}));
}

TEST_F(HostileInput, CallRefusesADeeplyNestedArgument) {
    // As deep as one argument can be (the system takes 128 KiB per argument).
    HostRun r = command({"call", "strVal", nestedArrays(65000)});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("argument 1 is not a JSON value: [[[["), std::string::npos) << r.err.substr(0, 500);
    EXPECT_NE(r.err.find("deeper than 128 levels"), std::string::npos);
    EXPECT_LT(r.err.size(), 1000u);
}

TEST_F(HostileInput, ErrorTextsQuoteHugeInputBriefly) {
    const std::string huge(1 << 20, 'z');  // a megabyte: the cut does not depend on the size
    HostRun r = run({{{"id", 1}, {"let", "x"}, {"value", {{"type", "date"}, {"value", huge}}}},
                     {{"id", 2}, {"print", huge}},
                     {{"id", 3}, {"let", "x"}, {"value", {{"type", huge}}}},
                     {{"id", 4}, {"let", "x"}, {"value", {{"type", "i4"}, {"value", huge}}}},
                     kCreateCommon,
                     {{"id", 6}, {"call", huge}, {"on", "cf"}},
                     {{"id", 7}, {"let", "x"}, {"value", 1}, {huge, 1}},
                     {{"id", 8}, {"call", "strVal"}, {"on", huge}}});
    EXPECT_EQ(r.status, 0) << r.err;
    auto all = r.responses();
    ASSERT_EQ(all.size(), 8u);
    EXPECT_LT(r.out.size(), 8000u);
    for (size_t i : {0, 1, 2, 3, 5, 6, 7}) {
        EXPECT_EQ(all[i]["ok"], false) << i;
        const std::string text = description(all[i]);
        EXPECT_LE(text.size(), 1024u) << i;
        EXPECT_NE(text.find("zzz..."), std::string::npos) << i << ": " << text.substr(0, 300);
    }
    EXPECT_NE(description(all[0]).find("is not a date of the form"), std::string::npos);  // the message stays whole
}

TEST_F(HostileInput, AnEndlessLineEndsTheRunWithAnError) {
    HostRun r = command({"run", "/dev/zero"});
    EXPECT_EQ(r.status, 2) << r.err;
    auto all = r.responses();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(description(all[0]), "the line is longer than 67108864 bytes; no request is read after it");
}

TEST_F(HostileInput, AFolderIsNoFileOfRequests) {
    HostRun r = command({"run", folder.path().string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("it is a folder"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace host::testing
