// Taking the office file associations over and restoring them from the association store.
#include <tessaly/foundation.h>
#include <tessaly/launch.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <regex>
#include <tuple>

#include "../foundation/windows_version.h"
#include "support/outside_programs.h"

using namespace tessaly::testing;

namespace {

const char kExplorer[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";
const char kStore[] = "software\\varnholt\\Tessaly\\association";

// The associations before the suite came, as the suite's installer found them.
const char kOriginal[] =
    "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\.rtf]\n@=\"Word.RTF.8\"\n"
    "\"Content Type\"=\"application/rtf\"\n"
    "[HKEY_CLASSES_ROOT\\.rtf\\ShellNew]\n\"Data\"=hex:7b,5c,72,74,66,7d\n"
    "[HKEY_CLASSES_ROOT\\.doc]\n@=\"Word.Document.8\"\n"
    "[HKEY_CLASSES_ROOT\\.xls]\n@=\"Excel.Sheet.8\"\n"
    "[HKEY_CLASSES_ROOT\\.zip]\n@=\"CompressedFolder\"\n[HKEY_CLASSES_ROOT\\.gz]\n@=\"WinZip\"\n"
    "[HKEY_CLASSES_ROOT\\.tar]\n@=\"WinTar\"\n[HKEY_CLASSES_ROOT\\.txt]\n@=\"txtfile\"\n"
    "[HKEY_CLASSES_ROOT\\txtfile\\DefaultIcon]\n@=\"shell32.dll,-152\"\n"
    "[HKEY_CLASSES_ROOT\\.ppt]\n@=\"PowerPoint.Show.8\"\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.rtf]\n"
    "\"Application\"=\"WORDPAD.EXE\"\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.doc]\n"
    "\"Application\"=\"WINWORD.EXE\"\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.xls]\n"
    "\"progid\"=\"Excel.Sheet.8\"\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.txt]\n"
    "\"progid\"=\"txtfile\"\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.zip]\n"
    "\"progid\"=\"CompressedFolder\"\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.ppt]\n"
    "\"progid\"=\"PowerPoint.Show.8\"\n";

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
        before = Export();
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
    std::string before;
};

TEST_F(Associations, SetToTheSuiteAndRestoredByteForByte) {
    ASSERT_NE(before.find("WORDPAD.EXE"), std::string::npos);
    Expect(All(1074));
    EXPECT_EQ(RestoreFileAssociation(), IDOK);
    EXPECT_TRUE(Seen({"189", "157"}));
    const std::string explorer = kExplorer;
    const std::tuple<HKEY, std::string, const char*, const char*> written[] = {
        {HKEY_CLASSES_ROOT, ".rtf", "", "soffice.StarWriterDocument.6"},
        {HKEY_CLASSES_ROOT, ".rtf", "Content Type", ""}, // the whole key went first
        {HKEY_CLASSES_ROOT, ".txt", "", "Sollet.Document"},
        {HKEY_CURRENT_USER, explorer + ".rtf", "Application", "soffice.StarWriterDocument.6"},
        {HKEY_CURRENT_USER, explorer + ".txt", "progid", "Sollet.document"},
    };
    for (const auto& [root, key, value, text] : written)
        EXPECT_EQ(Text(root, key, value), text) << key << " " << value;
    Expect(All(1073));
    EXPECT_EQ(RestoreFileAssociation(), IDOK);
    EXPECT_EQ(Export(), before);
}

TEST_F(Associations, NothingIsWrittenWhenCancelledOrWhenAWriteFails) {
    Strings fields; // the association dialog's, as it first opens
    const auto handler = tessaly::automation::GetDialogHandler();
    tessaly::automation::SetDialogHandler([&](tessaly::automation::Dialog& dialog) {
        for (int id : {1007, 1008, 1009, 1011, 1012, 1054})
            if (dialog.TemplateId() == 157 && fields.size() < 6)
                fields.push_back(dialog.GetText(id));
        handler(dialog);
    });
    tessaly::automation::SetMessageBoxHandler(
        [this](const tessaly::automation::MessageBoxInfo& box) {
            seen.push_back(box.text);
            return IDOK;
        });
    Expect({IDCANCEL});
    EXPECT_EQ(RestoreFileAssociation(), -1);
    EXPECT_TRUE(Seen({"189"}));
    Expect({IDOK, 1069, 1074, IDCANCEL});
    EXPECT_EQ(RestoreFileAssociation(), IDCANCEL);
    EXPECT_TRUE(Seen({"189", "157"}));
    // The hives may not grow (as on a full disk): the first write of "Set to Orvo" fails, its
    // error is shown and the dialog stays open. (A read-only hive file would not do: root may
    // write it anyway.)
    signal(SIGXFSZ, SIG_IGN);
    rlimit old{}, none{0, RLIM_INFINITY};
    getrlimit(RLIMIT_FSIZE, &old);
    Expect(All(1074));
    setrlimit(RLIMIT_FSIZE, &none);
    const int result = RestoreFileAssociation();
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(
        Seen({"189", "157", "An I/O operation initiated by the registry failed unrecoverably."}));
    EXPECT_EQ(Export(), before);
    EXPECT_EQ(fields, (Strings{"Word.RTF.8", "Word.Document.8", "Excel.Sheet.8", "CompressedFolder",
                               "txtfile", "PowerPoint.Show.8"}));
}

TEST_F(Associations, OnWindows98TheExplorerKeysStayAndAMissingStoreEntryRepeatsTheLastRead) {
    PresentWindows(1, 4, 10); // Windows 98
    const std::string explorer = before.substr(before.find("[HKEY_CURRENT_USER"));
    answers = {IDOK, 1072, 1074, IDOK};
    EXPECT_EQ(RestoreFileAssociation(), IDOK);
    for (const char* archive : {".zip", ".gz", ".tar"})
        EXPECT_EQ(Text(HKEY_CLASSES_ROOT, archive), "Kavra.Document");
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, ".rtf"), "Word.RTF.8");
    const std::string after = Export();
    EXPECT_EQ(after.substr(after.find("[HKEY_CURRENT_USER")), explorer);
    // Without a stored ".gz", restoring writes the text read before it (".zip"'s).
    DeleteRegKey(HKEY_LOCAL_MACHINE, (std::string(kStore) + "\\.gz").c_str());
    answers = {IDOK, 1072, IDOK};
    EXPECT_EQ(RestoreFileAssociation(), IDOK);
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, ".gz"), "CompressedFolder");
}

} // namespace
