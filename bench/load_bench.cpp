// What loading the library adds to the start of a bare Qt program: the same program started
// many times without and with the library loaded before its application object is made, for a
// user whose prefix does not exist yet and for one whose prefix exists (the usual case: the
// library then reads the user's language from the machine hive at load).
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "tool_run.h"

namespace {

using tessaly::bench::RunTool;

enum class Prefix { None, Missing, Existing };

// Two prefixes under a temporary folder, removed at exit: one never made, one made by a
// registry command.
struct Prefixes {
    std::string base;
    Prefixes() {
        base = std::filesystem::temp_directory_path() / "tessaly-load-XXXXXX";
        if (!mkdtemp(base.data())) return;
        setenv("TESSALY_PREFIX", (base + "/existing").c_str(), 1);
        RunTool({TESSALY_TOOL, "reg", "query", "HKEY_LOCAL_MACHINE\\Software"});
    }
    ~Prefixes() {
        std::error_code ignored;
        std::filesystem::remove_all(base, ignored);
    }
};

std::string prefixPath(Prefix prefix) {
    static const Prefixes prefixes;
    return prefixes.base + (prefix == Prefix::Existing ? "/existing" : "/missing");
}

void runProbe(benchmark::State& state, Prefix prefix) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("TESSALY_PREFIX", prefixPath(prefix).c_str(), 1);
    if (prefix == Prefix::Existing &&
        !std::filesystem::exists(prefixPath(prefix) + "/system.reg.db"))
        state.SkipWithError("the prefix could not be made");
    std::vector<std::string> args = {TESSALY_LOAD_PROBE};
    if (prefix != Prefix::None) args.push_back(TESSALY_LIBRARY);
    for (auto _ : state)
        if (RunTool(args) != 0) state.SkipWithError("the program failed");
}

void BM_BareQtProgram(benchmark::State& state) {
    runProbe(state, Prefix::None);
}

void BM_LoadingTheLibraryNoPrefixYet(benchmark::State& state) {
    runProbe(state, Prefix::Missing);
}

void BM_LoadingTheLibraryExistingPrefix(benchmark::State& state) {
    runProbe(state, Prefix::Existing);
}

} // namespace

// Twice each, alternating, so a change in the machine's load shows as a difference between rounds.
BENCHMARK(BM_BareQtProgram)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_LoadingTheLibraryNoPrefixYet)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_LoadingTheLibraryExistingPrefix)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_BareQtProgram)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_LoadingTheLibraryNoPrefixYet)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_LoadingTheLibraryExistingPrefix)->Unit(benchmark::kMillisecond)->Iterations(100);

BENCHMARK_MAIN();
