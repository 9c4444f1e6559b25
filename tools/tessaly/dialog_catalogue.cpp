// The catalogue of the library's dialogs for `tessaly dialog NAME` and `tessaly gallery`.
// Add a dialog with one row: its name, its function, and a lambda that calls it with
// default arguments (or the command line's words) and notes its out-values.
#include "dialog_catalogue.h"

#include <tessaly/dialogs.h>
#include <tessaly/foundation.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/codepage.h"

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

const std::vector<DialogEntry> kCatalogue = {
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
