#pragma once
// The companion library of common functions (module "Brennick.dll"), which the library
// loads at run time. Programs may also link it directly (Tessaly::Companion).
#include <tessaly/collections.h>
#include <tessaly/cstring.h>
#include <tessaly/oledatetime.h>

#define BRENNICK_API extern "C" __attribute__((visibility("default")))

BRENNICK_API CString SetDirectorySlashTail(CString path);
BRENNICK_API int PathExists(const char* path);
BRENNICK_API int GetRegString(const char* key, const char* valueName, CString& text, int hive);
BRENNICK_API CString EscapeQuotation(CString text);
BRENNICK_API CString GetFileText(CString path);
BRENNICK_API int ReadBinFileEx(CString path, CByteArray& bytes);
BRENNICK_API CString CreateGUIDCString(int unused);
BRENNICK_API CString GetDefaultLongDate(COleDateTime date);
BRENNICK_API DWORD GetProcessID(CString exeName);
BRENNICK_API CString GetFileTitleFromString(CString path);
BRENNICK_API int PrintText(CString text);
