// The three classifications of the Windows version record, over every system of the
// version table; each case writes its record into the registry.
#include <tessaly/foundation.h>

#include <cstring>

#include "platform/registry.h"
#include "support/prefix.h"
#include "support/registry.h"
#include "windows_version.h"

namespace reg = tessaly::platform;
using tessaly::testing::PrefixTest;

namespace {

class VersionCodes : public PrefixTest {};

struct System {
    const char* name;
    DWORD platformId, major, minor;
    const char* csd;
    int ex;          // GetOSVersionEx
    long code;       // GetOSVersion's out value
    int winPlatform; // GET_WIN_VERSION platform
    int servicePack; // GET_WIN_VERSION service pack
};

const System kSystems[] = {
    {"Windows 95", 1, 4, 0, "", 1, 0, 2, -1},
    {"Windows 95 OSR2", 1, 4, 0, " B", 1, 0, 2, -1},
    {"Windows 98", 1, 4, 10, "", 4, 10, 3, -1},
    {"Windows 98 SE", 1, 4, 10, " A ", 4, 10, 3, -1},
    {"Windows Me", 1, 4, 90, "", 5, 20, 4, -1},
    {"other 9x, minor 3", 1, 4, 3, "", 3, -1, 3, -1},
    {"other 9x, minor 95", 1, 4, 95, "", 3, -1, 4, -1},
    {"other 9x, major 3", 1, 3, 0, "", 3, -1, 2, -1},
    {"9x with major 5", 1, 5, 0, "", 3, -1, 6, 0},
    {"NT 3.51", 2, 3, 51, "", 0, 30, 5, 0},
    {"NT 4 SP6", 2, 4, 0, "Service Pack 6", 0, 30, 5, 6},
    {"Windows 2000 SP4", 2, 5, 0, "Service Pack 4", 2, 40, 6, 4},
    {"Windows XP", 2, 5, 1, "", 6, 50, 6, 0},
    {"Windows XP SP2", 2, 5, 1, "Service Pack 2", 6, 50, 6, 2},
    {"5.2 SP12345", 2, 5, 2, "Service Pack 12345", 3, 60, 6, 12},
    {"5.3", 2, 5, 3, "", 3, -1, 6, 0},
    {"Vista, bare Service Pack", 2, 6, 0, "Service Pack", 3, -1, 6, -1},
    {"Windows 7 SP1", 2, 6, 1, "Service Pack 1", 3, -1, 6, 1},
    {"short text", 2, 6, 2, "SP1", 3, -1, 6, 0},
    {"Win32s", 0, 3, 11, "", 3, -1, 1, -1},
    {"Win32s with major 5", 0, 5, 0, "", 3, -1, 6, 0},
    {"unknown platform", 3, 4, 0, "", 3, -1, 77, -1}, // the caller's 77 stays
};

constexpr const char* kVersionKey = "Software\\Tessaly\\Platform\\Version";

TEST_F(VersionCodes, EverySystemOfTheTable) {
    for (const System& s : kSystems) {
        SCOPED_TRACE(s.name);
        tessaly::testing::PresentWindows(s.platformId, s.major, s.minor, 1234, s.csd, false);
        EXPECT_EQ(s.ex, GetOSVersionEx());
        long code = 12345;
        EXPECT_EQ(1, GetOSVersion(code));
        EXPECT_EQ(s.code, code);
        int platform = 77, major = -9, minor = -9, servicePack = -9;
        EXPECT_EQ(0, GET_WIN_VERSION(&platform, &major, &minor, &servicePack));
        EXPECT_EQ(s.winPlatform, platform);
        EXPECT_EQ(int(s.major), major);
        EXPECT_EQ(int(s.minor), minor);
        EXPECT_EQ(s.servicePack, servicePack);
    }
}

TEST_F(VersionCodes, WithoutARecordTheSystemIsAnNtAboveFive) {
    EXPECT_EQ(3, GetOSVersionEx());
    long code = 0;
    EXPECT_EQ(1, GetOSVersion(code));
    EXPECT_EQ(-1, code);
    int platform = 0, major = 0, minor = 0, servicePack = 0;
    EXPECT_EQ(0, GET_WIN_VERSION(&platform, &major, &minor, &servicePack));
    EXPECT_EQ((std::vector<int>{6, 10, 0, 0}),
              (std::vector<int>{platform, major, minor, servicePack}));
    // Out pointers may be left out.
    EXPECT_EQ(0, GET_WIN_VERSION(nullptr, nullptr, nullptr, nullptr));
}

TEST_F(VersionCodes, UnreadableVersion) {
    tessaly::testing::PutRegDword(HKEY_LOCAL_MACHINE, kVersionKey, "PlatformId", 0xFFFFFFFF);
    EXPECT_EQ(-1, GetOSVersionEx());
    long code = 50;
    EXPECT_EQ(0, GetOSVersion(code));
    EXPECT_EQ(-1, code);
    int platform = 1, major = 2, minor = 3, servicePack = 4;
    EXPECT_EQ(606, GET_WIN_VERSION(&platform, &major, &minor, &servicePack));
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4}),
              (std::vector<int>{platform, major, minor, servicePack}));
}

} // namespace
