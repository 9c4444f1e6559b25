// The mail client's data backup (which files, the callback, the two messages) and the
// data-recovery dialog driven through the automation API.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <tessaly/automation.h>
#include <tessaly/mail.h>

#include "support/prefix.h"

namespace fs = std::filesystem;
using namespace tessaly::testing;

namespace {

std::vector<std::pair<std::string, std::string>> calls;
int stopAfter = 0; // the callback returns 0 on this call (1-based); 0: never

int recordCall(CString source, CString destination) {
    calls.emplace_back(source.GetString(), destination.GetString());
    return static_cast<int>(calls.size()) == stopAfter ? 0 : 1;
}

class MailDataBackup : public DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        setenv("TESSALY_MODULE_PATH", (std::string(TESSALY_BUILD_DIR) + "/lib").c_str(), 1);
        calls.clear();
        stopAfter = 0;
        tessaly::automation::SetMessageBoxHandler([this](const auto& box) {
            boxes.push_back(box.text);
            return answer;
        });
        for (const char* name : {"mail.DBF", "notes.txt", "Corvane", "zozizevire", "x.cdx", "y.Fpt",
                                 "z.dat", "Corvane.bak"})
            WriteFile(c + "/Data/" + name, name);
        fs::create_directories(c + "/Data/box.dat");
    }
    void TearDown() override { tessaly::automation::SetMessageBoxHandler(nullptr); }

    std::set<std::string> copied() const {
        std::set<std::string> names;
        if (fs::is_directory(c + "/Backup"))
            for (const auto& entry : fs::directory_iterator(c + "/Backup"))
                if (entry.is_regular_file()) names.insert(entry.path().filename().string());
        return names;
    }

    std::vector<std::string> boxes;
    int answer = IDOK;
};

const std::set<std::string> kMailFiles = {"mail.DBF", "Corvane", "zozizevire",
                                          "x.cdx",    "y.Fpt",   "z.dat"};

TEST_F(MailDataBackup, CopiesOnlyTheMailDataFilesAndCallsBackForEach) {
    const struct {
        const char *rule, *source;
        bool callback;
        int stopAfter, result;
        size_t calls;
    } cases[] = {
        {"the two names and four extensions, any case; no folders", "C:\\Data", true, 0, 1, 6},
        {"a trailing backslash is the same folder", "C:\\Data\\", true, 0, 1, 6},
        {"the callback's 0 stops after its file", "C:\\Data", true, 1, 0, 1},
        {"a source folder with nothing in it is done", "C:\\Nowhere", true, 0, 1, 0},
        {"without a callback every file is copied", "C:\\Data", false, 0, 1, 0},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.rule);
        fs::remove_all(c + "/Backup");
        calls.clear();
        stopAfter = row.stopAfter;
        EXPECT_EQ(BackupCorvaneData(row.source, "C:\\Backup", row.callback ? recordCall : nullptr),
                  row.result);
        // Each call names a mail file copied whole, and the copies are those called for.
        std::set<std::string> called;
        for (const auto& [from, to] : calls) {
            const std::string name = to.substr(to.rfind('\\') + 1);
            EXPECT_TRUE(kMailFiles.count(name) && ReadFile(c + "/Backup/" + name) == name) << to;
            EXPECT_EQ(from + "|" + to, "C:\\Data\\" + name + "|C:\\Backup\\" + name);
            called.insert(name);
        }
        EXPECT_EQ(copied(), row.callback ? called : kMailFiles);
        EXPECT_EQ(called.size(), row.calls);
        EXPECT_TRUE(boxes.empty());
    }
}

TEST_F(MailDataBackup, FailuresAreNamedAndCancelStops) {
    // A destination below a file cannot be made: message 43 naming it.
    WriteFile(c + "/Plain", "a file");
    EXPECT_EQ(BackupCorvaneData("C:\\Data", "C:\\Plain\\Backup", recordCall), 0);
    EXPECT_EQ(boxes, std::vector<std::string>{"Failed to create folder 'C:\\Plain\\Backup'."});
    EXPECT_TRUE(calls.empty());

    // A folder in one copy's way: message 65 and the system's text; OK goes on, Cancel stops.
    for (int choice : {IDOK, IDCANCEL}) {
        fs::remove_all(c + "/Backup");
        fs::create_directories(c + "/Backup/z.dat");
        boxes.clear();
        calls.clear();
        answer = choice;
        EXPECT_EQ(BackupCorvaneData("C:\\Data", "C:\\Backup", recordCall), choice == IDOK)
            << choice;
        ASSERT_EQ(boxes.size(), 1u);
        const std::string head =
            "Failed to copy file from C:\\Data\\z.dat to C:\\Backup\\z.dat.\n\n";
        EXPECT_EQ(boxes[0].rfind(head, 0), 0u) << boxes[0];
        EXPECT_GT(boxes[0].size(), head.size() + 5); // the system's text follows
        const std::pair<std::string, std::string> failed{"C:\\Data\\z.dat", "C:\\Backup\\z.dat"};
        EXPECT_EQ(std::count(calls.begin(), calls.end(), failed), choice == IDOK);
        EXPECT_TRUE(choice != IDOK || copied().size() == 5u) << copied().size(); // all but z.dat
    }
}

// The recovery dialog: which buttons end it, which set a flag, and when the flags come back.
TEST(CorvaneDataRecovery, ButtonsSetTheFlagsAndOnlyOkReturnsThem) {
    TempPrefix prefix;
    const struct {
        std::vector<int> clicks;
        int result, sendReceive, dataIntegrity;
    } cases[] = {
        {{1344}, IDOK, 0, 0},                 // run again ends with OK, no flag
        {{1343, 1344}, IDOK, 1, 0},           // send/receive sets its flag and stays open
        {{1139}, IDOK, 0, 1},                 // data integrity sets its flag and ends
        {{1343, IDCANCEL}, IDCANCEL, -1, -1}, // Cancel writes neither flag
        {{3, 1344}, IDOK, 0, 0},              // the second Cancel does nothing
    };
    for (const auto& row : cases) {
        std::string open; // after each click: 'o' still open; only the last click closes it
        tessaly::automation::SetDialogHandler([&](tessaly::automation::Dialog& d) {
            EXPECT_EQ(std::to_string(d.TemplateId()) + " " + d.Caption() + " " + d.GetText(1344),
                      "335 Quorrel Data Recovery Program.... Go run Quorrel and see if problem "
                      "cleared up....");
            for (int id : row.clicks)
                open += d.Click(id) && d.IsOpen() ? 'o' : '-';
        });
        int sendReceive = -1, dataIntegrity = -1;
        EXPECT_EQ(ShowCorvaneDataRecoveryDlg(sendReceive, dataIntegrity), row.result);
        tessaly::automation::SetDialogHandler(nullptr);
        EXPECT_EQ(std::pair(sendReceive, dataIntegrity),
                  std::pair(row.sendReceive, row.dataIntegrity));
        EXPECT_EQ(open, std::string(row.clicks.size() - 1, 'o') + "-");
    }
}

} // namespace
