// The INI profile reader and writer on a profile file made from the input: listings and
// values stay within the caller's buffer and are cut consistently, and a value written is
// read back (and gone once deleted).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/prefix.h"
#include "platform/shell.h"

namespace p = tessaly::platform;

namespace {

const char kFile[] = "fuzz.ini"; // in the Windows folder of the private prefix
std::string posixFile;

std::string trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A read into a buffer of exactly size bytes: the result and its zero lie within it.
std::string readInto(const char* section, const char* key, const char* fallback, DWORD size,
                     DWORD& count) {
    std::vector<char> buffer(size, '\x7f');
    count = p::GetPrivateProfileStringA(section, key, fallback, buffer.data(), size, kFile);
    if (size == 0) {
        FUZZ_CHECK(count == 0);
        return {};
    }
    FUZZ_CHECK(count < size);
    FUZZ_CHECK(buffer[count] == '\0');
    return std::string(buffer.data(), count);
}

// A listing or value cut short by a small buffer is the start of the whole one; one with
// room to spare is whole (a listing needs its final zero and one more byte).
void checkCut(const char* section, const char* key, const char* fallback, DWORD size) {
    DWORD whole = 0, cut = 0;
    const std::string full = readInto(section, key, fallback, 1 << 16, whole);
    const std::string part = readInto(section, key, fallback, size, cut);
    FUZZ_CHECK(full.compare(0, part.size(), part) == 0);
    if (whole + (section && key ? 1 : 2) < size) FUZZ_CHECK(part == full);
}

// Names and values a line can hold as written: no line break, a section name without "]",
// a key without "=" that does not read as a comment or a section.
bool writable(const std::string& section, const std::string& key, const std::string& value) {
    const std::string k = trim(key), s = trim(section);
    return !s.empty() && !k.empty() && s.find_first_of("]\r\n") == std::string::npos &&
           k.find_first_of("=\r\n") == std::string::npos && k[0] != ';' && k[0] != '[' &&
           value.find_first_of("\r\n") == std::string::npos;
}

std::string unquote(const std::string& value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

void tessaly::fuzz::setUp() {
    p::EnsurePrefix();
    char windows[260] = {};
    const UINT length = p::GetWindowsDirectoryA(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows) std::abort();
    posixFile = p::ToPosixPath(std::string(windows) + "\\" + kFile);
    if (posixFile.empty()) std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    // The file's text, then the section, key, value and default, and a buffer size.
    std::vector<std::string> parts = tessaly::fuzz::splitInput(data, size, '\0');
    parts.resize(std::max<size_t>(parts.size(), 6));
    const std::string& section = parts[1];
    const std::string& key = parts[2];
    const std::string& value = parts[3];
    const std::string& fallback = parts[4];
    const DWORD small = parts[5].empty() ? 0 : static_cast<unsigned char>(parts[5][0]) % 40;
    {
        std::ofstream out(posixFile, std::ios::binary | std::ios::trunc);
        out << parts[0];
    }

    checkCut(nullptr, nullptr, nullptr, small);
    checkCut(section.c_str(), nullptr, nullptr, small);
    checkCut(section.c_str(), key.c_str(), fallback.c_str(), small);

    if (writable(section, key, value)) {
        FUZZ_CHECK(
            p::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), kFile));
        DWORD count = 0;
        FUZZ_CHECK(readInto(section.c_str(), key.c_str(), "", 1 << 16, count) ==
                   unquote(trim(value)));
        FUZZ_CHECK(p::WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, kFile));
        const std::string marker = "\x01 absent";
        FUZZ_CHECK(readInto(section.c_str(), key.c_str(), marker.c_str(), 1 << 16, count) ==
                   marker);
        // Deleting the section leaves none of its keys.
        FUZZ_CHECK(p::WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, kFile));
        FUZZ_CHECK(readInto(section.c_str(), nullptr, nullptr, 1 << 16, count).empty());
    }
    return 0;
}
