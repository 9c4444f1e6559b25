#include "platform/process.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/handles.h"
#include "platform/prefix.h"

extern char** environ;

namespace tessaly::platform {

// ---------------------------------------------------------------------------------------
// Command lines
// ---------------------------------------------------------------------------------------

namespace {
bool isBlank(char ch) {
    return ch == ' ' || ch == '\t';
}
} // namespace

// The rules of the system's command-line splitter: the program name ends at the next quote
// when it starts with one, else at the next blank, and knows no escapes. Later arguments:
// 2n backslashes and a quote give n backslashes and open or close quoting, 2n+1 backslashes
// and a quote give n backslashes and a literal quote, other backslashes are literal; three
// quotes in a row (counting the one that opened quoting) give one literal quote and close
// quoting, so "" inside quotes is a literal quote that ends the quoted part.
std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> arguments;
    const char* s = commandLine.c_str();
    while (isBlank(*s))
        ++s;
    if (!*s) return arguments;

    std::string program;
    if (*s == '"') {
        ++s;
        while (*s && *s != '"')
            program += *s++;
        if (*s == '"') ++s;
    } else {
        while (*s && !isBlank(*s))
            program += *s++;
    }
    arguments.push_back(program);
    while (isBlank(*s))
        ++s;

    std::string current;
    bool inArgument = false;
    int quoteCount = 0; // odd while inside quotes
    size_t backslashes = 0;
    while (*s) {
        char ch = *s;
        if (isBlank(ch) && quoteCount == 0) {
            current.append(backslashes, '\\');
            backslashes = 0;
            arguments.push_back(current);
            current.clear();
            inArgument = false;
            while (isBlank(*s))
                ++s;
            continue;
        }
        inArgument = true;
        if (ch == '\\') {
            ++backslashes;
            ++s;
            continue;
        }
        if (ch == '"') {
            current.append(backslashes / 2, '\\');
            if (backslashes % 2 == 1) {
                current += '"';
                backslashes = 0;
                ++s;
                continue;
            }
            backslashes = 0;
            ++quoteCount;
            ++s;
            while (*s == '"') {
                if (++quoteCount == 3) {
                    current += '"';
                    quoteCount = 0;
                }
                ++s;
            }
            if (quoteCount == 2) quoteCount = 0;
            continue;
        }
        current.append(backslashes, '\\');
        backslashes = 0;
        current += ch;
        ++s;
    }
    if (inArgument) {
        current.append(backslashes, '\\');
        arguments.push_back(current);
    }
    return arguments;
}

namespace {
// One argument after the program name, quoted when it is empty or holds a blank or a quote.
void appendQuoted(std::string& out, const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
        out += argument;
        return;
    }
    out += '"';
    size_t backslashes = 0;
    for (char ch : argument) {
        if (ch == '\\') {
            ++backslashes;
            continue;
        }
        if (ch == '"') {
            out.append(backslashes * 2 + 1, '\\');
            out += '"';
        } else {
            out.append(backslashes, '\\');
            out += ch;
        }
        backslashes = 0;
    }
    // Backslashes before the closing quote are doubled so that they stay literal.
    out.append(backslashes * 2, '\\');
    out += '"';
}
} // namespace

std::string JoinCommandLine(const std::vector<std::string>& arguments) {
    std::string out;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (i == 0) {
            // The program name knows no escapes: quote it plainly when it needs quoting.
            if (argument.empty() || argument.find_first_of(" \t") != std::string::npos)
                out += '"' + argument + '"';
            else
                out += argument;
            continue;
        }
        out += ' ';
        appendQuoted(out, argument);
    }
    return out;
}

// ---------------------------------------------------------------------------------------
// Finding the program
// ---------------------------------------------------------------------------------------

namespace {
bool endsWithExe(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& ch : tail)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return tail == ".exe";
}

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

bool isWindowsPath(const std::string& path) {
    if (path.find('\\') != std::string::npos) return true;
    return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

// The path itself when it is a program, else the same path without ".exe".
std::string withExeFallback(const std::string& path) {
    if (isExecutableFile(path)) return path;
    if (endsWithExe(path)) {
        std::string bare = path.substr(0, path.size() - 4);
        if (isExecutableFile(bare)) return bare;
    }
    return {};
}
} // namespace

// A bare name is looked for in the current folder and then on PATH, as the system does
// (its own folders have no counterpart here); every candidate may drop ".exe".
std::string ResolveProgram(const std::string& program) {
    if (program.empty()) return {};
    if (isWindowsPath(program)) {
        std::string posix = ToPosixPath(program);
        std::string found = withExeFallback(posix);
        if (found.empty() && posix.empty() && endsWithExe(program))
            found = withExeFallback(ToPosixPath(program.substr(0, program.size() - 4)));
        if (found.empty()) SetLastError(ERROR_FILE_NOT_FOUND);
        return found;
    }
    if (program.find('/') != std::string::npos) {
        std::string found = withExeFallback(program);
        if (found.empty()) SetLastError(ERROR_FILE_NOT_FOUND);
        return found;
    }
    std::vector<std::string> folders{"."};
    const char* path = std::getenv("PATH");
    std::string list = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::stringstream stream(list);
    for (std::string folder; std::getline(stream, folder, ':');)
        folders.push_back(folder.empty() ? "." : folder);
    for (const std::string& folder : folders) {
        std::string found = withExeFallback(folder + "/" + program);
        if (!found.empty()) {
            if (folder == ".") {
                char cwd[PATH_MAX];
                if (getcwd(cwd, sizeof cwd)) return std::string(cwd) + "/" + found.substr(2);
            }
            return found;
        }
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return {};
}

// ---------------------------------------------------------------------------------------
// Process objects
// ---------------------------------------------------------------------------------------

namespace {

using Clock = std::chrono::steady_clock;

// How long a new process runs before it counts as ready for input.
constexpr auto kInputIdleMoment = std::chrono::milliseconds(200);

int openPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

// One child process. Shared by its process and thread handles; the last one to go reaps
// the child (at once when it has ended, else on a small waiting thread), so no zombie stays.
class ChildProcess {
  public:
    ChildProcess(pid_t pid, int pidfd) : pid_(pid), pidfd_(pidfd), started_(Clock::now()) {}
    ~ChildProcess() {
        if (pidfd_ >= 0) close(pidfd_);
        std::lock_guard lock(mutex_);
        if (ended_) return;
        if (Reap(false)) return;
        pid_t pid = pid_;
        std::thread([pid] {
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    Clock::time_point started() const { return started_; }

    // True once the child has ended (and has been reaped).
    bool Ended() {
        std::lock_guard lock(mutex_);
        return ended_ || Reap(false);
    }

    // Waits until the child ends or the time passes; true when it has ended.
    bool Wait(DWORD milliseconds) {
        if (Ended()) return true;
        const bool forever = milliseconds == INFINITE;
        const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            int slice; // the next sleep, in milliseconds
            if (forever) {
                slice = pidfd_ >= 0 ? -1 : 5;
            } else {
                auto left =
                    std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
                if (left <= 0) return Ended();
                slice = static_cast<int>(std::min<long long>(left, pidfd_ >= 0 ? INT_MAX : 5));
            }
            if (pidfd_ >= 0) {
                pollfd entry{pidfd_, POLLIN, 0};
                poll(&entry, 1, slice);
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(slice));
            }
            if (Ended()) return true;
        }
    }

    // STILL_ACTIVE while running; the exit status, the code given to TerminateProcess, or
    // 128 plus the signal number for a child that a signal ended.
    DWORD ExitCode() {
        std::lock_guard lock(mutex_);
        if (!ended_ && !Reap(false)) return STILL_ACTIVE;
        if (WIFEXITED(status_)) return static_cast<DWORD>(WEXITSTATUS(status_));
        if (WIFSIGNALED(status_)) {
            if (terminated_ && WTERMSIG(status_) == SIGKILL) return terminateCode_;
            return 128u + static_cast<DWORD>(WTERMSIG(status_));
        }
        return 0;
    }

    // False when the child has already ended.
    bool Terminate(UINT exitCode) {
        std::lock_guard lock(mutex_);
        if (ended_ || Reap(false)) return false;
        if (kill(pid_, SIGKILL) != 0) return false;
        terminated_ = true;
        terminateCode_ = exitCode;
        return true;
    }

  private:
    // Collects the child's status; with the mutex held.
    bool Reap(bool block) {
        if (ended_) return true;
        int status = 0;
        pid_t got;
        do {
            got = waitpid(pid_, &status, block ? 0 : WNOHANG);
        } while (got < 0 && errno == EINTR);
        if (got == pid_) {
            status_ = status;
            ended_ = true;
        } else if (got < 0 && errno == ECHILD) {
            // Somebody else collected it (SIGCHLD ignored): it has ended, status unknown.
            status_ = 0;
            ended_ = true;
        }
        return ended_;
    }

    const pid_t pid_;
    const int pidfd_;
    const Clock::time_point started_;
    std::mutex mutex_;
    bool ended_ = false;
    int status_ = 0;
    bool terminated_ = false;
    UINT terminateCode_ = 0;
};

// The process handle and the thread handle of one child both point at it.
class ProcessHandle : public HandleObject {
  public:
    explicit ProcessHandle(std::shared_ptr<ChildProcess> child) : child(std::move(child)) {}
    std::shared_ptr<ChildProcess> child;
};

std::shared_ptr<ChildProcess> childOf(HANDLE handle) {
    auto object = HandleAs<ProcessHandle>(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return object->child;
}

// The environment of the child: the given block ("A=B\0C=D\0\0", ANSI) or ours, with
// TESSALY_SHOW_WINDOW set to the show command when the caller gave one.
std::vector<std::string> childEnvironment(const void* block, const STARTUPINFOA* startup) {
    std::vector<std::string> entries;
    if (block) {
        for (const char* p = static_cast<const char*>(block); *p; p += std::strlen(p) + 1)
            entries.push_back(AnsiToUtf8(p));
    } else {
        for (char** e = environ; e && *e; ++e)
            entries.emplace_back(*e);
    }
    std::erase_if(entries,
                  [](const std::string& e) { return e.rfind("TESSALY_SHOW_WINDOW=", 0) == 0; });
    if (startup && (startup->dwFlags & 1))
        entries.push_back("TESSALY_SHOW_WINDOW=" + std::to_string(startup->wShowWindow));
    return entries;
}

std::vector<char*> PointerList(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

BOOL CreateProcessA(const char* applicationName, char* commandLine, void*, void*,
                    BOOL inheritHandles, DWORD, void* environment, const char* currentDirectory,
                    STARTUPINFOA* startupInfo, PROCESS_INFORMATION* processInformation) {
    std::string line = commandLine ? commandLine : "";
    std::vector<std::string> arguments = SplitCommandLine(line);
    std::string program;
    if (applicationName && *applicationName) {
        program = ResolveProgram(applicationName);
        if (arguments.empty()) arguments.push_back(applicationName);
    } else if (!arguments.empty()) {
        program = ResolveProgram(arguments[0]);
    } else {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (program.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }

    std::string folder;
    if (currentDirectory && *currentDirectory) {
        folder = isWindowsPath(currentDirectory) ? ToPosixPath(currentDirectory)
                                                 : std::string(currentDirectory);
        struct stat st {};
        if (folder.empty() || stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            SetLastError(ERROR_DIRECTORY);
            return FALSE;
        }
    }

    for (std::string& argument : arguments)
        argument = AnsiToUtf8(argument);
    std::vector<char*> argv = PointerList(arguments);
    std::vector<std::string> environmentEntries = childEnvironment(environment, startupInfo);
    std::vector<char*> envp = PointerList(environmentEntries);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    // Without inherited handles the child gets only the standard streams.
    if (!inheritHandles) posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // The child starts with default signal handling and an empty signal mask.
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    pid_t pid = 0;
    int error = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        SetLastError(ErrorFromErrno(error));
        return FALSE;
    }

    auto child = std::make_shared<ChildProcess>(pid, openPidFd(pid));
    HANDLE process = NewHandle(std::make_shared<ProcessHandle>(child));
    HANDLE thread = NewHandle(std::make_shared<ProcessHandle>(child));
    if (processInformation) {
        processInformation->hProcess = process;
        processInformation->hThread = thread;
        processInformation->dwProcessId = static_cast<DWORD>(pid);
        processInformation->dwThreadId = static_cast<DWORD>(pid);
    } else {
        ReleaseHandle(process);
        ReleaseHandle(thread);
    }
    SetLastError(0);
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    auto child = childOf(handle);
    if (!child) return WAIT_FAILED;
    return child->Wait(milliseconds) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

DWORD WaitForInputIdle(HANDLE process, DWORD milliseconds) {
    auto child = childOf(process);
    if (!child) return WAIT_FAILED;
    const auto ready = child->started() + kInputIdleMoment;
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        auto now = Clock::now();
        if (now >= ready || child->Ended()) return 0;
        if (milliseconds != INFINITE && now >= deadline) return WAIT_TIMEOUT;
        auto until = milliseconds == INFINITE ? ready : std::min(ready, deadline);
        auto slice = std::chrono::ceil<std::chrono::milliseconds>(until - now).count();
        child->Wait(static_cast<DWORD>(std::max<long long>(slice, 1)));
    }
}

BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode) {
    auto child = childOf(process);
    if (!child || !exitCode) {
        if (child) SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *exitCode = child->ExitCode();
    return TRUE;
}

BOOL TerminateProcess(HANDLE process, UINT exitCode) {
    auto child = childOf(process);
    if (!child) return FALSE;
    if (!child->Terminate(exitCode)) {
        SetLastError(ERROR_ACCESS_DENIED); // as the system answers for an ended process
        return FALSE;
    }
    return TRUE;
}

DWORD GetProcessId(HANDLE process) {
    auto child = childOf(process);
    return child ? static_cast<DWORD>(child->pid()) : 0;
}

DWORD GetCurrentProcessId() {
    return static_cast<DWORD>(getpid());
}

const char* GetCommandLineA() {
    static std::once_flag once;
    static std::string line;
    std::call_once(once, [] {
        std::ifstream in("/proc/self/cmdline", std::ios::binary);
        std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<std::string> arguments;
        size_t start = 0;
        while (start < raw.size()) {
            size_t end = raw.find('\0', start);
            if (end == std::string::npos) end = raw.size();
            arguments.push_back(Utf8ToAnsi(raw.substr(start, end - start)));
            start = end + 1;
        }
        line = JoinCommandLine(arguments);
    });
    return line.c_str();
}

// ---------------------------------------------------------------------------------------
// The process list
// ---------------------------------------------------------------------------------------

namespace {
std::string readSmallFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
} // namespace

// Ended processes that nobody has collected yet (zombies) are left out, as the system
// lists only running processes.
std::vector<ProcessEntry> ListProcesses() {
    std::vector<ProcessEntry> list;
    DIR* proc = opendir("/proc");
    if (!proc) {
        SetLastErrorFromErrno();
        return list;
    }
    while (dirent* entry = readdir(proc)) {
        char* end = nullptr;
        unsigned long pid = std::strtoul(entry->d_name, &end, 10);
        if (!end || *end || pid == 0) continue;
        const std::string folder = std::string("/proc/") + entry->d_name;

        // "pid (comm) state ppid ...": comm may hold blanks and parentheses.
        std::string stat = readSmallFile(folder + "/stat");
        size_t open = stat.find('(');
        size_t close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close < open) continue;
        std::string comm = stat.substr(open + 1, close - open - 1);
        char state = '?';
        unsigned long parent = 0;
        std::sscanf(stat.c_str() + close + 1, " %c %lu", &state, &parent);
        if (state == 'Z' || state == 'X') continue;

        ProcessEntry item;
        item.pid = static_cast<DWORD>(pid);
        item.parentPid = static_cast<DWORD>(parent);
        char target[PATH_MAX];
        ssize_t length = readlink((folder + "/exe").c_str(), target, sizeof target - 1);
        if (length > 0) {
            std::string path(target, static_cast<size_t>(length));
            const std::string deleted = " (deleted)";
            if (path.size() > deleted.size() &&
                path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
                path.resize(path.size() - deleted.size());
            item.exePath = path;
            item.exeName = path.substr(path.rfind('/') + 1);
        } else {
            item.exeName = comm;
        }
        list.push_back(std::move(item));
    }
    closedir(proc);
    return list;
}

} // namespace tessaly::platform
