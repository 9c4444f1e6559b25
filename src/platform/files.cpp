// Files and folders with Windows semantics on top of POSIX calls. Paths arrive as Windows
// paths in the ANSI code page and are translated by ToPosixPath.
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

namespace tessaly::platform {

namespace {

constexpr const char* kDosAttributeName = "user.DOSATTRIB";
constexpr const char* kCreationTimeName = "user.tessaly.creation";
constexpr DWORD kStoredAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
constexpr const char* kDrivesKey = "Software\\Tessaly\\Platform\\Drives";

DWORD Fail(DWORD code) {
    SetLastError(code);
    return code;
}

bool IsReadOnlyMode(mode_t mode) {
    return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

std::string Text(const char* text) {
    return text ? text : "";
}

// The POSIX path of a Windows path; empty with the last error set on failure.
std::string Posix(const char* path) {
    if (!path || !*path) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return {};
    }
    return ToPosixPath(path);
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool ReadDosAttributes(const std::string& posix, DWORD& bits, bool follow) {
    char value[32] = {};
    ssize_t length = follow ? getxattr(posix.c_str(), kDosAttributeName, value, sizeof value - 1)
                            : lgetxattr(posix.c_str(), kDosAttributeName, value, sizeof value - 1);
    if (length <= 0) return false;
    value[length] = 0;
    bits = static_cast<DWORD>(std::strtoul(value, nullptr, 16)) & kStoredAttributes;
    return true;
}

// The Windows attributes of a POSIX object. target is the object followed through links,
// linked tells whether the path itself is a symbolic link.
DWORD AttributesOf(const std::string& posix, const struct stat& target, bool linked) {
    DWORD attributes = 0;
    if (S_ISDIR(target.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (IsReadOnlyMode(target.st_mode)) attributes |= FILE_ATTRIBUTE_READONLY;
    DWORD stored = 0;
    if (ReadDosAttributes(posix, stored, !linked))
        attributes |= stored;
    else if (!S_ISDIR(target.st_mode))
        attributes |= FILE_ATTRIBUTE_ARCHIVE; // a file nobody has marked yet
    if (linked) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

// Attributes of a path without touching the last error; false when nothing is there.
// A symbolic link reports what it leads to, marked as a reparse point.
bool LookupAttributes(const std::string& posix, DWORD& attributes) {
    struct stat self;
    if (lstat(posix.c_str(), &self) != 0) return false;
    if (!S_ISLNK(self.st_mode)) {
        attributes = AttributesOf(posix, self, false);
        return true;
    }
    struct stat target;
    if (stat(posix.c_str(), &target) != 0) {
        target = self; // a dangling link counts as a file
        target.st_mode = S_IFREG | S_IRUSR | S_IWUSR;
    }
    attributes = AttributesOf(posix, target, true);
    return true;
}

FILETIME TimeOf(const struct statx_timestamp& ts) {
    return FileTimeFromUnix(ts.tv_sec, ts.tv_nsec);
}

// The creation time: the one set through SetFileTime when there is one, else the file
// system's birth time, else the last change of the contents.
FILETIME CreationTime(int dirfd, const char* path, int flags, const struct statx& sx) {
    char value[32] = {};
    ssize_t length;
    if (*path == 0)
        length = fgetxattr(dirfd, kCreationTimeName, value, sizeof value - 1);
    else
        length = (flags & AT_SYMLINK_NOFOLLOW)
                     ? lgetxattr(path, kCreationTimeName, value, sizeof value - 1)
                     : getxattr(path, kCreationTimeName, value, sizeof value - 1);
    if (length > 0) {
        value[length] = 0;
        unsigned long long ticks = std::strtoull(value, nullptr, 10);
        return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
    }
    if (sx.stx_mask & STATX_BTIME) return TimeOf(sx.stx_btime);
    return TimeOf(sx.stx_mtime);
}

bool FillFindData(const std::string& posix, const std::string& ansiName, WIN32_FIND_DATAA* data) {
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

class FindObject : public HandleObject {
  public:
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;
};

class FileObject : public HandleObject {
  public:
    ~FileObject() override {
        if (fd >= 0) ::close(fd);
        if (deleteOnClose) {
            if (directory)
                ::rmdir(posix.c_str());
            else
                ::unlink(posix.c_str());
        }
    }
    int fd = -1;
    std::string posix;
    bool directory = false;
    bool canRead = false;
    bool canWrite = false;
    bool deleteOnClose = false;
};

bool HasWildcards(const std::string& mask) {
    return mask.find_first_of("*?<>\"") != std::string::npos;
}

// Splits "folder\mask" at the last separator; the folder keeps its separator.
void SplitPattern(const std::string& pattern, std::string& folder, std::string& mask) {
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
std::string DosMask(const std::string& mask) {
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

bool MatchDos(const std::string& mask, const std::string& name) {
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

std::string UpperAnsi(std::string text) {
    AnsiUpper(text);
    return text;
}

bool IsDriveRoot(const std::string& windowsFolder) {
    std::string full;
    if (!detail::FullWindowsPath(windowsFolder.empty() ? std::string(".") : windowsFolder, full))
        return false;
    return full.size() == 3 && full[1] == ':';
}

DWORD CopyOut(const std::string& text, char* buffer, DWORD size) {
    DWORD length = static_cast<DWORD>(text.size());
    if (!buffer || size <= length) return length + 1;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return length;
}

std::string CurrentFolderWindows() {
    std::vector<char> buffer(4096);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE) return "C:\\";
        buffer.resize(buffer.size() * 2);
    }
    std::string windows = ToWindowsPath(buffer.data());
    return windows.empty() ? "C:\\" : windows;
}

// Copies the bytes of one open file into another: inside the kernel where the file system
// allows, else through a buffer.
bool CopyContents(int from, int to) {
    // Some kernels report a file system's generated files (procfs) as empty here: a first
    // answer of nothing is checked through the buffer.
    for (bool any = false;;) {
        ssize_t copied = copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
        if (copied == 0 && any) return true;
        if (copied == 0) break;
        any = any || copied > 0;
        if (copied > 0 || errno == EINTR) continue;
        // No kernel copy between these files: the buffer goes on from where it stopped.
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
            errno == EBADF)
            break;
        return false;
    }
    std::vector<char> buffer(1 << 16);
    for (;;) {
        ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) return true;
        for (ssize_t done = 0; done < got;) {
            ssize_t put = ::write(to, buffer.data() + done, static_cast<size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            done += put;
        }
    }
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
void ReadFolder(DIR* dir, bool sorted, std::vector<Listed>& names) {
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

// The directory and reparse point attributes of a folder's entry as AttributesOf gives
// them; false when the entry is gone.
bool KindAt(int dirfd, const Listed& entry, bool& directory, bool& link) {
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
bool FolderRoot(const std::string& pattern, std::string& root) {
    std::string full;
    if (!detail::FullWindowsPath(pattern, full)) return false;
    size_t cut = full.rfind('\\');
    root = cut == std::string::npos ? std::string() : full.substr(0, cut + 1);
    return true;
}

// The POSIX folder FindFirstFileA searches for a pattern, and its mask; empty with the
// last error set when it would fail before listing.
std::string SearchedFolder(const char* pattern, std::string& folder, std::string& mask) {
    if (!pattern || !*pattern) {
        Fail(ERROR_FILE_NOT_FOUND);
        return {};
    }
    SplitPattern(pattern, folder, mask);
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
bool ReachableByName(const Listed& entry) {
    const std::string& name = entry.ansi;
    if (name.empty() || name.back() == '.' || name.back() == ' ' ||
        name.find('\\') != std::string::npos)
        return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) >= 0x80) return AnsiToUtf8(name) == entry.posix;
    return name == entry.posix;
}

using KeepTest = std::function<bool(const std::string&)>;

void EmptyFolderAt(int dirfd, const std::string& root, const KeepTest& keep);

// One entry removed through the path functions, for what the quick way cannot do.
void RemoveByPath(const std::string& path, bool directory, bool link, const KeepTest& keep) {
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
void EmptyFolderAt(int dirfd, const std::string& root, const KeepTest& keep) {
    std::vector<Listed> names;
    int listfd = openat(dirfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listfd < 0) return;
    DIR* dir = fdopendir(listfd);
    if (!dir) {
        ::close(listfd);
        return;
    }
    ReadFolder(dir, false, names);
    closedir(dir);
    for (const Listed& entry : names) {
        const std::string path = root + entry.ansi;
        if (keep && keep(path)) continue;
        bool directory = false, link = false;
        if (!KindAt(dirfd, entry, directory, link)) continue;
        if (ReachableByName(entry)) {
            if (link || !directory) {
                if (unlinkat(dirfd, entry.posix.c_str(), 0) == 0) continue;
            } else {
                int sub = openat(dirfd, entry.posix.c_str(),
                                 O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (sub >= 0) {
                    EmptyFolderAt(sub, path + "\\", keep);
                    ::close(sub);
                    unlinkat(dirfd, entry.posix.c_str(), AT_REMOVEDIR);
                    continue;
                }
            }
        }
        RemoveByPath(path, directory, link, keep);
    }
}
} // namespace

// ---- Attributes ----

DWORD GetFileAttributesA(const char* path) {
    std::string posix = Posix(path);
    if (posix.empty()) return INVALID_FILE_ATTRIBUTES;
    DWORD attributes;
    if (!LookupAttributes(posix, attributes)) {
        if (errno == ENOTDIR)
            SetLastError(posix.back() == '/' ? 123 : ERROR_PATH_NOT_FOUND);
        else
            detail::SetLastErrorForMissing(posix);
        return INVALID_FILE_ATTRIBUTES;
    }
    return attributes;
}

BOOL SetFileAttributesA(const char* path, DWORD attributes) {
    std::string posix = Posix(path);
    if (posix.empty()) return FALSE;
    struct stat st;
    if (stat(posix.c_str(), &st) != 0) {
        if (errno == ENOENT)
            detail::SetLastErrorForMissing(posix);
        else
            SetLastErrorFromErrno();
        return FALSE;
    }
    mode_t mode = st.st_mode & 07777;
    mode_t wanted = mode;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        wanted &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    else if (IsReadOnlyMode(mode))
        wanted |= S_IWUSR;
    if (wanted != mode && chmod(posix.c_str(), wanted) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    char value[16];
    std::snprintf(value, sizeof value, "0x%x",
                  static_cast<unsigned>(attributes & kStoredAttributes));
    // Where the file system has no extended attributes only read-only survives.
    setxattr(posix.c_str(), kDosAttributeName, value, std::strlen(value), 0);
    SetLastError(0);
    return TRUE;
}

// ---- Searching ----

bool MatchesWildcard(const char* name, const char* pattern) {
    if (!name || !pattern) return false;
    return MatchDos(UpperAnsi(DosMask(pattern)), UpperAnsi(name));
}

HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data) {
    CodePageScope scope;
    if (!pattern || !*pattern || !data) {
        Fail(pattern && *pattern ? ERROR_INVALID_PARAMETER : ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::string folder, mask;
    SplitPattern(pattern, folder, mask);
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
    if (!HasWildcards(mask)) {
        // A plain name: the entry itself, found without regard to case.
        std::string posix = WithoutTrailingSlash(ToPosixPath(folder + mask));
        WIN32_FIND_DATAA entry;
        std::string base = posix.substr(posix.find_last_of('/') + 1);
        if (posix.empty() || !FillFindData(posix, Utf8ToAnsi(base), &entry)) {
            Fail(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        found->entries.push_back(entry);
    } else {
        const std::string dosMask = UpperAnsi(DosMask(mask));
        std::vector<Listed> names;
        if (!IsDriveRoot(folder)) {
            names.push_back({".", ".", {}, DT_DIR});
            names.push_back({"..", "..", {}, DT_DIR});
        }
        if (DIR* dir = opendir(posixFolder.c_str())) {
            ReadFolder(dir, true, names);
            closedir(dir);
        }
        for (const Listed& name : names) {
            if (dosMask != "*" && !MatchDos(dosMask, UpperAnsi(name.ansi))) continue;
            WIN32_FIND_DATAA entry;
            if (FillFindData(detail::PosixJoin(posixFolder, name.posix), name.ansi, &entry))
                found->entries.push_back(entry);
        }
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
    const std::string posixFolder = SearchedFolder(pattern, folder, mask);
    if (posixFolder.empty()) return false;
    if (searched) *searched = posixFolder;
    if (!HasWildcards(mask)) {
        // A plain name: the entry itself, found without regard to case.
        std::string posix = WithoutTrailingSlash(ToPosixPath(folder + mask));
        DWORD attributes;
        if (!posix.empty() && LookupAttributes(posix, attributes))
            entries.push_back({Utf8ToAnsi(posix.substr(posix.find_last_of('/') + 1)),
                               posix.substr(posix.find_last_of('/') + 1),
                               (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                               (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
    } else {
        const std::string dosMask = UpperAnsi(DosMask(mask));
        std::vector<Listed> names;
        if (!IsDriveRoot(folder)) {
            names.push_back({".", ".", {}, DT_DIR});
            names.push_back({"..", "..", {}, DT_DIR});
        }
        int dirfd = open(posixFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* dir = dirfd < 0 ? nullptr : fdopendir(dirfd);
        if (dir) ReadFolder(dir, true, names);
        for (const Listed& name : names) {
            if (dosMask != "*" && !MatchDos(dosMask, UpperAnsi(name.ansi))) continue;
            FolderEntry entry{name.ansi, name.posix};
            entry.named = ReachableByName(name);
            if (dir ? KindAt(dirfd, name, entry.directory, entry.link)
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
    if (!FolderRoot(pattern, root)) return;
    const std::string posixFolder = SearchedFolder(pattern.c_str(), windowsFolder, mask);
    if (posixFolder.empty()) return;
    int dirfd = open(posixFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirfd < 0) return;
    EmptyFolderAt(dirfd, root, keep);
    ::close(dirfd);
}

// ---- Folders and files ----

BOOL CreateDirectoryA(const char* path, void*) {
    std::string posix = WithoutTrailingSlash(Posix(path));
    if (posix.empty()) return FALSE;
    if (mkdir(posix.c_str(), 0777) != 0) {
        if (errno == EEXIST)
            Fail(ERROR_ALREADY_EXISTS);
        else if (errno == ENOENT || errno == ENOTDIR)
            Fail(ERROR_PATH_NOT_FOUND);
        else
            SetLastErrorFromErrno();
        return FALSE;
    }
    SetLastError(0);
    return TRUE;
}

BOOL RemoveDirectoryA(const char* path) {
    std::string posix = WithoutTrailingSlash(Posix(path));
    if (posix.empty()) return FALSE;
    struct stat self;
    if (lstat(posix.c_str(), &self) != 0) {
        detail::SetLastErrorForMissing(posix);
        return FALSE;
    }
    if (S_ISLNK(self.st_mode)) {
        // A link to a folder goes away itself; what it leads to is not touched.
        struct stat target;
        if (stat(posix.c_str(), &target) != 0 || !S_ISDIR(target.st_mode)) {
            Fail(ERROR_DIRECTORY);
            return FALSE;
        }
        if (unlink(posix.c_str()) != 0) {
            SetLastErrorFromErrno();
            return FALSE;
        }
        return TRUE;
    }
    if (!S_ISDIR(self.st_mode)) {
        Fail(ERROR_DIRECTORY);
        return FALSE;
    }
    if (rmdir(posix.c_str()) != 0) {
        if (errno == ENOTEMPTY || errno == EEXIST)
            Fail(ERROR_DIR_NOT_EMPTY);
        else
            SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileA(const char* path) {
    std::string posix = Posix(path);
    if (posix.empty()) return FALSE;
    struct stat self;
    if (lstat(posix.c_str(), &self) != 0) {
        if (errno == ENOTDIR)
            Fail(ERROR_PATH_NOT_FOUND);
        else
            detail::SetLastErrorForMissing(posix);
        return FALSE;
    }
    if (!S_ISLNK(self.st_mode)) {
        // Folders and read-only files are refused, as on Windows.
        if (S_ISDIR(self.st_mode) || IsReadOnlyMode(self.st_mode)) {
            Fail(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    if (unlink(posix.c_str()) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}

namespace {

// CopyFileA once the source is a POSIX path; the target is translated after the source has
// been checked, as the errors' order wants.
BOOL CopyPosix(const std::string& source, const std::function<std::string()>& translateTarget,
               BOOL failIfExists) {
    struct stat src;
    if (stat(source.c_str(), &src) != 0) {
        detail::SetLastErrorForMissing(source);
        return FALSE;
    }
    if (S_ISDIR(src.st_mode)) {
        Fail(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::string target = translateTarget();
    if (target.empty()) return FALSE;
    struct stat dst;
    bool exists = stat(target.c_str(), &dst) == 0;
    if (exists) {
        if (failIfExists) {
            Fail(ERROR_FILE_EXISTS);
            return FALSE;
        }
        if (S_ISDIR(dst.st_mode) || IsReadOnlyMode(dst.st_mode)) {
            Fail(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (dst.st_dev == src.st_dev && dst.st_ino == src.st_ino) {
            Fail(ERROR_SHARING_VIOLATION);
            return FALSE;
        }
    }
    int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (failIfExists ? O_EXCL : 0);
    int out = open(target.c_str(), flags, 0666);
    if (out < 0) {
        if (errno == EEXIST)
            Fail(ERROR_FILE_EXISTS);
        else if (errno == ENOENT || errno == ENOTDIR)
            Fail(ERROR_PATH_NOT_FOUND);
        else
            SetLastErrorFromErrno();
        ::close(in);
        return FALSE;
    }
    bool ok = CopyContents(in, out);
    if (!ok) SetLastErrorFromErrno();
    if (ok) {
        // The copy keeps the last-write time and the attributes, read-only included.
        struct timespec times[2] = {{0, UTIME_NOW}, src.st_mtim};
        futimens(out, times);
        char value[32] = {};
        ssize_t length = fgetxattr(in, kDosAttributeName, value, sizeof value - 1);
        if (length > 0) fsetxattr(out, kDosAttributeName, value, static_cast<size_t>(length), 0);
        fchmod(out, src.st_mode & 07777);
    }
    ::close(in);
    if (::close(out) != 0 && ok) {
        SetLastErrorFromErrno();
        ok = false;
    }
    if (!ok) {
        unlink(target.c_str());
        return FALSE;
    }
    SetLastError(0);
    return TRUE;
}

} // namespace

BOOL CopyFileA(const char* from, const char* to, BOOL failIfExists) {
    std::string source = Posix(from);
    if (source.empty()) return FALSE;
    return CopyPosix(
        source, [to] { return Posix(to); }, failIfExists);
}

BOOL CopyPosixFile(const std::string& source, const std::string& target, BOOL failIfExists) {
    return CopyPosix(
        source, [&target] { return target; }, failIfExists);
}

BOOL MoveFileA(const char* from, const char* to) {
    std::string source = WithoutTrailingSlash(Posix(from));
    if (source.empty()) return FALSE;
    struct stat src;
    if (lstat(source.c_str(), &src) != 0) {
        detail::SetLastErrorForMissing(source);
        return FALSE;
    }
    std::string target = WithoutTrailingSlash(Posix(to));
    if (target.empty()) return FALSE;
    struct stat dst;
    if (lstat(target.c_str(), &dst) == 0) {
        if (dst.st_dev == src.st_dev && dst.st_ino == src.st_ino) {
            // The same entry under another case: rename it to the case given.
            std::string given = Text(to);
            size_t cut = detail::LastSeparator(given);
            std::string name = AnsiToUtf8(cut == std::string::npos ? given : given.substr(cut + 1));
            target = target.substr(0, target.find_last_of('/') + 1) + name;
            if (target == source) return TRUE;
        } else {
            Fail(ERROR_ALREADY_EXISTS);
            return FALSE;
        }
    }
    if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return TRUE;
    if (errno == EINVAL || errno == ENOSYS) {
        // File systems without RENAME_NOREPLACE: the target was checked above.
        if (rename(source.c_str(), target.c_str()) == 0) return TRUE;
    }
    if (errno == EEXIST) {
        Fail(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (errno == EXDEV) {
        if (S_ISDIR(src.st_mode)) {
            Fail(ERROR_NOT_SAME_DEVICE);
            return FALSE;
        }
        if (!CopyFileA(from, to, TRUE)) return FALSE;
        if (unlink(source.c_str()) != 0) {
            SetLastErrorFromErrno();
            return FALSE;
        }
        return TRUE;
    }
    if (errno == ENOENT || errno == ENOTDIR)
        Fail(ERROR_PATH_NOT_FOUND);
    else
        SetLastErrorFromErrno();
    return FALSE;
}

DWORD GetFullPathNameA(const char* path, DWORD size, char* buffer, char** filePart) {
    CodePageScope scope;
    if (filePart) *filePart = nullptr;
    std::string full;
    if (!path || !detail::FullWindowsPath(path, full)) return 0;
    DWORD result = CopyOut(full, buffer, size);
    if (result == full.size() && filePart) {
        size_t cut = detail::LastSeparator(full);
        if (cut != std::string::npos && cut + 1 < full.size()) *filePart = buffer + cut + 1;
    }
    return result;
}

DWORD GetLongPathNameA(const char* shortPath, char* longPath, DWORD size) {
    if (!shortPath) {
        Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string path = shortPath;
    if (path.empty()) {
        Fail(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    if (detail::IsUncPath(path)) {
        Fail(ERROR_BAD_NETPATH);
        return 0;
    }
    // Keep the head as given (drive, root or nothing for a relative path), correct the
    // case of every component from the disk.
    size_t pos = 0;
    if (path.size() >= 2 && path[1] == ':') pos = 2;
    if (pos < path.size() && (path[pos] == '\\' || path[pos] == '/')) ++pos;
    const std::string head = path.substr(0, pos);
    const std::vector<std::string> parts = detail::SplitWindowsComponents(path.substr(pos));
    std::string result = head, walked = head;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        walked += (i ? "\\" : "") + part;
        std::string name = part;
        if (part != "." && part != "..") {
            std::string posix = WithoutTrailingSlash(ToPosixPath(walked));
            struct stat st;
            if (posix.empty() || lstat(posix.c_str(), &st) != 0) {
                Fail(ERROR_FILE_NOT_FOUND);
                return 0;
            }
            name = Utf8ToAnsi(posix.substr(posix.find_last_of('/') + 1));
        }
        result += (i ? "\\" : "") + name;
    }
    if (parts.empty()) {
        // A bare drive or root: it must exist.
        std::string posix = ToPosixPath(path);
        struct stat st;
        if (posix.empty() || stat(posix.c_str(), &st) != 0) {
            Fail(ERROR_FILE_NOT_FOUND);
            return 0;
        }
    } else if (detail::LastSeparator(path) == path.size() - 1) {
        result += "\\"; // the trailing separator stays
    }
    return CopyOut(result, longPath, size);
}

DWORD GetShortPathNameA(const char* longPath, char* shortPath, DWORD size) {
    // No 8.3 names here: the short form of a path is its long form.
    return GetLongPathNameA(longPath, shortPath, size);
}

// ---- Open files ----

HANDLE CreateFileA(const char* path, DWORD access, DWORD, void*, DWORD creation, DWORD flags,
                   HANDLE) {
    std::string posix = Posix(path);
    if (posix.empty()) return INVALID_HANDLE_VALUE;
    bool wantsWrite = (access & (GENERIC_WRITE | GENERIC_ALL | 0x2 | 0x4)) != 0;
    bool wantsRead = (access & (GENERIC_READ | GENERIC_ALL | 0x1)) != 0;
    struct stat st;
    bool exists = stat(posix.c_str(), &st) == 0;
    if (!exists && errno == ENOTDIR) {
        Fail(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto file = std::make_shared<FileObject>();
    file->posix = posix;
    file->deleteOnClose = (flags & FILE_FLAG_DELETE_ON_CLOSE) != 0;
    if (exists && S_ISDIR(st.st_mode)) {
        if (!(flags & FILE_FLAG_BACKUP_SEMANTICS) || creation == CREATE_ALWAYS ||
            creation == TRUNCATE_EXISTING) {
            Fail(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        if (creation == CREATE_NEW) {
            Fail(ERROR_FILE_EXISTS);
            return INVALID_HANDLE_VALUE;
        }
        file->fd = open(posix.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (file->fd < 0) {
            SetLastErrorFromErrno();
            return INVALID_HANDLE_VALUE;
        }
        file->directory = true;
        SetLastError(creation == OPEN_ALWAYS ? ERROR_ALREADY_EXISTS : 0);
        return NewHandle(file);
    }
    int mode = wantsWrite ? (wantsRead ? O_RDWR : O_WRONLY) : O_RDONLY;
    int openFlags = mode | O_CLOEXEC;
    switch (creation) {
    case CREATE_NEW:
        if (exists) {
            Fail(ERROR_FILE_EXISTS);
            return INVALID_HANDLE_VALUE;
        }
        openFlags |= O_CREAT | O_EXCL;
        break;
    case CREATE_ALWAYS:
        openFlags |= O_CREAT | O_TRUNC;
        break;
    case OPEN_EXISTING:
        if (!exists) {
            detail::SetLastErrorForMissing(posix);
            return INVALID_HANDLE_VALUE;
        }
        break;
    case OPEN_ALWAYS:
        openFlags |= O_CREAT;
        break;
    case TRUNCATE_EXISTING:
        if (!wantsWrite) {
            Fail(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        if (!exists) {
            detail::SetLastErrorForMissing(posix);
            return INVALID_HANDLE_VALUE;
        }
        openFlags |= O_TRUNC;
        break;
    default:
        Fail(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    // Read-only files refuse writing even to the owner, as on Windows.
    if (exists && IsReadOnlyMode(st.st_mode) &&
        (wantsWrite || creation == CREATE_ALWAYS || creation == TRUNCATE_EXISTING)) {
        Fail(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if ((openFlags & O_TRUNC) && !wantsWrite) openFlags = (openFlags & ~O_ACCMODE) | O_RDWR;
    mode_t permissions = (flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    file->fd = open(posix.c_str(), openFlags, permissions);
    if (file->fd < 0) {
        if (errno == EEXIST)
            Fail(ERROR_FILE_EXISTS);
        else if (errno == ENOENT)
            detail::SetLastErrorForMissing(posix);
        else
            SetLastErrorFromErrno();
        return INVALID_HANDLE_VALUE;
    }
    if (!exists && (flags & kStoredAttributes)) {
        char value[16];
        std::snprintf(value, sizeof value, "0x%x",
                      static_cast<unsigned>(flags & kStoredAttributes));
        fsetxattr(file->fd, kDosAttributeName, value, std::strlen(value), 0);
    }
    file->canRead = wantsRead || !wantsWrite;
    file->canWrite = wantsWrite;
    SetLastError(exists && (creation == CREATE_ALWAYS || creation == OPEN_ALWAYS)
                     ? ERROR_ALREADY_EXISTS
                     : 0);
    return NewHandle(file);
}

BOOL ReadFile(HANDLE handle, void* buffer, DWORD toRead, DWORD* read, void*) {
    if (read) *read = 0;
    auto file = HandleAs<FileObject>(handle);
    if (!file) {
        Fail(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (file->directory || !file->canRead || (!buffer && toRead)) {
        Fail(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    DWORD done = 0;
    while (done < toRead) {
        ssize_t got = ::read(file->fd, static_cast<char*>(buffer) + done, toRead - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            SetLastErrorFromErrno();
            if (read) *read = done;
            return FALSE;
        }
        if (got == 0) break;
        done += static_cast<DWORD>(got);
    }
    if (read) *read = done;
    return TRUE;
}

BOOL WriteFile(HANDLE handle, const void* buffer, DWORD toWrite, DWORD* written, void*) {
    if (written) *written = 0;
    auto file = HandleAs<FileObject>(handle);
    if (!file) {
        Fail(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (file->directory || !file->canWrite || (!buffer && toWrite)) {
        Fail(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    DWORD done = 0;
    while (done < toWrite) {
        ssize_t put = ::write(file->fd, static_cast<const char*>(buffer) + done, toWrite - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            SetLastErrorFromErrno();
            if (written) *written = done;
            return FALSE;
        }
        done += static_cast<DWORD>(put);
    }
    if (written) *written = done;
    return TRUE;
}

DWORD GetFileSize(HANDLE handle, DWORD* high) {
    auto file = HandleAs<FileObject>(handle);
    if (!file) {
        Fail(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    struct stat st;
    if (fstat(file->fd, &st) != 0) {
        SetLastErrorFromErrno();
        return INVALID_FILE_SIZE;
    }
    std::uint64_t size = file->directory ? 0 : static_cast<std::uint64_t>(st.st_size);
    if (high) *high = static_cast<DWORD>(size >> 32);
    SetLastError(0);
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

DWORD SetFilePointer(HANDLE handle, LONG distance, LONG* high, DWORD method) {
    auto file = HandleAs<FileObject>(handle);
    if (!file) {
        Fail(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    std::int64_t offset =
        high ? static_cast<std::int64_t>(
                   (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*high)) << 32) |
                   static_cast<std::uint32_t>(distance))
             : static_cast<std::int64_t>(distance);
    int whence = method == FILE_BEGIN     ? SEEK_SET
                 : method == FILE_CURRENT ? SEEK_CUR
                 : method == FILE_END     ? SEEK_END
                                          : -1;
    if (whence < 0) {
        Fail(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    off_t position = lseek(file->fd, static_cast<off_t>(offset), whence);
    if (position < 0) {
        Fail(errno == EINVAL ? ERROR_NEGATIVE_SEEK : ErrorFromErrno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (high) *high = static_cast<LONG>(static_cast<std::uint64_t>(position) >> 32);
    SetLastError(0);
    return static_cast<DWORD>(static_cast<std::uint64_t>(position) & 0xFFFFFFFFu);
}

BOOL GetFileTime(HANDLE handle, FILETIME* creation, FILETIME* access, FILETIME* write) {
    auto file = HandleAs<FileObject>(handle);
    if (!file) {
        Fail(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    struct statx sx {};
    if (statx(file->fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    if (creation) *creation = CreationTime(file->fd, "", 0, sx);
    if (access) *access = TimeOf(sx.stx_atime);
    if (write) *write = TimeOf(sx.stx_mtime);
    return TRUE;
}

BOOL SetFileTime(HANDLE handle, const FILETIME* creation, const FILETIME* access,
                 const FILETIME* write) {
    auto file = HandleAs<FileObject>(handle);
    if (!file) {
        Fail(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // A null time, or one of all zeros, leaves that time as it is.
    auto given = [](const FILETIME* ft) { return ft && (ft->dwLowDateTime || ft->dwHighDateTime); };
    auto spec = [&](const FILETIME* ft) {
        struct timespec ts {
            0, UTIME_OMIT
        };
        if (given(ft)) {
            long long seconds;
            long nanoseconds;
            UnixFromFileTime(*ft, seconds, nanoseconds);
            ts.tv_sec = static_cast<time_t>(seconds);
            ts.tv_nsec = nanoseconds;
        }
        return ts;
    };
    struct timespec times[2] = {spec(access), spec(write)};
    if ((given(access) || given(write)) && futimens(file->fd, times) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    if (given(creation)) {
        // Linux cannot set the birth time: keep the one asked for beside the file.
        unsigned long long ticks =
            (static_cast<unsigned long long>(creation->dwHighDateTime) << 32) |
            creation->dwLowDateTime;
        char value[32];
        std::snprintf(value, sizeof value, "%llu", ticks);
        if (fsetxattr(file->fd, kCreationTimeName, value, std::strlen(value), 0) != 0 &&
            errno != ENOTSUP) {
            SetLastErrorFromErrno();
            return FALSE;
        }
    }
    SetLastError(0);
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE || !ReleaseHandle(handle)) {
        Fail(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

// ---- Drives ----

namespace {

char DriveLetterOf(const char* root) {
    if (!root || !*root || ((root[0] == '\\' || root[0] == '/') && root[1] == 0)) {
        std::string current = CurrentFolderWindows();
        return current.empty() ? 0 : current[0];
    }
    if (std::isalpha(static_cast<unsigned char>(root[0])) && root[1] == ':' &&
        (root[2] == 0 || ((root[2] == '\\' || root[2] == '/') && root[3] == 0)))
        return static_cast<char>(std::toupper(static_cast<unsigned char>(root[0])));
    return 0;
}

} // namespace

UINT GetDriveTypeA(const char* root) {
    char letter = DriveLetterOf(root);
    if (!letter || DriveFolder(letter).empty()) return DRIVE_NO_ROOT_DIR;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDrivesKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return DRIVE_FIXED;
    char value[64] = {};
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    std::string name = std::string(1, letter) + ":";
    LONG status =
        RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return DRIVE_FIXED;
    value[std::min<DWORD>(size, sizeof value - 1)] = 0;
    std::string kind = detail::FoldCase(value);
    while (!kind.empty() && (kind.back() == ' ' || kind.back() == 0))
        kind.pop_back();
    if (kind == "fixed") return DRIVE_FIXED;
    if (kind == "removable") return DRIVE_REMOVABLE;
    if (kind == "cdrom") return DRIVE_CDROM;
    if (kind == "network" || kind == "remote") return DRIVE_REMOTE;
    if (kind == "ramdisk") return DRIVE_RAMDISK;
    return DRIVE_UNKNOWN;
}

DWORD GetLogicalDrives() {
    DWORD mask = 0;
    for (char letter = 'a'; letter <= 'z'; ++letter)
        if (!DriveFolder(letter).empty()) mask |= 1u << (letter - 'a');
    return mask;
}

namespace {

bool VolumeOf(const char* root, struct statvfs& vfs) {
    std::string posix = ToPosixPath(root && *root ? std::string(root) : CurrentFolderWindows());
    if (posix.empty()) return false;
    if (statvfs(posix.c_str(), &vfs) != 0) {
        if (errno == ENOENT)
            detail::SetLastErrorForMissing(posix);
        else
            SetLastErrorFromErrno();
        return false;
    }
    return true;
}

} // namespace

BOOL GetDiskFreeSpaceExA(const char* root, ULONGLONG* freeToCaller, ULONGLONG* total,
                         ULONGLONG* totalFree) {
    struct statvfs vfs;
    if (!VolumeOf(root, vfs)) return FALSE;
    ULONGLONG unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    if (freeToCaller) *freeToCaller = static_cast<ULONGLONG>(vfs.f_bavail) * unit;
    if (total) *total = static_cast<ULONGLONG>(vfs.f_blocks) * unit;
    if (totalFree) *totalFree = static_cast<ULONGLONG>(vfs.f_bfree) * unit;
    return TRUE;
}

BOOL GetDiskFreeSpaceA(const char* root, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                       DWORD* freeClusters, DWORD* totalClusters) {
    struct statvfs vfs;
    if (!VolumeOf(root, vfs)) return FALSE;
    ULONGLONG unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    const ULONGLONG sector = 512;
    ULONGLONG sectors = std::max<ULONGLONG>(1, unit / sector);
    ULONGLONG cluster = sectors * sector;
    auto clamp = [](ULONGLONG value) {
        return static_cast<DWORD>(std::min<ULONGLONG>(value, 0xFFFFFFFFull));
    };
    if (sectorsPerCluster) *sectorsPerCluster = static_cast<DWORD>(sectors);
    if (bytesPerSector) *bytesPerSector = static_cast<DWORD>(sector);
    if (freeClusters) *freeClusters = clamp(static_cast<ULONGLONG>(vfs.f_bavail) * unit / cluster);
    if (totalClusters)
        *totalClusters = clamp(static_cast<ULONGLONG>(vfs.f_blocks) * unit / cluster);
    return TRUE;
}

// ---- Current folder ----

DWORD GetCurrentDirectoryA(DWORD size, char* buffer) {
    return CopyOut(CurrentFolderWindows(), buffer, size);
}

BOOL SetCurrentDirectoryA(const char* path) {
    std::string posix = Posix(path);
    if (posix.empty()) return FALSE;
    struct stat st;
    if (stat(posix.c_str(), &st) != 0) {
        detail::SetLastErrorForMissing(posix);
        return FALSE;
    }
    if (!S_ISDIR(st.st_mode)) {
        Fail(ERROR_DIRECTORY);
        return FALSE;
    }
    if (chdir(posix.c_str()) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}

} // namespace tessaly::platform
