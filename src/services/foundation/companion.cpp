// The binding to the companion module: loaded once, entries resolved once by name.
#include "foundation/companion.h"

#include <tessaly/companion.h>

#include <utility>

#include "platform/errors.h"
#include "platform/module.h"

namespace tessaly::companion {

namespace {

struct Entries {
    HMODULE module = nullptr;
    decltype(&::SetDirectorySlashTail) setDirectorySlashTail = nullptr;
    decltype(&::PathExists) pathExists = nullptr;
    decltype(&::GetRegString) getRegString = nullptr;
    decltype(&::EscapeQuotation) escapeQuotation = nullptr;
    decltype(&::GetFileText) getFileText = nullptr;
    decltype(&::ReadBinFileEx) readBinFileEx = nullptr;
    decltype(&::CreateGUIDCString) createGUIDCString = nullptr;
    decltype(&::GetDefaultLongDate) getDefaultLongDate = nullptr;
    decltype(&::GetProcessID) getProcessID = nullptr;
    decltype(&::GetFileTitleFromString) getFileTitleFromString = nullptr;
    decltype(&::PrintText) printText = nullptr;
};

template <typename F> void resolve(HMODULE module, const char* name, F& entry) {
    entry = reinterpret_cast<F>(platform::GetProcAddress(module, name));
}

Entries load() {
    // Loading is a detail of the first call: the caller's last error stays as it was.
    const DWORD lastError = platform::GetLastError();
    Entries e;
    e.module = platform::LoadLibraryA("Brennick.dll");
    if (e.module) {
        resolve(e.module, "SetDirectorySlashTail", e.setDirectorySlashTail);
        resolve(e.module, "PathExists", e.pathExists);
        resolve(e.module, "GetRegString", e.getRegString);
        resolve(e.module, "EscapeQuotation", e.escapeQuotation);
        resolve(e.module, "GetFileText", e.getFileText);
        resolve(e.module, "ReadBinFileEx", e.readBinFileEx);
        resolve(e.module, "CreateGUIDCString", e.createGUIDCString);
        resolve(e.module, "GetDefaultLongDate", e.getDefaultLongDate);
        resolve(e.module, "GetProcessID", e.getProcessID);
        resolve(e.module, "GetFileTitleFromString", e.getFileTitleFromString);
        resolve(e.module, "PrintText", e.printText);
    }
    platform::SetLastError(lastError);
    return e;
}

// The module stays loaded for the life of the process, as the library holds it.
const Entries& entries() {
    static const Entries e = load();
    return e;
}

} // namespace

bool Available() {
    return entries().module != nullptr;
}

CString SetDirectorySlashTail(CString path) {
    auto f = entries().setDirectorySlashTail;
    return f ? f(std::move(path)) : CString();
}

int PathExists(const char* path) {
    auto f = entries().pathExists;
    return f ? f(path) : 0;
}

int GetRegString(const char* key, const char* valueName, CString& text, int hive) {
    auto f = entries().getRegString;
    return f ? f(key, valueName, text, hive) : 0;
}

CString EscapeQuotation(CString text) {
    auto f = entries().escapeQuotation;
    return f ? f(std::move(text)) : CString();
}

CString GetFileText(CString path) {
    auto f = entries().getFileText;
    return f ? f(std::move(path)) : CString();
}

int ReadBinFileEx(CString path, CByteArray& bytes) {
    auto f = entries().readBinFileEx;
    return f ? f(std::move(path), bytes) : 0;
}

CString CreateGUIDCString(int unused) {
    auto f = entries().createGUIDCString;
    return f ? f(unused) : CString();
}

CString GetDefaultLongDate(COleDateTime date) {
    auto f = entries().getDefaultLongDate;
    return f ? f(date) : CString();
}

DWORD GetProcessID(CString exeName) {
    auto f = entries().getProcessID;
    return f ? f(std::move(exeName)) : 0;
}

CString GetFileTitleFromString(CString path) {
    auto f = entries().getFileTitleFromString;
    return f ? f(std::move(path)) : CString();
}

int PrintText(CString text) {
    auto f = entries().printText;
    return f ? f(std::move(text)) : 0;
}

} // namespace tessaly::companion
