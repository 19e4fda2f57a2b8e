// An amount in words with the zh-CN catalog, every text lookup of the algorithm included.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "client.h"
#include "frame/text_service.h"

namespace {

using rt::Str;
using rt::Variant;

void BM_LittleToBig(benchmark::State& state) {
    // The loader fixes its language at the thread's first lookup, which is made below.
    setenv("VELMORA_LANGUAGE", "zh-CN", 1);
    velmora::client::useLibrary();
    auto cf = velmora::client::newCommonFunction();
    Str out;
    Variant money(1234.56);
    if (rt::failed(cf->LittleToBig(&money, &out)) || out != u"壹仟贰佰叁拾肆元伍角陆分") std::abort();
    for (auto _ : state) {
        Variant amount(1234.56);  // the call leaves the cents in its argument
        cf->LittleToBig(&amount, &out);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LittleToBig);

// One lookup of the message text service, the unit LittleToBig's cost is made of (1234.56
// takes 13 of them and a language code).
void BM_TextLookup(benchmark::State& state) {
    setenv("VELMORA_LANGUAGE", "zh-CN", 1);
    velmora::client::useLibrary();
    auto cf = velmora::client::newCommonFunction();
    const Str key = u"Ostrel.FM.Velmora.00019";
    if (velmora::sGetText(key) != u"壹") std::abort();
    for (auto _ : state) benchmark::DoNotOptimize(velmora::sGetText(key));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TextLookup);

}  // namespace

BENCHMARK_MAIN();
