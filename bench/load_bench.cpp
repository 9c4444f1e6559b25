// What loading the library adds to the start of a bare Qt program: the same program started
// many times without and with the library loaded before its application object is made.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <string>

#include "tool_run.h"

namespace {

using tessaly::bench::RunTool;

void runProbe(benchmark::State& state, bool withLibrary) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::vector<std::string> args = {TESSALY_LOAD_PROBE};
    if (withLibrary) args.push_back(TESSALY_LIBRARY);
    for (auto _ : state)
        if (RunTool(args) != 0) state.SkipWithError("the program failed");
}

void BM_BareQtProgram(benchmark::State& state) {
    runProbe(state, false);
}

void BM_BareQtProgramLoadingTheLibrary(benchmark::State& state) {
    runProbe(state, true);
}

} // namespace

BENCHMARK(BM_BareQtProgram)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_BareQtProgramLoadingTheLibrary)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_BareQtProgram)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_BareQtProgramLoadingTheLibrary)->Unit(benchmark::kMillisecond)->Iterations(100);

BENCHMARK_MAIN();
