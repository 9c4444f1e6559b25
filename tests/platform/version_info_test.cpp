// Version resources of Windows images: the block, its translations and texts.
#include "platform/version_info.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "support/platform_version_probe.h"
#include "support/prefix.h"
#include "support/run.h"

using namespace tessaly::platform;

namespace {

bool runs(const std::vector<std::string>& arguments) {
    return tessaly::testing::RunProgram(arguments).status == 0;
}

class VersionInfoTest : public tessaly::testing::PrefixTest {
  protected:
    // A resource-only Windows DLL (pe32: in the 32-bit image format); empty without the
    // binutils for Windows.
    std::string BuildPe(bool pe32) {
        const std::string dir = prefix_.scratch();
        const std::string dll =
            tessaly::testing::BuildResourceDll(dir, "probe", tessaly::testing::kVersionProbeScript);
        if (dll.empty() || !pe32) return dll;
        const std::string dll32 = dir + "/probe32.dll";
        return runs({"x86_64-w64-mingw32-objcopy", "-O", "pei-i386", dll, dll32}) ? dll32 : "";
    }
};

} // namespace

TEST_F(VersionInfoTest, WindowsImagesOfBothWidths) {
    for (bool pe32 : {false, true}) {
        const std::string file = BuildPe(pe32);
        if (file.empty()) GTEST_SKIP() << "the binutils for Windows are not installed";
        SCOPED_TRACE(pe32 ? "32-bit" : "64-bit");
        DWORD handle = 99;
        const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
        EXPECT_EQ(handle, 0u);
        ASSERT_GT(size, 0u) << "error " << GetLastError();
        std::vector<unsigned char> block(size);
        ASSERT_TRUE(GetFileVersionInfoA(file.c_str(), 0, size, block.data()));
        void* value = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
        EXPECT_EQ(std::string(static_cast<const char*>(value), length),
                  std::string("\x09\x04\xE4\x04\x07\x04\xB0\x04", 8));
        const std::pair<const char*, const char*> cases[] = {
            {"\\StringFileInfo\\040904e4\\CompanyName", "Probe Makers"},
            {"\\StringFileInfo\\040904E4\\productname", "Probe"},
            {"\\StringFileInfo\\040704b0\\ProductName", "Pr\xFC"
                                                        "fling"},
            {"\\StringFileInfo\\040c04b0\\ProductName", nullptr}, // no such translation
        };
        for (auto [query, text] : cases) {
            const bool found = VerQueryValueA(block.data(), query, &value, &length);
            EXPECT_EQ(found ? std::string(static_cast<const char*>(value), length) : "<none>",
                      text ? text + std::string(1, '\0') : "<none>")
                << query;
        }
    }
}

TEST_F(VersionInfoTest, FilesWithoutVersionResource) {
    const std::string dir = prefix_.scratch();
    tessaly::testing::WriteFile(dir + "/empty.s", ".text\n.globl start\nstart: ret\n");
    if (runs({"x86_64-w64-mingw32-as", "-o", dir + "/empty.o", dir + "/empty.s"}) &&
        runs({"x86_64-w64-mingw32-ld", "--dll", "-e", "0", "-o", dir + "/empty.dll",
              dir + "/empty.o"})) {
        EXPECT_EQ(GetFileVersionInfoSizeA((dir + "/empty.dll").c_str(), nullptr), 0u);
        EXPECT_EQ(GetLastError(), 1813u);
    }
    // Truncated images: never read past the end.
    std::string good = BuildPe(false);
    if (!good.empty()) {
        std::string bytes = tessaly::testing::ReadFile(good);
        const size_t resource = bytes.find(std::string("V\0S\0_\0V\0E\0R\0", 12));
        ASSERT_NE(resource, std::string::npos);
        // Cut inside the headers, the section table, and the version resource itself.
        for (size_t cut : {size_t(64), resource + 40}) {
            tessaly::testing::WriteFile(dir + "/cut.dll", bytes.substr(0, cut));
            EXPECT_EQ(GetFileVersionInfoSizeA((dir + "/cut.dll").c_str(), nullptr), 0u) << cut;
        }
    }
    tessaly::testing::WriteFile(dir + "/text.txt", "just text");
    for (const char* name : {"/text.txt", "/missing.dll"})
        EXPECT_EQ(GetFileVersionInfoSizeA((dir + name).c_str(), nullptr), 0u) << name;
}

TEST(VersionBlock, DamagedBlocksAreRefused) {
    unsigned char block[128] = {};
    const char16_t key[] = u"VS_VERSION_INFO";
    std::memcpy(block + 6, key, sizeof key);
    void* value = nullptr;
    UINT length = 0;
    block[0] = 20; // the key runs past the node's end
    EXPECT_FALSE(VerQueryValueA(block, "\\", &value, &length));
    block[0] = 40; // a whole key, but no room for the fixed record it announces
    block[2] = 52;
    EXPECT_FALSE(VerQueryValueA(block, "\\", &value, &length));
    block[0] = 5; // shorter than a node header
    EXPECT_FALSE(VerQueryValueA(block, "\\StringFileInfo\\x\\y", &value, &length));
}
