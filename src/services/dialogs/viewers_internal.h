#pragma once
// The version-text rewriting without the string table and the program file, for the fuzz
// harness and the command.
#include <tessaly/cstring.h>

namespace tessaly::dialogs {

// The product version the version text announces.
inline constexpr const char* kProductVersion = "8.5";

// Labels in lower case with their ":"; programDate as GetFileDate gives it ("" leaves the
// version line alone).
CString ParseVersionText(const CString& text, const CString& productLabel,
                         const CString& versionLabel, const CString& programDate);

} // namespace tessaly::dialogs
