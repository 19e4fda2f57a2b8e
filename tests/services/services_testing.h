// Helpers for the services tests: the keys the library fetches, and the shared temporary
// folders and scoped environment variables.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/testing.h"

namespace svc::testing {

using support::ScopedEnv;
using support::TempDir;

// The keys the library fetches from the text loader.
inline std::vector<std::string> libraryKeys() {
    std::vector<std::string> keys{"Ostrel.FM.Velmora.00001"};
    for (int n : {3, 4, 5, 6, 7, 11, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31}) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "Ostrel.FM.Velmora.%05d", n);
        keys.push_back(buf);
    }
    keys.push_back("Ostrel.FM.Pelvane.01034");
    return keys;
}

}  // namespace svc::testing
