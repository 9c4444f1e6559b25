// File services: existence and attributes, listing, emptying and copying folders, whole-file
// reads and writes, disk space, checks of typed paths and file times.
#include <sys/statvfs.h>

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
using tessaly::testing::WindowsPath;
using tessaly::testing::WriteFile;

namespace {

class Files : public DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        tessaly::automation::SetMessageBoxHandler([this](const auto& box) {
            boxes_.push_back(box);
            return answer_;
        });
    }
    void TearDown() override { tessaly::automation::SetMessageBoxHandler(nullptr); }
    static std::set<std::string> Names(const CStringArray& list) {
        std::set<std::string> names;
        for (const CString& item : list)
            names.insert(item.str());
        return names;
    }
    std::vector<tessaly::automation::MessageBoxInfo> boxes_;
    int answer_ = IDOK;
};

TEST_F(Files, ExistenceAndAttributes) {
    WriteFile(c + "/d/a.txt", "abc");
    for (auto [path, exists] :
         {std::pair{"c:\\D\\A.TXT", 1}, {"C:\\d", 1}, {"C:\\d\\*.doc", 0}, {"C:\\d\\", 0}})
        EXPECT_EQ(IsFileExist(path), exists) << path;
    EXPECT_EQ(IsReadOnly("C:\\d\\missing.txt"), 1); // all bits of the failed query are set
    SetFileReadOnly("C:\\d\\a.txt", 1);
    EXPECT_EQ(IsReadOnly("C:\\d\\a.txt"), 1);
    const DWORD hidden = pf::FILE_ATTRIBUTE_HIDDEN, system = pf::FILE_ATTRIBUTE_SYSTEM;
    ASSERT_TRUE(pf::SetFileAttributesA("C:\\d\\a.txt", hidden | pf::FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(RemoveFileAttr("C:\\d\\a.txt", hidden | system), 1);
    EXPECT_EQ(pf::GetFileAttributesA("C:\\d\\a.txt"), DWORD(pf::FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(RemoveFileAttr("C:\\d\\missing.txt", hidden), 0);
}

TEST_F(Files, DirectoryFilesInBothForms) {
    for (const char* file : {"a.TXT", "b.doc", "noext", "sub/c.txt", "sub/deeper/e.bin"})
        WriteFile(c + "/lib/" + file, "");
    // A link back up is not followed (it would never end).
    fs::create_directory_symlink(c + "/lib", c + "/lib/sub/loop");
    CStringArray all;
    all.Add("kept");
    GetDirectoryFiles("C:\\lib", all);
    EXPECT_EQ(Names(all),
              (std::set<std::string>{"kept", "C:\\lib\\a.TXT", "C:\\lib\\b.doc", "C:\\lib\\noext",
                                     "C:\\lib\\sub\\c.txt", "C:\\lib\\sub\\deeper\\e.bin"}));

    char txt[] = "txt", doc[] = "DOC", none[] = "";
    struct Case {
        std::vector<char*> extensions;
        int recurse;
        std::set<std::string> listed;
    } cases[] = {
        {{txt, doc}, 0, {"C:\\lib\\a.TXT", "C:\\lib\\b.doc"}},
        {{none}, 0, {"C:\\lib\\noext", "C:\\lib\\sub"}}, // a folder counts when not recursing
        // Recursing lists everything below the first level, whatever its extension.
        {{txt}, 1, {"C:\\lib\\a.TXT", "C:\\lib\\sub\\c.txt", "C:\\lib\\sub\\deeper\\e.bin"}},
    };
    for (const Case& t : cases) {
        CStringArray list;
        GetDirectoryFiles("C:\\lib\\", list, t.recurse, const_cast<char**>(t.extensions.data()),
                          static_cast<int>(t.extensions.size()));
        EXPECT_EQ(Names(list), t.listed) << t.extensions.size() << " " << t.recurse;
    }
}

TEST_F(Files, ClearSpaceRefusesRootsAndThePrefix) {
    WriteFile(c + "/keep.txt", "");
    WriteFile(prefix_.root() + "/marker.txt", "");
    fs::create_directory_symlink(prefix_.root(), c + "/prefix-link");
    const std::string refused[] = {"C:\\", "Z:\\tmp\\..", "C:\\prefix-link",
                                   WindowsPath(prefix_.root()) + "\\dosdevices\\..",
                                   WindowsPath(fs::path(prefix_.root()).parent_path())};
    for (const std::string& folder : refused) {
        ClearSpace(folder.c_str());
        ClearAll(folder.c_str(), 0);
        ASSERT_TRUE(fs::exists(c + "/keep.txt")) << folder;
        ASSERT_TRUE(fs::exists(prefix_.root() + "/marker.txt")) << folder;
    }
}

TEST_F(Files, ClearSpaceExSparesTheKeepList) {
    const std::pair<const char*, bool> files[] = {
        {"keep.txt", true},          {"drop.txt", false},          {"kept/inner.txt", true},
        {"sub/keep-deep.txt", true}, {"sub/drop-deep.txt", false},
    };
    for (const auto& [file, stays] : files)
        WriteFile(c + "/box/" + file, "");
    CStringArray keep;
    keep.Add("C:\\BOX\\Keep.txt");
    keep.Add("c:\\box\\kept"); // not descended into
    keep.Add("C:\\box\\sub\\keep-deep.txt");
    ClearSpaceEx("C:\\box", keep);
    for (const auto& [file, stays] : files)
        EXPECT_EQ(fs::exists(c + "/box/" + file), stays) << file;
}

// Entries are removed through Windows paths made of the folder's path and their ANSI names;
// links are removed, never followed.
TEST_F(Files, ClearSpaceGoesThroughWindowsNames) {
    const std::pair<const char*, bool> cases[] = {
        {"\xE4\xB8\xAD.txt", false}, // not in the code page: found again by its '?' name
        {"trailing.", true},         // Windows drops the dot
        {"sub/inner.txt", false},
        {"ro.txt", false},
    };
    const std::string work = c + "/tmp/work", outside = prefix_.scratch() + "/outside";
    for (const auto& [name, stays] : cases)
        WriteFile(work + "/" + name, "");
    WriteFile(outside + "/precious.txt", "keep me");
    fs::create_directory_symlink(outside, work + "/sub/folder-link");
    ASSERT_TRUE(pf::SetFileAttributesA("C:\\tmp\\work\\ro.txt", pf::FILE_ATTRIBUTE_READONLY));
    ClearSpace("C:\\TMP\\work");
    for (const auto& [name, stays] : cases)
        EXPECT_EQ(fs::exists(work + "/" + name), stays) << name;
    EXPECT_FALSE(fs::exists(work + "/sub"));
    EXPECT_EQ(ReadFile(outside + "/precious.txt"), "keep me");
    ClearSpace(nullptr); // nothing to do, nothing breaks
}

TEST_F(Files, XCopyNeverOverwrites) {
    WriteFile(c + "/src/a.txt", "new a");
    WriteFile(c + "/src/b.txt", "new b");
    WriteFile(c + "/src/Case.txt", "new");
    WriteFile(c + "/dst/a.txt", "old a");
    WriteFile(c + "/dst/CASE.TXT", "old"); // the same name to Windows
    XCopy("C:\\src", "C:\\dst");
    for (auto [file, text] : {std::pair{"a.txt", "old a"}, {"CASE.TXT", "old"}, {"b.txt", "new b"}})
        EXPECT_EQ(ReadFile(c + "/dst/" + file), text) << file;
    EXPECT_FALSE(fs::exists(c + "/dst/Case.txt"));
}

TEST_F(Files, WholeFileReadsAndWrites) {
    WriteFile(c + "/long.txt", std::string(5000, 'x') + "y");
    EXPECT_EQ(ReadTextFile("C:\\long.txt").str(), std::string(4096, 'x'));
    const std::string zeros("ab\0cd", 5);
    WriteFile(c + "/zero.bin", zeros);
    EXPECT_EQ(ReadTextFile("C:\\zero.bin"), "ab");
    CByteArray bytes;
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
}

TEST_F(Files, DiskSpaceOfFixedDrivesOnly) {
    struct statvfs vfs;
    ASSERT_EQ(statvfs(c.c_str(), &vfs), 0);
    EXPECT_EQ(GetTotalDiskSpace("C:\\any\\file.txt"), LONGLONG(vfs.f_blocks) * vfs.f_frsize);
    MapDrive(prefix_, 'd', "cdrom");
    EXPECT_EQ(GetFreeDiskSpace("D:\\disc\\x"), -1);
}

TEST_F(Files, CheckFileExplainsRefusals) {
    WriteFile(c + "/docs/exists.txt", "");
    WriteFile(c + "/blocker", "");
    // Path, ask, must exist, the answer given, result, the message ("": none).
    const std::tuple<const char*, int, int, int, int, const char*> cases[] = {
        {"", 0, 0, IDOK, 0, "Filename cannot empty."},
        {"C:\\docs\\exists.txt", 1, 0, IDCANCEL, 0,
         "File \"C:\\docs\\exists.txt\" already exists, do you want to overwrite this file?"},
        {"C:\\docs\\new.txt", 0, 1, IDOK, 0, "C:\\docs\\new.txt does not exist, please try again."},
        {"C:\\made\\by\\check\\x.txt", 0, 0, IDOK, 1, ""},
        {"C:\\blocker\\sub\\x.txt", 0, 0, IDOK, 0, "Cannot create C:\\blocker\\sub\\."},
    };
    for (const auto& [path, ask, mustExist, answer, result, message] : cases) {
        boxes_.clear();
        answer_ = answer;
        EXPECT_EQ(CheckFile(path, ask, mustExist), result) << path;
        EXPECT_EQ(boxes_.empty() ? "" : boxes_[0].text, message) << path;
    }
    EXPECT_TRUE(fs::is_directory(c + "/made/by/check"));
}

std::uint64_t Ticks(const pf::FILETIME& ft) {
    return (std::uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

std::vector<std::uint64_t> Times(const char* path) {
    HANDLE file =
        pf::CreateFileA(path, pf::GENERIC_READ, 0, nullptr, pf::OPEN_EXISTING, 0, nullptr);
    pf::FILETIME got[3] = {};
    EXPECT_TRUE(pf::GetFileTime(file, &got[0], &got[1], &got[2])) << path;
    pf::CloseHandle(file);
    return {Ticks(got[0]), Ticks(got[1]), Ticks(got[2])};
}

TEST_F(Files, ModifyFileTimeTakesLocalTimes) {
    tessaly::testing::ScopedZone zone("EST5EDT,M3.2.0,M11.1.0");
    WriteFile(c + "/t.txt", "x");
    COleDateTime write(2021, 7, 4, 12, 0, 0), creation(2021, 1, 4, 6, 30, 0),
        access(1965, 12, 29, 18, 0, 0), invalid(2030, 1, 1, 0, 0, 0);
    // UTC = local + 4 h in summer, + 5 h in winter.
    std::vector<std::uint64_t> expected;
    for (pf::SYSTEMTIME utc : {pf::SYSTEMTIME{2021, 1, 0, 4, 11, 30, 0, 0},
                               {1965, 12, 0, 29, 23, 0, 0, 0},
                               {2021, 7, 0, 4, 16, 0, 0, 0}}) {
        pf::FILETIME ft{};
        pf::SystemTimeToFileTime(&utc, &ft);
        expected.push_back(Ticks(ft));
    }
    ASSERT_NE(ModifyFileTime("C:\\t.txt", &write, &creation, &access), 0);
    EXPECT_EQ(Times("C:\\t.txt"), expected);
    // Null and invalid dates leave their times alone.
    invalid.m_status = COleDateTime::invalid;
    ASSERT_NE(ModifyFileTime("C:\\t.txt", &creation, nullptr, &invalid), 0);
    EXPECT_EQ(Times("C:\\t.txt")[1], expected[1]);
    EXPECT_EQ(ModifyFileTime("C:\\missing.txt", &write, nullptr, nullptr), 0);
    // A device opens but keeps no creation time: the system's text is shown.
    EXPECT_EQ(ModifyFileTime("Z:\\dev\\null", nullptr, &write, nullptr), 0);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].caption, "GetLastError");
    EXPECT_EQ(boxes_[0].type & 0xF0u, 0x10u); // the stop icon
    EXPECT_EQ(boxes_[0].text, pf::SystemErrorText(5));
}

} // namespace
