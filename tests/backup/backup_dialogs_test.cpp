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

#include "dialogs/backup_ids.h"
#include "support/prefix.h"

namespace fs = std::filesystem;
using tessaly::automation::Dialog;
using namespace tessaly::testing;
using Texts = std::vector<std::string>;

namespace {

constexpr int kSettings = IDD_BACKUP_SETTINGS, kAutoSettings = IDD_AUTO_BACKUP_SETTINGS,
              kChooser = IDD_SELECT_FOLDER, kMessage = 1789, kMessageText = 1501, kMessageOk = 1785,
              kMessageCancel = 1786;

// Each dialog gets its script (else Cancel); the library's message boxes are noted and
// answered with messageAnswer.
class BackupDialogs : public DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        tessaly::automation::SetDialogHandler([this](Dialog& d) {
            if (d.TemplateId() == kMessage) {
                messages.push_back(d.GetText(kMessageText));
                d.Click(messageAnswer);
                return;
            }
            captions[static_cast<int>(d.TemplateId())] = d.Caption();
            if (auto script = scripts.find(static_cast<int>(d.TemplateId()));
                script != scripts.end())
                script->second(d);
            if (d.IsOpen()) d.Click(IDCANCEL);
        });
    }
    void TearDown() override { tessaly::automation::SetDialogHandler(nullptr); }

    std::map<int, std::function<void(Dialog&)>> scripts;
    int messageAnswer = kMessageOk;
    Texts messages;
    std::map<int, std::string> captions;
};

} // namespace

// OK takes the minutes' leading whole number and the folder (never past the caller's 260
// bytes); Cancel leaves both. "..." puts the tree's selection into the folder on OK only: a
// folder's path, a drive's shown name.
TEST_F(BackupDialogs, SettingsReadBackOnOkOnly) {
    fs::create_directories(c + "/Docs/Letters");
    // Typed minutes and folder, the chooser's selection (null: not opened), the button, the
    // minutes and the caller's folder afterwards ("<drive>": the drive's shown name).
    const std::tuple<const char*, std::string, const char*, int, int, std::string> cases[] = {
        {"25 minutes", "C:\\Backups", nullptr, IDOK, 25, "C:\\Backups"},
        {"none", "C:\\Backups", nullptr, IDOK, 0, "C:\\Backups"},
        {"99", "C:\\Backups", nullptr, IDCANCEL, 7, "C:\\Old"},
        {"3", "C:\\" + std::string(300, 'x'), nullptr, IDOK, 3, "C:\\" + std::string(256, 'x')},
        {"1", "C:\\Old", "C:\\Docs\\Letters", IDOK, 1, "C:\\Docs\\Letters"},
        {"1", "C:\\Old", "C:", IDOK, 1, "<drive>"},
    };
    for (const auto& [typed, folder, choose, button, minutes, result] : cases) {
        SCOPED_TRACE(typed);
        std::string drive;
        scripts[kChooser] = [&](Dialog& d) {
            EXPECT_EQ(d.GetText(IDC_FOLDER_TEXT), "C:\\Old");
            EXPECT_TRUE(d.SelectFolder(IDC_FOLDER_TREE, choose));
            for (const auto& item : d.GetFolderItems(IDC_FOLDER_TREE))
                if (item.path == "C:") drive = item.text;
            d.Click(IDOK);
        };
        scripts[kSettings] = [&](Dialog& d) {
            EXPECT_EQ(d.GetText(IDC_BACKUP_MINUTES), "7");
            EXPECT_EQ(d.GetText(IDC_BACKUP_FOLDER), "C:\\Old");
            d.SetText(IDC_BACKUP_MINUTES, typed);
            d.SetText(IDC_BACKUP_FOLDER, folder);
            if (choose) d.Click(IDC_BACKUP_BROWSE);
            d.Click(button);
        };
        int stored = 7;
        char buffer[260 + 8];
        std::memset(buffer, '#', sizeof buffer);
        std::strcpy(buffer, "C:\\Old");
        EXPECT_EQ(ShowBackupSettingsDlg(stored, buffer), button);
        EXPECT_EQ(stored, minutes);
        EXPECT_EQ(std::string(buffer), result == "<drive>" ? drive : result);
        EXPECT_EQ(std::string(buffer + 260, 8), std::string(8, '#'));
    }
}

// Clearing removes the three generation folders after "Are you sure?" and nothing else.
TEST_F(BackupDialogs, ClearBackupsRemovesTheGenerationFoldersOnly) {
    const char* generations[] = {"Backup", "Grandfather_Backup", "Greate_Grandfather_Backup"};
    for (int answer : {kMessageCancel, kMessageOk}) {
        for (const char* sub : generations)
            WriteFile(c + "/Backups/" + sub + "/in/file.txt", "x");
        WriteFile(c + "/Backups/loose.txt", "stays");
        WriteFile(c + "/Backups/Other/kept.txt", "stays");
        messageAnswer = answer;
        messages.clear();
        scripts[kSettings] = [](Dialog& d) {
            d.SetText(IDC_BACKUP_FOLDER, "C:\\Backups\\");
            d.Click(IDC_BACKUP_CLEAR);
        };
        int minutes = 10;
        char folder[260] = "C:\\Elsewhere";
        EXPECT_EQ(ShowBackupSettingsDlg(minutes, folder), IDCANCEL);
        EXPECT_EQ(messages, Texts{"Are you sure?"});
        for (const char* sub : generations)
            EXPECT_EQ(fs::exists(c + "/Backups/" + sub), answer == kMessageCancel);
        EXPECT_TRUE(fs::exists(c + "/Backups/loose.txt") &&
                    fs::exists(c + "/Backups/Other/kept.txt"));
    }
}

// The extended dialog: on/off values shown and read back; OK refuses an empty folder or one
// that cannot be made (message 61516, still open, focus on the folder) and makes a new one
// with its parents.
TEST_F(BackupDialogs, AutoSettingsNeedAFolderThatExists) {
    WriteFile(c + "/blocker", "a file where a folder would go");
    // Folders typed in turn (OK after each), the on/off values given, the result, the refusals.
    const std::tuple<Texts, int, int, int, size_t> cases[] = {
        {{"C:\\Anc\\new\\deep"}, 0, 1, IDOK, 0},
        {{"", "C:\\Anc2"}, 1, 0, IDOK, 1},
        {{"C:\\blocker\\sub"}, 1, 1, IDCANCEL, 1},
    };
    for (const auto& [folders, automaticIn, ancestorsIn, result, refusals] : cases) {
        SCOPED_TRACE(folders.back());
        messages.clear();
        scripts[kAutoSettings] = [&](Dialog& d) {
            EXPECT_EQ(d.GetCheck(IDC_AUTO_BACKUP_ON), automaticIn);
            EXPECT_EQ(d.GetCheck(IDC_ANCESTORS_ON), ancestorsIn);
            EXPECT_EQ(d.GetItems(IDC_SEARCH_ENGINE), Texts{"Windows standard Find utility"});
            d.SetCheck(automaticIn ? IDC_AUTO_BACKUP_OFF : IDC_AUTO_BACKUP_ON, 1);
            d.SetCheck(ancestorsIn ? IDC_ANCESTORS_OFF : IDC_ANCESTORS_ON, 1);
            d.SetText(IDC_BACKUP_MINUTES, "42");
            for (const std::string& folder : folders) {
                d.SetText(IDC_BACKUP_FOLDER, folder);
                d.Click(IDOK);
                EXPECT_TRUE(!d.IsOpen() || d.GetFocus() == IDC_BACKUP_FOLDER);
            }
        };
        int automatic = automaticIn, ancestors = ancestorsIn, minutes = 5;
        CString folder = "C:\\Was";
        EXPECT_EQ(
            ShowAutoBackupSettingsDlg(&automatic, &ancestors, &minutes, folder, nullptr, nullptr),
            result);
        EXPECT_EQ(messages,
                  Texts(refusals, "You typed in an incorrect folder name, please input again."));
        const bool ok = result == IDOK;
        EXPECT_EQ(automatic, ok ? 1 - automaticIn : automaticIn);
        EXPECT_EQ(ancestors, ok ? 1 - ancestorsIn : ancestorsIn);
        EXPECT_EQ(minutes, ok ? 42 : 5);
        EXPECT_EQ(std::string(folder.GetString()), ok ? folders.back() : "C:\\Was");
    }
    EXPECT_TRUE(fs::is_directory(c + "/Anc/new/deep"));
}

// Clearing ancestors empties the default folder (not the typed one) and deletes the caller's
// files: the first list is emptied, the second keeps its entries. The help and explanation
// dialogs end with the button pressed.
TEST_F(BackupDialogs, ClearAncestorsAndTheExplanations) {
    WriteFile(c + "/Ancestors Backups/Letter January 05,2004 13 45' 12'' PM.rtf", "old");
    WriteFile(c + "/Ancestors Backups/sub/x.txt", "old");
    WriteFile(c + "/Typed/keep.txt", "stays");
    for (const char* file : {"/gen/a.bak", "/gen/b.bak", "/undo/u1.tmp"})
        WriteFile(c + file, "x");
    CStringArray first, second;
    first.Add("C:\\gen\\a.bak");
    first.Add("C:\\gen\\b.bak");
    second.Add("C:\\undo\\u1.tmp");
    second.Add("C:\\undo\\missing.tmp");
    scripts[kAutoSettings] = [](Dialog& d) {
        d.SetText(IDC_BACKUP_FOLDER, "C:\\Typed");
        d.Click(IDC_ANCESTORS_CLEAR);
        d.Click(IDC_FIND_HELP);
    };
    int automatic = 1, ancestors = 1, minutes = 10;
    CString folder = "C:\\Typed";
    EXPECT_EQ(ShowAutoBackupSettingsDlg(&automatic, &ancestors, &minutes, folder, &first, &second),
              IDCANCEL);
    EXPECT_EQ(messages, Texts{"Are you sure?"});
    EXPECT_TRUE(fs::is_directory(c + "/Ancestors Backups") &&
                fs::is_empty(c + "/Ancestors Backups"));
    EXPECT_TRUE(fs::exists(c + "/Typed/keep.txt"));
    EXPECT_FALSE(fs::exists(c + "/gen/a.bak") || fs::exists(c + "/gen/b.bak") ||
                 fs::exists(c + "/undo/u1.tmp"));
    EXPECT_EQ(first.GetSize(), 0);
    EXPECT_EQ(second.GetSize(), 2);
    EXPECT_EQ(captions[IDD_FIND_HELP], "How to use Windows Find utility...");
    for (int button : {IDOK, IDCANCEL}) {
        scripts[IDD_AUTO_BACKUP_HELP] = [button](Dialog& d) { d.Click(button); };
        EXPECT_EQ(ShowhowAutoBackupWorkDlg(), button);
    }
    EXPECT_EQ(captions[IDD_AUTO_BACKUP_HELP], "How does automatic backup work...");
}
