// Walking an operation's error paths with the runtime's fault injection: the operation runs
// with its 1st, 2nd, ... call of one kind failing, until it makes fewer calls than that.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "runtime/error.h"
#include "runtime/fault.h"
#include "runtime/ustring.h"

namespace support {

// Runs op() with the Nth call of kind failing, for N = 1, 2, ... For each run where the
// failure was reached, op must raise an rt::Error with a number and a description, and
// afterFailure(N, error) checks what op left behind (the data as it was). The first run that
// does not reach its planned failure must succeed. Returns the number of calls of kind the
// whole operation makes.
template <class Op, class AfterFailure>
int64_t walkFailures(rt::fault::Kind kind, Op&& op, AfterFailure&& afterFailure) {
    for (int64_t n = 1; n < 10000; ++n) {
        std::optional<rt::Error> error;
        bool fired = false;
        {
            rt::fault::Injection injection(kind, n);
            try {
                op();
            } catch (const rt::Error& e) {
                error = e;
            }
            fired = injection.fired();
        }
        if (!fired) {
            EXPECT_FALSE(error) << "without a failure the operation fails: " << rt::toUtf8(error->description());
            return n - 1;
        }
        if (!error) {
            ADD_FAILURE() << "call " << n << " failed and the operation succeeded";
            continue;
        }
        EXPECT_NE(error->numberValue(), 0) << "call " << n;
        EXPECT_FALSE(error->description().empty()) << "call " << n;
        afterFailure(n, *error);
    }
    ADD_FAILURE() << "the operation never ran out of calls";
    return -1;
}

}  // namespace support
