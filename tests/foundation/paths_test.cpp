// Path services: the splitters, the system's and the user's folders, long names, folder
// chains and temporary names.
#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>

#include <tessaly/foundation.h>

#include "platform/files.h"
#include "platform/prefix.h"
#include "support/drives.h"
#include "support/prefix.h"
#include "support/registry.h"
#include "windows_version.h"

namespace fs = std::filesystem;
namespace pf = tessaly::platform;
using tessaly::testing::PrefixTest;
using tessaly::testing::WriteFile;

namespace {

// nameEx is the answer of GetFileNameEx and GetFileNameTitle; each other field names its function.
struct SplitRow {
    const char *path, *nameEx, *fileName, *extName, *nameExt, *directory, *dirOnly, *folderName,
        *slashTail;
};

TEST(PathSplitters, TakePathsApartLikeTheRunTime) {
    const SplitRow rows[] = {
        {"C:\\Docs\\report.final.txt", "report.final", "report.final.txt", ".txt", "txt",
         "C:\\Docs\\", "\\Docs\\", "C:\\Docs", "C:\\Docs\\report.final.txt"},
        // Quotes go only for the name splitters.
        {"\"C:\\a b\\x.TXT\"", "x", "x.TXT", ".TXT", "TXT", "\"C:\\a b\\", "\"C:\\a b\\",
         "\"C:\\a b", "\"C:\\a b\\x.TXT\""},
        {"C:\\Docs\\", "", "", "", "", "C:\\Docs\\", "\\Docs\\", "C:\\Docs", "C:\\Docs"},
        {"D:/unix/style.tar.gz", "style.tar", "style.tar.gz", ".gz", "gz", "D:/unix/", "/unix/", "",
         "D:/unix/style.tar.gz"},
        {"", "", "", "", "", "", "", "", ""},
    };
    for (const SplitRow& r : rows) {
        CString path(r.path);
        EXPECT_EQ(GetFileNameEx(path), r.nameEx) << r.path;
        EXPECT_EQ(GetFileNameTitle(path), r.nameEx) << r.path;
        EXPECT_EQ(GetFileName(path), r.fileName) << r.path;
        EXPECT_EQ(GetFileExtName(path), r.extName) << r.path;
        EXPECT_EQ(GetFileNameExt(path), r.nameExt) << r.path;
        EXPECT_EQ(GetFileDirectory(path), r.directory) << r.path;
        EXPECT_EQ(GetFileDirOnly(path), r.dirOnly) << r.path;
        EXPECT_EQ(GetFolderName(path), r.folderName) << r.path;
        EXPECT_EQ(RemoveDirectorySlashTail(path), r.slashTail) << r.path;
    }
}

TEST(PathSplitters, PartsAreCutAt256Characters) {
    // Folder, name and extension (with its dot) each keep at most 256 characters.
    for (auto [folder, name, ext, dirKept, nameKept, extKept] :
         {std::tuple{254, 256, 255, 256, 256, 256}, {300, 257, 300, 256, 256, 256}}) {
        CString p(("C:\\" + std::string(folder, 'd') + "\\" + std::string(name, 'n') + "." +
                   std::string(ext, 'e'))
                      .c_str());
        EXPECT_EQ(std::tuple(GetFileNameEx(p).GetLength(), GetFileExtName(p).GetLength(),
                             GetFileDirOnly(p).GetLength()),
                  std::tuple(nameKept, extKept, dirKept))
            << folder;
    }
}

TEST_F(PrefixTest, SplittersStepOverDoubleByteCharacters) {
    // Under code page 936 the bytes 81 5C are one character whose trail byte is a backslash.
    tessaly::testing::UseAnsiCodePage("936");
    CString path("C:\\\xb1\xed\\a\x81\x5c.b\x81\x2e");
    EXPECT_EQ(GetFileName(path), "a\x81\x5c.b\x81\x2e");
    EXPECT_EQ(GetFileNameEx(path), "a\x81\x5c");
    EXPECT_EQ(GetFileExtName(path), ".b\x81\x2e"); // 81 2E is no dot either
    EXPECT_EQ(GetFileDirectory(path), "C:\\\xb1\xed\\");
    EXPECT_EQ(GetFolderName(CString("C:\\d\\x\x81\x5c")), "C:\\d");
    EXPECT_EQ(RemoveDirectorySlashTail(CString("C:\\d\\x\x81\x5c")), "C:\\d\\x\x81\x5c");
}

using Paths = tessaly::testing::DrivePrefixTest;

TEST_F(Paths, FirstHardDriveAndTheSuitesFolder) {
    const std::string user = pf::PrefixUserName();
    tessaly::testing::MapDrive(prefix_, 'a', "removable");
    EXPECT_EQ(GetFirstLogicalHardDrive(), "C:\\");
    for (const char* drive : {"C:", "Z:"})
        tessaly::testing::PutRegText(HKEY_LOCAL_MACHINE, "Software\\Tessaly\\Platform\\Drives",
                                     drive, "cdrom");
    EXPECT_EQ(GetFirstLogicalHardDrive(), "");
    char buffer[MAX_PATH] = {};
    ASSERT_EQ(GetTessalyAppFolder(buffer), 1);
    EXPECT_EQ(std::string(buffer), "C:\\users\\" + user + "\\Application Data\\Orvo");
    fs::remove_all(c + "/users/" + user + "/Application Data");
    EXPECT_EQ(GetTessalyAppFolder(buffer), 0); // not created when missing
}

TEST_F(Paths, LongNamesOnEverySystemFamily) {
    WriteFile(c + "/Program Files/Suite/Read Me.TXT", "");
    fs::create_directories(c + "/Work");
    ASSERT_TRUE(pf::SetCurrentDirectoryA("C:\\work"));
    // Windows 95 expands through the search functions, making the path absolute first.
    tessaly::testing::PresentWindows(1, 4, 0);
    EXPECT_EQ(GetLongFileName("c:\\PROGRAM FILES\\suite\\read me.txt"),
              "c:\\Program Files\\Suite\\Read Me.TXT");
    EXPECT_EQ(GetLongFileName("C:\\program files\\missing.txt"), "C:\\program files\\missing.txt");
    EXPECT_EQ(GetLongFileName("..\\program files"), "C:\\Program Files");
    tessaly::testing::PresentWindows(2, 5, 1); // the system's own function
    EXPECT_EQ(GetLongFileName("..\\program files"), "..\\Program Files");
}

TEST_F(Paths, CreateDirBuildsTheChain) {
    WriteFile(c + "/file.txt", "");
    const std::pair<const char*, DWORD> cases[] = {
        {"C:\\a\\b\\c", 0}, {"C:\\file.txt\\sub", 3}, {"\\\\server\\share\\dir", 53}};
    for (auto [path, result] : cases)
        EXPECT_EQ(CreateDir(path), result) << path;
    EXPECT_TRUE(fs::is_directory(c + "/a/b/c"));
    // Only backslashes separate the components, and a single component is never created.
    EXPECT_EQ(CreateDir("c:/slashes/x"), 0u);
    EXPECT_FALSE(fs::exists(c + "/slashes"));
    EXPECT_EQ(CreateDirEx("C:\\ex\\one"), 0u);
    EXPECT_TRUE(fs::is_directory(c + "/ex/one"));
    EXPECT_EQ(CreateDirEx(nullptr), 0u);
}

TEST_F(Paths, TempNamesSkipTakenOnes) {
    const std::string temp = c + "/users/" + pf::PrefixUserName() + "/Temp";
    const std::string prefix = "C:\\users\\" + pf::PrefixUserName() + "\\Temp\\";
    CString name("unchanged");
    for (int i = 0; i < 12; ++i) {
        char taken[16];
        std::snprintf(taken, sizeof taken, "/~%X.%s", i, i == 1 ? "DAT" : "dat");
        WriteFile(temp + taken, ""); // ~1.DAT is taken whatever its case
    }
    ASSERT_EQ(MakeTempFilename(name, "dat"), 0);
    EXPECT_EQ(name, CString((prefix + "~C.dat").c_str())); // hexadecimal, upper case
    EXPECT_FALSE(fs::exists(temp + "/~C.dat"));            // nothing is created

    EXPECT_EQ(GetTempPathName("txt", ""), CString((prefix + "~0.txt").c_str()));
    EXPECT_EQ(GetTempPathName("txt", "C:\\made\\here"), "C:\\made\\here\\~0.txt");
    EXPECT_TRUE(fs::is_directory(c + "/made/here"));
    fs::remove(prefix_.root() + "/dosdevices/c:"); // no temporary folder: no name
    fs::remove(prefix_.root() + "/dosdevices/z:");
    EXPECT_EQ(MakeTempFilename(name, "tmp"), -1);
    EXPECT_EQ(GetTempPathName("tmp", ""), "");
}

} // namespace
