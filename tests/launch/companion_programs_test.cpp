// Installing and starting the companion programs, and the two mail proxies.
#include <tessaly/foundation.h>
#include <tessaly/launch.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <filesystem>

#include "platform/process.h"
#include "support/outside_programs.h"
#include "support/xvfb.h"

using tessaly::testing::OutsideProgramTest;
using tessaly::testing::PutRegText;
using tessaly::testing::ReadFile;
using tessaly::testing::WriteFile;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kJava[] = "Software\\JavaSoft\\Java Runtime Environment";

// Whether another process's window (a handle the library gave) is mapped on the display.
bool mapped(HWND window) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const auto id =
        static_cast<xcb_window_t>(reinterpret_cast<std::uintptr_t>(window) & 0xFFFFFFFF);
    xcb_get_window_attributes_reply_t* reply = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, id), nullptr);
    const bool result = reply && reply->map_state != XCB_MAP_STATE_UNMAPPED;
    free(reply);
    xcb_disconnect(connection);
    return result;
}

class CompanionPrograms : public OutsideProgramTest {
  protected:
    void Uninstall(const std::string& entry, const char* value, const std::string& text) {
        PutRegText(HKEY_LOCAL_MACHINE, (kUninstall + entry).c_str(), value, text);
    }
    void Answer(const std::deque<int>& list) {
        seen.clear();
        answers = list;
        unlink(log.c_str());
    }
};

TEST_F(CompanionPrograms, SetupsRunAndAreWaitedFor) {
    const std::string open = install + "/OpenSource/";
    Recorder(open + "FileZilla Setup/FileZilla_2_2_6_setup.exe", "filezilla setup");
    const struct {
        const char* key;
        int result;
        Strings seen, runs;
    } cases[] = {
        {"filezilla", 1, {}, {"run filezilla setup"}},
        {"xananews",
         2,
         {"C:\\Orvo\\OpenSource\\XanaNews Setup\\xananews_setup.exe file is not found."},
         {}},
        {"tamsel", 2, {"file is not found."}, {}},
        {"Filezilla", 2, {"file is not found."}, {}},
    };
    for (const auto& c : cases) {
        Answer({});
        EXPECT_EQ(InstallOpenSourceProgram(c.key), c.result) << c.key;
        EXPECT_TRUE(Seen(c.seen)) << c.key;
        EXPECT_EQ(Runs(), c.runs) << c.key;
    }
    // GIMP: both setups, run in the setup folder, which stays current.
    Recorder(open + "GIMP Setup/gtk+-2.2.4-20040124-setup.exe.exe", "gtk");
    Recorder(open + "GIMP Setup/gimp-2.0.1-setup.exe", "gimp");
    Answer({});
    EXPECT_EQ(InstallOpenSourceProgram("gimp"), 1);
    EXPECT_EQ(Lines(log, true), (Strings{"run gtk", "cwd " + open + "GIMP Setup", "run gimp",
                                         "cwd " + open + "GIMP Setup"}));
    EXPECT_EQ(fs::current_path(), fs::path(open + "GIMP Setup"));
    // Ergane: its setup folder's files go into the program folder, keeping those there.
    Recorder(open + "Ergane Setup/setup.exe", "ergane setup");
    WriteFile(open + "Ergane Setup/words.dic", "new");
    WriteFile(c + "/Apps/Ergane/words.dic", "mine");
    Uninstall("ergane_is1", "Inno Setup: App Path", "C:\\Apps\\Ergane");
    Answer({});
    EXPECT_EQ(InstallOpenSourceProgram("ergane"), 1);
    EXPECT_EQ(Runs(), Strings{"run ergane setup"});
    EXPECT_EQ(ReadFile(c + "/Apps/Ergane/words.dic"), "mine");
    EXPECT_TRUE(fs::exists(c + "/Apps/Ergane/setup.exe"));
}

TEST_F(CompanionPrograms, InstalledProgramsStartAndMissingOnesAreOffered) {
    Uninstall("filezilla", "UninstallString", "\"C:\\Apps\\FileZilla\\uninstall.exe\"");
    Uninstall("WinGimp-2.0_is1", "Inno Setup: App Path", "C:\\Apps\\GIMP");
    Uninstall("xananews_is1", "Inno Setup: App Path", "C:\\Apps\\Xana\\");
    Uninstall("Abiword2", "InstallLocation", "C:\\Apps\\Abi");
    Uninstall("notes_is1", "Inno Setup: App Path", "C:\\Apps\\Notes");
    Uninstall("scilab_is1", "Inno Setup: App Path", "C:\\Apps\\SciLab"); // not its entry
    Recorder(c + "/Apps/FileZilla/FileZilla", "filezilla");
    Recorder(c + "/Apps/GIMP/bin/gimp-2.0", "gimp");
    Recorder(c + "/Apps/Xana/NewsReader3", "xananews");
    Recorder(c + "/Apps/Abi/abiword/bin/abiword", "abiword");
    Recorder(install + "/OstrelSourceInstaller", "installer");
    const std::string doc = "C:\\My Docs\\a b.txt";
    const struct {
        const char* key;
        std::deque<int> answers;
        int result;
        Strings seen, runs;
    } cases[] = {
        {"filezilla", {}, 2, {}, {"run filezilla", "arg " + doc}},
        {"gimp", {}, 2, {}, {"run gimp", "arg " + doc}},
        {"xananews", {}, 2, {}, {"run xananews", "arg " + doc}},
        {"abiword", {}, 2, {}, {"run abiword", "arg " + doc}},
        {"notes", {}, 2, {}, {}},
        {"GIMP", {kSecondButton}, 0, {"GIMP is not installed. Do you want to install it?"}, {}},
        {"scilab",
         {kFirstButton},
         1,
         {"Scilab is not installed. Do you want to install it?"},
         {"run installer", "arg /scilab"}},
    };
    for (const auto& c : cases) {
        Answer(c.answers);
        EXPECT_EQ(StartOpenSourceProgram(c.key, doc.c_str()), c.result) << c.key;
        EXPECT_TRUE(Seen(c.seen)) << c.key;
        EXPECT_EQ(RunsAfter(c.runs.size()), c.runs) << c.key;
    }
}

TEST_F(CompanionPrograms, TheNativeProxyRunsOnce) {
    const std::string folder = install + "/OpenSource/Rindle";
    const std::string program = folder + "/Rindle.exe";
    const struct {
        int checkOnly, showErrors;
        bool present, executable;
        int result;
        Strings seen;
        bool runs;
    } cases[] = {
        {0, 0, false, false, 0, {}, false},
        {0, 1, false, false, 0, {"Can't find Orvo WebMail Agent."}, false},
        {1, 0, true, false, 1, {}, false},
        {0,
         0,
         true,
         false,
         0,
         {"Failed to start C:\\Orvo\\OpenSource\\Rindle\\Rindle.exe."},
         false},
        {0, 0, true, true, 1, {}, true},
        {0, 1, true, true, 1, {}, true}, // running already: not a second one
    };
    for (const auto& c : cases) {
        Answer({});
        if (c.present) fs::create_directories(folder);
        if (c.present && !fs::exists(program))
            fs::copy_file(std::string(TESSALY_BUILD_DIR) + "/lib/Rindle.exe", program);
        if (c.present) chmod(program.c_str(), c.executable ? 0755 : 0644);
        EXPECT_EQ(StartFreePops(c.checkOnly, c.showErrors), c.result);
        EXPECT_TRUE(Seen(c.seen));
        EXPECT_EQ(GetProcessCount("rindle.exe"), c.runs ? 1 : 0);
    }
    EXPECT_EQ(Lines(folder + "/rindle.log", true),
              (Strings{"started in " + folder, "argument --no-icon"}));
    for (const auto& process : tessaly::platform::ListProcesses())
        if (process.exePath == program) kill(static_cast<pid_t>(process.pid), SIGTERM);
}

TEST_F(CompanionPrograms, TheJavaProxyRunsOnceWithItsWindowHidden) {
    tessaly::testing::PrivateDisplay display;
    ASSERT_FALSE(display.Name().empty());
    setenv("DISPLAY", display.Name().c_str(), 1);
    const std::string folder = install + "/OpenSource/OpenSourceHTTP";
    const std::string jre = prefix_.scratch() + "/jre";
    fs::create_directories(jre + "/bin");
    fs::create_directories(folder);
    const std::string jar = std::string(TESSALY_BUILD_DIR) + "/lib/OpenSourceHTTP.jar";
    ASSERT_TRUE(fs::exists(jar));
    // One step of the set-up per row: the runtime's version, its folder, its program, the jar.
    const std::function<void()> steps[] = {
        [] {},
        [&] { PutRegText(HKEY_LOCAL_MACHINE, kJava, "CurrentVersion", "1.8"); },
        [&] {
            PutRegText(HKEY_LOCAL_MACHINE, (std::string(kJava) + "\\1.8").c_str(), "JavaHome",
                       tessaly::testing::WindowsPath(jre));
        },
        [&] {
            chmod(WriteFile(jre + "/bin/javaw", std::string("\x7f"
                                                            "ELF\x02\x01\x01",
                                                            7))
                      .c_str(),
                  0755);
        },
        [&] { fs::copy_file(jar, folder + "/OpenSourceHTTP.jar"); },
        [&] {
            fs::remove(jre + "/bin/javaw");
            fs::create_symlink(std::string(TESSALY_BUILD_DIR) + "/bin/tessaly-launcher",
                               jre + "/bin/javaw");
        },
    };
    const struct {
        int showErrors;
        Strings seen;
    } missing[] = {
        {1, {"1031"}}, {1, {"1031"}}, {1, {"1031"}}, {1, {"Can't find Orvo WebMail Agent."}}};
    // The notice's link leads to the runtime's download page.
    Answer({1032, IDOK});
    EXPECT_EQ(StartPostMan(0, 1), 0);
    EXPECT_EQ(RunsAfter(2), (Strings{"run browser", "arg https://www.java.com/download/"}));
    for (int step = 0; step < 4; ++step) {
        steps[step]();
        for (int showErrors : {0, 1}) {
            Answer({IDOK});
            EXPECT_EQ(StartPostMan(0, showErrors), 0) << step;
            EXPECT_TRUE(Seen(showErrors ? missing[step].seen : Strings{})) << step;
        }
    }

    steps[4]();
    Answer({});
    EXPECT_EQ(StartPostMan(1, 1), 1); // ready: nothing is started
    EXPECT_EQ(StartPostMan(0, 0), 0); // the runtime's program cannot be started
    EXPECT_TRUE(
        Seen({"Failed to start C:\\Orvo\\OpenSource\\OpenSourceHTTP\\OpenSourceHTTP.jar."}));
    EXPECT_FALSE(fs::exists(folder + "/mrpostman.log"));
    steps[5]();
    Answer({});
    EXPECT_EQ(StartPostMan(0, 1), 1);
    const HWND window = CWnd::FindWindow("org.mrbook.mrpostman.gui.MrPostmanGui", "MrPostMan");
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(mapped(window));
    EXPECT_EQ(GetStringRegistry(HKEY_CURRENT_USER,
                                "Software\\JavaSoft\\Prefs\\org\\mrbook\\mrpostman",
                                "/Run/Gui/Start")
                  .str(),
              "true");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(StartPostMan(0, 1), 1); // running: at once, and not a second one
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_TRUE(Seen({}));
    EXPECT_EQ(Lines(folder + "/mrpostman.log", true), Strings{"started in " + folder});
    kill(static_cast<pid_t>(CWnd::ProcessIdOf(window)), SIGTERM);
}

} // namespace
