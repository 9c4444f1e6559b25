// The zip engine's unpacking: every entry checked before anything is written, each file
// written beside its place and renamed when whole, never through a link out of the
// destination, never beyond its declared size.
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/prefix.h"
#include "zip_engine.h"

namespace p = tessaly::platform;

namespace zipengine {

namespace {

constexpr size_t kBuffer = 256 * 1024;
constexpr size_t kLongestLink = 4096;

// A descriptor closed with its owner.
class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

// Opens a path below root that never resolves outside it: the kernel refuses "..", absolute
// links and links leading out (EXDEV). Where the kernel lacks that, no link is followed.
int openBeneath(int root, const std::string& path, int flags) {
    static std::atomic<bool> kernelHasIt{true};
    if (kernelHasIt) {
        open_how how{};
        how.flags = static_cast<unsigned long long>(flags | O_CLOEXEC);
        how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
        const long fd = ::syscall(SYS_openat2, root, path.c_str(), &how, sizeof how);
        if (fd >= 0 || errno != ENOSYS) return static_cast<int>(fd);
        kernelHasIt = false;
    }
    int current = ::dup(root);
    size_t start = 0;
    while (current >= 0 && start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        const bool last = end == path.size();
        const int next = ::openat(current, part.c_str(),
                                  (last ? flags : O_PATH | O_DIRECTORY) | O_NOFOLLOW | O_CLOEXEC);
        ::close(current);
        current = next;
        start = end + 1;
        if (last) break;
    }
    return current;
}

struct Entry {
    zip_uint64_t index = 0;
    std::vector<std::string> parts; // as written on disk (UTF-8 of the ANSI form)
    std::string shown;              // the name in the ANSI code page, for progress
    bool folder = false;
    bool link = false;
    zip_uint64_t size = 0;
    bool encrypted = false;
    bool hasMtime = false;
    time_t mtime = 0;
    bool unixMode = false;
    mode_t mode = 0;
};

std::string joined(const std::vector<std::string>& parts, size_t count) {
    std::string path;
    for (size_t i = 0; i < count; ++i)
        path += (i ? "/" : "") + parts[i];
    return path;
}

class Unpacker {
  public:
    Unpacker(const UnzipOptions& options, const ProgressFn& progress)
        : options_(options), progress_(progress) {}
    ~Unpacker() {
        if (za_) zip_discard(za_);
    }

    Result run() {
        if (options_.archive.empty() || options_.destination.empty())
            return {kBadSettings, "no archive or no destination named"};
        if (Result r = open(); r.code != kOk) return r;
        if (Result r = readEntries(); r.code != kOk) return r;
        if (Result r = openDestination(); r.code != kOk) return r;
        Result result;
        for (const Entry& entry : entries_) {
            Result one = unpack(entry);
            if (one.code == kOk) continue;
            // A password or a stop ends the work; a refused or damaged entry only itself.
            if (one.code == kPassword || one.code == kCancelled || one.code == kCannotWrite)
                return one;
            if (result.code == kOk) result = one;
        }
        result.entries = written_;
        if (progress_ && result.code == kOk && !progress_(std::string(), 100))
            return {kCancelled, "cancelled"};
        return result;
    }

  private:
    Result open() {
        const std::string archive = p::ToPosixPath(options_.archive);
        int error = 0;
        if (!archive.empty())
            za_ = zip_open(archive.c_str(),
                           ZIP_RDONLY | (options_.checkConsistency ? ZIP_CHECKCONS : 0), &error);
        if (!za_) {
            zip_error_t e;
            zip_error_init_with_code(&e, error);
            Result failed{kArchiveUnreadable, "cannot open " + p::AnsiToUtf8(options_.archive) +
                                                  ": " + zip_error_strerror(&e)};
            zip_error_fini(&e);
            return failed;
        }
        if (!options_.password.empty()) zip_set_default_password(za_, options_.password.c_str());
        return {};
    }

    // Every entry's name is checked before anything is written.
    Result readEntries() {
        const zip_int64_t count = zip_get_num_entries(za_, 0);
        for (zip_int64_t i = 0; i < count; ++i) {
            const auto index = static_cast<zip_uint64_t>(i);
            zip_stat_t st;
            zip_stat_init(&st);
            // UTF-8 when the entry's flag (or its Unicode name field) says so, or when an
            // unflagged name is valid UTF-8 (Unix tools write such names without the flag);
            // else code page 437.
            const char* raw = zip_get_name(za_, index, ZIP_FL_ENC_GUESS);
            if (!raw || zip_stat_index(za_, index, ZIP_FL_ENC_GUESS, &st) != 0)
                return {kArchiveUnreadable, "damaged directory entry " + std::to_string(i)};
            const std::string name = raw;
            Entry entry;
            entry.index = index;
            entry.shown = p::Utf8ToAnsi(name);
            std::vector<std::string> parts;
            if (!SafeEntryParts(name, parts))
                return {kUnsafeEntry, "unsafe entry name refused: " + name};
            entry.folder = name.back() == '/' || name.back() == '\\';
            for (std::string& part : parts)
                part = p::AnsiToUtf8(p::Utf8ToAnsi(part)); // what the file system is given
            if (!options_.keepFolderNames) {
                if (entry.folder) continue;
                parts.erase(parts.begin(), parts.end() - 1);
            }
            if (!p::MatchesWildcard(entry.shown.c_str(), options_.pattern.c_str())) continue;
            entry.parts = std::move(parts);
            entry.size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
            entry.encrypted =
                (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE;
            entry.hasMtime = (st.valid & ZIP_STAT_MTIME) != 0;
            entry.mtime = st.mtime;
            zip_uint8_t system = 0;
            zip_uint32_t attributes = 0;
            if (zip_file_get_external_attributes(za_, index, 0, &system, &attributes) == 0 &&
                system == ZIP_OPSYS_UNIX) {
                const mode_t mode = static_cast<mode_t>(attributes >> 16);
                entry.unixMode = (mode & S_IFMT) != 0;
                entry.mode = mode & 0777;
                entry.link = S_ISLNK(mode);
            }
            total_ += entry.folder ? 0 : entry.size;
            entries_.push_back(std::move(entry));
        }
        if (options_.sizeLimit >= 0 && total_ > static_cast<zip_uint64_t>(options_.sizeLimit))
            return {kSizeLimit,
                    "the entries hold " + std::to_string(total_) + " bytes, more than the limit"};
        return {};
    }

    Result openDestination() {
        const std::string destination = p::ToPosixPath(options_.destination);
        if (destination.empty()) return {kCannotWrite, "cannot name the destination"};
        struct stat st {};
        if (::stat(destination.c_str(), &st) != 0 && options_.createDestination) {
            // Each missing parent in turn, as a folder-making command does.
            for (size_t slash = destination.find('/', 1);;
                 slash = destination.find('/', slash + 1)) {
                const std::string prefix = destination.substr(0, slash);
                ::mkdir(prefix.c_str(), 0777);
                if (slash == std::string::npos) break;
            }
        }
        root_ = Fd(::open(destination.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (root_.get() < 0)
            return {kCannotWrite,
                    "cannot use destination " + destination + ": " + std::strerror(errno)};
        return {};
    }

    // The folder of an entry below the destination, made where missing; -1 with errno set
    // when it cannot be reached without leaving the destination (EXDEV, ELOOP) or made.
    int folderOf(const std::vector<std::string>& parts, size_t count) {
        const std::string path = joined(parts, count);
        if (count == 0) return ::dup(root_.get());
        if (path == cachedPath_ && cached_.get() >= 0) return ::dup(cached_.get());
        int parent = ::dup(root_.get());
        for (size_t i = 1; i <= count && parent >= 0; ++i) {
            const std::string prefix = joined(parts, i);
            int next = openBeneath(root_.get(), prefix, O_PATH | O_DIRECTORY);
            if (next < 0 && errno == ENOENT) {
                ::mkdirat(parent, parts[i - 1].c_str(), 0777);
                next = openBeneath(root_.get(), prefix, O_PATH | O_DIRECTORY);
            }
            const int saved = errno;
            ::close(parent);
            errno = saved;
            parent = next;
        }
        if (parent >= 0) {
            cachedPath_ = path;
            cached_ = Fd(::dup(parent));
        }
        return parent;
    }

    bool report(const Entry& entry) {
        if (!progress_) return true;
        const int percent = total_ ? static_cast<int>(done_ * 100 / total_) : 100;
        return progress_(entry.shown, std::min(percent, 100));
    }

    Result unpack(const Entry& entry) {
        if (!report(entry)) return {kCancelled, "cancelled"};
        const size_t folderParts = entry.folder ? entry.parts.size() : entry.parts.size() - 1;
        Fd folder(folderOf(entry.parts, folderParts));
        if (folder.get() < 0) {
            if (errno == EXDEV || errno == ELOOP || errno == ENOTDIR)
                return {kUnsafeEntry,
                        "entry would leave the destination: " + p::AnsiToUtf8(entry.shown)};
            return {kCannotWrite, "cannot make folder for " + p::AnsiToUtf8(entry.shown) + ": " +
                                      std::strerror(errno)};
        }
        if (entry.folder) return {};
        const std::string& name = entry.parts.back();
        struct stat existing {};
        const bool exists =
            ::fstatat(folder.get(), name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
        if (exists && S_ISDIR(existing.st_mode))
            return {kCannotWrite,
                    "a folder stands where a file goes: " + p::AnsiToUtf8(entry.shown)};
        if (exists && !options_.replaceExisting) {
            done_ += entry.size;
            return {};
        }
        zip_file_t* file = zip_fopen_index(za_, entry.index, 0);
        if (!file) return dataError(entry, zip_error_code_zip(zip_get_error(za_)));
        const std::string temp = "." + name + "." + std::to_string(::getpid()) + "." +
                                 std::to_string(++tempCounter_) + ".part";
        Result result = entry.link ? writeLink(entry, file, folder.get(), temp)
                                   : writeFile(entry, file, folder.get(), temp);
        zip_fclose(file);
        if (result.code == kOk &&
            ::renameat(folder.get(), temp.c_str(), folder.get(), name.c_str()) != 0)
            result = {kCannotWrite,
                      "cannot write " + p::AnsiToUtf8(entry.shown) + ": " + std::strerror(errno)};
        if (result.code != kOk) {
            ::unlinkat(folder.get(), temp.c_str(), 0);
            return result;
        }
        ++written_;
        return {};
    }

    Result dataError(const Entry& entry, int zipError) {
        // Traditional encryption checks one byte of the password only: a wrong one that
        // passes shows as damaged data.
        if (zipError == ZIP_ER_NOPASSWD || zipError == ZIP_ER_WRONGPASSWD ||
            (entry.encrypted && (zipError == ZIP_ER_CRC || zipError == ZIP_ER_ZLIB)))
            return {kPassword,
                    options_.password.empty() ? "a password is needed" : "wrong password"};
        if (zipError == ZIP_ER_ENCRNOTSUPP || zipError == ZIP_ER_COMPNOTSUPP)
            return {kCorruptEntry, "unsupported method in " + p::AnsiToUtf8(entry.shown)};
        return {kCorruptEntry, "damaged entry " + p::AnsiToUtf8(entry.shown)};
    }

    Result writeFile(const Entry& entry, zip_file_t* file, int folder, const std::string& temp) {
        Fd out(::openat(folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        0600));
        if (out.get() < 0)
            return {kCannotWrite,
                    "cannot write " + p::AnsiToUtf8(entry.shown) + ": " + std::strerror(errno)};
        buffer_.resize(kBuffer);
        zip_uint64_t left = entry.size;
        while (left > 0) {
            const zip_int64_t n =
                zip_fread(file, buffer_.data(), std::min<zip_uint64_t>(left, kBuffer));
            if (n < 0) return dataError(entry, zip_error_code_zip(zip_file_get_error(file)));
            if (n == 0)
                return {kCorruptEntry,
                        "entry shorter than declared: " + p::AnsiToUtf8(entry.shown)};
            const char* data = buffer_.data();
            for (zip_int64_t rest = n; rest > 0;) {
                const ssize_t w = ::write(out.get(), data, static_cast<size_t>(rest));
                if (w < 0 && errno == EINTR) continue;
                if (w <= 0)
                    return {kCannotWrite, "cannot write " + p::AnsiToUtf8(entry.shown) + ": " +
                                              std::strerror(errno)};
                data += w;
                rest -= w;
            }
            left -= static_cast<zip_uint64_t>(n);
            done_ += static_cast<zip_uint64_t>(n);
            if (!report(entry)) return {kCancelled, "cancelled"};
        }
        // Reading on past the declared size ends the entry and checks its check value; data
        // beyond it means the size lied, and nothing of it is written.
        char probe = 0;
        const zip_int64_t more = zip_fread(file, &probe, 1);
        if (more < 0) return dataError(entry, zip_error_code_zip(zip_file_get_error(file)));
        if (more > 0)
            return {kCorruptEntry, "entry larger than declared: " + p::AnsiToUtf8(entry.shown)};
        mode_t mode = 0666;
        if (options_.restoreModes && entry.unixMode) mode = entry.mode;
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(out.get(), mode & ~mask);
        if (options_.restoreTimes && entry.hasMtime) {
            const struct timespec times[2] = {{0, UTIME_NOW}, {entry.mtime, 0}};
            ::futimens(out.get(), times);
        }
        if (::close(out.release()) != 0)
            return {kCannotWrite, "cannot write " + p::AnsiToUtf8(entry.shown)};
        return {};
    }

    // A link entry becomes a link when it stays inside the destination.
    Result writeLink(const Entry& entry, zip_file_t* file, int folder, const std::string& temp) {
        if (entry.size > kLongestLink)
            return {kCorruptEntry, "link too long: " + p::AnsiToUtf8(entry.shown)};
        std::string target(static_cast<size_t>(entry.size), '\0');
        if (entry.size > 0 &&
            zip_fread(file, target.data(), entry.size) != static_cast<zip_int64_t>(entry.size))
            return dataError(entry, zip_error_code_zip(zip_file_get_error(file)));
        std::vector<std::string> parts(entry.parts.begin(), entry.parts.end() - 1);
        bool inside = !target.empty() && target[0] != '/' && target.find('\0') == std::string::npos;
        for (size_t start = 0; inside && start <= target.size();) {
            size_t end = target.find('/', start);
            if (end == std::string::npos) end = target.size();
            const std::string part = target.substr(start, end - start);
            if (part == "..") {
                if (parts.empty())
                    inside = false;
                else
                    parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            start = end + 1;
        }
        if (!inside)
            return {kUnsafeEntry,
                    "link out of the destination refused: " + p::AnsiToUtf8(entry.shown)};
        if (::symlinkat(target.c_str(), folder, temp.c_str()) != 0)
            return {kCannotWrite, "cannot make link " + p::AnsiToUtf8(entry.shown)};
        done_ += entry.size;
        return {};
    }

    const UnzipOptions& options_;
    const ProgressFn& progress_;
    zip_t* za_ = nullptr;
    std::vector<Entry> entries_;
    zip_uint64_t total_ = 0;
    zip_uint64_t done_ = 0;
    long long written_ = 0;
    Fd root_;
    std::string cachedPath_;
    Fd cached_;
    unsigned long tempCounter_ = 0;
    std::vector<char> buffer_;
};

} // namespace

Result Unzip(const UnzipOptions& options, const ProgressFn& progress) {
    Unpacker unpacker(options, progress);
    return unpacker.run();
}

} // namespace zipengine
