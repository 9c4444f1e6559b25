// Registry files: import and export of a 100 MB file, and a 10,000-value import, in a
// throw-away prefix (MB/s in the bytes_per_second column).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/registry.h"

namespace {

using namespace tessaly::platform;

// A prefix of its own for the whole run, removed at exit.
struct BenchPrefix {
    BenchPrefix() {
        char pattern[] = "/tmp/tessaly-bench-XXXXXX";
        root = mkdtemp(pattern);
        setenv("TESSALY_PREFIX", root.c_str(), 1);
    }
    ~BenchPrefix() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    std::string root;
} prefix;

// Keys of 1,000 values each: strings, dwords and hex data wrapped over lines, as exported.
std::string MakeFile(size_t bytes, size_t maxValues) {
    std::string text = "REGEDIT4\r\n";
    std::string hex;
    for (int i = 0; i < 300; ++i)
        hex += (i % 25 == 24 ? "5a,\\\r\n  " : "5a,");
    hex += "5a";
    size_t values = 0;
    for (int key = 0; text.size() < bytes && values < maxValues; ++key) {
        text += "\r\n[HKEY_CURRENT_USER\\Software\\Bench\\Key" + std::to_string(key) + "]\r\n";
        for (int v = 0; v < 1000 && text.size() < bytes && values < maxValues; ++v, ++values) {
            std::string name = "\"value " + std::to_string(v) + "\"=";
            if (v % 3 == 0)
                text += name + "\"C:\\\\Program Files\\\\Tessaly\\\\setting " + std::to_string(v) +
                        "\"\r\n";
            else if (v % 3 == 1)
                text += name + "dword:0000abcd\r\n";
            else
                text += name + "hex:" + hex + "\r\n";
        }
    }
    return text;
}

void Import(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        state.PauseTiming();
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Bench");
        state.ResumeTiming();
        std::string message;
        if (RegImportText(text, message) != 0) state.SkipWithError(message.c_str());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * text.size()));
}

void BM_Import100MB(benchmark::State& state) {
    static const std::string text = MakeFile(100u << 20, size_t(-1));
    Import(state, text);
}

void BM_Import10000Values(benchmark::State& state) {
    static const std::string text = MakeFile(size_t(-1), 10000);
    Import(state, text);
}

void BM_Export100MB(benchmark::State& state) {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Bench");
    std::string message;
    if (RegImportText(MakeFile(100u << 20, size_t(-1)), message) != 0)
        state.SkipWithError(message.c_str());
    size_t bytes = 0;
    for (auto _ : state) {
        std::string text;
        RegExportText("HKEY_CURRENT_USER\\Software\\Bench", text);
        bytes += text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(int64_t(bytes));
}

} // namespace

BENCHMARK(BM_Import100MB)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Export100MB)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Import10000Values)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

BENCHMARK_MAIN();
