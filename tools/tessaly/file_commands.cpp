#include "commands.h"

namespace tessaly::cli {
void addFileCommands(CLI::App&) {}
} // namespace tessaly::cli
