// The compiled resource file reader (.res) and what is read through it: string tables,
// dialogs and resources by number or name. Every entry lies within the file, a string comes
// back the same whatever the caller's buffer, and the first entry of a type and name is
// the one found.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/codepage.h"
#include "platform/dialog_template.h"
#include "platform/module.h"
#include "platform/module_table.h"

namespace p = tessaly::platform;
namespace d = tessaly::platform::detail;

namespace {

// One module registered from memory whose resource data each input replaces: the module
// table has no way to drop a registered module, and one per input would pile up.
HMODULE module = nullptr;

void useData(const std::uint8_t* data, size_t size) {
    std::lock_guard lock(d::ModuleMutex());
    d::Module* m = d::LookupModule(module);
    FUZZ_CHECK(m != nullptr);
    m->resData = data;
    m->resSize = size;
    m->resourcesParsed = false;
    m->resources.clear();
}

bool within(const void* inner, size_t innerSize, const std::uint8_t* data, size_t size) {
    const auto* at = static_cast<const std::uint8_t*>(inner);
    return at >= data && at <= data + size && innerSize <= size_t(data + size - at);
}

void checkString(UINT id, std::uint8_t room) {
    std::string text;
    const bool found = p::LoadResourceString(module, id, text);
    const int size = room % 64;
    std::vector<char> buffer(static_cast<size_t>(size) + 1, '\x7f');
    const int count = p::LoadStringA(module, id, buffer.data(), size);
    if (size <= 0) {
        FUZZ_CHECK(count == 0);
        return;
    }
    FUZZ_CHECK(count >= 0 && count < size && buffer[static_cast<size_t>(count)] == '\0');
    FUZZ_CHECK(buffer[static_cast<size_t>(size)] == '\x7f'); // nothing past the size given
    if (!found) {
        FUZZ_CHECK(count == 0);
        return;
    }
    FUZZ_CHECK(text.compare(0, static_cast<size_t>(count), buffer.data(), count) == 0);
    if (text.size() < static_cast<size_t>(size))
        FUZZ_CHECK(static_cast<size_t>(count) == text.size());
}

} // namespace

void tessaly::fuzz::setUp() {
    static const std::uint8_t empty[1] = {};
    module = p::RegisterResourceModule("fuzz.res", empty, 0);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::vector<d::ResourceEntry> entries = d::ParseResourceFile(data, size);
    for (const d::ResourceEntry& e : entries) {
        FUZZ_CHECK(within(e.data, e.size, data, size));
        FUZZ_CHECK(e.type != 0 || !e.typeName.empty());
        // Names are kept upper-cased.
        for (char16_t c : e.typeName + e.nameText)
            FUZZ_CHECK(!(c >= u'a' && c <= u'z'));
    }

    useData(data, size);
    for (const d::ResourceEntry& e : entries) {
        if (!e.typeName.empty()) continue;
        DWORD found = 0;
        const void* at = nullptr;
        if (e.nameText.empty()) {
            at = p::FindResourceData(module, e.type, e.name, &found);
        } else {
            const std::string name = p::Utf16ToAnsi(e.nameText);
            if (name.find('\0') != std::string::npos || p::AnsiToUtf16(name) != e.nameText)
                continue;
            at = p::FindNamedResourceData(module, e.type, name.c_str(), &found);
        }
        FUZZ_CHECK(at != nullptr && within(at, found, data, size));
        // The first entry of the same type and name is the one found.
        for (const d::ResourceEntry& first : entries) {
            if (first.type == e.type && first.typeName.empty() && first.name == e.name &&
                first.nameText == e.nameText) {
                FUZZ_CHECK(at == first.data && found == first.size);
                break;
            }
        }
        if (e.type == p::RT_STRING && e.nameText.empty() && e.name > 0) {
            // The sixteen strings of the block, and one id of every other block.
            const UINT firstId = (static_cast<UINT>(e.name) - 1) * 16;
            for (UINT i = 0; i < 16; ++i)
                checkString(firstId + i, static_cast<std::uint8_t>(size + i));
        }
        if (e.type == p::RT_DIALOG && e.nameText.empty()) {
            p::DialogTemplate dialog;
            p::LoadDialogTemplate(module, e.name, dialog);
        }
    }
    checkString(0x10000, 7); // beyond the ids a string table can hold
    useData(nullptr, 0);
    return 0;
}
