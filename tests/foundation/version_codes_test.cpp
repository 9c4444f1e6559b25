// The three classifications of the Windows version record, over every system of the
// version table; each case writes its record into the registry.
#include <tessaly/foundation.h>

#include <vector>

#include "support/prefix.h"
#include "support/registry.h"
#include "windows_version.h"

using tessaly::testing::PrefixTest;

namespace {

class VersionCodes : public PrefixTest {};

// GetOSVersionEx, GetOSVersion's code and GET_WIN_VERSION's result and out values.
std::vector<long> Codes() {
    long code = 12345;
    const long read = GetOSVersion(code);
    int platform = 77, major = -9, minor = -9, servicePack = -9;
    const long result = GET_WIN_VERSION(&platform, &major, &minor, &servicePack);
    return {GetOSVersionEx(), read, code, result, platform, major, minor, servicePack};
}

TEST_F(VersionCodes, EverySystemOfTheTable) {
    struct System {
        DWORD platformId, major, minor;
        const char* csd;
        int ex;          // GetOSVersionEx
        long code;       // GetOSVersion's out value
        int winPlatform; // GET_WIN_VERSION platform
        int servicePack; // GET_WIN_VERSION service pack
    } systems[] = {
        {1, 4, 0, " B", 1, 0, 2, -1},    // Windows 95 OSR2
        {1, 4, 10, " A ", 4, 10, 3, -1}, // Windows 98 SE
        {1, 4, 90, "", 5, 20, 4, -1},    // Windows Me
        {1, 5, 0, "", 3, -1, 6, 0},
        {2, 4, 0, "Service Pack 6", 0, 30, 5, 6}, // NT 4
        {2, 5, 0, "Service Pack 4", 2, 40, 6, 4}, // Windows 2000
        {2, 5, 1, "", 6, 50, 6, 0},               // Windows XP
        {2, 5, 2, "Service Pack 12345", 3, 60, 6, 12},
        {2, 6, 0, "Service Pack", 3, -1, 6, -1},
        {2, 6, 2, "SP1", 3, -1, 6, 0},
        {0, 3, 11, "", 3, -1, 1, -1}, // Win32s
        {3, 4, 0, "", 3, -1, 77, -1}, // unknown platform: the caller's 77 stays
    };
    for (const System& s : systems) {
        SCOPED_TRACE(std::to_string(s.platformId) + " " + std::to_string(s.major) + "." +
                     std::to_string(s.minor) + " " + s.csd);
        tessaly::testing::PresentWindows(s.platformId, s.major, s.minor, 1234, s.csd, false);
        EXPECT_EQ(Codes(), (std::vector<long>{s.ex, 1, s.code, 0, s.winPlatform, long(s.major),
                                              long(s.minor), s.servicePack}));
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
