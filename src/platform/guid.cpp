#include "platform/guid.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/errors.h"

namespace tessaly::platform {

namespace {
constexpr HRESULT S_OK_ = 0;
constexpr HRESULT E_POINTER_ = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL_ = static_cast<HRESULT>(0x80004005u);

// Fills the buffer from the kernel's random source, retrying short reads and signals.
bool fillRandom(unsigned char* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t got = getrandom(buffer + done, size - done, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(got);
    }
    return true;
}
} // namespace

HRESULT CoCreateGuid(GUID* guid) {
    if (!guid) return E_POINTER_;
    unsigned char bytes[16];
    if (!fillRandom(bytes, sizeof bytes)) {
        SetLastErrorFromErrno();
        return E_FAIL_;
    }
    // RFC 4122 version 4 (random) and the variant bits 10xx, in the byte order of the
    // text form: Data3's high nibble is the version, Data4[0]'s two top bits the variant.
    guid->Data1 = static_cast<DWORD>(bytes[0]) << 24 | static_cast<DWORD>(bytes[1]) << 16 |
                  static_cast<DWORD>(bytes[2]) << 8 | bytes[3];
    guid->Data2 = static_cast<WORD>(bytes[4] << 8 | bytes[5]);
    guid->Data3 = static_cast<WORD>(((bytes[6] & 0x0F) | 0x40) << 8 | bytes[7]);
    std::memcpy(guid->Data4, bytes + 8, 8);
    guid->Data4[0] = static_cast<BYTE>((guid->Data4[0] & 0x3F) | 0x80);
    return S_OK_;
}

std::string GuidToString(const GUID& guid) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                  guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    return text;
}

} // namespace tessaly::platform
