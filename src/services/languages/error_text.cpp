// The system's texts for error codes.
#include <tessaly/foundation.h>

#include "platform/errors.h"

namespace {

namespace p = tessaly::platform;

constexpr DWORD kSystemTextFlags = p::FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                   p::FORMAT_MESSAGE_IGNORE_INSERTS |
                                   p::FORMAT_MESSAGE_FROM_SYSTEM; // 0x1300
constexpr DWORD kNeutralLanguage = 0x400;

// FormatMessageA into a buffer the system allocates; false when no text came back.
bool formatAllocated(DWORD flags, DWORD code, CString& text) {
    char* buffer = nullptr;
    const DWORD length = p::FormatMessageA(flags, nullptr, code, kNeutralLanguage,
                                           reinterpret_cast<char*>(&buffer), 0, nullptr);
    if (!buffer) return false;
    if (length == 0) {
        p::LocalFree(buffer);
        return false;
    }
    text = CString(buffer, static_cast<int>(length));
    p::LocalFree(buffer);
    return true;
}

} // namespace

CString GetLastErrorString() {
    CString text;
    if (!formatAllocated(kSystemTextFlags, p::GetLastError(), text)) return CString();
    return text;
}

// The caller chooses the flags (0x1300 in practice); without the allocate-buffer flag
// there is no buffer to write into and the call fails.
int ReportLastError(DWORD code, DWORD flags, CString& text) {
    if (!(flags & p::FORMAT_MESSAGE_ALLOCATE_BUFFER)) return 0;
    CString message;
    if (!formatAllocated(flags, code, message)) return 0;
    text = message;
    return 1;
}
