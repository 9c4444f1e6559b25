// tessaly: the library's services for a person at a shell.
#include "commands.h"

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
    CLI11_PARSE(app, argc, argv);
    return 0;
}
