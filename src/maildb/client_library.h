#pragma once
// What the helper's connection kinds share inside the helper.
namespace tessaly::maildb {

// Makes the process's server library ready for client connections: when no embedded server
// was started, on a scratch folder with InnoDB off (removed at exit).
void PrepareClientLibrary();

} // namespace tessaly::maildb
