#include "support/run.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

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
    std::vector<std::string> argumentTexts = arguments;
    std::vector<std::string> environmentTexts = ChildEnvironment(environment);
    std::vector<char*> argv = Pointers(argumentTexts);
    std::vector<char*> envp = Pointers(environmentTexts);
    // The output goes to two files, read once the program has ended: no pipe to fill up, and
    // no wait on a grandchild that keeps one open.
    std::string folder = (std::filesystem::temp_directory_path() / "tessaly-run-XXXXXX").string();
    if (!mkdtemp(folder.data())) return result;
    const std::string out = folder + "/out", err = folder + "/err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT, 0600);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned == 0)
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    result.out = ReadFile(out);
    result.err = ReadFile(err);
    std::filesystem::remove_all(folder);
    if (spawned == 0 && WIFEXITED(status)) result.status = WEXITSTATUS(status);
    // A program that could not be started ends as a shell reports it.
    if (spawned != 0) result.status = 127;
    return result;
}

pid_t StartProgramTiedToTest(std::vector<std::string> arguments) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
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
