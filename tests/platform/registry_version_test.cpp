// The Windows version record read from HKLM Software\Tessaly\Platform\Version.
#include <cstring>

#include "platform/version.h"
#include "support/prefix.h"
#include "support/registry.h"

using namespace tessaly::testing::reg;
using tessaly::testing::PrefixTest;

namespace {

class RegistryVersion : public PrefixTest {};

constexpr const char* kKey = "Software\\Tessaly\\Platform\\Version";

// Values absent from the record keep Windows 10's; the text is zero-padded to its field.
// Whole records, and refused ones, are read through the version codes of the foundation.
TEST_F(RegistryVersion, MissingValuesKeepWindows10s) {
    ASSERT_EQ(0, Put(HKEY_LOCAL_MACHINE, kKey, "PlatformId", REG_DWORD, Dword(0)));
    ASSERT_EQ(0, Put(HKEY_LOCAL_MACHINE, kKey, "MinorVersion", REG_DWORD, Dword(11)));
    ASSERT_EQ(0, Put(HKEY_LOCAL_MACHINE, kKey, "CSDVersion", REG_SZ, "Service Pack 6a"));
    OSVERSIONINFOA info;
    std::memset(&info, 0x5A, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ((std::vector<DWORD>{0, 10, 11, 19045}),
              (std::vector<DWORD>{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion,
                                  info.dwBuildNumber}));
    EXPECT_EQ("Service Pack 6a" + std::string(113, '\0'), std::string(info.szCSDVersion, 128));
    // The record's size must be one of the system's.
    info.dwOSVersionInfoSize = 100;
    EXPECT_FALSE(GetVersionExA(&info));
    EXPECT_FALSE(GetVersionExA(nullptr));
}

} // namespace
