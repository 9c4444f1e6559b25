// The shell's "open": programs started directly, documents through the prefix's
// associations, then through the desktop's (xdg-mime / xdg-open). No shell interpreter.
#include "platform/shell_open.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <vector>

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/prefix.h"
#include "platform/process.h"
#include "platform/registry.h"

extern char** environ;

namespace tessaly::platform {

namespace {

bool isWindowsForm(const std::string& path) {
    return (path.size() >= 2 && path[1] == ':' &&
            std::isalpha(static_cast<unsigned char>(path[0]))) ||
           path.find('\\') != std::string::npos;
}

// The POSIX form (UTF-8) of a path the caller gave in the ANSI code page.
std::string posixOf(const std::string& path) {
    return isWindowsForm(path) ? ToPosixPath(path) : AnsiToUtf8(path);
}

std::string readDefault(HKEY root, const std::string& key, const char* value = "") {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return {};
    char buffer[2048] = {};
    DWORD size = sizeof buffer - 1, type = 0;
    const LONG status =
        RegQueryValueExA(handle, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    return std::string(buffer, strnlen(buffer, size));
}

std::string extensionOf(const std::string& file) {
    const size_t separator = file.find_last_of("\\/");
    const size_t dot = file.rfind('.');
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return {};
    return file.substr(dot);
}

// The class's command for the verb, following "CurVer" once when the class has none.
std::string classCommand(const std::string& className, const std::string& verb) {
    if (className.empty()) return {};
    std::string command =
        readDefault(HKEY_CLASSES_ROOT, className + "\\shell\\" + verb + "\\command");
    if (command.empty()) {
        const std::string current = readDefault(HKEY_CLASSES_ROOT, className + "\\CurVer");
        if (!current.empty())
            command = readDefault(HKEY_CLASSES_ROOT, current + "\\shell\\" + verb + "\\command");
    }
    return command;
}

// %1 and %L become the file, %* the parameters, %% a percent sign; other placeholders go.
std::string substitute(const std::string& command, const std::string& file,
                       const std::string& parameters) {
    std::string line;
    bool placed = false;
    for (size_t i = 0; i < command.size(); ++i) {
        if (command[i] != '%' || i + 1 == command.size()) {
            line += command[i];
            continue;
        }
        const char next = command[++i];
        if (next == '1' || next == 'L' || next == 'l') {
            line += file;
            placed = true;
        } else if (next == '*') {
            line += parameters;
        } else if (next == '%') {
            line += '%';
        } else if (!std::isdigit(static_cast<unsigned char>(next))) {
            line += '%';
            line += next;
        }
    }
    if (!placed) line += " \"" + file + "\"";
    return line;
}

// A web or mail address, which the desktop opens.
bool isAddress(const std::string& name) {
    const size_t colon = name.find(':');
    if (colon == std::string::npos || colon < 2) return false; // "C:" is a drive
    for (size_t i = 0; i < colon; ++i)
        if (!std::isalpha(static_cast<unsigned char>(name[i]))) return false;
    return name.compare(colon, 3, "://") == 0 || name.compare(0, colon, "mailto") == 0;
}

// The shell's code for a start that failed with this system error.
int shellCodeFor(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return SE_ERR_FNF;
    case ERROR_PATH_NOT_FOUND:
        return SE_ERR_PNF;
    case ERROR_ACCESS_DENIED:
        return SE_ERR_ACCESSDENIED;
    case 193:
        return SE_ERR_BAD_FORMAT; // not a program this system runs
    default:
        return SE_ERR_OOM;
    }
}

std::intptr_t startCommand(std::string commandLine, const char* directory, int show) {
    STARTUPINFOA startup{sizeof(STARTUPINFOA), 1, static_cast<WORD>(show)};
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory && *directory ? directory : nullptr, &startup, &info))
        return shellCodeFor(GetLastError());
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return kShellSuccess;
}

// Runs a program with its arguments (UTF-8) and gives its first line of output.
std::string firstLineOf(const std::vector<std::string>& arguments) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string output;
    if (!failed) {
        char buffer[512];
        ssize_t n;
        while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
            output.append(buffer, n);
        int status = 0;
        waitpid(pid, &status, 0);
    }
    close(fds[0]);
    const size_t end = output.find('\n');
    if (end != std::string::npos) output.erase(end);
    return output;
}

} // namespace

std::string AssociatedCommand(const std::string& file, const std::string& verb,
                              const std::string& parameters) {
    const std::string extension = extensionOf(file);
    if (extension.empty()) return {};
    // The per-user choice made in the Explorer wins over the class root's.
    const std::string userKey =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\" + extension;
    std::string command = classCommand(readDefault(HKEY_CURRENT_USER, userKey, "Progid"), verb);
    if (command.empty()) command = classCommand(readDefault(HKEY_CLASSES_ROOT, extension), verb);
    if (command.empty())
        command = readDefault(HKEY_CLASSES_ROOT, extension + "\\shell\\" + verb + "\\command");
    return command.empty() ? command : substitute(command, file, parameters);
}

std::string DesktopDefaultFor(const std::string& posixPath) {
    std::string type = firstLineOf({"xdg-mime", "query", "filetype", posixPath});
    const size_t semicolon = type.find(';');
    if (semicolon != std::string::npos) type.erase(semicolon);
    if (type.empty()) return {};
    return firstLineOf({"xdg-mime", "query", "default", type});
}

std::intptr_t ShellExecuteA(HWND, const char* verb, const char* file, const char* parameters,
                            const char* directory, int show) {
    // The shell takes a file name in quotation marks and drops blanks around it.
    std::string name = file ? file : "";
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
        name.pop_back();
    while (!name.empty() && name.front() == ' ')
        name.erase(0, 1);
    if (!name.empty() && name.front() == '"') {
        const size_t close = name.find('"', 1);
        name = name.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    const std::string action = verb && *verb ? verb : "open";
    const std::string params = parameters ? parameters : "";
    if (name.empty()) return SE_ERR_FNF;
    if (isAddress(name)) return startCommand(JoinCommandLine({"xdg-open", name}), directory, show);
    const std::string posix = posixOf(name);
    struct stat info {};
    // A program is run directly; a missing "x.exe" stands for the program "x".
    std::string program = ResolveProgram(name);
    if (!program.empty() && stat(program.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        access(program.c_str(), X_OK) == 0) {
        std::string line = JoinCommandLine({name});
        if (!params.empty()) line += " " + params;
        return startCommand(line, directory, show);
    }
    if (posix.empty() || stat(posix.c_str(), &info) != 0) {
        const size_t slash = posix.rfind('/');
        struct stat folder {};
        if (posix.empty() ||
            (slash != std::string::npos && stat(posix.substr(0, slash + 1).c_str(), &folder) != 0))
            return SE_ERR_PNF;
        return SE_ERR_FNF;
    }
    std::string extension = extensionOf(name);
    AnsiLower(extension);
    if (extension == ".exe" || extension == ".com" || extension == ".bat")
        return SE_ERR_ACCESSDENIED; // a program by its name that may not be run
    const std::string command = AssociatedCommand(name, action, params);
    if (!command.empty()) return startCommand(command, directory, show);
    if (action != "open" || DesktopDefaultFor(posix).empty()) return SE_ERR_NOASSOC;
    return startCommand(JoinCommandLine({"xdg-open", Utf8ToAnsi(posix)}), directory, show);
}

} // namespace tessaly::platform
