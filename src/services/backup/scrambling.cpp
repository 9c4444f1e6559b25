// Scrambling of data and data files with a repeating key: file to file in fixed-size chunks
// through a file beside the target, and whole files to and from memory blocks.
#include <fcntl.h>
#include <stdio.h> // renameat2
#include <sys/stat.h>
#include <sys/uio.h> // vmsplice
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <tessaly/backup.h>
#include <tessaly/foundation.h>

#include "platform/errors.h"
#include "platform/memory.h"
#include "platform/prefix.h"

namespace p = tessaly::platform;

namespace {

// The library's own key, used whenever the caller passes none. Data scrambled with it by
// this library unscramble with it; it is not a secret.
constexpr unsigned char kDefaultKey[10] = {0x5A, 0x3C, 0x96, 0xE1, 0x27,
                                           0x4B, 0xD8, 0x71, 0x0F, 0xB3};

// File to file moves this much at a time, so memory does not grow with the file. Small
// enough that the buffer and the key's pattern stay in the processor's second-level cache
// between the read, the transform and the copy into the file: with 1 MiB chunks the same
// scramble often took two to four times the processor time on this busy shared machine, with
// 256 KiB seldom. Smaller still pays for more system calls, which are dear here.
constexpr std::size_t kChunk = 256 << 10;

// The key bytes, or empty when the caller's key is unusable (a length of 0 or less).
std::vector<unsigned char> keyBytes(const unsigned char* key, int length) {
    if (!key) return {std::begin(kDefaultKey), std::end(kDefaultKey)};
    if (length <= 0) return {};
    return {key, key + length};
}

// The key repeated over a short span and one key length more, so a stretch of the data
// starting at any phase of the key is exclusive-ored with one straight run of it.
class KeyStream {
  public:
    explicit KeyStream(const std::vector<unsigned char>& key) : length_(key.size()) {
        pattern_.resize(kSpan + length_);
        for (std::size_t i = 0; i < pattern_.size(); ++i)
            pattern_[i] = key[i % length_];
    }
    // Transforms count bytes that sit at offset of the whole data.
    void apply(unsigned char* data, std::size_t count, unsigned long long offset) const {
        while (count > 0) {
            const std::size_t step = count < kSpan ? count : kSpan;
            const unsigned char* run = pattern_.data() + offset % length_;
            std::size_t i = 0;
            for (; i + 16 <= step; i += 16) { // 16 bytes a round, vectorised at -O2 too
                std::uint64_t word[2], with[2];
                std::memcpy(word, data + i, 16);
                std::memcpy(with, run + i, 16);
                word[0] ^= with[0];
                word[1] ^= with[1];
                std::memcpy(data + i, word, 16);
            }
            for (; i < step; ++i)
                data[i] ^= run[i];
            data += step;
            count -= step;
            offset += step;
        }
    }

  private:
    static constexpr std::size_t kSpan = 64 << 10;
    std::size_t length_;
    std::vector<unsigned char> pattern_;
};

bool readAll(const std::string& path, std::vector<unsigned char>& bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    bytes.clear();
    if (ok) bytes.reserve(static_cast<std::size_t>(st.st_size));
    unsigned char buffer[65536];
    while (ok) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    ::close(fd);
    return ok;
}

bool writeAll(int fd, const unsigned char* data, std::size_t count) {
    while (count > 0) {
        const ssize_t n = ::write(fd, data, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

// Writes the scrambled chunks through a pipe: vmsplice lends the pipe the buffer's pages and
// splice copies them into the file inside the kernel. A plain write copies from user memory,
// which here often took three to four times the processor time of the whole scramble (with
// 256 KiB chunks as with 1 MiB). Where the file takes no splice, plain writes.
class ChunkWriter {
  public:
    ChunkWriter() {
        if (::pipe2(pipe_, O_CLOEXEC) != 0) return;
        ::fcntl(pipe_[1], F_SETPIPE_SZ, static_cast<int>(kChunk)); // fewer rounds when granted
        spliced_ = true;
    }
    ~ChunkWriter() { closePipe(); }
    ChunkWriter(const ChunkWriter&) = delete;
    ChunkWriter& operator=(const ChunkWriter&) = delete;

    // The buffer is the caller's again when this returns: the pipe holds none of it.
    bool write(int out, const unsigned char* data, std::size_t count) {
        while (spliced_ && count > 0) {
            iovec lent{const_cast<unsigned char*>(data), count};
            const ssize_t given = ::vmsplice(pipe_[1], &lent, 1, 0);
            if (given < 0 && errno == EINTR) continue;
            if (given <= 0) return fallBack(out, data, count); // the pipe is empty here
            for (ssize_t left = given; left > 0;) {
                const ssize_t moved =
                    ::splice(pipe_[0], nullptr, out, nullptr, static_cast<std::size_t>(left), 0);
                if (moved < 0 && errno == EINTR) continue;
                // Nothing reached the file yet: this file takes no splice.
                if (moved < 0 && written_ == 0 && left == given) return fallBack(out, data, count);
                if (moved <= 0) return false;
                left -= moved;
                written_ += static_cast<unsigned long long>(moved);
            }
            data += given;
            count -= static_cast<std::size_t>(given);
        }
        return spliced_ || writeAll(out, data, count);
    }

  private:
    bool fallBack(int out, const unsigned char* data, std::size_t count) {
        closePipe(); // drops what the pipe was lent; the bytes are still in data
        return writeAll(out, data, count);
    }
    void closePipe() {
        if (!spliced_) return;
        ::close(pipe_[0]);
        ::close(pipe_[1]);
        spliced_ = false;
    }

    int pipe_[2] = {-1, -1};
    bool spliced_ = false;
    unsigned long long written_ = 0;
};

// Puts the finished file in the target's place in one step. An existing target is swapped
// with it and the old content (now under the temporary name) removed: ext4 flushes a file
// renamed over another at once (its auto_da_alloc rule), which would make every scramble wait
// for the disk; the swap is as atomic and leaves the writing to the system. Elsewhere, or with
// no target yet, a plain rename.
bool replaceWith(const std::string& temp, const std::string& target) {
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
        ::unlink(temp.c_str());
        return true;
    }
    return ::rename(temp.c_str(), target.c_str()) == 0;
}

// The earlier target's cached pages are let go before the new content is written (its data
// stay on disk until the swap), so the new file reuses them: on this virtual machine, memory
// the system has not touched lately costs several times more processor time to fill (a
// replaced 1 GiB target: 1.9-3.0 s of system time, 0.45-0.95 s with its pages let go), and
// cp, truncating its target first, reuses pages the same way. Only a target older than the
// system's 30 s dirty-data expiry: a younger one may hold unwritten pages, which this would
// only send to the disk.
void dropCachedPages(const std::string& path, const struct stat& target) {
    if (::time(nullptr) - target.st_mtime < 30) return;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

// Streams source through the key into a file beside target, then puts it in target's place.
bool scrambleFile(const std::string& source, const std::string& target,
                  const std::vector<unsigned char>& key) {
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return false;
    }
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp = folder + "." + name + ".XXXXXX";
    const int out = ::mkostemp(temp.data(), O_CLOEXEC);
    if (out < 0) {
        ::close(in);
        return false;
    }
    // The result takes the mode the target had, or a new file's.
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        ::fchmod(out, old.st_mode & 07777);
        if (old.st_dev != st.st_dev || old.st_ino != st.st_ino) dropCachedPages(target, old);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(out, 0666 & ~mask);
    }
    const KeyStream stream(key);
    std::vector<unsigned char> buffer(kChunk);
    ChunkWriter writer;
    unsigned long long offset = 0;
    bool ok = true;
    ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
    while (ok) {
        std::size_t filled = 0;
        while (filled < kChunk) {
            const ssize_t n = ::read(in, buffer.data() + filled, kChunk - filled);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) ok = false;
            if (n <= 0) break;
            filled += static_cast<std::size_t>(n);
        }
        if (!ok || filled == 0) break;
        stream.apply(buffer.data(), filled, offset);
        ok = writer.write(out, buffer.data(), filled);
        offset += filled;
        if (filled < kChunk) break;
    }
    ::close(in);
    if (::close(out) != 0) ok = false;
    if (ok && !replaceWith(temp, target)) ok = false;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

} // namespace

int EnDecryptDataFile(const char* source, char* target, unsigned char* key, int keyLength) {
    const std::vector<unsigned char> bytes = keyBytes(key, keyLength);
    if (bytes.empty() || !source || !target || !*source || !*target) return 0;
    const std::string from = p::ToPosixPath(source);
    const std::string to = p::ToPosixPath(target);
    if (from.empty() || to.empty()) return 0;
    return scrambleFile(from, to, bytes) ? 1 : 0;
}

int EnDecryptData(const char* path, unsigned char** data, unsigned int& size, int fromFile,
                  unsigned char* key, int keyLength) {
    const std::vector<unsigned char> bytes = keyBytes(key, keyLength);
    if (bytes.empty() || !path || !*path || !data) return 0;
    if (fromFile) {
        const std::string from = p::ToPosixPath(path);
        std::vector<unsigned char> content;
        if (from.empty() || !readAll(from, content)) return 0;
        if (content.size() > 0xFFFFFFFFu) return 0;
        KeyStream(bytes).apply(content.data(), content.size(), 0);
        // A fixed block: its handle is its address. An empty file still gets a block.
        auto* block =
            static_cast<unsigned char*>(p::GlobalAlloc(0, content.size() + !content.size()));
        if (!block) return 0;
        if (!content.empty()) std::memcpy(block, content.data(), content.size());
        *data = block;
        size = static_cast<unsigned int>(content.size());
        return 1;
    }
    if (!*data && size > 0) return 0;
    CByteArray array;
    array.SetSize(static_cast<int>(size));
    if (size > 0) std::memcpy(array.GetData(), *data, size);
    KeyStream(bytes).apply(array.GetData(), size, 0);
    return WriteBinFileEx(path, array);
}
