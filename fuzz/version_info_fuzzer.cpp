// Version resources of files: the PE resource section reader and the version block walker.
// The input is a whole file, or (first byte odd) a version resource that the harness puts
// into a minimal PE image together with a query path. The size asked for is enough, a
// buffer one short is refused, every value found lies within the block, and texts do not
// overwrite one another.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/errors.h"
#include "platform/version_info.h"

namespace p = tessaly::platform;

namespace {

std::string file;

void put16(std::vector<std::uint8_t>& out, size_t at, std::uint16_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::vector<std::uint8_t>& out, size_t at, std::uint32_t v) {
    put16(out, at, static_cast<std::uint16_t>(v));
    put16(out, at + 2, static_cast<std::uint16_t>(v >> 16));
}

// A 64-bit PE image with one section holding a resource tree: version resource 1, one
// language, the given bytes.
std::vector<std::uint8_t> peWith(const std::uint8_t* resource, size_t size) {
    constexpr size_t pe = 64, optional = pe + 24, optionalSize = 240,
                     sectionTable = optional + optionalSize, raw = 0x200, data = 88;
    constexpr std::uint32_t rva = 0x1000;
    std::vector<std::uint8_t> out(raw + data + size, 0);
    out[0] = 'M';
    out[1] = 'Z';
    put32(out, 0x3C, pe);
    std::memcpy(&out[pe], "PE\0\0", 4);
    put16(out, pe + 4, 0x8664);
    put16(out, pe + 6, 1); // one section
    put16(out, pe + 20, optionalSize);
    put16(out, optional, 0x20B);
    put32(out, optional + 108, 16);  // data directories
    put32(out, optional + 128, rva); // the resource directory
    put32(out, optional + 132, static_cast<std::uint32_t>(data + size));
    std::memcpy(&out[sectionTable], ".rsrc", 5);
    put32(out, sectionTable + 8, static_cast<std::uint32_t>(data + size));
    put32(out, sectionTable + 12, rva);
    put32(out, sectionTable + 16, static_cast<std::uint32_t>(data + size));
    put32(out, sectionTable + 20, raw);
    // Type, name and language directories, each with one entry, then the data entry.
    const std::uint32_t ids[] = {16, 1, 0x409};
    for (std::uint32_t level = 0; level < 3; ++level) {
        const size_t dir = raw + 24 * level;
        put16(out, dir + 14, 1);
        put32(out, dir + 16, ids[level]);
        put32(out, dir + 20, level < 2 ? (0x80000000u | 24 * (level + 1)) : 72);
    }
    put32(out, raw + 72, rva + data);
    put32(out, raw + 76, static_cast<std::uint32_t>(size));
    if (size) std::memcpy(&out[raw + data], resource, size);
    return out;
}

bool within(const void* value, UINT length, const std::vector<std::uint8_t>& block) {
    const auto* at = static_cast<const std::uint8_t*>(value);
    return at >= block.data() && at <= block.data() + block.size() &&
           length <= size_t(block.data() + block.size() - at);
}

// A query that succeeds gives a value within the block.
bool query(const std::vector<std::uint8_t>& block, const std::string& path, std::string& value,
           const void** where = nullptr) {
    void* found = nullptr;
    UINT length = 0;
    if (!p::VerQueryValueA(block.data(), path.c_str(), &found, &length)) return false;
    FUZZ_CHECK(within(found, length, block));
    value.assign(static_cast<const char*>(found), length);
    if (where) *where = found;
    return true;
}

// Writes the file, reads its version block and queries it; the values found, in the
// order of the paths (empty where the query fails), or nothing when the file has no block.
std::vector<std::string> readFile(const std::vector<std::uint8_t>& bytes,
                                  const std::string& asked) {
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    }
    DWORD handle = 1;
    const DWORD needed = p::GetFileVersionInfoSizeA(file.c_str(), &handle);
    FUZZ_CHECK(handle == 0);
    if (needed == 0) return {};
    if (needed > 1) {
        std::vector<std::uint8_t> shorter(needed - 1);
        FUZZ_CHECK(!p::GetFileVersionInfoA(file.c_str(), 0, needed - 1, shorter.data()));
    }
    std::vector<std::uint8_t> block(needed);
    if (!p::GetFileVersionInfoA(file.c_str(), 0, needed, block.data())) return {};

    std::string translations;
    std::vector<std::string> found(2);
    query(block, "\\", found[0]);
    query(block, "\\VarFileInfo\\Translation", found[1]);
    translations = found[1];

    // Texts: each keeps its place while others are converted.
    std::vector<std::string> paths = {asked, "\\StringFileInfo\\040904b0\\FileVersion",
                                      "\\StringFileInfo\\040904E4\\CompanyName"};
    for (size_t i = 0; i + 4 <= translations.size() && i < 16; i += 4) {
        std::uint16_t language, codePage;
        std::memcpy(&language, translations.data() + i, 2);
        std::memcpy(&codePage, translations.data() + i + 2, 2);
        char table[16];
        std::snprintf(table, sizeof table, "%04x%04x", language, codePage);
        paths.push_back(std::string("\\StringFileInfo\\") + table + "\\ProductVersion");
    }
    std::vector<std::pair<const void*, std::string>> values;
    for (const std::string& path : paths) {
        std::string value;
        const void* where = nullptr;
        if (query(block, path, value, &where)) values.emplace_back(where, value);
        found.push_back(value);
    }
    for (const auto& [where, value] : values)
        FUZZ_CHECK(std::memcmp(where, value.data(), value.size()) == 0);
    return found;
}

} // namespace

void tessaly::fuzz::setUp() {
    file = tessaly::fuzz::usePrivatePrefix() + "/fuzz.dll";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 1) return 0;
    if (!(data[0] & 1)) {
        readFile(std::vector<std::uint8_t>(data + 1, data + size),
                 "\\StringFileInfo\\040904b0\\ProductName");
        return 0;
    }
    const auto* end = static_cast<const std::uint8_t*>(std::memchr(data + 1, 0, size - 1));
    const size_t pathEnd = end ? static_cast<size_t>(end - data) : size;
    const std::string asked(reinterpret_cast<const char*>(data + 1), pathEnd - 1);
    const size_t start = pathEnd < size ? pathEnd + 1 : size;
    const std::vector<std::string> found = readFile(peWith(data + start, size - start), asked);
    // Padding after the version block, as a resource's size may carry, changes no value.
    std::vector<std::uint8_t> padded(data + start, data + size);
    padded.resize(padded.size() + 4, 0);
    if (!found.empty()) FUZZ_CHECK(readFile(peWith(padded.data(), padded.size()), asked) == found);
    return 0;
}
