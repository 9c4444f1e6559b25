#pragma once
// What the platform's file modules share: the attribute store, path and text helpers.
#include <fcntl.h>
#include <sys/stat.h>

#include <string>

#include "platform/api.h"
#include "platform/files.h"

namespace tessaly::platform::detail {

// Hidden, system and archive live in this extended attribute where the file system allows.
inline constexpr const char* kDosAttributeName = "user.DOSATTRIB";
// A creation time set through SetFileTime.
inline constexpr const char* kCreationTimeName = "user.tessaly.creation";
inline constexpr DWORD kStoredAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// Sets the last error and returns it.
DWORD Fail(DWORD code);
// Read-only is the absence of every write bit.
bool IsReadOnlyMode(mode_t mode);
// The text, empty for null.
std::string Text(const char* text);
// The POSIX path of a Windows path; empty with the last error set on failure.
std::string Posix(const char* path);
std::string WithoutTrailingSlash(std::string path);
// The Windows attributes of a POSIX object. target is the object followed through links,
// linked tells whether the path itself is a symbolic link.
DWORD AttributesOf(const std::string& posix, const struct stat& target, bool linked);
// Attributes of a path without touching the last error; false when nothing is there.
// A symbolic link reports what it leads to, marked as a reparse point.
bool LookupAttributes(const std::string& posix, DWORD& attributes);
// Copies text with its terminator into buffer when size allows; returns the length copied,
// or the size needed (terminator included) when it does not fit.
DWORD CopyOut(const std::string& text, char* buffer, DWORD size);
FILETIME TimeOf(const struct statx_timestamp& ts);
// The creation time: the one set through SetFileTime when there is one, else the file
// system's birth time, else the last change of the contents.
FILETIME CreationTime(int dirfd, const char* path, int flags, const struct statx& sx);

} // namespace tessaly::platform::detail
