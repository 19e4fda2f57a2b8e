// Money display through the early-bound interface against ICU's DecimalFormat with the same
// pattern over the same 10,000 doubles; exact addition of two money texts.
#include <benchmark/benchmark.h>
#include <unicode/dcfmtsym.h>
#include <unicode/decimfmt.h>
#include <unicode/unistr.h>

#include <memory>
#include <random>
#include <vector>

#include "client.h"

namespace {

using rt::Str;
using rt::Variant;

// Amounts as accounts hold them: mostly whole cents up to ten million, some with a third
// decimal (ties included), a fifth of them negative, a few zeros and tiny values.
const std::vector<double>& amounts() {
    static const std::vector<double> values = [] {
        std::mt19937_64 rng(20240607);
        std::vector<double> v;
        v.reserve(10000);
        for (int i = 0; i < 10000; ++i) {
            const int64_t cents = int64_t(rng() % 1000000000);
            double x = double(cents) / 100;
            if (i % 7 == 0) x = double(cents) / 1000;
            if (i % 5 == 0) x = -x;
            if (i % 97 == 0) x = 0;
            if (i % 89 == 0) x = 0.004;
            v.push_back(x);
        }
        return v;
    }();
    return values;
}

rt::ComPtr<velmora::_CCommonFunction> commonFunction() {
    static rt::ComPtr<velmora::_CCommonFunction> cf = [] {
        velmora::client::useLibrary();
        return velmora::client::newCommonFunction();
    }();
    return cf;
}

std::unique_ptr<icu::DecimalFormat> icuFormat() {
    UErrorCode status = U_ZERO_ERROR;
    auto symbols = new icu::DecimalFormatSymbols(icu::Locale::getUS(), status);
    auto fmt = std::make_unique<icu::DecimalFormat>(icu::UnicodeString(u"#,##0.00"), symbols, status);
    // Halves away from zero, as sMoneyFormat rounds.
    fmt->setRoundingMode(icu::DecimalFormat::kRoundHalfUp);
    if (U_FAILURE(status)) std::abort();
    return fmt;
}

Str sMoneyFormat(velmora::_CCommonFunction* cf, double value) {
    Variant v(value);
    int16_t hasdot = 1, count = 2, mode = 0;
    Str out;
    if (rt::failed(cf->sMoneyFormat(&v, &hasdot, &count, &mode, &out))) std::abort();
    return out;
}

void BM_IcuDecimalFormat(benchmark::State& state) {
    const auto fmt = icuFormat();
    const auto& values = amounts();
    size_t i = 0;
    for (auto _ : state) {
        icu::UnicodeString out;
        fmt->format(values[i++ % values.size()], out);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IcuDecimalFormat);

void BM_SMoneyFormat(benchmark::State& state) {
    auto cf = commonFunction();
    const auto& values = amounts();
    // Both sides must write the same texts for the comparison to mean anything; zero is
    // the one designed difference (sMoneyFormat leaves it blank).
    const auto fmt = icuFormat();
    int64_t differences = 0;
    for (double x : values) {
        icu::UnicodeString icu;
        fmt->format(x, icu);
        const Str ours = sMoneyFormat(cf.get(), x);
        if (x != 0 && ours != Str(reinterpret_cast<const char16_t*>(icu.getBuffer()), size_t(icu.length())))
            ++differences;
    }
    size_t i = 0;
    for (auto _ : state) {
        Variant v(values[i++ % values.size()]);
        int16_t hasdot = 1, count = 2, mode = 0;
        Str out;
        cf->sMoneyFormat(&v, &hasdot, &count, &mode, &out);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["differences"] = double(differences);
}
BENCHMARK(BM_SMoneyFormat);

void BM_StrAdd(benchmark::State& state) {
    auto cf = commonFunction();
    // The operands are rewritten with their own trimmed text, so they can be used again.
    Variant fore(Str(u"123456789012.34")), back(Str(u"987654321098.76"));
    rt::VARIANT_BOOL plus = rt::VARIANT_TRUE;
    int16_t dots = 2;
    Str out;
    cf->strAdd(&fore, &back, &plus, &dots, &out);
    if (out != u"1111111110111.1") std::abort();
    for (auto _ : state) {
        cf->strAdd(&fore, &back, &plus, &dots, &out);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StrAdd);

}  // namespace

BENCHMARK_MAIN();
