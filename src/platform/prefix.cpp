// The prefix folder and its layout.
#include "platform/prefix.h"

#include <dirent.h>
#include <errno.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <vector>

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/path_util.h"

namespace fs = std::filesystem;

namespace tessaly::platform {

std::string PrefixRoot() {
    if (const char* env = std::getenv("TESSALY_PREFIX"); env && *env) return env;
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        struct passwd* pw = getpwuid(getuid());
        home = pw ? pw->pw_dir : "/tmp";
    }
    return std::string(home) + "/.tessaly";
}

std::string PrefixUserName() {
    if (struct passwd* pw = getpwuid(getuid()); pw && pw->pw_name) return pw->pw_name;
    if (const char* user = std::getenv("USER"); user && *user) return user;
    return "user";
}

int PrefixProblem(std::string& root) {
    root = PrefixRoot();
    struct stat st;
    if (stat(root.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
    if (!S_ISDIR(st.st_mode)) return ENOTDIR;
    return access(root.c_str(), R_OK | W_OK | X_OK) != 0 ? errno : 0;
}

namespace {

// Makes what is missing of the prefix; 0, or the errno of what stops the prefix being used.
// The root is made private (0700), as private data folders are; a root that already
// exists keeps its mode, which is how a deliberately shared prefix is set up.
int layOutPrefix(std::string& root) {
    std::error_code ec;
    if (access(root.c_str(), F_OK) != 0 && errno == ENOENT) {
        fs::path parent = fs::path(root).parent_path();
        if (!parent.empty()) fs::create_directories(parent, ec);
        if (mkdir(root.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    }
    if (int err = PrefixProblem(root)) return err;

    fs::path base(root);
    fs::path user = base / "drive_c" / "users" / PrefixUserName();
    for (const fs::path& folder :
         {base / "dosdevices", user / "Application Data", user / "My Documents", user / "Temp",
          base / "drive_c" / "windows" / "system32", base / "drive_c" / "Program Files"}) {
        fs::create_directories(folder, ec);
        if (ec) return ec.value();
    }
    for (auto [name, target] : {std::pair{"c:", "../drive_c"}, std::pair{"z:", "/"}}) {
        fs::path link = base / "dosdevices" / name;
        if (!fs::exists(fs::symlink_status(link, ec)))
            fs::create_directory_symlink(target, link, ec);
    }
    fs::path winIni = base / "drive_c" / "windows" / "win.ini";
    // A new prefix has mail: the Simple MAPI module of ours is found on the module path.
    if (!fs::exists(winIni, ec)) std::ofstream(winIni) << "[windows]\r\n[MAIL]\r\nMAPI=1\r\n";
    return 0;
}

} // namespace

int PreparePrefix(std::string& root) {
    static std::mutex mutex;
    static std::set<std::string> ready;
    root = PrefixRoot();
    std::lock_guard lock(mutex);
    std::error_code ec;
    if (ready.count(root) && fs::is_directory(root + "/dosdevices", ec)) return 0;
    if (int err = layOutPrefix(root)) return err;
    ready.insert(root);
    return 0;
}

std::string EnsurePrefix() {
    std::string root;
    if (int err = PreparePrefix(root)) SetLastError(ErrorFromErrno(err));
    return root;
}

// ---- Path translation ----

namespace {

bool isSeparator(char ch) {
    return ch == '\\' || ch == '/';
}

std::vector<std::string> splitComponents(const std::string& text) {
    return detail::SplitWindowsComponents(text);
}

// Applies "." and ".." and drops the trailing dots and blanks Windows ignores.
void appendComponents(std::vector<std::string>& stack, const std::string& text) {
    for (std::string part : splitComponents(text)) {
        if (part == ".") continue;
        if (part == "..") {
            if (!stack.empty()) stack.pop_back();
            continue;
        }
        while (!part.empty() && (part.back() == '.' || part.back() == ' '))
            part.pop_back();
        if (!part.empty()) stack.push_back(part);
    }
}

std::string currentPosixFolder() {
    std::vector<char> buffer(4096);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE) return "/";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

bool pathExists(const std::string& posix) {
    struct stat st;
    return lstat(posix.c_str(), &st) == 0;
}

// The entry of folder whose name equals name without regard to case, or empty.
std::string findEntryNoCase(const std::string& folder, const std::string& ansiName) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return {};
    std::string wanted = detail::FoldCase(ansiName);
    std::string found;
    while (struct dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (detail::FoldCase(Utf8ToAnsi(name)) == wanted) {
            found = name;
            break;
        }
    }
    closedir(dir);
    return found;
}

std::string stripTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool underFolder(const std::string& path, const std::string& folder) {
    if (folder == "/") return path.size() >= 1 && path[0] == '/';
    return path == folder ||
           (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
            path[folder.size()] == '/');
}

} // namespace

namespace detail {

// Lead bytes of the ANSI code page, looked up once per path.
class LeadBytes {
  public:
    LeadBytes() : codePage_(GetACP()) {
        for (unsigned ch = 0x80; ch < 0x100; ++ch)
            lead_[ch] = IsDBCSLeadByteEx(codePage_, static_cast<BYTE>(ch)) != FALSE;
    }
    bool operator()(char ch) const { return lead_[static_cast<unsigned char>(ch)]; }

  private:
    UINT codePage_;
    bool lead_[256] = {};
};

std::vector<std::string> SplitWindowsComponents(const std::string& text) {
    const LeadBytes isLead;
    std::vector<std::string> parts;
    std::string part;
    for (size_t i = 0; i < text.size(); ++i) {
        if (isLead(text[i]) && i + 1 < text.size()) {
            part += text[i];
            part += text[++i];
        } else if (isSeparator(text[i])) {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += text[i];
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

size_t LastSeparator(const std::string& text) {
    const LeadBytes isLead;
    size_t last = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        if (isLead(text[i]) && i + 1 < text.size())
            ++i;
        else if (isSeparator(text[i]))
            last = i;
    }
    return last;
}

bool IsUncPath(const std::string& path) {
    return path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
}

std::string PosixJoin(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (name.empty()) return folder;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::string FoldCase(std::string ansi) {
    AnsiLower(ansi);
    return ansi;
}

DWORD SetLastErrorForMissing(const std::string& posixPath) {
    std::string path = stripTrailingSlash(posixPath);
    auto slash = path.find_last_of('/');
    std::string parent =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    struct stat st;
    DWORD code = (stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? 2 : ERROR_PATH_NOT_FOUND;
    SetLastError(code);
    return code;
}

bool FullWindowsPath(const std::string& input, std::string& full) {
    if (input.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    std::string path = input;
    // The extended-length prefix "\\?\" only switches off parsing on Windows.
    if (path.size() >= 4 && isSeparator(path[0]) && isSeparator(path[1]) && path[2] == '?' &&
        isSeparator(path[3])) {
        path = path.substr(4);
        if (path.size() >= 4 &&
            (path.compare(0, 4, "UNC\\") == 0 || path.compare(0, 4, "UNC/") == 0))
            path = "\\\\" + path.substr(4);
    }
    bool trailing = detail::LastSeparator(path) == path.size() - 1;
    std::string root;
    std::vector<std::string> stack;
    if (IsUncPath(path)) {
        std::vector<std::string> parts = splitComponents(path);
        root = "\\\\";
        size_t head = 0;
        for (; head < parts.size() && head < 2; ++head)
            root += (head ? "\\" : "") + parts[head];
        std::string rest;
        for (size_t i = head; i < parts.size(); ++i)
            rest += parts[i] + "\\";
        appendComponents(stack, rest);
        root += "\\";
    } else {
        std::string rest;
        if (path.size() >= 2 && path[1] == ':' &&
            std::isalpha(static_cast<unsigned char>(path[0]))) {
            char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
            root = path.substr(0, 1) + ":\\"; // the letter keeps the case given
            rest = path.substr(2);
            if (rest.empty() || !isSeparator(rest[0])) {
                // "X:name": relative to the current folder when it is on that drive.
                std::string current = ToWindowsPath(currentPosixFolder());
                if (current.size() >= 3 &&
                    std::toupper(static_cast<unsigned char>(current[0])) == drive)
                    appendComponents(stack, current.substr(3));
            }
        } else {
            std::string current = ToWindowsPath(currentPosixFolder());
            if (current.size() < 3) current = "C:\\";
            root = current.substr(0, 3);
            if (isSeparator(path[0]))
                rest = path;
            else {
                appendComponents(stack, current.substr(3));
                rest = path;
            }
        }
        appendComponents(stack, rest);
    }
    full = root;
    for (size_t i = 0; i < stack.size(); ++i)
        full += (i ? "\\" : "") + stack[i];
    if (trailing && !stack.empty()) full += "\\";
    return true;
}

} // namespace detail

std::string DriveFolder(char letter) {
    if (!std::isalpha(static_cast<unsigned char>(letter))) return {};
    std::string root = EnsurePrefix();
    std::string devices = root + "/dosdevices";
    std::string link =
        devices + "/" + std::string(1, static_cast<char>(std::tolower(letter))) + ":";
    struct stat st;
    if (lstat(link.c_str(), &st) != 0) return {};
    if (!S_ISLNK(st.st_mode)) return S_ISDIR(st.st_mode) ? link : std::string();
    std::vector<char> target(4096);
    ssize_t length = readlink(link.c_str(), target.data(), target.size() - 1);
    if (length <= 0) return {};
    std::string dest(target.data(), static_cast<size_t>(length));
    fs::path folder = dest[0] == '/' ? fs::path(dest) : fs::path(devices) / dest;
    return stripTrailingSlash(folder.lexically_normal().string());
}

std::string ToPosixPath(const std::string& windowsPath) {
    CodePageScope scope;
    std::string full;
    if (windowsPath.empty() || !detail::FullWindowsPath(windowsPath, full)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return {};
    }
    if (detail::IsUncPath(full)) {
        SetLastError(ERROR_BAD_NETPATH);
        return {};
    }
    std::string root;
    if (int err = PreparePrefix(root)) {
        SetLastError(ErrorFromErrno(err)); // the prefix's own fault, not the path's
        return {};
    }
    std::string current = DriveFolder(full[0]);
    if (current.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return {};
    }
    bool missing = false;
    for (const std::string& part : splitComponents(full.substr(3))) {
        std::string name = AnsiToUtf8(part);
        if (!missing) {
            std::string exact = detail::PosixJoin(current, name);
            if (!pathExists(exact)) {
                std::string other = findEntryNoCase(current, part);
                if (other.empty())
                    missing = true; // what does not exist keeps the case given
                else
                    name = other;
            }
        }
        current = detail::PosixJoin(current, name);
    }
    if (full.back() == '\\' && full.size() > 3) current += "/";
    return current;
}

std::string ToWindowsPath(const std::string& posixPath) {
    CodePageScope scope;
    if (posixPath.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return {};
    }
    std::string absolute =
        posixPath[0] == '/' ? posixPath : detail::PosixJoin(currentPosixFolder(), posixPath);
    absolute = stripTrailingSlash(fs::path(absolute).lexically_normal().string());

    auto bestDrive = [](const std::string& path, bool canonical, char& letter, size_t& length) {
        for (char drive = 'a'; drive <= 'z'; ++drive) {
            std::string folder = DriveFolder(drive);
            if (folder.empty()) continue;
            if (canonical) {
                std::error_code ec;
                std::string real = fs::weakly_canonical(folder, ec).string();
                if (!ec && !real.empty()) folder = stripTrailingSlash(real);
            }
            size_t weight = folder == "/" ? 0 : folder.size();
            if (underFolder(path, folder) && (letter == 0 || weight > length)) {
                letter = drive;
                length = weight;
            }
        }
    };
    char letter = 0;
    size_t length = 0;
    bestDrive(absolute, false, letter, length);
    std::string path = absolute;
    if (letter == 0 || length == 0) {
        // Through symbolic links the path may still lie under a drive's folder.
        std::error_code ec;
        std::string real = stripTrailingSlash(fs::weakly_canonical(absolute, ec).string());
        if (!ec && !real.empty()) {
            char realLetter = 0;
            size_t realLength = 0;
            bestDrive(real, true, realLetter, realLength);
            if (realLetter && (letter == 0 || realLength > length)) {
                letter = realLetter;
                length = realLength;
                path = real;
            }
        }
    }
    if (letter == 0) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return {};
    }
    std::string rest = length == 0 ? path : path.substr(length);
    while (!rest.empty() && rest[0] == '/')
        rest.erase(0, 1);
    for (char& ch : rest)
        if (ch == '/') ch = '\\';
    std::string result = std::string(1, static_cast<char>(std::toupper(letter))) + ":\\" + rest;
    return Utf8ToAnsi(result);
}

} // namespace tessaly::platform
