// tessaly: the library's services for a person at a shell.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "commands.h"
#include "platform/prefix.h"

int main(int argc, char** argv) {
    CLI::App app{"tessaly: the Tessaly services library at the shell"};
    app.require_subcommand(1);
    tessaly::cli::addRegistryCommands(app);
    tessaly::cli::addFileCommands(app);
    tessaly::cli::addSystemCommands(app);
    tessaly::cli::addLanguageCommands(app);
    tessaly::cli::addDemoCommand(app);
    tessaly::cli::addDialogCommands(app);
    tessaly::cli::addMailCommands(app);
    tessaly::cli::addWindowCommands(app);
    // Every command works in the prefix: one that cannot be used is named with the reason.
    app.parse_complete_callback([] {
        std::string root;
        if (int err = tessaly::platform::PrefixProblem(root)) {
            std::fprintf(stderr, "tessaly: prefix %s: %s\n", root.c_str(), std::strerror(err));
            std::exit(1);
        }
    });
    CLI11_PARSE(app, argc, argv);
    return 0;
}
