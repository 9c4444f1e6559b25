// The file services against the system's tools on the same data in the same run: listing
// 100,000 files (find), emptying a folder of them (rm -rf), copying 1 GB in 10,000 files
// (cp -r) and reading and writing a whole 100 MB file (cp).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <tessaly/foundation.h>

#include "platform/prefix.h"
#include "tool_run.h"

namespace {

namespace fs = std::filesystem;
using tessaly::bench::RunTool;

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 1000;
constexpr int kCopyFiles = 10000;
constexpr size_t kCopyFileSize = 100 * 1024; // 10,000 x 100 KB: about 1 GB
constexpr size_t kWholeFileSize = 100 * 1024 * 1024;

struct World {
    std::string root; // POSIX folder of all data
};

World& world() {
    static World* w = [] {
        auto* w = new World;
        const char* base = std::getenv("TESSALY_BENCH_DATA");
        w->root = std::string(base && *base ? base : "/tmp") + "/tessaly-files-XXXXXX";
        if (!mkdtemp(w->root.data())) std::perror("mkdtemp");
        setenv("TESSALY_PREFIX", (w->root + "/prefix").c_str(), 1);
        tessaly::platform::EnsurePrefix();
        return w;
    }();
    return *w;
}

std::string windows(const std::string& posix) {
    return tessaly::platform::ToWindowsPath(posix);
}

// 100 folders of 1,000 empty files each.
void makeTree(const std::string& folder) {
    fs::create_directories(folder);
    for (int d = 0; d < kFolders; ++d) {
        std::string sub = folder + "/folder" + std::to_string(d);
        fs::create_directory(sub);
        for (int f = 0; f < kFilesPerFolder; ++f) {
            int fd = ::open((sub + "/file" + std::to_string(f) + ".txt").c_str(),
                            O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            if (fd >= 0) ::close(fd);
        }
    }
}

void writeFile(const std::string& path, size_t size) {
    std::string block(1 << 16, 'x');
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>('a' + i % 26);
    FILE* f = std::fopen(path.c_str(), "wb");
    for (size_t done = 0; done < size; done += block.size())
        std::fwrite(block.data(), 1, std::min(block.size(), size - done), f);
    std::fclose(f);
}

const std::string& listedTree() {
    static const std::string folder = [] {
        std::string f = world().root + "/listed";
        makeTree(f);
        return f;
    }();
    return folder;
}

void BM_GetDirectoryFiles(benchmark::State& state) {
    const std::string folder = windows(listedTree());
    for (auto _ : state) {
        CStringArray list;
        GetDirectoryFiles(folder.c_str(), list);
        if (list.GetSize() != kFolders * kFilesPerFolder) state.SkipWithError("files missed");
    }
}

void BM_Find(benchmark::State& state) {
    const std::string folder = listedTree();
    for (auto _ : state)
        if (RunTool({"find", folder, "-type", "f"}) != 0) state.SkipWithError("find failed");
}

void BM_ClearSpace(benchmark::State& state) {
    const std::string folder = world().root + "/cleared";
    const std::string windowsFolder = windows(world().root) + "\\cleared";
    for (auto _ : state) {
        state.PauseTiming();
        makeTree(folder);
        sync();
        state.ResumeTiming();
        ClearSpace(windowsFolder.c_str());
        state.PauseTiming();
        if (!fs::is_empty(folder)) state.SkipWithError("folder not emptied");
        state.ResumeTiming();
    }
    fs::remove_all(folder);
}

void BM_RmRf(benchmark::State& state) {
    const std::string folder = world().root + "/removed";
    for (auto _ : state) {
        state.PauseTiming();
        makeTree(folder);
        sync();
        state.ResumeTiming();
        if (RunTool({"rm", "-rf", folder}) != 0) state.SkipWithError("rm failed");
    }
}

const std::string& copySource() {
    static const std::string folder = [] {
        std::string f = world().root + "/copy-source";
        fs::create_directories(f);
        for (int i = 0; i < kCopyFiles; ++i)
            writeFile(f + "/part" + std::to_string(i) + ".bin", kCopyFileSize);
        return f;
    }();
    return folder;
}

// XCopy copies the files of one folder, so the data is one flat folder for both.
void BM_XCopy(benchmark::State& state) {
    const std::string source = copySource();
    const std::string target = world().root + "/copy-target";
    const std::string windowsSource = windows(source),
                      windowsTarget = windows(world().root) + "\\copy-target";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(target);
        fs::create_directory(target);
        sync();
        state.ResumeTiming();
        XCopy(windowsSource.c_str(), windowsTarget.c_str());
    }
    if (std::distance(fs::directory_iterator(target), fs::directory_iterator()) != kCopyFiles)
        state.SkipWithError("files not copied");
    fs::remove_all(target);
}

void BM_CpR(benchmark::State& state) {
    const std::string source = copySource();
    const std::string target = world().root + "/copy-target";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(target);
        sync();
        state.ResumeTiming();
        if (RunTool({"cp", "-r", source, target}) != 0) state.SkipWithError("cp failed");
    }
    fs::remove_all(target);
}

const std::string& wholeFile() {
    static const std::string path = [] {
        std::string p = world().root + "/whole.bin";
        writeFile(p, kWholeFileSize);
        return p;
    }();
    return path;
}

void BM_ReadBinFileWriteBinFile(benchmark::State& state) {
    const std::string source = windows(wholeFile());
    const std::string target = windows(world().root) + "\\whole-copy.bin";
    for (auto _ : state) {
        CByteArray bytes;
        ReadBinFile(source.c_str(), bytes);
        if (bytes.GetSize() != static_cast<int>(kWholeFileSize) ||
            !WriteBinFile(target.c_str(), bytes))
            state.SkipWithError("whole file not read or written");
    }
}

void BM_CpWholeFile(benchmark::State& state) {
    const std::string source = wholeFile();
    const std::string target = world().root + "/whole-copy.bin";
    for (auto _ : state)
        if (RunTool({"cp", source, target}) != 0) state.SkipWithError("cp failed");
}

} // namespace

BENCHMARK(BM_GetDirectoryFiles)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Find)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ClearSpace)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RmRf)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_XCopy)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CpR)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadBinFileWriteBinFile)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_CpWholeFile)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(world().root);
    return 0;
}
