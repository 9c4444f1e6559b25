// A machine program as the prefix's Windows side starts it: linked into the prefix under the
// program's name (or "javaw", the Java runtime's windowless launcher, for "java"), it runs
// the machine's program of that name from PATH (its own folder left out) with every argument
// that names a Windows path (a drive letter, a colon and a backslash) given as the prefix's
// POSIX path, since the machine's programs read POSIX paths only.
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/prefix.h"

namespace {

bool isWindowsPath(const std::string& text) {
    return text.size() > 2 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':' &&
           text[2] == '\\';
}

// The program on PATH outside the folder the link lies in.
std::string machineProgram(const std::string& name, const std::string& ownFolder) {
    char resolved[PATH_MAX];
    const std::string own = realpath(ownFolder.c_str(), resolved) ? resolved : ownFolder;
    std::stringstream path(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
    for (std::string folder; std::getline(path, folder, ':');) {
        if (folder.empty() || (realpath(folder.c_str(), resolved) && own == resolved)) continue;
        const std::string candidate = folder + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    namespace p = tessaly::platform;
    // The name the link was started by: a POSIX path, or the Windows path of a start from
    // the prefix's side (where "x.exe" may stand for the link "x").
    const std::string self = argv[0];
    const size_t separator = self.find_last_of(isWindowsPath(self) ? "\\" : "/");
    const std::string folder = separator == std::string::npos ? "." : self.substr(0, separator);
    std::string name = self.substr(separator == std::string::npos ? 0 : separator + 1);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0)
        name.resize(name.size() - 4);
    if (name == "javaw") name = "java";
    const std::string program = machineProgram(
        name, isWindowsPath(folder) ? p::ToPosixPath(p::Utf8ToAnsi(folder)) : folder);
    if (program.empty()) {
        std::fprintf(stderr, "%s: no program of that name on PATH\n", name.c_str());
        return 127;
    }
    std::vector<std::string> arguments{program};
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const std::string posix =
            isWindowsPath(argument) ? p::ToPosixPath(p::Utf8ToAnsi(argument)) : "";
        arguments.push_back(posix.empty() ? argument : posix);
    }
    std::vector<char*> list;
    for (std::string& argument : arguments)
        list.push_back(argument.data());
    list.push_back(nullptr);
    execv(program.c_str(), list.data());
    std::perror(program.c_str());
    return 127;
}
