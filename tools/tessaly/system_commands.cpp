#include "commands.h"

namespace tessaly::cli {
void addSystemCommands(CLI::App&) {}
} // namespace tessaly::cli
