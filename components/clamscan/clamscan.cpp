// The scanner the prefix's "clamscan.exe" stands for: the suite passes Windows paths (the
// file, "--database=C:\...", "--log=C:\..."), the machine's clamscan reads POSIX paths, so
// each such path is translated through the prefix and the machine's program is run
// directly (no shell), its exit code passed back.
#include <fcntl.h>
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

// The argument with a Windows path (whole, or the value of "--name=") made POSIX.
std::string translated(const std::string& argument) {
    namespace p = tessaly::platform;
    size_t start = 0;
    if (argument.rfind("--", 0) == 0) {
        const size_t equals = argument.find('=');
        if (equals == std::string::npos) return argument;
        start = equals + 1;
    }
    const std::string value = argument.substr(start);
    if (!isWindowsPath(value)) return argument;
    const std::string posix = p::ToPosixPath(p::Utf8ToAnsi(value));
    return posix.empty() ? argument : argument.substr(0, start) + posix;
}

// The machine's clamscan on PATH, never this program itself (whatever link it runs as).
std::string machineScanner() {
    char own[PATH_MAX], resolved[PATH_MAX];
    const std::string self = realpath("/proc/self/exe", own) ? own : "";
    std::stringstream path(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
    for (std::string folder; std::getline(path, folder, ':');) {
        if (folder.empty()) continue;
        const std::string candidate = folder + "/clamscan";
        if (access(candidate.c_str(), X_OK) != 0) continue;
        if (realpath(candidate.c_str(), resolved) && self == resolved) continue;
        return candidate;
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    const std::string program = machineScanner();
    if (program.empty()) {
        std::fprintf(stderr, "clamscan: the machine's scanner is not on PATH\n");
        return 2; // the scanner's own code for an error
    }
    std::vector<std::string> arguments{program};
    for (int i = 1; i < argc; ++i)
        arguments.push_back(translated(argv[i]));
    std::vector<char*> list;
    for (std::string& argument : arguments)
        list.push_back(argument.data());
    list.push_back(nullptr);
    // The suite starts the scanner without a window: its report goes to the log it names,
    // and its console output, errors included, is seen by no one.
    if (const int null = open("/dev/null", O_WRONLY); null >= 0) {
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
    }
    execv(program.c_str(), list.data());
    std::perror(program.c_str());
    return 2;
}
