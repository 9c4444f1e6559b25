// tessaly dialog: runs a dialog of the library with scripted answers and reports what it
// showed. Without --click or --escape the dialog waits for a person (on a display).
#include <tessaly/automation.h>
#include <tessaly/foundation.h>

#include <cstdio>
#include <string>

#include "commands.h"
#include "platform/codepage.h"

namespace tessaly::cli {

namespace {

namespace p = tessaly::platform;

struct Script {
    int click = 0;
    bool escape = false;
    std::string png;
};

// Prints each control of interest and answers the dialog as the script says.
void answer(automation::Dialog& dialog, const Script& script, const std::vector<int>& controls) {
    std::printf("dialog\t%u\t%s\n", dialog.TemplateId(), p::AnsiToUtf8(dialog.Caption()).c_str());
    for (int id : controls) {
        std::printf("control\t%d\t%s\t%s\t%s\n", id, dialog.IsVisible(id) ? "visible" : "hidden",
                    dialog.IsEnabled(id) ? "enabled" : "disabled",
                    p::AnsiToUtf8(dialog.GetText(id)).c_str());
    }
    if (!script.png.empty() && !dialog.SavePng(script.png))
        std::fprintf(stderr, "cannot write %s\n", script.png.c_str());
    std::fflush(stdout);
    if (script.click)
        dialog.Click(script.click);
    else if (script.escape)
        dialog.PressEscape();
}

} // namespace

void addDialogCommands(CLI::App& app) {
    CLI::App* dialog = app.add_subcommand("dialog", "run a dialog of the library");
    dialog->require_subcommand(1);
    static Script script;
    dialog->add_option("--click", script.click, "click the button with this control id");
    dialog->add_flag("--escape", script.escape, "press Escape");
    dialog->add_option("--png", script.png, "save a picture of the dialog");

    static std::string text;
    static unsigned type = 0;
    CLI::App* message = dialog->add_subcommand("message", "the library's message dialog");
    message->add_option("TEXT", text, "the message (UTF-8)")->required();
    message->add_option("--type", type, "button set and icon (0x24: Yes/No, question)");
    message->allow_extras();
    message->callback([] {
        automation::SetDialogHandler([](automation::Dialog& d) {
            answer(d, script, {1785, 1786, 1787, 1501});
        });
        const int result = DisplayMessageBox(p::Utf8ToAnsi(text).c_str(), type, nullptr);
        std::printf("result\t%d\n", result);
    });
}

} // namespace tessaly::cli

// Leaks inside the font library reached through Qt are not ours.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}
