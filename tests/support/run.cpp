#include "support/run.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/prefix.h"

extern char** environ;

namespace tessaly::testing {

namespace {

// The environment a child starts with: ours, changed as asked.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& changes) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry; ++entry)
        result.emplace_back(*entry);
    for (const std::string& change : changes) {
        const std::string name = change.substr(0, change.find('='));
        std::erase_if(result, [&](const std::string& entry) {
            return entry.compare(0, name.size() + 1, name + "=") == 0;
        });
        if (change.find('=') != std::string::npos) result.push_back(change);
    }
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

RunResult RunProgram(const std::vector<std::string>& arguments,
                     const std::vector<std::string>& environment) {
    RunResult result;
    if (arguments.empty()) return result;
    // Everything the child needs is made before the fork: after it, only system calls.
    std::vector<std::string> argumentTexts = arguments;
    std::vector<std::string> environmentTexts = ChildEnvironment(environment);
    std::vector<char*> argv = Pointers(argumentTexts);
    std::vector<char*> envp = Pointers(environmentTexts);

    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0) return result;
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return result;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        const int nothing = open("/dev/null", O_RDONLY);
        if (nothing < 0 || dup2(nothing, 0) < 0 || dup2(out[1], 1) < 0 || dup2(err[1], 2) < 0)
            _exit(127);
        execvpe(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (pid < 0) {
        close(out[0]);
        close(err[0]);
        return result;
    }
    // Both pipes are drained together so that neither can fill up and stall the child.
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int remaining = 2;
    while (remaining > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !fds[i].revents) continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, size_t(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --remaining;
            }
        }
    }
    for (const pollfd& fd : fds)
        if (fd.fd >= 0) close(fd.fd);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

const std::string& TessalyProgram() {
    static const std::string program = TESSALY_BUILD_DIR "/bin/tessaly";
    return program;
}

RunResult RunTessaly(const std::vector<std::string>& arguments,
                     const std::vector<std::string>& environment) {
    std::vector<std::string> line = {TessalyProgram()};
    line.insert(line.end(), arguments.begin(), arguments.end());
    return RunProgram(line, environment);
}

std::string WriteScript(const std::string& path, const std::string& body) {
    WriteFile(path, "#!/bin/sh\n" + body + "\n");
    chmod(path.c_str(), 0755);
    return path;
}

std::string BuildResourceDll(const std::string& folder, const std::string& name,
                             const std::string& script) {
    const std::string base = folder + "/" + name;
    WriteFile(base + ".rc", script);
    const bool built =
        RunProgram({"x86_64-w64-mingw32-windres", "--preprocessor=cpp",
                    "--preprocessor-arg=-I/usr/share/mingw-w64/include",
                    "--preprocessor-arg=-DRC_INVOKED", "--preprocessor-arg=-D_WIN32", "-O", "coff",
                    base + ".rc", "-o", base + ".o"})
                .status == 0 &&
        RunProgram({"x86_64-w64-mingw32-ld", "--dll", "-e", "0", "-o", base + ".dll", base + ".o"})
                .status == 0;
    return built ? base + ".dll" : std::string();
}

} // namespace tessaly::testing
