// The Windows version record read from HKLM Software\Tessaly\Platform\Version.
#include <cstring>
#include <tuple>

#include "platform/version.h"
#include "support/prefix.h"
#include "support/registry.h"

using namespace tessaly::testing::reg;
using tessaly::testing::PrefixTest;

namespace {

class RegistryVersion : public PrefixTest {};

constexpr const char* kKey = "Software\\Tessaly\\Platform\\Version";

// Values absent from the record keep Windows 10's; the text is zero-padded to its field.
TEST_F(RegistryVersion, RecordComesFromTheRegistry) {
    // Platform, major, minor and build written (x: not written), the service-pack text; the
    // record read (empty: refused).
    constexpr DWORD x = 0xDEADBEEF;
    const std::tuple<std::vector<DWORD>, const char*, std::vector<DWORD>> cases[] = {
        {{1, 4, 0, 950}, "", {1, 4, 0, 950}},
        {{0, 3, 11, x}, nullptr, {0, 3, 11, 19045}},
        {{x, x, x, x}, "Service Pack 6a", {2, 10, 0, 19045}},
        {{0xFFFFFFFF, 5, x, x}, nullptr, {}},
    };
    const char* names[] = {"PlatformId", "MajorVersion", "MinorVersion", "BuildNumber"};
    for (const auto& [written, csd, read] : cases) {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
        for (int i = 0; i < 4; ++i)
            if (written[i] != x)
                Put(HKEY_LOCAL_MACHINE, kKey, names[i], REG_DWORD, Dword(written[i]));
        if (csd) Put(HKEY_LOCAL_MACHINE, kKey, "CSDVersion", REG_SZ, csd);
        OSVERSIONINFOA info;
        std::memset(&info, 0x5A, sizeof info);
        info.dwOSVersionInfoSize = sizeof info;
        EXPECT_EQ(!read.empty(), GetVersionExA(&info)) << written[0];
        if (read.empty()) continue;
        EXPECT_EQ(read, (std::vector<DWORD>{info.dwPlatformId, info.dwMajorVersion,
                                            info.dwMinorVersion, info.dwBuildNumber}));
        const std::string text(csd ? csd : "");
        EXPECT_EQ(text + std::string(128 - text.size(), '\0'), std::string(info.szCSDVersion, 128));
    }
}

TEST_F(RegistryVersion, RecordSizeIsChecked) {
    OSVERSIONINFOA info{};
    EXPECT_FALSE(GetVersionExA(nullptr));
    info.dwOSVersionInfoSize = 100;
    EXPECT_FALSE(GetVersionExA(&info));
    // The extended record (156 bytes) carries the service pack number.
    unsigned char extended[156] = {};
    DWORD size = sizeof extended;
    std::memcpy(extended, &size, 4);
    ASSERT_EQ(0, Put(HKEY_LOCAL_MACHINE, kKey, "CSDVersion", REG_SZ, "Service Pack 3"));
    ASSERT_TRUE(GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(extended)));
    EXPECT_EQ(3, extended[148]);
}

} // namespace
