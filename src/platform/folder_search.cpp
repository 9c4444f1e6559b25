// Folder searches with Windows wildcards (FindFirstFileA, ListFolder) and emptying a folder
// relative to its open descriptor.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/handles.h"
#include "platform/path_util.h"
#include "platform/prefix.h"
#include "platform/registry.h"

#include "platform/file_util.h"

namespace tessaly::platform {

using namespace detail;

namespace {

class FindObject : public HandleObject {
  public:
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;
};

bool fillFindData(const std::string& posix, const std::string& ansiName, WIN32_FIND_DATAA* data) {
    std::memset(data, 0, sizeof *data);
    DWORD attributes;
    if (!LookupAttributes(posix, attributes)) return false;
    struct statx sx {};
    if (statx(AT_FDCWD, posix.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0 &&
        statx(AT_FDCWD, posix.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &sx) !=
            0)
        return false;
    data->dwFileAttributes = attributes;
    data->ftCreationTime = CreationTime(AT_FDCWD, posix.c_str(), 0, sx);
    data->ftLastAccessTime = TimeOf(sx.stx_atime);
    data->ftLastWriteTime = TimeOf(sx.stx_mtime);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        data->nFileSizeHigh = static_cast<DWORD>(sx.stx_size >> 32);
        data->nFileSizeLow = static_cast<DWORD>(sx.stx_size & 0xFFFFFFFFu);
    }
    std::snprintf(data->cFileName, sizeof data->cFileName, "%s", ansiName.c_str());
    return true;
}

bool hasWildcards(const std::string& mask) {
    return mask.find_first_of("*?<>\"") != std::string::npos;
}

// Splits "folder\mask" at the last separator; the folder keeps its separator.
void splitPattern(const std::string& pattern, std::string& folder, std::string& mask) {
    size_t cut = detail::LastSeparator(pattern);
    if (cut != std::string::npos) {
        folder = pattern.substr(0, cut + 1);
        mask = pattern.substr(cut + 1);
    } else if (pattern.size() >= 2 && pattern[1] == ':') {
        folder = pattern.substr(0, 2);
        mask = pattern.substr(2);
    } else {
        folder.clear();
        mask = pattern;
    }
}

// The mask with the DOS wildcards that FindFirstFile uses: '?' becomes DOS_QM ('>'), a dot
// before '?', '*' or the end DOS_DOT ('"'), a star before a dot DOS_STAR ('<'); "*.*" is "*".
std::string dosMaskOf(const std::string& mask) {
    if (mask == "*.*") return "*";
    std::string out = mask;
    for (size_t i = 0; i < mask.size(); ++i) {
        char next = i + 1 < mask.size() ? mask[i + 1] : 0;
        if (mask[i] == '?')
            out[i] = '>';
        else if (mask[i] == '.' && (next == '?' || next == '*' || next == 0))
            out[i] = '"';
        else if (mask[i] == '*' && next == '.')
            out[i] = '<';
    }
    return out;
}

bool matchDos(const std::string& mask, const std::string& name) {
    const size_t m = mask.size(), n = name.size();
    const size_t lastDot = name.rfind('.');
    // memo[i * (n + 1) + j]: 0 unknown, 1 no, 2 yes.
    std::vector<unsigned char> memo((m + 1) * (n + 1), 0);
    auto match = [&](auto&& self, size_t i, size_t j) -> bool {
        unsigned char& slot = memo[i * (n + 1) + j];
        if (slot) return slot == 2;
        bool result = false;
        if (i == m) {
            result = j == n;
        } else {
            switch (mask[i]) {
            case '*':
                result = self(self, i + 1, j) || (j < n && self(self, i, j + 1));
                break;
            case '<': // any run that does not take the name's last dot
                result = self(self, i + 1, j) || (j < n && j != lastDot && self(self, i, j + 1));
                break;
            case '>': // one character, or nothing at a dot or at the end
                if (j < n && name[j] != '.')
                    result = self(self, i + 1, j + 1);
                else
                    result = self(self, i + 1, j);
                break;
            case '"': // a dot, or nothing at the end
                if (j < n && name[j] == '.')
                    result = self(self, i + 1, j + 1);
                else if (j == n)
                    result = self(self, i + 1, j);
                break;
            default:
                result = j < n && mask[i] == name[j] && self(self, i + 1, j + 1);
                break;
            }
        }
        slot = result ? 2 : 1;
        return result;
    };
    return match(match, 0, 0);
}

std::string upperAnsi(std::string text) {
    AnsiUpper(text);
    return text;
}

bool isDriveRoot(const std::string& windowsFolder) {
    std::string full;
    if (!detail::FullWindowsPath(windowsFolder.empty() ? std::string(".") : windowsFolder, full))
        return false;
    return full.size() == 3 && full[1] == ':';
}

// An entry of a folder as read from it: ANSI name, name on disk, the case-folded ANSI name
// it is sorted by, and the type the folder gives (DT_UNKNOWN when it does not say).
struct Listed {
    std::string ansi;
    std::string posix;
    std::string key;
    unsigned char type = DT_UNKNOWN;
};

// Appends a folder's entries other than "." and ".." to names; sorted as FindFirstFileA
// lists them: by the code page's lower case, then by the bytes.
void readFolder(DIR* dir, bool sorted, std::vector<Listed>& names) {
    const size_t first = names.size();
    while (struct dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
        Listed& listed = names.emplace_back();
        listed.posix = name;
        listed.ansi = Utf8ToAnsi(listed.posix);
        listed.type = entry->d_type;
        if (sorted) listed.key = detail::FoldCase(listed.ansi);
    }
    if (sorted)
        std::sort(names.begin() + static_cast<std::ptrdiff_t>(first), names.end(),
                  [](const Listed& a, const Listed& b) {
                      return a.key != b.key ? a.key < b.key : a.ansi < b.ansi;
                  });
}

// The entries of an open folder (null: none but the dots) that a mask matches, as
// FindFirstFileA lists them: "." and ".." first unless the folder is a drive's root, then
// by the code page's lower case.
std::vector<Listed> matchingEntries(const std::string& folder, const std::string& mask, DIR* dir) {
    const std::string dosMask = upperAnsi(dosMaskOf(mask));
    std::vector<Listed> names, matching;
    if (!isDriveRoot(folder)) {
        names.push_back({".", ".", {}, DT_DIR});
        names.push_back({"..", "..", {}, DT_DIR});
    }
    if (dir) readFolder(dir, true, names);
    for (Listed& name : names)
        if (dosMask == "*" || matchDos(dosMask, upperAnsi(name.ansi)))
            matching.push_back(std::move(name));
    return matching;
}

// The directory and reparse point attributes of a folder's entry as AttributesOf gives
// them; false when the entry is gone.
bool kindAt(int dirfd, const Listed& entry, bool& directory, bool& link) {
    unsigned char type = entry.type;
    struct stat st;
    if (type == DT_UNKNOWN) {
        if (fstatat(dirfd, entry.posix.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
        type = S_ISLNK(st.st_mode) ? DT_LNK : S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
    }
    link = type == DT_LNK;
    // A link leads to a folder or counts as a file (a dangling one too).
    directory = link ? fstatat(dirfd, entry.posix.c_str(), &st, 0) == 0 && S_ISDIR(st.st_mode)
                     : type == DT_DIR;
    return true;
}

// The full Windows path of a pattern's folder with its separator, as FindFirstFileA's
// callers build entries' paths from it.
bool folderRoot(const std::string& pattern, std::string& root) {
    std::string full;
    if (!detail::FullWindowsPath(pattern, full)) return false;
    size_t cut = full.rfind('\\');
    root = cut == std::string::npos ? std::string() : full.substr(0, cut + 1);
    return true;
}

// The POSIX folder FindFirstFileA searches for a pattern, and its mask; empty with the
// last error set when it would fail before listing.
std::string searchedFolder(const char* pattern, std::string& folder, std::string& mask) {
    if (!pattern || !*pattern) {
        Fail(ERROR_FILE_NOT_FOUND);
        return {};
    }
    splitPattern(pattern, folder, mask);
    if (mask.empty()) {
        Fail(ERROR_FILE_NOT_FOUND);
        return {};
    }
    std::string posixFolder = ToPosixPath(folder.empty() ? std::string(".") : folder);
    if (posixFolder.empty()) return {};
    struct stat st;
    if (stat(posixFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        Fail(ERROR_PATH_NOT_FOUND);
        return {};
    }
    return posixFolder;
}

// Whether the Windows path made of a folder's path and this entry's ANSI name leads back
// to the entry itself: no separator, no trailing dot or blank (Windows drops those), and an
// ANSI name that gives back the name on disk.
bool reachableByName(const Listed& entry) {
    const std::string& name = entry.ansi;
    if (name.empty() || name.back() == '.' || name.back() == ' ' ||
        name.find('\\') != std::string::npos)
        return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) >= 0x80) return AnsiToUtf8(name) == entry.posix;
    return name == entry.posix;
}

using KeepTest = std::function<bool(const std::string&)>;

void emptyFolderAt(int dirfd, const std::string& root, const KeepTest& keep);

// One entry removed through the path functions, for what the quick way cannot do.
void removeByPath(const std::string& path, bool directory, bool link, const KeepTest& keep) {
    DWORD attributes = (directory ? DWORD(FILE_ATTRIBUTE_DIRECTORY) : 0) |
                       (link ? DWORD(FILE_ATTRIBUTE_REPARSE_POINT) : 0);
    if (!link) {
        // Look again: the entry may have been replaced by a link since it was listed.
        DWORD now = GetFileAttributesA(path.c_str());
        if (now != INVALID_FILE_ATTRIBUTES) attributes = now;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveDirectoryA(path.c_str());
        else
            DeleteFileA(path.c_str());
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        EmptyFolder(path.c_str(), keep);
        RemoveDirectoryA(path.c_str());
    } else {
        if (attributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        DeleteFileA(path.c_str());
    }
}

// Empties the open folder dirfd whose Windows path (with its separator) is root. Entries a
// Windows path leads back to go with one system call each, relative to the folder, links
// never followed; the others, and whatever fails that way, go through their paths.
void emptyFolderAt(int dirfd, const std::string& root, const KeepTest& keep) {
    std::vector<Listed> names;
    int listfd = openat(dirfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listfd < 0) return;
    DIR* dir = fdopendir(listfd);
    if (!dir) {
        ::close(listfd);
        return;
    }
    readFolder(dir, false, names);
    closedir(dir);
    for (const Listed& entry : names) {
        const std::string path = root + entry.ansi;
        if (keep && keep(path)) continue;
        bool directory = false, link = false;
        if (!kindAt(dirfd, entry, directory, link)) continue;
        if (reachableByName(entry)) {
            if (link || !directory) {
                if (unlinkat(dirfd, entry.posix.c_str(), 0) == 0) continue;
            } else {
                int sub = openat(dirfd, entry.posix.c_str(),
                                 O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (sub >= 0) {
                    emptyFolderAt(sub, path + "\\", keep);
                    ::close(sub);
                    unlinkat(dirfd, entry.posix.c_str(), AT_REMOVEDIR);
                    continue;
                }
            }
        }
        removeByPath(path, directory, link, keep);
    }
}
} // namespace

// ---- Searching ----

bool MatchesWildcard(const char* name, const char* pattern) {
    if (!name || !pattern) return false;
    return matchDos(upperAnsi(dosMaskOf(pattern)), upperAnsi(name));
}

HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data) {
    CodePageScope scope;
    if (!pattern || !*pattern || !data) {
        Fail(pattern && *pattern ? ERROR_INVALID_PARAMETER : ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::string folder, mask;
    splitPattern(pattern, folder, mask);
    if (mask.empty()) {
        Fail(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::string posixFolder = ToPosixPath(folder.empty() ? std::string(".") : folder);
    if (posixFolder.empty()) return INVALID_HANDLE_VALUE;
    struct stat st;
    if (stat(posixFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        Fail(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto found = std::make_shared<FindObject>();
    if (!hasWildcards(mask)) {
        // A plain name: the entry itself, found without regard to case.
        std::string posix = WithoutTrailingSlash(ToPosixPath(folder + mask));
        WIN32_FIND_DATAA entry;
        std::string base = posix.substr(posix.find_last_of('/') + 1);
        if (posix.empty() || !fillFindData(posix, Utf8ToAnsi(base), &entry)) {
            Fail(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        found->entries.push_back(entry);
    } else {
        DIR* dir = opendir(posixFolder.c_str());
        for (const Listed& name : matchingEntries(folder, mask, dir)) {
            WIN32_FIND_DATAA entry;
            if (fillFindData(detail::PosixJoin(posixFolder, name.posix), name.ansi, &entry))
                found->entries.push_back(entry);
        }
        if (dir) closedir(dir);
    }
    if (found->entries.empty()) {
        Fail(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *data = found->entries[0];
    found->next = 1;
    SetLastError(0);
    return NewHandle(found);
}

BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) {
    auto found = HandleAs<FindObject>(find);
    if (!found || !data) {
        Fail(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (found->next >= found->entries.size()) {
        Fail(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *data = found->entries[found->next++];
    return TRUE;
}

BOOL FindClose(HANDLE find) {
    if (!HandleAs<FindObject>(find)) {
        Fail(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return ReleaseHandle(find) ? TRUE : FALSE;
}

bool ListFolder(const char* pattern, std::vector<FolderEntry>& entries, std::string* searched) {
    CodePageScope scope;
    entries.clear();
    std::string folder, mask;
    const std::string posixFolder = searchedFolder(pattern, folder, mask);
    if (posixFolder.empty()) return false;
    if (searched) *searched = posixFolder;
    if (!hasWildcards(mask)) {
        // A plain name: the entry itself, found without regard to case.
        std::string posix = WithoutTrailingSlash(ToPosixPath(folder + mask));
        DWORD attributes;
        if (!posix.empty() && LookupAttributes(posix, attributes))
            entries.push_back({Utf8ToAnsi(posix.substr(posix.find_last_of('/') + 1)),
                               posix.substr(posix.find_last_of('/') + 1),
                               (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                               (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
    } else {
        int dirfd = open(posixFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* dir = dirfd < 0 ? nullptr : fdopendir(dirfd);
        for (const Listed& name : matchingEntries(folder, mask, dir)) {
            FolderEntry entry{name.ansi, name.posix};
            entry.named = reachableByName(name);
            if (dir ? kindAt(dirfd, name, entry.directory, entry.link)
                    : (entry.directory = true)) // the dots of a folder that cannot be read
                entries.push_back(std::move(entry));
        }
        if (dir)
            closedir(dir);
        else if (dirfd >= 0)
            ::close(dirfd);
    }
    if (entries.empty()) {
        Fail(ERROR_FILE_NOT_FOUND);
        return false;
    }
    SetLastError(0);
    return true;
}

void EmptyFolder(const char* folder, const std::function<bool(const std::string&)>& keep) {
    CodePageScope scope;
    const std::string pattern = Text(folder) + "\\*.*";
    std::string root, windowsFolder, mask;
    if (!folderRoot(pattern, root)) return;
    const std::string posixFolder = searchedFolder(pattern.c_str(), windowsFolder, mask);
    if (posixFolder.empty()) return;
    int dirfd = open(posixFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirfd < 0) return;
    emptyFolderAt(dirfd, root, keep);
    ::close(dirfd);
}

} // namespace tessaly::platform
