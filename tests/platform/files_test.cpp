// Files and folders with Windows semantics: matching, searching, attributes, the file
// operations and their error codes, open files and their times, drives.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/prefix.h"
#include "platform/registry.h"
#include "support/drives.h"
#include "support/prefix.h"
#include "support/registry.h"

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
    static unsigned long long ticks(const FILETIME& t) {
        return (1ULL * t.dwHighDateTime << 32) | t.dwLowDateTime;
    }
    bool ReadOnlyOnDisk(const std::string& posix) {
        struct stat st;
        return stat(posix.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
    }
};

TEST(Wildcards, MatchTheWindowsWay) {
    struct Case {
        const char* name;
        const char* pattern;
        bool match;
    } cases[] = {
        {"report.txt", "*", true},
        {"report.txt", "*.*", true},
        {"README", "*.*", true}, // "*.*" matches names without a dot too
        {".", "*.*", true},
        {"README", "*.", true}, // names without an extension
        {"report.txt", "*.", false},
        {"report.txt", "*.TXT", true}, // case ignored
        {"REPORT.TxT", "report.*", true},
        {"report", "report.*", true},
        {"archive.tar.gz", "*.gz", true},
        {"archive.tar.gz", "*.tar", false},
        {"a.txtx", "*.txt", false},
        {"a.txt.bak", "*.txt", false},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"a.c", "a?c", false}, // '?' never takes a dot
        {"a", "a?", true},     // at the end '?' may match nothing
        {"ab", "a??", true},
        {"abcd", "a??", false},
        {"x.txt", "?.txt", true},
        {"xy.txt", "?.txt", false},
        {"data01.csv", "data??.csv", true},
        {"data1.csv", "data??.csv", true}, // '?' before the dot may match nothing
        {"notes.md", "*s.md", true},
        {"notes.md", "n*e*s.m?", true},
        {"", "*", true},
        {"a b.txt", "a b*", true},
    };
    for (const Case& t : cases)
        EXPECT_EQ(MatchesWildcard(t.name, t.pattern), t.match) << t.name << " ~ " << t.pattern;
    EXPECT_FALSE(MatchesWildcard(nullptr, "*"));
}

TEST_F(Files, SearchListsMatchesWithDotsOutsideDriveRoots) {
    WriteFile(c + "/Dir/b.TXT", "12345");
    WriteFile(c + "/Dir/a.txt", "1");
    WriteFile(c + "/Dir/noext", "");
    fs::create_directories(c + "/Dir/Sub");
    EXPECT_EQ(Find("C:\\Dir\\*.*"),
              (std::vector<std::string>{".", "..", "a.txt", "b.TXT", "noext", "Sub"}));
    EXPECT_EQ(Find("c:\\DIR\\*.txt"), (std::vector<std::string>{"a.txt", "b.TXT"}));
    EXPECT_EQ(Find("C:\\Dir\\*."), (std::vector<std::string>{".", "..", "noext", "Sub"}));
    EXPECT_EQ(Find("C:\\dir\\B.txt"), (std::vector<std::string>{"b.TXT"})); // plain name, real case
    std::vector<std::string> root = Find("C:\\*");
    EXPECT_EQ(std::count(root.begin(), root.end(), "."), 0);
    EXPECT_EQ(std::count(root.begin(), root.end(), "Dir"), 1);

    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA("C:\\Dir\\b.txt", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    FindClose(find);
    find = FindFirstFileA("C:\\Dir\\Sub", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    FindClose(find);
}

TEST_F(Files, FailedSearchesTellWhy) {
    fs::create_directories(c + "/Empty");
    struct Case {
        const char* pattern;
        DWORD error;
    } cases[] = {
        {"C:\\Empty\\*.txt", 2},
        {"C:\\Missing\\*.*", 3},
        {"C:\\Empty\\", 2},
        {"\\\\server\\share\\*", 53},
        {"", 2},
    };
    for (const Case& t : cases) {
        WIN32_FIND_DATAA data;
        EXPECT_EQ(FindFirstFileA(t.pattern, &data), INVALID_HANDLE_VALUE) << t.pattern;
        EXPECT_EQ(GetLastError(), t.error) << t.pattern;
    }
    EXPECT_FALSE(FindClose(reinterpret_cast<HANDLE>(0x7777)));
    EXPECT_EQ(GetLastError(), 6u);
}

// The quick listing that walks through folders gives what the search gives, in its order.
TEST_F(Files, QuickListingAgreesWithTheSearch) {
    WriteFile(c + "/Mix/b.TXT", "1");
    WriteFile(c + "/Mix/a.txt", "");
    WriteFile(c + "/Mix/Sub/x", "");
    WriteFile(c + "/Mix/trailing.", "");
    WriteFile(c + "/Mix/caf\xC3\xA9", "");
    fs::create_directory_symlink(c + "/Mix/Sub", c + "/Mix/dir-link");
    fs::create_symlink(c + "/Mix/a.txt", c + "/Mix/file-link");
    fs::create_symlink(c + "/Mix/gone", c + "/Mix/dangling");
    ASSERT_EQ(mkfifo((c + "/Mix/pipe").c_str(), 0644), 0);
    fs::create_directories(c + "/Empty");
    const char* patterns[] = {"C:\\Mix\\*.*",      "c:\\MIX\\*.txt",
                              "C:\\Mix\\*.",       "C:\\Mix\\B.txt",
                              "C:\\Mix\\dir-link", "C:\\*",
                              "C:\\Empty\\*.txt",  "C:\\Missing\\*.*",
                              "C:\\Mix\\",         ""};
    using Row = std::tuple<std::string, bool, bool>;
    for (const char* pattern : patterns) {
        std::vector<FolderEntry> entries;
        SetLastError(0);
        const bool listed = ListFolder(pattern, entries);
        const DWORD listError = GetLastError();
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(pattern, &data);
        ASSERT_EQ(listed, find != INVALID_HANDLE_VALUE) << pattern;
        if (!listed) {
            EXPECT_EQ(listError, GetLastError()) << pattern;
            continue;
        }
        std::vector<Row> found, quick;
        do
            found.emplace_back(data.cFileName,
                               (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                               (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0);
        while (FindNextFileA(find, &data));
        FindClose(find);
        for (const FolderEntry& entry : entries)
            quick.emplace_back(entry.name, entry.directory, entry.link);
        EXPECT_EQ(quick, found) << pattern;
    }
}

TEST_F(Files, AttributesRoundTrip) {
    WriteFile(c + "/f.txt", "x");
    fs::create_directories(c + "/d");
    EXPECT_EQ(GetFileAttributesA("C:\\f.txt"), DWORD(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(GetFileAttributesA("C:\\d"), DWORD(FILE_ATTRIBUTE_DIRECTORY));
    const DWORD sets[] = {
        FILE_ATTRIBUTE_READONLY,
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM,
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE,
        FILE_ATTRIBUTE_ARCHIVE,
    };
    for (DWORD set : sets) {
        ASSERT_TRUE(SetFileAttributesA("C:\\F.TXT", set)) << set;
        EXPECT_EQ(GetFileAttributesA("C:\\f.txt"), set);
        EXPECT_EQ(ReadOnlyOnDisk(c + "/f.txt"), (set & FILE_ATTRIBUTE_READONLY) != 0) << set;
    }
    ASSERT_TRUE(SetFileAttributesA("C:\\f.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA("C:\\f.txt"), DWORD(FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(SetFileAttributesA("C:\\f.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    char stored[32] = {};
    ASSERT_GT(getxattr((c + "/f.txt").c_str(), "user.DOSATTRIB", stored, sizeof stored - 1), 0);
    EXPECT_STREQ(stored, "0x22");
    ASSERT_TRUE(SetFileAttributesA("C:\\d", FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(GetFileAttributesA("C:\\d"), DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));

    EXPECT_EQ(GetFileAttributesA("C:\\missing.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), 2u);
    EXPECT_EQ(GetFileAttributesA("C:\\missing\\x.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), 3u);
    EXPECT_EQ(GetFileAttributesA("C:\\f.txt\\x"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), 3u);
    EXPECT_FALSE(SetFileAttributesA("C:\\missing.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetLastError(), 2u);
}

TEST_F(Files, SymbolicLinksAreReparsePoints) {
    fs::create_directories(prefix_.scratch() + "/outside");
    fs::create_directory_symlink(prefix_.scratch() + "/outside", c + "/linked");
    DWORD attributes = GetFileAttributesA("C:\\linked");
    EXPECT_EQ(attributes, DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    // Removing the link leaves what it leads to.
    EXPECT_TRUE(RemoveDirectoryA("C:\\linked"));
    EXPECT_TRUE(fs::is_directory(prefix_.scratch() + "/outside"));
    fs::create_symlink(prefix_.scratch() + "/nowhere", c + "/dangling");
    EXPECT_NE(GetFileAttributesA("C:\\dangling") & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    EXPECT_TRUE(DeleteFileA("C:\\dangling"));
    EXPECT_FALSE(fs::is_symlink(c + "/dangling"));
}

TEST_F(Files, FileOperationsFailWithWindowsCodes) {
    WriteFile(c + "/ro.txt", "keep");
    fs::create_directories(c + "/full");
    WriteFile(c + "/full/x", "");
    ASSERT_TRUE(SetFileAttributesA("C:\\ro.txt", FILE_ATTRIBUTE_READONLY));
    struct Case {
        const char* what;
        std::function<BOOL()> call;
        DWORD error;
    } cases[] = {
        {"delete read-only", [] { return DeleteFileA("C:\\ro.txt"); }, 5},
        {"delete folder", [] { return DeleteFileA("C:\\full"); }, 5},
        {"delete missing", [] { return DeleteFileA("C:\\none.txt"); }, 2},
        {"delete in missing folder", [] { return DeleteFileA("C:\\none\\x.txt"); }, 3},
        {"create existing folder", [] { return CreateDirectoryA("C:\\FULL", nullptr); }, 183},
        {"create without parent", [] { return CreateDirectoryA("C:\\a\\b", nullptr); }, 3},
        {"remove non-empty", [] { return RemoveDirectoryA("C:\\full"); }, 145},
        {"remove a file", [] { return RemoveDirectoryA("C:\\ro.txt"); }, 267},
        {"remove missing", [] { return RemoveDirectoryA("C:\\none"); }, 2},
        {"copy onto existing", [] { return CopyFileA("C:\\full\\x", "C:\\ro.txt", TRUE); }, 80},
        {"copy onto read-only", [] { return CopyFileA("C:\\full\\x", "C:\\ro.txt", FALSE); }, 5},
        {"copy missing", [] { return CopyFileA("C:\\none", "C:\\y", FALSE); }, 2},
        {"copy a folder", [] { return CopyFileA("C:\\full", "C:\\y", FALSE); }, 5},
        {"move onto existing", [] { return MoveFileA("C:\\full\\x", "C:\\RO.txt"); }, 183},
        {"move missing", [] { return MoveFileA("C:\\none", "C:\\y"); }, 2},
        {"unc path", [] { return DeleteFileA("\\\\server\\share\\x"); }, 53},
    };
    for (const Case& t : cases) {
        SetLastError(0);
        EXPECT_FALSE(t.call()) << t.what;
        EXPECT_EQ(GetLastError(), t.error) << t.what;
    }
    EXPECT_EQ(ReadFile(c + "/ro.txt"), "keep");
    EXPECT_TRUE(fs::exists(c + "/full/x"));
    EXPECT_FALSE(fs::exists(c + "/y"));
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

    WriteFile(c + "/old.txt", "old");
    WriteFile(c + "/new.txt", "new");
    EXPECT_TRUE(CopyFileA("C:\\new.txt", "C:\\old.txt", FALSE));
    EXPECT_EQ(ReadFile(c + "/old.txt"), "new");
    EXPECT_FALSE(CopyFileA("C:\\new.txt", "C:\\NEW.TXT", FALSE)); // the same file
    EXPECT_EQ(ReadFile(c + "/new.txt"), "new");

    EXPECT_TRUE(MoveFileA("C:\\new.txt", "C:\\moved.txt"));
    EXPECT_FALSE(fs::exists(c + "/new.txt"));
    EXPECT_EQ(ReadFile(c + "/moved.txt"), "new");
    EXPECT_TRUE(MoveFileA("C:\\moved.txt", "C:\\MOVED.TXT")); // a change of case only
    EXPECT_TRUE(fs::exists(c + "/MOVED.TXT"));
    EXPECT_FALSE(fs::exists(c + "/moved.txt"));
    fs::create_directories(c + "/folder/inner");
    EXPECT_TRUE(MoveFileA("C:\\folder", "C:\\renamed"));
    EXPECT_TRUE(fs::is_directory(c + "/renamed/inner"));
}

TEST_F(Files, FullPathsAreLexical) {
    ASSERT_TRUE(CreateDirectoryA("C:\\cwd", nullptr));
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\cwd"));
    struct Case {
        const char* path;
        const char* full;
        const char* filePart; // null: none
    } cases[] = {
        {"C:\\a\\b\\..\\c.txt", "C:\\a\\c.txt", "c.txt"},
        {"c:/a/./b/", "c:\\a\\b\\", nullptr}, // the letter as given
        {"name.txt", "C:\\cwd\\name.txt", "name.txt"},
        {"..\\up", "C:\\up", "up"},
        {"\\rooted", "C:\\rooted", "rooted"},
        {"C:\\a\\trail. .", "C:\\a\\trail", "trail"},
        {"\\\\srv\\share\\x\\..\\y", "\\\\srv\\share\\y", "y"},
        {"D:\\..\\..", "D:\\", nullptr},
    };
    for (const Case& t : cases) {
        char buffer[MAX_PATH];
        char* part = reinterpret_cast<char*>(1);
        DWORD length = GetFullPathNameA(t.path, sizeof buffer, buffer, &part);
        EXPECT_EQ(std::string(buffer, length), t.full) << t.path;
        if (t.filePart)
            EXPECT_STREQ(part, t.filePart) << t.path;
        else
            EXPECT_EQ(part, nullptr) << t.path;
    }
    char small[4];
    EXPECT_EQ(GetFullPathNameA("C:\\a\\c.txt", sizeof small, small, nullptr), 11u); // size needed
}

TEST_F(Files, LongNamesComeWithTheCaseOnDisk) {
    WriteFile(c + "/Program Files/Suite Name/ReadMe.TXT", "");
    char buffer[MAX_PATH];
    struct Case {
        const char* path;
        const char* expected; // null: fails with 2
    } cases[] = {
        {"c:\\program files\\suite name\\readme.txt", "c:\\Program Files\\Suite Name\\ReadMe.TXT"},
        {"C:\\PROGRAM FILES\\", "C:\\Program Files\\"},
        {"C:\\Program Files\\.\\suite name", "C:\\Program Files\\.\\Suite Name"},
        {"C:\\", "C:\\"},
        {"C:\\program files\\missing.txt", nullptr},
        {"Q:\\", nullptr},
    };
    for (const Case& t : cases) {
        DWORD length = GetLongPathNameA(t.path, buffer, sizeof buffer);
        if (t.expected) {
            EXPECT_EQ(std::string(buffer, length), t.expected) << t.path;
        } else {
            EXPECT_EQ(length, 0u) << t.path;
            EXPECT_EQ(GetLastError(), 2u) << t.path;
        }
    }
    EXPECT_EQ(GetLongPathNameA("C:\\program files", nullptr, 0), 17u);
    ASSERT_EQ(GetShortPathNameA("c:\\PROGRAM FILES", buffer, sizeof buffer), 16u);
    EXPECT_STREQ(buffer, "c:\\Program Files");
}

TEST_F(Files, OpenFilesReadWriteAndSeek) {
    HANDLE file = CreateFileA("C:\\data.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), 0u);
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(file, "0123456789", 10, &done, nullptr));
    EXPECT_EQ(done, 10u);
    DWORD high = 7;
    EXPECT_EQ(GetFileSize(file, &high), 10u);
    EXPECT_EQ(high, 0u);
    EXPECT_EQ(SetFilePointer(file, 3, nullptr, FILE_BEGIN), 3u);
    char text[8] = {};
    ASSERT_TRUE(ReadFile(file, text, 4, &done, nullptr));
    EXPECT_EQ(std::string(text, done), "3456");
    EXPECT_EQ(SetFilePointer(file, -2, nullptr, FILE_END), 8u);
    EXPECT_EQ(SetFilePointer(file, -20, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), 131u);
    LONG far = 1;
    EXPECT_EQ(SetFilePointer(file, 0, &far, FILE_BEGIN), 0u); // 4 GiB: a sparse position
    EXPECT_EQ(far, 1);
    ASSERT_TRUE(ReadFile(file, text, 4, &done, nullptr));
    EXPECT_EQ(done, 0u); // past the end: nothing, and no error
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(GetLastError(), 6u);

    struct Case {
        const char* what;
        const char* path;
        DWORD access, creation, flags;
        DWORD error; // after the call: 0 or 183 on success, else the failure code
        bool opens;
    } cases[] = {
        {"create new over existing", "C:\\data.bin", GENERIC_WRITE, CREATE_NEW, 0, 80, false},
        {"create always over existing", "C:\\data.bin", GENERIC_WRITE, CREATE_ALWAYS, 0, 183, true},
        {"open always new", "C:\\fresh.bin", GENERIC_READ, OPEN_ALWAYS, 0, 0, true},
        {"open always existing", "C:\\fresh.bin", GENERIC_READ, OPEN_ALWAYS, 0, 183, true},
        {"open missing", "C:\\none.bin", GENERIC_READ, OPEN_EXISTING, 0, 2, false},
        {"open in missing folder", "C:\\none\\x.bin", GENERIC_READ, OPEN_EXISTING, 0, 3, false},
        {"truncate without write access", "C:\\data.bin", GENERIC_READ, TRUNCATE_EXISTING, 0, 87,
         false},
        {"folder without backup semantics", "C:\\windows", GENERIC_READ, OPEN_EXISTING, 0, 5,
         false},
        {"folder with backup semantics", "C:\\windows", GENERIC_READ, OPEN_EXISTING,
         FILE_FLAG_BACKUP_SEMANTICS, 0, true},
        {"write a read-only file", "C:\\ro.bin", GENERIC_WRITE, OPEN_EXISTING, 0, 5, false},
        {"read a read-only file", "C:\\ro.bin", GENERIC_READ, OPEN_EXISTING, 0, 0, true},
    };
    WriteFile(c + "/ro.bin", "r");
    ASSERT_TRUE(SetFileAttributesA("C:\\ro.bin", FILE_ATTRIBUTE_READONLY));
    for (const Case& t : cases) {
        HANDLE h = CreateFileA(t.path, t.access, 0, nullptr, t.creation, t.flags, nullptr);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, t.opens) << t.what;
        EXPECT_EQ(GetLastError(), t.error) << t.what;
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    EXPECT_EQ(fs::file_size(c + "/data.bin"), 0u); // CREATE_ALWAYS truncated it
}

TEST_F(Files, FileTimesRoundTripWithCreationKept) {
    WriteFile(c + "/t.txt", "x");
    fs::create_directories(c + "/folder");
    for (const char* path : {"C:\\t.txt", "C:\\folder"}) {
        HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
        const FILETIME creation = FileTimeFromUnix(946684800, 0);   // 2000-01-01
        const FILETIME access = FileTimeFromUnix(1262304000, 5000); // 2010-01-01
        const FILETIME write = FileTimeFromUnix(1577836800, 123456700);
        ASSERT_TRUE(SetFileTime(file, &creation, &access, &write)) << path;
        auto times = [&] { // creation, access, write
            FILETIME got[3];
            EXPECT_TRUE(GetFileTime(file, &got[0], &got[1], &got[2]));
            return std::vector{ticks(got[0]), ticks(got[1]), ticks(got[2])};
        };
        EXPECT_EQ(times(), (std::vector{ticks(creation), ticks(access), ticks(write)})) << path;
        // Null times leave the others alone.
        const FILETIME later = FileTimeFromUnix(1600000000, 0);
        ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &later));
        EXPECT_EQ(times(), (std::vector{ticks(creation), ticks(access), ticks(later)})) << path;
        CloseHandle(file);
        // The search sees the same times.
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(path, &data);
        ASSERT_NE(find, INVALID_HANDLE_VALUE);
        EXPECT_EQ(ticks(data.ftCreationTime), ticks(creation)) << path;
        EXPECT_EQ(ticks(data.ftLastWriteTime), ticks(later)) << path;
        FindClose(find);
    }
    long long seconds = 0;
    long nanos = 0;
    UnixFromFileTime(FileTimeFromUnix(1577836800, 123456700), seconds, nanos);
    EXPECT_EQ(seconds, 1577836800);
    EXPECT_EQ(nanos, 123456700);
}

TEST_F(Files, DriveTypesComeFromTheRegistry) {
    MapDrive(prefix_, 'd', "cdrom");
    MapDrive(prefix_, 'e', "network");
    MapDrive(prefix_, 'f', "removable");
    MapDrive(prefix_, 'g', "RamDisk");
    MapDrive(prefix_, 'h', "fixed");
    MapDrive(prefix_, 'i');
    struct Case {
        const char* root;
        UINT type;
    } cases[] = {
        {"C:\\", DRIVE_FIXED},
        {"c:", DRIVE_FIXED},
        {"Z:\\", DRIVE_FIXED},
        {"D:\\", DRIVE_CDROM},
        {"E:\\", DRIVE_REMOTE},
        {"F:/", DRIVE_REMOVABLE},
        {"G:\\", DRIVE_RAMDISK},
        {"H:\\", DRIVE_FIXED},
        {"I:\\", DRIVE_FIXED},
        {"Q:\\", DRIVE_NO_ROOT_DIR},
        {"C:\\windows", DRIVE_NO_ROOT_DIR},
    };
    for (const Case& t : cases)
        EXPECT_EQ(GetDriveTypeA(t.root), t.type) << t.root;
    ASSERT_TRUE(SetCurrentDirectoryA("E:\\"));
    EXPECT_EQ(GetDriveTypeA(nullptr), UINT(DRIVE_REMOTE)); // the current drive
    EXPECT_EQ(GetLogicalDrives(), 0x20001FCu);
}

TEST_F(Files, DiskSpaceIsTheVolumes) {
    struct statvfs vfs;
    ASSERT_EQ(statvfs(c.c_str(), &vfs), 0);
    ULONGLONG available = 0, total = 0, totalFree = 0;
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &total, &totalFree));
    EXPECT_EQ(total, ULONGLONG(vfs.f_blocks) * vfs.f_frsize);
    EXPECT_LE(available, totalFree);
    EXPECT_GT(totalFree, 0u);
    DWORD sectors = 0, bytes = 0, freeClusters = 0, totalClusters = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &sectors, &bytes, &freeClusters, &totalClusters));
    EXPECT_EQ(bytes, 512u);
    EXPECT_EQ(ULONGLONG(sectors) * bytes * totalClusters, total);
    EXPECT_FALSE(GetDiskFreeSpaceExA("C:\\missing\\", &available, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), 2u);
}

} // namespace
