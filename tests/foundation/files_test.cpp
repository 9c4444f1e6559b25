// File services: existence and attributes, listing, emptying and copying folders, whole-file
// reads and writes, disk space, checks of typed paths and file times.
#include <sys/statvfs.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <tessaly/automation.h>
#include <tessaly/foundation.h>

#include "framework/widgets/message_box.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/wintime.h"
#include "support/drives.h"
#include "support/environment.h"
#include "support/prefix.h"

namespace fs = std::filesystem;
namespace pf = tessaly::platform;
using tessaly::testing::DrivePrefixTest;
using tessaly::testing::MapDrive;
using tessaly::testing::ReadFile;
using tessaly::testing::WriteFile;

namespace {

class Files : public DrivePrefixTest {
  protected:
    void TearDown() override { tessaly::automation::SetMessageBoxHandler(nullptr); }
    static std::set<std::string> Names(const CStringArray& list) {
        std::set<std::string> names;
        for (const CString& item : list)
            names.insert(item.str());
        return names;
    }
};

TEST_F(Files, ExistenceAndReadOnly) {
    WriteFile(c + "/d/a.txt", "abc");
    fs::create_directories(c + "/d/sub");
    for (auto [path, exists] :
         {std::pair{"c:\\D\\A.TXT", 1}, {"C:\\d\\sub", 1}, {"C:\\d\\*.doc", 0}, {"C:\\d\\", 0}})
        EXPECT_EQ(IsFileExist(path), exists) << path;
    EXPECT_EQ(IsReadOnly("C:\\d\\a.txt"), 0);
    EXPECT_EQ(IsReadOnly("C:\\d\\missing.txt"), 1); // all bits of the failed query are set
    SetFileReadOnly("C:\\d\\a.txt", 1);
    EXPECT_EQ(IsReadOnly("C:\\d\\a.txt"), 1);
}

TEST_F(Files, RemoveFileAttrClearsOnlyWhatIsSet) {
    const DWORD readOnly = pf::FILE_ATTRIBUTE_READONLY, hidden = pf::FILE_ATTRIBUTE_HIDDEN,
                archive = pf::FILE_ATTRIBUTE_ARCHIVE, system = pf::FILE_ATTRIBUTE_SYSTEM;
    WriteFile(c + "/f.txt", "");
    ASSERT_TRUE(pf::SetFileAttributesA("C:\\f.txt", readOnly | hidden | archive));
    for (auto [remove, left] : {std::pair{hidden | system, readOnly | archive},
                                {readOnly | archive, DWORD(pf::FILE_ATTRIBUTE_NORMAL)}}) {
        EXPECT_EQ(RemoveFileAttr("C:\\f.txt", remove), 1) << remove;
        EXPECT_EQ(pf::GetFileAttributesA("C:\\f.txt"), left) << remove;
    }
    EXPECT_EQ(RemoveFileAttr("C:\\missing.txt", readOnly), 0);
}

TEST_F(Files, DirectoryFilesInBothForms) {
    WriteFile(c + "/lib/a.TXT", "");
    WriteFile(c + "/lib/b.doc", "");
    WriteFile(c + "/lib/noext", "");
    WriteFile(c + "/lib/sub/c.txt", "");
    WriteFile(c + "/lib/sub/d.doc", "");
    WriteFile(c + "/lib/sub/deeper/e.bin", "");
    WriteFile(c + "/lib/folder.txt/inside.doc", "");
    // A link back up is not followed (it would never end).
    fs::create_directory_symlink(c + "/lib", c + "/lib/sub/loop");

    CStringArray all;
    all.Add("kept");
    GetDirectoryFiles("C:\\lib", all);
    EXPECT_EQ(Names(all), (std::set<std::string>{
                              "kept", "C:\\lib\\a.TXT", "C:\\lib\\b.doc", "C:\\lib\\noext",
                              "C:\\lib\\sub\\c.txt", "C:\\lib\\sub\\d.doc",
                              "C:\\lib\\sub\\deeper\\e.bin", "C:\\lib\\folder.txt\\inside.doc"}));

    char txt[] = "txt", doc[] = "DOC", none[] = "";
    struct Case {
        std::vector<char*> extensions;
        int recurse;
        std::set<std::string> listed;
    } cases[] = {
        // A folder counts when not recursing.
        {{txt, doc}, 0, {"C:\\lib\\a.TXT", "C:\\lib\\b.doc", "C:\\lib\\folder.txt"}},
        {{none}, 0, {"C:\\lib\\noext", "C:\\lib\\sub"}},
        // Recursing lists everything below the first level, whatever its extension.
        {{txt},
         1,
         {"C:\\lib\\a.TXT", "C:\\lib\\sub\\c.txt", "C:\\lib\\sub\\d.doc",
          "C:\\lib\\sub\\deeper\\e.bin", "C:\\lib\\folder.txt\\inside.doc"}},
    };
    for (const Case& t : cases) {
        CStringArray list;
        GetDirectoryFiles("C:\\lib\\", list, t.recurse, const_cast<char**>(t.extensions.data()),
                          static_cast<int>(t.extensions.size()));
        EXPECT_EQ(Names(list), t.listed) << t.extensions.size() << " " << t.recurse;
    }
}

TEST_F(Files, ClearSpaceNeverFollowsLinksOut) {
    WriteFile(prefix_.scratch() + "/outside/precious.txt", "keep me");
    WriteFile(prefix_.scratch() + "/lone.txt", "keep me too");
    WriteFile(c + "/tmp/work/own.txt", "");
    fs::create_directory_symlink(prefix_.scratch() + "/outside", c + "/tmp/work/folder-link");
    fs::create_symlink(prefix_.scratch() + "/lone.txt", c + "/tmp/work/file-link");
    fs::create_directories(c + "/tmp/work/sub");
    fs::create_directory_symlink(prefix_.scratch() + "/outside", c + "/tmp/work/sub/nested-link");
    ClearSpace("C:\\tmp\\work");
    EXPECT_TRUE(fs::is_empty(c + "/tmp/work"));
    EXPECT_EQ(ReadFile(prefix_.scratch() + "/outside/precious.txt"), "keep me");
    EXPECT_EQ(ReadFile(prefix_.scratch() + "/lone.txt"), "keep me too");

    // A folder that is itself a link is emptied where it leads (that is the folder asked
    // for), but links inside it are still only removed.
    fs::create_directory_symlink(prefix_.scratch() + "/outside", c + "/tmp/via-link");
    WriteFile(prefix_.scratch() + "/outside/inner/x.txt", "");
    fs::create_directory_symlink(c + "/tmp", prefix_.scratch() + "/outside/back");
    WriteFile(c + "/tmp/survivor.txt", "");
    ClearSpace("C:\\tmp\\via-link");
    EXPECT_TRUE(fs::is_empty(prefix_.scratch() + "/outside"));
    EXPECT_TRUE(fs::exists(c + "/tmp/survivor.txt"));
}

TEST_F(Files, ClearSpaceRefusesRootsAndThePrefix) {
    WriteFile(c + "/keep.txt", "");
    WriteFile(prefix_.root() + "/dosdevices/../marker.txt", "");
    fs::create_directory_symlink(prefix_.root(), c + "/prefix-link");
    std::string prefixZ = "Z:" + prefix_.root();
    std::replace(prefixZ.begin(), prefixZ.end(), '/', '\\');
    std::string parentZ = prefixZ.substr(0, prefixZ.find_last_of('\\'));
    const std::string refused[] = {
        "C:\\", "c:/", "Z:\\tmp\\..", "C:\\prefix-link", prefixZ + "\\dosdevices\\..", parentZ};
    for (const std::string& folder : refused) {
        ClearSpace(folder.c_str());
        CStringArray none;
        ClearSpaceEx(folder.c_str(), none);
        ClearAll(folder.c_str(), 0);
        ASSERT_TRUE(fs::exists(c + "/keep.txt")) << folder;
        ASSERT_TRUE(fs::exists(prefix_.root() + "/marker.txt")) << folder;
        ASSERT_TRUE(fs::exists(prefix_.root() + "/dosdevices/c:")) << folder;
    }
}

TEST_F(Files, ClearSpaceExSparesTheKeepList) {
    WriteFile(c + "/box/keep.txt", "");
    WriteFile(c + "/box/drop.txt", "");
    WriteFile(c + "/box/kept/inner.txt", "");
    WriteFile(c + "/box/sub/keep-deep.txt", "");
    WriteFile(c + "/box/sub/drop-deep.txt", "");
    CStringArray keep;
    keep.Add("C:\\BOX\\Keep.txt");
    keep.Add("c:\\box\\kept");
    keep.Add("C:\\box\\sub\\keep-deep.txt");
    ClearSpaceEx("C:\\box", keep);
    EXPECT_TRUE(fs::exists(c + "/box/keep.txt"));
    EXPECT_TRUE(fs::exists(c + "/box/kept/inner.txt")); // not descended into
    EXPECT_TRUE(fs::exists(c + "/box/sub/keep-deep.txt"));
    EXPECT_FALSE(fs::exists(c + "/box/drop.txt"));
    EXPECT_FALSE(fs::exists(c + "/box/sub/drop-deep.txt"));
    EXPECT_TRUE(fs::exists(c + "/box/sub")); // it is not empty, so its removal fails
}

// ClearSpace empties the folder only (read-only entries too). Entries are removed through
// Windows paths made of the folder's path and their ANSI names, so what such a path cannot
// lead back to stays, and a folder holding it too.
TEST_F(Files, ClearSpaceGoesThroughWindowsNames) {
    struct Case {
        const char* name;
        bool folder;
        bool stays;
    } cases[] = {
        {"plain.txt", false, false},
        {"caf\xC3\xA9.txt", false, false},  // in the code page
        {"\xE4\xB8\xAD.txt", false, false}, // not in it: found again by its '?' name
        {"trailing.", false, true},         // Windows drops the dot
        {"back\\slash", false, true},       // a separator on the Windows side
        {"sub", true, false},
        {"sub.", true, true},
        {"ro.txt", false, false},
    };
    const std::string work = c + "/tmp/work";
    for (const Case& t : cases)
        WriteFile(work + "/" + t.name + (t.folder ? "/inner.txt" : ""), "");
    WriteFile(c + "/tmp/sibling.txt", "stays");
    ASSERT_TRUE(pf::SetFileAttributesA("C:\\tmp\\work\\ro.txt", pf::FILE_ATTRIBUTE_READONLY));
    ClearSpace("C:\\TMP\\work");
    for (const Case& t : cases)
        EXPECT_EQ(fs::exists(work + "/" + t.name), t.stays) << t.name;
    EXPECT_EQ(ReadFile(c + "/tmp/sibling.txt"), "stays");
    ClearSpace("C:\\tmp\\missing"); // nothing to do, nothing breaks
    ClearSpace(nullptr);
}

TEST_F(Files, XCopyNeverOverwrites) {
    WriteFile(c + "/src/a.txt", "new a");
    WriteFile(c + "/src/b.txt", "new b");
    WriteFile(c + "/src/sub/c.txt", "c");
    WriteFile(c + "/src/Case.txt", "new");
    WriteFile(c + "/dst/a.txt", "old a");
    WriteFile(c + "/dst/CASE.TXT", "old"); // the same name to Windows
    XCopy("C:\\src", "C:\\dst");
    EXPECT_EQ(ReadFile(c + "/dst/a.txt"), "old a");
    EXPECT_EQ(ReadFile(c + "/dst/CASE.TXT"), "old");
    EXPECT_FALSE(fs::exists(c + "/dst/Case.txt"));
    EXPECT_EQ(ReadFile(c + "/dst/b.txt"), "new b");
    EXPECT_FALSE(fs::exists(c + "/dst/sub"));
    XCopy("C:\\src", "C:\\not-there");
    EXPECT_FALSE(fs::exists(c + "/not-there"));
}

TEST_F(Files, WholeFileReadsAndWrites) {
    WriteFile(c + "/long.txt", std::string(5000, 'x') + "y");
    EXPECT_EQ(ReadTextFile("C:\\long.txt").str(), std::string(4096, 'x'));
    const std::string zeros("ab\0cd", 5);
    WriteFile(c + "/zero.bin", zeros);
    EXPECT_EQ(ReadTextFile("C:\\zero.bin"), "ab");
    CByteArray bytes;
    bytes.Add(1);
    ReadBinFile("C:\\zero.bin", bytes);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.GetData()), bytes.GetSize()), zeros);

    CByteArray data;
    for (int i = 0; i < 250000; ++i)
        data.Add(static_cast<BYTE>(i * 7));
    const std::string expected(reinterpret_cast<const char*>(data.GetData()), 250000);
    // The plain form makes the folders; the Ex form writes in chunks and makes none.
    EXPECT_EQ(WriteBinFile("C:\\made\\on\\demand\\out.bin", data), 1);
    EXPECT_EQ(ReadFile(c + "/made/on/demand/out.bin"), expected);
    EXPECT_EQ(WriteBinFileEx("C:\\made\\chunked.bin", data), 1);
    EXPECT_EQ(ReadFile(c + "/made/chunked.bin"), expected);
    EXPECT_EQ(WriteBinFileEx("C:\\absent\\x.bin", data), 0);
    EXPECT_FALSE(fs::exists(c + "/absent"));
}

TEST_F(Files, DiskSpaceOfFixedAndOtherDrives) {
    struct statvfs vfs;
    ASSERT_EQ(statvfs(c.c_str(), &vfs), 0);
    const LONGLONG total = LONGLONG(vfs.f_blocks) * LONGLONG(vfs.f_frsize);
    EXPECT_EQ(GetTotalDiskSpace("C:\\any\\file.txt"), total);
    LONGLONG free = GetFreeDiskSpace("C:\\");
    // Free space is the drive's, not the caller's share (statvfs's f_bfree).
    EXPECT_NEAR(double(free), double(LONGLONG(vfs.f_bfree) * LONGLONG(vfs.f_frsize)),
                64.0 * 1024 * 1024);

    // Only fixed and removable drives are measured; others give -1.
    MapDrive(prefix_, 'd', "cdrom");
    MapDrive(prefix_, 'f', "removable");
    for (auto [path, known] : {std::pair{"D:\\disc\\x", false}, {"F:\\", true}, {"Q:\\", false}}) {
        EXPECT_EQ(GetFreeDiskSpace(path) == -1, !known) << path;
        EXPECT_EQ(GetTotalDiskSpace(path) >= 0, known) << path;
    }
}

TEST_F(Files, CheckFileExplainsRefusals) {
    WriteFile(c + "/docs/exists.txt", "");
    WriteFile(c + "/blocker", "");
    std::vector<std::string> shown;
    int answer = IDOK;
    tessaly::automation::SetMessageBoxHandler([&](const tessaly::automation::MessageBoxInfo& box) {
        shown.push_back(box.text);
        return answer;
    });
    struct Case {
        const char* path;
        int ask, mustExist, answer;
        int result;
        const char* message; // null: no message
    } cases[] = {
        {"", 0, 0, IDOK, 0, "Filename cannot empty."},
        {"C:\\docs\\bad*name.txt", 0, 0, IDOK, 0,
         "C:\\docs\\bad*name.txt does not exist, please try again."},
        {"C:\\docs\\exists.txt", 1, 0, IDCANCEL, 0,
         "File \"C:\\docs\\exists.txt\" already exists, do you want to overwrite this file?"},
        {"C:\\docs\\new.txt", 0, 1, IDOK, 0, "C:\\docs\\new.txt does not exist, please try again."},
        {"C:\\made\\by\\check\\x.txt", 0, 0, IDOK, 1, nullptr},
        {"C:\\blocker\\sub\\x.txt", 0, 0, IDOK, 0, "Cannot create C:\\blocker\\sub\\."},
    };
    for (const Case& t : cases) {
        shown.clear();
        answer = t.answer;
        EXPECT_EQ(CheckFile(t.path, t.ask, t.mustExist), t.result) << t.path;
        EXPECT_EQ(shown,
                  t.message ? std::vector<std::string>{t.message} : std::vector<std::string>{})
            << t.path;
    }
    EXPECT_TRUE(fs::is_directory(c + "/made/by/check"));
}

COleDateTime Date(double days, COleDateTime::DateTimeStatus status = COleDateTime::valid) {
    COleDateTime date;
    date.m_dt = days;
    date.m_status = status;
    return date;
}

std::uint64_t Ticks(const pf::FILETIME& ft) {
    return (std::uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

std::uint64_t Utc(const pf::SYSTEMTIME& st) {
    pf::FILETIME ft{};
    pf::SystemTimeToFileTime(&st, &ft);
    return Ticks(ft);
}

// Creation, access and write time of a file or folder.
std::vector<std::uint64_t> Times(const char* path) {
    HANDLE file = pf::CreateFileA(path, pf::GENERIC_READ, 0, nullptr, pf::OPEN_EXISTING,
                                  pf::FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    pf::FILETIME got[3] = {};
    EXPECT_TRUE(pf::GetFileTime(file, &got[0], &got[1], &got[2])) << path;
    pf::CloseHandle(file);
    return {Ticks(got[0]), Ticks(got[1]), Ticks(got[2])};
}

TEST_F(Files, ModifyFileTimeTakesLocalTimes) {
    tessaly::testing::ScopedZone zone("EST5EDT,M3.2.0,M11.1.0");
    WriteFile(c + "/t.txt", "x");
    fs::create_directories(c + "/folder");
    // 2021-07-04 12:00, 2021-01-04 06:30 and 1965-12-29 18:00 local.
    COleDateTime write = Date(44381.5), creation = Date(44200.0 + 6.5 / 24),
                 access = Date(24105.75);
    // UTC = local + 4 h in summer, + 5 h in winter.
    const std::vector<std::uint64_t> expected = {Utc({2021, 1, 0, 4, 11, 30, 0, 0}),
                                                 Utc({1965, 12, 0, 29, 23, 0, 0, 0}),
                                                 Utc({2021, 7, 0, 4, 16, 0, 0, 0})};
    for (const char* path : {"C:\\t.txt", "C:\\folder"}) {
        ASSERT_NE(ModifyFileTime(path, &write, &creation, &access), 0) << path;
        EXPECT_EQ(Times(path), expected) << path;
    }
    // Null and invalid dates leave their times alone.
    COleDateTime invalid = Date(50000, COleDateTime::invalid), later = Date(44382.0);
    ASSERT_NE(ModifyFileTime("C:\\t.txt", &later, nullptr, &invalid), 0);
    EXPECT_EQ(Times("C:\\t.txt")[1], expected[1]);
    EXPECT_EQ(ModifyFileTime("C:\\missing.txt", &write, nullptr, nullptr), 0);
}

TEST_F(Files, ModifyFileTimeFailures) {
    std::vector<tessaly::automation::MessageBoxInfo> boxes;
    tessaly::automation::SetMessageBoxHandler([&](const tessaly::automation::MessageBoxInfo& box) {
        boxes.push_back(box);
        return IDOK;
    });
    COleDateTime date = Date(44381.5);
    // A read-only file cannot be opened for writing: nothing is set and nothing shown.
    WriteFile(c + "/ro.txt", "x");
    ASSERT_TRUE(pf::SetFileAttributesA("C:\\ro.txt", pf::FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ModifyFileTime("C:\\ro.txt", &date, nullptr, nullptr), 0);
    EXPECT_TRUE(boxes.empty());
    // A device opens but keeps no creation time: the system's text is shown.
    EXPECT_EQ(ModifyFileTime("Z:\\dev\\null", nullptr, &date, nullptr), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "GetLastError");
    EXPECT_EQ(boxes[0].type & 0xF0u, 0x10u); // the stop icon
    EXPECT_EQ(boxes[0].text, pf::SystemErrorText(5));
}

} // namespace
