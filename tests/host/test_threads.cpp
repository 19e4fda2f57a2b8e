// Requests on apartment threads: each thread has its own module state, pool and handles.
#include "host_testing.h"

namespace host::testing {
namespace {

class Threads : public HostTest {};

Json onThread(Json request, int thread) {
    request["thread"] = thread;
    return request;
}

TEST_F(Threads, EachThreadHasItsOwnPool) {
    const Json pool = {{"call", "GetPoolInstance"}, {"as", "pool"}};
    auto r = answers({pool,
                      onThread(pool, 1),
                      {{"call", "GetPoolInstance"}},
                      onThread({{"call", "GetPoolInstance"}}, 1),
                      {{"call", "MaxCon"}, {"on", "pool"}, {"kind", "put"}, {"args", {{{"type", "i2"}, {"value", 2}}}}},
                      onThread({{"call", "MaxCon"}, {"on", "pool"}, {"kind", "get"}}, 1),
                      {{"call", "MaxCon"}, {"on", "pool"}, {"kind", "get"}}});
    for (const auto& x : r) ASSERT_EQ(x["ok"], true) << x;
    EXPECT_NE(r[0]["value"]["id"], r[1]["value"]["id"]) << "two threads share a pool";
    EXPECT_EQ(r[2]["value"]["id"], r[0]["value"]["id"]);
    EXPECT_EQ(r[3]["value"]["id"], r[1]["value"]["id"]);
    EXPECT_EQ(r[5]["value"]["value"], 5) << "thread 0's setting reached thread 1's pool";
    EXPECT_EQ(r[6]["value"]["value"], 2);
}

TEST_F(Threads, VariablesAndHandlesBelongToTheirThread) {
    auto r = answers({kCreateCommon,
                      onThread({{"print", "cf"}}, 1),
                      onThread({{"call", "strTrim"}, {"on", "$1"}, {"args", {"x"}}}, 1),
                      onThread({{"let", "cf"}, {"value", "a text on thread 1"}}, 1),
                      {{"call", "strTrim"}, {"on", "cf"}, {"args", {" Still An Object "}}}});
    EXPECT_EQ(r[1]["ok"], false);
    EXPECT_EQ(r[2]["error"]["description"],
              "handle $1 belongs to thread 0: an object is used only on the thread that made it");
    EXPECT_EQ(r[4]["value"]["value"], "still an object");
}

TEST_F(Threads, ResponsesKeepTheOrderOfRequestsAcrossThreads) {
    std::vector<Json> requests;
    for (int i = 0; i < 30; ++i)
        requests.push_back({{"id", i}, {"thread", i % 3}, {"call", "strTrim"}, {"args", {" X" + std::to_string(i)}},
                            {"on", "cf"}});
    std::vector<Json> all{onThread(kCreateCommon, 0), onThread(kCreateCommon, 1), onThread(kCreateCommon, 2)};
    all.insert(all.end(), requests.begin(), requests.end());
    auto r = answers(all);
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(r[size_t(i + 3)]["id"], i);
        EXPECT_EQ(r[size_t(i + 3)]["value"]["value"], "x" + std::to_string(i));
    }
}

TEST_F(Threads, ThreadNumbersAreBounded) {
    auto r = answers({{{"let", "a"}, {"value", 1}, {"thread", 63}},
                      {{"let", "a"}, {"value", 1}, {"thread", 64}},
                      {{"let", "a"}, {"value", 1}, {"thread", "1"}}});
    EXPECT_EQ(r[0]["ok"], true);
    EXPECT_EQ(r[1]["error"]["description"], "\"thread\" must be an integer from 0 to 63, not 64");
    EXPECT_EQ(r[2]["ok"], false);
}

}  // namespace
}  // namespace host::testing
