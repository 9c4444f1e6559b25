// The mail client's built-in folders (a few of the sixteen) and the mail folders on disk.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <tessaly/automation.h>
#include <tessaly/foundation.h>
#include <tessaly/mail.h>

#include "platform/prefix.h"
#include "platform/registry.h"
#include "support/prefix.h"
#include "support/registry.h"

namespace {

class MailFolders : public tessaly::testing::DrivePrefixTest {
  protected:
    void TearDown() override { tessaly::automation::SetDialogHandler(nullptr); }
};

} // namespace

// Numbers outside 1 to 16 leave the string alone; identifiers compare exactly, case included.
TEST_F(MailFolders, BuiltinFoldersByNumberIdentifierAndName) {
    for (const auto& [number, exact, name] :
         {std::tuple{1, std::string("2414784B-66A0-4436-84B0-A270B53BAFD1"), "Quorrel Folder List"},
          {2, "478666B7-75EF-4af0-B276-786A5BCE03AC", "Inbox"},
          {16, "2DFD5CE5-07A9-4c1c-9543-9CE501A1C9A8", "All Mail"}}) {
        CString id;
        EXPECT_EQ(FolderID2EntryID(number, id), 1) << number;
        EXPECT_EQ(id.str(), exact) << number;
        EXPECT_EQ(IsReservedFolderID(exact.c_str()), 1) << exact;
        EXPECT_STREQ(GetSysEmailFolder(exact.c_str()), name) << exact;
        for (const std::string& other : {CString(exact.c_str()).MakeLower().str(),
                                         "{" + exact + "}", exact + " ", exact.substr(0, 35)}) {
            EXPECT_EQ(IsReservedFolderID(other.c_str()), 0) << other;
            EXPECT_STREQ(GetSysEmailFolder(other.c_str()), "") << other;
        }
    }
    for (int number : {0, 17, INT32_MIN}) {
        CString id("kept as it was");
        EXPECT_EQ(FolderID2EntryID(number, id), 0) << number;
        EXPECT_STREQ(id, "kept as it was") << number;
    }
}

// The mail folder is under the per-user data folder (without it, message 52, buffer untouched);
// the default one under the installation folder.
TEST_F(MailFolders, MailFoldersAreUnderTheUserDataAndInstallationFolders) {
    char appFolder[MAX_PATH] = {}, buffer[MAX_PATH] = {};
    ASSERT_EQ(GetTessalyAppFolder(appFolder), 1);
    EXPECT_EQ(GetEmailFolder(buffer), 1);
    EXPECT_EQ(std::string(buffer), std::string(appFolder) + "\\Mail");

    char appData[MAX_PATH] = {};
    ASSERT_EQ(GetAppDataFolder(appData), 1);
    std::filesystem::remove_all(tessaly::platform::ToPosixPath(appData));
    std::string shown;
    tessaly::automation::SetDialogHandler([&](tessaly::automation::Dialog& d) {
        shown += d.GetText(1501);
        d.PressEscape();
    });
    std::strcpy(buffer, "unchanged");
    EXPECT_EQ(GetEmailFolder(buffer), 0);
    EXPECT_EQ(shown, "Failed to get application data folder.");
    EXPECT_STREQ(buffer, "unchanged");
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Program Files\\Tessaly", "C:\\Program Files\\Tessaly\\Mail"}, {"D:\\", "D:\\Mail"}};
    for (const auto& [installDir, expected] : cases) {
        tessaly::testing::PutRegText(HKEY_LOCAL_MACHINE,
                                     "Software\\Varnholt\\Tessaly2001\\INSTALLDIR", "", installDir);
        char buffer[MAX_PATH];
        GetDefaultEmailFolder(buffer);
        EXPECT_STREQ(buffer, expected) << installDir;
    }
}
