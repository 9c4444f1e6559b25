// Code-page conversions both ways (Windows-1252, the 936 double-byte rules, UTF-8): counts
// agree with the converted text, exact buffers are filled and a buffer one short is refused,
// and what converts without loss converts back to the same text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/registry.h"

namespace p = tessaly::platform;

namespace {

constexpr DWORD kInsufficientBuffer = 122;
const UINT kCodePages[] = {1252, 936, p::CP_UTF8, p::CP_ACP};

// Two prefixes: one with the default ANSI code page, one whose machine hive names 936.
std::string defaultPrefix, chinesePrefix;

void usePrefix(const std::string& root) {
    setenv("TESSALY_PREFIX", root.c_str(), 1);
}

std::u16string toWide(UINT cp, DWORD flags, const std::string& bytes, bool& ok) {
    ok = false;
    if (bytes.empty()) return {};
    const int length = static_cast<int>(bytes.size());
    const int count = p::MultiByteToWideChar(cp, flags, bytes.data(), length, nullptr, 0);
    if (count == 0) return {};
    FUZZ_CHECK(count > 0 && static_cast<size_t>(count) <= bytes.size() * 2);
    // An exact buffer on the heap: a write past it is caught.
    std::vector<WCHAR> wide(static_cast<size_t>(count));
    FUZZ_CHECK(p::MultiByteToWideChar(cp, flags, bytes.data(), length, wide.data(), count) ==
               count);
    if (count > 1) {
        std::vector<WCHAR> shorter(static_cast<size_t>(count - 1));
        FUZZ_CHECK(p::MultiByteToWideChar(cp, flags, bytes.data(), length, shorter.data(),
                                          count - 1) == 0);
        FUZZ_CHECK(p::GetLastError() == kInsufficientBuffer);
    }
    ok = true;
    return std::u16string(wide.begin(), wide.end());
}

std::string toBytes(UINT cp, const std::u16string& wide, bool& usedDefault) {
    usedDefault = false;
    if (wide.empty()) return {};
    const auto* units = reinterpret_cast<const WCHAR*>(wide.data());
    const int length = static_cast<int>(wide.size());
    BOOL used = FALSE;
    BOOL* usedOut = cp == p::CP_UTF8 ? nullptr : &used;
    const int count = p::WideCharToMultiByte(cp, 0, units, length, nullptr, 0, nullptr, usedOut);
    FUZZ_CHECK(count > 0 && static_cast<size_t>(count) <= wide.size() * 3);
    std::vector<char> bytes(static_cast<size_t>(count));
    FUZZ_CHECK(p::WideCharToMultiByte(cp, 0, units, length, bytes.data(), count, nullptr,
                                      usedOut) == count);
    if (count > 1) {
        std::vector<char> shorter(static_cast<size_t>(count - 1));
        FUZZ_CHECK(p::WideCharToMultiByte(cp, 0, units, length, shorter.data(), count - 1, nullptr,
                                          usedOut) == 0);
        FUZZ_CHECK(p::GetLastError() == kInsufficientBuffer);
    }
    usedDefault = used != FALSE;
    return std::string(bytes.begin(), bytes.end());
}

bool isSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

// Folding keeps the length, leaves each double-byte character alone and maps ASCII
// letters.
void checkFolding(const std::string& text, bool upper) {
    std::string folded = text;
    upper ? p::AnsiUpper(folded) : p::AnsiLower(folded);
    FUZZ_CHECK(folded.size() == text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (p::IsDBCSLeadByte(c) && i + 1 < text.size() && text[i + 1] != '\0') {
            FUZZ_CHECK(folded.compare(i, 2, text, i, 2) == 0);
            ++i;
        } else if (upper && c >= 'a' && c <= 'z') {
            FUZZ_CHECK(folded[i] == static_cast<char>(c - 32));
        } else if (!upper && c >= 'A' && c <= 'Z') {
            FUZZ_CHECK(folded[i] == static_cast<char>(c + 32));
        }
    }
}

} // namespace

void tessaly::fuzz::setUp() {
    defaultPrefix = tessaly::fuzz::usePrivatePrefix();
    chinesePrefix = tessaly::fuzz::makeDoubleBytePrefix();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::uint8_t selector = data[0];
    const UINT cp = kCodePages[selector & 3];
    usePrefix(selector & 4 ? chinesePrefix : defaultPrefix);
    const UINT resolved = cp == p::CP_ACP ? p::GetACP() : cp;
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    // Bytes to UTF-16 and back. Windows-1252 maps every byte, so every text comes back;
    // otherwise a text that decodes strictly comes back.
    bool ok = false;
    const std::u16string wide = toWide(cp, 0, bytes, ok);
    FUZZ_CHECK(ok || bytes.empty());
    bool usedDefault = false;
    const std::string back = toBytes(cp, wide, usedDefault);
    if (resolved == 1252) FUZZ_CHECK(back == bytes && !usedDefault);
    bool strict = false;
    const std::u16string strictWide = toWide(cp, p::MB_ERR_INVALID_CHARS, bytes, strict);
    if (strict) {
        FUZZ_CHECK(strictWide == wide);
        FUZZ_CHECK(back == bytes);
    }

    // The same bytes as UTF-16 units: what encodes without the default character and
    // without lone surrogates decodes to the same units.
    std::u16string units(bytes.size() / 2, u'\0');
    std::memcpy(units.data(), bytes.data(), units.size() * 2);
    const std::string encoded = toBytes(cp, units, usedDefault);
    bool lone = false;
    for (size_t i = 0; i < units.size(); ++i) {
        if (units[i] >= 0xD800 && units[i] <= 0xDBFF && i + 1 < units.size() &&
            units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
            ++i;
        else if (isSurrogate(units[i]))
            lone = true;
    }
    if (!usedDefault && !lone && !encoded.empty()) {
        bool decoded = false;
        FUZZ_CHECK(toWide(cp, 0, encoded, decoded) == units);
    }

    // The ANSI helpers agree with the explicit conversions of the ANSI code page.
    FUZZ_CHECK(p::AnsiToUtf16(bytes) == toWide(p::CP_ACP, 0, bytes, ok) || bytes.empty());
    const std::string utf8 = p::AnsiToUtf8(bytes);
    if (p::GetACP() == 1252) FUZZ_CHECK(p::Utf8ToAnsi(utf8) == bytes);
    checkFolding(bytes, (selector & 8) != 0);
    return 0;
}
