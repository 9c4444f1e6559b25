// tessaly: the library's services for a person at a shell.
#include <CLI/CLI.hpp>

#include <tessaly/tessaly.h>

int main(int argc, char** argv) {
    CLI::App app{"tessaly: the Tessaly services library at the shell"};
    app.require_subcommand(1);
    CLI11_PARSE(app, argc, argv);
    return 0;
}
