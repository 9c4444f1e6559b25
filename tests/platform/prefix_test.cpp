// Path translation between the Windows side and the prefix's folders.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/prefix.h"
#include "support/prefix.h"

namespace fs = std::filesystem;
using namespace tessaly::platform;
using tessaly::testing::PrefixTest;
using tessaly::testing::WriteFile;

namespace {

class PrefixPaths : public PrefixTest {
  protected:
    void SetUp() override {
        EnsurePrefix();
        driveC = root() + "/drive_c";
    }
    std::string root() const { return prefix_.root(); }
    std::string driveC;
};

TEST_F(PrefixPaths, EnsurePrefixLaysOutDrivesFoldersAndProfile) {
    EXPECT_EQ(PrefixRoot(), root());
    EXPECT_EQ(fs::read_symlink(root() + "/dosdevices/c:"), "../drive_c");
    EXPECT_EQ(fs::read_symlink(root() + "/dosdevices/z:"), "/");
    std::string user = driveC + "/users/" + PrefixUserName();
    for (const char* folder : {"Application Data", "My Documents", "Temp"})
        EXPECT_TRUE(fs::is_directory(user + "/" + folder)) << folder;
    EXPECT_TRUE(fs::is_directory(driveC + "/windows/system32"));
    EXPECT_TRUE(fs::exists(driveC + "/windows/win.ini"));
}

TEST_F(PrefixPaths, DriveFoldersFollowTheDeviceLinks) {
    EXPECT_EQ(DriveFolder('c'), driveC);
    EXPECT_EQ(DriveFolder('C'), driveC);
    EXPECT_EQ(DriveFolder('z'), "/");
    EXPECT_EQ(DriveFolder('q'), "");
    EXPECT_EQ(DriveFolder('1'), "");
    fs::create_directory_symlink(prefix_.scratch(), root() + "/dosdevices/d:");
    EXPECT_EQ(DriveFolder('d'), prefix_.scratch());
}

TEST_F(PrefixPaths, WindowsPathsTranslate) {
    WriteFile(driveC + "/Docs/Report.TXT", "x");
    fs::create_directories(driveC + "/Docs/Sub Folder");
    struct Case {
        const char* windows;
        std::string posix;
    } cases[] = {
        {"C:\\", driveC},
        {"c:\\Docs\\Report.TXT", driveC + "/Docs/Report.TXT"},
        {"C:/Docs/Report.TXT", driveC + "/Docs/Report.TXT"},
        {"C:\\\\Docs\\\\\\Report.TXT", driveC + "/Docs/Report.TXT"},
        // Names are found without regard to case and come back as they are on disk.
        {"C:\\DOCS\\report.txt", driveC + "/Docs/Report.TXT"},
        {"C:\\docs\\SUB FOLDER", driveC + "/Docs/Sub Folder"},
        // What does not exist keeps the case given, below the last existing folder.
        {"C:\\docs\\New\\Deeper.Txt", driveC + "/Docs/New/Deeper.Txt"},
        {"C:\\Docs\\.\\Sub Folder\\..\\Report.TXT", driveC + "/Docs/Report.TXT"},
        {"C:\\..\\..\\Docs", driveC + "/Docs"}, // ".." stops at the drive's root
        {"C:\\Docs\\Report.TXT. ", driveC + "/Docs/Report.TXT"},
        {"C:\\Docs\\", driveC + "/Docs/"},
        {"Z:\\", "/"},
        {"Z:\\usr\\bin", "/usr/bin"},
        {"z:\\USR\\BIN", "/usr/bin"},
        {"\\\\?\\C:\\Docs", driveC + "/Docs"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToPosixPath(c.windows), c.posix) << c.windows;
}

TEST_F(PrefixPaths, UntranslatablePathsFailWithTheirErrors) {
    struct Case {
        const char* windows;
        DWORD error;
    } cases[] = {
        {"\\\\server\\share\\file.txt", 53},
        {"//server/share", 53},
        {"Q:\\nothing", 3},
        {"", 3},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(ToPosixPath(c.windows), "") << c.windows;
        EXPECT_EQ(GetLastError(), c.error) << c.windows;
    }
}

TEST_F(PrefixPaths, RelativePathsUseTheCurrentFolder) {
    fs::create_directories(driveC + "/Work/Inner");
    WriteFile(driveC + "/Other/x.txt", "x");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\work\\inner"));
    char buffer[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(sizeof buffer, buffer), 0u);
    EXPECT_STREQ(buffer, "C:\\Work\\Inner");
    EXPECT_EQ(ToPosixPath("a.txt"), driveC + "/Work/Inner/a.txt");
    EXPECT_EQ(ToPosixPath("..\\..\\other\\X.TXT"), driveC + "/Other/x.txt");
    EXPECT_EQ(ToPosixPath("\\Other"), driveC + "/Other"); // the current drive's root
    EXPECT_EQ(ToPosixPath("C:a.txt"), driveC + "/Work/Inner/a.txt");
    EXPECT_EQ(ToPosixPath("Z:etc"), "/etc"); // another drive: from its root
}

TEST_F(PrefixPaths, PosixPathsTranslateBack) {
    fs::create_directories(driveC + "/Docs");
    fs::create_directory_symlink(driveC + "/Docs", prefix_.scratch() + "/docs-link");
    struct Case {
        std::string posix;
        const char* windows;
    } cases[] = {
        {driveC, "C:\\"},
        {driveC + "/Docs/a.txt", "C:\\Docs\\a.txt"},
        {driveC + "/Docs/../Docs/./b.txt", "C:\\Docs\\b.txt"},
        {"/", "Z:\\"},
        {"/usr/share/", "Z:\\usr\\share"},
        {root() + "/drive_cX", nullptr}, // only a sibling, not under drive_c
        // A link into the drive is seen as the drive's own folder.
        {prefix_.scratch() + "/docs-link/c.txt", "C:\\Docs\\c.txt"},
    };
    for (const Case& c : cases) {
        std::string expected = c.windows ? c.windows : "Z:" + fs::path(c.posix).string();
        if (!c.windows)
            for (char& ch : expected)
                if (ch == '/') ch = '\\';
        EXPECT_EQ(ToWindowsPath(c.posix), expected) << c.posix;
    }
}

TEST_F(PrefixPaths, ExtraDrivesMapBothWays) {
    fs::create_directories(prefix_.scratch() + "/Data");
    fs::create_directory_symlink(prefix_.scratch(), root() + "/dosdevices/d:");
    EXPECT_EQ(ToPosixPath("D:\\data\\f.bin"), prefix_.scratch() + "/Data/f.bin");
    EXPECT_EQ(ToWindowsPath(prefix_.scratch() + "/Data/f.bin"), "D:\\Data\\f.bin");
    EXPECT_EQ(GetLogicalDrives(), (1u << 2) | (1u << 3) | (1u << 25));
}

TEST_F(PrefixPaths, NonAsciiNamesCrossInTheCodePage) {
    // On disk the name is UTF-8; on the Windows side it is Windows-1252.
    WriteFile(driveC + "/Caf\xc3\xa9.txt", "x");
    EXPECT_EQ(ToPosixPath("C:\\caf\xc9.TXT"), driveC + "/Caf\xc3\xa9.txt");
    EXPECT_EQ(ToWindowsPath(driveC + "/Caf\xc3\xa9.txt"), "C:\\Caf\xe9.txt");
}

} // namespace
