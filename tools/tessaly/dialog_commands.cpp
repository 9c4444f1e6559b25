// tessaly dialog: runs a dialog of the library with scripted answers and reports what it
// showed; tessaly gallery: a picture of every dialog of the catalogue. Without --click or
// --escape a dialog waits for a person (on a display).
#include <tessaly/automation.h>
#include <tessaly/controls.h>
#include <tessaly/foundation.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "commands.h"
#include "dialog_catalogue.h"
#include "platform/codepage.h"

namespace tessaly::cli {

namespace {

namespace p = tessaly::platform;

struct Script {
    std::vector<std::string> sets;    // ID=TEXT
    std::vector<std::string> checks;  // ID=N
    std::vector<std::string> selects; // ID=N
    int click = 0;
    bool escape = false;
    std::string png;
};

// "ID=VALUE" split; false when there is no '=' or no number before it.
bool splitAssignment(const std::string& text, int& id, std::string& value) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) return false;
    char* end = nullptr;
    id = static_cast<int>(std::strtol(text.c_str(), &end, 10));
    if (end != text.c_str() + equals) return false;
    value = text.substr(equals + 1);
    return true;
}

std::string u8(const std::string& ansi) {
    return p::AnsiToUtf8(ansi);
}

void printDialog(automation::Dialog& dialog) {
    std::printf("dialog\t%u\t%s\n", dialog.TemplateId(), u8(dialog.Caption()).c_str());
}

void printControl(automation::Dialog& dialog, int id) {
    std::printf("control\t%d\t%s\t%s\t%s\n", id, dialog.IsVisible(id) ? "visible" : "hidden",
                dialog.IsEnabled(id) ? "enabled" : "disabled", u8(dialog.GetText(id)).c_str());
}

// Every control with an id of its own (statics without one are left out).
void printControls(automation::Dialog& dialog) {
    for (const automation::Dialog::Control& c : dialog.Controls()) {
        if (c.id == 0xFFFF) continue;
        std::printf("control\t%d\t%s\t%s\t%s\t%s\n", c.id, c.className.c_str(),
                    c.visible ? "visible" : "hidden", c.enabled ? "enabled" : "disabled",
                    u8(c.text).c_str());
    }
}

// Selects item N of a combo box or list box of the dialog.
bool selectItem(automation::Dialog& dialog, int id, int index) {
    CWnd* window = CWnd::FromHandle(dialog.Handle());
    CWnd* control = window ? window->GetDlgItem(id) : nullptr;
    if (auto* combo = dynamic_cast<CComboBox*>(control)) return combo->SetCurSel(index) == index;
    if (auto* list = dynamic_cast<CListBox*>(control)) return list->SetCurSel(index) == index;
    return false;
}

// Sets what the script says, prints the dialog and answers it. A dialog that stays open
// after the scripted click is cancelled, so the command always ends.
void answer(automation::Dialog& dialog, const Script& script, const std::vector<int>& controls) {
    for (const std::string& set : script.sets) {
        int id = 0;
        std::string value;
        if (splitAssignment(set, id, value) && !dialog.SetText(id, p::Utf8ToAnsi(value)))
            std::fprintf(stderr, "no control %d\n", id);
    }
    for (const std::string& check : script.checks) {
        int id = 0;
        std::string value;
        if (splitAssignment(check, id, value) && !dialog.SetCheck(id, std::atoi(value.c_str())))
            std::fprintf(stderr, "no control %d\n", id);
    }
    for (const std::string& select : script.selects) {
        int id = 0;
        std::string value;
        if (splitAssignment(select, id, value) && !selectItem(dialog, id, std::atoi(value.c_str())))
            std::fprintf(stderr, "cannot select item %s of control %d\n", value.c_str(), id);
    }
    printDialog(dialog);
    if (controls.empty())
        printControls(dialog);
    else
        for (int id : controls)
            printControl(dialog, id);
    if (!script.png.empty() && !dialog.SavePng(script.png))
        std::fprintf(stderr, "cannot write %s\n", script.png.c_str());
    std::fflush(stdout);
    if (script.click) {
        if (!dialog.Click(script.click)) std::fprintf(stderr, "cannot click %d\n", script.click);
        if (dialog.IsOpen()) {
            std::printf("open\t%d\n", script.click); // the click kept the dialog open
            dialog.PressEscape();
        }
    } else if (script.escape) {
        dialog.PressEscape();
    }
}

// The first dialog follows the script; dialogs it opens (messages shown when a click is
// refused) are printed and closed with Escape, as message boxes are answered with their
// first button.
void installHandlers(const Script& script, const std::vector<int>& controls) {
    static int depth = 0;
    static bool answered = false;
    answered = false;
    automation::SetDialogHandler([&script, controls](automation::Dialog& d) {
        if (depth > 0 || answered) {
            std::printf("nested\t%u\t%s\n", d.TemplateId(), u8(d.Caption()).c_str());
            printControls(d);
            std::fflush(stdout);
            d.PressEscape();
            return;
        }
        answered = true;
        ++depth;
        answer(d, script, controls);
        --depth;
    });
    automation::SetMessageBoxHandler([&script](const automation::MessageBoxInfo& info) {
        std::printf("messagebox\t%s\n", u8(info.text).c_str());
        std::fflush(stdout);
        return (script.click || script.escape) ? 1 : 0;
    });
}

void printValues(int result, const DialogValues& values) {
    for (const auto& [name, value] : values)
        std::printf("value\t%s\t%s\n", name.c_str(), u8(value).c_str());
    std::printf("result\t%d\n", result);
}

// Opens every row's dialog with its default arguments, saves its picture, its caption and
// the places of its controls, then cancels it. The dialogs are in the install language.
int runGallery(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "cannot make %s\n", folder.c_str());
        return 1;
    }
    int failures = 0;
    for (const DialogEntry& entry : DialogCatalogue()) {
        const std::string png = (std::filesystem::path(folder) / entry.name).string() + ".png";
        bool opened = false;
        automation::SetMessageBoxHandler([](const automation::MessageBoxInfo&) { return 1; });
        automation::SetDialogHandler([&](automation::Dialog& d) {
            if (opened) { // a dialog the first one opened
                d.PressEscape();
                return;
            }
            opened = true;
            const automation::Rect client = d.GetRect(0);
            const bool saved = d.SavePng(png);
            std::printf("dialog\t%s\t%u\t%d\t%d\t%s\t%s\n", entry.name, d.TemplateId(),
                        client.width, client.height, saved ? png.c_str() : "",
                        u8(d.Caption()).c_str());
            for (const automation::Dialog::Control& c : d.Controls())
                std::printf("control\t%s\t%d\t%s\t%u\t%s\t%d\t%d\t%d\t%d\n", entry.name, c.id,
                            c.className.c_str(), static_cast<unsigned>(c.style),
                            c.visible ? "visible" : "hidden", c.rect.left, c.rect.top, c.rect.width,
                            c.rect.height);
            std::fflush(stdout);
            d.PressEscape();
            if (d.IsOpen()) d.Click(2);
        });
        DialogValues values;
        const int result = entry.run({}, values);
        if (!opened) {
            std::printf("missing\t%s\t%d\n", entry.name, result);
            ++failures;
        }
        std::fflush(stdout);
    }
    automation::SetDialogHandler(nullptr);
    automation::SetMessageBoxHandler(nullptr);
    return failures ? 1 : 0;
}

} // namespace

void addDialogCommands(CLI::App& app) {
    CLI::App* dialog = app.add_subcommand(
        "dialog", "run a dialog of the library: tessaly dialog NAME [ARGS...] (--list names them)");
    static Script script;
    static std::string name;
    static std::vector<std::string> args;
    static bool list = false;
    dialog->add_option("--set", script.sets, "set the text of a control: ID=TEXT");
    dialog->add_option("--check", script.checks, "set the check state of a button: ID=N");
    dialog->add_option("--select", script.selects, "select item N of a list or combo box: ID=N");
    dialog->add_option("--click", script.click, "click the button with this control id");
    dialog->add_flag("--escape", script.escape, "press Escape");
    dialog->add_option("--png", script.png, "save a picture of the dialog");
    dialog->add_flag("--list", list, "list the dialogs and their functions");
    dialog->add_option("NAME", name, "the dialog (see --list)");
    dialog->add_option("ARGS", args, "the dialog function's arguments in place of the defaults");
    dialog->require_subcommand(0, 1);
    dialog->callback([dialog] {
        if (!dialog->get_subcommands().empty()) return;
        if (list) {
            for (const DialogEntry& entry : DialogCatalogue())
                std::printf("%s\t%s\n", entry.name, entry.function);
            return;
        }
        const DialogEntry* entry = FindDialog(name);
        if (!entry) {
            std::fprintf(stderr, "no dialog named \"%s\" (tessaly dialog --list)\n", name.c_str());
            throw CLI::RuntimeError(2);
        }
        installHandlers(script, {});
        DialogValues values;
        const int result = entry->run(args, values);
        printValues(result, values);
    });

    static std::string text;
    static unsigned type = 0;
    CLI::App* message = dialog->add_subcommand("message", "the library's message dialog");
    message->add_option("TEXT", text, "the message (UTF-8)")->required();
    message->add_option("--type", type, "button set and icon (0x24: Yes/No, question)");
    message->allow_extras();
    message->callback([] {
        installHandlers(script, {1785, 1786, 1787, 1501});
        const int result = DisplayMessageBox(p::Utf8ToAnsi(text).c_str(), type, nullptr);
        std::printf("result\t%d\n", result);
    });

    CLI::App* gallery =
        app.add_subcommand("gallery", "save a picture of every dialog of the library");
    static std::string folder;
    gallery->add_option("DIR", folder, "the folder for the pictures (one NAME.png each)")
        ->required();
    // A language switch ("/english") may follow; the library reads it from the command line.
    gallery->allow_extras();
    gallery->callback([] {
        if (const int failures = runGallery(folder)) throw CLI::RuntimeError(failures);
    });
}

} // namespace tessaly::cli

// Leaks inside the font library reached through Qt are not ours.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}
