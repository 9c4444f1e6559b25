// The word finder and counter on bytes of the ANSI code page. The first byte chooses the code
// page (even 1252, odd 936), the next two the position (a signed offset around the text) and
// the next one the buffer size; the rest is the text. The word lies in the caller's buffer
// of exactly that size, is the text from its start, lies within 32 bytes of the position,
// and each counted word holds 1 to 63 bytes.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <tessaly/text.h>

#include "fuzz_support.h"

namespace {

void useCodePage(bool chinese) {
    static int current = -1;
    if (current == static_cast<int>(chinese)) return;
    current = chinese;
    HKEY key = nullptr;
    namespace p = tessaly::platform;
    p::RegCreateKeyA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Nls\\CodePage", &key);
    const char* acp = chinese ? "936" : "1252";
    p::RegSetValueExA(key, "ACP", 0, REG_SZ, reinterpret_cast<const BYTE*>(acp),
                      static_cast<DWORD>(std::strlen(acp) + 1));
    p::RegCloseKey(key);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 4) return 0;
    useCodePage(data[0] & 1);
    const long offset = static_cast<std::int16_t>(data[1] | data[2] << 8);
    const unsigned bufferSize = data[3];
    CByteArray text;
    text.SetSize(static_cast<int>(size - 4));
    if (size > 4) std::memcpy(text.GetData(), data + 4, size - 4);
    const long length = text.GetSize();
    const long position = offset < 0 ? offset : offset % (length + 40);

    std::vector<unsigned char> word(bufferSize);
    long start = 12345;
    const long stored = GetWordAt(position, word.data(), bufferSize, &start, text);
    // The window reaches 32 bytes either side of the position.
    FUZZ_CHECK(stored >= 0 && stored <= 65);
    if (start == position) FUZZ_CHECK(stored <= 33);
    FUZZ_CHECK(bufferSize == 0 ? stored == 0 : stored < static_cast<long>(bufferSize));
    if (bufferSize > 0) FUZZ_CHECK(word[static_cast<size_t>(stored)] == 0);
    if (start == -1) {
        FUZZ_CHECK(stored == 0);
    } else {
        FUZZ_CHECK(start >= 0 && start <= position && position - start <= 32);
        FUZZ_CHECK(start + stored <= length);
        if (stored > 0) FUZZ_CHECK(std::memcmp(word.data(), text.GetData() + start, stored) == 0);
    }

    unsigned long words = 0, characters = 0;
    GetWordCount(text, words, characters);
    FUZZ_CHECK(words <= static_cast<unsigned long>(length));
    // Words seen from inside a long run overlap, so characters may exceed the text.
    FUZZ_CHECK(characters >= words && characters <= 63 * words);
    return 0;
}
