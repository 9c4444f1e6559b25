#pragma once
// Processes: Windows command lines, starting programs without a shell, waiting, exit codes,
// and the process list from /proc.
#include <string>
#include <vector>

#include "api.h"

namespace tessaly::platform {

struct STARTUPINFOA {
    DWORD cb;
    DWORD dwFlags;    // 1 STARTF_USESHOWWINDOW
    WORD wShowWindow; // 0 SW_HIDE, 1 SW_SHOWNORMAL ... accepted; a hidden start sets
                      // TESSALY_SHOW_WINDOW=0 in the child's environment
};

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};

// Splits a command line the Windows way (quotes, backslashes before quotes).
PLATFORM_API std::vector<std::string> SplitCommandLine(const std::string& commandLine);
// Joins arguments so that SplitCommandLine gives them back.
PLATFORM_API std::string JoinCommandLine(const std::vector<std::string>& arguments);
// The program named in a command line or application name, resolved: a Windows path is
// translated, a missing "x.exe" falls back to "x", a bare name is searched on PATH.
PLATFORM_API std::string ResolveProgram(const std::string& program);

// Starts the program directly (never through a shell). applicationName may be null, in
// which case the first word of the command line names the program.
PLATFORM_API BOOL CreateProcessA(const char* applicationName, char* commandLine,
                                 void* processAttributes, void* threadAttributes,
                                 BOOL inheritHandles, DWORD creationFlags, void* environment,
                                 const char* currentDirectory, STARTUPINFOA* startupInfo,
                                 PROCESS_INFORMATION* processInformation);
enum : DWORD {
    INFINITE = 0xFFFFFFFF,
    WAIT_OBJECT_0 = 0,
    WAIT_TIMEOUT = 258,
    WAIT_FAILED = 0xFFFFFFFF
};
PLATFORM_API DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// Ready for input: 0 once the process has run for a short moment (200 ms) or has ended;
// WAIT_TIMEOUT when that does not happen within the time given.
PLATFORM_API DWORD WaitForInputIdle(HANDLE process, DWORD milliseconds);
// 259 (STILL_ACTIVE) while the process runs; then its exit status, the code given to
// TerminateProcess, or 128 + the signal number when a signal ended it.
PLATFORM_API BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode);
PLATFORM_API BOOL TerminateProcess(HANDLE process, UINT exitCode);
PLATFORM_API DWORD GetProcessId(HANDLE process);
PLATFORM_API DWORD GetCurrentProcessId();

// The process command line as Windows gives it: the arguments joined with Windows quoting.
PLATFORM_API const char* GetCommandLineA();

struct ProcessEntry {
    DWORD pid;
    DWORD parentPid;
    std::string exeName; // the executable's file name, as /proc shows it
    std::string exePath; // full path of the executable when readable
};
// The running processes, from /proc.
PLATFORM_API std::vector<ProcessEntry> ListProcesses();

} // namespace tessaly::platform
