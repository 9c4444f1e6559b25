#pragma once
// The ANSI code page (Windows-1252 unless HKLM System\CurrentControlSet\Control\Nls\CodePage
// ACP says otherwise; 936 brings the Simplified Chinese double-byte rules) and conversions.
#include <string>

#include "api.h"

namespace tessaly::platform {

enum : UINT { CP_ACP = 0, CP_OEMCP = 1, CP_THREAD_ACP = 3, CP_UTF8 = 65001 };
enum : DWORD { MB_ERR_INVALID_CHARS = 0x8, WC_ERR_INVALID_CHARS = 0x80 };

// Within a scope (per thread, the outermost one counts) the code page is looked up in the
// registry once, at the first conversion; commits of this process are still seen at once.
// Outside any scope every conversion looks, so a change by another process is seen by the
// next call. Calls that convert many names (listing a folder) hold one.
class PLATFORM_API CodePageScope {
  public:
    CodePageScope();
    ~CodePageScope();
    CodePageScope(const CodePageScope&) = delete;
    CodePageScope& operator=(const CodePageScope&) = delete;
};

PLATFORM_API UINT GetACP();
// The OEM code page (HKLM ...\Nls\CodePage "OEMCP", else the one that goes with the ANSI one).
PLATFORM_API UINT GetOEMCP();
PLATFORM_API BOOL IsDBCSLeadByte(BYTE ch);
PLATFORM_API BOOL IsDBCSLeadByteEx(UINT codePage, BYTE ch);
// Windows semantics: length -1 includes the terminator; size 0 asks the count needed.
PLATFORM_API int MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int length,
                                     WCHAR* wide, int size);
PLATFORM_API int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* wide, int length,
                                     char* text, int size, const char* defaultChar,
                                     BOOL* usedDefault);
// ANSI code page bytes to UTF-8 and back (a character with no place becomes '?').
PLATFORM_API std::string AnsiToUtf8(const std::string& ansi);
PLATFORM_API std::string Utf8ToAnsi(const std::string& utf8);
PLATFORM_API std::u16string AnsiToUtf16(const std::string& ansi);
PLATFORM_API std::string Utf16ToAnsi(const std::u16string& wide);
// Case folding by the C run time's multibyte rules: double-byte characters are left alone.
PLATFORM_API void AnsiLower(std::string& text);
PLATFORM_API void AnsiUpper(std::string& text);

} // namespace tessaly::platform
