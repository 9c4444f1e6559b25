// The log writers: the caller's line appended to the caller's file.
#include <tessaly/foundation.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "platform/prefix.h"

namespace {

bool writeAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Opens the file as the framework's text file in the modes create, do-not-truncate and
// write: a missing file is created, an existing one kept; the line goes at the end with a
// line break. Text mode writes every line feed as CR LF, the caller's own included.
bool appendLine(const char* path, const char* line) {
    if (!path || !*path) return false;
    const std::string posix = tessaly::platform::ToPosixPath(path);
    if (posix.empty()) return false;
    const int fd = open(posix.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    std::string data;
    for (const char* c = line ? line : ""; *c; ++c) {
        if (*c == '\n') data += '\r';
        data += *c;
    }
    data += "\r\n";
    const bool written = lseek(fd, 0, SEEK_END) >= 0 && writeAll(fd, data);
    close(fd);
    return written;
}

} // namespace

void WriteLogFile(const char* path, const char* line, int enabled) {
    if (enabled) appendLine(path, line);
}

int WriteToLog(const char* path, const char* line) {
    return appendLine(path, line) ? 1 : 0;
}
