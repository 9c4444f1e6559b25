#include "platform/version_info.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/module.h"
#include "platform/prefix.h"

namespace tessaly::platform {

namespace {

constexpr WORD kVersionInfoName = 1; // VS_VERSION_INFO
// Behind the resource copy: a marker and the size of the area for ANSI texts.
constexpr char kAnsiMarker[4] = {'T', 'V', 'A', '1'};

std::uint16_t read16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t read32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
size_t align4(size_t n) {
    return (n + 3) & ~static_cast<size_t>(3);
}

// ---- The PE/COFF resource section ----

// A file read piece by piece, every read checked against the file's end.
class FileReader {
  public:
    explicit FileReader(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        struct stat st {};
        if (fd_ >= 0 && fstat(fd_, &st) == 0 && S_ISREG(st.st_mode))
            size_ = static_cast<size_t>(st.st_size);
    }
    ~FileReader() {
        if (fd_ >= 0) close(fd_);
    }
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool ok() const { return fd_ >= 0; }
    bool Read(size_t offset, size_t count, void* out) const {
        if (fd_ < 0 || offset > size_ || count > size_ - offset) return false;
        auto* bytes = static_cast<char*>(out);
        while (count > 0) {
            ssize_t got = pread(fd_, bytes, count, static_cast<off_t>(offset));
            if (got <= 0) return false;
            bytes += got;
            offset += static_cast<size_t>(got);
            count -= static_cast<size_t>(got);
        }
        return true;
    }

  private:
    int fd_;
    size_t size_ = 0;
};

struct Section {
    std::uint32_t virtualAddress, virtualSize, rawSize, rawOffset;
};

class PeImage {
  public:
    explicit PeImage(const FileReader& file) : file_(file) {}

    // Reads the headers; false when the file is no PE image.
    bool Open() {
        unsigned char dos[64];
        if (!file_.Read(0, sizeof dos, dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
        std::uint32_t pe = read32(dos + 0x3C);
        unsigned char coff[24];
        if (!file_.Read(pe, sizeof coff, coff) || std::memcmp(coff, "PE\0\0", 4) != 0) return false;
        std::uint16_t sections = read16(coff + 6);
        std::uint16_t optionalSize = read16(coff + 20);
        size_t optional = pe + 24;
        std::vector<unsigned char> header(optionalSize);
        if (optionalSize < 2 || !file_.Read(optional, optionalSize, header.data())) return false;
        std::uint16_t magic = read16(header.data());
        size_t countAt = magic == 0x20B ? 108 : magic == 0x10B ? 92 : 0;
        if (!countAt || optionalSize < countAt + 4) return false;
        std::uint32_t directories = read32(header.data() + countAt);
        const size_t resourceAt = countAt + 4 + 2 * 8; // the third directory: resources
        if (directories < 3 || optionalSize < resourceAt + 8) return false;
        resourceRva_ = read32(header.data() + resourceAt);
        size_t table = optional + optionalSize;
        for (std::uint16_t i = 0; i < sections; ++i) {
            unsigned char entry[40];
            if (!file_.Read(table + i * 40u, sizeof entry, entry)) return false;
            sections_.push_back(
                {read32(entry + 12), read32(entry + 8), read32(entry + 16), read32(entry + 20)});
        }
        return true;
    }

    // The first resource of that type and name, in any language.
    std::optional<std::vector<unsigned char>> Resource(WORD type, WORD name) const {
        if (!resourceRva_) return std::nullopt;
        std::optional<std::uint32_t> base = Offset(resourceRva_);
        if (!base) return std::nullopt;
        std::uint32_t level = 0;
        std::optional<std::uint32_t> entry = Entry(*base, level, type, true);
        if (!entry || !(*entry & 0x80000000u)) return std::nullopt;
        entry = Entry(*base, *entry & 0x7FFFFFFFu, name, true);
        if (!entry || !(*entry & 0x80000000u)) return std::nullopt;
        entry = Entry(*base, *entry & 0x7FFFFFFFu, 0, false); // any language
        if (!entry || (*entry & 0x80000000u)) return std::nullopt;
        unsigned char data[16];
        if (!file_.Read(*base + static_cast<size_t>(*entry), sizeof data, data))
            return std::nullopt;
        std::uint32_t rva = read32(data), size = read32(data + 4);
        std::optional<std::uint32_t> at = Offset(rva);
        if (!at || size == 0 || size > (64u << 20)) return std::nullopt;
        std::vector<unsigned char> bytes(size);
        if (!file_.Read(*at, size, bytes.data())) return std::nullopt;
        return bytes;
    }

  private:
    // The file offset of a virtual address.
    std::optional<std::uint32_t> Offset(std::uint32_t rva) const {
        for (const Section& s : sections_) {
            std::uint32_t span = std::max(s.virtualSize, s.rawSize);
            if (rva >= s.virtualAddress && rva - s.virtualAddress < span &&
                rva - s.virtualAddress < s.rawSize)
                return s.rawOffset + (rva - s.virtualAddress);
        }
        return std::nullopt;
    }

    // In the directory at base + directory: the entry with that numeric id (or the first
    // entry when byId is false); its OffsetToData field.
    std::optional<std::uint32_t> Entry(std::uint32_t base, std::uint32_t directory, WORD id,
                                       bool byId) const {
        unsigned char head[16];
        if (!file_.Read(static_cast<size_t>(base) + directory, sizeof head, head))
            return std::nullopt;
        unsigned count = read16(head + 12) + read16(head + 14);
        for (unsigned i = 0; i < count; ++i) {
            unsigned char entry[8];
            if (!file_.Read(static_cast<size_t>(base) + directory + 16 + i * 8u, 8, entry))
                return std::nullopt;
            std::uint32_t nameField = read32(entry);
            if (!byId) return read32(entry + 4);
            if (!(nameField & 0x80000000u) && (nameField & 0xFFFF) == id) return read32(entry + 4);
        }
        return std::nullopt;
    }

    const FileReader& file_;
    std::uint32_t resourceRva_ = 0;
    std::vector<Section> sections_;
};

std::string posixPathOf(const std::string& file) {
    if (file.find('\\') != std::string::npos ||
        (file.size() >= 2 && file[1] == ':' && std::isalpha(static_cast<unsigned char>(file[0]))))
        return ToPosixPath(file);
    return file;
}

// The raw version resource of a file; false with the last error set when there is none.
bool readVersionResource(const char* file, std::vector<unsigned char>& resource) {
    if (!file || !*file) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::string posix = posixPathOf(file);
    {
        FileReader reader(posix);
        PeImage image(reader);
        if (reader.ok() && image.Open()) {
            auto bytes = image.Resource(RT_VERSION, kVersionInfoName);
            if (!bytes) {
                SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
                return false;
            }
            resource = std::move(*bytes);
            return true;
        }
    }
    // A module of ours with its compiled resource file.
    HMODULE module =
        LoadLibraryExA(posix.empty() ? file : posix.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
        if (GetLastError() == 0) SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    DWORD size = 0;
    const void* data = FindResourceData(module, RT_VERSION, kVersionInfoName, &size);
    if (data && size > 0)
        resource.assign(static_cast<const unsigned char*>(data),
                        static_cast<const unsigned char*>(data) + size);
    FreeLibrary(module);
    if (resource.empty()) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return false;
    }
    return true;
}

// ---- The VS_VERSIONINFO tree ----

struct Node {
    size_t start = 0; // offset of the node in the block
    size_t end = 0;   // start + wLength
    std::u16string key;
    size_t value = 0;      // offset of the value
    size_t valueBytes = 0; // its size in bytes
    bool text = false;     // wType 1
    size_t children = 0;   // offset of the first child
};

// Parses the node at offset within [0, limit); false when it does not fit.
bool parseNode(const unsigned char* block, size_t offset, size_t limit, Node& node) {
    if (offset + 6 > limit) return false;
    size_t length = read16(block + offset);
    size_t valueLength = read16(block + offset + 2);
    node.text = read16(block + offset + 4) == 1;
    if (length < 6 || offset + length > limit) return false;
    node.start = offset;
    node.end = offset + length;
    node.key.clear();
    size_t p = offset + 6;
    for (;; p += 2) {
        if (p + 2 > node.end) return false;
        char16_t ch = read16(block + p);
        if (!ch) break;
        node.key += ch;
    }
    p = align4(p + 2);
    node.value = std::min(p, node.end);
    node.valueBytes = node.text ? valueLength * 2 : valueLength;
    if (node.value + node.valueBytes > node.end) node.valueBytes = node.end - node.value;
    node.children = std::min(align4(node.value + node.valueBytes), node.end);
    return true;
}

bool keyEquals(const std::u16string& key, const std::string& name) {
    if (key.size() != name.size()) return false;
    for (size_t i = 0; i < key.size(); ++i) {
        char16_t a = key[i];
        unsigned char b = static_cast<unsigned char>(name[i]);
        if (a > 0x7F) return false;
        if (std::tolower(static_cast<int>(a)) != std::tolower(b)) return false;
    }
    return true;
}

// The size of the resource at the start of a block, from its root node.
size_t resourceSize(const unsigned char* block) {
    return read16(block);
}

} // namespace

DWORD GetFileVersionInfoSizeA(const char* file, DWORD* handle) {
    if (handle) *handle = 0;
    std::vector<unsigned char> resource;
    if (!readVersionResource(file, resource)) return 0;
    // The resource, the marker and room for every text converted to the ANSI code page.
    return static_cast<DWORD>(align4(resource.size()) + 8 + 2 * resource.size() + 4);
}

BOOL GetFileVersionInfoA(const char* file, DWORD, DWORD size, void* data) {
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<unsigned char> resource;
    if (!readVersionResource(file, resource)) return FALSE;
    // The root node's length covers at least its own header and lies within the resource.
    if (resource.size() < 6 || read16(resource.data()) < 6 ||
        read16(resource.data()) > resource.size()) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    // The whole size GetFileVersionInfoSizeA named is needed: a shorter copy would leave
    // VerQueryValueA no room for its texts and nothing to tell it so.
    if (size < align4(resource.size()) + 8 + 2 * resource.size() + 4) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    // The texts' area follows the block proper (its root's length), where VerQueryValueA
    // looks for it; padding after the block in the resource is not copied.
    const size_t used = resourceSize(resource.data());
    size_t marker = align4(used);
    size_t area = 2 * used + 4;
    auto* out = static_cast<unsigned char*>(data);
    std::memcpy(out, resource.data(), used);
    std::memset(out + used, 0, marker - used);
    std::memcpy(out + marker, kAnsiMarker, 4);
    std::uint32_t areaSize = static_cast<std::uint32_t>(area);
    std::memcpy(out + marker + 4, &areaSize, 4);
    return TRUE;
}

BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer, UINT* length) {
    if (!block || !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* bytes = static_cast<unsigned char*>(const_cast<void*>(block));
    size_t limit = resourceSize(bytes);
    Node node;
    if (!parseNode(bytes, 0, limit, node)) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }

    // Walk the path one name at a time through the children of each node.
    std::string path = subBlock ? subBlock : "";
    size_t at = 0;
    while (at < path.size()) {
        while (at < path.size() && path[at] == '\\')
            ++at;
        if (at >= path.size()) break;
        size_t next = path.find('\\', at);
        std::string name =
            path.substr(at, next == std::string::npos ? std::string::npos : next - at);
        at = next == std::string::npos ? path.size() : next;
        bool found = false;
        for (size_t child = node.children; child < node.end;) {
            Node candidate;
            if (!parseNode(bytes, child, node.end, candidate)) break;
            if (keyEquals(candidate.key, name)) {
                node = candidate;
                found = true;
                break;
            }
            child = align4(candidate.end);
        }
        if (!found) {
            SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
            return FALSE;
        }
    }
    if (node.valueBytes == 0) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    if (!node.text) {
        *buffer = bytes + node.value;
        if (length) *length = static_cast<UINT>(node.valueBytes);
        return TRUE;
    }

    // A text: converted into the area behind the resource, at a place of its own.
    size_t marker = align4(limit);
    std::uint32_t area = 0;
    if (std::memcmp(bytes + marker, kAnsiMarker, 4) != 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(&area, bytes + marker + 4, 4);
    std::u16string wide;
    for (size_t p = node.value; p + 2 <= node.value + node.valueBytes; p += 2) {
        char16_t ch = read16(bytes + p);
        if (!ch) break;
        wide += ch;
    }
    std::string ansi = Utf16ToAnsi(wide);
    size_t place = 2 * node.value; // values never overlap, so neither do their places
    if (place + ansi.size() + 1 > area) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    char* target = reinterpret_cast<char*>(bytes + marker + 8 + place);
    std::memcpy(target, ansi.c_str(), ansi.size() + 1);
    *buffer = target;
    if (length) *length = static_cast<UINT>(ansi.size() + 1);
    return TRUE;
}

} // namespace tessaly::platform
