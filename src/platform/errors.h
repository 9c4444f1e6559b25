#pragma once
// Per-thread last error, errno mapping and the system's error texts.
#include <cstdarg>
#include <string>

#include "api.h"

namespace tessaly::platform {

PLATFORM_API DWORD GetLastError();
PLATFORM_API void SetLastError(DWORD code);
// The Windows code for an errno value (ENOENT 2, EACCES 5, EEXIST 183, ...).
PLATFORM_API DWORD ErrorFromErrno(int err);
// Sets the last error from errno and returns the code.
PLATFORM_API DWORD SetLastErrorFromErrno();

enum : DWORD {
    FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x100,
    FORMAT_MESSAGE_IGNORE_INSERTS = 0x200,
    FORMAT_MESSAGE_FROM_STRING = 0x400,
    FORMAT_MESSAGE_FROM_HMODULE = 0x800,
    FORMAT_MESSAGE_FROM_SYSTEM = 0x1000,
    FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x2000,
    FORMAT_MESSAGE_MAX_WIDTH_MASK = 0xFF,
};

// FormatMessageA with the system's rules: FROM_SYSTEM looks the code up in the system's
// English texts (each ending in CR LF), FROM_HMODULE in the module's message table
// (the network-management texts of "netmsg.dll"), FROM_STRING formats source; inserts %1,
// %2!d! and the escapes %n %r %t %% %0 are expanded unless IGNORE_INSERTS. With
// ALLOCATE_BUFFER, buffer is a char** receiving memory the caller frees with LocalFree.
// Returns the number of characters stored, 0 on failure (last error set).
PLATFORM_API DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId,
                                  DWORD languageId, char* buffer, DWORD size, va_list* args);
PLATFORM_API HGLOBAL LocalFree(HGLOBAL memory);

// The system text of a code, or empty when there is none (no trailing line break removed).
PLATFORM_API std::string SystemErrorText(DWORD code);
// Expands %1 / %2!d! style inserts of a message text, taking arguments from args.
// The message-table module of the network-management texts (2100 to 2999), which
// LoadLibraryExA of "netmsg.dll" as a data file returns.
PLATFORM_API HMODULE NetworkMessageModule();
PLATFORM_API std::string ExpandMessageInserts(const char* text, va_list* args, bool ignoreInserts);

} // namespace tessaly::platform
