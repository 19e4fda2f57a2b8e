// The connection pool: lending and returning an idle connection (GetConn + ReleaseConn,
// early-bound) with one key idle and with 50 other keys idle, against the floor of the
// same pair (the two calls on the connection that every lending and return makes); and the
// CPU time a thread uses while it waits on a full pool.
#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "client.h"
#include "dataaccess/ado.h"

namespace {

using rt::ComPtr;
using rt::Str;
using rt::Variant;
using Connection = ado::_Connection;

std::filesystem::path folder() {
    static const std::filesystem::path p = [] {
        auto dir = std::filesystem::temp_directory_path() / ("velmora-bench-pool-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        return dir;
    }();
    return p;
}

Str source(const std::string& name) { return u"Provider=SQLite;Data Source=" + rt::fromUtf8((folder() / name).string()); }

ComPtr<velmora::_CConPool> threadPool() {
    velmora::client::useLibrary();
    return velmora::client::call(velmora::client::global().get(), &velmora::_CGlobal::GetPoolInstance);
}

ComPtr<Connection> get(velmora::_CConPool* pool, const Str& text, int32_t wait = 20) {
    Variant dsn(text);
    Connection* slot = nullptr;
    int16_t result = 0;
    pool->GetConn(&dsn, &slot, &wait, &result);
    return ComPtr<Connection>::adopt(slot);
}

void release(velmora::_CConPool* pool, ComPtr<Connection>& con) {
    Connection* slot = con.detach();
    pool->ReleaseConn(&slot);
    con = ComPtr<Connection>::adopt(slot);
}

// A pool with `others` idle connections of other sources and one of the measured source.
ComPtr<velmora::_CConPool> poolWithIdle(int others) {
    auto pool = threadPool();
    pool->ResetPool();
    pool->put_MaxCon(int16_t(others + 10));
    for (int i = 0; i < others; ++i) {
        ComPtr<Connection> c = get(pool.get(), source("other" + std::to_string(i) + ".db"));
        release(pool.get(), c);
    }
    ComPtr<Connection> c = get(pool.get(), source("measured.db"));
    if (!c) std::abort();
    release(pool.get(), c);
    return pool;
}

void lendAndReturn(benchmark::State& state, int others) {
    auto pool = poolWithIdle(others);
    const Str text = source("measured.db");
    for (auto _ : state) {
        ComPtr<Connection> c = get(pool.get(), text);
        release(pool.get(), c);
    }
    state.SetItemsProcessed(state.iterations());
    pool->ResetPool();
}

void BM_LendAndReturn_OneKeyIdle(benchmark::State& state) { lendAndReturn(state, 0); }
BENCHMARK(BM_LendAndReturn_OneKeyIdle);

void BM_LendAndReturn_FiftyOtherKeysIdle(benchmark::State& state) { lendAndReturn(state, 50); }
BENCHMARK(BM_LendAndReturn_FiftyOtherKeysIdle);

// Floor: what every lending and return asks of the connection itself (its state and its
// connection string), without the pool's bookkeeping.
void BM_Floor_ConnectionStateAndString(benchmark::State& state) {
    auto pool = threadPool();
    ComPtr<Connection> c = get(pool.get(), source("floor.db"));
    if (!c) std::abort();
    for (auto _ : state) {
        int32_t s = 0;
        Str text;
        c->get_State(&s);
        c->get_ConnectionString(&text);
        c->get_State(&s);
        c->get_ConnectionString(&text);
        benchmark::DoNotOptimize(text);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Floor_ConnectionStateAndString);

double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// A 2-second wait on a full pool: the share of the wait the thread spends on the CPU.
void BM_FullPoolWait_TwoSeconds(benchmark::State& state) {
    auto pool = threadPool();
    pool->ResetPool();
    pool->put_MaxCon(0);
    ComPtr<Connection> c = get(pool.get(), source("full.db"));
    release(pool.get(), c);  // one idle connection: full for any other source
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        const double cpu0 = threadCpuSeconds();
        const auto wall0 = std::chrono::steady_clock::now();
        ComPtr<Connection> none = get(pool.get(), source("waiting.db"), 2);
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        cpu += threadCpuSeconds() - cpu0;
        if (none) std::abort();
    }
    state.counters["cpu_share_percent"] = 100.0 * cpu / wall;
    state.counters["cpu_ms_per_wait"] = 1000.0 * cpu / double(state.iterations());
    pool->ResetPool();
    pool->put_MaxCon(5);
}
BENCHMARK(BM_FullPoolWait_TwoSeconds)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(folder(), ec);
    return 0;
}
