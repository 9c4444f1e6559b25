#include "platform/process.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/errors.h"
#include "platform/handles.h"
#include "support/environment.h"
#include "support/prefix.h"

using namespace tessaly::platform;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct SplitCase {
    const char* line;
    std::vector<std::string> arguments;
};

const SplitCase kSplitCases[] = {
    {"", {}},
    {"   ", {}},
    {"prog a b c", {"prog", "a", "b", "c"}},
    {"prog \t a \t b  ", {"prog", "a", "b"}},
    {"\"C:\\Program Files\\x.exe\" -s", {"C:\\Program Files\\x.exe", "-s"}},
    {"\"prog name\"x y", {"prog name", "x", "y"}},
    // The program name knows no escapes: its backslash before a quote stays.
    {"\"C:\\dir\\\" a", {"C:\\dir\\", "a"}},
    {"prog \"a b\" c", {"prog", "a b", "c"}},
    {"prog a\"b c\"d", {"prog", "ab cd"}},
    {"prog \"\" x", {"prog", "", "x"}},
    {"prog a\\\\b", {"prog", "a\\\\b"}},           // backslashes not before a quote
    {"prog a\\\"b", {"prog", "a\"b"}},             // 1 backslash + quote: literal quote
    {"prog a\\\\\\\"b", {"prog", "a\\\"b"}},       // 3 backslashes + quote
    {"prog \"a\\\\\" b", {"prog", "a\\", "b"}},    // 2 backslashes + quote: closes
    {"prog \\\\\\\\\"a b\"", {"prog", "\\\\a b"}}, // 4 backslashes + quote: opens
    {"C:\\dir\\prog.exe a\\", {"C:\\dir\\prog.exe", "a\\"}},
    {"prog \"a\"\"b\"", {"prog", "a\"b"}},     // doubled quote inside quotes
    {"prog \"a\"\"b\" c", {"prog", "a\"b c"}}, // ...which also ends the quoted part
    {"prog \"\"\"", {"prog", "\""}},           // three quotes: one literal quote
    {"prog \"unterminated arg", {"prog", "unterminated arg"}},
};

} // namespace

TEST(CommandLine, SplitsTheWindowsWay) {
    for (const SplitCase& c : kSplitCases)
        EXPECT_EQ(SplitCommandLine(c.line), c.arguments) << "line: [" << c.line << "]";
}

TEST(CommandLine, JoinsWithMinimalQuoting) {
    struct {
        std::vector<std::string> arguments;
        const char* line;
    } cases[] = {
        {{"prog", "a", "b"}, "prog a b"},
        {{"C:\\Program Files\\x.exe", "a b"}, "\"C:\\Program Files\\x.exe\" \"a b\""},
        {{"prog", ""}, "prog \"\""},
        {{"prog", "say \"hi\""}, "prog \"say \\\"hi\\\"\""},
        {{"prog", "a\\ b\\"}, "prog \"a\\ b\\\\\""},
        {{"prog", "C:\\dir\\"}, "prog C:\\dir\\"},
        {{"prog", "x\\\"y"}, "prog \"x\\\\\\\"y\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JoinCommandLine(c.arguments), c.line);
}

TEST(CommandLine, JoinThenSplitGivesTheArgumentsBack) {
    const std::vector<std::vector<std::string>> lists = {
        {"prog"},
        {"C:\\Program Files\\App\\app.exe", "/s", "-x"},
        {"prog", "", "", "a"},
        {"prog", "\\", "\\\\", "a\\", "\\\"", "\"", "\"\"", "\"\"\""},
        {"prog", "tab\there", "two  blanks", "end\\\\", "mid\\\\\"dle"},
        {"prog", "C:\\Documents and Settings\\", "x"},
    };
    for (const auto& list : lists) {
        std::string line = JoinCommandLine(list);
        EXPECT_EQ(SplitCommandLine(line), list) << "line: [" << line << "]";
    }
}

class ProcessTest : public tessaly::testing::PrefixTest {
  protected:
    // Starts a command line; the handles are closed by the caller through Close().
    PROCESS_INFORMATION Start(const std::string& line, const char* folder = nullptr,
                              STARTUPINFOA* startup = nullptr) {
        PROCESS_INFORMATION info{};
        std::string buffer = line;
        EXPECT_TRUE(CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
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

    static bool IsLivingOrZombie(DWORD pid) { return fs::exists("/proc/" + std::to_string(pid)); }
};

TEST_F(ProcessTest, MissingExeFallsBackToTheNameWithoutExtension) {
    std::string tool = MakeScript("tool", "exit 0");
    std::string both = MakeScript("both", "exit 0");
    std::string bothExe = MakeScript("both.exe", "exit 0");
    tessaly::testing::WriteFile(prefix_.scratch() + "/plain", "not a program");

    EXPECT_EQ(ResolveProgram(tool), tool);
    EXPECT_EQ(ResolveProgram(tool + ".exe"), tool);
    EXPECT_EQ(ResolveProgram(tool + ".EXE"), tool);
    EXPECT_EQ(ResolveProgram(bothExe), bothExe); // an existing .exe wins
    EXPECT_EQ(ResolveProgram(prefix_.scratch() + "/missing.exe"), "");
    EXPECT_EQ(ResolveProgram(prefix_.scratch() + "/plain"), ""); // not executable
    EXPECT_EQ(ResolveProgram(""), "");
}

TEST_F(ProcessTest, BareNamesAreSearchedOnPath) {
    std::string tool = MakeScript("tessaly-probe-tool", "exit 0");
    tessaly::testing::ScopedEnv path("PATH", "/nonexistent:" + prefix_.scratch() + ":/bin");
    EXPECT_EQ(ResolveProgram("tessaly-probe-tool.exe"), tool);
    EXPECT_EQ(ResolveProgram("tessaly-probe-tool"), tool);
    EXPECT_EQ(ResolveProgram("tessaly-no-such-tool.exe"), "");
    EXPECT_EQ(ResolveProgram("sh.exe"), "/bin/sh");
}

TEST_F(ProcessTest, WindowsPathsAreTranslated) {
    std::string tool = MakeScript("tool", "exit 0");
    std::string windows = "Z:" + tool;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    EXPECT_EQ(ResolveProgram(windows + ".exe"), tool);
    EXPECT_EQ(ResolveProgram(windows), tool);
}

TEST_F(ProcessTest, ExitCodesComeBack) {
    struct {
        const char* line;
        DWORD code;
    } cases[] = {
        {"/bin/sh -c \"exit 7\"", 7},
        {"/bin/sh -c \"exit 0\"", 0},
        {"sh.exe -c \"exit 255\"", 255},
        // A signal: 128 plus its number.
        {"/bin/sh -c \"kill -TERM $$\"", 128 + 15},
        // Arguments arrive as split: the script sees exactly three of them.
        {"/bin/sh -c \"exit $#\" zero \"one two\" \"\" three", 3},
    };
    for (const auto& c : cases) {
        PROCESS_INFORMATION info = Start(c.line);
        EXPECT_EQ(RunToEnd(info), c.code) << c.line;
    }
}

TEST_F(ProcessTest, StillActiveUntilTerminated) {
    PROCESS_INFORMATION info = Start("/bin/sleep 30");
    ASSERT_NE(info.hProcess, nullptr);
    EXPECT_EQ(GetProcessId(info.hProcess), info.dwProcessId);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(code, 259u);

    auto start = Clock::now();
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 150), WAIT_TIMEOUT);
    auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(140));
    EXPECT_LT(waited, std::chrono::milliseconds(2000));

    EXPECT_TRUE(TerminateProcess(info.hProcess, 42));
    EXPECT_EQ(WaitForSingleObject(info.hThread, 5000), WAIT_OBJECT_0);
    ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_FALSE(TerminateProcess(info.hProcess, 1)); // already ended
    Close(info);
}

TEST_F(ProcessTest, HiddenStartAndFolderReachTheChild) {
    std::string folder = prefix_.scratch() + "/work";
    fs::create_directories(folder);
    std::string probe =
        MakeScript("probe", "[ \"$(pwd -P)\" = \"$1\" ] || exit 10\n[ "
                            "\"${TESSALY_SHOW_WINDOW-unset}\" = \"$2\" ] || exit 11");
    std::string real = fs::canonical(folder).string();

    STARTUPINFOA hidden{sizeof(STARTUPINFOA), 1, 0};
    PROCESS_INFORMATION info = Start(probe + " " + real + " 0", folder.c_str(), &hidden);
    EXPECT_EQ(RunToEnd(info), 0u);

    STARTUPINFOA shown{sizeof(STARTUPINFOA), 1, 1};
    info = Start(probe + " " + real + " 1", folder.c_str(), &shown);
    EXPECT_EQ(RunToEnd(info), 0u);

    setenv("TESSALY_SHOW_WINDOW", "0", 1); // not passed on when the caller sets no show flag
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    info = Start(probe + " " + fs::canonical(cwd).string() + " unset");
    EXPECT_EQ(RunToEnd(info), 0u);
    unsetenv("TESSALY_SHOW_WINDOW");
}

TEST_F(ProcessTest, FailuresSetTheSystemErrors) {
    PROCESS_INFORMATION info{};
    char missing[] = "/nonexistent/program.exe arg";
    EXPECT_FALSE(CreateProcessA(nullptr, missing, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                nullptr, &info));
    EXPECT_EQ(GetLastError(), 2u);
    char sh[] = "/bin/sh -c true";
    EXPECT_FALSE(CreateProcessA(nullptr, sh, nullptr, nullptr, FALSE, 0, nullptr,
                                "/nonexistent/folder", nullptr, &info));
    EXPECT_EQ(GetLastError(), 267u);
    EXPECT_FALSE(CreateProcessA(nullptr, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                nullptr, &info));

    HANDLE bogus = reinterpret_cast<HANDLE>(0x7777);
    DWORD code = 0;
    EXPECT_EQ(WaitForSingleObject(bogus, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForInputIdle(bogus, 0), WAIT_FAILED);
    EXPECT_FALSE(GetExitCodeProcess(bogus, &code));
    EXPECT_EQ(GetLastError(), 6u);
}

TEST_F(ProcessTest, ApplicationNameIsTheProgramAndTheLineItsArguments) {
    std::string script = MakeScript("args", "[ \"$1\" = \"x y\" ] && exit 21\nexit 1");
    char line[] = "ignored-name \"x y\"";
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessA((script + ".exe").c_str(), line, nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, nullptr, &info));
    EXPECT_EQ(RunToEnd(info), 21u);
}

TEST_F(ProcessTest, ReadyForInputAfterAShortMoment) {
    PROCESS_INFORMATION info = Start("/bin/sleep 30");
    EXPECT_EQ(WaitForInputIdle(info.hProcess, 0), WAIT_TIMEOUT);
    auto start = Clock::now();
    EXPECT_EQ(WaitForInputIdle(info.hProcess, 5000), 0u);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_EQ(WaitForInputIdle(info.hProcess, 0), 0u);
    TerminateProcess(info.hProcess, 0);
    RunToEnd(info);
}

TEST_F(ProcessTest, ClosedHandlesLeaveNoZombies) {
    PROCESS_INFORMATION ended = Start("/bin/true");
    PROCESS_INFORMATION running = Start("/bin/sleep 0.3");
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // /bin/true is a zombie now
    Close(ended);
    Close(running);
    EXPECT_FALSE(IsLivingOrZombie(ended.dwProcessId));
    EXPECT_TRUE(IsLivingOrZombie(running.dwProcessId));
    auto deadline = Clock::now() + std::chrono::seconds(5);
    while (IsLivingOrZombie(running.dwProcessId) && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(IsLivingOrZombie(running.dwProcessId));
}

TEST_F(ProcessTest, ProcessListShowsExecutableNamesAndParents) {
    std::string copy = prefix_.scratch() + "/Renamed Sleeper.exe";
    fs::copy_file("/bin/sleep", copy); // keeps its mode
    PROCESS_INFORMATION info = Start("\"" + copy + "\" 30");

    bool sawSelf = false, sawChild = false;
    for (const ProcessEntry& entry : ListProcesses()) {
        if (entry.pid == GetCurrentProcessId()) {
            sawSelf = true;
            EXPECT_EQ(entry.exePath, fs::read_symlink("/proc/self/exe").string());
        }
        if (entry.pid == info.dwProcessId) {
            sawChild = true;
            EXPECT_EQ(entry.exeName, "Renamed Sleeper.exe");
            EXPECT_EQ(entry.exePath, copy);
            EXPECT_EQ(entry.parentPid, GetCurrentProcessId());
        }
    }
    EXPECT_TRUE(sawSelf);
    EXPECT_TRUE(sawChild);

    TerminateProcess(info.hProcess, 0);
    DWORD pid = info.dwProcessId;
    RunToEnd(info);
    for (const ProcessEntry& entry : ListProcesses())
        EXPECT_NE(entry.pid, pid);
}

TEST_F(ProcessTest, OwnCommandLineSplitsIntoOwnArguments) {
    std::vector<std::string> arguments = SplitCommandLine(GetCommandLineA());
    ASSERT_FALSE(arguments.empty());
    std::string self = fs::read_symlink("/proc/self/exe").filename().string();
    EXPECT_NE(arguments[0].find(self), std::string::npos) << GetCommandLineA();
}
