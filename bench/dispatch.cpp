// Late-bound calls against the early-bound call of the same method with the same
// arguments (strVal of a short padded text, by reference, as clients pass it).
#include <benchmark/benchmark.h>

#include "client.h"

using namespace velmora;

namespace {

rt::ComPtr<_CCommonFunction> common() {
    static rt::ComPtr<_CCommonFunction> cf = [] {
        client::useLibrary();
        return client::newCommonFunction();
    }();
    return cf;
}

const rt::Str kText = u"  value 42  ";

void EarlyBound(benchmark::State& state) {
    auto cf = common();
    VARIANT_BOOL flag = rt::VARIANT_FALSE;
    for (auto _ : state) {
        rt::Variant v(kText);
        rt::Variant r;
        rt::check(cf->strVal(&v, &flag, &r));
        benchmark::DoNotOptimize(r);
    }
}

void LateBoundById(benchmark::State& state) {
    auto cf = common();
    rt::IDispatch* d = cf.get();
    for (auto _ : state) {
        rt::Variant v(kText);
        rt::Variant args[2] = {rt::Variant(false), rt::Variant::byRef(&v)};
        rt::DispParams dp{args, nullptr, 2, 0};
        rt::Variant r;
        rt::check(d->Invoke(0x60030027, rt::IID{}, 0, rt::DISPATCH_METHOD, &dp, &r, nullptr, nullptr));
        benchmark::DoNotOptimize(r);
    }
}

void LateBoundByName(benchmark::State& state) {
    auto cf = common();
    rt::IDispatch* d = cf.get();
    const char16_t* names[] = {u"strVal"};
    for (auto _ : state) {
        rt::DISPID id = 0;
        rt::check(d->GetIDsOfNames(rt::IID{}, names, 1, 0, &id));
        rt::Variant v(kText);
        rt::Variant args[2] = {rt::Variant(false), rt::Variant::byRef(&v)};
        rt::DispParams dp{args, nullptr, 2, 0};
        rt::Variant r;
        rt::check(d->Invoke(id, rt::IID{}, 0, rt::DISPATCH_METHOD, &dp, &r, nullptr, nullptr));
        benchmark::DoNotOptimize(r);
    }
}

}  // namespace

BENCHMARK(EarlyBound);
BENCHMARK(LateBoundById);
BENCHMARK(LateBoundByName);
BENCHMARK_MAIN();
