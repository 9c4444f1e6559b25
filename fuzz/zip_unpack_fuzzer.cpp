// Unpacking zip archives. Input: the archive's bytes. Whatever the archive holds, unpacking
// writes nothing outside the destination, leaves no part file behind, and reports an error
// code of the engine's list.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "fuzz_support.h"
#include "platform/prefix.h"
#include "zip_engine.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    static const std::string root = tessaly::fuzz::usePrivatePrefix() + "/work";
    static const std::string archive = root + "/in.zip", dest = root + "/dest/inner";
    std::error_code ignored;
    fs::remove_all(root, ignored);
    fs::create_directories(dest);
    if (std::FILE* f = std::fopen(archive.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    // A link planted beside the destination's contents that leads out of it.
    fs::create_directory_symlink(root, dest + "/up", ignored);

    zipengine::UnzipOptions options;
    options.archive = tessaly::platform::ToWindowsPath(archive);
    options.destination = tessaly::platform::ToWindowsPath(dest);
    options.password = "pw";
    options.sizeLimit = 64 << 20;
    const zipengine::Result result = zipengine::Unzip(options);
    static const std::set<int> codes = {0, 1, 4, 6, 7, 8, 49};
    FUZZ_CHECK(codes.count(result.code) == 1);
    FUZZ_CHECK(result.code == 0 || !result.reason.empty());

    // Outside the destination there is only the archive and the destination's folder.
    for (const auto& entry : fs::directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        FUZZ_CHECK(name == "in.zip" || name == "dest");
    }
    for (const auto& entry : fs::directory_iterator(root + "/dest"))
        FUZZ_CHECK(entry.path().filename() == "inner");
    for (auto it = fs::recursive_directory_iterator(dest, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        const std::string name = it->path().filename().string();
        FUZZ_CHECK(name.size() < 5 || name.substr(name.size() - 5) != ".part");
        if (it->is_symlink()) it.disable_recursion_pending();
    }
    return 0;
}
