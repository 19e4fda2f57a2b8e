// Decimal addition against the bare 128-bit integer addition it is built on.
#include <benchmark/benchmark.h>

#include <vector>

#include "runtime/decimal.h"

namespace {

using rt::Decimal;

// Pairs of 20-digit operands: the same scale, and scales that need aligning.
std::vector<std::pair<Decimal, Decimal>> operands(bool mixedScales) {
    const char16_t* texts[] = {u"12345678901234.567890", u"98765432109876.543210", u"-55555555555555.555555",
                               u"31415926535897.932384", u"27182818284590.452353", u"-14142135623730.950488"};
    const char16_t* other[] = {u"1234567890123456.7890", u"987654321098765432.10", u"-5555555555555555555.5",
                               u"31415926535.897932384", u"2718281828459045235.3", u"-14142135623730950488"};
    std::vector<std::pair<Decimal, Decimal>> pairs;
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j)
            pairs.emplace_back(*Decimal::parse(texts[i]), *Decimal::parse(mixedScales ? other[j] : texts[j]));
    return pairs;
}

void BM_Int128Add(benchmark::State& state) {
    std::vector<std::pair<unsigned __int128, unsigned __int128>> pairs;
    for (const auto& [a, b] : operands(false))
        pairs.emplace_back((static_cast<unsigned __int128>(a.hi()) << 64) | a.lo(),
                           (static_cast<unsigned __int128>(b.hi()) << 64) | b.lo());
    size_t i = 0;
    for (auto _ : state) {
        const auto& [a, b] = pairs[i++ % pairs.size()];
        unsigned __int128 sum = a + b;
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_Int128Add);

void BM_DecimalAdd(benchmark::State& state) {
    const auto pairs = operands(state.range(0) != 0);
    size_t i = 0;
    for (auto _ : state) {
        const auto& [a, b] = pairs[i++ % pairs.size()];
        Decimal sum = a + b;
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_DecimalAdd)->Arg(0)->Arg(1)->ArgName("mixedScales");

void BM_DecimalParse(benchmark::State& state) {
    for (auto _ : state) {
        auto d = Decimal::parse(u"12,345,678,901,234.567890");
        benchmark::DoNotOptimize(d);
    }
}
BENCHMARK(BM_DecimalParse);

}  // namespace

BENCHMARK_MAIN();
