#pragma once
// Installing the speech components from the setups of the installation folder. Results are in
// the shell's convention: below 33 the shell's error code of a setup that cannot be started.
#include <tessaly/types.h>

// The runtime and, for Chinese (PRC) and Japanese users, its language pack: -1 declined in
// dialog 1030; 34 the language pack was present when tested; else 33.
TESSALY_API int InstalledSAPI5();
// The recognition engine: 34 present or installed.
TESSALY_API int InstalledSAPI5SR();
