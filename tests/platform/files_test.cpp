// Files and folders with Windows semantics: matching, searching, attributes, the file
// operations and their error codes, open files and their times, drives.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "support/drives.h"
#include "support/prefix.h"

namespace fs = std::filesystem;
using namespace tessaly::platform;
using tessaly::testing::DrivePrefixTest;
using tessaly::testing::MapDrive;
using tessaly::testing::ReadFile;
using tessaly::testing::WriteFile;

namespace {

class Files : public DrivePrefixTest {
  protected:
    // The names a search returns, in order.
    std::vector<std::string> Find(const char* pattern) {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(pattern, &data);
        if (find == INVALID_HANDLE_VALUE) return names;
        do
            names.push_back(data.cFileName);
        while (FindNextFileA(find, &data));
        EXPECT_EQ(GetLastError(), 18u); // no more files
        EXPECT_TRUE(FindClose(find));
        return names;
    }
};

TEST(Wildcards, MatchTheWindowsWay) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"README", "*.*", true},          // "*.*" matches names without a dot too
        {"README", "*.", true},           // names without an extension
        {"REPORT.TxT", "report.*", true}, // case ignored
        {"a.txtx", "*.txt", false},
        {"a.c", "a?c", false}, // '?' never takes a dot
        {"a", "a?", true},     // at the end '?' may match nothing
        {"xy.txt", "?.txt", false},
        {"data1.csv", "data??.csv", true}, // '?' before the dot may match nothing
    };
    for (auto [name, pattern, match] : cases)
        EXPECT_EQ(MatchesWildcard(name, pattern), match) << name << " ~ " << pattern;
}

TEST_F(Files, SearchListsMatchesWithDotsOutsideDriveRoots) {
    WriteFile(c + "/Dir/b.TXT", "12345");
    WriteFile(c + "/Dir/a.txt", "1");
    WriteFile(c + "/Dir/noext", "");
    fs::create_directories(c + "/Dir/Sub");
    EXPECT_EQ(Find("C:\\Dir\\*.*"),
              (std::vector<std::string>{".", "..", "a.txt", "b.TXT", "noext", "Sub"}));
    EXPECT_EQ(Find("c:\\DIR\\*.txt"), (std::vector<std::string>{"a.txt", "b.TXT"}));
    // The quick listing takes its entries from the same reader, with the folder flag.
    std::vector<FolderEntry> entries;
    ASSERT_TRUE(ListFolder("c:\\DIR\\s*", entries));
    EXPECT_TRUE(entries.size() == 1 && entries[0].name == "Sub" && entries[0].directory);
    EXPECT_EQ(Find("C:\\dir\\B.txt"), (std::vector<std::string>{"b.TXT"})); // plain name, real case
    std::vector<std::string> root = Find("C:\\*");
    EXPECT_EQ(std::count(root.begin(), root.end(), "."), 0);
    EXPECT_EQ(std::count(root.begin(), root.end(), "Dir"), 1);
    WIN32_FIND_DATAA data;
    EXPECT_TRUE(FindClose(FindFirstFileA("C:\\Dir\\b.txt", &data)));
    EXPECT_EQ(data.nFileSizeLow, 5u);
    fs::create_directories(c + "/Empty");
    const std::pair<const char*, DWORD> cases[] = {
        {"C:\\Empty\\*.txt", 2}, {"C:\\Missing\\*.*", 3}, {"\\\\server\\share\\*", 53}};
    for (const auto& [pattern, error] : cases) {
        EXPECT_EQ(FindFirstFileA(pattern, &data), INVALID_HANDLE_VALUE) << pattern;
        EXPECT_EQ(GetLastError(), error) << pattern;
    }
}

TEST_F(Files, AttributesRoundTrip) {
    WriteFile(c + "/f.txt", "x");
    fs::create_directories(c + "/d");
    EXPECT_EQ(GetFileAttributesA("C:\\f.txt"), DWORD(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(GetFileAttributesA("C:\\d"), DWORD(FILE_ATTRIBUTE_DIRECTORY));
    for (DWORD set : {DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM), DWORD(0x80)}) {
        ASSERT_TRUE(SetFileAttributesA("C:\\F.TXT", set)) << set;
        EXPECT_EQ(GetFileAttributesA("C:\\f.txt"), set);
        const fs::perms write =
            fs::status(c + "/f.txt").permissions() &
            (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write);
        EXPECT_EQ(write == fs::perms::none, set != 0x80) << set;
    }
    ASSERT_TRUE(SetFileAttributesA("C:\\f.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    char stored[32] = {};
    ASSERT_GT(getxattr((c + "/f.txt").c_str(), "user.DOSATTRIB", stored, sizeof stored - 1), 0);
    EXPECT_STREQ(stored, "0x22");
    for (auto [path, error] : {std::pair{"C:\\missing.txt", 2u}, {"C:\\f.txt\\x", 3u}}) {
        EXPECT_EQ(GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(GetLastError(), error) << path;
    }

    // Symbolic links are reparse points; removing one leaves what it leads to.
    fs::create_directories(prefix_.scratch() + "/outside");
    fs::create_directory_symlink(prefix_.scratch() + "/outside", c + "/linked");
    EXPECT_EQ(GetFileAttributesA("C:\\linked"),
              DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    EXPECT_TRUE(RemoveDirectoryA("C:\\linked"));
    EXPECT_TRUE(fs::is_directory(prefix_.scratch() + "/outside"));
    fs::create_symlink(prefix_.scratch() + "/nowhere", c + "/dangling");
    EXPECT_NE(GetFileAttributesA("C:\\dangling") & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    EXPECT_TRUE(DeleteFileA("C:\\dangling"));
    EXPECT_FALSE(fs::is_symlink(c + "/dangling"));
}

TEST_F(Files, FileOperationsFailWithWindowsCodes) {
    WriteFile(c + "/ro.txt", "keep");
    WriteFile(c + "/full/x", "");
    ASSERT_TRUE(SetFileAttributesA("C:\\ro.txt", FILE_ATTRIBUTE_READONLY));
    const std::pair<std::function<BOOL()>, DWORD> cases[] = {
        {[] { return DeleteFileA("C:\\ro.txt"); }, 5},
        {[] { return DeleteFileA("C:\\full"); }, 5},
        {[] { return CreateDirectoryA("C:\\FULL", nullptr); }, 183},
        {[] { return RemoveDirectoryA("C:\\full"); }, 145},
        {[] { return RemoveDirectoryA("C:\\ro.txt"); }, 267},
        {[] { return CopyFileA("C:\\full\\x", "C:\\ro.txt", TRUE); }, 80},
        {[] { return MoveFileA("C:\\full\\x", "C:\\RO.txt"); }, 183},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SetLastError(0);
        EXPECT_FALSE(cases[i].first()) << "case " << i;
        EXPECT_EQ(GetLastError(), cases[i].second) << "case " << i;
    }
    EXPECT_EQ(ReadFile(c + "/ro.txt"), "keep");
    EXPECT_TRUE(fs::exists(c + "/full/x"));
}

TEST_F(Files, CopyKeepsTimesAndAttributesAndMoveRenames) {
    WriteFile(c + "/src.txt", "payload");
    ASSERT_TRUE(SetFileAttributesA("C:\\src.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (c + "/src.txt").c_str(), old, 0), 0);
    ASSERT_TRUE(CopyFileA("C:\\SRC.txt", "C:\\copy.txt", TRUE));
    EXPECT_EQ(ReadFile(c + "/copy.txt"), "payload");
    EXPECT_EQ(GetFileAttributesA("C:\\copy.txt"),
              DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(fs::last_write_time(c + "/copy.txt"), fs::last_write_time(c + "/src.txt"));

    WriteFile(c + "/new.txt", "new");
    EXPECT_FALSE(CopyFileA("C:\\new.txt", "C:\\NEW.TXT", FALSE)); // the same file, kept whole
    EXPECT_EQ(ReadFile(c + "/new.txt"), "new");
    EXPECT_TRUE(MoveFileA("C:\\new.txt", "C:\\New.txt")); // a change of case only
    EXPECT_TRUE(fs::exists(c + "/New.txt"));
    EXPECT_FALSE(fs::exists(c + "/new.txt"));
}

TEST_F(Files, FullAndLongPaths) {
    ASSERT_TRUE(CreateDirectoryA("C:\\cwd", nullptr));
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\cwd"));
    const std::pair<const char*, const char*> cases[] = {
        {"c:/a/./b/", "c:\\a\\b\\"}, // the letter as given
        {"..\\up", "C:\\up"},
        {"\\\\srv\\share\\x\\..\\y", "\\\\srv\\share\\y"},
        {"D:\\..\\..", "D:\\"},
    };
    for (auto [path, full] : cases) {
        char buffer[MAX_PATH];
        DWORD length = GetFullPathNameA(path, sizeof buffer, buffer, nullptr);
        EXPECT_EQ(std::string(buffer, length), full) << path;
    }
    char small[4];
    EXPECT_EQ(GetFullPathNameA("C:\\a\\c.txt", sizeof small, small, nullptr), 11u); // size needed

    // Long names come with the case on disk; a missing part fails with 2.
    WriteFile(c + "/Program Files/Suite Name/ReadMe.TXT", "");
    char buffer[MAX_PATH];
    const std::pair<const char*, const char*> names[] = {
        {"c:\\program files\\suite name\\readme.txt", "c:\\Program Files\\Suite Name\\ReadMe.TXT"},
        {"C:\\program files\\missing.txt", ""},
    };
    for (auto [path, expected] : names) {
        SetLastError(0);
        DWORD length = GetLongPathNameA(path, buffer, sizeof buffer);
        EXPECT_EQ(std::string(buffer, length), expected) << path;
        EXPECT_EQ(GetLastError(), *expected ? 0u : 2u) << path;
    }
    ASSERT_EQ(GetShortPathNameA("c:\\PROGRAM FILES", buffer, sizeof buffer), 16u);
    EXPECT_STREQ(buffer, "c:\\Program Files");
}

TEST_F(Files, OpenFilesReadWriteAndSeek) {
    HANDLE file = CreateFileA("C:\\data.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(file, "0123456789", 10, &done, nullptr));
    EXPECT_EQ(done, 10u);
    EXPECT_EQ(GetFileSize(file, nullptr), 10u);
    EXPECT_EQ(SetFilePointer(file, 3, nullptr, FILE_BEGIN), 3u);
    char text[8] = {};
    ASSERT_TRUE(ReadFile(file, text, 4, &done, nullptr));
    EXPECT_EQ(std::string(text, done), "3456");
    EXPECT_EQ(SetFilePointer(file, 20, nullptr, FILE_BEGIN), 20u);
    ASSERT_TRUE(ReadFile(file, text, 4, &done, nullptr));
    EXPECT_EQ(done, 0u); // past the end: nothing, and no error
    EXPECT_TRUE(CloseHandle(file));

    WriteFile(c + "/ro.bin", "r");
    ASSERT_TRUE(SetFileAttributesA("C:\\ro.bin", FILE_ATTRIBUTE_READONLY));
    // Path, access, creation, flags; the error afterwards (0 or 183: opened).
    const std::tuple<const char*, DWORD, DWORD, DWORD, DWORD> cases[] = {
        {"C:\\data.bin", GENERIC_WRITE, CREATE_ALWAYS, 0, 183},
        {"C:\\windows", GENERIC_READ, OPEN_EXISTING, 0, 5},
        {"C:\\windows", GENERIC_READ, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, 0},
        {"C:\\ro.bin", GENERIC_WRITE, OPEN_EXISTING, 0, 5},
    };
    for (auto [path, access, creation, flags, error] : cases) {
        HANDLE h = CreateFileA(path, access, 0, nullptr, creation, flags, nullptr);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, error == 0 || error == 183) << path << " " << error;
        EXPECT_EQ(GetLastError(), error) << path;
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    EXPECT_EQ(fs::file_size(c + "/data.bin"), 0u); // CREATE_ALWAYS truncated it
}

TEST_F(Files, DriveTypesAndSpace) {
    MapDrive(prefix_, 'd', "cdrom");
    MapDrive(prefix_, 'e', "network");
    MapDrive(prefix_, 'f', "removable");
    MapDrive(prefix_, 'g', "RamDisk");
    MapDrive(prefix_, 'i');
    const std::pair<const char*, UINT> cases[] = {
        {"c:", DRIVE_FIXED},         {"D:\\", DRIVE_CDROM},   {"E:\\", DRIVE_REMOTE},
        {"F:/", DRIVE_REMOVABLE},    {"G:\\", DRIVE_RAMDISK}, {"I:\\", DRIVE_FIXED},
        {"Q:\\", DRIVE_NO_ROOT_DIR},
    };
    for (const auto& [root, type] : cases)
        EXPECT_EQ(GetDriveTypeA(root), type) << root;
    ASSERT_TRUE(SetCurrentDirectoryA("E:\\"));
    EXPECT_EQ(GetDriveTypeA(nullptr), UINT(DRIVE_REMOTE)); // the current drive

    ULONGLONG available = 0, total = 0, totalFree = 0;
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &total, &totalFree));
    EXPECT_TRUE(available > 0 && available <= totalFree && totalFree <= total);
    EXPECT_FALSE(GetDiskFreeSpaceExA("C:\\missing\\", &available, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), 2u);
}

} // namespace
