// Command lines, program lookup, and processes: start, exit codes, waits, the process list.
#include "platform/process.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>
#include <tuple>

#include "platform/errors.h"
#include "platform/handles.h"
#include "support/environment.h"
#include "support/prefix.h"

using namespace tessaly::platform;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

TEST(CommandLine, SplitsTheWindowsWay) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"prog \t a \t b  ", {"prog", "a", "b"}},
        {"\"prog name\"x y", {"prog name", "x", "y"}},
        // The program name knows no escapes: its backslash before a quote stays.
        {"\"C:\\dir\\\" a", {"C:\\dir\\", "a"}},
        {"prog a\"b c\"d", {"prog", "ab cd"}},
        {"prog a\\\\\\\"b", {"prog", "a\\\"b"}},    // odd backslashes + quote: literal quote
        {"prog \"a\\\\\" b", {"prog", "a\\", "b"}}, // even backslashes + quote: closes
        {"prog \"a\"\"b\" c", {"prog", "a\"b c"}},  // doubled quote inside quotes stays open
        {"prog \"unterminated arg", {"prog", "unterminated arg"}},
    };
    for (const auto& [line, arguments] : cases)
        EXPECT_EQ(SplitCommandLine(line), arguments) << "line: [" << line << "]";
}

TEST(CommandLine, JoinsWithMinimalQuotingAndSplitsBack) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"C:\\Program Files\\x.exe", "a b"}, "\"C:\\Program Files\\x.exe\" \"a b\""},
        {{"prog", "say \"hi\""}, "prog \"say \\\"hi\\\"\""},
        {{"prog", "a\\ b\\"}, "prog \"a\\ b\\\\\""},
    };
    for (const auto& [arguments, joined] : cases) {
        EXPECT_EQ(JoinCommandLine(arguments), joined);
        EXPECT_EQ(SplitCommandLine(joined), arguments) << joined;
    }
}

class ProcessTest : public tessaly::testing::PrefixTest {
  protected:
    PROCESS_INFORMATION Start(const std::string& line, const char* folder = nullptr,
                              STARTUPINFOA* startup = nullptr, const char* program = nullptr) {
        PROCESS_INFORMATION info{};
        std::string buffer = line;
        EXPECT_TRUE(CreateProcessA(program, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   folder, startup, &info))
            << line << " error " << GetLastError();
        return info;
    }
    static void Close(PROCESS_INFORMATION& info) {
        ReleaseHandle(info.hThread);
        ReleaseHandle(info.hProcess);
    }
    static DWORD RunToEnd(PROCESS_INFORMATION& info) {
        EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
        DWORD code = 12345;
        EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
        Close(info);
        return code;
    }
};

// A missing ".exe" falls back to the name without it; bare names are searched on PATH;
// Windows paths are translated.
TEST_F(ProcessTest, ResolveProgram) {
    const std::string tool = MakeScript("tool", "exit 0");
    const std::string bothExe = MakeScript("both.exe", "exit 0");
    MakeScript("both", "exit 0");
    tessaly::testing::WriteFile(prefix_.scratch() + "/plain", "not a program");
    tessaly::testing::ScopedEnv path("PATH", "/nonexistent:" + prefix_.scratch() + ":/bin");
    std::string windows = "Z:" + tool;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    const std::pair<std::string, std::string> cases[] = {
        {tool + ".EXE", tool},
        {bothExe, bothExe},                 // an existing .exe wins
        {prefix_.scratch() + "/plain", ""}, // not executable
        {"tool.exe", tool},
        {windows + ".exe", tool},
    };
    for (const auto& [name, resolved] : cases)
        EXPECT_EQ(ResolveProgram(name), resolved) << name;
}

TEST_F(ProcessTest, ExitCodesComeBack) {
    const std::string script =
        MakeScript("args", "[ \"$1\" = \"x y\" ] && exit 21\nexit 1") + ".exe";
    const std::tuple<const char*, const char*, DWORD> cases[] = {
        {nullptr, "/bin/sh -c \"exit 7\"", 7},
        {nullptr, "/bin/sh -c \"kill -TERM $$\"", 128 + 15}, // a signal: 128 plus its number
        // Arguments arrive as split: the script sees exactly three of them.
        {nullptr, "/bin/sh -c \"exit $#\" zero \"one two\" \"\" three", 3},
        {script.c_str(), "ignored-name \"x y\"", 21}, // the program named apart
    };
    for (const auto& [program, line, code] : cases) {
        PROCESS_INFORMATION info = Start(line, nullptr, nullptr, program);
        EXPECT_EQ(RunToEnd(info), code) << line;
    }
}

TEST_F(ProcessTest, StillActiveUntilTerminatedAndReadyAfterAMoment) {
    PROCESS_INFORMATION info = Start("/bin/sleep 30");
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(code, 259u);
    EXPECT_EQ(WaitForInputIdle(info.hProcess, 0), WAIT_TIMEOUT);
    auto start = Clock::now();
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 150), WAIT_TIMEOUT);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(140));
    EXPECT_EQ(WaitForInputIdle(info.hProcess, 5000), 0u);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));

    EXPECT_TRUE(TerminateProcess(info.hProcess, 42));
    EXPECT_EQ(WaitForSingleObject(info.hThread, 5000), WAIT_OBJECT_0);
    ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(code, 42u);
    Close(info);
}

TEST_F(ProcessTest, HiddenStartAndFolderReachTheChild) {
    std::string folder = prefix_.scratch() + "/work";
    fs::create_directories(folder);
    std::string probe =
        MakeScript("probe", "[ \"$(pwd -P)\" = \"$1\" ] || exit 10\n"
                            "[ \"${TESSALY_SHOW_WINDOW-unset}\" = \"$2\" ] || exit 11");
    std::string real = fs::canonical(folder).string();
    STARTUPINFOA startup{sizeof(STARTUPINFOA), 1, 0};
    PROCESS_INFORMATION info = Start(probe + " " + real + " 0", folder.c_str(), &startup);
    EXPECT_EQ(RunToEnd(info), 0u);
    tessaly::testing::ScopedEnv show("TESSALY_SHOW_WINDOW", "1"); // not passed on unasked
    info = Start(probe + " " + real + " unset", folder.c_str());
    EXPECT_EQ(RunToEnd(info), 0u);
}

TEST_F(ProcessTest, FailuresSetTheSystemErrors) {
    PROCESS_INFORMATION info{};
    for (auto [line, folder, error] : {std::tuple{"/nonexistent/program.exe arg", "/", 2u},
                                       {"/bin/sh -c true", "/nonexistent/folder", 267u}}) {
        std::string buffer = line;
        EXPECT_FALSE(CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                    folder, nullptr, &info));
        EXPECT_EQ(GetLastError(), error) << line;
    }
    HANDLE bogus = reinterpret_cast<HANDLE>(0x7777);
    DWORD code = 0;
    EXPECT_EQ(WaitForSingleObject(bogus, 0), WAIT_FAILED);
    EXPECT_FALSE(GetExitCodeProcess(bogus, &code));
    EXPECT_EQ(GetLastError(), 6u);
}

TEST_F(ProcessTest, ClosedHandlesLeaveNoZombies) {
    auto isLivingOrZombie = [](DWORD pid) { return fs::exists("/proc/" + std::to_string(pid)); };
    PROCESS_INFORMATION ended = Start("/bin/true");
    PROCESS_INFORMATION running = Start("/bin/sleep 0.3");
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // /bin/true is a zombie now
    Close(ended);
    Close(running);
    EXPECT_FALSE(isLivingOrZombie(ended.dwProcessId));
    EXPECT_TRUE(isLivingOrZombie(running.dwProcessId));
    auto deadline = Clock::now() + std::chrono::seconds(5);
    while (isLivingOrZombie(running.dwProcessId) && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(isLivingOrZombie(running.dwProcessId));
}

TEST_F(ProcessTest, ProcessListShowsExecutableNames) {
    std::string copy = prefix_.scratch() + "/Renamed Sleeper.exe";
    fs::copy_file("/bin/sleep", copy); // keeps its mode
    PROCESS_INFORMATION info = Start("\"" + copy + "\" 30");
    auto listed = [pid = info.dwProcessId] {
        for (const ProcessEntry& entry : ListProcesses())
            if (entry.pid == pid) return entry.exeName + "|" + entry.exePath;
        return std::string("<not listed>");
    };
    EXPECT_EQ(listed(), "Renamed Sleeper.exe|" + copy);
    TerminateProcess(info.hProcess, 0);
    RunToEnd(info);
    EXPECT_EQ(listed(), "<not listed>");
}
