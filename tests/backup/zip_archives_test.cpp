// Zip archives through the "Zip/Unzip" window and its engine: round trips with the system's
// zip and unzip, passwords, damaged and unsafe archives, entry names, and Cancel.
#include <tessaly/automation.h>
#include <tessaly/backup.h>
#include <tessaly/messages.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QTimer>

#include <fstream>
#include <memory>
#include <random>

#include "support/qt_app.h"
#include "zip_engine.h"
#include "zip_support.h"

using namespace tessaly::testing;
using namespace zip_test;

namespace {

constexpr int kStatusControl = 2332;

class ZipArchives : public DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        EnsureQtApplication();
        tessaly::automation::SetMessageBoxHandler(
            [this](const tessaly::automation::MessageBoxInfo& box) {
                messages.push_back(box.text);
                return 1;
            });
    }
    void TearDown() override {
        tessaly::automation::SetMessageBoxHandler(nullptr);
        tessaly::automation::SetDialogHandler(nullptr);
    }

    int zipFile(int zip, const std::string& archive, const std::string& items,
                const std::string& password = "") {
        messages.clear();
        return ZipFile(zip, archive.c_str(), items.c_str(), password.c_str());
    }

    // A tree with blanks and a Windows-1252 letter in names, text and binary content.
    std::string makeTree() {
        const std::string src = c + "/src";
        WriteFile(src + "/My Docs/letter one.txt", "Dear reader,\r\nthis is the first letter.\r\n");
        WriteFile(src + "/My Docs/M\xC3\xBCller.txt", std::string(5000, 'x') + "end");
        std::string binary;
        std::mt19937 random(7);
        for (int i = 0; i < 200000; ++i)
            binary += static_cast<char>(random() & 0xFF);
        WriteFile(src + "/My Docs/sub/data.bin", binary);
        WriteFile(src + "/top.bin", binary.substr(0, 1000));
        fs::create_directories(src + "/My Docs/empty");
        return src;
    }

    RunResult shell(const std::string& command) { return RunProgram({"sh", "-c", command}); }

    std::vector<std::string> messages;
};

} // namespace

// Archives we write pass the system's unzip (with and without a password) and unpack to the
// same bytes; the item list takes a folder and a wild card at once.
TEST_F(ZipArchives, OursOpenWithTheSystemUnzip) {
    const std::string src = makeTree();
    for (const std::string password : {"", "s3cret word"}) {
        SCOPED_TRACE(password);
        fs::remove(c + "/out.zip");
        ASSERT_EQ(zipFile(1, "C:\\out.zip", "C:\\src\\My Docs|C:\\src\\*.bin", password), 1);
        EXPECT_TRUE(messages.empty());
        const std::string pass = password.empty() ? "" : "-P '" + password + "' ";
        const RunResult test = shell("unzip " + pass + "-t '" + c + "/out.zip'");
        EXPECT_EQ(test.status, 0) << test.out << test.err;
        fs::remove_all(c + "/check");
        ASSERT_EQ(shell("unzip -q " + pass + "'" + c + "/out.zip' -d '" + c + "/check'").status, 0);
        auto expected = TreeOf(src);
        EXPECT_EQ(TreeOf(c + "/check"), expected);
        EXPECT_TRUE(fs::is_directory(c + "/check/My Docs/empty"));
        if (!password.empty()) EXPECT_NE(shell("unzip -P wrong -t '" + c + "/out.zip'").status, 0);
    }
}

// Archives of the system's zip, with and without a password, unpack byte for byte.
TEST_F(ZipArchives, SystemArchivesUnpackByteForByte) {
    const std::string src = makeTree();
    struct Case {
        const char* name;
        const char* options;
        const char* password;
    } const cases[] = {
        {"plain", "-r", ""},
        {"stored", "-r -0", ""},
        {"protected", "-r -P pass", "pass"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        fs::remove(c + "/theirs.zip");
        fs::remove_all(c + "/unpacked");
        ASSERT_EQ(
            shell("cd '" + src + "' && zip -q " + k.options + " '" + c + "/theirs.zip' .").status,
            0);
        ASSERT_EQ(zipFile(0, "C:\\theirs.zip", "C:\\unpacked\\in here", k.password), 1);
        EXPECT_EQ(TreeOf(c + "/unpacked/in here"), TreeOf(src));
    }
}

// A protected archive: no password gives 4 silently, a wrong one 4 after "Wrong password!";
// archives in AES, which libzip writes and reads, behave the same.
TEST_F(ZipArchives, PasswordsDecideBetweenOneAndFour) {
    WriteFile(c + "/secret.txt", "classified");
    ASSERT_EQ(shell("cd '" + c + "' && zip -q -P right trad.zip secret.txt").status, 0);
    zipengine::ZipOptions aes;
    aes.archive = "C:\\aes.zip";
    aes.items = "C:\\secret.txt";
    aes.password = "right";
    aes.encryption = zipengine::kAes256Encryption;
    ASSERT_EQ(zipengine::Zip(aes).code, zipengine::kOk);
    struct Case {
        const char* password;
        int result;
        std::vector<std::string> messages;
    } const cases[] = {
        {"", 4, {}},
        {"wrong", 4, {"Wrong password!"}},
        {"right", 1, {}},
    };
    for (const char* archive : {"trad", "aes"}) {
        for (const Case& k : cases) {
            SCOPED_TRACE(std::string(archive) + " / " + k.password);
            fs::remove_all(c + "/dest");
            EXPECT_EQ(zipFile(0, std::string("C:\\") + archive + ".zip", "C:\\dest", k.password),
                      k.result);
            EXPECT_EQ(messages, k.messages);
            EXPECT_EQ(fs::exists(c + "/dest/secret.txt"), k.result == 1);
        }
    }
}

// Bad input: 2 after the operation's message, never a crash, and nothing lost.
TEST_F(ZipArchives, BadInputEndsWithTheErrorMessage) {
    makeTree();
    ASSERT_EQ(zipFile(1, "C:\\good.zip", "C:\\src\\top.bin"), 1);
    const std::string good = ReadFile(c + "/good.zip");
    WriteFile(c + "/truncated.zip", good.substr(0, good.size() / 2));
    std::string corrupt = good;
    corrupt[60] = static_cast<char>(corrupt[60] ^ 0xFF); // inside the compressed data
    corrupt[61] = static_cast<char>(corrupt[61] ^ 0xFF);
    WriteFile(c + "/corrupt.zip", corrupt);
    WriteFile(c + "/text.zip", "this is not a zip archive at all");
    WriteFile(c + "/a file", "in the way");
    struct Case {
        const char* name;
        int zip;
        const char* archive;
        const char* items;
        const char* message;
    } const cases[] = {
        {"missing item", 1, "C:\\new.zip", "C:\\src\\nothing.txt", "Error while zipping"},
        {"nothing matches", 1, "C:\\new.zip", "C:\\src\\*.none", "Error while zipping"},
        {"archive in a missing folder", 1, "C:\\no\\such\\new.zip", "C:\\src\\top.bin",
         "Error while zipping"},
        {"archive is no zip", 1, "C:\\text.zip", "C:\\src\\top.bin", "Error while zipping"},
        {"missing archive", 0, "C:\\missing.zip", "C:\\dest", "Error while unzipping"},
        {"not a zip", 0, "C:\\text.zip", "C:\\dest", "Error while unzipping"},
        {"truncated", 0, "C:\\truncated.zip", "C:\\dest", "Error while unzipping"},
        {"corrupt data", 0, "C:\\corrupt.zip", "C:\\dest", "Error while unzipping"},
        {"destination under a file", 0, "C:\\good.zip", "C:\\a file\\dest",
         "Error while unzipping"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(zipFile(k.zip, k.archive, k.items), 2);
        EXPECT_EQ(messages, std::vector<std::string>{k.message});
    }
    EXPECT_FALSE(fs::exists(c + "/new.zip"));
    EXPECT_EQ(ReadFile(c + "/text.zip"), "this is not a zip archive at all");
    EXPECT_FALSE(fs::exists(c + "/dest/top.bin")); // the damaged entry is not kept
}

// Entry names that climb out or are absolute make the whole archive refused; a link out of
// the destination (in the archive or already there) refuses its entries only.
TEST_F(ZipArchives, UnsafeEntriesAreRefused) {
    fs::create_directories(c + "/outside");
    struct Case {
        const char* name;
        std::vector<HandEntry> entries;
        bool restUnpacked; // good.txt is written
    } const cases[] = {
        {"dot dot", {{"good.txt", "ok"}, {"../evil.txt", "bad"}}, false},
        {"dot dot inside", {{"good.txt", "ok"}, {"a/../../evil.txt", "bad"}}, false},
        {"backslash dot dot", {{"good.txt", "ok"}, {"a\\..\\..\\evil.txt", "bad"}}, false},
        {"absolute", {{"good.txt", "ok"}, {"/tmp/evil.txt", "bad"}}, false},
        {"drive letter", {{"good.txt", "ok"}, {"C:/evil.txt", "bad"}}, false},
        {"link out", {{"good.txt", "ok"}, {"exit", "../../outside", false, true}}, true},
        {"absolute link", {{"good.txt", "ok"}, {"exit2", "/tmp", false, true}}, true},
        {"through an existing link", {{"good.txt", "ok"}, {"planted/evil.txt", "bad"}}, true},
    };
    std::vector<HandArchive> archives;
    for (size_t i = 0; i < std::size(cases); ++i)
        archives.push_back({c + "/unsafe" + std::to_string(i) + ".zip", cases[i].entries});
    archives.push_back(
        {c + "/link.zip", {{"target.txt", "here"}, {"sub/alias", "../target.txt", false, true}}});
    ASSERT_TRUE(MakeArchives(archives));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& k = cases[i];
        SCOPED_TRACE(k.name);
        fs::remove_all(c + "/dest");
        fs::create_directories(c + "/dest");
        fs::create_directory_symlink(c + "/outside", c + "/dest/planted");
        EXPECT_EQ(zipFile(0, "C:\\unsafe" + std::to_string(i) + ".zip", "C:\\dest"), 2);
        EXPECT_EQ(messages, std::vector<std::string>{"Error while unzipping"});
        EXPECT_EQ(fs::exists(c + "/dest/good.txt"), k.restUnpacked);
        EXPECT_TRUE(fs::is_empty(c + "/outside"));
        EXPECT_FALSE(fs::exists(c + "/evil.txt"));
        EXPECT_FALSE(fs::is_symlink(c + "/dest/exit") || fs::is_symlink(c + "/dest/exit2"));
    }
    // A link that stays inside is made.
    fs::remove_all(c + "/dest");
    EXPECT_EQ(zipFile(0, "C:\\link.zip", "C:\\dest"), 1);
    EXPECT_TRUE(fs::is_symlink(c + "/dest/sub/alias"));
    EXPECT_EQ(ReadFile(c + "/dest/sub/alias"), "here");
}

// Names are UTF-8 when flagged (or valid UTF-8 without the flag, as Unix tools write them),
// else code page 437, and are written in the ANSI code page's form (Windows-1252 here: a
// letter it lacks becomes "?").
TEST_F(ZipArchives, EntryNamesFollowTheirFlag) {
    struct Case {
        const char* name;
        HandEntry entry;
        const char* onDisk;
    } const cases[] = {
        {"code page 437", {"M\x81ller.txt", "1"}, "M\xC3\xBCller.txt"},
        {"UTF-8 flagged", {"caf\xC3\xA9 menu.txt", "2", true}, "caf\xC3\xA9 menu.txt"},
        {"beyond the code page", {"\xCE\xA9mega.txt", "3", true}, "?mega.txt"},
        {"UTF-8 without the flag", {"na\xC3\xAFve.txt", "4"}, "na\xC3\xAFve.txt"},
    };
    std::vector<HandArchive> archives;
    for (size_t i = 0; i < std::size(cases); ++i)
        archives.push_back({c + "/names" + std::to_string(i) + ".zip", {cases[i].entry}});
    ASSERT_TRUE(MakeArchives(archives));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& k = cases[i];
        SCOPED_TRACE(k.name);
        fs::remove_all(c + "/dest");
        EXPECT_EQ(zipFile(0, "C:\\names" + std::to_string(i) + ".zip", "C:\\dest"), 1);
        EXPECT_EQ(ReadFile(c + "/dest/" + k.onDisk), k.entry.data);
    }
}

// An entry that inflates beyond its declared size is stopped and not kept; the honest
// entries beside it are unpacked.
TEST_F(ZipArchives, SizesThatLieStopAtTheDeclaredSize) {
    ASSERT_TRUE(MakeArchives({{c + "/bomb.zip",
                               {{"honest.txt", "fine"},
                                {"bomb.bin", std::string(1 << 20, '\0'), false, false, 1000}}}}));
    EXPECT_EQ(zipFile(0, "C:\\bomb.zip", "C:\\dest"), 2);
    EXPECT_EQ(ReadFile(c + "/dest/honest.txt"), "fine");
    EXPECT_FALSE(fs::exists(c + "/dest/bomb.bin"));
    for (const auto& entry : fs::directory_iterator(c + "/dest"))
        EXPECT_EQ(entry.path().filename(), "honest.txt"); // no part file left
}

// While the engine works the window's status shows the item and percentage and the window
// answers; Cancel then stops the work and leaves no archive, half or whole.
TEST_F(ZipArchives, CancelLeavesNoArchive) {
    std::mt19937 random(11);
    std::string noise(4 << 20, '\0');
    for (char& ch : noise)
        ch = static_cast<char>(random() & 0xFF);
    for (int i = 0; i < 12; ++i)
        WriteFile(c + "/big/part" + std::to_string(i) + ".bin", noise);
    std::vector<std::pair<std::string, long>> seen;
    std::unique_ptr<QTimer> watcher;
    tessaly::automation::SetDialogHandler([&](tessaly::automation::Dialog& d) {
        const HWND window = d.Handle();
        watcher = std::make_unique<QTimer>();
        QObject::connect(watcher.get(), &QTimer::timeout, [&seen, window] {
            CWnd* dialog = CWnd::FromHandle(window);
            CWnd* status = dialog ? dialog->GetDlgItem(kStatusControl) : nullptr;
            if (!status) return;
            CString item;
            LONG percent = 0;
            status->GetProperty(2, VT_BSTR, &item);
            status->GetProperty(1, VT_I4, &percent);
            if (item.IsEmpty()) return;
            seen.emplace_back(item.GetString(), percent);
            if (seen.size() == 3) CWnd::SendMessage(window, WM_COMMAND, IDCANCEL, 0);
        });
        watcher->start(5);
    });
    EXPECT_EQ(zipFile(1, "C:\\big.zip", "C:\\big"), 2);
    watcher.reset();
    EXPECT_TRUE(messages.empty());
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen.front().first.rfind("big/part", 0), 0u) << seen.front().first;
    EXPECT_LT(seen.back().second, 100);
    for (const auto& entry : fs::directory_iterator(c))
        EXPECT_EQ(entry.path().filename().string().find("big.zip"), std::string::npos)
            << entry.path();
}

// The item list: separators, quotes and blanks, and where wild cards may stand.
TEST(ZipItemList, SplitsItemsAndRefusesWhatNoPathHolds) {
    struct Case {
        const char* text;
        bool ok;
        std::vector<std::string> items;
    } const cases[] = {
        {"\"C:\\My Docs\\a b.txt\"", true, {"C:\\My Docs\\a b.txt"}},
        {" C:\\one | \"C:\\two words\"|\r\nC:\\three\\*.t?t ",
         true,
         {"C:\\one", "C:\\two words", "C:\\three\\*.t?t"}},
        {"C:\\M\xFCller.txt|||", true, {"C:\\M\xFCller.txt"}},
        {"\"\" | ", false, {}},
        {"C:\\*\\file.txt", false, {}},
        {"C:\\a<b", false, {}},
        {"C:\\a\tb\x01", false, {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        std::vector<std::string> items;
        std::string error;
        EXPECT_EQ(zipengine::ParseItemList(k.text, items, error), k.ok) << error;
        if (k.ok) EXPECT_EQ(items, k.items);
        EXPECT_EQ(error.empty(), k.ok);
    }
}

// Entry names as unpacking takes them.
TEST(ZipEntryNames, PartsBelowTheDestinationOnly) {
    struct Case {
        const char* name;
        bool safe;
        std::vector<std::string> parts;
    } const cases[] = {
        {"a/b/c.txt", true, {"a", "b", "c.txt"}},
        {"a\\b\\", true, {"a", "b"}},
        {"./a//b", true, {"a", "b"}},
        {"a/../b", false, {}},
        {"..", false, {}},
        {"/etc/passwd", false, {}},
        {"\\share\\x", false, {}},
        {"D:evil", false, {}},
        {"", false, {}},
        {"./", false, {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        std::vector<std::string> parts;
        EXPECT_EQ(zipengine::SafeEntryParts(k.name, parts), k.safe);
        if (k.safe) EXPECT_EQ(parts, k.parts);
    }
}
