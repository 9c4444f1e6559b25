// Special folders, the Windows, system and temporary folders, and the user name.
#include <filesystem>
#include <string>

#include "platform/errors.h"
#include "platform/prefix.h"
#include "platform/shell.h"
#include "support/prefix.h"

namespace fs = std::filesystem;
using namespace tessaly::platform;
using tessaly::testing::PrefixTest;

namespace {

class Shell : public PrefixTest {
  protected:
    void SetUp() override {
        EnsurePrefix();
        user = PrefixUserName();
    }
    std::string user;
};

TEST_F(Shell, SpecialFoldersAreMadeOnlyWhenAsked) {
    char path[MAX_PATH] = "junk";
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, path, CSIDL_PERSONAL, FALSE));
    EXPECT_EQ(std::string(path), "C:\\users\\" + user + "\\My Documents");
    std::string appData = prefix_.root() + "/drive_c/users/" + user + "/Application Data";
    fs::remove_all(appData);
    EXPECT_FALSE(SHGetSpecialFolderPathA(nullptr, path, CSIDL_APPDATA, FALSE));
    EXPECT_STREQ(path, "");
    EXPECT_FALSE(fs::exists(appData));
    EXPECT_TRUE(SHGetSpecialFolderPathA(nullptr, path, CSIDL_APPDATA, TRUE));
    EXPECT_EQ(std::string(path), "C:\\users\\" + user + "\\Application Data");
    EXPECT_TRUE(fs::is_directory(appData));
    EXPECT_FALSE(SHGetSpecialFolderPathA(nullptr, path, 0x7F, TRUE)); // not a folder we keep
}

TEST_F(Shell, FoldersAndTheUserName) {
    char buffer[MAX_PATH];
    EXPECT_EQ(std::string(buffer, GetWindowsDirectoryA(buffer, MAX_PATH)), "C:\\windows");
    EXPECT_EQ(std::string(buffer, GetSystemDirectoryA(buffer, MAX_PATH)), "C:\\windows\\system32");
    fs::remove_all(prefix_.root() + "/drive_c/users/" + user + "/Temp");
    EXPECT_EQ(std::string(buffer, GetTempPathA(MAX_PATH, buffer)),
              "C:\\users\\" + user + "\\Temp\\");
    EXPECT_TRUE(fs::is_directory(ToPosixPath(buffer))); // made again on demand
    DWORD size = 1;
    char name[256];
    EXPECT_FALSE(GetUserNameA(name, &size));
    EXPECT_EQ(GetLastError(), 122u);
    EXPECT_EQ(size, user.size() + 1);
    size = sizeof name;
    ASSERT_TRUE(GetUserNameA(name, &size));
    EXPECT_EQ(std::string(name), user);
    EXPECT_EQ(size, user.size() + 1);
}

} // namespace
