#pragma once
// Version resources of files: the standard VS_VERSIONINFO block, read from a module of ours
// that carries a compiled resource file or from the resource section of a Windows PE file.
#include "api.h"

namespace tessaly::platform {

struct VS_FIXEDFILEINFO {
    DWORD dwSignature; // 0xFEEF04BD
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};

enum : WORD { RT_VERSION = 16 };

// The bytes GetFileVersionInfoA needs for the file's version resource (the resource itself
// and room for the ANSI texts VerQueryValueA hands out); 0 when the file has none (last
// error 1813, or 2 when the file cannot be read). handle, when given, receives 0.
PLATFORM_API DWORD GetFileVersionInfoSizeA(const char* file, DWORD* handle);
// size must be at least what GetFileVersionInfoSizeA gave (else last error 122).
PLATFORM_API BOOL GetFileVersionInfoA(const char* file, DWORD handle, DWORD size, void* data);
// Queries a block read by GetFileVersionInfoA: "\" gives the VS_FIXEDFILEINFO,
// "\VarFileInfo\Translation" the language and code-page pairs (low word language),
// "\StringFileInfo\040904b0\ProductName" a text in the ANSI code page (length counted with
// its terminator). The names compare without regard to case. The pointer stays valid as
// long as the block.
PLATFORM_API BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer,
                                 UINT* length);

} // namespace tessaly::platform
