// Helpers shared by the value-core tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "runtime/error.h"
#include "runtime/ustring.h"
#include "support/testing.h"

namespace rt::testing {

// The run-time error number that body raises; 0 when it returns normally.
using support::errorNumberOf;

inline std::string u8(rt::StrView s) { return rt::toUtf8(s); }

}  // namespace rt::testing

#define EXPECT_RT_ERROR(number, expr) EXPECT_EQ((number), ::rt::testing::errorNumberOf([&] { (void)(expr); })) << #expr
