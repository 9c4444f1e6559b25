// The backup settings dialogs, their folder chooser and clear actions, and the explanation
// dialogs, driven through UI automation.
#include <tessaly/automation.h>
#include <tessaly/backup.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/prefix.h"

namespace fs = std::filesystem;
using tessaly::automation::Dialog;
using namespace tessaly::testing;

namespace {

enum : int {
    kSettings = 2301,
    kAutoSettings = 2302,
    kChooser = 2303,
    kHowItWorks = 2304,
    kFindHelp = 2305,
    kMinutes = 2310,
    kFolder = 2311,
    kBrowse = 2312,
    kClear = 2313,
    kAutoOff = 2314,
    kAutoOn = 2315,
    kAncestorsOff = 2316,
    kAncestorsOn = 2317,
    kClearAncestors = 2318,
    kEngines = 2319,
    kFindButton = 2320,
    kTree = 2321,
    kTreeText = 2322,
    kMessageDialog = 1789,
    kMessageText = 1501,
    kMessageFirst = 1785,
    kMessageSecond = 1786,
};

using Script = std::function<void(Dialog&)>;

class BackupDialogs : public DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        tessaly::automation::SetDialogHandler([this](Dialog& d) {
            if (d.TemplateId() == kMessageDialog) {
                messages.push_back(d.GetText(kMessageText));
                d.Click(messageAnswer);
                return;
            }
            opened.push_back(static_cast<int>(d.TemplateId()));
            captions.push_back(d.Caption());
            auto script = scripts.find(static_cast<int>(d.TemplateId()));
            if (script != scripts.end()) script->second(d);
            if (d.IsOpen()) d.Click(IDCANCEL);
        });
    }
    void TearDown() override { tessaly::automation::SetDialogHandler(nullptr); }

    std::map<int, Script> scripts;
    int messageAnswer = kMessageFirst; // OK of "Are you sure?"
    std::vector<std::string> messages;
    std::vector<int> opened;
    std::vector<std::string> captions;
};

} // namespace

// The screen shows the values given; OK takes the minutes' leading whole number and copies
// the folder (never past the caller's 260 bytes); Cancel leaves both.
TEST_F(BackupDialogs, SettingsReadBackOnOkOnly) {
    struct Case {
        const char* typed;
        std::string folder;
        int button;
        int minutes; // after the call
        size_t folderLength;
    } const cases[] = {
        {"15", "C:\\Backups", IDOK, 15, 10},   {"25 minutes", "C:\\Backups", IDOK, 25, 10},
        {"none", "C:\\Backups", IDOK, 0, 10},  {"", "C:\\Backups", IDOK, 0, 10},
        {"99", "C:\\Backups", IDCANCEL, 7, 8}, {"3", "C:\\" + std::string(300, 'x'), IDOK, 3, 259},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.typed);
        scripts[kSettings] = [&](Dialog& d) {
            EXPECT_EQ(d.GetText(kMinutes), "7");
            EXPECT_EQ(d.GetText(kFolder), "C:\\Old");
            d.SetText(kMinutes, k.typed);
            d.SetText(kFolder, k.folder);
            d.Click(k.button);
        };
        int minutes = 7;
        char buffer[260 + 8];
        std::memset(buffer, '#', sizeof buffer);
        std::strcpy(buffer, "C:\\Old");
        EXPECT_EQ(ShowBackupSettingsDlg(minutes, buffer), k.button);
        EXPECT_EQ(minutes, k.minutes);
        EXPECT_EQ(std::strlen(buffer), k.button == IDOK ? k.folderLength : 6u);
        EXPECT_EQ(std::string(buffer + 260, 8), std::string(8, '#'));
    }
    EXPECT_EQ(captions.front(), "Settings of automatic backups...");
}

// Clearing removes the three generation folders after "Are you sure?" and nothing else.
TEST_F(BackupDialogs, ClearBackupsRemovesTheGenerationFoldersOnly) {
    for (int answer : {kMessageSecond, kMessageFirst}) {
        SCOPED_TRACE(answer);
        for (const char* sub : {"Backup", "Grandfather_Backup", "Greate_Grandfather_Backup"})
            WriteFile(c + "/Backups/" + sub + "/inner/file.txt", "x");
        WriteFile(c + "/Backups/loose.txt", "stays");
        WriteFile(c + "/Backups/Other/kept.txt", "stays");
        messageAnswer = answer;
        messages.clear();
        scripts[kSettings] = [](Dialog& d) {
            d.SetText(kFolder, "C:\\Backups\\");
            d.Click(kClear);
            d.Click(IDCANCEL);
        };
        int minutes = 10;
        char folder[260] = "C:\\Elsewhere";
        EXPECT_EQ(ShowBackupSettingsDlg(minutes, folder), IDCANCEL);
        EXPECT_EQ(messages, std::vector<std::string>{"Are you sure?"});
        const bool cleared = answer == kMessageFirst;
        for (const char* sub : {"Backup", "Grandfather_Backup", "Greate_Grandfather_Backup"})
            EXPECT_EQ(fs::exists(c + "/Backups/" + sub), !cleared) << sub;
        EXPECT_TRUE(fs::exists(c + "/Backups/loose.txt"));
        EXPECT_TRUE(fs::exists(c + "/Backups/Other/kept.txt"));
    }
}

// "..." opens the folder tree: a folder puts its path into the text box, a drive its shown
// name; the chosen folder replaces the dialog's on OK only.
TEST_F(BackupDialogs, ChooserTakesTheTreesSelection) {
    fs::create_directories(c + "/Docs/Letters");
    struct Case {
        const char* select;
        int button;
        std::string expected; // the settings' folder text afterwards
    } const cases[] = {
        {"C:\\Docs\\Letters", IDOK, "C:\\Docs\\Letters"},
        {"C:", IDOK, "<drive>"},
        {"C:\\Docs", IDCANCEL, "C:\\Start"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.select);
        std::string shownName;
        scripts[kChooser] = [&](Dialog& d) {
            EXPECT_EQ(d.GetText(kTreeText), "C:\\Start");
            EXPECT_TRUE(d.SelectFolder(kTree, k.select));
            for (const auto& item : d.GetFolderItems(kTree))
                if (item.path == "C:") shownName = item.text;
            d.Click(k.button);
        };
        std::string seen;
        scripts[kSettings] = [&](Dialog& d) {
            d.Click(kBrowse);
            seen = d.GetText(kFolder);
            d.Click(IDCANCEL);
        };
        int minutes = 1;
        char folder[260] = "C:\\Start";
        ShowBackupSettingsDlg(minutes, folder);
        EXPECT_EQ(seen, k.expected == "<drive>" ? shownName : k.expected);
        EXPECT_FALSE(shownName.empty());
    }
    EXPECT_EQ(captions[1], "Select a folder");
}

// The extended dialog: on/off values shown and read back; OK refuses an empty folder or one
// that cannot be made (message 61516, still open) and makes a new one with its parents.
TEST_F(BackupDialogs, AutoSettingsNeedAFolderThatExists) {
    WriteFile(c + "/blocker", "a file where a folder would go");
    struct Case {
        const char* name;
        std::vector<std::string> folders; // typed in turn, OK after each
        int automaticIn, ancestorsIn;
        int result;
        int messagesShown;
    } const cases[] = {
        {"new nested folder", {"C:\\Anc\\new\\deep"}, 0, 1, IDOK, 0},
        {"empty then good", {"", "C:\\Anc2"}, 1, 0, IDOK, 1},
        {"not makeable", {"C:\\blocker\\sub"}, 1, 1, IDCANCEL, 1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        messages.clear();
        scripts[kAutoSettings] = [&](Dialog& d) {
            EXPECT_EQ(d.GetCheck(kAutoOn), k.automaticIn);
            EXPECT_EQ(d.GetCheck(kAutoOff), 1 - k.automaticIn);
            EXPECT_EQ(d.GetCheck(kAncestorsOn), k.ancestorsIn);
            EXPECT_EQ(d.GetItems(kEngines),
                      std::vector<std::string>{"Windows standard Find utility"});
            d.SetCheck(k.automaticIn ? kAutoOff : kAutoOn, 1);
            d.SetCheck(k.ancestorsIn ? kAncestorsOff : kAncestorsOn, 1);
            d.SetText(kMinutes, "42");
            for (const std::string& folder : k.folders) {
                d.SetText(kFolder, folder);
                d.Click(IDOK);
                if (d.IsOpen()) EXPECT_EQ(d.GetFocus(), kFolder);
            }
        };
        int automatic = k.automaticIn, ancestors = k.ancestorsIn, minutes = 5;
        CString folder = "C:\\Was";
        EXPECT_EQ(
            ShowAutoBackupSettingsDlg(&automatic, &ancestors, &minutes, folder, nullptr, nullptr),
            k.result);
        EXPECT_EQ(static_cast<int>(messages.size()), k.messagesShown);
        if (k.messagesShown)
            EXPECT_EQ(messages[0], "You typed in an incorrect folder name, please input again.");
        if (k.result == IDOK) {
            EXPECT_EQ(automatic, 1 - k.automaticIn);
            EXPECT_EQ(ancestors, 1 - k.ancestorsIn);
            EXPECT_EQ(minutes, 42);
            EXPECT_EQ(std::string(folder.GetString()), k.folders.back());
        } else {
            EXPECT_EQ(automatic, k.automaticIn);
            EXPECT_EQ(minutes, 5);
            EXPECT_EQ(std::string(folder.GetString()), "C:\\Was");
        }
    }
    EXPECT_TRUE(fs::is_directory(c + "/Anc/new/deep"));
}

// Clearing ancestors empties the default folder (not the typed one) and deletes the caller's
// files: the first list is emptied, the second keeps its entries.
TEST_F(BackupDialogs, ClearAncestorsEmptiesTheDefaultFolderAndTheLists) {
    WriteFile(c + "/Ancestors Backups/Letter January 05,2004 13 45' 12'' PM.rtf", "old");
    WriteFile(c + "/Ancestors Backups/sub/x.txt", "old");
    WriteFile(c + "/Typed/keep.txt", "stays");
    WriteFile(c + "/gen/a.bak", "1");
    WriteFile(c + "/gen/b.bak", "2");
    WriteFile(c + "/undo/u1.tmp", "3");
    CStringArray first, second;
    first.Add("C:\\gen\\a.bak");
    first.Add("C:\\gen\\b.bak");
    second.Add("C:\\undo\\u1.tmp");
    second.Add("C:\\undo\\missing.tmp");
    scripts[kAutoSettings] = [](Dialog& d) {
        d.SetText(kFolder, "C:\\Typed");
        d.Click(kClearAncestors);
        d.Click(kFindButton);
        d.Click(IDCANCEL);
    };
    scripts[kFindHelp] = [](Dialog& d) { d.Click(IDOK); };
    int automatic = 1, ancestors = 1, minutes = 10;
    CString folder = "C:\\Typed";
    EXPECT_EQ(ShowAutoBackupSettingsDlg(&automatic, &ancestors, &minutes, folder, &first, &second),
              IDCANCEL);
    EXPECT_EQ(messages, std::vector<std::string>{"Are you sure?"});
    EXPECT_TRUE(fs::is_directory(c + "/Ancestors Backups"));
    EXPECT_TRUE(fs::is_empty(c + "/Ancestors Backups"));
    EXPECT_TRUE(fs::exists(c + "/Typed/keep.txt"));
    EXPECT_FALSE(fs::exists(c + "/gen/a.bak") || fs::exists(c + "/gen/b.bak") ||
                 fs::exists(c + "/undo/u1.tmp"));
    EXPECT_EQ(first.GetSize(), 0);
    EXPECT_EQ(second.GetSize(), 2);
    EXPECT_EQ(opened, (std::vector<int>{kAutoSettings, kFindHelp}));
    EXPECT_EQ(captions[1], "How to use Windows Find utility...");
}

// The explanation ends with the button pressed.
TEST_F(BackupDialogs, ExplanationEndsWithItsButton) {
    for (int button : {IDOK, IDCANCEL}) {
        scripts[kHowItWorks] = [button](Dialog& d) { d.Click(button); };
        EXPECT_EQ(ShowhowAutoBackupWorkDlg(), button);
    }
    EXPECT_EQ(captions.front(), "How does automatic backup work...");
}
