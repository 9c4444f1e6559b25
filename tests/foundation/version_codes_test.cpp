// The three classifications of the Windows version record, over every system of the table.
#include <tessaly/foundation.h>

#include <vector>

#include "support/prefix.h"
#include "windows_version.h"

namespace {

using VersionCodes = tessaly::testing::PrefixTest;

// GetOSVersionEx, GetOSVersion's code and GET_WIN_VERSION's result and out values.
std::vector<long> Codes() {
    long code = 12345;
    const long read = GetOSVersion(code);
    int platform = 77, major = -9, minor = -9, servicePack = -9;
    const long result = GET_WIN_VERSION(&platform, &major, &minor, &servicePack);
    return {GetOSVersionEx(), read, code, result, platform, major, minor, servicePack};
}

TEST_F(VersionCodes, EverySystemOfTheTable) {
    // The record, GetOSVersionEx, GetOSVersion's value, GET_WIN_VERSION's platform and pack.
    const std::tuple<DWORD, DWORD, DWORD, const char*, long, long, long, long> systems[] = {
        {1, 4, 0, " B", 1, 0, 2, -1},             // Windows 95 OSR2
        {1, 4, 10, " A ", 4, 10, 3, -1},          // Windows 98 SE
        {1, 4, 90, "", 5, 20, 4, -1},             // Windows Me
        {2, 4, 0, "Service Pack 6", 0, 30, 5, 6}, // NT 4
        {2, 5, 0, "Service Pack 4", 2, 40, 6, 4}, // Windows 2000
        {2, 5, 1, "", 6, 50, 6, 0},               // Windows XP
        {2, 5, 2, "Service Pack 12345", 3, 60, 6, 12},
        {2, 6, 0, "Service Pack", 3, -1, 6, -1},
        {0, 3, 11, "", 3, -1, 1, -1}, // Win32s
        {3, 4, 0, "", 3, -1, 77, -1}, // unknown platform: the caller's 77 stays
    };
    for (const auto& [platformId, major, minor, csd, ex, code, winPlatform, pack] : systems) {
        SCOPED_TRACE(testing::Message() << platformId << " " << major << "." << minor);
        tessaly::testing::PresentWindows(platformId, major, minor, 1234, csd, false);
        EXPECT_EQ(Codes(),
                  (std::vector<long>{ex, 1, code, 0, winPlatform, long(major), long(minor), pack}));
    }
    // Without a record the system is an NT above 5; an unreadable one leaves the out values.
    tessaly::platform::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Tessaly\\Platform\\Version");
    EXPECT_EQ(Codes(), (std::vector<long>{3, 1, -1, 0, 6, 10, 0, 0}));
    EXPECT_EQ(0, GET_WIN_VERSION(nullptr, nullptr, nullptr, nullptr));
    tessaly::testing::PutRegDword(HKEY_LOCAL_MACHINE, "Software\\Tessaly\\Platform\\Version",
                                  "PlatformId", 0xFFFFFFFF);
    EXPECT_EQ(Codes(), (std::vector<long>{-1, 0, -1, 606, 77, -9, -9, -9}));
}

} // namespace
