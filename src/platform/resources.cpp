// Compiled resources (.res, as windres and rc write them) carried by modules: the
// library's built-in file registered from memory, a language module's file exported as
// "TessalyResourceData".
#include <dlfcn.h>

#include <algorithm>
#include <cstring>

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/module.h"
#include "platform/module_table.h"

namespace tessaly::platform {

namespace {

template <typename T> T readAt(const BYTE* data, size_t offset) {
    T value;
    std::memcpy(&value, data + offset, sizeof value);
    return value;
}

size_t align4(size_t offset) {
    return (offset + 3) & ~size_t(3);
}

// An ordinal (0xFFFF then the number) or a zero-terminated UTF-16 string; false when it
// runs past the end.
bool readNameOrOrdinal(const BYTE* data, size_t end, size_t& offset, WORD& ordinal,
                       std::u16string& text) {
    if (offset + 2 > end) return false;
    if (readAt<WORD>(data, offset) == 0xFFFF) {
        if (offset + 4 > end) return false;
        ordinal = readAt<WORD>(data, offset + 2);
        offset += 4;
        return true;
    }
    ordinal = 0;
    for (;;) {
        if (offset + 2 > end) return false;
        const char16_t ch = readAt<char16_t>(data, offset);
        offset += 2;
        if (ch == 0) return true;
        text += ch;
    }
}

std::u16string upperAscii(std::u16string text) {
    for (auto& ch : text)
        if (ch >= u'a' && ch <= u'z') ch = static_cast<char16_t>(ch - u'a' + u'A');
    return text;
}

// The resources of a module, read on first use. Call with the module mutex held.
const std::vector<detail::ResourceEntry>* resourcesOf(HMODULE handle) {
    detail::Module* module = detail::LookupModule(handle);
    if (!module) return nullptr;
    if (!module->resourcesLooked) {
        module->resourcesLooked = true;
        if (module->dl) {
            using Entry = const unsigned char* (*)(size_t*);
            if (auto entry = reinterpret_cast<Entry>(dlsym(module->dl, "TessalyResourceData"))) {
                size_t size = 0;
                module->resData = entry(&size);
                module->resSize = module->resData ? size : 0;
            }
        }
    }
    if (!module->resourcesParsed) {
        module->resourcesParsed = true;
        module->resources = detail::ParseResourceFile(module->resData, module->resSize);
    }
    return &module->resources;
}

template <typename Match>
const void* findResource(HMODULE module, WORD type, Match matches, DWORD* size) {
    std::lock_guard lock(detail::ModuleMutex());
    const auto* resources = resourcesOf(module);
    if (!resources) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (resources->empty()) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    bool typeSeen = false;
    for (const auto& entry : *resources) {
        if (entry.type != type || !entry.typeName.empty()) continue;
        typeSeen = true;
        if (matches(entry)) {
            if (size) *size = entry.size;
            return entry.data;
        }
    }
    SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

// The entry of a string in its block of 16 (each entry a length and that many
// characters); false when the block holds no text for it.
bool stringInBlock(const detail::ResourceEntry& block, UINT index, std::u16string& text) {
    size_t offset = 0;
    for (UINT i = 0; i <= index; ++i) {
        if (offset + 2 > block.size) return false;
        const WORD length = readAt<WORD>(block.data, offset);
        offset += 2;
        if (offset + size_t(length) * 2 > block.size) return false;
        if (i == index) {
            if (length == 0) return false;
            text.resize(length);
            std::memcpy(text.data(), block.data + offset, size_t(length) * 2);
            return true;
        }
        offset += size_t(length) * 2;
    }
    return false;
}

// The UTF-16 text of a string id. A file may hold the same block in several languages;
// the first block that has the string gives it.
bool findString(HMODULE module, UINT id, std::u16string& text) {
    std::lock_guard lock(detail::ModuleMutex());
    const auto* resources = resourcesOf(module);
    if (!resources) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (id <= 0xFFFF) {
        const WORD blockName = static_cast<WORD>((id >> 4) + 1);
        for (const auto& entry : *resources) {
            if (entry.type != RT_STRING || !entry.typeName.empty() || entry.name != blockName ||
                !entry.nameText.empty())
                continue;
            if (stringInBlock(entry, id & 15, text)) return true;
        }
    }
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return false;
}

} // namespace

namespace detail {

std::vector<ResourceEntry> ParseResourceFile(const BYTE* data, size_t size) {
    std::vector<ResourceEntry> entries;
    size_t offset = 0;
    while (data && offset + 8 <= size) {
        const DWORD dataSize = readAt<DWORD>(data, offset);
        const DWORD headerSize = readAt<DWORD>(data, offset + 4);
        if (headerSize < 8 || headerSize > size - offset || dataSize > size - offset - headerSize)
            break;
        const size_t headerEnd = offset + headerSize;
        ResourceEntry entry;
        size_t at = offset + 8;
        if (!readNameOrOrdinal(data, headerEnd, at, entry.type, entry.typeName) ||
            !readNameOrOrdinal(data, headerEnd, at, entry.name, entry.nameText))
            break;
        at = align4(at);
        // DataVersion (4), MemoryFlags (2), LanguageId (2), Version (4), Characteristics (4).
        if (at + 16 > headerEnd) break;
        entry.language = readAt<WORD>(data, at + 6);
        entry.data = data + headerEnd;
        entry.size = dataSize;
        // The file starts with an empty entry of type 0.
        if (entry.type != 0 || !entry.typeName.empty()) {
            entry.typeName = upperAscii(std::move(entry.typeName));
            entry.nameText = upperAscii(std::move(entry.nameText));
            entries.push_back(std::move(entry));
        }
        offset = align4(headerEnd + dataSize);
    }
    return entries;
}

} // namespace detail

HMODULE RegisterResourceModule(const std::string& name, const void* resData, size_t resSize) {
    // The same data registered twice is the same module.
    static std::mutex registrationMutex;
    static std::vector<std::pair<const void*, HMODULE>>* registered =
        new std::vector<std::pair<const void*, HMODULE>>;
    std::lock_guard lock(registrationMutex);
    for (const auto& [data, handle] : *registered)
        if (data == resData) return handle;
    const std::string path = resData ? ModulePathOf(resData) : std::string();
    HMODULE handle = detail::AddMemoryModule(path.empty() ? name : path, resData, resSize);
    registered->emplace_back(resData, handle);
    return handle;
}

const void* FindResourceData(HMODULE module, WORD type, WORD name, DWORD* size) {
    return findResource(
        module, type,
        [name](const detail::ResourceEntry& e) { return e.nameText.empty() && e.name == name; },
        size);
}

const void* FindNamedResourceData(HMODULE module, WORD type, const char* name, DWORD* size) {
    const std::u16string wanted = upperAscii(AnsiToUtf16(name ? name : ""));
    return findResource(
        module, type,
        [&wanted](const detail::ResourceEntry& e) {
            return !e.nameText.empty() && e.nameText == wanted;
        },
        size);
}

int LoadStringA(HMODULE module, UINT id, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    buffer[0] = '\0';
    std::u16string wide;
    if (!findString(module, id, wide)) return 0;
    const std::string text = Utf16ToAnsi(wide);
    const size_t count = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<int>(count);
}

bool LoadResourceString(HMODULE module, UINT id, std::string& text) {
    std::u16string wide;
    if (!findString(module, id, wide)) return false;
    text = Utf16ToAnsi(wide);
    return true;
}

} // namespace tessaly::platform
