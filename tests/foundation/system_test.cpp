// System services: the Windows description, components, starting programs, process counts,
// waits, switches and version resources.
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <tessaly/foundation.h>

#include "platform/files.h"
#include "platform/prefix.h"
#include "platform/process.h"
#include "platform/pump.h"
#include "platform/registry.h"
#include "support/platform_version_probe.h"
#include "support/prefix.h"
#include "support/registry.h"
#include "support/run.h"
#include "windows_version.h"

namespace platform = tessaly::platform;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using tessaly::testing::PresentWindows;
using tessaly::testing::PutRegText;

namespace {

class SystemTest : public tessaly::testing::PrefixTest {};

long long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

} // namespace

TEST_F(SystemTest, WindowsDescriptionForEveryFamily) {
    struct {
        DWORD platformId, major, minor, build;
        const char* pack;
        const char* expected;
    } cases[] = {
        {2, 5, 1, 2600, "Service Pack 2",
         "Microsoft Windows XP  version 5.1 Service Pack 2 (Build 2600)"},
        {2, 3, 51, 1057, "", "Microsoft Windows NT  version 3.51  (Build 1057)"},
        // Later NT versions have no name: the text starts with the blank of the format.
        {2, 5, 2, 3790, "Service Pack 1", " version 5.2 Service Pack 1 (Build 3790)"},
        // Windows 95 without service-pack text is the "A" release.
        {1, 4, 0, 950, "", "Microsoft Windows 95 version 4.0 A (Build 950)"},
        // 9x keeps the build in the low word.
        {1, 4, 10, 0x040A08AE, " A ", "Microsoft Windows 98 version 4.10  A  (Build 2222)"},
        {0, 1, 30, 0, "", "Microsoft Win32s"},
        {0xFFFFFFFF, 5, 1, 2600, "", "Unknown version"}, // the version cannot be read
    };
    for (const auto& c : cases) {
        PresentWindows(c.platformId, c.major, c.minor, c.build, c.pack);
        EXPECT_EQ(std::string(GetWindowsVersion()), c.expected) << c.major << "." << c.minor;
    }
}

TEST_F(SystemTest, InstalledComponents) {
    const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    const char languageKey[] = "Software\\varnholt\\Tessaly2001\\Language";
    // On Windows 95, but not 98, everything counts as present.
    PutRegText(HKEY_LOCAL_MACHINE, languageKey, "Current", "1041");
    PresentWindows(1, 4, 0, 950, "");
    EXPECT_EQ(IsSAPI5Installed() + IsSAPI5SRInstalled() + IsSAPI5LangPackInstalled(), 3);
    PresentWindows(1, 4, 10, 2222, "");
    EXPECT_EQ(IsSAPI5Installed() + IsSAPI5SRInstalled() + IsSAPI5LangPackInstalled(), 0);

    PresentWindows(2, 5, 1, 2600, "Service Pack 2");
    PutRegText(HKEY_LOCAL_MACHINE, (uninstall + "{A403D88E-ED7D-48E3-91FD-B8C8A720EDA1}").c_str(),
               "DisplayName", "Speech SDK");
    EXPECT_EQ(IsSAPI5Installed(), 1);
    const std::string engine = uninstall + "{727E4C90-7A30-4E64-889D-B95B536847EB}";
    PutRegText(HKEY_LOCAL_MACHINE, engine.c_str(), "Publisher", "CHANT inc.");
    EXPECT_EQ(IsSAPI5SRInstalled(), 1);
    // Chinese and Japanese (by language or primary language) need the pack.
    for (auto [language, withoutPack] : {std::pair{"17", 0}, {"1028", 1}}) {
        PutRegText(HKEY_LOCAL_MACHINE, languageKey, "Current", language);
        EXPECT_EQ(IsSAPI5LangPackInstalled(), withoutPack) << language;
    }
    PutRegText(HKEY_LOCAL_MACHINE, (uninstall + "{BFF0C845-DFF9-425A-9093-D86C4EE00EE1}").c_str(),
               "DisplayName", "Language pack");
    PutRegText(HKEY_LOCAL_MACHINE, languageKey, "Current", "2052");
    EXPECT_EQ(IsSAPI5LangPackInstalled(), 1);
    EXPECT_EQ(GetIEVersion(), 0.0);
    for (auto [text, version] : {std::pair{"5.50.4807.2300", 5.5}, {"junk", 0.0}}) {
        PutRegText(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Internet Explorer", "Version", text);
        EXPECT_DOUBLE_EQ(GetIEVersion(), version) << text;
    }
}

TEST_F(SystemTest, CmdExecAndExecProcWaitOnlyWhenAsked) {
    DWORD code = 0;
    EXPECT_EQ(ExecProc(CString("/bin/sh -c \"exit 7\""), 1, 1, code), 1);
    EXPECT_EQ(code, 7u);
    // The show flag reaches the program: hidden for 0 and for negative values.
    std::string show = MakeScript("show", "exit ${TESSALY_SHOW_WINDOW:-99}");
    for (auto [flag, shown] : {std::pair{1, 1u}, {-3, 0u}}) {
        EXPECT_EQ(ExecProc(CString(show.c_str()), 1, flag, code), 1);
        EXPECT_EQ(code, shown) << flag;
    }
    // Without waiting, a running program reports the still-active code.
    auto start = Clock::now();
    EXPECT_EQ(ExecProc(CString("/bin/sleep 2"), 0, 1, code), 1);
    EXPECT_EQ(code, 259u);
    EXPECT_LT(msSince(start), 1000);
    DWORD pointed = 0;
    EXPECT_EQ(ExecProc(CString("sh.exe -c \"exit 3\""), 1, 1, &pointed), 1);
    EXPECT_EQ(pointed, 3u);

    // A missing program fails at once and leaves the code alone.
    code = 12345;
    start = Clock::now();
    EXPECT_EQ(ExecProc(CString("C:\\Program Files\\Nowhere\\missing.exe /s"), 1, 1, code), 0);
    EXPECT_LT(msSince(start), 500);
    EXPECT_EQ(code, 12345u);
    std::string mark = prefix_.scratch() + "/mark";
    std::string line = MakeScript("slow", "sleep 0.4\n: > \"$1\"") + " " + mark;
    EXPECT_EQ(CmdExec(CString(line.c_str()), 1), 1);
    EXPECT_TRUE(fs::exists(mark));
    fs::remove(mark);
    start = Clock::now();
    EXPECT_EQ(CmdExec(CString(line.c_str()), 0), 1);
    EXPECT_LT(msSince(start), 300);
    EXPECT_FALSE(fs::exists(mark));
    EXPECT_EQ(CmdExec(CString("/nonexistent/tool.exe"), 1), 0);
}

TEST_F(SystemTest, ExecProcessStartsAndWaitsUntilReady) {
    HWND window = reinterpret_cast<HWND>(0x1234);
    std::string line = "sleeper 1";
    auto start = Clock::now();
    EXPECT_EQ(ExecProcess("/bin/sleep", line.data(), window), 1);
    EXPECT_EQ(window, nullptr); // no window search without the user interface
    EXPECT_GE(msSince(start), 150);
    EXPECT_LT(msSince(start), 900); // ready long before the program ends
    window = reinterpret_cast<HWND>(0x1234);
    std::string missing = "missing.exe";
    EXPECT_EQ(ExecProcess("/nonexistent/missing.exe", missing.data(), window), 0);
    EXPECT_EQ(window, nullptr);
}

TEST_F(SystemTest, ProcessCountMatchesLowerCasedNames) {
    // Names of this process alone, so tests running beside it cannot change the counts.
    const std::string tag = "count" + std::to_string(getpid());
    std::vector<platform::PROCESS_INFORMATION> started;
    for (const char* name : {"notepad.exe", "notes.exe", "NOTEBOOK.EXE", "other.exe"}) {
        const std::string copy = prefix_.scratch() + "/" + tag + name;
        fs::copy_file("/bin/sleep", copy);
        std::string line = "\"" + copy + "\" 30";
        started.emplace_back();
        ASSERT_TRUE(platform::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0,
                                             nullptr, nullptr, nullptr, &started.back()));
    }
    const std::pair<const char*, int> cases[] = {{"note", 3}, {"notebook", 1}, {"NOTEBOOK", 0}};
    for (const auto& [name, count] : cases)
        EXPECT_EQ(GetProcessCount((tag + name).c_str()), count) << name;
    EXPECT_GT(GetProcessCount(nullptr), 4); // null counts like the empty name: every process
    for (auto& info : started) {
        platform::TerminateProcess(info.hProcess, 0);
        platform::WaitForSingleObject(info.hProcess, 5000);
        platform::CloseHandle(info.hThread);
        platform::CloseHandle(info.hProcess);
    }
    EXPECT_EQ(GetProcessCount(tag.c_str()), 0);
}

namespace {
int pumpCalls = 0;
void quittingPump(DWORD) {
    if (++pumpCalls == 3) platform::SetApplicationQuitting(true);
}
} // namespace

TEST(Waiting, WaitForFlagEndsWhenTheApplicationQuits) {
    pumpCalls = 0;
    platform::SetApplicationQuitting(false);
    platform::SetMessagePump(quittingPump);
    auto start = Clock::now();
    WaitForFlag(1);
    platform::SetMessagePump(nullptr);
    platform::SetApplicationQuitting(false);
    EXPECT_GE(pumpCalls, 3);
    EXPECT_LT(msSince(start), 2000);
}

TEST_F(SystemTest, FindArgumentMatchesSwitchesAfterTheProgram) {
    struct {
        std::vector<const char*> arguments;
        int count; // -1: all of them
        const char* name;
        int expected;
    } cases[] = {
        {{"prog.exe", "-Silent"}, -1, "silent", 1},
        {{"-silent"}, -1, "silent", 0}, // the program name itself is never tested
        {{"prog.exe", "-silently"}, -1, "silent", 0},
        // Without case by the ANSI code page's rules (Windows-1252 here).
        {{"prog.exe", "/\xE9t\xE9"}, -1, "\xC9T\xC9", 1},
        {{"prog.exe", "-\xC4rger"}, -1, "arger", 0},
        {{"prog.exe", "-x", "-silent"}, 2, "silent", 0}, // only the count given is read
        {{"prog.exe", nullptr, "-silent"}, -1, "silent", 1},
    };
    for (const auto& c : cases) {
        std::vector<char*> argv;
        for (const char* a : c.arguments)
            argv.push_back(const_cast<char*>(a));
        char** pointer = argv.data();
        int argc = c.count < 0 ? static_cast<int>(argv.size()) : c.count;
        EXPECT_EQ(FindArgument(argc, &pointer, CString(c.name)), c.expected)
            << c.arguments.back() << " " << c.name;
    }
    EXPECT_EQ(FindArgument(3, nullptr, CString("x")), 0);
}

TEST(Arguments, MemFileVariables) {
    struct {
        const char* text;
        int index;
        DWORD expected;
    } cases[] = {
        {"1,2,3,4", 3, 4}, {"10,20", 2, 0}, {"-1,5", 0, 0xFFFFFFFF},
        {"5, 6 ,7", 1, 6}, {nullptr, 0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetMemFileVarible(c.text, c.index), c.expected)
            << (c.text ? c.text : "(null)") << " [" << c.index << "]";
}

TEST_F(SystemTest, VersionInfoTriesEveryTranslationInOrder) {
    const std::string dir = prefix_.scratch();
    const std::string file =
        tessaly::testing::BuildResourceDll(dir, "v", tessaly::testing::kVersionProbeScript);
    if (file.empty()) GTEST_SKIP() << "the binutils for Windows are missing";
    EXPECT_EQ(std::string(GetVersionInfo(file.c_str(), "ProductName")), "Probe");
    const std::string windows = platform::ToWindowsPath(file);
    EXPECT_EQ(std::string(GetVersionInfo(windows.c_str(), "Comments")), "nur deutsch");
    EXPECT_EQ(std::string(GetVersionInfo(file.c_str(), "LegalCopyright")), "");
    EXPECT_EQ(std::string(GetVersionInfo((dir + "/missing.dll").c_str(), "ProductName")), "");
    EXPECT_EQ(std::string(GetVersionInfo(nullptr, "ProductName")), "");
}
