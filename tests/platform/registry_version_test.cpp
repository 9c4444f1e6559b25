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

OSVERSIONINFOA Query(BOOL& ok) {
    OSVERSIONINFOA info;
    std::memset(&info, 0x5A, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    ok = GetVersionExA(&info);
    return info;
}

TEST_F(RegistryVersion, DefaultIsWindows10) {
    BOOL ok = FALSE;
    OSVERSIONINFOA info = Query(ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(2u, info.dwPlatformId);
    EXPECT_EQ(10u, info.dwMajorVersion);
    EXPECT_EQ(0u, info.dwMinorVersion);
    EXPECT_EQ(19045u, info.dwBuildNumber);
    // The text is empty and the rest of its field zero.
    EXPECT_EQ(std::string(128, '\0'), std::string(info.szCSDVersion, 128));
}

TEST_F(RegistryVersion, RecordComesFromTheRegistry) {
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, DWORD>> numbers;
        const char* csd; // null: no CSDVersion value
        BOOL ok;
        DWORD platform, major, minor, build;
        const char* expectedCsd;
    } cases[] = {
        {"Windows 95",
         {{"PlatformId", 1}, {"MajorVersion", 4}, {"MinorVersion", 0}, {"BuildNumber", 950}},
         "",
         TRUE,
         1,
         4,
         0,
         950,
         ""},
        {"Windows XP SP2",
         {{"PlatformId", 2}, {"MajorVersion", 5}, {"MinorVersion", 1}, {"BuildNumber", 2600}},
         "Service Pack 2",
         TRUE,
         2,
         5,
         1,
         2600,
         "Service Pack 2"},
        {"Win32s",
         {{"PlatformId", 0}, {"MajorVersion", 3}, {"MinorVersion", 11}},
         nullptr,
         TRUE,
         0,
         3,
         11,
         19045,
         ""},
        {"only a service pack", {}, "Service Pack 6a", TRUE, 2, 10, 0, 19045, "Service Pack 6a"},
        {"query fails",
         {{"PlatformId", 0xFFFFFFFF}, {"MajorVersion", 5}},
         nullptr,
         FALSE,
         0,
         0,
         0,
         0,
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
        HKEY k;
        ASSERT_EQ(0, RegCreateKeyA(HKEY_LOCAL_MACHINE, kKey, &k));
        for (const auto& [name, number] : c.numbers)
            ASSERT_EQ(0, RegSetValueExA(k, name, 0, REG_DWORD,
                                        reinterpret_cast<const BYTE*>(&number), 4));
        if (c.csd) {
            ASSERT_EQ(0, RegSetValueExA(k, "CSDVersion", 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(c.csd),
                                        DWORD(std::strlen(c.csd))));
        }
        RegCloseKey(k);
        BOOL ok = -1;
        OSVERSIONINFOA info = Query(ok);
        EXPECT_EQ(c.ok, ok);
        if (!c.ok) continue;
        EXPECT_EQ(c.platform, info.dwPlatformId);
        EXPECT_EQ(c.major, info.dwMajorVersion);
        EXPECT_EQ(c.minor, info.dwMinorVersion);
        EXPECT_EQ(c.build, info.dwBuildNumber);
        std::string csd(c.expectedCsd);
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
