// Decimals from doubles keep 15 significant digits, rounded as printf's "%.14e" rounds them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "runtime/decimal.h"
#include "runtime/ustring.h"

using rt::Decimal;

namespace {

// The decimal text of |v| with 15 significant digits as the C library rounds them, trailing
// zeros dropped, or "" when it lies outside what a decimal holds.
std::string referenceText(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(v));
    std::string digits;
    const char* p = buf;
    for (; *p != 'e'; ++p)
        if (*p != '.') digits.push_back(*p);
    long exponent = std::strtol(p + 1, nullptr, 10);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    // Place the point: exponent is the power of ten of the first digit.
    std::string out;
    if (exponent >= 0) {
        if (size_t(exponent) + 1 >= digits.size()) {
            out = digits + std::string(size_t(exponent) + 1 - digits.size(), '0');
        } else {
            out = digits.substr(0, size_t(exponent) + 1) + "." + digits.substr(size_t(exponent) + 1);
        }
    } else {
        out = "0." + std::string(size_t(-exponent - 1), '0') + digits;
    }
    return (v < 0 ? "-" : "") + out;
}

}  // namespace

TEST(DecimalFromDouble, FifteenSignificantDigitsRoundedAsTheCLibraryRoundsThem) {
    std::mt19937_64 gen(20070305);
    // |v| from 1e-13 up: its 15 digits fit the decimal's 28 places after the point.
    std::uniform_real_distribution<double> mantissa(0.1, 1.0);
    std::uniform_int_distribution<int> power(-12, 15);
    int checked = 0;
    for (int i = 0; i < 20000; ++i) {
        const double v = (gen() % 2 ? -1 : 1) * mantissa(gen) * std::pow(10.0, power(gen));
        ASSERT_EQ(rt::toUtf8(Decimal::fromDouble(v).toText()), referenceText(v)) << v;
        ++checked;
    }
    // Halfway cases of the 15th digit and values that print with many nines.
    for (double v : {0.1 + 0.2, 2.675, 1.005, 1e15 - 0.5, 123456789012345.6, 0.000123456789012345678, 9.999999999999995,
                     -42.42, 1234.56}) {
        EXPECT_EQ(rt::toUtf8(Decimal::fromDouble(v).toText()), referenceText(v)) << v;
        ++checked;
    }
    EXPECT_EQ(checked, 20009);
}
