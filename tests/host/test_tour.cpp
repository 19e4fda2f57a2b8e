// The tour that `./run.sh demo` shows runs cleanly through the host.
#include <fstream>

#include "host_testing.h"

namespace host::testing {
namespace {

class Tour : public HostTest {};

TEST_F(Tour, EveryRequestGetsItsAnswerAndOnlyMarkedOnesFail) {
    std::ifstream in(VELMORA_SOURCE_DIR "/examples/tour.jsonl");
    ASSERT_TRUE(in);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t requests = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        size_t first = line.find_first_not_of(" \t\r");
        if (first != std::string::npos && line[first] != '#') ++requests;
    }

    HostRun r = runText(text);
    EXPECT_EQ(r.status, 0) << r.err;
    auto all = r.responses();
    ASSERT_EQ(all.size(), requests);
    for (const auto& response : all) {
        // A request meant to show an error carries an id starting with "fails:".
        bool meantToFail = response.contains("id") && response["id"].is_string() &&
                           response["id"].get<std::string>().rfind("fails:", 0) == 0;
        EXPECT_EQ(response["ok"], !meantToFail) << response;
    }
}

}  // namespace
}  // namespace host::testing
