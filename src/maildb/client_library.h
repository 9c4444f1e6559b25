#pragma once
// What the helper's connection kinds share inside the helper.
#include <string>

namespace tessaly::maildb {

// Makes the process's server library ready for client connections: when no embedded server
// was started, on a scratch folder with InnoDB off (removed at exit).
void PrepareClientLibrary();

// A database or account name in backquotes, a backquote in it doubled.
std::string quoteName(const std::string& name);

} // namespace tessaly::maildb
