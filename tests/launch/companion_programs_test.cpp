// Installing and starting the companion programs, and the two mail proxies.
#include <tessaly/foundation.h>
#include <tessaly/launch.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>
#include <signal.h>
#include <xcb/xcb.h>

#include <filesystem>

#include "platform/process.h"
#include "support/outside_programs.h"
#include "support/xvfb.h"

using namespace tessaly::testing;
namespace fs = std::filesystem;

namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kJava = "Software\\JavaSoft\\Java Runtime Environment";
const std::string kMissingAgent = "Can't find Orvo WebMail Agent.";
const std::string kJar = "C:\\Orvo\\OpenSource\\OpenSourceHTTP\\OpenSourceHTTP.jar";

// Whether another process's window (a handle the library gave) is mapped on the display.
bool mapped(HWND window) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const auto id = static_cast<xcb_window_t>(reinterpret_cast<std::uintptr_t>(window));
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

class CompanionPrograms : public OutsideProgramTest {
  protected:
    // The Java runtime in the registry, its program a recorder; the proxy's jar in place.
    std::string Java() {
        const std::string jre = prefix_.scratch() + "/jre";
        PutRegText(HKEY_LOCAL_MACHINE, kJava.c_str(), "CurrentVersion", "1.8");
        PutRegText(HKEY_LOCAL_MACHINE, (kJava + "\\1.8").c_str(), "JavaHome", WindowsPath(jre));
        WriteFile(install + "/OpenSource/OpenSourceHTTP/OpenSourceHTTP.jar", "");
        return Recorder(jre + "/bin/javaw", "javaw");
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
        {"xananews", 2, {"OpenSource\\XanaNews Setup\\xananews_setup.exe file is not found."}, {}},
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
    EXPECT_EQ(InstallOpenSourceProgram("ergane"), 1);
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
        int answer, result;
        Strings seen, runs;
    } cases[] = {
        {"filezilla", 0, 2, {}, {"run FileZilla", "arg " + doc}},
        {"gimp", 0, 2, {}, {"run gimp-2.0", "arg " + doc}},
        {"xananews", 0, 2, {}, {"run NewsReader3", "arg " + doc}},
        {"abiword", 0, 2, {}, {"run abiword", "arg " + doc}},
        {"notes", 0, 2, {}, {}}, // the program folder itself, which no program opens here
        {"GIMP", kSecondButton, 0, {"GIMP is not installed. Do you want to install it?"}, {}},
        {"scilab", kFirstButton, 1, {"Scilab is not installed."}, {"run installer", "arg /scilab"}},
    };
    for (const auto& c : cases) {
        Expect({c.answer});
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
    // The notice of a missing runtime; a click on its link opens the runtime's download page.
    Expect({-1032, IDOK});
    EXPECT_EQ(StartPostMan(0, 1), 0);
    EXPECT_EQ(RunsAfter(2), (Strings{"run browser", "arg https://www.java.com/download/"}));
    // Each step takes one piece away: the program, its folder, the version; then the jar.
    const std::string javaw = Java();
    const std::function<void()> steps[] = {
        [&] { fs::remove(install + "/OpenSource/OpenSourceHTTP/OpenSourceHTTP.jar"); },
        [&] { fs::remove(javaw); },
        [&] { DeleteRegKey(HKEY_LOCAL_MACHINE, (kJava + "\\1.8").c_str()); },
        [&] { PutRegText(HKEY_LOCAL_MACHINE, kJava.c_str(), "CurrentVersion", ""); },
    };
    for (const auto& step : steps) {
        step();
        for (int showErrors : {0, 1}) {
            Expect({IDOK});
            EXPECT_EQ(StartPostMan(0, showErrors), 0);
            const std::string notice = &step == steps ? kMissingAgent : "1031";
            EXPECT_TRUE(Seen(showErrors ? Strings{notice} : Strings{}));
        }
    }
    Java();
    fs::remove(javaw);
    chmod(WriteFile(javaw, std::string("\x7f\x45LF\x02", 5)).c_str(), 0755);
    Expect({});
    EXPECT_EQ(StartPostMan(1, 1), 1); // ready: nothing is started
    EXPECT_EQ(StartPostMan(0, 0), 0); // the runtime's program cannot be started
    EXPECT_TRUE(Seen({"Failed to start " + kJar + "."}));
    fs::remove(javaw);
    fs::create_symlink(std::string(TESSALY_BUILD_DIR) + "/bin/tessaly-launcher", javaw);
    const std::string folder = install + "/OpenSource/OpenSourceHTTP";
    fs::copy_file(std::string(TESSALY_BUILD_DIR) + "/lib/OpenSourceHTTP.jar",
                  folder + "/OpenSourceHTTP.jar", fs::copy_options::overwrite_existing);
    EXPECT_EQ(StartPostMan(0, 1), 1);
    const HWND window = CWnd::FindWindow("org.mrbook.mrpostman.gui.MrPostmanGui", "MrPostMan");
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(mapped(window));
    const char* prefs = "Software\\JavaSoft\\Prefs\\org\\mrbook\\mrpostman";
    EXPECT_EQ(GetStringRegistry(HKEY_CURRENT_USER, prefs, "/Run/Gui/Start").str(), "true");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(StartPostMan(0, 1), 1); // running: at once, and not a second one
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(Lines(folder + "/mrpostman.log", true), Strings{"started in " + folder});
    kill(static_cast<pid_t>(CWnd::ProcessIdOf(window)), SIGTERM);
}

// The proxy's window never comes: after 500 tries half a second apart (250 seconds) the start
// is given up. The wait runs as it is, in a run of this case under accelerated time.
TEST_F(CompanionPrograms, TheJavaProxyTimesOutAfter250Seconds) {
    if (!std::getenv("FAKETIME")) {
        if (!*TESSALY_FAKETIME) GTEST_SKIP() << "libfaketime is not installed";
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        const RunResult run = RunProgram(
            {fs::read_symlink("/proc/self/exe"),
             std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name()},
            {"LD_PRELOAD=" TESSALY_FAKETIME, "FAKETIME=+0 x20", "DISPLAY",
             "ASAN_OPTIONS=verify_asan_link_order=0"});
        EXPECT_NE(run.out.find("[  PASSED  ] 1 test"), std::string::npos) << run.out << run.err;
        return;
    }
    Java();
    Expect({IDOK});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(StartPostMan(0, 1), 0);
    const auto waited = std::chrono::steady_clock::now() - start; // in the accelerated time
    EXPECT_GE(waited, std::chrono::seconds(250));
    EXPECT_LT(waited, std::chrono::seconds(400));
    EXPECT_TRUE(Seen({"Timeout on starting " + kJar + "."}));
    EXPECT_EQ(Lines(log), (Strings{"run javaw", "arg -jar", "arg " + kJar}));
}

} // namespace
