// tessaly lang: the suite's languages and the resource module the library chose when it
// was loaded. Extra words are accepted and ignored, so that a language switch such as
// "/english" can be put on the command line, where the library looks for it.
#include <tessaly/foundation.h>

#include <cstdio>
#include <string>

#include "commands.h"
#include "platform/module.h"
#include "shell.h"

namespace tessaly::cli {

namespace {

namespace p = tessaly::platform;

void printLine(const CString& text) {
    std::printf("%s\n", FromAnsi(text.str()).c_str());
}

// The language module the library loaded at start-up: the loaded module that carries
// resources of its own.
std::string loadedLanguageModule() {
    for (HMODULE module : p::LoadedModules()) {
        if (!p::GetProcAddress(module, "TessalyResourceData")) continue;
        char path[1024] = {};
        if (p::GetModuleFileNameA(module, path, sizeof path)) return path;
    }
    return {};
}

} // namespace

void addLanguageCommands(CLI::App& app) {
    CLI::App* lang = app.add_subcommand("lang", "languages and the language resource module");
    lang->require_subcommand(1);

    static int languageId = 0;
    CLI::App* name = lang->add_subcommand("name", "display name of a language identifier");
    name->add_option("ID", languageId, "language identifier (1031, 9, ...)")->required();
    name->allow_extras();
    name->callback([] { printLine(GetLanguageName(languageId)); });

    CLI::App* current = lang->add_subcommand("current", "the language the suite runs in");
    current->allow_extras();
    current->callback([] {
        const int language = GetCurrentLanguage();
        std::printf("%d\t", language);
        printLine(GetLanguageName(language));
    });

    CLI::App* module = lang->add_subcommand("module", "the resource module loaded at start-up");
    module->allow_extras();
    module->callback([] {
        const std::string path = loadedLanguageModule();
        std::printf("%s\n", path.empty() ? "none" : FromAnsi(path).c_str());
    });

    static unsigned stringId = 0;
    CLI::App* string = lang->add_subcommand("string", "a text of the library's string table");
    string->add_option("ID", stringId, "string identifier")->required();
    string->allow_extras();
    string->callback([] {
        CString text;
        if (!text.LoadString(stringId)) Fail("lang", "no string " + std::to_string(stringId));
        printLine(text);
    });
}

} // namespace tessaly::cli
