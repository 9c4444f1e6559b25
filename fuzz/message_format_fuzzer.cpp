// The message formatter (FormatMessageA from a string, and the insert expansion behind
// CString::FormatMessage): any text with any inserts formats without reading or writing
// out of bounds, the allocated and the caller's buffer give the same text, a buffer one
// short is refused, and a width limit is kept by every line.
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/errors.h"
#include "platform/memory.h"

namespace p = tessaly::platform;

namespace {

constexpr DWORD kInsufficientBuffer = 122;
constexpr int kArguments = 100;

// The argument array. An insert may read an argument as a number, a width, a narrow or
// wide string or a character, so each argument is the address of a short text that reads
// the same both ways, placed where the address's low 32 bits are small: as a width it
// asks for little.
std::uintptr_t arguments[kArguments];

void placeArguments() {
    const size_t span = size_t(1) << 32;
    auto* reserved = static_cast<char*>(
        mmap(nullptr, 2 * span, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0));
    if (reserved == MAP_FAILED) std::abort();
    auto* texts = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(reserved) + span - 1) &
                                          ~(span - 1));
    if (mprotect(texts, 4096, PROT_READ | PROT_WRITE) != 0) std::abort();
    for (int i = 0; i < kArguments; ++i) {
        // "a" and a digit, zero-padded: as UTF-16 one character and a terminator.
        char* text = texts + 16 * (i + 1);
        text[0] = 'a';
        text[1] = static_cast<char>('0' + i % 10);
        arguments[i] = reinterpret_cast<std::uintptr_t>(text);
    }
}

// Ten arguments from index i on, as the variable argument list gets them.
#define A10(i)                                                                                     \
    arguments[i], arguments[i + 1], arguments[i + 2], arguments[i + 3], arguments[i + 4],          \
        arguments[i + 5], arguments[i + 6], arguments[i + 7], arguments[i + 8], arguments[i + 9]

std::string expandWithList(const char* text, ...) {
    va_list list;
    va_start(list, text);
    std::string out = p::ExpandMessageInserts(text, &list, false);
    va_end(list);
    return out;
}

std::string formatted(DWORD flags, const std::string& text) {
    char* allocated = nullptr;
    const DWORD count =
        p::FormatMessageA(flags | p::FORMAT_MESSAGE_FROM_STRING | p::FORMAT_MESSAGE_ARGUMENT_ARRAY |
                              p::FORMAT_MESSAGE_ALLOCATE_BUFFER,
                          text.c_str(), 0, 0, reinterpret_cast<char*>(&allocated), 0,
                          reinterpret_cast<va_list*>(arguments));
    std::string out;
    if (allocated) {
        // A %c of a zero puts a zero into the text: the count, not the first zero, ends it.
        FUZZ_CHECK(std::strlen(allocated) <= count && allocated[count] == '\0');
        out.assign(allocated, count);
        p::LocalFree(allocated);
    } else {
        FUZZ_CHECK(count == 0);
    }
    return out;
}

} // namespace

void tessaly::fuzz::setUp() {
    placeArguments();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte: the width limit (0 keeps line breaks, 0xFF joins lines without
    // wrapping) and whether inserts are ignored.
    const DWORD width = data[0] & 0x3F ? data[0] & 0x3F : 0xFF;
    const DWORD flags = (data[0] & 0x80 ? DWORD(p::FORMAT_MESSAGE_IGNORE_INSERTS) : 0) |
                        (data[0] & 0x40 ? width : 0);
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (text.find('\0') != std::string::npos) return 0; // a C string ends there anyway
    // A text may ask for any width, and gets it: keep them below 10000 so that one input
    // stays quick.
    size_t digits = 0;
    for (char c : text)
        if ((digits = c >= '0' && c <= '9' ? digits + 1 : 0) > 4) return 0;

    const std::string out = formatted(flags, text);
    // Into a caller's buffer of exactly the size, and one byte short.
    if (!out.empty()) {
        std::vector<char> exact(out.size() + 1);
        FUZZ_CHECK(p::FormatMessageA(flags | p::FORMAT_MESSAGE_FROM_STRING |
                                         p::FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                     text.c_str(), 0, 0, exact.data(), exact.size(),
                                     reinterpret_cast<va_list*>(arguments)) == out.size());
        FUZZ_CHECK(std::string(exact.data(), out.size()) == out && exact[out.size()] == '\0');
        std::vector<char> shorter(out.size());
        FUZZ_CHECK(p::FormatMessageA(flags | p::FORMAT_MESSAGE_FROM_STRING |
                                         p::FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                     text.c_str(), 0, 0, shorter.data(), shorter.size(),
                                     reinterpret_cast<va_list*>(arguments)) == 0);
        FUZZ_CHECK(p::GetLastError() == kInsufficientBuffer);
    }
    // A width limit: no line is longer (its CR aside).
    const DWORD limit = flags & p::FORMAT_MESSAGE_MAX_WIDTH_MASK;
    if (limit && limit != 0xFF) {
        size_t start = 0;
        while (start <= out.size()) {
            size_t end = out.find('\n', start);
            if (end == std::string::npos) end = out.size();
            size_t length = end - start;
            if (length && out[end - 1] == '\r' && end < out.size()) --length;
            FUZZ_CHECK(length <= limit);
            start = end + 1;
        }
    }
    // The same text through the insert expansion that CString::FormatMessage uses, with
    // the arguments passed as a variable argument list. A list holds one value of one type
    // per argument, as the caller's text says; a text that reads an argument once as a
    // number and once as a string would break that promise, so only texts whose inserts
    // are all plain strings (no "!" anywhere) go this way.
    if (text.find('!') == std::string::npos) {
        const std::string listed =
            expandWithList(text.c_str(), A10(0), A10(10), A10(20), A10(30), A10(40), A10(50),
                           A10(60), A10(70), A10(80), A10(90));
        if (!(flags & (p::FORMAT_MESSAGE_IGNORE_INSERTS | p::FORMAT_MESSAGE_MAX_WIDTH_MASK)))
            FUZZ_CHECK(listed == out);
    }
    return 0;
}
