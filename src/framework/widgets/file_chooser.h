#pragma once
// The framework's file-open chooser, answered by the user or by an automation script.
#include <tessaly/cstring.h>

#include <string>
#include <utility>
#include <vector>

namespace tessaly::framework {

// Chooser flags the callers pass (as the system's file dialog takes them).
enum : DWORD { OFN_OVERWRITEPROMPT = 0x2, OFN_HIDEREADONLY = 0x4, OFN_FILEMUSTEXIST = 0x1000 };

// Shows the chooser with the filter's (description, pattern) pairs (patterns separated by
// ";"), starting in the initial folder (Windows path). True with the chosen file's Windows
// path; false when cancelled.
bool ChooseFileToOpen(const std::vector<std::pair<std::string, std::string>>& filter,
                      const CString& initialFolder, DWORD flags, CString& path);

} // namespace tessaly::framework
