// System information and processes: the Windows description, installed components, starting
// programs and waiting for them, counting processes, waiting while the caller's windows stay
// alive, command-line switches and version resources.
#include <strings.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <tessaly/foundation.h>
#include <tessaly/show_commands.h>

#include "foundation/system_windows.h"
#include "foundation/version_record.h"

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "platform/process.h"
#include "platform/pump.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/version_info.h"
#include "platform/wintime.h"
#include "resource.h"

namespace platform = tessaly::platform;
using tessaly::base::ReadVersion;

namespace {

constexpr DWORD NORMAL_PRIORITY_CLASS = 0x20;
constexpr DWORD STARTF_USESHOWWINDOW = 0x1;

// How long WaitForFlag keeps the caller's windows alive when its flag is set: nothing in the
// call can clear the flag, so the wait ends when the application quits or after this long.
constexpr DWORD kWaitForFlagLimitMs = 30000;
// The longest single pass of the message pump while waiting.
constexpr DWORD kPumpSliceMs = 50;

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kSpeechSdk[] = "{A403D88E-ED7D-48E3-91FD-B8C8A720EDA1}";
const char kRecognitionEngine[] = "{727E4C90-7A30-4E64-889D-B95B536847EB}";
const char kEastAsianLanguagePack[] = "{BFF0C845-DFF9-425A-9093-D86C4EE00EE1}";

CString loadText(UINT id) {
    CString text;
    text.LoadString(id);
    return text;
}

bool isBlank(const char* text) {
    for (; *text; ++text)
        if (*text != ' ' && *text != '\t') return false;
    return true;
}

// A string value of HKEY_LOCAL_MACHINE; false when the key or value is missing.
bool readMachineString(const char* key, const char* value, std::string& text) {
    HKEY handle = nullptr;
    if (platform::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, platform::KEY_QUERY_VALUE, &handle) !=
        ERROR_SUCCESS)
        return false;
    char buffer[1024] = {};
    DWORD size = sizeof buffer - 1;
    DWORD type = 0;
    LONG rc = platform::RegQueryValueExA(handle, value, nullptr, &type,
                                         reinterpret_cast<BYTE*>(buffer), &size);
    platform::RegCloseKey(handle);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    text.assign(buffer, strnlen(buffer, std::min<size_t>(size, sizeof buffer - 1)));
    return true;
}

bool machineKeyExists(const std::string& key) {
    HKEY handle = nullptr;
    if (platform::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, platform::KEY_QUERY_VALUE,
                                &handle) != ERROR_SUCCESS)
        return false;
    platform::RegCloseKey(handle);
    return true;
}

bool isWindows95() {
    return GetOSVersionEx() == 1;
}

// Starts a command line the way the process helpers do; false when it cannot be started.
bool startProcess(const char* program, CString commandLine, const platform::STARTUPINFOA& startup,
                  platform::PROCESS_INFORMATION& info) {
    std::string buffer = commandLine.str(); // the system may write into the command line
    std::memset(&info, 0, sizeof info);
    platform::STARTUPINFOA si = startup;
    return platform::CreateProcessA(program, buffer.data(), nullptr, nullptr, FALSE,
                                    NORMAL_PRIORITY_CLASS, nullptr, nullptr, &si, &info) != FALSE;
}

void closeBoth(platform::PROCESS_INFORMATION& info) {
    platform::CloseHandle(info.hThread);
    platform::CloseHandle(info.hProcess);
}

} // namespace

// ---- Which Windows, which components ----

CString GetWindowsVersion() {
    platform::OSVERSIONINFOA info;
    if (!ReadVersion(info)) return loadText(IDS_OS_UNKNOWN_VERSION);

    UINT nameId = 0; // 0: no name
    bool blankAfterName = false;
    switch (info.dwPlatformId) {
    case platform::VER_PLATFORM_WIN32s:
        nameId = IDS_OS_WIN32S;
        break;
    case platform::VER_PLATFORM_WIN32_WINDOWS:
        if (info.dwMajorVersion == 4 && info.dwMinorVersion == 0) nameId = IDS_OS_95;
        if (info.dwMajorVersion == 4 && info.dwMinorVersion == 10) nameId = IDS_OS_98;
        if (info.dwMajorVersion == 4 && info.dwMinorVersion == 90) nameId = IDS_OS_ME;
        break;
    case platform::VER_PLATFORM_WIN32_NT:
        blankAfterName = true;
        if (info.dwMajorVersion <= 4)
            nameId = IDS_OS_NT;
        else if (info.dwMajorVersion == 5 && info.dwMinorVersion == 0)
            nameId = IDS_OS_2000;
        else if (info.dwMajorVersion == 5 && info.dwMinorVersion == 1)
            nameId = IDS_OS_XP;
        else
            blankAfterName = false; // later NT versions: no name at all
        break;
    default:
        nameId = IDS_OS_UNKNOWN_VERSION;
        break;
    }

    CString text;
    if (nameId) text = loadText(nameId);
    if (blankAfterName) text += ' ';
    // The unknown and Win32s names stand alone; the test is by string id, so that a
    // translated name behaves the same.
    if (nameId == IDS_OS_UNKNOWN_VERSION || nameId == IDS_OS_WIN32S) return text;

    char servicePack[sizeof info.szCSDVersion + 1] = {};
    std::memcpy(servicePack, info.szCSDVersion, sizeof info.szCSDVersion);
    const char* pack = servicePack;
    if (nameId == IDS_OS_95 && isBlank(servicePack)) pack = "A";
    CString details;
    details.Format(" %s %d.%d %s (Build %d)\n", loadText(IDS_VERSION).GetString(),
                   static_cast<int>(info.dwMajorVersion), static_cast<int>(info.dwMinorVersion),
                   pack, static_cast<int>(info.dwBuildNumber & 0xFFFF));
    text += details;
    text.TrimRight();
    return text;
}

double GetIEVersion() {
    std::string version;
    if (!readMachineString("Software\\Microsoft\\Internet Explorer", "Version", version)) return 0;
    return std::atof(version.c_str());
}

CString GetVersionInfo(const char* file, const char* entry) {
    const char* name = entry ? entry : "";
    DWORD handle = 0;
    DWORD size = platform::GetFileVersionInfoSizeA(file, &handle);
    if (size == 0) return CString();
    HGLOBAL memory = platform::GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory) return CString();
    CString result;
    void* block = platform::GlobalLock(memory);
    if (block && platform::GetFileVersionInfoA(file, handle, size, block)) {
        void* table = nullptr;
        UINT length = 0;
        if (platform::VerQueryValueA(block, "\\VarFileInfo\\Translation", &table, &length)) {
            const auto* words = static_cast<const WORD*>(table);
            for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) {
                CString query;
                query.Format("\\StringFileInfo\\%04x%04x\\%s", words[i], words[i + 1], name);
                void* value = nullptr;
                UINT valueLength = 0;
                if (platform::VerQueryValueA(block, query, &value, &valueLength)) {
                    result = static_cast<const char*>(value);
                    break;
                }
            }
        }
    }
    if (block) platform::GlobalUnlock(memory);
    platform::GlobalFree(memory);
    return result;
}

CString GetUserNameA() {
    char buffer[256] = {};
    DWORD size = sizeof buffer;
    if (!platform::GetUserNameA(buffer, &size)) return CString();
    return CString(buffer);
}

int IsSAPI5Installed() {
    if (isWindows95()) return 1;
    return machineKeyExists(std::string(kUninstallKey) + kSpeechSdk) ? 1 : 0;
}

int IsSAPI5SRInstalled() {
    if (isWindows95()) return 1;
    std::string publisher;
    if (!readMachineString((std::string(kUninstallKey) + kRecognitionEngine).c_str(), "Publisher",
                           publisher))
        return 0;
    return strcasecmp(publisher.c_str(), "Chant Inc.") == 0 ? 1 : 0;
}

int IsSAPI5LangPackInstalled() {
    if (isWindows95()) return 1;
    int language = GetCurrentLanguage();
    if (language != 2052 && (language & 0x3FF) != 17) return 1;
    return machineKeyExists(std::string(kUninstallKey) + kEastAsianLanguagePack) ? 1 : 0;
}

// ---- Starting programs ----

int CmdExec(CString commandLine, int wait) {
    platform::STARTUPINFOA startup{sizeof(platform::STARTUPINFOA), 0, 0};
    platform::PROCESS_INFORMATION info;
    if (!startProcess(nullptr, commandLine, startup, info)) return 0;
    if (wait) platform::WaitForSingleObject(info.hProcess, platform::INFINITE);
    closeBoth(info);
    return 1;
}

int ExecProc(CString commandLine, int wait, int show, DWORD& exitCode) {
    platform::STARTUPINFOA startup{sizeof(platform::STARTUPINFOA), STARTF_USESHOWWINDOW,
                                   static_cast<WORD>(show > 0 ? SW_SHOWNORMAL : SW_HIDE)};
    platform::PROCESS_INFORMATION info;
    if (!startProcess(nullptr, commandLine, startup, info)) return 0;
    if (wait) platform::WaitForSingleObject(info.hProcess, platform::INFINITE);
    int obtained = platform::GetExitCodeProcess(info.hProcess, &exitCode) ? 1 : 0;
    closeBoth(info);
    return obtained;
}

int ExecProc(CString commandLine, int wait, int show, DWORD* exitCode) {
    DWORD ignored = 0;
    return ExecProc(commandLine, wait, show, exitCode ? *exitCode : ignored);
}

// The window is found on the X11 display by the process id its windows carry; without a
// display it is null (see FirstWindowOfProcess).
int ExecProcess(const char* program, char* commandLine, HWND& window) {
    window = nullptr;
    platform::STARTUPINFOA startup{sizeof(platform::STARTUPINFOA), 0, 0};
    platform::PROCESS_INFORMATION info;
    std::memset(&info, 0, sizeof info);
    if (!platform::CreateProcessA(program && *program ? program : nullptr, commandLine, nullptr,
                                  nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                                  &info))
        return 0;
    while (platform::WaitForInputIdle(info.hProcess, 100) == platform::WAIT_TIMEOUT) {
    }
    window = tessaly::base::FirstWindowOfProcess(info.dwProcessId, info.hProcess);
    closeBoth(info);
    return 1;
}

// ---- Processes ----

int GetProcessCount(const char* name) {
    const char* part = name ? name : "";
    int count = 0;
    for (const platform::ProcessEntry& entry : platform::ListProcesses()) {
        std::string exe = platform::Utf8ToAnsi(entry.exeName);
        platform::AnsiLower(exe);
        if (std::strstr(exe.c_str(), part)) ++count;
    }
    return count;
}

// ---- Waiting ----

// Returns at once for 0. For any other value it keeps the caller's windows alive, pumping
// their messages (or sleeping when no pump is installed), until the application quits or
// kWaitForFlagLimitMs have passed.
void WaitForFlag(int flag) {
    if (!flag) return;
    const DWORD start = platform::GetTickCount();
    while (!platform::ApplicationQuitting() &&
           platform::GetTickCount() - start < kWaitForFlagLimitMs) {
        DWORD left = kWaitForFlagLimitMs - (platform::GetTickCount() - start);
        Delay(std::min(left, kPumpSliceMs));
    }
}

void Delay(UINT milliseconds) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        auto now = Clock::now();
        if (now >= end) return;
        auto left =
            static_cast<DWORD>(std::chrono::ceil<std::chrono::milliseconds>(end - now).count());
        if (!platform::PumpMessages(std::min(left, kPumpSliceMs))) {
            platform::Sleep(left);
            return;
        }
        // A pump that returns at once when nothing is waiting must not make this spin.
        left = static_cast<DWORD>(std::max<long long>(
            0, std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count()));
        platform::Sleep(std::min<DWORD>(left, 5));
    }
}

// ---- Command lines and memory-file variables ----

int FindArgument(int argc, char*** argv, CString name) {
    if (!argv || !*argv) return 0;
    for (int i = 1; i < argc; ++i) {
        const char* argument = (*argv)[i];
        if (!argument || (argument[0] != '-' && argument[0] != '/')) continue;
        // Case is ignored by the code page's rules, as for every text comparison here.
        if (name.CompareNoCase(argument + 1) == 0) return 1;
    }
    return 0;
}

DWORD GetMemFileVarible(const char* text, int index) {
    long numbers[4] = {0, 0, 0, 0};
    if (text)
        std::sscanf(text, "%ld,%ld,%ld,%ld", &numbers[0], &numbers[1], &numbers[2], &numbers[3]);
    if (index < 0 || index > 3) return 0; // no defined result: 0
    return static_cast<DWORD>(numbers[index]);
}
