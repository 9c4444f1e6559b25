#pragma once
// Internal helpers shared by the prefix, file, shell and profile modules (not exported).
#include <string>
#include <vector>

#include "api.h"

namespace tessaly::platform::detail {

// A Windows path made absolute against the current folder and lexically normal:
// backslashes, "." and ".." resolved, repeated separators collapsed, trailing dots and
// blanks of each component dropped, a trailing backslash kept. UNC paths keep their
// "\\server\share" head. False (last error 123) for an empty path.
bool FullWindowsPath(const std::string& path, std::string& full);
bool IsUncPath(const std::string& path);

// The components of a Windows path, split at backslashes and slashes that are characters
// of their own (never the trail byte of a double-byte character); empty ones dropped.
std::vector<std::string> SplitWindowsComponents(const std::string& text);
// The position of the last separator character of a Windows path, or npos.
size_t LastSeparator(const std::string& text);

// Joins a POSIX folder and a name with exactly one slash.
std::string PosixJoin(const std::string& folder, const std::string& name);
// Lower-cased by the code page's rules, for comparisons without regard to case.
std::string FoldCase(std::string ansi);
// The last error for a POSIX path that was not found: 3 when its folder is missing too,
// else 2.
DWORD SetLastErrorForMissing(const std::string& posixPath);

} // namespace tessaly::platform::detail
