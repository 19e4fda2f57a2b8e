// Loading a 50 MB persisted-row document through the document object, against libxml2's
// own xmlReadFile of the same file into a tree, in the same run: time, and peak memory.
// VELMORA_BENCH_DOM_MB sets another size of the file.
#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "dom/dom.h"

namespace {

size_t targetBytes() {
    const char* mb = std::getenv("VELMORA_BENCH_DOM_MB");
    return (mb && std::atol(mb) > 0 ? size_t(std::atol(mb)) : 50u) << 20;
}

// A persisted-row-like file: the format's namespace declarations, a schema part, and rows
// of eight attributes each.
std::string makeFile() {
    auto dir = std::filesystem::temp_directory_path() / ("velmora-bench-dom-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string path = (dir / "rows.xml").string();
    std::ofstream out(path, std::ios::binary);
    out << "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' "
           "xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882' "
           "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>\n"
           "<s:Schema id='RowsetSchema'>\n<s:ElementType name='row' content='eltOnly' rs:updatable='true'>\n";
    const char* columns[] = {"id", "code", "name", "amount", "rate", "posted", "memo", "flag"};
    const char* types[] = {"int", "string", "string", "number", "float", "dateTime", "string", "boolean"};
    for (int i = 0; i < 8; ++i)
        out << "<s:AttributeType name='" << columns[i] << "' rs:number='" << i + 1
            << "' rs:writeunknown='true'><s:datatype dt:type='" << types[i]
            << "' dt:maxLength='255' rs:maybenull='false'/></s:AttributeType>\n";
    out << "<s:extends type='rs:rowbase'/>\n</s:ElementType>\n</s:Schema>\n<rs:data>\n";
    size_t written = 0;
    char row[512];
    const size_t target = targetBytes();
    for (long i = 1; written < target; ++i) {
        int n = std::snprintf(row, sizeof row,
                              "<z:row id='%ld' code='A%06ld' name='Customer number %ld' amount='%ld.%02ld' "
                              "rate='0.%04ld' posted='2007-03-%02ldT10:20:30' memo='Voucher line %ld of the month' "
                              "flag='%s'/>\n",
                              i, i % 1000000, i, i * 37 % 100000, i % 100, i % 10000, i % 28 + 1, i,
                              i % 2 ? "True" : "False");
        out.write(row, n);
        written += size_t(n);
    }
    out << "</rs:data>\n</xml>\n";
    return path;
}

const std::string& file() {
    static const std::string path = makeFile();
    return path;
}

void readFile(benchmark::State& state, int options) {
    for (auto _ : state) {
        xmlDocPtr doc = xmlReadFile(file().c_str(), nullptr, options);
        if (!doc) state.SkipWithError("xmlReadFile failed");
        benchmark::DoNotOptimize(doc);
        xmlFreeDoc(doc);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(std::filesystem::file_size(file())));
}

void BM_XmlReadFile(benchmark::State& state) { readFile(state, XML_PARSE_NONET | XML_PARSE_HUGE); }

void BM_XmlReadFileNoBlanks(benchmark::State& state) {
    readFile(state, XML_PARSE_NONET | XML_PARSE_HUGE | XML_PARSE_NOBLANKS);
}

void BM_DomLoad(benchmark::State& state) {
    rt::Variant path(rt::fromUtf8(file()));
    for (auto _ : state) {
        auto doc = dom::newDocument();
        int16_t ok = 0;
        doc->load(path, &ok);
        if (!ok) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(ok);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(std::filesystem::file_size(file())));
}

struct Clock {
    double wall;
    double cpu;
    static Clock now() {
        timespec w{}, c{};
        clock_gettime(CLOCK_MONOTONIC, &w);
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c);
        return {double(w.tv_sec) + double(w.tv_nsec) * 1e-9, double(c.tv_sec) + double(c.tv_nsec) * 1e-9};
    }
};

// The two loads alternate within each iteration, so that a busy machine slows both alike;
// the counters are the ratios of the document load to xmlReadFile (wall clock and CPU).
void BM_LoadAgainstXmlReadFile(benchmark::State& state) {
    rt::Variant path(rt::fromUtf8(file()));
    double baseWall = 0, baseCpu = 0, loadWall = 0, loadCpu = 0;
    for (auto _ : state) {
        Clock a = Clock::now();
        xmlDocPtr doc = xmlReadFile(file().c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_HUGE);
        xmlFreeDoc(doc);
        Clock b = Clock::now();
        {
            auto d = dom::newDocument();
            int16_t ok = 0;
            d->load(path, &ok);
            if (!ok) state.SkipWithError("load failed");
        }
        Clock c = Clock::now();
        baseWall += b.wall - a.wall;
        baseCpu += b.cpu - a.cpu;
        loadWall += c.wall - b.wall;
        loadCpu += c.cpu - b.cpu;
    }
    state.counters["ratio_wall"] = loadWall / baseWall;
    state.counters["ratio_cpu"] = loadCpu / baseCpu;
}

// Peak resident memory (KiB) of a child process that runs body. The child starts as a copy
// of this process, so what it holds before body runs is measured alike and taken off.
long childPeakKiB(const std::function<void()>& body) {
    pid_t pid = ::fork();
    if (pid == 0) {
        body();
        std::_Exit(0);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return usage.ru_maxrss;
}

// Peak memory of the document load against xmlReadFile's, each in a fresh process: the
// counters are both peaks in MiB (above an idle child's) and their ratio.
void BM_PeakMemoryAgainstXmlReadFile(benchmark::State& state) {
    rt::Variant path(rt::fromUtf8(file()));
    long idle = 0, base = 0, load = 0;
    for (auto _ : state) {
        idle = childPeakKiB([] {});
        base = childPeakKiB([] {
            xmlDocPtr doc = xmlReadFile(file().c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_HUGE);
            if (!doc) std::_Exit(1);
            xmlFreeDoc(doc);
        });
        load = childPeakKiB([&] {
            auto d = dom::newDocument();
            int16_t ok = 0;
            d->load(path, &ok);
            if (!ok) std::_Exit(1);
        });
        if (idle < 0 || base < 0 || load < 0) state.SkipWithError("a measuring process failed");
    }
    state.counters["xmlReadFile_MiB"] = double(base - idle) / 1024;
    state.counters["load_MiB"] = double(load - idle) / 1024;
    state.counters["ratio_peak"] = double(load - idle) / double(base - idle);
}

BENCHMARK(BM_XmlReadFile)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_XmlReadFileNoBlanks)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DomLoad)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LoadAgainstXmlReadFile)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_PeakMemoryAgainstXmlReadFile)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    file();
    benchmark::RunSpecifiedBenchmarks();
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(file()).parent_path(), ec);
    return 0;
}
