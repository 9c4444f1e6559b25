// tessaly: the library's services for a person at a shell.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "commands.h"
#include "platform/prefix.h"
#include "shell.h"

namespace {

// "tessaly: COMMAND: " for the command family that ran (or was being read), "tessaly: "
// before any.
std::string prefixOf(const CLI::App& app) {
    const auto parsed = app.get_subcommands();
    return parsed.empty() ? "tessaly: " : "tessaly: " + parsed.front()->get_name() + ": ";
}

// Everything a successful command wrote to standard output reached it; else says why and
// gives 1.
int finishOutput(const std::string& prefix, int status) {
    errno = 0;
    // A command that failed has said so; its output's fate adds nothing.
    if (status != 0 || (std::fflush(stdout) == 0 && !std::ferror(stdout))) return status;
    const int error = errno;
    std::fprintf(stderr, "%scannot write to standard output: %s\n", prefix.c_str(),
                 error ? std::strerror(error) : "write error");
    return tessaly::cli::kFailed;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"tessaly: the Tessaly services library at the shell"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "tessaly " TESSALY_VERSION);
    tessaly::cli::addRegistryCommands(app);
    tessaly::cli::addFileCommands(app);
    tessaly::cli::addSystemCommands(app);
    tessaly::cli::addLanguageCommands(app);
    tessaly::cli::addDemoCommand(app);
    tessaly::cli::addDialogCommands(app);
    tessaly::cli::addMailCommands(app);
    tessaly::cli::addWindowCommands(app);
    tessaly::cli::addSpellCommands(app);
    tessaly::cli::addTextCommands(app);
    tessaly::cli::addBackupCommands(app);
    tessaly::cli::addLaunchCommands(app);
    tessaly::cli::addWebCommands(app);
    tessaly::cli::addPrintCommands(app);
    tessaly::cli::addPdfCommand(app);
    tessaly::cli::addMailSendCommands(app);
    tessaly::cli::addCommentCommands(app);
    // Every command works in the prefix: one that cannot be used is named with the reason.
    app.parse_complete_callback([] {
        std::string root;
        if (int err = tessaly::platform::PrefixProblem(root)) {
            std::fprintf(stderr, "tessaly: prefix %s: %s\n", root.c_str(), std::strerror(err));
            throw CLI::RuntimeError(tessaly::cli::kFailed);
        }
    });
    int status = 0;
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        status = app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        status = app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        status = app.exit(e);
    } catch (const CLI::RuntimeError& e) {
        status = e.get_exit_code(); // the command said what failed
    } catch (const CLI::ParseError& e) {
        // A mistyped command word is left over rather than named by the parser.
        const auto left = app.remaining(true);
        const bool missing = dynamic_cast<const CLI::RequiredError*>(&e) != nullptr;
        const std::string unknown =
            !missing || left.empty() ? "" : ": unknown \"" + left.front() + "\"";
        std::fprintf(stderr, "%s%s%s (see --help)\n", prefixOf(app).c_str(), e.what(),
                     unknown.c_str());
        status = tessaly::cli::kUsage;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s%s\n", prefixOf(app).c_str(), e.what());
        status = tessaly::cli::kFailed;
    }
    return finishOutput(prefixOf(app), status);
}
