#pragma once
// Opening files the way the system's shell does: a program is started, a document is handed
// to the program its type is associated with in the prefix's registry and, when the prefix
// knows no program for it, to the desktop's own choice (xdg-mime, xdg-open). Nothing passes
// through a shell interpreter.
#include <cstdint>
#include <string>

#include "api.h"

namespace tessaly::platform {

// The shell's error codes (a result above 32 is success).
enum : int {
    SE_ERR_FNF = 2,
    SE_ERR_PNF = 3,
    SE_ERR_ACCESSDENIED = 5,
    SE_ERR_OOM = 8,
    SE_ERR_BAD_FORMAT = 11,
    SE_ERR_NOASSOC = 31,
    kShellSuccess = 42
};

// verb null or "open"; other verbs use their own command key. parameters go to a program
// (or the %* of a command), directory is the program's current folder (Windows or POSIX).
// Returns 42 once the program has started, else one of the codes above.
PLATFORM_API std::intptr_t ShellExecuteA(HWND owner, const char* verb, const char* file,
                                         const char* parameters, const char* directory, int show);

// The command line the prefix's registry gives for the verb on the file: the per-user
// Explorer "Progid" of the extension, else the extension's class (following "CurVer"),
// its "shell\<verb>\command", with %1 / %L replaced by the file and %* by the parameters
// (the file is appended quoted when the command names no place for it). Empty when the
// prefix has no association.
PLATFORM_API std::string AssociatedCommand(const std::string& file, const std::string& verb,
                                           const std::string& parameters);

// The desktop's program for the file: the desktop file xdg-mime names for its type, empty
// when there is none.
PLATFORM_API std::string DesktopDefaultFor(const std::string& posixPath);

} // namespace tessaly::platform
