// The prefix: its creation and modes, prefixes that cannot be used, and path translation
// between the Windows side and the prefix's folders.
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <tuple>

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

// First use makes a new prefix its user's alone, a folder made beforehand keeps its mode
// (a shared prefix), and a prefix that cannot be used fails the calls that need it with their
// codes, while the tessaly program names it with the reason.
TEST(Prefix, FirstUseMakesOrRefusesThePrefix) {
    tessaly::testing::TempPrefix temp;
    std::string base = temp.scratch();
    ASSERT_EQ(0, chmod(temp.root().c_str(), 0711)); // for the unprivileged user
    ASSERT_EQ(0, chmod(base.c_str(), 0777));
    WriteFile(base + "/file", "x");
    struct Case {
        std::string prefix;
        int made;  // the mode of a folder made beforehand, -1 for none
        LONG code; // of a registry call and of a file call
        const char* reason;
        mode_t root = 0, hive = 0; // the modes afterwards
    } cases[] = {
        {base + "/new", -1, 0, nullptr, 0700, 0600},
        {base + "/shared", 0777, 0, nullptr, 0777, 0666},
        {base + "/locked", 0000, 5, "Permission denied"},
        {base + "/file", -1, 3, "Not a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.prefix);
        ASSERT_EQ(0,
                  c.made < 0 ? 0 : mkdir(c.prefix.c_str(), 0700) | chmod(c.prefix.c_str(), c.made));
        ScopedEnv env("TESSALY_PREFIX", c.prefix);
        EXPECT_EQ(c.code, AsNobody([] {
                      HKEY k;
                      LONG rc = RegCreateKeyA(HKEY_CURRENT_USER, "Software\\X", &k);
                      SetLastError(0);
                      DWORD attributes = GetFileAttributesA("C:\\windows");
                      LONG file = attributes == 0xFFFFFFFF ? LONG(GetLastError()) : 0;
                      return rc == file ? int(rc) : 100 + int(file);
                  }));
        EXPECT_EQ(c.root, c.root ? ModeOf(c.prefix) : 0);
        for (const char* file : {"/user.reg.db", "/user.reg.db-wal", "/user.reg.db-shm"})
            EXPECT_EQ(c.hive, c.hive ? ModeOf(c.prefix + file) : 0) << file;
        std::vector<std::string> command = {tessaly::testing::TessalyProgram(), "reg", "query",
                                            "HKCU"};
        if (getuid() == 0)
            command.insert(command.begin(),
                           {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
        auto run = tessaly::testing::RunProgram(command, {"ASAN_OPTIONS=detect_leaks=0"});
        EXPECT_EQ(c.reason ? 1 : 0, run.status) << run.err;
        EXPECT_EQ(c.reason ? "tessaly: prefix " + c.prefix + ": " + c.reason + "\n" : "",
                  c.reason ? run.err : "");
    }
}

class PrefixPaths : public PrefixTest {
  protected:
    void SetUp() override { EnsurePrefix(); }
    std::string root() const { return prefix_.root(); }
    const std::string driveC = prefix_.root() + "/drive_c";
};

// EnsurePrefix lays out drives C: and Z:; other letters follow the device links.
TEST_F(PrefixPaths, DriveFoldersFollowTheDeviceLinks) {
    EXPECT_EQ(PrefixRoot(), root());
    EXPECT_EQ(DriveFolder('c'), driveC);
    EXPECT_EQ(DriveFolder('z'), "/");
    EXPECT_EQ(DriveFolder('q'), "");
    fs::create_directories(prefix_.scratch() + "/Data");
    fs::create_directory_symlink(prefix_.scratch(), root() + "/dosdevices/d:");
    EXPECT_EQ(DriveFolder('d'), prefix_.scratch());
    EXPECT_EQ(ToPosixPath("D:\\data\\f.bin"), prefix_.scratch() + "/Data/f.bin");
    EXPECT_EQ(ToWindowsPath(prefix_.scratch() + "/Data/f.bin"), "D:\\Data\\f.bin");
}

TEST_F(PrefixPaths, WindowsPathsTranslate) {
    WriteFile(driveC + "/Docs/Report.TXT", "x");
    WriteFile(driveC + "/Caf\xc3\xa9.txt", "x");
    fs::create_directories(driveC + "/Docs/Sub Folder");
    // The Windows path, its translation (empty: none) and then the error.
    const std::tuple<const char*, std::string, DWORD> cases[] = {
        {"C:\\", driveC, 0},
        // Names are found without regard to case and come back as they are on disk.
        {"C:\\\\DOCS\\\\\\report.txt", driveC + "/Docs/Report.TXT", 0},
        // What does not exist keeps the case given, below the last existing folder.
        {"C:\\docs\\New\\Deeper.Txt", driveC + "/Docs/New/Deeper.Txt", 0},
        {"C:\\Docs\\.\\Sub Folder\\..\\Report.TXT", driveC + "/Docs/Report.TXT", 0},
        {"C:\\..\\..\\Docs", driveC + "/Docs", 0}, // ".." stops at the drive's root
        {"C:\\Docs\\Report.TXT. ", driveC + "/Docs/Report.TXT", 0},
        {"z:\\USR\\BIN", "/usr/bin", 0},
        {"\\\\?\\C:\\Docs", driveC + "/Docs", 0},
        // On disk the name is UTF-8; on the Windows side it is Windows-1252.
        {"C:\\caf\xc9.TXT", driveC + "/Caf\xc3\xa9.txt", 0},
        {"\\\\server\\share\\file.txt", "", 53},
        {"Q:\\nothing", "", 3},
    };
    for (const auto& [windows, posix, error] : cases) {
        SetLastError(0);
        EXPECT_EQ(ToPosixPath(windows), posix) << windows;
        EXPECT_EQ(GetLastError(), error) << windows;
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
    EXPECT_EQ(ToPosixPath("Z:etc"), "/etc");              // another drive: from its root
}

TEST_F(PrefixPaths, PosixPathsTranslateBack) {
    fs::create_directories(driveC + "/Docs");
    fs::create_directory_symlink(driveC + "/Docs", prefix_.scratch() + "/docs-link");
    const std::pair<std::string, std::string> cases[] = {
        {driveC, "C:\\"},
        {driveC + "/Docs/../Docs/./b.txt", "C:\\Docs\\b.txt"},
        {"/usr/share/", "Z:\\usr\\share"},
        {root() + "/drive_cX", tessaly::testing::WindowsPath(root() + "/drive_cX")}, // a sibling
        {driveC + "/Caf\xc3\xa9.txt", "C:\\Caf\xe9.txt"},
        // A link into the drive is seen as the drive's own folder.
        {prefix_.scratch() + "/docs-link/c.txt", "C:\\Docs\\c.txt"},
    };
    for (const auto& [posix, windows] : cases)
        EXPECT_EQ(ToWindowsPath(posix), windows) << posix;
}

} // namespace
