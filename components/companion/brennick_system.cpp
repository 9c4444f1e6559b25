// Processes and printing of the companion library.
#include <tessaly/companion.h>

#include <string>

#include "platform/codepage.h"
#include "platform/process.h"

namespace {

std::string lower(std::string text) {
    tessaly::platform::AnsiLower(text);
    return text;
}

std::string fileName(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "x.exe" also names a Linux program "x", as programs are started.
std::string withoutExe(const std::string& name) {
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0)
        return name.substr(0, name.size() - 4);
    return name;
}

} // namespace

// The first running process whose executable has that file name (case ignored; a path
// is reduced to its file name); 0 when none runs.
DWORD GetProcessID(CString exeName) {
    const std::string wanted = lower(fileName(exeName.str()));
    if (wanted.empty()) return 0;
    const std::string wantedBare = withoutExe(wanted);
    for (const auto& process : tessaly::platform::ListProcesses()) {
        for (const std::string& candidate :
             {lower(process.exeName), lower(fileName(process.exePath))}) {
            if (candidate.empty()) continue;
            if (candidate == wanted || candidate == wantedBare ||
                withoutExe(candidate) == wantedBare)
                return process.pid;
        }
    }
    return 0;
}

// Printing belongs to the printing services, which are not built yet: nothing is printed
// and the result says so.
int PrintText(CString) {
    return 0;
}
