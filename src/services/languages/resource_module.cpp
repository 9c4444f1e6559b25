// The installation folder and the choice of the language resource module.
#include <tessaly/foundation.h>

#include <cstring>

#include "platform/module.h"
#include "platform/process.h"
#include "platform/registry.h"

namespace {

namespace p = tessaly::platform;

// Which module holds the resources of an install language: tests in this order, the
// first that matches decides.
struct ResourceModuleRule {
    bool wholeIdentifier; // compare the whole identifier, else the primary language
    int value;
    const char* suffix;
    const char* fallback; // tried when the module of the suffix cannot be loaded
};

constexpr ResourceModuleRule kResourceModules[] = {
    {true, 2052, "CN.dll", nullptr}, {false, 22, "Po.dll", nullptr},
    {false, 7, "Ge.dll", nullptr},   {true, 2074, "SrLa.dll", nullptr},
    {false, 14, "Hu.dll", nullptr},  {false, 25, "Ra.dll", nullptr},
    {false, 12, "Fr.dll", nullptr},  {true, 3098, "SrCl.dll", "SrLa.dll"},
};

// A command-line word "English" after any one leading character ("/english", "-ENGLISH")
// asks for the built-in English resources. Only a command line with a blank is examined,
// and everything up to the first blank (the program) is skipped.
bool englishRequested() {
    CString line = p::GetCommandLineA();
    const int blank = line.Find(' ');
    if (blank < 0) return false;
    CString rest = line.Mid(blank);
    for (;;) {
        rest.TrimLeft();
        if (rest.IsEmpty()) return false;
        const int end = rest.Find(' ');
        const CString word = end < 0 ? rest : rest.Left(end);
        if (word.Mid(1).CompareNoCase("English") == 0) return true;
        if (end < 0) return false;
        rest = rest.Mid(end);
    }
}

HINSTANCE chooseResourceModule(const CString& suiteName) {
    if (englishRequested()) return nullptr;
    const int language = GetInstallLangID();
    const CString prefix = GetInstallDir() + "\\" + suiteName;
    for (const auto& rule : kResourceModules) {
        const bool matches =
            rule.wholeIdentifier ? language == rule.value : (language & 0x3FF) == rule.value;
        if (!matches) continue;
        HMODULE module = p::LoadLibraryA(prefix + rule.suffix);
        if (!module && rule.fallback) module = p::LoadLibraryA(prefix + rule.fallback);
        return module;
    }
    return nullptr;
}

} // namespace

HINSTANCE getResourceInstance(CString suiteName) {
    return chooseResourceModule(suiteName);
}

HINSTANCE getResourceInstance(const char* suiteName) {
    return chooseResourceModule(CString(suiteName));
}

HINSTANCE getResourceInstance1(CString suiteName) {
    return chooseResourceModule(suiteName);
}

HINSTANCE GetLibraryInst(CString path) {
    return p::LoadLibraryA(path);
}

// The default value of HKLM "Software\Varnholt\Tessaly2001\INSTALLDIR", read into 1024 bytes.
CString GetInstallDir() {
    HKEY key = nullptr;
    if (p::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Varnholt\\Tessaly2001\\INSTALLDIR", 0,
                         p::KEY_READ, &key) != ERROR_SUCCESS)
        return CString();
    char buffer[1024] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    const LONG status =
        p::RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    p::RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return CString();
    // The text ends at its terminator, or with the data when none was stored.
    return CString(buffer,
                   static_cast<int>(strnlen(buffer, size < sizeof buffer ? size : sizeof buffer)));
}
