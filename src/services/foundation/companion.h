#pragma once
// The library's binding to the companion library of common functions ("Brennick.dll").
// The module is loaded on first use and each entry resolved once by name; the functions
// have the names and signatures of the module's own (<tessaly/companion.h>). When the
// module or an entry is missing, a call returns its failure value: empty text or 0.
#include <tessaly/collections.h>
#include <tessaly/cstring.h>
#include <tessaly/oledatetime.h>

namespace tessaly::companion {

CString SetDirectorySlashTail(CString path);
int PathExists(const char* path);
int GetRegString(const char* key, const char* valueName, CString& text, int hive);
CString EscapeQuotation(CString text);
CString GetFileText(CString path);
int ReadBinFileEx(CString path, CByteArray& bytes);
CString CreateGUIDCString(int unused);
CString GetDefaultLongDate(COleDateTime date);
DWORD GetProcessID(CString exeName);
CString GetFileTitleFromString(CString path);
int PrintText(CString text);

// True when the companion module could be loaded.
bool Available();

} // namespace tessaly::companion
