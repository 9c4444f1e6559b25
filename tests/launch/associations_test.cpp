// Taking the office file associations over and restoring them from the association store.
#include <tessaly/foundation.h>
#include <tessaly/launch.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <regex>
#include <tuple>

#include "../foundation/windows_version.h"
#include "support/outside_programs.h"

using namespace tessaly::testing;

namespace {

const char kExplorer[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";
const char kStore[] = "software\\varnholt\\Tessaly\\association";

// The associations before the suite came, as the suite's installer found them.
const char kOriginal[] = R"(REGEDIT4

[HKEY_CLASSES_ROOT\.rtf]
@="Word.RTF.8"
"Content Type"="application/rtf"

[HKEY_CLASSES_ROOT\.rtf\ShellNew]
"Data"=hex:7b,5c,72,74,66,7d

[HKEY_CLASSES_ROOT\.doc]
@="Word.Document.8"

[HKEY_CLASSES_ROOT\.xls]
@="Excel.Sheet.8"
"Flags"=dword:00000002

[HKEY_CLASSES_ROOT\.zip]
@="CompressedFolder"

[HKEY_CLASSES_ROOT\.gz]
@="WinZip"

[HKEY_CLASSES_ROOT\.tar]
@="WinTar"

[HKEY_CLASSES_ROOT\.txt]
@="txtfile"

[HKEY_CLASSES_ROOT\txtfile\DefaultIcon]
@="shell32.dll,-152"

[HKEY_CLASSES_ROOT\.ppt]
@="PowerPoint.Show.8"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.rtf]
"Application"="WORDPAD.EXE"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.doc]
"Application"="WINWORD.EXE"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.xls]
"progid"="Excel.Sheet.8"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.zip]
"progid"="CompressedFolder"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.txt]
"progid"="txtfile"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.ppt]
"progid"="PowerPoint.Show.8"
)";

// The installer's store of them: Explorer keys under extension + "1", the text icon "TxtIcon".
std::string storeOf(const std::string& original) {
    const std::string store = "[HKEY_LOCAL_MACHINE\\software\\varnholt\\Tessaly\\association\\";
    std::string text = std::regex_replace(
        original, std::regex(R"(\[HKEY_CURRENT_USER\\[^\]]*FileExts\\(\.\w+))"), store + "$011");
    text = std::regex_replace(text, std::regex(R"(\[HKEY_CLASSES_ROOT\\txtfile\\DefaultIcon)"),
                              store + "TxtIcon");
    return std::regex_replace(text, std::regex(R"(\[HKEY_CLASSES_ROOT\\)"), store);
}

class Associations : public OutsideProgramTest {
  protected:
    void SetUp() override {
        OutsideProgramTest::SetUp();
        ASSERT_EQ(tessaly::platform::RegImportText(kOriginal), 0);
        ASSERT_EQ(tessaly::platform::RegImportText(storeOf(kOriginal)), 0);
        PresentWindows(2, 5, 1); // XP: the Explorer keys are touched
    }
    std::string Export() {
        return RunTessaly({"reg", "export", "HKEY_LOCAL_MACHINE\\Software\\Classes"}).out +
               RunTessaly({"reg", "export", "HKEY_CURRENT_USER\\" + std::string(kExplorer)}).out;
    }
    std::string Text(HKEY root, const std::string& key, const char* value = "") {
        return GetStringRegistry(root, key.c_str(), value).str();
    }
    // Both dialogs: continue; every check box, the choice, OK.
    static std::deque<int> All(int choice) {
        return {IDOK, 1069, 1070, 1071, 1072, 1075, 1017, choice, IDOK};
    }
};

TEST_F(Associations, SetToTheSuiteAndRestoredByteForByte) {
    const std::string before = Export();
    ASSERT_NE(before.find("WORDPAD.EXE"), std::string::npos);
    Expect(All(1074));
    EXPECT_EQ(RestoreFileAssociation(), IDOK);
    EXPECT_TRUE(Seen({"189", "157"}));
    const std::string explorer = kExplorer;
    const std::tuple<HKEY, std::string, const char*, const char*> written[] = {
        {HKEY_CLASSES_ROOT, ".rtf", "", "soffice.StarWriterDocument.6"},
        {HKEY_CLASSES_ROOT, ".rtf", "Content Type", ""}, // the whole key went first
        {HKEY_CLASSES_ROOT, ".xls", "", "soffice.StarCalcDocument.6"},
        {HKEY_CLASSES_ROOT, ".txt", "", "Sollet.Document"},
        {HKEY_CLASSES_ROOT, ".ppt", "", "soffice.StarImpressDocument.6"},
        {HKEY_CURRENT_USER, explorer + ".rtf", "Application", "soffice.StarWriterDocument.6"},
        {HKEY_CURRENT_USER, explorer + ".xls", "progid", "soffice.StarCalcDocument.6"},
        {HKEY_CURRENT_USER, explorer + ".txt", "progid", "Sollet.document"},
    };
    for (const auto& [root, key, value, text] : written)
        EXPECT_EQ(Text(root, key, value), text) << key << " " << value;
    // Restored from the store, the associations are what they were, byte for byte.
    Expect(All(1073));
    EXPECT_EQ(RestoreFileAssociation(), IDOK);
    EXPECT_EQ(Export(), before);
}

TEST_F(Associations, DialogsShowTheStoreAndStopWhereTheUserSays) {
    const std::string before = Export();
    Strings fields;
    const std::pair<std::deque<int>, int> cases[] = {{{IDCANCEL}, -1},
                                                     {{IDOK, 1069, 1074, IDCANCEL}, IDCANCEL}};
    for (const auto& [list, result] : cases) {
        Expect(list);
        tessaly::automation::SetDialogHandler([&](tessaly::automation::Dialog& dialog) {
            seen.push_back(std::to_string(dialog.TemplateId()));
            if (dialog.TemplateId() == 157)
                for (int id : {1007, 1008, 1009, 1011, 1012, 1054})
                    fields.push_back(dialog.GetText(id));
            for (; !answers.empty() && dialog.IsOpen(); answers.pop_front())
                dialog.Click(answers.front());
        });
        EXPECT_EQ(RestoreFileAssociation(), result);
        EXPECT_TRUE(Seen(result == -1 ? Strings{"189"} : Strings{"189", "157"}));
        EXPECT_EQ(Export(), before);
    }
    // The association dialog's fields show the stored classes.
    EXPECT_EQ(fields, (Strings{"Word.RTF.8", "Word.Document.8", "Excel.Sheet.8", "CompressedFolder",
                               "txtfile", "PowerPoint.Show.8"}));
}

TEST_F(Associations, OnWindows98TheExplorerKeysStayAndAMissingStoreEntryRepeatsTheLastRead) {
    PresentWindows(1, 4, 10); // Windows 98
    const auto explorerPart = [this] {
        const std::string text = Export();
        return text.substr(text.find("[HKEY_CURRENT_USER"));
    };
    const std::string explorer = explorerPart();
    answers = {IDOK, 1072, 1074, IDOK};
    EXPECT_EQ(RestoreFileAssociation(), IDOK);
    for (const char* archive : {".zip", ".gz", ".tar"})
        EXPECT_EQ(Text(HKEY_CLASSES_ROOT, archive), "Kavra.Document");
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, ".rtf"), "Word.RTF.8");
    EXPECT_EQ(explorerPart(), explorer);
    // Without a stored ".gz", restoring writes the text read before it (".zip"'s).
    DeleteRegKey(HKEY_LOCAL_MACHINE, (std::string(kStore) + "\\.gz").c_str());
    answers = {IDOK, 1072, IDOK};
    EXPECT_EQ(RestoreFileAssociation(), IDOK);
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, ".gz"), "CompressedFolder");
}

} // namespace
