#pragma once
// The prefix: the folder that holds the library's Windows world (drives, registry, profile).
#include <string>

#include "api.h"

namespace tessaly::platform {

// TESSALY_PREFIX, else ~/.tessaly; read on every call so a test can point each case
// at its own folder. Created with its drive links and folders on first use.
PLATFORM_API std::string PrefixRoot();
// Creates the prefix when it is missing (dosdevices/c: and z:, drive_c/windows/system32,
// the user's special folders, win.ini). Idempotent; returns the root. Never throws: when the
// prefix cannot be used (unreadable, a file where the folder should be) the last error is
// set and the callers' file and registry operations fail with their own codes.
PLATFORM_API std::string EnsurePrefix();
// The same, giving the root in root and 0, or the errno that stops the prefix being used.
PLATFORM_API int PreparePrefix(std::string& root);
// Without making anything: 0, or the errno that stops an existing prefix (or a file in its
// place) being used.
PLATFORM_API int PrefixProblem(std::string& root);
// The user name the prefix uses for drive_c/users/<user>.
PLATFORM_API std::string PrefixUserName();

// Windows path to POSIX. Drive letters go through dosdevices/<letter>:, UNC paths fail,
// relative paths are taken against the current folder. Each component missing under its
// exact name is looked up without regard to case. Empty on failure (last error 3).
PLATFORM_API std::string ToPosixPath(const std::string& windowsPath);
// POSIX path to Windows: under a drive link the drive's form (C:\...), else Z:\....
PLATFORM_API std::string ToWindowsPath(const std::string& posixPath);
// The folder a drive letter maps to, or empty when the drive is not mapped.
PLATFORM_API std::string DriveFolder(char letter);

} // namespace tessaly::platform
