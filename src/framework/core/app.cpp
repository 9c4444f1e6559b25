// The library's application object and its profile.
#include "framework/core/app.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "framework/core/module_state.h"
#include "platform/module.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace tessaly::framework {

namespace {

namespace p = tessaly::platform;

// The file title of the library: the name of the module holding this code, without
// "lib", version and extension ("libTessaly.so.0" gives "Tessaly").
CString libraryTitle() {
    std::string path = p::ModulePathOf(reinterpret_cast<const void*>(&TheApp));
    std::string name = path.substr(path.find_last_of('/') + 1);
    if (name.rfind("lib", 0) == 0) name.erase(0, 3);
    if (const size_t dot = name.find('.'); dot != std::string::npos) name.resize(dot);
    return CString(name.empty() ? std::string("Tessaly") : name);
}

const char* text(const char* s) {
    return s ? s : "";
}

// The program's file title: its executable's name without folder and extension.
CString programTitle() {
    std::string path;
    char buffer[4096] = {};
    if (const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1); n > 0)
        path.assign(buffer, static_cast<size_t>(n));
    std::string name = path.substr(path.find_last_of('/') + 1);
    if (const size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    return CString(name);
}

CWinApp* callerApp = nullptr;

} // namespace

CServicesApp::CServicesApp() : CWinApp(LibraryApplication{}, libraryTitle()) {
    LibraryModuleState().app = this;
}

CWinApp* CallerApp() {
    return callerApp;
}

CServicesApp& TheApp() {
    static CServicesApp app;
    return app;
}

} // namespace tessaly::framework

using namespace tessaly::framework;

CWinApp::CWinApp(const char* appName)
    : m_appName(appName && *appName ? CString(appName) : programTitle()) {
    if (!callerApp) callerApp = this;
}

CWinApp::CWinApp(LibraryApplication, const CString& appName) : m_appName(appName) {}

CWinApp::~CWinApp() {
    if (callerApp == this) callerApp = nullptr;
}

CWinApp* AfxGetApp() {
    if (&CurrentModuleState() == &LibraryModuleState()) return &TheApp();
    return callerApp;
}

void CWinApp::SetRegistryKey(const char* key) {
    m_registryKey = text(key);
}

CString CWinApp::GetAppName() const {
    return m_appName;
}

CString CWinApp::GetRegistryKey() const {
    return m_registryKey;
}

CString CWinApp::sectionKey(const char* section) const {
    return "Software\\" + m_registryKey + "\\" + m_appName + "\\" + text(section);
}

UINT CWinApp::GetProfileInt(const char* section, const char* entry, int defaultValue) {
    if (m_registryKey.IsEmpty())
        return p::GetPrivateProfileIntA(section, entry, defaultValue, m_appName + ".ini");
    HKEY key = nullptr;
    if (p::RegOpenKeyExA(HKEY_CURRENT_USER, sectionKey(section), 0, p::KEY_READ, &key) !=
        ERROR_SUCCESS)
        return static_cast<UINT>(defaultValue);
    DWORD value = 0, type = 0, size = sizeof value;
    const LONG status = p::RegQueryValueExA(key, text(entry), nullptr, &type,
                                            reinterpret_cast<BYTE*>(&value), &size);
    p::RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value)
        return static_cast<UINT>(defaultValue);
    return value;
}

BOOL CWinApp::WriteProfileInt(const char* section, const char* entry, int value) {
    if (m_registryKey.IsEmpty()) {
        const std::string number = std::to_string(value);
        return p::WritePrivateProfileStringA(section, entry, number.c_str(), m_appName + ".ini");
    }
    HKEY key = nullptr;
    if (p::RegCreateKeyExA(HKEY_CURRENT_USER, sectionKey(section), 0, nullptr, 0, p::KEY_ALL_ACCESS,
                           nullptr, &key, nullptr) != ERROR_SUCCESS)
        return FALSE;
    const DWORD data = static_cast<DWORD>(value);
    const LONG status = p::RegSetValueExA(key, text(entry), 0, REG_DWORD,
                                          reinterpret_cast<const BYTE*>(&data), sizeof data);
    p::RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

CString CWinApp::GetProfileString(const char* section, const char* entry,
                                  const char* defaultValue) {
    if (m_registryKey.IsEmpty()) {
        char buffer[4096] = {};
        p::GetPrivateProfileStringA(section, entry, text(defaultValue), buffer, sizeof buffer,
                                    m_appName + ".ini");
        return CString(buffer);
    }
    HKEY key = nullptr;
    if (p::RegOpenKeyExA(HKEY_CURRENT_USER, sectionKey(section), 0, p::KEY_READ, &key) !=
        ERROR_SUCCESS)
        return CString(text(defaultValue));
    DWORD type = 0, size = 0;
    CString result(text(defaultValue));
    if (p::RegQueryValueExA(key, text(entry), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::string data(size, '\0');
        if (p::RegQueryValueExA(key, text(entry), nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS) {
            data.resize(size);
            while (!data.empty() && data.back() == '\0')
                data.pop_back();
            result = CString(std::move(data));
        }
    }
    p::RegCloseKey(key);
    return result;
}

BOOL CWinApp::WriteProfileString(const char* section, const char* entry, const char* value) {
    if (m_registryKey.IsEmpty())
        return p::WritePrivateProfileStringA(section, entry, value, m_appName + ".ini");
    if (!entry) return p::RegDeleteTreeA(HKEY_CURRENT_USER, sectionKey(section)) == ERROR_SUCCESS;
    HKEY key = nullptr;
    if (p::RegCreateKeyExA(HKEY_CURRENT_USER, sectionKey(section), 0, nullptr, 0, p::KEY_ALL_ACCESS,
                           nullptr, &key, nullptr) != ERROR_SUCCESS)
        return FALSE;
    LONG status;
    if (!value) {
        status = p::RegDeleteValueA(key, entry);
    } else {
        const std::string data = value;
        status =
            p::RegSetValueExA(key, entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                              static_cast<DWORD>(data.size() + 1));
    }
    p::RegCloseKey(key);
    return status == ERROR_SUCCESS;
}
