#include "commands.h"

namespace tessaly::cli {
void addLanguageCommands(CLI::App&) {}
} // namespace tessaly::cli
