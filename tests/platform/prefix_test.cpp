// The prefix: its creation and modes, prefixes that cannot be used, and path translation
// between the Windows side and the prefix's folders.
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/prefix.h"
#include "platform/registry.h"
#include "support/environment.h"
#include "support/prefix.h"
#include "support/run.h"

namespace fs = std::filesystem;
using namespace tessaly::platform;
using tessaly::testing::PrefixTest;
using tessaly::testing::ScopedEnv;
using tessaly::testing::WriteFile;

namespace {

constexpr uid_t kNobody = 65534;

mode_t ModeOf(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Runs work as an unprivileged user when this is root (for whom modes stop nothing), in a
// child; gives its exit status.
int AsNobody(const std::function<int()>& work) {
    if (getuid() != 0) return work();
    pid_t pid = fork();
    if (pid == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(99);
        _exit(work());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class Prefix : public PrefixTest {};

TEST_F(Prefix, ANewPrefixIsTheUsersAloneUnlessMadeShared) {
    struct Case {
        mode_t made; // the root's mode when made before first use, 0 when not made
        mode_t root;
        mode_t hive;
    } cases[] = {{0, 0700, 0600}, {02770, 02770, 0660}, {0755, 0755, 0644}};
    int row = 0;
    for (const auto& c : cases) {
        std::string root = prefix_.scratch() + "/p" + std::to_string(++row);
        SCOPED_TRACE(root);
        if (c.made) {
            ASSERT_EQ(0, mkdir(root.c_str(), 0700));
            ASSERT_EQ(0, chmod(root.c_str(), c.made));
        }
        ScopedEnv env("TESSALY_PREFIX", root);
        HKEY k;
        ASSERT_EQ(0, RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Private", &k));
        ASSERT_EQ(0, RegSetValueExA(k, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 1));
        RegCloseKey(k);
        EXPECT_EQ(c.root, ModeOf(root));
        for (const char* file : {"/user.reg.db", "/user.reg.db-wal", "/user.reg.db-shm"})
            EXPECT_EQ(c.hive, ModeOf(root + file)) << file;
    }
}

// A prefix that cannot be used fails the calls that need it with their error codes, and the
// tessaly program names it with the reason.
TEST_F(Prefix, APrefixThatCannotBeUsedFailsAtFirstUse) {
    std::string base = prefix_.scratch();
    ASSERT_EQ(0, chmod(prefix_.root().c_str(), 0711));
    ASSERT_EQ(0, chmod(base.c_str(), 0711));
    WriteFile(base + "/file", "x");
    struct Case {
        const char* what;
        std::string prefix;
        mode_t mode; // of a folder made for the case, 0 for none
        LONG code;   // of a registry call and of a file call
        const char* reason;
    } cases[] = {
        {"unreadable", base + "/locked", 0000, 5, "Permission denied"},
        {"another user's", base + "/other", 0755, 5, "Permission denied"},
        {"a file where the folder is", base + "/file", 0, 3, "Not a directory"},
        {"a folder below a file", base + "/file/sub", 0, 3, "Not a directory"},
        {"usable", base + "/open", 0777, 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.mode) {
            ASSERT_EQ(0, mkdir(c.prefix.c_str(), 0700));
            ASSERT_EQ(0, chmod(c.prefix.c_str(), c.mode));
        }
        ScopedEnv env("TESSALY_PREFIX", c.prefix);
        EXPECT_EQ(c.code, AsNobody([] {
                      HKEY k;
                      LONG rc = RegCreateKeyA(HKEY_CURRENT_USER, "Software\\X", &k);
                      SetLastError(0);
                      DWORD attributes = GetFileAttributesA("C:\\windows");
                      LONG file = attributes == 0xFFFFFFFF ? LONG(GetLastError()) : 0;
                      return rc == file ? int(rc) : 100 + int(file);
                  }));
        std::vector<std::string> command = {tessaly::testing::TessalyProgram(), "reg", "query",
                                            "HKCU"};
        if (getuid() == 0)
            command.insert(command.begin(),
                           {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
        auto run = tessaly::testing::RunProgram(command, {"ASAN_OPTIONS=detect_leaks=0"});
        EXPECT_EQ(c.reason ? 1 : 0, run.status) << run.err;
        if (c.reason) {
            EXPECT_EQ("tessaly: prefix " + c.prefix + ": " + c.reason + "\n", run.err);
        }
    }
}

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
