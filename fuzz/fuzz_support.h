#pragma once
// Shared pieces of the fuzz harnesses: the set-up every harness starts with, a failing check
// that stops the run, input splitting, and throw-away prefixes. Each harness is one source
// file including this header once: it defines the sanitizer and libFuzzer entry points.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/registry.h"

// A property the harness checks: a failure aborts so that both libFuzzer and the replay
// driver report the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace tessaly::fuzz {

// The input cut at each separator byte (the pieces never hold it).
inline std::vector<std::string> splitInput(const std::uint8_t* data, size_t size, char separator) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < size; ++i) {
        if (static_cast<char>(data[i]) == separator)
            parts.emplace_back();
        else
            parts.back() += static_cast<char>(data[i]);
    }
    return parts;
}

// A private prefix for the whole run (TESSALY_PREFIX), removed when the process exits
// normally. Returns its folder.
inline const std::string& usePrivatePrefix() {
    static const std::string root = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tessaly-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        setenv("TESSALY_PREFIX", pattern.c_str(), 1);
        return pattern;
    }();
    static const bool cleanup = [] {
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(root, ignored);
        });
        return true;
    }();
    (void)cleanup;
    return root;
}

// A second private prefix whose machine hive names 936 (the double-byte rules) as the ANSI
// code page; returns its folder. TESSALY_PREFIX is left pointing at it.
inline std::string makeDoubleBytePrefix() {
    const std::string root = usePrivatePrefix() + "/cp936";
    setenv("TESSALY_PREFIX", root.c_str(), 1);
    HKEY key = nullptr;
    if (tessaly::platform::RegCreateKeyA(
            HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Nls\\CodePage", &key) != 0)
        std::abort();
    tessaly::platform::RegSetValueExA(key, "ACP", 0, REG_SZ, reinterpret_cast<const BYTE*>("936"),
                                      4);
    tessaly::platform::RegCloseKey(key);
    if (tessaly::platform::GetACP() != 936) std::abort();
    return root;
}

// What a harness needs beyond its private prefix (a Qt application, a second prefix), when
// it defines it.
__attribute__((weak)) void setUp();

} // namespace tessaly::fuzz

// Leaks inside the font configuration library, reached through Qt by the harnesses that link
// the library, are not the library's.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

// Every run gets a private prefix (TESSALY_PREFIX), so nothing reaches the user's, before the
// harness's own set-up.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    tessaly::fuzz::usePrivatePrefix();
    if (tessaly::fuzz::setUp) tessaly::fuzz::setUp();
    return 0;
}
