// The registry file reader behind RegImportText, on a store emptied before each input: a
// text it refuses changes nothing and says which line, and a text it takes is written out
// by the exporter in a form that imports back to the same keys and values.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/prefix.h"
#include "platform/registry.h"

namespace p = tessaly::platform;

namespace {

const HKEY kRoots[] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};

// Every subkey and value of a root, removed; true when there was anything.
bool emptyRoot(HKEY root) {
    bool had = false;
    char name[1024];
    for (;;) {
        DWORD size = sizeof name;
        if (p::RegEnumKeyExA(root, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != 0) break;
        had = true;
        FUZZ_CHECK(p::RegDeleteTreeA(root, name) == 0);
    }
    std::string value(16384 + 1, '\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(value.size());
        if (p::RegEnumValueA(root, 0, value.data(), &size, nullptr, nullptr, nullptr, nullptr) != 0)
            break;
        had = true;
        FUZZ_CHECK(p::RegDeleteValueA(root, value.c_str()) == 0);
    }
    return had;
}

// One file per root, as the exporter writes a key and everything below it.
std::vector<std::string> exportAll() {
    std::vector<std::string> texts;
    for (const char* root : {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"}) {
        FUZZ_CHECK(p::RegExportText(root, texts.emplace_back()) == 0);
    }
    return texts;
}

} // namespace

void tessaly::fuzz::setUp() {
    p::EnsurePrefix();
    for (HKEY root : kRoots)
        emptyRoot(root);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string message;
    const LONG rc = p::RegImportText(text, message);
    if (rc != 0) {
        // All or nothing: the store is still empty. A text that is no registry file names
        // the line at fault.
        FUZZ_CHECK(!message.empty());
        if (rc == 13) FUZZ_CHECK(message.rfind("line ", 0) == 0);
        for (HKEY root : kRoots)
            FUZZ_CHECK(!emptyRoot(root));
        return 0;
    }

    // What was imported, exported, imported into an empty store and exported again.
    const std::vector<std::string> exported = exportAll();
    for (HKEY root : kRoots)
        emptyRoot(root);
    for (const std::string& file : exported) {
        std::string problem;
        if (p::RegImportText(file, problem) != 0) {
            std::fprintf(stderr, "the exported text does not import: %s\n", problem.c_str());
            FUZZ_CHECK(false);
        }
    }
    FUZZ_CHECK(exportAll() == exported);
    for (HKEY root : kRoots)
        emptyRoot(root);
    return 0;
}
