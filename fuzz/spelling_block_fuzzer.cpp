// The spelling engine's block walk over the caller's buffer. Input: one byte of option bits,
// one byte of spare room (its top bit: automatic correction), then the text and replacement
// words separated by zero bytes. The walk replaces each reported word with the next
// replacement (when one is left) and moves on. The walk ends; nothing is written past the
// buffer's size; the text stays NUL-terminated within the size; the cursor stays within the
// text; each reported word is the text at the cursor (its first 63 bytes when flagged too
// long); a refused replacement changes nothing.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <tessaly/spelling_engine.h>

#include "fuzz_support.h"
#include "platform/module.h"

namespace {

template <typename F> F entry(const char* name) {
    static HMODULE module = tessaly::platform::LoadLibraryA("SSCE5232.dll");
    if (!module) std::abort();
    return reinterpret_cast<F>(tessaly::platform::GetProcAddress(module, name));
}
#define ENGINE(name) entry<decltype(&::name)>(#name)

constexpr char kCanary = '\x5A';

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // Options persist in the registry: written only when they change, which keeps runs fast.
    static int options = -1;
    const int wanted = data[0] | ((data[1] & 0x80) ? SSCE_AUTO_CORRECT_OPT : 0);
    if (wanted != options) ENGINE(SSCE_SetOptions)(options = wanted);
    const size_t spare = data[1] % 64 + 1;
    std::vector<std::string> parts = tessaly::fuzz::splitInput(data + 2, size - 2, '\0');
    const std::string text = parts[0];
    const SSCE_S16 sid = ENGINE(SSCE_GetSid)();
    const size_t room = text.size() + spare;
    std::vector<char> buffer(room + 16, kCanary);
    std::memcpy(buffer.data(), text.data(), text.size());
    const SSCE_S16 block = ENGINE(SSCE_OpenBlock)(sid, buffer.data(), static_cast<int>(text.size()),
                                                  static_cast<int>(room), 0);
    if (block < 0) std::abort();
    size_t next = 1;
    for (size_t steps = 0;; ++steps) {
        if (steps > text.size() + parts.size() * 64 + 2) std::abort(); // the walk must end
        char word[64], other[64];
        const SSCE_S16 r = ENGINE(SSCE_CheckBlock)(sid, block, word, 64, other, 64);
        SSCE_S32 length = 0, cursor = 0;
        ENGINE(SSCE_GetBlockInfo)(sid, block, &length, nullptr, &cursor, nullptr);
        if (length < 0 || static_cast<size_t>(length) >= room || buffer[length] != '\0')
            std::abort();
        if (cursor < 0 || cursor > length) std::abort();
        if (r == SSCE_END_OF_BLOCK_RSLT) break;
        if (r < 0) std::abort();
        const size_t n = std::strlen(word);
        if (std::memcmp(word, buffer.data() + cursor, n) != 0) std::abort();
        if (!(r & SSCE_TOO_LONG_RSLT) && (cursor + n > static_cast<size_t>(length))) std::abort();
        if (next < parts.size()) {
            const std::string before(buffer.data(), length);
            if (ENGINE(SSCE_ReplaceBlockWord)(sid, block, parts[next++].c_str()) ==
                    SSCE_BUFFER_TOO_SMALL_ERR &&
                std::string(buffer.data(), length) != before)
                std::abort();
        }
        ENGINE(SSCE_NextBlockWord)(sid, block);
    }
    ENGINE(SSCE_CloseBlock)(sid, block);
    for (size_t i = room; i < buffer.size(); ++i)
        if (buffer[i] != kCanary) std::abort();
    return 0;
}
