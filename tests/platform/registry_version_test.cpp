// The Windows version record read from HKLM Software\Tessaly\Platform\Version.
#include <cstring>

#include "platform/version.h"
#include "registry_support.h"
#include "support/prefix.h"

using namespace tessaly::testing::reg;
using tessaly::testing::PrefixTest;

namespace {

class RegistryVersion : public PrefixTest {};

constexpr const char* kKey = "Software\\Tessaly\\Platform\\Version";

// Values absent from the record keep Windows 10's; the text is zero-padded to its field.
TEST_F(RegistryVersion, RecordComesFromTheRegistry) {
    struct Case {
        std::vector<std::pair<const char*, DWORD>> numbers;
        const char* csd; // null: no CSDVersion value
        BOOL ok;
        DWORD platform, major, minor, build;
    } cases[] = {
        {{}, nullptr, TRUE, 2, 10, 0, 19045},
        {{{"PlatformId", 1}, {"MajorVersion", 4}, {"MinorVersion", 0}, {"BuildNumber", 950}},
         "",
         TRUE,
         1,
         4,
         0,
         950},
        {{{"PlatformId", 0}, {"MajorVersion", 3}, {"MinorVersion", 11}},
         nullptr,
         TRUE,
         0,
         3,
         11,
         19045},
        {{}, "Service Pack 6a", TRUE, 2, 10, 0, 19045},
        {{{"PlatformId", 0xFFFFFFFF}, {"MajorVersion", 5}}, nullptr, FALSE, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.numbers.size());
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
        for (const auto& [name, number] : c.numbers)
            ASSERT_EQ(0, Put(HKEY_LOCAL_MACHINE, kKey, name, REG_DWORD, Dword(number)));
        if (c.csd) {
            ASSERT_EQ(0, Put(HKEY_LOCAL_MACHINE, kKey, "CSDVersion", REG_SZ, c.csd));
        }
        OSVERSIONINFOA info;
        std::memset(&info, 0x5A, sizeof info);
        info.dwOSVersionInfoSize = sizeof info;
        EXPECT_EQ(c.ok, GetVersionExA(&info));
        if (!c.ok) continue;
        EXPECT_EQ((std::vector<DWORD>{c.platform, c.major, c.minor, c.build}),
                  (std::vector<DWORD>{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion,
                                      info.dwBuildNumber}));
        std::string csd(c.csd ? c.csd : "");
        EXPECT_EQ(csd + std::string(128 - csd.size(), '\0'), std::string(info.szCSDVersion, 128));
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
