#include "commands.h"

namespace tessaly::cli {
void addDemoCommand(CLI::App&) {}
} // namespace tessaly::cli
