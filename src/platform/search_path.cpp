// SearchPathA over the prefix: Windows folders, the POSIX folders of PATH and the loader's
// module folders, each searched exactly and then without regard to case.
#include "search_path.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "errors.h"
#include "files.h"
#include "module.h"
#include "prefix.h"
#include "shell.h"

namespace tessaly::platform {

namespace {

bool isRegularFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The file in a POSIX folder: exactly, else a name that differs only in case.
std::string fileIn(const std::string& folder, const std::string& name) {
    if (folder.empty()) return {};
    const std::string exact = folder + "/" + name;
    if (isRegularFile(exact)) return exact;
    std::string found;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir))
            if (strcasecmp(entry->d_name, name.c_str()) == 0 &&
                isRegularFile(folder + "/" + entry->d_name)) {
                found = folder + "/" + entry->d_name;
                break;
            }
        closedir(dir);
    }
    return found;
}

std::string windowsFolder(UINT (*get)(char*, UINT)) {
    char buffer[MAX_PATH] = {};
    return get(buffer, MAX_PATH) ? ToPosixPath(buffer) : std::string();
}

// The POSIX folders searched for a name without a path, in order.
std::vector<std::string> systemFolders() {
    std::vector<std::string> folders;
    char buffer[MAX_PATH] = {};
    if (GetModuleFileNameA(nullptr, buffer, MAX_PATH)) {
        const std::string exe = ToPosixPath(buffer);
        folders.push_back(exe.substr(0, exe.find_last_of('/')));
    }
    if (GetCurrentDirectoryA(MAX_PATH, buffer)) folders.push_back(ToPosixPath(buffer));
    folders.push_back(windowsFolder(GetSystemDirectoryA));
    folders.push_back(windowsFolder(GetWindowsDirectoryA));
    std::stringstream path(std::getenv("PATH") ? std::getenv("PATH") : "");
    for (std::string folder; std::getline(path, folder, ':');)
        folders.push_back(folder);
    return folders;
}

} // namespace

DWORD SearchPathA(const char* path, const char* fileName, const char* extension, DWORD size,
                  char* buffer, char** filePart) {
    if (!fileName || !*fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string name = fileName;
    if (extension && *extension && name.find('.') == std::string::npos) name += extension;
    std::string found;
    if (path) {
        std::stringstream list(path);
        for (std::string folder; found.empty() && std::getline(list, folder, ';');)
            found = fileIn(ToPosixPath(folder), name);
    } else {
        for (const std::string& folder : systemFolders())
            if (!(found = fileIn(folder, name)).empty()) break;
        if (found.empty()) found = FindModuleFile(name);
    }
    if (found.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    const std::string windows = ToWindowsPath(found);
    if (!buffer || size <= windows.size()) return static_cast<DWORD>(windows.size() + 1);
    std::memcpy(buffer, windows.c_str(), windows.size() + 1);
    if (filePart) *filePart = buffer + windows.find_last_of('\\') + 1;
    return static_cast<DWORD>(windows.size());
}

} // namespace tessaly::platform
