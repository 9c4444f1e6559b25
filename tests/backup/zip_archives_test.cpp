// Zip archives through the "Zip/Unzip" window and its engine: round trips with the system's
// tools, passwords, damaged and unsafe archives, entry names, and Cancel.
#include <tessaly/automation.h>
#include <tessaly/backup.h>
#include <tessaly/messages.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <QTimer>

#include <filesystem>
#include <memory>
#include <random>

#include "support/prefix.h"
#include "support/qt_app.h"
#include "support/run.h"
#include "zip_engine.h"

using namespace tessaly::testing;
namespace fs = std::filesystem;
using Messages = std::vector<std::string>;

namespace {

// An entry as stored: name, data, UTF-8 flag, link, claimed size (-1: the true one).
struct HandEntry {
    std::string name, data;
    bool utf8 = false, link = false;
    long declared = -1;
};
using HandArchive = std::pair<std::string, std::vector<HandEntry>>;

// Writes the archives in one run of the script (Python starts slowly); false on failure.
inline bool MakeArchives(const std::vector<HandArchive>& archives) {
    auto hex = [](const std::string& bytes) { // the script reads bytes as hex digits
        std::string text;
        for (unsigned char ch : bytes)
            text += {"0123456789abcdef"[ch >> 4], "0123456789abcdef"[ch & 15]};
        return text;
    };
    std::vector<std::string> args = {"python3",
                                     TESSALY_SOURCE_DIR "/tests/backup/make_archives.py"};
    for (const auto& [path, entries] : archives) {
        args.insert(args.end(), {path, std::to_string(entries.size())});
        for (const HandEntry& e : entries)
            args.insert(args.end(), {hex(e.name), hex(e.data), e.utf8 ? "1" : "0",
                                     e.link ? "1" : "0", std::to_string(e.declared)});
    }
    return tessaly::testing::RunProgram(args).status == 0;
}

std::string noise(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& ch : bytes)
        ch = static_cast<char>(random() & 0xFF);
    return bytes;
}

class ZipArchives : public DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        EnsureQtApplication();
        tessaly::automation::SetMessageBoxHandler([this](const auto& box) {
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
        const std::string random = noise(200000, 7);
        WriteFile(c + "/src/My Docs/letter one.txt", "Dear reader,\r\nthe first letter.\r\n");
        WriteFile(c + "/src/My Docs/M\xC3\xBCller.txt", std::string(5000, 'x'));
        WriteFile(c + "/src/My Docs/sub/data.bin", random);
        WriteFile(c + "/src/top.bin", random.substr(0, 1000));
        fs::create_directories(c + "/src/My Docs/empty");
        return c + "/src";
    }
    RunResult shell(const std::string& command) { return RunProgram({"sh", "-c", command}); }

    Messages messages;
};

} // namespace

// Both ways with the system's tools, with and without a password: ours pass unzip -t (a
// wrong password fails it) and unpack to the same bytes; theirs (stored or deflated, names
// in UTF-8 without the flag) unpack with us byte for byte. Items: a quoted folder and a wild card,
// blanks around them.
TEST_F(ZipArchives, RoundTripsWithTheSystemTools) {
    const std::string src = makeTree();
    for (const std::string password : {"", "s3cret word"}) {
        SCOPED_TRACE(password);
        const std::string p = password.empty() ? "" : "-P '" + password + "' ";
        const std::string ours = "'" + c + "/ours.zip' ", theirs = "'" + c + "/theirs.zip' ";
        fs::remove_all(c + "/check");
        fs::remove_all(c + "/unpacked");
        ASSERT_EQ(
            zipFile(1, "C:\\ours.zip", " \"C:\\src\\My Docs\" |\r\nC:\\src\\*.b?n ", password), 1);
        EXPECT_EQ(shell("unzip " + p + "-t " + ours).status, 0);
        EXPECT_EQ(shell("unzip -P wrong -t " + ours).status == 0, password.empty());
        ASSERT_EQ(shell("unzip -q " + p + ours + "-d '" + c + "/check'").status, 0);
        EXPECT_EQ(shell("diff -r '" + src + "' '" + c + "/check'").status, 0); // empty folder too
        const std::string level = password.empty() ? "-0 " : "";
        ASSERT_EQ(shell("cd '" + src + "' && zip -q -r " + level + p + theirs + ".").status, 0);
        ASSERT_EQ(zipFile(0, "C:\\theirs.zip", "C:\\unpacked\\in here", password), 1);
        EXPECT_EQ(shell("diff -r '" + src + "' '" + c + "/unpacked/in here'").status, 0);
        fs::remove(c + "/theirs.zip");
    }
}

// No password gives 4 silently, a wrong one 4 after "Wrong password!", for traditional
// encryption and for AES (which libzip writes and reads).
TEST_F(ZipArchives, PasswordsDecideBetweenOneAndFour) {
    WriteFile(c + "/secret.txt", "classified");
    ASSERT_EQ(shell("cd '" + c + "' && zip -q -P right trad.zip secret.txt").status, 0);
    zipengine::ZipOptions aes{
        .archive = "C:\\aes.zip", .items = "C:\\secret.txt", .password = "right"};
    aes.encryption = zipengine::kAes256Encryption;
    ASSERT_EQ(zipengine::Zip(aes).code, zipengine::kOk);
    for (const char* archive : {"C:\\trad.zip", "C:\\aes.zip"}) {
        for (const auto& [password, result, shown] : {std::tuple{"", 4, Messages{}},
                                                      {"wrong", 4, Messages{"Wrong password!"}},
                                                      {"right", 1, Messages{}}}) {
            fs::remove_all(c + "/dest");
            EXPECT_EQ(zipFile(0, archive, "C:\\dest", password), result) << archive << password;
            EXPECT_EQ(messages, shown);
            EXPECT_EQ(fs::exists(c + "/dest/secret.txt"), result == 1);
        }
    }
}

// Bad input: 2 after the operation's message, and nothing lost.
TEST_F(ZipArchives, BadInputEndsWithTheErrorMessage) {
    makeTree();
    ASSERT_EQ(zipFile(1, "C:\\good.zip", "C:\\src\\top.bin"), 1);
    const std::string good = ReadFile(c + "/good.zip");
    std::string corrupt = good;
    corrupt[60] = static_cast<char>(corrupt[60] ^ 0xFF); // inside the compressed data
    WriteFile(c + "/corrupt.zip", corrupt);
    WriteFile(c + "/text.zip", "not a zip archive");
    WriteFile(c + "/a file", "in the way");
    for (const auto& [zip, archive, items] : {
             std::tuple{1, "C:\\new.zip", "C:\\src\\nothing.txt"},
             {1, "C:\\new.zip", "C:\\*\\top.bin"}, // wild cards in the last part only
             {1, "C:\\no\\such\\new.zip", "C:\\src\\top.bin"},
             {1, "C:\\text.zip", "C:\\src\\top.bin"},
             {0, "C:\\missing.zip", "C:\\dest"},
             {0, "C:\\text.zip", "C:\\dest"},
             {0, "C:\\corrupt.zip", "C:\\dest"},
             {0, "C:\\good.zip", "C:\\a file\\dest"},
         }) {
        SCOPED_TRACE(std::string(archive) + " " + items);
        EXPECT_EQ(zipFile(zip, archive, items), 2);
        EXPECT_EQ(messages, Messages{zip ? "Error while zipping" : "Error while unzipping"});
    }
    EXPECT_FALSE(fs::exists(c + "/new.zip"));
    EXPECT_EQ(ReadFile(c + "/text.zip"), "not a zip archive");
    EXPECT_FALSE(fs::exists(c + "/dest/top.bin")); // the damaged entry is not kept
}

// Names that climb out or are absolute refuse the whole archive; a link out of the destination
// (in the archive or already there) and an entry inflating beyond its declared size refuse
// themselves only. Names are UTF-8 when flagged or valid, else code page 437, written in the
// ANSI code page (a letter it lacks becomes "?"); a link that stays inside is made.
TEST_F(ZipArchives, UnsafeEntriesAreRefusedAndNamesFollowTheirFlag) {
    fs::create_directories(c + "/outside");
    const HandEntry good{"good.txt", "ok"};
    const std::pair<HandEntry, bool> cases[] = {
        // the bad entry, whether the good one unpacks
        {{"../evil.txt", "bad"}, false},
        {{"a/../../evil.txt", "bad"}, false},
        {{"a\\..\\..\\evil.txt", "bad"}, false},
        {{"/tmp/evil.txt", "bad"}, false},
        {{"C:/evil.txt", "bad"}, false},
        {{"exit", "../../outside", false, true}, true},
        {{"exit", "/tmp", false, true}, true},
        {{"planted/evil.txt", "bad"}, true},
        {{"bomb.bin", std::string(50000, '\0'), false, false, 1000}, true},
    };
    const std::pair<HandEntry, const char*> names[] = {
        {{"M\x81ller.txt", "1"}, "M\xC3\xBCller.txt"},
        {{"caf\xC3\xA9 menu.txt", "2", true}, "caf\xC3\xA9 menu.txt"},
        {{"\xCE\xA9mega.txt", "3", true}, "?mega.txt"},
        {{"na\xC3\xAFve.txt", "4"}, "na\xC3\xAFve.txt"},
        {{"sub/alias", "../na\xC3\xAFve.txt", false, true}, "sub/alias"},
    };
    std::vector<HandArchive> archives(1, {c + "/names.zip", {}});
    for (const auto& [entry, onDisk] : names)
        archives[0].second.push_back(entry);
    for (size_t i = 0; i < std::size(cases); ++i)
        archives.push_back({c + "/unsafe" + std::to_string(i) + ".zip", {good, cases[i].first}});
    ASSERT_TRUE(MakeArchives(archives));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].first.name);
        fs::remove_all(c + "/dest");
        fs::create_directories(c + "/dest");
        fs::create_directory_symlink(c + "/outside", c + "/dest/planted");
        EXPECT_EQ(zipFile(0, "C:\\unsafe" + std::to_string(i) + ".zip", "C:\\dest"), 2);
        EXPECT_EQ(messages, Messages{"Error while unzipping"});
        EXPECT_EQ(fs::exists(c + "/dest/good.txt"), cases[i].second);
        EXPECT_TRUE(fs::is_empty(c + "/outside"));
        EXPECT_FALSE(fs::exists(c + "/evil.txt") || fs::is_symlink(c + "/dest/exit") ||
                     fs::exists(c + "/dest/bomb.bin"));
    }
    EXPECT_EQ(zipFile(0, "C:\\names.zip", "C:\\names"), 1);
    for (const auto& [entry, onDisk] : names)
        EXPECT_EQ(ReadFile(c + "/names/" + onDisk), entry.link ? "4" : entry.data) << onDisk;
}

// While the engine works the status shows the item and percentage and the window answers;
// Cancel then stops the work without a message and leaves no archive, half or whole.
TEST_F(ZipArchives, CancelLeavesNoArchive) {
    const std::string random = noise(4 << 20, 11);
    for (int i = 0; i < 12; ++i)
        WriteFile(c + "/big/part" + std::to_string(i) + ".bin", random);
    std::vector<std::pair<std::string, LONG>> seen;
    std::unique_ptr<QTimer> watcher;
    tessaly::automation::SetDialogHandler([&](tessaly::automation::Dialog& d) {
        watcher = std::make_unique<QTimer>();
        QObject::connect(watcher.get(), &QTimer::timeout, [&seen, window = d.Handle()] {
            CWnd* dialog = CWnd::FromHandle(window);
            CWnd* status = dialog ? dialog->GetDlgItem(2332) : nullptr;
            CString item;
            LONG percent = 0;
            if (!status || status->GetProperty(2, VT_BSTR, &item) != S_OK || item.IsEmpty()) return;
            status->GetProperty(1, VT_I4, &percent);
            seen.emplace_back(item.GetString(), percent);
            if (seen.size() == 3) CWnd::SendMessage(window, WM_COMMAND, IDCANCEL, 0);
        });
        watcher->start(5);
    });
    EXPECT_EQ(zipFile(1, "C:\\big.zip", "C:\\big"), 2);
    EXPECT_TRUE(messages.empty());
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen.front().first.rfind("big/", 0), 0u) << seen.front().first; // or its folder
    EXPECT_LT(seen.back().second, 100);
    for (const auto& entry : fs::directory_iterator(c))
        EXPECT_EQ(entry.path().filename().string().find("big.zip"), std::string::npos);
}
