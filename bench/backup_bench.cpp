// The backup services against the standard tools on the same data in the same run:
// scrambling a 1 GiB file (cp of it, and the peak memory), zipping a tree of 10,000 files of
// 500 MB (zip -r at the same level) and unpacking it (unzip), and the generation chain of a
// 100 MB document (three cp calls). The data lie under /tmp (or TESSALY_BENCH_DATA) and are
// removed at the end.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <tessaly/backup.h>

#include "platform/prefix.h"
#include "tool_run.h"
#include "zip_engine.h"

namespace {

namespace fs = std::filesystem;
using tessaly::bench::RunTool;

constexpr size_t kScrambleSize = size_t(1) << 30;
constexpr int kTreeFiles = 10000;
constexpr size_t kTreeBytes = size_t(500) << 20;
constexpr size_t kDocumentSize = size_t(100) << 20;
constexpr int kLevel = 6;
const char* const kLevelOption = "-6"; // zip -r at the same level

// The data of the run, removed when the program ends.
struct World {
    std::string root;
    World() {
        const char* base = std::getenv("TESSALY_BENCH_DATA");
        root = std::string(base && *base ? base : "/tmp") + "/tessaly-backup-XXXXXX";
        if (!mkdtemp(root.data())) std::perror("mkdtemp");
        setenv("TESSALY_PREFIX", (root + "/prefix").c_str(), 1);
        tessaly::platform::EnsurePrefix();
    }
    ~World() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

World& world() {
    static World w;
    return w;
}

std::string windows(const std::string& posix) {
    return tessaly::platform::ToWindowsPath(posix);
}

// Fast deterministic bytes: binary noise, or text of words that compresses as text does.
struct Bytes {
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    std::uint64_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    void fill(std::string& out, size_t size, bool text) {
        static const char* words[] = {"backup ", "letter ",  "the ", "document ", "of ",
                                      "zip ",    "archive ", "and ", "ancestor ", "folder\r\n"};
        out.clear();
        while (out.size() < size) {
            const std::uint64_t r = next();
            if (text) {
                out += words[r % 10];
            } else {
                out.append(reinterpret_cast<const char*>(&r), sizeof r);
            }
        }
        out.resize(size);
    }
};

void writeFile(const std::string& path, size_t size, bool text, Bytes& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::string block;
    for (size_t done = 0; done < size;) {
        const size_t n = std::min<size_t>(size - done, 1 << 20);
        bytes.fill(block, n, text);
        std::fwrite(block.data(), 1, n, f);
        done += n;
    }
    std::fclose(f);
}

const std::string& bigFile() {
    static const std::string path = [] {
        std::string p = world().root + "/big.bin";
        Bytes bytes;
        writeFile(p, kScrambleSize, false, bytes);
        ::sync(); // on the disk before any timing: no measurement pays for writing the data
        return p;
    }();
    return path;
}

// 100 folders of 100 files, text and binary in turn, 500 MB in all.
const std::string& tree() {
    static const std::string folder = [] {
        std::string f = world().root + "/tree";
        Bytes bytes;
        const size_t each = kTreeBytes / kTreeFiles;
        for (int d = 0; d < 100; ++d) {
            const std::string sub = f + "/folder" + std::to_string(d);
            fs::create_directories(sub);
            for (int i = 0; i < kTreeFiles / 100; ++i)
                writeFile(sub + "/file" + std::to_string(i) + (i % 2 ? ".bin" : ".txt"), each,
                          i % 2 == 0, bytes);
        }
        ::sync();
        return f;
    }();
    return folder;
}

// The tree packed by zip -r, unpacked by both.
const std::string& treeArchive() {
    static const std::string path = [] {
        std::string p = world().root + "/reference.zip";
        RunTool({"zip", "-q", "-r", kLevelOption, p, tree()});
        return p;
    }();
    return path;
}

void peakMemory(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Processor time (user and system) of this process or of its waited-for children, in seconds.
double processorTime(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_ScrambleFile(benchmark::State& state) {
    const std::string in = windows(bigFile());
    std::string out = windows(world().root + "/scrambled.bin");
    const double before = processorTime(RUSAGE_SELF);
    for (auto _ : state)
        if (!EnDecryptDataFile(in.c_str(), out.data(), nullptr, 0)) state.SkipWithError("failed");
    state.counters["cpu_s"] = (processorTime(RUSAGE_SELF) - before) / state.iterations();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kScrambleSize));
    peakMemory(state);
}
BENCHMARK(BM_ScrambleFile)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_CpFile(benchmark::State& state) {
    const std::string in = bigFile(), out = world().root + "/copied.bin";
    const double before = processorTime(RUSAGE_CHILDREN);
    for (auto _ : state)
        if (RunTool({"cp", in, out}) != 0) state.SkipWithError("cp failed");
    state.counters["cpu_s"] = (processorTime(RUSAGE_CHILDREN) - before) / state.iterations();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kScrambleSize));
}
BENCHMARK(BM_CpFile)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_ZipTree(benchmark::State& state) {
    const std::string archive = world().root + "/ours.zip";
    zipengine::ZipOptions options;
    options.archive = windows(archive);
    options.items = windows(tree());
    options.level = kLevel;
    options.newArchive = true;
    for (auto _ : state) {
        const zipengine::Result r = zipengine::Zip(options);
        if (r.code) state.SkipWithError(r.reason.c_str());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kTreeBytes));
    state.counters["archive_MB"] = static_cast<double>(fs::file_size(archive)) / 1e6;
}
BENCHMARK(BM_ZipTree)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

void BM_ZipR(benchmark::State& state) {
    const std::string archive = world().root + "/theirs.zip";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(archive);
        state.ResumeTiming();
        if (RunTool({"zip", "-q", "-r", kLevelOption, archive, tree()}) != 0)
            state.SkipWithError("zip failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kTreeBytes));
    state.counters["archive_MB"] = static_cast<double>(fs::file_size(archive)) / 1e6;
}
BENCHMARK(BM_ZipR)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

void BM_UnzipTree(benchmark::State& state) {
    const std::string dest = world().root + "/ours-out";
    zipengine::UnzipOptions options;
    options.archive = windows(treeArchive());
    options.destination = windows(dest);
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(dest);
        state.ResumeTiming();
        const zipengine::Result r = zipengine::Unzip(options);
        if (r.code) state.SkipWithError(r.reason.c_str());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kTreeBytes));
}
BENCHMARK(BM_UnzipTree)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

void BM_Unzip(benchmark::State& state) {
    const std::string dest = world().root + "/theirs-out";
    const std::string archive = treeArchive();
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(dest);
        state.ResumeTiming();
        if (RunTool({"unzip", "-q", "-o", archive, "-d", dest}) != 0)
            state.SkipWithError("unzip failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kTreeBytes));
}
BENCHMARK(BM_Unzip)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// The document and its three generations, all present, as after a few backups.
const std::string& chainFolder() {
    static const std::string folder = [] {
        std::string f = world().root + "/chain";
        fs::create_directories(f);
        Bytes bytes;
        for (const char* name : {"doc.rtf", "backup.rtf", "grandfather.rtf", "great.rtf"})
            writeFile(f + "/" + name, kDocumentSize, true, bytes);
        ::sync();
        return f;
    }();
    return folder;
}

void BM_GenerationChain(benchmark::State& state) {
    const std::string f = chainFolder();
    const CString doc = windows(f + "/doc.rtf").c_str(),
                  backup = windows(f + "/backup.rtf").c_str(),
                  grandfather = windows(f + "/grandfather.rtf").c_str(),
                  great = windows(f + "/great.rtf").c_str();
    for (auto _ : state)
        BackupFiles(doc, backup, grandfather, great, 1);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 3 * kDocumentSize));
}
BENCHMARK(BM_GenerationChain)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_ThreeCp(benchmark::State& state) {
    const std::string f = chainFolder();
    for (auto _ : state) {
        RunTool({"cp", f + "/grandfather.rtf", f + "/great.rtf"});
        RunTool({"cp", f + "/backup.rtf", f + "/grandfather.rtf"});
        RunTool({"cp", f + "/doc.rtf", f + "/backup.rtf"});
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 3 * kDocumentSize));
}
BENCHMARK(BM_ThreeCp)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
