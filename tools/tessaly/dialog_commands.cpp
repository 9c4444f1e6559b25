// tessaly dialog: runs a dialog of the library with scripted answers and reports what it
// showed; tessaly gallery: a picture of every dialog of the catalogue. Without --click or
// --escape a dialog waits for a person (on a display) until --timeout, then is cancelled.
#include <tessaly/automation.h>
#include <tessaly/controls.h>
#include <tessaly/foundation.h>

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "commands.h"
#include "dialog_catalogue.h"
#include "shell.h"

namespace tessaly::cli {

namespace {

const char* const kCommand = "dialog";

struct Script {
    std::vector<std::string> sets;    // ID=TEXT
    std::vector<std::string> checks;  // ID=N
    std::vector<std::string> selects; // ID=N
    int click = 0;
    bool escape = false;
    std::string png;
    double timeout = -1; // seconds; negative: the default
};

// An ID=VALUE of the script, read before the dialog runs (VALUE in the code page).
struct Assignment {
    int id = 0;
    std::string value;
};
struct Plan {
    std::vector<Assignment> sets, checks, selects;
};

// What went wrong while the dialog ran; the command fails with it afterwards.
std::vector<std::string>& problems() {
    static std::vector<std::string> list;
    return list;
}
bool timedOut = false;

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
    return FromAnsi(ansi);
}

// The script's assignments, checked before anything runs: a malformed one is a usage error,
// text the code page cannot hold is refused.
Plan readScript(const Script& script) {
    Plan plan;
    const std::pair<const std::vector<std::string>*, std::vector<Assignment>*> groups[] = {
        {&script.sets, &plan.sets},
        {&script.checks, &plan.checks},
        {&script.selects, &plan.selects}};
    for (const auto& [texts, out] : groups)
        for (const std::string& text : *texts) {
            Assignment a;
            if (!splitAssignment(text, a.id, a.value))
                Fail(kCommand, "\"" + text + "\" is not ID=VALUE", kUsage);
            a.value = ToAnsi(kCommand, a.value);
            out->push_back(a);
        }
    return plan;
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
void answer(automation::Dialog& dialog, const Script& script, const Plan& plan,
            const std::vector<int>& controls) {
    for (const Assignment& set : plan.sets)
        if (!dialog.SetText(set.id, set.value))
            problems().push_back("no control " + std::to_string(set.id));
    for (const Assignment& check : plan.checks)
        if (!dialog.SetCheck(check.id, std::atoi(check.value.c_str())))
            problems().push_back("no check box " + std::to_string(check.id));
    for (const Assignment& select : plan.selects)
        if (!selectItem(dialog, select.id, std::atoi(select.value.c_str())))
            problems().push_back("cannot select item " + select.value + " of control " +
                                 std::to_string(select.id));
    printDialog(dialog);
    if (controls.empty())
        printControls(dialog);
    else
        for (int id : controls)
            printControl(dialog, id);
    if (!script.png.empty() && !dialog.SavePng(script.png))
        problems().push_back("cannot write " + script.png);
    std::fflush(stdout);
    if (script.click) {
        if (!dialog.Click(script.click))
            problems().push_back("cannot click " + std::to_string(script.click));
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
void installHandlers(const Script& script, const Plan& plan, const std::vector<int>& controls) {
    static int depth = 0;
    static bool answered = false;
    answered = false;
    automation::SetDialogHandler([&script, &plan, controls](automation::Dialog& d) {
        if (depth > 0 || answered) {
            std::printf("nested\t%u\t%s\n", d.TemplateId(), u8(d.Caption()).c_str());
            printControls(d);
            std::fflush(stdout);
            d.PressEscape();
            return;
        }
        answered = true;
        ++depth;
        answer(d, script, plan, controls);
        --depth;
    });
    automation::SetMessageBoxHandler([&script](const automation::MessageBoxInfo& info) {
        std::printf("messagebox\t%s\n", u8(info.text).c_str());
        std::fflush(stdout);
        return (script.click || script.escape) ? 1 : 0;
    });
}

// Cancels whatever modal dialog is open once the time is up, as Escape would, and keeps
// cancelling (more firmly when Escape was refused) until none is left.
void startWatchdog(const Script& script) {
    double seconds = script.timeout;
    if (seconds < 0) // nobody can answer a dialog drawn offscreen without a script
        seconds = Offscreen() && !script.click && !script.escape ? 5 : 0;
    if (seconds == 0) return;
    static QPointer<QDialog> last;
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(static_cast<int>(seconds * 1000));
    QObject::connect(timer, &QTimer::timeout, [timer] {
        timer->setInterval(200);
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        timedOut = true;
        if (dialog == last)
            dialog->done(IDCANCEL);
        else
            dialog->reject();
        last = dialog;
    });
    timer->start();
}

// The command's end: fails with what went wrong while the dialog ran.
void finish(const Script& script) {
    std::string what;
    if (timedOut) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g", script.timeout < 0 ? 5 : script.timeout);
        what = std::string("no answer within ") + seconds + " seconds: the dialog was cancelled";
    }
    for (const std::string& problem : problems())
        what += (what.empty() ? "" : "; ") + problem;
    if (!what.empty()) Fail(kCommand, what);
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
    if (error) Fail("gallery", "cannot make " + folder + ": " + error.message());
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
    dialog->add_option("--set", script.sets, "set the text of a control: ID=TEXT")
        ->allow_extra_args(false);
    dialog->add_option("--check", script.checks, "set the check state of a button: ID=N")
        ->allow_extra_args(false);
    dialog->add_option("--select", script.selects, "select item N of a list or combo box: ID=N")
        ->allow_extra_args(false);
    dialog->add_option("--click", script.click, "click the button with this control id");
    dialog->add_flag("--escape", script.escape, "press Escape");
    dialog->add_option("--png", script.png, "save a picture of the dialog");
    dialog
        ->add_option("--timeout", script.timeout,
                     "cancel the dialog after this many seconds (0: wait; without a display "
                     "and an answer: 5)")
        ->check(CLI::NonNegativeNumber);
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
        if (name.empty()) Fail(kCommand, "NAME is required (tessaly dialog --list)", kUsage);
        const DialogEntry* entry = FindDialog(name);
        if (!entry)
            Fail(kCommand, "no dialog named \"" + name + "\" (tessaly dialog --list)", kUsage);
        const Plan plan = readScript(script);
        for (const std::string& arg : args)
            ToAnsi(kCommand, arg); // refused here rather than passed on as '?'
        StartApplication(kCommand, false);
        installHandlers(script, plan, {});
        startWatchdog(script);
        DialogValues values;
        const int result = entry->run(args, values);
        printValues(result, values);
        finish(script);
    });

    static std::string text;
    static unsigned type = 0;
    CLI::App* message = dialog->add_subcommand("message", "the library's message dialog");
    message->add_option("TEXT", text, "the message (UTF-8)")->required();
    message->add_option("--type", type, "button set and icon (0x24: Yes/No, question)");
    message->allow_extras();
    message->callback([] {
        const Plan plan = readScript(script);
        const std::string ansi = ToAnsi(kCommand, text);
        StartApplication(kCommand, false);
        installHandlers(script, plan, {1785, 1786, 1787, 1501});
        startWatchdog(script);
        const int result = DisplayMessageBox(ansi.c_str(), type, nullptr);
        std::printf("result\t%d\n", result);
        finish(script);
    });

    CLI::App* gallery =
        app.add_subcommand("gallery", "save a picture of every dialog of the library");
    static std::string folder;
    gallery->add_option("DIR", folder, "the folder for the pictures (one NAME.png each)")
        ->required();
    // A language switch ("/english") may follow; the library reads it from the command line.
    gallery->allow_extras();
    gallery->callback([] {
        StartApplication("gallery", false);
        if (const int failures = runGallery(folder))
            Fail("gallery", std::to_string(failures) + " dialogs did not open");
    });
}

} // namespace tessaly::cli

// Leaks inside the font library reached through Qt are not ours.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}
// Leaks that remain are reported; the count of suppressed ones is not worth a word.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_options() {
    return "print_suppressions=0";
}
