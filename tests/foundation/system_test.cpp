// System services: Windows description, components, programs, processes, waits and switches.
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
int pumpCalls = 0;

long long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

} // namespace

TEST_F(SystemTest, WindowsDescriptionForEveryFamily) {
    for (auto [id, major, minor, build, pack, expected] : {
             std::tuple{2u, 5u, 1u, 2600u, "Service Pack 2",
                        "Microsoft Windows XP  version 5.1 Service Pack 2 (Build 2600)"},
             // Later NT versions have no name: the text starts with the blank of the format.
             {2u, 5u, 2u, 3790u, "Service Pack 1", " version 5.2 Service Pack 1 (Build 3790)"},
             {1u, 4u, 0u, 950u, "", "Microsoft Windows 95 version 4.0 A (Build 950)"}, // "A"
             // 9x keeps the build in the low word.
             {1u, 4u, 10u, 0x040A08AEu, " A ",
              "Microsoft Windows 98 version 4.10  A  (Build 2222)"},
             {0xFFFFFFFFu, 5u, 1u, 2600u, "", "Unknown version"}, // the version cannot be read
         }) {
        PresentWindows(id, major, minor, build, pack);
        EXPECT_EQ(std::string(GetWindowsVersion()), expected) << major << "." << minor;
    }
}

TEST_F(SystemTest, InstalledComponents) {
    const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    const char languageKey[] = "Software\\varnholt\\Tessaly2001\\Language";
    // On Windows 95 everything counts as present.
    PutRegText(HKEY_LOCAL_MACHINE, languageKey, "Current", "1041");
    PresentWindows(1, 4, 0, 950, "");
    EXPECT_EQ(IsSAPI5Installed() + IsSAPI5SRInstalled() + IsSAPI5LangPackInstalled(), 3);
    PresentWindows(2, 5, 1, 2600, "Service Pack 2");
    // Chinese and Japanese (by language or primary language) need the pack.
    for (auto [language, withoutPack] : {std::pair{"17", 0}, {"1028", 1}}) {
        PutRegText(HKEY_LOCAL_MACHINE, languageKey, "Current", language);
        EXPECT_EQ(IsSAPI5LangPackInstalled(), withoutPack) << language;
    }
    const std::tuple<const char*, const char*, const char*> installed[] = {
        {"{A403D88E-ED7D-48E3-91FD-B8C8A720EDA1}", "DisplayName", "Speech SDK"},
        {"{727E4C90-7A30-4E64-889D-B95B536847EB}", "Publisher", "CHANT inc."},
        {"{BFF0C845-DFF9-425A-9093-D86C4EE00EE1}", "DisplayName", "Language pack"}};
    for (auto [id, name, value] : installed)
        PutRegText(HKEY_LOCAL_MACHINE, (uninstall + id).c_str(), name, value);
    PutRegText(HKEY_LOCAL_MACHINE, languageKey, "Current", "2052");
    EXPECT_EQ((std::vector{IsSAPI5Installed(), IsSAPI5SRInstalled(), IsSAPI5LangPackInstalled()}),
              (std::vector{1, 1, 1}));
    PutRegText(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Internet Explorer", "Version",
               "5.50.4807.2300");
    EXPECT_DOUBLE_EQ(GetIEVersion(), 5.5);
}

TEST_F(SystemTest, StartingProgramsWaitsOnlyWhenAsked) {
    DWORD code = 0;
    // The show flag reaches the program: hidden for 0 and for negative values.
    std::string show = MakeScript("show", "exit ${TESSALY_SHOW_WINDOW:-99}");
    EXPECT_EQ(ExecProc(CString(show.c_str()), 1, -3, code), 1);
    EXPECT_EQ(code, 0u);
    // Without waiting, a running program reports the still-active code.
    EXPECT_EQ(ExecProc(CString("/bin/sleep 2"), 0, 1, code), 1);
    EXPECT_EQ(code, 259u);
    EXPECT_EQ(ExecProc(CString("C:\\Program Files\\Nowhere\\missing.exe /s"), 1, 1, &code), 0);
    EXPECT_EQ(code, 259u); // left alone

    std::string mark = prefix_.scratch() + "/mark";
    std::string line = MakeScript("slow", "sleep 0.4\n: > \"$1\"") + " " + mark;
    for (int wait : {0, 1}) {
        EXPECT_EQ(CmdExec(CString(line.c_str()), wait), 1);
        EXPECT_EQ(fs::exists(mark), wait == 1) << wait;
    }
    EXPECT_EQ(CmdExec(CString("/nonexistent/tool.exe"), 1), 0);
    HWND window = reinterpret_cast<HWND>(0x1234);
    auto start = Clock::now();
    std::string sleeper = "sleeper 1";
    EXPECT_EQ(ExecProcess("/bin/sleep", sleeper.data(), window), 1);
    EXPECT_EQ(window, nullptr);     // no window search without the user interface
    EXPECT_LT(msSince(start), 900); // ready long before the program ends
    EXPECT_EQ(ExecProcess("/nonexistent/missing.exe", line.data(), window), 0);
}

TEST_F(SystemTest, ProcessCountMatchesLowerCasedNames) {
    // Names of this process alone, so tests running beside it cannot change the counts.
    const std::string tag = "count" + std::to_string(getpid());
    std::vector<platform::PROCESS_INFORMATION> started;
    for (const char* name : {"notepad.exe", "NOTEBOOK.EXE", "other.exe"}) {
        const std::string copy = prefix_.scratch() + "/" + tag + name;
        fs::copy_file("/bin/sleep", copy);
        std::string line = "\"" + copy + "\" 30";
        started.emplace_back();
        ASSERT_TRUE(platform::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0,
                                             nullptr, nullptr, nullptr, &started.back()));
    }
    for (auto [name, count] : {std::pair{"note", 2}, {"notebook", 1}, {"NOTEBOOK", 0}})
        EXPECT_EQ(GetProcessCount((tag + name).c_str()), count) << name;
    for (auto& info : started) {
        platform::TerminateProcess(info.hProcess, 0);
        platform::WaitForSingleObject(info.hProcess, 5000);
        platform::CloseHandle(info.hThread);
        platform::CloseHandle(info.hProcess);
    }
}

TEST(Waiting, WaitForFlagEndsWhenTheApplicationQuits) {
    platform::SetMessagePump([](DWORD) {
        if (++pumpCalls == 3) platform::SetApplicationQuitting(true);
    });
    auto start = Clock::now();
    WaitForFlag(1);
    platform::SetMessagePump(nullptr);
    platform::SetApplicationQuitting(false);
    EXPECT_LT(msSince(start), 2000);
}

TEST_F(SystemTest, FindArgumentMatchesSwitchesAfterTheProgram) {
    // Arguments, how many are given (-1: all of them), switch name, result.
    const std::tuple<std::vector<const char*>, int, const char*, int> cases[] = {
        {{"prog.exe", "-Silent"}, -1, "silent", 1},
        {{"-silent"}, -1, "silent", 0}, // the program name itself is never tested
        // Without case by the ANSI code page's rules (Windows-1252 here).
        {{"prog.exe", "/\xE9t\xE9"}, -1, "\xC9T\xC9", 1},
        {{"prog.exe", "-x", "-silent"}, 2, "silent", 0}, // only the count given is read
        {{"prog.exe", nullptr, "-silent"}, -1, "silent", 1},
    };
    for (const auto& [arguments, count, name, expected] : cases) {
        std::vector<char*> argv;
        for (const char* a : arguments)
            argv.push_back(const_cast<char*>(a));
        char** pointer = argv.data();
        int argc = count < 0 ? static_cast<int>(argv.size()) : count;
        EXPECT_EQ(FindArgument(argc, &pointer, CString(name)), expected) << name << argc;
    }
    EXPECT_EQ(FindArgument(3, nullptr, CString("x")), 0);
}

TEST(Arguments, MemFileVariables) {
    const std::tuple<const char*, int, DWORD> cases[] = {
        {"1,2,3,4", 3, 4}, {"10,20", 2, 0}, {"-1,5", 0, 0xFFFFFFFF}, {"5, 6 ,7", 1, 6}};
    for (auto [text, index, expected] : cases)
        EXPECT_EQ(GetMemFileVarible(text, index), expected) << text << " [" << index << "]";
    EXPECT_EQ(GetMemFileVarible(nullptr, 0), 0u);
}

TEST_F(SystemTest, VersionInfoTriesEveryTranslationInOrder) {
    const std::string file = tessaly::testing::BuildResourceDll(
        prefix_.scratch(), "v", tessaly::testing::kVersionProbeScript);
    if (file.empty()) GTEST_SKIP() << "the binutils for Windows are missing";
    const std::string windows = platform::ToWindowsPath(file);
    EXPECT_EQ(std::string(GetVersionInfo(windows.c_str(), "Comments")), "nur deutsch");
    EXPECT_EQ(std::string(GetVersionInfo(nullptr, "ProductName")), "");
}
