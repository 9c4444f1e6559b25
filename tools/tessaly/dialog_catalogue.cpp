// The catalogue of the library's dialogs for `tessaly dialog NAME` and `tessaly gallery`.
// Add a dialog with one row: its name, its function, and a lambda that calls it with
// default arguments (or the command line's words) and notes its out-values.
#include "dialog_catalogue.h"

#include <tessaly/automation.h>
#include <tessaly/backup.h>
#include <tessaly/comments.h>
#include <tessaly/dialogs.h>
#include <tessaly/foundation.h>
#include <tessaly/launch.h>
#include <tessaly/mail.h>
#include <tessaly/print.h>
#include <tessaly/printers.h>
#include <tessaly/speech.h>
#include <tessaly/text.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/module.h"
#include "platform/prefix.h"
#include "platform/registry.h"

namespace tessaly::cli {

namespace {

// The command line's word as an ANSI text, or the default.
CString arg(const DialogArgs& args, size_t index, const char* fallback) {
    if (index < args.size()) return CString(platform::Utf8ToAnsi(args[index]).c_str());
    return CString(fallback);
}

int argInt(const DialogArgs& args, size_t index, int fallback) {
    return index < args.size() ? std::atoi(args[index].c_str()) : fallback;
}

// A file that exists, named relative to the installation folder, for the offer to run a setup
// found there: this program itself (the offer is declined, so nothing runs).
CString presentSetup() {
    namespace fs = std::filesystem;
    const fs::path install = tessaly::platform::ToPosixPath(GetInstallDir().str());
    std::string relative = fs::relative(fs::read_symlink("/proc/self/exe"), install).string();
    for (char& c : relative)
        if (c == '/') c = '\\';
    return CString(relative);
}

// A throw-away prefix for one call, set up from a registry text: the dialogs that open only
// after a state the user's prefix is not to be given (an old Windows with the reader of
// version 5, a missing speech runtime with its setup, no Java, the second of two dialogs).
// Its installation folder is C:\Orvo.
class ScratchPrefix {
  public:
    explicit ScratchPrefix(const std::string& registry) {
        namespace fs = std::filesystem;
        std::string pattern = (fs::temp_directory_path() / "tessaly-dialog-XXXXXX").string();
        if (!mkdtemp(pattern.data())) return;
        root_ = pattern;
        if (const char* old = std::getenv("TESSALY_PREFIX")) previous_ = old;
        setenv("TESSALY_PREFIX", root_.c_str(), 1);
        ready_ = !platform::EnsurePrefix().empty() &&
                 platform::RegImportText("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Varnholt\\"
                                         "Tessaly2001\\INSTALLDIR]\n@=\"C:\\\\Orvo\"\n\n" +
                                         registry) == 0;
    }
    ~ScratchPrefix() {
        if (root_.empty()) return;
        platform::RegCloseStores();
        previous_.empty() ? unsetenv("TESSALY_PREFIX")
                          : setenv("TESSALY_PREFIX", previous_.c_str(), 1);
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    ScratchPrefix(const ScratchPrefix&) = delete;
    ScratchPrefix& operator=(const ScratchPrefix&) = delete;

    bool Ready() const { return ready_; }
    // Copies a file (or writes an empty one) to a place on drive C:, not executable.
    bool Put(const std::string& windowsPath, const std::string& from = "") const {
        namespace fs = std::filesystem;
        std::string relative = windowsPath.substr(3);
        std::replace(relative.begin(), relative.end(), '\\', '/');
        const fs::path to = root_ + "/drive_c/" + relative;
        std::error_code error;
        fs::create_directories(to.parent_path(), error);
        if (from.empty()) return std::ofstream(to).good();
        return fs::copy_file(from, to, fs::copy_options::overwrite_existing, error) &&
               (fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write, error), !error);
    }

  private:
    std::string root_, previous_;
    bool ready_ = false;
};

// Runs call in a throw-away prefix made from registry; -1 when it cannot be made.
template <typename Call> int inScratchPrefix(const std::string& registry, Call call) {
    ScratchPrefix prefix(registry);
    return prefix.Ready() ? call(prefix) : -1;
}

const std::vector<DialogEntry> kCatalogue = {
    // The association dialog after the introduction (answered here), over a store of the
    // former associations.
    {"restore-association", "RestoreFileAssociation",
     [](const DialogArgs&, DialogValues&) {
         std::string store;
         for (const char* entry : {".rtf=rtffile", ".doc=docfile", ".xls=xlsfile",
                                   ".zip=CompressedFolder", ".txt=txtfile", ".ppt=pptfile"}) {
             const std::string pair = entry;
             store += "\n[HKEY_LOCAL_MACHINE\\software\\varnholt\\Tessaly\\association\\" +
                      pair.substr(0, 4) + "]\n@=\"" + pair.substr(5) + "\"\n";
         }
         return inScratchPrefix(store, [](const ScratchPrefix&) {
             const automation::DialogHandler next = automation::GetDialogHandler();
             automation::SetDialogHandler([next](automation::Dialog& dialog) {
                 if (dialog.TemplateId() == 189)
                     dialog.Click(1); // OK, continue
                 else if (next)
                     next(dialog);
             });
             const int result = RestoreFileAssociation();
             automation::SetDialogHandler(next);
             return result;
         });
     }},
    // The warning on Windows 95 when the registered reader is of version 5.
    {"reader-win95", "ExecAssociationAcrobat",
     [](const DialogArgs& a, DialogValues&) {
         const std::string reader = platform::FindModuleFile("Reader5.dll");
         return inScratchPrefix(
             "[HKEY_LOCAL_MACHINE\\Software\\Tessaly\\Platform\\Version]\n"
             "\"PlatformId\"=dword:00000001\n\"MajorVersion\"=dword:00000004\n"
             "\"MinorVersion\"=dword:00000000\n\"BuildNumber\"=dword:000003b6\n\n"
             "[HKEY_CLASSES_ROOT\\AcroExch.Document\\Shell\\open\\command]\n"
             "@=\"\\\"C:\\\\Reader\\\\AcroRd32.exe\\\" \\\"%1\\\"\"\n",
             [&](const ScratchPrefix& prefix) {
                 if (reader.empty() || !prefix.Put("C:\\Reader\\AcroRd32.exe", reader)) return -1;
                 return ExecAssociationAcrobat("AcroExch.Document\\Shell\\open\\command",
                                               "rp500enu.exe", arg(a, 0, "document.pdf"), 0);
             });
     }},
    // The explanation before the speech runtime's setup found in the installation folder.
    {"speech-install", "InstalledSAPI5",
     [](const DialogArgs&, DialogValues&) {
         return inScratchPrefix("", [](const ScratchPrefix& prefix) {
             return prefix.Put("C:\\Orvo\\SPEECHSDK51\\SETUP.EXE") ? InstalledSAPI5() : -1;
         });
     }},
    // The notice that the Java runtime is missing, with its link.
    {"java-missing", "StartPostMan",
     [](const DialogArgs&, DialogValues&) {
         return inScratchPrefix("", [](const ScratchPrefix&) { return StartPostMan(0, 1); });
     }},

    {"reader-missing", "ExecAssociationAcrobat",
     [](const DialogArgs& a, DialogValues&) {
         return ExecAssociationAcrobat("Tessaly.NoReader\\shell\\open\\command",
                                       "tessaly-no-reader-setup.exe", arg(a, 0, "document.pdf"), 0);
     }},
    {"install-reader", "ExecAssociationAcrobat",
     [](const DialogArgs& a, DialogValues&) {
         return ExecAssociationAcrobat("Tessaly.NoReader\\shell\\open\\command", presentSetup(),
                                       arg(a, 0, "document.pdf"), 0);
     }},
    {"change-association", "RestoreFileAssociation",
     [](const DialogArgs&, DialogValues&) { return RestoreFileAssociation(); }},
    {"message", "DisplayMessageBox",
     [](const DialogArgs& a, DialogValues&) {
         return DisplayMessageBox(arg(a, 0, "This is the library's message dialog."),
                                  static_cast<UINT>(argInt(a, 1, 0x31)), nullptr);
     }},
    {"password", "ShowPasswordDlg",
     [](const DialogArgs& a, DialogValues& v) {
         CString password;
         const int r = ShowPasswordDlg(password, arg(a, 0, ""));
         v.emplace_back("password", password.str());
         return r;
     }},
    {"set-password", "ShowSetPasswordDlg",
     [](const DialogArgs&, DialogValues& v) {
         CString password("unchanged");
         const int r = ShowSetPasswordDlg(password);
         v.emplace_back("password", password.str());
         return r;
     }},
    {"confirm-password", "ConfirmPassword",
     [](const DialogArgs& a, DialogValues&) { return ConfirmPassword(arg(a, 0, "secret")); }},
    {"input", "InputDialog",
     [](const DialogArgs& a, DialogValues& v) {
         CString text = arg(a, 0, "");
         const int r = InputDialog(text, arg(a, 1, ""), arg(a, 2, ""));
         v.emplace_back("text", text.str());
         return r;
     }},
    {"input-buffer", "ShowInputDialog",
     [](const DialogArgs& a, DialogValues& v) {
         char buffer[256] = "";
         const int max = std::min(argInt(a, 0, 20), 255);
         const int r = ShowInputDialog(buffer, max, arg(a, 1, "Name:"), arg(a, 2, "Input"));
         v.emplace_back("buffer", buffer);
         return r;
     }},
    {"msgbox", "ShowMsgBoxDlg",
     [](const DialogArgs& a, DialogValues&) {
         return ShowMsgBoxDlg(arg(a, 0,
                                  "The document could not be checked completely. You may "
                                  "continue anyway or leave the program now."));
     }},
    {"long-message", "ShowLongMessageDlg",
     [](const DialogArgs& a, DialogValues&) {
         return ShowLongMessageDlg(
             arg(a, 0,
                 "This is a long message.\r\n\r\nIt is shown in a read-only field that scrolls "
                 "when the text is longer than the field."),
             arg(a, 1, ""));
     }},
    {"language", "ShowLangaugeSettingDlg",
     [](const DialogArgs&, DialogValues&) { return ShowLangaugeSettingDlg(); }},
    {"insert-line", "ShowInsertLineDlg",
     [](const DialogArgs& a, DialogValues& v) {
         double length = 0;
         int width = 0;
         const int r = ShowInsertLineDlg(a.empty() ? 6.5 : std::atof(a[0].c_str()), length, width);
         v.emplace_back("length", std::to_string(length));
         v.emplace_back("width", std::to_string(width));
         return r;
     }},
    {"insert-chart", "ShowInsertChartDlg",
     [](const DialogArgs&, DialogValues&) { return ShowInsertChartDlg(); }},
    {"date", "ShowDateDlg",
     [](const DialogArgs&, DialogValues& v) {
         CString text;
         const int r = ShowDateDlg(text);
         v.emplace_back("text", text.str());
         return r;
     }},
    {"date-buffer", "ShowDateDlgEx",
     [](const DialogArgs&, DialogValues& v) {
         char buffer[256] = "";
         const int r = ShowDateDlgEx(buffer);
         v.emplace_back("buffer", buffer);
         return r;
     }},
    {"zoom", "ShowZoomDlg",
     [](const DialogArgs& a, DialogValues& v) {
         int zoom = argInt(a, 0, 100);
         const int r = ShowZoomDlg(zoom, argInt(a, 1, 61), argInt(a, 2, 87), argInt(a, 3, 112));
         v.emplace_back("zoom", std::to_string(zoom));
         return r;
     }},
    {"start-date", "ShowStartDateDlg",
     [](const DialogArgs&, DialogValues&) { return ShowStartDateDlg(); }},
    {"follow-remind", "ShowFollowRemindDlg",
     [](const DialogArgs&, DialogValues&) { return ShowFollowRemindDlg(); }},
    {"style-info", "ShowStyleInfoDlg",
     [](const DialogArgs&, DialogValues&) { return ShowStyleInfoDlg(); }},
    {"columns", "ShowColumnDlg",
     [](const DialogArgs&, DialogValues& v) {
         UINT columns = 0;
         const int r = ShowColumnDlg(columns);
         v.emplace_back("columns", std::to_string(columns));
         return r;
     }},
    {"toolbar-rows", "ShowCusToolbarDlg",
     [](const DialogArgs& a, DialogValues& v) {
         UINT mask = static_cast<UINT>(argInt(a, 0, 3));
         const int r = ShowCusToolbarDlg(mask);
         v.emplace_back("rows", std::to_string(mask));
         return r;
     }},
    {"copy-choice", "ShowCopyChoiceDlg",
     [](const DialogArgs&, DialogValues&) { return ShowCopyChoiceDlg(); }},
    {"go-to", "ShowGoToDlg",
     [](const DialogArgs& a, DialogValues& v) {
         int page = argInt(a, 0, 1), line = argInt(a, 1, 1), column = argInt(a, 2, 1);
         const int r = ShowGoToDlg(page, line, column);
         v.emplace_back("page", std::to_string(page));
         v.emplace_back("line", std::to_string(line));
         v.emplace_back("column", std::to_string(column));
         return r;
     }},
    {"endnote", "ShowEndNoteDlg",
     [](const DialogArgs&, DialogValues& v) {
         int separator = 0;
         CString number, text;
         const int r = ShowEndNoteDlg(separator, number, text);
         v.emplace_back("separator", std::to_string(separator));
         v.emplace_back("number", number.str());
         v.emplace_back("text", text.str());
         return r;
     }},
    {"dialing-tips", "ShowDialingTipsDlg",
     [](const DialogArgs&, DialogValues&) { return ShowDialingTipsDlg(); }},
    {"dialing-test", "ShowDialingTestDlg",
     [](const DialogArgs&, DialogValues&) { return ShowDialingTestDlg(); }},
    {"sound-wizard", "ShowInsertSoundWizardDlg",
     [](const DialogArgs&, DialogValues&) { return ShowInsertSoundWizardDlg(); }},
    {"open-with-lintor", "ShowOpenWithLintorDlg",
     [](const DialogArgs&, DialogValues&) { return ShowOpenWithLintorDlg(); }},
    {"escape-key", "ShowEascapeDlg",
     [](const DialogArgs&, DialogValues&) { return ShowEascapeDlg(); }},
    {"practice-escape", "ShowPracticeEscapeDlg",
     [](const DialogArgs&, DialogValues&) { return ShowPracticeEscapeDlg(); }},
    {"need-ie", "ShowNeedIEDialog",
     [](const DialogArgs&, DialogValues& v) {
         int state = 0;
         const int r = ShowNeedIEDialog(&state);
         v.emplace_back("dont-show", std::to_string(state));
         return r;
     }},
    {"ie-first-install", "IEFirstInstallDialog",
     [](const DialogArgs&, DialogValues& v) {
         int state = 0;
         const int r = IEFirstInstallDialog(&state);
         v.emplace_back("dont-show", std::to_string(state));
         return r;
     }},
    {"xp-speech", "ShowXPSpeechMsgDlg",
     [](const DialogArgs&, DialogValues&) { return ShowXPSpeechMsgDlg(); }},
    {"alert", "ShowAlertMessageDlg",
     [](const DialogArgs& a, DialogValues& v) {
         CStringArray texts;
         texts.Add(arg(a, 0, "Call the printer about the order."));
         const int r = ShowAlertMessageDlg(texts);
         for (int i = 0; i < texts.GetSize(); ++i)
             v.emplace_back("text", texts[i].str());
         return r;
     }},
    {"tech-report", "ShowCorvaneTechDlg",
     [](const DialogArgs&, DialogValues& v) {
         CString report;
         const int r = ShowCorvaneTechDlg(report);
         v.emplace_back("report", report.str());
         return r;
     }},
    {"importance", "SelectImportanceDlg",
     [](const DialogArgs& a, DialogValues& v) {
         CStringArray values;
         if (!a.empty()) values.Add(arg(a, 0, ""));
         const int r = SelectImportanceDlg(values);
         for (int i = 0; i < values.GetSize(); ++i)
             v.emplace_back("value", values[i].str());
         return r;
     }},
    {"search-text", "ShowSearchTextDlg",
     [](const DialogArgs& a, DialogValues& v) {
         CStringArray words;
         words.Add("invoice");
         words.Add("due date");
         const int r = ShowSearchTextDlg(words, arg(a, 0, ""));
         for (int i = 0; i < words.GetSize(); ++i)
             v.emplace_back("word", words[i].str());
         return r;
     }},
    {"insert-table", "ShowInsertTableDlg",
     [](const DialogArgs&, DialogValues& v) {
         UINT columns = 0, rows = 0;
         const int r = ShowInsertTableDlg(columns, rows);
         v.emplace_back("columns", std::to_string(columns));
         v.emplace_back("rows", std::to_string(rows));
         return r;
     }},
    {"address-info", "ShowAddressInfoDlgEx",
     [](const DialogArgs& a, DialogValues& v) {
         CString name = arg(a, 0, "Anna Berger"), address = arg(a, 1, "anna.berger@example.com");
         const int r = ShowAddressInfoDlgEx(nullptr, name, address, argInt(a, 2, 1));
         v.emplace_back("name", name.str());
         v.emplace_back("address", address.str());
         return r;
     }},
    // Spelling: the check over a text of the command line's (no editor to tell), and the
    // engine's options.
    {"check-spelling", "ShowCheckSpellingDlg",
     [](const DialogArgs& a, DialogValues&) {
         return ShowCheckSpellingDlg(nullptr, arg(a, 0, "This sentence has a mispelled word."));
     }},
    {"spelling-options", "SSCEOptionsDlgTmplt",
     [](const DialogArgs&, DialogValues&) { return static_cast<int>(SSCEOptionsDlgTmplt()); }},
    // Text services.
    {"word-count", "ShowWordCountDlg",
     [](const DialogArgs& a, DialogValues&) {
         return ShowWordCountDlg(argInt(a, 0, 1234), argInt(a, 1, 6789), argInt(a, 2, 3),
                                 argInt(a, 3, 120), argInt(a, 4, 12), argInt(a, 5, 64));
     }},
    {"date-received", "SelectDateSpanDlg",
     [](const DialogArgs& a, DialogValues& v) {
         CStringArray range;
         if (a.size() >= 2) {
             range.Add(arg(a, 0, "0"));
             range.Add(arg(a, 1, "0"));
         }
         const int r = SelectDateSpanDlg(range);
         for (int i = 0; i < range.GetSize(); ++i)
             v.emplace_back(i == 0 ? "after" : "before", range[i].str());
         return r;
     }},
    {"keystrokes", "ShowKeyStrokeDlg",
     [](const DialogArgs&, DialogValues&) {
         ShowKeyStrokeDlg();
         return 0;
     }},
    {"insert-symbol", "ShowSymbolDlg",
     [](const DialogArgs& a, DialogValues& v) {
         CString font = arg(a, 0, "DejaVu Sans");
         int character = 0;
         const int r = ShowSymbolDlg(font, &character, argInt(a, 1, 0));
         v.emplace_back("font", font.str());
         v.emplace_back("character", std::to_string(character));
         return r;
     }},
    // Backup settings, their explanation, and the zip window (which the gallery closes
    // before its work starts).
    {"backup-settings", "ShowBackupSettingsDlg",
     [](const DialogArgs& a, DialogValues& v) {
         int minutes = argInt(a, 0, 10);
         char folder[260] = {};
         std::snprintf(folder, sizeof folder, "%s", arg(a, 1, "C:\\Backups").GetString());
         const int r = ShowBackupSettingsDlg(minutes, folder);
         v.emplace_back("minutes", std::to_string(minutes));
         v.emplace_back("folder", folder);
         return r;
     }},
    {"auto-backup-settings", "ShowAutoBackupSettingsDlg",
     [](const DialogArgs& a, DialogValues& v) {
         int automatic = 1, ancestors = 1, minutes = argInt(a, 0, 10);
         CString folder = arg(a, 1, "C:\\Ancestors Backups");
         const int r =
             ShowAutoBackupSettingsDlg(&automatic, &ancestors, &minutes, folder, nullptr, nullptr);
         v.emplace_back("automatic", std::to_string(automatic));
         v.emplace_back("ancestors", std::to_string(ancestors));
         v.emplace_back("minutes", std::to_string(minutes));
         v.emplace_back("folder", folder.str());
         return r;
     }},
    {"auto-backup-help", "ShowhowAutoBackupWorkDlg",
     [](const DialogArgs&, DialogValues&) { return ShowhowAutoBackupWorkDlg(); }},
    {"zip-window", "ZipFile",
     [](const DialogArgs& a, DialogValues&) {
         return ZipFile(argInt(a, 0, 0), arg(a, 1, "C:\\archive.zip"), arg(a, 2, "C:\\Unpacked"),
                        arg(a, 3, ""));
     }},
    // Fax dialogs.
    {"fax-error", "ShowFaxErrorDlg",
     [](const DialogArgs& a, DialogValues&) {
         return ShowFaxErrorDlg(argInt(a, 0, 23018), arg(a, 1, "Merrow.chm"));
     }},
    {"fax-successful", "ShowFaxSuccessfulDlg",
     [](const DialogArgs&, DialogValues&) { return ShowFaxSuccessfulDlg(); }},
    {"fax-info", "ShowFaxInfoDlg",
     [](const DialogArgs&, DialogValues&) { return ShowFaxInfoDlg(); }},
    {"fax-need-files", "ShowFaxNeedFiles",
     [](const DialogArgs&, DialogValues&) { return ShowFaxNeedFiles(); }},
    {"fax-modem-diagnostics", "ShowFaxModemDiagnosticsDlg",
     [](const DialogArgs& a, DialogValues&) {
         return ShowFaxModemDiagnosticsDlg(argInt(a, 0, 0), arg(a, 1, "Merrow.chm"));
     }},
    {"fax-init-string", "ShowFaxInitStringDlg",
     [](const DialogArgs& a, DialogValues& v) {
         int type = argInt(a, 0, 0);
         const int r = ShowFaxInitStringDlg(type);
         v.emplace_back("type", std::to_string(type));
         return r;
     }},
    // Printing: the printable help and saving as PDF.
    {"outlook-help", "ShowOutlookHelpDlg",
     [](const DialogArgs&, DialogValues&) { return ShowOutlookHelpDlg(); }},
    {"pdf-install-filter", "ShowInstallPdfFilterDlg",
     [](const DialogArgs&, DialogValues&) { return ShowInstallPdfFilterDlg(); }},
    {"pdf-filter-installed", "ShowAfterInstallPdfFilterDlg",
     [](const DialogArgs&, DialogValues&) { return ShowAfterInstallPdfFilterDlg(), 0; }},
    {"pdf-no-filter", "ShowSaveasPdfDlg",
     [](const DialogArgs&, DialogValues&) { return ShowSaveasPdfDlg(); }},
    // Mail sending and the mail data: the recovery dialog and its two flags.
    {"data-recovery", "ShowCorvaneDataRecoveryDlg",
     [](const DialogArgs&, DialogValues& v) {
         int sendReceive = 0, dataIntegrity = 0;
         const int r = ShowCorvaneDataRecoveryDlg(sendReceive, dataIntegrity);
         v.emplace_back("send/receive", std::to_string(sendReceive));
         v.emplace_back("data integrity", std::to_string(dataIntegrity));
         return r;
     }},
    // Hidden comments: mode (0 edits the stored text given), then the stored comment text.
    {"comment", "ShowCommentDlg",
     [](const DialogArgs& a, DialogValues& v) {
         int mode = argInt(a, 0, 1);
         CString comment = arg(a, 1, "A hidden comment"), tag, other;
         DWORD colour = 0;
         CByteArray voice;
         int hasVoice = 0;
         CStringArray temporary;
         const int r =
             ShowCommentDlg(mode, comment, colour, tag, voice, hasVoice, other, &temporary);
         char hex[16];
         std::snprintf(hex, sizeof hex, "0x%06X", colour);
         v.emplace_back("comment", comment.str());
         v.emplace_back("colour", hex);
         v.emplace_back("reviewer", tag.str());
         v.emplace_back("voice", std::to_string(hasVoice));
         v.emplace_back("other", other.str());
         for (int i = 0; i < temporary.GetSize(); ++i) {
             tessaly::platform::DeleteFileA(temporary[i]);
         }
         return r;
     }},
};

} // namespace

const std::vector<DialogEntry>& DialogCatalogue() {
    return kCatalogue;
}

const DialogEntry* FindDialog(const std::string& name) {
    for (const DialogEntry& entry : kCatalogue)
        if (name == entry.name) return &entry;
    return nullptr;
}

} // namespace tessaly::cli
