// tessaly system: which Windows the library presents, running processes, starting a program,
// version resources and the user's locale.
#include <iostream>
#include <memory>
#include <string>

#include <tessaly/foundation.h>

#include "commands.h"
#include "platform/locale.h"
#include "shell.h"

namespace tessaly::cli {

namespace {

namespace platform = tessaly::platform;

std::string Shown(const CString& text) {
    return FromAnsi(text.str());
}
std::string Passed(const std::string& text) {
    return ToAnsi("system", text);
}

[[noreturn]] void Fail(const std::string& what) {
    cli::Fail("system", what);
}

void ShowVersion() {
    std::cout << Shown(GetWindowsVersion()) << "\n";
    std::cout << "GetOSVersionEx: " << GetOSVersionEx() << "\n";
    long code = -1;
    int read = GetOSVersion(code);
    std::cout << "GetOSVersion: " << code << (read ? "" : " (version not readable)") << "\n";
    int platformId = 0, major = 0, minor = 0, servicePack = 0;
    int result = GET_WIN_VERSION(&platformId, &major, &minor, &servicePack);
    if (result != 0)
        std::cout << "GET_WIN_VERSION: " << result << " (version not readable)\n";
    else
        std::cout << "GET_WIN_VERSION: platform " << platformId << ", major " << major << ", minor "
                  << minor << ", service pack " << servicePack << "\n";
}

struct ExecOptions {
    std::string commandLine;
    bool wait = false;
    bool hidden = false;
};

void Exec(const ExecOptions& options) {
    DWORD exitCode = 0;
    if (!ExecProc(CString(Passed(options.commandLine)), options.wait ? 1 : 0,
                  options.hidden ? 0 : 1, exitCode))
        Fail("cannot start \"" + options.commandLine + "\"");
    std::cout << exitCode << "\n";
}

void ShowLocale() {
    std::cout << "Country: " << Shown(GetCurrentCountryName()) << "\n";
    char date[260] = {};
    if (platform::GetDateFormatA(platform::LOCALE_USER_DEFAULT, platform::DATE_LONGDATE, nullptr,
                                 nullptr, date, sizeof date) == 0)
        Fail("the long date of today cannot be formatted");
    std::cout << "Long date: " << FromAnsi(date) << "\n";
}

} // namespace

void addSystemCommands(CLI::App& app) {
    CLI::App* system = app.add_subcommand("system", "Windows version, processes, programs, locale");
    system->require_subcommand(1);

    system->add_subcommand("version", "the Windows description and the three version codes")
        ->callback(ShowVersion);

    auto name = std::make_shared<std::string>();
    CLI::App* processes = system->add_subcommand(
        "processes", "the number of running processes whose lower-cased name contains NAME");
    processes->add_option("NAME", *name, "part of the executable name (lower case)");
    processes->callback([name] { std::cout << GetProcessCount(Passed(*name).c_str()) << "\n"; });

    auto exec = std::make_shared<ExecOptions>();
    CLI::App* execCommand = system->add_subcommand(
        "exec", "start a Windows command line and print its exit code (259: still running)");
    execCommand->add_option("COMMAND_LINE", exec->commandLine, "the command line, in one word")
        ->required();
    execCommand->add_flag("--wait", exec->wait, "wait until the program ends");
    execCommand->add_flag("--hidden", exec->hidden, "start the program hidden");
    execCommand->callback([exec] { Exec(*exec); });

    auto file = std::make_shared<std::string>();
    auto entry = std::make_shared<std::string>();
    CLI::App* versionInfo = system->add_subcommand(
        "version-info", "an entry of a file's version resource (ProductName, FileVersion, ...)");
    versionInfo->add_option("FILE", *file, "the module or Windows program")->required();
    versionInfo->add_option("ENTRY", *entry, "the entry name")->required();
    versionInfo->callback([file, entry] {
        CString value = GetVersionInfo(Passed(*file).c_str(), Passed(*entry).c_str());
        if (value.IsEmpty())
            Fail("no entry \"" + *entry + "\" in the version resource of " + *file);
        std::cout << Shown(value) << "\n";
    });

    system->add_subcommand("locale", "the keyboard layout's country and today's long date")
        ->callback(ShowLocale);
}

} // namespace tessaly::cli
