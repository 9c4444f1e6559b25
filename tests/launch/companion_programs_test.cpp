// Installing and starting the companion programs, and the two mail proxies.
#include <tessaly/foundation.h>
#include <tessaly/launch.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <filesystem>

#include "platform/process.h"
#include "support/outside_programs.h"
#include "support/xvfb.h"

using namespace tessaly::testing;
namespace fs = std::filesystem;

namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kJava = "Software\\JavaSoft\\Java Runtime Environment";
const char kPrefs[] = "Software\\JavaSoft\\Prefs\\org\\mrbook\\mrpostman";
const std::string kMissingAgent = "Can't find Orvo WebMail Agent.";

// Whether another process's window (a handle the library gave) is mapped on the display.
bool mapped(HWND window) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const auto id =
        static_cast<xcb_window_t>(reinterpret_cast<std::uintptr_t>(window) & 0xFFFFFFFF);
    auto* reply = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, id), nullptr);
    const bool result = reply && reply->map_state != XCB_MAP_STATE_UNMAPPED;
    free(reply);
    xcb_disconnect(connection);
    return result;
}

void uninstall(const std::string& entry, const char* value, const std::string& text) {
    PutRegText(HKEY_LOCAL_MACHINE, (kUninstall + entry).c_str(), value, text);
}

using CompanionPrograms = OutsideProgramTest;

TEST_F(CompanionPrograms, SetupsRunAndAreWaitedFor) {
    const std::string open = install + "/OpenSource/";
    Recorder(open + "FileZilla Setup/FileZilla_2_2_6_setup.exe", "filezilla setup");
    const struct {
        const char* key;
        int result;
        Strings seen, runs;
    } cases[] = {
        {"filezilla", 1, {}, {"run filezilla setup"}},
        {"xananews", 2, {"OpenSource\\XanaNews Setup\\xananews_setup.exe file is not found."}, {}},
        {"Filezilla", 2, {"file is not found."}, {}},
    };
    for (const auto& c : cases) {
        Expect({});
        EXPECT_EQ(InstallOpenSourceProgram(c.key), c.result) << c.key;
        EXPECT_TRUE(Seen(c.seen)) << c.key;
        EXPECT_EQ(Lines(log), c.runs) << c.key;
    }
    // GIMP: both setups, run in the setup folder, which stays current.
    Recorder(open + "GIMP Setup/gtk+-2.2.4-20040124-setup.exe.exe", "gtk");
    Recorder(open + "GIMP Setup/gimp-2.0.1-setup.exe", "gimp");
    Expect({});
    EXPECT_EQ(InstallOpenSourceProgram("gimp"), 1);
    const std::string folder = "cwd " + open + "GIMP Setup";
    EXPECT_EQ(Lines(log, true), (Strings{"run gtk", folder, "run gimp", folder}));
    EXPECT_EQ(fs::current_path(), fs::path(open + "GIMP Setup"));
    // Ergane: the setup folder's files join the program folder's, which are kept.
    Recorder(open + "Ergane Setup/setup.exe", "ergane setup");
    WriteFile(open + "Ergane Setup/words.dic", "new");
    WriteFile(c + "/Apps/Ergane/words.dic", "mine");
    uninstall("ergane_is1", "Inno Setup: App Path", "C:\\Apps\\Ergane");
    Expect({});
    EXPECT_EQ(InstallOpenSourceProgram("ergane"), 1);
    EXPECT_EQ(Lines(log), Strings{"run ergane setup"});
    EXPECT_EQ(ReadFile(c + "/Apps/Ergane/words.dic"), "mine");
    EXPECT_TRUE(fs::exists(c + "/Apps/Ergane/setup.exe"));
}

TEST_F(CompanionPrograms, InstalledProgramsStartAndMissingOnesAreOffered) {
    uninstall("filezilla", "UninstallString", "\"C:\\Apps\\FileZilla\\uninstall.exe\"");
    uninstall("WinGimp-2.0_is1", "Inno Setup: App Path", "C:\\Apps\\GIMP");
    uninstall("xananews_is1", "Inno Setup: App Path", "C:\\Apps\\Xana\\");
    uninstall("Abiword2", "InstallLocation", "C:\\Apps\\Abi");
    uninstall("notes_is1", "Inno Setup: App Path", "C:\\Apps\\Notes");
    uninstall("scilab_is1", "Inno Setup: App Path", "C:\\Apps\\SciLab"); // not its entry
    for (const char* program : {"FileZilla/FileZilla", "GIMP/bin/gimp-2.0", "Xana/NewsReader3",
                                "Abi/abiword/bin/abiword"})
        Recorder(c + "/Apps/" + program, fs::path(program).filename().string());
    Recorder(install + "/OstrelSourceInstaller", "installer");
    const std::string doc = "C:\\My Docs\\a b.txt";
    const struct {
        const char* key;
        std::deque<int> answers;
        int result;
        Strings seen, runs;
    } cases[] = {
        {"filezilla", {}, 2, {}, {"run FileZilla", "arg " + doc}},
        {"gimp", {}, 2, {}, {"run gimp-2.0", "arg " + doc}},
        {"xananews", {}, 2, {}, {"run NewsReader3", "arg " + doc}},
        {"abiword", {}, 2, {}, {"run abiword", "arg " + doc}},
        {"notes", {}, 2, {}, {}}, // the program folder itself, which no program opens here
        {"GIMP", {kSecondButton}, 0, {"GIMP is not installed. Do you want to install it?"}, {}},
        {"scilab",
         {kFirstButton},
         1,
         {"Scilab is not installed."},
         {"run installer", "arg /scilab"}},
    };
    for (const auto& c : cases) {
        Expect(c.answers);
        EXPECT_EQ(StartOpenSourceProgram(c.key, doc.c_str()), c.result) << c.key;
        EXPECT_TRUE(Seen(c.seen)) << c.key;
        EXPECT_EQ(RunsAfter(c.runs.size()), c.runs) << c.key;
    }
}

TEST_F(CompanionPrograms, TheNativeProxyRunsOnce) {
    const std::string folder = install + "/OpenSource/Rindle", program = folder + "/Rindle.exe";
    const std::string failed = "Failed to start C:\\Orvo\\OpenSource\\Rindle\\Rindle.exe.";
    const struct {
        int checkOnly, showErrors;
        fs::perms present; // none: missing
        int result;
        Strings seen;
        int running;
    } cases[] = {
        {0, 0, fs::perms::none, 0, {}, 0},
        {0, 1, fs::perms::none, 0, {kMissingAgent}, 0},
        {1, 0, fs::perms::owner_read, 1, {}, 0},
        {0, 0, fs::perms::owner_read, 0, {failed}, 0},
        {0, 0, fs::perms::owner_all, 1, {}, 1},
        {0, 1, fs::perms::owner_all, 1, {}, 1}, // running already: not a second one
    };
    for (const auto& c : cases) {
        Expect({});
        if (c.present != fs::perms::none && !fs::exists(program)) {
            fs::create_directories(folder);
            fs::copy_file(std::string(TESSALY_BUILD_DIR) + "/lib/Rindle.exe", program);
        }
        if (c.present != fs::perms::none) fs::permissions(program, c.present);
        EXPECT_EQ(StartFreePops(c.checkOnly, c.showErrors), c.result);
        EXPECT_TRUE(Seen(c.seen));
        EXPECT_EQ(GetProcessCount("rindle.exe"), c.running);
    }
    EXPECT_EQ(Lines(folder + "/rindle.log", true),
              (Strings{"started in " + folder, "argument --no-icon"}));
    for (const auto& process : tessaly::platform::ListProcesses())
        if (process.exePath == program) kill(static_cast<pid_t>(process.pid), SIGTERM);
}

TEST_F(CompanionPrograms, TheJavaProxyRunsOnceWithItsWindowHidden) {
    PrivateDisplay display;
    ASSERT_FALSE(display.Name().empty());
    setenv("DISPLAY", display.Name().c_str(), 1);
    const std::string folder = install + "/OpenSource/OpenSourceHTTP";
    const std::string jre = prefix_.scratch() + "/jre", javaw = jre + "/bin/javaw";
    const std::string jar = std::string(TESSALY_BUILD_DIR) + "/lib/OpenSourceHTTP.jar";
    ASSERT_TRUE(fs::exists(jar));
    fs::create_directories(jre + "/bin");
    fs::create_directories(folder);
    // The notice of a missing runtime; its link leads to the runtime's download page.
    Expect({-1032, IDOK});
    EXPECT_EQ(StartPostMan(0, 1), 0);
    EXPECT_EQ(RunsAfter(2), (Strings{"run browser", "arg https://www.java.com/download/"}));
    // Each row adds one piece: the runtime's version, its folder, a program, the jar.
    const std::function<void()> steps[] = {
        [] {},
        [&] { PutRegText(HKEY_LOCAL_MACHINE, kJava.c_str(), "CurrentVersion", "1.8"); },
        [&] {
            PutRegText(HKEY_LOCAL_MACHINE, (kJava + "\\1.8").c_str(), "JavaHome", WindowsPath(jre));
        },
        [&] { chmod(WriteFile(javaw, std::string("\x7f\x45LF\x02", 5)).c_str(), 0755); },
    };
    const std::string notices[] = {"1031", "1031", "1031", kMissingAgent};
    for (int step = 0; step < 4; ++step) {
        steps[step]();
        for (int showErrors : {0, 1}) {
            Expect({IDOK});
            EXPECT_EQ(StartPostMan(0, showErrors), 0) << step;
            EXPECT_TRUE(Seen(showErrors ? Strings{notices[step]} : Strings{})) << step;
        }
    }
    fs::copy_file(jar, folder + "/OpenSourceHTTP.jar");
    Expect({});
    EXPECT_EQ(StartPostMan(1, 1), 1); // ready: nothing is started
    EXPECT_EQ(StartPostMan(0, 0), 0); // the runtime's program cannot be started
    EXPECT_TRUE(
        Seen({"Failed to start C:\\Orvo\\OpenSource\\OpenSourceHTTP\\OpenSourceHTTP.jar."}));
    fs::remove(javaw);
    fs::create_symlink(std::string(TESSALY_BUILD_DIR) + "/bin/tessaly-launcher", javaw);
    Expect({});
    EXPECT_EQ(StartPostMan(0, 1), 1);
    const HWND window = CWnd::FindWindow("org.mrbook.mrpostman.gui.MrPostmanGui", "MrPostMan");
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(mapped(window));
    EXPECT_EQ(GetStringRegistry(HKEY_CURRENT_USER, kPrefs, "/Run/Gui/Start").str(), "true");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(StartPostMan(0, 1), 1); // running: at once, and not a second one
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(Lines(folder + "/mrpostman.log", true), Strings{"started in " + folder});
    kill(static_cast<pid_t>(CWnd::ProcessIdOf(window)), SIGTERM);
}

} // namespace
