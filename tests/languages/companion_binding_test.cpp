// The library's binding to the companion module: failure values when the module is missing.
#include <tessaly/foundation.h>

#include <filesystem>
#include <string>

#include "frame_support.h"
#include "support/prefix.h"

namespace fs = std::filesystem;
using namespace frame_test;
using tessaly::testing::PrefixTest;

class CompanionBinding : public PrefixTest {};

TEST_F(CompanionBinding, WithoutTheModuleTheReadersGetNothing) {
    // "Current" is set, but a library copy without the companion module reads nothing, and runs.
    SetText(HKEY_LOCAL_MACHINE, kLanguageKey, "Current", "1036");
    const std::string folder = prefix_.scratch() + "/alone";
    fs::create_directories(folder);
    for (const char* name : {"libTessaly.so.0", "libTessalyPlatform.so.0"})
        fs::copy_file(fs::canonical(kLibFolder + "/" + name), folder + "/" + name);
    const std::string environment = "env -u TESSALY_MODULE_PATH LD_LIBRARY_PATH='" + folder + "'";
    const ToolResult alone = RunTessaly("lang current", environment);
    EXPECT_EQ(alone.status, 0);
    EXPECT_EQ(alone.out, "0\tUnknown language\n");
}
