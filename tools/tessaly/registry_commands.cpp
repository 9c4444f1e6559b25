#include "commands.h"

namespace tessaly::cli {
void addRegistryCommands(CLI::App&) {}
} // namespace tessaly::cli
